#pragma once
// The host side of a track-log download from a Garmin receiver: opens the
// link, writes the track file in the own format, answers every packet and
// watches for a stalled device. Works on any open QIODevice; the window
// passes the serial port `Comm2` (or tests an in-memory or pty device).
#include "common/dialogs.h"
#include "common/port_names.h"
#include "sim/garmin/garmin_link.h"

#include <QDateTime>
#include <QSaveFile>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

class QIODevice;
class QSerialPort;
class QTimer;

namespace zelvan::garmin {

class GarminDownload : public QObject {
    Q_OBJECT
public:
    enum class StartResult { Started, EmptyName, PortFailed, FileFailed, Busy };
    enum class Outcome { TransferOk, Timeout, Cancelled };
    Q_ENUM(Outcome)

    static constexpr int kWatchdogMs = 2000;
    static constexpr int kResendMs = 1000;
    static constexpr int kMaxResends = 3;

    explicit GarminDownload(zv::Dialogs& dialogs, QObject* parent = nullptr);
    ~GarminDownload() override;

    // Opens `Comm2` (COM<garminPortIndex + 1> through the resolver) at
    // 9600,n,8,1 and starts the download into folder/name.
    StartResult startDownload(const QString& folder, const QString& name, int garminPortIndex,
                              const zv::DeviceOverrides& overrides = {});
    // The same on a device the caller has opened; the session closes it when done.
    StartResult startDownloadOn(QIODevice* link, const QString& folder, const QString& name);

    // Esc during a transfer: tells the device to stop, deletes the partial file.
    void cancel();

    bool isTransferring() const { return m_active; }
    QString filePath() const { return m_path; }
    QSerialPort* comm2() const { return m_comm2; }
    QTimer* watchdog() const { return m_timer3; }

    // Hex digit pairs, one byte each, written 10 ms apart.
    void sendHexBytes(const QString& hex);

    // Pacing of sent bytes and the pause between the opening packets; tests
    // shorten them. Defaults: 10 ms and 100 ms.
    void setPacing(int byteIntervalMs, int openingPauseMs);
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

Q_SIGNALS:
    void listLine(const QString& line);   // a line for the progress list `List1`
    void progressMaximum(int maximum);    // `Gauge2`
    void progressValue(int value);        // `Gauge2`
    void finished(zelvan::garmin::GarminDownload::Outcome outcome, const QString& path);

private:
    void resetLinkState();
    // Comm2's receive event: drains the port through the frame reader.
    void anzeige();
    void handleFrame(const Frame& f);
    void handleProductData(const QByteArray& data);
    void handleRecords(const QByteArray& data);
    void handleHeader(const QByteArray& data);
    // Decodes one Track Data payload and writes its line(s).
    void writeTrackPoint(const QByteArray& data);
    void finishTransfer();
    void onWatchdog();
    void abortLink();
    void writeLine(const QByteArray& latin1);
    void writeLine(const QString& text) { writeLine(text.toLatin1()); }

    void sendPacket(const QByteArray& frame, std::uint8_t pid, bool expectsAck, int pauseBeforeMs = 0);
    void resend(const QByteArray& packet, int& resends);
    void onSendTick();
    void armSendTimer();
    void closeWhenSent(std::function<void()> then);
    void closeLink();

    zv::Dialogs& m_dialogs;
    QSerialPort* m_comm2;
    QPointer<QIODevice> m_link;
    QMetaObject::Connection m_readConn;
    QTimer* m_timer3;
    QTimer* m_sendTimer;
    QTimer* m_resendTimer;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    int m_byteIntervalMs = 10;
    int m_openingPauseMs = 100;

    FrameReader m_reader;
    // Written aside and put in place only when the transfer completes, so an
    // existing track of the same name survives a timeout, a cancel or a full
    // disk.
    std::unique_ptr<QSaveFile> m_file;
    QString m_path;
    bool m_active = false;
    int m_garminPortNo = 1;

    // Link state, reset for every download.
    bool m_productSeen = false;
    bool m_afterHeader = false;
    std::uint32_t m_recordCount = 0;
    std::uint32_t m_pointsReceived = 0;
    std::uint32_t m_segmentNo = 0;
    Frame m_lastData;
    bool m_hasLastData = false;

    struct QueuedByte {
        int delayMs;
        char byte;
    };
    std::deque<QueuedByte> m_queue;
    // The last packet sent (a NAK asks for it again) and the one still
    // waiting for the device's ACK.
    QByteArray m_lastPacket;
    std::uint8_t m_lastPid = 0;
    int m_lastResends = 0;
    QByteArray m_pendingPacket;
    std::uint8_t m_pendingPid = 0;
    int m_pendingResends = 0;
    bool m_awaitingAck = false;
    std::function<void()> m_afterSent;
    int m_drainWaits = 0;
};

} // namespace zelvan::garmin
