#pragma once
// Decoding of the device's track points and the text of the lines the
// download writes into the own track format.
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace zelvan::garmin {

// Seconds between 1970-01-01 and 1989-12-31 00:00:00 UTC, the device's epoch.
inline constexpr std::int64_t kGarminEpochUnix = 631065600;

struct TrackPoint {
    std::int32_t latSemicircles = 0;
    std::int32_t lonSemicircles = 0;
    std::uint32_t time = 0;
    std::optional<float> altitude;   // the layout carries one (D301, D302, D303, D304)
    std::optional<bool> newSegment;  // the layout carries the flag (D300, D301, D302)

    // Both coordinates 0x7FFFFFFF: the device had no fix.
    bool hasPosition() const { return !(latSemicircles == 0x7FFFFFFF && lonSemicircles == 0x7FFFFFFF); }
};

// The layout follows the packet size: 13 D300, 21 D301 (24 padded), 25 D302,
// 17 D303, 23 D304; any other size of at least 12 bytes gives position and
// time only. Shorter packets give nothing.
std::optional<TrackPoint> decodeTrackPoint(QByteArrayView data);

double semicirclesToDegrees(std::int32_t semicircles);

// "N48 07.0380" / "E011 34.5678": minutes rounded to four decimals, a round-up
// to 60 minutes carried into the degree.
QString latitudeText(double degrees);
QString longitudeText(double degrees);

struct PointTime {
    int year, month, day, hour, minute, second, weekday; // weekday 0 = Sunday
};

// Device seconds to calendar time in UTC; values from 0x7FFFFFFF up (the
// device's "no time") count as the epoch itself.
PointTime pointTime(std::uint32_t deviceSeconds);

// "Mon Jan 05 12:34:56 2005", English names whatever the locale.
QString pointTimeText(const PointTime& t);
// "05.01.2005 12:34:56" for the progress list.
QString progressTimeText(const PointTime& t);

// ";123;" with the magnitude rounded half up; NaN, infinities and values of
// 1e24 and more (the device's 1.0e25 "no altitude") give ";1E+25;".
QString altitudeText(float metres);

// "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;"
QString trackLine(const TrackPoint& p);

// The name of a track header: D310/D312 identifier after the display and
// colour bytes up to its zero byte; D311 (two bytes) its index in decimal.
QString trackHeaderName(QByteArrayView data);

// Latin-1 text with control bytes turned into blanks, for device strings that
// end up as lines of the track file.
QString printableText(QByteArrayView bytes);

// The file name the download writes: ".trk" appended when the name itself
// has no "." (a "." in a folder does not count).
QString downloadFileName(const QString& folder, const QString& name);

} // namespace zelvan::garmin
