// Track record decoding for every layout: each line of the input decoded as
// a record of each format in turn, the state carried from line to line as
// the replay does, plus the altitude the load-time profile reads.
#include "common/text_lines.h"
#include "sim/tracks/track_record.h"

#include <QDateTime>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QDateTime now(QDate(2026, 12, 7), QTime(12, 30, 15), Qt::UTC);
    const QByteArrayList lines = zv::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (int f = int(TrackFormat::Kml); f <= int(TrackFormat::Zelvan); ++f) {
        const TrackFormat format = TrackFormat(f);
        TrackDecoderState state;
        for (const QByteArray& line : lines) {
            if (const auto alt = profileAltitude(line, format); alt && std::isnan(*alt))
                std::abort();
            const auto fix = parseTrackLine(line, format, now);
            TrackDecodeStep step = decodeTrackRecord(line, format, state, now);
            // A record is exactly a parsed line at a place on the earth.
            if ((fix.has_value() && isPlausibleFix(*fix)) != step.record.has_value())
                std::abort();
            if (step.record) {
                const TrackRecord& r = *step.record;
                if (r.courseText.size() != 3 || r.recordCourse < 0 || r.recordCourse > 360)
                    std::abort();
                if (!(r.latMinutes <= 90 * 60) || !(r.lonMinutes <= 180 * 60))
                    std::abort();
                (void)altitudeFieldOf(r.altitudeText);
                (void)isNoAltitudeMarker(r.altitudeText);
            }
            state = step.state;
        }
        resetTripValues(state);
    }
    return 0;
}
