// The replay engine under a QCoreApplication, linked without any widget or
// GUI library: a real log and a real track file go to a real TCP client on
// 127.0.0.1 byte for byte as the window sends them (the expected files are
// the window's output for the same files and choices; the window suite
// checks them from its side).
#include "common/nmea.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/engine/replay_engine.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
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

class KeepingChannel : public OutputChannel {
public:
    bool open(QString*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override { sent.append(sentence); }
    QList<QByteArray> sent;

private:
    bool m_open = false;
};

class ListingView : public ReplayView {
public:
    void listed(const QString& line) override
    {
        if (line.startsWith(QLatin1Char('$')))
            sentences.append(line.toLatin1());
    }
    QList<QByteArray> sentences;
};

struct RiggedRun {
    QList<QByteArray> sent, listed;
    QStringList faults;
};

// The file replayed at "cont" to the end, through a rig with these options.
RiggedRun replayRigged(const char* relative, const RigOptions& options)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QString::fromLatin1(relative).section(QLatin1Char('/'), -1));
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly))
        return {};
    copy.write(readData(QString::fromLatin1(relative)));
    copy.close();
    ReplayState state;
    ListingView view;
    ReplayFrontEnd ui(&view);
    ReplayFile file;
    zvtest::ScriptedDialogs dialogs;
    ReplayEngine engine(state, ui, file, dialogs, QString());
    KeepingChannel channel;
    engine.sink().addChannel(&channel);
    engine.sink().openChannels();
    engine.setRig(options);
    RiggedRun run;
    QObject::connect(&engine.sink(), &SentenceSink::faultInjected, &engine,
                     [&run](const QString& text) { run.faults << text; });
    engine.tick().setPreOutputWaitMs(0);
    engine.tick().choosePace(3);
    if (!engine.loader().loadFile(path))
        return {};
    for (int n = 0; state.replayActive && n < 10000; ++n)
        engine.tick().onTimer1();
    run.sent = channel.sent;
    run.listed = view.sentences;
    return run;
}

} // namespace

TEST(ReplayEngineCore, TheRigStandsBeforeTheListAndTheChannels)
{
    // A log passed through and a track file composed: the list shows what the
    // channels carry, the first epoch has the chosen time, and what the rig
    // held back went out at the end.
    for (const char* relative : {"replay/gpsd_neo-m8n.log", "tracks/gpsbabel_20070813_short.plt"}) {
        SCOPED_TRACE(relative);
        RigOptions options;
        options.time = TimeChoice{TimeMode::Start, QDateTime::fromString(QStringLiteral("2025-05-01T12:00:00Z"),
                                                                         Qt::ISODate).toMSecsSinceEpoch()};
        options.faults = parseFaultPlan(QStringLiteral("checksum=0.1,drop=0.05,dropepoch=0.1,latency=0.2:2s"));
        options.seed = 7;
        const RiggedRun plain = replayRigged(relative, RigOptions{});
        const RiggedRun rigged = replayRigged(relative, options);
        ASSERT_FALSE(plain.sent.isEmpty());
        EXPECT_EQ(rigged.listed, rigged.sent);
        const qsizetype firstRmc = [&] {
            for (qsizetype i = 0; i < rigged.sent.size(); ++i)
                if (zv::isSentence(rigged.sent[i], "RMC"))
                    return i;
            return qsizetype(-1);
        }();
        ASSERT_GE(firstRmc, 0);
        EXPECT_EQ(zv::sentenceField(rigged.sent[firstRmc], 1).left(6), "120000");
        EXPECT_EQ(zv::sentenceField(rigged.sent[firstRmc], 9), "010525");
        const qsizetype dropped = rigged.faults.filter(QRegularExpression(QStringLiteral(": drop(epoch)?: "))).size();
        EXPECT_GT(dropped, 0);
        EXPECT_EQ(rigged.sent.size() + dropped, plain.sent.size());
        EXPECT_FALSE(rigged.faults.filter(QStringLiteral("latency")).isEmpty());
    }
}

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
