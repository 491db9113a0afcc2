// Routes at a set speed: the path on the sphere, the files that give the
// points, one epoch's sentences and the run's steps along the path.
#include "common/nmea.h"
#include "sim/replay/replay_front_end.h"
#include "sim/replay/sentence_sink.h"
#include "sim/route/route_composer.h"
#include "sim/route/route_path.h"
#include "sim/route/route_points.h"
#include "sim/route/route_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

constexpr double kDegreeM = kMeanEarthRadiusM * 3.14159265358979323846 / 180.0;

QString dataPath(const char* relative)
{
    return QStringLiteral(ZV_TEST_DATA_DIR "/") + QString::fromLatin1(relative);
}

} // namespace

TEST(RoutePath, WalksGreatCircles)
{
    struct Row {
        const char* what;
        QList<RoutePoint> points;
        double distanceM;
        double lat, lon, course; // expected
        int leg;
        bool atEnd;
    };
    const double nearPole = 0.2 * kDegreeM; // over the pole from 89.9 N 0 E to 89.9 N 180 E
    const Row rows[] = {
        {"along the equator, halfway", {{0, 0}, {0, 1}}, kDegreeM / 2, 0, 0.5, 90, 0, false},
        {"along the equator, at the start", {{0, 0}, {0, 1}}, 0, 0, 0, 90, 0, false},
        {"a meridian southward", {{1, 10}, {-1, 10}}, kDegreeM, 0, 10, 180, 0, false},
        {"across 180 degrees the short way", {{0, 179.5}, {0, -179.5}}, kDegreeM / 2, 0, -180, 90, 0, false},
        {"across 180 degrees, on the west side", {{0, 179.5}, {0, -179.5}}, kDegreeM * 0.75, 0, -179.75, 90, 0, false},
        {"across 180 degrees westward", {{0, -179.9}, {0, 179.9}}, 0, 0, -179.9, 270, 0, false},
        {"over the pole, before it", {{89.9, 0}, {89.9, 180}}, nearPole * 0.25, 89.95, 0, 0, 0, false},
        {"over the pole, after it", {{89.9, 0}, {89.9, 180}}, nearPole * 0.75, 89.95, -180, 180, 0, false},
        {"near the south pole", {{-89.99, 45}, {-89.99, 46}}, 0, -89.99, 45, 90.5, 0, false},
        {"short legs: one step passes several points", {{0, 0}, {0, 0.00001}, {0, 0.00002}, {0, 0.00003}, {0, 1}},
         5.0, 0, 5.0 / kDegreeM, 90, 3, false},
        {"repeated points leave no leg", {{0, 0}, {0, 0}, {0, 1}, {0, 1}, {1, 1}}, kDegreeM * 1.5, 0.5, 1, 0, 1, false},
        {"beyond the end: the last point", {{0, 0}, {0, 1}}, kDegreeM * 3, 0, 1, 90, 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        QString why;
        const auto path = RoutePath::fromPoints(r.points, &why);
        ASSERT_TRUE(path) << why.toStdString();
        const RouteFix fix = path->at(r.distanceM);
        EXPECT_NEAR(fix.lat, r.lat, 1e-6);
        // -180 and 180 are one meridian.
        EXPECT_NEAR(std::remainder(fix.lon - r.lon, 360.0), 0.0, 1e-6) << fix.lon;
        EXPECT_TRUE(std::isfinite(fix.courseDeg));
        EXPECT_NEAR(fix.courseDeg, r.course, 0.01);
        EXPECT_GE(fix.lon, -180.0);
        EXPECT_LT(fix.lon, 180.0);
        EXPECT_EQ(fix.leg, r.leg);
        EXPECT_EQ(fix.atEnd, r.atEnd);
    }
    // Across 180 degrees the path is one degree long, not 359.
    EXPECT_NEAR(RoutePath::fromPoints({{0, 179.5}, {0, -179.5}})->lengthM(), kDegreeM, 1e-6);
}

TEST(RoutePath, RefusesWhatHasNoPath)
{
    struct Row {
        QList<RoutePoint> points;
        const char* why;
    };
    const Row rows[] = {
        {{}, "no points"},
        {{{48, 11}}, "two different places"},
        {{{48, 11}, {48, 11}, {48, 11}}, "two different places"},
        {{{0, 0}, {0, 180}}, "points 1 and 2 lie on opposite sides"},
        {{{10, 20}, {20, 20}, {-20, -160}}, "points 2 and 3 lie on opposite sides"},
        {{{0, 0}, {95, 0}}, "point 2 is no place"},
        {{{0, 0}, {std::nan(""), 0}}, "point 2 is no place"},
    };
    for (const Row& r : rows) {
        QString why;
        EXPECT_FALSE(RoutePath::fromPoints(r.points, &why));
        EXPECT_TRUE(why.contains(QLatin1String(r.why))) << why.toStdString();
    }
}

TEST(RoutePoints, LatLonLines)
{
    struct Row {
        const char* line;
        std::optional<RoutePoint> point;
    };
    const Row rows[] = {
        {"48.1173,11.57613", RoutePoint{48.1173, 11.57613}},
        {"  -54.8061 , -68.3039  ", RoutePoint{-54.8061, -68.3039}},
        {"90,-180", RoutePoint{90, -180}},
        {"90.0001,0", std::nullopt},
        {"0,180.5", std::nullopt},
        {"48,11,500", std::nullopt},
        {"48;11", std::nullopt},
        {"48,1,1", std::nullopt},
        {"N48,E11", std::nullopt},
        {"48,", std::nullopt},
        {"nan,0", std::nullopt},
        {"48,11 # here", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(parseLatLonLine(r.line), r.point) << r.line;
}

TEST(RoutePoints, ReadsTheFilesItIsGiven)
{
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& text) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    };
    struct Row {
        QString path;
        QString kind;     // empty when an error is expected
        int points;
        int skipped;
        const char* error; // part of the message
    };
    const Row rows[] = {
        {dataPath("route/track_route.gpx"), QStringLiteral("GPX route"), 20, 0, ""},
        {dataPath("route/two_tracks_wpt.gpx"), QStringLiteral("GPX waypoints"), 12, 0, ""},
        {dataPath("tracks/gpsbabel/two_tracks.gpx"), QStringLiteral("GPX track"), 12, 0, ""},
        {dataPath("tracks/gpsbabel/track.plt"), QStringLiteral("OziExplorer track"), 20, 0, ""},
        {dataPath("tracks/handmade_zelvan.trk"), QStringLiteral("Zelvan track"), 3, 0, ""},
        {dataPath("tracks/gk_catalina-linestring.kml"), QStringLiteral("KML track"), 0, 0, ""},
        {write("list.txt", "# harbour to lighthouse\r\n54.1,10.9\r\n\r\n  # turn\r\n54.2, 10.95\n54.3,11\n"),
         QStringLiteral("list of lat,lon"), 3, 0, ""},
        {write("badline.txt", "54.1,10.9\n54.2,10.95\n\n54.3;11\n"), {}, 0, 0, "badline.txt, line 4: \"54.3;11\""},
        {write("range.txt", "54.1,10.9\n91,10\n"), {}, 0, 0, "range.txt, line 2"},
        {write("empty.gpx", ""), {}, 0, 0, "empty"},
        {write("blank.txt", "\n  \n"), {}, 0, 0, "empty"},
        {write("nothing.gpx", "<gpx version=\"1.1\"><metadata/></gpx>"), {}, 0, 0, "no route, track or waypoint"},
        {write("broken.gpx", "<gpx><rte><rtept lat=\"1\" lon=\"2\"></rte>"), {}, 0, 0, "XML error in line 1"},
        {write("far.gpx", "<gpx><rte><rtept lat=\"91\" lon=\"2\"/><rtept lat=\"1\" lon=\"200\"/></rte></gpx>"), {}, 0,
         0, "none of its 2 points"},
        {write("one_far.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/><wpt lat=\"1\" lon=\"999\"/><wpt lat=\"2\" lon=\"2\"/></gpx>"),
         QStringLiteral("GPX waypoints"), 2, 1, ""},
        {write("notes.txt", "shopping list\nbread\n"), {}, 0, 0, "no route"},
        {dir.filePath(QStringLiteral("missing.gpx")), {}, 0, 0, "no such file"},
        {dir.path(), {}, 0, 0, "not a file"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path.toStdString());
        const RouteRead read = readRouteFile(r.path);
        if (r.kind.isEmpty()) {
            EXPECT_FALSE(read.ok());
            EXPECT_TRUE(read.error.contains(QLatin1String(r.error))) << read.error.toStdString();
            continue;
        }
        ASSERT_TRUE(read.ok()) << read.error.toStdString();
        EXPECT_EQ(read.kind, r.kind);
        if (r.points > 0)
            EXPECT_EQ(read.points.size(), r.points);
        else
            EXPECT_GT(read.points.size(), 10);
        EXPECT_EQ(read.skipped, r.skipped);
    }
    // The route, not the track GPSBabel kept beside it, and in its order.
    const RouteRead route = readRouteFile(dataPath("route/track_route.gpx"));
    EXPECT_EQ(route.points.first(), (RoutePoint{0.003, -0.003}));
    EXPECT_EQ(route.points.last(), (RoutePoint{-0.00251, 0.00251}));
}

TEST(RouteComposer, OneEpochInEveryLayout)
{
    RouteFix fix;
    fix.lat = 48.1173;
    fix.lon = -11.576130;
    fix.courseDeg = 359.97; // rounds to 0.0, never 360.0
    const QDateTime utc(QDate(2024, 5, 1), QTime(12, 0, 7), Qt::UTC);
    RouteComposeOptions options;
    options.altitudeM = 519;
    const RouteSentences s = composeRouteSentences(fix, 10.0, utc, options);
    const QList<SkySatellite> sky = satellitesInView(utc.toMSecsSinceEpoch());
    const QList<int> used = satellitesUsed(sky);
    ASSERT_GE(sky.size(), 9);
    ASSERT_LE(sky.size(), 14);
    ASSERT_GE(used.size(), 8);
    for (const SkySatellite& sat : sky) {
        EXPECT_GE(sat.elevation, 1);
        EXPECT_LE(sat.elevation, 90);
        EXPECT_GE(sat.azimuth, 0);
        EXPECT_LT(sat.azimuth, 360);
    }
    // 10 m/s is 19.4 knots and 36.0 km/h.
    EXPECT_EQ(s.rmc, zv::frameSentence("GPRMC,120007,A,4807.0380,N,01134.5678,W,019.4,000.0,010524,,E"));
    EXPECT_EQ(s.gga, zv::frameSentence("GPGGA,120007,4807.0380,N,01134.5678,W,1," + QByteArray::number(used.size()).rightJustified(2, '0')
                                       + ",1.5,519.0,M,46.8,M,,"));
    EXPECT_EQ(s.vtg, zv::frameSentence("GPVTG,000.0,T,,,19.4,N,36.0,K"));
    QByteArray gsa = "GPGSA,A,3,";
    for (int i = 0; i < 12; ++i)
        gsa += (i < used.size() ? QByteArray::number(used[i]).rightJustified(2, '0') : QByteArray()) + ',';
    EXPECT_EQ(s.gsa, zv::frameSentence(gsa + "2.5,1.5,2.0"));
    EXPECT_EQ(s.gsv.size(), (sky.size() + 3) / 4);
    int listed = 0;
    for (qsizetype m = 0; m < s.gsv.size(); ++m) {
        const QByteArray& gsv = s.gsv[m];
        EXPECT_EQ(zv::sentenceField(gsv, 1).toInt(), s.gsv.size());
        EXPECT_EQ(zv::sentenceField(gsv, 2).toInt(), m + 1);
        EXPECT_EQ(zv::sentenceField(gsv, 3).toInt(), sky.size());
        EXPECT_EQ(zv::sentenceField(gsv, 4).toInt(), sky[m * 4].prn);
        listed += int(gsv.count(',') - 3) / 4;
        EXPECT_LE(gsv.size(), 82);
    }
    EXPECT_EQ(listed, sky.size());
    EXPECT_EQ(s.selected, (QList<QByteArray>{s.rmc, s.gga, s.vtg, s.gsa} + s.gsv));
    for (const QByteArray& sentence : s.selected)
        EXPECT_TRUE(zv::hasValidChecksum(sentence)) << sentence.constData();

    // The sky moves slowly: a minute later most satellites are where they were.
    const QList<SkySatellite> later = satellitesInView(utc.addSecs(60).toMSecsSinceEpoch());
    for (const SkySatellite& sat : later) {
        for (const SkySatellite& before : sky) {
            if (sat.prn == before.prn) {
                EXPECT_LE(std::abs(sat.elevation - before.elevation), 1) << sat.prn;
            }
        }
    }

    // The choice of sentences and the talker.
    options.gga = options.gsv = false;
    options.talker = "GN";
    const RouteSentences chosen = composeRouteSentences(fix, 10.0, utc, options);
    ASSERT_EQ(chosen.selected.size(), 3);
    EXPECT_TRUE(chosen.selected[0].startsWith("$GNRMC,"));
    EXPECT_TRUE(chosen.selected[1].startsWith("$GNVTG,"));
    EXPECT_TRUE(chosen.selected[2].startsWith("$GNGSA,"));
}

TEST(RouteRun, StepsBySpeedEndsAtTheLastPointAndLoops)
{
    ReplayFrontEnd ui;
    SentenceSink sink(ui);
    RouteRun run(sink);
    run.setPath(*RoutePath::fromPoints({{0, 0}, {0, 25.0 / kDegreeM}}));
    run.setSpeed(10);
    run.setTiming({1, 100});
    run.setLoop(true);
    const QDateTime t0(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    // 25 m at 10 m/s: 0, 10, 20, then the end at 25, then the first point again.
    const double expected[] = {0, 10, 20, 25, 0, 10};
    qint64 sent = 0;
    for (int i = 0; i < 6; ++i) {
        const RouteEpoch e = run.sendEpoch(t0.addSecs(i));
        sent += e.sentences.selected.size();
        EXPECT_NEAR(e.distanceM, expected[i], 1e-6) << i;
        EXPECT_NEAR(e.fix.lon * kDegreeM, expected[i], 1e-6) << i;
        EXPECT_EQ(e.lap, i < 4 ? 0 : 1) << i;
        EXPECT_EQ(run.finished(), i == 3) << i;
    }
    EXPECT_EQ(sink.sentCount(), sent);
    EXPECT_GE(sent, 6 * 6);
}
