#include "display/targets/target_geometry.h"

#include <gtest/gtest.h>

using vur::Position;

namespace {

// Degrees and minutes to signed arc-seconds.
double sec(int deg, double min, char hemi)
{
    const double s = deg * 3600.0 + min * 60.0;
    return (hemi == 'S' || hemi == 'W') ? -s : s;
}

} // namespace

TEST(TargetCompass, LettersFollowTheSectors)
{
    const struct {
        double bearing;
        const char* letters;
    } cases[] = {
        {0, "N"}, {22, "N"}, {23, "NO"}, {68, "NO"}, {69, "O"}, {112, "O"}, {113, "SO"},
        {160, "SO"}, {168, "SO"}, {170, "S"}, {202, "S"}, {203, "SW"}, {248, "SW"}, {249, "W"},
        {292, "W"}, {293, "NW"}, {338, "NW"}, {339, "N"}, {359, "N"}, {22.5, "NO"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vur::compassLetters(c.bearing), QString::fromLatin1(c.letters)) << c.bearing;
}

TEST(TargetDistance, TextsByMagnitude)
{
    const struct {
        int metres;
        const char* text;
    } cases[] = {
        {0, " 0 m"}, {85, " 85 m"}, {99, " 99 m"}, {100, "100 m"}, {456, "450 m"}, {999, "990 m"},
        {1000, " 1.00 km"}, {4567, " 4.56 km"}, {9999, " 9.99 km"}, {10000, " 10 km"}, {12345, " 12 km"},
        {123456, " 123 km"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vur::targetDistanceText(c.metres), QString::fromLatin1(c.text)) << c.metres;
}

TEST(TargetBearing, FromMetreOffsets)
{
    const struct {
        int dy;
        double dx;
        std::optional<int> bearing;
    } cases[] = {
        {100, 0, 0}, {0, 100, 90}, {-100, 0, 180}, {0, -100, 270}, {0, 0, std::nullopt},
        {100, 100, 45}, {-100, 100, 135}, {-100, -100, 225}, {100, -100, 315},
        {1000, 1, 0}, {-1, 1000, 90}, {1, -1000, 270},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vur::bearingOf(c.dy, c.dx), c.bearing) << c.dy << "," << c.dx;
}

TEST(TargetWay, AllQuadrantsEquatorAndPrimeMeridian)
{
    const struct {
        const char* what;
        Position current;
        Position target;
        int bearingLow, bearingHigh; // floor bearing within
        int distanceLow, distanceHigh;
    } cases[] = {
        // Due north at 48 N stays due north (the cosine of the current latitude on both).
        {"north at 48N", {sec(48, 0, 'N'), sec(11, 0, 'E')}, {sec(48, 1, 'N'), sec(11, 0, 'E')}, 0, 0, 1856, 1857},
        {"west at 48N", {sec(48, 0, 'N'), sec(11, 1, 'E')}, {sec(48, 0, 'N'), sec(11, 0, 'E')}, 270, 270, 1240, 1242},
        {"NE", {sec(48, 0, 'N'), sec(11, 0, 'E')}, {sec(48, 1, 'N'), sec(11, 1.5, 'E')}, 45, 45, 2628, 2631},
        {"SE", {sec(48, 0, 'N'), sec(11, 0, 'E')}, {sec(47, 59, 'N'), sec(11, 1.5, 'E')}, 134, 134, 2628, 2631},
        {"SW", {sec(48, 0, 'N'), sec(11, 0, 'E')}, {sec(47, 59, 'N'), sec(10, 58.5, 'E')}, 225, 225, 2628, 2631},
        {"NW", {sec(48, 0, 'N'), sec(11, 0, 'E')}, {sec(48, 1, 'N'), sec(10, 58.5, 'E')}, 314, 314, 2628, 2631},
        // Across the equator: from half a minute south to half a minute north.
        {"equator north", {sec(0, 0.5, 'S'), sec(30, 0, 'E')}, {sec(0, 0.5, 'N'), sec(30, 0, 'E')}, 0, 0, 1856, 1857},
        {"equator south", {sec(0, 0.5, 'N'), sec(30, 0, 'W')}, {sec(0, 0.5, 'S'), sec(30, 0, 'W')}, 180, 180, 1857, 1857},
        // Across the prime meridian, at the equator.
        {"meridian east", {sec(0, 0, 'N'), sec(0, 0.5, 'W')}, {sec(0, 0, 'N'), sec(0, 0.5, 'E')}, 90, 90, 1854, 1855},
        {"meridian west", {sec(51, 28, 'N'), sec(0, 0.5, 'E')}, {sec(51, 28, 'N'), sec(0, 0.5, 'W')}, 270, 270, 1150, 1160},
        // Across 180 degrees the short way round.
        {"date line east", {sec(0, 0, 'N'), sec(179, 59.5, 'E')}, {sec(0, 0, 'N'), sec(179, 59.5, 'W')}, 90, 90, 1854, 1855},
        // Southern and western quadrants are not mirrored.
        {"33S 70W NE", {sec(33, 0, 'S'), sec(70, 0, 'W')}, {sec(32, 59, 'S'), sec(69, 58.8, 'W')}, 45, 45, 2600, 2700},
        {"33S 70W SW", {sec(33, 0, 'S'), sec(70, 0, 'W')}, {sec(33, 1, 'S'), sec(70, 1.2, 'W')}, 225, 225, 2600, 2700},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const vur::OwnTargetWay w = vur::ownTargetWay(c.target, c.current);
        ASSERT_TRUE(w.bearing);
        EXPECT_GE(*w.bearing, c.bearingLow);
        EXPECT_LE(*w.bearing, c.bearingHigh);
        EXPECT_GE(w.distance, c.distanceLow);
        EXPECT_LE(w.distance, c.distanceHigh);
    }
}

TEST(TargetWay, SamePositionHasNoBearing)
{
    const Position p{sec(48, 0, 'N'), sec(11, 0, 'E')};
    const vur::OwnTargetWay w = vur::ownTargetWay(p, p);
    EXPECT_EQ(w.distance, 0);
    EXPECT_FALSE(w.bearing);
}

TEST(TargetLine, PositionWithHemispheres)
{
    const QString line = QStringLiteral("HOME   48\u00b005'44.7\"N 011\u00b034'12.3\"E");
    ASSERT_EQ(line.size(), 33);
    const Position p = vur::targetLinePosition(line);
    EXPECT_NEAR(p.latSec, 48 * 3600 + 5 * 60 + 44.7, 1e-9);
    EXPECT_NEAR(p.lonSec, 11 * 3600 + 34 * 60 + 12.3, 1e-9);
    const Position q = vur::targetLinePosition(QStringLiteral("SANTI  33\u00b027'00.0\"S 070\u00b040'00.0\"W"));
    EXPECT_NEAR(q.latSec, -(33 * 3600 + 27 * 60), 1e-9);
    EXPECT_NEAR(q.lonSec, -(70 * 3600 + 40 * 60), 1e-9);
    EXPECT_EQ(vur::targetLinePosition(QString()), Position{});
}

TEST(TargetArrow, RelativeAngleAndOutline)
{
    EXPECT_EQ(vur::relativeToCourse(0, 90), 270);   // course 90, bearing 0: arrow points left
    EXPECT_EQ(vur::relativeToCourse(350, 10), 340);
    EXPECT_EQ(vur::relativeToCourse(10, 350), 20);
    EXPECT_EQ(vur::receiverRelative(10, 20.5), 349.5);
    const auto up = vur::arrowOutline(0);
    ASSERT_EQ(up.size(), 5);
    EXPECT_EQ(up[1], QPoint(500, 200));   // tip straight up
    EXPECT_EQ(up[0], up[4]);              // closed
    EXPECT_GT(up[3].y(), 500);            // tail below the centre
    const auto left = vur::arrowOutline(270);
    EXPECT_LE(std::abs(left[1].x() - 200), 1);
    EXPECT_LE(std::abs(left[1].y() - 500), 1);
}
