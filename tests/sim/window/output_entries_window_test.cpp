// The window's virtual serial port (a COM entry set to "pty") and its UDP
// entry, with a real reader of the link and a real UDP socket.
#include "sim/replay/replay_harness.h"

#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/port_list.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <fcntl.h>
#include <unistd.h>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

QByteArray withLineEnds(const QList<QByteArray>& sentences, qsizetype from = 0)
{
    QByteArray out;
    for (qsizetype i = from; i < sentences.size(); ++i)
        out += sentences[i] + "\r\n";
    return out;
}

} // namespace

TEST(OutputEntriesWindow, AComEntrySetToPtyIsAVirtualSerialPortThatAReaderOfItsLinkHears)
{
    ReplayHarness h("[Port]\r\nCOM= 2\r\n[Devices]\r\nCOM3=pty\r\n");
    auto* portC = h.window->findChild<QComboBox*>(QStringLiteral("PortC"));
    auto* portL = h.window->findChild<QLabel*>(QStringLiteral("PortL"));
    ASSERT_TRUE(portC && portL);
    EXPECT_EQ(portC->currentText(), QStringLiteral("COM3"));
    const QString link = virtualSerialLinkPath(h.home.path(), 3);
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    ASSERT_TRUE(h.loadData(QStringLiteral("replay/gpsd_foretrex-201.log")));
    ASSERT_TRUE(QFileInfo(link).isSymLink()) << h.dialogs.shown.value(0).text.toStdString();
    EXPECT_TRUE(portL->toolTip().contains(link)) << portL->toolTip().toStdString();

    const int fd = ::open(QFile::encodeName(link).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const qsizetype from = h.channel.sent.size();
    QByteArray got;
    auto poll = [&] {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            got.append(buffer, n);
    };
    while (h.state().replayActive) {
        h.runTick();
        poll();
    }
    const QByteArray expected = withLineEnds(h.channel.sent, from);
    ASSERT_GT(expected.size(), 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        poll();
        return got.size() >= expected.size();
    }, 5000));
    EXPECT_EQ(got, expected);
    ::close(fd);

    // The run is over: the link and its tool tip are gone.
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(portL->toolTip().contains(link));
    EXPECT_TRUE(h.dialogs.shown.isEmpty());
}

TEST(OutputEntriesWindow, TheUdpEntryAfterTheStoredOnesSendsEverySentenceAsADatagram)
{
    QUdpSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost, 0));
    QList<QByteArray> datagrams;
    QObject::connect(&receiver, &QUdpSocket::readyRead, &receiver, [&] {
        while (receiver.hasPendingDatagrams())
            datagrams.append(receiver.receiveDatagram().data());
    });
    ReplayHarness h("[Port]\r\nCOM= 24\r\n[UDP]\r\nHost=127.0.0.1\r\nPort=" + QByteArray::number(receiver.localPort())
                    + "\r\n");
    auto* portC = h.window->findChild<QComboBox*>(QStringLiteral("PortC"));
    ASSERT_TRUE(portC);
    ASSERT_EQ(portC->count(), kPortListSize);
    EXPECT_EQ(portC->itemText(kTcpIndex), QStringLiteral("TCP 1000"));
    EXPECT_EQ(portC->currentIndex(), kUdpIndex);
    EXPECT_EQ(portC->currentText(), QStringLiteral("UDP"));

    ASSERT_TRUE(h.loadData(QStringLiteral("replay/gpsd_foretrex-201.log")));
    while (h.state().replayActive) {
        h.runTick();
        QCoreApplication::processEvents();
    }
    ASSERT_GT(h.channel.sent.size(), 10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return datagrams.size() >= h.channel.sent.size(); }, 5000));
    QList<QByteArray> expected;
    for (const QByteArray& s : h.channel.sent)
        expected.append(s + "\r\n");
    EXPECT_EQ(datagrams, expected);
    EXPECT_TRUE(h.dialogs.shown.isEmpty());
}

TEST(OutputEntriesWindow, AUsersFileWhereTheLinkGoesIsReportedAndLeftAlone)
{
    ReplayHarness h("[Port]\r\nCOM= 0\r\n[Devices]\r\nCOM1=pty\r\n");
    const QString link = virtualSerialLinkPath(h.home.path(), 1);
    {
        QFile mine(link);
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("notes\n");
    }
    ASSERT_TRUE(h.loadData(QStringLiteral("replay/gpsd_foretrex-201.log")));
    h.runToEnd(100); // the run goes on without output
    ASSERT_EQ(h.dialogs.shown.size(), 1);
    EXPECT_TRUE(h.dialogs.shown.first().text.contains(QStringLiteral("not a symbolic link")))
        << h.dialogs.shown.first().text.toStdString();
    QFile mine(link);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("notes\n"));
}
