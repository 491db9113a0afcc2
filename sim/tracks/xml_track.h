#pragma once
// GPX and KML track files read with an XML stream reader into plain data:
// tracks with names, segments and points. GPX tracks (trk/trkseg/trkpt) and
// routes (rte/rtept); KML LineStrings with any layout of coordinate tuples
// and gx:Track (when with gx:coord). Waypoints, KML Points and polygon
// outlines are not tracks and are left out, and so is a LineString that only
// draws the path of a gx:Track in the same file. A LineString whose Placemark
// has a TimeSpan gets its points' times spread evenly over that span. GPX
// waypoints are kept apart, for a route made of them.
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QIODevice;

namespace zelvan {

struct XmlTrackPoint {
    double lat = 0; // decimal degrees, south negative
    double lon = 0; // decimal degrees, west negative
    std::optional<double> elevation; // metres
    std::optional<QDateTime> time;   // UTC, whole seconds

    bool operator==(const XmlTrackPoint&) const = default;
};

struct XmlTrackSegment {
    QList<XmlTrackPoint> points;

    bool operator==(const XmlTrackSegment&) const = default;
};

struct XmlTrack {
    QString name;       // empty when the file gives none
    bool route = false; // a GPX route rather than a track
    QList<XmlTrackSegment> segments; // never empty segments

    bool operator==(const XmlTrack&) const = default;
};

enum class XmlTrackKind { Gpx, Kml };

struct XmlTrackData {
    XmlTrackKind kind = XmlTrackKind::Gpx;
    QString version;      // GPX version attribute ("1.0", "1.1"); empty for KML
    QString creator;      // GPX creator attribute
    QList<XmlTrack> tracks; // never tracks without points
    int skippedPoints = 0;  // points with a missing or impossible position
    QList<XmlTrackPoint> waypoints; // GPX wpt, in file order
    int skippedWaypoints = 0;

    qsizetype pointCount() const;
    qsizetype segmentCount() const;
    bool hasTimes() const; // at least one point carries a time
};

// Asked now and then by long readings and conversions (the window handles
// its events there); false stops the work, which then writes nothing.
using KeepGoing = std::function<bool()>;

struct XmlTrackRead {
    enum Error { None, CannotOpen, Empty, NotGpxOrKml, Malformed, TooDeep, Stopped };
    Error error = None;
    QString errorText;     // for the user; empty when error is None
    qint64 errorLine = 0;  // line of a malformed document (1-based)
    XmlTrackData data;
};

// Reads a GPX or KML document (the root element decides, not the name).
XmlTrackRead readXmlTrack(QIODevice& device, const KeepGoing& keepGoing = {});
XmlTrackRead readXmlTrackFile(const QString& path, const KeepGoing& keepGoing = {});

// An XML time ("2005-01-05T12:34:56Z", with fraction or offset) as UTC to the
// whole second; a time without offset counts as UTC. None when unreadable.
std::optional<QDateTime> parseXmlTime(QStringView text);

// KML <coordinates>: tuples "lon,lat[,alt]" separated by any white space;
// blanks next to a comma are tolerated. Tuples that are not two or three
// numbers with a possible position are counted in `skipped`.
QList<XmlTrackPoint> parseKmlCoordinates(QStringView text, int* skipped = nullptr);

} // namespace zelvan
