// Track-file format detection and the per-line rules (record, name, segment,
// track break) on any file: the detector over a LineReader and every line
// through every format's record rule.
#include "common/text_lines.h"
#include "sim/tracks/track_format.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    for (char lead : {'T', ' '}) {
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        zv::LineReader reader(&buffer);
        const TrackDetection detection = detectTrackFormat(reader, lead);
        if (detection.format != TrackFormat::None && trackFormatName(detection.format).isEmpty())
            std::abort();
    }
    const QByteArrayList lines = zv::splitTextLines(text);
    char lead = 'T';
    TrackFormat hint = TrackFormat::None;
    for (const QByteArray& line : lines) {
        const ProbeStep step = probeTrackLine(line, lead);
        lead = step.recordLead;
        if (step.formatHint != TrackFormat::None)
            hint = step.formatHint;
        (void)formatFromFirstRecord(line);
        (void)trackNameOf(line);
        (void)isSegmentMark(line);
        (void)isOziTrackBreak(line);
        if (withoutIndent(line).size() > line.size())
            std::abort();
        (void)isTrackRecordLine(line, hint, lead);
        for (int f = int(TrackFormat::None); f <= int(TrackFormat::Zelvan); ++f)
            (void)isTrackRecordLine(line, TrackFormat(f), recordLeadOf(TrackFormat(f)));
    }
    return 0;
}
