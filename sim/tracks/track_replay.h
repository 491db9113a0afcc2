#pragma once
// Replaying a track file (composed mode): the rest of loading once the probe
// has found a track file (count with an index of record lines, format,
// altitude profile), the tick's read-decode-compose-send step, and the
// moves through the file (skip, seek, restart, next segment). Also the two
// files the loader replays through a companion: a log without RMC and a
// GPX or KML file the line reading cannot follow.
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_modes.h"
#include "sim/replay/replay_state.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"

#include <QDateTime>
#include <QObject>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>

namespace zelvan {

class Loader;
class ReplayFile;
class ReplayTick;
class SentenceSink;

// Where the lines that matter start, collected by the count pass, so that a
// jump is a seek instead of a read from the start.
struct TrackLineIndex {
    QVector<qint64> records;      // record lines, in file order
    QVector<qint64> segmentMarks; // "N" lines
    QVector<qint64> nameLines;    // "L" lines ...
    QVector<QByteArray> names;    // ... and the names they give
    qint64 fileSize = -1;         // the file the index belongs to
    bool valid = false;
    void clear() { *this = TrackLineIndex(); }
};

class TrackReplay : public QObject, public TrackFileReplay {
public:
    TrackReplay(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file,
                ReplayTick& tick, Loader& loader, QObject* parent = nullptr);

    bool load() override;
    TickFlow tick() override;
    void skipRecords(std::int32_t n) override;
    void seekNextRecordLine() override;
    void detectTrackFormat() override;
    void nextSegment() override;
    NextRecord peekNextRecord() override;
    QString convertLogToRmc(const QString& logPath, const std::function<bool()>& keepGoing) override;
    PreparedFile prepareFile(const QString& path, const std::function<bool()>& keepGoing) override;

    // The clock KML records and converted files are dated with (UTC).
    void setClock(std::function<QDateTime()> nowUtc) { m_nowUtc = std::move(nowUtc); }
    void setYieldIntervalMs(int ms) { m_yieldMs = ms; }

    TrackFormat format() const { return m_format; }
    const TrackLineIndex& index() const { return m_index; }
    const TrackDecoderState& decoderState() const { return m_decoder; }

private:
    char lead() const;
    bool stopped(quint64 generation) const;
    bool isRecord(QByteArrayView line) const;
    QDateTime now() const;
    bool readLastLine(); // false: the replay stopped
    void listHeader(const QByteArray& line);
    void checkSegmentMark(const QByteArray& line);
    bool isTrackBreak(QByteArrayView line) const;
    // The record a line holds, derived from the records before; none when
    // the line gives no place on the earth.
    std::optional<TrackRecord> decodeLine(const QByteArray& line, const QDateTime& nowUtc);
    void takeResets();
    void publish(const TrackRecord& record);
    void emitRecord(const TrackRecord& record);
    bool skipByIndex(std::int32_t n);
    void skipByReading(std::int32_t n);
    void forgetPreviousPoint();

    ReplayState& m_s;
    ReplayFrontEnd& m_ui;
    SentenceSink& m_sink;
    ReplayFile& m_file;
    ReplayTick& m_tick;
    Loader& m_loader;

    TrackFormat m_format = TrackFormat::None;
    TrackDecoderState m_decoder;
    // What publish() last wrote into the shared state: a value found changed
    // there was reset by someone else (a read-out reset, a segment mark, a
    // stop), and the decoder follows.
    struct Published {
        double startLat = 0, startLon = 0, prevLat = 0, prevLon = 0, prevSeconds = 0;
        double tripMeters = 0, maxSpeed = 0;
        QByteArray speedKnotsText, altitudeText;
    } m_published;
    TrackLineIndex m_index;
    qint64 m_replayStart = 0; // where the replay starts: just before the first record
    int m_detectDepth = 0;
    bool m_jumped = false; // the next record follows a jump
    int m_yieldMs = 50;
    std::function<QDateTime()> m_nowUtc;
};

} // namespace zelvan
