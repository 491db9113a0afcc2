// A track file in the own format of 100,000 and of 1,000,000 records: load
// in the window to the first sentence (probe, format, count with the record
// index, altitude profile), gauge jumps anywhere, and replaying at "x 8" with
// the tick's waits left out.
#include "bench_support.h"

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

} // namespace

int main(int argc, char** argv)
{
    return zvbench::runBenchmarks(argc, argv);
}
