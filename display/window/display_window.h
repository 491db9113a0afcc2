#pragma once
#include "display/core/display_core.h"
#include "display/trip/recording_dialogue.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace zv { class Dialogs; }

namespace vur {

class CompassView;
class FaultPicture;
class SatelliteBars;
class Lamp;
class ProfileView;
class ProfileReadouts;
class RouteView;
class TargetArrowView;

// The navigation display's main window "Form1": creates and lays out the
// controls, shows what the engines tell it and feeds the user's clicks to
// them.
class DisplayWindow : public QWidget,
                      private IntakeView,
                      private LiveDisplayView,
                      private TripView,
                      private TargetsView,
                      private RecordingDialogueView {
    Q_OBJECT
public:
    explicit DisplayWindow(const QString& homeDir, QWidget* parent = nullptr);
    // With the dialogs the window uses (tests pass a scripted double).
    DisplayWindow(const QString& homeDir, zv::Dialogs* dialogs, QWidget* parent = nullptr);
    ~DisplayWindow() override;
    // The size the window opens in.
    static QSize defaultSize() { return {900, 720}; }

    QString homeDir() const { return m_homeDir; }
    Intake* intake() const { return m_intake; }
    LiveDisplay* liveDisplay() const { return m_live; }
    TripStatistics* trip() const { return m_trip; }
    Targets* targets() const { return m_targets; }

    // The read-out texts as "Name=text" lines, for checks from outside.
    QString readoutsReport() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // IntakeView
    void showPortName(const QString& name) override;
    void showStatus(const QString& text) override;
    void clearStatus(const QString& ifShowing) override;
    void showLogMode(int mode) override;
    void showAllTypes(bool checked) override;
    void showTypeBox(SentenceType type, TypeBox state) override;
    void enableTypeBox(SentenceType type, bool enabled) override;
    void logBoxDone() override;
    // LiveDisplayView
    void showReadouts(const DisplayState& state) override;
    void showSatellites(const std::vector<double>& bars, const QString& statusLine) override;
    // TripView (display_window_trip.cpp)
    void showTripTexts(const TripTexts& texts) override;
    void clearSpeedAndAltitude() override;
    void showClockAndDate(const QString& clock, const QString& date) override;
    void plotChanged(Plot plot) override;
    // RecordingDialogueView (display_window_trip.cpp)
    void showDialogueMode(RecordingDialogue::Mode mode) override;
    void showRecordingNames(const QStringList& names) override;
    void showTypedName(const QString& name) override;
    void focusNameField() override;
    void showNameSelection(int row) override;
    // TargetsView (display_window_targets.cpp)
    void showTargetTexts(const TargetTexts& texts) override;
    void showTargetList(const QStringList& entries, int selected) override;
    void showTargetSelection(int selected) override;
    void showTargetPanels(bool chooserShown, bool editorShown) override;
    void showEditorName(const QString& name) override;
    void wayChanged() override;

    void buildControls();
    void wireEvents();
    void placePointer();

    QString m_homeDir;
    std::unique_ptr<zv::Dialogs> m_ownDialogs;
    zv::Dialogs* m_dialogs;

    QLabel* m_uhr = nullptr;
    QLabel* m_datum = nullptr;
    QLabel* m_speed = nullptr;
    QLabel* m_trt = nullptr;
    QLabel* m_hoehe = nullptr;
    QLabel* m_gpsl = nullptr;
    CompassView* m_trk = nullptr;
    SatelliteBars* m_gpss = nullptr;
    FaultPicture* m_gpsOk = nullptr;
    QCheckBox* m_all = nullptr;
    QCheckBox* m_types[6] = {};
    QCheckBox* m_check1[2] = {};
    QScrollBar* m_portS = nullptr;
    QLabel* m_portL = nullptr;
    QFrame* m_rte = nullptr;
    QFrame* m_tripPanel = nullptr;
    QFrame* m_profilePanel = nullptr;
    QFrame* m_targetPanel = nullptr;

    // The engines; the pointers below are their parts.
    DisplayCore* m_core = nullptr;
    Intake* m_intake = nullptr;
    LiveDisplay* m_live = nullptr;
    TripStatistics* m_trip = nullptr;
    Targets* m_targets = nullptr;

    // Trip statistics, recordings, profiles, route view and targets
    // (display_window_trip.cpp, display_window_targets.cpp).
    void setupTrip();
    void setupTargets();
    void resetTrip();
    void START_Click();
    void STOP_Click();
    void saveRecording(const QString& typedName);
    void loadRecording(const QString& typedName);
    void showRunning(bool running);
    std::unique_ptr<ProfileReadouts> m_profileReadouts;
    std::unique_ptr<RecordingDialogue> m_recordings;
    RouteView* m_route = nullptr;   // the route view RTE (m_rte)
    QLabel* m_rtel = nullptr;
    ProfileView* m_spl = nullptr;
    ProfileView* m_nnl = nullptr;
    TargetArrowView* m_dirP = nullptr;
    Lamp* m_recA = nullptr;
    Lamp* m_agn = nullptr;
    Lamp* m_art = nullptr;
    QTimer* m_timer1 = nullptr;
    QRadioButton* m_option1[7] = {};
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_load = nullptr;
    QLineEdit* m_fileT = nullptr;
    QListWidget* m_fileL = nullptr;
    QLabel* m_tripReadouts[9] = {}; // SPDmax SPDavg STRweg STRluft Berg RZ FZ NNmax NNmin
    QLabel* m_dirt = nullptr;
    QLabel* m_dist = nullptr;
    QLabel* m_trne = nullptr;
    QListWidget* m_gotoL = nullptr;
    QPushButton* m_gotoSave = nullptr;
    QLineEdit* m_gotoN = nullptr;
    QPushButton* m_gotoO = nullptr;
    QPushButton* m_gotoE = nullptr;
};

} // namespace vur
