// The replay engine with no widget at all (the headless front end's set-up):
// what it sends must be what the window sends for the same file and choices.
#include "sim/replay/replay_engine.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
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
    ReplayControls ui;
    ReplayFile file;
    zvtest::ScriptedDialogs dialogs;
    ui.values.data = c.data;
    ui.values.equ = c.equ;
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
        {"tracks/gpsbabel_20070813_short.plt", equ},
    };
    for (const auto& c : cases) {
        int widgetsMade = -1;
        const QList<QByteArray> headless = replayWithoutWidgets(QString::fromLatin1(c.file), c.choices, &widgetsMade);
        const QList<QByteArray> window = replayInWindow(QString::fromLatin1(c.file), c.choices);
        ASSERT_FALSE(window.isEmpty()) << c.file;
        EXPECT_EQ(headless, window) << c.file;
        EXPECT_EQ(widgetsMade, 0) << c.file;
    }
}

TEST(EngineWithoutWidgets, LoopAndPauseAreValues)
{
    ReplayState state;
    ReplayControls ui;
    ReplayFile file;
    zvtest::ScriptedDialogs dialogs;
    ui.values.lop = true;
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

    ui.values.pause = true;
    const std::int32_t index = state.recordIndex;
    channel.sent.clear();
    engine.tick().onTimer1();
    EXPECT_EQ(state.recordIndex, index);
    EXPECT_EQ(engine.tick().timer1Interval(), 2000);
    EXPECT_FALSE(channel.sent.isEmpty()); // the last position, repeated
    // A stop clears Pause as it unticks the box.
    engine.loader().stopReplay(StopByUser);
    EXPECT_FALSE(ui.values.pause);
    EXPECT_FALSE(channel.isOpen());
}
