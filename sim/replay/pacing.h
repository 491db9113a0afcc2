#pragma once
// When the next tick is due, on a monotonic clock in nanoseconds. Deadlines
// are computed from a fixed origin, never by adding measured intervals, so
// the timer's lateness and the tick's own run time never add up.
#include <QByteArrayView>
#include <QtGlobal>
#include <optional>

namespace zelvan {

// The fixed paces ("1 s" .. "8 s"): the slot after the tick that started at
// tickStartNs. A tick that overran its period skips to the next free slot of
// the same grid, so the phase is kept and no burst of catch-up ticks follows.
qint64 nextPeriodicStart(qint64 tickStartNs, qint64 periodNs, qint64 nowNs);

// Whole milliseconds to wait until dueNs, rounded up so a timer never fires
// before it; 0 when it is due already.
int msUntil(qint64 dueNs, qint64 nowNs);

// A record's time as the file gives it: hhmmss[.sss] and, when there is one,
// the date (as a day number, so days and months roll over correctly).
struct RecordTime {
    double secondsOfDay = 0;
    std::optional<qint64> day;
    bool operator==(const RecordTime&) const = default;
};
// hhmmss[.sss] and ddmmyy or ddmmyyyy (two-digit years 80..99 are 19xx).
// No time when the text is not a time of day; no day for a bad date.
std::optional<RecordTime> recordTimeOf(QByteArrayView hhmmss, QByteArrayView ddmmyy);

// Pacing by the file's own times: record n is due at
// anchor + (time_n - time_anchor) / factor. The anchor is the first record,
// and moves only where the file's times cannot be followed.
enum class PaceNote {
    None,
    NoTime,    // the record has no time: due 1 s after the previous one
    Backwards, // its time lies before the previous record's: due 1 s after it
    Jump,      // more than an hour after the previous record: due 1 s after it
};
struct FilePaceState {
    bool started = false;
    bool timed = false;     // prevSeconds holds a time
    qint64 anchorNs = 0;
    double anchorSeconds = 0;
    qint64 prevNs = 0;
    double prevSeconds = 0; // continuous: days carried over
    bool dated = false;     // prevSeconds counts from a date
};
struct FilePaceStep {
    qint64 dueNs = 0;
    PaceNote note = PaceNote::None;
    bool operator==(const FilePaceStep&) const = default;
};
inline constexpr qint64 kUntimedGapNs = 1'000'000'000;
inline constexpr double kLargestGapSeconds = 3600;
inline constexpr double kMinFileFactor = 0.1;
inline constexpr double kMaxFileFactor = 100;

// The first call anchors the schedule at nowNs (the record is due at once);
// every later call gives the next record's due time. Without a date, a time
// of day that falls back across midnight by no more than the largest gap
// continues into the next day.
FilePaceStep stepFilePace(FilePaceState& state, const std::optional<RecordTime>& time, qint64 nowNs, double factor);

} // namespace zelvan
