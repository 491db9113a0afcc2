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

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cmath>

namespace zelvan {

namespace {
constexpr unsigned kGrey = 0xC0C0C0;
constexpr unsigned kMagentaBgr = 0xFF00FF;
constexpr int kLoopWaitMs = 1000;
} // namespace

Loader::Loader(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file, ReplayTick& tick,
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
    return m_ui.stopShown();
}

bool Loader::paused() const
{
    return m_ui.options().pause;
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
    const QString name = m_selectedFile ? m_selectedFile() : QString();
    loadNamed(name);
}

void Loader::startChosenOrFirstFile()
{
    if (m_loading || m_s.replayActive)
        return;
    QString name = m_selectedFile ? m_selectedFile() : QString();
    if (name.isEmpty() && m_firstFile)
        name = m_firstFile();
    loadNamed(name);
}

void Loader::loadNamed(const QString& name)
{
    if (name.isEmpty())
        return;
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
    m_ui.show(Control::List1, true);
    m_ui.show(Control::Dir1, false);
    m_ui.show(Control::Drive1, false);
    m_ui.enable(Control::DirSel, false);
    m_ui.enable(Control::Manu, false);

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
    m_ui.enable(Control::File1, false);
    m_s.hasRmc = m_s.hasGga = m_s.hasVtg = false;
    m_ui.enable(Control::DownloadC, false);
    m_s.epochTimePos.clear();
    m_ui.enable(Control::Restart, true);
    m_ui.enable(Control::Back, true);
    m_ui.enable(Control::Skip1, true);
    m_ui.enable(Control::Skip2, true);
    m_ui.enable(Control::Pause, true);
    m_ui.setToolTip(Control::Skip1, QStringLiteral("Skip 10"));
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    m_ui.setText(Control::FileL, dot < 0 ? name : name.left(dot));

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
        m_ui.setOption(Control::AutoSkip, false);
        m_ui.enable(Control::AutoSkip, false);
        m_ui.show(Control::AutoL, false);
        for (int i = 3; i <= 5; ++i)
            m_ui.enable(dataControl(i), false);
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
            m_ui.enable(dataControl(i), false);
        m_ui.setCaptionColour(dataControl(2), kGrey);
        m_ui.setCaptionColour(dataControl(6), kGrey);
        const CountStep counted = countLog();
        if (counted == CountStep::Stopped)
            return finish(false); // stopped while counting
        m_file.close();
        m_ui.show(Control::StopA, true);
        if (!m_s.hasRmc) {
            QString converted;
            if (m_s.hasGga && m_s.hasVtg) {
                m_ui.setCaptionColour(dataControl(0), kGrey);
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
        m_ui.progressRange(m_s.recordTotal);
        m_s.recordIndex = 0;
    }
    m_s.replayActive = true;
    m_loadedBytes = m_file.size();
    m_endedEarly = false;
    countBehindReplay();
    m_sink.openChannels();
    m_ui.enable(Control::PortC, false);
    // The first tick comes at once: a replay starts when the file is chosen
    // (a track tick still waits its 100 ms before the output); the chosen
    // pace takes over from the first tick on.
    m_tick.setTimer1Interval(1);
    m_tick.setTimer1Enabled(true);
    if (m_ui.options().minC) {
        // A second to see the start, then out of the way.
        QTimer::singleShot(1000, this, [this] {
            if (!m_s.replayActive || !m_ui.options().minC)
                return;
            m_ui.show(Control::MiniA, true);
            m_ui.minimise();
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
    const bool drawing = m_ui.options().profile && !companion;
    if (drawing)
        m_ui.altitudeCleared();
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
    m_ui.setToolTip(Control::Gauge2, QStringLiteral("Records: counting"));
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
    if (m_s.replayActive) {
        // Counted behind the replay: the gauge gets its scale now.
        m_ui.progressRange(m_s.recordTotal);
        m_ui.setToolTip(Control::Gauge2, QStringLiteral("Records"));
        m_ui.progress(m_s.recordIndex);
    }
    if (m_ui.options().profile && !companion && count.collectProfile) {
        AltitudeProfile profile;
        profile.source = AltitudeProfile::Source::LogGga;
        // Over the records, or over the GGA sentences of a log without RMC.
        profile.recordRange = m_s.hasRmc ? double(m_s.recordTotal) : count.ggaCount + 1;
        profile.points = std::move(count.profile);
        profile.lowest = count.lowest;
        profile.highest = count.highest;
        m_ui.altitudeProfile(profile);
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
    if (m_ui.options().autoReset)
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
        m_ui.setText(Control::Ttl, QString());
        m_ui.setText(Control::TripL, QString());
        m_s.tripMeters = 0;
    }
}

void Loader::stopReplay(StopReason reason)
{
    // The end came before the length the file had when it was loaded: it was
    // cut short under the replay, and the records counted are not all there.
    m_endedEarly = reason == StopEndOfFile && m_file.isOpen() && m_file.position() < m_loadedBytes;
    if (reason == StopEndOfFile && m_ui.options().lop) {
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
        m_sink.fileRestarted();
        // The second's rest before the loop starts again, as the next tick's delay.
        m_tick.setTimer1Interval(kLoopWaitMs);
        return;
    }
    // What the rig holds back goes out before the channels close.
    m_sink.releaseHeld();
    ++m_generation;
    m_background->cancel();
    m_partialCount.reset();
    m_profileRunning = false;
    if (reason < StopLoadFailure)
        m_sink.clearList();
    m_ui.enable(Control::PortC, true);
    m_tick.setTimer1Enabled(false);
    m_file.close();
    m_ui.show(Control::StopA, false);
    m_s.phsmiLine.clear();
    m_ui.enable(Control::DirSel, true);
    m_ui.setText(Control::FileL, QString());
    m_ui.setOption(Control::Pause, false);
    m_ui.setBackColour(Control::AutoSkip, kGrey);
    m_s.replayActive = false;
    m_sink.closeChannels();
    m_ui.enable(Control::File1, true);
    m_ui.show(Control::RunA, false);
    m_ui.progress(0);
    m_ui.setToolTip(Control::Gauge2, QStringLiteral("Records"));
    m_ui.enable(Control::Equ, true);
    m_ui.enable(Control::AutoSkip, true);
    m_s.maxSpeed = 0;
    m_s.startLat = m_s.startLon = m_s.prevLat = m_s.prevLon = 0;
    m_s.prevSeconds = 0;
    m_s.trackFormat.clear();
    m_ui.enable(Control::Pause, false);
    m_s.segmentCount = 0;
    m_ui.enable(Control::Restart, false);
    m_ui.enable(Control::Back, false);
    m_ui.enable(Control::Skip2, false);
    m_ui.compass(50);
    clearReadouts();
    m_ui.enable(Control::DownloadC, true);
    m_ui.show(Control::DownloadC, true);
    m_ui.altitudeCleared();
    m_ui.setToolTip(Control::Skip1, QStringLiteral("Start"));
    m_ui.show(Control::MiniA, false);
    m_s.statusText.clear();
    for (int i : {0, 2, 6})
        m_ui.setCaptionColour(dataControl(i), kMagentaBgr);
    m_ui.enable(Control::Manu, true);
    for (int i = 0; i < DataBoxCount; ++i)
        m_ui.enable(dataControl(i), true);
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
    for (Control c : {Control::WtL, Control::Datum, Control::Zeit, Control::SpeedL, Control::MaxL, Control::DistL,
                      Control::TripL, Control::Ttl, Control::NnL, Control::NnMinL, Control::NnMaxL})
        m_ui.setText(c, QString());
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
    if (m_ui.options().manu) {
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
    startChosenOrFirstFile();
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
    m_ui.setToolTip(Control::Skip1, on ? QStringLiteral("Skip 1") : QStringLiteral("Skip 10"));
    // Enabled only while a replay is loaded; a stop disables them itself.
    const bool enableNav = !on && (m_s.replayActive || m_loading);
    m_ui.enable(Control::Restart, enableNav);
    m_ui.enable(Control::Back, enableNav);
    m_ui.enable(Control::Skip2, enableNav);
    m_ui.show(Control::PauseL, on);
    m_ui.focus(Control::Ende);
}

void Loader::lopToggled()
{
    m_ui.show(Control::LoopL, m_ui.options().lop);
}

void Loader::stopAClicked()
{
    if (m_ui.options().manu && !m_s.replayActive) {
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
        m_ui.setOption(Control::AutoSkip, false);
        clearReadouts();
        if (m_track)
            runNavigation([this] { m_track->nextSegment(); });
        return;
    }
    m_ui.show(Control::AutoL, m_ui.options().autoSkip);
    m_s.autoSkipStill = m_ui.options().autoSkip;
    m_ui.focus(Control::Ende);
}

bool Loader::escapePressed()
{
    if (m_escapeFirst && m_escapeFirst())
        return true;
    if (m_profileRunning && !m_profileAbort) {
        m_profileAbort = true;
        return true;
    }
    if (m_ui.pauseEnabled()) {
        m_tick.whenIdle([this] {
            if (m_s.replayActive || m_loading)
                stopReplay(StopByUser);
        });
        return true;
    }
    return false;
}

} // namespace zelvan
