#pragma once
// Moving along a route at a set speed: every epoch the position advances by
// the speed times the epoch's length of motion, and the epoch's sentences go
// through the sink (and so through the rig, to the channels and the list).
// A front end either lets the run's own timer send the epochs (headless) or
// sends each one itself from its own tick (the window's manual mode).
#include "sim/route/route_composer.h"
#include "sim/route/route_path.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

namespace zelvan {

class SentenceSink;

struct RouteEpoch {
    qint64 index = 0;      // counted from 0 over all laps
    int lap = 0;           // 0 on the first way along the route
    double distanceM = 0;  // from the first point on this lap
    double speedMps = 0;
    RouteFix fix;
    QDateTime utc;
    RouteSentences sentences;
};

// How the route's epochs follow each other.
struct RouteTiming {
    double motionSeconds = 1; // the motion one epoch covers, and the step of the sentences' clock
    int intervalMs = 1000;    // between epochs on the run's own timer
};

// The timing for a pace choice, Abstand(0..7) x8 x4 x2 cont 1s 2s 4s 8s:
// the fixed paces cover their period of motion and send at it; cont sends
// 1 s of motion every 100 ms, x2, x4 and x8 two, four and eight seconds.
RouteTiming routeTimingForPace(int paceIndex);

class RouteRun : public QObject {
    Q_OBJECT
public:
    explicit RouteRun(SentenceSink& sink, QObject* parent = nullptr);

    void setPath(RoutePath path);
    const std::optional<RoutePath>& path() const { return m_path; }
    void setSpeed(double metresPerSecond) { m_speedMps = metresPerSecond; }
    double speed() const { return m_speedMps; }
    void setTiming(RouteTiming timing) { m_timing = timing; }
    const RouteTiming& timing() const { return m_timing; }
    // At the end: the next epoch is at the first point again.
    void setLoop(bool on) { m_loop = on; }
    void setComposeOptions(const RouteComposeOptions& options) { m_options = options; }
    RouteComposeOptions& composeOptions() { return m_options; }

    // Back to the first point.
    void rewind();
    // Composes the epoch at the distance reached, at utc, hands its selected
    // sentences to the sink and moves on by the speed times the motion
    // seconds. The caller opens the epoch (SentenceSink::beginEpoch).
    RouteEpoch sendEpoch(const QDateTime& utc);
    // An epoch was sent at the last point and no loop follows.
    bool finished() const { return m_finished; }

    // The run's own timer: epochs every intervalMs from now, the first at
    // once, their clock from firstUtc on. Ends by itself after the last
    // point (unless looping): held sentences are released, then ended().
    void start(const QDateTime& firstUtc);
    void stop();
    bool isRunning() const { return m_timer.isActive() || m_running; }

Q_SIGNALS:
    void epochSent(const RouteEpoch& epoch);
    void ended();

private:
    void onTimer();

    SentenceSink& m_sink;
    std::optional<RoutePath> m_path;
    double m_speedMps = 0;
    RouteTiming m_timing;
    bool m_loop = false;
    RouteComposeOptions m_options;

    double m_distanceM = 0;
    qint64 m_index = 0;
    int m_lap = 0;
    bool m_finished = false;

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_dueNs = 0;
    QDateTime m_nextUtc;
    bool m_running = false;
};

} // namespace zelvan
