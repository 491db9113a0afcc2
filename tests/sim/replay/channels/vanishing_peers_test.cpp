// Peers that go away under a running output: a serial device whose other end
// is closed mid-replay (the socat pair ended), and TCP clients that connect
// and close again and again. The program says so once, keeps going, and
// holds no descriptor for a peer that has left.
#include "channel_peers.h"
#include "support/scripted_dialogs.h"
#include "test_data.h"

#include "sim/replay/channels/output_port.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/replay_state.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

using namespace zelvan;

namespace {

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

TEST(VanishingPeers, SerialDeviceGoneMidReplayIsReportedOnceAndTheReplayRunsOn)
{
    QTemporaryDir home;
    channeltest::PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    {
        QFile ini(zelvanIniPath(home.path()));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Port]\r\nCOM= 2\r\n[Devices]\r\nCOM3=" + pty.a.toLocal8Bit() + "\r\n");
    }
    QDir(home.path()).mkdir(QStringLiteral("Tracks"));
    QFile::copy(QStringLiteral(ZV_TEST_DATA_DIR "/replay/gpsd_neo-m8n.log"),
                QDir(home.path()).filePath(QStringLiteral("Tracks/neo.log")));

    SimWindow window(home.path());
    zvtest::ScriptedDialogs dialogs;
    window.setDialogs(&dialogs);
    window.tick().setPreOutputWaitMs(0);
    window.findChild<QPushButton*>(QStringLiteral("ALL"))->click();
    channeltest::SerialReader reader;
    ASSERT_TRUE(reader.open(pty.b));
    const auto items = window.controls().file1->findItems(QStringLiteral("neo.log"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    window.controls().file1->setCurrentItem(items.first());
    window.loader().loadSelectedFile();
    ASSERT_TRUE(window.replayState().replayActive);
    ASSERT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.value(0).text.toStdString();

    for (int i = 0; i < 3; ++i)
        window.tick().onTimer1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.bytes.contains("RMC"); }, 5000)) << "the device got data";

    // The other end goes: socat ends, both ptys are closed under the program.
    reader.port.close();
    pty.socat.process->terminate();
    ASSERT_TRUE(pty.socat.process->waitForFinished(5000));

    QElapsedTimer clock;
    clock.start();
    int ticks = 0;
    while (window.replayState().replayActive && ticks < 500) {
        window.tick().onTimer1();
        QCoreApplication::processEvents();
        ++ticks;
    }
    EXPECT_LT(clock.elapsed(), 20000) << "no hang on the dead device";
    EXPECT_FALSE(window.replayState().replayActive) << "the replay ran to its end";
    QTest::qWait(200);
    ASSERT_EQ(dialogs.shown.size(), 1) << "one message, not one per sentence";
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("COM3 (") + pty.a + QStringLiteral("): ")))
        << dialogs.shown[0].text.toStdString();
    RecordProperty("message", dialogs.shown[0].text.toStdString());
    EXPECT_EQ(dialogs.shown[0].icon, zv::Dialogs::Icon::Warning);
}

TEST(VanishingPeers, ThousandClientsThatConnectAndCloseLeaveNoDescriptorBehind)
{
    QTemporaryDir home;
    const quint16 port = channeltest::freePort();
    {
        QFile ini(zelvanIniPath(home.path()));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[TCP]\r\nPort=" + QByteArray::number(port) + "\r\n");
    }
    zvtest::ScriptedDialogs dialogs;
    OutputPort output(home.path(), &dialogs);
    output.setOutPortIndex(kTcpIndex);
    output.startOutput();
    ASSERT_TRUE(output.tcp()->isOpen());
    auto send = [&](const char* text) {
        QByteArray s(text);
        output.sendSentence(s);
    };
    send("$GPTXT,warm up");
    QTest::qWait(50);
    const int before = openDescriptors();

    for (int i = 0; i < 1000; ++i) {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(client.waitForConnected(5000)) << i;
        // Half of them leave while nothing is sent, half between sentences.
        if (i % 2 == 0)
            send("$GPTXT,between");
        client.abort();
        QCoreApplication::processEvents();
    }
    // Clients that leave while nothing is sent (a paused replay) free their
    // element at once: the next one reuses it instead of adding one more.
    const int elements = output.tcp()->tcpCount();
    for (int i = 0; i < 100; ++i) {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(client.waitForConnected(5000)) << i;
        client.abort();
        QCoreApplication::processEvents();
    }
    EXPECT_LE(output.tcp()->tcpCount(), elements + 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return openDescriptors() <= before; }, 5000))
        << "descriptors before " << before << ", after " << openDescriptors() << " with nothing sent";
    // A client that stays still gets what is sent.
    QTcpSocket last;
    QByteArray got;
    QObject::connect(&last, &QTcpSocket::readyRead, &last, [&] { got += last.readAll(); });
    last.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(last.waitForConnected(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        send("$GPTXT,still serving");
        return got.contains("$GPTXT,still serving\r\n");
    }, 5000));
    last.abort();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        send("$GPTXT,nobody");
        return openDescriptors() <= before;
    }, 5000)) << "descriptors before " << before << ", after " << openDescriptors();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.value(0).text.toStdString();
}
