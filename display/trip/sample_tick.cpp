#include "display/trip/sample_tick.h"

#include <cmath>

namespace vur {

bool takeSampleTick(SampleTick& tick, double t)
{
    // Waiting for the old time to come round would stop sampling for hours.
    if (tick.hasLastTime && t < tick.lastTime)
        tick.nextSampleTime = -1.0;
    tick.hasLastTime = true;
    tick.lastTime = t;
    if (!(t > tick.nextSampleTime))
        return false;
    // The 0.2 s margin lets a receiver's 1 s epochs qualify despite jitter.
    tick.nextSampleTime = t + tick.sampleInterval - 0.2;
    tick.speedSampleDue = true;
    tick.altSampleDue = true;
    return true;
}

bool takeCourseTrigger(SampleTick& tick, double courseDeg, int logMode)
{
    if (!tick.autoMode || logMode != 1)
        return false;
    const double turn = std::fabs(courseDeg - tick.lastTriggerCourse);
    if (!(turn > 10 && turn < 350))
        return false;
    const double whole = std::floor(courseDeg);
    if (whole < -32768 || whole > 32767)
        return false;
    tick.lastTriggerCourse = static_cast<int>(whole);
    return true;
}

} // namespace vur
