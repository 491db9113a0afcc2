#include "sim/manual/recording_format.h"

#include "common/nmea.h"

#include <cmath>

namespace zelvan {

namespace {

// Degrees and ten-thousandths of a minute of an RMC coordinate field
// ("4805.7450"); nullopt when it is not a number.
std::optional<std::pair<int, long long>> splitCoordinate(const QByteArray& field)
{
    bool ok = false;
    const double v = field.toDouble(&ok);
    // Beyond 180 degrees is no coordinate (and would overflow the arithmetic).
    if (!ok || v < 0 || v > 18000.0 || field.isEmpty())
        return std::nullopt;
    const int degrees = static_cast<int>(v / 100);
    return std::make_pair(degrees, std::llround((v - degrees * 100) * 10000));
}

// Minutes in ten-thousandths as a fraction of a degree in five decimals,
// carried into the degrees when it rounds up to a whole degree.
QByteArray degreeText(int degrees, long long tenThousandths, int degreeWidth)
{
    long long fraction = (tenThousandths + 3) / 6;
    if (fraction >= 100000) {
        fraction -= 100000;
        ++degrees;
    }
    return zv::zeroPadded(degrees, degreeWidth) + '.' + zv::zeroPadded(fraction, 5);
}

} // namespace

QByteArray formatRecordMinutes(double minutes, int nudge)
{
    const long long total = std::llround(std::fabs(minutes) * 10000.0) + nudge;
    const long long degrees = total / 600000;
    const long long rest = total % 600000;
    return zv::zeroPadded(degrees, 3) + zv::zeroPadded(rest / 10000, 2) + '.' + zv::zeroPadded(rest % 10000, 4);
}

QByteArray withFields(QByteArrayView sentence, std::initializer_list<std::pair<int, QByteArray>> fields)
{
    qsizetype start = sentence.startsWith('$') ? 1 : 0;
    qsizetype end = sentence.indexOf('*');
    if (end < 0)
        end = sentence.size();
    QByteArrayList parts = sentence.sliced(start, end - start).toByteArray().split(',');
    for (const auto& [index, value] : fields) {
        while (parts.size() <= index)
            parts.append(QByteArray());
        parts[index] = value;
    }
    return zv::frameSentence(parts.join(','));
}

QByteArray recordTimeText(const QTime& t)
{
    return zv::zeroPadded(t.hour(), 2) + zv::zeroPadded(t.minute(), 2) + zv::zeroPadded(t.second(), 2);
}

QByteArray recordDateText(const QDate& d)
{
    return zv::zeroPadded(d.day(), 2) + zv::zeroPadded(d.month(), 2) + zv::zeroPadded(d.year() % 100, 2);
}

QByteArray withRecordSpeed(QByteArrayView rmc, int kmh)
{
    const int knots = static_cast<int>(std::floor(kmh / 1.852 + 0.5));
    return withFields(rmc, {{7, zv::zeroPadded(knots, 3) + ".0"}});
}

QString cleanRecordText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('$') || c == QLatin1Char('*') || c.unicode() < 0x20 || c.unicode() == 0x7F
            || c.category() == QChar::Other_Control)
            continue;
        out.append(c);
    }
    return out;
}

QString textRecordStatus(QByteArrayView rmc, const QString& text)
{
    const auto lat = splitCoordinate(zv::sentenceField(rmc, 3));
    const auto lon = splitCoordinate(zv::sentenceField(rmc, 5));
    const QByteArray ns = zv::sentenceField(rmc, 4);
    const QByteArray ew = zv::sentenceField(rmc, 6);
    // Only a real hemisphere letter goes into the record: anything else (a
    // "$" above all) would break the line up on replay.
    if (!lat || !lon || (ns != "N" && ns != "S") || (ew != "E" && ew != "W"))
        return QString();
    const QByteArray head = degreeText(lat->first, lat->second, 2) + ',' + ns + ','
                            + degreeText(lon->first, lon->second, 3) + ',' + ew + ',';
    return QString::fromLatin1(head) + QLatin1Char('"') + text + QLatin1Char('"');
}

QByteArray textRecordLine(const QString& status)
{
    return zv::frameSentence(QByteArray("GPTXT,") + status.toLatin1());
}

bool isAcceptableRecordName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1String("..")) && !name.contains(QChar(0));
}

} // namespace zelvan
