#pragma once
// From what the live decoders read to what the trip and the targets take:
// the RMC and GGA hand-over values and the current signed position.
#include "display/decode/decoders.h"
#include "display/decode/sentence_fields.h"
#include "display/targets/target_geometry.h"
#include "display/trip/trip_input.h"

#include <optional>

namespace vur {

// "hhmmss(.sss)" as seconds since midnight; 0 when it is too short.
double secondsOfDay(QByteArrayView hhmmss);
// "ddmmyy" as a date (years above 90 are 19xx); invalid when absent or wrong.
QDate rmcDate(QByteArrayView ddmmyy);

// An RMC the decoder has just read into `state`; localSecondsOfDay is the
// time of day the sample tick used.
TripRmc tripRmcOf(const SentenceFields& rmc, const DisplayState& state, double localSecondsOfDay);
// A GGA: satellites in use and the altitude, absent when the field is empty.
TripGga tripGgaOf(const SentenceFields& gga);
// The position of an RMC in signed arc-seconds (south and west negative);
// absent when the sentence carries no latitude or longitude.
std::optional<Position> rmcPosition(const SentenceFields& rmc, const DisplayState& state);

} // namespace vur
