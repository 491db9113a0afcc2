#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/tracks/log_to_rmc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

const QDate kToday(2026, 12, 7);

QString writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

QByteArrayList readLines(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return zv::splitTextLines(f.readAll());
}

const QByteArray kGga1 = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const QByteArray kVtg1 = "$GPVTG,084.4,T,,M,022.4,N,041.5,K*49";
const QByteArray kGga2 = "$GPGGA,123520,4807.040,N,01131.002,E,1,08,0.9,545.5,M,46.9,M,,*4C";

} // namespace

TEST(LogToRmc, PrecedesEveryGgaAfterTheFirstVtgWithAnRmc)
{
    QTemporaryDir dir;
    const QString log = writeFile(dir.filePath("day1.log"), kGga1 + "\n" + kVtg1 + "\n" + kGga2 + "\n" + kVtg1 + "\n");
    const auto result = convertLogToRmc(log, kToday);
    ASSERT_EQ(result.status, LogConversion::Converted) << result.errorText.toStdString();
    EXPECT_EQ(result.companionPath, dir.filePath("day1.RMC"));
    EXPECT_EQ(result.rmcWritten, 1);
    const QByteArrayList expected = {
        kGga1, kVtg1, zv::frameSentence("GPRMC,123520,A,4807.040,N,01131.002,E,022.4,084.4,071226,000.6,E"), kGga2,
        kVtg1};
    EXPECT_EQ(readLines(result.companionPath), expected);
    QFile companion(result.companionPath);
    ASSERT_TRUE(companion.open(QIODevice::ReadOnly));
    EXPECT_TRUE(companion.readAll().endsWith("\r\n"));
}

TEST(LogToRmc, TakesGgaAndVtgOfAnyTalker)
{
    // A receiver that mixes constellations: GN for the fix, GL and GP for satellites.
    const QByteArray gga1 = "$GNGGA,171926.00,4404.14063,N,12118.85478,W,1,12,0.91,1147.2,M,-21.3,M,,*44";
    const QByteArray vtg = "$GNVTG,,T,,M,0.117,N,0.216,K,A*3F";
    const QByteArray gsv = "$GLGSV,3,3,10,83,27,309,29,84,01,353,*63";
    const QByteArray gga2 = "$GNGGA,171927.00,4404.14058,N,12118.85475,W,1,12,0.91,1147.0,M,-21.3,M,,*42";
    const QByteArray junkGga = "xx$BDGGA,171928.00,4404.14050,N,12118.85470,W,1,12,0.91,1147.0,M,-21.3,M,,*00";
    const QByteArray makersOwn = "$PXGGA,171929.00,4404.14050,N,12118.85470,W,1*00";
    QTemporaryDir dir;
    const QString log = writeFile(dir.filePath("gn.log"), gga1 + "\n" + vtg + "\n" + gsv + "\n" + gga2 + "\n" + junkGga
                                                            + "\n" + makersOwn + "\n");
    const auto result = convertLogToRmc(log, kToday);
    ASSERT_EQ(result.status, LogConversion::Converted);
    EXPECT_EQ(result.rmcWritten, 2);
    const QByteArrayList expected = {
        gga1, vtg, gsv,
        zv::frameSentence("GPRMC,171927,A,4404.14058,N,12118.85475,W,0.117,,071226,000.6,E"), gga2,
        zv::frameSentence("GPRMC,171928,A,4404.14050,N,12118.85470,W,0.117,,071226,000.6,E"), junkGga,
        makersOwn};
    EXPECT_EQ(readLines(result.companionPath), expected);
}

TEST(LogToRmc, NeverOverwritesFilesItDidNotCreate)
{
    QTemporaryDir dir;
    // A dot in a folder name must not decide the companion's name.
    const QString log = writeFile(dir.filePath("b.c/day.log"), kVtg1 + "\n" + kGga2 + "\n");
    const QString users = writeFile(dir.filePath("b.c/day.RMC"), "the user's own file\n");
    const auto first = convertLogToRmc(log, kToday);
    ASSERT_EQ(first.status, LogConversion::Converted);
    EXPECT_EQ(first.companionPath, dir.filePath("b.c/day~1.RMC"));
    EXPECT_EQ(readLines(users), QByteArrayList{"the user's own file"});
    EXPECT_FALSE(QFile::exists(dir.filePath("b.RMC")));
    const auto second = convertLogToRmc(log, kToday);
    EXPECT_EQ(second.companionPath, dir.filePath("b.c/day~2.RMC"));

    // A log that is itself named *.RMC is never replaced by its companion.
    const QString rmcLog = writeFile(dir.filePath("track.RMC"), kVtg1 + "\n" + kGga2 + "\n");
    const auto third = convertLogToRmc(rmcLog, kToday);
    ASSERT_EQ(third.status, LogConversion::Converted);
    EXPECT_NE(third.companionPath, rmcLog);
    EXPECT_EQ(readLines(rmcLog).size(), 2);
}

TEST(LogToRmc, ReportsLogsThatStillHoldNoRmc)
{
    QTemporaryDir dir;
    const QString log = writeFile(dir.filePath("late.log"), kGga1 + "\n" + kGga2 + "\n" + kVtg1 + "\n");
    const auto result = convertLogToRmc(log, kToday);
    EXPECT_EQ(result.status, LogConversion::NoRmc);
    EXPECT_TRUE(result.companionPath.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("late.RMC")));

    const auto missing = convertLogToRmc(dir.filePath("missing.log"), kToday);
    EXPECT_EQ(missing.status, LogConversion::ReadFailed);
}

TEST(LogToRmc, TakesFieldsNotColumnsAndMarksGgaWithoutFixVoid)
{
    QTemporaryDir dir;
    const QByteArray fractional = "$GPGGA,123520.50,4807.0401234,N,01131.0021,E,2,08,0.9,545.5,M,46.9,M,,*00";
    const QByteArray noFix = "$GPGGA,,,,,,0,,,,M,,M,,*66";
    const QString log = writeFile(dir.filePath("hemi.log"), kVtg1 + "\r\n" + fractional + "\r\n" + noFix + "\r\n");
    const auto result = convertLogToRmc(log, kToday);
    ASSERT_EQ(result.status, LogConversion::Converted);
    const auto lines = readLines(result.companionPath);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[1], zv::frameSentence("GPRMC,123520,A,4807.0401234,N,01131.0021,E,022.4,084.4,071226,000.6,E"));
    EXPECT_EQ(lines[3], zv::frameSentence("GPRMC,,V,,,,,022.4,084.4,071226,000.6,E"));
}

TEST(LogToRmc, CompanionNamesAreFree)
{
    QTemporaryDir dir;
    EXPECT_EQ(companionRmcPath(dir.filePath("day.1.log")), dir.filePath("day.1.RMC"));
    EXPECT_EQ(companionRmcPath(dir.filePath("noext")), dir.filePath("noext.RMC"));
    writeFile(dir.filePath("x.RMC"), "");
    writeFile(dir.filePath("x~1.RMC"), "");
    EXPECT_EQ(companionRmcPath(dir.filePath("x.log")), dir.filePath("x~2.RMC"));
}

TEST(LogToRmc, RealLogWithoutRmcGetsOneRmcPerGgaAfterASpeed)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("hemi.log");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZV_TEST_DATA_DIR "/tracks/gpsd_hemi.log"), log));
    int expected = 0;
    bool speedSeen = false;
    for (const auto& line : readLines(log)) {
        if (line.contains("GPGGA") && speedSeen)
            ++expected;
        if (line.contains("GPVTG") && !zv::sentenceField(line, 5).isEmpty())
            speedSeen = true;
    }
    ASSERT_GT(expected, 10);
    const auto result = convertLogToRmc(log, kToday);
    ASSERT_EQ(result.status, LogConversion::Converted);
    EXPECT_EQ(result.rmcWritten, expected);
    const auto lines = readLines(result.companionPath);
    int rmcs = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("$GPRMC"))
            continue;
        ++rmcs;
        const QByteArray& rmc = lines[i];
        const QByteArray& gga = lines[i + 1];
        ASSERT_TRUE(gga.startsWith("$GPGGA")) << gga.constData();
        EXPECT_TRUE(zv::hasValidChecksum(rmc)) << rmc.constData();
        EXPECT_EQ(zv::sentenceField(rmc, 1), zv::sentenceField(gga, 1).left(6));
        for (int f = 0; f < 4; ++f)
            EXPECT_EQ(zv::sentenceField(rmc, 3 + f), zv::sentenceField(gga, 2 + f)) << rmc.constData();
        EXPECT_EQ(zv::sentenceField(rmc, 2), zv::sentenceField(gga, 6) == "0" ? QByteArray("V") : QByteArray("A"));
        EXPECT_EQ(zv::sentenceField(rmc, 9), QByteArray("071226"));
    }
    EXPECT_EQ(rmcs, expected);
}

TEST(LogToRmc, AStopMidwayLeavesNothingBehind)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += "$GPVTG,045.0,T,,M,5.4,N,10.0,K*00\r\n$GPGGA,120000,4807.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n";
    const QString log = writeFile(dir.filePath("big.log"), text);
    int asked = 0;
    const auto result = convertLogToRmc(log, kToday, [&] { return ++asked < 3; });
    EXPECT_EQ(result.status, LogConversion::Stopped);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(result.companionPath.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"big.log"});
    // Asked and allowed to go on, it converts everything.
    EXPECT_EQ(convertLogToRmc(log, kToday, [] { return true; }).rmcWritten, 20000);
}
