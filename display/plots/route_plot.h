#pragma once
// The route view RTE: a north-up sketch around the trip's start point in
// coordinates 0..100 both ways, the start at (50, 50). Distances use fixed
// metres per arc-second (30 north-south, 21 east-west), so it is a sketch,
// not a map.
#include "display/trip/trip_state.h"

#include <QPointF>
#include <QRectF>

#include <optional>

class QPainter;

namespace vur {

// Screen point of a route point in metres (x east, y south) at scale step s:
// (x / (5 * 2^s) + 50, y / (5 * 2^s) + 50).
QPointF routeScreenPoint(double x, double y, int scale);

// Draws the route into rect: blue lines from the start through the stored
// points, on to the last position when it was not stored, and the
// destination (x east, y south, metres) as a green circle of radius 3.
void drawRoute(QPainter* painter, const QRectF& rect, const TripState& trip,
               std::optional<QPointF> destination = std::nullopt);

} // namespace vur
