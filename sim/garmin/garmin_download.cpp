#include "sim/garmin/garmin_download.h"

#include "common/save_file.h"
#include "sim/garmin/track_point.h"
#include "version.h"

#include <QDir>
#include <QSerialPort>
#include <QTimer>

namespace zelvan::garmin {

namespace {
std::uint16_t le16(const QByteArray& d, int at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(d.at(at))
                                      | static_cast<std::uint8_t>(d.at(at + 1)) << 8);
}

// Whether a data frame from the device is the answer to our request.
bool answersRequest(std::uint8_t requestPid, std::uint8_t framePid)
{
    switch (requestPid) {
    case PidProductRqst:
        return framePid == PidProductData;
    case PidCommandData:
        // The transfer itself: its first Records frame, or any later frame
        // of it when that one was lost.
        return framePid == PidRecords || framePid == PidTrkHdr || framePid == PidTrkData || framePid == PidXferCmplt;
    default:
        return true;
    }
}

QByteArray commandFrame(std::uint16_t command)
{
    const char data[2] = {static_cast<char>(command & 0xFF), static_cast<char>(command >> 8)};
    return buildFrame(PidCommandData, QByteArrayView(data, 2));
}
} // namespace

GarminDownload::GarminDownload(zv::Dialogs& dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_comm2(new QSerialPort(this))
    , m_timer3(new QTimer(this))
    , m_sendTimer(new QTimer(this))
    , m_resendTimer(new QTimer(this))
{
    m_comm2->setObjectName(QStringLiteral("Comm2"));
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(kWatchdogMs);
    m_timer3->setSingleShot(true);
    connect(m_timer3, &QTimer::timeout, this, &GarminDownload::onWatchdog);

    m_sendTimer->setObjectName(QStringLiteral("sendTimer"));
    m_sendTimer->setTimerType(Qt::PreciseTimer);
    m_sendTimer->setSingleShot(true);
    connect(m_sendTimer, &QTimer::timeout, this, &GarminDownload::onSendTick);

    m_resendTimer->setObjectName(QStringLiteral("resendTimer"));
    m_resendTimer->setSingleShot(true);
    connect(m_resendTimer, &QTimer::timeout, this, [this] {
        if (m_awaitingAck)
            resend(m_pendingPacket, m_pendingResends);
    });
}

GarminDownload::~GarminDownload()
{
    m_file.reset(); // an unfinished download leaves nothing behind
}

void GarminDownload::setPacing(int byteIntervalMs, int openingPauseMs)
{
    m_byteIntervalMs = byteIntervalMs;
    m_openingPauseMs = openingPauseMs;
}

void GarminDownload::resetLinkState()
{
    m_reader.reset();
    m_productSeen = false;
    m_afterHeader = false;
    m_recordCount = 0;
    m_pointsReceived = 0;
    m_segmentNo = 0;
    m_lastData = {};
    m_hasLastData = false;
    m_queue.clear();
    m_lastPacket.clear();
    m_lastPid = 0;
    m_lastResends = 0;
    m_pendingPacket.clear();
    m_pendingPid = 0;
    m_pendingResends = 0;
    m_awaitingAck = false;
    m_afterSent = nullptr;
    m_drainWaits = 0;
    m_sendTimer->stop();
    m_resendTimer->stop();
    m_timer3->stop();
}

GarminDownload::StartResult GarminDownload::startDownload(const QString& folder, const QString& name,
                                                          int garminPortIndex, const zv::DeviceOverrides& overrides)
{
    if (m_active)
        return StartResult::Busy;
    if (name.isEmpty()) {
        m_dialogs.beep();
        return StartResult::EmptyName;
    }
    if (m_comm2->isOpen())
        m_comm2->close();
    m_garminPortNo = garminPortIndex + 1;
    const QString portName = QStringLiteral("COM%1").arg(m_garminPortNo);
    const QString device = zv::resolvePortName(portName, overrides);
    m_comm2->setPortName(device);
    m_comm2->setBaudRate(QSerialPort::Baud9600);
    m_comm2->setDataBits(QSerialPort::Data8);
    m_comm2->setParity(QSerialPort::NoParity);
    m_comm2->setStopBits(QSerialPort::OneStop);
    m_comm2->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_comm2->open(QIODevice::ReadWrite)) {
        m_dialogs.message(QStringLiteral("%1 cannot be opened (%2):\n%3").arg(portName, device, m_comm2->errorString()),
                          QStringLiteral(" Error !"), zv::Dialogs::Icon::Critical);
        return StartResult::PortFailed;
    }
    const StartResult r = startDownloadOn(m_comm2, folder, name);
    if (r != StartResult::Started && m_comm2->isOpen())
        m_comm2->close();
    return r;
}

GarminDownload::StartResult GarminDownload::startDownloadOn(QIODevice* link, const QString& folder,
                                                            const QString& name)
{
    if (m_active)
        return StartResult::Busy;
    if (name.isEmpty()) {
        m_dialogs.beep();
        return StartResult::EmptyName;
    }
    if (m_link && m_link != link)
        closeLink();
    resetLinkState();
    m_path = downloadFileName(folder, name);
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_dialogs.message(QStringLiteral("The file %1 cannot be created:\n%2").arg(QDir::toNativeSeparators(m_path),
                                                                                  m_file->errorString()),
                          QStringLiteral(" Error !"), zv::Dialogs::Icon::Critical);
        m_file.reset();
        return StartResult::FileFailed;
    }
    m_link = link;
    m_active = true;

    const QDateTime now = m_now();
    const QDate d = now.date();
    const QTime t = now.time();
    writeLine(QByteArray("I Zelvan V" ZV_VERSION_STRING));
    writeLine(QString::asprintf("# %02d.%02d.%04d %02d:%02d:%02d  Local Time", d.day(), d.month(), d.year(),
                                t.hour(), t.minute(), t.second()));

    m_readConn = connect(link, &QIODevice::readyRead, this, &GarminDownload::anzeige);
    m_timer3->start();
    // An empty packet first: it gets the device's receiver in step before the
    // product request. Nobody waits for an answer to it.
    sendPacket(buildFrame(0), 0, false);
    sendPacket(buildFrame(PidProductRqst), PidProductRqst, true, m_openingPauseMs);
    // Bytes the device sent before we listened (an NMEA stream) are discarded.
    return StartResult::Started;
}

void GarminDownload::writeLine(const QByteArray& latin1)
{
    if (!m_file)
        return;
    m_file->write(latin1);
    m_file->write("\r\n", 2);
}

void GarminDownload::sendHexBytes(const QString& hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    for (char c : bytes)
        m_queue.push_back({m_byteIntervalMs, c});
    armSendTimer();
}

void GarminDownload::sendPacket(const QByteArray& frame, std::uint8_t pid, bool expectsAck, int pauseBeforeMs)
{
    m_lastPacket = frame;
    m_lastPid = pid;
    m_lastResends = 0;
    if (expectsAck) {
        m_pendingPacket = frame;
        m_pendingPid = pid;
        m_pendingResends = 0;
        m_awaitingAck = true;
    }
    bool first = true;
    for (char c : frame) {
        m_queue.push_back({m_byteIntervalMs + (first ? pauseBeforeMs : 0), c});
        first = false;
    }
    if (expectsAck) // the clock for the answer runs from the moment the packet is out
        m_resendTimer->start(kResendMs + int(m_queue.size()) * m_byteIntervalMs + pauseBeforeMs);
    armSendTimer();
}

void GarminDownload::resend(const QByteArray& packet, int& resends)
{
    if (packet.isEmpty() || resends >= kMaxResends)
        return;
    ++resends;
    for (char c : packet)
        m_queue.push_back({m_byteIntervalMs, c});
    if (m_awaitingAck)
        m_resendTimer->start(kResendMs + int(m_queue.size()) * m_byteIntervalMs);
    armSendTimer();
}

void GarminDownload::armSendTimer()
{
    if (m_sendTimer->isActive())
        return;
    if (!m_queue.empty())
        m_sendTimer->start(m_queue.front().delayMs);
    else if (m_afterSent)
        m_sendTimer->start(m_byteIntervalMs);
}

void GarminDownload::onSendTick()
{
    if (!m_queue.empty()) {
        // Without pacing everything queued goes at once.
        QByteArray out;
        do {
            out.append(m_queue.front().byte);
            m_queue.pop_front();
        } while (m_byteIntervalMs == 0 && !m_queue.empty() && m_queue.front().delayMs == 0);
        if (m_link && m_link->isOpen())
            m_link->write(out);
        armSendTimer();
        return;
    }
    if (!m_afterSent)
        return;
    // Let the device's own buffer empty before closing; a closed port may
    // drop what it has not sent yet.
    if (m_link && m_link->isOpen() && m_link->bytesToWrite() > 0 && ++m_drainWaits < 200) {
        m_sendTimer->start(qMax(1, m_byteIntervalMs));
        return;
    }
    auto then = std::move(m_afterSent);
    m_afterSent = nullptr;
    closeLink();
    then();
}

void GarminDownload::closeWhenSent(std::function<void()> then)
{
    m_afterSent = std::move(then);
    m_drainWaits = 0;
    armSendTimer();
}

void GarminDownload::closeLink()
{
    if (m_link && m_link->isOpen())
        m_link->close();
    m_link = nullptr;
}

void GarminDownload::anzeige()
{
    QIODevice* link = m_link;
    if (!link)
        return;
    const QByteArray bytes = link->readAll();
    if (!m_active)
        return;
    for (const Frame& f : m_reader.feed(bytes)) {
        handleFrame(f);
        if (!m_active)
            break;
    }
}

void GarminDownload::handleFrame(const Frame& f)
{
    if (!f.valid) {
        // Nothing of a damaged frame is used; the device sends it again.
        sendPacket(buildNak(f.pid), PidNak, false);
        return;
    }
    m_timer3->start();
    if (f.pid == PidAck) {
        if (m_awaitingAck && !f.data.isEmpty() && static_cast<std::uint8_t>(f.data.at(0)) == m_pendingPid) {
            m_awaitingAck = false;
            m_resendTimer->stop();
        }
        return;
    }
    if (f.pid == PidNak) {
        const int nakked = f.data.isEmpty() ? -1 : static_cast<std::uint8_t>(f.data.at(0));
        if (m_awaitingAck && (nakked < 0 || nakked == m_pendingPid))
            resend(m_pendingPacket, m_pendingResends);
        else if (nakked < 0 || nakked == m_lastPid)
            resend(m_lastPacket, m_lastResends);
        return;
    }
    // Only the frame that answers the request settles it: a Protocol Array
    // or the like crossing the track-log command on the line does not, so a
    // NAK or a lost command still gets it sent again.
    if (m_awaitingAck && answersRequest(m_pendingPid, f.pid)) {
        m_awaitingAck = false;
        m_resendTimer->stop();
    }
    // Our ACK got lost and the device sent the same packet again.
    if (m_hasLastData && f == m_lastData) {
        sendPacket(buildAck(f.pid), PidAck, false);
        return;
    }
    m_lastData = f;
    m_hasLastData = true;

    switch (f.pid) {
    case PidProductData:
        sendPacket(buildAck(f.pid), PidAck, false);
        if (!m_productSeen) {
            m_productSeen = true;
            handleProductData(f.data);
            sendPacket(commandFrame(CmndTransferTrk), PidCommandData, true);
        }
        break;
    case PidRecords:
        handleRecords(f.data);
        sendPacket(buildAck(f.pid), PidAck, false);
        break;
    case PidTrkHdr:
        handleHeader(f.data);
        sendPacket(buildAck(f.pid), PidAck, false);
        break;
    case PidTrkData:
        writeTrackPoint(f.data);
        sendPacket(buildAck(f.pid), PidAck, false);
        ++m_pointsReceived;
        if (m_pointsReceived <= m_recordCount)
            Q_EMIT progressValue(static_cast<int>(m_pointsReceived));
        break;
    case PidXferCmplt:
        sendPacket(buildAck(f.pid), PidAck, false);
        finishTransfer();
        break;
    default:
        // Protocol array, extended product data and the like: answered, unused.
        sendPacket(buildAck(f.pid), PidAck, false);
        break;
    }
}

void GarminDownload::handleProductData(const QByteArray& data)
{
    if (data.size() < 2)
        return;
    bool first = true;
    int start = 4;
    for (int i = 4; i < data.size(); ++i) {
        if (data.at(i) != '\0')
            continue;
        const QString s = printableText(QByteArrayView(data).sliced(start, i - start));
        Q_EMIT listLine(s);
        if (first)
            writeLine(s);
        first = false;
        start = i + 1;
    }
    Q_EMIT listLine(QStringLiteral("Product-ID: %1").arg(le16(data, 0)));
}

void GarminDownload::handleRecords(const QByteArray& data)
{
    m_recordCount = data.size() >= 2 ? le16(data, 0) : data.isEmpty() ? 0 : static_cast<std::uint8_t>(data.at(0));
    m_pointsReceived = 0;
    m_segmentNo = 0;
    Q_EMIT progressMaximum(static_cast<int>(m_recordCount));
    Q_EMIT listLine(QStringLiteral("Records: %1").arg(m_recordCount));
}

void GarminDownload::handleHeader(const QByteArray& data)
{
    const QString name = trackHeaderName(data);
    Q_EMIT listLine(QStringLiteral("New Header: ") + name);
    writeLine(QStringLiteral("L  New Header: ") + name);
    m_afterHeader = true;
}

void GarminDownload::writeTrackPoint(const QByteArray& data)
{
    const auto p = decodeTrackPoint(data);
    if (!p || !p->hasPosition())
        return;
    // Layouts without the flag (D303, D304) hold one segment per header.
    const bool newSegment = p->newSegment ? *p->newSegment : (p->altitude && m_afterHeader);
    m_afterHeader = false;
    if (newSegment) {
        ++m_segmentNo;
        writeLine(QByteArray("N  New Track Segment"));
    }
    writeLine(trackLine(*p));
    if (newSegment) {
        const PointTime t = pointTime(p->time);
        QString line = QStringLiteral("Track %1: ").arg(m_segmentNo, 2, 10, QLatin1Char('0'));
        if (t.year != 1989)
            line += progressTimeText(t);
        Q_EMIT listLine(line);
    }
}

void GarminDownload::finishTransfer()
{
    m_active = false;
    m_timer3->stop();
    m_resendTimer->stop();
    m_awaitingAck = false;
    disconnect(m_readConn);
    // QSaveFile keeps the first write error and then refuses to commit; the
    // old file of that name stays as it was.
    QString reason;
    const bool written = m_file && zv::commitSaveFile(*m_file, &reason);
    m_file.reset();
    const QString path = m_path;
    closeWhenSent([this, path, written, reason] {
        if (!written) {
            m_dialogs.message(QStringLiteral("The file %1 could not be written completely:\n%2")
                                  .arg(QDir::toNativeSeparators(path), reason),
                              QStringLiteral(" Error !"), zv::Dialogs::Icon::Critical);
            Q_EMIT finished(Outcome::Cancelled, path);
            return;
        }
        m_dialogs.beep();
        Q_EMIT listLine(QStringLiteral("Transfer OK"));
        Q_EMIT finished(Outcome::TransferOk, path);
    });
}

void GarminDownload::abortLink()
{
    m_active = false;
    m_timer3->stop();
    m_resendTimer->stop();
    m_awaitingAck = false;
    disconnect(m_readConn);
    m_queue.clear();
    // Tell the device to stop sending; the port closes once this is out.
    sendPacket(commandFrame(CmndAbortTransfer), PidCommandData, false);
    closeWhenSent([] {});
}

void GarminDownload::onWatchdog()
{
    if (!m_active)
        return;
    abortLink();
    m_dialogs.message(QStringLiteral("GPS-Timeout\n(ComPort=%1?)").arg(m_garminPortNo), QStringLiteral(" Error !"),
                      zv::Dialogs::Icon::Critical);
    m_file.reset();
    Q_EMIT finished(Outcome::Timeout, m_path);
}

void GarminDownload::cancel()
{
    if (!m_active)
        return;
    abortLink();
    m_file.reset();
    Q_EMIT finished(Outcome::Cancelled, m_path);
}

} // namespace zelvan::garmin
