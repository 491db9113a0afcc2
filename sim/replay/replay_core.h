#pragma once
// Pure pieces of the replay: distance and course, the log-line selection
// table, time/position alignment, synthesised and pause sentences, pacing
// arithmetic. No widget and no file in here, so all of it is table-tested.
#include "sim/geometry/track_geometry.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace zelvan {


// "$PGRMM,WGS 84*06": the map datum sentence sent with every epoch.
inline constexpr char kFixedPgrmm[] = "$PGRMM,WGS 84*06";

// Sentence check boxes Data(0)..Data(6).
enum DataBox { DataRmc = 0, DataGga, DataVtg, DataRmb, DataGsa, DataGsv, DataOth, DataBoxCount };
using DataSelection = std::array<bool, DataBoxCount>;

// How a log line other than an RMC is classified by its first six characters;
// the talker does not matter ("$GNGGA" is a GGA as "$GPGGA" is). Sentences of
// any talker that fit no box go out with OTH, like "$G" and "$P" lines.
enum class LogLineKind { Gga, Vtg, Rmb, Gsa, Gsv, Pgrmm, Txt, Phsmi, OtherTalker, Junk };
LogLineKind classifyLogLine(QByteArrayView line);

struct LogLineChoice {
    LogLineKind kind = LogLineKind::Junk;
    bool passOn = false;
    QByteArray out; // the line to emit, possibly rewritten
};
// Lines far longer than any sentence are no sentences: a receiver never sends
// them, and a peer would choke on them. They are never sent, never open an
// epoch, and never become the stored GGA, VTG, status text or $PHSMI line.
inline constexpr qsizetype kMaxPassedLine = 1024;
// The selection table for one log line. `equ` and `epochTimePos` drive the
// GGA/GLL alignment; `$GPTXT` goes out with the OTH box.
LogLineChoice selectLogLine(QByteArrayView line, const DataSelection& data, bool equ,
                            QByteArrayView epochTimePos);

// GGA with time and position of the epoch's RMC; the rest of the line kept,
// the checksum computed anew. Lines too short to align come back unchanged.
QByteArray alignGga(QByteArrayView line, QByteArrayView epochTimePos);
// GLL with the position of the epoch's RMC (it keeps its own time).
QByteArray alignGll(QByteArrayView line, QByteArrayView epochTimePos);

// Where the `type` sentence ("RMC", "GGA", "VTG"; any talker) that a log
// line holds begins: the "$" of "$GPRMC," or "$GNRMC,", after whatever junk
// comes before it ("r$GPRMC,...", " $GNRMC,...", the end of a sentence cut
// short). Only a sentence counts: its name is followed by a first field that
// is empty or holds a digit, so a comment that names "$GPRMC" holds none, nor
// does a line beginning with "#", nor one too long to be passed on. -1 if none.
qsizetype heldSentence(QByteArrayView line, QByteArrayView type);
// The one definition of a log's epoch: a line that holds an RMC.
inline qsizetype rmcStart(QByteArrayView line) { return heldSentence(line, "RMC"); }
inline bool isRmcLine(QByteArrayView line) { return rmcStart(line) >= 0; }
// A $GPTXT line (any talker) whose text becomes the status text, and that text.
inline bool isStatusLine(QByteArrayView line)
{
    return line.size() <= kMaxPassedLine && classifyLogLine(line) == LogLineKind::Txt;
}
QString statusTextOf(QByteArrayView txtLine);
// The RMC a log line holds, from its "$" on (junk before it dropped); the
// line itself when it holds none.
QByteArray rmcSentence(QByteArrayView line);
// "time,lat,N/S,lon,E/W" of an RMC line, as the epoch's GGA/GLL get it.
QByteArray epochTimePosOf(QByteArrayView rmcLine);
// Field n of an RMC counted from its start (junk before it ignored).
QByteArray rmcField(QByteArrayView rmcLine, int n);
// The RMC's time field as hhmmss (fractions dropped); empty when the RMC
// has no time.
QByteArray rmcClockText(QByteArrayView rmcLine);

// Latitude "DDMM.MMM…" / longitude "DDDMM.MMM…" in unsigned minutes of arc.
double latitudeMinutes(QByteArrayView field);
double longitudeMinutes(QByteArrayView field);

// Whole km/h from a knots text: Int(Val(knots) * 1.852 + 0.5).
int kmhFromKnots(QByteArrayView knots);
// VTG from the course and speed of an RMC: "GPVTG,course,T,,M,knots,N,kmh,K",
// with the talker composed sentences carry ("GP" unless [Output] Talker says otherwise).
QByteArray synthesizeVtg(QByteArrayView courseText, QByteArrayView knotsText, int kmh,
                         QByteArrayView talker = "GP");

// Pause: the GGA with the position of the RMC last sent (fields replaced, so
// fractional seconds in either time field do not shift anything).
QByteArray ggaWithRmcPosition(QByteArrayView gga, QByteArrayView rmc);
// Pause: the GGA framed anew from its body; empty when there is no GGA yet.
QByteArray pausedGga(QByteArrayView gga);
// Pause: the VTG's true course kept, speeds 0; empty when there is no VTG yet.
QByteArray pausedVtg(QByteArrayView vtg);

// Compass needle for a course: course + 90, less 360 above 359.
int compassNeedle(double courseDeg);

// Pace table of the Abstand buttons: records per tick and tick interval.
struct Pace {
    int recordsPerTick;
    int tickIntervalMs;
};
Pace paceForChoice(int index);

// Record reached by a click at x on a progress gauge of the given width.
std::int32_t gaugeClickRecord(std::int32_t recordTotal, int gaugeWidth, int x);

// Read-out texts in the chosen units.
QByteArray speedReadout(double kmh, bool metric);

} // namespace zelvan
