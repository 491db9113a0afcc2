#pragma once
// Lets the window handle pending events during a long loop, but only every
// few tens of milliseconds: a click or Esc is handled promptly while reading
// a big file costs no more than the reading itself.
#include <QCoreApplication>
#include <QElapsedTimer>

namespace zelvan {

class Yielder {
public:
    // callsPerLook: how many calls pass between looks at the clock; callers
    // that ask only after a batch of work of their own pass 1. A wait of 0
    // (tests) looks every time.
    explicit Yielder(int everyMs = 50, unsigned callsPerLook = 64)
        : m_callsPerLook(everyMs <= 0 || callsPerLook == 0 ? 1 : callsPerLook), m_everyMs(everyMs)
    {
        m_clock.start();
    }
    // Returns true when it processed events (callers then re-check their state).
    bool maybeYield()
    {
        // Reading the clock costs as much as handling a short line: look at
        // it only every few calls.
        if (++m_calls % m_callsPerLook != 0 || m_clock.elapsed() < m_everyMs)
            return false;
        QCoreApplication::processEvents();
        m_clock.restart();
        return true;
    }

private:
    unsigned m_callsPerLook;
    unsigned m_calls = 0;
    int m_everyMs;
    QElapsedTimer m_clock;
};

} // namespace zelvan
