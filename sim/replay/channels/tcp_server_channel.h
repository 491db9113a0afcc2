#pragma once
// The TCP server: one listening element (0) and one element per client
// (1..tcpCount), created on demand and reused once closed. Every sentence
// goes to every connected client.
#include "common/colour.h"
#include "sim/replay/output_channel.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace zelvan {

// Winsock numbers for Qt's socket errors where they mean the same.
int winsockErrorNumber(QAbstractSocket::SocketError error);
inline constexpr int kWinsockConnectionAborted = 10053;
inline constexpr int kWinsockConnectionReset = 10054;
inline constexpr int kWinsockBadState = 40006;

// The system refused the port itself (protected, or another program has
// it), as opposed to an address that is not this computer's: another port
// helps.
bool isTcpPortRefusal(QAbstractSocket::SocketError error);
// The lines added to the message of a refused port: why, and where the port
// is set ([TCP] Port in iniPath; left out when iniPath is empty, the port
// was given some other way). Empty when error is no refusal.
QString tcpPortRefusalNote(quint16 port, QAbstractSocket::SocketError error, const QString& iniPath);

// Winsock element states as the sending code reads them.
enum class TcpElementState { Closed = 0, Listening = 2, Connected = 7, Closing = 8, Error = 9 };

class TcpServerChannel : public OutputChannel {
    Q_OBJECT
public:
    // A client whose unsent data passes this is closed and its element
    // freed: a client that does not read must not make Zelvan grow.
    static constexpr qint64 kMaxBacklog = 64 * 1024;
    // Connection requests the system holds until they are accepted: a burst
    // of clients connecting at once must not overflow it (the system caps it
    // at its own limit, net.core.somaxconn).
    static constexpr int kListenBacklog = 4096;

    explicit TcpServerChannel(QObject* parent = nullptr);
    ~TcpServerChannel() override;

    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }
    // The address listened on: empty for every address of the computer
    // (reachable from the network), "127.0.0.1" or "localhost" to keep the
    // server on this computer, IPv6 without brackets. Takes effect at open.
    void setAddress(const QString& address) { m_address = address; }
    QString address() const { return m_address; }
    // The port actually listened on (differs from port() only for port 0).
    quint16 listeningPort() const { return m_server.serverPort(); }
    QHostAddress listeningAddress() const { return m_server.serverAddress(); }

    // The settings file the port comes from, named when the port is refused.
    void setPortSettingFile(const QString& iniPath) { m_portSettingFile = iniPath; }

    // StartTcpListener. On failure *error is the Winsock message text
    // ("Winsock-Error No: " ...) naming the port and the system's reason,
    // and for a refused port a note on where it is set.
    bool open(QString* error) override;
    // Why the last open failed (UnknownSocketError after a success).
    QAbstractSocket::SocketError openError() const { return m_openError; }
    // StopTcpListener: closes every element and destroys all but element 0.
    void close() override;
    bool isOpen() const override { return m_server.isListening(); }
    // TcpSend.
    void send(const QByteArray& sentence) override;

    // What the window shows.
    bool statusVisible() const { return m_statusVisible; }          // TCPstat shown
    zv::Rgb statusColour() const { return m_statusColour; }         // TCPstat back colour
    QString clientsToolTip() const { return m_toolTip; }            // PortL tool tip
    int tcpCount() const { return static_cast<int>(m_elements.size()); }
    TcpElementState elementState(int index) const;                  // 1..tcpCount
    QString elementAddress(int index) const;                        // remote address text

Q_SIGNALS:
    // TCPstat shown/hidden or recoloured.
    void statusChanged(bool visible, zv::Rgb colour);
    void toolTipChanged(const QString& text);
    // A message box the window shows as it stands (exclamation icon).
    void messageRequested(const QString& text, const QString& title);
    // A client was closed because it did not read (element number, address).
    void clientDropped(int index, const QString& address);
    // A connection request was accepted into element index.
    void clientAccepted(int index);

private:
    struct Element {
        QPointer<QTcpSocket> socket;
        bool peerClosed = false;
        QString address;
    };

    void onNewConnection();
    void onSocketError(QTcpSocket* socket, QAbstractSocket::SocketError error);
    int indexOf(const QTcpSocket* socket) const;
    void closeElement(int index);
    void setStatus(bool visible, zv::Rgb colour);
    void setToolTip(const QString& text);

    QTcpServer m_server;
    quint16 m_port = 1000;
    QString m_address;
    QString m_portSettingFile;
    QAbstractSocket::SocketError m_openError = QAbstractSocket::UnknownSocketError;
    QList<Element> m_elements; // m_elements[i - 1] is element i
    bool m_statusVisible = false;
    zv::Rgb m_statusColour;
    QString m_toolTip;
};

} // namespace zelvan
