#pragma once
// The rig between a replay and its outputs: live time first, then injected
// faults. Every sentence the engine sends passes it (SentenceSink), so the
// list shows what the outputs carry. Without options there is no rig, and
// the sentences go out byte for byte as before.
#include "sim/rig/fault_injector.h"
#include "sim/rig/fault_plan.h"
#include "sim/rig/live_time.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace zelvan {

struct RigOptions {
    TimeChoice time;
    std::optional<FaultPlan> faults;
    std::optional<quint64> seed; // none: the front end picks one and says which
    bool active() const { return time.mode != TimeMode::File || faults.has_value(); }
    bool operator==(const RigOptions&) const = default;
};

// One option of a front end's rig settings by its name ("time", "faults",
// "seed") and text; false with a message when the text is none.
bool setRigOption(RigOptions& options, const QString& name, const QString& value, QString* error);

// What a front end shows of the options: a short caption ("Rig: now,
// faults", "Rig: 2024-05-01"; "Rig..." while there is no rig), and the
// whole setting as the command line's --time, --faults and --seed, so that
// a run can be repeated.
QString rigCaption(const RigOptions& options);
QString rigArguments(const RigOptions& options);

class SentenceRig {
public:
    // nowMs: the clock for TimeMode::Now (the system's UTC clock by default).
    explicit SentenceRig(const RigOptions& options, std::function<qint64()> nowMs = {});

    // Every injected fault, as it happens.
    void setReporter(std::function<void(const FaultEvent&)> report);
    // Every time live time fixes its offset.
    void setTimeReporter(std::function<void(const LiveTimeNote&)> report) { m_clock.setReporter(std::move(report)); }

    void beginEpoch();
    // What goes out now for the sentence (none, it, or held epochs and it).
    QList<QByteArray> pass(const QByteArray& sentence);
    // What is still held back, when the replay ends.
    QList<QByteArray> release();
    // The file starts again (a loop): live time anchors afresh.
    void restart() { m_clock.restart(); }

    const RigOptions& options() const { return m_options; }
    // What live time adds to the file's times, once the first timed sentence fixed it.
    std::optional<qint64> timeOffsetMs() const { return m_clock.offsetMs(); }

private:
    RigOptions m_options;
    LiveClock m_clock;
    std::optional<FaultInjector> m_faults;
};

} // namespace zelvan
