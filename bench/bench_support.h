#pragma once
// What the window benchmarks share: a channel that only counts, generated
// day-long files of a chosen size, the window offscreen with one file
// selected, and a main that makes the QApplication first.
#include "common/nmea.h"
#include "sim/replay/output_channel.h"
#include "sim/replay/replay_tick.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

namespace zvbench {

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

// Writes `records` lines made by `line(i, out)` (plus `header`) into
// <temp>/Tracks/<name>, once per name and size for the whole run.
template <typename LineFn>
QString generatedFile(const QString& name, int records, const QByteArray& header, LineFn line)
{
    static std::map<std::pair<QString, int>, std::pair<std::unique_ptr<QTemporaryDir>, QString>> made;
    auto& slot = made[{name, records}];
    if (slot.first)
        return slot.second;
    slot.first = std::make_unique<QTemporaryDir>();
    QDir(slot.first->path()).mkdir(QStringLiteral("Tracks"));
    slot.second = QDir(slot.first->path()).filePath(QStringLiteral("Tracks/") + name);
    QFile f(slot.second);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    QByteArray chunk = header;
    for (int i = 0; i < records; ++i) {
        line(i, chunk);
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return slot.second;
}

// A day at sea level north-east of Munich: RMC, GGA, GSA and VTG an epoch.
inline QString generatedLog(int epochs)
{
    return generatedFile(QStringLiteral("day.log"), epochs, {}, [](int i, QByteArray& out) {
        const int s = i % 86400;
        char time[16], lat[16], lon[16], alt[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d", s / 3600, s / 60 % 60, s % 60);
        std::snprintf(lat, sizeof lat, "48%07.4f", 7.0 + (i % 40000) * 0.001);
        std::snprintf(lon, sizeof lon, "011%07.4f", 31.0 + (i % 20000) * 0.001);
        std::snprintf(alt, sizeof alt, "%.1f", 400.0 + (i % 1000) * 0.5);
        out += zv::frameSentence(QByteArray("GPRMC,") + time + ",A," + lat + ",N," + lon + ",E,5.4,045.0,070426,,")
            + "\r\n";
        out += zv::frameSentence(QByteArray("GPGGA,") + time + "," + lat + ",N," + lon + ",E,1,08,0.9," + alt
                                 + ",M,46.9,M,,")
            + "\r\n";
        out += zv::frameSentence("GPGSA,A,3,01,02,04,05,06,09,14,25,30,,,,3.6,2.0,3.0") + "\r\n";
        out += zv::frameSentence("GPVTG,045.0,T,,M,5.4,N,10.0,K") + "\r\n";
    });
}

// The own track format, one record a second heading north-east, a new
// segment every 10,000 records.
inline QString generatedTrack(int records)
{
    return generatedFile(QStringLiteral("day.trk"), records,
                         "I Zelvan V1.0.0\r\n# 07.12.2026 15:02:11\r\nbenchmark\r\n", [](int i, QByteArray& out) {
                             if (i % 10000 == 0)
                                 out += "L  New Header: part " + QByteArray::number(i / 10000)
                                     + "\r\nN  New Track Segment\r\n";
                             const int s = i % 86400;
                             char line[96];
                             std::snprintf(line, sizeof line,
                                           "T  N48 %07.4f E011 %07.4f Mon Jan 05 %02d:%02d:%02d 2005 ;%d;\r\n",
                                           7.0 + (i % 40000) * 0.001, 31.0 + (i % 20000) * 0.001, s / 3600,
                                           s / 60 % 60, s % 60, 400 + i % 500);
                             out += line;
                         });
}

// The window offscreen with `path` selected in its file list, sentences
// counted, the tick's waits left out.
// Output into a file through the first printer entry: no serial port of the
// machine (which may fail and stop the run with a message box) is used.
inline QString homeWithFileOutput(const QTemporaryDir& home)
{
    const QString lpt = QDir(home.path()).filePath(QStringLiteral("lpt1"));
    QFile device(lpt);
    device.open(QIODevice::WriteOnly);
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Port]\r\nCOM= 20\r\n[Devices]\r\nLPT1=" + lpt.toUtf8() + "\r\n");
    return home.path();
}

struct Session {
    QTemporaryDir home;
    zelvan::SimWindow window;
    CountingChannel channel;
    explicit Session(const QString& path) : window(homeWithFileOutput(home))
    {
        window.setTrackFolder(QFileInfo(path).absolutePath());
        window.addOutputChannel(&channel);
        window.tick().setPreOutputWaitMs(0);
        auto* files = window.controls().file1;
        files->setCurrentItem(files->findItems(QFileInfo(path).fileName(), Qt::MatchExactly).first());
    }
    zelvan::Loader& loader() { return window.loader(); }
    zelvan::ReplayState& state() { return window.replayState(); }
};

// Load to the first sentence out: what a user waits for after a click.
inline void loadToFirstSentence(benchmark::State& state, const QString& path, std::int32_t expectedTotal)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Session>(path);
        state.ResumeTiming();
        s->loader().loadSelectedFile(); // probe, count, index, profile
        s->window.tick().onTimer1();    // first epoch out
        if (s->channel.count == 0 || s->state().recordTotal != expectedTotal)
            state.SkipWithError("load failed");
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
}

// Gauge clicks spread over the bar, as a user jumping about would; the last
// 2 % of the bar reach past the end (the click scale runs 2 % long) and
// would end the replay.
inline void gaugeJumps(benchmark::State& state, const QString& path)
{
    Session s(path);
    s.loader().loadSelectedFile();
    constexpr int width = 1000;
    int x = 0;
    for (auto _ : state) {
        x = (x + 617) % (width * 97 / 100); // every part of the bar, in no order
        s.loader().gaugeClicked(x, width);
        if (!s.state().replayActive)
            state.SkipWithError("jump stopped the replay");
    }
}

// Replays at "x 8", reloading at the end; counts records and sentences.
inline void replayAtX8(benchmark::State& state, const QString& path, const char* perSecondName)
{
    Session s(path);
    s.loader().loadSelectedFile();
    s.window.controls().abstand[0]->click(); // "x 8"
    qint64 records = 0;
    for (auto _ : state) {
        const std::int32_t before = s.state().recordIndex;
        s.window.tick().onTimer1();
        records += std::max(0, s.state().recordIndex - before);
        if (!s.state().replayActive) {
            state.PauseTiming();
            s.loader().loadSelectedFile();
            s.window.controls().abstand[0]->click();
            state.ResumeTiming();
        }
    }
    state.counters[perSecondName] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.counters["sentences/s"] = benchmark::Counter(double(s.channel.count), benchmark::Counter::kIsRate);
}

inline int runBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace zvbench
