// Vur's trip recording "*.dat": any bytes either fail to parse or give a
// trip whose counts fit its arrays; a parsed trip written again parses back
// to the same trip and writes the same bytes (a saved file survives any
// number of load/save rounds).
#include "display/trip/recording.h"

#include <cstdint>
#include <cstdlib>

using namespace vur;

namespace {

bool sameStored(const TripState& a, const TripState& b)
{
    return a.speed == b.speed && a.altitude == b.altitude && a.route == b.route && a.maxSpeed == b.maxSpeed
           && a.avgSpeed == b.avgSpeed && a.travelTime == b.travelTime && a.drivingTime == b.drivingTime
           && a.maxAltitude == b.maxAltitude && a.minAltitude == b.minAltitude && a.distanceKm == b.distanceKm
           && a.airDistance == b.airDistance && a.lat0Sec == b.lat0Sec && a.lon0Sec == b.lon0Sec
           && a.clockText == b.clockText && a.dateText == b.dateText;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto trip = parseRecording(bytes);
    if (!trip)
        return 0;
    const Route& r = trip->route;
    if (r.count < 0 || r.count > Route::kCapacity || r.scale < Route::kMinScale || r.scale > Route::kMaxScale
        || r.tick < 0 || trip->speed.points < 0 || trip->speed.points > Profile::kMaxPoints
        || trip->altitude.points < 0 || trip->altitude.points > Profile::kMaxPoints)
        std::abort();
    const QByteArray written = writeRecording(*trip);
    const auto again = parseRecording(written);
    if (!again || !sameStored(*trip, *again))
        std::abort();
    if (writeRecording(*again) != written)
        std::abort();
    return 0;
}
