#include "common/text_lines.h"
#include "sim/tracks/track_format.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

struct DetectCase {
    const char* name;
    QByteArrayList lines;
    char lead;
    TrackFormat format;
    int decidingLine; // 1-based; 0 = end of file
};

TrackDetection detectLines(const QByteArrayList& lines, char lead, int* deciding)
{
    TrackFormatDetector detector(lead);
    *deciding = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (detector.feed(lines[i])) {
            *deciding = i + 1;
            return detector.result();
        }
    }
    detector.finishAtEnd();
    return detector.result();
}

const QByteArray kGardown = "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005";
const QByteArray kGardownAlt = "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;";
const QByteArray kG7ToWin = "T  N51 30 07.40 W000 07 22.14 Sun Dec 14 19:31:02 1997";
const QByteArray kPcx5 = "T  N3003.73100 W09136.62100 25-MAY-02 17:06:21 1";
const QByteArray kTtqvNorth = "T  +48.1234567 +011.1234567 05-JAN-05 12:34:56 0123";
const QByteArray kTtqvSouth = "T  -33.8765432 +151.2109876 05-JAN-05 12:34:56 0042";

} // namespace

TEST(TrackFormat, DetectsEachFormatInOrderWithItsQuirks)
{
    const DetectCase cases[] = {
        {"ozi header", {"OziExplorer Track Point File Version 2.1", "WGS 84"}, ' ', TrackFormat::OziExplorer, 1},
        {"kml root on line 2", {"<?xml version=\"1.0\"?>", "<kml xmlns=\"x\">", "1,2,3"}, ' ', TrackFormat::Kml, 2},
        {"kml root without blank is not kml", {"<kml>", "<coordinates>"}, 'T', TrackFormat::None, 0},
        {"gardown", {"H  header", kGardown}, 'T', TrackFormat::Gardown, 2},
        {"gardown with altitude is G7To", {kGardownAlt}, 'T', TrackFormat::G7To, 1},
        {"g7towin", {kG7ToWin}, 'T', TrackFormat::G7ToWin, 1},
        {"pcx5", {"H  SOFTWARE", "I  PCX5 2.09", "", kPcx5}, 'T', TrackFormat::Pcx5, 4},
        {"ttqv north", {"U  LAT LON DEG", kTtqvNorth}, 'T', TrackFormat::TtqvPcx, 2},
        {"ttqv south taken for pcx5", {kTtqvSouth}, 'T', TrackFormat::Pcx5, 1},
        {"own header wins over column tests",
         {"I Zelvan V1.0.0", "# 07.12.2026 12:00:00", "GPS 12 Software Version 4.60", "L  New Header: ride",
          "N  New Track Segment", kGardown},
         'T', TrackFormat::Zelvan, 6},
        {"record matching no test", {"T  garbage"}, 'T', TrackFormat::None, 1},
        {"end of file before a record", {"H  only headers", "I  nothing"}, 'T', TrackFormat::None, 0},
    };
    for (const auto& c : cases) {
        int deciding = -1;
        const auto result = detectLines(c.lines, c.lead, &deciding);
        EXPECT_EQ(result.format, c.format) << c.name;
        EXPECT_EQ(deciding, c.decidingLine) << c.name;
        EXPECT_EQ(result.endOfFile, c.decidingLine == 0) << c.name;
    }
}

TEST(TrackFormat, DetectionTakesTrackNameAndLeavesReaderAfterDecidingLine)
{
    QByteArray text = "I Zelvan V1.0.0\r\nL  New Header: Alps\r\nN  New Track Segment\r\n" + kGardownAlt
        + "\r\nT  second\r\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    zv::LineReader reader(&buffer);
    const auto result = detectTrackFormat(reader, 'T');
    EXPECT_EQ(result.format, TrackFormat::Zelvan);
    ASSERT_TRUE(result.trackName.has_value());
    EXPECT_EQ(*result.trackName, QByteArray(" Alps"));
    QByteArray next;
    ASSERT_TRUE(reader.readLine(next));
    EXPECT_EQ(next, QByteArray("T  second"));
}

TEST(TrackFormat, NamesAndLeads)
{
    const std::pair<TrackFormat, const char*> names[] = {
        {TrackFormat::Kml, "KML"},         {TrackFormat::OziExplorer, "OziExplorer"},
        {TrackFormat::TtqvPcx, "TTQV-PCX"}, {TrackFormat::Pcx5, "PCX5"},
        {TrackFormat::Gardown, "Gardown"}, {TrackFormat::G7To, "G7To"},
        {TrackFormat::G7ToWin, "G7ToWin"}, {TrackFormat::Zelvan, "Zelvan"},
        {TrackFormat::None, ""},
    };
    for (const auto& [format, name] : names) {
        EXPECT_EQ(trackFormatName(format), QString::fromLatin1(name));
        const bool blankLead = format == TrackFormat::Kml || format == TrackFormat::OziExplorer;
        EXPECT_EQ(recordLeadOf(format), blankLead ? ' ' : 'T') << name;
    }
}

TEST(TrackFormat, ProbeDecidesKindOfFile)
{
    struct Case {
        QByteArray line;
        ProbeStep::Kind kind;
        char lead;
        TrackFormat hint;
    } cases[] = {
        {"$GPGGA,123519,4807.038,N", ProbeStep::NmeaLog, 'T', TrackFormat::None},
        {"T  N48 07.0380 E011", ProbeStep::TrackFile, 'T', TrackFormat::None},
        {"OziExplorer Track Point File", ProbeStep::TrackFile, ' ', TrackFormat::OziExplorer},
        {"<kml xmlns=\"x\">", ProbeStep::TrackFile, ' ', TrackFormat::Kml},
        {"H  header", ProbeStep::Continue, 'T', TrackFormat::None},
        {"", ProbeStep::Continue, 'T', TrackFormat::None},
    };
    for (const auto& c : cases) {
        const auto step = probeTrackLine(c.line, 'T');
        EXPECT_EQ(step.kind, c.kind) << c.line.constData();
        EXPECT_EQ(step.recordLead, c.lead) << c.line.constData();
        EXPECT_EQ(step.formatHint, c.hint) << c.line.constData();
    }
    const auto named = probeTrackLine("L  New Header: Alps", 'T');
    EXPECT_EQ(named.kind, ProbeStep::Continue);
    EXPECT_EQ(named.trackName.value_or("?"), QByteArray(" Alps"));
}

TEST(TrackFormat, RecordLinesPerFormat)
{
    struct Case {
        QByteArray line;
        TrackFormat format;
        bool record;
    } cases[] = {
        {" -27.3504360, 153.0555400,0, -777.0,36892.1,010101,123456", TrackFormat::OziExplorer, true},
        {"0.003000,-0.003000,1,39.4,38352.9986111,,", TrackFormat::OziExplorer, true},
        {"-54.806100,-68.303900,1,23.0,39872.9998843,,", TrackFormat::OziExplorer, true},
        {"0,2,255,EQUATOR,0,0,2,8421376", TrackFormat::OziExplorer, false},
        {"0", TrackFormat::OziExplorer, false},
        {"WGS 84", TrackFormat::OziExplorer, false},
        {"-0.1227480,51.5000000,35.7", TrackFormat::Kml, true},
        {"          -118.311748,33.336534,6.385864", TrackFormat::Kml, true},
        {"\t\t-1.8,51.1", TrackFormat::Kml, true},
        {"  <coordinates>-1.83,51.17,103.48</coordinates>", TrackFormat::Kml, false},
        {"<LineString>", TrackFormat::Kml, false},
        {"", TrackFormat::Kml, false},
        {"   ", TrackFormat::Kml, false},
        {"-1.5", TrackFormat::Kml, false},
        {"Some description, with commas", TrackFormat::Kml, false},
        {"T  N48 07.0380", TrackFormat::Gardown, true},
        {"L  New Header: x", TrackFormat::Zelvan, false},
        {"N  New Track Segment", TrackFormat::Pcx5, false},
        {"", TrackFormat::Pcx5, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isTrackRecordLine(c.line, c.format, recordLeadOf(c.format)), c.record) << c.line.constData();
}

TEST(TrackFormat, SegmentMarksNamesAndOziBreaks)
{
    EXPECT_TRUE(isSegmentMark("N  New Track Segment"));
    EXPECT_FALSE(isSegmentMark("L  New Header: x"));
    EXPECT_FALSE(isSegmentMark(""));
    EXPECT_EQ(trackNameOf("L  New Header: Alps").value_or("?"), QByteArray(" Alps"));
    EXPECT_EQ(trackNameOf("L").value_or("?"), QByteArray());
    EXPECT_FALSE(trackNameOf("T  x").has_value());
    EXPECT_TRUE(isOziTrackBreak(" -27.3504360, 153.0555400,1, -777.0,36892.1"));
    EXPECT_TRUE(isOziTrackBreak("  47.466222,   3.747318,1, 1258.8,39307.3"));
    EXPECT_TRUE(isOziTrackBreak("-54.806100,-68.303900,1,23.0,39872.9998843,,"));
    EXPECT_FALSE(isOziTrackBreak("  47.466222,   3.747318,0, 1258.8,39307.3"));
    EXPECT_FALSE(isOziTrackBreak("short"));
}
