// A hand-steered trip recorded through the window, then replayed through the
// NMEA-log path to a real gpsd reading the TCP output: gpsd's fixes must be
// the recorded positions, in order.
#include "manual_harness.h"

#include "../replay/channels/channel_peers.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/channels/tcp_server_channel.h"

#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>
#include <cmath>

using zvtest::ManualHarness;
using zvtest::fileLines;

namespace {

struct Fix {
    QString time; // "hh:mm:ss" as gpsd writes it
    double lat = 0;
    double lon = 0;
};

double degrees(const QByteArray& value, const QByteArray& hemisphere, int degreeDigits)
{
    const double v = zv::leadingNumber(QString::fromLatin1(value.left(degreeDigits)))
        + zv::leadingNumber(QString::fromLatin1(value.mid(degreeDigits))) / 60.0;
    return (hemisphere == "S" || hemisphere == "W") ? -v : v;
}

// The RMC fixes in order; RMCs repeating a time belong to one epoch (the last one counts).
QList<Fix> rmcEpochs(const QList<QByteArray>& sentences)
{
    QList<Fix> out;
    for (const QByteArray& s : sentences) {
        if (!s.startsWith("$GPRMC") || zv::sentenceField(s, 2) != "A")
            continue;
        const QByteArray t = zv::sentenceField(s, 1);
        const Fix f{QString::fromLatin1(t.mid(0, 2) + ':' + t.mid(2, 2) + ':' + t.mid(4, 2)),
                    degrees(zv::sentenceField(s, 3), zv::sentenceField(s, 4), 2),
                    degrees(zv::sentenceField(s, 5), zv::sentenceField(s, 6), 3)};
        if (!out.isEmpty() && out.last().time == f.time)
            out.last() = f;
        else
            out.append(f);
    }
    return out;
}

// gpsd's TPV reports with a position, one per epoch (a repeat of a time replaces it).
QList<Fix> gpsdEpochs(const QByteArray& json)
{
    QList<Fix> out;
    for (const QByteArray& line : json.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line.trimmed()).object();
        if (o.value(QStringLiteral("class")).toString() != QStringLiteral("TPV") || !o.contains(QStringLiteral("lat")))
            continue;
        const Fix f{o.value(QStringLiteral("time")).toString().mid(11, 8), o.value(QStringLiteral("lat")).toDouble(),
                    o.value(QStringLiteral("lon")).toDouble()};
        if (!out.isEmpty() && out.last().time == f.time)
            out.last() = f;
        else
            out.append(f);
    }
    return out;
}

} // namespace

TEST(ManualGpsd, RecordedTripReplaysToGpsdAtTheRecordedPositionsInOrder)
{
    const QString gpsd = channeltest::requireTool("gpsd");
    ASSERT_FALSE(gpsd.isEmpty());

    ManualHarness h;
    zelvan::TcpServerChannel tcp;
    tcp.setPort(0);
    h.window->addOutputChannel(&tcp);
    auto focused = [] { return QApplication::focusWidget(); };

    // Record: a first point, Auto-Point every 10 m while steering north-east,
    // a point by hand and a text.
    // Auto-Point step "10 m" (the stored default is the next step up).
    qobject_cast<QAbstractSlider*>(h.child(QStringLiteral("VSc4")))->setValue(1);
    h.manualOn();
    h.start();
    h.runTick();
    h.dialogs.queueInput(QStringLiteral("trip"));
    h.child<QPushButton>(QStringLiteral("SetFN"))->click();
    ASSERT_TRUE(focused());
    QTest::keyClick(focused(), Qt::Key_Space);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(focused(), i % 2 ? Qt::Key_Right : Qt::Key_Up, Qt::AltModifier);
        h.now = h.now.addSecs(1);
        h.runTick();
    }
    h.child<QPushButton>(QStringLiteral("SaveP"))->setFocus();
    QTest::keyClick(focused(), Qt::Key_Space);
    h.runTick();
    h.dialogs.queueInput(QStringLiteral("Harbour"));
    QTest::keyClick(focused(), Qt::Key_Return);
    h.stop();

    const QList<QByteArray> recorded = fileLines(QDir(h.home.path()).filePath(QStringLiteral("Tracks/trip.log")));
    for (const QByteArray& l : recorded)
        EXPECT_TRUE(zv::hasValidChecksum(l)) << l.constData();
    ASSERT_TRUE(!recorded.isEmpty() && recorded.last().startsWith("$GPTXT")) << recorded.join('\n').constData();
    const QList<Fix> recordedEpochs = rmcEpochs(recorded);
    ASSERT_GE(recordedEpochs.size(), 8) << recorded.join('\n').constData();
    // The trip went both north and east.
    EXPECT_GT(recordedEpochs.last().lat, recordedEpochs.first().lat);
    EXPECT_GT(recordedEpochs.last().lon, recordedEpochs.first().lon);

    // Replay: the load opens the TCP server; gpsd connects to it as a client.
    h.manualOff();
    ASSERT_TRUE(h.load(QStringLiteral("trip.log")));
    ASSERT_TRUE(tcp.isOpen());
    // Ticks are run here one by one; Timer1's own events would run some
    // before gpsd listens.
    h.tick().timer1()->blockSignals(true);

    const quint16 gpsdPort = channeltest::freePort();
    channeltest::OwnedProcess daemon;
    daemon.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.process->start(gpsd, {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("-S"),
                                 QString::number(gpsdPort),
                                 QStringLiteral("tcp://127.0.0.1:%1").arg(tcp.listeningPort())});
    ASSERT_TRUE(daemon.process->waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcp.elementState(1) == zelvan::TcpElementState::Connected; }, 10000))
        << "gpsd did not connect";

    QTcpSocket watcher;
    QByteArray json;
    QObject::connect(&watcher, &QTcpSocket::readyRead, &watcher, [&] { json += watcher.readAll(); });
    ASSERT_TRUE(QTest::qWaitFor([&] {
        if (watcher.state() == QAbstractSocket::UnconnectedState)
            watcher.connectToHost(QHostAddress::LocalHost, gpsdPort);
        return watcher.waitForConnected(200);
    }, 10000));
    watcher.write(R"(?WATCH={"enable":true,"json":true};)" "\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return json.contains("\"class\":\"WATCH\""); }, 5000));

    h.channel.sent.clear();
    for (int n = 0; h.state().replayActive && n < 1000; ++n) {
        h.runTick();
        QTest::qWait(40);
    }
    ASSERT_FALSE(h.state().replayActive);
    const QList<Fix> sent = rmcEpochs(h.channel.sent);
    // The load takes the first epoch as the start; the rest go out in order.
    ASSERT_GE(sent.size(), recordedEpochs.size() - 1);
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const Fix& r = recordedEpochs[recordedEpochs.size() - sent.size() + i];
        EXPECT_EQ(sent[i].time, r.time) << i;
        EXPECT_EQ(sent[i].lat, r.lat) << i;
        EXPECT_EQ(sent[i].lon, r.lon) << i;
    }

    // gpsd reports an epoch when the next begins: the last may be missing.
    QList<Fix> reported;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        reported = gpsdEpochs(json);
        return reported.size() >= sent.size() - 1;
    }, 5000)) << reported.size() << " of " << sent.size() << "\n" << json.constData();
    ASSERT_LE(reported.size(), sent.size()) << json.constData();
    for (qsizetype i = 0; i < reported.size(); ++i) {
        EXPECT_EQ(reported[i].time, sent[i].time) << i;
        EXPECT_NEAR(reported[i].lat, sent[i].lat, 1e-6) << i;
        EXPECT_NEAR(reported[i].lon, sent[i].lon, 1e-6) << i;
    }
}
