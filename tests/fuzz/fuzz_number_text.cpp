// Number reading of fields and settings values: the byte and the text
// readers agree, what is read writes back to a text that reads the same,
// and rounding never leaves the range of its type.
#include "common/number_text.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const double value = zv::leadingNumber(bytes);
    if (std::isnan(value) || zv::leadingNumber(QString::fromLatin1(bytes)) != value)
        std::abort();

    // Characters beyond ASCII are never digits, signs or points, whatever
    // their low byte.
    const QString text = QString::fromUtf8(bytes);
    QByteArray ascii;
    for (QChar c : text)
        ascii += c.unicode() < 0x80 ? char(c.unicode()) : '\x80';
    if (zv::leadingNumber(text) != zv::leadingNumber(ascii))
        std::abort();

    if (std::isfinite(value)) {
        for (const QString& written : {zv::trimmedNumberText(value), zv::plainNumberText(value)}) {
            const double back = zv::leadingNumber(written);
            if (std::fabs(back - value) > std::fabs(value) * 1e-14)
                std::abort();
        }
        (void)zv::fixedText(value, size > 0 ? data[0] % 16 : 3);
    }
    (void)zv::roundHalfEven(value);
    return 0;
}
