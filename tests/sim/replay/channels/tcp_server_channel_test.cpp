// The TCP server with real clients on 127.0.0.1.
#include "channel_peers.h"
#include "support/scripted_dialogs.h"
#include "test_data.h"

#include "sim/replay/channels/output_port.h"
#include "sim/window/output_port_widgets.h"
#include "sim/window/sim_controls.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zelvan;

namespace {

struct Client {
    QTcpSocket socket;
    QByteArray got;

    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { got += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
};

// Connects and never reads: what a stuck navigation program looks like.
struct SilentClient {
    int fd = -1;
    explicit SilentClient(quint16 port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int small = 4096;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~SilentClient()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct Server {
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    quint16 port = channeltest::freePort();
    std::unique_ptr<OutputPort> output;

    Server()
    {
        QFile ini(zelvanIniPath(home.path()));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[TCP]\r\nPort=" + QByteArray::number(port) + "\r\n");
        ini.close();
        output = std::make_unique<OutputPort>(home.path(), &dialogs);
        output->setOutPortIndex(kTcpIndex);
    }
    TcpServerChannel& tcp() { return *output->tcp(); }
    bool waitForClients(int connected, int ms = 5000)
    {
        return QTest::qWaitFor([&] {
            int n = 0;
            for (int i = 1; i <= tcp().tcpCount(); ++i)
                n += tcp().elementState(i) == TcpElementState::Connected;
            return n == connected;
        }, ms);
    }
    void send(QByteArray s) { output->sendSentence(s); }
};

} // namespace

TEST(TcpServerChannel, ThreeClientsGetEverySentenceAndAFreedElementIsReused)
{
    Server server;
    QWidget tcpStat;
    QLabel portL;
    server.output->setView(std::make_unique<OutputPortWidgets>(PortWidgets{nullptr, &tcpStat, &portL, {}}));
    server.output->startOutput();
    ASSERT_TRUE(server.tcp().isOpen()) << server.dialogs.shown.value(0).text.toStdString();
    EXPECT_TRUE(server.tcp().statusVisible());
    EXPECT_FALSE(tcpStat.isHidden());

    server.send("$GPTXT,nobody");
    EXPECT_EQ(portL.toolTip(), QStringLiteral("No connection"));
    EXPECT_EQ(server.tcp().statusColour(), tcpIdleColour());

    auto c1 = std::make_unique<Client>(server.port);
    Client c2(server.port), c3(server.port);
    ASSERT_TRUE(server.waitForClients(3));
    EXPECT_EQ(server.tcp().tcpCount(), 3);

    const QByteArrayList sentences = channeltest::foretrexSentences();
    QByteArray all;
    for (const QByteArray& s : sentences) {
        server.send(s);
        all += s + "\r\n";
    }
    EXPECT_EQ(server.tcp().statusColour(), tcpConnectedColour());
    EXPECT_EQ(tcpStat.palette().color(QPalette::Window), qColor(tcpConnectedColour()));
    EXPECT_EQ(portL.toolTip(), QStringLiteral("127.0.0.1 127.0.0.1 127.0.0.1 "));
    for (Client* c : {c1.get(), &c2, &c3})
        EXPECT_TRUE(QTest::qWaitFor([&] { return c->got == all; }, 5000));

    // The first client leaves: its element is closed (at once, giving its
    // descriptor back), the next send skips it, the others go on.
    c1->socket.disconnectFromHost();
    c1.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.tcp().elementState(1) == TcpElementState::Closed; }, 5000));
    server.send("$GPTXT,after the first left");
    all += "$GPTXT,after the first left\r\n";
    EXPECT_EQ(server.tcp().elementState(1), TcpElementState::Closed);
    EXPECT_EQ(portL.toolTip(), QStringLiteral("127.0.0.1 127.0.0.1 "));
    EXPECT_EQ(server.tcp().statusColour(), tcpConnectedColour());

    QSignalSpy accepted(&server.tcp(), &TcpServerChannel::clientAccepted);
    Client c4(server.port);
    ASSERT_TRUE(accepted.wait(5000));
    EXPECT_EQ(accepted.first().first().toInt(), 1); // the freed element, not a new one
    EXPECT_EQ(server.tcp().tcpCount(), 3);
    server.send("$GPTXT,four");
    all += "$GPTXT,four\r\n";
    for (Client* c : {&c2, &c3})
        EXPECT_TRUE(QTest::qWaitFor([&] { return c->got == all; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return c4.got == "$GPTXT,four\r\n"; }, 5000));
    EXPECT_TRUE(server.dialogs.shown.isEmpty());

    server.output->stopOutput();
    EXPECT_EQ(server.tcp().tcpCount(), 0);
    EXPECT_TRUE(tcpStat.isHidden());
    EXPECT_EQ(portL.toolTip(), QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return c2.socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
}

TEST(TcpServerChannel, ClientThatDoesNotReadIsDroppedWhileOthersKeepReceiving)
{
    Server server;
    server.output->startOutput();
    ASSERT_TRUE(server.tcp().isOpen());
    Client reader(server.port);
    ASSERT_TRUE(server.waitForClients(1));
    SilentClient silent(server.port);
    ASSERT_GE(silent.fd, 0);
    ASSERT_TRUE(server.waitForClients(2));
    Client late(server.port);
    ASSERT_TRUE(server.waitForClients(3));
    QSignalSpy dropped(&server.tcp(), &TcpServerChannel::clientDropped);

    const QByteArray sentence = channeltest::foretrexSentences().at(40);
    qint64 sent = 0;
    // Loopback buffers hold a few MiB before the backlog starts to grow.
    for (int i = 0; i < 400000 && dropped.isEmpty(); ++i) {
        server.send(sentence);
        sent += sentence.size() + 2;
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped.first().at(0).toInt(), 2);
    EXPECT_EQ(server.tcp().elementState(2), TcpElementState::Closed);
    for (int i = 0; i < 100; ++i) {
        server.send(sentence);
        sent += sentence.size() + 2;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return reader.got.size() == sent && late.got.size() == sent; }, 20000))
        << reader.got.size() << " / " << late.got.size() << " of " << sent;
    EXPECT_TRUE(reader.got.endsWith(sentence + "\r\n"));
    EXPECT_TRUE(server.dialogs.shown.isEmpty());
}

// A burst of clients, every one connecting before the server gets a turn:
// none may be left in the system's queue unaccepted.
TEST(TcpServerChannel, ThousandClientsConnectingAtOnceAreAllServed)
{
    constexpr int kClients = 1000;
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 2 * kClients + 200) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 2 * kClients + 200);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    ASSERT_GE(files.rlim_cur, rlim_t(2 * kClients + 200)) << "ulimit -n is too low for this test";

    Server server;
    server.output->startOutput();
    ASSERT_TRUE(server.tcp().isOpen());
    std::vector<int> fds;
    for (int i = 0; i < kClients; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(server.port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fds.push_back(fd);
    }
    // The system retries a refused handshake after 1 s and then 3 s: anything
    // not accepted by 2 s was left in the queue.
    const bool all = server.waitForClients(kClients, 2000);
    int connected = 0;
    for (int i = 1; i <= server.tcp().tcpCount(); ++i)
        connected += server.tcp().elementState(i) == TcpElementState::Connected;
    EXPECT_TRUE(all) << connected << " of " << kClients << " accepted";

    server.send("$GPTXT,everyone");
    int served = 0;
    QElapsedTimer clock;
    clock.start();
    std::vector<bool> got(fds.size());
    while (served < kClients && clock.elapsed() < 2000) {
        QCoreApplication::processEvents();
        for (size_t i = 0; i < fds.size(); ++i) {
            char buffer[64];
            if (!got[i] && ::recv(fds[i], buffer, sizeof buffer, 0) > 0) {
                got[i] = true;
                ++served;
            }
        }
    }
    EXPECT_EQ(served, kClients);
    for (int fd : fds)
        ::close(fd);
}

TEST(TcpServerChannel, DataFromClientsIsReadAndDiscarded)
{
    Server server;
    server.output->startOutput();
    Client talker(server.port);
    ASSERT_TRUE(server.waitForClients(1));
    const QByteArray noise(256 * 1024, 'x');
    talker.socket.write(noise);
    ASSERT_TRUE(QTest::qWaitFor([&] { return talker.socket.bytesToWrite() == 0; }, 5000));
    QTest::qWait(50);
    server.send("$GPTXT,still here");
    EXPECT_TRUE(QTest::qWaitFor([&] { return talker.got == "$GPTXT,still here\r\n"; }, 5000));
}

TEST(TcpServerChannel, ResetByThePeerShowsNoMessage)
{
    Server server;
    server.output->startOutput();
    {
        SilentClient rude(server.port);
        ASSERT_TRUE(server.waitForClients(1));
        linger hard{1, 0}; // close with a reset instead of a goodbye
        ::setsockopt(rude.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    for (int i = 0; i < 20; ++i) {
        server.send("$GPTXT,to nobody");
        QTest::qWait(10);
    }
    EXPECT_EQ(server.tcp().elementState(1), TcpElementState::Closed);
    EXPECT_TRUE(server.dialogs.shown.isEmpty());
}

TEST(TcpServerChannel, ListensOnTheAddressItIsGivenOrEveryAddress)
{
    const struct {
        const char* address;
        QHostAddress listening;
        bool opens;
    } cases[] = {
        {"", QHostAddress(QHostAddress::Any), true},
        {"127.0.0.1", QHostAddress(QHostAddress::LocalHost), true},
        {"localhost", QHostAddress(QHostAddress::LocalHost), true},
        {"192.0.2.1", QHostAddress(), false}, // not an address of this computer
        {"no.such.host", QHostAddress(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        TcpServerChannel tcp;
        tcp.setAddress(QString::fromLatin1(c.address));
        tcp.setPort(channeltest::freePort());
        QString error;
        ASSERT_EQ(tcp.open(&error), c.opens) << error.toStdString();
        if (c.opens)
            EXPECT_EQ(tcp.listeningAddress(), c.listening);
        else
            EXPECT_TRUE(error.startsWith(QStringLiteral("Winsock-Error No: 10049   TCP "))) << error.toStdString();
    }
}

// A refused port names its setting and offers the alternative for the
// rest of the session, without touching Zelvan.ini (here the port is taken;
// a protected port is the same path with the reason of the table below).
TEST(TcpServerChannel, RefusedPortNamesTheSettingAndOffersAnotherForTheSession)
{
    Server server;
    const QString ini = zelvanIniPath(server.home.path());
    QFile iniFile(ini);
    ASSERT_TRUE(iniFile.open(QIODevice::ReadOnly));
    const QByteArray stored = iniFile.readAll();
    iniFile.close();
    QComboBox portC;
    server.output->setView(std::make_unique<OutputPortWidgets>(PortWidgets{&portC, nullptr, nullptr, {}}));
    server.output->fillPortList();
    EXPECT_EQ(portC.itemText(kTcpIndex), QStringLiteral("TCP %1").arg(server.port));
    const quint16 alternative = channeltest::freePort();
    server.output->setAlternativeTcpPort(alternative);
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, server.port));

    // No: one message per start, the replay's sentences are dropped.
    server.output->startOutput();
    EXPECT_FALSE(server.tcp().isOpen());
    EXPECT_FALSE(server.tcp().statusVisible());
    for (int i = 0; i < 5; ++i)
        server.send("$GPTXT,lost");
    ASSERT_EQ(server.dialogs.shown.size(), 1);
    const QString text = server.dialogs.shown[0].text;
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("Winsock-Error No: 10048   TCP port %1: The bound address is already in use\n").arg(server.port)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[TCP] Port in %1").arg(ini))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("Listen on port %1 instead until Zelvan ends? Zelvan.ini stays as it is.")
                                  .arg(alternative)))
        << text.toStdString();
    server.output->stopOutput();

    // Yes: the server listens on the alternative and the entry says so.
    server.dialogs.queueAnswer(zv::Dialogs::Answer::Yes);
    server.output->startOutput();
    ASSERT_TRUE(server.tcp().isOpen()) << server.dialogs.shown.last().text.toStdString();
    EXPECT_EQ(server.tcp().listeningPort(), alternative);
    EXPECT_EQ(server.dialogs.shown.size(), 2);
    EXPECT_EQ(portC.itemText(kTcpIndex), QStringLiteral("TCP %1").arg(alternative));
    Client client(alternative);
    ASSERT_TRUE(server.waitForClients(1));
    server.send("$GPTXT,here");
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.got == "$GPTXT,here\r\n"; }, 5000));
    server.output->stopOutput();
    // The next start asks nothing; the settings file is as it was.
    server.output->startOutput();
    EXPECT_EQ(server.tcp().listeningPort(), alternative);
    EXPECT_EQ(server.dialogs.shown.size(), 2);
    server.output->stopOutput();
    ASSERT_TRUE(iniFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(iniFile.readAll(), stored);
}

TEST(TcpServerChannel, RefusalNoteSaysWhyAndWhereThePortIsSet)
{
    const struct {
        quint16 port;
        QAbstractSocket::SocketError error;
        const char* ini;
        const char* note;
    } cases[] = {
        {1000, QAbstractSocket::SocketAccessError, "/home/u/Zelvan.ini",
         "Ports below 1024 need administrator rights.\nThe port is set by [TCP] Port in /home/u/Zelvan.ini.\n"
         "Navigation programs usually read NMEA from port 10110."},
        {5000, QAbstractSocket::SocketAccessError, "",
         "The system does not let Zelvan use port 5000.\nNavigation programs usually read NMEA from port 10110."},
        {10110, QAbstractSocket::AddressInUseError, "/z/Zelvan.ini",
         "Another program uses port 10110.\nThe port is set by [TCP] Port in /z/Zelvan.ini."},
        {1000, QAbstractSocket::SocketAddressNotAvailableError, "/z/Zelvan.ini", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tcpPortRefusalNote(c.port, c.error, QString::fromLatin1(c.ini)), QString::fromLatin1(c.note)) << c.port;
}

TEST(TcpServerChannel, MapsQtSocketErrorsToWinsockNumbers)
{
    const struct {
        QAbstractSocket::SocketError qt;
        int winsock;
    } cases[] = {
        {QAbstractSocket::AddressInUseError, 10048},
        {QAbstractSocket::SocketAccessError, 10013},
        {QAbstractSocket::RemoteHostClosedError, 10054},
        {QAbstractSocket::ConnectionRefusedError, 10061},
        {QAbstractSocket::SocketTimeoutError, 10060},
        {QAbstractSocket::SocketResourceError, 10055},
        {QAbstractSocket::OperationError, 40006},
        {QAbstractSocket::NetworkError, 10050},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winsockErrorNumber(c.qt), c.winsock) << c.qt;
}
