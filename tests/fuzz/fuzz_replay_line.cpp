// One log line through the replay's selection table and the GGA/GLL
// alignment, against the epoch text of an RMC from the same input: the
// first byte picks the sentence boxes and Equ, the rest is lines, the first
// RMC among them the epoch. What goes out is one line, never longer than a
// sentence may be, and a line the alignment rewrote carries a valid checksum.
#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/replay/replay_core.h"

#include <cstdint>
#include <cstdlib>

using namespace zelvan;

namespace {

bool oneLine(const QByteArray& text)
{
    return !text.contains('\n') && !text.contains('\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    DataSelection boxes{};
    for (int i = 0; i < DataBoxCount; ++i)
        boxes[i] = (data[0] >> i) & 1;
    const bool equ = data[0] & 0x80;
    const QByteArrayList lines =
        zv::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)));

    QByteArray epoch;
    for (const QByteArray& line : lines) {
        const qsizetype at = rmcStart(line);
        if (at >= 0) {
            epoch = epochTimePosOf(line);
            if (epoch.size() > line.size() - at || !oneLine(epoch))
                std::abort();
            if (rmcClockText(line).size() > 6)
                std::abort();
            for (int n = 0; n < 14; ++n)
                if (rmcField(line, n).size() > line.size())
                    std::abort();
            (void)latitudeMinutes(rmcField(line, 3));
            (void)longitudeMinutes(rmcField(line, 5));
            (void)kmhFromKnots(rmcField(line, 7));
            break;
        }
    }

    for (const QByteArray& line : lines) {
        const LogLineChoice c = selectLogLine(line, boxes, equ, epoch);
        if (c.passOn) {
            if (line.size() > kMaxPassedLine || !oneLine(c.out))
                std::abort();
            // Rewriting swaps fields and frames anew ("*hh" at most added).
            if (c.out.size() > line.size() + epoch.size() + 3)
                std::abort();
            if (c.out != line && !zv::hasValidChecksum(c.out))
                std::abort();
        } else if (c.kind == LogLineKind::Junk && c.out != line) {
            std::abort();
        }
        // Alignment with any epoch text, not only an RMC's.
        for (const QByteArray& aligned : {alignGga(line, epoch), alignGll(line, epoch), alignGga(line, line)}) {
            if (!oneLine(aligned) && oneLine(line) && oneLine(epoch))
                std::abort();
        }
        (void)ggaWithRmcPosition(line, epoch);
        const QByteArray paused = pausedGga(line);
        if (!paused.isEmpty() && !zv::hasValidChecksum(paused))
            std::abort();
        const QByteArray pausedV = pausedVtg(line);
        if (!pausedV.isEmpty() && !zv::hasValidChecksum(pausedV))
            std::abort();
    }
    return 0;
}
