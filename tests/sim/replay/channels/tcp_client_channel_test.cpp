// The TCP client channel against a real listener on 127.0.0.1 that comes,
// goes and comes back.
#include "channel_peers.h"

#include "sim/replay/channels/tcp_client_channel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zelvan;

namespace {

// A listener that keeps what its one client sends.
struct Listener {
    QTcpServer server;
    QPointer<QTcpSocket> client;
    QByteArray got;
    bool listen(quint16 port)
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, client, [this] { got += client->readAll(); });
        });
        return server.listen(QHostAddress::LocalHost, port);
    }
    bool waitForClient() { return QTest::qWaitFor([&] { return !client.isNull(); }, 10000); }
};

} // namespace

TEST(TcpClientChannel, SendsWhileConnectedDropsWhileNotAndReconnectsAfterThePeerComesBack)
{
    const quint16 port = channeltest::freePort();
    TcpClientChannel channel;
    channel.setHost(QStringLiteral("127.0.0.1"));
    channel.setPort(port);
    channel.setRetryMs(300); // the default 3 s, shortened for the test
    QSignalSpy failures(&channel, &OutputChannel::failed);

    // Nobody listens yet: open still succeeds, says so once, and keeps trying.
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.size() >= 1; }, 5000));
    const QString refused = failures.first().first().toString();
    EXPECT_TRUE(refused.contains(QStringLiteral("127.0.0.1:%1").arg(port))) << refused.toStdString();
    channel.send("$GPTXT,lost");
    EXPECT_EQ(channel.droppedSentences(), 1);
    QTest::qWait(800); // several failed attempts
    EXPECT_EQ(failures.size(), 1);

    auto listener = std::make_unique<Listener>();
    ASSERT_TRUE(listener->listen(port));
    ASSERT_TRUE(listener->waitForClient());
    ASSERT_TRUE(QTest::qWaitFor([&] { return channel.isConnected(); }, 5000));
    channel.send("$GPTXT,one");
    channel.send("$GPTXT,two");
    ASSERT_TRUE(QTest::qWaitFor([&] { return listener->got.size() >= 24; }, 5000));
    EXPECT_EQ(listener->got, QByteArray("$GPTXT,one\r\n$GPTXT,two\r\n"));

    // The peer goes away: reported once, sentences dropped, then a new
    // listener on the same port gets the connection back.
    const int before = int(failures.size());
    listener.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !channel.isConnected(); }, 5000));
    channel.send("$GPTXT,nobody");
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.size() > before; }, 5000));
    QTest::qWait(700);
    EXPECT_EQ(failures.size(), before + 1);

    Listener again;
    ASSERT_TRUE(again.listen(port));
    ASSERT_TRUE(again.waitForClient());
    ASSERT_TRUE(QTest::qWaitFor([&] { return channel.isConnected(); }, 5000));
    channel.send("$GPTXT,three");
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.got.size() >= 14; }, 5000));
    EXPECT_EQ(again.got, QByteArray("$GPTXT,three\r\n"));

    // Closed: no more attempts.
    channel.close();
    EXPECT_FALSE(channel.isOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.client.isNull() || again.client->state() != QAbstractSocket::ConnectedState; }, 5000));
}

TEST(TcpClientChannel, APeerThatNeverReadsDoesNotGrowMemory)
{
    // A raw listener whose accepted connection is never read.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);

    TcpClientChannel channel;
    channel.setHost(QStringLiteral("127.0.0.1"));
    channel.setPort(ntohs(addr.sin_port));
    QString error;
    ASSERT_TRUE(channel.open(&error));
    ASSERT_TRUE(QTest::qWaitFor([&] { return channel.isConnected(); }, 5000));

    const QByteArray sentence(78, 'x');
    for (int i = 0; i < 40000; ++i) { // 3 MB
        channel.send(sentence);
        if (i % 1000 == 0)
            QTest::qWait(1);
        ASSERT_LE(channel.unsentBytes(), TcpClientChannel::kMaxBacklog + sentence.size() + 2);
    }
    EXPECT_GT(channel.droppedSentences(), 0);
    EXPECT_TRUE(channel.isConnected());
    channel.close();
    ::close(fd);
}
