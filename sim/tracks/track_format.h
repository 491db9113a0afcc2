#pragma once
// Track-file formats: recognising a file's format from its first lines and
// the per-line rules the loader, the tick and the skip commands share
// (which line is a record, a track name, a segment mark).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace zv {
class LineReader;
}

namespace zelvan {

enum class TrackFormat { None, Kml, OziExplorer, TtqvPcx, Pcx5, Gardown, G7To, G7ToWin, Zelvan };

// The name shown to the user: "KML", "OziExplorer", "TTQV-PCX", "PCX5",
// "Gardown", "G7To", "G7ToWin", "Zelvan"; empty for None.
QString trackFormatName(TrackFormat format);

// First character of a record line: a blank for OziExplorer and KML, else "T".
char recordLeadOf(TrackFormat format);

// Result of the format detection.
struct TrackDetection {
    TrackFormat format = TrackFormat::None;
    char recordLead = 'T';
    std::optional<QByteArray> trackName; // last "L" line passed, if any
    bool endOfFile = false;              // the file ended before a decision
};

// Fed the file's lines from its start; feed() returns true on the line that
// decides (the OziExplorer or KML header, else the first record line). The
// caller stops reading there, so the file stays positioned just after it.
class TrackFormatDetector {
public:
    explicit TrackFormatDetector(char recordLead = 'T') { m_result.recordLead = recordLead; }
    bool feed(QByteArrayView line);
    // Call when the file ended before feed() returned true.
    void finishAtEnd() { m_result.endOfFile = true; m_result.format = TrackFormat::None; }
    const TrackDetection& result() const { return m_result; }

private:
    TrackDetection m_result;
    bool m_ownHeader = false;
};

// Reads from the reader's position until the deciding line (inclusive).
TrackDetection detectTrackFormat(zv::LineReader& reader, char recordLead = 'T');

// The column tests on the first record line, in their order (later tests win).
TrackFormat formatFromFirstRecord(QByteArrayView recordLine);

// Loading's first look at a file, one line at a time.
struct ProbeStep {
    enum Kind { Continue, NmeaLog, TrackFile } kind = Continue;
    char recordLead = 'T';
    TrackFormat formatHint = TrackFormat::None; // OziExplorer or KML when seen
    std::optional<QByteArray> trackName;        // an "L" line
};
ProbeStep probeTrackLine(QByteArrayView line, char recordLead);

// Whether a line of a track file is a record. The same rule serves counting,
// the tick, skipping and seeking, so counts and replay agree. Before the
// format is known (counting at load) pass the probe's hint and lead.
bool isTrackRecordLine(QByteArrayView line, TrackFormat format, char recordLead);

// "L" line: the track name from column 15 on.
std::optional<QByteArray> trackNameOf(QByteArrayView line);

// "N" line: a new track segment.
bool isSegmentMark(QByteArrayView line);

// OziExplorer track-break flag: the third field of a record is "1".
bool isOziTrackBreak(QByteArrayView line);

// KML: the line without its indentation (blanks and tabs).
QByteArrayView withoutIndent(QByteArrayView line);

} // namespace zelvan
