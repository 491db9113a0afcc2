// The replay engine with no widget at all (the headless front end's set-up):
// what it sends must be what the window sends for the same file and choices.
#include "sim/engine/replay_engine.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "common/nmea.h"
#include "tests/sim/replay/replay_harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

struct Choices {
    std::array<bool, 7> data{true, true, true, true, true, true, true};
    bool equ = false;
    int pace = 3;
};

QList<QByteArray> replayWithoutWidgets(const QString& relative, const Choices& c, int* widgetsMade)
{
    const qsizetype widgetsBefore = QApplication::allWidgets().size();
    ReplayState state;
    ReplayFrontEnd ui;
    ReplayFile file;
    zvtest::ScriptedDialogs dialogs;
    ui.options().data = c.data;
    ui.options().equ = c.equ;
    ReplayEngine engine(state, ui, file, dialogs, QString());
    zvtest::CapturingChannel channel;
    engine.sink().addChannel(&channel);
    engine.tick().setPreOutputWaitMs(0);
    engine.tick().choosePace(c.pace);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(relative.section(QLatin1Char('/'), -1));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(zvtest::readTestData(relative));
    f.close();
    if (!engine.loader().loadFile(path))
        return {};
    for (int n = 0; state.replayActive && n < 100000; ++n)
        engine.tick().onTimer1();
    *widgetsMade = int(QApplication::allWidgets().size() - widgetsBefore);
    return channel.sent;
}

QList<QByteArray> replayInWindow(const QString& relative, const Choices& c)
{
    ReplayHarness h;
    const QString name = relative.section(QLatin1Char('/'), -1);
    h.addFile(name, zvtest::readTestData(relative));
    for (int i = 0; i < 7; ++i)
        h.ui().data[i]->setChecked(c.data[size_t(i)]);
    h.ui().equ->setChecked(c.equ);
    h.tick().choosePace(c.pace);
    if (!h.load(name))
        return {};
    h.runToEnd();
    return h.channel.sent;
}

} // namespace

TEST(EngineWithoutWidgets, SendsWhatTheWindowSends)
{
    const Choices all;
    Choices rmcGga;
    rmcGga.data = {true, true, false, false, false, false, false};
    Choices equ;
    equ.equ = true;
    equ.pace = 1; // "x 4"
    const struct {
        const char* file;
        Choices choices;
    } cases[] = {
        {"replay/gpsd_magellan-ec10.log", all},  {"replay/gpsd_neo-m8n.log", all},
        {"replay/gpsd_neo-m8n.log", rmcGga},     {"replay/gpsd_bu353-glonass.log", equ},
        {"tracks/gpsd_hemi.log", all},           // no RMC: replayed through its companion
        {"tracks/handmade_zelvan.trk", all},     {"tracks/gpsbabel_pcx.trk", rmcGga},
        {"tracks/gpsbabel_20070813_short.plt", equ}, {"tracks/gpsbabel_20070813_short.plt", all},
    };
    for (const auto& c : cases) {
        int widgetsMade = -1;
        const QList<QByteArray> headless = replayWithoutWidgets(QString::fromLatin1(c.file), c.choices, &widgetsMade);
        const QList<QByteArray> window = replayInWindow(QString::fromLatin1(c.file), c.choices);
        ASSERT_FALSE(window.isEmpty()) << c.file;
        EXPECT_EQ(headless, window) << c.file;
        EXPECT_EQ(widgetsMade, 0) << c.file;
        // The engine's test under a QCoreApplication holds its TCP bytes to these.
        const QString name = QString::fromLatin1(c.file).section(QLatin1Char('/'), -1);
        const QByteArray expected = zvtest::readTestData(QStringLiteral("expected/") + name + QStringLiteral(".cont.nmea"));
        if (!expected.isEmpty() && c.choices.pace == 3 && !c.choices.equ && c.choices.data == all.data) {
            EXPECT_EQ(window.join("\r\n") + "\r\n", expected) << c.file;
        }
    }
}

TEST(EngineWithoutWidgets, LoopAndPauseAreValues)
{
    ReplayState state;
    ReplayFrontEnd ui;
    ReplayFile file;
    zvtest::ScriptedDialogs dialogs;
    ui.options().lop = true;
    ReplayEngine engine(state, ui, file, dialogs, QString());
    zvtest::CapturingChannel channel;
    engine.sink().addChannel(&channel);
    engine.tick().setPreOutputWaitMs(0);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("m.log"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(zvtest::readTestData(QStringLiteral("replay/gpsd_magellan-ec10.log")));
    f.close();
    ASSERT_TRUE(engine.loader().loadFile(path));
    const std::int32_t total = state.recordTotal;
    for (int n = 0; n < total + 5; ++n)
        engine.tick().onTimer1();
    EXPECT_TRUE(state.replayActive); // looped at the end
    EXPECT_LT(state.recordIndex, 10);

    ui.options().pause = true;
    const std::int32_t index = state.recordIndex;
    channel.sent.clear();
    engine.tick().onTimer1();
    EXPECT_EQ(state.recordIndex, index);
    EXPECT_EQ(engine.tick().timer1Interval(), 2000);
    EXPECT_FALSE(channel.sent.isEmpty()); // the last position, repeated
    // A stop clears Pause as it unticks the box.
    engine.loader().stopReplay(StopByUser);
    EXPECT_FALSE(ui.options().pause);
    EXPECT_FALSE(channel.isOpen());
}

TEST(EngineWithoutWidgets, FilePaceSendsEveryEpochAndNotesTimesItCannotFollow)
{
    QByteArray log;
    for (const char* body : {"GPRMC,100000,A,4807.038,N,01131.000,E,0.0,0.0,010125,,",
                             "GPGGA,100000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,",
                             "GPRMC,100001,A,4807.038,N,01131.000,E,0.0,0.0,010125,,",
                             "GPRMC,,V,,,,,,,,,,", // no time
                             "GPRMC,095000,A,4807.038,N,01131.000,E,0.0,0.0,010125,,", // back in time
                             "GPRMC,095001,A,4807.038,N,01131.000,E,0.0,0.0,010125,,"})
        log += zv::frameSentence(body) + "\r\n";
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("t.log"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(log);
    f.close();

    auto run = [&path](bool filePace, QStringList* notes, QList<int>* intervals) {
        ReplayState state;
        ReplayFrontEnd ui;
        ReplayFile file;
        zvtest::ScriptedDialogs dialogs;
        ReplayEngine engine(state, ui, file, dialogs, QString());
        zvtest::CapturingChannel channel;
        engine.sink().addChannel(&channel);
        engine.tick().setPreOutputWaitMs(0);
        if (filePace)
            engine.tick().chooseFilePace(100);
        else
            engine.tick().choosePace(3);
        QObject::connect(&engine.tick(), &ReplayTick::paceNote, [notes](const QString& n) { *notes << n; });
        if (!engine.loader().loadFile(path))
            return QList<QByteArray>{};
        while (state.replayActive) {
            engine.tick().onTimer1();
            *intervals << engine.tick().timer1Interval();
        }
        return channel.sent;
    };
    QStringList notes, contNotes;
    QList<int> intervals, contIntervals;
    const QList<QByteArray> paced = run(true, &notes, &intervals);
    EXPECT_EQ(paced, run(false, &contNotes, &contIntervals));
    EXPECT_EQ(std::count_if(paced.begin(), paced.end(), [](const QByteArray& l) { return l.startsWith("$GPRMC"); }),
              5);
    EXPECT_EQ(notes, (QStringList{QStringLiteral("record 3 has no time: sent 1 s after the previous one"),
                                  QStringLiteral("record 4 goes back in time: sent 1 s after the previous one")}));
    EXPECT_TRUE(contNotes.isEmpty());
    // A second of the file is 10 ms at 100 times the speed; what it cannot
    // follow waits a real second.
    ASSERT_GE(intervals.size(), 4);
    EXPECT_LE(intervals[0], 10);
    EXPECT_GT(intervals[1], 900); // ticks run here at once: the 10 ms not waited are added
    EXPECT_LE(intervals[1], 1010);
    EXPECT_GT(intervals[2], 900);
}
