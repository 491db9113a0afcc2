#include "sim/status/record_clock.h"

#include "common/number_text.h"



namespace zelvan {
namespace {

int fieldValue(QStringView text, qsizetype from)
{
    // Val of two characters: leading number, 0 when there is none.
    return static_cast<int>(zv::leadingNumber(text.mid(from, 2)));
}

QString twoDigits(qint64 v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString weekdayName(int dowMon, bool german)
{
    static const char* const en[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    static const char* const de[] = {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"};
    if (dowMon < 1 || dowMon > 7)
        return QString();
    return QString::fromLatin1(german ? de[dowMon - 1] : en[dowMon - 1]);
}

QString monthName(int month, bool german)
{
    static const char* const en[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char16_t* const de[] = {u"Januar", u"Februar", u"M\u00e4rz",     u"April",   u"Mai",      u"Juni",
                                         u"Juli",   u"August",  u"September", u"Oktober", u"November", u"Dezember"};
    if (month < 1 || month > 12)
        return QString();
    return german ? QString::fromUtf16(de[month - 1]) : QString::fromLatin1(en[month - 1]);
}

int weekdaySundayFirst(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

bool isCentralEuropeanSummer(const QDate& utcDate, int utcHour)
{
    const int month = utcDate.month();
    const int day = utcDate.day();
    const int dowSun = weekdaySundayFirst(utcDate);
    // day - dowSun is the date of the Sunday before (or on) this day, minus
    // one: above 23 means that Sunday is the 25th or later, the month's last.
    const bool onOrAfterLastSunday = day - dowSun > 23;
    switch (month) {
    case 3:
        return onOrAfterLastSunday && !(dowSun == 1 && utcHour < 1);
    case 4: case 5: case 6: case 7: case 8: case 9:
        return true;
    case 10:
        return !onOrAfterLastSunday || (dowSun == 1 && utcHour < 1);
    default:
        return false;
    }
}

LocalOffset localOffset(const QDate& utcDate, int utcHour, int tzDiff)
{
    if (tzDiff != 1)
        return {tzDiff, std::nullopt};
    const bool summer = isCentralEuropeanSummer(utcDate, utcHour);
    return {summer ? 2 : 1, summer ? QStringLiteral("MESZ") : QStringLiteral("MEZ")};
}

QString tzLabelText(int tzDiff)
{
    return (tzDiff >= 0 ? QStringLiteral("+") : QString()) + QString::number(tzDiff);
}

QString zoneLabelForDiff(int tzDiff)
{
    return tzDiff == 1 ? QStringLiteral("MEZ") : QStringLiteral("LOC");
}

ClockLabelColours clockLabelColours(bool showLocal)
{
    const zv::Rgb bright = zv::rgbFromBgr(0xFF00);
    const zv::Rgb dark = zv::rgbFromBgr(0x8000);
    return showLocal ? ClockLabelColours{dark, bright} : ClockLabelColours{bright, dark};
}

std::optional<QDateTime> recordDateTime(QStringView ddmmyy, QStringView hhmmss)
{
    const int day = fieldValue(ddmmyy, 0);
    const int month = fieldValue(ddmmyy, 2);
    const int yy = fieldValue(ddmmyy, 4);
    if (yy == 89)
        return std::nullopt;
    // A record without a time (an empty field) names no moment: the clock and
    // the trip timer stay as they are.
    if (hhmmss.isEmpty() || !hhmmss.front().isDigit())
        return std::nullopt;
    const int hour = fieldValue(hhmmss, 0);
    const int minute = fieldValue(hhmmss, 2);
    const int second = fieldValue(hhmmss, 4);
    if (month < 1 || month > 12 || day < 1 || day > 31 || yy < 0 || yy > 99)
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    const int year = yy < 80 ? 2000 + yy : 1900 + yy;
    // Day 31 of a 30-day month rolls into the next, as a date serial would.
    const QDate date = QDate(year, month, 1).addDays(day - 1);
    return QDateTime(date, QTime(0, 0), Qt::UTC).addSecs(hour * 3600 + minute * 60 + second);
}

qint64 tripMinutes(const QDateTime& start, const QDateTime& now)
{
    auto minuteOf = [](const QDateTime& t) {
        const qint64 s = t.toSecsSinceEpoch();
        return s >= 0 ? s / 60 : -((-s + 59) / 60);
    };
    return minuteOf(now) - minuteOf(start);
}

std::optional<QString> tripTimerText(qint64 minutes)
{
    if (minutes < 0 || minutes >= 100)
        return std::nullopt;
    return twoDigits(minutes / 60) + QLatin1Char(':') + twoDigits(minutes % 60);
}

ClockReadout showRecordClock(QStringView ddmmyy, QStringView hhmmss, int tzDiff, bool showLocal,
                             const QString& ttlText, const QDateTime& tripStart)
{
    ClockReadout out;
    const auto utc = recordDateTime(ddmmyy, hhmmss);
    if (!utc)
        return out;
    out.unchanged = false;

    out.tripStart = (ttlText.isEmpty() || !tripStart.isValid()) ? *utc : tripStart;
    if (const auto ttl = tripTimerText(tripMinutes(out.tripStart, *utc)))
        out.ttl = *ttl;
    else
        out.clearReadouts = true;

    const LocalOffset offset = localOffset(utc->date(), utc->time().hour(), tzDiff);
    out.label7 = offset.zoneName;
    const QDateTime shown = showLocal ? utc->addSecs(qint64(offset.hours) * 3600) : *utc;
    const QDate d = shown.date();
    const QTime t = shown.time();

    out.wtL = weekdayName(d.dayOfWeek(), showLocal);
    out.zeit = twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') + twoDigits(t.second());
    if (showLocal)
        out.datum = twoDigits(d.day()) + QStringLiteral(". ") + monthName(d.month(), true).left(3) + QLatin1Char(' ')
                    + QString::number(d.year());
    else
        out.datum = QString::number(d.year()) + QLatin1Char('-') + monthName(d.month(), false) + QLatin1Char('-')
                    + twoDigits(d.day());
    return out;
}

} // namespace zelvan
