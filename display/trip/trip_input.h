#pragma once
// What the trip takes from each decoded sentence. The RMC and GGA decoders
// fill these (or an adapter builds them from the decoders' own results).
#include <QDate>
#include <QString>

#include <optional>

namespace vur {

struct TripRmc {
    double utcSecondsOfDay = 0.0;       // field 1, hhmmss(.ss) as seconds since UTC midnight
    QDate utcDate;                      // field 9; invalid when absent
    double localSecondsOfDay = 0.0;     // the same instant in local time (sample tick)
    int speedKmh = 0;                   // rxSpeedKmh: floor(knots * 1.852 + 0.5)
    double courseDeg = 0.0;             // Val(field 8)
    // DisplayState::fixLosses when this RMC was read: when it differs from
    // the previous RMC's, the fix was lost in between.
    int fixLosses = 0;
    std::optional<double> latSec;       // signed arc-seconds, south negative
    std::optional<double> lonSec;       // signed arc-seconds, west negative
    QString clockText;                  // Uhr as shown after this RMC
    QString dateText;                   // Datum as shown after this RMC
};

struct TripGga {
    int satsUsed = 0;                   // field 7
    std::optional<int> altitude;        // floor(Val(field 9)); absent when the field is empty
};

// What the window still has to do after an RMC reached the trip.
struct RmcOutcome {
    bool sampleTick = false;            // set all six logNext flags when logging
    bool courseTrigger = false;         // course changed in Auto mode: set all six logNext flags
};

} // namespace vur
