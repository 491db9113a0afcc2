#pragma once
// Decoding one track-file line into a track record: the per-format columns,
// the date and time rules, and the values derived from consecutive records
// (distance, course, speed, trip and maximum).
#include "common/nmea_dates.h"
#include "sim/tracks/track_format.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

namespace zelvan {

// The fields one line carries, before anything is derived from earlier records.
struct TrackFix {
    QByteArray timeText;    // hhmmss
    QByteArray clockText;   // hh:mm:ss
    QByteArray recordDate;  // ddmmyyyy
    QByteArray latText;     // DDMM.MMM, no sign
    QByteArray lonText;     // DDDMM.MMM, no sign
    char latHemisphere = 'N';
    char lonHemisphere = 'E';
    // Altitude in metres as read; empty = none. Not set at all for a format
    // that carries none (PCX5): the previous value then stays.
    std::optional<QByteArray> altitudeText;
    // False when the time is not the file's own: KML tuples (dated by the
    // clock), the receiver's null time, times made up for points without one.
    // No speed is derived from such a time.
    bool timed = true;

    bool operator==(const TrackFix&) const = default;
};

// Written after the altitude of an own-format record whose time was made up
// because the source point had none: "... 2026 ;519; no time".
inline constexpr char kMadeUpTimeMark[] = "no time";

// The line's fields, or none when the line is not a record of the format.
// `now` (UTC) dates KML records, which carry no time of their own.
std::optional<TrackFix> parseTrackLine(QByteArrayView line, TrackFormat format, const QDateTime& now);

// Whether the fix is a place on the earth: hemisphere letters, degrees up to
// 90 and 180, minutes up to 60. Grid coordinates (UTM) read by a degrees
// layout are not; the replay never sends them.
bool isPlausibleFix(const TrackFix& fix);

// What the replay keeps from record to record; cleared at stop and by a trip
// reset, otherwise carried over.
struct TrackDecoderState {
    struct Point {
        double lat = 0; // minutes of arc, south negative
        double lon = 0; // minutes of arc, west negative
        bool operator==(const Point&) const = default;
    };
    std::optional<Point> start;      // first record since the trip began
    std::optional<Point> prev;       // previous record
    std::optional<int> prevSeconds;  // seconds of day of the previous record
    double distanceM = 0;            // last leg, whole metres
    int courseDeg = 0;               // course of the last leg that moved
    double tripMeters = 0;
    int speedKmh = 0;
    QByteArray speedKnotsText;
    int maxSpeed = 0;
    QByteArray altitudeText;         // kept by formats without altitude

    bool operator==(const TrackDecoderState&) const = default;
};

// A decoded record: what the sentences and the read-outs need.
struct TrackRecord {
    QByteArray timeText;
    QByteArray clockText;
    QByteArray recordDate;
    QByteArray latText;
    QByteArray lonText;
    char latHemisphere = 'N';
    char lonHemisphere = 'E';
    double latMinutes = 0;           // unsigned minutes of arc
    double lonMinutes = 0;
    QByteArray altitudeText;         // metres as read, empty = none
    QByteArray altitudeField;        // whole metres rounded down, or empty
    int speedKmh = 0;                // current speed (the last derived one)
    QByteArray speedKmhText;         // set only when this record derived a speed
    QByteArray speedKnotsText;
    int recordCourse = 0;            // true course, whole degrees
    QByteArray courseText;           // three digits
    double distanceFromStartM = 0;   // straight line from the trip's first record
    double tripMeters = 0;
    int maxSpeed = 0;
    bool maxSpeedChanged = false;    // the maximum read-out needs updating

    bool operator==(const TrackRecord&) const = default;
};

struct TrackDecodeStep {
    std::optional<TrackRecord> record; // none: not a record (the tick reads on)
    TrackDecoderState state;           // the state for the next line
};

// Decodes one line read by the tick. A line that is not a record leaves the
// state unchanged.
TrackDecodeStep decodeTrackRecord(QByteArrayView line, TrackFormat format,
                                  const TrackDecoderState& state, const QDateTime& nowUtc);

// The values derived from consecutive records, for a fix already parsed.
TrackDecodeStep deriveTrackRecord(const TrackFix& fix, const TrackDecoderState& state);

// Trip reset of a segment mark with the automatic reset on. The segment jump
// keeps the knots text shown.
void resetTripValues(TrackDecoderState& state, bool keepKnotsText = false);

// Altitude in metres for the profile drawn at load; none when the line has none.
std::optional<double> profileAltitude(QByteArrayView line, TrackFormat format);

// Rules shared by the layouts, exposed for tests.
QByteArray monthNumber(QByteArrayView monthText);   // "Dec"/"DEC"/"12" -> "12", else "00"
QByteArray fullYear(QByteArrayView yearText);       // "81" -> "1981", "80" -> "2080"
QByteArray latitudeText(double minutesOfArc);       // 2-digit degrees + "00.000"
QByteArray longitudeText(double minutesOfArc);      // 3-digit degrees + "00.000"
QByteArray knotsText(int speedKmh);                  // 36 -> "19.4", 0 -> "00"
QByteArray courseText(int course);                   // 7 -> "007"
QByteArray altitudeFieldOf(QByteArrayView altitudeText); // "-236.8296" -> "-237"

// A Gardown-style altitude text that stands for "no altitude" ("1e25", "1E+25").
bool isNoAltitudeMarker(QByteArrayView text);

using zv::kTwoDigitYearPivot;

} // namespace zelvan
