#include "sim/route/route_points.h"

#include "common/file_names.h"
#include "common/text_lines.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"
#include "sim/tracks/xml_track_convert.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace zelvan {

namespace {

// Longer lines are no list lines and no records of any track format.
constexpr qsizetype kMaxLine = 4096;
// A list is read whole; this is far beyond any route.
constexpr qint64 kMaxListBytes = qint64(64) << 20;

std::optional<double> numberOf(QByteArrayView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(text.trimmed()), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool looksLikeList(QByteArrayView line)
{
    const qsizetype comma = line.indexOf(',');
    return comma >= 0 && line.indexOf(',', comma + 1) < 0 && numberOf(line.first(comma))
        && numberOf(line.sliced(comma + 1));
}

RouteRead failure(const QString& text)
{
    RouteRead r;
    r.error = text;
    return r;
}

RouteRead readTrackFile(QIODevice& device, const QString& name)
{
    zv::LineReader reader(&device, kMaxLine);
    const TrackDetection detected = detectTrackFormat(reader);
    if (detected.format == TrackFormat::None)
        return failure(QStringLiteral("%1: no route: neither GPX nor KML, no track file and no lines of "
                                      "\"lat,lon\" in decimal degrees")
                           .arg(name));
    RouteRead r;
    r.kind = trackFormatName(detected.format) + QStringLiteral(" track");
    // The deciding line may be the first record: read from the start.
    reader.seek(0);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QByteArray line;
    while (reader.readLine(line)) {
        if (!isTrackRecordLine(line, detected.format, detected.recordLead))
            continue;
        const auto fix = parseTrackLine(line, detected.format, now);
        if (!fix || !isPlausibleFix(*fix)) {
            ++r.skipped;
            continue;
        }
        const TrackRecord record = *deriveTrackRecord(*fix, {}).record;
        r.points.append({(record.latHemisphere == 'S' ? -1 : 1) * record.latMinutes / 60.0,
                         (record.lonHemisphere == 'W' ? -1 : 1) * record.lonMinutes / 60.0});
    }
    return r;
}

} // namespace

std::optional<RoutePoint> parseLatLonLine(QByteArrayView line)
{
    const qsizetype comma = line.indexOf(',');
    if (comma < 0 || line.indexOf(',', comma + 1) >= 0)
        return std::nullopt;
    const auto lat = numberOf(line.first(comma));
    const auto lon = numberOf(line.sliced(comma + 1));
    if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        return std::nullopt;
    return RoutePoint{*lat, *lon};
}

bool isLatLonFiller(QByteArrayView line)
{
    const QByteArrayView t = line.trimmed();
    return t.isEmpty() || t.startsWith('#');
}

RouteRead readLatLonList(QByteArrayView text, const QString& name)
{
    RouteRead r;
    r.kind = QStringLiteral("list of lat,lon");
    const QByteArrayList lines = zv::splitTextLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArrayView line = lines[i];
        if (i == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        if (isLatLonFiller(line))
            continue;
        const auto p = parseLatLonLine(line);
        if (!p) {
            const QString shown = QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 60)).toByteArray()).trimmed();
            return failure(QStringLiteral("%1, line %2: \"%3\" is no \"lat,lon\" in decimal degrees "
                                          "(latitude -90..90, longitude -180..180)")
                               .arg(name)
                               .arg(i + 1)
                               .arg(shown));
        }
        r.points.append(*p);
    }
    return r;
}

RouteRead routeFromXml(const XmlTrackData& data)
{
    RouteRead r;
    const bool kml = data.kind == XmlTrackKind::Kml;
    for (const bool routes : {true, false}) {
        for (const XmlTrack& t : data.tracks) {
            if (t.route != routes)
                continue;
            for (const XmlTrackSegment& s : t.segments)
                for (const XmlTrackPoint& p : s.points)
                    r.points.append({p.lat, p.lon});
        }
        if (!r.points.isEmpty()) {
            r.kind = routes ? QStringLiteral("GPX route") : kml ? QStringLiteral("KML track") : QStringLiteral("GPX track");
            r.skipped = data.skippedPoints;
            return r;
        }
    }
    for (const XmlTrackPoint& p : data.waypoints)
        r.points.append({p.lat, p.lon});
    r.kind = QStringLiteral("GPX waypoints");
    // With no point at all, every one left out counts.
    r.skipped = r.points.isEmpty() ? data.skippedPoints + data.skippedWaypoints : data.skippedWaypoints;
    return r;
}

RouteRead readRouteFile(const QString& path)
{
    if (!zv::exists(path))
        return failure(QStringLiteral("%1: no such file").arg(path));
    if (!zv::isFile(path))
        return failure(QStringLiteral("%1: not a file").arg(path));
    QFile file;
    QString reason;
    if (!zv::openFile(file, path, QIODevice::ReadOnly, &reason))
        return failure(QStringLiteral("%1: cannot be read: %2").arg(path, reason));
    const QByteArray head = file.peek(kMaxLine);
    const QByteArrayView start = QByteArrayView(head).trimmed();
    if (start.isEmpty())
        return failure(QStringLiteral("%1: the file is empty").arg(path));

    RouteRead r;
    const bool xml = start.startsWith('<') || start.startsWith("\xEF\xBB\xBF<") || isXmlTrackCandidate(path);
    if (xml) {
        const XmlTrackRead read = readXmlTrack(file);
        if (read.error != XmlTrackRead::None)
            return failure(QStringLiteral("%1: %2").arg(path, read.errorText));
        r = routeFromXml(read.data);
        if (r.points.isEmpty() && r.skipped == 0)
            return failure(QStringLiteral("%1: no route, track or waypoint in it").arg(path));
    } else {
        // The first line that is no blank or comment decides.
        bool list = false;
        for (const QByteArray& line : zv::splitTextLines(head)) {
            if (isLatLonFiller(line))
                continue;
            list = looksLikeList(line);
            break;
        }
        if (list) {
            if (file.size() > kMaxListBytes)
                return failure(QStringLiteral("%1: a list of more than %2 MB is no route").arg(path).arg(kMaxListBytes >> 20));
            r = readLatLonList(file.readAll(), path);
        } else {
            r = readTrackFile(file, path);
        }
        if (!r.ok())
            return r;
    }
    if (r.points.isEmpty())
        return failure(QStringLiteral("%1: none of its %2 points has a possible position").arg(path).arg(r.skipped));
    return r;
}

} // namespace zelvan
