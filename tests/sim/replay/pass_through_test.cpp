// The pass-through replay driven through the real window, tick by tick.
#include "replay_harness.h"

#include "common/nmea.h"
#include "sim/replay/replay_core.h"
#include "sim/window/gauges.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

QByteArray rmc(const char* time, const char* lat, const char* knots, const char* course)
{
    return zv::frameSentence(QByteArray("GPRMC,") + time + ",A," + lat + ",N,01131.000,E," + knots + "," + course
                             + ",230394,,");
}
QByteArray gga(const char* time, const char* lat, const char* alt)
{
    return zv::frameSentence(QByteArray("GPGGA,") + time + "," + lat + ",N,01131.000,E,1,08,0.9," + alt
                             + ",M,46.9,M,,");
}

// Three epochs, no VTG: every row of the selection table once.
QByteArray smallLog(bool withVtg = false, bool withPgrmm = false, int epochs = 3)
{
    QList<QByteArray> l;
    l << "# header comment" << zv::frameSentence("GPTXT,01,01,02,HELLO");
    for (int i = 0; i < epochs; ++i) {
        const QByteArray t = "10000" + QByteArray::number(i);
        const QByteArray lat = "4807." + QByteArray::number(100 + i * 10) ;
        l << rmc(t, lat, "010.0", "000.0");
        l << gga(t, lat, QByteArray::number(500 + i * 10) + ".0");
        if (withVtg)
            l << zv::frameSentence("GPVTG,000.0,T,,M,010.0,N,018.5,K");
        l << zv::frameSentence("GPGSA,A,3,01,02,,,,,,,,,,,1.0,1.0,1.0");
        l << zv::frameSentence("GPGSV,1,1,01,01,10,100,40");
        l << zv::frameSentence("GPRMB,V,,,,,,,,,,,,A");
        l << zv::frameSentence("GPGLL," + lat + ",N,01131.000,E," + t + ",A");
        l << zv::frameSentence("PGRME,15.0,M,22.5,M,27.0,M");
        if (withPgrmm)
            l << zv::frameSentence("PGRMM,NAD27");
        l << "!AIVDM,junk";
    }
    return l.join("\r\n") + "\r\n";
}

} // namespace


TEST(PassThrough, FirstEpochInFileOrderWithSynthesizedVtgAndFixedPgrmm)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("small.log"), smallLog());
    ASSERT_TRUE(h.load(QStringLiteral("small.log")));
    EXPECT_EQ(h.state().recordTotal, 4);
    EXPECT_EQ(h.state().statusText, QStringLiteral("01,01,02,HELLO*") + QString::fromLatin1(zv::hexByte(zv::nmeaChecksum("GPTXT,01,01,02,HELLO"))));
    h.runTick();
    const QList<QByteArray> expected = {
        rmc("100000", "4807.100", "010.0", "000.0"),
        gga("100000", "4807.100", "500.0"),
        zv::frameSentence("GPGSA,A,3,01,02,,,,,,,,,,,1.0,1.0,1.0"),
        zv::frameSentence("GPGSV,1,1,01,01,10,100,40"),
        zv::frameSentence("GPRMB,V,,,,,,,,,,,,A"),
        zv::frameSentence("GPGLL,4807.100,N,01131.000,E,100000,A"),
        zv::frameSentence("PGRME,15.0,M,22.5,M,27.0,M"),
        zv::frameSentence("GPVTG,000.0,T,,M,010.0,N,19,K"),
        QByteArray(kFixedPgrmm),
    };
    EXPECT_EQ(h.channel.sent, expected);
    // List1 shows the status text first, then every sentence sent.
    const QStringList list = h.list1();
    ASSERT_EQ(list.size(), expected.size() + 1);
    EXPECT_TRUE(list.first().startsWith(QStringLiteral("NMEA: 01,01,02,HELLO")));
    EXPECT_EQ(h.state().recordIndex, 1);
    EXPECT_EQ(h.ui().gauge2->value(), 1);
    EXPECT_EQ(h.ui().nnL->text(), QStringLiteral("500"));
    EXPECT_EQ(h.ui().speedL->text(), QStringLiteral("19"));
    EXPECT_EQ(h.ui().gauge1->value(), 90);
    // Junk and other talkers turn the OTH caption magenta; RMB/GSA/GSV boxes are enabled again.
    EXPECT_EQ(h.ui().data[DataOth]->property("captionColour").toUInt(), 0xFF00FFu);
    EXPECT_TRUE(h.ui().data[DataGsv]->isEnabled());
}

TEST(PassThrough, OnlyRmcGgaPassesExactlyThose)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("small.log"), smallLog());
    ASSERT_TRUE(h.load(QStringLiteral("small.log")));
    h.window->findChild<QPushButton*>(QStringLiteral("RMCRMB"))->click();
    h.runToEnd();
    ASSERT_EQ(h.channel.sent.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(h.channel.sent[i].startsWith(i % 2 ? "$GPGGA" : "$GPRMC")) << h.channel.sent[i].constData();
}

TEST(PassThrough, OwnPgrmmReplacesTheFixedOne)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("p.log"), smallLog(true, true));
    ASSERT_TRUE(h.load(QStringLiteral("p.log")));
    h.runToEnd();
    EXPECT_FALSE(h.channel.sent.contains(QByteArray(kFixedPgrmm)));
    EXPECT_EQ(h.channel.sent.count(zv::frameSentence("PGRMM,NAD27")), 3);
    // The log has VTG lines: nothing is synthesised, its own go out.
    EXPECT_EQ(h.channel.sent.count(zv::frameSentence("GPVTG,000.0,T,,M,010.0,N,018.5,K")), 3);
}

TEST(PassThrough, PhsmiPrecedesLaterRmcsAndFreezesReadouts)
{
    QByteArray log = smallLog();
    const QByteArray phsmi = "$PHSMI,1,2,3*00";
    const QByteArray firstGga = gga("100000", "4807.100", "500.0");
    log.replace(firstGga, firstGga + "\r\n" + phsmi);
    ReplayHarness h;
    h.addFile(QStringLiteral("ph.log"), log);
    ASSERT_TRUE(h.load(QStringLiteral("ph.log")));
    h.runTick();
    EXPECT_FALSE(h.channel.sent.contains(phsmi));
    const QString speed = h.ui().speedL->text();
    EXPECT_TRUE(speed.isEmpty());
    h.channel.sent.clear();
    h.runTick();
    ASSERT_GE(h.channel.sent.size(), 2);
    EXPECT_EQ(h.channel.sent[0], phsmi);
    EXPECT_TRUE(h.channel.sent[1].startsWith("$GPRMC,100001"));
    EXPECT_EQ(h.ui().speedL->text(), speed);
}

TEST(PassThrough, AutoSkipAtStandstillReadsToTheEnd)
{
    QList<QByteArray> l;
    for (int i = 0; i < 20; ++i) {
        l << rmc("12000" + QByteArray::number(i % 10), "4807.000", "0.0", "");
        l << gga("120000", "4807.000", "100");
    }
    ReplayHarness h;
    h.addFile(QStringLiteral("still.log"), l.join("\n"));
    ASSERT_TRUE(h.load(QStringLiteral("still.log")));
    h.ui().autoSkip->click();
    EXPECT_TRUE(h.state().autoSkipStill);
    h.runTick();
    EXPECT_FALSE(h.state().replayActive);
    const int rmcs = int(std::count_if(h.channel.sent.begin(), h.channel.sent.end(),
                                       [](const QByteArray& s) { return s.startsWith("$GPRMC"); }));
    EXPECT_EQ(rmcs, 1);
}

TEST(PassThrough, FastPaceSendsOneEpochInFour)
{
    QList<QByteArray> l;
    for (int i = 0; i < 9; ++i)
        l << rmc("10000" + QByteArray::number(i), "4807.000", "5.0", "045.0") << gga("1", "4807.000", "1");
    ReplayHarness h;
    h.addFile(QStringLiteral("fast.log"), l.join("\n"));
    ASSERT_TRUE(h.load(QStringLiteral("fast.log")));
    h.ui().abstand[1]->click(); // "x 4"
    EXPECT_EQ(h.state().recordsPerTick, 4);
    h.runTick();
    EXPECT_EQ(h.state().recordIndex, 4);
    // Aligned to the RMC that went out, never to one of the skipped epochs.
    EXPECT_TRUE(h.state().epochTimePos.startsWith("100000,"));
    h.channel.sent.clear();
    h.runTick();
    EXPECT_TRUE(h.channel.sent.first().startsWith("$GPRMC,100004")) << h.channel.sent.first().constData();
    EXPECT_EQ(h.state().recordIndex, 8);
}

TEST(PassThrough, PauseRepeatsLastPositionWithZeroSpeedAndSingleStepsOnSkip1)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("v.log"), smallLog(true, false, 6));
    ASSERT_TRUE(h.load(QStringLiteral("v.log")));
    h.runTick();
    h.runTick();
    h.ui().pause->click();
    EXPECT_FALSE(h.ui().skip2->isEnabled());
    EXPECT_EQ(h.ui().skip1->toolTip(), QStringLiteral("Skip 1"));
    const std::int32_t index = h.state().recordIndex;
    h.channel.sent.clear();
    h.runTick();
    EXPECT_EQ(h.list1().first(), QStringLiteral("Pause:"));
    EXPECT_EQ(h.state().recordIndex, index);
    EXPECT_EQ(h.tick().timer1Interval(), 2000);
    EXPECT_EQ(h.ui().speedL->text(), QStringLiteral("---"));
    const QList<QByteArray> expected = {
        rmc("100001", "4807.110", "010.0", "000.0"),
        zv::frameSentence("GPGGA,100001,4807.110,N,01131.000,E,1,08,0.9,510.0,M,46.9,M,,"),
        zv::frameSentence("GPVTG,000.0,T,,M,0,N,0,K"),
        QByteArray(kFixedPgrmm),
    };
    EXPECT_EQ(h.channel.sent, expected);
    h.ui().skip1->click(); // one record while paused
    h.runTick();
    EXPECT_EQ(h.state().recordIndex, index + 1);
    h.runTick();
    EXPECT_EQ(h.state().recordIndex, index + 1);
}

TEST(PassThrough, EquAlignsGgaAndGllToTheEpochRmc)
{
    QByteArray log = smallLog();
    ReplayHarness h;
    h.addFile(QStringLiteral("e.log"), log);
    ASSERT_TRUE(h.load(QStringLiteral("e.log")));
    h.ui().equ->setChecked(true);
    h.runTick(); // epochTimePos is known from the second RMC on
    h.channel.sent.clear();
    h.runTick();
    EXPECT_TRUE(h.channel.sent.contains(zv::frameSentence("GPGGA,100001,4807.110,N,01131.000,E,1,08,0.9,510.0,M,46.9,M,,")));
}

TEST(PassThrough, PacingCountsTheOneSecondChoicesFromTheTicksStart)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("s.log"), smallLog());
    ASSERT_TRUE(h.load(QStringLiteral("s.log")));
    h.ui().abstand[5]->click(); // "2 s"
    // The tick's own run time is taken off: the next tick is due 2 s after
    // this one began, whatever the previous tick took.
    h.state().lastTickMs = 350;
    QElapsedTimer clock;
    clock.start();
    h.runTick();
    EXPECT_LE(h.tick().timer1Interval(), 2000);
    EXPECT_GE(h.tick().timer1Interval(), 2000 - clock.elapsed() - 1);
    EXPECT_TRUE(h.tick().timer1()->isActive());
    EXPECT_EQ(h.tick().timer1()->timerType(), Qt::PreciseTimer);
    h.ui().abstand[3]->click(); // "cont"
    h.runTick();
    EXPECT_EQ(h.tick().timer1Interval(), 100);
}

TEST(PassThrough, FollowingTheLastLineTicksEverySixSeconds)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("s.log"), smallLog());
    ASSERT_TRUE(h.load(QStringLiteral("s.log")));
    h.ui().last->setChecked(true);
    EXPECT_FALSE(h.ui().abstand[0]->isEnabled());
    h.runTick();
    EXPECT_EQ(h.tick().timer1Interval(), 6000);
    h.ui().last->setChecked(false);
    EXPECT_TRUE(h.ui().abstand[0]->isEnabled());
    EXPECT_TRUE(h.tick().timer1Enabled());
}

TEST(PassThrough, RightClickClearsTheListAndTheNextTickFillsIt)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("s.log"), smallLog());
    ASSERT_TRUE(h.load(QStringLiteral("s.log")));
    h.runTick();
    ASSERT_GT(h.ui().list1->count(), 0);
    QTest::mouseClick(h.ui().list1->viewport(), Qt::RightButton);
    EXPECT_EQ(h.ui().list1->count(), 0);
    h.runTick();
    EXPECT_GT(h.ui().list1->count(), 0);
}

TEST(PassThrough, OnlyWholeSentencesGoOutAndOnlyRmcsOpenEpochs)
{
    const QByteArray rmc0 = rmc("100000", "4807.100", "010.0", "000.0");
    const QByteArray rmc1 = rmc("100001", "4807.110", "010.0", "000.0");
    const QByteArray rmc2 = zv::frameSentence("GNRMC,100002,A,4807.120,N,01131.000,E,010.0,000.0,230394,,");
    const QByteArray gga0 = gga("100000", "4807.100", "500.0");
    const QByteArray gga1 = gga("100001", "4807.110", "510.0");
    const QByteArray gga2 = gga("100002", "4807.120", "520.0");
    const QByteArray phsmi = "$PHSMI," + QByteArray(2000, '1') + "*00";
    // An RMC far too long to be one, and a line past the reader's limit
    // whose tail, cut off as a piece, would begin with "$".
    const QByteArray longRmc = rmc1.left(20) + QByteArray(70000, '0') + rmc1.mid(20);
    const QByteArray hugeLine = QByteArray(ReplayFile::kMaxLine, 'x') + gga("999999", "4807.999", "999.0");
    const struct {
        const char* name;
        QList<QByteArray> lines;
        QList<QByteArray> sent;
    } cases[] = {
        {"long RMC", {rmc0, gga0, longRmc, gga1, rmc2, gga2}, {rmc0, gga0, gga1, rmc2, gga2}},
        {"long PHSMI", {rmc0, gga0, phsmi, rmc1, gga1}, {rmc0, gga0, rmc1, gga1}},
        {"line over the reader's limit", {rmc0, gga0, hugeLine, rmc1, gga1}, {rmc0, gga0, rmc1, gga1}},
        {"junk before the RMC", {rmc0, gga0, "r" + rmc1, gga1, " " + rmc2, gga2}, {rmc0, gga0, rmc1, gga1, rmc2, gga2}},
        {"junk before the first RMC", {"\t" + rmc0, gga0, rmc1}, {rmc0, gga0, rmc1}},
        {"comments naming the RMC",
         {rmc0, gga0, "# $GPRMC lines open the epochs", "#" + rmc1, "sentences: $GPRMC, $GPGGA", rmc2, gga2},
         {rmc0, gga0, rmc2, gga2}},
    };
    for (const auto& c : cases) {
        ReplayHarness h;
        h.addFile(QStringLiteral("w.log"), c.lines.join("\r\n") + "\r\n");
        ASSERT_TRUE(h.load(QStringLiteral("w.log"))) << c.name;
        h.window->findChild<QPushButton*>(QStringLiteral("RMCRMB"))->click();
        h.runToEnd();
        EXPECT_EQ(h.channel.sent, c.sent) << c.name;
        // The gauge counts the epochs that were sent.
        const auto rmcs =
            std::count_if(c.sent.begin(), c.sent.end(), [](const QByteArray& s) { return zv::isSentence(s, "RMC"); });
        EXPECT_EQ(h.state().recordTotal, rmcs + 1) << c.name;
    }
}

TEST(PassThrough, EquAlignsEveryGgaToTheRmcSentAtEveryPaceAndPass)
{
    // The GGA of each epoch is a second and a little way off its RMC, so an
    // aligned GGA shows which RMC it was aligned to.
    QList<QByteArray> lines;
    for (int i = 0; i < 12; ++i) {
        const QByteArray t = QByteArray::number(100000 + 2 * i);
        const QByteArray lat = "4807." + QByteArray::number(100 + 2 * i);
        lines << rmc(t, lat, "010.0", "000.0") << gga(QByteArray::number(100001 + 2 * i), lat + "5", "500.0");
    }
    const QByteArray synthetic = lines.join("\r\n") + "\r\n";
    const QByteArray glonass = zvtest::readTestData(QStringLiteral("real/nmea/gpsd_bu353-glonass.log"));
    ASSERT_FALSE(glonass.isEmpty());
    for (const QByteArray* log : {&synthetic, &glonass}) {
        for (int pace : {0, 1, 2, 3}) { // x 8, x 4, x 2, cont
            SCOPED_TRACE(testing::Message() << (log == &synthetic ? "synthetic" : "glonass") << " pace " << pace);
            ReplayHarness h;
            h.addFile(QStringLiteral("q.log"), *log);
            ASSERT_TRUE(h.load(QStringLiteral("q.log")));
            h.ui().equ->setChecked(true);
            h.ui().lop->setChecked(true);
            h.ui().abstand[pace]->click();
            h.window->findChild<QPushButton*>(QStringLiteral("RMCRMB"))->click();
            // Twice through the file and into a third pass.
            int loops = 0;
            for (int n = 0; n < 2000 && loops < 2; ++n) {
                h.runTick();
                loops += h.list1().value(0).startsWith(QLatin1Char('>')) ? 1 : 0;
            }
            ASSERT_EQ(loops, 2);
            QByteArray epochRmc;
            int aligned = 0;
            for (const QByteArray& s : h.channel.sent) {
                if (zv::isSentence(s, "RMC")) {
                    epochRmc = s;
                } else if (zv::isSentence(s, "GGA")) {
                    ASSERT_FALSE(epochRmc.isEmpty());
                    EXPECT_TRUE(s.mid(7).startsWith(epochTimePosOf(epochRmc) + ','))
                        << s.constData() << " after " << epochRmc.constData();
                    ++aligned;
                }
            }
            EXPECT_GT(aligned, 2);
        }
    }
}

// Distance and trip of a log take the short way across the equator, Greenwich
// and the 180th meridian, as the track replay does.
TEST(PassThrough, TripTakesTheShortWayAcrossTheEquatorAndTheMeridians)
{
    const struct {
        const char* what;
        const char* positions[3];
    } cases[] = {
        {"plain", {"0010.100,N,01131.000,E", "0010.300,N,01131.000,E", "0010.500,N,01131.000,E"}},
        {"equator", {"0000.300,N,01131.000,E", "0000.100,N,01131.000,E", "0000.100,S,01131.000,E"}},
        {"Greenwich", {"0010.000,N,00000.300,E", "0010.000,N,00000.100,E", "0010.000,N,00000.100,W"}},
        {"180 degrees", {"0010.000,N,17959.700,E", "0010.000,N,17959.900,E", "0010.000,N,17959.900,W"}},
    };
    for (const auto& c : cases) {
        QByteArray log;
        for (int i = 0; i < 3; ++i)
            log += zv::frameSentence("GPRMC,10000" + QByteArray::number(i) + ",A," + c.positions[i]
                                     + ",010.0,090.0,230394,,")
                   + "\r\n";
        ReplayHarness h;
        h.addFile(QStringLiteral("cross.log"), log);
        ASSERT_TRUE(h.load(QStringLiteral("cross.log"))) << c.what;
        double most = 0; // the stop clears the trip: read it while it runs
        for (int n = 0; n < 10 && h.state().replayActive; ++n) {
            h.runTick();
            most = std::max(most, h.state().tripMeters);
        }
        // The trip counts from the second position on: one step of 0.2 minutes
        // of arc, across the line.
        EXPECT_NEAR(most, 371, 2) << c.what;
    }
}
