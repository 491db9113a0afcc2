#include "display/decode/decoders.h"

#include "common/number_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vur {
namespace {

double val(QByteArrayView text) { return zv::leadingNumber(text); }

QByteArrayView left(QByteArrayView text, qsizetype n) { return text.first(std::min(n, text.size())); }
QByteArrayView right(QByteArrayView text, qsizetype n) { return text.last(std::min(n, text.size())); }
// Characters from (1-based) position `from`, at most n of them.
QByteArrayView mid(QByteArrayView text, qsizetype from, qsizetype n)
{
    const qsizetype start = from - 1;
    if (start >= text.size())
        return {};
    return text.sliced(start, std::min(n, text.size() - start));
}

QString latin1(QByteArrayView text) { return QString::fromLatin1(text.data(), text.size()); }

QString integerText(double value) { return zv::trimmedNumberText(std::floor(value)); }

// Highest satellite number kept for the other constellations (BeiDou's run to 63,
// some receivers add 200 or 400).
constexpr double maxSatelliteNumber = 999;

// Bars of GLONASS, Galileo, BeiDou, QZSS and NavIC in that order after GPS;
// other talkers after them.
int constellationOrder(QByteArrayView talker)
{
    static const struct { const char* talker; int order; } table[] = {
        {"GL", 1}, {"GA", 2}, {"GB", 3}, {"BD", 3}, {"GQ", 4}, {"QZ", 4}, {"GI", 5}, {"GN", 6},
    };
    for (const auto& entry : table)
        if (talker == entry.talker)
            return entry.order;
    return 7;
}

} // namespace

int weekdayNumber(int day, int month, int year)
{
    long long n = day + 365LL * year + 31LL * (month - 1);
    if (month < 3)
        n += (year - 1) / 4 - static_cast<long long>(std::floor(0.75 * ((year - 1) / 100 + 1)));
    else
        n += -static_cast<long long>(std::floor(0.4 * month + 2.3)) + year / 4
             - static_cast<long long>(std::floor(0.75 * (year / 100 + 1)));
    return static_cast<int>((n - 2) % 7) + 1;
}

QString weekdayName(int weekday)
{
    static const char* const names[] = {"MO", "DI", "MI", "DO", "FR", "SA", "SO"};
    if (weekday < 1 || weekday > 7)
        return {};
    return QString::fromLatin1(names[weekday - 1]);
}

int centralEuropeanHour(int utcHour, int day, int month, int weekday)
{
    int local = (month >= 4 && month <= 10) ? utcHour + 2 : utcHour + 1;
    int x = 7 - weekday;
    if (x == 0)
        x = 7;
    // The last Sunday of the month has passed or is today. On the switch
    // Sunday itself the hour decides; on the days after it the new time
    // holds all day (the rule keyed to the hour alone put the early hours
    // of those days back on the old time).
    const bool switchReached = day > 31 - x;
    const bool switchDay = weekday == 7;
    if (month == 3 && switchReached)
        local = (!switchDay || utcHour > 2) ? utcHour + 2 : utcHour + 1;
    if (month == 10 && switchReached)
        local = (!switchDay || utcHour > 2) ? utcHour + 1 : utcHour + 2;
    if (local > 23)
        local -= 24;
    return local;
}

double needleAngleFor(double courseDeg)
{
    double a = (360.0 - courseDeg) * 3.1415 / 180.0 + 1.57;
    if (a > 6.28)
        a -= 6.28;
    return a;
}

GgaOutcome decodeGga(const SentenceFields& f, DisplayState& s)
{
    GgaOutcome out;
    s.satsUsed = val(f.GetField(7));
    const QByteArray quality = f.GetField(6);
    // Quality 0 is no fix, though some receivers still count the satellites they track.
    s.fix = s.satsUsed > 0 && quality != "0";
    s.gpsFault = !s.fix;
    if (!s.fix)
        ++s.fixLosses;

    if (quality == "0")
        s.fixQuality = QStringLiteral("no GPS");
    else if (quality == "1")
        s.fixQuality = QStringLiteral("GPS ok");
    else if (quality == "2")
        s.fixQuality = QStringLiteral("DIFF");

    if (s.fix) {
        // An empty altitude (a track without heights) is no altitude, not 0 m.
        const QByteArray alt = f.GetField(9);
        if (!alt.trimmed().isEmpty()) {
            s.altitude = std::floor(val(alt));
            s.hoehe = integerText(s.altitude);
        }
        out.altitudeRead = true;
    }
    if (!s.fix) {
        s.uhr.clear();
        s.datum.clear();
        s.speed.clear();
        s.hoehe.clear();
    }
    return out;
}

void decodeGsv(const SentenceFields& f, DisplayState& s)
{
    if (s.satRoundDrawn) {
        // The first GSV after the bars were drawn begins the next round.
        s.satRoundDrawn = false;
        s.satSignal.fill(0);
        s.otherSignal.clear();
        s.inViewByTalker.clear();
    }
    const QByteArrayView talker = talkerOf(f.sentence());
    const bool gps = talker.isEmpty() || talker == "GP";
    const int talkerId = talker.size() == 2 ? (static_cast<uchar>(talker[0]) << 8) | static_cast<uchar>(talker[1]) : 0;
    const int order = constellationOrder(talker);

    // NMEA 4.10 ends the sentence with the signal after whole satellite blocks.
    // Signals are one hex digit; anything else is taken as no signal so that
    // garbage cannot grow the table.
    int signalId = 0;
    if ((f.fieldCount() - 3) % 4 == 1) {
        bool ok = false;
        signalId = QByteArray(f.GetField(f.fieldCount())).toInt(&ok, 16);
        if (!ok || signalId < 0 || signalId > 15)
            signalId = 0;
    }
    s.inViewByTalker[{talkerId, signalId}] = val(f.GetField(3));
    // Each talker counts once: its second signal lists the same satellites again.
    std::map<int, double> perTalker;
    for (const auto& [key, count] : s.inViewByTalker)
        perTalker[key.first] = std::max(perTalker[key.first], count);
    s.satsInView = 0;
    for (const auto& [id, count] : perTalker)
        s.satsInView += count;

    double number = 0, signal = 0;
    for (int i = 4; i <= 16; i += 4) {
        // A block needs all four fields: a lone last field is the signal
        // number of NMEA 4.10, not a satellite.
        if (i + 3 > f.fieldCount())
            break;
        const QByteArray field = f.GetField(i);
        if (!field.isEmpty()) {
            number = val(field);
            signal = val(f.GetField(i + 3));
        }
        const double index = std::nearbyint(number);
        if (gps) {
            // A number outside the table (above 32, negative) stores nothing.
            if (index >= 0 && index < satelliteSlots)
                s.satSignal[static_cast<size_t>(index)] = signal * 1.5;
        } else if (index >= 0 && index <= maxSatelliteNumber) {
            s.otherSignal[SatelliteKey{order, talkerId, static_cast<int>(index)}] = signal * 1.5;
        }
    }
}

GsaOutcome decodeGsa(const SentenceFields& f, DisplayState& s)
{
    GsaOutcome out;
    const QByteArray mode = f.GetField(2);
    if (mode == "1")
        s.fixMode = QStringLiteral("no Fix");
    else if (mode == "2")
        s.fixMode = QStringLiteral("2D-NAV");
    else if (mode == "3")
        s.fixMode = QStringLiteral("3D-NAV");

    for (double signal : s.satSignal)
        if (signal > 0)
            out.bars.push_back(signal);
    for (const auto& [key, signal] : s.otherSignal)
        if (signal > 0)
            out.bars.push_back(signal);

    if (s.fixQuality == QLatin1String("no GPS"))
        s.satsInView = 0;
    s.gpsl = s.fixQuality + QStringLiteral("   ") + s.fixMode + QStringLiteral("   ")
             + zv::trimmedNumberText(s.satsUsed) + QLatin1Char('/') + zv::trimmedNumberText(s.satsInView)
             + QStringLiteral(" Sat");
    // Cleared when the next GSV arrives, not here: the second GSA of an
    // epoch shows the same satellites as the first.
    s.satRoundDrawn = true;
    return out;
}

bool decodesRmc(const SentenceFields& f, const DisplayState& s)
{
    return acceptsRmc(s) && !f.GetField(3).trimmed().isEmpty() && !f.GetField(5).trimmed().isEmpty();
}

void decodeRmc(const SentenceFields& f, DisplayState& s)
{
    const QByteArray t = f.GetField(1);
    const QByteArray d = f.GetField(9);
    const int day = static_cast<int>(val(left(d, 2)));
    const int month = static_cast<int>(val(mid(d, 3, 2)));
    int year = static_cast<int>(val(right(d, 2)));
    year += year > 90 ? 1900 : 2000;
    const int hour = static_cast<int>(val(left(t, 2)));
    s.hemispheres = latin1(f.GetField(4)) + latin1(f.GetField(6));

    const int weekday = weekdayNumber(day, month, year);

    const int local = centralEuropeanHour(hour, day, month, weekday);
    s.localClockText = zv::trimmedNumberText(local) + QLatin1Char(':') + latin1(mid(t, 3, 2));
    s.uhr = s.localClockText;

    const QString name = weekdayName(weekday);
    if (hour < 23 && !name.isEmpty())
        s.dateText = name + QLatin1Char(' ') + latin1(left(d, 2)) + QLatin1Char('.') + latin1(mid(d, 3, 2))
                     + QLatin1Char('.') + QString::number(year);
    s.datum = s.dateText;

    s.rxSpeedKmh = std::floor(val(f.GetField(7)) * 1.852 + 0.5);
    s.speed = integerText(s.rxSpeedKmh);

    s.rxCourseText = latin1(f.GetField(8));
    const double course = std::floor(zv::leadingNumber(s.rxCourseText));
    s.trt = zv::plainNumberText(course) + QStringLiteral(" °");
    if (course >= std::numeric_limits<qint16>::min() && course <= std::numeric_limits<qint16>::max())
        s.courseInt = static_cast<qint16>(course);

    s.needleAngle = needleAngleFor(zv::leadingNumber(s.rxCourseText));
    s.needleDrawn = true;

    const QByteArray lat = f.GetField(3);
    const QByteArray lon = f.GetField(5);
    const double latMin = val(left(lat, 2)) * 60 + val(mid(lat, 3, 6));
    const double lonMin = val(left(lon, 3)) * 60 + val(mid(lon, 4, 6));
    s.latSec = latMin * 60;
    s.lonSec = lonMin * 60;
    s.latMinText = zv::trimmedNumberText(latMin);
    s.lonMinText = zv::trimmedNumberText(lonMin);
    s.latDeg = latMin / 60;
    s.latField = lat;
    s.lonField = lon;
    s.latHemi = f.GetField(4);
    s.lonHemi = f.GetField(6);
}

} // namespace vur
