#include "sim/replay/channels/tcp_client_channel.h"

namespace zelvan {

TcpClientChannel::TcpClientChannel(QObject* parent) : OutputChannel(parent)
{
    setObjectName(QStringLiteral("TcpClient"));
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    m_connectTimeout.setSingleShot(true);
    m_connectTimeout.setInterval(kConnectTimeoutMs);
    connect(&m_retry, &QTimer::timeout, this, &TcpClientChannel::attempt);
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] {
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            return;
        if (!m_reportedSinceConnected) {
            m_reportedSinceConnected = true;
            Q_EMIT failed(QStringLiteral("%1: no answer to the connection request; trying again every %2 s.")
                              .arg(target())
                              .arg(m_retry.interval() / 1000.0));
        }
        m_socket.abort(); // the state change schedules the next attempt
    });
    connect(&m_socket, &QAbstractSocket::stateChanged, this, &TcpClientChannel::onStateChanged);
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &TcpClientChannel::onError);
    // What the peer sends means nothing here.
    connect(&m_socket, &QIODevice::readyRead, this, [this] { m_socket.readAll(); });
}

TcpClientChannel::~TcpClientChannel()
{
    m_wanted = false;
    m_socket.disconnect(this);
    m_socket.abort();
}

QString TcpClientChannel::target() const
{
    return QStringLiteral("TCP client %1:%2").arg(m_host).arg(m_port);
}

bool TcpClientChannel::open(QString* error)
{
    if (m_wanted)
        return true;
    if (m_host.trimmed().isEmpty() || m_port == 0) {
        if (error)
            *error = target() + QStringLiteral(": host and port are needed.");
        return false;
    }
    m_wanted = true;
    m_wasConnected = false;
    m_reportedSinceConnected = false;
    m_dropped = 0;
    attempt();
    return true;
}

void TcpClientChannel::close()
{
    m_wanted = false;
    m_retry.stop();
    m_connectTimeout.stop();
    // What was handed over goes to the system, which sends it before the close.
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush();
    m_socket.abort();
}

void TcpClientChannel::attempt()
{
    if (!m_wanted || m_socket.state() != QAbstractSocket::UnconnectedState)
        return;
    m_connectTimeout.start();
    m_socket.connectToHost(m_host, m_port);
}

void TcpClientChannel::onStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::ConnectedState) {
        m_connectTimeout.stop();
        m_wasConnected = true;
        m_reportedSinceConnected = false;
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        Q_EMIT connectedChanged(true);
        return;
    }
    if (state != QAbstractSocket::UnconnectedState)
        return;
    m_connectTimeout.stop();
    if (m_wasConnected) {
        m_wasConnected = false;
        Q_EMIT connectedChanged(false);
    }
    if (m_wanted && !m_retry.isActive())
        m_retry.start();
}

void TcpClientChannel::onError(QAbstractSocket::SocketError error)
{
    if (!m_wanted || m_reportedSinceConnected)
        return;
    m_reportedSinceConnected = true;
    const QString what = error == QAbstractSocket::RemoteHostClosedError
                             ? QStringLiteral("the peer closed the connection")
                             : m_socket.errorString();
    Q_EMIT failed(QStringLiteral("%1: %2; sentences are dropped and a new connection is tried every %3 s.")
                      .arg(target(), what)
                      .arg(m_retry.interval() / 1000.0));
}

void TcpClientChannel::send(const QByteArray& sentence)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState || m_socket.bytesToWrite() > kMaxBacklog) {
        ++m_dropped;
        return;
    }
    m_socket.write(sentence + QByteArrayLiteral("\r\n"));
    m_socket.flush();
}

} // namespace zelvan
