// Loading a 100,000-record track file in the window to its first sentence
// (probe, format, count with the record index, altitude profile), a gauge
// jump to a record near the end, and replaying at "x 8" with the tick's
// waits left out.
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
#include <cstdio>

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

constexpr int kRecords = 100000;

// The own format, one record a second heading north-east, a new segment
// every 10,000 records.
const QString& generatedTrack()
{
    static QTemporaryDir dir;
    static QString path;
    if (!path.isEmpty())
        return path;
    QDir(dir.path()).mkdir(QStringLiteral("Tracks"));
    path = QDir(dir.path()).filePath(QStringLiteral("Tracks/day.trk"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray out = "I Zelvan V1.0.0\r\n# 07.12.2026 15:02:11\r\nbenchmark\r\n";
    for (int i = 0; i < kRecords; ++i) {
        if (i % 10000 == 0)
            out += "L  New Header: part " + QByteArray::number(i / 10000) + "\r\nN  New Track Segment\r\n";
        const int s = i % 86400;
        char line[96];
        std::snprintf(line, sizeof line, "T  N48 %07.4f E011 %07.4f Mon Jan 05 %02d:%02d:%02d 2005 ;%d;\r\n",
                      7.0 + (i % 40000) * 0.001, 31.0 + (i % 20000) * 0.001, s / 3600, s / 60 % 60, s % 60,
                      400 + i % 500);
        out += line;
        if (out.size() > (1 << 20)) {
            f.write(out);
            out.clear();
        }
    }
    f.write(out);
    return path;
}

struct Session {
    QTemporaryDir home;
    zelvan::SimWindow window;
    CountingChannel channel;
    Session() : window(home.path())
    {
        window.setTrackFolder(QFileInfo(generatedTrack()).absolutePath());
        window.addOutputChannel(&channel);
        window.tick().setPreOutputWaitMs(0);
        auto* files = window.controls().file1;
        files->setCurrentItem(files->findItems(QStringLiteral("day.trk"), Qt::MatchExactly).first());
    }
};

void BM_LoadTrackToFirstSentence(benchmark::State& state)
{
    generatedTrack();
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Session>();
        state.ResumeTiming();
        s->window.loader().loadSelectedFile();
        s->window.tick().onTimer1();
        if (s->channel.count == 0 || s->window.replayState().recordTotal != kRecords)
            state.SkipWithError("load failed");
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    state.counters["records"] = kRecords;
}
BENCHMARK(BM_LoadTrackToFirstSentence)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TrackGoToRecordNearTheEnd(benchmark::State& state)
{
    Session s;
    s.window.loader().loadSelectedFile();
    for (auto _ : state) {
        s.window.loader().goToRecord(kRecords - 10);
        if (s.window.replayState().recordIndex != kRecords - 10)
            state.SkipWithError("jump missed");
    }
}
BENCHMARK(BM_TrackGoToRecordNearTheEnd)->Unit(benchmark::kMicrosecond);

void BM_TrackReplayAtX8(benchmark::State& state)
{
    Session s;
    s.window.loader().loadSelectedFile();
    s.window.controls().abstand[0]->click(); // "x 8"
    qint64 records = 0;
    for (auto _ : state) {
        const std::int32_t before = s.window.replayState().recordIndex;
        s.window.tick().onTimer1();
        records += std::max(0, s.window.replayState().recordIndex - before);
        if (!s.window.replayState().replayActive) {
            state.PauseTiming();
            s.window.loader().loadSelectedFile();
            s.window.controls().abstand[0]->click();
            state.ResumeTiming();
        }
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TrackReplayAtX8)->Unit(benchmark::kMicrosecond);

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
