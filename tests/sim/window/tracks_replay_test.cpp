// Track files replayed through the real window: composed sentences per
// record, the output list's header, counting and the faster paces, segment
// marks, jumps, following a growing file, and the files replayed through a
// companion (logs without RMC, GPX).
#include "sim/replay/replay_harness.h"

#include "common/nmea.h"
#include "sim/replay/replay_core.h"
#include "sim/tracks/track_replay.h"
#include "sim/window/gauges.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QPointF>
#include <QSet>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <cmath>
#include <iostream>
#include <optional>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(15, 0, 0), Qt::UTC);

void fixClock(ReplayHarness& h)
{
    h.window->trackReplay().setClock([] { return kNow; });
}

QList<QByteArray> sentOfType(const ReplayHarness& h, const char* type)
{
    QList<QByteArray> out;
    for (const QByteArray& s : h.channel.sent)
        if (s.startsWith(type))
            out.append(s);
    return out;
}

QByteArray lastRmc(const ReplayHarness& h)
{
    const auto rmcs = sentOfType(h, "$GPRMC");
    return rmcs.isEmpty() ? QByteArray() : rmcs.last();
}

// Own-format record k (1-based): due north 0.01 minute (18.55 m) a second.
QByteArray ownRecord(int k)
{
    const int s = k - 1;
    char buf[96];
    std::snprintf(buf, sizeof buf, "T  N48 %07.4f E011 34.0000 Mon Jan 05 12:%02d:%02d 2005 ;%d;", 7.0 + 0.01 * s,
                  s / 60 % 60, s % 60, 100 + k);
    return buf;
}

// Time text of record k as its RMC carries it.
QByteArray ownTime(int k)
{
    const int s = k - 1;
    return QStringLiteral("12%1%2").arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0')).toLatin1();
}

// A file of the own format; `between` puts extra lines after record k.
QByteArray ownFile(int records, const QMap<int, QByteArrayList>& between = {})
{
    QByteArray out = "I Zelvan V1.0.0\r\n# 07.12.2026 15:02:11\r\nhand-made\r\nL  New Header: One\r\n";
    for (int k = 1; k <= records; ++k) {
        out += ownRecord(k) + "\r\n";
        for (const QByteArray& l : between.value(k))
            out += l + "\r\n";
    }
    return out;
}

} // namespace

TEST(TrackReplayWindow, OwnFormatEmitsComposedSentencesWithTheListHeader)
{
    ReplayHarness h;
    fixClock(h);
    ASSERT_TRUE(h.loadData(QStringLiteral("tracks/handmade_zelvan.trk")));
    EXPECT_EQ(h.state().trackFormat, QStringLiteral("Zelvan"));
    EXPECT_EQ(h.state().recordTotal, 4);
    EXPECT_TRUE(h.ui().autoSkip->isEnabled()); // an "N" line after the first record
    EXPECT_FALSE(h.ui().data[DataRmb]->isEnabled());

    // The first record, where the track starts: no speed yet.
    h.runTick();
    const QByteArray rmc = zv::frameSentence("GPRMC,123456,A,4807.038,N,01134.567,E,,000,050105,000.0,E");
    const QByteArray gga = zv::frameSentence("GPGGA,123456,4807.038,N,01134.567,E,1,12,1.0,123,M,,M,,");
    const QByteArray vtg = zv::frameSentence("GPVTG,000,T,,M,,N,,K");
    EXPECT_EQ(h.list1(), (QStringList{"Zelvan: Ride", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;",
                                      " ", QString::fromLatin1(rmc), QString::fromLatin1(gga),
                                      QString::fromLatin1(vtg), "$PGRMM,WGS 84*06"}));
    EXPECT_EQ(h.channel.sent, (QList<QByteArray>{rmc, gga, vtg, "$PGRMM,WGS 84*06"}));
    EXPECT_EQ(h.state().recordIndex, 1);
    EXPECT_EQ(h.ui().fileL->text(), QStringLiteral(" Ride"));

    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), QByteArray("123506"));
    EXPECT_EQ(h.state().recordIndex, 2);

    // The segment mark is counted and passed over in the tick of the record
    // after it; the receiver's null time: time 000000, no date, no speed.
    h.runTick();
    EXPECT_EQ(h.state().segmentCount, 1);
    EXPECT_EQ(h.list1().value(0), QStringLiteral("Zelvan  (1): Ride"));
    EXPECT_EQ(rmcField(lastRmc(h), 1), QByteArray("000000"));
    EXPECT_EQ(rmcField(lastRmc(h), 7), QByteArray());
    EXPECT_EQ(rmcField(lastRmc(h), 9), QByteArray());
    EXPECT_EQ(h.state().recordIndex, 3);
    h.runTick();
    EXPECT_FALSE(h.state().replayActive);
}

TEST(TrackReplayWindow, RealAndHandMadeFilesReplayEveryRecordWithValidSentences)
{
    struct Case {
        const char* file;
        const char* format;
        int recordTotal;
        int rmcs;
    } cases[] = {
        {"tracks/handmade_g7towin.trk", "G7ToWin", 4, 3},
        {"tracks/handmade_gardown.trk", "Gardown", 4, 3},
        {"tracks/handmade_ttqv.trk", "TTQV-PCX", 5, 4},
        {"tracks/gpsbabel/track.plt", "OziExplorer", 21, 20},
        {"tracks/gpsbabel/two_tracks_packed.plt", "OziExplorer", 13, 12},
        {"tracks/gpsbabel_20070813_short.plt", "OziExplorer", 0, 0},
        {"tracks/gpsbabel_pcx.trk", "PCX5", 0, 0},
        {"tracks/gk_catalina-linestring.kml", "KML", 0, 0},
    };
    for (const auto& c : cases) {
        ReplayHarness h;
        fixClock(h);
        ASSERT_TRUE(h.loadData(QString::fromLatin1(c.file))) << c.file;
        EXPECT_EQ(h.state().trackFormat, QString::fromLatin1(c.format)) << c.file;
        const int total = h.state().recordTotal;
        if (c.recordTotal) {
            EXPECT_EQ(total, c.recordTotal) << c.file;
        }
        h.runToEnd(100000);
        const auto rmcs = sentOfType(h, "$GPRMC");
        if (c.rmcs) {
            EXPECT_EQ(rmcs.size(), c.rmcs) << c.file;
        }
        // Every record counted goes out once.
        EXPECT_EQ(rmcs.size(), total - 1) << c.file;
        EXPECT_EQ(sentOfType(h, "$GPGGA").size(), rmcs.size()) << c.file;
        EXPECT_EQ(sentOfType(h, "$GPVTG").size(), rmcs.size()) << c.file;
        for (const QByteArray& s : h.channel.sent)
            EXPECT_TRUE(zv::hasValidChecksum(s)) << c.file << ": " << s.constData();
    }
}

TEST(TrackReplayWindow, FasterPacesPassRecordsOverSilently)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("x4.trk"), ownFile(21));
    ASSERT_TRUE(h.load(QStringLiteral("x4.trk"))) << h.list1().join(QLatin1Char('|')).toStdString() << ownFile(3).constData();
    h.ui().abstand[1]->click(); // "x 4"
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(1));
    EXPECT_EQ(h.state().recordIndex, 4);
    EXPECT_EQ(h.channel.sent.size(), 4);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(5));
    EXPECT_EQ(h.state().recordIndex, 8);
    // Four records of 18.55 m in four seconds: 66 km/h.
    EXPECT_EQ(h.ui().speedL->text(), QStringLiteral("66"));
    EXPECT_EQ(rmcField(lastRmc(h), 7), QByteArray("35.6"));
}

TEST(TrackReplayWindow, SegmentMarkWithAutoResetStartsTheTripAgain)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("seg.trk"), ownFile(8, {{4, {"N  New Track Segment", "L  New Header: Two"}}}));
    ASSERT_TRUE(h.load(QStringLiteral("seg.trk")));
    h.ui().autoReset->setChecked(true);
    h.runTick(); // record 1
    h.runTick(); // record 2
    h.runTick(); // record 3
    h.runTick(); // record 4
    EXPECT_GT(h.state().tripMeters, 50);
    EXPECT_FALSE(h.ui().tripL->text().isEmpty());
    h.runTick(); // the mark, the name and record 5: first of the new trip, no speed derived
    EXPECT_EQ(h.state().segmentCount, 1);
    EXPECT_EQ(h.state().trackName, QStringLiteral(" Two"));
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(5));
    EXPECT_EQ(rmcField(lastRmc(h), 7), QByteArray());
    EXPECT_EQ(h.state().tripMeters, 0);
    EXPECT_EQ(h.list1().value(0), QStringLiteral("Zelvan  (1): Two"));
    h.runTick(); // record 6
    EXPECT_NEAR(h.state().tripMeters, 19, 1);
    EXPECT_EQ(rmcField(lastRmc(h), 7), QByteArray("36.7")); // 19 m in 1 s: 68 km/h
}

TEST(TrackReplayWindow, AutoSkipJumpsToTheNextSegment)
{
    {
        ReplayHarness h;
        h.addFile(QStringLiteral("seg.trk"), ownFile(12, {{5, {"N  New Track Segment", "L  New Header: Two"}},
                                                          {9, {"N  New Track Segment"}}}));
        ASSERT_TRUE(h.load(QStringLiteral("seg.trk")));
        ASSERT_TRUE(h.ui().autoSkip->isEnabled());
        h.runTick(); // record 1
        h.ui().autoSkip->click();
        EXPECT_FALSE(h.ui().autoSkip->isChecked());
        EXPECT_EQ(h.state().recordIndex, 5); // records 2 to 5 passed
        EXPECT_EQ(h.state().segmentCount, 1);
        h.runTick(); // the name and record 6
        EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(6));
        EXPECT_EQ(h.list1().value(0), QStringLiteral("Zelvan  (1): Two"));
    }
    {
        // OziExplorer: to the record that carries the track-break flag, which
        // the next tick sends.
        ReplayHarness h;
        ASSERT_TRUE(h.loadData(QStringLiteral("tracks/gpsbabel/two_tracks_packed.plt")));
        h.runTick(); // the header lines after "OziExplorer", then record 1
        ASSERT_EQ(h.state().recordIndex, 1);
        ASSERT_TRUE(h.ui().autoSkip->isEnabled());
        h.ui().autoSkip->click();
        EXPECT_EQ(h.state().recordIndex, 8);
        h.runTick();
        EXPECT_EQ(rmcField(lastRmc(h), 3), QByteArray("4807.038"));
        EXPECT_EQ(h.state().recordIndex, 9);
    }
}

TEST(TrackReplayWindow, JumpsBackRestartAndGaugeClickLandWhereReadingWould)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("j.trk"), ownFile(200));
    ASSERT_TRUE(h.load(QStringLiteral("j.trk")));
    EXPECT_EQ(h.state().recordTotal, 201);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(1));
    h.ui().skip2->click(); // 100 records
    EXPECT_EQ(h.state().recordIndex, 101);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(102));
    h.ui().back->click(); // to record 52
    EXPECT_EQ(h.state().recordIndex, 52);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(53));
    // The first record after a jump derives no speed across it.
    EXPECT_EQ(h.state().tripMeters, 0);
    EXPECT_EQ(rmcField(lastRmc(h), 7), QByteArray());

    h.ui().gauge2->resize(400, 18);
    Q_EMIT h.ui().gauge2->clickedAt(200); // 201 * 0.5 * 1.02 = 102.5
    EXPECT_EQ(h.state().recordIndex, 102);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(103));

    h.ui().restart->click();
    EXPECT_EQ(h.state().recordIndex, 0);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(1));

    h.ui().back->click(); // below 0: the start, record lines kept out of the list
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(1));
    EXPECT_EQ(h.list1().value(1), QStringLiteral(" "));

    Q_EMIT h.ui().gauge2->clickedAt(399); // past the end
    EXPECT_FALSE(h.state().replayActive);
}

TEST(TrackReplayWindow, IndexedJumpsMatchReadingForward)
{
    const QByteArray file = ownFile(60, {{3, {"N  New Track Segment", "L  New Header: B"}},
                                         {20, {"H  comment", "N  New Track Segment", "L  New Header: C"}},
                                         {21, {"N  New Track Segment"}},
                                         {40, {"L  New Header: D"}}});
    for (int target : {1, 2, 3, 4, 19, 20, 21, 22, 39, 40, 41, 58, 59, 60, 80}) {
        struct Outcome {
            bool active;
            std::int32_t index;
            int segments;
            QString name;
            QByteArray next;
        };
        auto run = [&](bool grow) {
            ReplayHarness h;
            h.addFile(QStringLiteral("i.trk"), file);
            EXPECT_TRUE(h.load(QStringLiteral("i.trk")));
            if (grow) {
                // A file that changed since it was indexed is read forward.
                QFile f(QDir(h.window->trackFolder()).filePath(QStringLiteral("i.trk")));
                EXPECT_TRUE(f.open(QIODevice::Append));
                f.write("H  appended\r\n");
            }
            h.runTick();
            h.loader().goToRecord(target);
            Outcome o{h.state().replayActive, h.state().recordIndex, h.state().segmentCount, h.state().trackName, {}};
            const qsizetype before = h.channel.sent.size();
            for (int i = 0; i < 5 && h.state().replayActive && h.channel.sent.size() == before; ++i)
                h.runTick();
            if (h.channel.sent.size() > before)
                o.next = lastRmc(h);
            return o;
        };
        const Outcome indexed = run(false);
        const Outcome read = run(true);
        EXPECT_EQ(indexed.active, read.active) << target;
        EXPECT_EQ(indexed.index, read.index) << target;
        EXPECT_EQ(indexed.segments, read.segments) << target;
        EXPECT_EQ(indexed.name, read.name) << target;
        EXPECT_EQ(indexed.next, read.next) << target;
        if (target < 60) {
            EXPECT_EQ(rmcField(indexed.next, 1), ownTime(target + 1)) << target;
        } else {
            EXPECT_TRUE(indexed.next.isEmpty()) << target;
        }
    }
}

TEST(TrackReplayWindow, LastFollowsTheGrowingFileWithoutEndingIt)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("grow.trk"), ownFile(3));
    ASSERT_TRUE(h.load(QStringLiteral("grow.trk")));
    h.ui().abstand[1]->click(); // "x 4" before following: nothing to pass over then
    h.ui().last->click();
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(3));
    EXPECT_EQ(h.tick().timer1Interval(), 6000);
    QFile f(QDir(h.window->trackFolder()).filePath(QStringLiteral("grow.trk")));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(ownRecord(4) + "\r\n");
    f.close();
    h.runTick();
    EXPECT_TRUE(h.state().replayActive);
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(4));
    ASSERT_TRUE(QFile::remove(f.fileName()));
    h.runTick();
    EXPECT_FALSE(h.state().replayActive);
}

TEST(TrackReplayWindow, LogWithoutRmcReplaysItsCompanionAndLeavesTheUsersFilesAlone)
{
    ReplayHarness h;
    fixClock(h);
    const QByteArray log = zvtest::readTestData(QStringLiteral("tracks/gpsd_hemi.log"));
    ASSERT_FALSE(log.isEmpty());
    h.addFile(QStringLiteral("gpsd_hemi.log"), log);
    h.addFile(QStringLiteral("gpsd_hemi.RMC"), "the user's own file\r\n");
    ASSERT_TRUE(h.load(QStringLiteral("gpsd_hemi.log")));
    const QString companion = h.state().trackPath;
    EXPECT_TRUE(companion.endsWith(QStringLiteral(".RMC"))) << companion.toStdString();
    EXPECT_NE(QFileInfo(companion).fileName(), QStringLiteral("gpsd_hemi.RMC"));
    EXPECT_TRUE(QFileInfo::exists(companion));
    for (int i = 0; i < 5; ++i)
        h.runTick();
    const auto rmcs = sentOfType(h, "$GPRMC");
    ASSERT_FALSE(rmcs.isEmpty());
    EXPECT_EQ(rmcField(rmcs.first(), 9), QByteArray("071226"));
    static_cast<QAbstractButton*>(h.ui().stopA)->click();
    EXPECT_FALSE(h.state().replayActive);
    EXPECT_FALSE(QFileInfo::exists(companion));
    const QDir folder(h.window->trackFolder());
    QFile original(folder.filePath(QStringLiteral("gpsd_hemi.log")));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), log);
    QFile users(folder.filePath(QStringLiteral("gpsd_hemi.RMC")));
    ASSERT_TRUE(users.open(QIODevice::ReadOnly));
    EXPECT_EQ(users.readAll(), QByteArray("the user's own file\r\n"));
}

TEST(TrackReplayWindow, LogStillWithoutRmcAfterConversionStopsInOrder)
{
    ReplayHarness h;
    // The only VTG comes after the last GGA: no RMC can be built.
    h.addFile(QStringLiteral("late.log"), zv::frameSentence("GPGGA,120000,4807.000,N,01131.000,E,1,08,0.9,100,M,,M,,")
                                              + "\r\n" + zv::frameSentence("GPVTG,090,T,,M,5.0,N,9.3,K") + "\r\n");
    EXPECT_FALSE(h.load(QStringLiteral("late.log")));
    ASSERT_EQ(h.dialogs.shown.size(), 1);
    EXPECT_EQ(h.dialogs.shown[0].text, QStringLiteral("No RMC or GGA-Data"));
    EXPECT_EQ(QDir(h.window->trackFolder()).entryList(QDir::Files), QStringList{"late.log"});
    EXPECT_TRUE(h.ui().file1->isEnabled());
}

TEST(TrackReplayWindow, GpxReplaysThroughACompanionRemovedAtStop)
{
    ReplayHarness h;
    fixClock(h);
    h.addFile(QStringLiteral("track.gpx"), zvtest::readTestData(QStringLiteral("xmltracks/track.gpx")));
    EXPECT_EQ(h.ui().file1->findItems(QStringLiteral("track.gpx"), Qt::MatchExactly).size(), 1);
    ASSERT_TRUE(h.load(QStringLiteral("track.gpx")));
    EXPECT_EQ(h.state().trackFormat, QStringLiteral("Zelvan"));
    const QString companion = h.state().trackPath;
    EXPECT_TRUE(QFileInfo::exists(companion));
    EXPECT_EQ(h.ui().fileL->text(), QStringLiteral("track"));
    h.runTick();
    // The first point, where the track starts.
    EXPECT_EQ(lastRmc(h).mid(7, 38), QByteArray("235800,A,0000.180,N,00000.180,W,,000,3"));
    h.runToEnd();
    EXPECT_FALSE(QFileInfo::exists(companion));
    EXPECT_EQ(QDir(h.window->trackFolder()).entryList(QDir::Files), QStringList{"track.gpx"});

    // A file that is no GPX: the reason in the list, nothing left behind.
    h.addFile(QStringLiteral("broken.gpx"), "<gpx><trk><trkseg><trkpt lat=\"1\"");
    EXPECT_FALSE(h.load(QStringLiteral("broken.gpx")));
    ASSERT_EQ(h.list1().size(), 1);
    EXPECT_FALSE(h.list1().first().isEmpty());
    EXPECT_EQ(QDir(h.window->trackFolder()).entryList(QDir::Files), (QStringList{"broken.gpx", "track.gpx"}));
    EXPECT_TRUE(h.ui().file1->isEnabled());
}

TEST(TrackReplayWindow, DamagedTrackFilesNeitherCrashNorHang)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"d.plt", "OziExplorer Track Point File Version 2.1\r\n ,\r\n -\r\n \r\n 1,2,3,4,5,6,7,8,9\r\n"},
        {"d.kml", "<kml xmlns=\"x\">\r\n,\r\n1,\r\n,2\r\n1,2,3,4\r\n</kml>\r\n"},
        {"d.trk", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123\r\nT\r\nT  N\r\n"
                  "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;12;\r\n"},
        {"e.trk", QByteArray("T  +48.1234567 +011.1234567 31-DEC-79 23:59:50 0512\r\n") + QByteArray(5000, 'T')
                      + QByteArray("\r\n\0\0\r\n", 6)},
    };
    for (const auto& [name, bytes] : cases) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(name), bytes);
        h.load(QString::fromLatin1(name));
        EXPECT_LT(h.runToEnd(1000), 1000);
        for (const QByteArray& s : h.channel.sent)
            EXPECT_TRUE(zv::hasValidChecksum(s)) << name << ": " << s.constData();
    }
}

namespace {

// Own-format record at a place and second: "T  N48 07.0000 E011 34.0000 ...".
QByteArray ownAt(int latDeg, double latMin, int lonDeg, double lonMin, int second)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "T  N%02d %07.4f E%03d %07.4f Mon Jan 05 12:%02d:%02d 2005 ;500;", latDeg, latMin,
                  lonDeg, lonMin, second / 60, second % 60);
    return buf;
}

// The first track heads north at 18.55 m a second; the second starts a degree
// north-east of it one second later and heads north as well.
QByteArray twoTracksOwn(const QByteArray& between)
{
    QByteArray out = "I Zelvan V1.0.0\r\nL  New Header: A\r\nN  New Track Segment\r\n";
    for (int k = 0; k < 3; ++k)
        out += ownAt(48, 7 + 0.01 * k, 11, 34, k) + "\r\n";
    out += between;
    for (int k = 3; k < 6; ++k)
        out += ownAt(49, 7 + 0.01 * k, 12, 34, k) + "\r\n";
    return out;
}

QByteArray twoTracksGpx(const char* between)
{
    QByteArray out = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\"><trk><trkseg>\n";
    for (int k = 0; k < 6; ++k) {
        if (k == 3)
            out += between;
        out += QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><time>2005-01-05T12:00:%3Z</time></trkpt>\n")
                   .arg((k < 3 ? 48.1 : 49.1) + k * 0.01 / 60, 0, 'f', 7)
                   .arg(k < 3 ? 11.5 : 12.5, 0, 'f', 1)
                   .arg(k, 2, 10, QLatin1Char('0'))
                   .toLatin1();
    }
    return out + "</trkseg></trk></gpx>\n";
}

double knotsOf(const QByteArray& rmc)
{
    return rmcField(rmc, 7).toDouble();
}

} // namespace

TEST(TrackReplayWindow, NoSpeedOrCourseIsDerivedAcrossATrackBreak)
{
    const QByteArray ozi = "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\nReserved 3\r\n"
                           "0,2,255,T,0,0,2,8421376\r\n0\r\n"
                           "  48.100000,  11.500000,1, 1640.0,38357.5000000, 05-Jan-05, 12:00:00\r\n"
                           "  48.100167,  11.500000,0, 1640.0,38357.5000116, 05-Jan-05, 12:00:01\r\n"
                           "  48.100333,  11.500000,0, 1640.0,38357.5000231, 05-Jan-05, 12:00:02\r\n"
                           "  49.100500,  12.500000,1, 1640.0,38357.5000347, 05-Jan-05, 12:00:03\r\n"
                           "  49.100667,  12.500000,0, 1640.0,38357.5000463, 05-Jan-05, 12:00:04\r\n"
                           "  49.100833,  12.500000,0, 1640.0,38357.5000579, 05-Jan-05, 12:00:05\r\n";
    const struct {
        const char* what;
        const char* file;
        QByteArray bytes;
    } cases[] = {
        {"segment mark", "n.trk", twoTracksOwn("N  New Track Segment\r\n")},
        {"second track", "l.trk", twoTracksOwn("L  New Header: B\r\n")},
        {"OziExplorer track-break flag", "b.plt", ozi},
        {"GPX segments", "s.gpx", twoTracksGpx("</trkseg><trkseg>\n")},
        {"GPX tracks", "t.gpx", twoTracksGpx("</trkseg></trk><trk><trkseg>\n")},
    };
    for (const auto& c : cases) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(c.file), c.bytes);
        ASSERT_TRUE(h.load(QString::fromLatin1(c.file))) << c.what;
        h.runToEnd(100);
        const auto rmcs = sentOfType(h, "$GPRMC");
        ASSERT_EQ(rmcs.size(), 6) << c.what;
        for (const QByteArray& rmc : rmcs)
            EXPECT_LT(knotsOf(rmc), 50) << c.what << ": " << rmc.constData();
        // The first record after the break: no speed, the course of the track before.
        EXPECT_EQ(rmcField(rmcs[3], 7), QByteArray()) << c.what;
        EXPECT_EQ(rmcField(rmcs[3], 8), QByteArray("000")) << c.what;
        EXPECT_EQ(rmcField(rmcs[4], 8), QByteArray("000")) << c.what;
        EXPECT_NEAR(knotsOf(rmcs[4]), 36, 1) << c.what;
        EXPECT_LT(h.state().tripMeters, 200) << c.what;
    }
}

TEST(TrackReplayWindow, LinesThatAreNoRecordsArePassedWithinTheTick)
{
    QByteArray kml = "<?xml version=\"1.0\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n";
    for (int i = 0; i < 500; ++i)
        kml += "<Style id=\"s" + QByteArray::number(i) + "\"></Style>\r\n";
    kml += "<Placemark><name>p</name><LineString><coordinates>\r\n";
    QByteArray own = "I Zelvan V1.0.0\r\n";
    for (int k = 0; k < 10; ++k) {
        for (int i = 0; i < (k == 5 ? 300 : 2); ++i) {
            kml += "<!-- tag line -->\r\n";
            own += "H  comment\r\n";
        }
        kml += QByteArray("11.5,48.") + QByteArray::number(1000 + k) + ",500\r\n";
        own += ownRecord(k + 1) + "\r\n";
    }
    kml += "</coordinates></LineString></Placemark>\r\n</Document>\r\n</kml>\r\n";
    for (const auto& [name, bytes] : {std::pair{"tags.kml", kml}, std::pair{"comments.trk", own}}) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(name), bytes);
        ASSERT_TRUE(h.load(QString::fromLatin1(name))) << name;
        EXPECT_EQ(h.state().trackFormat, QString::fromLatin1(name[0] == 't' ? "KML" : "Zelvan")) << name;
        EXPECT_EQ(h.state().recordTotal, 11) << name;
        // Every tick sends one record, however many lines lie before it.
        for (int k = 1; k <= 10; ++k) {
            h.runTick();
            EXPECT_EQ(sentOfType(h, "$GPRMC").size(), k) << name;
            EXPECT_EQ(h.state().recordIndex, k) << name;
        }
        h.runTick();
        EXPECT_FALSE(h.state().replayActive) << name;
    }
}

TEST(TrackReplayWindow, TextTracksWithAByteOrderMarkReplay)
{
    const QByteArray bom = "\xEF\xBB\xBF";
    const struct {
        const char* file;
        QByteArray bytes;
        int rmcs;
    } cases[] = {
        {"bom.plt",
         bom + "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\nReserved 3\r\n"
               "0,2,255,T,0,0,2,8421376\r\n0\r\n"
               "  48.100000,  11.500000,1, 1640.0,38357.5000000, 05-Jan-05, 12:00:00\r\n"
               "  48.100200,  11.500000,0, 1640.0,38357.5000116, 05-Jan-05, 12:00:01\r\n",
         2},
        {"bom.trk", bom + ownFile(3), 3},
        {"bom.log",
         bom + zv::frameSentence("GPRMC,120000,A,4807.038,N,01131.000,E,1.0,090.0,050105,,") + "\r\n"
             + zv::frameSentence("GPRMC,120001,A,4807.038,N,01131.001,E,1.0,090.0,050105,,") + "\r\n",
         2},
    };
    for (const auto& c : cases) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(c.file), c.bytes);
        ASSERT_TRUE(h.load(QString::fromLatin1(c.file))) << c.file << ": " << h.list1().join(u'|').toStdString();
        h.runToEnd(100);
        EXPECT_EQ(sentOfType(h, "$GPRMC").size(), c.rmcs) << c.file;
    }
}

TEST(TrackReplayWindow, TrackFilesWithoutAnyUsablePointAreRefusedWithAReason)
{
    const QByteArray oziHead = "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
                               "Reserved 3\r\n0,2,255,T,0,0,2,8421376\r\n0\r\n";
    const struct {
        const char* file;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"comma.plt", oziHead + "38,722149,69,321493,0,2284,0,42135,6794792,11-May-15,16:18:27\r\n", "No track points !"},
        {"padded.plt", oziHead + "  38,722149,  69,321493,0,  2284,0,42135,6794792, 11-May-15, 16:18:27\r\n",
         "No track points !"},
        {"header.plt", oziHead, "No track points !"},
        {"cut.trk", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123\r\n", "No track points !"},
        {"grid.trk", "T  15R  633951.5  3326484.2 Sat May 25 17:06:21 2002 ;3.280840;\r\n",
         "No positions in degrees (UTM grid?) !"},
        // TTQV-PCX south of the equator reads as PCX5: "-" and "+" are no hemispheres.
        {"south.trk", "H  TTQV-PCX export\r\nT  -33.8765432 +151.2109876 05-JAN-05 12:34:56 0042\r\n",
         "No positions in degrees (UTM grid?) !"},
    };
    for (const auto& c : cases) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(c.file), c.bytes);
        EXPECT_FALSE(h.load(QString::fromLatin1(c.file))) << c.file;
        EXPECT_TRUE(h.list1().contains(QString::fromLatin1(c.reason))) << c.file << ": " << h.list1().join(u'|').toStdString();
        EXPECT_TRUE(h.channel.sent.isEmpty()) << c.file;
        EXPECT_TRUE(h.ui().file1->isEnabled()) << c.file;
    }
}

TEST(TrackReplayWindow, TracksWithoutTimesSendNoSpeed)
{
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\"><rte>\n";
    QByteArray kml = "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark><LineString><coordinates>\r\n";
    for (int k = 0; k < 5; ++k) {
        gpx += "<rtept lat=\"48.1" + QByteArray::number(k) + "\" lon=\"11.5\"/>\n";
        kml += "11.5,48.1" + QByteArray::number(k) + ",500\r\n";
    }
    gpx += "</rte></gpx>\n";
    kml += "</coordinates></LineString></Placemark></kml>\r\n";
    for (const auto& [name, bytes] : {std::pair{"route.gpx", gpx}, std::pair{"line.kml", kml}}) {
        ReplayHarness h;
        // A clock a second on at every look: KML records are dated by it.
        QDateTime clock = kNow;
        h.window->trackReplay().setClock([&clock] { return clock = clock.addSecs(1); });
        h.addFile(QString::fromLatin1(name), bytes);
        ASSERT_TRUE(h.load(QString::fromLatin1(name))) << name;
        h.runToEnd(100);
        const auto rmcs = sentOfType(h, "$GPRMC");
        ASSERT_EQ(rmcs.size(), 5) << name;
        for (const QByteArray& rmc : rmcs) {
            EXPECT_EQ(rmcField(rmc, 7), QByteArray()) << name << ": " << rmc.constData();
            EXPECT_EQ(rmcField(rmc, 8), QByteArray("000")) << name << ": " << rmc.constData();
        }
        for (const QByteArray& vtg : sentOfType(h, "$GPVTG"))
            EXPECT_EQ(vtg.left(22), QByteArray("$GPVTG,000,T,,M,,N,,K*")) << name;
    }
}

// Composed speeds come from the file's own positions and times: no track file
// of the test data sends more than 1,000 knots unless consecutive records
// (their sent times and positions) give it. ZV_SPEED_CHECK_DIR adds a folder.
TEST(TrackReplayWindow, NoTrackFileSendsASpeedItsPointsDoNotGive)
{
    QStringList roots{QStringLiteral(ZV_TEST_DATA_DIR)};
    if (qEnvironmentVariableIsSet("ZV_SPEED_CHECK_DIR"))
        roots << qEnvironmentVariable("ZV_SPEED_CHECK_DIR");
    QSet<QByteArray> seen;
    int tracks = 0;
    for (const QString& root : roots) {
        for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly) || f.size() > (64 << 20))
                continue;
            const QByteArray bytes = f.readAll();
            if (seen.contains(QCryptographicHash::hash(bytes, QCryptographicHash::Md5)))
                continue;
            seen.insert(QCryptographicHash::hash(bytes, QCryptographicHash::Md5));
            ReplayHarness h;
            fixClock(h);
            h.addFile(QFileInfo(path).fileName(), bytes);
            if (!h.load(QFileInfo(path).fileName()) || h.state().fileKind != FileKindTrack)
                continue; // logs are passed on as they are
            ++tracks;
            h.runToEnd(2000000);
            double worst = 0;
            std::optional<std::pair<QDateTime, QPointF>> previous;
            for (const QByteArray& rmc : sentOfType(h, "$GPRMC")) {
                const auto degrees = [](const QByteArray& v, const QByteArray& h) {
                    const double d = std::floor(v.toDouble() / 100) + std::fmod(v.toDouble(), 100) / 60;
                    return h == "S" || h == "W" ? -d : d;
                };
                const QPointF at(degrees(rmcField(rmc, 5), rmcField(rmc, 6)), degrees(rmcField(rmc, 3), rmcField(rmc, 4)));
                const QDateTime when(QDate::fromString(QString::fromLatin1(rmcField(rmc, 9)), QStringLiteral("ddMMyy")),
                                     QTime::fromString(QString::fromLatin1(rmcField(rmc, 1)), QStringLiteral("HHmmss")),
                                     Qt::UTC);
                const double knots = knotsOf(rmc);
                worst = std::max(worst, knots);
                if (knots > 1000) {
                    // What the two records give: metres over seconds, in knots.
                    ASSERT_TRUE(previous) << path.toStdString() << ": " << rmc.constData();
                    const double seconds = std::abs(previous->first.secsTo(when));
                    const double dLon = std::remainder(at.x() - previous->second.x(), 360.0);
                    const double metres = 1855 * 60
                        * std::hypot(at.y() - previous->second.y(), dLon * std::cos(at.y() * M_PI / 180));
                    EXPECT_GE(metres / std::max(seconds, 1.0) * 3.6 / 1.852 * 1.05, knots)
                        << path.toStdString() << ": " << rmc.constData();
                }
                previous = {when, at};
            }
            std::cout << "  " << QDir(root).relativeFilePath(path).toStdString() << ": highest " << worst << " kn\n";
        }
    }
    EXPECT_GE(tracks, 20);
}
