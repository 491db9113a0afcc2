#pragma once
// The trip recording "*.dat": a text file of CR LF lines holding both
// profiles, the statistics, the start point, the clock and date texts and
// the route. Numbers are written in the C locale with round-trip precision,
// so a start point comes back to the bit.
#include "display/trip/trip_state.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vur {

QByteArray writeRecording(const TripState& trip);

// Parses a whole recording into a fresh trip. Counts are clamped to the
// arrays; nullopt when the file is short or a value is not a number.
std::optional<TripState> parseRecording(QByteArrayView bytes);

// The file name for a name typed into FileT: trimmed, ".dat" appended when it
// has no ".". Empty when nothing was typed; nullopt with *error set when the
// name would leave the folder or hit one of the program's own files.
std::optional<QString> recordingFileName(const QString& typed, QString* error);

} // namespace vur
