// Garmin link: how fast frames are cut from a byte stream and track points
// become file lines (a 10000-point log must not make the window wait).
#include "sim/garmin/garmin_link.h"
#include "sim/garmin/track_point.h"

#include <benchmark/benchmark.h>

#include <bit>

using namespace zelvan::garmin;

namespace {
QByteArray point(int i)
{
    QByteArray d(21, '\0');
    const std::uint32_t v[] = {std::uint32_t(0x10101010 + i * 977), std::uint32_t(-0x20000000 - i * 131),
                               std::uint32_t(473472000 + i), std::bit_cast<std::uint32_t>(float(i % 3000))};
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b)
            d[w * 4 + b] = char(v[w] >> (8 * b));
    d[20] = char(i % 100 == 0);
    return d;
}
} // namespace

static void BM_FrameReaderThroughput(benchmark::State& state)
{
    QByteArray stream;
    for (int i = 0; i < 1000; ++i)
        stream += buildFrame(PidTrkData, point(i));
    for (auto _ : state) {
        FrameReader r;
        std::size_t frames = 0;
        for (qsizetype at = 0; at < stream.size(); at += 64)
            frames += r.feed(QByteArrayView(stream).sliced(at, qMin<qsizetype>(64, stream.size() - at))).size();
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_FrameReaderThroughput);

static void BM_TrackPointToLine(benchmark::State& state)
{
    std::vector<QByteArray> points;
    for (int i = 0; i < 1000; ++i)
        points.push_back(point(i));
    for (auto _ : state)
        for (const auto& p : points)
            benchmark::DoNotOptimize(trackLine(*decodeTrackPoint(p)));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_TrackPointToLine);

BENCHMARK_MAIN();
