#pragma once
// The simulator's main window "SIM": creates the controls, lays them out and
// wires their events to the replay subsystems. No algorithm lives here.
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/replay_state.h"
#include "sim/rig/sentence_rig.h"
#include "sim/settings/sim_settings.h"
#include "sim/tracks/file_manager.h"
#include "sim/window/sim_controls.h"
#include "sim/window/sim_replay_view.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

class QGroupBox;
class QVBoxLayout;
class QHBoxLayout;
class QGridLayout;
class QLineEdit;
class QSpinBox;
class QStackedLayout;
class QColor;

namespace zv {
class Dialogs;
}

namespace zelvan {

class Loader;
class OutputChannel;
class ReplayEngine;
class RigDialog;
class OutputPort;
class ReplayTick;
class SentenceSink;
namespace garmin {
class GarminDownload;
}
class TrackReplay;

class SimManualMode;

class SimWindow : public QWidget {
    Q_OBJECT
public:
    explicit SimWindow(const QString& homeDir, QWidget* parent = nullptr);
    ~SimWindow() override;

    QString homeDir() const { return m_homeDir; }

    // Where File1 lists files (default: the program directory's Tracks folder).
    void setTrackFolder(const QString& folder);
    QString trackFolder() const;
    void refreshFileList();

    // Output: the channels every sentence goes to (not owned).
    void setOutputChannels(const QList<OutputChannel*>& channels);
    void addOutputChannel(OutputChannel* channel);

    // Dialogs: the real ones unless a test (or another front end) sets its own.
    void setDialogs(zv::Dialogs* dialogs);
    // The dialogs every part of the window shows its messages through.
    zv::Dialogs& dialogs();

    // The subsystems, for the features still to come to plug into.
    ReplayState& replayState() { return m_state; }
    const SimControls& controls() const { return m_ui; }
    // The replay's options and view, as the engine holds them.
    ReplayFrontEnd& frontEnd() { return m_frontEnd; }
    ReplayTick& tick() { return *m_tick; }
    Loader& loader() { return *m_loader; }
    SentenceSink& sink() { return *m_sink; }
    // The file being replayed ("channel 1"), for the track-file replay.
    ReplayFile& replayFile() { return m_file; }

    // Layout groups that later features fill: the port choice (PortC, Pspeed, TCP
    // status), the settings/status read-outs (time zone, units, info), the
    // manual controls (spinners, steering) and the command buttons
    // (download, exit).
    QGroupBox* portGroup() const { return m_portGroup; }
    QGroupBox* statusGroup() const { return m_statusGroup; }
    QGroupBox* manualGroup() const { return m_manualGroup; }
    QHBoxLayout* commandRow() const { return m_commandRow; }
    // Manual mode's controls in place of the file panel (one slot for both).
    void showManualGroup(bool on);

    // Output port, settings, status read-outs and file panel.
    OutputPort& outputPort() { return *m_outputPort; }
    // The stored values as the window holds them now (what ENDE writes).
    SimSettings currentSettings() const;
    // ENDE: writes the settings, then closes the window.
    void saveSettingsAndExit();
    // The manual spinners' values in kSpinnerStartupOrder. Until manual mode
    // connects its spinners (setManualSpinnerHooks) the stored values are kept.
    using SpinnerValues = std::array<int, kSpinnerStartupOrder.size()>;
    SpinnerValues manualSpinnerValues() const;
    void setManualSpinnerValues(const SpinnerValues& values);
    void setManualSpinnerHooks(std::function<int(Spinner)> read, std::function<void(Spinner, int)> write);
    // The file menu's actions on a file of File1 (the context menu calls these).
    void fileMenuRename(const QString& path);
    void commitRename();
    void fileMenuDelete(const QString& path);
    // Start-up option: select a file and start its replay.
    bool loadFile(const QString& path);

    // Garmin download (sim_window_garmin.cpp): DownloadC, download mode, the
    // transfer into the current folder and its progress in List1 and Gauge2.
    garmin::GarminDownload& garminDownload() { return *m_garmin; }
    bool downloadMode() const { return m_downloadMode; }
    // [GPS-Port] COM: PortC position of the Garmin port (99 while start-up
    // selects the stored output entry: PortC clicks are then ignored).
    int garminPortIndex() const { return m_garminPortIndex; }
    void setGarminPortIndex(int index) { m_garminPortIndex = index; }
    // The file panel lends download mode its name field FileT (Enter starts),
    // LOA (starts) and the pattern buttons SAVE, NMEA, ALL, TRACK (hidden).
    void setDownloadFilePanel(QLineEdit* fileT, QPushButton* loa, const QList<QWidget*>& patternButtons);
    // What other parts of the window do for download mode; each has a default
    // acting on controls() alone.
    struct DownloadHooks {
        std::function<void()> fillDownloadPortList; // PortC: COM1..COM16, dark red
        std::function<void()> restorePortList;      // FillPortList, select outPortIndex again
        std::function<void()> leaveFilePanel;       // the file panel's part of leaving download mode
        std::function<void()> restoreFilePattern;   // File1's pattern back after a click named the file
    };
    DownloadHooks& downloadHooks() { return m_downloadHooks; }
    void downloadCClicked();
    void startDownload();
    // Cancels a transfer (the partial file is deleted), then leaves download mode.
    void leaveDownloadMode();
    // A PortC selection in download mode: the Garmin port. True when taken.
    bool garminPortSelected(int index);

    // Manual mode: spinners, steering, the manual run and recording.
    SimManualMode& manualMode() { return *m_manualMode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void wireEvents();
    void wireOptions();
    void showFolderBrowser(bool on);
    void fillDirectoryList();

    QString m_homeDir;
    QString m_folder;
    ReplayState m_state;
    SimControls m_ui;
    SimReplayView m_view{m_ui};
    ReplayFrontEnd m_frontEnd{&m_view};
    ReplayFile m_file;
    class ForwardingDialogs;
    std::unique_ptr<ForwardingDialogs> m_dialogs;
    std::unique_ptr<zv::Dialogs> m_ownDialogs;
    SentenceSink* m_sink = nullptr;
    ReplayTick* m_tick = nullptr;
    Loader* m_loader = nullptr;

    QGroupBox* m_portGroup = nullptr;
    QGroupBox* m_statusGroup = nullptr;
    QGroupBox* m_manualGroup = nullptr;
    QStackedLayout* m_lowerStack = nullptr;
    QHBoxLayout* m_commandRow = nullptr;
    QLabel* m_folderLabel = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_rmcRmb = nullptr;
    QStringList m_failuresShown;

    // Output port, settings, status read-outs and file panel.
    class StartupWiring;
    void setupOutputAndSettings();
    void setupOutput();
    void setupStatus();
    void setupFiles();
    void portSelected(int index);
    void showRecordClock(const QByteArray& date, const QByteArray& time);
    void setShowLocal(bool local);
    void applyUnitLabels();
    void applyFilePanel(const FilePanelUpdate& u);
    void applyNameFilter(const QString& pattern);
    // Download mode's end, the file panel's part (FileT, pattern buttons, LOA).
    void leaveDownloadFilePanel();
    OutputPort* m_outputPort = nullptr;
    std::unique_ptr<SettingsFile> m_settingsFile;
    SimSettings m_settings;
    std::function<int(Spinner)> m_readSpinner;
    std::function<void(Spinner, int)> m_writeSpinner;
    FileManagerState m_files;
    QString m_file1Pattern;
    QDateTime m_tripStart;
    QHash<QString, QLabel*> m_unitLabels;
    QSpinBox* m_tzDiff = nullptr;
    QLabel* m_tzL = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label7 = nullptr;
    QPushButton* m_save = nullptr;
    QString m_menuPath; // the file the file menu acts on
    QLabel* m_renamePrompt = nullptr; // shown while a rename is pending
    QLabel* m_list1Hint = nullptr;    // how to start, while List1 is empty
    void updateList1Hint();

    // Garmin download
    void setupGarmin();
    void downloadFinished(int outcome);
    void setPortListColour(const QColor& colour);
    garmin::GarminDownload* m_garmin = nullptr;
    DownloadHooks m_downloadHooks;
    QLineEdit* m_fileT = nullptr;
    QPushButton* m_loa = nullptr;
    QList<QWidget*> m_patternButtons;
    bool m_downloadMode = false;
    int m_garminPortIndex = 1;
    int m_outIndexBeforeDownload = 0; // for the default restorePortList
    bool m_skip1WasEnabled = true;

    // Track files (composed mode).
public:
    TrackReplay& trackReplay() { return *m_trackReplay; }

private:
    TrackReplay* m_trackReplay = nullptr;

    // Manual mode.
    void setupManual(zv::Dialogs& dialogs);
    SimManualMode* m_manualMode = nullptr;
    QLabel* m_label6 = nullptr;

    // The rig (sim_window_rig.cpp): RigC and its dialog, faults in List1.
    void setupRig();
    // The chosen rig to the engine, afresh; freshSeed: a new seed when none is chosen.
    void applyRig(bool freshSeed);
    void showRig();
    ReplayEngine* m_engine = nullptr;
    QPushButton* m_rigButton = nullptr;
    RigDialog* m_rigDialog = nullptr;
    RigOptions m_rigChoice;              // as the dialog gave it
    std::optional<quint64> m_rigSeed;    // the faults' seed in use
    qint64 m_faultCount = 0;             // since the rig was applied afresh
};

} // namespace zelvan
