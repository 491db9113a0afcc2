#include "sim/replay/channels/tcp_server_channel.h"

#include "common/number_text.h"
#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/port_list.h"

#include <QDir>
#include <QHostAddress>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace zelvan {

namespace {

// A client asked to go at StopTcpListener gets this long to take what is
// queued for it before its connection is cut.
constexpr int kGracefulCloseMs = 5000;

// "" is every address; "localhost" the loopback; anything else must be an address.
QHostAddress listenAddress(const QString& text)
{
    if (text.isEmpty())
        return QHostAddress(QHostAddress::Any);
    if (text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return QHostAddress(QHostAddress::LocalHost);
    return QHostAddress(text);
}

// With a thousand clients the copy into Qt's buffer and its bookkeeping
// cost more than the sending: while nothing waits in that buffer a sentence
// goes straight to the system. What the system does not take at once (or a
// failure, which Qt then reports) goes the usual way through the buffer.
qint64 sendDirect(QTcpSocket* socket, const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    if (socket->bytesToWrite() > 0)
        return 0;
    const ssize_t n = ::send(int(socket->socketDescriptor()), bytes.constData(), size_t(bytes.size()),
                             MSG_DONTWAIT | MSG_NOSIGNAL);
    return n > 0 ? n : 0;
#else
    Q_UNUSED(socket);
    Q_UNUSED(bytes);
    return 0;
#endif
}

QString addressText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

bool isTcpPortRefusal(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::SocketAccessError || error == QAbstractSocket::AddressInUseError;
}

QString tcpPortRefusalNote(quint16 port, QAbstractSocket::SocketError error, const QString& iniPath)
{
    if (!isTcpPortRefusal(error))
        return {};
    QString why;
    if (error == QAbstractSocket::AddressInUseError)
        why = QStringLiteral("Another program uses port %1.").arg(port);
    else if (port < 1024)
        why = QStringLiteral("Ports below 1024 need administrator rights.");
    else
        why = QStringLiteral("The system does not let Zelvan use port %1.").arg(port);
    if (!iniPath.isEmpty())
        why += QStringLiteral("\nThe port is set by [TCP] Port in %1.").arg(QDir::toNativeSeparators(iniPath));
    if (port != kNavigationPort)
        why += QStringLiteral("\nNavigation programs usually read NMEA from port %1.").arg(kNavigationPort);
    return why;
}

int winsockErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return kWinsockConnectionReset;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::DatagramTooLargeError: return 10040;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    case QAbstractSocket::UnfinishedSocketOperationError: return 10036;
    case QAbstractSocket::OperationError: return kWinsockBadState;
    case QAbstractSocket::TemporaryError: return 10035;
    default: return 11003; // no Winsock equivalent: "non-recoverable error"
    }
}

TcpServerChannel::TcpServerChannel(QObject* parent)
    : OutputChannel(parent), m_statusColour(tcpIdleColour())
{
    setObjectName(QStringLiteral("Winsock(0)"));
    connect(&m_server, &QTcpServer::newConnection, this, &TcpServerChannel::onNewConnection);
    connect(&m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError error) {
        onSocketError(nullptr, error);
    });
}

TcpServerChannel::~TcpServerChannel()
{
    // Not close(): its graceful hand-over needs an event loop that is going away.
    for (Element& e : m_elements)
        if (e.socket)
            e.socket->abort();
}

bool TcpServerChannel::open(QString* error)
{
    m_openError = QAbstractSocket::UnknownSocketError;
    if (m_server.isListening())
        m_server.close();
    const QString where = m_address.isEmpty() ? QStringLiteral("TCP port %1").arg(m_port)
                                              : QStringLiteral("TCP address %1 port %2").arg(m_address).arg(m_port);
    const QHostAddress address = listenAddress(m_address);
    if (address.isNull()) {
        m_openError = QAbstractSocket::SocketAddressNotAvailableError;
        if (error)
            *error = QStringLiteral("Winsock-Error No: %1   %2: not an address of this computer")
                         .arg(winsockErrorNumber(QAbstractSocket::SocketAddressNotAvailableError))
                         .arg(where);
        return false;
    }
    m_server.setListenBacklogSize(kListenBacklog);
    // Qt stops accepting while this many wait unaccepted; they are taken at once anyway.
    m_server.setMaxPendingConnections(kListenBacklog);
    if (!m_server.listen(address, m_port)) {
        m_openError = m_server.serverError();
        if (error) {
            *error = QStringLiteral("Winsock-Error No: %1   %2: %3")
                         .arg(winsockErrorNumber(m_openError))
                         .arg(where, m_server.errorString());
            if (const QString note = tcpPortRefusalNote(m_port, m_openError, m_portSettingFile); !note.isEmpty())
                *error += QLatin1Char('\n') + note;
        }
        return false;
    }
    setStatus(true, m_statusColour);
    return true;
}

void TcpServerChannel::close()
{
    if (m_server.isListening())
        m_server.close();
    for (Element& e : m_elements) {
        QTcpSocket* socket = e.socket;
        if (!socket)
            continue;
        socket->disconnect(this);
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kGracefulCloseMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            socket->disconnectFromHost();
        } else {
            socket->abort();
            socket->deleteLater();
        }
    }
    m_elements.clear();
    setToolTip(QString());
    setStatus(false, m_statusColour);
}

void TcpServerChannel::send(const QByteArray& sentence)
{
    if (m_elements.isEmpty()) {
        setToolTip(QStringLiteral("No connection"));
        return;
    }
    const QByteArray bytes = sentence + QByteArrayLiteral("\r\n");
    zv::Rgb colour = tcpIdleColour();
    QString clients;
    // tcpCount() is read afresh: a slot of clientDropped may run events that add elements.
    for (int i = 1; i <= tcpCount(); ++i) {
        const TcpElementState state = elementState(i);
        if (state == TcpElementState::Closing) {
            closeElement(i);
            continue;
        }
        if (state != TcpElementState::Connected)
            continue;
        QTcpSocket* socket = m_elements[i - 1].socket;
        const QString address = m_elements[i - 1].address;
        const qint64 taken = sendDirect(socket, bytes);
        if (taken == bytes.size()) {
            colour = tcpConnectedColour();
            clients += address + QLatin1Char(' ');
            continue;
        }
        if (socket->write(bytes.constData() + taken, bytes.size() - taken) < 0) {
            const int number = winsockErrorNumber(socket->error());
            if (number != kWinsockBadState)
                Q_EMIT messageRequested(QStringLiteral("Unknown sending error No: %1   %2").arg(number).arg(socket->errorString()),
                                        QStringLiteral("Connection ") + zv::plainNumberText(i));
            return;
        }
        socket->flush();
        if (m_elements[i - 1].socket != socket) // the flush found it gone
            continue;
        if (socket->bytesToWrite() > kMaxBacklog) {
            closeElement(i);
            Q_EMIT clientDropped(i, address);
            continue;
        }
        colour = tcpConnectedColour();
        clients += address + QLatin1Char(' ');
    }
    setStatus(m_statusVisible, colour);
    setToolTip(colour == tcpIdleColour() ? QStringLiteral("No connection") : clients);
}

TcpElementState TcpServerChannel::elementState(int index) const
{
    if (index < 1 || index > tcpCount())
        return TcpElementState::Closed;
    const Element& e = m_elements[index - 1];
    if (!e.socket)
        return TcpElementState::Closed;
    if (e.peerClosed || e.socket->state() != QAbstractSocket::ConnectedState)
        return TcpElementState::Closing;
    return TcpElementState::Connected;
}

QString TcpServerChannel::elementAddress(int index) const
{
    if (index < 1 || index > tcpCount() || !m_elements[index - 1].socket)
        return {};
    return m_elements[index - 1].address;
}

void TcpServerChannel::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        // Each sentence leaves at once, as from a receiver: no waiting to
        // fill a segment behind an unacknowledged one.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        int index = 0;
        for (int i = 1; i <= tcpCount(); ++i) {
            if (!m_elements[i - 1].socket) {
                index = i;
                break;
            }
        }
        if (index == 0) {
            m_elements.append(Element{});
            index = tcpCount();
        }
        Element& e = m_elements[index - 1];
        e.socket = socket;
        e.peerClosed = false;
        e.address = addressText(socket->peerAddress());
        // What a client sends means nothing here: read it and let it go.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        // A client that leaves gives its descriptor back at once, not at the
        // next send (which may be long in coming while nothing is replayed);
        // its element is free for the next connection.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (const int i = indexOf(socket); i > 0) {
                socket->disconnect(this);
                socket->deleteLater(); // the socket closes its descriptor after this signal
                m_elements[i - 1] = Element{};
            }
        });
        connect(socket, &QTcpSocket::errorOccurred, this,
                [this, socket](QAbstractSocket::SocketError error) { onSocketError(socket, error); });
        Q_EMIT clientAccepted(index);
    }
}

void TcpServerChannel::onSocketError(QTcpSocket* socket, QAbstractSocket::SocketError error)
{
    if (socket) {
        if (const int i = indexOf(socket); i > 0 && error == QAbstractSocket::RemoteHostClosedError)
            m_elements[i - 1].peerClosed = true;
    }
    const int number = winsockErrorNumber(error);
    if (number == kWinsockConnectionAborted || number == kWinsockConnectionReset)
        return;
    const QString text = QStringLiteral("Winsock-Error No: %1   %2")
                             .arg(number)
                             .arg(socket ? socket->errorString() : m_server.errorString());
    // Queued: the box must not open inside the socket's own signal.
    QMetaObject::invokeMethod(
        this, [this, text] { Q_EMIT messageRequested(text, QStringLiteral("Error!")); }, Qt::QueuedConnection);
}

int TcpServerChannel::indexOf(const QTcpSocket* socket) const
{
    for (int i = 1; i <= tcpCount(); ++i)
        if (m_elements[i - 1].socket == socket)
            return i;
    return 0;
}

void TcpServerChannel::closeElement(int index)
{
    Element& e = m_elements[index - 1];
    if (QTcpSocket* socket = e.socket) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    e = Element{};
}

void TcpServerChannel::setStatus(bool visible, zv::Rgb colour)
{
    if (visible == m_statusVisible && colour == m_statusColour)
        return;
    m_statusVisible = visible;
    m_statusColour = colour;
    Q_EMIT statusChanged(visible, colour);
}

void TcpServerChannel::setToolTip(const QString& text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    Q_EMIT toolTipChanged(text);
}

} // namespace zelvan
