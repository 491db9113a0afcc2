#pragma once
// Dates as NMEA sentences and track files write them (ddmmyy).

namespace zv {

// Two-digit years above this belong to the 1900s.
inline constexpr int kTwoDigitYearPivot = 80;

} // namespace zv
