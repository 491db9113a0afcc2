#include "sim/manual/manual_position.h"

#include <gtest/gtest.h>

using namespace zelvan;

namespace {

AxisPosition ax(char hemi, int d, int m, int s, int t)
{
    return AxisPosition{hemi == 'S' || hemi == 'W', d, m, s, t};
}

std::string show(const AxisPosition& a)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%d %02d'%02d.%d\"", a.negative ? "-" : "+", a.degrees, a.minutes, a.seconds, a.tenths);
    return buf;
}

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

TEST(ManualSteering, StepsCarriesBorrowsAndCrossings)
{
    struct Case {
        const char* what;
        AxisPosition from;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::optional<AxisPosition> to; // nullopt: refused, position stays
    } cases[] = {
        {"tenth carries into degree", ax('N', 0, 59, 59, 9), Qt::Key_Up, kNone, ax('N', 1, 0, 0, 0)},
        {"tenth borrows from degree", ax('N', 1, 0, 0, 0), Qt::Key_Down, kNone, ax('N', 0, 59, 59, 9)},
        {"Shift: one minute, carry", ax('E', 11, 59, 11, 7), Qt::Key_Right, kShift, ax('E', 12, 0, 11, 7)},
        {"Ctrl: ten seconds, carry", ax('N', 48, 5, 55, 0), Qt::Key_Up, kCtrl, ax('N', 48, 6, 5, 0)},
        {"Alt: one second", ax('N', 48, 5, 44, 7), Qt::Key_Up, kAlt, ax('N', 48, 5, 45, 7)},
        {"Ctrl+Alt: eleven seconds", ax('E', 11, 38, 11, 7), Qt::Key_Right, kCtrl | kAlt, ax('E', 11, 38, 22, 7)},
        {"Shift+Ctrl: ten seconds only", ax('E', 11, 38, 11, 7), Qt::Key_Right, kShift | kCtrl, ax('E', 11, 38, 21, 7)},
        {"Shift+Alt: one second only", ax('E', 11, 38, 11, 7), Qt::Key_Right, kShift | kAlt, ax('E', 11, 38, 12, 7)},
        {"Shift+Ctrl+Alt: eleven seconds", ax('E', 11, 38, 11, 7), Qt::Key_Right, kShift | kCtrl | kAlt, ax('E', 11, 38, 22, 7)},
        {"keypad arrow is an arrow", ax('E', 11, 38, 11, 7), Qt::Key_Right, Qt::KeypadModifier, ax('E', 11, 38, 11, 8)},
        {"Left on east goes toward meridian", ax('E', 11, 38, 0, 0), Qt::Key_Left, kNone, ax('E', 11, 37, 59, 9)},
        {"Right on west goes toward meridian", ax('W', 11, 38, 0, 0), Qt::Key_Right, kNone, ax('W', 11, 37, 59, 9)},
        {"Left on west goes away", ax('W', 11, 38, 0, 0), Qt::Key_Left, kCtrl, ax('W', 11, 38, 10, 0)},
        {"Down on south goes away", ax('S', 48, 5, 44, 7), Qt::Key_Down, kNone, ax('S', 48, 5, 44, 8)},
        {"Up on south goes toward equator", ax('S', 48, 0, 5, 0), Qt::Key_Up, kCtrl, ax('S', 47, 59, 55, 0)},
        {"equator: tenth south flips letter", ax('N', 0, 0, 0, 0), Qt::Key_Down, kNone, ax('S', 0, 0, 0, 1)},
        {"equator: back north keeps S at zero", ax('S', 0, 0, 0, 1), Qt::Key_Up, kNone, ax('S', 0, 0, 0, 0)},
        {"equator: through zero northwards", ax('S', 0, 0, 0, 3), Qt::Key_Up, kAlt, ax('N', 0, 0, 0, 7)},
        {"meridian: ten seconds west", ax('E', 0, 0, 0, 5), Qt::Key_Left, kCtrl, ax('W', 0, 0, 9, 5)},
        {"meridian: a minute east", ax('W', 0, 0, 30, 0), Qt::Key_Right, kShift, ax('E', 0, 0, 30, 0)},
        {"north end refused", ax('N', 89, 59, 59, 9), Qt::Key_Up, kNone, std::nullopt},
        {"south end refused", ax('S', 89, 59, 55, 0), Qt::Key_Down, kCtrl, std::nullopt},
        {"north end reached exactly", ax('N', 89, 59, 58, 9), Qt::Key_Up, kAlt, ax('N', 89, 59, 59, 9)},
        {"from the end back is fine", ax('N', 89, 59, 59, 9), Qt::Key_Down, kNone, ax('N', 89, 59, 59, 8)},
        {"east end refused", ax('E', 179, 59, 50, 0), Qt::Key_Right, kShift, std::nullopt},
        {"west end refused", ax('W', 179, 59, 59, 9), Qt::Key_Left, kNone, std::nullopt},
    };
    for (const auto& c : cases) {
        const bool lat = c.key == Qt::Key_Up || c.key == Qt::Key_Down;
        ManualPosition p = designPosition();
        (lat ? p.lat : p.lon) = c.from;
        const ManualKey k = mapManualKey(c.key, c.mods, false);
        ASSERT_EQ(k.action, ManualKeyAction::Step) << c.what;
        Axis moved = Axis::Latitude;
        const auto next = steer(p, k.arrow, k.amount, &moved);
        if (!c.to) {
            EXPECT_FALSE(next.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(next.has_value()) << c.what;
        EXPECT_EQ(moved, lat ? Axis::Latitude : Axis::Longitude) << c.what;
        EXPECT_EQ(show(lat ? next->lat : next->lon), show(*c.to)) << c.what;
        EXPECT_EQ(lat ? next->lon : next->lat, lat ? p.lon : p.lat) << c.what << ": other axis untouched";
    }
}

TEST(ManualSteering, KeysMapFromEachEventsOwnModifiers)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        bool repeat;
        ManualKeyAction action;
        int tenths;
    } cases[] = {
        {Qt::Key_Space, kNone, false, ManualKeyAction::RecordPosition, 0},
        {Qt::Key_Space, kNone, true, ManualKeyAction::Consumed, 0},
        {Qt::Key_Return, kNone, false, ManualKeyAction::RecordText, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, false, ManualKeyAction::RecordText, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, true, ManualKeyAction::Consumed, 0},
        {Qt::Key_Up, kNone, true, ManualKeyAction::Step, 1},
        // A Ctrl press whose release was lost does not linger: the next
        // event without Ctrl steps by a tenth.
        {Qt::Key_Up, kCtrl, false, ManualKeyAction::Step, 100},
        {Qt::Key_Up, kNone, false, ManualKeyAction::Step, 1},
        {Qt::Key_Control, kCtrl, false, ManualKeyAction::None, 0},
        {Qt::Key_Shift, kShift, false, ManualKeyAction::None, 0},
        {Qt::Key_A, kNone, false, ManualKeyAction::None, 0},
    };
    for (const auto& c : cases) {
        const ManualKey k = mapManualKey(c.key, c.mods, c.repeat);
        EXPECT_EQ(k.action, c.action) << c.key;
        if (c.action == ManualKeyAction::Step) {
            EXPECT_EQ(k.amount.total(), c.tenths) << c.key;
        }
    }
}

TEST(ManualLabels, ShowDesignPositionAndKeepHemisphereAtZeroDegrees)
{
    const PositionLabels l = positionLabels(designPosition());
    const QString deg = QString(QChar(0x00B0));
    EXPECT_EQ(l.ggn, "48 " + deg);
    EXPECT_EQ(l.mmn, "05 '");
    EXPECT_EQ(l.ssn, "44 \"");
    EXPECT_EQ(l.kkn, ".7 N");
    EXPECT_EQ(l.ggo, "011 " + deg);
    EXPECT_EQ(l.mmo, "38 '");
    EXPECT_EQ(l.sso, "11 \"");
    EXPECT_EQ(l.kko, ".7 E");

    ManualPosition p{ax('S', 0, 30, 0, 0), ax('W', 0, 0, 1, 2)};
    EXPECT_EQ(positionLabels(p).kkn, ".0 S");
    EXPECT_EQ(positionLabels(p).kko, ".2 W");
}

TEST(ManualSpinners, DegreeSpinnerSignIsTheHemisphereExceptAtZero)
{
    struct Case {
        AxisPosition from;
        Axis axis;
        int index, value;
        AxisPosition to;
    } cases[] = {
        {ax('N', 1, 0, 0, 0), Axis::Latitude, 0, -1, ax('S', 1, 0, 0, 0)},
        {ax('S', 1, 0, 0, 0), Axis::Latitude, 0, 0, ax('S', 0, 0, 0, 0)},
        {ax('S', 0, 0, 0, 0), Axis::Latitude, 0, 5, ax('N', 5, 0, 0, 0)},
        {ax('N', 5, 0, 0, 0), Axis::Latitude, 0, 95, ax('N', 89, 0, 0, 0)},
        {ax('E', 5, 0, 0, 0), Axis::Longitude, 0, -179, ax('W', 179, 0, 0, 0)},
        {ax('E', 5, 0, 0, 0), Axis::Longitude, 3, 12, ax('E', 5, 0, 0, 9)},
        {ax('E', 5, 0, 0, 0), Axis::Longitude, 1, 59, ax('E', 5, 59, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(withSpinnerValue(c.from, c.axis, c.index, c.value)), show(c.to)) << c.value;
    EXPECT_EQ(spinnerValues(ax('W', 12, 3, 4, 5)), (std::array<int, 4>{-12, 3, 4, 5}));
    EXPECT_EQ(spinnerRange(Axis::Latitude, 0).minimum, -89);
    EXPECT_EQ(spinnerRange(Axis::Longitude, 0).maximum, 179);
}

TEST(ManualSeeding, TakesLastFixRoundedToTheNearestTenth)
{
    struct Case {
        const char* rmc;
        std::optional<ManualPosition> expected;
    } cases[] = {
        {"$GPRMC,143005,A,4806.1234,N,01138.5000,E,000.0,,061226,,E*00",
         ManualPosition{ax('N', 48, 6, 7, 4), ax('E', 11, 38, 30, 0)}},
        // 0.1249' is 7.494": rounds up where truncation would lose a tenth.
        {"$GPRMC,143005,A,4806.1249,S,01138.5000,W,000.0,,061226,,E",
         ManualPosition{ax('S', 48, 6, 7, 5), ax('W', 11, 38, 30, 0)}},
        {"$GPRMC,143005,A,4859.9999,N,17959.9999,E,,,061226,,", // carries up, clamped at the end
         ManualPosition{ax('N', 49, 0, 0, 0), ax('E', 179, 59, 59, 9)}},
        {"$GNRMC,123519.00,A,0000.0010,S,00000.5,W,22.4,84.4,230394,,*1A",
         ManualPosition{ax('S', 0, 0, 0, 1), ax('W', 0, 0, 30, 0)}},
        {"$GPRMC,143005,V,4806.1234,N,01138.5000,E,,,061226,,", std::nullopt},
        {"$GPRMC,143005,A,,,,,,,061226,,", std::nullopt},
        {"$GPRMC,143005,A,48X6.1234,N,01138.5000,E,,,061226,,", std::nullopt},
        {"$GPRMC,143005,A,4876.1234,N,01138.5000,E,,,061226,,", std::nullopt},
        {"$GPRMC,143005,A,4806.1234,X,01138.5000,E,,,061226,,", std::nullopt},
        {"$GPRMC,143005,A,04806.1234,N,01138.5000,E,,,061226,,", std::nullopt},
        {"$GPGGA,143005,4806.1234,N,01138.5000,E,1,12,1.5,550.0,M,46.8,M,,", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = positionFromRmc(QByteArrayView(c.rmc));
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.rmc;
        if (got) {
            EXPECT_EQ(show(got->lat), show(c.expected->lat)) << c.rmc;
            EXPECT_EQ(show(got->lon), show(c.expected->lon)) << c.rmc;
        }
    }
}

TEST(AutoPoint, CaptionsStepsAndTheStarRestore)
{
    AutoPointCaption a;
    struct Case {
        int index;
        const char* caption;
        int step;
    } cases[] = {{0, "-", 0}, {1, "10 m", 10}, {4, "100 m", 100}, {9, "5000 m", 5000}, {10, "5000 m", 5000}};
    for (const auto& c : cases) {
        a.setIndex(c.index);
        EXPECT_EQ(a.caption(), c.caption) << c.index;
        EXPECT_EQ(a.stepMetres(), c.step) << c.index;
    }
    a.setIndex(3);
    a.markFreshFile();
    EXPECT_EQ(a.caption(), "*");
    EXPECT_EQ(a.stepMetres(), 0);
    a.restore();
    EXPECT_EQ(a.caption(), "50 m");
    // Index 10 keeps the caption; a "*" there must still give way.
    a.markFreshFile();
    a.setIndex(10);
    EXPECT_EQ(a.caption(), "50 m");
    a.setIndex(0);
    a.markFreshFile();
    EXPECT_EQ(a.caption(), "-");

    a.setIndex(1);
    EXPECT_EQ(a.toolTip(true), "Auto-Point");
    EXPECT_EQ(a.toolTip(false), "Auto-Point 30 ft");
    a.setIndex(0);
    EXPECT_EQ(a.toolTip(true), "Auto-Point off");
    EXPECT_EQ(a.toolTip(false), "Auto-Point off");
}

TEST(ManualReadouts, AltitudeAndSpeedCaptions)
{
    EXPECT_EQ(altitudeCaption(550), "550 m NN");
    EXPECT_EQ(altitudeToolTip(550), "1805 ft");
    EXPECT_EQ(speedCaption(50), "50 km/h");
    EXPECT_EQ(speedToolTip(50), "31 mi");
}

} // namespace
