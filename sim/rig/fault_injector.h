#pragma once
// The fault generator: a receiver that misbehaves on purpose. Sentences go
// in one by one, epochs are marked; what comes out is deterministic for a
// plan and a seed, byte for byte. Each fault draws from its own random
// stream, and draws for every sentence whether another fault struck it or
// not, so adding one fault to a plan moves none of the others.
#include "sim/rig/fault_plan.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <functional>
#include <optional>

namespace zelvan {

enum class FaultKind { Checksum, Drop, DropEpoch, Truncate, Garbage, Talker, Jump, Latency, FixLoss };

struct FaultEvent {
    FaultKind kind = FaultKind::Checksum;
    qint64 epoch = 0;     // counted from 1
    qint64 elapsedMs = 0; // the replay's clock at that epoch
    QByteArray sentence;  // as sent; for a drop, as it would have been
    QString detail;       // what exactly ("*4B for *4A", "cut to 20 of 71 bytes")
};

// "drop", "fixloss"...: the name the plan uses.
QString faultKindName(FaultKind kind);
// One line for a report: "epoch 12 +11.0 s: checksum *4B for *4A: $GPGGA,...".
// Bytes outside printable ASCII are shown as \xHH.
QString faultEventText(const FaultEvent& event);

// splitmix64: the same numbers on every compiler and library.
class FaultRandom {
public:
    explicit FaultRandom(quint64 seed = 0) : m_state(seed) {}
    quint64 next();
    double uniform();      // [0, 1)
    int below(int n);      // 0 .. n-1
    bool chance(double p) { return uniform() < p; }

private:
    quint64 m_state;
};

class FaultInjector {
public:
    FaultInjector(const FaultPlan& plan, quint64 seed);

    void setReporter(std::function<void(const FaultEvent&)> report) { m_report = std::move(report); }

    // The sentences that follow belong to a new epoch.
    void beginEpoch() { m_epochPending = true; }
    // What goes out now for this sentence, in order: epochs held back that
    // are due, then the sentence unless it is dropped or held.
    QList<QByteArray> pass(const QByteArray& sentence);
    // Everything still held back (the replay ends).
    QList<QByteArray> release();

    qint64 epoch() const { return m_epoch; }
    qint64 elapsedMs() const { return m_elapsedMs; }

private:
    enum Stream { SChecksum, SDrop, SDropEpoch, STruncate, SGarbage, STalker, SJump, SLatency, StreamCount };

    void startEpoch();
    void noteTime(const QByteArray& sentence);
    bool inFixLoss() const;
    void report(FaultKind kind, const QByteArray& sentence, const QString& detail);

    FaultPlan m_plan;
    std::array<FaultRandom, StreamCount> m_random;
    std::function<void(const FaultEvent&)> m_report;

    qint64 m_epoch = 0;
    bool m_epochPending = true;
    bool m_epochTimed = false;
    qint64 m_elapsedMs = 0;
    std::optional<qint64> m_lastMsOfDay;
    // This epoch's draws.
    bool m_dropEpoch = false;
    std::optional<double> m_jumpBearing; // radians
    // Latency: the epoch that began the hold, its clock once known, the lines held.
    bool m_holding = false;
    qint64 m_holdEpoch = 0;
    qint64 m_holdStartMs = 0;
    QList<QByteArray> m_held;
};

// The fault rewrites themselves, pure, for tests and for the window.
// No fix: RMC status V, GGA quality 0, GLL status V, GNS mode N, GSA 1, and
// no position in any of them; other sentences unchanged.
QByteArray withoutFix(const QByteArray& sentence);
// The position of RMC, GGA, GLL and GNS moved by metres towards bearing
// (radians from north) on a sphere; other sentences unchanged.
QByteArray withPositionMoved(const QByteArray& sentence, double metres, double bearing);

} // namespace zelvan
