#pragma once
// Zelvan as a TCP client: it connects to a listening program (a multiplexer,
// a navigation program's network input, a test tool) and sends every
// sentence while connected. Without a connection sentences are dropped and a
// new attempt is made every kRetryMs; the caller never waits.
//
// open() succeeds once the first attempt is started: a listener that comes up
// later is found without a restart of the run. That nobody listens is
// reported through failed() once per lost connection (and the channel keeps
// trying), so a run never stays silent about it.
#include "sim/replay/output_channel.h"

#include <QTcpSocket>
#include <QTimer>

namespace zelvan {

class TcpClientChannel : public OutputChannel {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 3000;
    // An attempt still not answered after this is given up and started anew
    // (a host that swallows the request would otherwise hold it for minutes).
    static constexpr int kConnectTimeoutMs = 10000;
    // Unsent bytes beyond this mean the peer does not read: sentences are
    // dropped until it catches up, so memory does not grow.
    static constexpr qint64 kMaxBacklog = 64 * 1024;

    explicit TcpClientChannel(QObject* parent = nullptr);
    ~TcpClientChannel() override;

    void setHost(const QString& host) { m_host = host; }
    void setPort(quint16 port) { m_port = port; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    void setRetryMs(int ms) { m_retry.setInterval(ms); }

    // False only for a target that cannot work (no host, port 0).
    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_wanted; }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray& sentence) override;

    qint64 droppedSentences() const { return m_dropped; }
    qint64 unsentBytes() const { return m_socket.bytesToWrite(); }

Q_SIGNALS:
    void connectedChanged(bool connected);

private:
    void attempt();
    void onStateChanged(QAbstractSocket::SocketState state);
    void onError(QAbstractSocket::SocketError error);
    QString target() const;

    QTcpSocket m_socket;
    QTimer m_retry;
    QTimer m_connectTimeout;
    QString m_host;
    quint16 m_port = 0;
    bool m_wanted = false;
    bool m_wasConnected = false;
    bool m_reportedSinceConnected = false;
    qint64 m_dropped = 0;
};

} // namespace zelvan
