#include "display/decode/rmb_vtg.h"

#include "common/nmea.h"
#include "common/number_text.h"

namespace vur {
namespace {

std::optional<double> optionalNumber(QByteArrayView field)
{
    if (field.trimmed().isEmpty())
        return std::nullopt;
    return zv::leadingNumber(field);
}

} // namespace

std::optional<double> signedArcSeconds(QByteArrayView field, QByteArrayView hemisphere, int degreeDigits)
{
    field = field.trimmed();
    if (field.isEmpty() || field.size() < degreeDigits)
        return std::nullopt;
    const double degrees = zv::leadingNumber(field.first(degreeDigits));
    const double minutes = zv::leadingNumber(field.sliced(degreeDigits));
    double seconds = degrees * 3600.0 + minutes * 60.0;
    const QByteArrayView h = hemisphere.trimmed();
    if (!h.isEmpty() && (h.front() == 'S' || h.front() == 's' || h.front() == 'W' || h.front() == 'w'))
        seconds = -seconds;
    return seconds;
}

RmbData decodeRmb(QByteArrayView sentence)
{
    RmbData d;
    d.destination = QString::fromLatin1(zv::sentenceField(sentence, 5));
    d.latSec = signedArcSeconds(zv::sentenceField(sentence, 6), zv::sentenceField(sentence, 7), 2);
    d.lonSec = signedArcSeconds(zv::sentenceField(sentence, 8), zv::sentenceField(sentence, 9), 3);
    d.rangeNm = zv::leadingNumber(zv::sentenceField(sentence, 10));
    d.bearingDeg = zv::leadingNumber(zv::sentenceField(sentence, 11));
    return d;
}

VtgData decodeVtg(QByteArrayView sentence)
{
    VtgData d;
    d.courseTrue = optionalNumber(zv::sentenceField(sentence, 1));
    d.speedKnots = optionalNumber(zv::sentenceField(sentence, 5));
    d.speedKmh = optionalNumber(zv::sentenceField(sentence, 7));
    return d;
}

} // namespace vur
