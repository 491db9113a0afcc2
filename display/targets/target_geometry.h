#pragma once
// Way to an own target: distance, bearing, compass-point letters, the
// distance text and the arrow. Positions are signed (south and west
// negative) so nothing is mirrored or folded at the equator or the prime
// meridian.
#include <QList>
#include <QPoint>
#include <QString>

#include <optional>


namespace vur {

// A position in signed arc-seconds.
struct Position {
    double latSec = 0.0;
    double lonSec = 0.0;
    bool operator==(const Position&) const = default;
};

// The position a 33-character target line holds (its hemisphere letters
// give the signs). A short or empty line reads as 0 degrees 0 minutes.
Position targetLinePosition(const QString& line);

struct OwnTargetWay {
    int dy = 0;                // metres north (floor)
    double dx = 0.0;           // metres east
    int distance = 0;          // metres (floor)
    std::optional<int> bearing; // whole degrees; absent when target and position coincide
};

// 1857 m per minute of latitude, 1855 m per minute of longitude at the
// equator times the cosine of the current latitude; pi as 3.1415.
OwnTargetWay ownTargetWay(const Position& target, const Position& current);

// Bearing from the metre offsets, whole degrees (floor); absent for (0, 0).
std::optional<int> bearingOf(int dy, double dx);

// " 85 m", "450 m", " 4.56 km", " 12 km".
QString targetDistanceText(int metres);
// German compass points, O = east ("N", "NO", "O", "SO", "S", "SW", "W", "NW").
QString compassLetters(double bearing);

// Arrow angle relative to the course: own target bearing + 360 - course
// folded into 0..360; from the receiver bearing - course, + 360 when negative.
double relativeToCourse(double bearing, int courseInt);
double receiverRelative(double bearing, double course);

// The arrow outline in DirP's coordinates (0..1000, y down, ahead is up):
// P(aL,300) P(a,300) P(aR,300) P(aB,200) P(aL,300).
QList<QPoint> arrowOutline(double relativeDeg);

} // namespace vur
