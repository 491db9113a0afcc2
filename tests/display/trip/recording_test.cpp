#include "display/trip/recording.h"
#include "display/trip/trip_statistics.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"
#include "trip_feed.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <clocale>
#include <cmath>
#include <random>

using vur::TripState;
using vur::TripStatistics;

namespace {

const QString kRealLog = QStringLiteral(ZV_TEST_DATA_DIR "/vurtrip/gpsd_garmin-geko201.log");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything a recording restores and the read-outs show, field by field.
void expectSameTrip(const TripStatistics& a, const TripStatistics& b)
{
    const TripState& x = a.state();
    const TripState& y = b.state();
    EXPECT_EQ(x.speed, y.speed);
    EXPECT_EQ(x.altitude, y.altitude);
    EXPECT_EQ(x.route, y.route);
    EXPECT_EQ(x.maxSpeed, y.maxSpeed);
    EXPECT_EQ(std::floor(x.avgSpeed), y.avgSpeed);
    EXPECT_EQ(x.travelTime, y.travelTime);
    EXPECT_EQ(x.drivingTime, y.drivingTime);
    EXPECT_EQ(x.maxAltitude, y.maxAltitude);
    EXPECT_EQ(x.minAltitude, y.minAltitude);
    EXPECT_EQ(x.distanceKm, y.distanceKm);
    EXPECT_EQ(x.airDistance, y.airDistance);
    EXPECT_EQ(x.lat0Sec, y.lat0Sec);
    EXPECT_EQ(x.lon0Sec, y.lon0Sec);
    EXPECT_EQ(x.clockText, y.clockText);
    EXPECT_EQ(x.dateText, y.dateText);
    EXPECT_EQ(a.texts(), b.texts());
}

struct RecordingFixture : ::testing::Test {
    zvtest::ScriptedDialogs dialogs;
    TripStatistics trip{dialogs};
    QTemporaryDir dir;
};

using RecordingRoundTrip = RecordingFixture;
using RecordingLoad = RecordingFixture;
using RecordingSave = RecordingFixture;

} // namespace

TEST_F(RecordingRoundTrip, RealLogSavesResetsAndLoadsTheSameTrip)
{
    const QByteArrayList lines = vurtest::readLines(kRealLog);
    ASSERT_FALSE(lines.isEmpty());
    // The first RMC comes before the first GGA and is not taken.
    EXPECT_EQ(vurtest::feedLines(trip, lines), 17);
    // The Geko drives north at 10.8 kn, west of Greenwich.
    EXPECT_LT(trip.state().lon0Sec, 0);
    EXPECT_GT(trip.state().route.count, 10);
    EXPECT_GT(trip.state().speed.points, 10);
    EXPECT_GT(trip.state().altitude.points, 10);
    EXPECT_EQ(trip.texts().SPDmax, QStringLiteral("20"));
    EXPECT_EQ(trip.texts().RZ, QStringLiteral(" 0:00"));
    EXPECT_EQ(trip.state().travelTime, 32); // 17 RMCs 2 s apart
    EXPECT_EQ(trip.texts().NNmax, QStringLiteral("695"));

    zvtest::ScriptedDialogs copyDialogs;
    TripStatistics live(copyDialogs);
    vurtest::feedLines(live, lines);

    ASSERT_TRUE(trip.save(dir.path(), QStringLiteral("madrid")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("madrid.dat"))));
    trip.reset();
    EXPECT_EQ(trip.state().route.count, 0);
    QString gpss;
    ASSERT_TRUE(trip.load(dir.path(), QStringLiteral("madrid"), &gpss));
    EXPECT_EQ(gpss, TripStatistics::kLoadingText);
    expectSameTrip(live, trip);

    // Saving the loaded trip writes the same bytes again.
    ASSERT_TRUE(trip.save(dir.path(), QStringLiteral("again.dat")));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("again.dat"))), readFile(dir.filePath(QStringLiteral("madrid.dat"))));
}

TEST_F(RecordingRoundTrip, LayoutHasTheDocumentedLines)
{
    vurtest::feedLines(trip, vurtest::readLines(kRealLog));
    const QByteArray bytes = vur::writeRecording(trip.state());
    const QByteArrayList lines = bytes.split('\n');
    ASSERT_GT(lines.size(), 913);
    for (const QByteArray& l : lines.mid(0, lines.size() - 1))
        EXPECT_TRUE(l.endsWith('\r'));
    EXPECT_EQ(lines[452].trimmed(), QByteArray::number(trip.state().speed.points));
    EXPECT_EQ(lines[905].trimmed(), QByteArray::number(trip.state().altitude.points));
    // Values of one line stand in 14-character print zones.
    EXPECT_EQ(lines[906].mid(0, 4), QByteArray(" 20 "));
    EXPECT_EQ(lines[906].at(14), ' ');
    EXPECT_NE(lines[906].at(15), ' ');
    EXPECT_EQ(lines[909].chopped(1), trip.state().clockText.toLatin1());
    EXPECT_EQ(lines[910].chopped(1), trip.state().dateText.toLatin1());
    // n + 1 route pairs.
    EXPECT_EQ(lines.size() - 1, 912 + trip.state().route.count + 1);
}

TEST_F(RecordingRoundTrip, NumbersAreWrittenInTheCLocaleWithFullPrecision)
{
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is needed (package locales)";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TripState t;
    t.lat0Sec = 174423.12345678901;
    t.lon0Sec = -12345.6789012345;
    t.distanceKm = 1234.56789;
    t.travelTime = 12.5;
    const QByteArray bytes = vur::writeRecording(t);
    const std::optional<TripState> back = vur::parseRecording(bytes);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(back);
    EXPECT_FALSE(bytes.contains(','));
    EXPECT_EQ(back->lat0Sec, t.lat0Sec);
    EXPECT_EQ(back->lon0Sec, t.lon0Sec);
    EXPECT_EQ(back->distanceKm, t.distanceKm);
    EXPECT_EQ(back->travelTime, t.travelTime);
}

TEST_F(RecordingLoad, DamagedFileLeavesTheLiveTripUntouched)
{
    vurtest::feedLines(trip, vurtest::readLines(kRealLog));
    const QByteArray good = vur::writeRecording(trip.state());
    const QByteArrayList goodLines = good.split('\n');
    auto firstLines = [&](int n) { return goodLines.mid(0, n).join('\n') + '\n'; };
    auto replaced = [&](int index, const QByteArray& line) {
        QByteArrayList l = goodLines;
        l[index] = line;
        return l.join('\n');
    };
    const struct {
        const char* what;
        std::optional<QByteArray> bytes; // nullopt: no file at all
    } cases[] = {
        {"missing file", std::nullopt},
        {"empty file", QByteArray()},
        {"cut in the speed profile", firstLines(300)},
        {"cut before the route", firstLines(911)},
        {"cut inside the route", firstLines(915)},
        {"letters for a speed value", replaced(10, " abc \r")},
        {"statistics line too short", replaced(906, " 20 \r")},
        {"route pair with one value", replaced(913, " 12 \r")},
        {"binary garbage", QByteArray(5000, '\xff')},
    };
    TripStatistics reference(dialogs);
    vurtest::feedLines(reference, vurtest::readLines(kRealLog));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("bad.dat"));
        QFile::remove(path);
        if (c.bytes)
            writeFile(path, *c.bytes);
        QString gpss;
        EXPECT_FALSE(trip.load(dir.path(), QStringLiteral("bad"), &gpss));
        EXPECT_EQ(gpss, TripStatistics::kLoadFailedText);
        expectSameTrip(reference, trip);
        EXPECT_EQ(vur::writeRecording(trip.state()), good);
    }
}

TEST_F(RecordingLoad, CountsAreClampedToTheArrays)
{
    TripState t;
    t.route.count = vur::Route::kCapacity;
    for (int i = 0; i < t.route.count; ++i) {
        t.route.x[i] = i;
        t.route.y[i] = -i;
    }
    QByteArrayList lines = vur::writeRecording(t).split('\n');
    lines[452] = " 9999 \r";     // speed points
    lines[905] = "-3 \r";        // altitude points
    lines[911] = " 5000           3             0 \r";
    const std::optional<TripState> back = vur::parseRecording(lines.join('\n'));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->speed.points, vur::Profile::kMaxPoints);
    EXPECT_EQ(back->altitude.points, 0);
    EXPECT_EQ(back->route.count, vur::Route::kCapacity);
    EXPECT_EQ(back->route.scale, 3);
    EXPECT_EQ(back->route.x[4000], 4000);
    EXPECT_EQ(back->route.y[4000], -4000);
}

TEST_F(RecordingLoad, OldStyleNumbersLoad)
{
    // Numbers as the old program printed them: ".5", "-.25", exponent form,
    // single-precision start points.
    TripState t;
    QByteArrayList lines = vur::writeRecording(t).split('\n');
    lines[0] = " 30 \r";
    lines[906] = " 87            61            32766         32766         1234          -5            12.34         1.5E+04 \r";
    lines[907] = " 174423.1\r";
    lines[908] = "-12345.5\r";
    lines[909] = "14:05\r";
    lines[910] = "SO 06.12.2026\r";
    const std::optional<TripState> back = vur::parseRecording(lines.join('\n'));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->speed.values[0], 30);
    EXPECT_EQ(back->maxSpeed, 87);
    EXPECT_EQ(back->avgSpeed, 61);
    EXPECT_EQ(back->travelTime, 32766);
    EXPECT_EQ(back->minAltitude, -5);
    EXPECT_DOUBLE_EQ(back->distanceKm, 12.34);
    EXPECT_EQ(back->airDistance, 15000);
    EXPECT_DOUBLE_EQ(back->lat0Sec, 174423.1);
    EXPECT_DOUBLE_EQ(back->lon0Sec, -12345.5);
    EXPECT_EQ(back->clockText, QStringLiteral("14:05"));
    EXPECT_EQ(back->dateText, QStringLiteral("SO 06.12.2026"));
    // STRweg shows the stored kilometres as they were shown live.
    EXPECT_EQ(back->distanceText, QStringLiteral("12.3"));
}

TEST(RecordingName, RefusesNamesOutsideTheFolderAndOwnFiles)
{
    const struct {
        const char* typed;
        std::optional<QString> name;
    } cases[] = {
        {"", QString()},
        {"   ", QString()},
        {" trip ", QStringLiteral("trip.dat")},
        {"trip.txt", QStringLiteral("trip.txt")},
        {"a/b", std::nullopt},
        {"a\\b", std::nullopt},
        {"..", std::nullopt},
        {"..trip", std::nullopt},
        {"c:trip", std::nullopt},
        {"Vur.log", std::nullopt},
        {"vur.LOG", std::nullopt},
        {"VUR.wpt", std::nullopt},
        {"Vur.ini", std::nullopt},
        {"Vur", QStringLiteral("Vur.dat")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QString error;
        const std::optional<QString> got = vur::recordingFileName(QString::fromUtf8(c.typed), &error);
        EXPECT_EQ(got, c.name);
        EXPECT_EQ(error.isEmpty(), c.name.has_value());
    }
}

TEST_F(RecordingSave, RefusedNameShowsAMessageAndWritesNothing)
{
    writeFile(dir.filePath(QStringLiteral("VUR.wpt")), "keep");
    EXPECT_FALSE(trip.save(dir.path(), QStringLiteral("VUR.wpt")));
    EXPECT_FALSE(trip.save(dir.path(), QStringLiteral("../escape")));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("VUR.wpt"))), QByteArray("keep"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("VUR.wpt")});
}

TEST_F(RecordingSave, UnwritableFolderIsReported)
{
    EXPECT_FALSE(trip.save(dir.filePath(QStringLiteral("no/such/folder")), QStringLiteral("trip")));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("trip.dat")));
}

TEST_F(RecordingRoundTrip, LongTripAtOneHertzAndHundredKmh)
{
    // 5000 s around a circle of 200 m (the route fills at scale 1), then
    // 35000 s straight north.
    constexpr int kEpochs = 40000;
    constexpr double v = 100.0 / 3.6;
    const double lat0 = 48 * 3600.0, lon0 = 11 * 3600.0;
    double north = 0, east = 0;
    for (int i = 0; i < kEpochs; ++i) {
        if (i < 5000) {
            const double a = i * v / 200.0;
            east = 200.0 * (1 - std::cos(a));
            north = 200.0 * std::sin(a);
        } else {
            north += v;
        }
        vur::TripRmc r;
        r.utcSecondsOfDay = 6 * 3600 + i;
        r.utcDate = QDate(2026, 6, 7);
        r.localSecondsOfDay = r.utcSecondsOfDay + 7200;
        r.speedKmh = 100;
        r.latSec = lat0 + north / 30.0;
        r.lonSec = lon0 + east / 21.0;
        r.clockText = QStringLiteral("8:00");
        r.dateText = QStringLiteral("SO 07.06.2026");
        trip.onGga(vur::TripGga{8, 500 + (i % 700)});
        trip.onRmc(r);
    }
    const TripState& s = trip.state();
    EXPECT_EQ(trip.texts().SPDavg, QStringLiteral("100"));
    EXPECT_EQ(trip.texts().SPDmax, QStringLiteral("100"));
    EXPECT_EQ(s.travelTime, kEpochs - 1);
    EXPECT_GT(s.travelTime, 32767);
    EXPECT_EQ(trip.texts().RZ, QStringLiteral(" 11:06"));
    EXPECT_EQ(trip.texts().FZ, QStringLiteral(" 11:06"));
    EXPECT_GT(s.airDistance, 32767);
    EXPECT_GT(trip.texts().STRluft.toDouble(), 32.7);
    EXPECT_EQ(s.route.count, vur::Route::kCapacity);
    EXPECT_EQ(s.speed.points, vur::Profile::kMaxPoints);
    EXPECT_NEAR(s.distanceKm, (kEpochs - 1) * 100.0 / 3600.0, 1e-6);
    EXPECT_EQ(trip.texts().NNmax, QStringLiteral("1199"));
    EXPECT_EQ(trip.texts().NNmin, QStringLiteral("500"));
    // The automatic scale has grown with the distance but still stores points.
    EXPECT_GT(s.route.scale, 10);

    zvtest::ScriptedDialogs d2;
    TripStatistics copy(d2);
    ASSERT_TRUE(trip.save(dir.path(), QStringLiteral("long")));
    ASSERT_TRUE(copy.load(dir.path(), QStringLiteral("long")));
    EXPECT_EQ(copy.state().route, s.route);
    EXPECT_EQ(copy.state().speed, s.speed);
    EXPECT_EQ(copy.state().altitude, s.altitude);
    EXPECT_EQ(copy.state().travelTime, s.travelTime);
    EXPECT_EQ(copy.state().airDistance, s.airDistance);
    EXPECT_EQ(copy.texts().RZ, trip.texts().RZ);
    EXPECT_EQ(copy.texts().STRluft, trip.texts().STRluft);
    EXPECT_EQ(copy.texts().STRweg, trip.texts().STRweg);
}

TEST(RecordingParse, MutatedFilesNeverBreakTheBounds)
{
    TripState t;
    t.route.count = 30;
    t.speed.points = 12;
    const QByteArray good = vur::writeRecording(t);
    std::mt19937 rng(20261207);
    const char alphabet[] = " ,.-+eE0123456789\r\nx\"";
    for (int round = 0; round < 300; ++round) {
        QByteArray b = good;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e)
            b[static_cast<qsizetype>(rng() % b.size())] = alphabet[rng() % (sizeof alphabet - 1)];
        if (rng() % 4 == 0)
            b.truncate(static_cast<qsizetype>(rng() % b.size()));
        const std::optional<TripState> r = vur::parseRecording(b);
        if (!r)
            continue;
        EXPECT_GE(r->speed.points, 0);
        EXPECT_LE(r->speed.points, vur::Profile::kMaxPoints);
        EXPECT_LE(r->altitude.points, vur::Profile::kMaxPoints);
        EXPECT_GE(r->route.count, 0);
        EXPECT_LE(r->route.count, vur::Route::kCapacity);
        EXPECT_GE(r->route.scale, vur::Route::kMinScale);
        EXPECT_LE(r->route.scale, vur::Route::kMaxScale);
    }
}

TEST_F(RecordingSave, FullDiskKeepsTheOlderRecordingAndSaysSo)
{
    const QString path = dir.filePath(QStringLiteral("tour.dat"));
    ASSERT_TRUE(trip.save(dir.path(), QStringLiteral("tour")));
    const QByteArray before = readFile(path);
    ASSERT_GT(before.size(), 4000);
    {
        zvtest::FileSizeLimit full(4000);
        ASSERT_TRUE(full.active());
        EXPECT_FALSE(trip.save(dir.path(), QStringLiteral("tour")));
    }
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Aufzeichnung nicht gespeichert: tour.dat\nFile too large"));
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("tour.dat")});
}
