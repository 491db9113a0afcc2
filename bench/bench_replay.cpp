// An NMEA log of 100,000 and of 1,000,000 epochs (four sentences each): load
// to the first sentence, gauge jumps anywhere in the file, and replaying at
// "x 8" with the tick's waits left out. The record index built while
// counting makes a jump cost the same on both sizes.
#include "bench_support.h"

namespace {

void BM_LoadLogToFirstSentence(benchmark::State& state)
{
    const int epochs = int(state.range(0));
    const QString path = zvbench::generatedLog(epochs);
    zvbench::loadToFirstSentence(state, path, epochs + 1);
    state.counters["epochs"] = epochs;
}
BENCHMARK(BM_LoadLogToFirstSentence)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LogGaugeJump(benchmark::State& state)
{
    zvbench::gaugeJumps(state, zvbench::generatedLog(int(state.range(0))));
    state.counters["epochs"] = double(state.range(0));
}
BENCHMARK(BM_LogGaugeJump)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ReplayAtX8(benchmark::State& state)
{
    zvbench::replayAtX8(state, zvbench::generatedLog(100000), "epochs/s");
}
BENCHMARK(BM_ReplayAtX8)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return zvbench::runBenchmarks(argc, argv);
}
