#pragma once
// The points of a route, read from a file: a GPX route (rte), a GPX or KML
// track, GPX waypoints, any track file the replay reads, or a plain list of
// "lat,lon" lines in decimal degrees. The existing readers do the reading;
// this only picks what serves as the route.
#include "sim/route/route_path.h"
#include "sim/tracks/xml_track.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace zelvan {

struct RouteRead {
    QList<RoutePoint> points;
    QString kind;     // what the points are: "GPX route", "GPX waypoints", "OziExplorer track" ...
    int skipped = 0;  // points without a possible position, left out
    QString error;    // why the file gives no route, with its name (and line)
    bool ok() const { return error.isEmpty(); }
};

// One "lat,lon" line (blanks around the numbers allowed), in range; none otherwise.
std::optional<RoutePoint> parseLatLonLine(QByteArrayView line);

// Whether a line is a list's blank line or "#" comment.
bool isLatLonFiller(QByteArrayView line);

// A whole list: blank lines and "#" comments pass; the first bad line is an
// error naming `name` and the line's number.
RouteRead readLatLonList(QByteArrayView text, const QString& name);

// Routes first, else tracks, else waypoints; every route (or track) of the
// file in its order, joined into one path.
RouteRead routeFromXml(const XmlTrackData& data);

// Reads the file and picks its points. XML by its content or a .gpx/.kml
// name, a list when the first line that is no blank or comment holds two
// numbers joined by one comma, else a track file by its layout.
RouteRead readRouteFile(const QString& path);

} // namespace zelvan
