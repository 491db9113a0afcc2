#include "sim/status/record_clock.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <QTimeZone>

using namespace zelvan;

namespace {

// Independent of the code under test: the last Sunday of a month by
// Sakamoto's weekday formula, counted back from the month's last day.
int lastSunday(int year, int month)
{
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int last = QDate(year, month, 1).daysInMonth();
    int y = year - (month < 3 ? 1 : 0);
    const int dow = (y + y / 4 - y / 100 + y / 400 + t[month - 1] + last) % 7; // 0 = Sunday
    return last - dow;
}

// The EU rule: summer from the last Sunday of March 01:00 UTC to the last
// Sunday of October 01:00 UTC.
bool euSummer(const QDateTime& utc)
{
    const int y = utc.date().year();
    const QDateTime start(QDate(y, 3, lastSunday(y, 3)), QTime(1, 0), Qt::UTC);
    const QDateTime end(QDate(y, 10, lastSunday(y, 10)), QTime(1, 0), Qt::UTC);
    return utc >= start && utc < end;
}

TEST(SummerTime, FollowsTheEuropeanRuleAroundEverySwitch2000To2040)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid()) << "the system time-zone database (tzdata) is needed";
    int checked = 0;
    for (int year = 2000; year <= 2040; ++year) {
        for (int month : {3, 10}) {
            const QDate sunday(year, month, lastSunday(year, month));
            ASSERT_EQ(sunday.dayOfWeek(), 7);
            ASSERT_GT(sunday.addDays(7).month(), month);
            // The Saturday before, the Sunday itself and the Monday after, at
            // every hour, at the first and the last minute of the hour.
            for (int dd = -1; dd <= 1; ++dd) {
                for (int hour = 0; hour < 24; ++hour) {
                    for (int minute : {0, 59}) {
                        const QDateTime utc(sunday.addDays(dd), QTime(hour, minute), Qt::UTC);
                        const bool summer = euSummer(utc);
                        ASSERT_EQ(berlin.offsetFromUtc(utc), summer ? 7200 : 3600) << utc.toString(Qt::ISODate).toStdString();
                        EXPECT_EQ(isCentralEuropeanSummer(utc.date(), hour), summer)
                            << utc.toString(Qt::ISODate).toStdString();
                        const LocalOffset off = localOffset(utc.date(), hour, 1);
                        EXPECT_EQ(off.hours, summer ? 2 : 1);
                        EXPECT_EQ(off.zoneName, summer ? QStringLiteral("MESZ") : QStringLiteral("MEZ"));
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 41 * 2 * 3 * 24 * 2);
}

TEST(SummerTime, AgreesWithTheTimeZoneDatabaseOnEveryDay)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    for (QDate d(2000, 1, 1); d.year() <= 2040; d = d.addDays(1)) {
        const QDateTime noon(d, QTime(12, 0), Qt::UTC);
        ASSERT_EQ(isCentralEuropeanSummer(d, 12), berlin.offsetFromUtc(noon) == 7200) << d.toString(Qt::ISODate).toStdString();
    }
}

struct ClockCase {
    const char* date;
    const char* time;
    int tzDiff;
    bool local;
    const char* wtL;
    const char* datum;
    const char* zeit;
    const char* label7; // "" = untouched
};

TEST(ShowRecordClock, ShowsUniversalOrLocalTime)
{
    const ClockCase cases[] = {
        // Around the spring switch, the last Sunday of March 2026.
        {"290326", "005900", 1, true, "Sonntag", "29. M\u00e4r 2026", "01:59:00", "MEZ"},
        {"290326", "010000", 1, true, "Sonntag", "29. M\u00e4r 2026", "03:00:00", "MESZ"},
        // Around the autumn switch, the last Sunday of October 2026.
        {"251026", "005900", 1, true, "Sonntag", "25. Okt 2026", "02:59:00", "MESZ"},
        {"251026", "010000", 1, true, "Sonntag", "25. Okt 2026", "02:00:00", "MEZ"},
        // The Saturday before: 28 - 7 = 21, winter.
        {"280326", "120000", 1, true, "Samstag", "28. M\u00e4r 2026", "13:00:00", "MEZ"},
        // Universal time shows English names; the zone label still follows summer time.
        {"061226", "083015", 1, false, "Sunday", "2026-Dec-06", "08:30:15", "MEZ"},
        {"150726", "235959", 1, false, "Wednesday", "2026-Jul-15", "23:59:59", "MESZ"},
        // Another difference: fixed offset, Label7 untouched.
        {"061226", "030000", -5, true, "Samstag", "05. Dez 2026", "22:00:00", ""},
        {"061226", "030000", 0, true, "Sonntag", "06. Dez 2026", "03:00:00", ""},
        {"061226", "030000", 12, false, "Sunday", "2026-Dec-06", "03:00:00", ""},
        // Past midnight in local time the day, weekday, month and year move together.
        {"311226", "233000", 1, true, "Freitag", "01. Jan 2027", "00:30:00", "MEZ"},
        // Year digits: 79 is 2079, 80 is 1980.
        {"010179", "000000", 0, false, "Sunday", "2079-Jan-01", "00:00:00", ""},
        {"010180", "000000", 0, false, "Tuesday", "1980-Jan-01", "00:00:00", ""},
        // A leap second rolls into the next minute.
        {"311216", "235960", 0, false, "Sunday", "2017-Jan-01", "00:00:00", ""},
    };
    for (const auto& c : cases) {
        const ClockReadout r = showRecordClock(QString::fromLatin1(c.date), QString::fromLatin1(c.time), c.tzDiff,
                                               c.local, QString(), QDateTime());
        const std::string where = std::string(c.date) + " " + c.time + " diff " + std::to_string(c.tzDiff);
        ASSERT_FALSE(r.unchanged) << where;
        EXPECT_EQ(r.wtL, QString::fromUtf8(c.wtL)) << where;
        EXPECT_EQ(r.datum, QString::fromUtf8(c.datum)) << where;
        EXPECT_EQ(r.zeit, QString::fromLatin1(c.zeit)) << where;
        if (*c.label7)
            EXPECT_EQ(r.label7, QString::fromLatin1(c.label7)) << where;
        else
            EXPECT_FALSE(r.label7.has_value()) << where;
    }
}

TEST(ShowRecordClock, LeavesTheLabelsAloneWithoutARealDateOrTime)
{
    const char* dates[] = {"010189", "000126", "011326", "", "ab0126", "320126"};
    for (const char* d : dates)
        EXPECT_TRUE(showRecordClock(QString::fromLatin1(d), u"120000", 1, false, QString(), QDateTime()).unchanged) << d;
    // No time: the clock and the running trip timer stay (an RMC with an empty
    // time field gives ""; read by column it gave ",A,440", 00:00:40).
    for (const char* t : {"250000", "", ",A,440"})
        EXPECT_TRUE(showRecordClock(u"010126", QString::fromLatin1(t), 1, false, QStringLiteral("00:05"),
                                    QDateTime(QDate(2026, 1, 1), QTime(11, 55), Qt::UTC))
                        .unchanged)
            << t;
    // 31 of a 30-day month rolls over, as a date serial would.
    EXPECT_EQ(showRecordClock(u"310426", u"120000", 0, false, QString(), QDateTime()).datum, QStringLiteral("2026-May-01"));
}

TEST(TripTimer, CountsWholeMinutesUpTo99)
{
    const QDateTime start(QDate(2026, 12, 6), QTime(10, 0, 59), Qt::UTC);
    struct Case {
        int seconds; // after start
        const char* ttl; // nullptr: reset
    };
    const Case cases[] = {
        {0, "00:00"}, {1, "00:01"}, {60, "00:01"}, {61, "00:02"}, {75 * 60, "01:15"},
        {99 * 60, "01:39"}, {99 * 60 + 1, nullptr}, {100 * 60 - 59, nullptr}, {-1, "00:00"}, {-60, nullptr},
    };
    for (const auto& c : cases) {
        const auto text = tripTimerText(tripMinutes(start, start.addSecs(c.seconds)));
        if (c.ttl)
            EXPECT_EQ(text, QString::fromLatin1(c.ttl)) << c.seconds;
        else
            EXPECT_FALSE(text.has_value()) << c.seconds;
    }
}

TEST(TripTimer, StartsWithAnEmptyTimerAndResetsOutOfRange)
{
    ClockReadout first = showRecordClock(u"061226", u"100000", 1, false, QString(), QDateTime());
    EXPECT_EQ(first.ttl, QStringLiteral("00:00"));
    EXPECT_FALSE(first.clearReadouts);
    ClockReadout later = showRecordClock(u"061226", u"113900", 1, false, first.ttl, first.tripStart);
    EXPECT_EQ(later.ttl, QStringLiteral("01:39"));
    EXPECT_EQ(later.tripStart, first.tripStart);
    ClockReadout tooLate = showRecordClock(u"061226", u"114000", 1, false, later.ttl, later.tripStart);
    EXPECT_TRUE(tooLate.clearReadouts);
    EXPECT_EQ(tooLate.zeit, QStringLiteral("11:40:00")); // the clock itself is still shown
    ClockReadout before = showRecordClock(u"051226", u"235900", 1, false, later.ttl, later.tripStart);
    EXPECT_TRUE(before.clearReadouts);
    // After the reset TTL is empty, so the next record starts a new trip.
    ClockReadout again = showRecordClock(u"061226", u"114100", 1, false, QString(), tooLate.tripStart);
    EXPECT_EQ(again.ttl, QStringLiteral("00:00"));
}

TEST(ClockLabels, TimeZoneTextsNamesAndColours)
{
    EXPECT_EQ(tzLabelText(1), QStringLiteral("+1"));
    EXPECT_EQ(tzLabelText(0), QStringLiteral("+0"));
    EXPECT_EQ(tzLabelText(-5), QStringLiteral("-5"));
    EXPECT_EQ(tzLabelText(12), QStringLiteral("+12"));
    EXPECT_EQ(zoneLabelForDiff(1), QStringLiteral("MEZ"));
    EXPECT_EQ(zoneLabelForDiff(2), QStringLiteral("LOC"));
    EXPECT_EQ(localOffset(QDate(2026, 7, 1), 12, -5).hours, -5);

    // The names themselves show in the clock cases above; here only the edges.
    EXPECT_EQ(weekdayName(1, true), QStringLiteral("Montag"));
    EXPECT_EQ(monthName(3, true), QStringLiteral("M\u00e4rz"));
    EXPECT_EQ(monthName(12, false), QStringLiteral("Dec"));
    EXPECT_EQ(weekdayName(0, false), QString());
    EXPECT_EQ(monthName(13, true), QString());

    EXPECT_EQ(zv::rgbFromBgr(0xFF), (zv::Rgb{255, 0, 0}));
    EXPECT_EQ(zv::rgbFromBgr(0xC0C0), (zv::Rgb{192, 192, 0})); // olive
    const ClockLabelColours utc = clockLabelColours(false);
    EXPECT_EQ(utc.label2, (zv::Rgb{0, 255, 0}));
    EXPECT_EQ(utc.label7, (zv::Rgb{0, 128, 0}));
    const ClockLabelColours local = clockLabelColours(true);
    EXPECT_EQ(local.label2, (zv::Rgb{0, 128, 0}));
    EXPECT_EQ(local.label7, (zv::Rgb{0, 255, 0}));
}

} // namespace
