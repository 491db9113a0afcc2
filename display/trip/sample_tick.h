#pragma once
// The sample tick that paces the profiles and the per-type log, and the
// course trigger that adds log samples on turns. Pure state, no widgets.
#include <QtGlobal>

namespace vur {

struct SampleTick {
    double sampleInterval = 1; // seconds
    bool autoMode = false;
    double nextSampleTime = 0; // seconds since local midnight
    bool speedSampleDue = false;
    bool altSampleDue = false;
    int lastTriggerCourse = 0;
    bool hasLastTime = false;  // the time of day of the previous tick
    double lastTime = 0;
};

// Runs at each accepted RMC with the local time of day T in seconds.
// Returns whether a sample was taken (then the log flags are to be set).
// When the time of day goes backwards (midnight, a clock change, a looped
// replay) the next sample is taken at once.
bool takeSampleTick(SampleTick& tick, double secondsSinceMidnight);

// The course trigger: in Auto mode with a new log, a turn of more than 10
// and less than 350 degrees since the last trigger. Returns whether it fired.
bool takeCourseTrigger(SampleTick& tick, double courseDeg, int logMode);

} // namespace vur
