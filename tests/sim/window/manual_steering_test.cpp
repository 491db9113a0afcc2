// Keyboard steering through the window's one key filter: real key events go
// to the focused spinner, the filter steers and consumes them.
#include "manual_harness.h"

#include <gtest/gtest.h>

using zvtest::ManualHarness;
using zelvan::ManualSpinnerValues;

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

struct SteerCase {
    const char* what;
    std::array<int, 4> lat;
    std::array<int, 4> lon;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* latAfter;
    const char* lonAfter;
};

const SteerCase kSteerCases[] = {
    {"up carries into the degree", {0, 59, 59, 9}, {11, 38, 11, 7}, Qt::Key_Up, Qt::NoModifier, "01°00'00\".0N", "011°38'11\".7E"},
    {"down borrows from the degree", {1, 0, 0, 0}, {11, 38, 11, 7}, Qt::Key_Down, Qt::NoModifier, "00°59'59\".9N", "011°38'11\".7E"},
    {"shift is one minute", {48, 5, 44, 7}, {11, 59, 11, 7}, Qt::Key_Right, Qt::ShiftModifier, "48°05'44\".7N", "012°00'11\".7E"},
    {"ctrl is ten seconds with carry", {48, 5, 44, 7}, {11, 38, 55, 7}, Qt::Key_Right, Qt::ControlModifier, "48°05'44\".7N", "011°39'05\".7E"},
    {"alt is one second", {48, 5, 44, 7}, {11, 38, 11, 7}, Qt::Key_Right, Qt::AltModifier, "48°05'44\".7N", "011°38'12\".7E"},
    {"ctrl and alt are eleven seconds", {48, 5, 44, 7}, {11, 38, 11, 7}, Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier, "48°05'44\".7N", "011°38'22\".7E"},
    {"shift with ctrl adds nothing of its own", {48, 5, 44, 7}, {11, 38, 11, 7}, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier, "48°05'44\".7N", "011°38'21\".7E"},
    {"left on east goes toward the meridian", {48, 5, 44, 7}, {11, 38, 11, 7}, Qt::Key_Left, Qt::NoModifier, "48°05'44\".7N", "011°38'11\".6E"},
    {"right on west goes toward the meridian", {48, 5, 44, 7}, {-11, 38, 11, 7}, Qt::Key_Right, Qt::NoModifier, "48°05'44\".7N", "011°38'11\".6W"},
    {"down on south goes away from the equator", {-33, 0, 0, 0}, {11, 38, 11, 7}, Qt::Key_Down, Qt::NoModifier, "33°00'00\".1S", "011°38'11\".7E"},
    {"equator crossing flips the letter", {0, 0, 0, 0}, {11, 38, 11, 7}, Qt::Key_Down, Qt::NoModifier, "00°00'00\".1S", "011°38'11\".7E"},
    {"meridian crossing flips the letter", {48, 5, 44, 7}, {0, 0, 0, 0}, Qt::Key_Left, Qt::NoModifier, "48°05'44\".7N", "000°00'00\".1W"},
    {"north end is refused", {89, 59, 59, 9}, {11, 38, 11, 7}, Qt::Key_Up, Qt::NoModifier, "89°59'59\".9N", "011°38'11\".7E"},
    {"south end is refused", {-89, 59, 59, 9}, {11, 38, 11, 7}, Qt::Key_Down, Qt::NoModifier, "89°59'59\".9S", "011°38'11\".7E"},
    {"east end is refused", {48, 5, 44, 7}, {179, 59, 59, 9}, Qt::Key_Right, Qt::NoModifier, "48°05'44\".7N", "179°59'59\".9E"},
    {"west end is refused", {48, 5, 44, 7}, {-179, 59, 59, 9}, Qt::Key_Left, Qt::NoModifier, "48°05'44\".7N", "179°59'59\".9W"},
    {"a ten-second step stops short of the end", {89, 59, 55, 0}, {11, 38, 11, 7}, Qt::Key_Up, Qt::ControlModifier, "89°59'55\".0N", "011°38'11\".7E"},
};

TEST(ManualSteering, ArrowKeysOnAFocusedSpinnerMoveThePositionOnce)
{
    ManualHarness h;
    h.manualOn();
    for (const char* focus : {"HSc1(3)", "VSc1(3)"}) {
        for (const SteerCase& c : kSteerCases) {
            ManualSpinnerValues v = h.manual().spinnerValues();
            v.lat = c.lat;
            v.lon = c.lon;
            h.manual().setSpinnerValues(v);
            QWidget* target = h.spin(QString::fromLatin1(focus));
            target->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), target) << focus;
            QTest::keyClick(target, c.key, c.mods);
            EXPECT_EQ(h.latText(), u(c.latAfter)) << c.what << " / focus " << focus;
            EXPECT_EQ(h.lonText(), u(c.lonAfter)) << c.what << " / focus " << focus;
            // The spinners show what the labels say: no second step by the spinner itself.
            const auto after = h.manual().spinnerValues();
            EXPECT_EQ(after.lat[3], h.manual().state().position.lat.tenths) << c.what;
            EXPECT_EQ(after.lon[3], h.manual().state().position.lon.tenths) << c.what;
        }
    }
}

TEST(ManualSteering, ModifiersComeFromEachKeyEvent)
{
    ManualHarness h;
    h.manualOn();
    QWidget* target = h.spin(QStringLiteral("HSc1(3)"));
    // Ctrl pressed and its release lost: the next plain arrow is a tenth.
    QTest::keyPress(target, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Right);
    EXPECT_EQ(h.lonText(), u("011°38'11\".8E"));
    // Ctrl and Alt, then Alt released: Ctrl's ten seconds remain.
    QTest::keyClick(target, Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(h.lonText(), u("011°38'22\".8E"));
    QTest::keyClick(target, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(h.lonText(), u("011°38'32\".8E"));
}

TEST(ManualSteering, KeysAreLeftAloneOutsideManualMode)
{
    ManualHarness h;
    QScrollBar* s = h.spin(QStringLiteral("HSc1(3)"));
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->isVisible());
    auto* list = h.ui().list1;
    list->addItems({QStringLiteral("a"), QStringLiteral("b")});
    list->setCurrentRow(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1) << "the focused list still gets its arrows";
    EXPECT_EQ(h.lonText(), u("011°38'11\".7E"));
}

TEST(ManualSteering, SpinnersAndLabelsFollowEachOther)
{
    ManualHarness h;
    h.manualOn();
    EXPECT_EQ(h.latText(), u("48°05'44\".7N"));
    EXPECT_EQ(h.lonText(), u("011°38'11\".7E"));
    EXPECT_EQ(h.spin(QStringLiteral("VSc1(0)"))->minimum(), -89);
    EXPECT_EQ(h.spin(QStringLiteral("HSc1(0)"))->maximum(), 179);
    EXPECT_EQ(h.spin(QStringLiteral("VSc2"))->maximum(), 2000);
    EXPECT_EQ(h.spin(QStringLiteral("VSc3"))->maximum(), 200);
    EXPECT_EQ(h.spin(QStringLiteral("VSc4"))->maximum(), 10);
    h.spin(QStringLiteral("VSc1(0)"))->setValue(-12);
    EXPECT_EQ(h.latText(), u("12°05'44\".7S"));
    h.spin(QStringLiteral("HSc1(2)"))->setValue(3);
    EXPECT_EQ(h.lonText(), u("011°38'03\".7E"));
    h.spin(QStringLiteral("VSc2"))->setValue(1000);
    EXPECT_EQ(h.label("nnM"), QStringLiteral("1000 m NN"));
    EXPECT_EQ(h.child<QLabel>(QStringLiteral("nnM"))->toolTip(), QStringLiteral("3281 ft"));
    h.spin(QStringLiteral("VSc3"))->setValue(100);
    EXPECT_EQ(h.label("kmhM"), QStringLiteral("100 km/h"));
    EXPECT_EQ(h.child<QLabel>(QStringLiteral("kmhM"))->toolTip(), QStringLiteral("62 mi"));
    h.spin(QStringLiteral("VSc4"))->setValue(3);
    EXPECT_EQ(h.label("AutoM"), QStringLiteral("50 m"));
    h.spin(QStringLiteral("VSc4"))->setValue(0);
    EXPECT_EQ(h.label("AutoM"), QStringLiteral("-"));
    EXPECT_EQ(h.child<QLabel>(QStringLiteral("AutoM"))->toolTip(), QStringLiteral("Auto-Point off"));
}

} // namespace

namespace {

TEST(ManualSteering, DoubleClickOnTheWindowBringsTheOutputListBack)
{
    ManualHarness h;
    h.ui().dirSel->click();
    ASSERT_FALSE(h.ui().list1->isVisible());
    ASSERT_TRUE(h.ui().dir1->isVisible());
    QTest::mouseDClick(h.window.get(), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_TRUE(h.ui().list1->isVisible());
    EXPECT_FALSE(h.ui().dir1->isVisible());
}

} // namespace
