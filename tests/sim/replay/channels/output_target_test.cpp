// Outputs named on the command line: the forms a user writes, the mistakes
// the parser must name, and the channels made from them.
#include "channel_peers.h"

#include "sim/replay/channels/output_target.h"
#include "sim/replay/channels/printer_channel.h"
#include "sim/replay/channels/pty_channel.h"
#include "sim/replay/channels/serial_channel.h"
#include "sim/replay/channels/stdout_channel.h"
#include "sim/replay/channels/tcp_client_channel.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/replay/channels/udp_channel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

using namespace zelvan;
using Kind = OutputTarget::Kind;

TEST(OutputTarget, ReadsEveryForm)
{
    struct Case {
        const char* text;
        OutputTarget expected;
    } cases[] = {
        {"-", {Kind::Stdout, {}, 0, {}, 0}},
        {"tcp", {Kind::TcpServer, {}, 0, {}, 0}},
        {"TCP:10110", {Kind::TcpServer, {}, 10110, {}, 0}},
        {"tcp:127.0.0.1:10110", {Kind::TcpServer, "127.0.0.1", 10110, {}, 0}},
        {"tcp:[::1]:10110", {Kind::TcpServer, "::1", 10110, {}, 0}},
        {"tcp:localhost:10110", {Kind::TcpServer, "localhost", 10110, {}, 0}},
        {"tcp-client:127.0.0.1:2947", {Kind::TcpClient, "127.0.0.1", 2947, {}, 0}},
        {"tcp-client:[::1]:2947", {Kind::TcpClient, "::1", 2947, {}, 0}},
        {"udp:192.168.1.255", {Kind::Udp, "192.168.1.255", 10110, {}, 0}},
        {"udp:localhost:5000", {Kind::Udp, "localhost", 5000, {}, 0}},
        {"udp:[ff02::1]", {Kind::Udp, "ff02::1", 10110, {}, 0}},
        {"udp:ff02::1", {Kind::Udp, "ff02::1", 10110, {}, 0}}, // a bare v6 address: no port to split off
        {"pty", {Kind::Pty, {}, 0, {}, 0}},
        {"pty:/tmp/gps0", {Kind::Pty, {}, 0, "/tmp/gps0", 0}},
        {"COM3", {Kind::Com, {}, 0, {}, 3}},
        {"com12", {Kind::Com, {}, 0, {}, 12}},
        {"LPT1", {Kind::Lpt, {}, 0, {}, 1}},
        {"/dev/ttyUSB0", {Kind::Device, {}, 0, "/dev/ttyUSB0", 0}},
        {"./ttyA", {Kind::Device, {}, 0, "./ttyA", 0}},
    };
    for (const Case& c : cases) {
        QString error;
        const auto target = parseOutputTarget(QString::fromLatin1(c.text), &error);
        ASSERT_TRUE(target.has_value()) << c.text << ": " << error.toStdString();
        EXPECT_EQ(*target, c.expected) << c.text;
    }
}

TEST(OutputTarget, NamesWhatIsWrong)
{
    struct Case {
        const char* text;
        const char* inError;
    } cases[] = {
        {"tcp:0", "no port number"},
        {"tcp:65536", "no port number"},
        {"tcp:", "no port number"},
        {"tcp:10110x", "no port number"},
        {"tcp:127.0.0.1:", "names no port"},
        {"tcp:127.0.0.1", "names no port"},
        {"tcp:::1:10110", "in brackets"},
        {"tcp:gps.example:10110", "not an address"},
        {"tcp-client:localhost", "names no port"},
        {"tcp-client::2947", "names no host"},
        {"tcp-client:::1:2947", "in brackets"},
        {"tcp-client:[::1:2947", "closing"},
        {"udp:", "names no host"},
        {"udp:host:", "names no port"},
        {"udp:host:70000", "no port number"},
        {"pty:", "names no link"},
        {"COM0", "count from 1"},
        {"serial", "unknown output"},
        {"", "unknown output"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(parseOutputTarget(QString::fromLatin1(c.text), &error).has_value()) << c.text;
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.inError))) << c.text << ": " << error.toStdString();
    }
}

TEST(OutputTarget, ChannelsTakeTheSettingsFilesPortsAndDevices)
{
    QTemporaryDir home;
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[TCP]\r\nPort=4711\r\nAddress=127.0.0.1\r\n[Devices]\r\nCOM3=/dev/pts/77\r\nLPT2=" + home.path().toUtf8() + "/lp\r\n");
    ini.close();
    QString error;

    auto tcp = createOutputChannel(*parseOutputTarget(QStringLiteral("tcp"), nullptr), home.path(), &error);
    ASSERT_TRUE(qobject_cast<TcpServerChannel*>(tcp.get()));
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcp.get())->port(), 4711);
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcp.get())->address(), QStringLiteral("127.0.0.1"));
    // Refused, the port from the settings file names its setting (4711 is
    // taken here, by the squatter or by whoever the squatter lost it to).
    QTcpServer squatter;
    squatter.listen(QHostAddress::LocalHost, 4711);
    ASSERT_FALSE(tcp->open(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("[TCP] Port in ") + ini.fileName())) << error.toStdString();
    auto tcpGiven = createOutputChannel(*parseOutputTarget(QStringLiteral("tcp:5001"), nullptr), home.path(), &error);
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcpGiven.get())->port(), 5001);
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcpGiven.get())->address(), QStringLiteral("127.0.0.1"));
    auto tcpV6 = createOutputChannel(*parseOutputTarget(QStringLiteral("tcp:[::1]:5002"), nullptr), home.path(), &error);
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcpV6.get())->port(), 5002);
    EXPECT_EQ(static_cast<TcpServerChannel*>(tcpV6.get())->address(), QStringLiteral("::1"));

    auto com = createOutputChannel(*parseOutputTarget(QStringLiteral("COM3"), nullptr), home.path(), &error);
    ASSERT_TRUE(qobject_cast<SerialChannel*>(com.get()));
    EXPECT_EQ(static_cast<SerialChannel*>(com.get())->devicePath(), QStringLiteral("/dev/pts/77"));
    auto com4 = createOutputChannel(*parseOutputTarget(QStringLiteral("COM4"), nullptr), home.path(), &error);
    EXPECT_EQ(static_cast<SerialChannel*>(com4.get())->devicePath(), QStringLiteral("/dev/ttyS3"));
    auto device = createOutputChannel(*parseOutputTarget(QStringLiteral("/dev/ttyACM0"), nullptr), home.path(), &error);
    EXPECT_EQ(static_cast<SerialChannel*>(device.get())->devicePath(), QStringLiteral("/dev/ttyACM0"));

    auto lpt = createOutputChannel(*parseOutputTarget(QStringLiteral("LPT2"), nullptr), home.path(), &error);
    ASSERT_TRUE(qobject_cast<PrinterChannel*>(lpt.get()));
    EXPECT_EQ(static_cast<PrinterChannel*>(lpt.get())->devicePath(), home.path() + QStringLiteral("/lp"));
    // The printer device must exist: a missing one is an open failure, never a new file.
    EXPECT_FALSE(lpt->open(&error));
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/lp")));
}

TEST(OutputTarget, NetworkAndVirtualPortsTakeTheirTargets)
{
    QTemporaryDir home;
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Devices]\r\nCOM3=pty\r\n");
    ini.close();
    QString error;
    auto make = [&](const char* text) {
        return createOutputChannel(*parseOutputTarget(QString::fromLatin1(text), nullptr), home.path(), &error);
    };
    auto pty = make("pty");
    ASSERT_TRUE(qobject_cast<PtyChannel*>(pty.get()));
    EXPECT_EQ(static_cast<PtyChannel*>(pty.get())->linkPath(), QDir(home.path()).filePath(QStringLiteral("ttyZelvan")));
    auto named = make("pty:/tmp/gps0");
    EXPECT_EQ(static_cast<PtyChannel*>(named.get())->linkPath(), QStringLiteral("/tmp/gps0"));
    // COM3=pty in [Devices]: COM3 is the window's virtual serial port.
    auto com3 = make("COM3");
    ASSERT_TRUE(qobject_cast<PtyChannel*>(com3.get()));
    EXPECT_EQ(static_cast<PtyChannel*>(com3.get())->linkPath(), virtualSerialLinkPath(home.path(), 3));
    auto udp = make("udp:192.168.1.255");
    ASSERT_TRUE(qobject_cast<UdpChannel*>(udp.get()));
    EXPECT_EQ(static_cast<UdpChannel*>(udp.get())->host(), QStringLiteral("192.168.1.255"));
    EXPECT_EQ(static_cast<UdpChannel*>(udp.get())->port(), 10110);
    auto client = make("tcp-client:[::1]:2947");
    ASSERT_TRUE(qobject_cast<TcpClientChannel*>(client.get()));
    EXPECT_EQ(static_cast<TcpClientChannel*>(client.get())->host(), QStringLiteral("::1"));
    EXPECT_EQ(static_cast<TcpClientChannel*>(client.get())->port(), 2947);
}

TEST(StdoutChannel, WritesSentencesWithCrLfAndReportsAGoneReader)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    StdoutChannel channel(fds[1]);
    QString error;
    ASSERT_TRUE(channel.open(&error));
    channel.send("$GPRMC,1*00");
    channel.send("$GPGGA,2*00");
    char buffer[64] = {};
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, int(n)), QByteArray("$GPRMC,1*00\r\n$GPGGA,2*00\r\n"));

    QStringList failures;
    QObject::connect(&channel, &OutputChannel::failed, [&failures](const QString& m) { failures << m; });
    ::close(fds[0]);
    // SIGPIPE is ignored by the headless program; the test does the same for this write.
    auto* previous = std::signal(SIGPIPE, SIG_IGN);
    channel.send("$GPRMC,3*00");
    channel.send("$GPRMC,4*00");
    std::signal(SIGPIPE, previous);
    ::close(fds[1]);
    EXPECT_EQ(failures.size(), 1);
    EXPECT_FALSE(channel.isOpen());
}

TEST(StdoutChannel, AReaderThatNeverReadsIsDroppedWithoutEverWaiting)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    StdoutChannel channel(fds[1]);
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    QStringList failures;
    QObject::connect(&channel, &OutputChannel::failed, [&failures](const QString& m) { failures << m; });
    const QByteArray sentence = "$GPRMC,200008,A,5504.4344,N,01025.5385,E,0.0,0.0,260810,1.0,E,D*16";
    channeltest::BlockWatch watch(5000, channeltest::readUntilDone(fds[0]));
    // Several times what the pipe and the backlog hold together.
    for (int i = 0; i < 10000 && channel.isOpen(); ++i)
        channel.send(sentence);
    EXPECT_FALSE(watch.finish()) << "a sentence waited for the reader";
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("does not read"))) << failures[0].toStdString();
    EXPECT_FALSE(channel.isOpen());
    ::close(fds[0]);
    ::close(fds[1]);
}
