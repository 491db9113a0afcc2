#include "sim/tracks/xml_track.h"

#include "common/file_names.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

namespace zelvan {
namespace {

// Altitudes this large are "no altitude" markers of other writers (1e25).
constexpr double kNoAltitudeAbove = 1e24;

bool isPosition(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90.0 && std::fabs(lon) <= 180.0;
}

std::optional<double> elevationOf(QStringView text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) >= kNoAltitudeAbove)
        return std::nullopt;
    return value;
}

// One tuple "lon,lat[,alt]" (or "lon lat [alt]" for gx:coord, split by the caller).
std::optional<XmlTrackPoint> pointFromFields(const QList<QStringView>& fields)
{
    if (fields.size() < 2 || fields.size() > 3)
        return std::nullopt;
    bool okLon = false, okLat = false;
    XmlTrackPoint p;
    p.lon = fields[0].toDouble(&okLon);
    p.lat = fields[1].toDouble(&okLat);
    if (!okLon || !okLat || !isPosition(p.lat, p.lon))
        return std::nullopt;
    if (fields.size() == 3 && !fields[2].trimmed().isEmpty()) {
        bool ok = false;
        const double elevation = fields[2].toDouble(&ok);
        if (!ok)
            return std::nullopt; // "1,2,x" is no tuple
        if (std::isfinite(elevation) && std::fabs(elevation) < kNoAltitudeAbove)
            p.elevation = elevation;
    }
    return p;
}

// gx:coord "lon lat [alt]"; empty means a pause.
enum class CoordKind { Empty, Valid, Invalid };
CoordKind parseGxCoord(QStringView text, XmlTrackPoint& point)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return CoordKind::Empty;
    QList<QStringView> fields;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= trimmed.size(); ++i) {
        const bool space = i == trimmed.size() || trimmed[i].isSpace();
        if (space && start >= 0) {
            fields.append(trimmed.sliced(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    const auto p = pointFromFields(fields);
    if (!p)
        return CoordKind::Invalid;
    point = *p;
    return CoordKind::Valid;
}

bool samePath(const XmlTrackSegment& a, const XmlTrackSegment& b)
{
    if (a.points.size() != b.points.size())
        return false;
    for (qsizetype i = 0; i < a.points.size(); ++i) {
        if (std::fabs(a.points[i].lat - b.points[i].lat) > 1e-7 || std::fabs(a.points[i].lon - b.points[i].lon) > 1e-7)
            return false;
    }
    return true;
}

bool isTimed(const XmlTrackSegment& s)
{
    return std::any_of(s.points.begin(), s.points.end(), [](const XmlTrackPoint& p) { return p.time.has_value(); });
}

// KML writers put a LineString beside a gx:Track to draw it on the map (GPSBabel
// does so by default); replaying it would run the track a second time without
// its times. An untimed segment with the very path of a timed one is dropped.
void dropDrawnCopies(XmlTrackData& data)
{
    QList<XmlTrackSegment> timed;
    for (const auto& t : data.tracks) {
        for (const auto& s : t.segments) {
            if (isTimed(s))
                timed.append(s);
        }
    }
    if (timed.isEmpty())
        return;
    for (auto& t : data.tracks) {
        t.segments.removeIf([&](const XmlTrackSegment& s) {
            return !isTimed(s)
                && std::any_of(timed.begin(), timed.end(), [&](const XmlTrackSegment& x) { return samePath(s, x); });
        });
    }
    data.tracks.removeIf([](const XmlTrack& t) { return t.segments.isEmpty(); });
}

constexpr qint64 kTokensPerAsk = 4096;
// Every open element costs the reader memory; real tracks nest a dozen deep.
constexpr int kMaxDepth = 256;

class Walker {
public:
    Walker(QIODevice& device, const KeepGoing& keepGoing) : m_xml(&device), m_keepGoing(keepGoing) {}
    XmlTrackRead run();

private:
    // The name of the parent of the element being read.
    QStringView parent() const { return m_stack.isEmpty() ? QStringView() : QStringView(m_stack.last()); }
    QStringView grandparent() const
    {
        return m_stack.size() < 2 ? QStringView() : QStringView(m_stack[m_stack.size() - 2]);
    }
    bool inside(QLatin1StringView name) const { return m_stack.contains(name); }
    QString leafText();
    // Ends the reading when an element would open more levels than allowed.
    bool tooDeep(qsizetype depth);

    void gpxStart(QStringView name);
    void gpxEnd(QStringView name);
    void kmlStart(QStringView name);
    void kmlEnd(QStringView name);

    void openTrack(const QString& name, bool route);
    void closeTrack();
    void addSegment(QList<XmlTrackPoint> points);
    void finishGxTrack();
    void spreadTimeSpan();

    QXmlStreamReader m_xml;
    const KeepGoing& m_keepGoing;
    XmlTrackRead m_result;
    QStringList m_stack;
    bool m_tooDeep = false;

    std::optional<XmlTrack> m_track;    // the track being read
    QList<XmlTrackPoint> m_segment;     // GPX segment being read
    std::optional<XmlTrackPoint> m_point; // GPX point being read
    bool m_pointValid = false;

    // KML
    QString m_placemarkName;
    std::optional<QDateTime> m_spanBegin, m_spanEnd; // the Placemark's TimeSpan
    QList<std::optional<QDateTime>> m_whens;
    QList<QString> m_coords;
};

bool Walker::tooDeep(qsizetype depth)
{
    if (depth <= kMaxDepth)
        return false;
    m_tooDeep = true;
    m_xml.raiseError(QStringLiteral("nested deeper than %1 levels").arg(kMaxDepth));
    return true;
}

// The element's own text, its children's left out (they are skipped with
// their depth counted).
QString Walker::leafText()
{
    QString text;
    qsizetype depth = 0;
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (tooDeep(m_stack.size() + 2 + depth))
                return text;
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (depth-- == 0)
                return text;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (depth == 0)
                text += m_xml.text();
            break;
        case QXmlStreamReader::Invalid: return text;
        default: break;
        }
    }
    return text;
}

void Walker::openTrack(const QString& name, bool route)
{
    closeTrack();
    m_track = XmlTrack{};
    m_track->name = name;
    m_track->route = route;
}

void Walker::closeTrack()
{
    if (m_track && !m_track->segments.isEmpty())
        m_result.data.tracks.append(*m_track);
    m_track.reset();
}

void Walker::addSegment(QList<XmlTrackPoint> points)
{
    if (points.isEmpty())
        return;
    if (!m_track)
        openTrack(QString(), false);
    m_track->segments.append(XmlTrackSegment{std::move(points)});
}

void Walker::gpxStart(QStringView name)
{
    const QStringView up = parent();
    if ((name == u"trk" || name == u"rte") && up == u"gpx") {
        openTrack(QString(), name == u"rte");
    } else if (name == u"name" && (up == u"trk" || up == u"rte") && m_track) {
        m_track->name = leafText().trimmed();
        return;
    } else if (name == u"trkseg" && up == u"trk") {
        // Points written straight into the track before it form a segment.
        addSegment(std::exchange(m_segment, {}));
    } else if ((name == u"trkpt" && (up == u"trkseg" || up == u"trk")) || (name == u"rtept" && up == u"rte")
               || (name == u"wpt" && up == u"gpx")) {
        bool okLat = false, okLon = false;
        XmlTrackPoint p;
        p.lat = m_xml.attributes().value(QLatin1StringView("lat")).toDouble(&okLat);
        p.lon = m_xml.attributes().value(QLatin1StringView("lon")).toDouble(&okLon);
        m_pointValid = okLat && okLon && isPosition(p.lat, p.lon);
        m_point = p;
    } else if (m_point && (up == u"trkpt" || up == u"rtept" || up == u"wpt")) {
        if (name == u"ele") {
            m_point->elevation = elevationOf(leafText());
            return;
        }
        if (name == u"time") {
            m_point->time = parseXmlTime(leafText());
            return;
        }
    }
    m_stack.append(name.toString());
}

void Walker::gpxEnd(QStringView name)
{
    if (name == u"trkpt" || name == u"rtept") {
        if (m_point) {
            if (m_pointValid)
                m_segment.append(*m_point);
            else
                ++m_result.data.skippedPoints;
        }
        m_point.reset();
    } else if (name == u"wpt" && parent() == u"gpx") {
        if (m_point) {
            if (m_pointValid)
                m_result.data.waypoints.append(*m_point);
            else
                ++m_result.data.skippedWaypoints;
        }
        m_point.reset();
    } else if (name == u"trkseg") {
        addSegment(std::exchange(m_segment, {}));
    } else if (name == u"trk" || name == u"rte") {
        addSegment(std::exchange(m_segment, {}));
        closeTrack();
    }
}

void Walker::kmlStart(QStringView name)
{
    const QStringView up = parent();
    if (name == u"Placemark") {
        closeTrack();
        m_placemarkName.clear();
        m_spanBegin.reset();
        m_spanEnd.reset();
        m_track = XmlTrack{};
    } else if (name == u"name" && up == u"Placemark") {
        m_placemarkName = leafText().trimmed();
        if (m_track)
            m_track->name = m_placemarkName;
        return;
    } else if ((name == u"begin" || name == u"end") && up == u"TimeSpan" && grandparent() == u"Placemark") {
        (name == u"begin" ? m_spanBegin : m_spanEnd) = parseXmlTime(leafText());
        return;
    } else if (name == u"coordinates" && up == u"LineString") {
        int skipped = 0;
        auto points = parseKmlCoordinates(leafText(), &skipped);
        m_result.data.skippedPoints += skipped;
        // A LineString outside any Placemark is a track of its own.
        const bool own = !inside(QLatin1StringView("Placemark"));
        if (own)
            openTrack(QString(), false);
        addSegment(std::move(points));
        if (own)
            closeTrack();
        return;
    } else if (name == u"Track") {
        m_whens.clear();
        m_coords.clear();
    } else if (name == u"when" && up == u"Track") {
        m_whens.append(parseXmlTime(leafText()));
        return;
    } else if (name == u"coord" && up == u"Track") {
        m_coords.append(leafText());
        return;
    }
    m_stack.append(name.toString());
}

// Pairs the when and gx:coord lists in order. An empty gx:coord is a pause:
// the points after it form a new segment.
void Walker::finishGxTrack()
{
    const bool own = !inside(QLatin1StringView("Placemark"));
    if (own)
        openTrack(QString(), false);
    QList<XmlTrackPoint> points;
    for (qsizetype i = 0; i < m_coords.size(); ++i) {
        XmlTrackPoint p;
        switch (parseGxCoord(m_coords[i], p)) {
        case CoordKind::Empty:
            addSegment(std::exchange(points, {}));
            continue;
        case CoordKind::Invalid:
            ++m_result.data.skippedPoints;
            continue;
        case CoordKind::Valid:
            break;
        }
        if (i < m_whens.size())
            p.time = m_whens[i];
        points.append(p);
    }
    addSegment(std::move(points));
    if (own)
        closeTrack();
    m_whens.clear();
    m_coords.clear();
}

// A LineString carries no times, but its Placemark's TimeSpan says when the
// path was travelled: the points are spread evenly over it, as GPSBabel and
// Google Earth take it.
void Walker::spreadTimeSpan()
{
    if (!m_track || !m_spanBegin || !m_spanEnd || *m_spanEnd < *m_spanBegin)
        return;
    qsizetype untimed = 0;
    for (const auto& s : m_track->segments) {
        for (const auto& p : s.points)
            untimed += p.time ? 0 : 1;
    }
    if (untimed == 0)
        return;
    const qint64 spanMs = m_spanBegin->msecsTo(*m_spanEnd);
    qsizetype i = 0;
    for (auto& s : m_track->segments) {
        for (auto& p : s.points) {
            if (p.time)
                continue;
            const qint64 offset = untimed == 1 ? 0 : std::llround(double(spanMs) * double(i) / double(untimed - 1));
            QDateTime t = m_spanBegin->addMSecs(offset);
            t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
            p.time = t;
            ++i;
        }
    }
}

void Walker::kmlEnd(QStringView name)
{
    if (name == u"Track") {
        finishGxTrack();
    } else if (name == u"Placemark") {
        if (m_track)
            m_track->name = m_placemarkName;
        spreadTimeSpan();
        closeTrack();
    }
}

XmlTrackRead Walker::run()
{
    bool rootSeen = false;
    bool contentSeen = false;
    bool kml = false;
    qint64 tokens = 0;
    while (!m_xml.atEnd()) {
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::Invalid)
            break;
        if (m_keepGoing && ++tokens % kTokensPerAsk == 0 && !m_keepGoing()) {
            m_result.data = {};
            m_result.error = XmlTrackRead::Stopped;
            m_result.errorText = QStringLiteral("Stopped");
            return m_result;
        }
        if (token == QXmlStreamReader::StartElement) {
            contentSeen = true;
            if (tooDeep(m_stack.size() + 1))
                break;
            const QStringView name = m_xml.name();
            if (!rootSeen) {
                rootSeen = true;
                if (name == u"gpx") {
                    m_result.data.kind = XmlTrackKind::Gpx;
                    m_result.data.version = m_xml.attributes().value(QLatin1StringView("version")).toString();
                    m_result.data.creator = m_xml.attributes().value(QLatin1StringView("creator")).toString();
                } else if (name == u"kml") {
                    kml = true;
                    m_result.data.kind = XmlTrackKind::Kml;
                } else {
                    m_result.error = XmlTrackRead::NotGpxOrKml;
                    m_result.errorText = QStringLiteral("Not a GPX/KML file");
                    return m_result;
                }
                m_stack.append(name.toString());
                continue;
            }
            if (kml)
                kmlStart(name);
            else
                gpxStart(name);
        } else if (token == QXmlStreamReader::EndElement) {
            if (!m_stack.isEmpty())
                m_stack.removeLast();
            if (kml)
                kmlEnd(m_xml.name());
            else
                gpxEnd(m_xml.name());
        } else if (token == QXmlStreamReader::Characters) {
            contentSeen = contentSeen || !m_xml.isWhitespace();
        } else if (token != QXmlStreamReader::StartDocument) {
            contentSeen = true;
        }
    }
    if (m_xml.hasError()) {
        m_result.data = {};
        if (!contentSeen && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            m_result.error = XmlTrackRead::Empty;
            m_result.errorText = QStringLiteral("Empty file");
        } else if (!rootSeen) {
            m_result.error = XmlTrackRead::NotGpxOrKml;
            m_result.errorText = QStringLiteral("Not a GPX/KML file");
        } else if (m_tooDeep) {
            m_result.error = XmlTrackRead::TooDeep;
            m_result.errorLine = m_xml.lineNumber();
            m_result.errorText =
                QStringLiteral("XML nested deeper than %1 levels in line %2").arg(kMaxDepth).arg(m_xml.lineNumber());
        } else {
            m_result.error = XmlTrackRead::Malformed;
            m_result.errorLine = m_xml.lineNumber();
            m_result.errorText =
                QStringLiteral("XML error in line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString());
        }
        return m_result;
    }
    closeTrack();
    dropDrawnCopies(m_result.data);
    return m_result;
}

} // namespace

qsizetype XmlTrackData::pointCount() const
{
    qsizetype n = 0;
    for (const auto& t : tracks) {
        for (const auto& s : t.segments)
            n += s.points.size();
    }
    return n;
}

qsizetype XmlTrackData::segmentCount() const
{
    qsizetype n = 0;
    for (const auto& t : tracks)
        n += t.segments.size();
    return n;
}

bool XmlTrackData::hasTimes() const
{
    for (const auto& t : tracks) {
        for (const auto& s : t.segments) {
            for (const auto& p : s.points) {
                if (p.time)
                    return true;
            }
        }
    }
    return false;
}

std::optional<QDateTime> parseXmlTime(QStringView text)
{
    // Read by position rather than by pattern: a large track holds a time per point.
    const QStringView t = text.trimmed();
    qsizetype pos = 0;
    auto number = [&](int count, int& value) {
        value = 0;
        for (int i = 0; i < count; ++i, ++pos) {
            if (pos >= t.size() || !t[pos].isDigit() || t[pos].unicode() > '9')
                return false;
            value = value * 10 + (t[pos].unicode() - '0');
        }
        return true;
    };
    auto expect = [&](QStringView chars) {
        if (pos >= t.size() || !chars.contains(t[pos]))
            return false;
        ++pos;
        return true;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!(number(4, y) && expect(u"-") && number(2, mo) && expect(u"-") && number(2, d) && expect(u"Tt ")
          && number(2, h) && expect(u":") && number(2, mi) && expect(u":") && number(2, s)))
        return std::nullopt;
    if (pos < t.size() && (t[pos] == u'.' || t[pos] == u',')) {
        ++pos;
        const qsizetype digitsStart = pos;
        while (pos < t.size() && t[pos].unicode() >= '0' && t[pos].unicode() <= '9')
            ++pos;
        if (pos == digitsStart)
            return std::nullopt;
    }
    int offsetMinutes = 0;
    if (pos < t.size() && (t[pos] == u'Z' || t[pos] == u'z')) {
        ++pos;
    } else if (pos < t.size() && (t[pos] == u'+' || t[pos] == u'-')) {
        const int sign = t[pos] == u'+' ? 1 : -1;
        ++pos;
        int oh = 0, om = 0;
        if (!number(2, oh))
            return std::nullopt;
        if (pos < t.size()) {
            if (t[pos] == u':')
                ++pos;
            if (!number(2, om))
                return std::nullopt;
        }
        offsetMinutes = sign * (oh * 60 + om);
        if (oh * 60 + om > 18 * 60 || om > 59)
            return std::nullopt;
    }
    if (pos != t.size())
        return std::nullopt;
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    // 12:00+02:00 is 10:00 UTC.
    return QDateTime(date, time, Qt::UTC).addSecs(-60 * qint64(offsetMinutes));
}

QList<XmlTrackPoint> parseKmlCoordinates(QStringView text, int* skipped)
{
    QList<XmlTrackPoint> points;
    int bad = 0;
    QString tuple;
    auto flush = [&] {
        if (tuple.isEmpty())
            return;
        const auto fields = QStringView(tuple).split(u',');
        if (const auto p = pointFromFields(fields))
            points.append(*p);
        else
            ++bad;
        tuple.clear();
    };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (!text[i].isSpace()) {
            tuple.append(text[i++]);
            continue;
        }
        qsizetype j = i;
        while (j < n && text[j].isSpace())
            ++j;
        // "lon, lat, alt": blanks beside a comma stay inside the tuple.
        const bool joins = (!tuple.isEmpty() && tuple.back() == u',') || (j < n && text[j] == u',');
        if (!joins)
            flush();
        i = j;
    }
    flush();
    if (skipped)
        *skipped = bad;
    return points;
}

XmlTrackRead readXmlTrack(QIODevice& device, const KeepGoing& keepGoing)
{
    return Walker(device, keepGoing).run();
}

XmlTrackRead readXmlTrackFile(const QString& path, const KeepGoing& keepGoing)
{
    QFile file;
    QString reason;
    if (!zv::openFile(file, path, QIODevice::ReadOnly, &reason)) {
        XmlTrackRead result;
        result.error = XmlTrackRead::CannotOpen;
        result.errorText = QStringLiteral("Cannot open %1: %2").arg(path, reason);
        return result;
    }
    if (file.size() == 0) {
        XmlTrackRead result;
        result.error = XmlTrackRead::Empty;
        result.errorText = QStringLiteral("Empty file");
        return result;
    }
    return readXmlTrack(file, keepGoing);
}

} // namespace zelvan
