#include "sim/tracks/track_record.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <tuple>

using namespace zelvan;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 5, 9), Qt::UTC);

struct LayoutCase {
    const char* name;
    QByteArray line;
    TrackFormat format;
    const char* lat;
    char latH;
    const char* lon;
    char lonH;
    const char* date;
    const char* time;
    const char* altitude; // nullptr: the format carries none
};

void expectLayout(const LayoutCase& c)
{
    const auto fix = parseTrackLine(c.line, c.format, kNow);
    ASSERT_TRUE(fix.has_value()) << c.name;
    EXPECT_EQ(fix->latText, QByteArray(c.lat)) << c.name;
    EXPECT_EQ(fix->latHemisphere, c.latH) << c.name;
    EXPECT_EQ(fix->lonText, QByteArray(c.lon)) << c.name;
    EXPECT_EQ(fix->lonHemisphere, c.lonH) << c.name;
    EXPECT_EQ(fix->recordDate, QByteArray(c.date)) << c.name;
    EXPECT_EQ(fix->timeText, QByteArray(c.time)) << c.name;
    if (c.altitude) {
        ASSERT_TRUE(fix->altitudeText.has_value()) << c.name;
        EXPECT_EQ(*fix->altitudeText, QByteArray(c.altitude)) << c.name;
    } else {
        EXPECT_FALSE(fix->altitudeText.has_value()) << c.name;
    }
}

TrackFix fixAt(const char* lat, char latH, const char* lon, char lonH, const char* clock)
{
    TrackFix f;
    f.latText = lat;
    f.latHemisphere = latH;
    f.lonText = lon;
    f.lonHemisphere = lonH;
    f.clockText = clock;
    f.timeText = QByteArray(clock).replace(":", "");
    f.recordDate = "07122026";
    return f;
}

} // namespace

TEST(TrackRecord, DecodesOziExplorerLayouts)
{
    const LayoutCase cases[] = {
        {"layout A, comma in column 13", " -27.3504360, 153.0555400,0, -777.0,36892.1234567,010101,123456",
         TrackFormat::OziExplorer, "2721.026", 'S', "15303.332", 'E', "01012001", "123456", "-236.8296"},
        {"layout B, English month", "  47.466222,   3.747318,0, 1258.8,39307.3279977, 13-Aug-07, 07:52:19",
         TrackFormat::OziExplorer, "4727.973", 'N', "00344.839", 'E', "13082007", "075219", "383.68224"},
        {"layout B, French month falls back to the day number",
         QByteArray("  47.466222,   3.747318,0, 1258.8,39307.3279977, 13-ao\xfbt-07, 07:52:19"),
         TrackFormat::OziExplorer, "4727.973", 'N', "00344.839", 'E', "13082007", "075219", "383.68224"},
        {"layout B, sign left of the sign column", "  47.466222,  -3.747318,0, 1258.8,39307.3279977, 13-Aug-07, 07:52:19",
         TrackFormat::OziExplorer, "4727.973", 'N', "00344.839", 'W', "13082007", "075219", "383.68224"},
        {"unpadded, date and time from the day number", "0.003000,-0.003000,1,39.4,38352.9986111,,",
         TrackFormat::OziExplorer, "0000.180", 'N', "00000.180", 'W', "31122004", "235800", "12.00912"},
        {"unpadded south-west", "-54.806100,-68.303900,1,23.0,39872.9998843,,", TrackFormat::OziExplorer,
         "5448.366", 'S', "06818.234", 'W', "28022009", "235950", "7.0104"},
        // Padding that differs from the fixed columns: the comma fields hold the numbers.
        {"one blank, latitude of two digits", " 38.722149,  69.321493,0, 2284.0,42135.6794792, 11-May-15, 16:18:27",
         TrackFormat::OziExplorer, "3843.329", 'N', "06919.290", 'E', "11052015", "161827", "696.1632"},
        {"one blank, longitude of three digits", " 38.722149, 153.055540,0, 2284.0,42135.6794792, 11-May-15, 16:18:27",
         TrackFormat::OziExplorer, "3843.329", 'N', "15303.332", 'E', "11052015", "161827", "696.1632"},
        {"west sign left of the longitude columns, 12-hour time",
         "  55.229164,-118.522850,1, 2284.0,42135.6794792, 11-May-15, 4:18:27 PM", TrackFormat::OziExplorer,
         "5513.750", 'N', "11831.371", 'W', "11052015", "161827", "696.1632"},
        // A time text in 12-hour form: the day number gives the time.
        {"12-hour morning", "  47.466222,   3.747318,0, 1258.8,39307.3279977, 13-Aug-07, 7:52:19 AM",
         TrackFormat::OziExplorer, "4727.973", 'N', "00344.839", 'E', "13082007", "075219", "383.68224"},
        {"12-hour evening, two-digit hour", "  47.466222,   3.747318,0, 1258.8,39307.9295949, 13-Aug-07, 10:18:37 PM",
         TrackFormat::OziExplorer, "4727.973", 'N', "00344.839", 'E', "13082007", "221837", "383.68224"},
    };
    for (const auto& c : cases)
        expectLayout(c);
}

TEST(TrackRecord, DecodesFixedColumnTrkLayouts)
{
    const LayoutCase cases[] = {
        {"ttqv north-east", "T  +48.1234567 +011.1234567 05-JAN-05 12:34:56 0123", TrackFormat::TtqvPcx,
         "4807.407", 'N', "01107.407", 'E', "05012005", "123456", "0123"},
        {"ttqv west, year 81, lower-case month", "T  +48.1234567 -011.1234567 05-jan-81 12:34:56 -12",
         TrackFormat::TtqvPcx, "4807.407", 'N', "01107.407", 'W', "05011981", "123456", "-12"},
        {"pcx5, extra decimals ignored", "T  N3003.73100 W09136.62100 25-MAY-02 17:06:21 1", TrackFormat::Pcx5,
         "3003.731", 'N', "09136.621", 'W', "25052002", "170621", nullptr},
        {"pcx5 year 80 is 2080", "T  S0112.34500 E00200.00000 01-Dec-80 00:00:01", TrackFormat::Pcx5, "0112.345",
         'S', "00200.000", 'E', "01122080", "000001", nullptr},
        {"gardown example", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;", TrackFormat::G7To,
         "4807.038", 'N', "01134.567", 'E', "05012005", "123456", "123"},
        {"gardown without altitude", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005", TrackFormat::Gardown,
         "4807.038", 'N', "01134.567", 'E', "05012005", "123456", ""},
        {"own format south-west, 1e25", "T  S33 52.0380 W151 12.5678 Sun dec 31 00:00:00 1989 ;1e25;",
         TrackFormat::Zelvan, "3352.038", 'S', "15112.567", 'W', "31121989", "000000", ""},
        {"own format, Garmin download marker", "T  N48 07.0380 E011 34.5678 Mon JAN 05 12:34:56 2005 ;1E+25;",
         TrackFormat::Zelvan, "4807.038", 'N', "01134.567", 'E', "05012005", "123456", ""},
        {"own format, huge value is none", "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;3.2e24;",
         TrackFormat::Zelvan, "4807.038", 'N', "01134.567", 'E', "05012005", "123456", ""},
        {"g7towin example", "T  N51 30 07.40 W000 07 22.14 Sun Dec 14 19:31:02 1997", TrackFormat::G7ToWin,
         "5130.123", 'N', "00007.369", 'W', "14121997", "193102", ""},
        {"g7towin south-east with altitude", "T  S33 52 30.00 E151 12 36.00 Sun DEC 14 19:31:02 1997 ;42.5;",
         TrackFormat::G7ToWin, "3352.500", 'S', "15112.600", 'E', "14121997", "193102", "42.5"},
        {"g7towin 1e25", "T  S33 52 30.00 E151 12 36.00 Sun DEC 14 19:31:02 1997 ;1e25;", TrackFormat::G7ToWin,
         "3352.500", 'S', "15112.600", 'E', "14121997", "193102", ""},
        {"g7towin 60.000 without carry", "T  N51 59 59.98 E010 00 00.00 Sun Dec 14 19:31:02 1997",
         TrackFormat::G7ToWin, "5160.000", 'N', "01000.000", 'E', "14121997", "193102", ""},
    };
    for (const auto& c : cases)
        expectLayout(c);
}

TEST(TrackRecord, DecodesKmlTuplesWithTheInjectedClock)
{
    const LayoutCase cases[] = {
        {"tuple with altitude", "-0.1227480,51.5000000,35.7", TrackFormat::Kml, "5130.000", 'N', "00007.365", 'W',
         "07122026", "140509", "35.7"},
        {"indented by blanks and tabs", " \t  -0.1227480,51.5000000,35.7", TrackFormat::Kml, "5130.000", 'N',
         "00007.365", 'W', "07122026", "140509", "35.7"},
        {"tuple without altitude", "-0.1227480,51.5000000", TrackFormat::Kml, "5130.000", 'N', "00007.365", 'W',
         "07122026", "140509", ""},
        {"plus signs, integer altitude", "+008.5155383,+48.2662716,768", TrackFormat::Kml, "4815.976", 'N',
         "00830.932", 'E', "07122026", "140509", "768"},
        {"south, altitude written back plain", "151.2,-33.8,12.00 151.3,-33.9,0", TrackFormat::Kml, "3348.000", 'S',
         "15112.000", 'E', "07122026", "140509", "12"},
    };
    for (const auto& c : cases)
        expectLayout(c);
}

TEST(TrackRecord, LinesThatAreNoRecordsNeverFault)
{
    struct Case {
        QByteArray line;
        TrackFormat format;
    } cases[] = {
        {"<coordinates>", TrackFormat::Kml},
        {"", TrackFormat::Kml},
        {"   ", TrackFormat::Kml},
        {"12.5", TrackFormat::Kml},
        {"H  header", TrackFormat::Pcx5},
        {"L  New Header: x", TrackFormat::Zelvan},
        {"N  New Track Segment", TrackFormat::Zelvan},
        {"-27.3,153.0,0", TrackFormat::OziExplorer}, // too few fields for a record
        {" -27.3504360, 153.0555400,0, -777.0", TrackFormat::OziExplorer}, // layout A without date commas
        {"T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123", TrackFormat::Gardown},
        {"T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123", TrackFormat::G7ToWin},
        {"T  N48", TrackFormat::None},
        // Decimal commas: the fields are no coordinates, whatever the columns hold.
        {"  38,722149,  69,321493,0,  2284,0,42135,6794792, 11-May-15, 16:18:27", TrackFormat::OziExplorer},
    };
    for (const auto& c : cases) {
        const auto step = decodeTrackRecord(c.line, c.format, TrackDecoderState{}, kNow);
        EXPECT_FALSE(step.record.has_value()) << c.line.constData();
        EXPECT_EQ(step.state, TrackDecoderState{}) << c.line.constData();
    }
    // Short record lines of fixed-column layouts decode with empty fields.
    for (const auto format : {TrackFormat::TtqvPcx, TrackFormat::Pcx5, TrackFormat::Gardown, TrackFormat::G7ToWin,
                              TrackFormat::Zelvan, TrackFormat::OziExplorer}) {
        for (const QByteArray& line : {QByteArray("T"), QByteArray("T  N"), QByteArray(" "), QByteArray(" -")}) {
            const auto step = decodeTrackRecord(line, format, TrackDecoderState{}, kNow);
            if (step.record) {
                EXPECT_TRUE(step.record->speedKmhText.isEmpty());
            }
        }
    }
}

TEST(TrackRecord, OnlyPlacesOnTheEarthAreReplayed)
{
    struct Case {
        QByteArray line;
        TrackFormat format;
        bool record;
    } cases[] = {
        // A G7ToWin file in UTM, taken for the "G7To" layout by its columns.
        {"T  15R  633951.5  3326484.2 Sat May 25 17:06:21 2002 ;3.280840;", TrackFormat::G7To, false},
        {"T  N9000.00000 E18000.00000 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, true},
        {"T  S9000.00000 W18000.00000 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, true},
        {"T  N9000.00100 E00000.00000 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, false},
        {"T  N4800.00000 E18000.00100 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, false},
        {"T  N4861.00000 E01100.00000 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, false},
        {"T  N51 59 59.98 E010 00 00.00 Sun Dec 14 19:31:02 1997", TrackFormat::G7ToWin, true},
        {"  91.0000000,  11.0000000,0, 1640.0,39307.0000000, 13-Aug-07, 00:00:00", TrackFormat::OziExplorer, false},
        {"  48.0000000, 181.0000000,0, 1640.0,39307.0000000, 13-Aug-07, 00:00:00", TrackFormat::OziExplorer, false},
        {"  -90.0000000, -180.0000000,0, 1640.0,39307.0000000, 13-Aug-07, 00:00:00", TrackFormat::OziExplorer, true},
    };
    for (const auto& c : cases) {
        const auto fix = parseTrackLine(c.line, c.format, kNow);
        ASSERT_TRUE(fix.has_value()) << c.line.constData();
        EXPECT_EQ(isPlausibleFix(*fix), c.record) << c.line.constData();
        const auto step = decodeTrackRecord(c.line, c.format, TrackDecoderState{}, kNow);
        EXPECT_EQ(step.record.has_value(), c.record) << c.line.constData();
        if (!c.record) {
            EXPECT_EQ(step.state, TrackDecoderState{}) << "an impossible place leaves the trip as it was";
        }
    }
}

TEST(TrackRecord, DateRules)
{
    const std::pair<const char*, const char*> years[] = {{"80", "2080"}, {"81", "1981"}, {"07", "2007"},
                                                          {"99", "1999"}, {"00", "2000"}, {"2005", "2005"}};
    for (const auto& [in, out] : years)
        EXPECT_EQ(fullYear(in), QByteArray(out)) << in;
    const std::pair<const char*, const char*> months[] = {{"Dec", "12"}, {"DEC", "12"}, {"dec", "12"}, {"12", "12"},
                                                           {"jan", "01"}, {"Xyz", "00"}, {"", "00"}, {"MAY", "05"}};
    for (const auto& [in, out] : months)
        EXPECT_EQ(monthNumber(in), QByteArray(out)) << in;
}

TEST(TrackRecord, NumberTexts)
{
    EXPECT_EQ(latitudeText(1641.02616), QByteArray("2721.026"));
    EXPECT_EQ(latitudeText(5.5), QByteArray("0005.500"));
    EXPECT_EQ(latitudeText(119.99999), QByteArray("0160.000")); // no carry into the degrees
    EXPECT_EQ(longitudeText(9183.3324), QByteArray("15303.332"));
    EXPECT_EQ(longitudeText(7.36488), QByteArray("00007.365"));
    const std::pair<int, const char*> courses[] = {{7, "007"}, {45, "045"}, {245, "245"}, {0, "000"}};
    for (const auto& [course, text] : courses)
        EXPECT_EQ(courseText(course), QByteArray(text));
    const std::pair<int, const char*> knots[] = {{36, "19.4"}, {0, "00"}, {1, "0.5"}, {10, "5.4"}, {23, "12.4"}};
    for (const auto& [kmh, text] : knots)
        EXPECT_EQ(knotsText(kmh), QByteArray(text)) << kmh;
    const std::pair<const char*, const char*> altitudes[] = {
        {"-236.8296", "-237"}, {"123", "123"}, {"35.7", "35"}, {"", ""}, {"-0.4", "-1"}, {"abc", "0"}};
    for (const auto& [text, field] : altitudes)
        EXPECT_EQ(altitudeFieldOf(text), QByteArray(field)) << text;
}

TEST(TrackRecord, DerivesSpeedFromConsecutiveRecords)
{
    struct Step {
        const char* lat;
        const char* clock;
        const char* kmhText;
        const char* knots;
        int maxSpeed;
    };
    // 0.054 minutes of latitude are 100 m.
    const Step steps[] = {
        {"4807.000", "12:00:00", "", "", 0},         // first record: no speed
        {"4807.054", "12:00:10", "36", "19.4", 36},  // 100 m in 10 s
        {"4807.054", "12:00:10", "", "19.4", 36},    // same time: speed kept
        {"4807.054", "12:00:20", "0", "00", 36},     // standing
    };
    TrackDecoderState state;
    for (const auto& s : steps) {
        const auto step = deriveTrackRecord(fixAt(s.lat, 'N', "01100.000", 'E', s.clock), state);
        ASSERT_TRUE(step.record);
        EXPECT_EQ(step.record->speedKmhText, QByteArray(s.kmhText)) << s.clock;
        EXPECT_EQ(step.record->speedKnotsText, QByteArray(s.knots)) << s.clock;
        EXPECT_EQ(step.record->maxSpeed, s.maxSpeed) << s.clock;
        state = step.state;
    }
    EXPECT_EQ(state.tripMeters, 100);
}

TEST(TrackRecord, SpeedAcrossMidnightAndTripReset)
{
    TrackDecoderState state;
    state = deriveTrackRecord(fixAt("4807.000", 'N', "01100.000", 'E', "23:59:55"), state).state;
    const auto across = deriveTrackRecord(fixAt("4807.054", 'N', "01100.000", 'E', "00:00:05"), state);
    EXPECT_EQ(across.record->speedKmhText, QByteArray("36"));
    EXPECT_TRUE(across.record->maxSpeedChanged);

    TrackDecoderState reset = across.state;
    resetTripValues(reset);
    EXPECT_EQ(reset.tripMeters, 0);
    EXPECT_EQ(reset.maxSpeed, 0);
    EXPECT_TRUE(reset.speedKnotsText.isEmpty());
    const auto after = deriveTrackRecord(fixAt("4807.108", 'N', "01100.000", 'E', "00:00:15"), reset);
    EXPECT_TRUE(after.record->speedKmhText.isEmpty()); // first record after a reset
    EXPECT_EQ(after.record->tripMeters, 0);
    EXPECT_EQ(after.record->distanceFromStartM, 0);

    TrackDecoderState jump = across.state;
    resetTripValues(jump, /*keepKnotsText=*/true);
    EXPECT_EQ(jump.speedKnotsText, QByteArray("19.4"));
}

TEST(TrackRecord, ClocksThatAreNoTimeOfDayGiveNoNegativeSpeed)
{
    // Found by fuzzing: garbage clocks ran the elapsed time below zero, and a
    // far leg then gave a speed beyond the range of an int.
    struct Case {
        const char* lat2;
        const char* clock1;
        const char* clock2;
    };
    const Case cases[] = {
        {"001e+150", "99:99:99", "-9:-9:-9"}, // huge leg, negative time
        {"4807.054", "99:99:99", "-9:-9:-9"}, // plain leg, negative time
        {"001e+150", "00:00:00", "24:00:00"}, // a whole day apart: zero time
    };
    for (const auto& c : cases) {
        const TrackDecoderState first = deriveTrackRecord(fixAt("0000.000", 'N', "01100.000", 'E', c.clock1), {}).state;
        const auto step = deriveTrackRecord(fixAt(c.lat2, 'N', "01100.000", 'E', c.clock2), first);
        ASSERT_TRUE(step.record) << c.clock2;
        EXPECT_GE(step.record->speedKmh, 0) << c.lat2 << " " << c.clock2;
        EXPECT_GE(step.state.maxSpeed, 0) << c.lat2 << " " << c.clock2;
    }
}

TEST(TrackRecord, CourseIsTrueInEveryHemisphere)
{
    struct Case {
        const char* name;
        const char* lat1;
        const char* lat2;
        char latH;
        const char* lon1;
        const char* lon2;
        char lonH;
        const char* course;
    } cases[] = {
        {"north-east, moving north", "4807.000", "4808.000", 'N', "01100.000", "01100.000", 'E', "000"},
        {"north-east, moving east", "4807.000", "4807.000", 'N', "01100.000", "01101.000", 'E', "090"},
        {"west, minutes decreasing is east", "4807.000", "4807.000", 'N', "00010.000", "00009.000", 'W', "090"},
        {"south, minutes decreasing is north", "3352.000", "3351.000", 'S', "15100.000", "15100.000", 'E', "000"},
        {"south-west, moving south-west", "3352.000", "3353.000", 'S', "06800.000", "06801.000", 'W', "219"},
    };
    for (const auto& c : cases) {
        TrackDecoderState state;
        state = deriveTrackRecord(fixAt(c.lat1, c.latH, c.lon1, c.lonH, "12:00:00"), state).state;
        const auto step = deriveTrackRecord(fixAt(c.lat2, c.latH, c.lon2, c.lonH, "12:00:10"), state);
        EXPECT_EQ(step.record->courseText, QByteArray(c.course)) << c.name;
    }
    // Crossing the equator southwards is a course of 180, not a turn back north.
    TrackDecoderState state = deriveTrackRecord(fixAt("0000.180", 'N', "00000.000", 'E', "12:00:00"), {}).state;
    const auto across = deriveTrackRecord(fixAt("0000.180", 'S', "00000.000", 'E', "12:00:10"), state);
    EXPECT_EQ(across.record->courseText, QByteArray("180"));
    EXPECT_EQ(across.record->speedKmhText, QByteArray("240")); // 667.8 m in 10 s

    // Across the 180th meridian: the shorter way round, 0.2 minutes (371 m).
    for (const auto& [from, to, course] : {std::tuple{'E', 'W', "090"}, std::tuple{'W', 'E', "270"}}) {
        TrackDecoderState s = deriveTrackRecord(fixAt("0000.000", 'N', "17959.900", from, "12:00:00"), {}).state;
        const auto step = deriveTrackRecord(fixAt("0000.000", 'N', "17959.900", to, "12:00:10"), s);
        EXPECT_EQ(step.record->courseText, QByteArray(course)) << from;
        EXPECT_EQ(step.record->speedKmhText, QByteArray("133")) << from;
        EXPECT_EQ(step.record->tripMeters, 371) << from;
    }
}

TEST(TrackRecord, PointsWithoutTimeDeriveNoSpeed)
{
    struct Case {
        const char* what;
        TrackFormat format;
        QByteArray first, second;
        QDateTime secondNow; // the clock KML records are dated with
    } cases[] = {
        {"KML tuples, dated by the clock", TrackFormat::Kml, "11.0,48.0,500", "11.0,48.001,500", kNow.addSecs(1)},
        {"own format, the receiver's null time", TrackFormat::Zelvan,
         "T  N48 07.0000 E011 34.0000 Sun Dec 31 00:00:00 1989 ;1e25;",
         "T  N48 08.0000 E011 34.0000 Sun Dec 31 00:00:00 1989 ;1e25;", kNow},
        {"own format, a time the conversion made up", TrackFormat::Zelvan,
         "T  N48 07.0000 E011 34.0000 Mon Dec 07 14:05:09 2026 ;500; no time",
         "T  N48 08.0000 E011 34.0000 Mon Dec 07 14:05:10 2026 ;500; no time", kNow},
        {"a timed record, then an untimed one", TrackFormat::Zelvan,
         "T  N48 07.0000 E011 34.0000 Mon Dec 07 14:05:09 2026 ;500;",
         "T  N48 08.0000 E011 34.0000 Mon Dec 07 14:05:10 2026 ;500; no time", kNow},
    };
    for (const auto& c : cases) {
        // A speed left from earlier records must not stand for this one either.
        TrackDecoderState state;
        state.speedKmh = 36;
        state.speedKnotsText = "19.4";
        state = decodeTrackRecord(c.first, c.format, state, kNow).state;
        const auto step = decodeTrackRecord(c.second, c.format, state, c.secondNow);
        ASSERT_TRUE(step.record) << c.what;
        EXPECT_TRUE(step.record->speedKmhText.isEmpty()) << c.what;
        EXPECT_TRUE(step.record->speedKnotsText.isEmpty()) << c.what;
        EXPECT_EQ(step.record->courseText, QByteArray("000")) << c.what; // the positions still give the course
        EXPECT_GT(step.record->tripMeters, 100) << c.what;
    }
}

TEST(TrackRecord, StandingStillKeepsTheLastCourseAndFormatsWithoutAltitudeKeepIt)
{
    TrackDecoderState state;
    state.altitudeText = "55";
    state = deriveTrackRecord(fixAt("4807.000", 'N', "01100.000", 'E', "12:00:00"), state).state;
    state = deriveTrackRecord(fixAt("4807.000", 'N', "01101.000", 'E', "12:00:10"), state).state;
    const auto still = deriveTrackRecord(fixAt("4807.000", 'N', "01101.000", 'E', "12:00:20"), state);
    EXPECT_EQ(still.record->courseText, QByteArray("090"));
    EXPECT_EQ(still.record->altitudeField, QByteArray("55"));
    EXPECT_NEAR(still.record->distanceFromStartM, 1238, 1);
}

TEST(TrackRecord, ProfileAltitudePerFormat)
{
    struct Case {
        QByteArray line;
        TrackFormat format;
        std::optional<double> metres;
    } cases[] = {
        {"  47.466222,   3.747318,0, 1258.8,39307.3279977, 13-Aug-07, 07:52:19", TrackFormat::OziExplorer,
         1258.8 * 0.3048},
        {"-0.1227480,51.5000000,35.7", TrackFormat::Kml, 35.7},
        {"-0.1227480,51.5000000", TrackFormat::Kml, std::nullopt},
        {"T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;", TrackFormat::G7To, 123},
        {"T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;1e25;", TrackFormat::Zelvan, std::nullopt},
        {"T  N3003.73100 W09136.62100 25-MAY-02 17:06:21 1", TrackFormat::Pcx5, std::nullopt},
        {"T  +48.1234567 +011.1234567 05-JAN-05 12:34:56 0123", TrackFormat::TtqvPcx, 123},
        {"N  New Track Segment", TrackFormat::Zelvan, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto metres = profileAltitude(c.line, c.format);
        ASSERT_EQ(metres.has_value(), c.metres.has_value()) << c.line.constData();
        if (metres) {
            EXPECT_NEAR(*metres, *c.metres, 1e-6) << c.line.constData();
        }
    }
}
