// The window on a 1366x768 laptop screen: it fits in every mode, keeps the
// size it has when the mode changes or a long name appears, and its compass
// draws no needle while standing still.
#include "sim/window/gauges.h"
#include "sim/window/rig_dialog.h"
#include "sim/window/sim_window.h"
#include "sim/window/window_labels.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <functional>

namespace {

using zelvan::SimWindow;

// 768 less a title bar and a panel; the end-to-end run checks the real frame.
constexpr int kScreenWidth = 1366;
constexpr int kUsableHeight = 768 - 60;

const QString kLongName =
    QStringLiteral("Sunday_morning_ride_around_the_lake_with_the_whole_family_and_two_dogs_from_Starnberg_2026.log");

TEST(WindowFit, EveryModeFitsTheScreenWithoutResizingTheWindow)
{
    struct Case {
        const char* mode;
        std::function<void(SimWindow&, zvtest::ScriptedDialogs&)> enter;
    };
    const Case cases[] = {
        {"idle", [](SimWindow&, zvtest::ScriptedDialogs&) {}},
        {"94-character file name",
         [](SimWindow& w, zvtest::ScriptedDialogs&) { w.controls().fileL->setText(kLongName); }},
        {"long folder path",
         [](SimWindow& w, zvtest::ScriptedDialogs&) {
             w.findChild<QLabel*>(QStringLiteral("FolderL"))->setText(QStringLiteral("/home/user/") + kLongName + QStringLiteral("/Tracks"));
         }},
        {"TCP server listening",
         [](SimWindow& w, zvtest::ScriptedDialogs&) { w.findChild<QWidget*>(QStringLiteral("TCPstat"))->show(); }},
        {"manual", [](SimWindow& w, zvtest::ScriptedDialogs&) { w.controls().manu->setChecked(true); }},
        {"manual and back",
         [](SimWindow& w, zvtest::ScriptedDialogs&) {
             w.controls().manu->setChecked(true);
             QApplication::processEvents();
             w.controls().manu->setChecked(false);
         }},
        {"rig with a start instant and faults",
         [](SimWindow& w, zvtest::ScriptedDialogs&) {
             w.findChild<QPushButton*>(QStringLiteral("RigC"))->click();
             auto* rig = w.findChild<zelvan::RigDialog*>(QStringLiteral("RigDialog"));
             rig->findChild<QRadioButton*>(QStringLiteral("RigTime(2)"))->click();
             rig->findChild<QLineEdit*>(QStringLiteral("RigStart"))->setText(QStringLiteral("2024-12-31T23:59:59Z"));
             rig->findChild<QLineEdit*>(QStringLiteral("RigFaults"))->setText(QStringLiteral("checksum=0.01"));
             rig->accept();
             ASSERT_FALSE(rig->isVisible());
         }},
        {"download mode",
         [](SimWindow& w, zvtest::ScriptedDialogs& d) {
             d.queueAnswer(zv::Dialogs::Answer::Yes);
             w.downloadCClicked();
             ASSERT_TRUE(w.downloadMode());
         }},
    };
    for (const Case& c : cases) {
        QTemporaryDir home;
        SimWindow w(home.path());
        zvtest::ScriptedDialogs dialogs;
        w.setDialogs(&dialogs);
        w.show();
        QApplication::processEvents();
        const QSize before = w.size();
        EXPECT_LE(before.width(), kScreenWidth) << c.mode;
        EXPECT_LE(before.height(), kUsableHeight) << c.mode;
        c.enter(w, dialogs);
        QApplication::processEvents();
        EXPECT_EQ(w.size(), before) << c.mode;
        EXPECT_LE(w.minimumSizeHint().width(), kScreenWidth) << c.mode;
        EXPECT_LE(w.minimumSizeHint().height(), kUsableHeight) << c.mode;
        for (QWidget* control : std::initializer_list<QWidget*>{w.controls().skip1, w.controls().ende, w.controls().manu,
                                 w.controls().downloadC, w.findChild<QWidget*>(QStringLiteral("RigC"))}) {
            const QRect r(control->mapTo(&w, QPoint(0, 0)), control->size());
            EXPECT_TRUE(w.rect().contains(r)) << c.mode << ": " << control->objectName().toStdString();
        }
    }
}

TEST(WindowFit, LongNamesAreCutWithTheWholeTextInTheToolTip)
{
    QTemporaryDir home;
    SimWindow w(home.path());
    w.show();
    auto* fileL = qobject_cast<zelvan::ElidedLabel*>(w.controls().fileL);
    ASSERT_NE(fileL, nullptr);
    fileL->setText(kLongName);
    QApplication::processEvents();
    EXPECT_EQ(fileL->text(), kLongName);
    EXPECT_TRUE(fileL->isElided());
    EXPECT_EQ(fileL->effectiveToolTip(), kLongName);
    fileL->setText(QStringLiteral("short.log"));
    EXPECT_FALSE(fileL->isElided());
    EXPECT_TRUE(fileL->effectiveToolTip().isEmpty());
}

// Read-outs carry their captions in the window; what reacts to a click shows it.
TEST(WindowFit, ReadOutsAreCaptionedAndClickableLabelsLookClickable)
{
    QTemporaryDir home;
    SimWindow w(home.path());
    const std::pair<const char*, const char*> captions[] = {
        {"WtL", "Day"},       {"Datum", "Date"},         {"Zeit", "Time"},          {"TTL", "Trip-Timer"},
        {"SpeedL", "Speed"},  {"MaxL", "Max. Speed"},    {"TripL", "Trip-Odo"},     {"DistL", "Distance from Start"},
        {"NNL", "Altitude"},  {"NNminL", "NN min"},      {"NNmaxL", "NN max"},      {"VSc2", "Altitude"},
        {"VSc3", "Speed"},    {"VSc4", "Auto-Point"}};
    for (const auto& [name, text] : captions) {
        auto* cap = w.findChild<QLabel*>(QString::fromLatin1(name) + QStringLiteral("Cap"));
        ASSERT_NE(cap, nullptr) << name;
        EXPECT_EQ(cap->text(), QString::fromLatin1(text)) << name;
    }
    for (const char* name : {"Label2", "Label7", "Label3", "Label6", "Label9", "MaxL"})
        EXPECT_EQ(w.findChild<QWidget*>(QString::fromLatin1(name))->cursor().shape(), Qt::PointingHandCursor) << name;
}

// Needle width 50 is the engines' "standing still": a dot, no red blob.
TEST(WindowFit, CompassDrawsNoNeedleWhileStandingStill)
{
    auto redPixels = [](int width) {
        zelvan::CompassGauge g;
        g.resize(96, 96);
        g.setValue(140);
        g.setNeedleWidth(width);
        QImage img(g.size(), QImage::Format_RGB32);
        g.render(&img);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() > 150 && c.green() < 80 && c.blue() < 80;
            }
        return n;
    };
    EXPECT_GT(redPixels(3), 20);
    EXPECT_EQ(redPixels(50), 0);
}

} // namespace
