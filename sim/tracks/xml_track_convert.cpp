#include "sim/tracks/xml_track_convert.h"

#include "common/file_names.h"
#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cmath>

namespace zelvan {
namespace {

constexpr int kMaxNameTries = 1000;
constexpr auto kCompanionSuffix = ".ZVT";
// Whole metres and up to three decimals: the replay takes the metres.
constexpr int kAltitudeDecimals = 3;

// "N48 07.0380": hemisphere, degrees, blank, minutes with four decimals of
// which the replay reads three. Rounding in whole thousandths of a minute
// carries into the degrees, so 59.9999' never reads "60.000".
QByteArray coordinateText(double degrees, int degreeDigits, char positive, char negative)
{
    const qint64 thousandths = std::llround(std::fabs(degrees) * 60000.0);
    const qint64 whole = thousandths / 60000;
    const qint64 rest = thousandths % 60000;
    return (degrees < 0 && thousandths != 0 ? negative : positive) + zv::zeroPadded(whole, degreeDigits) + ' '
        + zv::zeroPadded(rest / 1000, 2) + '.' + zv::zeroPadded(rest % 1000, 3) + '0';
}

// "Mon Jan 05 12:34:56 2005", English names whatever the locale.
QByteArray timeText(const QDateTime& utc)
{
    static const char* const weekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QByteArray(weekdays[d.dayOfWeek() - 1]) + ' ' + months[d.month() - 1] + ' ' + zv::zeroPadded(d.day(), 2) + ' '
        + zv::zeroPadded(t.hour(), 2) + ':' + zv::zeroPadded(t.minute(), 2) + ':' + zv::zeroPadded(t.second(), 2) + ' '
        + zv::zeroPadded(d.year(), 4);
}

QByteArray altitudeText(const std::optional<double>& elevation)
{
    if (!elevation)
        return QByteArrayLiteral("1e25");
    QByteArray text = QByteArray::number(*elevation, 'f', kAltitudeDecimals);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArrayLiteral("0") : text;
}

// A name or description as one Latin-1 line of the file.
QByteArray oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return line.trimmed().toLatin1();
}

QByteArray sourceLine(const XmlTrackData& data, const QString& sourceName)
{
    QString kind = data.kind == XmlTrackKind::Gpx ? QStringLiteral("GPX") : QStringLiteral("KML");
    if (!data.version.isEmpty())
        kind += u' ' + data.version;
    if (!data.creator.isEmpty())
        kind += QStringLiteral(", ") + data.creator;
    return oneLine(QStringLiteral("Converted from %1 (%2)").arg(sourceName, kind));
}

// The file name up to its last "." ("b.c" of "/a/b.c"), never the folder's.
QString companionBase(const QString& sourcePath)
{
    const QFileInfo info(sourcePath);
    const QString base = zv::plainFileName(info.completeBaseName());
    if (!base.isEmpty())
        return base;
    return info.fileName().isEmpty() ? QStringLiteral("track") : zv::plainFileName(info.fileName());
}

QString freeNameIn(const QString& dir, const QString& base, const QString& sourcePath)
{
    const QString sourceAbsolute = QFileInfo(sourcePath).absoluteFilePath();
    for (int i = 0; i < kMaxNameTries; ++i) {
        const QString name = i == 0 ? base + QLatin1StringView(kCompanionSuffix)
                                    : QStringLiteral("%1~%2%3").arg(base).arg(i).arg(QLatin1StringView(kCompanionSuffix));
        const QString path = QDir(dir).filePath(name);
        if (!QFileInfo::exists(path) && QFileInfo(path).absoluteFilePath().compare(sourceAbsolute, Qt::CaseInsensitive) != 0)
            return path;
    }
    return QString();
}

XmlTrackConversion notNeeded()
{
    XmlTrackConversion c;
    c.status = XmlTrackConversion::NotNeeded;
    return c;
}

XmlTrackConversion failed(const QString& text)
{
    XmlTrackConversion c;
    c.status = XmlTrackConversion::Failed;
    c.errorText = text;
    return c;
}

// Creates the companion, never over an existing file: in the source's folder
// when that works, else in the temporary folder.
bool openCompanion(QFile& output, const QString& sourcePath, QString& error)
{
    const QString sourceDir = QFileInfo(sourcePath).absolutePath();
    const QString base = companionBase(sourcePath);
    QStringList dirs;
    if (QFileInfo(sourceDir).isWritable())
        dirs.append(sourceDir);
    dirs.append(QDir::tempPath());
    for (const QString& dir : dirs) {
        // A name taken between the look and the creation is looked up again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString path = freeNameIn(dir, base, sourcePath);
            if (path.isEmpty())
                break;
            output.setFileName(path);
            if (output.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return true;
            error = output.errorString();
        }
    }
    return false;
}

// What the line-by-line KML reading would replay, or none when it does not
// take the file for KML.
constexpr qint64 kLinesPerAsk = 4096;

std::optional<QList<TrackFix>> kmlLineReading(const QString& path, const QDateTime& nowUtc, const KeepGoing& keepGoing)
{
    QFile file;
    if (!zv::openFile(file, path, QIODevice::ReadOnly))
        return std::nullopt;
    zv::LineReader reader(&file);
    if (detectTrackFormat(reader).format != TrackFormat::Kml)
        return std::nullopt;
    QList<TrackFix> fixes;
    QByteArray line;
    qint64 lines = 0;
    while (reader.readLine(line)) {
        if (keepGoing && ++lines % kLinesPerAsk == 0 && !keepGoing())
            return std::nullopt;
        if (auto fix = parseTrackLine(line, TrackFormat::Kml, nowUtc))
            fixes.append(*fix);
    }
    return fixes;
}

bool sameFix(const TrackFix& fix, const XmlTrackPoint& p)
{
    const QByteArray lat = latitudeText(std::fabs(p.lat) * 60.0);
    const QByteArray lon = longitudeText(std::fabs(p.lon) * 60.0);
    if (fix.latText != lat || fix.lonText != lon)
        return false;
    // The hemisphere of a value that rounds to zero does not matter.
    if (lat != "0000.000" && fix.latHemisphere != (p.lat < 0 ? 'S' : 'N'))
        return false;
    if (lon != "00000.000" && fix.lonHemisphere != (p.lon < 0 ? 'W' : 'E'))
        return false;
    const QByteArray altitude = fix.altitudeText.value_or(QByteArray());
    if (altitude.isEmpty() || !p.elevation)
        return altitude.isEmpty() == !p.elevation;
    return std::fabs(altitude.toDouble() - *p.elevation) < 1e-6;
}

// The line reading replays a KML exactly when it finds the same single
// untimed line of points.
bool linesReadAlike(const QList<TrackFix>& fixes, const XmlTrackData& data)
{
    if (data.segmentCount() != 1 || data.hasTimes() || fixes.size() != data.pointCount())
        return false;
    const auto& points = data.tracks.first().segments.first().points;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (!sameFix(fixes[i], points[i]))
            return false;
    }
    return true;
}

} // namespace

QByteArray ownTrackRecordLine(const XmlTrackPoint& point, const QDateTime& utc)
{
    QByteArray line = "T  " + coordinateText(point.lat, 2, 'N', 'S') + ' ' + coordinateText(point.lon, 3, 'E', 'W')
        + ' ' + timeText(utc) + " ;" + altitudeText(point.elevation) + ';';
    if (!point.time)
        line += QByteArrayLiteral(" ") + kMadeUpTimeMark;
    return line;
}

QList<QDateTime> replayTimes(const XmlTrackData& data, const QDateTime& nowUtc)
{
    QList<std::optional<QDateTime>> given;
    for (const auto& t : data.tracks) {
        for (const auto& s : t.segments) {
            for (const auto& p : s.points)
                given.append(p.time);
        }
    }
    QList<QDateTime> times;
    times.reserve(given.size());
    qsizetype firstTimed = -1;
    for (qsizetype i = 0; i < given.size() && firstTimed < 0; ++i) {
        if (given[i])
            firstTimed = i;
    }
    QDateTime start = nowUtc.toUTC();
    start.setTime(QTime(start.time().hour(), start.time().minute(), start.time().second()));
    if (firstTimed >= 0)
        start = given[firstTimed]->addSecs(-firstTimed);
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (given[i])
            times.append(*given[i]);
        else
            times.append(i == 0 ? start : times.last().addSecs(1));
    }
    return times;
}

bool writeOwnTrack(QIODevice& out, const XmlTrackData& data, const QString& sourceName, const QDateTime& now,
                   const KeepGoing& keepGoing)
{
    const QDateTime local = now.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    QByteArray text = "I Zelvan V" ZV_VERSION_STRING "\r\n";
    text += "# " + zv::zeroPadded(d.day(), 2) + '.' + zv::zeroPadded(d.month(), 2) + '.' + zv::zeroPadded(d.year(), 4) + ' '
        + zv::zeroPadded(t.hour(), 2) + ':' + zv::zeroPadded(t.minute(), 2) + ':' + zv::zeroPadded(t.second(), 2) + "  Local Time\r\n";
    text += sourceLine(data, sourceName) + "\r\n";
    const QList<QDateTime> times = replayTimes(data, now);
    qsizetype index = 0;
    for (const auto& track : data.tracks) {
        text += "L  New Header: " + oneLine(track.name) + "\r\n";
        for (const auto& segment : track.segments) {
            text += "N  New Track Segment\r\n";
            for (const auto& p : segment.points) {
                text += ownTrackRecordLine(p, times[index++]) + "\r\n";
                if (text.size() >= (1 << 16)) {
                    if (out.write(text) != text.size() || (keepGoing && !keepGoing()))
                        return false;
                    text.clear();
                }
            }
        }
    }
    return out.write(text) == text.size();
}

bool isXmlTrackCandidate(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(u"gpx", Qt::CaseInsensitive) == 0 || suffix.compare(u"kml", Qt::CaseInsensitive) == 0;
}

QString companionTrackPath(const QString& sourcePath)
{
    const QString base = companionBase(sourcePath);
    const QString dir = QFileInfo(sourcePath).absolutePath();
    if (QFileInfo(dir).isWritable()) {
        const QString path = freeNameIn(dir, base, sourcePath);
        if (!path.isEmpty())
            return path;
    }
    return freeNameIn(QDir::tempPath(), base, sourcePath);
}

XmlTrackConversion prepareXmlTrack(const QString& path, const QDateTime& nowUtc, const KeepGoing& keepGoing)
{
    const bool kml = QFileInfo(path).suffix().compare(u"kml", Qt::CaseInsensitive) == 0;
    const XmlTrackRead read = readXmlTrackFile(path, keepGoing);
    auto stopped = [&keepGoing] { return keepGoing && !keepGoing(); };
    if (read.error == XmlTrackRead::Stopped || stopped())
        return failed(QStringLiteral("Stopped"));
    if (read.error == XmlTrackRead::TooDeep)
        return failed(read.errorText);
    if (kml) {
        const auto lines = kmlLineReading(path, nowUtc, keepGoing);
        if (stopped())
            return failed(QStringLiteral("Stopped"));
        const bool linesWork = lines && !lines->isEmpty();
        if (read.error != XmlTrackRead::None) {
            if (linesWork)
                return notNeeded();
            return failed(read.errorText);
        }
        if (linesWork && linesReadAlike(*lines, read.data))
            return notNeeded();
    } else if (read.error != XmlTrackRead::None) {
        return failed(read.errorText);
    }
    const XmlTrackData& data = read.data;
    if (data.pointCount() == 0)
        return failed(QStringLiteral("No track points"));

    QFile output;
    QString lastError;
    if (!openCompanion(output, path, lastError))
        return failed(QStringLiteral("Cannot write the converted track: %1").arg(lastError));
    const bool ok = writeOwnTrack(output, data, QFileInfo(path).fileName(), nowUtc, keepGoing) && output.flush();
    const QString writeError = output.errorString();
    output.close();
    if (!ok) {
        output.remove();
        if (stopped())
            return failed(QStringLiteral("Stopped"));
        return failed(QStringLiteral("Cannot write the converted track: %1").arg(writeError));
    }
    XmlTrackConversion c;
    c.status = XmlTrackConversion::Converted;
    c.companionPath = output.fileName();
    c.tracks = static_cast<int>(data.tracks.size());
    c.segments = static_cast<int>(data.segmentCount());
    c.points = static_cast<int>(data.pointCount());
    c.skippedPoints = data.skippedPoints;
    for (const auto& t : data.tracks) {
        for (const auto& s : t.segments) {
            for (const auto& p : s.points)
                c.untimedPoints += p.time ? 0 : 1;
        }
    }
    return c;
}

XmlTrackConversion prepareUtf16Text(const QString& path, const KeepGoing& keepGoing)
{
    QFile input;
    if (!zv::openFile(input, path, QIODevice::ReadOnly))
        return notNeeded(); // the loader's own reading reports it
    const QByteArray head = input.peek(2);
    const bool little = head == QByteArray("\xFF\xFE", 2);
    if (!little && head != QByteArray("\xFE\xFF", 2))
        return notNeeded();
    QFile output;
    QString error;
    if (!openCompanion(output, path, error))
        return failed(QStringLiteral("Cannot write the converted log: %1").arg(error));
    // The decoder drops the byte-order mark itself.
    QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    bool ok = true;
    while (ok && !input.atEnd()) {
        const QByteArray chunk = input.read(1 << 16);
        if (chunk.isEmpty() || (keepGoing && !keepGoing())) {
            ok = chunk.isEmpty();
            break;
        }
        QString text = decode(chunk);
        for (QChar& c : text) {
            if (c.unicode() > 0xFF)
                c = u'?';
        }
        ok = output.write(text.toLatin1()) >= 0;
    }
    ok = ok && output.flush();
    const QString writeError = output.errorString();
    output.close();
    if (!ok) {
        output.remove();
        return failed(QStringLiteral("Cannot write the converted log: %1").arg(writeError));
    }
    XmlTrackConversion c;
    c.status = XmlTrackConversion::Converted;
    c.companionPath = output.fileName();
    return c;
}

} // namespace zelvan
