#include "display/trip/trip_texts.h"

#include "common/number_text.h"

#include <cmath>
#include <cstdlib>

namespace vur {

QString tripTimeText(double seconds)
{
    const long long t = static_cast<long long>(std::floor(std::max(0.0, seconds)));
    const long long h = t / 3600;
    const long long m = (t % 3600) / 60;
    return zv::plainNumberText(static_cast<double>(h)) + QLatin1Char(':')
        + QString::number(m).rightJustified(2, QLatin1Char('0'));
}

QString oneDecimalText(double value)
{
    return zv::fixedText(value, 1);
}

QString airDistanceText(double metres)
{
    return oneDecimalText(std::floor(metres / 100.0) / 10.0);
}

QString slopeText(int climb)
{
    if (climb < 5000 && std::abs(climb) > 1)
        return climb < 0 ? QString::number(climb) : QLatin1Char('+') + QString::number(climb);
    return QStringLiteral("__");
}

QString routeCaption(int scale)
{
    return QStringLiteral("<--- ") + zv::plainNumberText(std::ldexp(1.0, scale - 1)) + QStringLiteral(" km --->");
}

} // namespace vur
