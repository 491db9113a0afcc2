#include "sim/status/readouts.h"

#include "common/number_text.h"
#include "version.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace zelvan {

QString formatDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    const bool negative = value < 0;
    // 15 significant digits first, so 2.675 reads as the 2.675 it was
    // meant to be and rounds up like a decimal would.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const auto e = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2); // 15 digits
    const int exponent = std::atoi(sci.c_str() + e + 1);
    // Digits kept: those before the point (exponent + 1) plus the decimals.
    const int keep = exponent + 1 + decimals;
    if (keep > 18 || decimals > 9) // beyond what the read-outs ever show
        return zv::fixedText(value, decimals);
    unsigned long long n = 0;
    if (keep >= 0) {
        for (int i = 0; i < keep; ++i)
            n = n * 10 + (i < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(i)] - '0' : 0);
        if (keep < static_cast<int>(digits.size()) && digits[static_cast<size_t>(keep)] >= '5')
            ++n;
    }
    unsigned long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString text = QString::number(n / scale);
    if (decimals > 0)
        text += QLatin1Char('.') + QStringLiteral("%1").arg(n % scale, decimals, 10, QLatin1Char('0'));
    if (negative && n != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString distanceReadout(double distanceM, bool metric)
{
    const double hm = std::floor(distanceM / 100);
    return formatDecimals(metric ? hm / 10 : hm / 16.09, 1);
}

QString tripReadout(double tripMeters, bool metric)
{
    return formatDecimals(tripMeters / (metric ? 1000.0 : 1609.0), 1);
}

QString maxSpeedReadout(double maxSpeedKmh, bool metric)
{
    if (metric)
        return zv::trimmedNumberText(maxSpeedKmh);
    return QString::number(zv::roundHalfEven(maxSpeedKmh * 0.6214));
}

UnitLabels unitLabels(bool metric)
{
    if (metric)
        return {QStringLiteral("km/h"), QStringLiteral("km ->"), QStringLiteral("m NN"), QStringLiteral("km ~")};
    return {QStringLiteral("MPH"), QStringLiteral("mi ->"), QStringLiteral("ft NN"), QStringLiteral("mi ~")};
}

std::optional<QString> autoPointToolTipForUnits(bool metric, int autoPointStepMetres)
{
    if (autoPointStepMetres == 0)
        return std::nullopt;
    if (metric)
        return QStringLiteral("Auto-Point");
    return QStringLiteral("Auto-Point ") + QString::number(autoPointStepMetres * 3) + QStringLiteral(" ft");
}

InfoBox helpInfoBox()
{
    const QString version = QStringLiteral("%1.%2.%3").arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH);
    return {QStringLiteral("  Zelvan"), QStringLiteral("    Zelvan     V ") + version + QLatin1Char(' ')};
}

MinimizeAction minCClicked(bool checkedAfterClick, bool replayRunning)
{
    if (replayRunning)
        return {true, true, true};
    return {checkedAfterClick, false, false};
}

bool minimizeOnReplayStart(bool minCChecked)
{
    return minCChecked;
}

} // namespace zelvan
