#pragma once
// Where the intake's bytes come from: the serial port Comm1, a TCP peer
// (Zelvan's server, a multiplexer) or UDP datagrams (the marine broadcast on
// port 10110). The intake drains whichever it has and does not care which.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <deque>
#include <optional>

class QSerialPort;

namespace vur {

// A [Devices] value naming a network source: "tcp:HOST:PORT", "udp:PORT" or
// "udp:ADDRESS:PORT" (listen on that address only). IPv6 hosts in brackets.
struct NetworkEndpoint {
    enum class Kind { Tcp, Udp };
    Kind kind = Kind::Tcp;
    QString host; // empty for udp on every address
    quint16 port = 0;

    // What the status line says is read: "tcp 127.0.0.1:10110", "udp :10110".
    QString description() const;
    bool operator==(const NetworkEndpoint&) const = default;
};

struct NetworkSpec {
    std::optional<NetworkEndpoint> endpoint;
    QString error; // set when the value says tcp: or udp: but cannot be used
};
// A value without "tcp:" or "udp:" (a device path, a port name) is no
// network source: no endpoint and no error.
NetworkSpec parseNetworkSource(const QString& value);

class ReceiverSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reading. False when it failed at once and will not retry
    // (a serial port); network sources keep trying by themselves.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Bytes received and not taken yet, at most about max; empty when none.
    virtual QByteArray read(qint64 max) = 0;
    virtual QString description() const = 0;

Q_SIGNALS:
    void readyRead();
    // A new status line text; failure: the source delivers nothing now.
    void statusChanged(const QString& text, bool failure);
    // A new connection began: a line started on the old one is not continued.
    void streamRestarted();
};

// Comm1 at 4800,n,8,1. A lost device is closed and reported once.
class SerialSource : public ReceiverSource {
    Q_OBJECT
public:
    SerialSource(QSerialPort* port, const QString& portName, const QString& device, QObject* parent = nullptr);
    bool open() override;
    void close() override;
    bool isOpen() const override;
    QByteArray read(qint64 max) override;
    QString description() const override { return m_name; }

private:
    QSerialPort* m_port;
    QString m_name;
    QString m_device;
};

// A TCP client that reconnects every few seconds while the peer is away.
class TcpSource : public ReceiverSource {
    Q_OBJECT
public:
    static constexpr int reconnectMs = 3000;
    static constexpr int connectTimeoutMs = 10000;

    explicit TcpSource(const NetworkEndpoint& endpoint, QObject* parent = nullptr);
    ~TcpSource() override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_active; }
    QByteArray read(qint64 max) override;
    QString description() const override { return m_endpoint.description(); }
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool waiting() const { return m_retry.isActive(); }

private:
    void connectNow();
    void lost(const QString& reason);

    NetworkEndpoint m_endpoint;
    QTcpSocket m_socket;
    QTimer m_retry;
    QTimer m_connectTimeout;
    bool m_active = false;
};

// Listens for UDP datagrams; each datagram ends a line. Datagrams are taken
// from the socket only when it announces them, into a queue of their own: a
// flood fills that queue, its oldest datagrams make way for new ones, and the
// socket never stops announcing (Qt announces again only after a read inside
// its own signal). Lost datagrams are counted and said in the status line.
class UdpSource : public ReceiverSource {
    Q_OBJECT
public:
    static constexpr int rebindMs = 3000;
    // Datagrams waiting for the intake, at most this many bytes.
    static constexpr qint64 queueLimit = 64 * 1024;
    // Taken from the socket per announcement before the window gets a turn.
    static constexpr int datagramsPerTurn = 256;
    // Losses are said at most this often.
    static constexpr int dropReportMs = 1000;

    explicit UdpSource(const NetworkEndpoint& endpoint, QObject* parent = nullptr);
    ~UdpSource() override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_active; }
    QByteArray read(qint64 max) override;
    QString description() const override { return m_endpoint.description(); }
    bool bound() const { return m_socket.state() == QAbstractSocket::BoundState; }
    // Datagrams lost since the source was bound: by the system (its queue
    // full) and by the source's own queue.
    qint64 droppedDatagrams() const;

private:
    void bindNow();
    void takeDatagrams();
    void reportDrops();

    NetworkEndpoint m_endpoint;
    QUdpSocket m_socket;
    QTimer m_retry;
    bool m_active = false;
    std::deque<QByteArray> m_queue;
    qint64 m_queued = 0;
    qint64 m_ownDrops = 0;
    qint64 m_systemDropsAtBind = 0;
    qint64 m_reportedDrops = 0;
    QElapsedTimer m_lastDropReport;
};

} // namespace vur
