// NMEA logs of 100,000 and of 10,000,000 epochs (four sentences each, the
// larger about 2.4 GB): load to the first sentence, gauge jumps anywhere in
// the file once it is counted, replaying at "x 8" with the tick's waits left
// out, and the peak memory of the headless program replaying a 2 GiB log
// and a log of long TXT lines. Goals are printed beside the measures.
#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kBigLog = 10'000'000;

// A log full of status texts: an epoch of RMC and GGA, then twenty TXT lines.
QString generatedTxtLog(int epochs)
{
    return zvbench::generatedFile(QStringLiteral("txt.log"), epochs, {}, [](int i, QByteArray& out) {
        const int s = i % 86400;
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d", s / 3600, s / 60 % 60, s % 60);
        out += zv::frameSentence(QByteArray("GPRMC,") + time + ",A,4807.038,N,01131.000,E,5.4,045.0,070426,,") + "\r\n";
        out += zv::frameSentence(QByteArray("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")
            + "\r\n";
        for (int k = 0; k < 20; ++k)
            out += zv::frameSentence("GPTXT,01,01,02,status text " + QByteArray::number(k) + " of epoch "
                                     + QByteArray::number(i) + " with some words to make it long")
                + "\r\n";
    });
}

void BM_LoadLogToFirstSentence(benchmark::State& state)
{
    const int epochs = int(state.range(0));
    const QString path = zvbench::generatedLog(epochs);
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<zvbench::Session>(path);
        state.ResumeTiming();
        s->loader().loadSelectedFile(); // probe, the count's start, first RMC
        s->window.tick().onTimer1();    // first epoch out
        if (s->channel.count == 0)
            state.SkipWithError("load failed");
        state.PauseTiming();
        s.reset(); // also ends a count still running behind
        state.ResumeTiming();
    }
    state.counters["epochs"] = epochs;
    state.SetLabel("goal: first sentence within 50 ms");
}
BENCHMARK(BM_LoadLogToFirstSentence)->Arg(100000)->Arg(kBigLog)->Unit(benchmark::kMillisecond)->Iterations(3);

// Gauge clicks spread over the bar once the count behind the replay is done,
// as a user jumping about would; the last 2 % of the bar reach past the end
// (the click scale runs 2 % long) and would end the replay.
void BM_LogGaugeJump(benchmark::State& state)
{
    zvbench::Session s(zvbench::generatedLog(int(state.range(0))));
    QElapsedTimer counting;
    counting.start();
    s.loader().loadSelectedFile();
    s.window.tick().setTimer1Enabled(false);
    // Only the count's result is taken from the event queue: the window's
    // own output (a serial port of the machine) is none of this benchmark's.
    while (s.loader().isCounting()) {
        QThread::msleep(5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }
    state.counters["count_s"] = counting.elapsed() / 1000.0;
    constexpr int width = 1000;
    int x = 0;
    for (auto _ : state) {
        x = (x + 617) % (width * 97 / 100); // every part of the bar, in no order
        const std::int32_t before = s.state().recordIndex;
        s.loader().gaugeClicked(x, width);
        if (!s.state().replayActive || (x > 10 && s.state().recordIndex == before))
            state.SkipWithError("the jump did not move or stopped the replay");
    }
    state.counters["epochs"] = double(state.range(0));
    state.SetLabel("goal: a jump within 50 ms once counted");
}
BENCHMARK(BM_LogGaugeJump)->Arg(100000)->Arg(kBigLog)->Unit(benchmark::kMillisecond);

void BM_ReplayAtX8(benchmark::State& state)
{
    zvbench::replayAtX8(state, zvbench::generatedLog(100000), "epochs/s");
}
BENCHMARK(BM_ReplayAtX8)->Unit(benchmark::kMicrosecond);

// "zelvan --headless" replaying the log until its progress line shows the
// total (the count is done), then ended with SIGTERM; its peak resident size
// up to then.
double headlessPeakMiB(const QString& log, QString* error)
{
    QTemporaryDir home;
    int err[2];
    if (::pipe(err) != 0) {
        *error = QStringLiteral("no pipe");
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    const QByteArray program = ZV_ZELVAN_PROGRAM, homeDir = home.path().toLocal8Bit(), file = log.toLocal8Bit();
    const char* argv[] = {program.constData(), "--headless", "--home", homeDir.constData(), "--pace", "x8",
                          file.constData(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(err[0]);
        *error = QStringLiteral("cannot start ") + QString::fromLocal8Bit(program);
        return 0;
    }
    // Progress comes once a second: "record n (counting)", then "record n of total".
    QByteArray said;
    char buffer[4096];
    bool counted = false;
    for (ssize_t n; !counted && (n = ::read(err[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, n);
        counted = said.contains(" of ");
    }
    // The peak of the program itself (its high-water mark starts afresh at
    // exec; the rusage of a spawned child may carry this process's own).
    double peakKiB = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKiB = line.mid(6).trimmed().split(' ').value(0).toDouble();
    ::kill(pid, SIGTERM);
    while (::read(err[0], buffer, sizeof buffer) > 0) {
    }
    ::close(err[0]);
    int exitStatus = 0;
    ::waitpid(pid, &exitStatus, 0);
    if (!counted)
        *error = QStringLiteral("the count never ended: ") + QString::fromLocal8Bit(said.right(200));
    else if (peakKiB <= 0)
        *error = QStringLiteral("no peak memory in /proc");
    return peakKiB / 1024.0;
}

void peakMemory(benchmark::State& state, const QString& log)
{
    for (auto _ : state) {
        QString error;
        const double mib = headlessPeakMiB(log, &error);
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
        state.counters["peak_MiB"] = mib;
    }
    state.counters["file_MiB"] = double(QFileInfo(log).size()) / (1 << 20);
    state.SetLabel("goal: peak under 64 MiB");
}

void BM_PeakMemoryOfA2GiBReplay(benchmark::State& state)
{
    peakMemory(state, zvbench::generatedLog(kBigLog));
}
BENCHMARK(BM_PeakMemoryOfA2GiBReplay)->Unit(benchmark::kSecond)->Iterations(1);

void BM_PeakMemoryOfATxtLog(benchmark::State& state)
{
    peakMemory(state, generatedTxtLog(55000)); // about 100 MiB
}
BENCHMARK(BM_PeakMemoryOfATxtLog)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return zvbench::runBenchmarks(argc, argv);
}
