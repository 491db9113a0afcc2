// A track log downloaded through the window from the device emulator, then
// clicked in File1: it replays through the own-format path at the device's
// positions, and points the device had no altitude for carry none.
#include "sim/garmin/garmin_download.h"
#include "sim/replay/replay_harness.h"
#include "sim/window/sim_window.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "common/text_lines.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using zelvan::SimWindow;
using zv::Dialogs;

namespace {

const QString kE2eDir = QDir::cleanPath(QStringLiteral(ZV_TEST_DATA_DIR "/../e2e"));

// Ends the process it owns (and only that one).
void endProcess(QProcess& p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(3000))
        p.kill();
    p.waitForFinished(3000);
}

// The emulator's points with a fix as signed minutes of arc, from the same seed.
QJsonArray devicePositions(int points)
{
    QProcess py;
    py.setWorkingDirectory(kE2eDir);
    py.start("/usr/bin/python3",
             {"-c", QStringLiteral("import json, garmin_emulator as g\n"
                                   "out = []\n"
                                   "for p in g.make_points(%1):\n"
                                   "    if p['lat'] == g.INVALID_POS and p['lon'] == g.INVALID_POS:\n"
                                   "        continue\n"
                                   "    out.append([p['lat'] * 180 * 60 / 2**31, p['lon'] * 180 * 60 / 2**31])\n"
                                   "print(json.dumps(out))\n")
                        .arg(points)});
    EXPECT_TRUE(py.waitForFinished(10000));
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

// "ddmm.mmm" / "dddmm.mmm" with its hemisphere as signed minutes.
double signedMinutes(const QByteArray& value, const QByteArray& hemisphere, int degreeDigits)
{
    const double m = zv::leadingNumber(QString::fromLatin1(value.left(degreeDigits))) * 60
        + zv::leadingNumber(QString::fromLatin1(value.mid(degreeDigits)));
    return (hemisphere == "S" || hemisphere == "W") ? -m : m;
}

} // namespace

TEST(GarminReplay, DownloadedLogClickedInFile1ReplaysAtTheDevicesPositionsWithoutInventedAltitudes)
{
    QTemporaryDir home;
    const QString hostEnd = home.filePath("host");
    const QString deviceEnd = home.filePath("device");
    QDir(home.path()).mkpath("Tracks");
    {
        QFile ini(home.filePath("Zelvan.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(("[GPS-Port]\r\nCOM=0\r\n[Devices]\r\nCOM1=" + hostEnd + "\r\n").toLocal8Bit());
    }
    zvtest::ScriptedDialogs dialogs;
    zvtest::CapturingChannel channel;
    auto window = std::make_unique<SimWindow>(home.path());
    window->setDialogs(&dialogs);
    window->addOutputChannel(&channel);
    window->tick().setPreOutputWaitMs(0);
    window->show();
    // The file panel's name field and LOA: the window's own when it has them,
    // else stand-ins handed over the seam.
    auto* fileT = window->findChild<QLineEdit*>("FileT");
    if (!fileT) {
        fileT = new QLineEdit(window.get());
        fileT->setObjectName("FileT");
        auto* loa = new QPushButton("LOAD", window.get());
        loa->setObjectName("LOA");
        auto* nmea = new QPushButton("NMEA", window.get());
        nmea->setObjectName("NMEA");
        window->setDownloadFilePanel(fileT, loa, {nmea});
    }
    auto* file1 = window->findChild<QListWidget*>("File1");
    ASSERT_TRUE(fileT && file1);

    QProcess socat;
    QProcess emulator;
    struct Ender {
        QProcess& a;
        QProcess& b;
        ~Ender()
        {
            endProcess(a);
            endProcess(b);
        }
    } ender{emulator, socat};
    const QString socatPath = QStandardPaths::findExecutable("socat");
    ASSERT_FALSE(socatPath.isEmpty()) << "socat is not installed";
    socat.start(socatPath, {"pty,raw,echo=0,link=" + hostEnd, "pty,raw,echo=0,link=" + deviceEnd});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(hostEnd) && QFile::exists(deviceEnd); }, 5000));
    emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator.start("/usr/bin/python3", {kE2eDir + "/garmin_emulator.py", "--port", deviceEnd, "--report",
                                        home.filePath("report.json"), "--points", "14", "--point-type", "301"});
    ASSERT_TRUE(emulator.waitForStarted(5000));

    // The download as a user runs it.
    dialogs.queueAnswer(Dialogs::Answer::Yes);
    QTest::mouseClick(window->findChild<QPushButton*>("DownloadC"), Qt::LeftButton);
    ASSERT_TRUE(window->downloadMode());
    window->findChild<QComboBox*>("PortC")->setCurrentIndex(0); // COM1, the pty by [Devices]
    fileT->setFocus();
    QTest::keyClicks(fileT, "short");
    QTest::keyClick(fileT, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->garminDownload().isTransferring(); }, 60000));
    auto* list1 = window->findChild<QListWidget*>("List1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list1->count() && list1->item(list1->count() - 1)->text() == "Transfer OK"; }, 5000));
    const QString path = home.filePath("Tracks/short.trk");
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.shown.last().text.toStdString();

    // The file's point records, in order (and which of them have no altitude).
    QList<QByteArray> records;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QByteArray& l : zv::splitTextLines(f.readAll()))
            if (l.startsWith("T "))
                records.append(l);
    }
    const QJsonArray positions = devicePositions(14);
    ASSERT_EQ(records.size(), 13);
    ASSERT_EQ(positions.size(), 13);
    ASSERT_GE(std::count_if(records.begin(), records.end(), [](const QByteArray& r) { return r.contains(";1E+25;"); }), 2);

    // Back to the normal layout; a click on the file starts its replay.
    QTest::keyClick(fileT, Qt::Key_Escape);
    ASSERT_FALSE(window->downloadMode());
    const auto items = file1->findItems("short.trk", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << [&] {
        QStringList names;
        for (int i = 0; i < file1->count(); ++i)
            names << file1->item(i)->text();
        return names.join('|').toStdString();
    }();
    QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(items.first()).center());
    ASSERT_TRUE(window->replayState().replayActive);
    EXPECT_EQ(window->replayState().trackFormat, QStringLiteral("Zelvan"));
    for (int n = 0; window->replayState().replayActive && n < 1000; ++n)
        window->tick().onTimer1();
    ASSERT_FALSE(window->replayState().replayActive);

    QList<QByteArray> rmcs;
    QList<QByteArray> ggas;
    for (const QByteArray& s : channel.sent) {
        EXPECT_TRUE(zv::hasValidChecksum(s)) << s.constData();
        if (s.startsWith("$GPRMC"))
            rmcs.append(s);
        else if (s.startsWith("$GPGGA"))
            ggas.append(s);
    }
    ASSERT_EQ(ggas.size(), rmcs.size());
    // The load takes the first record as the start point; every later one goes out.
    ASSERT_GE(rmcs.size(), records.size() - 1);
    ASSERT_LE(rmcs.size(), records.size());
    const qsizetype first = records.size() - rmcs.size();
    for (qsizetype i = 0; i < rmcs.size(); ++i) {
        const qsizetype k = first + i;
        const QByteArray& rmc = rmcs[i];
        const QByteArray& gga = ggas[i];
        SCOPED_TRACE(records[k].toStdString());
        // Own-format minutes keep three decimals in the record.
        EXPECT_NEAR(signedMinutes(zv::sentenceField(rmc, 3), zv::sentenceField(rmc, 4), 2),
                    positions[k].toArray()[0].toDouble(), 0.0011) << rmc.constData();
        EXPECT_NEAR(signedMinutes(zv::sentenceField(rmc, 5), zv::sentenceField(rmc, 6), 3),
                    positions[k].toArray()[1].toDouble(), 0.0011) << rmc.constData();
        EXPECT_EQ(zv::sentenceField(gga, 2), zv::sentenceField(rmc, 3));
        EXPECT_EQ(zv::sentenceField(gga, 4), zv::sentenceField(rmc, 5));

        const QByteArray altitude = zv::sentenceField(gga, 9);
        if (records[k].contains(";1E+25;")) {
            EXPECT_TRUE(altitude.isEmpty()) << gga.constData();
        } else {
            ASSERT_FALSE(altitude.isEmpty()) << gga.constData();
            const QByteArray fileAltitude = records[k].mid(records[k].indexOf(';') + 1).chopped(1);
            EXPECT_NEAR(zv::leadingNumber(QString::fromLatin1(altitude)),
                        zv::leadingNumber(QString::fromLatin1(fileAltitude)), 1.0)
                << gga.constData();
        }
    }
    window.reset();
}
