#pragma once
// Field-wise editing of one NMEA sentence for the rig's rewrites: split at
// the commas, change fields, join again with the checksum recomputed.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>
#include <optional>

namespace zelvan {

// fields[0] is the address ("$GPRMC"); the checksum is not among them.
using SentenceFields = QList<QByteArray>;

// Applies edit to the fields of a "$..." sentence and joins them again.
// The checksum keeps its standing: a right one is recomputed, a wrong one
// stays wrong by the same bits (a fault of the source is passed on, not
// repaired), none stays none. A line that is no sentence, or whose "*" is not
// followed by exactly two hex digits at its end, comes back unchanged, as
// does one whose edit returns false.
QByteArray editSentence(const QByteArray& line, const std::function<bool(SentenceFields&)>& edit);

// A time of day "hhmmss[.s...]": milliseconds since midnight and the number
// of decimals written; none for anything else (hours 0..23, minutes 0..59,
// seconds 0..60).
struct TimeOfDay {
    qint64 ms = 0;
    int decimals = 0;
};
std::optional<TimeOfDay> parseTimeOfDay(QByteArrayView text);
// ms (0 .. one day) written with `decimals` decimals, rounded to them; the
// caller has rounded already so the carry never passes midnight.
QByteArray timeOfDayText(qint64 ms, int decimals);

// A latitude "ddmm.mmm" or longitude "dddmm.mmm" with its hemisphere letter,
// in signed degrees; none when either field is not one.
std::optional<double> parseCoordinate(QByteArrayView value, QByteArrayView hemisphere, bool latitude);
// Signed degrees as value and hemisphere fields, with as many decimals of a
// minute as `decimals`.
QByteArray coordinateText(double degrees, bool latitude, int decimals);
QByteArray hemisphereText(double degrees, bool latitude);
// The decimals of a coordinate field ("4916.45" -> 2).
int decimalsOf(QByteArrayView value);

} // namespace zelvan
