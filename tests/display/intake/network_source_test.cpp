// Network sources named in [Devices]: a TCP peer on 127.0.0.1 that goes away
// and comes back, a refusing peer, UDP datagrams, and values that cannot work.
#include "display/intake/intake.h"
#include "display/intake/receiver_source.h"
#include "display/window/display_window.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace vur;

namespace {

constexpr const char* kEpoch = "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                               "$GPGSV,1,1,08,05,1,1,40,02,1,1,20,,,,,,,,*00\r\n"
                               "$GPGSA,A,3,05,02,,,,,,,,,,,2,1,1*00\r\n"
                               "$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A\r\n";

struct Home {
    QTemporaryDir dir;
    explicit Home(const QString& com1)
    {
        QFile ini(QDir(dir.path()).filePath(QStringLiteral("Vur.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Devices]\r\nCOM1=" + com1.toLatin1() + "\r\nCOM2=/nonexistent/vur-port\r\n");
    }
};

struct Window {
    Home home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow window;
    explicit Window(const QString& com1) : home(com1), window(home.dir.path(), &dialogs) {}
    QString text(const char* name) const { return window.findChild<QLabel*>(QString::fromUtf8(name))->text(); }
    bool waitText(const char* name, const QString& want, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return text(name) == want; }, ms);
    }
    bool waitContains(const char* name, const QString& part, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return text(name).contains(part); }, ms);
    }
    QTimer* retryTimer() const { return window.findChild<QTimer*>(QStringLiteral("Reconnect")); }
};

quint16 closedTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

QTcpSocket* acceptPeer(QTcpServer& server, int ms = 5000)
{
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, ms))
        return nullptr;
    return server.nextPendingConnection();
}

} // namespace

TEST(NetworkSource, ParsesDeviceValues)
{
    using K = NetworkEndpoint::Kind;
    struct Case {
        const char* value;
        bool network;
        K kind;
        const char* host;
        quint16 port;
        const char* description; // empty: the value is refused
    };
    const Case cases[] = {
        {"tcp:127.0.0.1:10110", true, K::Tcp, "127.0.0.1", 10110, "tcp 127.0.0.1:10110"},
        {"TCP:gps.local:2947", true, K::Tcp, "gps.local", 2947, "tcp gps.local:2947"},
        {" tcp://localhost:1000 ", true, K::Tcp, "localhost", 1000, "tcp localhost:1000"},
        {"tcp:[::1]:10110", true, K::Tcp, "::1", 10110, "tcp [::1]:10110"},
        {"udp:10110", true, K::Udp, "", 10110, "udp :10110"},
        {"udp::10110", true, K::Udp, "", 10110, "udp :10110"},
        {"udp:127.0.0.1:10110", true, K::Udp, "127.0.0.1", 10110, "udp 127.0.0.1:10110"},
        // Refused with a reason.
        {"tcp:localhost", true, K::Tcp, "", 0, ""},
        {"tcp:10110", true, K::Tcp, "", 0, ""},
        {"tcp::10110", true, K::Tcp, "", 0, ""},
        {"tcp:host:0", true, K::Tcp, "", 0, ""},
        {"tcp:host:65536", true, K::Tcp, "", 0, ""},
        {"tcp:host:port", true, K::Tcp, "", 0, ""},
        {"tcp:::1:10110", true, K::Tcp, "", 0, ""},
        {"tcp:[::1]10110", true, K::Tcp, "", 0, ""},
        {"udp:", true, K::Udp, "", 0, ""},
        // Not network values at all.
        {"/dev/ttyUSB0", false, K::Tcp, "", 0, ""},
        {"COM3", false, K::Tcp, "", 0, ""},
        {"tcp", false, K::Tcp, "", 0, ""},
    };
    for (const Case& c : cases) {
        const NetworkSpec parsed = parseNetworkSource(QString::fromLatin1(c.value));
        if (!c.network) {
            EXPECT_FALSE(parsed.endpoint) << c.value;
            EXPECT_TRUE(parsed.error.isEmpty()) << c.value;
            continue;
        }
        if (*c.description == '\0') {
            EXPECT_FALSE(parsed.endpoint) << c.value;
            EXPECT_TRUE(parsed.error.startsWith(QString::fromLatin1(c.value).trimmed() + QStringLiteral(": ")))
                << c.value << " -> " << parsed.error.toStdString();
            continue;
        }
        ASSERT_TRUE(parsed.endpoint) << c.value << " -> " << parsed.error.toStdString();
        EXPECT_EQ(parsed.endpoint->kind, c.kind) << c.value;
        EXPECT_EQ(parsed.endpoint->host, QString::fromLatin1(c.host)) << c.value;
        EXPECT_EQ(parsed.endpoint->port, c.port) << c.value;
        EXPECT_EQ(parsed.endpoint->description(), QString::fromLatin1(c.description)) << c.value;
    }
}

TEST(NetworkSource, TcpPeerStoppedAndRestartedIsReadAgain)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    const QString name = QStringLiteral("tcp 127.0.0.1:") + QString::number(port);
    Window w(QStringLiteral("tcp:127.0.0.1:") + QString::number(port));
    QSignalSpy reports(w.window.intake(), &Intake::failureReported);

    QTcpSocket* peer = acceptPeer(server);
    ASSERT_TRUE(peer);
    EXPECT_TRUE(w.waitText("GPSL", name)) << w.text("GPSL").toStdString();
    peer->write(kEpoch);
    ASSERT_TRUE(w.waitText("SPEED", QStringLiteral("19")));
    EXPECT_EQ(w.text("GPSL"), QStringLiteral("GPS ok   3D-NAV   8/8 Sat"));

    // The peer goes away in the middle of a sentence.
    peer->write("$GPRMC,113001,A,48");
    peer->flush();
    QTest::qWait(100);
    peer->close();
    server.close();
    ASSERT_TRUE(w.waitContains("GPSL", QStringLiteral(", reconnecting in 3 s"))) << w.text("GPSL").toStdString();
    EXPECT_TRUE(w.text("GPSL").startsWith(name + QStringLiteral(": ")));
    QTimer* retry = w.retryTimer();
    ASSERT_TRUE(retry);
    EXPECT_TRUE(retry->isActive());
    EXPECT_EQ(retry->interval(), TcpSource::reconnectMs);
    retry->setInterval(200); // the wait itself is not what this test is about

    // While it is away every attempt is refused; the window stays usable.
    ASSERT_TRUE(w.waitContains("GPSL", QStringLiteral("refused"))) << w.text("GPSL").toStdString();
    const qsizetype reportsWhileAway = reports.size();
    QTest::qWait(700);
    EXPECT_EQ(reports.size(), reportsWhileAway); // the same refusal is not reported again and again

    // Back on the same port: read again, and the cut sentence is not glued to the new stream.
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
    peer = acceptPeer(server);
    ASSERT_TRUE(peer);
    EXPECT_TRUE(w.waitText("GPSL", name));
    peer->write("$GPGGA,113002,4807.038,N,01131.000,E,1,09,0.9,600.0,M,46.9,M,,*00\r\n"
                "$GPRMC,113002,A,4807.038,N,01131.000,E,20.0,084.4,061226,003.1,W*00\r\n");
    EXPECT_TRUE(w.waitText("SPEED", QStringLiteral("37")));
    EXPECT_EQ(w.text("Höhe"), QStringLiteral("600"));
}

TEST(NetworkSource, RefusedAtStartKeepsTryingUntilThePeerListens)
{
    const quint16 port = closedTcpPort();
    Window w(QStringLiteral("tcp:127.0.0.1:") + QString::number(port));
    ASSERT_TRUE(w.waitContains("GPSL", QStringLiteral("reconnecting"))) << w.text("GPSL").toStdString();
    EXPECT_TRUE(w.text("GPSL").startsWith(QStringLiteral("tcp 127.0.0.1:") + QString::number(port)
                                          + QStringLiteral(": Connection refused")))
        << w.text("GPSL").toStdString();
    w.retryTimer()->setInterval(200);

    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
    QTcpSocket* peer = acceptPeer(server);
    ASSERT_TRUE(peer);
    peer->write(kEpoch);
    EXPECT_TRUE(w.waitText("SPEED", QStringLiteral("19")));
}

TEST(NetworkSource, ChoosingAnotherPortStopsReconnecting)
{
    const quint16 port = closedTcpPort();
    Window w(QStringLiteral("tcp:127.0.0.1:") + QString::number(port));
    ASSERT_TRUE(w.waitContains("GPSL", QStringLiteral("reconnecting")));
    w.retryTimer()->setInterval(100);
    w.window.findChild<QScrollBar*>(QStringLiteral("PortS"))->setValue(7); // COM2
    EXPECT_EQ(w.text("PortL"), QStringLiteral("COM2"));
    EXPECT_TRUE(w.text("GPSL").startsWith(QStringLiteral("COM2: ")));
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
    QTest::qWait(500);
    EXPECT_FALSE(server.hasPendingConnections());
    EXPECT_EQ(w.retryTimer(), nullptr);
}

TEST(NetworkSource, UdpDatagramsFeedTheIntake)
{
    const quint16 port = freeUdpPort();
    ASSERT_NE(port, 0);
    Window w(QStringLiteral("udp:") + QString::number(port));
    EXPECT_EQ(w.text("GPSL"), QStringLiteral("udp :") + QString::number(port));

    QUdpSocket sender;
    const QByteArray lines = kEpoch;
    const QList<QByteArray> sentences = lines.split('\n');
    // The GGA with its line end, the others one per datagram without any:
    // each datagram still ends its sentence.
    sender.writeDatagram(sentences[0] + "\n", QHostAddress::LocalHost, port);
    for (int i = 1; i < 4; ++i)
        sender.writeDatagram(sentences[i].trimmed(), QHostAddress::LocalHost, port);
    EXPECT_TRUE(w.waitText("SPEED", QStringLiteral("19")));
    EXPECT_EQ(w.text("GPSL"), QStringLiteral("GPS ok   3D-NAV   8/8 Sat"));
    EXPECT_EQ(w.window.intake()->dispatchedCount(), 4);
}

// Datagrams at full speed from another thread fill the socket's queue while the
// display reads; once they stop, the next epoch must still be shown and the
// status line must have said that datagrams were lost.
TEST(NetworkSource, UdpFloodLeavesTheDisplayReading)
{
    const quint16 port = freeUdpPort();
    ASSERT_NE(port, 0);
    Window w(QStringLiteral("udp:127.0.0.1:") + QString::number(port));
    ASSERT_EQ(w.text("GPSL"), QStringLiteral("udp 127.0.0.1:") + QString::number(port));
    QSignalSpy reports(w.window.intake(), &Intake::failureReported);

    std::atomic<bool> stop{false};
    std::thread flood([port, &stop] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const QByteArray rmc = "$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A\r\n";
        // Bounded in count and time: loopback only, never more than 3 s.
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 3'000'000 && !stop && clock.elapsed() < 3000; ++i)
            ::sendto(fd, rmc.constData(), size_t(rmc.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ::close(fd);
    });
    QTest::qWait(3200);
    stop = true;
    flood.join();

    // A receiver's next epochs, a few a second: the first ones may still meet
    // a full queue, but the display must be back on them at once.
    QUdpSocket sender;
    QElapsedTimer since;
    since.start();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        sender.writeDatagram("$GPGGA,113005,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n"
                             "$GPRMC,113005,A,4807.038,N,01131.000,E,20.0,084.4,061226,003.1,W*00\r\n",
                             QHostAddress::LocalHost, port);
        QTest::qWait(100);
        return w.text("SPEED") == QStringLiteral("37");
    }, 5000)) << w.text("SPEED").toStdString();
    RecordProperty("epoch_shown_after_ms", int(since.elapsed()));
    bool said = false;
    for (const QList<QVariant>& r : reports)
        said = said || r.at(0).toString().contains(QStringLiteral("datagrams dropped"));
    EXPECT_TRUE(said);
}

TEST(NetworkSource, UnusableValueIsReportedAndNothingIsOpened)
{
    Window w(QStringLiteral("tcp:localhost"));
    EXPECT_EQ(w.text("GPSL"), QStringLiteral("COM1: tcp:localhost: tcp needs a host and a port, tcp:HOST:PORT"));
    EXPECT_EQ(w.window.intake()->source(), nullptr);
    EXPECT_EQ(w.retryTimer(), nullptr);
}
