#include "sim/replay/pacing.h"

#include <QDate>
#include <cmath>
#include <limits>

namespace zelvan {

qint64 nextPeriodicStart(qint64 tickStartNs, qint64 periodNs, qint64 nowNs)
{
    if (periodNs <= 0)
        return nowNs;
    qint64 next = tickStartNs + periodNs;
    if (next < nowNs)
        next += ((nowNs - next) / periodNs + 1) * periodNs;
    return next;
}

int msUntil(qint64 dueNs, qint64 nowNs)
{
    const qint64 left = dueNs - nowNs;
    if (left <= 0)
        return 0;
    const qint64 ms = (left + 999'999) / 1'000'000;
    return ms > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : int(ms);
}

namespace {

std::optional<int> digits(QByteArrayView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

double dated(const RecordTime& t)
{
    return double(*t.day) * 86400 + t.secondsOfDay;
}

// The record's time on the schedule's scale. Two dated records compare by
// date and time; otherwise the time of day follows the previous record's,
// and a date that appears (a receiver that found it only after its first
// fixes) moves the whole scale onto dates without a jump.
double continuousSeconds(const RecordTime& t, FilePaceState& st)
{
    if (!st.timed) {
        st.dated = t.day.has_value();
        return t.day ? dated(t) : t.secondsOfDay;
    }
    if (t.day && st.dated)
        return dated(t);
    double s = std::floor(st.prevSeconds / 86400) * 86400 + t.secondsOfDay;
    // 23:59:59 followed by 00:00:00 without a date: the next day.
    if (s < st.prevSeconds && s + 86400 - st.prevSeconds <= kLargestGapSeconds)
        s += 86400;
    if (t.day) {
        const double shift = dated(t) - s;
        st.prevSeconds += shift;
        st.anchorSeconds += shift;
        s += shift;
        st.dated = true;
    }
    return s;
}

} // namespace

std::optional<RecordTime> recordTimeOf(QByteArrayView hhmmss, QByteArrayView ddmmyy)
{
    if (hhmmss.size() < 6)
        return std::nullopt;
    const auto h = digits(hhmmss, 0, 2), m = digits(hhmmss, 2, 2), s = digits(hhmmss, 4, 2);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 60)
        return std::nullopt;
    double fraction = 0;
    if (hhmmss.size() > 6) {
        if (hhmmss[6] != '.')
            return std::nullopt;
        double scale = 0.1;
        for (qsizetype i = 7; i < hhmmss.size(); ++i) {
            const char c = hhmmss[i];
            if (c < '0' || c > '9')
                return std::nullopt;
            fraction += (c - '0') * scale;
            scale /= 10;
        }
    }
    RecordTime t;
    t.secondsOfDay = *h * 3600 + *m * 60 + *s + fraction;
    if (ddmmyy.size() == 6 || ddmmyy.size() == 8) {
        const auto d = digits(ddmmyy, 0, 2), mo = digits(ddmmyy, 2, 2), y = digits(ddmmyy, 4, ddmmyy.size() - 4);
        if (d && mo && y) {
            const int year = ddmmyy.size() == 8 ? *y : (*y >= 80 ? 1900 + *y : 2000 + *y);
            const QDate date(year, *mo, *d);
            if (date.isValid())
                t.day = date.toJulianDay();
        }
    }
    return t;
}

FilePaceStep stepFilePace(FilePaceState& st, const std::optional<RecordTime>& time, qint64 nowNs, double factor)
{
    if (!(factor >= kMinFileFactor))
        factor = kMinFileFactor;
    if (factor > kMaxFileFactor)
        factor = kMaxFileFactor;
    auto anchor = [&st](qint64 ns, std::optional<double> seconds) {
        st.anchorNs = st.prevNs = ns;
        st.timed = seconds.has_value();
        if (seconds)
            st.anchorSeconds = st.prevSeconds = *seconds;
    };
    if (!st.started) {
        st.started = true;
        anchor(nowNs, time ? std::optional<double>(continuousSeconds(*time, st)) : std::nullopt);
        return {nowNs, time ? PaceNote::None : PaceNote::NoTime};
    }
    const qint64 afterGap = st.prevNs + kUntimedGapNs;
    if (!time) {
        // Counted as a second of the file, so a time that follows fits in.
        anchor(afterGap, st.timed ? std::optional<double>(st.prevSeconds + 1) : std::nullopt);
        return {afterGap, PaceNote::NoTime};
    }
    const double seconds = continuousSeconds(*time, st);
    if (!st.timed) {
        anchor(afterGap, seconds);
        return {afterGap, PaceNote::None};
    }
    const double gap = seconds - st.prevSeconds;
    if (gap < 0 || gap > kLargestGapSeconds) {
        anchor(afterGap, seconds);
        return {afterGap, gap < 0 ? PaceNote::Backwards : PaceNote::Jump};
    }
    const qint64 due = st.anchorNs + qint64(std::llround((seconds - st.anchorSeconds) / factor * 1e9));
    st.prevNs = due;
    st.prevSeconds = seconds;
    return {due, PaceNote::None};
}

} // namespace zelvan
