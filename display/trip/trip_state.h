#pragma once
// The whole state of one trip: statistics, both profiles and the route.
// A recording stores exactly this, so loading can build a complete trip
// aside and swap it in only when the file was read through.
#include <QString>

#include <array>
#include <cstdint>

namespace vur {

// One profile strip: samples 1..points are drawn at x = k - 1; the strip
// holds 449 samples and then scrolls left.
struct Profile {
    static constexpr int kSize = 453;       // indexes 0..452
    static constexpr int kMaxPoints = 449;
    std::array<std::int32_t, kSize> values{};
    int points = 0;
    bool operator==(const Profile&) const = default;
};

// Route points in metres from the start point (y south, x east).
struct Route {
    static constexpr int kCapacity = 4001;  // indexes 0..4000
    // Scale steps are bounded: at 16 half the view is 16,384 km (the whole
    // earth) and a point is still stored every 2^15 RMCs; below 1 every RMC
    // stores one.
    static constexpr int kMinScale = -10;
    static constexpr int kMaxScale = 16;
    std::array<std::int32_t, kCapacity> y{};
    std::array<std::int32_t, kCapacity> x{};
    int count = 0;
    int scale = 1;                          // half the view width is 500 * 2^(s-1) m
    int tick = 0;                           // RMCs since the last stored point
    bool operator==(const Route&) const = default;
};

struct TripState {
    // Statistics
    std::int32_t maxSpeed = 0;              // km/h
    std::int64_t speedSum = 0;
    std::int32_t speedCount = 0;
    double avgSpeed = 0.0;
    double distanceKm = 0.0;
    QString distanceText;                   // last text shown in STRweg
    QString slopeText;                      // last text shown in Berg
    int prevAltitude = -9999;               // altitude at the last slope update
    bool hasStart = false;
    double lat0Sec = 0.0;                   // start point, signed arc-seconds
    double lon0Sec = 0.0;
    std::int32_t airDistance = 0;           // m
    bool airShown = false;                  // STRluft has a value
    double travelTime = 0.0;                // s with fix
    double drivingTime = 0.0;               // s with speed != 0
    std::int32_t maxAltitude = 0;
    std::int32_t minAltitude = 9999;
    bool extremesShown = false;             // NNmax/NNmin have values
    bool speedsShown = false;               // SPDmax/SPDavg have values
    QString clockText;                      // Uhr at the last RMC
    QString dateText;                       // Datum at the last RMC

    // Profiles and route
    Profile speed;
    Profile altitude;
    std::int64_t speedAccu = 0;             // RMC speeds since the last speed sample
    std::int32_t speedAccuCount = 0;
    Route route;
    double lastX = 0.0, lastY = 0.0;        // last route position (drawn, maybe not stored)
    bool hasLast = false;
};

} // namespace vur
