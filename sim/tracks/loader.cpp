#include "sim/tracks/loader.h"

#include "common/dialogs.h"
#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_modes.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/replay/yielder.h"
#include "sim/tracks/log_count.h"
#include "sim/settings/output_talker.h"
#include "sim/window/altitude_picture.h"
#include "sim/window/gauges.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace zelvan {

namespace {
constexpr unsigned kGrey = 0xC0C0C0;
constexpr unsigned kMagentaBgr = 0xFF00FF;
const QColor kGgaColour(200, 200, 0);
constexpr int kLoopWaitMs = 1000;

void enable(QWidget* w, bool on)
{
    if (w)
        w->setEnabled(on);
}
void show(QWidget* w, bool on)
{
    if (w)
        w->setVisible(on);
}
} // namespace

Loader::Loader(ReplayState& state, const ReplayControls& ui, SentenceSink& sink, ReplayFile& file, ReplayTick& tick,
               zv::Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_s(state), m_ui(ui), m_sink(sink), m_file(file), m_tick(tick), m_dialogs(dialogs),
      m_background(new BackgroundCount(this))
{
}

Loader::~Loader() = default;

bool Loader::isCounting() const
{
    return m_background->isRunning();
}

bool Loader::isReplayRunning() const
{
    return m_ui.stopA ? !m_ui.stopA->isHidden() : m_s.replayActive;
}

bool Loader::paused() const
{
    return checked(m_ui.pause, m_ui.values.pause);
}

void Loader::setSettingsFile(const QString& iniPath)
{
    m_settingsFile = iniPath;
    m_s.outputTalker = iniPath.isEmpty() ? QByteArray(kDefaultTalker) : readOutputTalker(iniPath);
}

bool Loader::reopen()
{
    // Back to the start of the file already open: a loop, a restart or a jump
    // reads the file that was counted and indexed, even when the name has
    // been deleted or now names another file meanwhile.
    if (m_file.isOpen() && m_file.path() == m_s.trackPath)
        return m_file.seek(0);
    return m_file.open(m_s.trackPath);
}

void Loader::reportUnreadable()
{
    QFile probe(m_s.trackPath);
    const QString reason = probe.open(QIODevice::ReadOnly) ? QStringLiteral("It cannot be read.") : probe.errorString();
    m_dialogs.message(QStringLiteral("The file %1 cannot be read any more:\n%2")
                          .arg(QDir::toNativeSeparators(m_s.trackPath), reason),
                      QStringLiteral(" Error !"), zv::Dialogs::Icon::Warning);
}

void Loader::loadSelectedFile()
{
    if (m_loading || m_s.replayActive)
        return;
    if (m_ui.loa && m_ui.loa->isHidden())
        return;
    QListWidgetItem* item = m_ui.file1 ? m_ui.file1->currentItem() : nullptr;
    if (!item)
        return;
    const QString name = item->text();
    if (m_downloadClick && m_downloadClick(name))
        return;
    // A click that opens the file menu loads nothing.
    if (m_s.suppressLoad) {
        m_s.suppressLoad = false;
        return;
    }
    load(QDir(m_folder).filePath(name));
}

bool Loader::loadFile(const QString& path)
{
    if (m_loading || m_s.replayActive)
        return false;
    bool ok = false;
    const auto connection = connect(this, &Loader::loadFinished, this, [&ok](bool result) { ok = result; });
    load(path);
    disconnect(connection);
    return ok;
}

void Loader::load(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    show(m_ui.list1, true);
    show(m_ui.dir1, false);
    show(m_ui.drive1, false);
    enable(m_ui.dirSel, false);
    enable(m_ui.manu, false);

    m_s.trackPath = path;
    m_s.fileKind = FileKindNone;
    if (!m_settingsFile.isEmpty())
        m_s.outputTalker = readOutputTalker(m_settingsFile);
    m_file.close();
    m_companionPath.clear();
    m_index.clear();
    m_background->cancel();
    m_partialCount.reset();

    m_loading = true;
    const quint64 generation = ++m_generation;
    auto finish = [this](bool ok) {
        m_loading = false;
        Q_EMIT loadFinished(ok);
    };
    // Conversions of big files keep the window answering; a stop or another
    // load meanwhile ends them.
    Yielder conversionYielder(m_yieldMs, 1); // asked once per batch of lines
    const std::function<bool()> keepGoing = [this, generation, &conversionYielder] {
        conversionYielder.maybeYield();
        return generation == m_generation;
    };

    m_s.trackName.clear();
    m_s.recordLead = "T";
    enable(m_ui.file1, false);
    m_s.hasRmc = m_s.hasGga = m_s.hasVtg = false;
    enable(m_ui.downloadC, false);
    m_s.epochTimePos.clear();
    enable(m_ui.restart, true);
    enable(m_ui.back, true);
    enable(m_ui.skip1, true);
    enable(m_ui.skip2, true);
    enable(m_ui.pause, true);
    if (m_ui.skip1)
        m_ui.skip1->setToolTip(QStringLiteral("Skip 10"));
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    setText(m_ui.fileL, dot < 0 ? name : name.left(dot));

    if (m_track) {
        const TrackFileReplay::PreparedFile prepared = m_track->prepareFile(m_s.trackPath, keepGoing);
        if (generation != m_generation)
            return finish(false);
        if (!prepared.ok) {
            m_sink.list(prepared.errorText);
            stopReplay(StopLoadFailure);
            return finish(false);
        }
        if (prepared.companion)
            m_companionPath = prepared.replayPath;
        m_s.trackPath = prepared.replayPath;
    }

    if (!reopen() || !probeKind()) {
        m_file.close();
        m_sink.list(QStringLiteral("No Log-File !"));
        stopReplay(StopLoadFailure);
        return finish(false);
    }

    if (m_s.fileKind == FileKindTrack) {
        setChecked(m_ui.autoSkip, m_ui.values.autoSkip, false);
        enable(m_ui.autoSkip, false);
        show(m_ui.autoL, false);
        for (int i = 3; i <= 5; ++i)
            enable(m_ui.data[i], false);
        if (!m_track) {
            m_file.close();
            m_sink.list(QStringLiteral("Unknown Track-Format !"));
            stopReplay(StopLoadFailure);
            return finish(false);
        }
        if (!m_track->load() || generation != m_generation) {
            if (generation == m_generation)
                stopReplay(StopLoadFailure);
            return finish(false);
        }
    } else {
        for (int i : {1, 3, 4, 5})
            enable(m_ui.data[i], false);
        setCaptionColour(m_ui.data[2], kGrey);
        setCaptionColour(m_ui.data[6], kGrey);
        const CountStep counted = countLog();
        if (counted == CountStep::Stopped)
            return finish(false); // stopped while counting
        m_file.close();
        show(m_ui.stopA, true);
        if (!m_s.hasRmc) {
            QString converted;
            if (m_s.hasGga && m_s.hasVtg) {
                setCaptionColour(m_ui.data[0], kGrey);
                if (m_track)
                    converted = m_track->convertLogToRmc(m_s.trackPath, keepGoing);
            }
            if (converted.isEmpty() || generation != m_generation) {
                if (generation == m_generation) {
                    m_dialogs.message(QStringLiteral("No RMC or GGA-Data"), QStringLiteral(" Data-Error !"),
                                      zv::Dialogs::Icon::Critical);
                    stopReplay(StopLoadFailure);
                }
                return finish(false);
            }
            m_companionPath = converted;
            m_s.trackPath = converted;
            // The companion's records are what the replay sends.
            if (countLog(true) == CountStep::Stopped && generation != m_generation)
                return finish(false);
        }
        if (!reopen() || !seekFirstRmc()) {
            m_dialogs.message(QStringLiteral("No RMC or GGA-Data"), QStringLiteral(" Data-Error !"),
                              zv::Dialogs::Icon::Critical);
            stopReplay(StopLoadFailure);
            return finish(false);
        }
    }

    if (m_s.recordTotal != 0 || m_partialCount) {
        if (m_ui.gauge2)
            m_ui.gauge2->setMaximum(m_s.recordTotal);
        m_s.recordIndex = 0;
    }
    m_s.replayActive = true;
    m_loadedBytes = m_file.size();
    m_endedEarly = false;
    countBehindReplay();
    m_sink.openChannels();
    enable(m_ui.portC, false);
    // The first tick comes at once: a replay starts when the file is chosen
    // (a track tick still waits its 100 ms before the output); the chosen
    // pace takes over from the first tick on.
    m_tick.setTimer1Interval(1);
    m_tick.setTimer1Enabled(true);
    if (checked(m_ui.minC, m_ui.values.minC) && m_ui.miniA) {
        // A second to see the start, then out of the way.
        QTimer::singleShot(1000, this, [this] {
            if (!m_s.replayActive || !checked(m_ui.minC, m_ui.values.minC))
                return;
            m_ui.miniA->show();
            m_ui.miniA->window()->showMinimized();
        });
    }
    if (m_started)
        m_started();
    finish(true);
}

bool Loader::probeKind()
{
    QByteArray line;
    Yielder yielder(m_yieldMs);
    while (m_file.readLine(line)) {
        if (line.startsWith('$')) {
            m_s.fileKind = FileKindNmeaLog;
            return true;
        }
        if (line.startsWith('L'))
            m_s.trackName = QString::fromLatin1(line.mid(14));
        checkSegmentMark(line);
        if (line.startsWith(m_s.recordLead)) {
            m_s.fileKind = FileKindTrack;
            return true;
        }
        if (line.startsWith("OziEx")) {
            m_s.trackFormat = QStringLiteral("Ozi");
            m_s.recordLead = " ";
            m_s.fileKind = FileKindTrack;
            return true;
        }
        if (line.startsWith("<kml ")) {
            m_s.trackFormat = QStringLiteral("KML");
            m_s.recordLead = " ";
            m_s.fileKind = FileKindTrack;
            return true;
        }
        yielder.maybeYield();
    }
    return false;
}

// The pass over the log (LogCount): all of it, or, for a log bigger than
// kCountAtLoadBytes, the start of it, the rest counted behind the replay so
// the first sentence goes out at once. A log whose start holds no record is
// counted whole now (it may need a companion). A companion is counted for its
// records only.
Loader::CountStep Loader::countLog(bool companion)
{
    const quint64 generation = m_generation;
    m_index.clear();
    m_background->cancel();
    m_partialCount.reset();
    if (!reopen())
        return CountStep::Stopped;
    const bool drawing = m_ui.dia && !companion;
    if (drawing) {
        m_ui.dia->clear();
        m_ui.dia->setToolTip(QStringLiteral("Altitude"));
    }
    m_profileRunning = drawing;
    m_profileAbort = false;
    LogCount count;
    count.collectProfile = drawing;
    QByteArrayView line;
    Yielder yielder(m_yieldMs);
    while (m_file.readLineView(line)) {
        count.addLine(m_file.lineStart(), line);
        if (!companion && count.index.records > 0 && m_file.position() > kCountAtLoadBytes) {
            m_partialCount = std::make_unique<LogCount>(std::move(count));
            m_countFrom = m_file.position();
            m_s.hasRmc = true;
            m_s.hasGga = m_partialCount->hasGga;
            m_s.hasVtg = m_partialCount->hasVtg;
            m_s.recordTotal = 0; // not known yet
            return CountStep::Behind;
        }
        if (yielder.maybeYield()) {
            if (generation != m_generation) {
                m_profileRunning = false;
                return CountStep::Stopped;
            }
            count.collectProfile = drawing && !m_profileAbort;
        }
    }
    adoptCount(std::move(count), companion);
    return CountStep::Done;
}

void Loader::countBehindReplay()
{
    if (!m_partialCount)
        return;
    if (m_ui.gauge2)
        m_ui.gauge2->setToolTip(QStringLiteral("Records: counting"));
    const quint64 generation = m_generation;
    m_background->start(m_s.trackPath, m_countFrom, std::move(*m_partialCount),
                        [this, generation](LogCount&& count, bool readable) {
                            if (generation != m_generation || !m_s.replayActive)
                                return;
                            if (!readable) {
                                // The jumps read from the start; the gauge stays without a total.
                                m_profileRunning = false;
                                return;
                            }
                            count.collectProfile = count.collectProfile && !m_profileAbort;
                            adoptCount(std::move(count), false);
                        });
    m_partialCount.reset();
}

void Loader::adoptCount(LogCount&& count, bool companion)
{
    m_profileRunning = false;
    m_index = std::move(count.index);
    m_index.valid = true;
    // Records are the RMC lines; a log without them is counted again once it
    // has its companion.
    if (!companion) {
        m_s.hasRmc = m_index.records > 0;
        m_s.hasGga = count.hasGga;
        m_s.hasVtg = m_s.hasVtg || count.hasVtg;
    }
    m_s.recordTotal = std::int32_t(std::min<qint64>(m_index.records + 1, INT32_MAX));
    if (m_s.replayActive && m_ui.gauge2) {
        // Counted behind the replay: the gauge gets its scale now.
        m_ui.gauge2->setMaximum(m_s.recordTotal);
        m_ui.gauge2->setToolTip(QStringLiteral("Records"));
        if (m_s.recordIndex <= m_ui.gauge2->maximum())
            m_ui.gauge2->setValue(m_s.recordIndex);
    }
    if (m_ui.dia && !companion && count.collectProfile) {
        // Over the records, or over the GGA sentences of a log without RMC.
        m_ui.dia->setRecordRange(m_s.hasRmc ? double(m_s.recordTotal) : count.ggaCount + 1);
        for (const QPointF& p : std::as_const(count.profile))
            m_ui.dia->addPoint(p.x(), p.y(), kGgaColour, 2);
        if (!count.profile.isEmpty())
            m_ui.dia->setToolTip(QStringLiteral("Altitude: ") + zv::trimmedNumberText(count.lowest) + QLatin1Char('-')
                                 + zv::trimmedNumberText(count.highest) + QStringLiteral("m"));
    }
}

bool Loader::seekFirstRmc()
{
    QByteArray line;
    Yielder yielder(m_yieldMs);
    while (m_file.readLine(line)) {
        if (isStatusLine(line))
            m_s.statusText = statusTextOf(line);
        if (isRmcLine(line)) {
            m_s.currentLine = rmcSentence(line);
            m_s.lastRmc = m_s.currentLine;
            return true;
        }
        yielder.maybeYield();
    }
    return false;
}

void Loader::checkSegmentMark(const QByteArray& line)
{
    if (!line.startsWith('N'))
        return;
    ++m_s.segmentCount;
    if (checked(m_ui.autoReset, m_ui.values.autoReset))
        resetTripValues(true);
}

void Loader::resetTripValues(bool all)
{
    m_s.maxSpeed = 0;
    m_s.altitudeMin = 9999;
    m_s.altitudeMax = 0;
    m_s.startLat = m_s.startLon = m_s.prevLat = m_s.prevLon = 0;
    m_s.prevSeconds = 0;
    if (all) {
        m_s.speedKnotsText.clear();
        setText(m_ui.ttl, QString());
        setText(m_ui.tripL, QString());
        m_s.tripMeters = 0;
    }
}

void Loader::stopReplay(StopReason reason)
{
    // The end came before the length the file had when it was loaded: it was
    // cut short under the replay, and the records counted are not all there.
    m_endedEarly = reason == StopEndOfFile && m_file.isOpen() && m_file.position() < m_loadedBytes;
    if (reason == StopEndOfFile && checked(m_ui.lop, m_ui.values.lop)) {
        m_sink.clearList();
        m_sink.list(QString(80, QLatin1Char('>')));
        if (m_endedEarly) {
            // Said once: the next passes run over what is left.
            m_sink.list(QStringLiteral("File ended early !"));
            m_loadedBytes = m_file.position();
            Q_EMIT endedEarly();
        }
        if (m_s.segmentCount != 0)
            m_s.segmentCount = 1;
        clearReadouts();
        const bool ok = reopen();
        if (!ok)
            reportUnreadable();
        if (m_s.fileKind == FileKindNmeaLog) {
            if (!ok || !seekFirstRmc()) {
                stopReplay(StopLoadFailure);
                return;
            }
        } else if (m_track) {
            m_track->detectTrackFormat();
        }
        m_s.recordIndex = 0;
        // The second's rest before the loop starts again, as the next tick's delay.
        m_tick.setTimer1Interval(kLoopWaitMs);
        return;
    }
    ++m_generation;
    m_background->cancel();
    m_partialCount.reset();
    m_profileRunning = false;
    if (reason < StopLoadFailure)
        m_sink.clearList();
    enable(m_ui.portC, true);
    m_tick.setTimer1Enabled(false);
    m_file.close();
    show(m_ui.stopA, false);
    m_s.phsmiLine.clear();
    enable(m_ui.dirSel, true);
    setText(m_ui.fileL, QString());
    setChecked(m_ui.pause, m_ui.values.pause, false);
    setBackColour(m_ui.autoSkip, kGrey);
    m_s.replayActive = false;
    m_sink.closeChannels();
    enable(m_ui.file1, true);
    show(m_ui.runA, false);
    if (m_ui.gauge2) {
        m_ui.gauge2->setValue(0);
        m_ui.gauge2->setToolTip(QStringLiteral("Records"));
    }
    enable(m_ui.equ, true);
    enable(m_ui.autoSkip, true);
    m_s.maxSpeed = 0;
    m_s.startLat = m_s.startLon = m_s.prevLat = m_s.prevLon = 0;
    m_s.prevSeconds = 0;
    m_s.trackFormat.clear();
    enable(m_ui.pause, false);
    m_s.segmentCount = 0;
    enable(m_ui.restart, false);
    enable(m_ui.back, false);
    enable(m_ui.skip2, false);
    if (m_ui.gauge1)
        m_ui.gauge1->setValue(50);
    clearReadouts();
    enable(m_ui.downloadC, true);
    show(m_ui.downloadC, true);
    if (m_ui.dia) {
        m_ui.dia->clear();
        m_ui.dia->setToolTip(QStringLiteral("Altitude"));
    }
    if (m_ui.skip1)
        m_ui.skip1->setToolTip(QStringLiteral("Start"));
    show(m_ui.miniA, false);
    m_s.statusText.clear();
    for (int i : {0, 2, 6})
        setCaptionColour(m_ui.data[i], kMagentaBgr);
    enable(m_ui.manu, true);
    for (QCheckBox* b : m_ui.data)
        enable(b, true);
    // Only the companion this program wrote is removed, never a user's file.
    if (!m_companionPath.isEmpty() && m_s.trackPath == m_companionPath) {
        QFile::remove(m_companionPath);
        m_companionPath.clear();
    }
    if (m_endedEarly) {
        m_sink.list(QStringLiteral("File ended early !"));
        Q_EMIT endedEarly();
    }
    if (m_stopped)
        m_stopped();
    Q_EMIT replayStopped(reason);
}

void Loader::clearReadouts()
{
    for (QLabel* l : {m_ui.wtL, m_ui.datum, m_ui.zeit, m_ui.speedL, m_ui.maxL, m_ui.distL, m_ui.tripL, m_ui.ttl,
                      m_ui.nnL, m_ui.nnMinL, m_ui.nnMaxL})
        setText(l, QString());
    m_s.altitudeText.clear();
    m_s.altitudeMin = 9999;
    m_s.altitudeMax = 0;
    m_s.maxSpeed = 0;
    m_s.tripMeters = 0;
    m_s.hasPgrmm = false;
}

// Repositioning never interleaves with a tick: it waits for a running tick
// to end, and ticks falling due meanwhile are refused.
void Loader::runNavigation(const std::function<void()>& body)
{
    if (m_loading)
        return;
    m_tick.whenIdle([this, body] {
        if (m_tick.isNavigating() || !m_s.replayActive)
            return;
        m_tick.setNavigating(true);
        body();
        m_tick.setNavigating(false);
        m_tick.restartSchedule();
    });
}

Loader::ReadOver Loader::readOverRecords(std::int32_t n)
{
    const quint64 generation = m_generation;
    std::int32_t counter = 0;
    Yielder yielder(m_yieldMs);
    QByteArray line;
    while (counter < n) {
        if (!m_file.readLine(line))
            return ReadOver::EndOfFile;
        if (isRmcLine(line)) {
            m_s.currentLine = rmcSentence(line);
            m_s.lastRmc = m_s.currentLine;
            ++counter;
            ++m_s.recordIndex;
        } else if (isStatusLine(line)) {
            m_s.statusText = statusTextOf(line);
        }
        if (yielder.maybeYield() && generation != m_generation)
            return ReadOver::Stopped;
    }
    return ReadOver::Done;
}

void Loader::skipLogRecords(std::int32_t n)
{
    switch (readOverRecords(n)) {
    case ReadOver::Done: m_sink.clearList(); break;
    case ReadOver::EndOfFile: stopReplay(StopEndOfFile); break;
    case ReadOver::Stopped: break;
    }
}

bool Loader::seekIndexedRecord(std::int32_t n)
{
    if (!m_index.valid || m_index.marks.isEmpty())
        return false;
    // Past the records counted, the last mark: the file may have grown.
    const qsizetype mark = std::min(qsizetype(n / RmcIndex::kStride), m_index.marks.size() - 1);
    QByteArray line;
    if (const qint64 txt = m_index.statusAt[mark]; txt >= 0) {
        if (!m_file.seek(txt) || !m_file.readLine(line) || !isStatusLine(line))
            return false;
        m_s.statusText = statusTextOf(line);
    }
    // The file may have changed under its open handle: the offset must still
    // lead to a record, or the jump reads from the start.
    if (!m_file.seek(m_index.marks[mark]) || !m_file.readLine(line) || !isRmcLine(line))
        return false;
    m_s.currentLine = rmcSentence(line);
    m_s.lastRmc = m_s.currentLine;
    m_s.recordIndex = std::int32_t(mark * RmcIndex::kStride);
    return true;
}

void Loader::skipRecords(std::int32_t n)
{
    if (n <= 0)
        return;
    if (m_s.fileKind == FileKindNmeaLog)
        skipLogRecords(n);
    else if (m_track)
        m_track->skipRecords(n);
}

void Loader::goToRecord(std::int32_t n)
{
    if (!reopen()) {
        reportUnreadable();
        stopReplay(StopLoadFailure);
        return;
    }
    m_s.seeking = m_s.seekQuiet = true;
    clearReadouts();
    m_s.recordIndex = 0;
    const bool log = m_s.fileKind == FileKindNmeaLog;
    if (n <= 0) {
        if (m_s.segmentCount != 0)
            m_s.segmentCount = 1;
        if (log) {
            if (!seekFirstRmc())
                stopReplay(StopLoadFailure);
        } else if (m_track) {
            m_track->seekNextRecordLine();
        }
        m_s.seeking = false;
        return;
    }
    m_s.segmentCount = 0;
    if (log) {
        // Records count from 0, as recordIndex and the ticks count them: after
        // the jump the next tick sends record n, the (n + 1)-th RMC of the log.
        if (!seekIndexedRecord(n)) {
            m_s.recordIndex = 0;
            if (!reopen() || !seekFirstRmc()) {
                stopReplay(StopLoadFailure);
                m_s.seeking = m_s.seekQuiet = false;
                return;
            }
        }
        skipLogRecords(n - m_s.recordIndex);
    } else {
        skipRecords(n);
        if (m_track && m_s.replayActive)
            m_track->seekNextRecordLine();
    }
    m_s.seeking = m_s.seekQuiet = false;
}

void Loader::restart()
{
    if (!reopen()) {
        reportUnreadable();
        stopReplay(StopLoadFailure);
        return;
    }
    m_s.recordIndex = 0;
    m_s.startLat = 0;
    clearReadouts();
    if (m_s.segmentCount != 0)
        m_s.segmentCount = 1;
    m_sink.clearList();
    if (m_s.fileKind == FileKindNmeaLog) {
        if (!seekFirstRmc())
            stopReplay(StopLoadFailure);
    } else if (m_track) {
        m_track->detectTrackFormat();
    }
}

void Loader::skip1Clicked()
{
    if (checked(m_ui.manu, m_ui.values.manu)) {
        if (m_manualStart)
            m_manualStart();
        return;
    }
    if (m_s.replayActive && paused()) {
        m_s.singleStep = true;
        return;
    }
    if (m_s.replayActive) {
        runNavigation([this] { skipRecords(10); });
        return;
    }
    loadSelectedFile();
}

void Loader::skip2Clicked()
{
    if (m_s.replayActive && !paused())
        runNavigation([this] { skipRecords(100); });
}

void Loader::backClicked()
{
    if (m_s.replayActive && !paused())
        runNavigation([this] { goToRecord(m_s.recordIndex - 50); });
}

void Loader::restartClicked()
{
    if (m_s.replayActive && !paused())
        runNavigation([this] { restart(); });
}

void Loader::gaugeClicked(int x, int gaugeWidth)
{
    // While the records are counted the gauge has no scale yet.
    if (!isReplayRunning() || !m_s.replayActive || m_s.recordTotal <= 0)
        return;
    const std::int32_t target = gaugeClickRecord(m_s.recordTotal, gaugeWidth, x);
    runNavigation([this, target] { goToRecord(target); });
}

void Loader::pauseToggled()
{
    const bool on = paused();
    if (m_ui.skip1)
        m_ui.skip1->setToolTip(on ? QStringLiteral("Skip 1") : QStringLiteral("Skip 10"));
    // Enabled only while a replay is loaded; a stop disables them itself.
    const bool enableNav = !on && (m_s.replayActive || m_loading);
    enable(m_ui.restart, enableNav);
    enable(m_ui.back, enableNav);
    enable(m_ui.skip2, enableNav);
    show(m_ui.pauseL, on);
    if (m_ui.ende)
        m_ui.ende->setFocus();
}

void Loader::lopToggled()
{
    show(m_ui.loopL, checked(m_ui.lop, m_ui.values.lop));
}

void Loader::stopAClicked()
{
    if (checked(m_ui.manu, m_ui.values.manu) && !m_s.replayActive) {
        if (m_manualStop)
            m_manualStop();
        return;
    }
    if (m_s.replayActive)
        stopReplay(StopByUser);
}

void Loader::autoSkipClicked()
{
    if (m_s.fileKind == FileKindTrack && isReplayRunning() && m_s.replayActive) {
        setChecked(m_ui.autoSkip, m_ui.values.autoSkip, false);
        clearReadouts();
        if (m_track)
            runNavigation([this] { m_track->nextSegment(); });
        return;
    }
    show(m_ui.autoL, checked(m_ui.autoSkip, m_ui.values.autoSkip));
    m_s.autoSkipStill = checked(m_ui.autoSkip, m_ui.values.autoSkip);
    if (m_ui.ende)
        m_ui.ende->setFocus();
}

bool Loader::escapePressed()
{
    if (m_escapeFirst && m_escapeFirst())
        return true;
    if (m_profileRunning && !m_profileAbort) {
        m_profileAbort = true;
        return true;
    }
    if (m_ui.pause && m_ui.pause->isEnabled()) {
        m_tick.whenIdle([this] {
            if (m_s.replayActive || m_loading)
                stopReplay(StopByUser);
        });
        return true;
    }
    return false;
}

} // namespace zelvan
