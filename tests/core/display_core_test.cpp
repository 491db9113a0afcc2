// Vur's engines without a window: intake, decoders, trip and targets fed
// from a real log through a pseudo-terminal, seen through a recording view.
#include "display/core/display_core.h"
#include "support/raw_pty.h"
#include "support/real_log_readouts.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vur;

namespace {

// Every text the engines hand their front end, under the read-out's name.
struct RecordingView : IntakeView, LiveDisplayView, TripView, TargetsView {
    QMap<QString, QString> texts;
    int logMode = -1;

    void showPortName(const QString& name) override { texts[QStringLiteral("PortL")] = name; }
    void showStatus(const QString& text) override { texts[QStringLiteral("GPSL")] = text; }
    void clearStatus(const QString& ifShowing) override
    {
        if (texts.value(QStringLiteral("GPSL")) == ifShowing)
            texts[QStringLiteral("GPSL")].clear();
    }
    void showLogMode(int mode) override { logMode = mode; }
    void showAllTypes(bool) override {}
    void showTypeBox(SentenceType, TypeBox) override {}
    void enableTypeBox(SentenceType, bool) override {}
    void logBoxDone() override {}

    void showReadouts(const DisplayState& s) override
    {
        texts[QStringLiteral("Uhr")] = s.uhr;
        texts[QStringLiteral("Datum")] = s.datum;
        texts[QStringLiteral("SPEED")] = s.speed;
        texts[QStringLiteral("TRT")] = s.trt;
        texts[QStringLiteral("Höhe")] = s.hoehe;
    }
    void showSatellites(const std::vector<double>&, const QString& statusLine) override
    {
        texts[QStringLiteral("GPSL")] = statusLine;
    }

    void showTripTexts(const TripTexts& t) override
    {
        const std::pair<const char*, const QString*> cells[] = {
            {"SPDmax", &t.SPDmax}, {"SPDavg", &t.SPDavg}, {"STRweg", &t.STRweg}, {"STRluft", &t.STRluft},
            {"Berg", &t.Berg},     {"RZ", &t.RZ},         {"FZ", &t.FZ},         {"NNmax", &t.NNmax},
            {"NNmin", &t.NNmin},   {"RTEL", &t.RTEL}};
        for (const auto& [name, text] : cells)
            texts[QString::fromLatin1(name)] = *text;
    }
    void clearSpeedAndAltitude() override
    {
        texts[QStringLiteral("SPEED")].clear();
        texts[QStringLiteral("Höhe")].clear();
    }
    void showClockAndDate(const QString& clock, const QString& date) override
    {
        texts[QStringLiteral("Uhr")] = clock;
        texts[QStringLiteral("Datum")] = date;
    }
    void plotChanged(Plot) override {}

    void showTargetTexts(const TargetTexts& t) override
    {
        texts[QStringLiteral("DIRT")] = t.DIRT;
        texts[QStringLiteral("DIST")] = t.DIST;
        texts[QStringLiteral("TRNE")] = t.TRNE;
    }
    void showTargetList(const QStringList&, int) override {}
    void showTargetSelection(int) override {}
    void showTargetPanels(bool, bool) override {}
    void showEditorName(const QString&) override {}
    void wayChanged() override {}
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

TEST(DisplayCore, RealLogThroughAPseudoTerminalGivesTheWindowsReadOuts)
{
    ASSERT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));
    QTemporaryDir home;
    int master = -1, slave = -1;
    QByteArray name;
    ASSERT_TRUE(zvtest::openRawPty(&master, &slave, &name));
    ASSERT_TRUE(writeFile(QDir(home.path()).filePath(QStringLiteral("Vur.ini")),
                          "[Devices]\r\nCOM1=" + name + "\r\n"));
    ASSERT_TRUE(writeFile(QDir(home.path()).filePath(QStringLiteral("VUR.wpt")), zvtest::kNordTarget));

    zvtest::ScriptedDialogs dialogs;
    RecordingView view;
    DisplayCore core(home.path(), dialogs, &view, &view);
    core.trip()->setView(&view);
    core.targets()->setView(&view);
    // One second per RMC, so every epoch of the log is sampled.
    double clock = 36000;
    core.liveDisplay()->setClock([&clock] { return clock += 1; });
    core.intake()->PortS_Change(8);
    ::close(slave);
    ASSERT_TRUE(core.intake()->comm1()->isOpen());
    EXPECT_EQ(view.texts.value(QStringLiteral("PortL")), QStringLiteral("COM1"));

    QFile log(QString::fromUtf8(zvtest::kRealLogFile));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll() + zvtest::kVtgAfterLog;
    for (qsizetype off = 0; off < bytes.size(); off += 512) {
        const QByteArray chunk = bytes.mid(off, 512);
        ASSERT_EQ(::write(master, chunk.constData(), chunk.size()), chunk.size());
        QTest::qWait(5);
    }
    // Every sentence arrives; the log's comment lines hold none.
    const qsizetype sentences = bytes.count('$');
    EXPECT_TRUE(QTest::qWaitFor([&] { return core.intake()->dispatchedCount() >= sentences; }, 5000))
        << core.intake()->dispatchedCount() << " of " << sentences;
    ::close(master);

    for (const zvtest::ReadoutText& r : zvtest::kRealLogReadouts)
        EXPECT_EQ(view.texts.value(QString::fromUtf8(r.name)), QString::fromUtf8(r.text)) << r.name;
    EXPECT_EQ(core.trip()->state().speed.points, zvtest::kRealLogSamples);
    EXPECT_EQ(core.trip()->state().altitude.points, zvtest::kRealLogSamples);
    EXPECT_EQ(core.trip()->state().route.count, zvtest::kRealLogSamples);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}
