#pragma once
// Recording of manual positions and texts into an NMEA log "Tracks/<name>.log"
// in the program folder: SetFN chooses the file, SaveP (Space) records the
// position with Auto-Point intermediate points, SaveT (Enter) a text line.
#include "common/dialogs.h"
#include "sim/manual/manual_state.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractButton;
class QLabel;
class QTimer;
class QWidget;

namespace zelvan {

// The widgets the recording drives; any may be null.
struct RecordingWidgets {
    QAbstractButton* saveP = nullptr;   // `SaveP`: enabled state, white/red flash
    QAbstractButton* saveT = nullptr;   // `SaveT`: enabled state
    QLabel* fileL = nullptr;            // `FileL`: name of the open recording
    QWidget* focusAfter = nullptr;      // `HSc1(3)`: gets the focus after each action
};

class ManualRecorder : public QObject {
    Q_OBJECT
public:
    // Auto-Point intermediate points of one recorded position, at most.
    static constexpr int kMaxAutoPoints = 100;

    ManualRecorder(ManualState& state, zv::Dialogs& dialogs, const QString& programDir,
                   RecordingWidgets widgets, QObject* parent = nullptr);
    ~ManualRecorder() override;

    // `SetFN` click. selectedListFile is the file selected in `File1` (may be
    // empty); its name is the first default when none was entered yet.
    void chooseFile(const QString& selectedListFile);
    // `SaveP` click or Space.
    void savePosition();
    // `SaveT` click, or Enter while `SaveT` is enabled.
    void saveText();

    // Start in manual mode: SaveP and SaveT become usable when a file is open.
    void runStarted();
    // Stop in manual mode: SaveP is disabled.
    void runStopped();
    // Manual mode switched on or off, or the program ends: the recording is
    // closed, `FileL` blanked, SaveP and SaveT disabled, the run is over.
    void closeRecording();

    bool isOpen() const { return m_file.isOpen(); }
    bool savePEnabled() const { return m_savePEnabled; }
    bool saveTEnabled() const { return m_saveTEnabled; }
    QString recordName() const { return m_recordName; }
    QString recordPath() const { return m_recordPath; }
    QString fileLabel() const { return m_fileLabel; }
    QTimer* flashTimer() const { return m_flash; }

Q_SIGNALS:
    // The Auto-Point caption was set to "*" or restored: refresh `AutoM`.
    void autoPointCaptionChanged();
    // A text record was written (statusText changed), or an Auto-Point
    // notice is shown in its place or taken back.
    void statusTextChanged(const QString& text);

private:
    bool writeLine(const QByteArray& line);
    void fail(const QString& action, const QString& reason);
    void setSavePEnabled(bool on);
    void setSaveTEnabled(bool on);
    void setFileLabel(const QString& text);
    void paintSaveP(const char* colour);
    void focusBack();
    // Writes the Auto-Point points; returns a notice for the status line
    // when their number was limited.
    QString writeIntermediatePoints();
    void showNotice(const QString& notice);

    ManualState& m_state;
    zv::Dialogs& m_dialogs;
    QString m_programDir;
    RecordingWidgets m_widgets;
    QFile m_file;
    QString m_recordName;
    QString m_recordPath;
    QString m_fileLabel;
    bool m_running = false;
    bool m_savePEnabled = false;
    bool m_saveTEnabled = false;
    bool m_noticeShown = false;         // the status line shows an Auto-Point notice
    QTimer* m_flash = nullptr;
};

} // namespace zelvan
