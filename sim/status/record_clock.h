#pragma once
// The clock read-out of the replayed record: universal or local time, the
// central-European summer-time rule, weekday and month names in English and
// German, and the trip timer.
#include "common/colour.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace zelvan {

// Weekday 1 = Monday .. 7 = Sunday; month 1..12. German names go with the
// local-time display, English ones with universal time.
QString weekdayName(int dowMon, bool german);
QString monthName(int month, bool german);

// Day of week with Sunday = 1 .. Saturday = 7.
int weekdaySundayFirst(const QDate& date);

// Summer time in central Europe, decided from the universal date and hour:
// from the last Sunday of March at 01:00 UTC up to the last Sunday of
// October at 01:00 UTC.
bool isCentralEuropeanSummer(const QDate& utcDate, int utcHour);

struct LocalOffset {
    int hours = 0;
    // "MEZ"/"MESZ" when the difference is 1 (the zone then follows summer
    // time); nullopt leaves Label7 as it is.
    std::optional<QString> zoneName;
};
LocalOffset localOffset(const QDate& utcDate, int utcHour, int tzDiff);

// TZL for a time-zone difference: "+1", "+0", "-5".
QString tzLabelText(int tzDiff);
// Label7 after a change of TZdiff: "MEZ" for 1, else "LOC".
QString zoneLabelForDiff(int tzDiff);

// Back colours of Label2 ("UTC") and Label7 (local zone): the active one
// bright green (&HFF00), the other dark green (&H8000).
struct ClockLabelColours {
    zv::Rgb label2;
    zv::Rgb label7;
};
ClockLabelColours clockLabelColours(bool showLocal);

// The record's universal time from "ddmmyy" and "hhmmss"; nullopt for the
// year digits 89 (a record without a real date), for a time that is empty or
// does not begin with a digit, and for a date or time that names no calendar
// day (month 13, day 0, hour 25).
std::optional<QDateTime> recordDateTime(QStringView ddmmyy, QStringView hhmmss);

// The trip timer: minutes from the trip start to the record, counted by
// whole-minute boundaries (10:00:59 to 10:01:00 is 1).
qint64 tripMinutes(const QDateTime& start, const QDateTime& now);
// TTL text for 0..99 minutes ("01:15"); nullopt outside that range, where
// the read-outs are reset and the next record starts a new trip.
std::optional<QString> tripTimerText(qint64 minutes);

// What ShowRecordClock puts on the window for one record.
struct ClockReadout {
    bool unchanged = true;       // no real date: leave every label as it is
    bool clearReadouts = false;  // trip out of range: run ClearReadouts first (TTL stays empty)
    QString ttl;                 // TTL, when !clearReadouts
    QDateTime tripStart;         // keep for the next call
    QString wtL;                 // weekday
    QString datum;               // date
    QString zeit;                // time of day hh:mm:ss
    std::optional<QString> label7; // zone name when TZdiff is 1
};

// ShowRecordClock. ttlText is TTL's current text (empty: a new trip starts
// with this record), tripStart the value kept from the last call.
// In local display the day, weekday, month, year and time all follow the
// local date, so "31. Dez 2026" never turns into "31. Jan 2027" past
// midnight.
ClockReadout showRecordClock(QStringView ddmmyy, QStringView hhmmss, int tzDiff, bool showLocal,
                             const QString& ttlText, const QDateTime& tripStart);

} // namespace zelvan
