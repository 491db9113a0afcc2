#include "sim/rig/live_time.h"

#include "common/nmea.h"
#include "common/nmea_dates.h"
#include "sim/rig/sentence_edit.h"

#include <QDate>
#include <QDateTime>
#include <cstdio>

namespace zelvan {

namespace {

// The years a two-digit RMC year stands for.
constexpr int kFirstYear = 1901 + zv::kTwoDigitYearPivot;
constexpr int kLastYear = 2000 + zv::kTwoDigitYearPivot;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

qint64 roundToUnit(qint64 ms, qint64 unit)
{
    return floorDiv(ms + unit / 2, unit) * unit;
}

const qint64 kJulian1970 = QDate(1970, 1, 1).toJulianDay();

std::optional<qint64> dayOf(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date.toJulianDay() - kJulian1970;
}

bool isDigits(QByteArrayView text, qsizetype n)
{
    return text.size() == n && zv::allDigits(text);
}

int number(QByteArrayView text)
{
    int n = 0;
    for (char c : text)
        n = n * 10 + (c - '0');
    return n;
}

// ddmmyy
std::optional<qint64> rmcDay(QByteArrayView text)
{
    if (!isDigits(text, 6))
        return std::nullopt;
    const int yy = number(text.sliced(4, 2));
    return dayOf(yy > zv::kTwoDigitYearPivot ? 1900 + yy : 2000 + yy, number(text.sliced(2, 2)), number(text.first(2)));
}

std::optional<qint64> zdaDay(QByteArrayView day, QByteArrayView month, QByteArrayView year)
{
    if (!isDigits(day, 2) || !isDigits(month, 2) || !isDigits(year, 4))
        return std::nullopt;
    return dayOf(number(year), number(month), number(day));
}

QByteArray twoDigitText(int n)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n % 100);
    return buffer;
}

// Where a sentence type keeps its time; 0 for a type without one.
int timeFieldOf(QByteArrayView type)
{
    if (type == "RMC" || type == "GGA" || type == "GNS" || type == "ZDA" || type == "GST" || type == "GBS")
        return 1;
    if (type == "GLL")
        return 5;
    return 0;
}

} // namespace

std::optional<TimeChoice> parseTimeChoice(const QString& text, QString* error)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0)
        return TimeChoice{};
    if (t.compare(QLatin1String("now"), Qt::CaseInsensitive) == 0)
        return TimeChoice{TimeMode::Now, 0};
    QString iso = t;
    // A time without a zone is UTC here, never the computer's local time.
    const qsizetype tee = iso.indexOf(QLatin1Char('T'));
    const bool zoned = iso.endsWith(QLatin1Char('Z'), Qt::CaseInsensitive)
        || (tee > 0 && (iso.indexOf(QLatin1Char('+'), tee) > 0 || iso.indexOf(QLatin1Char('-'), tee) > 0));
    if (tee < 0 && iso.size() == 10)
        iso += QStringLiteral("T00:00:00");
    if (!zoned)
        iso += QLatin1Char('Z');
    const QDateTime instant = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!instant.isValid() || iso.indexOf(QLatin1Char('T')) < 0) {
        if (error)
            *error = QStringLiteral("\"%1\" is none of file, now or an ISO 8601 UTC instant such as "
                                    "2024-05-01T12:00:00Z")
                         .arg(text);
        return std::nullopt;
    }
    const QDateTime utc = instant.toUTC();
    if (utc.date().year() < kFirstYear || utc.date().year() > kLastYear) {
        if (error)
            *error = QStringLiteral("%1 lies outside %2..%3, the years a two-digit RMC year can carry")
                         .arg(utc.toString(Qt::ISODate))
                         .arg(kFirstYear)
                         .arg(kLastYear);
        return std::nullopt;
    }
    return TimeChoice{TimeMode::Start, utc.toMSecsSinceEpoch()};
}

QString timeChoiceText(const TimeChoice& choice)
{
    switch (choice.mode) {
    case TimeMode::File:
        return QStringLiteral("file");
    case TimeMode::Now:
        return QStringLiteral("now");
    case TimeMode::Start:
        break;
    }
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(choice.startMs, Qt::UTC);
    return utc.toString(choice.startMs % 1000 == 0 ? Qt::ISODate : Qt::ISODateWithMs);
}

std::optional<SentenceTime> sentenceTime(QByteArrayView sentence)
{
    const QByteArray type = zv::sentenceType(sentence);
    const int field = timeFieldOf(type);
    if (field == 0)
        return std::nullopt;
    const auto tod = parseTimeOfDay(zv::sentenceField(sentence, field));
    if (!tod)
        return std::nullopt;
    SentenceTime t{tod->ms, std::nullopt};
    if (type == "RMC")
        t.day = rmcDay(zv::sentenceField(sentence, 9));
    else if (type == "ZDA")
        t.day = zdaDay(zv::sentenceField(sentence, 2), zv::sentenceField(sentence, 3), zv::sentenceField(sentence, 4));
    return t;
}

QByteArray shiftSentenceTime(const QByteArray& sentence, qint64 offsetMs)
{
    const QByteArray type = zv::sentenceType(sentence);
    const int field = timeFieldOf(type);
    if (field == 0)
        return sentence;
    return editSentence(sentence, [&](SentenceFields& f) {
        if (f.size() <= field)
            return false;
        const auto tod = parseTimeOfDay(f[field]);
        if (!tod)
            return false;
        std::optional<qint64> day;
        if (type == "RMC" && f.size() > 9)
            day = rmcDay(f[9]);
        else if (type == "ZDA" && f.size() > 4)
            day = zdaDay(f[2], f[3], f[4]);
        qint64 unit = 1;
        for (int d = tod->decimals; d < 3; ++d)
            unit *= 10;
        const qint64 instant = roundToUnit(day.value_or(0) * kMsPerDay + tod->ms + offsetMs, unit);
        f[field] = timeOfDayText(floorMod(instant, kMsPerDay), tod->decimals);
        if (day) {
            const QDate date = QDate::fromJulianDay(floorDiv(instant, kMsPerDay) + kJulian1970);
            if (type == "RMC") {
                f[9] = twoDigitText(date.day()) + twoDigitText(date.month()) + twoDigitText(date.year());
            } else {
                f[2] = twoDigitText(date.day());
                f[3] = twoDigitText(date.month());
                f[4] = QByteArray::number(date.year()).rightJustified(4, '0');
            }
        }
        return true;
    });
}

namespace {

QString utcText(qint64 ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return t.toString(floorMod(ms, 1000) == 0 ? Qt::ISODate : Qt::ISODateWithMs);
}

} // namespace

QString liveTimeNoteText(const LiveTimeNote& note)
{
    const QString head = note.again ? QStringLiteral("live time (loop): ") : QStringLiteral("live time: ");
    if (!note.file.day) {
        const QTime time = QTime::fromMSecsSinceStartOfDay(int(note.file.msOfDay));
        return head
            + QStringLiteral("file %1 (no date yet) is sent as %2")
                  .arg(time.toString(note.file.msOfDay % 1000 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss")),
                       utcText(note.sentMs));
    }
    const qint64 seconds = (note.offsetMs < 0 ? -note.offsetMs : note.offsetMs) / 1000;
    char offset[48];
    std::snprintf(offset, sizeof offset, "%c%lld days %02d:%02d:%02d", note.offsetMs < 0 ? '-' : '+',
                  static_cast<long long>(seconds / 86400), int(seconds / 3600 % 24), int(seconds / 60 % 60),
                  int(seconds % 60));
    return head
        + QStringLiteral("file %1 is sent as %2 (offset %3)")
              .arg(utcText(*note.file.day * kMsPerDay + note.file.msOfDay), utcText(note.sentMs),
                   QString::fromLatin1(offset));
}

void LiveClock::note(const SentenceTime& file, qint64 day)
{
    if (m_report)
        m_report(LiveTimeNote{file, day * kMsPerDay + file.msOfDay + *m_offset, *m_offset, m_again});
}

std::pair<QByteArray, QByteArray> shiftClockText(const QByteArray& ddmmyy, const QByteArray& hhmmss, qint64 offsetMs)
{
    const QByteArray moved =
        shiftSentenceTime(zv::frameSentence("GPRMC," + hhmmss + ",A" + QByteArray(7, ',') + ddmmyy + ",,"), offsetMs);
    return {zv::sentenceField(moved, 9), zv::sentenceField(moved, 1)};
}

LiveClock::LiveClock(TimeChoice choice, std::function<qint64()> nowMs)
    : m_choice(choice), m_now(nowMs ? std::move(nowMs) : [] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

QByteArray LiveClock::rewrite(const QByteArray& sentence)
{
    if (m_choice.mode == TimeMode::File)
        return sentence;
    const auto t = sentenceTime(sentence);
    if (!m_offset) {
        if (!t)
            return sentence;
        const qint64 target = m_choice.mode == TimeMode::Now ? m_now() : m_choice.startMs;
        const qint64 day = t->day.value_or(floorDiv(target, kMsPerDay));
        m_offset = roundToUnit(target - (day * kMsPerDay + t->msOfDay), 1000);
        m_dated = t->day.has_value();
        m_anchorTarget = target;
        m_anchorMsOfDay = t->msOfDay;
        note(*t, day);
    } else if (!m_dated && t && t->day) {
        // The first date: the time of day is already set; only whole days move,
        // so that this sentence falls on the target's day plus what has run since.
        const qint64 wanted = m_anchorTarget + floorMod(t->msOfDay - m_anchorMsOfDay, kMsPerDay);
        const qint64 have = *t->day * kMsPerDay + t->msOfDay + *m_offset;
        *m_offset += floorDiv(wanted - have + kMsPerDay / 2, kMsPerDay) * kMsPerDay;
        m_dated = true;
        note(*t, *t->day);
    }
    return shiftSentenceTime(sentence, *m_offset);
}

} // namespace zelvan
