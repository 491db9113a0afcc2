#pragma once
// The state of manual mode that the position spinners, the sentence
// composer and the recording share. The window owns one instance.
#include "sim/manual/manual_position.h"
#include "sim/geometry/track_geometry.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace zelvan {

// A composed position in unsigned minutes of arc with its hemispheres.
struct ManualPoint {
    double latMin = 0; // degrees x 60 + minutes, without the hemisphere
    bool south = false;
    double lonMin = 0;
    bool west = false;

    double signedLat() const { return south ? -latMin : latMin; }
    double signedLon() const { return west ? -lonMin : lonMin; }
    bool operator==(const ManualPoint&) const = default;
};

struct ManualState {
    // Set by the spinners and the arrow keys.
    ManualPosition position = designPosition();
    int altitudeM = 550;   // VSc2
    int speedKmh = 50;     // VSc3
    AutoPointCaption autoPoint; // VSc4 and AutoM

    // Bit 1: a latitude spinner changed, bit 2: a longitude one, since the
    // last tick. Read and cleared by the composer, toggled by Auto-Point.
    int nudgeFlags = 0;

    // Course and distance are measured from here; empty until the first
    // tick after manual mode was switched on.
    std::optional<ManualPoint> reference;
    ManualPoint current;      // position of the last composed RMC
    int distanceM = 0;        // from the reference at the last tick
    int courseDeg = 0;        // last corrected course
    int lastDistanceM = 0;    // 0 once the reference moved
    int lastVtgCourse = 0;    // last non-zero course; survives mode changes

    QByteArray lastRmc, lastGga, lastVtg;
    QDateTime recordTime;     // time stamp of the next recorded point (UTC), date and time
    bool tickedThisRun = false; // a manual tick has run since Start
    QString statusText;       // last text record, shown after "Position:  "
};

// Manual mode switched on: clears the reference point and lastDistanceM,
// seeds recordTime from utcNow and, when lastRmc is a valid RMC with a fix,
// the position from it. Returns whether the position was seeded.
bool enterManualMode(ManualState& state, QByteArrayView lastRmc, const QDateTime& utcNow);

// Start clicked in manual mode: a new run begins.
void startManualRun(ManualState& state);

} // namespace zelvan
