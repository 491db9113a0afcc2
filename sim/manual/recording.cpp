#include "sim/manual/recording.h"

#include "common/nmea.h"
#include "common/save_file.h"
#include "common/text_lines.h"
#include "sim/manual/recording_format.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>

namespace zelvan {

ManualRecorder::ManualRecorder(ManualState& state, zv::Dialogs& dialogs, const QString& programDir,
                               std::unique_ptr<RecordingView> view, QObject* parent)
    : QObject(parent), m_state(state), m_dialogs(dialogs), m_programDir(programDir),
      m_view(view ? std::move(view) : std::make_unique<RecordingView>())
{
    // The button flashes white for 100 ms after a recorded point; a timer
    // keeps the window responsive meanwhile.
    m_flash = new QTimer(this);
    m_flash->setObjectName(QStringLiteral("SavePFlash"));
    m_flash->setSingleShot(true);
    m_flash->setInterval(100);
    connect(m_flash, &QTimer::timeout, this, [this] { paintSaveP(zv::rgbFromBgr(0xFF)); });
    setSavePEnabled(false);
    setSaveTEnabled(false);
}

ManualRecorder::~ManualRecorder() = default;

void ManualRecorder::setSavePEnabled(bool on)
{
    m_savePEnabled = on;
    m_view->savePEnabled(on);
}

void ManualRecorder::setSaveTEnabled(bool on)
{
    m_saveTEnabled = on;
    m_view->saveTEnabled(on);
}

void ManualRecorder::setFileLabel(const QString& text)
{
    m_fileLabel = text;
    m_view->fileLabel(text);
}

void ManualRecorder::paintSaveP(zv::Rgb colour)
{
    m_view->savePColour(colour);
}

void ManualRecorder::focusBack()
{
    m_view->focusAfterAction();
}

void ManualRecorder::closeRecording()
{
    m_running = false;
    if (m_file.isOpen())
        m_file.close();
    setFileLabel(QString());
    setSavePEnabled(false);
    setSaveTEnabled(false);
}

void ManualRecorder::runStarted()
{
    m_running = true;
    if (!m_fileLabel.isEmpty() && m_file.isOpen()) {
        setSavePEnabled(true);
        setSaveTEnabled(true);
    }
}

void ManualRecorder::runStopped()
{
    m_running = false;
    setSavePEnabled(false);
}

void ManualRecorder::fail(const QString& action, const QString& reason)
{
    if (m_file.isOpen())
        m_file.close();
    setFileLabel(QString());
    setSavePEnabled(false);
    setSaveTEnabled(false);
    m_dialogs.message(action + QLatin1Char('\n') + QDir::toNativeSeparators(m_recordPath) + QLatin1String("\n\n") + reason,
                      QLatin1Char(' ') + m_recordName, zv::Dialogs::Icon::Critical);
}

void ManualRecorder::chooseFile(const QString& selectedListFile)
{
    if (m_recordName.isEmpty() && selectedListFile.endsWith(QLatin1String(".log"), Qt::CaseInsensitive)) {
        const QString base = QFileInfo(selectedListFile).fileName();
        m_recordName = base.left(base.indexOf(QLatin1Char('.')));
    }
    bool ok = false;
    const QString answer = m_dialogs.input(QStringLiteral("\nFilename without extension: "),
                                           QStringLiteral("  Set Filename"), m_recordName, &ok);
    if (ok)
        m_recordName = answer;
    if (!ok || answer.isEmpty()) {
        setSaveTEnabled(false);
        return;
    }
    if (!isAcceptableRecordName(answer)) {
        m_dialogs.message(QStringLiteral("Filename without \"/\", \"\\\" or \"..\" please !"),
                          QLatin1Char(' ') + answer, zv::Dialogs::Icon::Warning);
        setSaveTEnabled(false);
        return;
    }

    const QDir home(m_programDir);
    const QString tracks = home.filePath(QStringLiteral("Tracks"));
    const QString path = QDir(tracks).filePath(m_recordName + QLatin1String(".log"));
    bool overwrite = true;
    if (QFileInfo::exists(path)) {
        const auto a = m_dialogs.message(
            QStringLiteral("Filename already exist ! - Overwrite File ?\n\n Yes/Ja   = Overwrite\n No/Nein = Extend File"),
            QLatin1Char(' ') + m_recordName, zv::Dialogs::Icon::None, zv::Dialogs::Buttons::YesNoCancel);
        if (a == zv::Dialogs::Answer::Cancel) {
            setSaveTEnabled(false);
            return;
        }
        overwrite = a == zv::Dialogs::Answer::Yes;
    }

    if (m_file.isOpen())
        m_file.close();
    setFileLabel(QString());
    m_recordPath = path;
    errno = 0;
    if (!QDir().mkpath(tracks)) {
        const int err = errno;
        fail(QStringLiteral("Folder cannot be created:"),
             err ? QString::fromLocal8Bit(std::strerror(err)) : QStringLiteral("Not a directory"));
        return;
    }
    m_file.setFileName(m_recordPath);
    const QIODevice::OpenMode mode = overwrite ? (QIODevice::WriteOnly | QIODevice::Truncate)
                                               : (QIODevice::WriteOnly | QIODevice::Append);
    if (!m_file.open(mode)) {
        fail(QStringLiteral("File cannot be opened:"), m_file.errorString());
        return;
    }
    if (overwrite && m_state.autoPoint.caption() != QLatin1String("-")) {
        // The first point of a fresh file has no point before it to fill from.
        m_state.autoPoint.markFreshFile();
        Q_EMIT autoPointCaptionChanged();
    }
    setFileLabel(m_recordName);
    if (m_running) {
        setSavePEnabled(true);
        setSaveTEnabled(true);
    }
    focusBack();
}

bool ManualRecorder::writeLine(const QByteArray& line)
{
    if (!m_file.isOpen())
        return false;
    const QByteArray bytes = line + "\r\n";
    // Flushed line by line: a crash must not lose a recorded position.
    errno = 0;
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        fail(QStringLiteral("File cannot be written:"), zv::writeErrorText(m_file, errno));
        return false;
    }
    return true;
}

QString ManualRecorder::writeIntermediatePoints()
{
    const int step = m_state.autoPoint.stepMetres();
    if (step == 0 || !m_state.reference)
        return {};
    int n = m_state.lastDistanceM / step;
    if (n == 0)
        return {};
    QString notice;
    if (n > kMaxAutoPoints + 1) {
        // A jump of degrees would be tens of thousands of lines in one
        // keystroke: spread the most there may be over the whole way.
        n = kMaxAutoPoints + 1;
        notice = QStringLiteral("Auto-Point: %1 points at most, one every %2 m")
                     .arg(kMaxAutoPoints)
                     .arg(qRound(double(m_state.lastDistanceM) / n));
    }
    const ManualPoint ref = *m_state.reference;
    const ManualPoint cur = m_state.current;
    // Signed minutes, so a way across the equator or a meridian is
    // interpolated along the way and not folded back; across 180 degrees
    // the short way round.
    const double dLat = (ref.signedLat() - cur.signedLat()) / n;
    const double dLon = foldedLongitude(ref.signedLon() - cur.signedLon()) / n;
    m_state.nudgeFlags = 0;
    for (int i = n - 1; i >= 1; --i) {
        const double lat = cur.signedLat() + i * dLat;
        const double lon = foldedLongitude(cur.signedLon() + i * dLon);
        const bool south = ref.south == cur.south ? cur.south : lat < 0;
        const bool west = ref.west == cur.west ? cur.west : lon < 0;
        // Every other point is shifted by 0.0001' so that consecutive fixes differ.
        m_state.nudgeFlags = m_state.nudgeFlags == 0 ? 1 : 0;
        const QByteArray latText = formatRecordMinutes(lat, m_state.nudgeFlags).mid(1);
        const QByteArray lonText = formatRecordMinutes(lon, m_state.nudgeFlags);
        m_state.recordTime = m_state.recordTime.addSecs(2);
        const QByteArray time = recordTimeText(m_state.recordTime.time());
        const QByteArray date = recordDateText(m_state.recordTime.date());
        const QByteArray ns = south ? "S" : "N";
        const QByteArray ew = west ? "W" : "E";
        if (!writeLine(withFields(m_state.lastRmc, {{1, time}, {3, latText}, {4, ns}, {5, lonText}, {6, ew}, {9, date}})))
            break;
        if (!writeLine(withFields(m_state.lastGga, {{1, time}, {2, latText}, {3, ns}, {4, lonText}, {5, ew}})))
            break;
    }
    return notice;
}

void ManualRecorder::showNotice(const QString& notice)
{
    if (!notice.isEmpty()) {
        m_noticeShown = true;
        Q_EMIT statusTextChanged(notice);
    } else if (m_noticeShown) {
        // The last text record comes back once the notice has had its say.
        m_noticeShown = false;
        Q_EMIT statusTextChanged(m_state.statusText);
    }
}

void ManualRecorder::savePosition()
{
    paintSaveP(zv::rgbFromBgr(0xFFFFFF));
    if (!m_state.tickedThisRun) {
        // No manual sentence of this run yet: nothing to record or measure from.
        focusBack();
        m_dialogs.beep();
        m_flash->start();
        return;
    }
    if (m_savePEnabled && m_file.isOpen()) {
        m_state.lastRmc = withRecordSpeed(m_state.lastRmc, m_state.speedKmh);
        const QString notice = writeIntermediatePoints();
        if (m_state.autoPoint.isStar()) {
            m_state.autoPoint.restore();
            Q_EMIT autoPointCaptionChanged();
        }
        // Time and date of a record are one instant of the synthetic clock,
        // which carries the date over midnight.
        m_state.recordTime = m_state.recordTime.addSecs(2);
        const QByteArray time = recordTimeText(m_state.recordTime.time());
        if (writeLine(withFields(m_state.lastRmc, {{1, time}, {9, recordDateText(m_state.recordTime.date())}})))
            writeLine(withFields(m_state.lastGga, {{1, time}}));
        showNotice(notice);
    }
    focusBack();
    m_dialogs.beep();
    m_state.reference = m_state.current;
    // The way to here is recorded: a second press before the next tick must
    // not fill it in again.
    m_state.lastDistanceM = 0;
    m_flash->start();
}

void ManualRecorder::saveText()
{
    if (!m_state.tickedThisRun) {
        m_dialogs.beep();
        return;
    }
    if (!m_saveTEnabled || !m_file.isOpen())
        return;
    bool ok = false;
    const QString answer = m_dialogs.input(QStringLiteral("\n Text :"), QStringLiteral("  "), QString(), &ok);
    focusBack();
    if (!ok)
        return;
    const QString text = cleanRecordText(answer);
    if (text.isEmpty())
        return;
    // The log is Latin-1: a character it cannot hold is refused, not
    // silently written as "?".
    const QString beyond = zv::charactersBeyondLatin1(text, QStringLiteral("and"));
    if (!beyond.isEmpty()) {
        m_dialogs.message(QStringLiteral("Text not recorded: ") + beyond
                              + QStringLiteral(" cannot be written to the log (Latin-1 characters only)."),
                          QStringLiteral("  "), zv::Dialogs::Icon::Warning);
        return;
    }
    if (text == QLatin1String(" ")) {
        writeLine(" ");
        return;
    }
    const QString status = textRecordStatus(m_state.lastRmc, text);
    if (status.isEmpty())
        return;
    m_state.statusText = status;
    m_noticeShown = false;
    Q_EMIT statusTextChanged(status);
    if (writeLine(textRecordLine(status)))
        m_dialogs.beep();
}

} // namespace zelvan
