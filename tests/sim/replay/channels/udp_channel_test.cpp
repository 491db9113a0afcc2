// The UDP channel with real sockets on the loopback network.
#include "test_data.h"

#include "sim/replay/channels/udp_channel.h"

#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using namespace zelvan;

namespace {

struct Receiver {
    QUdpSocket socket;
    QByteArrayList datagrams;
    explicit Receiver(const QHostAddress& address)
    {
        socket.bind(address, 0);
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [this] {
            while (socket.hasPendingDatagrams())
                datagrams.append(socket.receiveDatagram().data());
        });
    }
    bool waitFor(qsizetype count)
    {
        return QTest::qWaitFor([&] { return datagrams.size() >= count; }, 5000);
    }
};

} // namespace

TEST(UdpChannel, SendsOneSentenceWithItsLineEndPerDatagram)
{
    Receiver receiver(QHostAddress::LocalHost);
    UdpChannel channel;
    channel.setHost(QStringLiteral("localhost")); // a name, resolved at open
    channel.setPort(receiver.socket.localPort());
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    QSignalSpy failures(&channel, &OutputChannel::failed);

    const QByteArrayList sentences = channeltest::foretrexSentences();
    ASSERT_FALSE(sentences.isEmpty());
    for (const QByteArray& s : sentences)
        channel.send(s);
    ASSERT_TRUE(receiver.waitFor(sentences.size()));
    QByteArrayList expected;
    for (const QByteArray& s : sentences)
        expected.append(s + "\r\n");
    EXPECT_EQ(receiver.datagrams, expected);

    // Closed: nothing more goes out.
    channel.close();
    channel.send("$GPTXT,closed");
    QTest::qWait(100);
    EXPECT_EQ(receiver.datagrams.size(), sentences.size());

    // The next run opens it again.
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    channel.send("$GPTXT,again");
    ASSERT_TRUE(receiver.waitFor(sentences.size() + 1));
    EXPECT_EQ(receiver.datagrams.last(), QByteArray("$GPTXT,again\r\n"));
    EXPECT_TRUE(failures.isEmpty());
}

TEST(UdpChannel, ReachesListenersThroughABroadcastAddress)
{
    // The loopback net's broadcast address: refused by the system unless the
    // socket may broadcast.
    Receiver receiver(QHostAddress::AnyIPv4);
    UdpChannel channel;
    channel.setHost(QStringLiteral("127.255.255.255"));
    channel.setPort(receiver.socket.localPort());
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    QSignalSpy failures(&channel, &OutputChannel::failed);
    channel.send("$GPTXT,everyone");
    ASSERT_TRUE(receiver.waitFor(1)) << failures.value(0).value(0).toString().toStdString();
    EXPECT_EQ(receiver.datagrams.first(), QByteArray("$GPTXT,everyone\r\n"));
}

TEST(UdpChannel, AHostThatDoesNotResolveIsAClearErrorAtOpen)
{
    UdpChannel channel;
    channel.setHost(QStringLiteral("no-such-host.invalid"));
    channel.setPort(10110);
    QString error;
    EXPECT_FALSE(channel.open(&error));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-host.invalid"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("does not resolve"))) << error.toStdString();
    channel.send("$GPTXT,dropped"); // no crash, nothing sent

    channel.setHost(QStringLiteral("127.0.0.1"));
    channel.setPort(0);
    EXPECT_FALSE(channel.open(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("port"))) << error.toStdString();
}
