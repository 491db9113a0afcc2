#pragma once
// The window as the replay's view: what the engine says becomes the state,
// text and colour of the controls the Parts of the window name.
#include "sim/replay/replay_view.h"
#include "sim/window/sim_controls.h"

#include <functional>

class QWidget;

namespace zelvan {

class SimReplayView : public ReplayView {
public:
    explicit SimReplayView(const SimControls& ui) : m_ui(ui) {}

    void listCleared() override;
    void listed(const QString& line) override;
    void progressRange(int maximum) override;
    void progress(int value) override;
    void compass(int needle, std::optional<int> width) override;
    void altitudeCleared() override;
    void altitudeProfile(const AltitudeProfile& profile) override;
    void enable(Control c, bool on) override;
    void show(Control c, bool on) override;
    void setText(Control c, const QString& text) override;
    void setToolTip(Control c, const QString& text) override;
    void setCaptionColour(Control c, unsigned bgr) override;
    void setBackColour(Control c, unsigned bgr) override;
    void focus(Control c) override;
    void optionChanged(Control c, bool on) override;
    void minimise() override;

    // PortC has an owner of its own (the output port): its enabling goes there.
    void setPortListEnabler(std::function<void(bool)> enabler) { m_portListEnabler = std::move(enabler); }

    // The widget that stands for c (null for one not built yet, and for
    // Abstand, which is eight).
    QWidget* widget(Control c) const;

private:
    const SimControls& m_ui;
    std::function<void(bool)> m_portListEnabler;
};

} // namespace zelvan
