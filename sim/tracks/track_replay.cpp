#include "sim/tracks/track_replay.h"

#include "common/file_names.h"
#include "common/number_text.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/replay/yielder.h"
#include "sim/status/readouts.h"
#include "sim/tracks/loader.h"
#include "sim/tracks/log_to_rmc.h"
#include "sim/tracks/record_sentences.h"
#include "sim/tracks/xml_track_convert.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace zelvan {

namespace {

// Following a growing file reads only its tail for the last line.
constexpr qint64 kLastLineTail = 64 * 1024;
constexpr double kProfileCeiling = 10000;

QString latin1(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.data(), bytes.size());
}

// Entries of a sorted offset list in [from, to).
qsizetype countIn(const QVector<qint64>& offsets, qint64 from, qint64 to)
{
    const auto first = std::lower_bound(offsets.begin(), offsets.end(), from);
    const auto last = std::lower_bound(first, offsets.end(), to);
    return last - first;
}

double unsignedMinutes(const std::optional<TrackDecoderState::Point>& p, bool latitude)
{
    if (!p)
        return 0;
    return std::fabs(latitude ? p->lat : p->lon);
}

// Signed minutes of arc, as the decoder keeps its points.
TrackDecoderState::Point pointOf(const TrackFix& fix)
{
    const double lat = zv::leadingNumber(fix.latText.left(2)) * 60 + zv::leadingNumber(fix.latText.right(6));
    const double lon = zv::leadingNumber(fix.lonText.left(3)) * 60 + zv::leadingNumber(fix.lonText.right(6));
    return {fix.latHemisphere == 'S' ? -lat : lat, fix.lonHemisphere == 'W' ? -lon : lon};
}

} // namespace

TrackReplay::TrackReplay(ReplayState& state, ReplayFrontEnd& ui, SentenceSink& sink, ReplayFile& file,
                         ReplayTick& tick, Loader& loader, QObject* parent)
    : QObject(parent), m_s(state), m_ui(ui), m_sink(sink), m_file(file), m_tick(tick), m_loader(loader)
{
}

char TrackReplay::lead() const
{
    return m_s.recordLead.isEmpty() ? 'T' : m_s.recordLead.at(0);
}

bool TrackReplay::stopped(quint64 generation) const
{
    return generation != m_loader.generation();
}

bool TrackReplay::isRecord(QByteArrayView line) const
{
    return isTrackRecordLine(line, m_format, lead());
}

QDateTime TrackReplay::now() const
{
    return m_nowUtc ? m_nowUtc().toUTC() : QDateTime::currentDateTimeUtc();
}

// ---------------------------------------------------------------- loading

bool TrackReplay::load()
{
    const quint64 generation = m_loader.generation();
    const qint64 probeEnd = m_file.position();
    const char recordLead = lead();
    m_decoder = TrackDecoderState();
    m_jumped = false;
    m_index.clear();
    m_format = TrackFormat::None;

    // The format first: it decides which lines are records for the count.
    Yielder yielder(m_yieldMs);
    QByteArray line;
    m_file.seek(0);
    TrackFormatDetector detector(recordLead);
    bool decided = false;
    qint64 decidingLine = 0;
    for (;;) {
        decidingLine = m_file.position();
        if (!m_file.readLine(line))
            break;
        if (detector.feed(line)) {
            decided = true;
            break;
        }
        if (yielder.maybeYield() && stopped(generation))
            return false;
    }
    const TrackDetection& detected = detector.result();
    if (detected.trackName)
        m_s.trackName = latin1(*detected.trackName);
    if (!decided || detected.format == TrackFormat::None) {
        m_file.close();
        m_sink.list(QStringLiteral("Unknown Track-Format !"));
        return false;
    }
    m_format = detected.format;
    m_s.trackFormat = trackFormatName(m_format);
    // The replay starts with the first record: before the deciding line when
    // that is one, after the header of an OziExplorer or KML file.
    m_replayStart = isRecord(line) ? decidingLine : m_file.position();

    // One pass from the start: count the records the replay will meet, index
    // every record, segment mark and track name, and collect the altitude
    // profile.
    m_file.seek(0);
    m_s.recordTotal = 1;
    if (m_ui.options().profile)
        m_ui.altitudeCleared();
    m_loader.setProfileRunning(true);
    QVector<QPointF> profile;
    QVector<double> marks;
    double lowest = 99999, highest = 0;
    double x = 0;
    bool autoSkip = false;
    // A file of which no record gives a place on the earth is refused: a
    // layout read from grid coordinates, or lines that decode to nothing
    // (decimal commas, cut lines).
    bool anyDecoded = false;
    bool anyPlausible = false;
    const QDateTime checkTime = now();
    for (;;) {
        const qint64 at = m_file.position();
        if (!m_file.readLine(line))
            break;
        const bool counted = at >= probeEnd;
        if (isRecord(line)) {
            m_index.records.append(at);
            if (!anyPlausible) {
                const auto fix = parseTrackLine(line, m_format, checkTime);
                anyDecoded = anyDecoded || fix.has_value();
                anyPlausible = fix && isPlausibleFix(*fix);
            }
            if (at >= m_replayStart && m_s.recordTotal < INT32_MAX)
                ++m_s.recordTotal;
            x += 1;
            if (!m_loader.profileAborted()) {
                if (const auto alt = profileAltitude(line, m_format)) {
                    const double shown = std::isfinite(*alt) ? std::min(*alt, kProfileCeiling) : 0.0;
                    profile.append({x, shown});
                    lowest = std::min(lowest, shown);
                    highest = std::max(highest, shown);
                }
                if (m_format == TrackFormat::OziExplorer && isOziTrackBreak(line)) {
                    marks.append(x);
                    autoSkip = true;
                }
            }
        } else if (isSegmentMark(line)) {
            m_index.segmentMarks.append(at);
            if (counted)
                autoSkip = true;
            if (!m_loader.profileAborted())
                marks.append(x);
        } else if (const auto name = trackNameOf(line)) {
            m_index.nameLines.append(at);
            m_index.names.append(*name);
        }
        if (yielder.maybeYield() && stopped(generation)) {
            m_loader.setProfileRunning(false);
            return false;
        }
    }
    m_loader.setProfileRunning(false);
    if (!anyPlausible) {
        m_file.close();
        m_index.clear();
        m_sink.list(anyDecoded ? QStringLiteral("No positions in degrees (UTM grid?) !")
                               : QStringLiteral("No track points !"));
        return false;
    }
    m_index.fileSize = zv::fileSize(m_s.trackPath);
    m_index.valid = true;

    if (autoSkip)
        m_ui.enable(Control::AutoSkip, true);
    if (m_ui.options().profile) {
        AltitudeProfile picture;
        picture.source = AltitudeProfile::Source::TrackRecords;
        picture.recordRange = m_s.recordTotal;
        picture.points = std::move(profile);
        picture.marks = std::move(marks);
        picture.lowest = lowest;
        picture.highest = highest;
        m_ui.altitudeProfile(picture);
    }
    m_ui.show(Control::StopA, true);

    m_file.seek(m_replayStart);
    m_published = {m_s.startLat, m_s.startLon, m_s.prevLat, m_s.prevLon, m_s.prevSeconds,
                   m_s.tripMeters, m_s.maxSpeed, m_s.speedKnotsText, m_s.altitudeText};
    m_decoder.tripMeters = m_s.tripMeters;
    m_decoder.speedKnotsText = m_s.speedKnotsText;
    m_decoder.altitudeText = m_s.altitudeText;
    return true;
}

// ---------------------------------------------------------------- the tick

std::optional<TrackRecord> TrackReplay::decodeLine(const QByteArray& line, const QDateTime& nowUtc)
{
    takeResets();
    const auto fix = parseTrackLine(line, m_format, nowUtc);
    if (!fix || !isPlausibleFix(*fix))
        return std::nullopt;
    if (m_jumped) {
        // The first record after a jump or a track break is its own previous
        // point: no leg and no speed across it.
        m_decoder.prev = pointOf(*fix);
        m_decoder.prevSeconds.reset();
        m_jumped = false;
    }
    TrackDecodeStep step = deriveTrackRecord(*fix, m_decoder);
    m_decoder = std::move(step.state);
    return step.record;
}

TickFlow TrackReplay::tick()
{
    const bool following = m_ui.options().last;
    const QDateTime nowUtc = now();
    std::optional<TrackRecord> decoded;
    if (following) {
        if (!readLastLine())
            return TickFlow::Ended;
        listHeader(m_s.currentLine);
        checkSegmentMark(m_s.currentLine);
        decoded = decodeLine(m_s.currentLine, nowUtc);
        if (!decoded) {
            m_tick.passOverLine();
            return TickFlow::Ended;
        }
    } else {
        // Lines that are no records (tags, headers, comments, segment marks)
        // are passed over in this tick, however many lie before the record.
        const quint64 generation = m_loader.generation();
        Yielder yielder(m_yieldMs);
        for (;;) {
            if (m_file.atEnd()) {
                m_loader.stopReplay(StopEndOfFile);
                return TickFlow::Ended;
            }
            m_file.readLine(m_s.currentLine);
            const QByteArray& line = m_s.currentLine;
            checkSegmentMark(line);
            decoded = decodeLine(line, nowUtc);
            if (decoded)
                break;
            if (const auto name = trackNameOf(line))
                m_s.trackName = latin1(*name);
            else if (isRecord(line))
                ++m_s.recordIndex; // counted as loading and jumps count it
            if (yielder.maybeYield() && stopped(generation))
                return TickFlow::Ended;
        }
        listHeader(m_s.currentLine);
    }
    const TrackRecord& record = *decoded;
    publish(record);
    if (m_s.seeking)
        return TickFlow::Ended;
    emitRecord(record);

    // The faster paces pass records over silently. Following the last line
    // has nothing to pass over.
    if (!following) {
        for (int i = 1; i < m_s.recordsPerTick; ++i) {
            QByteArray skipped;
            if (!m_file.readLine(skipped)) {
                m_loader.stopReplay(StopEndOfFile);
                return TickFlow::Ended;
            }
            if (isRecord(skipped))
                ++m_s.recordIndex;
            checkSegmentMark(skipped);
        }
    }
    return TickFlow::CommonEnd;
}

NextRecord TrackReplay::peekNextRecord()
{
    NextRecord next;
    if (!m_file.isOpen())
        return next;
    const qint64 at = m_file.position();
    QByteArray line;
    while (m_file.readLine(line)) {
        if (!isRecord(line))
            continue;
        next.exists = true;
        // KML records carry no time of their own (they are dated "now").
        if (m_format != TrackFormat::Kml) {
            if (const auto fix = parseTrackLine(line, m_format, now())) {
                next.hhmmss = fix->timeText;
                next.ddmmyy = fix->recordDate;
            }
        }
        break;
    }
    m_file.seek(at);
    return next;
}

// Reopens the file and takes its last line; only the tail is read, so a
// file that another program keeps growing costs the same every time.
bool TrackReplay::readLastLine()
{
    m_file.close();
    if (!m_file.open(m_s.trackPath)) {
        // The followed file is gone: the replay ends as at its end.
        m_loader.stopReplay(StopEndOfFile);
        return false;
    }
    const qint64 size = zv::fileSize(m_s.trackPath);
    auto lastFrom = [this](qint64 from, QByteArray& last) {
        QByteArray line;
        bool any = false;
        m_file.seek(from);
        if (from > 0)
            m_file.readLine(line); // most likely the end of a line cut by the seek
        while (m_file.readLine(line)) {
            last = line;
            any = true;
        }
        return any;
    };
    QByteArray last;
    if (lastFrom(std::max<qint64>(0, size - kLastLineTail), last) || (size > kLastLineTail && lastFrom(0, last)))
        m_s.currentLine = last;
    return true;
}

void TrackReplay::listHeader(const QByteArray& line)
{
    if (const auto name = trackNameOf(line)) {
        m_s.trackName = latin1(*name);
    } else {
        QString label = m_s.trackFormat;
        if (m_s.segmentCount != 0)
            label += QStringLiteral("  (") + QString::number(m_s.segmentCount) + QLatin1Char(')');
        m_sink.list(label + QLatin1Char(':') + m_s.trackName);
        if (isRecord(line) && !m_s.seekQuiet)
            m_sink.list(latin1(line));
        if (!m_s.trackName.isEmpty())
            m_ui.setText(Control::FileL, m_s.trackName);
    }
    m_sink.list(QStringLiteral(" "));
}

void TrackReplay::checkSegmentMark(const QByteArray& line)
{
    if (isSegmentMark(line))
        m_loader.checkSegmentMark(line);
    if (isTrackBreak(line))
        forgetPreviousPoint();
}

// Where one track or segment ends and the next begins: a segment mark, a
// track name, an OziExplorer record with the track-break flag, the start of
// a KML coordinate list.
bool TrackReplay::isTrackBreak(QByteArrayView line) const
{
    if (m_format == TrackFormat::Kml)
        return line.contains(QByteArrayView("<coordinates"));
    if (m_format == TrackFormat::OziExplorer)
        return isRecord(line) && isOziTrackBreak(line);
    return isSegmentMark(line) || trackNameOf(line).has_value();
}

// The shared state is the one the read-out resets, segment marks and stops
// clear; the decoder keeps the exact values (signed points, "none yet").
void TrackReplay::takeResets()
{
    Published& p = m_published;
    if (m_s.startLat != p.startLat || m_s.startLon != p.startLon)
        m_decoder.start.reset();
    if (m_s.prevLat != p.prevLat || m_s.prevLon != p.prevLon)
        m_decoder.prev.reset();
    if (m_s.prevSeconds != p.prevSeconds)
        m_decoder.prevSeconds.reset();
    if (m_s.tripMeters != p.tripMeters)
        m_decoder.tripMeters = m_s.tripMeters;
    if (m_s.maxSpeed != p.maxSpeed)
        m_decoder.maxSpeed = static_cast<int>(m_s.maxSpeed);
    if (m_s.speedKnotsText != p.speedKnotsText)
        m_decoder.speedKnotsText = m_s.speedKnotsText;
    if (m_s.altitudeText != p.altitudeText)
        m_decoder.altitudeText = m_s.altitudeText;
}

void TrackReplay::publish(const TrackRecord& r)
{
    const TrackDecoderState& d = m_decoder;
    m_s.startLat = unsignedMinutes(d.start, true);
    m_s.startLon = unsignedMinutes(d.start, false);
    m_s.prevLat = unsignedMinutes(d.prev, true);
    m_s.prevLon = unsignedMinutes(d.prev, false);
    m_s.prevSeconds = d.prevSeconds.value_or(0);
    m_s.distanceM = d.distanceM;
    m_s.courseDeg = d.courseDeg;
    m_s.tripMeters = r.tripMeters;
    m_s.speedKmh = r.speedKmh;
    m_s.speedKnotsText = r.speedKnotsText;
    m_s.maxSpeed = r.maxSpeed;
    m_s.altitudeText = r.altitudeText;
    m_published = {m_s.startLat, m_s.startLon, m_s.prevLat, m_s.prevLon, m_s.prevSeconds,
                   m_s.tripMeters, m_s.maxSpeed, m_s.speedKnotsText, m_s.altitudeText};

    m_tick.showRecordClock(r.recordDate.left(4) + r.recordDate.right(2), r.timeText);
    m_ui.setText(Control::DistL, distanceReadout(r.distanceFromStartM, m_s.metricUnits));
    m_ui.setText(Control::TripL, tripReadout(r.tripMeters, m_s.metricUnits));
    if (r.maxSpeedChanged)
        m_ui.setText(Control::MaxL, maxSpeedReadout(r.maxSpeed, m_s.metricUnits));
}

void TrackReplay::emitRecord(const TrackRecord& r)
{
    const RecordSentences s = composeRecordSentences(r, m_s.outputTalker);
    m_s.lastRmc = s.rmc;
    m_s.lastGga = s.gga;
    m_s.lastVtg = s.vtg;
    if (r.speedKmh >= 0)
        m_ui.setText(Control::SpeedL, QString::fromLatin1(speedReadout(r.speedKmh, m_s.metricUnits)));
    m_ui.compass(compassNeedle(r.recordCourse), 3);
    auto selected = [this](int i) { return m_ui.data(i); };
    if (selected(DataRmc))
        m_tick.emitSentence(s.rmc);
    if (selected(DataGga))
        m_tick.emitSentence(s.gga);
    if (selected(DataVtg))
        m_tick.emitSentence(s.vtg);
    if (selected(DataOth))
        m_tick.emitSentence(kPgrmmSentence);
}

// ---------------------------------------------------------------- moving about

// After a jump or a track break the previous record is no neighbour: no
// leg, no speed across it, and the speed from before is not sent again.
void TrackReplay::forgetPreviousPoint()
{
    m_jumped = true;
    m_decoder.prev.reset();
    m_decoder.prevSeconds.reset();
    m_decoder.speedKmh = 0;
    m_decoder.speedKnotsText.clear();
    m_s.prevLat = m_s.prevLon = m_s.prevSeconds = 0;
    m_s.speedKnotsText.clear();
    m_published.prevLat = m_published.prevLon = m_published.prevSeconds = 0;
    m_published.speedKnotsText.clear();
}

void TrackReplay::skipRecords(std::int32_t n)
{
    if (n <= 0 || !m_file.isOpen())
        return;
    if (!skipByIndex(n))
        skipByReading(n);
}

// The index answers what reading forward would pass: records, segment marks,
// track names. Only while the file is the one indexed.
bool TrackReplay::skipByIndex(std::int32_t n)
{
    if (!m_index.valid || zv::fileSize(m_s.trackPath) != m_index.fileSize)
        return false;
    const qint64 from = m_file.position();
    const QVector<qint64>& records = m_index.records;
    const qsizetype first = std::lower_bound(records.begin(), records.end(), from) - records.begin();
    const qint64 target = qint64(first) + n - 1; // the last record passed
    const bool pastEnd = target >= records.size();
    const qint64 to = pastEnd ? std::numeric_limits<qint64>::max() : records[target];

    const auto nameEnd = std::lower_bound(m_index.nameLines.begin(), m_index.nameLines.end(), to);
    const auto nameBegin = std::lower_bound(m_index.nameLines.begin(), nameEnd, from);
    if (nameEnd != nameBegin)
        m_s.trackName = latin1(m_index.names[(nameEnd - m_index.nameLines.begin()) - 1]);
    const qsizetype passed = pastEnd ? records.size() - first : n;
    m_s.recordIndex = std::int32_t(std::min<qint64>(INT32_MAX, qint64(m_s.recordIndex) + passed));
    const qsizetype marks = countIn(m_index.segmentMarks, from, to);
    for (qsizetype i = 0; i < marks; ++i)
        m_loader.checkSegmentMark(QByteArrayLiteral("N"));
    if (marks > 0 || nameEnd != nameBegin)
        forgetPreviousPoint();
    if (pastEnd) {
        m_loader.stopReplay(StopEndOfFile);
        return true;
    }
    QByteArray line;
    m_file.seek(records[target]);
    m_file.readLine(line);
    return true;
}

void TrackReplay::skipByReading(std::int32_t n)
{
    const quint64 generation = m_loader.generation();
    Yielder yielder(m_yieldMs);
    QByteArray line;
    std::int32_t counter = 0;
    while (counter < n) {
        if (!m_file.readLine(line)) {
            m_loader.stopReplay(StopEndOfFile);
            return;
        }
        if (const auto name = trackNameOf(line))
            m_s.trackName = latin1(*name);
        if (isRecord(line)) {
            ++m_s.recordIndex;
            ++counter;
        }
        checkSegmentMark(line);
        if (yielder.maybeYield() && stopped(generation))
            return;
    }
}

// Positions the file just before its next record line, which the next tick
// sends.
void TrackReplay::seekNextRecordLine()
{
    const quint64 generation = m_loader.generation();
    Yielder yielder(m_yieldMs);
    QByteArray line;
    for (;;) {
        const qint64 at = m_file.position();
        if (!m_file.readLine(line)) {
            m_loader.stopReplay(StopEndOfFile);
            return;
        }
        if (const auto name = trackNameOf(line))
            m_s.trackName = latin1(*name);
        if (isRecord(line)) {
            m_file.seek(at);
            break;
        }
        if (yielder.maybeYield() && stopped(generation))
            return;
    }
    forgetPreviousPoint();
}

void TrackReplay::detectTrackFormat()
{
    // A loop whose file no longer holds a record would otherwise loop forever.
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(++depth) {}
        ~Depth() { --d; }
    } depth(m_detectDepth);
    if (!m_file.isOpen()) {
        m_loader.stopReplay(StopLoadFailure);
        return;
    }
    TrackFormatDetector detector(lead());
    QByteArray line;
    bool decided = false;
    qint64 decidingLine = 0;
    for (;;) {
        decidingLine = m_file.position();
        if (!m_file.readLine(line))
            break;
        if (detector.feed(line)) {
            decided = true;
            break;
        }
    }
    if (detector.result().trackName)
        m_s.trackName = latin1(*detector.result().trackName);
    if (!decided) {
        m_loader.stopReplay(m_detectDepth > 1 ? StopLoadFailure : StopEndOfFile);
        return;
    }
    if (detector.result().format != TrackFormat::None) {
        m_format = detector.result().format;
        m_s.trackFormat = trackFormatName(m_format);
    }
    // A first record decided the format: the replay starts with it.
    if (isRecord(line))
        m_file.seek(decidingLine);
    forgetPreviousPoint();
}

void TrackReplay::nextSegment()
{
    const quint64 generation = m_loader.generation();
    Yielder yielder(m_yieldMs);
    QByteArray line;
    const bool ozi = m_format == TrackFormat::OziExplorer;
    bool firstLine = true; // a flagged record right ahead starts the track we are in
    for (;;) {
        const qint64 at = m_file.position();
        if (!m_file.readLine(line)) {
            m_loader.stopReplay(StopEndOfFile);
            return;
        }
        if (ozi) {
            // The record with the track-break flag starts the next track: the
            // next tick sends it. Every line passed counts.
            if (isRecord(line) && isOziTrackBreak(line) && !firstLine) {
                m_file.seek(at);
                break;
            }
            ++m_s.recordIndex;
            firstLine = false;
        } else {
            if (isRecord(line))
                ++m_s.recordIndex;
            if (const auto name = trackNameOf(line))
                m_s.trackName = latin1(*name);
            if (isSegmentMark(line))
                break;
        }
        if (yielder.maybeYield() && stopped(generation))
            return;
    }
    ++m_s.segmentCount;
    if (m_ui.options().autoReset) {
        // As a segment mark's reset, but the knots text, trip timer and trip
        // read-out stay as they are.
        m_s.maxSpeed = 0;
        m_s.altitudeMin = 9999;
        m_s.altitudeMax = 0;
        m_s.startLat = m_s.startLon = 0;
        m_s.tripMeters = 0;
        m_decoder.start.reset();
        m_decoder.maxSpeed = 0;
        m_decoder.tripMeters = 0;
        m_published.startLat = m_published.startLon = m_published.tripMeters = m_published.maxSpeed = 0;
    }
    forgetPreviousPoint();
}

// ---------------------------------------------------------------- companions

QString TrackReplay::convertLogToRmc(const QString& logPath, const std::function<bool()>& keepGoing)
{
    const LogConversion c = zelvan::convertLogToRmc(logPath, now().date(), keepGoing);
    switch (c.status) {
    case LogConversion::Converted: return c.companionPath;
    case LogConversion::Stopped: break;
    case LogConversion::NoRmc: break; // the loader says "No RMC or GGA-Data"
    case LogConversion::ReadFailed:
        m_sink.list(QStringLiteral("Cannot read the log: ") + c.errorText);
        break;
    case LogConversion::WriteFailed:
        m_sink.list(QStringLiteral("Cannot write the RMC file: ") + c.errorText);
        break;
    }
    return QString();
}

TrackFileReplay::PreparedFile TrackReplay::prepareFile(const QString& path, const std::function<bool()>& keepGoing)
{
    const XmlTrackConversion c =
        isXmlTrackCandidate(path) ? prepareXmlTrack(path, now(), keepGoing) : prepareUtf16Text(path, keepGoing);
    switch (c.status) {
    case XmlTrackConversion::NotNeeded: return {true, path, false, {}};
    case XmlTrackConversion::Converted: return {true, c.companionPath, true, {}};
    case XmlTrackConversion::Failed: break;
    }
    return {false, path, false, c.errorText};
}

} // namespace zelvan
