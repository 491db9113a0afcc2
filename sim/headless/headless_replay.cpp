#include "sim/headless/headless_replay.h"

#include "common/file_names.h"
#include "common/program_dir.h"
#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/stdout_channel.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/replay/output_channel.h"
#include "sim/engine/replay_engine.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/route/route_points.h"
#include "sim/route/route_run.h"
#include "sim/tracks/loader.h"
#include "version.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zelvan {

namespace {

// Written by the handler of SIGINT and SIGTERM, read by the event loop.
int g_signalPipe[2] = {-1, -1};

// At the end of the file a reader of standard output that still reads gets
// the rest; one that takes nothing for this long is left.
constexpr int kDrainStallMs = 5000;

} // namespace

HeadlessReplay::HeadlessReplay(const HeadlessOptions& options, const QString& homeDir, QObject* parent)
    : QObject(parent), m_options(options), m_homeDir(homeDir)
{
    m_ui.options().data = options.data;
    m_ui.options().equ = options.equ;
    m_ui.options().lop = options.loop;
    m_engine = std::make_unique<ReplayEngine>(m_state, m_ui, m_file, m_dialogs, zelvanIniPath(homeDir));
    ReplayTick& tick = m_engine->tick();
    if (options.fileFactor)
        tick.chooseFilePace(*options.fileFactor);
    else
        tick.choosePace(options.paceIndex);
    connect(&tick, &ReplayTick::paceNote, this, [](const QString& text) { printError(text); });
    RigOptions rig = options.rig;
    if (rig.faults && !rig.seed) {
        rig.seed = QRandomGenerator::global()->generate64();
        if (!options.quiet)
            printError(QStringLiteral("faults with seed %1 (--seed %1 repeats them)").arg(*rig.seed));
    }
    m_engine->setRig(rig);
    if (options.verbose) {
        connect(&m_engine->sink(), &SentenceSink::faultInjected, this,
                [](const QString& text) { printError(QStringLiteral("fault ") + text); });
        connect(&m_engine->sink(), &SentenceSink::liveTimeFixed, this, [](const QString& text) { printError(text); });
    }
    connect(&m_engine->loader(), &Loader::replayStopped, this, &HeadlessReplay::onStopped);
    connect(&m_engine->loader(), &Loader::endedEarly, this, [this] {
        const QString at = m_state.recordTotal > 0
            ? QStringLiteral("record %1 of %2").arg(m_state.recordIndex).arg(m_state.recordTotal)
            : QStringLiteral("record %1").arg(m_state.recordIndex);
        printError(QStringLiteral("%1: the file ended early, at %2: it was cut short while it was replayed")
                       .arg(m_options.file, at));
    });
    m_progress.setInterval(1000);
    connect(&m_progress, &QTimer::timeout, this, &HeadlessReplay::showProgress);
}

HeadlessReplay::~HeadlessReplay()
{
    m_route.reset();
    // The engine goes first: it holds the channels (guarded) and the state.
    m_engine.reset();
    for (Output& o : m_outputs)
        if (o.channel)
            o.channel->close();
}

bool HeadlessReplay::start()
{
    QList<OutputChannel*> channels;
    for (const OutputTarget& target : std::as_const(m_options.outputs)) {
        QString error;
        std::unique_ptr<OutputChannel> channel = createOutputChannel(target, m_homeDir, &error);
        if (channel && !channel->open(&error))
            channel.reset();
        if (!channel) {
            printError(QStringLiteral("output %1 cannot be opened: %2").arg(describeOutputTarget(target), error));
            for (Output& o : m_outputs)
                o.channel->close();
            return false;
        }
        OutputChannel* raw = channel.get();
        connect(raw, &OutputChannel::failed, this, [this, raw](const QString& message) { onOutputFailed(raw, message); });
        if (auto* tcp = qobject_cast<TcpServerChannel*>(raw))
            connect(tcp, &TcpServerChannel::messageRequested, this,
                    [](const QString& text, const QString& title) { printError(title + QStringLiteral(": ") + text); });
        channels << raw;
        m_outputs.push_back({target, std::move(channel), false});
    }
    m_engine->sink().setChannels(channels);
    QTimer::singleShot(0, this, &HeadlessReplay::load);
    return true;
}

void HeadlessReplay::load()
{
    if (m_stopping) {
        finish(ExitDone);
        return;
    }
    if (!m_options.route.isEmpty()) {
        loadRoute();
        return;
    }
    // The name as the system gave it: one that is not UTF-8 is a file like any other.
    if (!zv::isFile(m_options.file) || !zv::isReadable(m_options.file)) {
        printError(QStringLiteral("%1: %2").arg(m_options.file, zv::exists(m_options.file)
                                                                    ? QStringLiteral("not a readable file")
                                                                    : QStringLiteral("no such file")));
        finish(ExitReplayFailed);
        return;
    }
    // What the window would list in List1 about the load.
    QStringList notes;
    const auto noting = connect(&m_engine->sink(), &SentenceSink::noted, this, [&notes](const QString& text) {
        if (!text.trimmed().isEmpty())
            notes << text.trimmed();
    });
    m_loading = true;
    const bool ok = m_engine->loader().loadFile(zv::absolutePath(m_options.file));
    m_loading = false;
    disconnect(noting);
    if (m_stopping) {
        if (ok)
            m_engine->loader().stopReplay(StopByUser);
        finish(m_stopCode);
        return;
    }
    if (!ok) {
        QString reason = notes.isEmpty() ? QStringLiteral("not a replayable file") : notes.last();
        reason.remove(QStringLiteral(" !"));
        printError(QStringLiteral("%1: %2").arg(m_options.file, reason));
        finish(ExitReplayFailed);
        return;
    }
    if (m_options.autoSkip) {
        if (m_state.fileKind == FileKindNmeaLog) {
            m_ui.options().autoSkip = true;
            m_engine->loader().autoSkipClicked();
        } else {
            printError(QStringLiteral("--autoskip passes over standstill in NMEA logs only; ignored for a track file"));
        }
    }
    if (m_options.startRecord > 0)
        m_engine->loader().goToRecord(m_options.startRecord);
    if (!m_options.quiet && m_state.replayActive) {
        showProgress();
        m_progress.start();
    }
}

void HeadlessReplay::loadRoute()
{
    const RouteRead read = readRouteFile(m_options.route);
    QString why = read.error;
    std::optional<RoutePath> path;
    if (why.isEmpty()) {
        path = RoutePath::fromPoints(read.points, &why);
        if (!path)
            why = m_options.route + QStringLiteral(": ") + why;
    }
    if (!path) {
        printError(why);
        finish(ExitReplayFailed);
        return;
    }
    if (read.skipped > 0)
        printError(QStringLiteral("%1: %2 points without a possible position left out").arg(m_options.route).arg(read.skipped));
    const RouteTiming timing = routeTimingForPace(m_options.paceIndex);
    if (!m_options.quiet)
        printError(QStringLiteral("%1: %2, %3 points, %4 km; %5 km/h, %6 s of motion every %7 ms")
                       .arg(m_options.route, read.kind)
                       .arg(path->points().size())
                       .arg(path->lengthM() / 1000.0, 0, 'f', 3)
                       .arg(m_options.speedMps * 3.6, 0, 'f', 1)
                       .arg(timing.motionSeconds)
                       .arg(timing.intervalMs));
    m_route = std::make_unique<RouteRun>(m_engine->sink());
    m_route->setPath(std::move(*path));
    m_route->setSpeed(m_options.speedMps);
    m_route->setTiming(timing);
    m_route->setLoop(m_options.loop);
    RouteComposeOptions& compose = m_route->composeOptions();
    compose.rmc = m_options.data[DataRmc];
    compose.gga = m_options.data[DataGga];
    compose.vtg = m_options.data[DataVtg];
    compose.gsa = m_options.data[DataGsa];
    compose.gsv = m_options.data[DataGsv];
    compose.talker = m_state.outputTalker;
    connect(m_route.get(), &RouteRun::epochSent, this, [this](const RouteEpoch& e) {
        m_routeEpochs = e.index + 1;
        m_routeDistanceM = e.distanceM;
    });
    connect(m_route.get(), &RouteRun::ended, this, [this] { finish(m_stopCode); });
    // The sentences' clock: the chosen start, else now; whole seconds, as a receiver's epochs.
    const qint64 firstMs = m_options.rig.time.mode == TimeMode::Start ? m_options.rig.time.startMs
                                                                       : QDateTime::currentMSecsSinceEpoch();
    m_route->start(QDateTime::fromMSecsSinceEpoch(firstMs - firstMs % 1000, Qt::UTC));
    if (!m_options.quiet) {
        showProgress();
        m_progress.start();
    }
}

void HeadlessReplay::requestStop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_route) {
        m_route->stop();
        // Epochs a latency fault holds back still go out, as at the end of a replay.
        m_engine->sink().releaseHeld();
        finish(m_stopCode);
        return;
    }
    // Never in the middle of a tick: after it, or now when none runs.
    m_engine->tick().whenIdle([this] {
        if (m_loading) {
            // The loader gives up at its next look at the events; load() ends the run.
            m_engine->loader().stopReplay(StopByUser);
            return;
        }
        if (m_state.replayActive)
            m_engine->loader().stopReplay(StopByUser);
        finish(m_stopCode);
    });
}

void HeadlessReplay::onStopped(StopReason reason)
{
    if (m_loading)
        return; // load() reports it
    if (reason == StopLoadFailure && !m_stopping) {
        printError(QStringLiteral("%1: the file could not be read again").arg(m_options.file));
        finish(ExitReplayFailed);
        return;
    }
    if (reason == StopEndOfFile && m_engine->loader().hasEndedEarly()) {
        finish(ExitReplayFailed);
        return;
    }
    finish(m_stopCode);
}

namespace {

// Network outputs come back by themselves: a TCP client connects again, a
// UDP peer may start listening. Their failures are reported, not final.
bool recovers(OutputTarget::Kind kind)
{
    return kind == OutputTarget::Kind::TcpClient || kind == OutputTarget::Kind::Udp
        || kind == OutputTarget::Kind::TcpServer;
}

} // namespace

void HeadlessReplay::onOutputFailed(OutputChannel* channel, const QString& message)
{
    if (m_finished)
        return;
    for (Output& o : m_outputs) {
        if (o.channel.get() != channel || o.dropped)
            continue;
        if (recovers(o.target.kind)) {
            printError(QStringLiteral("output %1: %2").arg(describeOutputTarget(o.target), message));
            return;
        }
        o.dropped = true;
        printError(QStringLiteral("output %1 failed and is dropped: %2").arg(describeOutputTarget(o.target), message));
    }
    QList<OutputChannel*> left;
    for (const Output& o : m_outputs)
        if (!o.dropped)
            left << o.channel.get();
    m_engine->sink().setChannels(left);
    // Closed after the send that failed has returned.
    QTimer::singleShot(0, channel, [channel] { channel->close(); });
    if (left.isEmpty()) {
        printError(QStringLiteral("no output is left"));
        m_stopping = true;
        m_stopCode = ExitReplayFailed;
        if (m_route)
            m_route->stop();
        m_engine->tick().whenIdle([this] {
            if (m_state.replayActive)
                m_engine->loader().stopReplay(StopByUser);
            finish(m_stopCode);
        });
    }
}

void HeadlessReplay::showProgress()
{
    if (m_route) {
        if (m_routeEpochs != m_shownEpochs)
            printProgress(QStringLiteral("epoch %1, %2 of %3 km")
                              .arg(m_routeEpochs)
                              .arg(m_routeDistanceM / 1000.0, 0, 'f', 3)
                              .arg(m_route->path()->lengthM() / 1000.0, 0, 'f', 3));
        m_shownEpochs = m_routeEpochs;
        return;
    }
    if (m_state.recordIndex == m_shownIndex || !m_state.replayActive)
        return;
    m_shownIndex = m_state.recordIndex;
    // A big log is counted behind the replay: its total comes when known.
    printProgress(m_state.recordTotal > 0 ? QStringLiteral("record %1 of %2").arg(m_state.recordIndex).arg(m_state.recordTotal)
                                          : QStringLiteral("record %1 (counting)").arg(m_state.recordIndex));
}

void HeadlessReplay::finish(int code)
{
    if (m_finished)
        return;
    m_finished = true;
    m_progress.stop();
    if (m_route)
        m_route->stop();
    // Not after a signal: the user wants the program to end now.
    if (!m_stopping)
        for (Output& o : m_outputs)
            if (auto* out = qobject_cast<StdoutChannel*>(o.channel.get()); out && !o.dropped)
                out->drain(kDrainStallMs, g_signalPipe[0]);
    for (Output& o : m_outputs)
        if (o.channel)
            o.channel->close();
    Q_EMIT finished(code);
}

// ---------------------------------------------------------------- the program

namespace {

extern "C" void onTerminationSignal(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalPipe()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void writeOut(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int runHeadless(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelvan"));
    const QStringList arguments = zv::commandLineArguments(argc, argv);
    const HeadlessParse parsed = parseHeadlessOptions(arguments.mid(1));
    if (!parsed.options) {
        printError(parsed.error);
        printError(QStringLiteral("see: zelvan --headless --help"));
        return ExitUsage;
    }
    const HeadlessOptions& options = *parsed.options;
    if (options.help) {
        writeOut(headlessUsage());
        return ExitDone;
    }
    if (options.version) {
        writeOut(QStringLiteral("zelvan " ZV_VERSION_STRING "\n"));
        return ExitDone;
    }
    // A reader that goes away is a write error on its output, not the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    if (!installSignalPipe()) {
        printError(QStringLiteral("cannot watch for SIGINT and SIGTERM"));
        return ExitReplayFailed;
    }
    QStringList homeArgs{arguments.value(0)};
    if (!options.home.isEmpty())
        homeArgs << QStringLiteral("--home") << options.home;
    const QString home = zv::resolveProgramDir(homeArgs);

    HeadlessReplay replay(options, home);
    int exitCode = ExitDone;
    QObject::connect(&replay, &HeadlessReplay::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    QSocketNotifier signalWatch(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalWatch, &QSocketNotifier::activated, &replay, [&replay] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        replay.requestStop();
    });
    if (!replay.start())
        return ExitOutputFailed;
    QCoreApplication::exec();
    return exitCode;
}

} // namespace zelvan
