#pragma once
// Manual mode in the SIM window: the position, altitude, speed and
// Auto-Point spinners with their labels, the switch between the replay and
// the manual layout, the manual run (Start/Stop), the tick's manual
// sentences, keyboard steering and the recording buttons.
#include "sim/window/manual_sliders.h"
#include "sim/manual/manual_state.h"
#include "sim/manual/recording.h"
#include "sim/replay/replay_modes.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QEvent;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollBar;

namespace zelvan {

class RouteRun;
class SimWindow;

// The values of the manual spinners as the settings file keeps them.
struct ManualSpinnerValues {
    int autoIndex = 1;                    // VSc4
    int altitude = 550;                   // VSc2
    int speed = 50;                       // VSc3
    std::array<int, 4> lat{48, 5, 44, 7}; // VSc1(0..3), degrees signed
    std::array<int, 4> lon{11, 38, 11, 7}; // HSc1(0..3), degrees signed
    bool operator==(const ManualSpinnerValues&) const = default;
};

class SimManualMode : public QObject, public ManualComposer {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // Creates the manual widgets inside the window's manual group.
    SimManualMode(SimWindow& window, QLabel* label6, zv::Dialogs& dialogs);
    ~SimManualMode() override;

    // The tick's manual step: compose, list and send, compass and distance.
    void composeManualSentences() override;

    // `Manu` toggled.
    void setManualMode(bool on);
    bool isRunning() const { return m_running; }
    // `Skip1` (Start) and `StopA` in manual mode.
    void startRun();
    void stopRun();

    // The window's event filter hands every event here; true when it was
    // consumed (manual keys).
    bool filterEvent(QObject* watched, QEvent* event);

    // Universal-time clock of the composed sentences and the record times.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // For the settings: read and set the spinners (setting runs their
    // change handling, so the labels follow).
    ManualSpinnerValues spinnerValues() const;
    void setSpinnerValues(const ManualSpinnerValues& values);

    // Widgets of other features that manual mode hides (FileT, LOA, SAVE,
    // NMEA, ALL, TRACK, Label12 ...) and shows again when it ends.
    void addReplayOnlyWidget(QWidget* w);
    // Work of a double-click on the window, run in the order added (show
    // List1, refill the port list); the event goes on to other watchers.
    void addDoubleClickHook(std::function<void()> hook) { m_doubleClick.append(std::move(hook)); }

    ManualState& state() { return m_state; }
    ManualPositionController& position() { return *m_position; }
    ManualRecorder& recorder() { return *m_recorder; }
    RouteRun& routeRun() { return *m_routeRun; }

private:
    void buildWidgets();
    void switchLayout(bool manual);
    void leaveManualMode();
    void paceChosen(int index);
    void syncShared();
    // "Follow route": the file chosen in File1 read as a route; false (with
    // a message saying why) when it gives none.
    bool loadRoute();
    void followToggled(bool on);
    bool following() const;
    void sendRouteEpoch();

    SimWindow& m_w;
    QLabel* m_label6;
    ManualState m_state;
    Clock m_clock = &QDateTime::currentDateTimeUtc;

    std::array<QScrollBar*, 4> m_vsc1{};
    std::array<QScrollBar*, 4> m_hsc1{};
    std::array<QLabel*, 4> m_latLabels{};
    std::array<QLabel*, 4> m_lonLabels{};
    QScrollBar* m_vsc2 = nullptr;
    QScrollBar* m_vsc3 = nullptr;
    QScrollBar* m_vsc4 = nullptr;
    QLabel* m_kmhM = nullptr;
    QLabel* m_autoM = nullptr;
    QPushButton* m_setFN = nullptr;
    QPushButton* m_saveP = nullptr;
    QPushButton* m_saveT = nullptr;
    QCheckBox* m_follow = nullptr;

    ManualPositionController* m_position = nullptr;
    ManualRecorder* m_recorder = nullptr;
    RouteRun* m_routeRun = nullptr;
    zv::Dialogs& m_dialogs;
    QList<QPointer<QWidget>> m_replayOnly;
    QList<std::function<void()>> m_doubleClick;
    QString m_skip1Caption, m_lopCaption;
    bool m_manual = false;
    bool m_running = false;
    int m_pace = 1000; // chosen manual interval; Timer1 gets it less the tick's own time
};

} // namespace zelvan
