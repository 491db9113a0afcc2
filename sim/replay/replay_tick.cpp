#include "sim/replay/replay_tick.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/sentence_sink.h"
#include "sim/replay/yielder.h"
#include "sim/status/readouts.h"

#include <QTimer>
#include <cmath>

namespace zelvan {

namespace {
constexpr unsigned kGrey = 0xC0C0C0;
constexpr unsigned kMagentaBgr = 0xFF00FF;
constexpr unsigned kStandstillBgr = 0x40C0;
constexpr int kPauseIntervalMs = 2000;
constexpr int kFollowIntervalMs = 6000;
constexpr int kRunLightMs = 400;
// Lines that are no records are passed over at this pace.
constexpr int kNonRecordIntervalMs = 10;
// A wait timer that fires earlier than this before its time is set again.
// The rest is not spun: a process that spins loses the scheduler's wake-up
// preference and, on a busy machine, is then preempted for milliseconds.
constexpr qint64 kEarlyNs = 200'000;
} // namespace

ReplayTick::ReplayTick(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file,
                       QObject* parent)
    : QObject(parent), m_s(state), m_ui(ui), m_sink(sink), m_file(file)
{
    m_monotonic.start();
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setTimerType(Qt::PreciseTimer);
    m_timer1->setInterval(m_interval);
    connect(m_timer1, &QTimer::timeout, this, &ReplayTick::onTimer1);

    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setTimerType(Qt::PreciseTimer);
    m_timer2->setInterval(kRunLightMs);
    connect(m_timer2, &QTimer::timeout, this, &ReplayTick::onTimer2);

    // The pause before a tick's output is a timer step, never a sleep.
    m_wait = new QTimer(this);
    m_wait->setObjectName(QStringLiteral("TickWait"));
    m_wait->setTimerType(Qt::PreciseTimer);
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, [this] {
        if (m_waitDueNs - nowNs() > kEarlyNs) {
            m_wait->start(msUntil(m_waitDueNs, nowNs()));
            return;
        }
        if (m_afterWait)
            (this->*m_afterWait)();
    });
}

void ReplayTick::setTimer1Enabled(bool on)
{
    m_timerWanted = on;
    if (m_running)
        return;
    if (on)
        m_timer1->start(m_interval);
    else
        m_timer1->stop();
}

void ReplayTick::setTimer1Interval(int ms)
{
    restartSchedule();
    m_interval = qBound(1, ms, 24 * 3600 * 1000);
    if (m_running)
        return;
    m_timer1->setInterval(m_interval);
    if (m_timerWanted)
        m_timer1->start(m_interval);
}

void ReplayTick::whenIdle(std::function<void()> command)
{
    if (m_running)
        m_deferred.append(std::move(command));
    else
        command();
}

bool ReplayTick::manualMode() const
{
    return m_ui.options().manu;
}

void ReplayTick::emitSentence(const QByteArray& sentence)
{
    // The one limit for every line that leaves: an epoch's RMC, the stored
    // $PHSMI, the pause sentences made from stored lines.
    if (sentence.size() > kMaxPassedLine)
        return;
    m_sink.emitSentence(sentence);
}

void ReplayTick::onTimer1()
{
    if (m_running || m_navigating)
        return;
    m_running = true;
    m_timer1->stop();
    m_tickClock.start();
    // A tick the schedule fired late still counts from its slot.
    const qint64 now = nowNs();
    m_tickScheduled = m_nextStartNs.has_value();
    m_tickStartNs = m_tickScheduled ? std::min(*m_nextStartNs, now) : now;
    m_nextStartNs.reset();
    m_passingOver = false;
    tickStart();
}

void ReplayTick::waitThen(void (ReplayTick::*step)())
{
    // The output follows the tick's (scheduled) start by the wait, so a late
    // timer shortens the wait instead of shifting the output.
    m_waitDueNs = m_tickStartNs + qint64(m_preOutputWaitMs) * 1'000'000;
    const qint64 left = m_waitDueNs - nowNs();
    if (m_preOutputWaitMs <= 0 || left <= 0) {
        (this->*step)();
        return;
    }
    m_afterWait = step;
    m_wait->start(msUntil(m_waitDueNs, nowNs()));
}

void ReplayTick::tickStart()
{
    const bool manual = manualMode();
    if (!manual && (!m_s.replayActive || !m_file.isOpen() || m_s.fileKind == FileKindNone)) {
        // Nothing to replay (e.g. Last cleared while idle): stay quiet.
        m_timerWanted = false;
        finishTick();
        return;
    }
    // Only a track record waits before its output; a manual position goes at once.
    if (!manual && m_s.fileKind != FileKindNmeaLog)
        waitThen(&ReplayTick::afterWait);
    else
        afterWait();
}

void ReplayTick::afterWait()
{
    // The list is cleared just before it fills again, so it never stands
    // empty during the wait.
    if (!manualMode() && (!m_s.replayActive || !m_file.isOpen())) {
        // Manual mode was left (or the replay stopped) during the wait.
        finishTick();
        return;
    }
    if (m_s.fileKind != FileKindNmeaLog || manualMode()) {
        m_sink.clearList();
        m_sink.beginEpoch();
    }
    if (manualMode()) {
        m_sink.list(QStringLiteral("Position:  ") + m_s.statusText);
        if (m_manual)
            m_manual->composeManualSentences();
        finishTick();
        return;
    }
    m_ui.setToolTip(Control::List1, QStringLiteral("NMEA-out"));
    m_ui.show(Control::RunA, true);
    m_timer2->stop();
    if (m_s.recordIndex < m_s.recordTotal)
        m_ui.setToolTip(Control::Gauge2, QStringLiteral("Records:") + zv::plainNumberText(double(m_s.recordIndex) + 1)
                                + QStringLiteral("/") + zv::plainNumberText(m_s.recordTotal));

    if (m_s.fileKind == FileKindNmeaLog) {
        waitThen(&ReplayTick::passThrough);
        return;
    }
    // Composed mode (track files).
    m_ui.enable(Control::Equ, false);
    if (!m_s.singleStep && m_ui.options().pause) {
        pauseStep();
        finishTick();
        return;
    }
    m_s.singleStep = false;
    if (m_track && m_track->tick() == TickFlow::CommonEnd)
        commonEnd();
    finishTick();
}

void ReplayTick::pauseStep()
{
    auto data = [this](int i) { return m_ui.data(i); };
    m_sink.list(QStringLiteral("Pause:"));
    if (m_s.fileKind == FileKindNmeaLog) {
        if (!m_s.lastGga.isEmpty() && !m_s.sentRmc.isEmpty())
            m_s.lastGga = ggaWithRmcPosition(m_s.lastGga, m_s.sentRmc);
        if (data(DataRmc) && !m_s.sentRmc.isEmpty())
            emitSentence(m_s.sentRmc);
        if (data(DataGga)) {
            const QByteArray gga = pausedGga(m_s.lastGga);
            if (!gga.isEmpty())
                emitSentence(gga);
        }
        if (data(DataVtg)) {
            const QByteArray vtg = pausedVtg(m_s.lastVtg);
            if (!vtg.isEmpty())
                emitSentence(vtg);
        }
    } else {
        m_sink.list(QStringLiteral(" "));
        m_sink.list(QStringLiteral(" "));
        if (data(DataRmc) && !m_s.lastRmc.isEmpty())
            emitSentence(m_s.lastRmc);
        if (data(DataGga) && !m_s.lastGga.isEmpty())
            emitSentence(m_s.lastGga);
        if (data(DataVtg) && !m_s.lastVtg.isEmpty())
            emitSentence(m_s.lastVtg);
    }
    if (data(DataOth))
        emitSentence(kFixedPgrmm);
    setTimer1Interval(kPauseIntervalMs);
    m_timer2->start();
    m_ui.setText(Control::SpeedL, QStringLiteral("---"));
}

bool ReplayTick::readRmcLine()
{
    Yielder yielder;
    for (;;) {
        if (!m_s.replayActive)
            return false;
        if (m_file.atEnd()) {
            if (m_stopReplay)
                m_stopReplay(StopEndOfFile);
            return false;
        }
        m_file.readLine(m_s.currentLine);
        if (isRmcLine(m_s.currentLine)) {
            m_s.currentLine = rmcSentence(m_s.currentLine);
            return true;
        }
        yielder.maybeYield();
    }
}

void ReplayTick::passThrough()
{
    m_sink.clearList();
    m_sink.beginEpoch();
    if (!m_s.replayActive) {
        finishTick();
        return;
    }
    auto data = [this](int i) { return m_ui.data(i); };
    if (!m_s.singleStep && m_ui.options().pause) {
        pauseStep();
        finishTick();
        return;
    }
    m_s.singleStep = false;

    // Epoch start: the RMC that ended the previous epoch. The epoch's GGA and
    // GLL are aligned to it, the RMC that goes out (with the fast pace the
    // RMC read first is skipped), whatever came before it in the file.
    m_epochRmc = m_s.currentLine;
    m_s.epochTimePos = epochTimePosOf(m_epochRmc);
    if (data(DataRmc)) {
        m_sink.list(QStringLiteral("NMEA: ") + m_s.statusText);
        if (!m_s.phsmiLine.isEmpty())
            emitSentence(m_s.phsmiLine);
        emitSentence(m_s.currentLine);
    }

    // The epoch's other lines, as the selection passes them.
    Yielder yielder;
    for (;;) {
        if (!m_s.replayActive) {
            finishTick();
            return;
        }
        if (m_file.atEnd()) {
            if (m_stopReplay)
                m_stopReplay(StopEndOfFile);
            finishTick();
            return;
        }
        m_file.readLine(m_s.currentLine);
        if (isRmcLine(m_s.currentLine)) {
            m_s.currentLine = rmcSentence(m_s.currentLine);
            break;
        }
        DataSelection sel{};
        for (int i = 0; i < DataBoxCount; ++i)
            sel[i] = data(i);
        const LogLineChoice c =
            selectLogLine(m_s.currentLine, sel, m_ui.options().equ, m_s.epochTimePos);
        switch (c.kind) {
        case LogLineKind::Gga:
            m_ui.enable(dataControl(DataGga), true);
            m_s.lastGga = m_s.currentLine;
            m_s.altitudeText = zv::sentenceField(m_s.currentLine, 9);
            break;
        case LogLineKind::Vtg:
            m_ui.setCaptionColour(dataControl(DataVtg), kMagentaBgr);
            m_s.lastVtg = m_s.currentLine;
            break;
        case LogLineKind::Rmb:
            m_ui.enable(dataControl(DataRmb), true);
            break;
        case LogLineKind::Gsa:
            m_ui.enable(dataControl(DataGsa), true);
            break;
        case LogLineKind::Gsv:
            m_ui.enable(dataControl(DataGsv), true);
            break;
        case LogLineKind::Pgrmm:
            // Only a PGRMM that went out replaces the fixed one.
            if (c.passOn)
                m_s.hasPgrmm = true;
            break;
        case LogLineKind::Txt:
            m_s.statusText = QString::fromLatin1(m_s.currentLine.mid(7));
            break;
        case LogLineKind::Phsmi:
            m_s.phsmiLine = m_s.currentLine;
            break;
        case LogLineKind::OtherTalker:
        case LogLineKind::Junk:
            m_ui.setCaptionColour(dataControl(DataOth), kMagentaBgr);
            break;
        }
        if (c.passOn)
            emitSentence(c.out);
        yielder.maybeYield();
    }

    // The RMC that ends this epoch opens the next one.
    const QByteArray nextRmc = m_s.currentLine;
    if (!m_s.hasVtg && data(DataVtg)) {
        // From the RMC this epoch sent, so VTG and RMC always agree.
        const QByteArray knots = rmcField(m_epochRmc, 7);
        m_s.lastVtg = synthesizeVtg(rmcField(m_epochRmc, 8), knots, kmhFromKnots(knots), m_s.outputTalker);
        emitSentence(m_s.lastVtg);
    }
    if (!m_s.hasPgrmm && data(DataOth))
        emitSentence(kFixedPgrmm);
    m_s.sentRmc = m_s.lastRmc;
    m_s.lastRmc = nextRmc;

    const bool quiet = !m_s.phsmiLine.isEmpty();
    // Signed minutes, so that a leg across the equator, Greenwich or 180
    // degrees is measured the short way, not folded back on itself.
    const double lat = latitudeMinutes(rmcField(nextRmc, 3)) * (rmcField(nextRmc, 4) == "S" ? -1 : 1);
    const double lon = longitudeMinutes(rmcField(nextRmc, 5)) * (rmcField(nextRmc, 6) == "W" ? -1 : 1);
    if (m_s.startLat == 0) {
        m_s.startLat = lat;
        m_s.startLon = lon;
    }
    auto measure = [this](double lat1, double lat2, double lon1, double lon2) {
        const DistanceAndCourse dc = distanceAndCourse(lat1, lat2, lon1, lon2);
        m_s.distanceM = dc.distanceM;
        if (dc.courseDeg)
            m_s.courseDeg = *dc.courseDeg;
    };
    measure(lat, m_s.startLat, lon, m_s.startLon);
    if (!quiet)
        m_ui.setText(Control::DistL, distanceReadout(m_s.distanceM, m_s.metricUnits));
    if (m_s.prevLat != 0)
        measure(lat, m_s.prevLat, lon, m_s.prevLon);
    m_s.prevLat = lat;
    m_s.prevLon = lon;
    m_s.tripMeters += m_s.distanceM;
    if (!quiet)
        m_ui.setText(Control::TripL, tripReadout(m_s.tripMeters, m_s.metricUnits));

    m_ui.setBackColour(Control::AutoSkip, kGrey);
    m_s.speedKnotsText = rmcField(m_s.currentLine, 7);
    m_s.speedKmh = kmhFromKnots(m_s.speedKnotsText);
    while (m_s.autoSkipStill && m_s.speedKmh <= 0) {
        m_ui.setBackColour(Control::AutoSkip, kStandstillBgr);
        if (!readRmcLine()) {
            finishTick();
            return;
        }
        ++m_s.recordIndex;
        m_s.speedKnotsText = rmcField(m_s.currentLine, 7);
        m_s.speedKmh = kmhFromKnots(m_s.speedKnotsText);
    }
    const QByteArray shownRmc = m_s.currentLine;
    for (int i = 1; i < m_s.recordsPerTick; ++i) {
        if (!readRmcLine()) {
            finishTick();
            return;
        }
        ++m_s.recordIndex;
    }
    if (!quiet)
        showReadouts(shownRmc);
    commonEnd();
    finishTick();
}

void ReplayTick::showReadouts(const QByteArray& rmc)
{
    m_ui.setText(Control::SpeedL, QString::fromLatin1(speedReadout(m_s.speedKmh, m_s.metricUnits)));
    if (m_s.speedKmh > m_s.maxSpeed) {
        m_s.maxSpeed = m_s.speedKmh;
        m_ui.setText(Control::MaxL, QString::fromLatin1(speedReadout(m_s.maxSpeed, m_s.metricUnits)));
    }
    m_s.rmcCourseText = rmcField(rmc, 8);
    m_ui.compass(compassNeedle(zv::leadingNumber(m_s.rmcCourseText)), 3);
    showClock(rmcField(rmc, 9), rmcClockText(rmc));
}

void ReplayTick::showClock(const QByteArray& ddmmyy, const QByteArray& hhmmss)
{
    if (!m_clock)
        return;
    const SentenceRig* rig = m_sink.rig();
    const std::optional<qint64> offset = rig ? rig->timeOffsetMs() : std::nullopt;
    if (!offset || *offset == 0) {
        m_clock(ddmmyy, hhmmss);
        return;
    }
    const auto [date, time] = shiftClockText(ddmmyy, hhmmss, *offset);
    m_clock(date, time);
}

void ReplayTick::commonEnd()
{
    if (m_s.phsmiLine.isEmpty() && !m_s.altitudeText.isEmpty()) {
        const double alt = std::floor(zv::leadingNumber(m_s.altitudeText));
        const QString shown = zv::trimmedNumberText(m_s.metricUnits ? alt : std::floor(alt * 3.281));
        m_ui.setText(Control::NnL, shown);
        m_ui.setText(Control::NnM, zv::trimmedNumberText(alt) + QStringLiteral(" m NN"));
        if (alt < m_s.altitudeMin) {
            m_s.altitudeMin = alt;
            m_ui.setText(Control::NnMinL, shown);
        }
        if (alt > m_s.altitudeMax) {
            m_s.altitudeMax = alt;
            m_ui.setText(Control::NnMaxL, shown);
        }
    }
    scheduleNextTick();
    if (m_tickClock.isValid() && m_tickClock.elapsed() > kRunLightMs) {
        m_ui.show(Control::RunA, false);
    } else {
        m_timer2->start();
    }
    ++m_s.recordIndex;
    m_ui.progress(m_s.recordIndex);
}

void ReplayTick::finishTick()
{
    m_s.lastTickMs = m_tickClock.isValid() ? m_tickClock.elapsed() : 0;
    if (m_ui.options().last) {
        m_interval = kFollowIntervalMs;
        restartSchedule();
    } else if (m_nextStartNs && !m_passingOver) {
        m_interval = msUntil(*m_nextStartNs, nowNs());
    }
    m_running = false;
    m_timer1->setInterval(m_interval);
    if (m_timerWanted)
        m_timer1->start(m_interval);
    const auto deferred = std::exchange(m_deferred, {});
    for (const auto& command : deferred)
        command();
    Q_EMIT tickFinished();
}

void ReplayTick::onTimer2()
{
    m_ui.show(Control::RunA, false);
    m_timer2->stop();
}

void ReplayTick::choosePace(int index)
{
    if (index < 0 || index > 7)
        return;
    if (manualMode()) {
        static constexpr int manualIntervals[8] = {0, 0, 0, 100, 1000, 2000, 0, 0};
        if (manualIntervals[index])
            setTimer1Interval(manualIntervals[index]);
        if (m_manualPaceFocus)
            m_manualPaceFocus();
        return;
    }
    const bool wasWanted = m_timerWanted;
    m_fileFactor.reset();
    setTimer1Enabled(false);
    setTimer1Interval(100);
    const Pace pace = paceForChoice(index);
    m_s.recordsPerTick = pace.recordsPerTick;
    m_s.tickIntervalMs = pace.tickIntervalMs;
    if (m_s.replayActive)
        setTimer1Enabled(true);
    else
        m_timerWanted = wasWanted && manualMode();
}

void ReplayTick::chooseFilePace(double factor)
{
    const bool wasWanted = m_timerWanted;
    setTimer1Enabled(false);
    setTimer1Interval(100);
    m_fileFactor = qBound(kMinFileFactor, factor, kMaxFileFactor);
    m_s.recordsPerTick = 1;
    m_s.tickIntervalMs = 100;
    if (m_s.replayActive)
        setTimer1Enabled(true);
    else
        m_timerWanted = wasWanted && manualMode();
}

void ReplayTick::restartSchedule()
{
    m_nextStartNs.reset();
    m_filePace = FilePaceState();
}

void ReplayTick::schedulePeriodic(int periodMs)
{
    const qint64 now = nowNs();
    m_nextStartNs = nextPeriodicStart(m_tickStartNs, qint64(periodMs) * 1'000'000, now);
    m_interval = msUntil(*m_nextStartNs, now);
}

void ReplayTick::passOverLine()
{
    // Under a schedule the next tick keeps this tick's slot: its wait ends
    // where this one's would have, so the record is not late for the lines
    // passed over (as long as they take less than the wait).
    const bool scheduled = m_tickScheduled;
    const qint64 slot = m_tickStartNs;
    setTimer1Interval(kNonRecordIntervalMs);
    if (scheduled) {
        m_nextStartNs = slot;
        m_passingOver = true;
    }
}

void ReplayTick::scheduleNextTick()
{
    if (m_fileFactor) {
        if (m_s.fileKind == FileKindNmeaLog) {
            // The RMC that ends this epoch opens the next one: its time is known.
            scheduleFromFile(recordTimeOf(rmcField(m_epochRmc, 1), rmcField(m_epochRmc, 9)),
                             recordTimeOf(rmcField(m_s.currentLine, 1), rmcField(m_s.currentLine, 9)), true);
        } else {
            const NextRecord next = m_track ? m_track->peekNextRecord() : NextRecord{};
            scheduleFromFile(m_recordTime, recordTimeOf(next.hhmmss, next.ddmmyy), next.exists);
        }
        return;
    }
    if (m_s.tickIntervalMs > 999)
        schedulePeriodic(m_s.tickIntervalMs);
    else
        setTimer1Interval(m_s.tickIntervalMs);
}

void ReplayTick::scheduleFromFile(const std::optional<RecordTime>& current, const std::optional<RecordTime>& next,
                                  bool nextExists)
{
    const qint64 now = nowNs();
    if (!nextExists) {
        // Nothing follows: the next tick only finds the end.
        m_nextStartNs = now;
        m_interval = 0;
        return;
    }
    if (!m_filePace.started)
        stepFilePace(m_filePace, current, m_tickStartNs, *m_fileFactor);
    const FilePaceStep step = stepFilePace(m_filePace, next, now, *m_fileFactor);
    m_nextStartNs = step.dueNs;
    m_interval = msUntil(step.dueNs, now);
    const qint64 record = qint64(m_s.recordIndex) + 2;
    switch (step.note) {
    case PaceNote::None: break;
    case PaceNote::NoTime:
        Q_EMIT paceNote(QStringLiteral("record %1 has no time: sent 1 s after the previous one").arg(record));
        break;
    case PaceNote::Backwards:
        Q_EMIT paceNote(QStringLiteral("record %1 goes back in time: sent 1 s after the previous one").arg(record));
        break;
    case PaceNote::Jump:
        Q_EMIT paceNote(
            QStringLiteral("record %1 is more than an hour after the previous one: sent 1 s after it").arg(record));
        break;
    }
}

void ReplayTick::lastToggled()
{
    const bool on = m_ui.options().last;
    m_ui.enable(Control::Abstand, !on);
    if (on) {
        m_s.savedInterval = m_interval;
        return;
    }
    setTimer1Enabled(false);
    setTimer1Interval(m_s.savedInterval);
    // Only a running replay or manual run needs the timer back.
    if (m_s.replayActive || manualMode())
        setTimer1Enabled(true);
}

} // namespace zelvan
