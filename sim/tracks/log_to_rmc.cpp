#include "sim/tracks/log_to_rmc.h"

#include "common/file_names.h"
#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvan {
namespace {

constexpr int kMaxNameTries = 1000;

QByteArray twoDigits(int value)
{
    return QByteArray::number(value % 100).rightJustified(2, '0');
}

QString freeNameIn(const QString& dir, const QString& base, const QString& logPath)
{
    const QString logAbsolute = QFileInfo(logPath).absoluteFilePath();
    for (int i = 0; i < kMaxNameTries; ++i) {
        const QString name = i == 0 ? base + QStringLiteral(".RMC") : QStringLiteral("%1~%2.RMC").arg(base).arg(i);
        const QString path = QDir(dir).filePath(name);
        if (!QFileInfo::exists(path) && QFileInfo(path).absoluteFilePath().compare(logAbsolute, Qt::CaseInsensitive) != 0)
            return path;
    }
    return QString();
}

// RMC from a GGA and the last VTG's speed and course. A GGA without a fix
// gives a void RMC rather than a "valid" one without a position.
QByteArray rmcFromGga(QByteArrayView gga, const QByteArray& speed, const QByteArray& course, const QByteArray& ddmmyy)
{
    const QByteArray latitude = zv::sentenceField(gga, 2);
    const QByteArray quality = zv::sentenceField(gga, 6);
    const bool fix = !latitude.isEmpty() && !quality.isEmpty() && quality != "0";
    const QByteArray body = "GPRMC," + zv::sentenceField(gga, 1).left(6) + (fix ? ",A," : ",V,") + latitude + ','
        + zv::sentenceField(gga, 3) + ',' + zv::sentenceField(gga, 4) + ',' + zv::sentenceField(gga, 5) + ','
        + speed + ',' + course + ',' + ddmmyy + ",000.6,E";
    return zv::frameSentence(body);
}

} // namespace

QString companionRmcPath(const QString& logPath)
{
    const QFileInfo info(logPath);
    QString base = zv::plainFileName(info.completeBaseName());
    if (base.isEmpty())
        base = info.fileName().isEmpty() ? QStringLiteral("log") : zv::plainFileName(info.fileName());
    const QString dir = info.absolutePath();
    if (QFileInfo(dir).isWritable()) {
        const QString path = freeNameIn(dir, base, logPath);
        if (!path.isEmpty())
            return path;
    }
    return freeNameIn(QDir::tempPath(), base, logPath);
}

LogConversion convertLogToRmc(const QString& logPath, const QDate& today, const std::function<bool()>& keepGoing)
{
    LogConversion result;
    QFile input;
    if (!zv::openFile(input, logPath, QIODevice::ReadOnly, &result.errorText)) {
        result.status = LogConversion::ReadFailed;
        return result;
    }
    QFile output;
    for (int attempt = 0; attempt < 3 && !output.isOpen(); ++attempt) {
        const QString path = companionRmcPath(logPath);
        if (path.isEmpty())
            break;
        output.setFileName(path);
        // NewOnly: a file that appeared meanwhile is never overwritten.
        if (!output.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            result.errorText = output.errorString();
    }
    if (!output.isOpen()) {
        result.status = LogConversion::WriteFailed;
        return result;
    }
    result.companionPath = output.fileName();

    const QByteArray ddmmyy = twoDigits(today.day()) + twoDigits(today.month()) + twoDigits(today.year());
    QByteArray lastSpeed, lastCourse;
    // Lines as the replay reads them: one too long to be a sentence is passed
    // over whole, never in pieces that might look like one.
    zv::LineReader reader(&input, ReplayFile::kMaxLine, zv::LineReader::Overlong::Drop);
    QByteArray line;
    bool ok = true;
    bool stopped = false;
    qint64 lines = 0;
    while (ok && reader.readLine(line)) {
        if (keepGoing && ++lines % 4096 == 0 && !keepGoing()) {
            stopped = true;
            break;
        }
        // GGA and VTG of any talker ("$GNGGA"), after any junk, as the count
        // takes them; a comment that names one holds none.
        const qsizetype gga = heldSentence(line, "GGA");
        if (!lastSpeed.isEmpty() && gga >= 0) {
            ok = output.write(rmcFromGga(QByteArrayView(line).sliced(gga), lastSpeed, lastCourse, ddmmyy) + "\r\n") >= 0;
            ++result.rmcWritten;
        }
        const qsizetype vtg = heldSentence(line, "VTG");
        if (vtg >= 0) {
            const QByteArrayView v = QByteArrayView(line).sliced(vtg);
            lastSpeed = zv::sentenceField(v, 5);
            lastCourse = zv::sentenceField(v, 1);
        }
        ok = ok && output.write(line + "\r\n") >= 0;
    }
    ok = ok && output.flush();
    output.close();
    if (stopped) {
        result.status = LogConversion::Stopped;
        QFile::remove(result.companionPath);
        result.companionPath.clear();
        return result;
    }
    if (!ok) {
        result.status = LogConversion::WriteFailed;
        result.errorText = output.errorString();
        QFile::remove(result.companionPath);
        result.companionPath.clear();
        return result;
    }
    if (result.rmcWritten == 0) {
        result.status = LogConversion::NoRmc;
        QFile::remove(result.companionPath);
        result.companionPath.clear();
        return result;
    }
    result.status = LogConversion::Converted;
    return result;
}

} // namespace zelvan
