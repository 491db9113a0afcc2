// A GPSBabel-written OziExplorer file and KML file replayed by the real
// window to a real TCP client; every sentence received is checked by an
// independent parser (pynmea2): valid checksums, positions within 0.001
// minute of the source points.
#include "sim/replay/replay_harness.h"

#include "common/number_text.h"
#include "common/text_lines.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/tracks/track_replay.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

QString dataPath(const QString& relative)
{
    return QStringLiteral(ZV_TEST_DATA_DIR "/") + relative;
}

QList<std::pair<double, double>> gpxPoints(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QList<std::pair<double, double>> points;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("trkpt"))
            points.append({xml.attributes().value("lat").toDouble(), xml.attributes().value("lon").toDouble()});
    }
    return points;
}

// GPSBabel's file for the GPX source, written now; the stored copy (made
// with GPSBabel 1.8.0) only where GPSBabel is not installed.
QString gpsbabelFile(const QString& format, const QString& storedName, const QTemporaryDir& dir)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (exe.isEmpty())
        return dataPath(QStringLiteral("tracks/gpsbabel/") + storedName);
    const QString out = dir.filePath(storedName);
    QProcess babel;
    babel.start(exe, {"-t", "-i", "gpx", "-f", dataPath(QStringLiteral("tracks/gpsbabel/track.gpx")), "-o", format,
                      "-F", out});
    EXPECT_TRUE(babel.waitForFinished(30000));
    EXPECT_EQ(babel.exitCode(), 0) << babel.readAllStandardError().toStdString();
    return out;
}

} // namespace

TEST(TrackReplayOverTcp, GpsbabelOziAndKmlArriveAsValidSentencesAtTheSourcePositions)
{
    const auto points = gpxPoints(dataPath(QStringLiteral("tracks/gpsbabel/track.gpx")));
    ASSERT_GT(points.size(), 10);
    QTemporaryDir babelDir;
    struct Case {
        const char* format;
        const char* name;
        const char* replayedAs;
        int firstPoint; // the source point the first RMC carries
    } cases[] = {
        {"ozi", "track.plt", "OziExplorer", 0},
        {"kml", "track.kml", "KML", 0},
    };
    for (const auto& c : cases) {
        const QString source = gpsbabelFile(QString::fromLatin1(c.format), QString::fromLatin1(c.name), babelDir);
        QFile sourceFile(source);
        ASSERT_TRUE(sourceFile.open(QIODevice::ReadOnly)) << source.toStdString();

        ReplayHarness h;
        TcpServerChannel tcp;
        tcp.setPort(0);
        h.window->addOutputChannel(&tcp);
        h.addFile(QString::fromLatin1(c.name), sourceFile.readAll());
        ASSERT_TRUE(h.load(QString::fromLatin1(c.name))) << c.name;
        EXPECT_EQ(h.state().trackFormat, QString::fromLatin1(c.replayedAs)) << c.name;
        ASSERT_TRUE(tcp.isOpen());

        QTcpSocket client;
        QByteArray received;
        QObject::connect(&client, &QTcpSocket::readyRead, &client, [&] { received += client.readAll(); });
        client.connectToHost(QStringLiteral("127.0.0.1"), tcp.listeningPort());
        ASSERT_TRUE(client.waitForConnected(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return tcp.elementState(1) == TcpElementState::Connected; }, 5000));

        h.runToEnd(10000);
        const qsizetype expected = h.channel.sent.size();
        ASSERT_GT(expected, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.count('\n') >= expected; }, 10000))
            << c.name << ": " << received.count('\n') << " of " << expected;

        // The checker's input: sentence, and for RMC and GGA the source point.
        QTemporaryDir dir;
        const QString listPath = dir.filePath(QStringLiteral("sentences.txt"));
        QFile list(listPath);
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        int rmc = -1;
        for (const QByteArray& line : zv::splitTextLines(received)) {
            QByteArray out = line;
            if (line.startsWith("$GPRMC"))
                ++rmc;
            if (line.startsWith("$GPRMC") || line.startsWith("$GPGGA")) {
                const qsizetype at = c.firstPoint + rmc;
                ASSERT_LT(at, points.size()) << c.name;
                out += '\t' + zv::fixedText(points[at].first, 9).toLatin1() + '\t'
                    + zv::fixedText(points[at].second, 9).toLatin1();
            }
            list.write(out + '\n');
        }
        list.close();
        EXPECT_EQ(rmc + 1 + c.firstPoint, points.size()) << c.name;

        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {dataPath(QStringLiteral("../sim/tracks/check_composed_sentences.py")), listPath});
        ASSERT_TRUE(python.waitForFinished(60000));
        EXPECT_EQ(python.exitCode(), 0) << c.name << "\n"
                                        << python.readAllStandardOutput().toStdString()
                                        << python.readAllStandardError().toStdString();
        client.disconnectFromHost();
    }
}
