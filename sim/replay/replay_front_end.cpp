#include "sim/replay/replay_front_end.h"

namespace zelvan {

void ReplayFrontEnd::setOption(Control c, bool on)
{
    switch (c) {
    case Control::Pause: m_options.pause = on; break;
    case Control::AutoSkip: m_options.autoSkip = on; break;
    default: return;
    }
    m_view->optionChanged(c, on);
}

void ReplayFrontEnd::enable(Control c, bool on)
{
    if (c == Control::Pause)
        m_pauseEnabled = on;
    m_view->enable(c, on);
}

void ReplayFrontEnd::show(Control c, bool on)
{
    if (c == Control::StopA)
        m_stopShown = on;
    m_view->show(c, on);
}

} // namespace zelvan
