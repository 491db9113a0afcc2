#pragma once
// Lets the window handle pending events during a long loop, but only every
// few tens of milliseconds: a click or Esc is handled promptly while reading
// a big file costs no more than the reading itself.
#include <QCoreApplication>
#include <QElapsedTimer>

namespace zelvan {

class Yielder {
public:
    explicit Yielder(int everyMs = 50) : m_everyMs(everyMs) { m_clock.start(); }
    // Returns true when it processed events (callers then re-check their state).
    bool maybeYield()
    {
        if (m_clock.elapsed() < m_everyMs)
            return false;
        QCoreApplication::processEvents();
        m_clock.restart();
        return true;
    }

private:
    int m_everyMs;
    QElapsedTimer m_clock;
};

} // namespace zelvan
