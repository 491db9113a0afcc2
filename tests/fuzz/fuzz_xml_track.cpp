// GPX/KML reader on any document: no crash, an error always with a text for
// the user, and what is read is what callers take for granted: no track
// without points, no empty segment, positions on the earth, counts that add
// up. The same bytes also go through the time and KML coordinate parsers.
#include "sim/tracks/xml_track.h"

#include <QBuffer>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;

namespace {

bool onEarth(const XmlTrackPoint& p)
{
    return std::isfinite(p.lat) && std::isfinite(p.lon) && std::fabs(p.lat) <= 90.0 && std::fabs(p.lon) <= 180.0
           && (!p.elevation || std::isfinite(*p.elevation)) && (!p.time || p.time->isValid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const XmlTrackRead read = readXmlTrack(buffer);
    if ((read.error == XmlTrackRead::None) != read.errorText.isEmpty())
        std::abort();
    if (read.error == XmlTrackRead::None) {
        qsizetype points = 0, segments = 0;
        for (const XmlTrack& track : read.data.tracks) {
            if (track.segments.isEmpty())
                std::abort();
            for (const XmlTrackSegment& segment : track.segments) {
                if (segment.points.isEmpty())
                    std::abort();
                ++segments;
                for (const XmlTrackPoint& p : segment.points) {
                    if (!onEarth(p))
                        std::abort();
                    ++points;
                }
            }
        }
        if (points != read.data.pointCount() || segments != read.data.segmentCount() || read.data.skippedPoints < 0)
            std::abort();
    }
    const QString text = QString::fromUtf8(bytes);
    if (const auto t = parseXmlTime(text); t && (!t->isValid() || t->time().msec() != 0))
        std::abort();
    int skipped = 0;
    for (const XmlTrackPoint& p : parseKmlCoordinates(text, &skipped))
        if (!onEarth(p))
            std::abort();
    if (skipped < 0)
        std::abort();
    return 0;
}
