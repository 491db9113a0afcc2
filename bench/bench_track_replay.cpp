// A track file in the own format of 100,000 and of 1,000,000 records: load
// in the window to the first sentence (probe, format, count with the record
// index, altitude profile), gauge jumps anywhere, and replaying at "x 8" with
// the tick's waits left out. A KML with 2,000 tag lines before its tuples:
// the first sentence with the waits left in.
#include "bench_support.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace {

void BM_LoadTrackToFirstSentence(benchmark::State& state)
{
    const int records = int(state.range(0));
    zvbench::loadToFirstSentence(state, zvbench::generatedTrack(records), records);
    state.counters["records"] = records;
}
BENCHMARK(BM_LoadTrackToFirstSentence)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TrackGaugeJump(benchmark::State& state)
{
    zvbench::gaugeJumps(state, zvbench::generatedTrack(int(state.range(0))));
    state.counters["records"] = double(state.range(0));
}
BENCHMARK(BM_TrackGaugeJump)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TrackReplayAtX8(benchmark::State& state)
{
    zvbench::replayAtX8(state, zvbench::generatedTrack(100000), "records/s");
}
BENCHMARK(BM_TrackReplayAtX8)->Unit(benchmark::kMicrosecond);

// A KML whose tuples follow 2,000 tag lines (and 50 more between each two):
// from the load to the first sentence out with the window's own timers and
// the wait before a tick's output, as a user waits after the click. The
// goal: 0.2 s, the start interval and the wait every file has.
void BM_KmlFirstSentenceAfterTagLines(benchmark::State& state)
{
    constexpr int kTagLines = 2000;
    constexpr int kTuples = 100;
    QByteArray header = "<?xml version=\"1.0\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n";
    for (int i = 0; i < kTagLines; ++i)
        header += "<Style id=\"s" + QByteArray::number(i) + "\"><LineStyle><width>2</width></LineStyle></Style>\r\n";
    header += "<Placemark><name>tags</name><LineString><coordinates>\r\n";
    const QString path = zvbench::generatedFile(QStringLiteral("tags.kml"), kTuples, header, [](int i, QByteArray& out) {
        for (int k = 0; i > 0 && k < 50; ++k)
            out += "<!-- between -->\r\n";
        out += "11.5," + QByteArray::number(48.1 + i * 0.0001, 'f', 4) + ",500\r\n";
        if (i == kTuples - 1)
            out += "</coordinates></LineString></Placemark>\r\n</Document>\r\n</kml>\r\n";
    });
    double total = 0, loading = 0;
    for (auto _ : state) {
        QTemporaryDir home;
        zelvan::SimWindow window(home.path());
        zvbench::CountingChannel channel;
        window.addOutputChannel(&channel);
        QElapsedTimer clock;
        clock.start();
        if (!window.loader().loadFile(path)) {
            state.SkipWithError("load failed");
            break;
        }
        loading += double(clock.nsecsElapsed()) / 1e9;
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (channel.count > 0 || clock.elapsed() > 10000)
                loop.quit();
        });
        poll.start(1);
        loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (channel.count == 0)
            state.SkipWithError("no sentence within 10 s");
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double runs = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["load_s"] = loading / runs;
    state.counters["first_sentence_s"] = total / runs;
    state.counters["goal_s"] = 0.2;
}
BENCHMARK(BM_KmlFirstSentenceAfterTagLines)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return zvbench::runBenchmarks(argc, argv);
}
