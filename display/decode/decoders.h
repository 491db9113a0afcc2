#pragma once
// The display's decoders for GGA, GSV, GSA and RMC: pure functions over the
// display state. Each statement-sized step that cannot be done (a number out
// of range, an index outside the satellite table) leaves its target as it was.
#include "display/decode/sentence_fields.h"

#include <QString>

#include <array>
#include <map>
#include <tuple>
#include <vector>

namespace vur {

inline constexpr int satelliteSlots = 33; // satellite numbers 0 .. 32

// A satellite of another talker than GP: (constellation order, talker, number).
// GLONASS, Galileo and BeiDou number their satellites from 1 again, so the
// talker is part of the key.
using SatelliteKey = std::tuple<int, int, int>;

// Everything the live read-outs and the later trip, plot and target steps
// take from the decoders. Texts are what the read-outs show.
struct DisplayState {
    double satsUsed = 0;
    // The last GGA had a fix: satellites used and a quality other than 0.
    bool fix = false;
    // GGAs without a fix so far: no RMC is decoded while they last, and the
    // trip takes no time or way across one.
    int fixLosses = 0;
    double satsInView = 0;
    QString fixQuality;
    QString fixMode;
    std::array<double, satelliteSlots> satSignal{}; // SNR x 1.5, 0 = none ($GP talker)
    std::map<SatelliteKey, double> otherSignal;      // SNR x 1.5 of the other talkers' satellites
    std::map<std::pair<int, int>, double> inViewByTalker; // GSV field 3 per (talker, signal) in this round
    bool satRoundDrawn = false; // a GSA drew the bars: the next GSV starts a new round
    double altitude = 0;
    QString rxCourseText;
    qint16 courseInt = 0;
    double needleAngle = 0;
    QString hemispheres;
    double latSec = 0, lonSec = 0;
    QString latMinText, lonMinText;
    double latDeg = 0;
    QByteArray latField, lonField, latHemi, lonHemi;
    double rxSpeedKmh = 0;
    QString localClockText, dateText;

    // Read-out texts.
    QString uhr, datum, speed, trt, hoehe, gpsl;
    bool gpsFault = true; // the reception-fault picture is shown
    bool needleDrawn = false;

    bool operator==(const DisplayState&) const = default;
};

// Day of week 1 = Monday .. 7 = Sunday for a four-digit year.
int weekdayNumber(int day, int month, int year);
// "MO" .. "SO"; empty outside 1..7.
QString weekdayName(int weekday);
// Central-European local hour from the UTC hour and the UTC date, summer
// time from the last Sunday of March to the last Sunday of October; on the
// switch Sundays the change happens after 02:59 UTC.
int centralEuropeanHour(int utcHour, int day, int month, int weekday);
// Compass needle angle in radians, counter-clockwise from the positive x
// axis: course 0 points up, 90 to the right.
double needleAngleFor(double courseDeg);

struct GgaOutcome {
    bool altitudeRead = false; // a fix: the altitude sample may run
};
// $GPGGA,125106,3854.5087,N,07726.4523,W,8,10,2.0,268.8,M,-33.9,M,,*7F
//        1      2         3 4          5 6 7  8   9
GgaOutcome decodeGga(const SentenceFields& f, DisplayState& s);

// $GPGSV,3,1,10,03,41,050,46,07,60,317,49,...*71
//        1 2 3  4  5  6   7  8 ...            (number, elevation, azimuth, SNR) x 4
// A receiver of several constellations sends one GSV round per talker
// ($GPGSV, $GLGSV, $GAGSV, $BDGSV...), some one per signal as well (a last
// field after the satellites gives the signal). All GSVs between two GSA
// epochs form one round: the counts in view of the talkers add up (a talker's
// second signal repeats its satellites, so its largest count is taken), and
// each talker's satellites get their own bars.
void decodeGsv(const SentenceFields& f, DisplayState& s);

struct GsaOutcome {
    std::vector<double> bars; // signals of the satellites heard: GP by number, then the other talkers
};
// $GPGSA,A,3,03,07,...,3.6,2.0,3.0*3A
//        1 2
// Several GSAs of one epoch (one per constellation) all show the whole round.
GsaOutcome decodeGsa(const SentenceFields& f, DisplayState& s);

// Whether RMC (and RMB) are decoded at all: only after a GGA with a fix.
inline bool acceptsRmc(const DisplayState& s) { return s.fix; }
// Whether this RMC is decoded: it needs a position as well. A receiver that
// lost its fix may still send RMC (status V, empty fields) before its GGA
// says so; its speed and course are no readings.
bool decodesRmc(const SentenceFields& f, const DisplayState& s);

// Steps after the sample tick: date, time, speed, course and needle, position.
// $GPRMC,125106,V,3854.5087,N,07726.4523,W,0.0,0.0,241011,10.5,W,S*28
//        1      2 3         4 5          6 7   8   9
void decodeRmc(const SentenceFields& f, DisplayState& s);

} // namespace vur
