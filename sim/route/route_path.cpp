#include "sim/route/route_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelvan {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

double dot(double ax, double ay, double az, double bx, double by, double bz)
{
    return ax * bx + ay * by + az * bz;
}

} // namespace

RoutePath::Vec RoutePath::unit(const RoutePoint& p)
{
    const double lat = p.lat * kDeg, lon = p.lon * kDeg;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

RoutePoint RoutePath::place(const Vec& v)
{
    RoutePoint p;
    p.lat = std::atan2(v.z, std::hypot(v.x, v.y)) / kDeg;
    p.lon = std::atan2(v.y, v.x) / kDeg;
    if (p.lon >= 180.0)
        p.lon -= 360.0;
    return p;
}

double RoutePath::courseAt(const Vec& v, const Vec& n)
{
    // The way along the great circle: its normal crossed with the position.
    const double tx = n.y * v.z - n.z * v.y;
    const double ty = n.z * v.x - n.x * v.z;
    const double tz = n.x * v.y - n.y * v.x;
    // North and east at the position; at a pole they follow the longitude
    // atan2 gives there, which keeps the course finite.
    const double lat = std::atan2(v.z, std::hypot(v.x, v.y));
    const double lon = std::atan2(v.y, v.x);
    const double east = dot(tx, ty, tz, -std::sin(lon), std::cos(lon), 0);
    const double north = dot(tx, ty, tz, -std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon), std::cos(lat));
    double course = std::atan2(east, north) / kDeg;
    if (course < 0)
        course += 360.0;
    if (course >= 360.0)
        course -= 360.0;
    return course;
}

std::optional<RoutePath> RoutePath::fromPoints(const QList<RoutePoint>& points, QString* why)
{
    auto refuse = [why](const QString& text) -> std::optional<RoutePath> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    RoutePath path;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const RoutePoint& p = points[i];
        if (!std::isfinite(p.lat) || !std::isfinite(p.lon) || std::fabs(p.lat) > 90.0 || std::fabs(p.lon) > 180.0)
            return refuse(QStringLiteral("point %1 is no place on the earth").arg(i + 1));
        const Vec b = unit(p);
        if (path.m_unit.empty()) {
            path.m_points.append(p);
            path.m_unit.push_back(b);
            continue;
        }
        const Vec& a = path.m_unit.back();
        const Vec n{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        const double sine = std::sqrt(dot(n.x, n.y, n.z, n.x, n.y, n.z));
        const double angle = std::atan2(sine, dot(a.x, a.y, a.z, b.x, b.y, b.z));
        if (angle < kSamePlaceRad)
            continue; // a repeated point: no leg
        if (std::numbers::pi - angle < kAntipodalRad)
            return refuse(QStringLiteral("points %1 and %2 lie on opposite sides of the earth: no one way leads "
                                         "from one to the other")
                              .arg(i)
                              .arg(i + 1));
        path.m_points.append(p);
        path.m_unit.push_back(b);
        path.m_normal.push_back({n.x / sine, n.y / sine, n.z / sine});
        path.m_angle.push_back(angle);
        path.m_cumulativeM.push_back(path.m_cumulativeM.back() + angle * kMeanEarthRadiusM);
    }
    if (path.m_points.size() < 2)
        return refuse(points.isEmpty() ? QStringLiteral("no points")
                                       : QStringLiteral("a route needs two different places, this one has one"));
    return path;
}

RouteFix RoutePath::at(double distanceM) const
{
    RouteFix fix;
    const int legs = legCount();
    if (!(distanceM > 0)) // NaN too
        distanceM = 0;
    if (distanceM >= lengthM()) {
        const Vec& end = m_unit.back();
        const RoutePoint p = m_points.back();
        fix.lat = p.lat;
        fix.lon = p.lon >= 180.0 ? p.lon - 360.0 : p.lon;
        fix.leg = legs - 1;
        fix.courseDeg = courseAt(end, m_normal.back());
        fix.atEnd = true;
        return fix;
    }
    // The leg whose start lies at or before the distance.
    const auto next = std::upper_bound(m_cumulativeM.begin(), m_cumulativeM.end(), distanceM);
    const int leg = std::clamp(int(next - m_cumulativeM.begin()) - 1, 0, legs - 1);
    const Vec& a = m_unit[size_t(leg)];
    const Vec& b = m_unit[size_t(leg) + 1];
    const double angle = m_angle[size_t(leg)];
    const double walked = (distanceM - m_cumulativeM[size_t(leg)]) / kMeanEarthRadiusM;
    // Along the great circle from a toward b.
    const double wa = std::sin(angle - walked) / std::sin(angle);
    const double wb = std::sin(walked) / std::sin(angle);
    Vec v{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
    const double norm = std::sqrt(dot(v.x, v.y, v.z, v.x, v.y, v.z));
    v = {v.x / norm, v.y / norm, v.z / norm};
    const RoutePoint p = place(v);
    fix.lat = p.lat;
    fix.lon = p.lon;
    fix.leg = leg;
    fix.courseDeg = courseAt(v, m_normal[size_t(leg)]);
    return fix;
}

} // namespace zelvan
