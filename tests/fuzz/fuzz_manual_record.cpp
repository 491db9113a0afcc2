// The line layouts of Zelvan's manual recording on sentences and texts it
// did not make: the first line is taken as the last RMC, the second as the
// text typed for a text record. A text record is one framed line with a
// single "$" and a single "*", so replaying the recording reads it as one
// TXT and nothing else; patched sentences keep their checksum valid.
#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/manual/recording_format.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArrayList lines = zv::splitTextLines(bytes);
    const QByteArray rmc = lines.value(0);
    const QString typed = QString::fromUtf8(lines.value(1));

    const QString clean = cleanRecordText(typed);
    if (clean.size() > typed.size() || clean.contains(QLatin1Char('$')) || clean.contains(QLatin1Char('*')))
        std::abort();
    for (QChar c : clean)
        if (c.unicode() < 0x20)
            std::abort();

    const QString status = textRecordStatus(rmc, clean);
    if (!status.isEmpty()) {
        const QByteArray record = textRecordLine(status);
        if (!zv::hasValidChecksum(record) || record.count('$') != 1 || record.count('*') != 1
            || record.contains('\n') || record.contains('\r') || !zv::isSentence(record, "TXT"))
            std::abort();
    }

    for (int kmh : {0, 1, 100, 999, -5}) {
        const QByteArray patched = withRecordSpeed(rmc, kmh);
        if (!zv::hasValidChecksum(patched))
            std::abort();
    }
    const QByteArray fields = withFields(rmc, {{1, "120000"}, {3, formatRecordMinutes(2885.745)}});
    if (!zv::hasValidChecksum(fields))
        std::abort();

    // Minutes of arc from the input's bytes, within the earth's range, with
    // the nudge flags (0..3) the manual controller sets.
    if (size >= sizeof(double)) {
        double minutes = 0;
        std::memcpy(&minutes, data, sizeof minutes);
        if (std::isfinite(minutes) && std::fabs(minutes) <= 180.0 * 60.0) {
            const QByteArray text = formatRecordMinutes(minutes, int(data[size - 1] % 4));
            const qsizetype dot = text.indexOf('.');
            if (dot < 2 || text.size() - dot != 5 || text.mid(dot - 2, 2).toInt() >= 60)
                std::abort();
        }
    }
    (void)isAcceptableRecordName(typed);
    return 0;
}
