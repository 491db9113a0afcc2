// Throughput of the display's intake and decoders in sentences per second:
// a receiver at 4800 baud sends about 10 sentences a second.
#include "display/decode/decoders.h"
#include "display/decode/live_display.h"
#include "display/intake/intake.h"

#include <benchmark/benchmark.h>

namespace {

const QByteArray kEpoch =
    "$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A\r\n"
    "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
    "$GPGSA,A,3,03,07,08,11,13,16,19,23,,,,,3.6,2.0,3.0*3A\r\n"
    "$GPGSV,2,1,08,03,41,050,46,07,60,317,49,08,34,315,45,11,35,148,45*71\r\n"
    "$GPGSV,2,2,08,13,38,213,45,16,27,068,43,19,72,076,50,23,09,182,37*74\r\n"
    "$GPVTG,084.4,T,,M,10.0,N,18.5,K*00\r\n"
    "$PGRMZ,1790,f,3*2D\r\n";
constexpr int kSentencesPerEpoch = 7;

} // namespace

// Bytes in chunks of 64 through the splitter, cut, dispatch and decoders.
static void BM_IntakeAndDecode(benchmark::State& state)
{
    vur::Intake intake(QStringLiteral("/nonexistent/vur-bench"), nullptr, nullptr);
    vur::LiveDisplay live(&intake, nullptr);
    live.connectToIntake();
    double clock = 0;
    live.setClock([&clock] { return clock += 1; });
    QByteArray stream;
    for (int i = 0; i < 100; ++i)
        stream += kEpoch;
    for (auto _ : state) {
        for (qsizetype pos = 0; pos < stream.size(); pos += 64)
            intake.feed(QByteArrayView(stream).sliced(pos, std::min<qsizetype>(64, stream.size() - pos)));
    }
    state.SetItemsProcessed(state.iterations() * 100 * kSentencesPerEpoch);
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 100 * kSentencesPerEpoch), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IntakeAndDecode);

// The RMC decoder alone on a split sentence.
static void BM_DecodeRmc(benchmark::State& state)
{
    const QByteArray s("$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A");
    vur::DisplayState d;
    d.satsUsed = 8;
    for (auto _ : state) {
        const vur::SentenceFields f{QByteArrayView(s)};
        vur::decodeRmc(f, d);
        benchmark::DoNotOptimize(d.uhr);
    }
    state.counters["sentences/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeRmc);

BENCHMARK_MAIN();
