#include "display/targets/target_geometry.h"

#include "common/number_text.h"


#include <cmath>

namespace vur {
namespace {

constexpr double kPi = 3.1415;        // the display's own value of pi
constexpr double kDeg = kPi / 180.0;

QString chars(const QString& s, int from, int to) // 1-based, inclusive
{
    if (from > s.size())
        return {};
    return s.mid(from - 1, to - from + 1);
}

} // namespace

Position targetLinePosition(const QString& t)
{
    const double latSec = zv::leadingNumber(chars(t, 8, 9)) * 3600 + zv::leadingNumber(chars(t, 11, 12)) * 60
        + zv::leadingNumber(chars(t, 14, 17));
    const double lonSec = zv::leadingNumber(chars(t, 21, 23)) * 3600 + zv::leadingNumber(chars(t, 25, 26)) * 60
        + zv::leadingNumber(chars(t, 28, 31));
    const QString latH = chars(t, 19, 19).toUpper();
    const QString lonH = chars(t, 33, 33).toUpper();
    return {latH == QLatin1String("S") ? -latSec : latSec, lonH == QLatin1String("W") ? -lonSec : lonSec};
}

std::optional<int> bearingOf(int dy, double dx)
{
    const double q = 180.0 / kPi;
    if (dy == 0 && dx > 0)
        return 90;
    if (dy == 0 && dx < 0)
        return 270;
    if (dx == 0 && dy > 0)
        return 0;
    if (dx == 0 && dy < 0)
        return 180;
    if (dx == 0 && dy == 0)
        return std::nullopt;
    double b;
    if (dy >= 0 && dx >= 0)
        b = std::atan(dx / dy) * q;
    else if (dy < 0 && dx >= 0)
        b = std::atan(-dy / dx) * q + 90;
    else if (dy < 0 && dx < 0)
        b = std::atan(dx / dy) * q + 180;
    else
        b = std::atan(dy / -dx) * q + 270;
    return static_cast<int>(std::floor(b));
}

OwnTargetWay ownTargetWay(const Position& target, const Position& current)
{
    const double tLat = target.latSec / 60.0, tLon = target.lonSec / 60.0;
    const double cLat = current.latSec / 60.0, cLon = current.lonSec / 60.0;
    double dLon = tLon - cLon;
    if (dLon > 180 * 60)
        dLon -= 360 * 60;
    else if (dLon < -180 * 60)
        dLon += 360 * 60;
    OwnTargetWay w;
    w.dy = static_cast<int>(std::floor(1857.0 * (tLat - cLat)));
    w.dx = 1855.0 * dLon * std::cos(cLat / 60.0 * kDeg);
    w.distance = static_cast<int>(std::floor(std::sqrt(w.dx * w.dx + double(w.dy) * w.dy)));
    w.bearing = bearingOf(w.dy, w.dx);
    return w;
}

QString targetDistanceText(int d)
{
    const QString digits = QString::number(d);
    if (d < 100)
        return QLatin1Char(' ') + digits + QStringLiteral(" m");
    if (d < 1000)
        return digits.left(2) + QStringLiteral("0 m");
    if (d < 10000)
        return QLatin1Char(' ') + QString::number(d / 1000) + QLatin1Char('.') + digits.mid(1, 2) + QStringLiteral(" km");
    return QLatin1Char(' ') + QString::number(d / 1000) + QStringLiteral(" km");
}

QString compassLetters(double b)
{
    if (b <= 22)
        return QStringLiteral("N");
    if (b <= 68)
        return QStringLiteral("NO");
    if (b <= 112)
        return QStringLiteral("O");
    if (b <= 168)
        return QStringLiteral("SO");
    if (b <= 202)
        return QStringLiteral("S");
    if (b <= 248)
        return QStringLiteral("SW");
    if (b <= 292)
        return QStringLiteral("W");
    if (b <= 338)
        return QStringLiteral("NW");
    return QStringLiteral("N");
}

double relativeToCourse(double bearing, int courseInt)
{
    double r = bearing + 360 - courseInt;
    if (r > 360)
        r -= 360;
    if (r < 0)
        r += 360;
    return r;
}

double receiverRelative(double bearing, double course)
{
    double r = bearing - course;
    if (r < 0)
        r += 360;
    return r;
}

QList<QPoint> arrowOutline(double relativeDeg)
{
    const double a = relativeDeg * kPi / 180.0;
    auto wrap = [](double x) { return x > 6.28 ? x - 6.28 : x; };
    const double aL = wrap(a + 0.3), aR = wrap(a - 0.3), aB = wrap(a + kPi);
    auto p = [](double phi, double r) {
        return QPoint(static_cast<int>(std::floor(std::sin(phi) * r)) + 500,
                      500 - static_cast<int>(std::floor(std::cos(phi) * r)));
    };
    return {p(aL, 300), p(a, 300), p(aR, 300), p(aB, 200), p(aL, 300)};
}

} // namespace vur
