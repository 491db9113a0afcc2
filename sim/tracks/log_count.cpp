#include "sim/tracks/log_count.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/replay_core.h"

namespace zelvan {

void LogCount::addLine(qint64 at, QByteArrayView line)
{
    index.addLine(at, line);
    if (const qsizetype gga = heldSentence(line, "GGA"); gga >= 0) {
        hasGga = true;
        // A GGA cut short (fewer than ten fields) or without a fix has no altitude.
        const QByteArrayView sentence = line.sliced(gga);
        if (collectProfile && sentence.count(',') >= 9) {
            const QByteArray field = zv::sentenceField(sentence, 9);
            if (!field.isEmpty()) {
                const double alt = qMin(zv::leadingNumber(field), 10000.0);
                profile.append({ggaCount, alt});
                ggaCount += 1;
                lowest = qMin(lowest, alt);
                highest = qMax(highest, alt);
            }
        }
    }
    if (heldSentence(line, "VTG") >= 0)
        hasVtg = true;
}

} // namespace zelvan
