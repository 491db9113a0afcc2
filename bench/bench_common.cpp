// Throughput of the framing every emitted sentence goes through.
#include "common/nmea.h"

#include <benchmark/benchmark.h>

static void BM_FrameSentence(benchmark::State& state)
{
    const QByteArray body("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
    for (auto _ : state)
        benchmark::DoNotOptimize(zv::frameSentence(body));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameSentence);

BENCHMARK_MAIN();
