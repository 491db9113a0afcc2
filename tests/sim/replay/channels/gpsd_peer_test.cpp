// gpsd as the navigation program: it connects to the TCP server as a client
// while a real log's sentences go out, and its fixes must be the log's.
#include "channel_peers.h"
#include "support/scripted_dialogs.h"
#include "test_data.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/channels/output_port.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>

using namespace zelvan;

namespace {

struct Fix {
    QString timeOfDay; // "hh:mm:ss"
    double lat = 0;
    double lon = 0;
};

double degrees(const QByteArray& value, const QByteArray& hemisphere, int degreeDigits)
{
    const double d = zv::leadingNumber(QString::fromLatin1(value.left(degreeDigits)));
    const double m = zv::leadingNumber(QString::fromLatin1(value.mid(degreeDigits)));
    const double v = d + m / 60.0;
    return (hemisphere == "S" || hemisphere == "W") ? -v : v;
}

// The valid RMC fixes of the log (gpsd moves pre-2019 dates, so only the time of day counts).
QList<Fix> rmcFixes(const QByteArrayList& sentences)
{
    QList<Fix> out;
    for (const QByteArray& s : sentences) {
        if (zv::sentenceType(s) != "RMC" || zv::sentenceField(s, 2) != "A")
            continue;
        const QByteArray t = zv::sentenceField(s, 1);
        out.append({QStringLiteral("%1:%2:%3").arg(QString::fromLatin1(t.mid(0, 2)), QString::fromLatin1(t.mid(2, 2)),
                                                   QString::fromLatin1(t.mid(4, 2))),
                    degrees(zv::sentenceField(s, 3), zv::sentenceField(s, 4), 2),
                    degrees(zv::sentenceField(s, 5), zv::sentenceField(s, 6), 3)});
    }
    return out;
}

} // namespace

TEST(GpsdPeer, ReportsTheLogsFixesReceivedFromTheTcpServer)
{
    const QString gpsd = channeltest::requireTool("gpsd");
    ASSERT_FALSE(gpsd.isEmpty());
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

    const quint16 gpsdPort = channeltest::freePort();
    channeltest::OwnedProcess daemon;
    daemon.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.process->start(gpsd, {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("-S"),
                                 QString::number(gpsdPort), QStringLiteral("tcp://127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(daemon.process->waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return output.tcp()->elementState(1) == TcpElementState::Connected; }, 10000))
        << "gpsd did not connect";

    // The watcher: gpsd's JSON, one object per line.
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

    const QByteArrayList sentences = channeltest::foretrexSentences();
    for (QByteArray s : sentences) {
        output.sendSentence(s);
        QTest::qWait(15);
    }
    const QList<Fix> expected = rmcFixes(sentences);
    ASSERT_EQ(expected.size(), 7);

    QSet<QString> matched;
    QStringList stray;
    auto collect = [&] {
        matched.clear();
        stray.clear();
        for (const QByteArray& line : json.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line.trimmed()).object();
            if (o.value(QStringLiteral("class")).toString() != QStringLiteral("TPV") || !o.contains(QStringLiteral("lat")))
                continue;
            const QString time = o.value(QStringLiteral("time")).toString().mid(11, 8);
            const double lat = o.value(QStringLiteral("lat")).toDouble();
            const double lon = o.value(QStringLiteral("lon")).toDouble();
            bool found = false;
            for (const Fix& f : expected)
                if (f.timeOfDay == time && std::abs(f.lat - lat) < 1e-6 && std::abs(f.lon - lon) < 1e-6)
                    found = true;
            if (found)
                matched.insert(time);
            else
                stray.append(QString::fromUtf8(line.trimmed()));
        }
        // gpsd reports a fix when the next cycle starts, so the last may be missing.
        return matched.size() >= expected.size() - 1;
    };
    EXPECT_TRUE(QTest::qWaitFor(collect, 5000)) << matched.size() << " fixes matched";
    EXPECT_TRUE(stray.isEmpty()) << stray.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    output.stopOutput();
}
