#include "sim/route/route_run.h"

#include "sim/replay/pacing.h"
#include "sim/replay/sentence_sink.h"

#include <algorithm>
#include <cmath>

namespace zelvan {

RouteTiming routeTimingForPace(int paceIndex)
{
    static constexpr RouteTiming table[8] = {{8, 100}, {4, 100}, {2, 100}, {1, 100},
                                             {1, 1000}, {2, 2000}, {4, 4000}, {8, 8000}};
    return paceIndex >= 0 && paceIndex < 8 ? table[paceIndex] : RouteTiming{};
}

RouteRun::RouteRun(SentenceSink& sink, QObject* parent) : QObject(parent), m_sink(sink)
{
    m_timer.setObjectName(QStringLiteral("RouteTimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RouteRun::onTimer);
}

void RouteRun::setPath(RoutePath path)
{
    m_path = std::move(path);
    rewind();
}

void RouteRun::rewind()
{
    m_distanceM = 0;
    m_index = 0;
    m_lap = 0;
    m_finished = false;
}

RouteEpoch RouteRun::sendEpoch(const QDateTime& utc)
{
    RouteEpoch e;
    if (!m_path)
        return e;
    if (m_finished && m_loop) {
        m_finished = false;
        m_distanceM = 0;
        ++m_lap;
    }
    e.index = m_index++;
    e.lap = m_lap;
    e.distanceM = std::min(m_distanceM, m_path->lengthM());
    e.speedMps = m_speedMps;
    e.fix = m_path->at(e.distanceM);
    e.utc = utc;
    e.sentences = composeRouteSentences(e.fix, m_speedMps, utc, m_options);
    for (const QByteArray& s : std::as_const(e.sentences.selected))
        m_sink.emitSentence(s);
    m_finished = e.fix.atEnd;
    m_distanceM += m_speedMps * m_timing.motionSeconds;
    Q_EMIT epochSent(e);
    return e;
}

void RouteRun::start(const QDateTime& firstUtc)
{
    if (!m_path)
        return;
    m_nextUtc = firstUtc;
    m_clock.start();
    m_dueNs = 0;
    m_running = true;
    m_timer.start(0);
}

void RouteRun::stop()
{
    m_running = false;
    m_timer.stop();
}

void RouteRun::onTimer()
{
    if (!m_running)
        return;
    m_sink.beginEpoch();
    sendEpoch(m_nextUtc);
    if (!m_running)
        return; // stopped by a listener
    if (m_finished && !m_loop) {
        m_running = false;
        m_sink.releaseHeld();
        Q_EMIT ended();
        return;
    }
    m_nextUtc = m_nextUtc.addMSecs(qint64(std::llround(m_timing.motionSeconds * 1000.0)));
    // Deadlines on a fixed grid: a late timer never shifts the later epochs.
    const qint64 now = m_clock.nsecsElapsed();
    m_dueNs = nextPeriodicStart(m_dueNs, qint64(m_timing.intervalMs) * 1'000'000, now);
    m_timer.start(msUntil(m_dueNs, now));
}

} // namespace zelvan
