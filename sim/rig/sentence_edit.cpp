#include "sim/rig/sentence_edit.h"

#include "common/nmea.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zelvan {

namespace {

int twoDigits(QByteArrayView text, qsizetype at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

} // namespace

QByteArray editSentence(const QByteArray& line, const std::function<bool(SentenceFields&)>& edit)
{
    if (!line.startsWith('$'))
        return line;
    const qsizetype star = line.lastIndexOf('*');
    std::optional<quint8> given;
    QByteArrayView body;
    if (star < 0) {
        body = QByteArrayView(line).sliced(1);
    } else {
        if (star != line.size() - 3)
            return line;
        const int hi = zv::hexDigitValue(line[star + 1]);
        const int lo = zv::hexDigitValue(line[star + 2]);
        if (hi < 0 || lo < 0)
            return line;
        given = quint8(hi * 16 + lo);
        body = QByteArrayView(line).sliced(1, star - 1);
    }
    SentenceFields fields = QByteArray(line.constData(), body.size() + 1).split(',');
    if (!edit(fields))
        return line;
    const QByteArray joined = fields.join(',');
    if (!given)
        return joined;
    const QByteArrayView newBody = QByteArrayView(joined).sliced(1);
    const quint8 error = *given ^ zv::nmeaChecksum(body);
    return joined + '*' + zv::hexByte(zv::nmeaChecksum(newBody) ^ error);
}

std::optional<TimeOfDay> parseTimeOfDay(QByteArrayView text)
{
    if (text.size() < 6 || !zv::allDigits(text.first(6)))
        return std::nullopt;
    const int h = twoDigits(text, 0), m = twoDigits(text, 2), s = twoDigits(text, 4);
    if (h > 23 || m > 59 || s > 60)
        return std::nullopt;
    TimeOfDay t;
    t.ms = (qint64(h) * 3600 + m * 60 + s) * 1000;
    if (text.size() > 6) {
        const QByteArrayView fraction = text.sliced(7);
        if (text[6] != '.' || fraction.isEmpty() || !zv::allDigits(fraction))
            return std::nullopt;
        t.decimals = int(fraction.size());
        qint64 scale = 100;
        for (qsizetype i = 0; i < fraction.size() && i < 3; ++i, scale /= 10)
            t.ms += (fraction[i] - '0') * scale;
    }
    return t;
}

QByteArray timeOfDayText(qint64 ms, int decimals)
{
    const qint64 seconds = ms / 1000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d%02d%02d", int(seconds / 3600), int(seconds / 60 % 60),
                  int(seconds % 60));
    QByteArray out(buffer);
    if (decimals > 0) {
        std::snprintf(buffer, sizeof buffer, "%03d", int(ms % 1000));
        out += '.';
        // Past milliseconds the source's extra digits were zero-filled by the round.
        out += QByteArray(buffer).left(decimals).leftJustified(decimals, '0');
    }
    return out;
}

std::optional<double> parseCoordinate(QByteArrayView value, QByteArrayView hemisphere, bool latitude)
{
    const int degreeDigits = latitude ? 2 : 3;
    const qsizetype dot = value.indexOf('.');
    const qsizetype whole = dot < 0 ? value.size() : dot;
    if (whole != degreeDigits + 2 || !zv::allDigits(value.first(whole)))
        return std::nullopt;
    if (dot >= 0 && !zv::allDigits(value.sliced(dot + 1)))
        return std::nullopt;
    double minutes = 0;
    const QByteArrayView rest = value.sliced(degreeDigits);
    if (std::from_chars(rest.data(), rest.data() + rest.size(), minutes).ec != std::errc())
        return std::nullopt;
    const double degrees = twoDigits(value, 0) * (latitude ? 1 : 10) + (latitude ? 0 : value[2] - '0') + minutes / 60;
    const char h = hemisphere.size() == 1 ? hemisphere[0] : '\0';
    if (latitude ? (h != 'N' && h != 'S') : (h != 'E' && h != 'W'))
        return std::nullopt;
    return (h == 'S' || h == 'W') ? -degrees : degrees;
}

QByteArray coordinateText(double degrees, bool latitude, int decimals)
{
    decimals = qBound(0, decimals, 9);
    double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // Whole units of the last decimal, so that 59.9999 rounds into the next degree.
    const qint64 units = qint64(std::llround(std::fabs(degrees) * 60 * scale));
    const qint64 perDegree = qint64(60 * scale);
    const qint64 wholeDegrees = units / perDegree;
    const qint64 minuteUnits = units % perDegree;
    const qint64 scaleUnits = qint64(scale);
    // Integers only: a process locale with a decimal comma must not show here.
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, latitude ? "%02lld%02lld" : "%03lld%02lld",
                  static_cast<long long>(wholeDegrees),
                  static_cast<long long>(minuteUnits / scaleUnits));
    QByteArray out(buffer);
    if (decimals > 0) {
        out += '.';
        out += QByteArray::number(minuteUnits % scaleUnits).rightJustified(decimals, '0');
    }
    return out;
}

QByteArray hemisphereText(double degrees, bool latitude)
{
    if (latitude)
        return degrees < 0 ? "S" : "N";
    return degrees < 0 ? "W" : "E";
}

int decimalsOf(QByteArrayView value)
{
    const qsizetype dot = value.indexOf('.');
    return dot < 0 ? 0 : int(value.size() - dot - 1);
}

} // namespace zelvan
