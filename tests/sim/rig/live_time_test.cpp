// Live time: every time and date field moved consistently, any talker,
// across midnight and the year's end; the clock anchored at the first epoch.
#include "common/nmea.h"
#include "sim/rig/live_time.h"

#include <QDateTime>
#include <QStringList>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

std::string framed(const char* body)
{
    return zv::frameSentence(body).toStdString();
}

std::string through(LiveClock& clock, const char* body)
{
    return clock.rewrite(zv::frameSentence(body)).toStdString();
}

std::string shifted(const char* body, qint64 offsetMs)
{
    return shiftSentenceTime(zv::frameSentence(body), offsetMs).toStdString();
}

qint64 utcMs(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

constexpr qint64 kHour = 3'600'000;

} // namespace

TEST(LiveTime, ShiftsTheTimeAndDateOfEachSentenceType)
{
    struct Case {
        const char* in;
        qint64 offsetMs;
        const char* out;
    } cases[] = {
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", kHour,
         "GPRMC,133519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"},
        // Midnight: the date follows the time.
        {"GNRMC,235959.50,A,4807.038,N,01131.000,E,0.0,,280224,,,A", 1000,
         "GNRMC,000000.50,A,4807.038,N,01131.000,E,0.0,,290224,,,A"},
        {"GNRMC,230000.00,A,4807.038,N,01131.000,E,0.0,,290224,,,A", kHour,
         "GNRMC,000000.00,A,4807.038,N,01131.000,E,0.0,,010324,,,A"},
        // The year's end, forward and back, and across the two-digit century.
        {"BDRMC,235959,A,4807.038,N,01131.000,E,,,311224,,", 1000, "BDRMC,000000,A,4807.038,N,01131.000,E,,,010125,,"},
        {"GPRMC,235959,A,4807.038,N,01131.000,E,,,311299,,", 1000, "GPRMC,000000,A,4807.038,N,01131.000,E,,,010100,,"},
        {"GPRMC,000000,A,4807.038,N,01131.000,E,,,010100,,", -1000, "GPRMC,235959,A,4807.038,N,01131.000,E,,,311299,,"},
        // Years and days at once; a fraction of a second rounds to the field's decimals.
        {"GPRMC,081500.000,V,,,,,,,150604,,,N", 20 * 365 * 24 * kHour + 1234,
         "GPRMC,081501.234,V,,,,,,,100624,,,N"},
        {"GPRMC,081500,V,,,,,,,150604,,,N", 1500, "GPRMC,081502,V,,,,,,,150604,,,N"},
        // Time only: it wraps at midnight.
        {"GPGGA,235959.9,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 200,
         "GPGGA,000000.1,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"},
        {"BDGGA,000010,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", -20'000,
         "BDGGA,235950,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"},
        {"GLGLL,4916.45,N,12311.12,W,225444,A,A", kHour, "GLGLL,4916.45,N,12311.12,W,235444,A,A"},
        {"GNGNS,235900.00,4807.038,N,01131.000,E,AAN,12,0.8,545.4,46.9,,", 120'000,
         "GNGNS,000100.00,4807.038,N,01131.000,E,AAN,12,0.8,545.4,46.9,,"},
        {"GPZDA,235959.00,31,12,2023,00,00", 1000, "GPZDA,000000.00,01,01,2024,00,00"},
        {"GAZDA,120000,29,02,2024,-01,30", -12 * kHour - 1000, "GAZDA,235959,28,02,2024,-01,30"},
        {"GPGST,172814.0,0.006,0.023,0.020,273.6,0.023,0.020,0.031", 60'000,
         "GPGST,172914.0,0.006,0.023,0.020,273.6,0.023,0.020,0.031"},
        {"GNGBS,235958.00,0.9,0.8,1.2,,,,", 2000, "GNGBS,000000.00,0.9,0.8,1.2,,,,"},
        // Sentences without a time, and empty or malformed times, pass as they are.
        {"GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", kHour, "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"},
        {"GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", kHour, "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"},
        {"PGRMZ,2282,f,3", kHour, "PGRMZ,2282,f,3"},
        {"GPGGA,,,,,,0,00,,,,,,,", kHour, "GPGGA,,,,,,0,00,,,,,,,"},
        {"GPGGA,25xx00,,,,,0,00,,,,,,,", kHour, "GPGGA,25xx00,,,,,0,00,,,,,,,"},
        // A date that is none: the time moves, the field stays.
        {"GPRMC,120000,V,,,,,,,,,,N", kHour, "GPRMC,130000,V,,,,,,,,,,N"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shifted(c.in, c.offsetMs), framed(c.out));
}

TEST(LiveTime, TheChecksumKeepsItsStanding)
{
    // Wrong by one bit before, wrong by the same bit after; none stays none.
    auto wrongByOne = [](const QByteArray& body) {
        return '$' + body + '*' + zv::hexByte(zv::nmeaChecksum(body) ^ 0x01);
    };
    EXPECT_EQ(shiftSentenceTime(wrongByOne("GPGGA,120000,,,,,0,00,,,,,,,"), kHour).toStdString(),
              wrongByOne("GPGGA,130000,,,,,0,00,,,,,,,").toStdString());
    EXPECT_EQ(shiftSentenceTime("$GPGGA,120000,,,,,0,00,,,,,,,", kHour), QByteArray("$GPGGA,130000,,,,,0,00,,,,,,,"));
}

TEST(LiveTime, TheClockAnchorsAtTheFirstEpochAndKeepsTheDistances)
{
    // now: the first epoch gets the current second, later ones their distance from it.
    qint64 now = utcMs("2026-12-08T06:30:00.400Z");
    LiveClock clock(TimeChoice{TimeMode::Now, 0}, [&now] { return now; });
    QStringList notes; // what --verbose says of the offset
    const auto noting = [&notes](const LiveTimeNote& n) { notes << liveTimeNoteText(n); };
    clock.setReporter(noting);
    EXPECT_EQ(through(clock, "PHSMI,1"), framed("PHSMI,1"));
    EXPECT_EQ(through(clock, "GPRMC,081500,A,4807.038,N,01131.000,E,,,150604,,"),
              framed("GPRMC,063000,A,4807.038,N,01131.000,E,,,081226,,"));
    now += 5 * kHour; // the wall clock is asked once
    EXPECT_EQ(through(clock, "GPGGA,081500,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              framed("GPGGA,063000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(through(clock, "GPRMC,081501.5,A,4807.038,N,01131.000,E,,,150604,,"),
              framed("GPRMC,063001.5,A,4807.038,N,01131.000,E,,,081226,,"));
    // A loop starts the file again: it anchors at the wall clock again.
    clock.restart();
    EXPECT_EQ(through(clock, "GPRMC,081500,A,4807.038,N,01131.000,E,,,150604,,"),
              framed("GPRMC,113000,A,4807.038,N,01131.000,E,,,081226,,"));
    EXPECT_EQ(notes.join(QLatin1Char('\n')).toStdString(),
              "live time: file 2004-06-15T08:15:00Z is sent as 2026-12-08T06:30:00Z (offset +8210 days 22:15:00)\n"
              "live time (loop): file 2004-06-15T08:15:00Z is sent as 2026-12-08T11:30:00Z (offset +8211 days 03:15:00)");

    // A start instant; a log whose first timed sentence has no date gets the
    // start's date when the first date arrives.
    LiveClock start(TimeChoice{TimeMode::Start, utcMs("2025-12-31T23:59:58Z")});
    notes.clear();
    start.setReporter(noting);
    EXPECT_EQ(through(start, "GPGGA,101010,,,,,0,00,,,,,,,"), framed("GPGGA,235958,,,,,0,00,,,,,,,"));
    EXPECT_EQ(through(start, "GPRMC,101012,V,,,,,,,070795,,"), framed("GPRMC,000000,V,,,,,,,010126,,"));
    EXPECT_EQ(through(start, "GPZDA,101013,07,07,1995,00,00"), framed("GPZDA,000001,01,01,2026,00,00"));
    EXPECT_EQ(notes.join(QLatin1Char('\n')).toStdString(),
              "live time: file 10:10:10 (no date yet) is sent as 2025-12-31T23:59:58Z\n"
              "live time: file 1995-07-07T10:10:12Z is sent as 2026-01-01T00:00:00Z (offset +11135 days 13:49:48)");

    // file: nothing changes.
    LiveClock file{TimeChoice{}};
    EXPECT_EQ(through(file, "GPRMC,081500,A,4807.038,N,01131.000,E,,,150604,,"),
              framed("GPRMC,081500,A,4807.038,N,01131.000,E,,,150604,,"));
    EXPECT_FALSE(file.offsetMs());
}

TEST(LiveTime, TimeChoicesAndTheirMistakes)
{
    EXPECT_EQ(parseTimeChoice(QStringLiteral("file")), TimeChoice{});
    EXPECT_EQ(parseTimeChoice(QStringLiteral("NOW")), (TimeChoice{TimeMode::Now, 0}));
    EXPECT_EQ(timeChoiceText(TimeChoice{}), QStringLiteral("file"));
    EXPECT_EQ(timeChoiceText(TimeChoice{TimeMode::Now, 0}), QStringLiteral("now"));
    struct Good {
        const char* text;
        const char* utc;
    } good[] = {
        {"2024-05-01T12:00:00Z", "2024-05-01T12:00:00Z"},
        {"2024-05-01T12:00:00", "2024-05-01T12:00:00Z"}, // no zone: UTC, never local time
        {"2024-05-01T14:00:00+02:00", "2024-05-01T12:00:00Z"},
        {"2024-05-01T12:00:00.250Z", "2024-05-01T12:00:00.250Z"},
        {"2024-05-01", "2024-05-01T00:00:00Z"},
    };
    for (const Good& g : good) {
        const auto c = parseTimeChoice(QString::fromLatin1(g.text));
        ASSERT_TRUE(c) << g.text;
        EXPECT_EQ(*c, (TimeChoice{TimeMode::Start, utcMs(g.utc)})) << g.text;
        EXPECT_EQ(parseTimeChoice(timeChoiceText(*c)), c) << g.text;
    }
    struct Bad {
        const char* text;
        const char* inError;
    } bad[] = {
        {"yesterday", "none of file, now or an ISO 8601"},
        {"2024-13-01T00:00:00Z", "ISO 8601"},
        {"12:00:00", "ISO 8601"},
        {"", "ISO 8601"},
        {"2090-01-01T00:00:00Z", "outside 1981..2080"},
        {"1975-01-01T00:00:00Z", "outside 1981..2080"},
    };
    for (const Bad& b : bad) {
        QString error;
        EXPECT_FALSE(parseTimeChoice(QString::fromLatin1(b.text), &error)) << b.text;
        EXPECT_TRUE(error.contains(QString::fromLatin1(b.inError))) << b.text << ": " << error.toStdString();
    }
}
