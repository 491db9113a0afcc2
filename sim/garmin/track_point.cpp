#include "sim/garmin/track_point.h"

#include <QDir>

#include <bit>
#include <cmath>
#include <cstdio>

namespace zelvan::garmin {

namespace {

std::uint32_t le32(QByteArrayView d, int at)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at]))
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at + 1])) << 8
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at + 2])) << 16
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at + 3])) << 24;
}

// Degrees and ten-thousandths of a minute of |degrees|, rounded, with carry.
void splitDegrees(double degrees, int& wholeDeg, long long& tenThousandths)
{
    const double a = std::fabs(degrees);
    double d = std::floor(a);
    long long t = static_cast<long long>(std::floor((a - d) * 600000.0 + 0.5));
    if (t >= 600000) {
        d += 1.0;
        t -= 600000;
    }
    wholeDeg = static_cast<int>(d);
    tenThousandths = t;
}

QString coordinateText(double degrees, char pos, char neg, int degreeDigits)
{
    int d = 0;
    long long t = 0;
    splitDegrees(degrees, d, t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%c%0*d %02lld.%04lld", degrees >= 0 ? pos : neg, degreeDigits, d,
                  t / 10000, t % 10000);
    return QString::fromLatin1(buf);
}

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::optional<TrackPoint> decodeTrackPoint(QByteArrayView data)
{
    const auto size = data.size();
    if (size < 12)
        return std::nullopt;
    TrackPoint p;
    p.latSemicircles = static_cast<std::int32_t>(le32(data, 0));
    p.lonSemicircles = static_cast<std::int32_t>(le32(data, 4));
    p.time = le32(data, 8);
    auto altitude = [&] { return std::bit_cast<float>(le32(data, 12)); };
    auto flag = [&](int byteNo) { return static_cast<std::uint8_t>(data[byteNo - 1]) == 1; };
    switch (size) {
    case 13: p.newSegment = flag(13); break;
    case 21:
    case 24: p.altitude = altitude(); p.newSegment = flag(21); break;
    case 25: p.altitude = altitude(); p.newSegment = flag(25); break;
    case 17:
    case 23: p.altitude = altitude(); break;
    default: break;
    }
    return p;
}

double semicirclesToDegrees(std::int32_t semicircles)
{
    return static_cast<double>(semicircles) * 180.0 / 2147483648.0;
}

QString latitudeText(double degrees) { return coordinateText(degrees, 'N', 'S', 2); }
QString longitudeText(double degrees) { return coordinateText(degrees, 'E', 'W', 3); }

PointTime pointTime(std::uint32_t deviceSeconds)
{
    const std::int64_t secs = deviceSeconds >= 0x7FFFFFFFu ? 0 : deviceSeconds;
    const std::int64_t unix = kGarminEpochUnix + secs;
    std::int64_t days = unix / 86400;
    const std::int64_t rest = unix % 86400;
    PointTime t{};
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    t.weekday = static_cast<int>((days + 4) % 7); // 1970-01-01 was a Thursday
    // Civil date from days since 1970 (proleptic Gregorian).
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
}

QString pointTimeText(const PointTime& t)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", kWeekdays[t.weekday], kMonths[t.month - 1],
                  t.day, t.hour, t.minute, t.second, t.year);
    return QString::fromLatin1(buf);
}

QString progressTimeText(const PointTime& t)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
    return QString::fromLatin1(buf);
}

QString altitudeText(float metres)
{
    if (!std::isfinite(metres) || std::fabs(metres) >= 1e24f)
        return QStringLiteral(";1E+25;");
    const double rounded = std::floor(std::fabs(static_cast<double>(metres)) + 0.5);
    const double value = metres < 0 && rounded != 0 ? -rounded : rounded;
    char buf[64];
    std::snprintf(buf, sizeof buf, ";%.0f;", value);
    return QString::fromLatin1(buf);
}

QString trackLine(const TrackPoint& p)
{
    QString line = QStringLiteral("T  ") + latitudeText(semicirclesToDegrees(p.latSemicircles)) + u' '
        + longitudeText(semicirclesToDegrees(p.lonSemicircles)) + u' ' + pointTimeText(pointTime(p.time));
    if (p.altitude)
        line += u' ' + altitudeText(*p.altitude);
    return line;
}

QString trackHeaderName(QByteArrayView data)
{
    if (data.size() == 2) {
        const unsigned index = static_cast<std::uint8_t>(data[0]) | static_cast<std::uint8_t>(data[1]) << 8;
        return QString::number(index);
    }
    if (data.size() < 3)
        return {};
    QByteArrayView ident = data.sliced(2);
    const auto zero = ident.indexOf('\0');
    if (zero >= 0)
        ident = ident.first(zero);
    return printableText(ident);
}

QString printableText(QByteArrayView bytes)
{
    // A control byte (a CR or LF above all) would break the file into lines.
    QString text = QString::fromLatin1(bytes);
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return text;
}

QString downloadFileName(const QString& folder, const QString& name)
{
    QString file = name;
    if (!file.contains(u'.'))
        file += QStringLiteral(".trk");
    return QDir(folder).filePath(file);
}

} // namespace zelvan::garmin
