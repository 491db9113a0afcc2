#pragma once
// Has pynmea2, an independent NMEA parser, read every sentence (checksum
// checked; RMC must be valid) through tests/sim/tracks/check_composed_sentences.py.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zvtest {

inline void expectPynmea2Accepts(const QList<QByteArray>& sentences)
{
    QTemporaryDir dir;
    const QString listPath = dir.filePath(QStringLiteral("sentences.txt"));
    QFile list(listPath);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    for (const QByteArray& s : sentences)
        list.write(s + '\n');
    list.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZV_TEST_DATA_DIR "/../sim/tracks/check_composed_sentences.py"), listPath});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardOutput().toStdString()
                                    << python.readAllStandardError().toStdString();
}

} // namespace zvtest
