#pragma once
// Drives a trip from NMEA lines the way the decoders hand sentences over:
// GGA gates RMC (no satellites, no RMC, and the next RMC knows the fix was
// lost), RMC gives time, speed, course and a signed position. A small stand-in for the decoders in these tests.
#include "common/nmea.h"
#include "common/number_text.h"
#include "common/text_lines.h"
#include "display/decode/rmb_vtg.h"
#include "display/trip/trip_statistics.h"

#include <QFile>

#include <cmath>

namespace vurtest {

inline double secondsOfDay(QByteArrayView t)
{
    if (t.size() < 6)
        return 0;
    return zv::leadingNumber(t.first(2)) * 3600 + zv::leadingNumber(t.sliced(2, 2)) * 60 + zv::leadingNumber(t.sliced(4));
}

inline vur::TripRmc rmcOf(const QByteArray& s)
{
    vur::TripRmc r;
    const QByteArray t = zv::sentenceField(s, 1);
    const QByteArray d = zv::sentenceField(s, 9);
    r.utcSecondsOfDay = secondsOfDay(t);
    if (d.size() == 6)
        r.utcDate = QDate(2000 + d.mid(4, 2).toInt(), d.mid(2, 2).toInt(), d.left(2).toInt());
    const int month = r.utcDate.isValid() ? r.utcDate.month() : 1;
    const int offset = (month >= 4 && month <= 10) ? 2 : 1;
    r.localSecondsOfDay = std::fmod(r.utcSecondsOfDay + offset * 3600, 86400.0);
    r.speedKmh = static_cast<int>(std::floor(zv::leadingNumber(zv::sentenceField(s, 7)) * 1.852 + 0.5));
    r.courseDeg = zv::leadingNumber(zv::sentenceField(s, 8));
    r.latSec = vur::signedArcSeconds(zv::sentenceField(s, 3), zv::sentenceField(s, 4), 2);
    r.lonSec = vur::signedArcSeconds(zv::sentenceField(s, 5), zv::sentenceField(s, 6), 3);
    const int localHour = static_cast<int>(r.localSecondsOfDay) / 3600;
    r.clockText = QString::number(localHour) + QLatin1Char(':') + QString::fromLatin1(t.mid(2, 2));
    r.dateText = r.utcDate.toString(QStringLiteral("dd.MM.yyyy"));
    return r;
}

inline vur::TripGga ggaOf(const QByteArray& s)
{
    vur::TripGga g;
    g.satsUsed = static_cast<int>(zv::leadingNumber(zv::sentenceField(s, 7)));
    const QByteArray alt = zv::sentenceField(s, 9);
    if (!alt.trimmed().isEmpty())
        g.altitude = static_cast<int>(std::floor(zv::leadingNumber(alt)));
    return g;
}

// Feeds every $GPGGA and $GPRMC line to the trip; returns the RMCs taken.
inline int feedLines(vur::TripStatistics& trip, const QByteArrayList& lines)
{
    int satsUsed = 0;
    int fixLosses = 0;
    int rmcs = 0;
    for (const QByteArray& raw : lines) {
        const qsizetype dollar = raw.indexOf('$');
        if (dollar < 0)
            continue;
        const QByteArray s = raw.mid(dollar);
        if (s.startsWith("$GPGGA")) {
            const vur::TripGga g = ggaOf(s);
            satsUsed = g.satsUsed;
            fixLosses += satsUsed <= 0;
            trip.onGga(g);
        } else if (s.startsWith("$GPRMC") && satsUsed > 0) {
            vur::TripRmc r = rmcOf(s);
            r.fixLosses = fixLosses;
            trip.onRmc(r);
            ++rmcs;
        }
    }
    return rmcs;
}

inline QByteArrayList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return zv::splitTextLines(f.readAll());
}

} // namespace vurtest
