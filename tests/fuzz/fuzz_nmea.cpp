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
    // Any-talker recognition agrees with itself: a sentence found inside the
    // line is one at that position, and one at the start is found there.
    const QByteArray type = zv::sentenceType(line);
    if (!type.isEmpty() && (!zv::isSentence(line, type) || zv::findSentence(line, type) != 0))
        std::abort();
    for (const char* t : {"RMC", "GGA", "GLL", "VTG", "GSV"}) {
        const qsizetype at = zv::findSentence(line, t);
        if (at >= 0 && (!zv::isSentence(line.sliced(at), t) || zv::sentenceTalker(line.sliced(at)).size() != 2))
            std::abort();
    }
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
