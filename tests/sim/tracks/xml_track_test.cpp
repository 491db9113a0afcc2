// The XML track reader on small documents, the own-format lines it turns
// into, and the companion rule.
#include "common/text_lines.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"
#include "sim/tracks/xml_track.h"
#include "sim/tracks/xml_track_convert.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(15, 0, 0), Qt::UTC);

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

XmlTrackRead readText(const QByteArray& text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return readXmlTrack(buffer);
}

QString writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(text);
    return path;
}

QByteArray fileText(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

} // namespace

TEST(XmlTrackTime, ReadsUtcOffsetsAndFractions)
{
    struct Case {
        const char* text;
        std::optional<QDateTime> expected;
    } cases[] = {
        {"2005-01-05T12:34:56Z", utc(2005, 1, 5, 12, 34, 56)},
        {"  2004-12-31T23:59:10.5Z\n", utc(2004, 12, 31, 23, 59, 10)}, // the fraction is cut, as receivers do
        {"2021-03-02T09:30:41.890Z", utc(2021, 3, 2, 9, 30, 41)},
        {"2005-01-05T12:34:56", utc(2005, 1, 5, 12, 34, 56)},          // no offset: taken as UTC
        {"2005-01-05T12:34:56+02:00", utc(2005, 1, 5, 10, 34, 56)},
        {"2005-01-01T00:30:00+0100", utc(2004, 12, 31, 23, 30, 0)},    // offset crosses the year back
        {"2005-01-05T22:00:00-05", utc(2005, 1, 6, 3, 0, 0)},
        {"2005-01-05", std::nullopt},                                  // a day is no time of a fix
        {"2005-02-30T12:00:00Z", std::nullopt},
        {"2005-01-05T25:00:00Z", std::nullopt},
        {"2005-01-05T12:00:00+19:00", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseXmlTime(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(XmlTrackCoordinates, ReadsAnyLayoutOfTuples)
{
    struct Case {
        const char* text;
        QList<XmlTrackPoint> points;
        int skipped;
    } cases[] = {
        {"8.5,48.2,768", {{48.2, 8.5, 768.0, {}}}, 0},
        {"\n\t\t-161.33,58.73,0 -161.26,58.74,0\t-161.2,58.75,0\n", // many on a line, tabs
         {{58.73, -161.33, 0.0, {}}, {58.74, -161.26, 0.0, {}}, {58.75, -161.2, 0.0, {}}},
         0},
        {"  -118.31,33.33,6.38\n          -118.306,33.35055\n", // indented, one without altitude
         {{33.33, -118.31, 6.38, {}}, {33.35055, -118.306, {}, {}}},
         0},
        {"1.5, 2.5, 10   3.5 ,4.5 ,20", {{2.5, 1.5, 10.0, {}}, {4.5, 3.5, 20.0, {}}}, 0}, // blanks by commas
        {"+008.5155383,+48.2662716,768", {{48.2662716, 8.5155383, 768.0, {}}}, 0},
        {"1,2,1e25", {{2.0, 1.0, {}, {}}}, 0}, // the no-altitude marker of other writers
        {"1,2 x,y 1,95 200,1 1,2,3,4 5,6,z 7", {{2.0, 1.0, {}, {}}}, 6},
        {"", {}, 0},
    };
    for (const auto& c : cases) {
        int skipped = -1;
        EXPECT_EQ(parseKmlCoordinates(QString::fromLatin1(c.text), &skipped), c.points) << c.text;
        EXPECT_EQ(skipped, c.skipped) << c.text;
    }
}

// Each line is decoded by the replay's own decoder for its format.
TEST(XmlTrackOwnFormat, RecordLinesDecodeBackToThePoint)
{
    struct Case {
        XmlTrackPoint point;
        QDateTime time;
        const char* line;
        const char* lat;
        char latH;
        const char* lon;
        char lonH;
        const char* date;
        const char* clock;
        const char* altitude;
    } cases[] = {
        {{48.1173, 11.57613, 519.0, {}}, utc(2005, 1, 5, 12, 34, 56),
         "T  N48 07.0380 E011 34.5680 Wed Jan 05 12:34:56 2005 ;519;", "4807.038", 'N', "01134.568", 'E', "05012005",
         "123456", "519"},
        {{-54.8061, -68.3039, 7.25, {}}, utc(2009, 2, 28, 23, 59, 50),
         "T  S54 48.3660 W068 18.2340 Sat Feb 28 23:59:50 2009 ;7.25;", "5448.366", 'S', "06818.234", 'W', "28022009",
         "235950", "7"},
        {{-0.00048, 0.00048, {}, {}}, utc(2005, 1, 1, 0, 0, 0),
         "T  S00 00.0290 E000 00.0290 Sat Jan 01 00:00:00 2005 ;1e25;", "0000.029", 'S', "00000.029", 'E', "01012005",
         "000000", ""},
        {{12.9999999, -179.9999999, -3.5, {}}, utc(2026, 12, 7, 9, 5, 1), // rounds up into the next degree
         "T  N13 00.0000 W180 00.0000 Mon Dec 07 09:05:01 2026 ;-3.5;", "1300.000", 'N', "18000.000", 'W', "07122026",
         "090501", "-4"},
        {{0.0, 0.0, 0.0, {}}, utc(1999, 8, 22, 0, 0, 0),
         "T  N00 00.0000 E000 00.0000 Sun Aug 22 00:00:00 1999 ;0;", "0000.000", 'N', "00000.000", 'E', "22081999",
         "000000", "0"},
    };
    for (const auto& c : cases) {
        XmlTrackPoint timed = c.point;
        timed.time = c.time;
        const QByteArray line = ownTrackRecordLine(timed, c.time);
        EXPECT_EQ(line, QByteArray(c.line));
        // A time made up for a point without one is marked as such.
        const QByteArray untimed = ownTrackRecordLine(c.point, c.time);
        EXPECT_EQ(untimed, QByteArray(c.line) + " no time");
        const auto fix = parseTrackLine(untimed, TrackFormat::Zelvan, kNow);
        ASSERT_TRUE(fix) << untimed.constData();
        EXPECT_FALSE(fix->timed) << untimed.constData();
        EXPECT_EQ(fix->latText, QByteArray(c.lat)) << untimed.constData();
        const auto step = decodeTrackRecord(line, TrackFormat::Zelvan, {}, kNow);
        ASSERT_TRUE(step.record) << c.line;
        const TrackRecord& r = *step.record;
        EXPECT_EQ(r.latText, QByteArray(c.lat)) << c.line;
        EXPECT_EQ(r.latHemisphere, c.latH) << c.line;
        EXPECT_EQ(r.lonText, QByteArray(c.lon)) << c.line;
        EXPECT_EQ(r.lonHemisphere, c.lonH) << c.line;
        EXPECT_EQ(r.recordDate, QByteArray(c.date)) << c.line;
        EXPECT_EQ(r.timeText, QByteArray(c.clock)) << c.line;
        EXPECT_EQ(r.altitudeField, QByteArray(c.altitude)) << c.line;
    }
}

TEST(XmlTrackOwnFormat, WholeFileIsTakenForTheOwnFormatWithNamesAndSegments)
{
    XmlTrackData data;
    data.version = QStringLiteral("1.1");
    data.creator = QStringLiteral("Topo\nFusion"); // a creator must not become a record or a second line
    data.tracks = {{QStringLiteral("Über\tden Berg"), false, {{{{1, 2, 3.0, utc(2005, 1, 5, 12, 0, 0)}}},
                                                             {{{1.001, 2, {}, utc(2005, 1, 5, 12, 0, 10)}}}}},
                   {QString(), true, {{{{1.002, 2, {}, {}}}}}}};
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(writeOwnTrack(out, data, QStringLiteral("Tour.gpx"), kNow));
    QByteArray text = out.data();
    EXPECT_FALSE(text.replace("\r\n", "").contains('\n'));
    const QByteArrayList lines = zv::splitTextLines(out.data());
    ASSERT_EQ(lines.size(), 11);
    EXPECT_TRUE(lines[0].startsWith("I Zelvan V"));
    EXPECT_TRUE(lines[1].startsWith("# 07.12.2026 ")) << lines[1].constData();
    EXPECT_TRUE(lines[1].endsWith("  Local Time"));
    EXPECT_EQ(lines[2], QByteArray("Converted from Tour.gpx (GPX 1.1, Topo Fusion)"));
    EXPECT_EQ(lines[3], QByteArray("L  New Header: \xDC" "ber den Berg"));
    EXPECT_EQ(lines[4], QByteArray("N  New Track Segment"));
    EXPECT_EQ(lines[6], QByteArray("N  New Track Segment"));
    EXPECT_EQ(lines[8], QByteArray("L  New Header: "));
    EXPECT_EQ(lines[9], QByteArray("N  New Track Segment"));
    EXPECT_TRUE(out.data().endsWith("\r\n"));

    QBuffer in;
    in.setData(out.data());
    in.open(QIODevice::ReadOnly);
    zv::LineReader reader(&in);
    const TrackDetection detection = detectTrackFormat(reader);
    EXPECT_EQ(detection.format, TrackFormat::Zelvan);
    ASSERT_TRUE(detection.trackName);
    EXPECT_EQ(*detection.trackName, QByteArray(" \xDC" "ber den Berg"));
    // The route's point without a time follows the last timed point by a second.
    const auto last = parseTrackLine(lines[10], TrackFormat::Zelvan, kNow);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->timeText, QByteArray("120011"));
}

TEST(XmlTrackOwnFormat, PointsWithoutTimeGetASecondEach)
{
    const auto dataWith = [](QList<std::optional<QDateTime>> times) {
        XmlTrackData data;
        XmlTrackSegment segment;
        for (const auto& t : times)
            segment.points.append({1, 2, {}, t});
        data.tracks = {{QString(), false, {segment}}};
        return data;
    };
    const QDateTime late(QDate(2026, 12, 31), QTime(23, 59, 58, 700), Qt::UTC);
    const QDateTime t0 = utc(2005, 1, 5, 12, 0, 0);
    struct Case {
        const char* what;
        QList<std::optional<QDateTime>> given;
        QList<QDateTime> expected;
    } cases[] = {
        {"no times: from now on, across midnight and the year",
         {std::nullopt, std::nullopt, std::nullopt},
         {utc(2026, 12, 31, 23, 59, 58), utc(2026, 12, 31, 23, 59, 59), utc(2027, 1, 1, 0, 0, 0)}},
        {"leading gaps count back from the first time", {std::nullopt, std::nullopt, t0}, {t0.addSecs(-2), t0.addSecs(-1), t0}},
        {"later gaps follow the last time", {t0, std::nullopt, t0.addSecs(10), std::nullopt},
         {t0, t0.addSecs(1), t0.addSecs(10), t0.addSecs(11)}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(replayTimes(dataWith(c.given), late), c.expected) << c.what;
}

TEST(XmlTrackReader, GpxTracksRoutesAndSegments)
{
    const QByteArray gpx = R"(<?xml version="1.0"?>
<gpx version="1.0" creator="test" xmlns="http://www.topografix.com/GPX/1/0">
 <metadata><name>not a track</name><time>2001-01-01T00:00:00Z</time></metadata>
 <wpt lat="1" lon="1"><name>waypoint</name></wpt>
 <trk><name> Morning </name>
  <trkseg>
   <trkpt lat="48.1" lon="11.5"><ele>519.5</ele><time>2005-01-05T12:34:56Z</time>
     <extensions><time>1999-01-01T00:00:00Z</time><ele>1</ele></extensions></trkpt>
   <trkpt lat="91" lon="11.5"/>
   <trkpt lon="11.5"/>
   <trkpt lat="48.2" lon="11.6"><ele></ele><time>garbage</time></trkpt>
  </trkseg>
  <trkseg></trkseg>
  <trkseg><trkpt lat="-1" lon="-2"/></trkseg>
 </trk>
 <trk><name>empty</name></trk>
 <rte><name>Way</name><rtept lat="3" lon="4"><ele>7</ele></rtept><rtept lat="5" lon="6"/></rte>
</gpx>)";
    const XmlTrackRead read = readText(gpx);
    ASSERT_EQ(read.error, XmlTrackRead::None) << read.errorText.toStdString();
    const XmlTrackData& d = read.data;
    EXPECT_EQ(d.kind, XmlTrackKind::Gpx);
    EXPECT_EQ(d.version, QStringLiteral("1.0"));
    EXPECT_EQ(d.skippedPoints, 2);
    ASSERT_EQ(d.tracks.size(), 2);
    EXPECT_EQ(d.tracks[0],
              (XmlTrack{QStringLiteral("Morning"), false,
                        {{{{48.1, 11.5, 519.5, utc(2005, 1, 5, 12, 34, 56)}, {48.2, 11.6, {}, {}}}}, {{{-1, -2, {}, {}}}}}}));
    EXPECT_EQ(d.tracks[1], (XmlTrack{QStringLiteral("Way"), true, {{{{3, 4, 7.0, {}}, {5, 6, {}, {}}}}}}));
}

TEST(XmlTrackReader, KmlLineStringsGxTracksAndWhatIsNoTrack)
{
    const QByteArray kml = R"(<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2"><Document><name>doc</name>
<Placemark><name>pin</name><Point><coordinates>9,9,9</coordinates></Point></Placemark>
<Placemark><name>area</name><Polygon><outerBoundaryIs><LinearRing><coordinates>1,1 2,2 3,3 1,1</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>
<Folder><Placemark>
  <MultiGeometry>
    <LineString><coordinates>1,2,3 4,5,6</coordinates></LineString>
    <Point><coordinates>9,9</coordinates></Point>
    <LineString><coordinates>
       7,8
    </coordinates></LineString>
  </MultiGeometry>
  <name><![CDATA[Two & parts]]></name>
</Placemark></Folder>
<Placemark><name>timed</name><gx:MultiTrack><gx:Track>
  <when>2021-03-02T09:30:40Z</when><when>2021-03-02T09:30:41Z</when><when>2021-03-02T09:30:42Z</when>
  <when>2021-03-02T09:30:43Z</when><when>2021-03-02T09:30:44Z</when>
  <gx:coord>1 2 3</gx:coord><gx:coord/><gx:coord>3 4</gx:coord><gx:coord>x y</gx:coord><gx:coord>5 6 7</gx:coord>
</gx:Track></gx:MultiTrack></Placemark>
<Placemark><name>nothing</name><LineString><coordinates> </coordinates></LineString></Placemark>
</Document></kml>)";
    const XmlTrackRead read = readText(kml);
    ASSERT_EQ(read.error, XmlTrackRead::None) << read.errorText.toStdString();
    const XmlTrackData& d = read.data;
    EXPECT_EQ(d.kind, XmlTrackKind::Kml);
    EXPECT_EQ(d.skippedPoints, 1);
    ASSERT_EQ(d.tracks.size(), 2);
    EXPECT_EQ(d.tracks[0], (XmlTrack{QStringLiteral("Two & parts"), false,
                                     {{{{2, 1, 3.0, {}}, {5, 4, 6.0, {}}}}, {{{8, 7, {}, {}}}}}}));
    EXPECT_EQ(d.tracks[1], (XmlTrack{QStringLiteral("timed"), false,
                                     {{{{2, 1, 3.0, utc(2021, 3, 2, 9, 30, 40)}}},
                                      {{{4, 3, {}, utc(2021, 3, 2, 9, 30, 42)}, {6, 5, 7.0, utc(2021, 3, 2, 9, 30, 44)}}}}}));
}

TEST(XmlTrackReader, BadDocumentsGiveAReasonNeverACrash)
{
    struct Case {
        const char* what;
        QByteArray text;
        XmlTrackRead::Error error;
        const char* message; // start of the text
        qint64 line;
    } cases[] = {
        {"empty", "", XmlTrackRead::Empty, "Empty file", 0},
        {"blank lines", "\r\n  \n\t", XmlTrackRead::Empty, "Empty file", 0},
        {"an NMEA log", "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n",
         XmlTrackRead::NotGpxOrKml, "Not a GPX/KML file", 0},
        {"binary", QByteArray("PK\x03\x04\x00\x01\xff\xfe", 8), XmlTrackRead::NotGpxOrKml, "Not a GPX/KML file", 0},
        {"other XML", "<?xml version=\"1.0\"?><html><body/></html>", XmlTrackRead::NotGpxOrKml, "Not a GPX/KML file", 0},
        {"cut off", "<gpx>\n<trk>\n<trkseg>\n<trkpt lat=\"1\" lon=\"2\">", XmlTrackRead::Malformed, "XML error in line 4:", 4},
        {"crossed tags", "<kml>\n<Placemark>\n<LineString></Placemark>\n</kml>", XmlTrackRead::Malformed,
         "XML error in line 3:", 3},
        {"entity bomb", "<?xml version=\"1.0\"?><!DOCTYPE k [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                        "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><kml><name>&d;&d;&d;&d;</name></kml>",
         XmlTrackRead::Malformed, "XML error in line 1:", 1},
        // Nesting costs memory a level: refused beyond a sane depth, also inside a leaf.
        {"nested too deep", "<gpx><trk>\n" + QByteArray(300, 'x').replace("x", "<a>"), XmlTrackRead::TooDeep,
         "XML nested deeper than 256 levels in line 2", 2},
        {"nested too deep in a name", "<kml><Placemark><name>\n" + QByteArray(300, 'x').replace("x", "<b>"),
         XmlTrackRead::TooDeep, "XML nested deeper than 256 levels in line 2", 2},
    };
    for (const auto& c : cases) {
        const XmlTrackRead read = readText(c.text);
        EXPECT_EQ(read.error, c.error) << c.what;
        EXPECT_TRUE(read.errorText.startsWith(QLatin1StringView(c.message))) << c.what << ": " << read.errorText.toStdString();
        EXPECT_EQ(read.errorLine, c.line) << c.what;
        EXPECT_TRUE(read.data.tracks.isEmpty()) << c.what;
    }
}

TEST(XmlTrackReader, EveryCutOfARealFileEndsCleanly)
{
    const QByteArray text = fileText(QStringLiteral(ZV_TEST_DATA_DIR "/xmltracks/two_tracks.gpx"));
    ASSERT_FALSE(text.isEmpty());
    for (qsizetype n = 0; n < text.size(); n += 7) {
        const XmlTrackRead read = readText(text.left(n));
        EXPECT_NE(read.error, XmlTrackRead::None) << n; // nothing of a cut file is replayed
    }
}

TEST(XmlTrackCompanion, NamedAfterTheFileNeverOverAnExistingOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("b.c")));
    const QString source = dir.filePath(QStringLiteral("b.c/day.one.gpx"));
    EXPECT_EQ(companionTrackPath(source), dir.filePath(QStringLiteral("b.c/day.one.ZVT")));
    EXPECT_EQ(companionTrackPath(dir.filePath(QStringLiteral("b.c/.gpx"))), dir.filePath(QStringLiteral("b.c/.gpx.ZVT")));
    writeFile(dir.filePath(QStringLiteral("b.c/day.one.ZVT")), "user's own file\r\n");
    writeFile(dir.filePath(QStringLiteral("b.c/day.one~1.ZVT")), "another\r\n");
    EXPECT_EQ(companionTrackPath(source), dir.filePath(QStringLiteral("b.c/day.one~2.ZVT")));
    // A folder that cannot be written to: the temporary folder.
    EXPECT_EQ(QFileInfo(companionTrackPath(QStringLiteral("/nonexistent-folder/x.gpx"))).absolutePath(),
              QFileInfo(QDir::tempPath()).absoluteFilePath());

    writeFile(source, fileText(QStringLiteral(ZV_TEST_DATA_DIR "/xmltracks/two_tracks.gpx")));
    const XmlTrackConversion c = prepareXmlTrack(source, kNow);
    ASSERT_EQ(c.status, XmlTrackConversion::Converted) << c.errorText.toStdString();
    EXPECT_EQ(c.companionPath, dir.filePath(QStringLiteral("b.c/day.one~2.ZVT")));
    EXPECT_EQ(fileText(dir.filePath(QStringLiteral("b.c/day.one.ZVT"))), QByteArray("user's own file\r\n"));
    EXPECT_EQ(fileText(dir.filePath(QStringLiteral("b.c/day.one~1.ZVT"))), QByteArray("another\r\n"));
    EXPECT_EQ(c.tracks, 2);
    EXPECT_EQ(c.segments, 3);
    EXPECT_EQ(c.points, 12);
    EXPECT_EQ(c.untimedPoints, 0);
    // A second conversion while the first companion exists takes the next name.
    const XmlTrackConversion again = prepareXmlTrack(source, kNow);
    EXPECT_EQ(again.companionPath, dir.filePath(QStringLiteral("b.c/day.one~3.ZVT")));
}

TEST(XmlTrackCompanion, FailuresWriteNothing)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray text;
        const char* message;
    } cases[] = {
        {"empty.gpx", "", "Empty file"},
        {"waypoints.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>", "No track points"},
        {"cut.gpx", "<gpx>\n<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>\n", "XML error in line 3:"},
        {"page.kml", "<html><body>not found</body></html>", "Not a GPX/KML file"},
        {"pins.kml", "<kml><Placemark><Point><coordinates>1,2</coordinates></Point></Placemark></kml>", "No track points"},
    };
    for (const auto& c : cases) {
        const QString path = writeFile(dir.filePath(QString::fromLatin1(c.name)), c.text);
        const XmlTrackConversion conversion = prepareXmlTrack(path, kNow);
        EXPECT_EQ(conversion.status, XmlTrackConversion::Failed) << c.name;
        EXPECT_TRUE(conversion.errorText.startsWith(QLatin1StringView(c.message)))
            << c.name << ": " << conversion.errorText.toStdString();
        EXPECT_TRUE(conversion.companionPath.isEmpty()) << c.name;
    }
    EXPECT_EQ(prepareXmlTrack(dir.filePath(QStringLiteral("missing.gpx")), kNow).status, XmlTrackConversion::Failed);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.ZVT")}, QDir::Files), QStringList());
}

TEST(XmlTrackCompanion, OnlyGpxAndKmlAreCandidates)
{
    EXPECT_TRUE(isXmlTrackCandidate(QStringLiteral("/a/b.c/Tour.GPX")));
    EXPECT_TRUE(isXmlTrackCandidate(QStringLiteral("x.kml")));
    EXPECT_FALSE(isXmlTrackCandidate(QStringLiteral("/a/b.gpx/track.trk")));
    EXPECT_FALSE(isXmlTrackCandidate(QStringLiteral("gpx")));
}

TEST(XmlTrackReader, DamagedBytesNeverCrashOrGiveImpossiblePositions)
{
    const QByteArray original = fileText(QStringLiteral(ZV_TEST_DATA_DIR "/xmltracks/two_tracks.kml"));
    ASSERT_FALSE(original.isEmpty());
    static const char noise[] = "<>&;,.-+ \n\t0123456789\"/=eE";
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 400; ++round) {
        QByteArray text = original;
        const int changes = 1 + static_cast<int>(next() % 8);
        for (int i = 0; i < changes; ++i)
            text[next() % text.size()] = noise[next() % (sizeof(noise) - 1)];
        const XmlTrackRead read = readText(text);
        if (read.error != XmlTrackRead::None) {
            EXPECT_FALSE(read.errorText.isEmpty()) << round;
            continue;
        }
        for (const auto& t : read.data.tracks) {
            for (const auto& s : t.segments) {
                EXPECT_FALSE(s.points.isEmpty()) << round;
                for (const auto& p : s.points)
                    EXPECT_TRUE(std::fabs(p.lat) <= 90 && std::fabs(p.lon) <= 180) << round;
            }
        }
    }
}

TEST(XmlTrackOwnFormat, GermanLocaleWritesTheSameFile)
{
    XmlTrackData data;
    data.tracks = {{QStringLiteral("T"), false, {{{{-54.8061, -68.3039, 1234.5, utc(2009, 3, 1, 0, 9, 50)}}}}}};
    const auto write = [&data] {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_TRUE(writeOwnTrack(out, data, QStringLiteral("x.gpx"), kNow));
        return out.data();
    };
    const QByteArray plain = write();
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray german = write();
    const auto read = parseKmlCoordinates(u"1.5,2.25,3.75");
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(german, plain);
    EXPECT_TRUE(plain.contains("T  S54 48.3660 W068 18.2340 Sun Mar 01 00:09:50 2009 ;1234.5;\r\n")) << plain.constData();
    EXPECT_EQ(read, (QList<XmlTrackPoint>{{2.25, 1.5, 3.75, {}}}));
}

TEST(XmlTrackCompanion, Utf16LogsAreReadThroughALatin1Companion)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("$GPRMC,093156,A,5333.4037,N,00951.9345,E,0.0,0.0,170807,,*00\r\n"
                                        "$PXXX,caf\u00e9,\u20ac\r\n");
    const QByteArray latin1 = "$GPRMC,093156,A,5333.4037,N,00951.9345,E,0.0,0.0,170807,,*00\r\n$PXXX,caf\xe9,?\r\n";
    struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"le.log", QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)},
        {"be.log", [&] {
             QByteArray be("\xFE\xFF", 2);
             for (QChar c : text)
                 be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
             return be;
         }()},
    };
    for (const Case& c : cases) {
        const QString source = writeFile(dir.filePath(QString::fromLatin1(c.name)), c.bytes);
        // A file already bearing the companion's name is kept as it is.
        const QString taken = writeFile(companionTrackPath(source), "mine");
        const XmlTrackConversion result = prepareUtf16Text(source);
        ASSERT_EQ(result.status, XmlTrackConversion::Converted) << c.name;
        EXPECT_NE(result.companionPath, taken);
        QFile companion(result.companionPath);
        ASSERT_TRUE(companion.open(QIODevice::ReadOnly));
        EXPECT_EQ(companion.readAll(), latin1) << c.name;
        QFile mine(taken);
        ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
        EXPECT_EQ(mine.readAll(), "mine");
        QFile original(source);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        EXPECT_EQ(original.readAll(), c.bytes) << "the user's file is untouched";
    }
    // Anything else is read as it is.
    const QString plain = writeFile(dir.filePath(QStringLiteral("plain.log")), latin1);
    EXPECT_EQ(prepareUtf16Text(plain).status, XmlTrackConversion::NotNeeded);
    EXPECT_EQ(prepareUtf16Text(dir.filePath(QStringLiteral("missing.log"))).status, XmlTrackConversion::NotNeeded);
}

TEST(XmlTrackCompanion, AStopMidwayLeavesNothingBehind)
{
    QTemporaryDir dir;
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><trkseg>\n";
    for (int i = 0; i < 20000; ++i)
        gpx += "<trkpt lat=\"48." + QByteArray::number(100000 + i) + "\" lon=\"11.5\"/>\n";
    gpx += "</trkseg></trk></gpx>\n";
    const QString source = writeFile(dir.filePath(QStringLiteral("big.gpx")), gpx);
    int asks = 0;
    EXPECT_EQ(prepareXmlTrack(source, kNow, [&] { return ++asks > 0; }).points, 20000);
    for (const QString& f : QDir(dir.path()).entryList({QStringLiteral("*.ZVT")}, QDir::Files))
        QFile::remove(dir.filePath(f));
    // Stopped while reading, and at the last ask, while writing.
    for (int allowed : {1, asks - 1}) {
        int asked = 0;
        const XmlTrackConversion c = prepareXmlTrack(source, kNow, [&] { return ++asked <= allowed; });
        EXPECT_EQ(c.status, XmlTrackConversion::Failed) << allowed;
        EXPECT_EQ(c.errorText, QStringLiteral("Stopped")) << allowed;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"big.gpx"}) << allowed;
    }
}
