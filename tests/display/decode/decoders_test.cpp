#include "display/decode/decoders.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <clocale>
#include <cmath>

using namespace vur;

namespace {

DisplayState withSatellites()
{
    DisplayState s;
    decodeGga(SentenceFields(QByteArrayView("$GPGGA,120000,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*47")), s);
    return s;
}

void rmc(DisplayState& s, const char* sentence) { decodeRmc(SentenceFields(QByteArrayView(sentence)), s); }

} // namespace

TEST(Weekday, MatchesTheCalendar)
{
    struct Case {
        int day, month, year;
        const char* name;
    };
    const Case cases[] = {
        {6, 12, 2026, "SO"}, {31, 3, 2024, "SO"}, {29, 2, 2024, "DO"}, {1, 1, 2000, "SA"},
        {31, 12, 1999, "FR"}, {1, 1, 2024, "MO"}, {24, 10, 2011, "MO"}, {1, 3, 2100, "MO"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(weekdayName(weekdayNumber(c.day, c.month, c.year)), QString::fromLatin1(c.name))
            << c.day << "." << c.month << "." << c.year;
    EXPECT_EQ(weekdayName(0), QString());
    EXPECT_EQ(weekdayName(8), QString());
}

TEST(CentralEuropeanHour, FollowsTheSummerTimeSwitches)
{
    struct Case {
        int hour, day, month, year, local;
    };
    const Case cases[] = {
        {2, 31, 3, 2024, 3},   // switch Sunday before the change
        {3, 31, 3, 2024, 5},   // switch Sunday after the change
        {12, 30, 3, 2024, 13}, // Saturday before the switch: winter
        {1, 31, 3, 2025, 3},   // Monday after the 2025 switch: summer all day
        {12, 15, 6, 2024, 14},
        {1, 27, 10, 2024, 3},  // October switch Sunday, still summer
        {3, 27, 10, 2024, 4},  // October switch Sunday, winter
        {1, 28, 10, 2024, 2},  // Monday after: winter all day
        {12, 26, 10, 2024, 14},
        {23, 15, 7, 2024, 1},  // wraps past midnight
        {23, 15, 1, 2024, 0},
        {12, 6, 12, 2026, 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(centralEuropeanHour(c.hour, c.day, c.month, weekdayNumber(c.day, c.month, c.year)), c.local)
            << c.hour << "h " << c.day << "." << c.month << "." << c.year;
}

TEST(RmcDecoder, ShowsClockDateSpeedAndCourse)
{
    struct Case {
        const char* sentence;
        const char* uhr;
        const char* datum;
        const char* speed;
        const char* trt;
    };
    const Case cases[] = {
        {"$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,123.4,061226,,*00", "12:30", "SO 06.12.2026", "19", " 123 °"},
        {"$GPRMC,023000,A,4807.038,N,01131.000,E,0.0,0.0,310324,,*00", "3:30", "SO 31.03.2024", "0", " 0 °"},
        {"$GPRMC,030000,A,4807.038,N,01131.000,E,0.0,359.9,310324,,*00", "5:00", "SO 31.03.2024", "0", " 359 °"},
        {"$GPRMC,125106,V,3854.5087,N,07726.4523,W,0.0,,241011,10.5,W,S*28", "14:51", "MO 24.10.2011", "0", " 0 °"},
        {"$GPRMC,120000,A,,,,,1.5,-5.5,010199,,*00", "13:00", "FR 01.01.1999", "3", "-6 °"},
    };
    for (const Case& c : cases) {
        DisplayState s = withSatellites();
        rmc(s, c.sentence);
        EXPECT_EQ(s.uhr, QString::fromLatin1(c.uhr)) << c.sentence;
        EXPECT_EQ(s.datum, QString::fromLatin1(c.datum)) << c.sentence;
        EXPECT_EQ(s.speed, QString::fromLatin1(c.speed)) << c.sentence;
        EXPECT_EQ(s.trt, QString::fromUtf8(c.trt)) << c.sentence;
    }
}

TEST(RmcDecoder, LeavesTheDateFrom2300Utc)
{
    DisplayState s = withSatellites();
    rmc(s, "$GPRMC,225959,A,4807.038,N,01131.000,E,0,0,061226,,*00");
    rmc(s, "$GPRMC,231000,A,4807.038,N,01131.000,E,0,0,071226,,*00");
    EXPECT_EQ(s.datum, QStringLiteral("SO 06.12.2026"));
    EXPECT_EQ(s.uhr, QStringLiteral("0:10"));
}

TEST(RmcDecoder, KeepsPositionAndNeedleForTheLaterSteps)
{
    DisplayState s = withSatellites();
    rmc(s, "$GPRMC,120000,A,4807.0384,N,01131.0009,E,0,90.0,061226,,*00");
    EXPECT_DOUBLE_EQ(s.latSec, (48 * 60 + 7.038) * 60); // minutes beyond three decimals ignored
    EXPECT_DOUBLE_EQ(s.lonSec, (11 * 60 + 31.0) * 60);
    EXPECT_EQ(s.latMinText, QStringLiteral("2887.038"));
    EXPECT_NEAR(s.latDeg, 48.1173, 1e-4);
    EXPECT_EQ(s.hemispheres, QStringLiteral("NE"));
    EXPECT_EQ(s.latField, "4807.0384");
    EXPECT_EQ(s.courseInt, 90);
    // Course 90 points right (angle about 0), course 0 up (about pi/2).
    EXPECT_NEAR(std::cos(s.needleAngle), 1.0, 1e-3);
    EXPECT_NEAR(needleAngleFor(0), 360 * 3.1415 / 180 + 1.57 - 6.28, 1e-9); // wrapped once
    EXPECT_NEAR(needleAngleFor(180), 3.1415 + 1.57, 1e-9);
}

TEST(RmcDecoder, CourseOutsideSixteenBitsKeepsTheLastInteger)
{
    DisplayState s = withSatellites();
    rmc(s, "$GPRMC,120000,A,,,,,0,45,061226,,*00");
    rmc(s, "$GPRMC,120001,A,,,,,0,1E9,061226,,*00");
    EXPECT_EQ(s.courseInt, 45);
    EXPECT_EQ(s.trt, QStringLiteral(" 1000000000 °"));
}

TEST(GgaDecoder, SetsFixQualityAltitudeAndTheFaultSign)
{
    struct Case {
        const char* sentence;
        double used;
        const char* quality;
        const char* hoehe;
        bool fault;
    };
    const Case cases[] = {
        {"$GPGGA,1,,,,,1,08,,545.9,M*00", 8, "GPS ok", "545", false},
        {"$GPGGA,1,,,,,2,05,,-12.5,M*00", 5, "DIFF", "-13", false},
        {"$GPGGA,1,,,,,0,00,,545.4,M*00", 0, "no GPS", "", true},
        {"$GPGGA,1,,,,,8,10,,268.8,M*00", 10, "", "268", false}, // other quality values leave it
        // Quality 0 is no fix, though the receiver still counts its satellites.
        {"$GPGGA,1,,,,,0,08,,545.4,M*00", 8, "no GPS", "", true},
    };
    for (const Case& c : cases) {
        DisplayState s;
        decodeGga(SentenceFields(QByteArrayView(c.sentence)), s);
        EXPECT_EQ(s.satsUsed, c.used) << c.sentence;
        EXPECT_EQ(s.fixQuality, QString::fromLatin1(c.quality)) << c.sentence;
        EXPECT_EQ(s.hoehe, QString::fromLatin1(c.hoehe)) << c.sentence;
        EXPECT_EQ(s.gpsFault, c.fault) << c.sentence;
        EXPECT_EQ(acceptsRmc(s), !c.fault) << c.sentence;
    }
}

TEST(GgaDecoder, EmptyAltitudeLeavesTheAltitudeAsItWas)
{
    DisplayState s;
    decodeGga(SentenceFields(QByteArrayView("$GPGGA,1,,,,,1,08,,545.9,M*00")), s);
    EXPECT_TRUE(decodeGga(SentenceFields(QByteArrayView("$GPGGA,2,,,,,1,08,,,M*00")), s).altitudeRead);
    EXPECT_EQ(s.altitude, 545);
    EXPECT_EQ(s.hoehe, QStringLiteral("545"));
}

TEST(GgaDecoder, NoSatellitesEmptiesTheReadoutsAndGatesRmc)
{
    DisplayState s = withSatellites();
    rmc(s, "$GPRMC,120000,A,4807.038,N,01131.000,E,10.0,90,061226,,*00");
    ASSERT_FALSE(s.uhr.isEmpty());
    decodeGga(SentenceFields(QByteArrayView("$GPGGA,120001,,,,,0,00,,,M*00")), s);
    EXPECT_TRUE(s.uhr.isEmpty());
    EXPECT_TRUE(s.datum.isEmpty());
    EXPECT_TRUE(s.speed.isEmpty());
    EXPECT_TRUE(s.hoehe.isEmpty());
    EXPECT_EQ(s.trt, QStringLiteral(" 90 °")); // the course stays
    EXPECT_FALSE(acceptsRmc(s));
    // An RMC without a position carries no fix either, whatever the last GGA said.
    const DisplayState fixed = withSatellites();
    EXPECT_TRUE(decodesRmc(SentenceFields(QByteArrayView("$GPRMC,120000,A,4807.038,N,01131.000,E,0,0,061226,,*00")), fixed));
    EXPECT_FALSE(decodesRmc(SentenceFields(QByteArrayView("$GPRMC,120000,V,,,,,,,061226,,,N*00")), fixed));
    EXPECT_FALSE(decodesRmc(SentenceFields(QByteArrayView("$GPRMC,120000,A,4807.038,N,01131.000,E,0,0,061226,,*00")), s));
}

TEST(GsvDecoder, StoresSignalsOfSatellitesUpTo32)
{
    DisplayState s;
    decodeGsv(SentenceFields(QByteArrayView("$GPGSV,3,1,11,03,41,050,45,40,60,317,49,32,34,315,20,00,35,148,10*71")), s);
    EXPECT_EQ(s.satsInView, 11);
    EXPECT_DOUBLE_EQ(s.satSignal[3], 67.5);
    EXPECT_DOUBLE_EQ(s.satSignal[32], 30);
    EXPECT_DOUBLE_EQ(s.satSignal[0], 15);
    int stored = 0;
    for (double v : s.satSignal)
        stored += v > 0;
    EXPECT_EQ(stored, 3); // 40 is beyond the table
}

TEST(GsvDecoder, EmptySlotsRepeatThePreviousSatellite)
{
    DisplayState s;
    s.satSignal[7] = 99;
    decodeGsv(SentenceFields(QByteArrayView("$GPGSV,3,3,10,24,06,166,35,07,09,271,36,,,,,,,,*7D")), s);
    EXPECT_DOUBLE_EQ(s.satSignal[24], 52.5);
    EXPECT_DOUBLE_EQ(s.satSignal[7], 54); // repeated, not left at 99 or cleared
}

TEST(GsaDecoder, SetsFixModeStatusLineAndBars)
{
    DisplayState s = withSatellites();
    decodeGsv(SentenceFields(QByteArrayView("$GPGSV,1,1,09,05,1,1,40,02,1,1,20,,,,,,,,*00")), s);
    GsaOutcome out = decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,3,05,02,,,,,,,,,,,2,1,1*00")), s);
    EXPECT_EQ(s.fixMode, QStringLiteral("3D-NAV"));
    EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   8/9 Sat"));
    EXPECT_EQ(out.bars, (std::vector<double>{30, 60})); // ascending satellite number

    out = decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,,*00")), s);
    EXPECT_EQ(s.fixMode, QStringLiteral("3D-NAV")); // empty mode keeps the previous one
    EXPECT_EQ(out.bars, (std::vector<double>{30, 60})); // a second GSA of the epoch shows the same round
    // The next GSV begins a new round: the satellites of the last one are gone.
    decodeGsv(SentenceFields(QByteArrayView("$GPGSV,1,1,01,07,1,1,10*00")), s);
    out = decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,,*00")), s);
    EXPECT_EQ(out.bars, (std::vector<double>{15}));
    EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   8/1 Sat"));
    decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,1*00")), s);
    EXPECT_EQ(s.fixMode, QStringLiteral("no Fix"));
    decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,2*00")), s);
    EXPECT_EQ(s.fixMode, QStringLiteral("2D-NAV"));
}

TEST(GsaDecoder, NoGpsCountsNoSatellitesInView)
{
    DisplayState s;
    decodeGga(SentenceFields(QByteArrayView("$GPGGA,1,,,,,0,00,,,M*00")), s);
    decodeGsv(SentenceFields(QByteArrayView("$GPGSV,1,1,07*00")), s);
    decodeGsa(SentenceFields(QByteArrayView("$GPGSA,A,1*00")), s);
    EXPECT_EQ(s.gpsl, QStringLiteral("no GPS   no Fix   0/0 Sat"));
}

TEST(Decoders, ReadNumbersWithAPointUnderAGermanLocale)
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DisplayState s = withSatellites();
    rmc(s, "$GPRMC,120000,A,4807.5,N,01131.25,E,10.5,12.5,061226,,*00");
    EXPECT_EQ(s.speed, QStringLiteral("19"));
    EXPECT_EQ(s.latMinText, QStringLiteral("2887.5"));
    EXPECT_EQ(s.hoehe, QStringLiteral("545"));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Decoders, GarbageFieldsNeverThrowAndGiveZeroOrKeepValues)
{
    const char* inputs[] = {"$GPRMC", "$GPRMC,", "$GPRMC,,,,,,,,,,,,,,*", "$GPRMC,ab,cd,ef,gh,ij,kl,mn,op,qr*zz",
                            "$GPGSV,-5,-5,-5,-5,-5,-5,-5*00", "$GPGSV,1,1,1,1e300,1,1,1e308*00",
                            "$GPGGA,,,,,,1,1e308,,1e308*00"};
    for (const char* in : inputs) {
        DisplayState s = withSatellites();
        const SentenceFields f{QByteArrayView(in)};
        decodeRmc(f, s);
        decodeGsv(f, s);
        decodeGsa(f, s);
        decodeGga(f, s);
        SUCCEED() << in;
    }
}
