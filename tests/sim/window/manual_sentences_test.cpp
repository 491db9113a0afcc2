// The manual run through the window: layout switch, Start and Stop, the
// tick's sentences at an injected clock, the compass and distance read-outs.
#include "manual_harness.h"

#include "common/nmea.h"
#include "sim/window/gauges.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLocale>
#include <QRadioButton>

#include <clocale>

using zvtest::ManualHarness;

namespace {

QByteArray framed(const char* body)
{
    return zv::frameSentence(QByteArrayView(body));
}

TEST(ManualWindow, ManuSwitchesTheLayoutBothWays)
{
    ManualHarness h;
    auto visible = [&](const char* n) { return h.child(QString::fromLatin1(n))->isVisible(); };
    const char* manualOnly[] = {"VSc1(0)", "VSc1(3)", "HSc1(0)", "HSc1(3)", "ggn", "kko", "VSc2", "VSc3",
                                "VSc4", "kmhM", "AutoM", "SetFN", "SaveP", "SaveT"};
    const char* replayOnly[] = {"File1", "DirSel", "Equ", "Last", "AutoSkip", "Lop", "Abstand(0)", "Abstand(2)",
                                "Abstand(6)", "Abstand(7)", "Data(3)", "Data(6)"};
    const char* both[] = {"Data(0)", "Data(2)", "Abstand(3)", "Abstand(5)", "Skip1", "nnM", "FileL"};
    for (const char* n : manualOnly)
        EXPECT_FALSE(visible(n)) << n;
    h.manualOn();
    for (const char* n : manualOnly)
        EXPECT_TRUE(visible(n)) << n;
    for (const char* n : replayOnly)
        EXPECT_FALSE(visible(n)) << n;
    for (const char* n : both)
        EXPECT_TRUE(visible(n)) << n;
    EXPECT_FALSE(h.ui().downloadC->isEnabled());
    EXPECT_EQ(h.ui().skip1->text(), QStringLiteral("->"));
    EXPECT_EQ(h.ui().skip1->toolTip(), QStringLiteral("Start"));
    EXPECT_FALSE(h.child(QStringLiteral("SaveP"))->isEnabled());
    EXPECT_FALSE(h.child(QStringLiteral("SaveT"))->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), h.child(QStringLiteral("HSc1(3)")));

    h.manualOff();
    for (const char* n : manualOnly)
        EXPECT_FALSE(visible(n)) << n;
    for (const char* n : replayOnly)
        EXPECT_TRUE(visible(n)) << n;
    EXPECT_TRUE(h.ui().downloadC->isEnabled());
    EXPECT_EQ(h.ui().skip1->text(), QStringLiteral(">"));
    EXPECT_EQ(h.ui().lop->text(), QStringLiteral("Loop"));
}

TEST(ManualWindow, SeedsFromTheLastRmcOnlyWhenItHasAFix)
{
    struct Case {
        const char* rmc;
        const char* lat;
        const char* lon;
    } cases[] = {
        {"GPRMC,120000,A,4806.1234,N,01138.5000,E,000.0,,061226,,E", "48°06'07\".4N", "011°38'30\".0E"},
        {"GPRMC,120000,A,3352.1234,S,15112.9999,W,000.0,,061226,,E", "33°52'07\".4S", "151°13'00\".0W"},
        {"GPRMC,120000,V,,,,,,,061226,,", "48°05'44\".7N", "011°38'11\".7E"},
        {"", "48°05'44\".7N", "011°38'11\".7E"},
    };
    for (const auto& c : cases) {
        ManualHarness h;
        h.state().lastRmc = *c.rmc ? framed(c.rmc) : QByteArray();
        h.ui().nnM->setText(QStringLiteral("268 m NN")); // the replay's altitude
        h.manualOn();
        EXPECT_EQ(h.latText(), QString::fromUtf8(c.lat)) << c.rmc;
        EXPECT_EQ(h.lonText(), QString::fromUtf8(c.lon)) << c.rmc;
        // The altitude shown is the one the GGA sends.
        EXPECT_EQ(h.label("nnM"), QStringLiteral("550 m NN")) << c.rmc;
    }
}

TEST(ManualWindow, StartTicksOncePerSecondOnOpenChannelsAndStopCloses)
{
    ManualHarness h;
    h.manualOn();
    EXPECT_FALSE(h.tick().timer1Enabled());
    h.start();
    EXPECT_TRUE(h.channel.isOpen());
    EXPECT_TRUE(h.tick().timer1Enabled());
    EXPECT_EQ(h.tick().timer1Interval(), 1000);
    EXPECT_TRUE(h.ui().stopA->isVisible());
    EXPECT_FALSE(h.ui().skip1->isEnabled());
    EXPECT_FALSE(h.ui().portC->isEnabled());

    // Pace choices of manual mode.
    h.ui().abstand[3]->click();
    EXPECT_EQ(h.tick().timer1Interval(), 100);
    h.ui().abstand[5]->click();
    EXPECT_EQ(h.tick().timer1Interval(), 2000);
    h.ui().abstand[0]->click(); // hidden in manual mode, and no manual pace
    EXPECT_EQ(h.tick().timer1Interval(), 2000);

    // The pause before the output is for track records: a manual tick sends
    // at once, so the 100 ms pace gives ten positions a second.
    h.tick().setPreOutputWaitMs(100);
    h.runTick();
    EXPECT_FALSE(h.list1().isEmpty());
    EXPECT_FALSE(h.channel.sent.isEmpty());
    QTest::qWait(150);
    h.tick().setPreOutputWaitMs(0);
    h.stop();
    EXPECT_FALSE(h.channel.isOpen());
    EXPECT_FALSE(h.tick().timer1Enabled());
    EXPECT_FALSE(h.ui().stopA->isVisible());
    EXPECT_TRUE(h.ui().skip1->isEnabled());
    EXPECT_TRUE(h.ui().portC->isEnabled());
    EXPECT_TRUE(h.list1().isEmpty());
    EXPECT_EQ(h.ui().gauge1->needleWidth(), 50);
    EXPECT_TRUE(h.ui().distL->text().isEmpty());

    // Start again, then leave manual mode while running: channels close too.
    h.start();
    EXPECT_TRUE(h.channel.isOpen());
    h.manualOff();
    EXPECT_FALSE(h.channel.isOpen());
    EXPECT_FALSE(h.tick().timer1Enabled());
    EXPECT_FALSE(h.ui().stopA->isVisible());
}

TEST(ManualWindow, GoldenSentencesAtAnInjectedClock)
{
    ManualHarness h;
    h.manualOn();
    h.start();
    h.runTick();
    const QByteArray rmc1 = framed("GPRMC,143005,A,4805.7450,N,01138.1950,E,000.0,,061226,,E");
    const QByteArray gga1 = framed("GPGGA,143005,4805.7450,N,01138.1950,E,1,12,1.5,550.0,M,46.8,M,,");
    const QByteArray vtg1 = framed("GPVTG,,T,,,0,N,0,K");
    EXPECT_EQ(h.channel.sent, (QList<QByteArray>{rmc1, gga1, vtg1}));
    EXPECT_EQ(h.list1(), (QStringList{QStringLiteral("Position:  "), QString::fromLatin1(rmc1),
                                      QString::fromLatin1(gga1), QString::fromLatin1(vtg1)}));
    EXPECT_EQ(h.state().lastRmc, rmc1) << "the replay side sees the manual RMC";

    // One tenth east: the latitude is nudged once, the course is 84 degrees,
    // 2 m from the reference point.
    h.channel.sent.clear();
    h.now = h.now.addSecs(1);
    QTest::keyClick(h.spin(QStringLiteral("HSc1(3)")), Qt::Key_Right);
    h.runTick();
    EXPECT_EQ(h.channel.sent.value(0), framed("GPRMC,143006,A,4805.7451,N,01138.1967,E,000.0,084.0,061226,,E"));
    EXPECT_EQ(h.channel.sent.value(2), framed("GPVTG,084,T,,,0,N,0,K"));
    EXPECT_EQ(h.ui().distL->text(), QStringLiteral("2"));
    EXPECT_EQ(h.child<QLabel>(QStringLiteral("Label6"))->text(), QStringLiteral("m ->"));
    EXPECT_EQ(h.ui().gauge1->needleWidth(), 3);
    EXPECT_EQ(h.ui().gauge1->value(), 174);

    // The next tick reports the labels' own value again.
    h.channel.sent.clear();
    h.runTick();
    EXPECT_EQ(zv::sentenceField(h.channel.sent.value(0), 3), "4805.7450");

    // Just before midnight: one clock reading for time and date.
    h.channel.sent.clear();
    h.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59, 999), Qt::UTC);
    h.runTick();
    EXPECT_EQ(zv::sentenceField(h.channel.sent.value(0), 1), "235959");
    EXPECT_EQ(zv::sentenceField(h.channel.sent.value(0), 9), "061226");
    EXPECT_EQ(zv::sentenceField(h.channel.sent.value(1), 1), "235959");
}

TEST(ManualWindow, SentenceChoiceAndUnitsAreReadEveryTick)
{
    ManualHarness h;
    h.manualOn();
    h.start();
    h.setData({1});
    h.runTick();
    ASSERT_EQ(h.channel.sent.size(), 1);
    EXPECT_TRUE(h.channel.sent[0].startsWith("$GPGGA"));
    EXPECT_TRUE(h.state().lastRmc.startsWith("$GPRMC,143005")) << "kept although not sent";

    // One minute north (1855 m) in imperial units.
    h.setData({0, 1, 2});
    h.state().metricUnits = false;
    QTest::keyClick(h.spin(QStringLiteral("HSc1(3)")), Qt::Key_Up, Qt::ShiftModifier);
    h.runTick();
    EXPECT_EQ(h.child<QLabel>(QStringLiteral("Label6"))->text(), QStringLiteral("mi ->"));
    EXPECT_EQ(h.ui().distL->text(), QStringLiteral("1"));
    EXPECT_EQ(zv::sentenceField(h.sentOf("$GPRMC").last(), 8), "000.0");
}

TEST(ManualWindow, NoDecimalCommaUnderAGermanLocale)
{
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is needed (package locales)";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        ManualHarness h;
        h.manualOn();
        h.start();
        h.runTick();
        QTest::keyClick(h.spin(QStringLiteral("HSc1(3)")), Qt::Key_Up, Qt::ControlModifier);
        h.runTick();
        ASSERT_EQ(h.channel.sent.size(), 6);
        for (const QByteArray& s : h.channel.sent)
            EXPECT_TRUE(zv::hasValidChecksum(s)) << s.constData();
        EXPECT_EQ(zv::sentenceField(h.channel.sent[3], 3), "4805.9117");
        EXPECT_EQ(zv::sentenceField(h.channel.sent[4], 9), "550.0");
        EXPECT_EQ(zv::sentenceField(h.channel.sent[3], 8), "000.0");
    }
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C.UTF-8");
}

} // namespace

namespace {

// Every manual control lies inside the window and none covers another; with
// ZV_SHOT set the window is also saved there as a picture.
TEST(ManualWindow, ManualLayoutShowsEveryControlSideBySide)
{
    ManualHarness h;
    h.window->resize(1200, 760);
    h.manualOn();
    h.spin(QStringLiteral("VSc4"))->setValue(2);
    QApplication::processEvents();
    QList<QWidget*> controls;
    for (const char* n : {"VSc1(0)", "VSc1(1)", "VSc1(2)", "VSc1(3)", "HSc1(0)", "HSc1(1)", "HSc1(2)", "HSc1(3)",
                          "ggn", "mmn", "ssn", "kkn", "ggo", "mmo", "sso", "kko", "VSc2", "VSc3", "VSc4", "kmhM",
                          "AutoM", "SetFN", "SaveP", "SaveT"})
        controls.append(h.child(QString::fromLatin1(n)));
    const QRect inside = h.window->rect();
    QList<QRect> rects;
    for (QWidget* w : controls) {
        const QRect r(w->mapTo(h.window.get(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
        for (int i = 0; i < rects.size(); ++i)
            EXPECT_FALSE(rects[i].intersects(r)) << w->objectName().toStdString() << " overlaps "
                                                 << controls[i]->objectName().toStdString();
        rects.append(r);
    }
    if (const QByteArray shot = qgetenv("ZV_SHOT"); !shot.isEmpty()) {
        EXPECT_TRUE(h.window->grab().save(QString::fromLocal8Bit(shot)));
    }
}

} // namespace

TEST(ManualWindow, FollowRouteMovesThePositionAlongTheChosenFile)
{
    ManualHarness h;
    auto* follow = h.child<QCheckBox>(QStringLiteral("FollowRoute"));
    ASSERT_TRUE(follow);
    // Nothing chosen in the file list: a message says how, the box stays clear.
    h.manualOn();
    follow->setChecked(true);
    EXPECT_FALSE(follow->isChecked());
    ASSERT_FALSE(h.dialogs.shown.isEmpty());
    EXPECT_TRUE(h.dialogs.shown.last().text.contains(QLatin1String("file list")));

    // About 650 m east at 36 km/h: 10 m a tick.
    h.manualOff();
    h.addFile(QStringLiteral("harbour.gpx"),
              "<gpx><rte><rtept lat=\"54.1\" lon=\"10.9\"/><rtept lat=\"54.1\" lon=\"10.91\"/></rte></gpx>");
    ASSERT_TRUE(h.select(QStringLiteral("harbour.gpx")));
    h.manualOn();
    follow->setChecked(true);
    ASSERT_TRUE(follow->isChecked());
    h.spin(QStringLiteral("VSc3"))->setValue(36);
    h.start();
    h.runTick();
    EXPECT_EQ(h.sentOf("$GPRMC").value(0), framed("GPRMC,143005,A,5406.0000,N,01054.0000,E,019.4,090.0,061226,,E"));
    EXPECT_EQ(h.sentOf("$GPVTG").value(0), framed("GPVTG,090.0,T,,,19.4,N,36.0,K"));
    EXPECT_EQ(h.sentOf("$GPGSA").size(), 1);
    EXPECT_EQ(h.latText(), QString::fromUtf8("54°06'00\".0N"));
    EXPECT_EQ(h.lonText(), QString::fromUtf8("010°54'00\".0E"));
    int ticks = 1;
    while (follow->isChecked() && ticks < 100) {
        h.now = h.now.addSecs(1);
        h.runTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 67) << "652 m in steps of 10 m, the last point included";
    EXPECT_EQ(zv::sentenceField(h.sentOf("$GPRMC").last(), 5), "01054.6000");
    EXPECT_EQ(h.lonText(), QString::fromUtf8("010°54'36\".0E"));
    EXPECT_EQ(h.ui().distL->text(), QStringLiteral("652"));
    // On by hand from the route's end.
    h.channel.sent.clear();
    h.runTick();
    EXPECT_EQ(zv::sentenceField(h.sentOf("$GPRMC").value(0), 5), "01054.6000");
    EXPECT_EQ(zv::sentenceField(h.sentOf("$GPRMC").value(0), 7), "000.0");
}
