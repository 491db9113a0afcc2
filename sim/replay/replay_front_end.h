#pragma once
// The engine's one handle on its front end: the options the front end sets,
// and the view it tells what changed. It remembers the little the engine
// asks back (is the replay shown as running, is Pause usable, the gauge's
// scale), so nothing is ever read back from a control.
#include "sim/replay/replay_view.h"

namespace zelvan {

class ReplayFrontEnd {
public:
    explicit ReplayFrontEnd(ReplayView* view = nullptr) : m_view(view ? view : &m_none) {}
    ReplayFrontEnd(const ReplayFrontEnd&) = delete;
    ReplayFrontEnd& operator=(const ReplayFrontEnd&) = delete;

    void setView(ReplayView* view) { m_view = view ? view : &m_none; }
    ReplayView& view() { return *m_view; }

    ReplayOptions& options() { return m_options; }
    const ReplayOptions& options() const { return m_options; }
    bool data(int i) const { return m_options.data[size_t(i)]; }

    // The engine's own change of an option box.
    void setOption(Control c, bool on);

    void enable(Control c, bool on);
    void show(Control c, bool on);
    void setText(Control c, const QString& text) { m_view->setText(c, text); }
    void setToolTip(Control c, const QString& text) { m_view->setToolTip(c, text); }
    void setCaptionColour(Control c, unsigned bgr) { m_view->setCaptionColour(c, bgr); }
    void setBackColour(Control c, unsigned bgr) { m_view->setBackColour(c, bgr); }
    void focus(Control c) { m_view->focus(c); }

    void listCleared() { m_view->listCleared(); }
    void listed(const QString& line) { m_view->listed(line); }
    void progressRange(int maximum)
    {
        m_progressMax = maximum;
        m_view->progressRange(maximum);
    }
    int progressMaximum() const { return m_progressMax; }
    // Values past the scale are not shown (the count may lag the replay).
    void progress(int value)
    {
        if (value <= m_progressMax)
            m_view->progress(value);
    }
    void compass(int needle, std::optional<int> width = std::nullopt) { m_view->compass(needle, width); }
    void altitudeCleared() { m_view->altitudeCleared(); }
    void altitudeProfile(const AltitudeProfile& p) { m_view->altitudeProfile(p); }
    void minimise() { m_view->minimise(); }

    // StopA shown: a replay (or a manual run) is under way.
    bool stopShown() const { return m_stopShown; }
    bool pauseEnabled() const { return m_pauseEnabled; }

private:
    ReplayView m_none;
    ReplayView* m_view;
    ReplayOptions m_options;
    bool m_stopShown = false;
    bool m_pauseEnabled = false;
    int m_progressMax = 100;
};

} // namespace zelvan
