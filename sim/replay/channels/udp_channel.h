#pragma once
// Sentences as UDP datagrams, one sentence with its CR LF per datagram, to
// one host and port (a broadcast address reaches every listener on that net).
#include "sim/replay/output_channel.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace zelvan {

class UdpChannel : public OutputChannel {
    Q_OBJECT
public:
    explicit UdpChannel(QObject* parent = nullptr);

    // Take effect at the next open.
    void setHost(const QString& host) { m_host = host; }
    void setPort(quint16 port) { m_port = port; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    // The address the host name resolved to at open.
    QHostAddress address() const { return m_address; }

    // Resolves the host name once (a name lookup may take a moment; sending
    // never looks anything up) and makes the socket; fails for a name that
    // does not resolve or port 0.
    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override;

private:
    QUdpSocket m_socket;
    QString m_host = QStringLiteral("127.0.0.1");
    quint16 m_port = 10110;
    QHostAddress m_address;
    bool m_open = false;
    bool m_reported = false;
};

} // namespace zelvan
