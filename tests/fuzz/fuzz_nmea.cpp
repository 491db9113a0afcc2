// One received NMEA line: checksum test, sentence type and every field, in
// bytes and in text. Framing what was read must give a line that checks.
#include "common/nmea.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)zv::hasValidChecksum(line);
    (void)zv::sentenceType(line);
    const QString text = QString::fromLatin1(line);
    const qsizetype commas = line.count(',');
    for (int n = -1; n <= commas + 2; ++n) {
        const QByteArray field = zv::sentenceField(line, n);
        if (field.contains(',') || QString::fromLatin1(field) != zv::sentenceField(text, n))
            std::abort();
    }
    // A body without "$" and "*" framed by us always checks, and its fields
    // are the body's.
    if (!line.contains('*') && !line.contains('$')) {
        const QByteArray framed = zv::frameSentence(line);
        if (!zv::hasValidChecksum(framed) || zv::nmeaChecksum(line) != zv::nmeaChecksum(framed.sliced(1, framed.size() - 4)))
            std::abort();
        if (zv::sentenceField(framed, 1) != zv::sentenceField(line, 1))
            std::abort();
    }
    return 0;
}
