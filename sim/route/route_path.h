#pragma once
// A route as a path on the earth: great-circle legs between its points,
// walked by the distance travelled from the first point. The earth is a
// sphere of the mean radius; the arithmetic is done on unit vectors, so the
// 180th meridian and the poles need no special cases.
#include "sim/geometry/track_geometry.h"

#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace zelvan {

// Decimal degrees, south and west negative.
struct RoutePoint {
    double lat = 0;
    double lon = 0;
    bool operator==(const RoutePoint&) const = default;
};

// Where the path is at some distance, and which way it goes there.
struct RouteFix {
    double lat = 0;       // -90..90
    double lon = 0;       // -180..<180
    double courseDeg = 0; // true course toward the leg's end, 0..<360
    int leg = 0;          // the leg walked, counted from 0
    bool atEnd = false;   // the distance reached the last point
};

class RoutePath {
public:
    // Points closer together than this are one place: the leg between them is dropped.
    static constexpr double kSamePlaceRad = 1e-9; // about 6 mm
    // Neighbours this close to opposite sides of the earth have no one
    // great circle between them.
    static constexpr double kAntipodalRad = 1e-6; // about 6 m

    // None, with the reason, when fewer than two different places remain or
    // two neighbours lie on opposite sides of the earth.
    static std::optional<RoutePath> fromPoints(const QList<RoutePoint>& points, QString* why = nullptr);

    double lengthM() const { return m_cumulativeM.back(); }
    int legCount() const { return int(m_cumulativeM.size()) - 1; }
    // The places the path joins (repeats dropped).
    const QList<RoutePoint>& points() const { return m_points; }

    // The place distanceM along the path (0 at the first point, clamped to
    // the path's ends).
    RouteFix at(double distanceM) const;

private:
    struct Vec {
        double x = 0, y = 0, z = 0;
    };
    static Vec unit(const RoutePoint& p);
    static RoutePoint place(const Vec& v);
    static double courseAt(const Vec& position, const Vec& legNormal);

    RoutePath() = default;
    QList<RoutePoint> m_points;
    std::vector<Vec> m_unit;
    std::vector<Vec> m_normal;        // per leg: perpendicular to its great circle
    std::vector<double> m_angle;      // per leg, radians
    std::vector<double> m_cumulativeM{0.0}; // distance from the first point to each point
};

} // namespace zelvan
