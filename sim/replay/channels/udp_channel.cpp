#include "sim/replay/channels/udp_channel.h"

#include <QHostInfo>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace zelvan {

UdpChannel::UdpChannel(QObject* parent) : OutputChannel(parent)
{
    setObjectName(QStringLiteral("UDP"));
}

bool UdpChannel::open(QString* error)
{
    if (m_open)
        return true;
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QString target = QStringLiteral("UDP %1:%2").arg(m_host).arg(m_port);
    if (m_port == 0)
        return fail(target + QStringLiteral(": no port is set."));
    QHostAddress address;
    if (!address.setAddress(m_host)) {
        const QHostInfo info = QHostInfo::fromName(m_host);
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty())
            return fail(target + QStringLiteral(": the host name does not resolve: ") + info.errorString());
        address = info.addresses().constFirst();
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
    }
    const bool v4 = address.protocol() == QAbstractSocket::IPv4Protocol;
    if (!m_socket.bind(v4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6, 0))
        return fail(target + QStringLiteral(": no socket: ") + m_socket.errorString());
#ifdef Q_OS_UNIX
    // A broadcast address is refused without this; Qt sets it too, but the
    // channel does not rely on that.
    int on = 1;
    ::setsockopt(int(m_socket.socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
#endif
    m_address = address;
    m_open = true;
    m_reported = false;
    return true;
}

void UdpChannel::close()
{
    m_socket.close();
    m_open = false;
}

void UdpChannel::send(const QByteArray& sentence)
{
    if (!m_open)
        return;
    if (m_socket.writeDatagram(sentence + QByteArrayLiteral("\r\n"), m_address, m_port) >= 0)
        return;
    // Nobody listening is not an error for UDP; a refused send (no route,
    // a broadcast the network forbids) is reported once per open.
    // A full send buffer only drops this datagram.
    if (m_socket.error() == QAbstractSocket::TemporaryError)
        return;
    if (!m_reported) {
        m_reported = true;
        Q_EMIT failed(QStringLiteral("UDP %1:%2: %3").arg(m_host).arg(m_port).arg(m_socket.errorString()));
    }
}

} // namespace zelvan
