#include "display/trip/decoded_input.h"

#include "common/number_text.h"

#include <algorithm>
#include <cmath>

namespace vur {

double secondsOfDay(QByteArrayView t)
{
    t = t.trimmed();
    if (t.size() < 6)
        return 0;
    return zv::leadingNumber(t.first(2)) * 3600 + zv::leadingNumber(t.sliced(2, 2)) * 60
           + zv::leadingNumber(t.sliced(4));
}

QDate rmcDate(QByteArrayView d)
{
    d = d.trimmed();
    if (d.size() != 6)
        return {};
    for (char c : d)
        if (c < '0' || c > '9')
            return {};
    int year = static_cast<int>(zv::leadingNumber(d.sliced(4, 2)));
    year += year > 90 ? 1900 : 2000;
    return QDate(year, static_cast<int>(zv::leadingNumber(d.sliced(2, 2))),
                 static_cast<int>(zv::leadingNumber(d.first(2))));
}

TripRmc tripRmcOf(const SentenceFields& f, const DisplayState& s, double localSecondsOfDay)
{
    TripRmc r;
    r.utcSecondsOfDay = secondsOfDay(f.GetField(1));
    r.utcDate = rmcDate(f.GetField(9));
    r.localSecondsOfDay = localSecondsOfDay;
    r.speedKmh = static_cast<int>(std::clamp(s.rxSpeedKmh, -1e6, 1e6));
    r.courseDeg = zv::leadingNumber(s.rxCourseText);
    r.fixLosses = s.fixLosses;
    if (const std::optional<Position> p = rmcPosition(f, s)) {
        r.latSec = p->latSec;
        r.lonSec = p->lonSec;
    }
    r.clockText = s.localClockText;
    r.dateText = s.dateText;
    return r;
}

TripGga tripGgaOf(const SentenceFields& f)
{
    TripGga g;
    const double sats = zv::leadingNumber(f.GetField(7));
    g.satsUsed = static_cast<int>(std::clamp(sats, 0.0, 1000.0));
    const QByteArray alt = f.GetField(9).trimmed();
    const double v = std::floor(zv::leadingNumber(alt));
    if (!alt.isEmpty() && std::abs(v) < 1e6)
        g.altitude = static_cast<int>(v);
    return g;
}

std::optional<Position> rmcPosition(const SentenceFields& f, const DisplayState& s)
{
    if (f.GetField(3).trimmed().isEmpty() || f.GetField(5).trimmed().isEmpty())
        return std::nullopt;
    const auto negative = [](const QByteArray& h) { return h.startsWith('S') || h.startsWith('W'); };
    return Position{negative(s.latHemi) ? -s.latSec : s.latSec, negative(s.lonHemi) ? -s.lonSec : s.lonSec};
}

} // namespace vur
