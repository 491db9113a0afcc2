#pragma once
// The replay's front end, seen from the engine: the choices a front end makes
// (ReplayOptions) and what the engine tells it (ReplayView). The window
// implements the view by updating its controls; headless prints. The engine
// never holds a widget.
#include <QPointF>
#include <QString>
#include <QVector>
#include <array>
#include <optional>

namespace zelvan {

// The choices of the window's check boxes, set by the front end through
// ReplayFrontEnd::options(); the engine changes Pause and AutoSkip itself and
// says so through ReplayView::optionChanged.
struct ReplayOptions {
    std::array<bool, 7> data{true, true, true, true, true, true, true}; // Data(0..6)
    bool pause = false;
    bool lop = false;
    bool last = false;
    bool autoSkip = false;
    bool autoReset = false;
    bool equ = false;
    bool manu = false;
    bool minC = false;
    // The front end draws the altitude profile (the pass collects it then).
    bool profile = false;
};

// The window's controls whose state, text or colour follow the replay, by the
// names the window gives them.
enum class Control {
    // Commands and options.
    Restart, Back, Skip1, Skip2, StopA, Pause, AutoSkip, Equ, Manu, Abstand, DirSel, DownloadC, PortC, Ende,
    // Sentence selection boxes Data(0..6): Data0 + index.
    Data0, Data1, Data2, Data3, Data4, Data5, Data6,
    // Lists, lights and markers.
    List1, File1, Dir1, Drive1, RunA, MiniA, PauseL, LoopL, AutoL, Gauge2, Dia,
    // Read-outs.
    FileL, WtL, Datum, Zeit, SpeedL, MaxL, DistL, TripL, Ttl, NnL, NnMinL, NnMaxL, NnM,
};

inline Control dataControl(int i)
{
    return Control(int(Control::Data0) + i);
}

// An altitude profile over the records of a file (the picture DIA).
struct AltitudeProfile {
    enum class Source { LogGga, TrackRecords };
    Source source = Source::LogGga;
    double recordRange = 1;
    QVector<QPointF> points; // x: record, y: metres
    QVector<double> marks;   // segment marks, by record
    double lowest = 0, highest = 0;
};

class ReplayView {
public:
    virtual ~ReplayView() = default;

    // List1: the sentences sent and the replay's notes.
    virtual void listCleared() {}
    virtual void listed(const QString& line) { (void)line; }

    // Gauge2: records passed of the total.
    virtual void progressRange(int maximum) { (void)maximum; }
    virtual void progress(int value) { (void)value; }
    // Gauge1: the needle as the gauge takes it (course + 90); no width keeps it.
    virtual void compass(int needle, std::optional<int> width) { (void)needle, (void)width; }
    // DIA: emptied, or a file's profile.
    virtual void altitudeCleared() {}
    virtual void altitudeProfile(const AltitudeProfile& profile) { (void)profile; }

    // The state of a control: usable, shown, its text, tip and colours (&HBBGGRR).
    virtual void enable(Control c, bool on) { (void)c, (void)on; }
    virtual void show(Control c, bool on) { (void)c, (void)on; }
    virtual void setText(Control c, const QString& text) { (void)c, (void)text; }
    virtual void setToolTip(Control c, const QString& text) { (void)c, (void)text; }
    virtual void setCaptionColour(Control c, unsigned bgr) { (void)c, (void)bgr; }
    virtual void setBackColour(Control c, unsigned bgr) { (void)c, (void)bgr; }
    virtual void focus(Control c) { (void)c; }
    // The engine ticked or cleared an option box (Pause, AutoSkip).
    virtual void optionChanged(Control c, bool on) { (void)c, (void)on; }
    // The Mini option: out of the way a second after the start.
    virtual void minimise() {}
};

} // namespace zelvan
