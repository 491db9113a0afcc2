#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>
#include <string>

namespace zv {
namespace {

template <typename Ch>
double leadingNumberImpl(const Ch* p, const Ch* end)
{
    // Only ASCII can be a digit, sign, point or blank: a wider character
    // whose low byte happens to be "1" ("\u0131") must not read as one.
    auto at = [&](const Ch* q) -> char {
        if (q >= end)
            return '\0';
        const auto c = static_cast<std::make_unsigned_t<Ch>>(*q);
        return c < 0x80 ? static_cast<char>(c) : '\x7f';
    };
    while (p < end && (at(p) == ' ' || at(p) == '\t'))
        ++p;
    std::string digits;
    const Ch* q = p;
    if (at(q) == '+' || at(q) == '-')
        digits += at(q++);
    bool any = false;
    while (at(q) >= '0' && at(q) <= '9') {
        digits += at(q++);
        any = true;
    }
    if (at(q) == '.') {
        digits += at(q++);
        while (at(q) >= '0' && at(q) <= '9') {
            digits += at(q++);
            any = true;
        }
    }
    if (!any)
        return 0.0;
    if (at(q) == 'e' || at(q) == 'E' || at(q) == 'd' || at(q) == 'D') {
        const Ch* e = q + 1;
        std::string exponent = "e";
        if (at(e) == '+' || at(e) == '-')
            exponent += at(e++);
        bool expDigits = false;
        while (at(e) >= '0' && at(e) <= '9') {
            exponent += at(e++);
            expDigits = true;
        }
        if (expDigits)
            digits += exponent;
    }
    double value = 0.0;
    const char* first = digits.data();
    if (*first == '+')
        ++first;
    auto result = std::from_chars(first, digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return digits[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    if (result.ec != std::errc())
        return 0.0;
    return value;
}

} // namespace

double leadingNumber(QStringView text)
{
    return leadingNumberImpl(text.utf16(), text.utf16() + text.size());
}

double leadingNumber(QByteArrayView text)
{
    return leadingNumberImpl(text.data(), text.data() + text.size());
}

QString trimmedNumberText(double value)
{
    if (!std::isfinite(value))
        return value < 0 ? QStringLiteral("-1E+308") : (std::isnan(value) ? QStringLiteral("0") : QStringLiteral("1E+308"));
    if (value == 0.0)
        return QStringLiteral("0");
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, res.ptr);
    // Split mantissa and exponent, drop trailing zeros of the mantissa.
    std::string mantissa = s, exponent;
    if (auto e = s.find('e'); e != std::string::npos) {
        mantissa = s.substr(0, e);
        exponent = s.substr(e + 1);
    }
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0')
            mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.')
            mantissa.pop_back();
    }
    // No zero before the point: "0.5" -> ".5", "-0.5" -> "-.5".
    if (mantissa.rfind("0.", 0) == 0)
        mantissa.erase(0, 1);
    else if (mantissa.rfind("-0.", 0) == 0)
        mantissa.erase(1, 1);
    if (!exponent.empty()) {
        char sign = '+';
        if (exponent[0] == '+' || exponent[0] == '-') {
            sign = exponent[0];
            exponent.erase(0, 1);
        }
        while (exponent.size() > 2 && exponent[0] == '0')
            exponent.erase(0, 1);
        if (exponent.size() < 2)
            exponent = std::string(2 - exponent.size(), '0') + exponent;
        mantissa += 'E';
        mantissa += sign;
        mantissa += exponent;
    }
    return QString::fromLatin1(mantissa.data(), static_cast<qsizetype>(mantissa.size()));
}

QString plainNumberText(double value)
{
    const QString t = trimmedNumberText(value);
    return t.startsWith(QLatin1Char('-')) ? t : QLatin1Char(' ') + t;
}

QString fixedText(double value, int decimals)
{
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc())
        return QString();
    return QString::fromLatin1(buf, static_cast<qsizetype>(res.ptr - buf));
}

long long roundHalfEven(double value)
{
    // Converting what lies beyond the type (or NaN) would be undefined.
    const double r = std::nearbyint(value);
    if (std::isnan(r))
        return 0;
    if (r >= 9223372036854775808.0)
        return std::numeric_limits<long long>::max();
    if (r < -9223372036854775808.0)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(r);
}

} // namespace zv
