#pragma once
// Flat-earth distance and course between two positions in minutes of arc,
// the one routine the track replay and the manual composer share.
#include <optional>

namespace zelvan {

// The mean earth radius, for the great-circle work of routes and position jumps.
inline constexpr double kMeanEarthRadiusM = 6'371'008.8;

struct DistanceAndCourse {
    double distanceM = 0;          // whole metres
    std::optional<int> courseDeg;  // whole degrees; none when the distance is 0
};

// 1855 m per minute of arc; growing latitude minutes are north, growing
// longitude minutes east. Callers that pass signed minutes (south and west
// negative) get the true course without a hemisphere correction, across the
// 180th meridian too (a longitude difference beyond 180 degrees is taken
// the shorter way round).
DistanceAndCourse distanceAndCourse(double lat1, double lat2, double lon1, double lon2);

// A longitude, or a difference of two, in signed minutes of arc folded into
// -180..180 degrees: the short way round, across 180 degrees as across
// Greenwich.
double foldedLongitude(double minutes);

// Course measured on unsigned minutes, corrected for the hemisphere: west
// mirrors east and west, south mirrors north and south.
int courseForHemisphere(int course, char latHemisphere, char lonHemisphere);

} // namespace zelvan
