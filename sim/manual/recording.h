#pragma once
// Recording of manual positions and texts into an NMEA log "Tracks/<name>.log"
// in the program folder: SetFN chooses the file, SaveP (Space) records the
// position with Auto-Point intermediate points, SaveT (Enter) a text line.
#include "common/colour.h"
#include "common/dialogs.h"
#include "sim/manual/manual_state.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <memory>

class QTimer;

namespace zelvan {

// What the recording tells the window; every method does nothing unless a
// view shows it.
class RecordingView {
public:
    virtual ~RecordingView() = default;
    virtual void savePEnabled(bool) {}          // `SaveP`
    virtual void saveTEnabled(bool) {}          // `SaveT`
    virtual void savePColour(zv::Rgb) {}        // `SaveP` flashes white, then red again
    virtual void fileLabel(const QString&) {}   // `FileL`: name of the open recording
    virtual void focusAfterAction() {}          // `HSc1(3)` takes the focus back
};

class ManualRecorder : public QObject {
    Q_OBJECT
public:
    // Auto-Point intermediate points of one recorded position, at most.
    static constexpr int kMaxAutoPoints = 100;

    // view may be null: the recorder then keeps its state to itself.
    ManualRecorder(ManualState& state, zv::Dialogs& dialogs, const QString& programDir,
                   std::unique_ptr<RecordingView> view, QObject* parent = nullptr);
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
    void paintSaveP(zv::Rgb colour);
    void focusBack();
    // Writes the Auto-Point points; returns a notice for the status line
    // when their number was limited.
    QString writeIntermediatePoints();
    void showNotice(const QString& notice);

    ManualState& m_state;
    zv::Dialogs& m_dialogs;
    QString m_programDir;
    std::unique_ptr<RecordingView> m_view; // never null: a silent one when none is given
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
