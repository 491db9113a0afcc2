#include "sim/manual/manual_composer.h"
#include "sim/manual/recording.h"
#include "sim/window/manual_keys.h"
#include "sim/window/manual_sliders.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace zelvan;

namespace {

const QDateTime kNoon(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);

class ManualWidgetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 4; ++i) {
            w.vsc1[i] = new QScrollBar(Qt::Vertical, &window);
            w.hsc1[i] = new QScrollBar(Qt::Horizontal, &window);
            w.latLabels[i] = new QLabel(&window);
            w.lonLabels[i] = new QLabel(&window);
        }
        w.vsc2 = new QScrollBar(Qt::Vertical, &window);
        w.vsc3 = new QScrollBar(Qt::Vertical, &window);
        w.vsc4 = new QScrollBar(Qt::Vertical, &window);
        w.nnM = new QLabel(&window);
        w.kmhM = new QLabel(&window);
        w.autoM = new QLabel(&window);
        controller = std::make_unique<ManualPositionController>(state, w);
        recorder = std::make_unique<ManualRecorder>(state, dialogs, home.path(), nullptr);
    }
    QString labels() const
    {
        QStringList t;
        for (auto* l : w.latLabels)
            t << l->text();
        for (auto* l : w.lonLabels)
            t << l->text();
        return t.join('|');
    }
    bool key(int k, Qt::KeyboardModifiers m = Qt::NoModifier, bool repeat = false)
    {
        QKeyEvent e(QEvent::KeyPress, k, m, QString(), repeat);
        return handleManualKey(e, *controller, *recorder);
    }

    QWidget window;
    ManualPositionWidgets w;
    ManualState state;
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    std::unique_ptr<ManualPositionController> controller;
    std::unique_ptr<ManualRecorder> recorder;
};

const QString kDeg = QString(QChar(0x00B0));

TEST_F(ManualWidgetsTest, ShowsTheStateWithRangesAndCaptions)
{
    EXPECT_EQ(labels(), "48 " + kDeg + "|05 '|44 \"|.7 N|011 " + kDeg + "|38 '|11 \"|.7 E");
    EXPECT_EQ(w.vsc1[0]->minimum(), -89);
    EXPECT_EQ(w.hsc1[0]->maximum(), 179);
    EXPECT_EQ(w.vsc1[3]->maximum(), 9);
    EXPECT_EQ(w.vsc1[2]->value(), 44);
    EXPECT_EQ(w.nnM->text(), "550 m NN");
    EXPECT_EQ(w.nnM->toolTip(), "1805 ft");
    EXPECT_EQ(w.kmhM->text(), "50 km/h");
    EXPECT_EQ(w.autoM->text(), "10 m");
    EXPECT_EQ(w.autoM->toolTip(), "Auto-Point");
    controller->setMetricUnits(false);
    EXPECT_EQ(w.autoM->toolTip(), "Auto-Point 30 ft");
    w.vsc4->setValue(0);
    EXPECT_EQ(w.autoM->text(), "-");
    EXPECT_EQ(w.autoM->toolTip(), "Auto-Point off");
    w.vsc2->setValue(600);
    EXPECT_EQ(state.altitudeM, 600);
    EXPECT_EQ(w.nnM->text(), "600 m NN");
}

TEST_F(ManualWidgetsTest, SpinnerChangesFollowIntoLabelsAndNudgeFlags)
{
    w.vsc1[0]->setValue(-48);
    EXPECT_EQ(w.latLabels[3]->text(), ".7 S");
    EXPECT_EQ(state.nudgeFlags, 1);
    w.vsc1[0]->setValue(0);
    EXPECT_EQ(w.latLabels[0]->text(), "00 " + kDeg);
    EXPECT_EQ(w.latLabels[3]->text(), ".7 S") << "degree 0 keeps the hemisphere";
    w.hsc1[3]->setValue(2);
    EXPECT_EQ(w.lonLabels[3]->text(), ".2 E");
    EXPECT_EQ(state.nudgeFlags, 3);
}

TEST_F(ManualWidgetsTest, VerticalSpinnersGrowUpwards)
{
    window.resize(400, 400);
    w.vsc1[1]->setGeometry(0, 0, 20, 200);
    window.show();
    const int before = w.vsc1[1]->value();
    QTest::mouseClick(w.vsc1[1], Qt::LeftButton, {}, QPoint(10, 4));
    EXPECT_EQ(w.vsc1[1]->value(), before + 1);
    QTest::mouseClick(w.vsc1[1], Qt::LeftButton, {}, QPoint(10, 196));
    QTest::mouseClick(w.vsc1[1], Qt::LeftButton, {}, QPoint(10, 196));
    EXPECT_EQ(w.vsc1[1]->value(), before - 1);
}

TEST_F(ManualWidgetsTest, KeysSteerTheSpinners)
{
    EXPECT_TRUE(key(Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(w.hsc1[2]->value(), 22);
    EXPECT_TRUE(key(Qt::Key_Up, Qt::ShiftModifier));
    EXPECT_EQ(w.vsc1[1]->value(), 6);
    EXPECT_EQ(state.nudgeFlags, 3);

    // Across the equator: the degree spinner stays 0, the letter flips.
    state.position.lat = AxisPosition{false, 0, 0, 0, 0};
    controller->refreshAll();
    EXPECT_TRUE(key(Qt::Key_Down));
    EXPECT_EQ(w.vsc1[0]->value(), 0);
    EXPECT_EQ(w.vsc1[3]->value(), 1);
    EXPECT_EQ(w.latLabels[3]->text(), ".1 S");

    // At the end of the range the step is refused and nothing moves.
    state.position.lon = AxisPosition{false, 179, 59, 59, 9};
    controller->refreshAll();
    const QString shown = labels();
    EXPECT_TRUE(key(Qt::Key_Right));
    EXPECT_EQ(labels(), shown);
    EXPECT_EQ(w.hsc1[0]->value(), 179);

    EXPECT_FALSE(key(Qt::Key_A));
    EXPECT_FALSE(key(Qt::Key_Control, Qt::ControlModifier));
}

TEST_F(ManualWidgetsTest, SpaceAndEnterRecordOnlyOncePerPress)
{
    enterManualMode(state, QByteArrayView(), kNoon);
    startManualRun(state);
    composeManualSentences(state, {}, kNoon);
    EXPECT_TRUE(key(Qt::Key_Space));
    EXPECT_TRUE(key(Qt::Key_Space, Qt::NoModifier, true));
    EXPECT_EQ(dialogs.beeps, 1);
    // Enter with SaveT disabled: consumed, no input box.
    EXPECT_TRUE(key(Qt::Key_Enter, Qt::KeypadModifier));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

} // namespace
