// Real GPX and KML files converted into the own track format and replayed by
// the own format's decoder: every point's position, altitude and time, the
// track names and the segment marks are checked against readings made
// without the converter (a second XML walk, regular expressions, GPSBabel).
#include "common/number_text.h"
#include "common/text_lines.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"
#include "sim/tracks/xml_track.h"
#include "sim/tracks/xml_track_convert.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(15, 0, 0), Qt::UTC);
// The replay reads minutes with three decimals; the writer rounds there.
constexpr double kMinuteTolerance = 0.0005 + 1e-9;

QString dataPath(const QString& name)
{
    return QStringLiteral(ZV_TEST_DATA_DIR "/") + name;
}

QByteArray fileText(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// ---- independent readings --------------------------------------------------

struct RefPoint {
    double lat = 0;
    double lon = 0;
    std::optional<double> ele;
    std::optional<QDateTime> time; // UTC to the second
};
struct RefTrack {
    QString name;
    QList<QList<RefPoint>> segments;
};

QList<RefPoint> flat(const QList<RefTrack>& tracks)
{
    QList<RefPoint> points;
    for (const auto& t : tracks) {
        for (const auto& s : t.segments)
            points += s;
    }
    return points;
}

void readGpxPoint(QXmlStreamReader& xml, QList<RefPoint>& into)
{
    RefPoint p;
    p.lat = xml.attributes().value(QStringLiteral("lat")).toString().toDouble();
    p.lon = xml.attributes().value(QStringLiteral("lon")).toString().toDouble();
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("ele")) {
            p.ele = xml.readElementText().toDouble();
        } else if (xml.name() == QLatin1String("time")) {
            QDateTime t = QDateTime::fromString(xml.readElementText(), Qt::ISODateWithMs).toUTC();
            t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
            p.time = t;
        } else {
            xml.skipCurrentElement();
        }
    }
    into.append(p);
}

// GPX tracks and routes by descent, the way a reader of that format is usually written.
QList<RefTrack> referenceGpx(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QList<RefTrack> tracks;
    EXPECT_TRUE(xml.readNextStartElement());
    while (xml.readNextStartElement()) {
        const bool route = xml.name() == QLatin1String("rte");
        if (xml.name() != QLatin1String("trk") && !route) {
            xml.skipCurrentElement();
            continue;
        }
        RefTrack track;
        if (route)
            track.segments.append(QList<RefPoint>());
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("name")) {
                track.name = xml.readElementText().trimmed();
            } else if (route && xml.name() == QLatin1String("rtept")) {
                readGpxPoint(xml, track.segments.last());
            } else if (xml.name() == QLatin1String("trkseg")) {
                track.segments.append(QList<RefPoint>());
                while (xml.readNextStartElement())
                    readGpxPoint(xml, track.segments.last());
                if (track.segments.last().isEmpty())
                    track.segments.removeLast();
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!track.segments.isEmpty())
            tracks.append(track);
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return tracks;
}

// KML LineStrings by regular expressions on the text: each Placemark with
// LineStrings is a track, each LineString a segment.
QList<RefTrack> referenceKmlLineStrings(const QString& path)
{
    QString text = QString::fromUtf8(fileText(path));
    text.remove(QRegularExpression(QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption));
    static const QRegularExpression placemark(QStringLiteral("<Placemark[^>]*>(.*?)</Placemark>"),
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression name(QStringLiteral("<name>(?:<!\\[CDATA\\[)?(.*?)(?:\\]\\]>)?</name>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression line(QStringLiteral("<LineString[^>]*>.*?<coordinates>(.*?)</coordinates>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QList<RefTrack> tracks;
    for (auto pm = placemark.globalMatch(text); pm.hasNext();) {
        const QString body = pm.next().captured(1);
        RefTrack track;
        for (auto ls = line.globalMatch(body); ls.hasNext();) {
            QList<RefPoint> segment;
            for (const QString& tuple : ls.next().captured(1).trimmed().split(blanks, Qt::SkipEmptyParts)) {
                const QStringList v = tuple.split(u',');
                RefPoint p;
                p.lon = v[0].toDouble();
                p.lat = v[1].toDouble();
                if (v.size() > 2)
                    p.ele = v[2].toDouble();
                segment.append(p);
            }
            if (!segment.isEmpty())
                track.segments.append(segment);
        }
        if (track.segments.isEmpty())
            continue;
        // The Placemark's own name, not one inside its description or style.
        const qsizetype geometry = body.indexOf(QRegularExpression(QStringLiteral("<(LineString|MultiGeometry)")));
        const auto n = name.match(body.left(geometry));
        track.name = n.hasMatch() ? n.captured(1).trimmed() : name.match(body).captured(1).trimmed();
        tracks.append(track);
    }
    return tracks;
}

// GPSBabel's reading of the file, written as GPX.
QList<RefTrack> referenceGpsbabel(const QString& path, const QTemporaryDir& dir)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    EXPECT_FALSE(exe.isEmpty()) << "gpsbabel is needed (make deps installs it)";
    if (exe.isEmpty())
        return {};
    const QString out = dir.filePath(QFileInfo(path).completeBaseName() + QStringLiteral("~babel.gpx"));
    QProcess babel;
    babel.start(exe, {"-t", "-r", "-i", "kml", "-f", path, "-o", "gpx", "-F", out});
    EXPECT_TRUE(babel.waitForFinished(60000));
    EXPECT_EQ(babel.exitCode(), 0) << babel.readAllStandardError().toStdString();
    return referenceGpx(out);
}

// ---- the replay's reading of a companion ----------------------------------

struct ReplayedPoint {
    TrackRecord record;
    QByteArray trackName; // as the replay shows it: from column 15 of the "L" line
    int segment = 0;      // "N" lines passed
};
struct Replayed {
    TrackFormat format = TrackFormat::None;
    QList<ReplayedPoint> points;
    int segmentMarks = 0;
    QByteArrayList names;
};

Replayed replayOwnTrack(const QByteArray& text)
{
    Replayed out;
    const QByteArrayList lines = zv::splitTextLines(text);
    TrackFormatDetector detector;
    for (const auto& line : lines) {
        if (detector.feed(line))
            break;
    }
    out.format = detector.result().format;
    TrackDecoderState state;
    QByteArray name;
    for (const auto& line : lines) {
        if (auto n = trackNameOf(line)) {
            name = *n;
            out.names.append(name);
        }
        if (isSegmentMark(line))
            ++out.segmentMarks;
        const auto step = decodeTrackRecord(line, out.format, state, kNow);
        state = step.state;
        if (step.record)
            out.points.append({*step.record, name, out.segmentMarks});
        else
            EXPECT_FALSE(isTrackRecordLine(line, out.format, 'T')) << line.constData();
    }
    return out;
}

Replayed replayData(const XmlTrackData& data)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(writeOwnTrack(buffer, data, QStringLiteral("source"), kNow));
    return replayOwnTrack(buffer.data());
}

QDateTime recordTime(const TrackRecord& r)
{
    const QDate date(r.recordDate.mid(4, 4).toInt(), r.recordDate.mid(2, 2).toInt(), r.recordDate.left(2).toInt());
    const QTime time(r.timeText.left(2).toInt(), r.timeText.mid(2, 2).toInt(), r.timeText.mid(4, 2).toInt());
    return QDateTime(date, time, Qt::UTC);
}

void expectPoint(const TrackRecord& r, const RefPoint& p, const std::string& where, int timeSlack)
{
    const double lat = (r.latHemisphere == 'S' ? -r.latMinutes : r.latMinutes);
    const double lon = (r.lonHemisphere == 'W' ? -r.lonMinutes : r.lonMinutes);
    EXPECT_NEAR(lat, p.lat * 60, kMinuteTolerance) << where;
    EXPECT_NEAR(lon, p.lon * 60, kMinuteTolerance) << where;
    if (p.ele) {
        EXPECT_NEAR(zv::leadingNumber(r.altitudeText), *p.ele, 0.0005 + 1e-9) << where;
        EXPECT_EQ(r.altitudeField, zv::trimmedNumberText(std::floor(*p.ele + 1e-9)).toLatin1()) << where;
    } else {
        EXPECT_TRUE(r.altitudeText.isEmpty()) << where << " " << r.altitudeText.constData();
    }
    if (p.time) {
        EXPECT_LE(std::llabs(recordTime(r).secsTo(*p.time)), timeSlack)
            << where << " " << r.recordDate.constData() << " " << r.timeText.constData();
    }
}

// Names, segment marks and every point in order.
void expectReplayOf(const Replayed& replayed, const QList<RefTrack>& reference, const std::string& what,
                    bool checkStructure = true, int timeSlack = 0)
{
    EXPECT_EQ(replayed.format, TrackFormat::Zelvan) << what;
    const QList<RefPoint> points = flat(reference);
    ASSERT_EQ(replayed.points.size(), points.size()) << what;
    if (checkStructure) {
        QByteArrayList names;
        int segments = 0;
        for (const auto& t : reference) {
            names.append(' ' + t.name.toLatin1());
            segments += static_cast<int>(t.segments.size());
        }
        EXPECT_EQ(replayed.names, names) << what;
        EXPECT_EQ(replayed.segmentMarks, segments) << what;
    }
    qsizetype i = 0;
    int segment = 0;
    for (const auto& t : reference) {
        for (const auto& s : t.segments) {
            ++segment;
            for (const auto& p : s) {
                const std::string where = what + " point " + std::to_string(i + 1);
                expectPoint(replayed.points[i].record, p, where, timeSlack);
                if (checkStructure) {
                    EXPECT_EQ(replayed.points[i].trackName, ' ' + t.name.toLatin1()) << where;
                    EXPECT_EQ(replayed.points[i].segment, segment) << where;
                }
                ++i;
            }
        }
    }
}

// Points of a file without times run one second apart from now on.
void expectMadeUpTimes(const Replayed& replayed, const std::string& what)
{
    for (qsizetype i = 0; i < replayed.points.size(); ++i)
        EXPECT_EQ(recordTime(replayed.points[i].record), kNow.addSecs(i)) << what << " point " << i + 1;
}

QList<RefTrack> withoutTimes(QList<RefTrack> tracks)
{
    for (auto& t : tracks) {
        for (auto& s : t.segments) {
            for (auto& p : s)
                p.time.reset();
        }
    }
    return tracks;
}

} // namespace

TEST(XmlTrackRealFiles, GpxFilesReplayWithTheirTimesNamesAndSegments)
{
    struct Case {
        const char* file;
        int tracks, segments, points;
    } cases[] = {
        {"xmltracks/track.gpx", 1, 1, 20},
        {"xmltracks/track_nofix.gpx", 1, 1, 20},
        {"xmltracks/track_roundtrip.gpx", 1, 1, 20},
        {"xmltracks/two_tracks.gpx", 2, 3, 12},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString source = dir.filePath(QFileInfo(c.file).fileName());
        ASSERT_TRUE(QFile::copy(dataPath(c.file), source));
        const XmlTrackConversion conversion = prepareXmlTrack(source, kNow);
        ASSERT_EQ(conversion.status, XmlTrackConversion::Converted) << c.file << conversion.errorText.toStdString();
        EXPECT_EQ(conversion.tracks, c.tracks) << c.file;
        EXPECT_EQ(conversion.segments, c.segments) << c.file;
        EXPECT_EQ(conversion.points, c.points) << c.file;
        EXPECT_EQ(conversion.untimedPoints, 0) << c.file;
        const auto reference = referenceGpx(dataPath(c.file));
        expectReplayOf(replayOwnTrack(fileText(conversion.companionPath)), reference, c.file);
    }
    // GPSBabel's rewrite holds the same points as its source.
    const auto source = flat(referenceGpx(dataPath("xmltracks/track.gpx")));
    const auto rewritten = flat(referenceGpx(dataPath("xmltracks/track_roundtrip.gpx")));
    ASSERT_EQ(source.size(), rewritten.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        EXPECT_DOUBLE_EQ(source[i].lat, rewritten[i].lat);
        EXPECT_EQ(source[i].time, rewritten[i].time);
    }
}

TEST(XmlTrackRealFiles, GpsbabelKmlOfTheGpxSourcesReplaysTheSourcePoints)
{
    struct Case {
        const char* kml;
        const char* gpx;
        XmlTrackConversion::Status status;
        bool timed;
        const char* name; // GPSBabel names a LineString's Placemark "Path"
    } cases[] = {
        // The LineString GPSBabel draws beside the gx:Track is not replayed again.
        {"xmltracks/track_gxtrack.kml", "xmltracks/track.gpx", XmlTrackConversion::Converted, true, nullptr},
        {"xmltracks/two_tracks.kml", "xmltracks/two_tracks.gpx", XmlTrackConversion::Converted, false, "Path"},
        // One tuple per line: the line-by-line reading replays it as it is.
        {"xmltracks/track_nopoints.kml", "xmltracks/track.gpx", XmlTrackConversion::NotNeeded, false, "Path"},
        {"tracks/gpsbabel/track.kml", "xmltracks/track.gpx", XmlTrackConversion::NotNeeded, false, "Path"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString source = dir.filePath(QFileInfo(c.kml).fileName());
        ASSERT_TRUE(QFile::copy(dataPath(c.kml), source));
        const XmlTrackConversion conversion = prepareXmlTrack(source, kNow);
        ASSERT_EQ(conversion.status, c.status) << c.kml << conversion.errorText.toStdString();
        const XmlTrackRead read = readXmlTrackFile(source);
        ASSERT_EQ(read.error, XmlTrackRead::None) << c.kml;
        auto reference = referenceGpx(dataPath(c.gpx));
        if (!c.timed)
            reference = withoutTimes(reference);
        // GPSBabel writes no altitude of exactly 0 into a tuple.
        for (auto& t : reference) {
            if (c.name)
                t.name = QString::fromLatin1(c.name);
            for (auto& s : t.segments) {
                for (auto& p : s) {
                    if (p.ele == 0.0)
                        p.ele.reset();
                }
            }
        }
        const Replayed replayed = conversion.status == XmlTrackConversion::Converted
            ? replayOwnTrack(fileText(conversion.companionPath))
            : replayData(read.data);
        expectReplayOf(replayed, reference, c.kml);
        if (!c.timed)
            expectMadeUpTimes(replayed, c.kml);
    }
}

TEST(XmlTrackRealFiles, RealKmlFilesMatchRegexAndGpsbabelReadings)
{
    struct Case {
        const char* file;
        XmlTrackConversion::Status status;
        int tracks, segments;
        bool gpsbabel; // GPSBabel reads the same tracks (it also takes polygons as tracks)
        bool timeSpan; // the Placemarks' TimeSpans give the times
    } cases[] = {
        {"tracks/gk_catalina-linestring.kml", XmlTrackConversion::NotNeeded, 1, 1, true, false},
        {"tracks/gpsbabel_skydrop.kml", XmlTrackConversion::Converted, 1, 1, true, true},
        {"tracks/viking_Stonehenge.kml", XmlTrackConversion::NotNeeded, 1, 1, true, false},
        {"tracks/gk_KML_Samples.kml", XmlTrackConversion::Converted, 6, 6, false, false},
        // The TimeSpans stand on the Folders, not on the Placemarks: no times.
        {"xmltracks/gpsbabel_GPSData000001-A810-Doriel.kml", XmlTrackConversion::Converted, 4, 4, true, false},
        {"xmltracks/ol_rbx13-route.kml", XmlTrackConversion::Converted, 7, 7, true, false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString source = dir.filePath(QFileInfo(c.file).fileName());
        ASSERT_TRUE(QFile::copy(dataPath(c.file), source));
        const XmlTrackConversion conversion = prepareXmlTrack(source, kNow);
        ASSERT_EQ(conversion.status, c.status) << c.file << conversion.errorText.toStdString();
        const XmlTrackRead read = readXmlTrackFile(source);
        ASSERT_EQ(read.error, XmlTrackRead::None) << c.file;
        EXPECT_EQ(read.data.tracks.size(), c.tracks) << c.file;
        EXPECT_EQ(read.data.segmentCount(), c.segments) << c.file;
        EXPECT_EQ(read.data.skippedPoints, 0) << c.file;
        const Replayed replayed = conversion.status == XmlTrackConversion::Converted
            ? replayOwnTrack(fileText(conversion.companionPath))
            : replayData(read.data);
        expectReplayOf(replayed, referenceKmlLineStrings(source), c.file);
        if (!c.timeSpan)
            expectMadeUpTimes(replayed, c.file);
        // GPSBabel spreads a TimeSpan in whole-millisecond steps, which may
        // put a point's second one off.
        if (c.gpsbabel)
            expectReplayOf(replayed, referenceGpsbabel(source, dir), std::string(c.file) + " (GPSBabel)", false, 1);
    }
}

TEST(XmlTrackRealFiles, GxTrackWithPausesKeepsItsTimes)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("opentracks.kml"));
    ASSERT_TRUE(QFile::copy(dataPath("xmltracks/gpsbabel_opentracks.kml"), source));
    const XmlTrackConversion conversion = prepareXmlTrack(source, kNow);
    ASSERT_EQ(conversion.status, XmlTrackConversion::Converted) << conversion.errorText.toStdString();
    EXPECT_EQ(conversion.points, 2);
    EXPECT_EQ(conversion.untimedPoints, 0);
    const QList<RefTrack> expected = {{QStringLiteral("Wurmlinger Kapelle"),
                                       {{{48.503537, 8.970803, 405.01373291015625, QDateTime(QDate(2021, 3, 2), QTime(9, 30, 41), Qt::UTC)},
                                         {48.503623, 8.970829, 401.119873046875, QDateTime(QDate(2021, 3, 2), QTime(12, 34, 53), Qt::UTC)}}}}};
    const Replayed replayed = replayOwnTrack(fileText(conversion.companionPath));
    expectReplayOf(replayed, expected, "opentracks");
    expectReplayOf(replayed, referenceGpsbabel(source, dir), "opentracks (GPSBabel)", false);
}

TEST(XmlTrackRealFiles, PolygonsAloneAreRefused)
{
    // US state outlines: many tuples per line, but no track.
    const XmlTrackConversion conversion = prepareXmlTrack(dataPath("xmltracks/ol_states.kml"), kNow);
    EXPECT_EQ(conversion.status, XmlTrackConversion::Failed);
    EXPECT_EQ(conversion.errorText, QStringLiteral("No track points"));
}
