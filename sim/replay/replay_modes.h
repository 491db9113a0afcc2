#pragma once
// Seams for the two other ways the tick works: the manual composer and the
// track-file (composed) replay plug in here.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace zelvan {

// Manual mode: one set of sentences per tick from the hand-set position.
class ManualComposer {
public:
    virtual ~ManualComposer() = default;
    virtual void composeManualSentences() = 0;
};

// The record after the current one, read ahead without moving: its date and
// time texts (empty when the record has none). exists is false at the end.
struct NextRecord {
    bool exists = false;
    QByteArray ddmmyy, hhmmss;
};

// How a composed-mode tick continues.
enum class TickFlow { CommonEnd, Ended };

// Track files: everything that reads a track file's records. The tick and
// the loader call these; without one plugged in, track files are reported
// as "Unknown Track-Format !".
class TrackFileReplay {
public:
    virtual ~TrackFileReplay() = default;
    // The rest of loading once the probe found a track file: count (yielding),
    // DetectTrackFormat, profile, position after the first record line.
    // False after listing the failure; the loader then stops with reason 2.
    virtual bool load() = 0;
    // Composed-mode tick from the read on; the tick has done its start, the
    // pause check and cleared singleStep.
    virtual TickFlow tick() = 0;
    virtual void skipRecords(std::int32_t n) = 0;
    virtual void seekNextRecordLine() = 0;
    // Reopened file positioned after the first record line (restart, loop).
    virtual void detectTrackFormat() = 0;
    // AutoSkip during a track replay: jump to the next segment.
    virtual void nextSegment() = 0;
    // For pacing by the file's times.
    virtual NextRecord peekNextRecord() { return {}; }
    // Writes the ".RMC" companion of a log with GGA and VTG but no RMC and
    // returns its path; an empty result is a load failure. Conversions ask
    // keepGoing now and then (the window handles its events there); false
    // stops them.
    virtual QString convertLogToRmc(const QString& logPath, const std::function<bool()>& keepGoing) = 0;

    // Before the probe: a file that is replayed through a converted companion
    // (GPX, KML the line reading cannot follow) names the companion here.
    struct PreparedFile {
        bool ok = true;
        QString replayPath;    // the file to replay
        bool companion = false; // replayPath was written by the program: delete it at stop
        QString errorText;     // listed when !ok
    };
    virtual PreparedFile prepareFile(const QString& path, const std::function<bool()>& keepGoing)
    {
        (void)keepGoing;
        return {true, path, false, {}};
    }
};

} // namespace zelvan
