// Routes from outside text: a "lat,lon" list read, made a path and walked.
// Whatever the points (repeats, poles, the 180th meridian, neighbours close
// to opposite sides of the earth), every place on the path is a place and
// every course a course, and the sentences are well framed.
#include "common/nmea.h"
#include "sim/route/route_composer.h"
#include "sim/route/route_path.h"
#include "sim/route/route_points.h"

#include <QByteArray>
#include <QDateTime>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 1 << 16)
        return 0;
    const int steps = 1 + data[0] % 32;
    const QByteArray text(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const zelvan::RouteRead read = zelvan::readLatLonList(text, QStringLiteral("fuzz"));
    if (!read.ok()) {
        if (!read.error.startsWith(QLatin1String("fuzz, line ")))
            std::abort(); // a list's error names its line
        return 0;
    }
    const auto path = zelvan::RoutePath::fromPoints(read.points);
    if (!path)
        return 0;
    if (!(path->lengthM() > 0) || !std::isfinite(path->lengthM()))
        std::abort();
    const QDateTime utc(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
    for (int i = 0; i <= steps + 1; ++i) {
        const zelvan::RouteFix fix = path->at(path->lengthM() * i / steps);
        if (!(fix.lat >= -90 && fix.lat <= 90 && fix.lon >= -180 && fix.lon < 180 && fix.courseDeg >= 0
              && fix.courseDeg < 360 && fix.leg >= 0 && fix.leg < path->legCount()))
            std::abort();
        if (fix.atEnd != (i >= steps))
            std::abort();
        for (const QByteArray& s : zelvan::composeRouteSentences(fix, 10, utc.addSecs(i), {}).selected)
            if (!zv::hasValidChecksum(s) || s.size() > 82)
                std::abort();
    }
    return 0;
}
