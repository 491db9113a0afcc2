#include "sim/manual/manual_composer.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/manual/recording_format.h"
#include "sim/geometry/track_geometry.h"

namespace zelvan {

namespace {

} // namespace

int minuteFraction(int seconds, int tenths)
{
    // (seconds + tenths / 10) / 60 * 10000 = x * 50 / 3 with x in tenths.
    const int x = seconds * 10 + tenths;
    return (100 * x + 3) / 6;
}

DistanceReadout manualDistanceReadout(int d, bool metric)
{
    if (metric) {
        if (d < 1000)
            return {QString::number(d), QStringLiteral("m ->")};
        return {QString::number(d / 1000), QStringLiteral("km ->")};
    }
    if (d < 1000)
        return {QString::number(static_cast<long long>(d * 3.281)), QStringLiteral("ft ->")};
    return {QString::number(zv::roundHalfEven(d / 1609.0)), QStringLiteral("mi ->")};
}

ManualTickOutput composeManualSentences(ManualState& s, const ManualComposeOptions& options, const QDateTime& utcNow)
{
    ManualTickOutput out;
    const ManualPosition& p = s.position;

    int latFrac = minuteFraction(p.lat.seconds, p.lat.tenths);
    int lonFrac = minuteFraction(p.lon.seconds, p.lon.tenths);
    // A receiver reports a moved fix; nudge the other axis by one unit for
    // one tick so both coordinates of the sentence change.
    if (s.nudgeFlags == 2)
        ++latFrac;
    else if (s.nudgeFlags == 1)
        ++lonFrac;
    s.nudgeFlags = 0;

    const QByteArray ns = p.lat.negative ? "S" : "N";
    const QByteArray ew = p.lon.negative ? "W" : "E";
    const QByteArray latText = zv::zeroPadded(p.lat.degrees, 2) + zv::zeroPadded(p.lat.minutes, 2) + '.' + zv::zeroPadded(latFrac, 4);
    const QByteArray lonText = zv::zeroPadded(p.lon.degrees, 3) + zv::zeroPadded(p.lon.minutes, 2) + '.' + zv::zeroPadded(lonFrac, 4);
    const QByteArray time = recordTimeText(utcNow.time());
    const QByteArray date = recordDateText(utcNow.date());

    ManualPoint cur;
    cur.latMin = p.lat.degrees * 60.0 + p.lat.minutes + latFrac / 10000.0;
    cur.south = p.lat.negative;
    cur.lonMin = p.lon.degrees * 60.0 + p.lon.minutes + lonFrac / 10000.0;
    cur.west = p.lon.negative;
    s.current = cur;

    const bool hadReference = s.reference.has_value();
    if (hadReference) {
        const ManualPoint& ref = *s.reference;
        if (ref.south == cur.south && ref.west == cur.west) {
            // Unsigned minutes within one hemisphere, course mirrored afterwards.
            const DistanceAndCourse dc = distanceAndCourse(ref.latMin, cur.latMin, ref.lonMin, cur.lonMin);
            s.distanceM = static_cast<int>(dc.distanceM);
            if (dc.courseDeg)
                s.courseDeg = courseForHemisphere(*dc.courseDeg, cur.south ? 'S' : 'N', cur.west ? 'W' : 'E');
        } else {
            // Across the equator or a meridian the unsigned minutes would
            // fold the way back on itself: measure in signed minutes, the
            // short way round across 180 degrees.
            const double refLon = cur.signedLon() + foldedLongitude(ref.signedLon() - cur.signedLon());
            const DistanceAndCourse dc = distanceAndCourse(ref.signedLat(), cur.signedLat(), refLon, cur.signedLon());
            s.distanceM = static_cast<int>(dc.distanceM);
            if (dc.courseDeg)
                s.courseDeg = *dc.courseDeg;
        }
    } else {
        s.distanceM = 0;
    }
    int needle = s.courseDeg + 90;
    if (needle > 359)
        needle -= 360;

    QByteArray rmc = options.talker + "RMC," + time + ",A," + latText + ',' + ns + ',' + lonText + ',' + ew + ",000.0,";
    if (hadReference && s.distanceM > 0)
        rmc += zv::zeroPadded(s.courseDeg, 3) + ".0";
    rmc += ',' + date + ",,E";
    s.lastRmc = zv::frameSentence(rmc);
    if (options.rmc)
        out.sentences.append(s.lastRmc);

    if (!hadReference) {
        s.reference = cur;
        out.referenceTaken = true;
    } else {
        CompassUpdate compass;
        if (s.distanceM != 0) {
            compass.needleWidth = 3;
            compass.value = needle;
        }
        out.compass = compass;
        out.readout = manualDistanceReadout(s.distanceM, options.metricUnits);
        s.lastDistanceM = s.distanceM;
    }

    const QByteArray gga = options.talker + "GGA," + time + ',' + latText + ',' + ns + ',' + lonText + ',' + ew + ",1,12,1.5,"
                           + QByteArray::number(s.altitudeM) + ".0,M,46.8,M,,";
    s.lastGga = zv::frameSentence(gga);
    if (options.gga)
        out.sentences.append(s.lastGga);

    if (options.vtg) {
        QByteArray vtg = options.talker + "VTG,";
        if (hadReference) {
            if (s.courseDeg != 0)
                s.lastVtgCourse = s.courseDeg;
            vtg += zv::zeroPadded(s.distanceM != 0 ? s.courseDeg : s.lastVtgCourse, 3);
        }
        vtg += ",T,,,0,N,0,K";
        s.lastVtg = zv::frameSentence(vtg);
        out.sentences.append(s.lastVtg);
    }
    s.tickedThisRun = true;
    return out;
}

} // namespace zelvan
