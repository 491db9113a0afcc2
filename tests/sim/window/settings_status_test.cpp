// The status read-outs on the real window: the record clock during a replay
// in universal and local time, the time-zone spinner, unit toggles, MaxL and
// the information box.
#include "common/nmea.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

QLabel* label(SimWindow& w, const char* name)
{
    return w.findChild<QLabel*>(QString::fromLatin1(name));
}

// Replays a short log of one time and waits for its clock read-out.
void replayOneRecord(SimWindow& w, const QString& folder, const QByteArray& date, const QByteArray& time)
{
    QFile f(QDir(folder).filePath(QStringLiteral("one.log")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int i = 0; i < 3; ++i) // stays on the clock long enough to be read
        f.write(zv::frameSentence("GPRMC," + time + ",A,4807.038,N,01131.000,E,000.0,084.4," + date + ",003.1,W") + "\r\n");
    f.close();
    w.refreshFileList();
    auto* file1 = w.findChild<QListWidget*>(QStringLiteral("File1"));
    const auto items = file1->findItems(QStringLiteral("one.log"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    file1->setCurrentItem(items.first());
    label(w, "Zeit")->clear();
    w.findChild<QRadioButton*>(QStringLiteral("Abstand(4)"))->click();
    w.loader().loadSelectedFile();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !label(w, "Zeit")->text().isEmpty(); }, 10000));
}

} // namespace

TEST(StatusWiring, RecordClockFollowsZoneAndSummerTime)
{
    struct Case {
        const char* date;
        const char* time;
        bool local;
        int tzDiff;
        const char* zeit;
        const char* datum;
        const char* weekday;
        const char* zone;
    };
    const Case cases[] = {
        {"250626", "120000", false, 1, "12:00:00", "2026-Jun-25", "Thursday", "MESZ"},
        {"250626", "120000", true, 1, "14:00:00", "25. Jun 2026", "Donnerstag", "MESZ"},
        {"151226", "120000", true, 1, "13:00:00", "15. Dez 2026", "Dienstag", "MEZ"},
        // The last Sunday of March: summer from 01:00 universal time.
        {"290326", "005900", true, 1, "01:59:00", "29. Mär 2026", "Sonntag", "MEZ"},
        {"290326", "010000", true, 1, "03:00:00", "29. Mär 2026", "Sonntag", "MESZ"},
        {"251026", "005900", true, 1, "02:59:00", "25. Okt 2026", "Sonntag", "MESZ"},
        {"251026", "010000", true, 1, "02:00:00", "25. Okt 2026", "Sonntag", "MEZ"},
        {"250626", "120000", true, -5, "07:00:00", "25. Jun 2026", "Donnerstag", "LOC"},
    };
    QTemporaryDir home;
    QDir(home.path()).mkdir(QStringLiteral("Tracks"));
    // Output into a file through the first printer entry, so no serial device
    // of the machine is needed (or held by a parallel test).
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Port]\r\nCOM= 20\r\n[Devices]\r\nLPT1=" + QDir(home.path()).filePath(QStringLiteral("lpt1")).toUtf8() + "\r\n");
    ini.close();
    QFile device(QDir(home.path()).filePath(QStringLiteral("lpt1"))); // a device exists before it is opened
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    device.close();
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    auto* tz = w.findChild<QSpinBox*>(QStringLiteral("TZdiff"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " " + c.time + (c.local ? " local" : " UTC"));
        QTest::mouseClick(label(w, c.local ? "Label7" : "Label2"), Qt::LeftButton);
        tz->setValue(c.tzDiff);
        replayOneRecord(w, w.trackFolder(), c.date, c.time);
        EXPECT_EQ(label(w, "Zeit")->text(), QString::fromLatin1(c.zeit));
        EXPECT_EQ(label(w, "Datum")->text(), QString::fromUtf8(c.datum));
        EXPECT_EQ(label(w, "WtL")->text(), QString::fromLatin1(c.weekday));
        EXPECT_EQ(label(w, "Label7")->text(), QString::fromLatin1(c.zone));
        EXPECT_EQ(label(w, c.local ? "Label7" : "Label2")->property("backColour").toUInt(), 0xFF00u);
        EXPECT_EQ(label(w, c.local ? "Label2" : "Label7")->property("backColour").toUInt(), 0x8000u);
        w.loader().stopReplay(StopByUser);
    }
    for (const auto& d : dialogs.shown)
        ADD_FAILURE() << d.title.toStdString() << ": " << d.text.toStdString();
    QFile printed(QDir(home.path()).filePath(QStringLiteral("lpt1")));
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(printed.readAll().startsWith("$GPRMC,120000,A,"));
}

TEST(StatusWiring, TimeZoneSpinnerUnitsMaxAndInfoBox)
{
    QTemporaryDir home;
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    auto* tz = w.findChild<QSpinBox*>(QStringLiteral("TZdiff"));
    EXPECT_EQ(tz->minimum(), -12);
    EXPECT_EQ(tz->maximum(), 12);
    const std::tuple<int, const char*, const char*> zones[] = {{0, "+0", "LOC"}, {-5, "-5", "LOC"}, {1, "+1", "MEZ"}};
    for (const auto& [v, tzl, zone] : zones) {
        tz->setValue(v);
        EXPECT_EQ(label(w, "TZL")->text(), QString::fromLatin1(tzl)) << v;
        EXPECT_EQ(label(w, "Label7")->text(), QString::fromLatin1(zone)) << v;
    }

    // Each unit label flips the units and empties the accumulated read-outs.
    for (const char* unit : {"Label3", "Label6", "Label9"}) {
        const bool before = w.replayState().metricUnits;
        label(w, "MaxL")->setText(QStringLiteral("88"));
        label(w, "TripL")->setText(QStringLiteral("1.0"));
        QTest::mouseClick(label(w, unit), Qt::LeftButton);
        EXPECT_NE(w.replayState().metricUnits, before) << unit;
        EXPECT_TRUE(label(w, "MaxL")->text().isEmpty()) << unit;
        EXPECT_TRUE(label(w, "TripL")->text().isEmpty()) << unit;
        const bool metric = w.replayState().metricUnits;
        EXPECT_EQ(label(w, "Label3")->text(), metric ? QStringLiteral("km/h") : QStringLiteral("MPH"));
        EXPECT_EQ(label(w, "Label9")->text(), metric ? QStringLiteral("m NN") : QStringLiteral("ft NN"));
        EXPECT_EQ(label(w, "Label16")->text(), metric ? QStringLiteral("km ~") : QStringLiteral("mi ~"));
    }

    w.replayState().maxSpeed = 42;
    label(w, "MaxL")->setText(QStringLiteral("42"));
    QTest::mouseClick(label(w, "MaxL"), Qt::LeftButton);
    EXPECT_EQ(w.replayState().maxSpeed, 0);
    EXPECT_TRUE(label(w, "MaxL")->text().isEmpty());

    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Help")), Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().title, QStringLiteral("  Zelvan"));
    EXPECT_EQ(dialogs.shown.first().text, QStringLiteral("    Zelvan     V " ZV_TEST_VERSION " "));
    EXPECT_EQ(dialogs.shown.first().icon, zv::Dialogs::Icon::Information);
}
