// The replay engine under a QCoreApplication, linked without any widget or
// GUI library: a real log and a real track file go to a real TCP client on
// 127.0.0.1 byte for byte as the window sends them (the expected files are
// the window's output for the same files and choices; the window suite
// checks them from its side).
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/engine/replay_engine.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

QByteArray readData(const QString& relative)
{
    QFile f(QStringLiteral(ZV_TEST_DATA_DIR "/") + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ReplayEngineCore, SendsToATcpClientWhatTheWindowSends)
{
    for (const char* relative : {"replay/gpsd_neo-m8n.log", "tracks/gpsbabel_20070813_short.plt"}) {
        SCOPED_TRACE(relative);
        const QString name = QString::fromLatin1(relative).section(QLatin1Char('/'), -1);
        const QByteArray expected = readData(QStringLiteral("expected/") + name + QStringLiteral(".cont.nmea"));
        ASSERT_FALSE(expected.isEmpty());

        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(name);
        QFile copy(path);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(readData(QString::fromLatin1(relative)));
        copy.close();

        ReplayState state;
        ReplayFrontEnd ui;
        ReplayFile file;
        zvtest::ScriptedDialogs dialogs;
        ReplayEngine engine(state, ui, file, dialogs, QString());
        TcpServerChannel tcp;
        tcp.setAddress(QStringLiteral("127.0.0.1"));
        tcp.setPort(0);
        engine.sink().addChannel(&tcp);
        // Listening before the load, so the client is there for the first sentence.
        engine.sink().openChannels();
        ASSERT_TRUE(tcp.isOpen());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, tcp.listeningPort());
        ASSERT_TRUE(client.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(tcp.tcpCount(), 1, 5000);

        engine.tick().setPreOutputWaitMs(0);
        engine.tick().choosePace(3); // "cont"
        ASSERT_TRUE(engine.loader().loadFile(path));
        for (int n = 0; state.replayActive && n < 10000; ++n)
            engine.tick().onTimer1();
        EXPECT_FALSE(state.replayActive);

        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll()).size() >= expected.size(), 5000);
        EXPECT_EQ(received, expected);
    }
}
