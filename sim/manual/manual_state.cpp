#include "sim/manual/manual_state.h"

namespace zelvan {

double foldedLongitude(double minutes)
{
    constexpr double kHalfTurn = 180.0 * 60.0;
    if (minutes > kHalfTurn)
        return minutes - 2 * kHalfTurn;
    if (minutes < -kHalfTurn)
        return minutes + 2 * kHalfTurn;
    return minutes;
}

bool enterManualMode(ManualState& state, QByteArrayView lastRmc, const QDateTime& utcNow)
{
    state.reference.reset();
    state.lastDistanceM = 0;
    const QDateTime utc = utcNow.toUTC();
    state.recordTime = utc.addMSecs(-utc.time().msec());
    state.tickedThisRun = false;
    if (auto seeded = positionFromRmc(lastRmc)) {
        state.position = *seeded;
        return true;
    }
    return false;
}

void startManualRun(ManualState& state)
{
    state.nudgeFlags = 0;
    state.tickedThisRun = false;
}

} // namespace zelvan
