// Loading NMEA logs and moving about in them, through the real window.
#include "replay_harness.h"

#include "common/nmea.h"
#include "sim/replay/replay_core.h"
#include "sim/window/gauges.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTimer>
#include "sim/window/altitude_picture.h"
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

// n epochs: RMC (numbered in its time field) and GGA.
QByteArray numberedLog(int n, const QByteArray& eol = "\r\n")
{
    QByteArray out;
    for (int i = 1; i <= n; ++i) {
        const QByteArray t = QByteArray::number(100000 + i);
        out += zv::frameSentence("GPRMC," + t + ",A,4807.000,N,01131.000,E,5.0,090.0,230394,,") + eol;
        out += zv::frameSentence("GPGGA," + t + ",4807.000,N,01131.000,E,1,08,0.9,100,M,,M,,") + eol;
    }
    return out;
}

int rmcNumber(const QByteArray& line)
{
    return rmcField(line, 1).toInt() - 100000;
}

} // namespace

TEST(Loading, CountsRmcSentencesPlusOne)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("a.log"), numberedLog(120));
    ASSERT_TRUE(h.load(QStringLiteral("a.log")));
    EXPECT_EQ(h.state().recordTotal, 121);
    EXPECT_EQ(h.ui().gauge2->maximum(), 121);
    EXPECT_EQ(h.state().recordIndex, 0);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 1);
    EXPECT_FALSE(h.ui().stopA->isHidden());
    EXPECT_FALSE(h.ui().portC->isEnabled());
    EXPECT_FALSE(h.ui().file1->isEnabled());
    EXPECT_FALSE(h.ui().data[DataGga]->isEnabled());
    EXPECT_EQ(h.ui().fileL->text(), QStringLiteral("a"));
    EXPECT_EQ(h.channel.opens, 1);
    EXPECT_EQ(h.ui().dia->toolTip(), QStringLiteral("Altitude: 100-100m"));
    EXPECT_TRUE(h.tick().timer1()->isActive());
}

TEST(Loading, WithoutRmcNorGgaAndVtgShowsTheCriticalMessageAndStaysIdle)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("m.log"), "$GPGSV,1,1,00*79\r\n$GPGGA,1,2,N,3,E,1,08,1,5,M,,M,,*00\r\n");
    EXPECT_FALSE(h.load(QStringLiteral("m.log")));
    ASSERT_EQ(h.dialogs.shown.size(), 1);
    EXPECT_EQ(h.dialogs.shown[0].text, QStringLiteral("No RMC or GGA-Data"));
    EXPECT_EQ(h.dialogs.shown[0].title, QStringLiteral(" Data-Error !"));
    EXPECT_EQ(h.dialogs.shown[0].icon, zv::Dialogs::Icon::Critical);
    EXPECT_TRUE(h.ui().file1->isEnabled());
    EXPECT_TRUE(h.ui().stopA->isHidden());
    // The window is usable afterwards: a good log loads.
    h.addFile(QStringLiteral("ok.log"), numberedLog(3));
    EXPECT_TRUE(h.load(QStringLiteral("ok.log")));
}

TEST(Loading, MalformedFilesNeverCrashOrHang)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        bool loads;
    };
    QByteArray garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += char((i * 7919) % 256);
    garbage.replace('$', 'x');
    const QByteArray longLine = "$GPGSV," + QByteArray(100 * 1024, 'A');
    const Case cases[] = {
        {"empty.log", QByteArray(), false},
        {"garbage.log", garbage, false},
        {"long.log", longLine + "\r\n" + numberedLog(3) + longLine, true},
        {"cr.log", numberedLog(4, "\r"), true},
        {"lf.log", numberedLog(4, "\n"), true},
        {"truncated.log", numberedLog(3) + "$GPRMC,100009,A,48", true},
        {"nul.log", QByteArray("\0\0\0$GPRMC\0,1\n", 13) + numberedLog(2), true},
        {"onlydollar.log", "$\r\n$\r\n", false},
    };
    for (const Case& c : cases) {
        ReplayHarness h;
        h.addFile(QString::fromLatin1(c.name), c.bytes);
        const bool loaded = h.load(QString::fromLatin1(c.name));
        EXPECT_EQ(loaded, c.loads) << c.name;
        const int ticks = h.runToEnd(10000);
        EXPECT_LT(ticks, 10000) << c.name;
        EXPECT_FALSE(h.state().replayActive) << c.name;
        for (const QByteArray& s : h.channel.sent)
            EXPECT_LE(s.size(), kMaxPassedLine) << c.name;
    }
}

TEST(Loading, NotALogListsNoLogFile)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("x.log"), "hello\r\nworld\r\n");
    EXPECT_FALSE(h.load(QStringLiteral("x.log")));
    EXPECT_EQ(h.list1(), QStringList{QStringLiteral("No Log-File !")});
}

TEST(Loading, TrackFileOfNoKnownLayoutListsUnknownTrackFormat)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("t.trk"), "H  header\r\nT  N48 07.0380 E011 34.5678\r\n");
    EXPECT_FALSE(h.load(QStringLiteral("t.trk")));
    EXPECT_EQ(h.list1(), QStringList{QStringLiteral("Unknown Track-Format !")});
}

TEST(Navigation, SkipAndBackMoveExactlyTheStatedRecords)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("n.log"), numberedLog(300));
    ASSERT_TRUE(h.load(QStringLiteral("n.log")));
    h.runTick();
    EXPECT_EQ(h.state().recordIndex, 1);
    h.ui().skip1->click(); // Skip 10
    EXPECT_EQ(h.state().recordIndex, 11);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 12);
    h.ui().skip2->click(); // Skip 100
    EXPECT_EQ(h.state().recordIndex, 111);
    h.channel.sent.clear();
    h.runTick();
    EXPECT_EQ(rmcNumber(h.channel.sent.first()), 112);
    EXPECT_EQ(h.state().recordIndex, 112);

    h.ui().back->click(); // GoToRecord(62): 50 records before the one due
    EXPECT_EQ(h.state().recordIndex, 62);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 63);
    h.state().recordIndex = 30;
    h.ui().back->click(); // to the start
    EXPECT_EQ(h.state().recordIndex, 0);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 1);
}

TEST(Navigation, JumpsSkipsAndTicksCountTheSameRecords)
{
    // Records count from 0, for the gauge, the jumps (gauge click, Back,
    // --start) and the ticks alike: after a jump to n the next tick sends what
    // the (n + 1)-th tick of a run from the start sends. An RMC after junk is
    // a record; a comment that names one is none.
    QByteArray log = "# comment naming $GPRMC\n" + numberedLog(70, "\n");
    log.replace("$GPRMC,100021", "junk$GPRMC,100021");
    log.replace("$GPRMC,100041", " $GPRMC,100041");
    QList<int> sequential;
    {
        ReplayHarness h;
        h.addFile(QStringLiteral("j.log"), log);
        ASSERT_TRUE(h.load(QStringLiteral("j.log")));
        h.setData({DataRmc});
        h.runToEnd();
        for (const QByteArray& s : h.channel.sent)
            sequential << rmcNumber(s);
    }
    ASSERT_EQ(sequential.size(), 70);
    ReplayHarness h;
    h.addFile(QStringLiteral("j.log"), log);
    ASSERT_TRUE(h.load(QStringLiteral("j.log")));
    EXPECT_EQ(h.state().recordTotal, 71);
    h.setData({DataRmc});
    for (int n : {0, 1, 5, 19, 20, 21, 33, 39, 40, 41, 63, 64, 68}) {
        h.loader().goToRecord(n);
        EXPECT_EQ(h.state().recordIndex, n);
        h.channel.sent.clear();
        h.runTick();
        ASSERT_FALSE(h.channel.sent.isEmpty()) << n;
        EXPECT_EQ(rmcNumber(h.channel.sent.first()), sequential[n]) << n;
        if (n + 11 < 70) {
            h.ui().skip1->click(); // Skip 10
            EXPECT_EQ(h.state().recordIndex, n + 11);
            h.channel.sent.clear();
            h.runTick();
            EXPECT_EQ(rmcNumber(h.channel.sent.value(0)), sequential[n + 11]) << n;
        }
    }
    h.loader().goToRecord(70);
    EXPECT_FALSE(h.state().replayActive);
}

TEST(Loading, BigLogStartsAtOnceAndIsCountedBehindTheReplay)
{
    const int epochs = 12000;
    const QByteArray log = numberedLog(epochs);
    ASSERT_GT(log.size(), Loader::kCountAtLoadBytes);
    for (bool stopEarly : {true, false}) {
        ReplayHarness h;
        h.addFile(QStringLiteral("big.log"), log);
        ASSERT_TRUE(h.load(QStringLiteral("big.log")));
        EXPECT_TRUE(h.loader().isCounting());
        EXPECT_EQ(h.state().recordTotal, 0);
        h.runTick();
        ASSERT_FALSE(h.channel.sent.isEmpty());
        EXPECT_EQ(rmcNumber(h.channel.sent.first()), 1);
        h.ui().gauge2->resize(200, 18);
        QTest::mouseClick(h.ui().gauge2, Qt::LeftButton, {}, QPoint(100, 5)); // no scale yet: nothing
        EXPECT_EQ(h.state().recordIndex, 1);
        if (stopEarly) {
            static_cast<QToolButton*>(h.ui().stopA)->click(); // ends the count with the replay
            EXPECT_FALSE(h.loader().isCounting());
            continue;
        }
        for (int i = 0; i < 1000 && h.loader().isCounting(); ++i)
            QTest::qWait(10);
        ASSERT_FALSE(h.loader().isCounting());
        EXPECT_EQ(h.state().recordTotal, epochs + 1);
        EXPECT_EQ(h.ui().gauge2->maximum(), epochs + 1);
        EXPECT_EQ(h.ui().dia->toolTip(), QStringLiteral("Altitude: 100-100m"));
        h.loader().goToRecord(9000);
        h.channel.sent.clear();
        h.runTick();
        EXPECT_EQ(rmcNumber(h.channel.sent.value(0)), 9001);
    }
}

TEST(Navigation, GaugeClickRestartLoopStopAndEsc)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("g.log"), numberedLog(200));
    ASSERT_TRUE(h.load(QStringLiteral("g.log")));
    h.window->resize(1000, 700);
    h.ui().gauge2->resize(200, 18);
    QTest::mouseClick(h.ui().gauge2, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(h.state().recordIndex, 102);
    h.ui().restart->click();
    EXPECT_EQ(h.state().recordIndex, 0);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 1);

    h.ui().lop->setChecked(true);
    EXPECT_FALSE(h.ui().loopL->isHidden());
    h.loader().goToRecord(198);
    h.runTick(); // sends 199, reads 200
    h.runTick(); // sends 200, end of file: loops
    EXPECT_TRUE(h.state().replayActive);
    EXPECT_EQ(h.list1(), QStringList{QString(80, QLatin1Char('>'))});
    EXPECT_EQ(h.tick().timer1Interval(), 1000);
    EXPECT_EQ(rmcNumber(h.state().currentLine), 1);

    static_cast<QToolButton*>(h.ui().stopA)->click();
    EXPECT_FALSE(h.state().replayActive);
    EXPECT_TRUE(h.ui().stopA->isHidden());
    EXPECT_EQ(h.ui().skip1->toolTip(), QStringLiteral("Start"));

    ASSERT_TRUE(h.load(QStringLiteral("g.log")));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(h.ui().list1, &esc);
    EXPECT_FALSE(h.state().replayActive);
}

TEST(Navigation, NeverInterleavesWithATick)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("i.log"), numberedLog(50));
    ASSERT_TRUE(h.load(QStringLiteral("i.log")));
    // A skip asked for while the tick runs waits for its end.
    bool ran = false;
    h.tick().setManualComposer(nullptr);
    QObject::connect(&h.tick(), &ReplayTick::tickFinished, &h.tick(), [&] { ran = true; });
    h.tick().whenIdle([] {});
    h.tick().setNavigating(true);
    h.runTick(); // refused
    EXPECT_FALSE(ran);
    EXPECT_EQ(h.state().recordIndex, 0);
    h.tick().setNavigating(false);
    h.runTick();
    EXPECT_TRUE(ran);
    EXPECT_EQ(h.state().recordIndex, 1);
}

TEST(Navigation, StopDeletesOnlyItsOwnCompanionFile)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("keep.RMC"), "$GPRMC,1,A,4807.000,N,01131.000,E,1,1,010100,,*00\r\n");
    h.window->refreshFileList();
    // .RMC is not among the listed patterns; load it by selecting directly.
    h.ui().file1->addItem(QStringLiteral("keep.RMC"));
    ASSERT_TRUE(h.load(QStringLiteral("keep.RMC")));
    static_cast<QToolButton*>(h.ui().stopA)->click();
    EXPECT_TRUE(QFile::exists(QDir(h.window->trackFolder()).filePath(QStringLiteral("keep.RMC"))));
}

TEST(Loading, EscDuringTheCountAbortsTheProfileThenTheLoad)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("big.log"), numberedLog(3000));
    ASSERT_TRUE(h.select(QStringLiteral("big.log")));
    h.loader().setYieldIntervalMs(0); // yield after every line
    int escapes = 0;
    QTimer::singleShot(0, h.window.get(), [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(h.ui().list1, &esc); // aborts the profile only
        ++escapes;
        QTimer::singleShot(0, h.window.get(), [&] {
            QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(h.ui().list1, &again); // stops the load
            ++escapes;
        });
    });
    h.loader().loadSelectedFile();
    EXPECT_EQ(escapes, 2);
    EXPECT_FALSE(h.state().replayActive);
    EXPECT_FALSE(h.loader().isLoading());
    EXPECT_TRUE(h.ui().file1->isEnabled());
    EXPECT_TRUE(h.dialogs.shown.isEmpty());
    // Nothing is left half-loaded: the next load works.
    h.loader().setYieldIntervalMs(50);
    EXPECT_TRUE(h.load(QStringLiteral("big.log")));
    EXPECT_EQ(h.state().recordTotal, 3001);
}

// Converting a big GPX file or a log without RMC keeps the window answering;
// Esc meanwhile stops the load, and the half-written companion goes with it.
TEST(Loading, EscDuringAConversionStopsItAndLeavesNoCompanion)
{
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\"><trk><trkseg>\n";
    QByteArray noRmc;
    for (int i = 0; i < 30000; ++i) {
        gpx += "<trkpt lat=\"48." + QByteArray::number(100000 + i) + "\" lon=\"11.5\"><ele>500</ele></trkpt>\n";
        noRmc += zv::frameSentence("GPVTG,045.0,T,,M,5.4,N,10.0,K") + "\r\n";
        noRmc += zv::frameSentence("GPGGA,120000,4807.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
    }
    gpx += "</trkseg></trk></gpx>\n";
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("big.gpx"), gpx}, std::pair{QStringLiteral("big.log"), noRmc}}) {
        ReplayHarness h;
        h.addFile(name, bytes);
        ASSERT_TRUE(h.select(name));
        h.loader().setYieldIntervalMs(0);
        bool sent = false;
        QTimer::singleShot(0, h.window.get(), [&] {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(h.ui().list1, &esc);
            QApplication::sendEvent(h.ui().list1, &esc); // past a profile, if one runs
            sent = true;
        });
        h.loader().loadSelectedFile();
        EXPECT_TRUE(sent) << name.toStdString() << ": the window answered during the load";
        EXPECT_FALSE(h.state().replayActive) << name.toStdString();
        EXPECT_TRUE(h.dialogs.shown.isEmpty()) << name.toStdString();
        const QStringList left = QDir(h.window->trackFolder()).entryList(QDir::Files);
        EXPECT_EQ(left, QStringList{name}) << left.join(u' ').toStdString();
        // The next load converts and replays.
        h.loader().setYieldIntervalMs(50);
        EXPECT_TRUE(h.load(name)) << name.toStdString();
    }
}

namespace {
class FailingChannel : public zelvan::OutputChannel {
public:
    bool open(QString* error) override
    {
        *error = QStringLiteral("COM3: no such device");
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    void send(const QByteArray&) override { ++sends; }
    int sends = 0;
};
} // namespace

TEST(Loading, AChannelThatFailsToOpenIsReportedOnceAndTheOthersStillGetEverything)
{
    ReplayHarness h;
    FailingChannel bad;
    h.window->addOutputChannel(&bad);
    h.addFile(QStringLiteral("c.log"), numberedLog(5));
    ASSERT_TRUE(h.load(QStringLiteral("c.log")));
    h.runToEnd();
    EXPECT_EQ(bad.sends, 0);
    ASSERT_EQ(h.dialogs.shown.size(), 1);
    EXPECT_EQ(h.dialogs.shown[0].text, QStringLiteral("COM3: no such device"));
    EXPECT_EQ(h.channel.sent.size(), 5 * 4 - 2); // RMC, GGA, VTG, PGRMM; the last epoch ends at the end of file
    EXPECT_FALSE(h.channel.isOpen());      // closed at the stop
}
