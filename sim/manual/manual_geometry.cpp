#include "sim/manual/manual_geometry.h"

#include <cmath>

namespace zelvan {

DistanceCourse distanceAndCourse(double lat1, double lat2, double lon1, double lon2)
{
    constexpr double kPi = 3.14159265358979;
    constexpr double kMetresPerMinute = 1855.0;
    const double meanLat = (lat1 / 60.0 + lat2 / 60.0) / 180.0 * kPi / 2.0;
    const double northing = (lat2 - lat1) * kMetresPerMinute;
    const double easting = (lon2 - lon1) * kMetresPerMinute * std::cos(meanLat);

    DistanceCourse r;
    r.distanceM = static_cast<int>(std::floor(std::sqrt(northing * northing + easting * easting) + 0.5));
    if (r.distanceM == 0)
        return r;

    auto deg = [&](double x) { return static_cast<int>(std::floor(std::atan(x) * 180.0 / kPi)); };
    if (northing == 0 && easting > 0)
        r.courseDeg = 90;
    else if (northing == 0 && easting < 0)
        r.courseDeg = 270;
    else if (easting == 0 && northing > 0)
        r.courseDeg = 0;
    else if (easting == 0 && northing < 0)
        r.courseDeg = 180;
    else if (northing >= 0 && easting >= 0)
        r.courseDeg = deg(easting / northing);
    else if (northing < 0 && easting >= 0)
        r.courseDeg = deg(-northing / easting) + 90;
    else if (northing < 0 && easting < 0)
        r.courseDeg = deg(easting / northing) + 180;
    else
        r.courseDeg = deg(northing / -easting) + 270;
    return r;
}

} // namespace zelvan
