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
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

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
    EXPECT_EQ(h.state().recordTotal, 3);
    EXPECT_TRUE(h.ui().autoSkip->isEnabled()); // an "N" line after the first record
    EXPECT_FALSE(h.ui().data[DataRmb]->isEnabled());

    h.runTick();
    const QByteArray rmc = zv::frameSentence("GPRMC,123506,A,4807.090,N,01134.600,E,,000,050105,000.0,E");
    const QByteArray gga = zv::frameSentence("GPGGA,123506,4807.090,N,01134.600,E,1,12,1.0,,M,,M,,");
    const QByteArray vtg = zv::frameSentence("GPVTG,000,T,,M,,N,,K");
    EXPECT_EQ(h.list1(), (QStringList{"Zelvan: Ride", "T  N48 07.0900 E011 34.6000 Mon Jan 05 12:35:06 2005 ;1E+25;",
                                      " ", QString::fromLatin1(rmc), QString::fromLatin1(gga),
                                      QString::fromLatin1(vtg), "$PGRMM,WGS 84*06"}));
    EXPECT_EQ(h.channel.sent, (QList<QByteArray>{rmc, gga, vtg, "$PGRMM,WGS 84*06"}));
    EXPECT_EQ(h.state().recordIndex, 1);
    EXPECT_EQ(h.ui().fileL->text(), QStringLiteral(" Ride"));

    // The segment mark: listed as a header only, counted, passed over at 10 ms.
    h.runTick();
    EXPECT_EQ(h.list1(), (QStringList{"Zelvan: Ride", " "}));
    EXPECT_EQ(h.state().segmentCount, 1);
    EXPECT_EQ(h.tick().timer1Interval(), 10);
    EXPECT_EQ(h.state().recordIndex, 1);

    // The receiver's null time: time 000000 and no date.
    h.runTick();
    EXPECT_EQ(h.list1().value(0), QStringLiteral("Zelvan  (1): Ride"));
    EXPECT_EQ(rmcField(lastRmc(h), 1), QByteArray("000000"));
    EXPECT_EQ(rmcField(lastRmc(h), 9), QByteArray());
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
        {"tracks/handmade_g7towin.trk", "G7ToWin", 3, 2},
        {"tracks/handmade_gardown.trk", "Gardown", 3, 2},
        {"tracks/handmade_ttqv.trk", "TTQV-PCX", 4, 3},
        {"tracks/handmade_ttqv_south.trk", "PCX5", 2, 1},
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
        // Every record after the replay's start point goes out once.
        EXPECT_GE(rmcs.size(), total - 2) << c.file;
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
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(2));
    EXPECT_EQ(h.state().recordIndex, 4);
    EXPECT_EQ(h.channel.sent.size(), 4);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(6));
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
    h.runTick(); // record 2
    h.runTick(); // record 3
    h.runTick(); // record 4
    EXPECT_GT(h.state().tripMeters, 30);
    EXPECT_FALSE(h.ui().tripL->text().isEmpty());
    h.runTick(); // the mark
    EXPECT_EQ(h.state().segmentCount, 1);
    EXPECT_EQ(h.state().tripMeters, 0);
    EXPECT_TRUE(h.ui().tripL->text().isEmpty());
    h.runTick(); // the name
    EXPECT_EQ(h.state().trackName, QStringLiteral(" Two"));
    EXPECT_EQ(h.list1(), QStringList{" "});
    h.runTick(); // record 5: first of the new trip, no speed derived
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
        h.runTick(); // record 2
        h.ui().autoSkip->click();
        EXPECT_FALSE(h.ui().autoSkip->isChecked());
        EXPECT_EQ(h.state().recordIndex, 4); // records 3, 4 and 5 passed
        EXPECT_EQ(h.state().segmentCount, 1);
        h.runTick(); // the name
        h.runTick();
        EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(6));
        EXPECT_EQ(h.list1().value(0), QStringLiteral("Zelvan  (1): Two"));
    }
    {
        // OziExplorer: to the record that carries the track-break flag.
        ReplayHarness h;
        ASSERT_TRUE(h.loadData(QStringLiteral("tracks/gpsbabel/two_tracks_packed.plt")));
        while (h.channel.sent.isEmpty() && h.state().replayActive)
            h.runTick(); // the header lines after "OziExplorer", then record 1
        ASSERT_EQ(h.state().recordIndex, 1);
        ASSERT_TRUE(h.ui().autoSkip->isEnabled());
        h.ui().autoSkip->click();
        EXPECT_EQ(h.state().recordIndex, 9);
        h.runTick();
        EXPECT_EQ(rmcField(lastRmc(h), 3), QByteArray("4807.044"));
    }
}

TEST(TrackReplayWindow, JumpsBackRestartAndGaugeClickLandWhereReadingWould)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("j.trk"), ownFile(200));
    ASSERT_TRUE(h.load(QStringLiteral("j.trk")));
    EXPECT_EQ(h.state().recordTotal, 200);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(2));
    h.ui().skip2->click(); // 100 records
    EXPECT_EQ(h.state().recordIndex, 101);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(103));
    h.ui().back->click(); // to record 52
    EXPECT_EQ(h.state().recordIndex, 52);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(54));
    // The first record after a jump derives no speed across it.
    EXPECT_EQ(h.state().tripMeters, 0);

    h.ui().gauge2->resize(400, 18);
    Q_EMIT h.ui().gauge2->clickedAt(200); // 200 * 0.5 * 1.02 = 102
    EXPECT_EQ(h.state().recordIndex, 102);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(104));

    h.ui().restart->click();
    EXPECT_EQ(h.state().recordIndex, 0);
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(2));

    h.ui().back->click(); // below 0: the start, record lines kept out of the list
    h.runTick();
    EXPECT_EQ(rmcField(lastRmc(h), 1), ownTime(2));
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
        if (target < 59) {
            EXPECT_EQ(rmcField(indexed.next, 1), ownTime(target + 2)) << target;
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
    // The second point (the first is the replay's start point).
    EXPECT_EQ(lastRmc(h).mid(7, 38), QByteArray("235810,A,0000.163,N,00000.163,W,,000,3"));
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
