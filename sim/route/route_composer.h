#pragma once
// The sentences of one route epoch: RMC, GGA and VTG in the manual mode's
// layouts, but with the route's speed and course, and GSA and GSV of a sky
// of satellites that moves slowly with the time.
#include "sim/route/route_path.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace zelvan {

struct RouteComposeOptions {
    bool rmc = true, gga = true, vtg = true, gsa = true, gsv = true;
    QByteArray talker = "GP"; // [Output] Talker
    int altitudeM = 0;
};

struct RouteSentences {
    QByteArray rmc, gga, vtg, gsa;
    QList<QByteArray> gsv;
    QList<QByteArray> selected; // the chosen ones in sending order
};

// The fix's sentences at utc (whole seconds are sent), moving at speedMps.
RouteSentences composeRouteSentences(const RouteFix& fix, double speedMps, const QDateTime& utc,
                                     const RouteComposeOptions& options);

// "4807.0380" and "01134.5678": degrees and minutes to four decimals, rounded.
QByteArray nmeaLatitude(double degrees);
QByteArray nmeaLongitude(double degrees);

// The dilutions sent: PDOP squared is HDOP squared plus VDOP squared. The
// HDOP is the one the manual GGA has always carried.
inline constexpr double kRouteHdop = 1.5;
inline constexpr double kRouteVdop = 2.0;
inline constexpr double kRoutePdop = 2.5;

// One satellite as GSV lists it.
struct SkySatellite {
    int prn = 0;
    int elevation = 0; // degrees above the horizon, 1..90
    int azimuth = 0;   // degrees, 0..359
    int snr = 0;       // dB-Hz
    bool operator==(const SkySatellite&) const = default;
};

// A made-up GPS sky: 24 satellites in orbits of half a sidereal day, of
// which those above the horizon are in view (about twelve), by PRN. The
// same instant always gives the same sky; it drifts by a few tenths of a
// degree a minute.
QList<SkySatellite> satellitesInView(qint64 msSince1970);
// The ones a receiver would use: 10 degrees up or more, at most twelve, by PRN.
QList<int> satellitesUsed(const QList<SkySatellite>& inView);

} // namespace zelvan
