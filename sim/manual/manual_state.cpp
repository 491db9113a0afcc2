#include "sim/manual/manual_state.h"

namespace zelvan {

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
