#include "sim/tracks/track_record.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/geometry/track_geometry.h"
#include "sim/tracks/track_text.h"

#include <QDate>
#include <algorithm>
#include <cmath>

namespace zelvan {

using namespace tracktext;

namespace {

constexpr double kFeetToMetres = 0.3048;
// Speeds beyond this come only from broken positions; they are capped so the
// whole-number conversions stay defined.
constexpr double kMaxSpeedKmh = 1e9;
// OziExplorer day numbers count from this date.
const QDate kOziEpoch(1899, 12, 30);

double num(QByteArrayView text)
{
    return zv::leadingNumber(text);
}

QByteArray ddmmyyyy(const QDate& date)
{
    return zv::zeroPadded(date.day(), 2) + zv::zeroPadded(date.month(), 2) + zv::zeroPadded(date.year(), 4);
}

void setClock(TrackFix& fix, int secondsOfDay)
{
    const QByteArray hh = zv::zeroPadded(secondsOfDay / 3600, 2);
    const QByteArray mm = zv::zeroPadded(secondsOfDay / 60 % 60, 2);
    const QByteArray ss = zv::zeroPadded(secondsOfDay % 60, 2);
    fix.timeText = hh + mm + ss;
    fix.clockText = hh + ':' + mm + ':' + ss;
}

// "hh:mm:ss" as the file gives it; the time text drops the colons.
void setClockText(TrackFix& fix, QByteArrayView clock)
{
    fix.clockText = clock.toByteArray();
    fix.timeText = columns(clock, 1, 2).toByteArray() + columns(clock, 4, 2).toByteArray()
        + columns(clock, 7, 2).toByteArray();
}

void setDate(TrackFix& fix, QByteArrayView day, QByteArrayView month, QByteArrayView year)
{
    fix.recordDate = day.toByteArray() + monthNumber(month) + fullYear(year);
}

// Date and time from an OziExplorer day number (days since 30.12.1899, the
// fraction being the time of day). False when the number cannot be a date.
bool setFromDayNumber(TrackFix& fix, double dayNumber)
{
    if (!(dayNumber > 0 && dayNumber < 3e6))
        return false;
    double whole = std::floor(dayNumber);
    long long seconds = std::llround((dayNumber - whole) * 86400.0);
    if (seconds >= 86400) {
        whole += 1;
        seconds -= 86400;
    }
    fix.recordDate = ddmmyyyy(kOziEpoch.addDays(static_cast<qint64>(whole)));
    setClock(fix, static_cast<int>(seconds));
    return true;
}

bool isClockText(QByteArrayView clock)
{
    static const char pattern[] = "99:99:99";
    if (clock.size() != 8)
        return false;
    for (int i = 0; i < 8; ++i) {
        const bool digit = clock[i] >= '0' && clock[i] <= '9';
        if (pattern[i] == '9' ? !digit : clock[i] != ':')
            return false;
    }
    return true;
}

bool isPlainDate(const QByteArray& date)
{
    return date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; })
        && date.mid(2, 2) != "00";
}

void setDecimalPosition(TrackFix& fix, double lat, bool south, double lon, bool west)
{
    fix.latText = latitudeText(std::fabs(lat) * 60.0);
    fix.lonText = longitudeText(std::fabs(lon) * 60.0);
    fix.latHemisphere = south ? 'S' : 'N';
    fix.lonHemisphere = west ? 'W' : 'E';
}

QByteArray feetToMetresText(QByteArrayView feet)
{
    return zv::trimmedNumberText(num(feet) * kFeetToMetres).toLatin1();
}

// A time of day as "hh:mm:ss" in 24-hour form; "4:18:27 PM" is not one.
bool isDayClock(QByteArrayView clock)
{
    return isClockText(clock) && num(clock.first(2)) < 24 && num(clock.sliced(3, 2)) < 60
        && num(clock.sliced(6, 2)) < 60;
}

// "hhmmss", as the layout with a comma in column 13 writes the time.
bool isDigitClock(QByteArrayView clock)
{
    return clock.size() == 6 && std::all_of(clock.begin(), clock.end(), [](char c) { return c >= '0' && c <= '9'; })
        && num(clock.first(2)) < 24 && num(clock.sliced(2, 2)) < 60 && num(clock.sliced(4, 2)) < 60;
}

// A coordinate from fixed columns: the sign column says west or south, as
// does a sign the number carries left of it ("  -3.500000").
double columnCoordinate(QByteArrayView line, qsizetype signColumn, QByteArrayView number)
{
    const double value = num(number);
    return charAt(line, signColumn) == '-' || value < 0 ? -std::fabs(value) : std::fabs(value);
}

// Date and time from the texts of fields 6 and 7 ("13-Aug-07", "07:52:19"),
// for a line without a day number.
bool setFromDateAndClock(TrackFix& fix, QByteArrayView date, QByteArrayView clock)
{
    const auto parts = date.trimmed().toByteArray().split('-');
    if (parts.size() != 3 || !isDayClock(clock))
        return false;
    setDate(fix, parts[0].rightJustified(2, '0'), parts[1], parts[2]);
    setClockText(fix, clock);
    return isPlainDate(fix.recordDate);
}

// Records whose numbers stand where the columns put them are read by the
// columns; any other line by its comma fields (writers without padding, or
// with other padding: " 38.722149,  69.321493,..." would lose a digit).
std::optional<TrackFix> parseOzi(QByteArrayView line)
{
    TrackFix fix;
    const auto fields = commaFields(line);
    const bool layoutA = charAt(line, 13) == ',';
    const QByteArrayView latColumns = layoutA ? columns(line, 3, 10) : columns(line, 3, 9);
    const QByteArrayView lonColumns = layoutA ? columns(line, 15, 11) : columns(line, 14, 10);
    const double lat = columnCoordinate(line, 2, latColumns);
    const double lon = columnCoordinate(line, 14, lonColumns);
    const bool byColumns = line.startsWith(' ') && startsWithNumber(latColumns) && startsWithNumber(lonColumns)
        && (fields.size() < 2 || (lat == num(fields[0]) && lon == num(fields[1])));
    const QByteArrayView dayNumber = fields.size() >= 5 ? fields[4] : QByteArrayView();
    const QByteArrayView clock = fields.size() >= 7 ? fields[6].trimmed() : QByteArrayView();

    if (!byColumns) {
        if (fields.size() < 5 || !isDecimalNumber(fields[0]) || !isDecimalNumber(fields[1]))
            return std::nullopt;
        const double fieldLat = num(fields[0]);
        const double fieldLon = num(fields[1]);
        setDecimalPosition(fix, fieldLat, fieldLat < 0, fieldLon, fieldLon < 0);
        fix.altitudeText = feetToMetresText(fields[3]);
        // The day number is exact; without one, the date and time texts.
        if (!setFromDayNumber(fix, num(dayNumber))
            && !setFromDateAndClock(fix, fields.size() >= 6 ? fields[5] : QByteArrayView(), clock))
            return std::nullopt;
        return fix;
    }
    setDecimalPosition(fix, lat, lat < 0, lon, lon < 0);
    // The altitude is the fourth field; fixed columns would cut "1258.8" to "58.8".
    fix.altitudeText = feetToMetresText(fields.size() >= 4 ? fields[3] : columns(line, 30, 4));
    if (layoutA) {
        const qsizetype first = line.indexOf(',', 28);
        const qsizetype second = first < 0 ? -1 : line.indexOf(',', first + 1);
        if (second < 0)
            return std::nullopt;
        const qsizetype q = second + 2; // 1-based column after the second comma
        setDate(fix, columns(line, q, 2), columns(line, q + 2, 2), columns(line, q + 4, 2));
        const QByteArrayView hh = columns(line, q + 7, 2), mm = columns(line, q + 9, 2), ss = columns(line, q + 11, 2);
        fix.timeText = hh.toByteArray() + mm.toByteArray() + ss.toByteArray();
        fix.clockText = hh.toByteArray() + ':' + mm.toByteArray() + ':' + ss.toByteArray();
    } else {
        setDate(fix, columns(line, 50, 2), columns(line, 53, 3), columns(line, 57, 2));
        setClockText(fix, columns(line, 61, 8));
    }
    // A month name in another language ("août") gives no usable date and
    // shifts the time columns; a time in 12-hour form ("4:18:27 PM") is no
    // time of day in the columns. The day number in the fifth field says
    // both exactly; a 24-hour time text stands as written.
    const bool dateOk = isPlainDate(fix.recordDate);
    const bool clockOk = isDayClock(clock) || (layoutA && isDigitClock(clock));
    if (dateOk && clockOk)
        return fix;
    TrackFix fromDays = fix;
    if (!setFromDayNumber(fromDays, num(dayNumber)))
        return fix;
    if (!clockOk)
        return fromDays;
    fix.recordDate = fromDays.recordDate;
    if (isDayClock(clock))
        setClockText(fix, clock);
    return fix;
}

std::optional<TrackFix> parseTtqv(QByteArrayView line)
{
    TrackFix fix;
    setDecimalPosition(fix, num(columns(line, 5, 10)), charAt(line, 4) != '+', num(columns(line, 17, 11)),
                       charAt(line, 16) != '+');
    setDate(fix, columns(line, 29, 2), columns(line, 32, 3), columns(line, 36, 2));
    setClockText(fix, columns(line, 39, 8));
    fix.altitudeText = columns(line, 48, 4).trimmed().toByteArray();
    return fix;
}

std::optional<TrackFix> parsePcx5(QByteArrayView line)
{
    TrackFix fix;
    fix.latHemisphere = charAt(line, 4);
    fix.latText = columns(line, 5, 2).toByteArray() + columns(line, 7, 6).toByteArray();
    fix.lonHemisphere = charAt(line, 16);
    fix.lonText = columns(line, 17, 3).toByteArray() + columns(line, 20, 6).toByteArray();
    setDate(fix, columns(line, 29, 2), columns(line, 32, 3), columns(line, 36, 2));
    setClockText(fix, columns(line, 39, 8));
    return fix;
}

// Text between the first ";" at or after column 50 and the next ";". A line
// with the first but not the second has no decoding: nullopt. `rest` gets
// what follows the second.
std::optional<QByteArray> semicolonAltitude(QByteArrayView line, QByteArrayView* rest = nullptr)
{
    const qsizetype open = line.size() >= 50 ? line.indexOf(';', 49) : -1;
    if (open < 0)
        return QByteArray();
    const qsizetype close = line.indexOf(';', open + 1);
    if (close < 0)
        return std::nullopt;
    if (rest)
        *rest = line.sliced(close + 1);
    const QByteArrayView text = line.sliced(open + 1, close - open - 1);
    return isNoAltitudeMarker(text) ? QByteArray() : text.toByteArray();
}

std::optional<TrackFix> parseGardown(QByteArrayView line)
{
    QByteArrayView rest;
    const auto altitude = semicolonAltitude(line, &rest);
    if (!altitude)
        return std::nullopt;
    TrackFix fix;
    fix.latHemisphere = charAt(line, 4);
    fix.latText = columns(line, 5, 2).toByteArray() + columns(line, 8, 6).toByteArray();
    fix.lonHemisphere = charAt(line, 16);
    fix.lonText = columns(line, 17, 3).toByteArray() + columns(line, 21, 6).toByteArray();
    setDate(fix, columns(line, 37, 2), columns(line, 33, 3), columns(line, 49, 4));
    setClockText(fix, columns(line, 40, 8));
    fix.altitudeText = *altitude;
    // The receiver's null time (31.12.1989 00:00:00) is no time at all.
    fix.timed = rest.trimmed() != kMadeUpTimeMark && !fix.recordDate.endsWith("1989");
    return fix;
}

std::optional<TrackFix> parseG7ToWin(QByteArrayView line)
{
    const auto altitude = semicolonAltitude(line);
    if (!altitude)
        return std::nullopt;
    TrackFix fix;
    fix.latHemisphere = charAt(line, 4);
    fix.latText = latitudeText(std::fabs(num(columns(line, 5, 2)) * 60 + num(columns(line, 8, 2))
                                         + num(columns(line, 11, 5)) / 60));
    fix.lonHemisphere = charAt(line, 17);
    fix.lonText = longitudeText(std::fabs(num(columns(line, 18, 3)) * 60 + num(columns(line, 22, 2))
                                          + num(columns(line, 25, 5)) / 60));
    setDate(fix, columns(line, 39, 2), columns(line, 35, 3), columns(line, 51, 4));
    setClockText(fix, columns(line, 42, 8));
    fix.altitudeText = *altitude;
    return fix;
}

std::optional<TrackFix> parseKml(QByteArrayView line, const QDateTime& now)
{
    const QByteArrayView text = withoutIndent(line);
    const auto fields = commaFields(text);
    if (fields.size() < 2)
        return std::nullopt;
    TrackFix fix;
    const double lon = num(fields[0]);
    const double lat = num(fields[1]);
    setDecimalPosition(fix, lat, withoutIndent(fields[1]).startsWith('-') || lat < 0, lon,
                       text.startsWith('-') || lon < 0);
    fix.altitudeText = fields.size() >= 3 && startsWithNumber(fields[2])
        ? zv::trimmedNumberText(num(fields[2])).toLatin1()
        : QByteArray();
    const QDateTime utc = now.toUTC();
    fix.recordDate = ddmmyyyy(utc.date());
    setClock(fix, utc.time().msecsSinceStartOfDay() / 1000);
    fix.timed = false;
    return fix;
}

double minutesOf(const QByteArray& text, qsizetype degreeDigits)
{
    return num(text.left(degreeDigits)) * 60.0 + num(text.right(6));
}

int secondsOfDay(const QByteArray& clock)
{
    return static_cast<int>(num(columns(clock, 1, 2)) * 3600 + num(columns(clock, 4, 2)) * 60
                            + num(columns(clock, 7, 2)));
}

QByteArray degreesMinutesText(double minutesOfArc, int degreeDigits)
{
    double minutes = std::isfinite(minutesOfArc) ? std::clamp(std::fabs(minutesOfArc), 0.0, 6e8) : 0.0;
    const double degrees = std::floor(minutes / 60.0);
    QByteArray rest = zv::fixedText(minutes - 60.0 * degrees, 3).toLatin1();
    if (rest.size() < 6)
        rest.prepend('0');
    return QByteArray::number(static_cast<qint64>(degrees)).rightJustified(degreeDigits, '0') + rest;
}

} // namespace

QByteArray latitudeText(double minutesOfArc)
{
    return degreesMinutesText(minutesOfArc, 2);
}

QByteArray longitudeText(double minutesOfArc)
{
    return degreesMinutesText(minutesOfArc, 3);
}

QByteArray monthNumber(QByteArrayView monthText)
{
    if (monthText.size() == 2)
        return monthText.toByteArray();
    static const char* const names[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const QByteArray upper = monthText.toByteArray().toUpper();
    for (int i = 0; i < 12; ++i) {
        if (upper == names[i])
            return zv::zeroPadded(i + 1, 2);
    }
    return QByteArrayLiteral("00");
}

QByteArray fullYear(QByteArrayView yearText)
{
    if (yearText.size() != 2)
        return yearText.toByteArray();
    return (num(yearText) > kTwoDigitYearPivot ? QByteArrayLiteral("19") : QByteArrayLiteral("20"))
        + yearText.toByteArray();
}

QByteArray knotsText(int speedKmh)
{
    const double knots = std::floor(speedKmh / 1.852 * 10.0 + 0.5) / 10.0;
    QByteArray text = zv::trimmedNumberText(knots).toLatin1();
    if (knots < 1)
        text.prepend('0');
    return text;
}

QByteArray courseText(int course)
{
    QByteArray text = QByteArray::number(course);
    if (course < 100)
        text.prepend('0');
    if (course < 10)
        text.prepend('0');
    return text;
}

QByteArray altitudeFieldOf(QByteArrayView altitudeText)
{
    if (altitudeText.isEmpty())
        return QByteArray();
    return zv::trimmedNumberText(std::floor(num(altitudeText))).toLatin1();
}

bool isNoAltitudeMarker(QByteArrayView text)
{
    return text.toByteArray().toLower().contains("1e25") || num(text) >= 1e24;
}

std::optional<TrackFix> parseTrackLine(QByteArrayView line, TrackFormat format, const QDateTime& now)
{
    if (!isTrackRecordLine(line, format, recordLeadOf(format)))
        return std::nullopt;
    switch (format) {
    case TrackFormat::Kml: return parseKml(line, now);
    case TrackFormat::OziExplorer: return parseOzi(line);
    case TrackFormat::TtqvPcx: return parseTtqv(line);
    case TrackFormat::Pcx5: return parsePcx5(line);
    case TrackFormat::Gardown:
    case TrackFormat::G7To:
    case TrackFormat::Zelvan: return parseGardown(line);
    case TrackFormat::G7ToWin: return parseG7ToWin(line);
    case TrackFormat::None: break;
    }
    return std::nullopt;
}

TrackDecodeStep deriveTrackRecord(const TrackFix& fix, const TrackDecoderState& previous)
{
    TrackDecodeStep step;
    TrackDecoderState& s = step.state;
    s = previous;
    TrackRecord r;
    r.timeText = fix.timeText;
    r.clockText = fix.clockText;
    r.recordDate = fix.recordDate;
    r.latText = fix.latText;
    r.lonText = fix.lonText;
    r.latHemisphere = fix.latHemisphere;
    r.lonHemisphere = fix.lonHemisphere;
    if (fix.altitudeText)
        s.altitudeText = *fix.altitudeText;
    r.altitudeText = s.altitudeText;
    r.altitudeField = altitudeFieldOf(r.altitudeText);

    r.latMinutes = minutesOf(fix.latText, 2);
    r.lonMinutes = minutesOf(fix.lonText, 3);
    // Signed minutes give the true course directly, also on legs that cross
    // the equator or the prime meridian, where unsigned minutes would not.
    const TrackDecoderState::Point here{fix.latHemisphere == 'S' ? -r.latMinutes : r.latMinutes,
                                        fix.lonHemisphere == 'W' ? -r.lonMinutes : r.lonMinutes};
    if (!s.start)
        s.start = here;
    const auto fromStart = distanceAndCourse(s.start->lat, here.lat, s.start->lon, here.lon);
    r.distanceFromStartM = fromStart.distanceM;
    double leg = fromStart.distanceM;
    if (s.prev) {
        const auto legRun = distanceAndCourse(s.prev->lat, here.lat, s.prev->lon, here.lon);
        leg = legRun.distanceM;
        if (legRun.courseDeg)
            s.courseDeg = *legRun.courseDeg;
    }
    s.distanceM = leg;
    s.prev = here;
    s.tripMeters += leg;
    r.recordCourse = s.courseDeg;
    r.courseText = courseText(s.courseDeg);

    const int seconds = secondsOfDay(fix.clockText);
    if (!fix.timed) {
        // No time of the file's own: no speed, now or from this record later.
        s.prevSeconds.reset();
        s.speedKmh = 0;
        s.speedKnotsText.clear();
    } else if (s.prevSeconds && seconds != *s.prevSeconds) {
        int elapsed = seconds - *s.prevSeconds;
        if (elapsed < 0)
            elapsed += 86400; // the track crossed midnight
        double kmh = std::floor(std::min(leg * 3.6 / elapsed, kMaxSpeedKmh));
        // A clock that is no time of day ("-9:99:99") can leave the elapsed
        // time negative or zero even after the midnight wrap: no speed is
        // negative, and the value must fit an int.
        if (!(kmh >= 0))
            kmh = 0;
        s.speedKmh = static_cast<int>(kmh);
        r.speedKmhText = QByteArray::number(s.speedKmh);
        if (s.speedKmh > s.maxSpeed) {
            s.maxSpeed = s.speedKmh;
            r.maxSpeedChanged = true;
        }
        s.speedKnotsText = knotsText(s.speedKmh);
    }
    if (fix.timed)
        s.prevSeconds = seconds;
    r.speedKmh = s.speedKmh;
    r.speedKnotsText = s.speedKnotsText;
    r.tripMeters = s.tripMeters;
    r.maxSpeed = s.maxSpeed;
    step.record = std::move(r);
    return step;
}

bool isPlausibleFix(const TrackFix& fix)
{
    auto within = [](const QByteArray& text, qsizetype degreeDigits, double maxDegrees) {
        const double degrees = num(text.left(degreeDigits));
        const double minutes = num(text.right(6));
        return std::isfinite(degrees) && std::isfinite(minutes) && degrees >= 0 && minutes >= 0
            && minutes <= 60 // seconds of 59.98 round up to 60.000 minutes
            && degrees * 60 + minutes <= maxDegrees * 60;
    };
    // Columns read from another layout give other letters ("+", "-").
    const bool hemispheres = (fix.latHemisphere == 'N' || fix.latHemisphere == 'S')
        && (fix.lonHemisphere == 'E' || fix.lonHemisphere == 'W');
    return hemispheres && within(fix.latText, 2, 90) && within(fix.lonText, 3, 180);
}

TrackDecodeStep decodeTrackRecord(QByteArrayView line, TrackFormat format, const TrackDecoderState& state,
                                  const QDateTime& nowUtc)
{
    const auto fix = parseTrackLine(line, format, nowUtc);
    if (!fix || !isPlausibleFix(*fix))
        return TrackDecodeStep{std::nullopt, state};
    return deriveTrackRecord(*fix, state);
}

void resetTripValues(TrackDecoderState& state, bool keepKnotsText)
{
    state.maxSpeed = 0;
    if (!keepKnotsText)
        state.speedKnotsText.clear();
    state.start.reset();
    state.prev.reset();
    state.prevSeconds.reset();
    state.tripMeters = 0;
}

std::optional<double> profileAltitude(QByteArrayView line, TrackFormat format)
{
    if (!isTrackRecordLine(line, format, recordLeadOf(format)))
        return std::nullopt;
    switch (format) {
    case TrackFormat::OziExplorer:
    case TrackFormat::Kml:
    case TrackFormat::TtqvPcx: {
        const auto fix = parseTrackLine(line, format, QDateTime());
        if (!fix || !fix->altitudeText || fix->altitudeText->isEmpty())
            return std::nullopt;
        return num(*fix->altitudeText);
    }
    case TrackFormat::Gardown:
    case TrackFormat::G7To:
    case TrackFormat::G7ToWin:
    case TrackFormat::Zelvan: {
        const qsizetype open = line.indexOf(';');
        const qsizetype close = open < 0 ? -1 : line.indexOf(';', open + 1);
        if (close < 0)
            return std::nullopt;
        const QByteArrayView text = line.sliced(open + 1, close - open - 1);
        if (isNoAltitudeMarker(text) || !startsWithNumber(text))
            return std::nullopt;
        return num(text);
    }
    case TrackFormat::Pcx5:
    case TrackFormat::None: break;
    }
    return std::nullopt;
}

} // namespace zelvan
