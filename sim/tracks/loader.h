#pragma once
// Loading an NMEA log into a running replay, and moving about in it: skip,
// back, restart, jumps by gauge click, pause, loop and stop. Track files are
// handed to the TrackFileReplay seam once the probe has recognised them.
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/replay_state.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace zv {
class Dialogs;
}

namespace zelvan {

class BackgroundCount;
class ReplayTick;
class SentenceSink;
struct LogCount;
class TrackFileReplay;

class Loader : public QObject {
    Q_OBJECT
public:
    Loader(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file, ReplayTick& tick,
           zv::Dialogs& dialogs, QObject* parent = nullptr);
    ~Loader() override;

    // A log longer than this is counted behind its replay: the first sentence
    // goes out at once, the gauge gets its scale when the count is done.
    static constexpr qint64 kCountAtLoadBytes = 1 << 20;

    // The folder File1 lists.
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }

    void loadSelectedFile();
    // Skip1 when idle: the chosen file, or the list's first when none is
    // chosen, so ">" always starts something a new user can see.
    void startChosenOrFirstFile();
    // Loads a file by its path, as a click on it in File1 would (a front end
    // without a file list). True when the replay runs.
    bool loadFile(const QString& path);
    void stopReplay(StopReason reason);
    void clearReadouts();
    void skipRecords(std::int32_t n);
    void goToRecord(std::int32_t n);
    bool seekFirstRmc();
    void restart();
    void checkSegmentMark(const QByteArray& line);

    // Control events.
    void skip1Clicked();
    void skip2Clicked();
    void backClicked();
    void restartClicked();
    void gaugeClicked(int x, int gaugeWidth);
    void pauseToggled();
    void lopToggled();
    void stopAClicked();
    void autoSkipClicked();
    // Esc: true when it was used.
    bool escapePressed();

    bool isLoading() const { return m_loading; }
    // The records are being counted behind the replay (recordTotal is 0 meanwhile).
    bool isCounting() const;
    // Bumped by every stop: a long loop that yielded compares it to notice one.
    quint64 generation() const { return m_generation; }
    // A pass that draws the altitude profile: Esc aborts the drawing first.
    void setProfileRunning(bool on)
    {
        m_profileRunning = on;
        if (on)
            m_profileAbort = false;
    }
    bool profileAborted() const { return m_profileAbort; }
    bool isReplayRunning() const;
    const RmcIndex& rmcIndex() const { return m_index; }
    // The last end of file came before the file's length at load: it was cut
    // short while it was replayed (valid from endedEarly() to the next stop).
    bool hasEndedEarly() const { return m_endedEarly; }

    // Seams for features still to come.
    void setTrackFileReplay(TrackFileReplay* replay) { m_track = replay; }
    // Manual mode: Skip1 starts, StopA ends the manual run.
    void setManualRun(std::function<void()> start, std::function<void()> stop)
    {
        m_manualStart = std::move(start);
        m_manualStop = std::move(stop);
    }
    // After a successful load (minimise option, TCP listener), after a stop.
    void setReplayStarted(std::function<void()> f) { m_started = std::move(f); }
    void setReplayStopped(std::function<void()> f) { m_stopped = std::move(f); }
    // The file chosen in the front end's list: its name, or empty when none
    // is chosen or the list is not for loading now. firstFile names the
    // list's first file (same rule), which Skip1 starts when none is chosen.
    void setSelectedFile(std::function<QString()> f, std::function<QString()> firstFile = {})
    {
        m_selectedFile = std::move(f);
        m_firstFile = std::move(firstFile);
    }
    // Garmin download mode: a click only names the file; return true to take it.
    void setDownloadModeClick(std::function<bool(const QString&)> f) { m_downloadClick = std::move(f); }
    // Esc handling that comes before stopping (folder browser, download mode).
    void setEscapeFirst(std::function<bool()> f) { m_escapeFirst = std::move(f); }
    std::function<bool()> escapeFirst() const { return m_escapeFirst; }
    // Time between yields to the window in long loops.
    void setYieldIntervalMs(int ms) { m_yieldMs = ms; }
    // Zelvan.ini: [Output] Talker is read from it now and at every load, so
    // an edit takes effect with the next file. Without one, "GP" stays.
    void setSettingsFile(const QString& iniPath);

Q_SIGNALS:
    void loadFinished(bool ok);
    // Every stop, after the controls are idle again (not a loop's restart).
    void replayStopped(zelvan::StopReason reason);
    // The file ended before its length at load ("File ended early !" is
    // listed); with Loop the replay goes on, else replayStopped follows.
    void endedEarly();

private:
    void loadNamed(const QString& name); // a name in the folder, as a click gives it
    void load(const QString& path);
    bool probeKind();
    enum class CountStep { Done, Behind, Stopped };
    CountStep countLog(bool companion = false);
    void countBehindReplay();
    void adoptCount(LogCount&& count, bool companion);
    void resetTripValues(bool all);
    bool reopen();
    void reportUnreadable(); // the file cannot be opened again by its name
    void runNavigation(const std::function<void()>& body);
    void skipLogRecords(std::int32_t n);
    enum class ReadOver { Done, EndOfFile, Stopped };
    // Reads forward over n records (from the one in currentLine), taking up
    // the status text passed; recordIndex grows by each.
    ReadOver readOverRecords(std::int32_t n);
    // Positions at the indexed record at or before n; false when the index
    // cannot say (none, or the file changed under it).
    bool seekIndexedRecord(std::int32_t n);
    bool paused() const;

    ReplayState& m_s;
    ReplayFrontEnd& m_ui;
    SentenceSink& m_sink;
    ReplayFile& m_file;
    ReplayTick& m_tick;
    zv::Dialogs& m_dialogs;
    TrackFileReplay* m_track = nullptr;

    QString m_folder;
    QString m_settingsFile;
    QString m_companionPath; // the ".RMC" file we wrote, deleted at stop
    RmcIndex m_index;
    BackgroundCount* m_background;
    std::unique_ptr<LogCount> m_partialCount; // the start of a log counted behind its replay
    qint64 m_countFrom = 0;                   // where the rest begins
    qint64 m_loadedBytes = 0; // the file's length when it was loaded
    bool m_endedEarly = false;
    bool m_loading = false;
    bool m_profileRunning = false;
    bool m_profileAbort = false;
    quint64 m_generation = 0; // bumped by every stop, so loops notice
    int m_yieldMs = 50;

    std::function<void()> m_manualStart, m_manualStop, m_started, m_stopped;
    std::function<bool(const QString&)> m_downloadClick;
    std::function<bool()> m_escapeFirst;
    std::function<QString()> m_selectedFile, m_firstFile;
};

} // namespace zelvan
