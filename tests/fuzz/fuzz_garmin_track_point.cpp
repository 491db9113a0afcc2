// One Garmin track-point packet as the device sends it: every layout by its
// size, then the texts the download writes (position, time, altitude, the
// file line), and the track header's name.
#include "sim/garmin/track_point.h"

#include <cstdint>
#include <cstdlib>

using namespace zelvan::garmin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto point = decodeTrackPoint(bytes)) {
        (void)latitudeText(semicirclesToDegrees(point->latSemicircles));
        (void)longitudeText(semicirclesToDegrees(point->lonSemicircles));
        const PointTime t = pointTime(point->time);
        (void)pointTimeText(t);
        (void)progressTimeText(t);
        if (point->altitude)
            (void)altitudeText(*point->altitude);
        (void)trackLine(*point);
    }
    (void)trackHeaderName(bytes);
    (void)printableText(bytes);
    return 0;
}
