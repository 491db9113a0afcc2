#include "sim/geometry/track_geometry.h"

#include <cmath>

namespace zelvan {
namespace {
constexpr double kPi = 3.14159265358979;
constexpr double kMetresPerMinute = 1855.0;
constexpr double kHalfCircleMinutes = 180.0 * 60.0;

int wholeDegrees(double ratio)
{
    return static_cast<int>(std::floor(std::atan(ratio) * 180.0 / kPi));
}
} // namespace

DistanceAndCourse distanceAndCourse(double lat1, double lat2, double lon1, double lon2)
{
    DistanceAndCourse result;
    const double meanLat = (lat1 / 60.0 + lat2 / 60.0) / 180.0 * kPi / 2.0;
    const double northing = (lat2 - lat1) * kMetresPerMinute;
    // Signed longitudes take the shorter way round: across the 180th meridian
    // 179 59.9 E to 179 59.9 W is 0.2 minutes east, not 359 59.8 west.
    const double easting = foldedLongitude(lon2 - lon1) * kMetresPerMinute * std::cos(meanLat);
    const double d = std::floor(std::sqrt(northing * northing + easting * easting) + 0.5);
    if (!std::isfinite(d))
        return result;
    result.distanceM = d;
    if (d == 0)
        return result;
    if (northing == 0 && easting > 0)
        result.courseDeg = 90;
    else if (northing == 0 && easting < 0)
        result.courseDeg = 270;
    else if (easting == 0 && northing > 0)
        result.courseDeg = 0;
    else if (easting == 0 && northing < 0)
        result.courseDeg = 180;
    else if (northing >= 0 && easting >= 0)
        result.courseDeg = wholeDegrees(easting / northing);
    else if (northing < 0 && easting >= 0)
        result.courseDeg = wholeDegrees(-northing / easting) + 90;
    else if (northing < 0 && easting < 0)
        result.courseDeg = wholeDegrees(easting / northing) + 180;
    else
        result.courseDeg = wholeDegrees(northing / -easting) + 270;
    return result;
}

double foldedLongitude(double minutes)
{
    if (minutes > kHalfCircleMinutes)
        return minutes - 2 * kHalfCircleMinutes;
    if (minutes < -kHalfCircleMinutes)
        return minutes + 2 * kHalfCircleMinutes;
    return minutes;
}

int courseForHemisphere(int course, char latHemisphere, char lonHemisphere)
{
    if (lonHemisphere == 'W')
        course = 360 - course;
    if (latHemisphere == 'S') {
        course = 180 - course;
        if (course < 0)
            course += 360;
    }
    return course;
}

} // namespace zelvan
