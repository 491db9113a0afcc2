#pragma once
// ReplayTick: one run per Timer1 event. It takes the next epoch of an NMEA
// log (pass-through), or hands over to the track-file replay (composed mode)
// or the manual composer, lists and sends the sentences and re-arms Timer1
// for the chosen pace.
#include "sim/replay/pacing.h"
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_modes.h"
#include "sim/replay/replay_state.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <optional>

class QTimer;

namespace zelvan {

class ReplayFile;
class SentenceSink;

class ReplayTick : public QObject {
    Q_OBJECT
public:
    ReplayTick(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file,
               QObject* parent = nullptr);

    // Timer1 as the rest of the window sees it. While a tick runs, changes are
    // kept and applied when it ends (setting the interval restarts the count).
    void setTimer1Enabled(bool on);
    void setTimer1Interval(int ms);
    bool timer1Enabled() const { return m_timerWanted; }
    int timer1Interval() const { return m_interval; }
    QTimer* timer1() const { return m_timer1; }
    QTimer* timer2() const { return m_timer2; }

    // The Timer1 event: runs the tick unless one is running or a skip or
    // jump holds the file (the timer then simply fires again later).
    void onTimer1();
    bool isRunning() const { return m_running; }

    // Navigation holds the file: ticks are refused meanwhile.
    void setNavigating(bool on) { m_navigating = on; }
    bool isNavigating() const { return m_navigating; }
    // Runs `command` now, or right after the running tick.
    void whenIdle(std::function<void()> command);

    // The wait before a tick's output (100 ms); tests set 0 to run ticks synchronously.
    void setPreOutputWaitMs(int ms) { m_preOutputWaitMs = ms; }
    int preOutputWaitMs() const { return m_preOutputWaitMs; }

    // Abstand(index) click and Last click.
    void choosePace(int index);
    void lastToggled();
    // Pacing by the file's own record times, scaled by factor (0.1..100):
    // one record or epoch per tick. Any Abstand choice ends it.
    void chooseFilePace(double factor);
    bool filePaced() const { return m_fileFactor.has_value(); }

    // The running tick's next tick is due periodMs after its scheduled start
    // (not after its end), on a monotonic clock.
    void schedulePeriodic(int periodMs);
    // A line that is no record: the next tick follows at once when a schedule
    // runs (the record keeps its slot), else after the short pass-over interval.
    void passOverLine();
    // Navigation moved in the file: the schedule starts afresh at the next tick.
    void restartSchedule();

    // Seams.
    void setManualComposer(ManualComposer* composer) { m_manual = composer; }
    void setTrackFileReplay(TrackFileReplay* replay) { m_track = replay; }
    void setStopReplay(std::function<void(StopReason)> stop) { m_stopReplay = std::move(stop); }
    // ShowRecordClock(date ddmmyy, time hhmmss).
    void setRecordClock(std::function<void(const QByteArray&, const QByteArray&)> clock) { m_clock = std::move(clock); }
    void showRecordClock(const QByteArray& ddmmyy, const QByteArray& hhmmss)
    {
        m_recordTime = recordTimeOf(hhmmss, ddmmyy);
        showClock(ddmmyy, hhmmss);
    }
    // Manual mode's focus move after a pace choice (HSc1(3)).
    void setManualPaceFocus(std::function<void()> focus) { m_manualPaceFocus = std::move(focus); }

    // Steps shared with the composed-mode replay.
    void emitSentence(const QByteArray& sentence);
    void pauseStep();
    void commonEnd();
    bool manualMode() const;

Q_SIGNALS:
    void tickFinished();
    // File pacing met a record it cannot follow the time of (text for a log).
    void paceNote(const QString& text);

private:
    // The clock read-outs show the time the sentences carry, live time included.
    void showClock(const QByteArray& ddmmyy, const QByteArray& hhmmss);
    void tickStart();
    void afterWait();
    void passThrough();
    bool readRmcLine(); // false: tick ended (stop or end of file)
    void showReadouts(const QByteArray& rmc);
    void finishTick();
    void onTimer2();
    void waitThen(void (ReplayTick::*step)());
    void scheduleNextTick();
    void scheduleFromFile(const std::optional<RecordTime>& current, const std::optional<RecordTime>& next,
                          bool nextExists);
    qint64 nowNs() const { return m_monotonic.nsecsElapsed(); }

    ReplayState& m_s;
    ReplayFrontEnd& m_ui;
    SentenceSink& m_sink;
    ReplayFile& m_file;

    QTimer* m_timer1;
    QTimer* m_timer2;
    QTimer* m_wait;
    void (ReplayTick::*m_afterWait)() = nullptr;
    bool m_timerWanted = false;
    int m_interval = 100;
    bool m_running = false;
    bool m_navigating = false;
    int m_preOutputWaitMs = 100;
    QElapsedTimer m_tickClock;
    // Scheduling: when the running tick was due, and when the next one is.
    QElapsedTimer m_monotonic;
    qint64 m_tickStartNs = 0;
    qint64 m_waitDueNs = 0;
    bool m_tickScheduled = false;
    bool m_passingOver = false; // the next tick keeps this tick's slot
    std::optional<qint64> m_nextStartNs;
    std::optional<double> m_fileFactor;
    FilePaceState m_filePace;
    std::optional<RecordTime> m_recordTime; // of the track record just decoded
    QByteArray m_epochRmc;
    QList<std::function<void()>> m_deferred;

    ManualComposer* m_manual = nullptr;
    TrackFileReplay* m_track = nullptr;
    std::function<void(StopReason)> m_stopReplay;
    std::function<void(const QByteArray&, const QByteArray&)> m_clock;
    std::function<void()> m_manualPaceFocus;
};

} // namespace zelvan
