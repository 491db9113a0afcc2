// Loading a day-long NMEA log and replaying it at "x 8" with the tick's
// waits left out: the time a user waits after clicking a file, and how fast
// the pass-through itself is.
#include "common/nmea.h"
#include "sim/replay/output_channel.h"
#include "sim/replay/replay_tick.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

class CountingChannel : public zelvan::OutputChannel {
public:
    bool open(QString*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void send(const QByteArray&) override { ++count; }
    qint64 count = 0;

private:
    bool m_open = false;
};

constexpr int kEpochs = 100000;

// RMC, GGA, GSA and VTG per epoch, a slow walk north-east with altitude.
const QString& generatedLog()
{
    static QTemporaryDir dir;
    static QString path;
    if (!path.isEmpty())
        return path;
    QDir(dir.path()).mkdir(QStringLiteral("Tracks"));
    path = QDir(dir.path()).filePath(QStringLiteral("Tracks/day.log"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int i = 0; i < kEpochs; ++i) {
        const int s = i % 86400;
        char time[16], lat[16], lon[16], alt[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d", s / 3600, s / 60 % 60, s % 60);
        std::snprintf(lat, sizeof lat, "48%07.4f", 7.0 + (i % 40000) * 0.001);
        std::snprintf(lon, sizeof lon, "011%07.4f", 31.0 + (i % 20000) * 0.001);
        std::snprintf(alt, sizeof alt, "%.1f", 400.0 + (i % 1000) * 0.5);
        chunk += zv::frameSentence(QByteArray("GPRMC,") + time + ",A," + lat + ",N," + lon + ",E,5.4,045.0,070426,,")
            + "\r\n";
        chunk += zv::frameSentence(QByteArray("GPGGA,") + time + "," + lat + ",N," + lon + ",E,1,08,0.9," + alt
                                   + ",M,46.9,M,,")
            + "\r\n";
        chunk += zv::frameSentence("GPGSA,A,3,01,02,04,05,06,09,14,25,30,,,,3.6,2.0,3.0") + "\r\n";
        chunk += zv::frameSentence("GPVTG,045.0,T,,M,5.4,N,10.0,K") + "\r\n";
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return path;
}

struct Session {
    QTemporaryDir home;
    zelvan::SimWindow window;
    CountingChannel channel;
    Session() : window(home.path())
    {
        window.setTrackFolder(QFileInfo(generatedLog()).absolutePath());
        window.addOutputChannel(&channel);
        window.tick().setPreOutputWaitMs(0);
        auto* files = window.controls().file1;
        files->setCurrentItem(files->findItems(QStringLiteral("day.log"), Qt::MatchExactly).first());
    }
};

void BM_LoadDayLogToFirstSentence(benchmark::State& state)
{
    generatedLog();
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Session>();
        state.ResumeTiming();
        s->window.loader().loadSelectedFile(); // probe, count, index, profile
        s->window.tick().onTimer1();            // first epoch out
        if (s->channel.count == 0 || s->window.replayState().recordTotal != kEpochs + 1)
            state.SkipWithError("load failed");
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    state.counters["epochs"] = kEpochs;
}
BENCHMARK(BM_LoadDayLogToFirstSentence)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReplayAtX8(benchmark::State& state)
{
    Session s;
    s.window.loader().loadSelectedFile();
    s.window.controls().abstand[0]->click(); // "x 8"
    qint64 epochs = 0;
    for (auto _ : state) {
        const std::int32_t before = s.window.replayState().recordIndex;
        s.window.tick().onTimer1();
        epochs += s.window.replayState().recordIndex - before;
        if (!s.window.replayState().replayActive) {
            state.PauseTiming();
            s.window.loader().loadSelectedFile();
            s.window.controls().abstand[0]->click();
            state.ResumeTiming();
        }
    }
    state.counters["epochs/s"] = benchmark::Counter(double(epochs), benchmark::Counter::kIsRate);
    state.counters["sentences/s"] = benchmark::Counter(double(s.channel.count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayAtX8)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
