#pragma once
// The sentences of one manual tick: RMC, GGA and VTG of the position the
// spinners show, with course and distance measured from the reference
// point, plus the compass and distance read-outs they imply.
#include "sim/manual/manual_state.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace zelvan {

// What the window reads afresh for every tick.
struct ManualComposeOptions {
    bool rmc = true;  // Data(0)
    bool gga = true;  // Data(1)
    bool vtg = true;  // Data(2)
    bool metricUnits = true;
    QByteArray talker = "GP"; // [Output] Talker: opens the RMC, GGA and VTG bodies
};

struct CompassUpdate {
    int needleWidth = 50;      // 3 while away from the reference point, 50 on it
    std::optional<int> value;  // needle value; empty leaves the needle where it is
};

struct DistanceReadout {
    QString distL;   // "999", "1", "3277"
    QString label6;  // "m ->", "km ->", "ft ->", "mi ->"
};

struct ManualTickOutput {
    // Selected sentences in sending order: each is added to List1, then sent.
    QList<QByteArray> sentences;
    // Empty on the tick that takes the reference point: compass and
    // distance read-out stay as they are then.
    std::optional<CompassUpdate> compass;
    std::optional<DistanceReadout> readout;
    bool referenceTaken = false;
};

// Composes one tick from state.position at the given universal time (one
// reading serves the RMC time and date and the GGA time). Updates lastRmc,
// lastGga (whatever the options say), lastVtg, the reference point, course,
// distance, lastDistanceM, lastVtgCourse, and clears nudgeFlags.
ManualTickOutput composeManualSentences(ManualState& state, const ManualComposeOptions& options,
                                        const QDateTime& utcNow);

// Distance read-out for both unit systems.
DistanceReadout manualDistanceReadout(int distanceM, bool metricUnits);

// Ten-thousandths of a minute for seconds and tenths of an arc-second,
// rounded to the nearest unit (59.9 s gives 9983).
int minuteFraction(int seconds, int tenths);

// The tick's composer with its clock, read once per call.
class ClockedManualComposer {
public:
    using Clock = std::function<QDateTime()>;
    explicit ClockedManualComposer(ManualState& state, Clock utcClock = &QDateTime::currentDateTimeUtc)
        : m_state(state), m_clock(std::move(utcClock)) {}

    ManualTickOutput compose(const ManualComposeOptions& options)
    {
        return composeManualSentences(m_state, options, m_clock().toUTC());
    }
    QDateTime now() const { return m_clock().toUTC(); }

private:
    ManualState& m_state;
    Clock m_clock;
};

} // namespace zelvan
