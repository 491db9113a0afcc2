#include "sim/replay/pacing.h"
#include "sim/replay/replay_core.h"

#include "common/nmea.h"

#include <gtest/gtest.h>

using namespace zelvan;

TEST(DistanceAndCourse, AxisAndQuadrantExamples)
{
    struct Case {
        double lat1, lat2, lon1, lon2;
        double distance;
        int course;
        bool hasCourse;
    } cases[] = {
        {0, 1, 0, 0, 1855, 0, true},
        {0, 0, 0, 1, 1855, 90, true},
        {1, 0, 0, 0, 1855, 180, true},
        {0, 0, 1, 0, 1855, 270, true},
        {0, 1, 0, 1, 2623, 44, true},      // NE: easting a hair short of northing, cut down
        {1, 0, 0, 1, 2623, 135, true},     // SE: atan(1) + 90
        {1, 0, 1, 0, 2623, 224, true},     // SW
        {0, 1, 1, 0, 2623, 315, true},     // NW
        {2880, 2880, 600, 600, 0, 0, false}, // same point: no course
    };
    for (const Case& c : cases) {
        const DistanceAndCourse r = distanceAndCourse(c.lat1, c.lat2, c.lon1, c.lon2);
        EXPECT_EQ(r.distanceM, c.distance) << c.lat1 << "," << c.lat2 << "," << c.lon1 << "," << c.lon2;
        EXPECT_EQ(r.courseDeg.has_value(), c.hasCourse);
        if (c.hasCourse) {
            EXPECT_EQ(r.courseDeg, c.course) << c.lat1 << "," << c.lat2 << "," << c.lon1 << "," << c.lon2;
        }
    }
}

TEST(DistanceAndCourse, ShrinksEastingWithLatitude)
{
    // One minute of longitude at 60 degrees north is half of 1855 m.
    const DistanceAndCourse r = distanceAndCourse(3600, 3600, 0, 1);
    EXPECT_EQ(r.distanceM, 928);
    EXPECT_EQ(r.courseDeg, 90);
}

TEST(SelectLogLine, TableOfSentenceTypes)
{
    DataSelection all;
    all.fill(true);
    DataSelection none{};
    struct Case {
        const char* line;
        LogLineKind kind;
        int box; // -1: never passed
    } cases[] = {
        {"$GPGGA,1*00", LogLineKind::Gga, DataGga},
        {"$GPVTG,1*00", LogLineKind::Vtg, DataVtg},
        {"$GPRMB,1*00", LogLineKind::Rmb, DataRmb},
        {"$GPGSA,1*00", LogLineKind::Gsa, DataGsa},
        {"$GPGSV,1*00", LogLineKind::Gsv, DataGsv},
        {"$PGRMM,x*00", LogLineKind::Pgrmm, DataOth},
        {"$GPTXT,01,01,02,ANTSTATUS=OK*3B", LogLineKind::Txt, DataOth},
        {"$PHSMI,1*00", LogLineKind::Phsmi, -1},
        {"$GPGLL,1*00", LogLineKind::OtherTalker, DataOth},
        {"$PGRME,15.0,M*1A", LogLineKind::OtherTalker, DataOth},
        // Other talkers are recognised the same way.
        {"$GNGGA,1*00", LogLineKind::Gga, DataGga},
        {"$INGGA,1*00", LogLineKind::Gga, DataGga},
        {"$GNVTG,1*00", LogLineKind::Vtg, DataVtg},
        {"$GNRMB,1*00", LogLineKind::Rmb, DataRmb},
        {"$GNGSA,A,3*00", LogLineKind::Gsa, DataGsa},
        {"$BDGSA,A,3*00", LogLineKind::Gsa, DataGsa},
        {"$GLGSV,3,1*00", LogLineKind::Gsv, DataGsv},
        {"$GAGSV,1,1*00", LogLineKind::Gsv, DataGsv},
        {"$GBGSV,1,1*00", LogLineKind::Gsv, DataGsv},
        {"$GNTXT,01,01,02,ANTSTATUS=OK*25", LogLineKind::Txt, DataOth},
        {"$GNGLL,1*00", LogLineKind::OtherTalker, DataOth},
        {"$GNGNS,1*00", LogLineKind::OtherTalker, DataOth},
        {"$INDPT,2.0,0.0*00", LogLineKind::OtherTalker, DataOth},
        {"$BDGBS,1*00", LogLineKind::OtherTalker, DataOth},
        {"$PQGSV,1,1*00", LogLineKind::OtherTalker, DataOth}, // a maker's own, not a GSV
        {"$ingga,1*00", LogLineKind::Junk, -1},
        {"!AIVDM,1,1*00", LogLineKind::Junk, -1},
        {"# comment", LogLineKind::Junk, -1},
        {"", LogLineKind::Junk, -1},
        {" $GNRMC", LogLineKind::Junk, -1},
        // What reaches the selection never opens an epoch: an RMC garbled
        // before its fields is no sentence to pass on, nor is a line too long.
        {"$GPRMC,hhmmss.ss,A,llll.ll,a*05", LogLineKind::Junk, -1},
        {"$GPRMCtion* Centreville, VA", LogLineKind::Junk, -1},
        {"$G", LogLineKind::OtherTalker, DataOth},
    };
    for (const Case& c : cases) {
        const LogLineChoice withAll = selectLogLine(c.line, all, false, {});
        EXPECT_EQ(withAll.kind, c.kind) << c.line;
        EXPECT_EQ(withAll.passOn, c.box >= 0) << c.line;
        EXPECT_EQ(withAll.out, QByteArray(c.line)) << c.line;
        EXPECT_FALSE(selectLogLine(c.line, none, false, {}).passOn) << c.line;
        if (c.box >= 0) {
            DataSelection only{};
            only[c.box] = true;
            EXPECT_TRUE(selectLogLine(c.line, only, false, {}).passOn) << c.line;
        }
    }
}

TEST(SelectLogLine, NeverPassesOverlongLines)
{
    DataSelection all;
    all.fill(true);
    const QByteArray huge = "$GPGSV," + QByteArray(100 * 1024, 'A');
    EXPECT_FALSE(selectLogLine(huge, all, false, {}).passOn);
}

TEST(PassThrough, AlignsGgaToEpochRmc)
{
    const QByteArray line = zv::frameSentence("GPGGA,123520,4807.040,N,01131.002,E,1,08,0.9,545.4,M,46.9,M,,");
    const QByteArray out = alignGga(line, "123519,4807.038,N,01131.000,E");
    EXPECT_EQ(out, zv::frameSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    EXPECT_TRUE(zv::hasValidChecksum(out));
    DataSelection all;
    all.fill(true);
    EXPECT_EQ(selectLogLine(line, all, true, "123519,4807.038,N,01131.000,E").out, out);
    // Without an epoch position yet, or with Equ cleared, the line goes out as read.
    EXPECT_EQ(selectLogLine(line, all, true, {}).out, line);
    EXPECT_EQ(selectLogLine(line, all, false, "123519,4807.038,N,01131.000,E").out, line);
}

TEST(PassThrough, AlignsGllPositionKeepingItsTime)
{
    const QByteArray line = "$GPGLL,4023.8600,N,00339.1630,W,214350,V,S*57";
    const QByteArray out = alignGll(line, "214352,4023.8660,N,00339.1630,W");
    EXPECT_EQ(out, zv::frameSentence("GPGLL,4023.8660,N,00339.1630,W,214350,V,S"));
}

TEST(PassThrough, AlignsGgaAndGllOfOtherTalkersKeepingTheirTalker)
{
    DataSelection all;
    all.fill(true);
    // From the u-blox NEO-M8N log: an epoch's RMC, and the GGA and GLL of its neighbours.
    const QByteArray rmc = "$GNRMC,171927.00,A,4404.14058,N,12118.85475,W,0.084,,180315,,,A*79";
    const QByteArray pos = epochTimePosOf(rmc);
    EXPECT_EQ(pos, "171927.00,4404.14058,N,12118.85475,W");
    struct Case {
        const char* line;
        const char* aligned; // body
    } cases[] = {
        {"$GNGGA,171926.00,4404.14063,N,12118.85478,W,1,12,0.91,1147.2,M,-21.3,M,,*44",
         "GNGGA,171927.00,4404.14058,N,12118.85475,W,1,12,0.91,1147.2,M,-21.3,M,,"},
        {"$GNGLL,4404.14063,N,12118.85478,W,171926.00,A,A*66", "GNGLL,4404.14058,N,12118.85475,W,171926.00,A,A"},
        {"$GLGLL,4404.14063,N,12118.85478,W,171926.00,A,A*00", "GLGLL,4404.14058,N,12118.85475,W,171926.00,A,A"},
        {"$BDGGA,171926.00,4404.14063,N,12118.85478,W,1,12,0.91,1147.2,M,-21.3,M,,*00",
         "BDGGA,171927.00,4404.14058,N,12118.85475,W,1,12,0.91,1147.2,M,-21.3,M,,"},
    };
    for (const Case& c : cases) {
        const LogLineChoice choice = selectLogLine(c.line, all, true, pos);
        EXPECT_TRUE(choice.passOn) << c.line;
        EXPECT_EQ(choice.out, zv::frameSentence(c.aligned)) << c.line;
        // Equ cleared: unchanged.
        EXPECT_EQ(selectLogLine(c.line, all, false, pos).out, QByteArray(c.line)) << c.line;
    }
    // A maker's own sentence that looks like a GLL is never rewritten.
    const QByteArray pgll = "$PXGLL,4404.14063,N,12118.85478,W,171926.00,A,A*00";
    EXPECT_EQ(selectLogLine(pgll, all, true, pos).out, pgll);
}

TEST(PassThrough, AlignmentLeavesShortAndUnterminatedLinesSafe)
{
    const char* lines[] = {"$GPGGA", "$GPGGA,1,2", "$GPGGA,1,2,3,4,5,6,7", "$GPGLL,,,,", "$GPGLL,1,2,3,4,5,6"};
    for (const char* l : lines) {
        const QByteArray a = alignGga(l, "1,2,N,3,E");
        const QByteArray b = alignGll(l, "1,2,N,3,E");
        EXPECT_FALSE(a.isEmpty()) << l;
        EXPECT_FALSE(b.isEmpty()) << l;
    }
    // A GGA cut before its checksum is still aligned and framed.
    EXPECT_EQ(alignGga("$GPGGA,1,2,N,3,E,1,08", "9,8,S,7,W"), zv::frameSentence("GPGGA,9,8,S,7,W,1,08"));
    // Commas after the "*" are no fields: such a line is left as it is,
    // never framed with the old "*" inside.
    EXPECT_EQ(alignGll("$GNGLL*6,78,04,176,19,82,25", "9,8,S,7,W"), "$GNGLL*6,78,04,176,19,82,25");
    EXPECT_EQ(alignGga("$GPGGA,1,2*N,3,E,1,08", "9,8,S,7,W"), "$GPGGA,1,2*N,3,E,1,08");
}

TEST(PassThrough, EpochTimePosFromRmc)
{
    struct Case {
        const char* rmc;
        const char* expected;
    } cases[] = {
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", "123519,4807.038,N,01131.000,E"},
        {"$GPRMC,222507.00,A,4249.96542,S,14726.73195,E,0.0,,100207,,,A*4C",
         "222507.00,4249.96542,S,14726.73195,E"},
        {"xx$GPRMC,1,A,2,N,3,E,4*00", "1,2,N,3,E"},
        {"$GPRMC,", ""},
        {"$GPRMC,12", ""},
        {"$GPRMC,,V,,,,,,,,,,N", ",,,,"},
        {"$GPRMC,235955.00,V,0000.0000,,,N*44", "235955.00,0000.0000,,,N"},
        {"$GPRMCtion* Centreville, VA, 38.90684N, 77.440E", ""}, // no fields before the "*"
    };
    for (const Case& c : cases)
        EXPECT_EQ(epochTimePosOf(c.rmc), QByteArray(c.expected)) << c.rmc;
}

TEST(PassThrough, RmcOfAnyTalkerGivesFieldsClockAndEpochPosition)
{
    const QByteArray rmc = "xx$BDRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00";
    EXPECT_EQ(rmcStart(rmc), 2);
    EXPECT_EQ(rmcField(rmc, 7), "022.4");
    EXPECT_EQ(rmcClockText(rmc), "123519");
    EXPECT_EQ(epochTimePosOf(rmc), "123519,4807.038,N,01131.000,E");
    EXPECT_EQ(rmcStart("$PGRMC,1,2"), -1);
}

TEST(PassThrough, RmcFieldsAndClockCountFromTheSentenceName)
{
    const QByteArray rmc = "r$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    EXPECT_EQ(rmcField(rmc, 3), "4807.038");
    EXPECT_EQ(rmcField(rmc, 9), "230394");
    EXPECT_EQ(rmcField(rmc, 11), "W");
    EXPECT_EQ(rmcClockText(rmc), "123519");
    EXPECT_EQ(rmcClockText("$GPRMC,1"), "1");
    // The time by field: fractions dropped, an empty time gives nothing.
    EXPECT_EQ(rmcClockText("$GNRMC,171927.00,A,4404.14058,N"), "171927");
    EXPECT_EQ(rmcClockText("$GPRMC,,A,4400.000,N,01131.000,E,0.0,0.0,010126,,"), "");
}

TEST(PassThrough, PositionInMinutesWhateverTheDecimals)
{
    EXPECT_DOUBLE_EQ(latitudeMinutes("4807.038"), 48 * 60 + 7.038);
    EXPECT_DOUBLE_EQ(latitudeMinutes("4807.03812"), 48 * 60 + 7.03812);
    EXPECT_DOUBLE_EQ(longitudeMinutes("01131.000"), 11 * 60 + 31.0);
    EXPECT_DOUBLE_EQ(longitudeMinutes(""), 0);
    EXPECT_DOUBLE_EQ(latitudeMinutes("4"), 240);
}

TEST(SynthesizedVtg, CarriesCourseAndSpeedOfTheRmc)
{
    struct Case {
        const char* course;
        const char* knots;
        const char* body;
    } cases[] = {
        {"084.4", "022.4", "GPVTG,084.4,T,,M,022.4,N,41,K"},
        {"", "0.117", "GPVTG,,T,,M,0.117,N,0,K"},
        {"0.0", "10.8", "GPVTG,0.0,T,,M,10.8,N,20,K"},
        {"", "", "GPVTG,,T,,M,,N,0,K"},
    };
    for (const Case& c : cases) {
        const QByteArray vtg = synthesizeVtg(c.course, c.knots, kmhFromKnots(c.knots));
        EXPECT_EQ(vtg, zv::frameSentence(c.body)) << c.body;
    }
    EXPECT_EQ(synthesizeVtg("084.4", "022.4", 41, "GN"), zv::frameSentence("GNVTG,084.4,T,,M,022.4,N,41,K"));
}

TEST(PauseSentences, GgaTakesPositionOfSentRmc)
{
    const QByteArray gga = "$GPGGA,123520,4807.040,N,01131.002,E,1,08,0.9,545.4,M,46.9,M,,*47";
    const QByteArray rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    EXPECT_EQ(ggaWithRmcPosition(gga, rmc), "$GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(pausedGga(ggaWithRmcPosition(gga, rmc)),
              zv::frameSentence("GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    // Fractional seconds do not shift the position.
    const QByteArray ggaFrac = "$GPGGA,222507.000,4249.9,S,14726.7,E,1,08,0.9,5,M,,M,,*00";
    const QByteArray rmcFrac = "$GPRMC,222507.500,A,4249.96542,S,14726.73195,E,0.0,,100207,,,A*4C";
    EXPECT_EQ(ggaWithRmcPosition(ggaFrac, rmcFrac),
              "$GPGGA,222507.000,4249.96542,S,14726.73195,E,1,08,0.9,5,M,,M,,*00");
    EXPECT_TRUE(pausedGga("").isEmpty());
}

TEST(PauseSentences, VtgKeepsCourseAndReportsZeroSpeed)
{
    EXPECT_EQ(pausedVtg("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"),
              zv::frameSentence("GPVTG,054.7,T,,M,0,N,0,K"));
    EXPECT_EQ(pausedVtg("$GPVTG,,T,,M,0.0,N,0.0,K*00"), zv::frameSentence("GPVTG,,T,,M,0,N,0,K"));
    EXPECT_TRUE(pausedVtg("").isEmpty());
    EXPECT_TRUE(pausedVtg("$GPVTG,1").isEmpty());
    // Cut short after the course: the checksum's "*" stays out of the body.
    EXPECT_EQ(pausedVtg("$GPVTG,054.7,T*1B"), zv::frameSentence("GPVTG,054.7,T,,M,0,N,0,K"));
    EXPECT_TRUE(pausedVtg("$GPVTG,054.7*1T").isEmpty());
}

TEST(Pacing, ChoicesAndCompensation)
{
    const int records[8] = {8, 4, 2, 1, 1, 1, 1, 1};
    const int intervals[8] = {100, 100, 100, 100, 1000, 2000, 4000, 8000};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(paceForChoice(i).recordsPerTick, records[i]) << i;
        EXPECT_EQ(paceForChoice(i).tickIntervalMs, intervals[i]) << i;
    }
    // The next slot counts from the tick's scheduled start, not from its end.
    constexpr qint64 ms = 1'000'000;
    struct Case {
        qint64 start, period, now, expected;
    } cases[] = {
        {0, 2000 * ms, 350 * ms, 2000 * ms},        // "2 s" after a 350 ms tick: 1650 ms to go
        {5 * ms, 1000 * ms, 6 * ms, 1005 * ms},     // a late timer shifts nothing
        {0, 1000 * ms, 1200 * ms, 2000 * ms},       // overran its period: the next free slot
        {0, 1000 * ms, 1000 * ms, 1000 * ms},       // exactly at the slot: at once
        {0, 1000 * ms, 3500 * ms, 4000 * ms},       // several periods lost: no burst of ticks
        {0, 0, 7 * ms, 7 * ms},                     // no period: at once
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextPeriodicStart(c.start, c.period, c.now), c.expected) << c.start << "/" << c.now;
    EXPECT_EQ(msUntil(1650 * ms, 0), 1650);
    EXPECT_EQ(msUntil(1650 * ms + 1, 0), 1651); // rounded up: a timer never fires early
    EXPECT_EQ(msUntil(5 * ms, 9 * ms), 0);
}

TEST(Navigation, GaugeClickTarget)
{
    EXPECT_EQ(gaugeClickRecord(201, 200, 100), 102);
    EXPECT_EQ(gaugeClickRecord(201, 200, 0), 0);
    EXPECT_EQ(gaugeClickRecord(100001, 400, 400), 102001);
    EXPECT_EQ(gaugeClickRecord(100, 0, 10), 0);
    EXPECT_EQ(gaugeClickRecord(100, 200, -5), 0);
}

TEST(Readouts, UnitsAndRounding)
{
    EXPECT_EQ(speedReadout(41, true), "41");
    EXPECT_EQ(speedReadout(41, false), "25");
    EXPECT_EQ(compassNeedle(84.4), 174);
    EXPECT_EQ(compassNeedle(300), 30);
    EXPECT_EQ(compassNeedle(0), 90);
    EXPECT_EQ(kmhFromKnots("022.4"), 41);
    EXPECT_EQ(kmhFromKnots("abc"), 0);
}

TEST(Framing, FixedPgrmmHasLeadingZeroChecksum)
{
    EXPECT_EQ(zv::frameSentence("PGRMM,WGS 84"), QByteArray(kFixedPgrmm));
}
