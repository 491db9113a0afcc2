#include "common/nmea.h"
#include "sim/manual/manual_composer.h"
#include "sim/geometry/track_geometry.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTimeZone>

#include <clocale>

using namespace zelvan;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

const QDateTime kNoon = utc(2026, 12, 6, 14, 30, 5);

QByteArray framed(const char* body) { return zv::frameSentence(QByteArrayView(body)); }

ManualState freshState(const ManualPosition& p = designPosition())
{
    ManualState s;
    s.position = p;
    enterManualMode(s, QByteArrayView(), kNoon);
    startManualRun(s);
    return s;
}

AxisPosition ax(char hemi, int d, int m, int sec, int t)
{
    return AxisPosition{hemi == 'S' || hemi == 'W', d, m, sec, t};
}

TEST(ManualSentences, FirstTickAtTheDesignPosition)
{
    ManualState s = freshState();
    const ManualTickOutput out = composeManualSentences(s, {}, kNoon);
    ASSERT_EQ(out.sentences.size(), 3);
    EXPECT_EQ(out.sentences[0], framed("GPRMC,143005,A,4805.7450,N,01138.1950,E,000.0,,061226,,E"));
    EXPECT_EQ(out.sentences[1], framed("GPGGA,143005,4805.7450,N,01138.1950,E,1,12,1.5,550.0,M,46.8,M,,"));
    // No reference existed before this tick: no course, in VTG either.
    EXPECT_EQ(out.sentences[2], framed("GPVTG,,T,,,0,N,0,K"));
    EXPECT_TRUE(out.referenceTaken);
    EXPECT_FALSE(out.compass.has_value());
    EXPECT_FALSE(out.readout.has_value());
    EXPECT_EQ(s.lastRmc, out.sentences[0]);
    EXPECT_EQ(s.lastGga, out.sentences[1]);
    EXPECT_TRUE(s.tickedThisRun);
}

TEST(ManualSentences, OneClockReadingAtMidnightAndNoDecimalComma)
{
    ManualState s = freshState();
    const auto out = composeManualSentences(s, {}, utc(2026, 12, 31, 23, 59, 59, 999));
    EXPECT_EQ(out.sentences[0], framed("GPRMC,235959,A,4805.7450,N,01138.1950,E,000.0,,311226,,E"));
    EXPECT_EQ(out.sentences[1], framed("GPGGA,235959,4805.7450,N,01138.1950,E,1,12,1.5,550.0,M,46.8,M,,"));

    // The same under a German locale, process-wide and Qt's default.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 is not installed";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ManualState g = freshState();
    g.altitudeM = 1234;
    const auto first = composeManualSentences(g, {.metricUnits = true}, utc(2026, 12, 31, 23, 59, 59, 999));
    g.position.lat.minutes += 1;
    const auto second = composeManualSentences(g, {.metricUnits = false}, utc(2027, 1, 1, 0, 0, 0));
    std::setlocale(LC_ALL, saved.c_str());
    QLocale::setDefault(QLocale::c());

    EXPECT_EQ(first.sentences[0], out.sentences[0]);
    EXPECT_EQ(first.sentences[1], framed("GPGGA,235959,4805.7450,N,01138.1950,E,1,12,1.5,1234.0,M,46.8,M,,"));
    EXPECT_EQ(second.sentences[0], framed("GPRMC,000000,A,4806.7450,N,01138.1950,E,000.0,000.0,010127,,E"));
    ASSERT_TRUE(second.readout.has_value());
    EXPECT_EQ(second.readout->distL, "1"); // 1855 m
    EXPECT_EQ(second.readout->label6, "mi ->");
}

TEST(ManualSentences, MinuteFractionsFromSecondsAndTenths)
{
    struct Case {
        int seconds, tenths, fraction;
    } cases[] = {{44, 7, 7450}, {11, 7, 1950}, {59, 9, 9983}, {0, 1, 17}, {0, 2, 33}, {0, 0, 0}, {30, 0, 5000}};
    for (const auto& c : cases)
        EXPECT_EQ(minuteFraction(c.seconds, c.tenths), c.fraction) << c.seconds << "." << c.tenths;
}

TEST(ManualSentences, NudgeMovesTheOtherAxisForOneTick)
{
    struct Case {
        int flags;
        const char* lat;
        const char* lon;
    } cases[] = {{2, "4805.7451", "01138.1950"}, {1, "4805.7450", "01138.1951"}, {3, "4805.7450", "01138.1950"}};
    for (const auto& c : cases) {
        ManualState s = freshState();
        composeManualSentences(s, {}, kNoon);
        s.nudgeFlags = c.flags;
        auto out = composeManualSentences(s, {}, kNoon);
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 3), c.lat) << c.flags;
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 5), c.lon) << c.flags;
        EXPECT_EQ(zv::sentenceField(out.sentences[1], 2), c.lat) << "GGA " << c.flags;
        EXPECT_EQ(s.nudgeFlags, 0);
        out = composeManualSentences(s, {}, kNoon);
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 3), "4805.7450") << c.flags;
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 5), "01138.1950") << c.flags;
    }
}

TEST(ManualSentences, CourseInAllFourQuadrants)
{
    // Two minutes toward north and one toward east from 10° and 20° in each
    // quadrant: the correction of the unsigned minutes gives about 26°.
    struct Case {
        char ns, ew;
        int course;
    } cases[] = {{'N', 'E', 26}, {'N', 'W', 27}, {'S', 'E', 27}, {'S', 'W', 26}};
    for (const auto& c : cases) {
        ManualState s = freshState({ax(c.ns, 10, 0, 0, 0), ax(c.ew, 20, 0, 0, 0)});
        composeManualSentences(s, {}, kNoon);
        s.position.lat = c.ns == 'N' ? ax('N', 10, 2, 0, 0) : ax('S', 9, 58, 0, 0);
        s.position.lon = c.ew == 'E' ? ax('E', 20, 1, 0, 0) : ax('W', 19, 59, 0, 0);
        const auto out = composeManualSentences(s, {}, kNoon);
        EXPECT_EQ(s.distanceM, 4135) << c.ns << c.ew;
        EXPECT_EQ(s.courseDeg, c.course) << c.ns << c.ew;
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 8), QByteArray::number(c.course).rightJustified(3, '0') + ".0");
        EXPECT_EQ(zv::sentenceField(out.sentences[2], 1), QByteArray::number(c.course).rightJustified(3, '0'));
        ASSERT_TRUE(out.compass.has_value());
        EXPECT_EQ(out.compass->needleWidth, 3);
        EXPECT_EQ(out.compass->value, c.course + 90);
    }
}

TEST(ManualSentences, DueNorthInTheWestReads360)
{
    ManualState s = freshState({ax('N', 10, 0, 0, 0), ax('W', 20, 0, 0, 0)});
    composeManualSentences(s, {}, kNoon);
    s.position.lat.minutes = 1;
    const auto out = composeManualSentences(s, {}, kNoon);
    EXPECT_EQ(zv::sentenceField(out.sentences[0], 8), "360.0");
    EXPECT_EQ(out.compass->value, 90);
}

TEST(ManualSentences, CrossingTheEquatorOrMeridianMeasuresTheRealWay)
{
    struct Case {
        ManualPosition from, to;
        int distance, course;
    } cases[] = {
        {{ax('N', 0, 0, 30, 0), ax('E', 10, 0, 0, 0)}, {ax('S', 0, 0, 30, 0), ax('E', 10, 0, 0, 0)}, 1855, 180},
        {{ax('S', 0, 0, 30, 0), ax('W', 10, 0, 0, 0)}, {ax('N', 0, 0, 30, 0), ax('W', 10, 0, 0, 0)}, 1855, 0},
        {{ax('N', 48, 0, 0, 0), ax('E', 0, 0, 30, 0)}, {ax('N', 48, 0, 0, 0), ax('W', 0, 0, 30, 0)}, 1241, 270},
        {{ax('N', 48, 0, 0, 0), ax('W', 0, 0, 30, 0)}, {ax('N', 48, 0, 0, 0), ax('E', 0, 0, 30, 0)}, 1241, 90},
        // Across 180 degrees the short way round, as across Greenwich.
        {{ax('N', 48, 0, 0, 0), ax('E', 179, 59, 30, 0)}, {ax('N', 48, 0, 0, 0), ax('W', 179, 59, 30, 0)}, 1241, 90},
        {{ax('S', 48, 0, 0, 0), ax('W', 179, 59, 30, 0)}, {ax('S', 48, 0, 0, 0), ax('E', 179, 59, 30, 0)}, 1241, 270},
    };
    for (const auto& c : cases) {
        ManualState s = freshState(c.from);
        composeManualSentences(s, {}, kNoon);
        s.position = c.to;
        composeManualSentences(s, {}, kNoon);
        EXPECT_EQ(s.distanceM, c.distance) << c.course;
        EXPECT_EQ(s.courseDeg, c.course) << c.course;
    }
}

TEST(ManualSentences, ReferenceOnTheEquatorIsKept)
{
    ManualState s = freshState({ax('N', 0, 0, 0, 0), ax('E', 10, 0, 0, 0)});
    EXPECT_TRUE(composeManualSentences(s, {}, kNoon).referenceTaken);
    const auto out = composeManualSentences(s, {}, kNoon);
    EXPECT_FALSE(out.referenceTaken);
    ASSERT_TRUE(out.compass.has_value());
    EXPECT_EQ(out.compass->needleWidth, 50);
    EXPECT_FALSE(out.compass->value.has_value());
    EXPECT_EQ(out.readout->distL, "0");
    EXPECT_EQ(out.readout->label6, "m ->");
}

TEST(ManualSentences, StandingOnTheReferenceRepeatsTheLastCourse)
{
    ManualState s = freshState({ax('N', 10, 0, 0, 0), ax('W', 20, 0, 0, 0)});
    composeManualSentences(s, {}, kNoon);
    s.position.lat = ax('N', 10, 2, 0, 0);
    s.position.lon = ax('W', 20, 1, 0, 0); // north-north-west
    auto out = composeManualSentences(s, {}, kNoon);
    const int course = s.courseDeg;
    EXPECT_EQ(course, 334);
    s.reference = s.current; // as a recorded point does
    for (int i = 0; i < 2; ++i) {
        out = composeManualSentences(s, {}, kNoon);
        EXPECT_EQ(zv::sentenceField(out.sentences[0], 8), "") << "RMC has no course on the reference point";
        EXPECT_EQ(zv::sentenceField(out.sentences[2], 1), "334");
        EXPECT_EQ(out.compass->needleWidth, 50);
        EXPECT_EQ(s.lastDistanceM, 0);
    }
}

TEST(ManualSentences, DisabledSentencesAreStillKept)
{
    ManualState s = freshState();
    s.lastGga = "$GPGGA,stale*00";
    const auto out = composeManualSentences(s, {.rmc = false, .gga = false, .vtg = true}, kNoon);
    ASSERT_EQ(out.sentences.size(), 1);
    EXPECT_TRUE(out.sentences[0].startsWith("$GPVTG"));
    EXPECT_EQ(s.lastRmc, framed("GPRMC,143005,A,4805.7450,N,01138.1950,E,000.0,,061226,,E"));
    EXPECT_EQ(s.lastGga, framed("GPGGA,143005,4805.7450,N,01138.1950,E,1,12,1.5,550.0,M,46.8,M,,"));
}

TEST(ManualSentences, DistanceReadoutInBothUnitSystems)
{
    struct Case {
        int metres;
        bool metric;
        const char* text;
        const char* unit;
    } cases[] = {
        {999, true, "999", "m ->"},   {1000, true, "1", "km ->"},  {2999, true, "2", "km ->"},
        {999, false, "3277", "ft ->"}, {1000, false, "1", "mi ->"}, {0, false, "0", "ft ->"},
        {2413, false, "1", "mi ->"},
    };
    for (const auto& c : cases) {
        const DistanceReadout r = manualDistanceReadout(c.metres, c.metric);
        EXPECT_EQ(r.distL, c.text) << c.metres << c.metric;
        EXPECT_EQ(r.label6, c.unit) << c.metres << c.metric;
    }
}

TEST(DistanceAndCourse, AxesAndQuadrants)
{
    struct Case {
        double lat1, lat2, lon1, lon2;
        int distance;
        std::optional<int> course;
    } cases[] = {
        {0, 1, 0, 0, 1855, 0},     {0, 0, 0, 1, 1855, 90},     {1, 0, 0, 0, 1855, 180},
        {0, 0, 1, 0, 1855, 270},   {600, 602, 1200, 1201, 4135, 26},
        {600, 598, 1200, 1201, 4135, 153}, {600, 598, 1200, 1199, 4135, 206},
        {600, 602, 1200, 1199, 4135, 333}, {600, 600, 1200, 1200, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const DistanceAndCourse r = distanceAndCourse(c.lat1, c.lat2, c.lon1, c.lon2);
        EXPECT_EQ(r.distanceM, c.distance) << c.lat2 << "," << c.lon2;
        EXPECT_EQ(r.courseDeg, c.course) << c.lat2 << "," << c.lon2;
    }
}

TEST(ManualComposerClock, ReadsTheInjectedClockOncePerTick)
{
    ManualState s = freshState();
    int reads = 0;
    ClockedManualComposer composer(s, [&reads] {
        ++reads;
        return QDateTime(QDate(2026, 12, 6), QTime(15, 30, 5), Qt::OffsetFromUTC, 3600);
    });
    const auto out = composer.compose({});
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(zv::sentenceField(out.sentences[0], 1), "143005") << "universal time";
}

} // namespace
