// The output port on the real window: the port list, and a replay reaching a
// real TCP client and a real pseudo-terminal through the chosen entry.
#include "common/nmea.h"
#include "sim/replay/channels/output_port.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "support/scripted_dialogs.h"
#include "../replay/channels/channel_peers.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A log of n one-second epochs (RMC and GGA), sentences with checksums.
QByteArrayList smallLog(int n)
{
    QByteArrayList out;
    for (int i = 0; i < n; ++i) {
        const QByteArray t = QByteArray("1200") + QByteArray::number(10 + i) + ".00";
        out << zv::frameSentence("GPRMC," + t + ",A,4807.038,N,01131.000,E,022.4,084.4,250626,003.1,W");
        out << zv::frameSentence("GPGGA," + t + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    }
    return out;
}

// Home with Tracks/small.log and a Zelvan.ini holding extra lines.
void prepareHome(const QTemporaryDir& home, const QByteArrayList& log, const QByteArray& ini)
{
    QDir(home.path()).mkdir(QStringLiteral("Tracks"));
    writeAll(home.filePath(QStringLiteral("Tracks/small.log")), log.join("\r\n") + "\r\n");
    writeAll(home.filePath(QStringLiteral("Zelvan.ini")), ini);
}

void startReplay(SimWindow& w, const char* file)
{
    auto* file1 = w.findChild<QListWidget*>(QStringLiteral("File1"));
    const auto items = file1->findItems(QString::fromLatin1(file), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    file1->setCurrentItem(items.first());
    w.findChild<QRadioButton*>(QStringLiteral("Abstand(0)"))->click(); // x 8: quick
    QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(items.first()).center());
}

// The sentences List1 shows, in order, recorded as they come (a stop
// clears the list).
struct ListRecorder {
    QByteArrayList lines;
    explicit ListRecorder(SimWindow& w)
    {
        auto* list1 = w.findChild<QListWidget*>(QStringLiteral("List1"));
        QObject::connect(list1->model(), &QAbstractItemModel::rowsInserted, list1,
                         [this, list1](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i)
                                 if (list1->item(i)->text().startsWith(QLatin1Char('$')))
                                     lines << list1->item(i)->text().toLatin1();
                         });
    }
};

} // namespace

TEST(OutputWiring, PortListHoldsItsEntriesInOlive)
{
    QTemporaryDir home;
    SimWindow w(home.path());
    auto* portC = w.findChild<QComboBox*>(QStringLiteral("PortC"));
    ASSERT_EQ(portC->count(), 25);
    const std::pair<int, const char*> entries[] = {{0, "COM1"},  {15, "COM16"}, {16, "Port1"}, {19, "Port4"},
                                                   {20, "LPT1"}, {22, "LPT3"},  {23, "TCP 1000"}, {24, "UDP"}};
    for (const auto& [i, text] : entries)
        EXPECT_EQ(portC->itemText(i), QString::fromLatin1(text)) << i;
    EXPECT_EQ(portC->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0));
    EXPECT_EQ(w.findChild<QRadioButton*>(QStringLiteral("Pspeed(0)"))->text(), QStringLiteral("4800"));
    EXPECT_EQ(w.findChild<QRadioButton*>(QStringLiteral("Pspeed(1)"))->text(), QStringLiteral("9600"));
    EXPECT_TRUE(w.findChild<QRadioButton*>(QStringLiteral("Pspeed(0)"))->isChecked());
    EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("TCPstat"))->isHidden());

    // The third COM entry: port index 2, serial port 3.
    portC->setCurrentIndex(2);
    EXPECT_EQ(w.outputPort().outPortIndex(), 2);
    EXPECT_EQ(w.outputPort().serial()->portNumber(), 3);
    w.findChild<QRadioButton*>(QStringLiteral("Pspeed(1)"))->click();
    EXPECT_EQ(w.outputPort().serialSettings(), QStringLiteral("9600,n,8,1"));
}

TEST(OutputWiring, ReplayReachesATcpClientAndTheListenerStopsWithIt)
{
    const quint16 port = channeltest::freePort();
    QTemporaryDir home;
    const QByteArrayList log = smallLog(200);
    prepareHome(home, log, "[Port]\r\nCOM= 23\r\n[TCP]\r\nPort=" + QByteArray::number(port) + "\r\n");
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    auto* tcpStat = w.findChild<QWidget*>(QStringLiteral("TCPstat"));
    auto* portL = w.findChild<QLabel*>(QStringLiteral("PortL"));
    ASSERT_EQ(w.findChild<QComboBox*>(QStringLiteral("PortC"))->currentText(), QStringLiteral("TCP %1").arg(port));

    ListRecorder recorder(w);
    startReplay(w, "small.log");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcpStat->isVisible() || !tcpStat->isHidden(); }, 5000));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 5000));
    QByteArray received;
    QObject::connect(&client, &QTcpSocket::readyRead, &client, [&] { received += client.readAll(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count('\n') >= 3; }, 15000)) << received.constData();
    EXPECT_EQ(tcpStat->palette().color(QPalette::Window), QColor(0, 0xFF, 0));
    EXPECT_TRUE(portL->toolTip().contains(QStringLiteral("127.0.0.1")));

    // Whatever arrived is a run of the listed sentences, each ended by CR LF.
    ASSERT_TRUE(received.endsWith("\r\n")) << received.constData();
    QByteArrayList lines = received.split('\n');
    lines.removeLast();
    for (QByteArray& l : lines) {
        ASSERT_TRUE(l.endsWith('\r'));
        l.chop(1);
    }
    const QByteArrayList& shown = recorder.lines;
    const qsizetype first = shown.indexOf(lines.first());
    ASSERT_GE(first, 0) << lines.first().constData();
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], shown.value(first + i)) << i;
    // The log's own sentences pass unchanged; the ones the replay adds are framed.
    for (const QByteArray& l : lines) {
        EXPECT_TRUE(zv::hasValidChecksum(l)) << l.constData();
        if (l.startsWith("$GPRMC") || l.startsWith("$GPGGA")) {
            EXPECT_TRUE(log.contains(l)) << l.constData();
        }
    }

    w.loader().stopReplay(StopByUser);
    EXPECT_TRUE(tcpStat->isHidden());
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(OutputWiring, ReplayWritesEverySentenceToASerialDevice)
{
    QTemporaryDir home;
    channeltest::PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    const QByteArrayList log = smallLog(3);
    prepareHome(home, log, "[Port]\r\nCOM= 0\r\n[Devices]\r\nCOM1=" + pty.a.toUtf8() + "\r\n");
    channeltest::SerialReader reader;
    ASSERT_TRUE(reader.open(pty.b));
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    ListRecorder recorder(w);
    startReplay(w, "small.log");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.replayState().replayActive && !w.loader().isLoading(); }, 20000));
    const QByteArrayList& shown = recorder.lines;
    ASSERT_FALSE(shown.isEmpty());
    ASSERT_TRUE(reader.waitFor(shown.join("\r\n").size() + 2)) << reader.bytes.constData();
    EXPECT_EQ(reader.bytes, shown.join("\r\n") + "\r\n");
    EXPECT_FALSE(w.outputPort().serial()->isOpen());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(OutputWiring, AMissingDeviceIsReportedOncePerStart)
{
    QTemporaryDir home;
    prepareHome(home, smallLog(3), "[Port]\r\nCOM= 0\r\n[Devices]\r\nCOM1=" + home.filePath(QStringLiteral("nowhere")).toUtf8() + "\r\n");
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    for (int run = 1; run <= 2; ++run) {
        startReplay(w, "small.log");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.replayState().replayActive && !w.loader().isLoading(); }, 20000));
        ASSERT_EQ(dialogs.shown.size(), run);
        EXPECT_TRUE(dialogs.shown.last().text.contains(QStringLiteral("nowhere"))) << dialogs.shown.last().text.toStdString();
    }
}
