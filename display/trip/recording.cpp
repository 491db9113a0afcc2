#include "display/trip/recording.h"

#include "common/number_text.h"
#include "common/text_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vur {
namespace {

constexpr int kZone = 14;        // print zone width of a line with several values
constexpr int kSpeedLines = 452; // profile values 0..451
constexpr int kHeaderLines = 912;

// Shortest text that reads back to the same double, C locale, with the
// leading blank of a non-negative number.
QByteArray numberText(double v)
{
    if (!std::isfinite(v))
        v = 0.0;
    if (v == 0.0)
        return " 0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    QByteArray s(buf, res.ptr - buf);
    return v < 0 ? s : ' ' + s;
}

// A number printed as a value: leading blank when not negative, trailing blank.
QByteArray printed(double v)
{
    return numberText(v) + ' ';
}

QByteArray zoned(std::initializer_list<double> values)
{
    QByteArray line;
    bool first = true;
    for (double v : values) {
        if (!first) {
            const qsizetype pad = kZone - line.size() % kZone;
            if (pad < kZone)
                line.append(pad, ' ');
        }
        line += printed(v);
        first = false;
    }
    return line;
}

bool isNumberToken(QByteArrayView t)
{
    qsizetype i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    bool digits = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        ++i;
        digits = true;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        bool exp = false;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
            exp = true;
        }
        if (!exp)
            return false;
    }
    return i == t.size();
}

// The numbers of one line: a number ends at a comma, a blank or the line end.
std::optional<QList<double>> numbersOf(const QByteArray& line)
{
    QList<double> out;
    qsizetype i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == ',' || c == '\t') {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != ',' && line[j] != '\t')
            ++j;
        const QByteArrayView token(line.constData() + i, j - i);
        if (!isNumberToken(token))
            return std::nullopt;
        const double v = zv::leadingNumber(token);
        if (!std::isfinite(v))
            return std::nullopt;
        out.append(v);
        i = j;
    }
    return out;
}

// A text value runs to the next comma or the line end, leading blanks
// dropped; a quoted text runs to its closing quote.
QString textOf(const QByteArray& line)
{
    QByteArray t = line;
    qsizetype i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    t = t.mid(i);
    if (t.startsWith('"')) {
        const qsizetype end = t.indexOf('"', 1);
        return QString::fromLatin1(end < 0 ? t.mid(1) : t.mid(1, end - 1));
    }
    const qsizetype comma = t.indexOf(',');
    return QString::fromLatin1(comma < 0 ? t : t.left(comma));
}

std::int32_t toInt32(double v)
{
    const double r = static_cast<double>(zv::roundHalfEven(v));
    return static_cast<std::int32_t>(std::clamp(r, double(std::numeric_limits<std::int32_t>::min()),
                                                double(std::numeric_limits<std::int32_t>::max())));
}

int clampCount(double v, int max)
{
    if (!(v > 0))
        return 0;
    return static_cast<int>(std::min(std::floor(v), double(max)));
}

} // namespace

QByteArray writeRecording(const TripState& trip)
{
    QByteArray out;
    out.reserve(64 * 1024);
    auto line = [&out](const QByteArray& l) { out += l + "\r\n"; };
    for (int i = 0; i < kSpeedLines; ++i)
        line(printed(trip.speed.values[i]));
    line(printed(trip.speed.points));
    for (int i = 0; i < kSpeedLines; ++i)
        line(printed(trip.altitude.values[i]));
    line(printed(trip.altitude.points));
    line(zoned({double(trip.maxSpeed), std::floor(trip.avgSpeed), trip.travelTime, trip.drivingTime,
                double(trip.maxAltitude), double(trip.minAltitude), trip.distanceKm, double(trip.airDistance)}));
    line(numberText(trip.lat0Sec));
    line(numberText(trip.lon0Sec));
    line(trip.clockText.toLatin1());
    line(trip.dateText.toLatin1());
    const Route& r = trip.route;
    line(zoned({double(r.count), double(r.scale), double(r.tick)}));
    // n + 1 pairs: the pair after the last point is part of the layout.
    for (int i = 0; i <= r.count; ++i) {
        const bool stored = i < Route::kCapacity;
        line(zoned({stored ? double(r.y[i]) : 0.0, stored ? double(r.x[i]) : 0.0}));
    }
    return out;
}

std::optional<TripState> parseRecording(QByteArrayView bytes)
{
    const QByteArrayList lines = zv::splitTextLines(bytes);
    if (lines.size() < kHeaderLines)
        return std::nullopt;

    auto single = [&lines](int index) -> std::optional<double> {
        auto n = numbersOf(lines[index]);
        if (!n || n->isEmpty())
            return std::nullopt;
        return n->front();
    };

    TripState t;
    auto readProfile = [&](Profile& p, int firstLine) -> bool {
        for (int i = 0; i < kSpeedLines; ++i) {
            auto v = single(firstLine + i);
            if (!v)
                return false;
            p.values[i] = toInt32(*v);
        }
        auto n = single(firstLine + kSpeedLines);
        if (!n)
            return false;
        p.points = clampCount(*n, Profile::kMaxPoints);
        return true;
    };
    if (!readProfile(t.speed, 0) || !readProfile(t.altitude, kSpeedLines + 1))
        return std::nullopt;

    auto stats = numbersOf(lines[906]);
    if (!stats || stats->size() < 8)
        return std::nullopt;
    t.maxSpeed = toInt32((*stats)[0]);
    t.avgSpeed = std::floor((*stats)[1]);
    t.travelTime = std::max(0.0, (*stats)[2]);
    t.drivingTime = std::max(0.0, (*stats)[3]);
    t.maxAltitude = toInt32((*stats)[4]);
    t.minAltitude = toInt32((*stats)[5]);
    t.distanceKm = (*stats)[6];
    t.airDistance = toInt32((*stats)[7]);

    const QString lat0 = textOf(lines[907]);
    const QString lon0 = textOf(lines[908]);
    t.lat0Sec = zv::leadingNumber(lat0);
    t.lon0Sec = zv::leadingNumber(lon0);
    if (!std::isfinite(t.lat0Sec) || !std::isfinite(t.lon0Sec))
        return std::nullopt;
    t.hasStart = t.lat0Sec != 0.0 || t.lon0Sec != 0.0;
    t.clockText = textOf(lines[909]);
    t.dateText = textOf(lines[910]);

    auto routeHead = numbersOf(lines[911]);
    if (!routeHead || routeHead->size() < 3)
        return std::nullopt;
    Route& r = t.route;
    r.count = clampCount((*routeHead)[0], Route::kCapacity);
    r.scale = std::clamp(static_cast<int>(std::floor((*routeHead)[1])), Route::kMinScale, Route::kMaxScale);
    const long long period = 1LL << (std::max(r.scale, 1) - 1);
    r.tick = static_cast<int>(std::clamp<long long>(static_cast<long long>((*routeHead)[2]), 0, period - 1));
    // The stored points must all be there; the pair after them is padding.
    if (lines.size() < kHeaderLines + r.count)
        return std::nullopt;
    for (int i = 0; i < r.count; ++i) {
        auto pair = numbersOf(lines[kHeaderLines + i]);
        if (!pair || pair->size() < 2)
            return std::nullopt;
        r.y[i] = toInt32((*pair)[0]);
        r.x[i] = toInt32((*pair)[1]);
    }

    // What the live trip would show after this state.
    t.distanceText = zv::fixedText(t.distanceKm, 1);
    t.airShown = true;
    t.speedsShown = true;
    t.extremesShown = true;
    if (r.count > 0) {
        t.lastX = r.x[r.count - 1];
        t.lastY = r.y[r.count - 1];
        t.hasLast = true;
    }
    return t;
}

std::optional<QString> recordingFileName(const QString& typed, QString* error)
{
    QString name = typed.trimmed();
    if (name.isEmpty())
        return QString();
    auto refuse = [&](const QString& why) -> std::optional<QString> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':'))
        || name.contains(QLatin1String("..")))
        return refuse(QStringLiteral("Ungültiger Dateiname: ") + name);
    if (!name.contains(QLatin1Char('.')))
        name += QStringLiteral(".dat");
    static const char* const ownFiles[] = {"Vur.log", "VUR.wpt", "Vur.ini"};
    for (const char* own : ownFiles)
        if (name.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            return refuse(QStringLiteral("Diese Datei gehört dem Programm: ") + name);
    return name;
}

} // namespace vur
