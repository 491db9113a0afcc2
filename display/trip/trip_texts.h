#pragma once
// The read-out texts of the trip statistics and the route caption.
#include <QString>

namespace vur {

// RZ / FZ: hours with the blank of a non-negative number, ":", two-digit
// minutes (3900 s -> " 1:05").
QString tripTimeText(double seconds);

// One decimal in the C locale ("0.0").
QString oneDecimalText(double value);

// STRluft: metres cut down to 100 m, shown in km (1234 -> "1.2", 99 -> "0.0").
QString airDistanceText(double metres);

// Berg: the climb over the last 0.1 km with its sign ("+3", "-4"), or "__"
// when it is too small (|climb| <= 1) or meaningless (>= 5000).
QString slopeText(int climb);

// RTEL: "<--- " + 2^(s-1) with the number's leading blank + " km --->".
QString routeCaption(int scale);
// The caption at start and after a reset.
inline constexpr const char* kInitialRouteCaption = "<--- 1 km --->";

} // namespace vur
