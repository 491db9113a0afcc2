#include "sim/route/route_composer.h"

#include "common/nmea.h"
#include "sim/manual/recording_format.h"

#include <cmath>
#include <numbers>

namespace zelvan {

namespace {

constexpr double kKnotsPerMps = 3600.0 / 1852.0;
constexpr int kSkySize = 24;
constexpr double kOrbitSeconds = 43'082.0; // half a sidereal day
constexpr int kUseAbove = 10;
constexpr int kMaxUsed = 12;

QByteArray angleText(double degrees, int degreeDigits)
{
    // Ten-thousandths of a minute, rounded once, so 59.99999' carries into the degree.
    const long long units = std::llround(std::fabs(degrees) * 600'000.0);
    return zv::zeroPadded(units / 600'000, degreeDigits) + zv::zeroPadded(units % 600'000 / 10'000, 2) + '.'
           + zv::zeroPadded(units % 10'000, 4);
}

// "019.4": one decimal, at least three digits before the point.
QByteArray tenths(double value, int width)
{
    return QByteArray::number(std::round(value * 10.0) / 10.0, 'f', 1).rightJustified(width, '0');
}

QByteArray courseText(double course)
{
    double c = std::round(course * 10.0) / 10.0;
    if (c >= 360.0)
        c -= 360.0;
    return tenths(c, 5);
}

} // namespace

QByteArray nmeaLatitude(double degrees)
{
    return angleText(degrees, 2);
}

QByteArray nmeaLongitude(double degrees)
{
    return angleText(degrees, 3);
}

QList<SkySatellite> satellitesInView(qint64 msSince1970)
{
    QList<SkySatellite> sky;
    const double orbits = double(msSince1970) / 1000.0 / kOrbitSeconds;
    for (int k = 0; k < kSkySize; ++k) {
        // Phases spread so that about half the satellites are up at any time,
        // and neighbouring PRNs are not neighbours in the sky.
        const double phase = double((k * 7) % kSkySize) / kSkySize;
        // Each orbit passes at its own height: few satellites stand near the zenith at once.
        const double highest = 35.0 + double((k * 23) % 55);
        const double elevation = highest * std::sin(2.0 * std::numbers::pi * (orbits + phase));
        const int up = int(std::lround(elevation));
        if (up < 1)
            continue;
        const double turn = (k % 2 ? 1.0 : -1.0) * 360.0 * orbits;
        const int azimuth = int(std::lround(std::fmod(std::fmod(k * 47.0 + turn, 360.0) + 360.0, 360.0))) % 360;
        sky.append({k + 1, up, azimuth, 20 + up / 3});
    }
    return sky;
}

QList<int> satellitesUsed(const QList<SkySatellite>& inView)
{
    QList<int> used;
    for (const SkySatellite& s : inView)
        if (s.elevation >= kUseAbove && used.size() < kMaxUsed)
            used.append(s.prn);
    return used;
}

RouteSentences composeRouteSentences(const RouteFix& fix, double speedMps, const QDateTime& utc,
                                     const RouteComposeOptions& options)
{
    RouteSentences out;
    const QByteArray& t = options.talker;
    const QByteArray time = recordTimeText(utc.time());
    const QByteArray date = recordDateText(utc.date());
    const QByteArray position = nmeaLatitude(fix.lat) + (fix.lat < 0 ? ",S," : ",N,") + nmeaLongitude(fix.lon)
                                + (fix.lon < 0 ? ",W" : ",E");
    const double knots = std::max(0.0, speedMps) * kKnotsPerMps;
    const QByteArray course = courseText(fix.courseDeg);
    const QList<SkySatellite> sky = satellitesInView(utc.toMSecsSinceEpoch());
    const QList<int> used = satellitesUsed(sky);

    out.rmc = zv::frameSentence(t + "RMC," + time + ",A," + position + ',' + tenths(knots, 5) + ',' + course + ','
                                + date + ",,E");
    out.gga = zv::frameSentence(t + "GGA," + time + ',' + position + ",1," + zv::zeroPadded(used.size(), 2) + ",1.5,"
                                + QByteArray::number(options.altitudeM) + ".0,M,46.8,M,,");
    out.vtg = zv::frameSentence(t + "VTG," + course + ",T,,," + tenths(knots, 1) + ",N," + tenths(knots * 1.852, 1)
                                + ",K");
    QByteArray gsa = t + "GSA,A,3,";
    for (int i = 0; i < kMaxUsed; ++i)
        gsa += (i < used.size() ? zv::zeroPadded(used[i], 2) : QByteArray()) + ',';
    gsa += QByteArray::number(kRoutePdop, 'f', 1) + ',' + QByteArray::number(kRouteHdop, 'f', 1) + ','
           + QByteArray::number(kRouteVdop, 'f', 1);
    out.gsa = zv::frameSentence(gsa);
    const qsizetype messages = std::max<qsizetype>(1, (sky.size() + 3) / 4);
    for (qsizetype m = 0; m < messages; ++m) {
        QByteArray gsv = t + "GSV," + QByteArray::number(messages) + ',' + QByteArray::number(m + 1) + ','
                         + zv::zeroPadded(sky.size(), 2);
        for (qsizetype i = m * 4; i < std::min(sky.size(), m * 4 + 4); ++i) {
            const SkySatellite& s = sky[i];
            gsv += ',' + zv::zeroPadded(s.prn, 2) + ',' + zv::zeroPadded(s.elevation, 2) + ',' + zv::zeroPadded(s.azimuth, 3) + ','
                   + zv::zeroPadded(s.snr, 2);
        }
        out.gsv.append(zv::frameSentence(gsv));
    }

    if (options.rmc)
        out.selected.append(out.rmc);
    if (options.gga)
        out.selected.append(out.gga);
    if (options.vtg)
        out.selected.append(out.vtg);
    if (options.gsa)
        out.selected.append(out.gsa);
    if (options.gsv)
        out.selected.append(out.gsv);
    return out;
}

} // namespace zelvan
