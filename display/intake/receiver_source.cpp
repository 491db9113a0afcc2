#include "display/intake/receiver_source.h"

#include <QNetworkDatagram>
#include <QSerialPort>

#ifdef Q_OS_LINUX
#include <linux/sock_diag.h>
#include <sys/socket.h>
#endif

namespace vur {
namespace {

QString portNumberError(const QString& value)
{
    return value + QStringLiteral(": no port number from 1 to 65535");
}

// Datagrams the system threw away because the socket's queue was full.
qint64 systemDrops(const QUdpSocket& socket)
{
#if defined(Q_OS_LINUX) && defined(SO_MEMINFO)
    quint32 info[SK_MEMINFO_VARS] = {};
    socklen_t size = sizeof info;
    if (socket.socketDescriptor() >= 0
        && ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_MEMINFO, info, &size) == 0
        && size > SK_MEMINFO_DROPS * sizeof(quint32))
        return info[SK_MEMINFO_DROPS];
#else
    Q_UNUSED(socket);
#endif
    return 0;
}

} // namespace

QString NetworkEndpoint::description() const
{
    const QString shownHost = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return (kind == Kind::Tcp ? QStringLiteral("tcp ") : QStringLiteral("udp ")) + shownHost + QLatin1Char(':')
           + QString::number(port);
}

NetworkSpec parseNetworkSource(const QString& value)
{
    NetworkSpec parsed;
    const QString v = value.trimmed();
    const QString scheme = v.left(4).toLower();
    if (scheme != QLatin1String("tcp:") && scheme != QLatin1String("udp:"))
        return parsed;
    NetworkEndpoint e;
    e.kind = scheme == QLatin1String("tcp:") ? NetworkEndpoint::Kind::Tcp : NetworkEndpoint::Kind::Udp;
    QString rest = v.mid(4);
    if (rest.startsWith(QLatin1String("//")))
        rest = rest.mid(2);

    QString portText;
    bool hasHost = false;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0 || rest.mid(close + 1, 1) != QLatin1String(":")) {
            parsed.error = value.trimmed() + QStringLiteral(": an address in brackets is followed by :PORT");
            return parsed;
        }
        e.host = rest.mid(1, close - 1);
        portText = rest.mid(close + 2);
        hasHost = true;
    } else if (const qsizetype colon = rest.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        e.host = rest.left(colon);
        portText = rest.mid(colon + 1);
        hasHost = true;
    } else {
        portText = rest;
    }
    if (e.host.contains(QLatin1Char(':')) && !rest.startsWith(QLatin1Char('['))) {
        parsed.error = value.trimmed() + QStringLiteral(": write an IPv6 address in brackets, [::1]:PORT");
        return parsed;
    }
    if (e.kind == NetworkEndpoint::Kind::Tcp && (!hasHost || e.host.isEmpty())) {
        parsed.error = value.trimmed() + QStringLiteral(": tcp needs a host and a port, tcp:HOST:PORT");
        return parsed;
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        parsed.error = portNumberError(value.trimmed());
        return parsed;
    }
    e.port = static_cast<quint16>(port);
    parsed.endpoint = e;
    return parsed;
}

SerialSource::SerialSource(QSerialPort* port, const QString& portName, const QString& device, QObject* parent)
    : ReceiverSource(parent), m_port(port), m_name(portName), m_device(device)
{
    connect(m_port, &QSerialPort::readyRead, this, &ReceiverSource::readyRead);
    // A receiver unplugged or a pseudo-terminal peer gone makes every read
    // fail at once, thousands of times a second: say it once and close.
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if ((e != QSerialPort::ResourceError && e != QSerialPort::ReadError) || !m_port->isOpen())
            return;
        const QString reason = m_port->errorString();
        m_port->close();
        Q_EMIT statusChanged(m_name + QStringLiteral(": ") + reason, true);
    });
}

bool SerialSource::open()
{
    if (m_port->isOpen())
        m_port->close();
    m_port->setPortName(m_device);
    m_port->setBaudRate(4800);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (m_port->open(QIODevice::ReadOnly))
        return true;
    // Reported once per attempt; the user can choose another port.
    Q_EMIT statusChanged(m_name + QStringLiteral(": ") + m_port->errorString(), true);
    return false;
}

void SerialSource::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SerialSource::isOpen() const
{
    return m_port->isOpen();
}

QByteArray SerialSource::read(qint64 max)
{
    return m_port->isOpen() && m_port->bytesAvailable() > 0 ? m_port->read(max) : QByteArray();
}

TcpSource::TcpSource(const NetworkEndpoint& endpoint, QObject* parent)
    : ReceiverSource(parent), m_endpoint(endpoint), m_socket(this), m_retry(this), m_connectTimeout(this)
{
    m_retry.setObjectName(QStringLiteral("Reconnect"));
    m_retry.setSingleShot(true);
    m_retry.setInterval(reconnectMs);
    m_connectTimeout.setObjectName(QStringLiteral("ConnectTimeout"));
    m_connectTimeout.setSingleShot(true);
    m_connectTimeout.setInterval(connectTimeoutMs);
    connect(&m_retry, &QTimer::timeout, this, &TcpSource::connectNow);
    // A peer that never answers (a host gone off the network) is given up
    // like a refusing one, instead of waiting minutes for the system's timeout.
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] { lost(QStringLiteral("no answer")); });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimeout.stop();
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        Q_EMIT streamRestarted();
        Q_EMIT statusChanged(description(), false);
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &ReceiverSource::readyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::TemporaryError)
            lost(m_socket.errorString());
    });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { lost(QStringLiteral("connection closed")); });
}

TcpSource::~TcpSource()
{
    m_active = false;
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

bool TcpSource::open()
{
    m_active = true;
    m_retry.stop();
    Q_EMIT statusChanged(description() + QStringLiteral(" connecting"), false);
    connectNow();
    return true;
}

void TcpSource::close()
{
    m_active = false;
    m_retry.stop();
    m_connectTimeout.stop();
    m_socket.abort();
}

void TcpSource::connectNow()
{
    if (!m_active)
        return;
    m_socket.abort();
    m_socket.connectToHost(m_endpoint.host, m_endpoint.port, QIODevice::ReadOnly);
    m_connectTimeout.start();
}

void TcpSource::lost(const QString& reason)
{
    // Refusal, a closed connection and the error before it arrive as two
    // signals: one wait, one report.
    if (!m_active || m_retry.isActive())
        return;
    m_connectTimeout.stop();
    m_retry.start();
    // What the peer sent before it left is still decoded.
    if (m_socket.bytesAvailable() > 0)
        Q_EMIT readyRead();
    m_socket.abort();
    Q_EMIT statusChanged(description() + QStringLiteral(": ") + reason + QStringLiteral(", reconnecting in ")
                             + QString::number(m_retry.interval() / 1000.0) + QStringLiteral(" s"),
                         true);
}

QByteArray TcpSource::read(qint64 max)
{
    return m_socket.bytesAvailable() > 0 ? m_socket.read(max) : QByteArray();
}

UdpSource::UdpSource(const NetworkEndpoint& endpoint, QObject* parent)
    : ReceiverSource(parent), m_endpoint(endpoint), m_socket(this), m_retry(this)
{
    m_retry.setObjectName(QStringLiteral("Reconnect"));
    m_retry.setSingleShot(true);
    m_retry.setInterval(rebindMs);
    connect(&m_retry, &QTimer::timeout, this, &UdpSource::bindNow);
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpSource::takeDatagrams);
}

UdpSource::~UdpSource()
{
    m_active = false;
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

bool UdpSource::open()
{
    m_active = true;
    bindNow();
    return true;
}

void UdpSource::close()
{
    m_active = false;
    m_retry.stop();
    m_socket.abort();
    m_queue.clear();
    m_queued = 0;
}

void UdpSource::bindNow()
{
    if (!m_active)
        return;
    m_socket.abort();
    m_queue.clear();
    m_queued = 0;
    QHostAddress address(QHostAddress::AnyIPv4);
    if (!m_endpoint.host.isEmpty()) {
        address = m_endpoint.host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                      ? QHostAddress(QHostAddress::LocalHost)
                      : QHostAddress(m_endpoint.host);
        if (address.isNull()) {
            Q_EMIT statusChanged(description() + QStringLiteral(": not an address of this computer"), true);
            return;
        }
    }
    // Shared, so a chart plotter on the same computer can listen to the broadcast too.
    if (m_socket.bind(address, m_endpoint.port, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        m_ownDrops = 0;
        m_reportedDrops = 0;
        m_systemDropsAtBind = systemDrops(m_socket);
        Q_EMIT streamRestarted();
        Q_EMIT statusChanged(description(), false);
        return;
    }
    m_retry.start();
    Q_EMIT statusChanged(description() + QStringLiteral(": ") + m_socket.errorString() + QStringLiteral(", retrying in ")
                             + QString::number(m_retry.interval() / 1000.0) + QStringLiteral(" s"),
                         true);
}

void UdpSource::takeDatagrams()
{
    // Reading here, inside the socket's own signal, keeps it announcing: one
    // read at least whenever it says there is something.
    for (int i = 0; i < datagramsPerTurn && m_socket.hasPendingDatagrams(); ++i) {
        QByteArray data = m_socket.receiveDatagram().data();
        if (data.isEmpty())
            continue;
        // A datagram is a whole message: a sentence sent without its line end
        // is not glued to the next datagram.
        if (!data.endsWith('\n') && !data.endsWith('\r'))
            data += "\r\n";
        m_queued += data.size();
        m_queue.push_back(std::move(data));
        // The newest positions matter: the oldest make way.
        while (m_queued > queueLimit && m_queue.size() > 1) {
            m_queued -= m_queue.front().size();
            m_queue.pop_front();
            ++m_ownDrops;
        }
    }
    reportDrops();
    if (!m_queue.empty())
        Q_EMIT readyRead();
}

qint64 UdpSource::droppedDatagrams() const
{
    return m_ownDrops + std::max<qint64>(0, systemDrops(m_socket) - m_systemDropsAtBind);
}

void UdpSource::reportDrops()
{
    const qint64 dropped = droppedDatagrams();
    if (dropped == m_reportedDrops)
        return;
    if (m_lastDropReport.isValid() && m_lastDropReport.elapsed() < dropReportMs)
        return;
    m_reportedDrops = dropped;
    m_lastDropReport.start();
    Q_EMIT statusChanged(description() + QStringLiteral(": ") + QString::number(dropped)
                             + QStringLiteral(" datagrams dropped, more than the display can take"),
                         true);
}

QByteArray UdpSource::read(qint64 max)
{
    QByteArray out;
    while (out.size() < max && !m_queue.empty()) {
        out += m_queue.front();
        m_queued -= m_queue.front().size();
        m_queue.pop_front();
    }
    return out;
}

} // namespace vur
