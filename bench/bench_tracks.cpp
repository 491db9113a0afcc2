// Decoding throughput of each track format on a generated 100,000-record
// file, and the cost of composing a record's three sentences.
#include "sim/tracks/record_sentences.h"
#include "sim/tracks/track_record.h"

#include <QByteArrayList>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

using namespace zelvan;

namespace {

constexpr int kRecords = 100000;
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A track heading north-east from 48°N 11°E, one record a second.
QByteArray recordLine(TrackFormat format, int i)
{
    const double lat = 48.0 + i * 0.00002;
    const double lon = 11.0 + i * 0.00003;
    const int s = i % 86400;
    const int hh = s / 3600, mm = s / 60 % 60, ss = s % 60;
    const int latD = static_cast<int>(lat), lonD = static_cast<int>(lon);
    const double latM = (lat - latD) * 60, lonM = (lon - lonD) * 60;
    char buf[160];
    switch (format) {
    case TrackFormat::Kml:
        std::snprintf(buf, sizeof buf, "%.7f,%.7f,%.1f", lon, lat, 500.0 + i % 100);
        break;
    case TrackFormat::OziExplorer:
        std::snprintf(buf, sizeof buf, "  %9.6f,  %9.6f,0, %6.1f,%13.7f, 13-%s-07, %02d:%02d:%02d", lat, lon,
                      1640.0 + i % 100, 39307.0 + s / 86400.0, kMonths[7], hh, mm, ss);
        break;
    case TrackFormat::TtqvPcx:
        std::snprintf(buf, sizeof buf, "T  +%010.7f +%011.7f 05-JAN-05 %02d:%02d:%02d %04d", lat, lon, hh, mm, ss,
                      500 + i % 100);
        break;
    case TrackFormat::Pcx5:
        std::snprintf(buf, sizeof buf, "T  N%02d%08.5f E%03d%08.5f 25-MAY-02 %02d:%02d:%02d %d", latD, latM, lonD,
                      lonM, hh, mm, ss, 500 + i % 100);
        break;
    case TrackFormat::G7ToWin:
        std::snprintf(buf, sizeof buf, "T  N%02d %02d %05.2f E%03d %02d %05.2f Sun Dec 14 %02d:%02d:%02d 1997 ;%d;",
                      latD, static_cast<int>(latM), std::fmod(latM, 1.0) * 60, lonD, static_cast<int>(lonM),
                      std::fmod(lonM, 1.0) * 60, hh, mm, ss, 500 + i % 100);
        break;
    default: // Gardown, G7To and the own format share one layout
        std::snprintf(buf, sizeof buf, "T  N%02d %07.4f E%03d %07.4f Mon Jan 05 %02d:%02d:%02d 2005 ;%d;", latD,
                      latM, lonD, lonM, hh, mm, ss, 500 + i % 100);
        break;
    }
    return QByteArray(buf);
}

const QByteArrayList& generatedFile(TrackFormat format)
{
    static std::map<TrackFormat, QByteArrayList> files;
    auto& lines = files[format];
    if (lines.isEmpty()) {
        lines.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i)
            lines.append(recordLine(format, i));
    }
    return lines;
}

void BM_DecodeTrack(benchmark::State& state, TrackFormat format)
{
    const auto& lines = generatedFile(format);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 records = 0;
    for (auto _ : state) {
        TrackDecoderState decoder;
        for (const auto& line : lines) {
            auto step = decodeTrackRecord(line, format, decoder, now);
            records += step.record ? 1 : 0;
            decoder = std::move(step.state);
        }
    }
    if (records != static_cast<qint64>(state.iterations()) * kRecords)
        state.SkipWithError("generated lines were not all records");
    state.SetItemsProcessed(records);
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

void BM_ComposeRecordSentences(benchmark::State& state)
{
    const auto step = decodeTrackRecord(recordLine(TrackFormat::Zelvan, 10), TrackFormat::Zelvan, {},
                                        QDateTime::currentDateTimeUtc());
    for (auto _ : state)
        benchmark::DoNotOptimize(composeRecordSentences(*step.record));
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(BM_DecodeTrack, KML, TrackFormat::Kml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, OziExplorer, TrackFormat::OziExplorer)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, TTQV_PCX, TrackFormat::TtqvPcx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, PCX5, TrackFormat::Pcx5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, Gardown, TrackFormat::Gardown)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, G7ToWin, TrackFormat::G7ToWin)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeTrack, Zelvan, TrackFormat::Zelvan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeRecordSentences);

BENCHMARK_MAIN();
