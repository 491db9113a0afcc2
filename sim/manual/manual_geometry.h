#pragma once
// Flat-earth distance and course between two positions given in minutes of
// arc (degrees x 60 + minutes): 1855 m per minute, the easting scaled by
// the cosine of the mean latitude, the course in whole degrees.
#include <optional>

namespace zelvan {

struct DistanceCourse {
    int distanceM = 0;
    // Whole degrees 0..359; empty when the distance is 0 (the caller keeps
    // its previous course then).
    std::optional<int> courseDeg;
};

// From (lat1, lon1) to (lat2, lon2). Growing latitude minutes count as
// north and growing longitude minutes as east; callers with unsigned
// southern or western minutes correct the course themselves.
DistanceCourse distanceAndCourse(double lat1, double lat2, double lon1, double lon2);

} // namespace zelvan
