// The download against a device emulator on a pseudo-terminal pair at 9600
// baud: real serial port code on one side, Garmin's protocol on the other.
#include "sim/garmin/garmin_download.h"

#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan::garmin;
using Outcome = GarminDownload::Outcome;

namespace {

const QString kEmulator = QDir::cleanPath(QStringLiteral(ZV_TEST_DATA_DIR "/../e2e/garmin_emulator.py"));

struct PtyRun {
    QTemporaryDir dir;
    QProcess socat;
    QProcess emulator;
    zvtest::ScriptedDialogs dialogs;
    GarminDownload download{dialogs};
    QList<Outcome> outcomes;
    QStringList list;
    int maximum = -1;
    int value = -1;

    QString hostEnd() const { return dir.filePath("host"); }
    QString deviceEnd() const { return dir.filePath("device"); }
    QString report() const { return dir.filePath("report.json"); }
    QString expected() const { return dir.filePath("expected.txt"); }

    PtyRun()
    {
        QObject::connect(&download, &GarminDownload::finished, &download,
                         [this](Outcome o, const QString&) { outcomes << o; });
        QObject::connect(&download, &GarminDownload::listLine, &download, [this](const QString& l) { list << l; });
        QObject::connect(&download, &GarminDownload::progressMaximum, &download, [this](int m) { maximum = m; });
        QObject::connect(&download, &GarminDownload::progressValue, &download, [this](int v) { value = v; });
    }
    ~PtyRun()
    {
        for (QProcess* p : {&emulator, &socat})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(3000);
            }
    }

    // socat's pty pair, the emulator on one end; returns false with a reason.
    ::testing::AssertionResult start(const QStringList& emulatorArgs)
    {
        const QString socatPath = QStandardPaths::findExecutable("socat");
        if (socatPath.isEmpty())
            return ::testing::AssertionFailure() << "socat is not installed";
        socat.start(socatPath, {"-d", "-d", "pty,raw,echo=0,link=" + hostEnd(), "pty,raw,echo=0,link=" + deviceEnd()});
        if (!QTest::qWaitFor([&] { return QFile::exists(hostEnd()) && QFile::exists(deviceEnd()); }, 5000))
            return ::testing::AssertionFailure() << "socat made no pty pair";
        emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emulator.start("/usr/bin/python3", QStringList{kEmulator, "--port", deviceEnd(), "--report", report(),
                                                       "--expected", expected()}
                                               + emulatorArgs);
        if (!emulator.waitForStarted(5000))
            return ::testing::AssertionFailure() << "the emulator did not start";
        if (!QTest::qWaitFor([&] { return QFile::exists(expected()); }, 5000))
            return ::testing::AssertionFailure() << "the emulator wrote no expectations";
        const auto r = download.startDownload(dir.path(), "log", 0, {{"COM1", hostEnd()}});
        if (r != GarminDownload::StartResult::Started)
            return ::testing::AssertionFailure() << "download did not start: " << int(r);
        return ::testing::AssertionSuccess();
    }

    bool waitDone(int ms) { return QTest::qWaitFor([&] { return !outcomes.isEmpty(); }, ms); }

    QJsonObject emulatorReport()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return emulator.state() == QProcess::NotRunning; }, 15000));
        QFile f(report());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The file minus its "I" and "#" lines, which depend on version and clock.
    QByteArray body() const
    {
        const QByteArray all = read(dir.filePath("log.trk"));
        int at = 0;
        for (int i = 0; i < 2 && at >= 0; ++i)
            at = all.indexOf("\r\n", at) + 2;
        return all.mid(at);
    }
};

} // namespace

TEST(GarminPty, TwoSegmentLogOf300PointsDownloadsIntoTheExpectedFile)
{
    PtyRun run;
    ASSERT_TRUE(run.start({"--points", "300", "--point-type", "301", "--dle-checksum-point", "20", "--chunk", "7",
                           "--chunk-delay-ms", "1", "--garbage-after"}));
    ASSERT_TRUE(run.waitDone(100000));
    EXPECT_EQ(run.outcomes, QList<Outcome>{Outcome::TransferOk});
    const QByteArray file = PtyRun::read(run.dir.filePath("log.trk"));
    EXPECT_TRUE(file.startsWith("I Zelvan V" ZV_TEST_VERSION "\r\n# ")) << file.left(80).toStdString();
    const QByteArray second = file.split('\n').value(1);
    EXPECT_TRUE(QRegularExpression(R"(^# \d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  Local Time\r$)")
                    .match(QString::fromLatin1(second))
                    .hasMatch())
        << second.toStdString();
    EXPECT_EQ(run.body().toStdString(), PtyRun::read(run.expected()).toStdString());
    EXPECT_EQ(run.list.last(), "Transfer OK");
    EXPECT_EQ(run.list.count("Track 01: 01.01.2005 00:00:00"), 1);
    EXPECT_EQ(run.list.count("Track 02: 01.01.2005 01:32:30"), 1);
    EXPECT_EQ(run.maximum, 301);
    EXPECT_EQ(run.value, 300);
    const QJsonObject report = run.emulatorReport();
    EXPECT_TRUE(report["completed"].toBool());
    EXPECT_EQ(report["host_bad_frames"].toInt(), 0);
    EXPECT_EQ(report["retransmits"].toInt(), 0);
    EXPECT_EQ(report["points_sent"].toInt(), 300);
}

TEST(GarminPty, CorruptedFrameIsNakedAndLostAckResendIsWrittenOnce)
{
    PtyRun run;
    ASSERT_TRUE(run.start({"--points", "24", "--point-type", "300", "--corrupt-point", "14", "--lose-ack-point", "17"}));
    ASSERT_TRUE(run.waitDone(60000));
    EXPECT_EQ(run.outcomes, QList<Outcome>{Outcome::TransferOk});
    EXPECT_EQ(run.body().toStdString(), PtyRun::read(run.expected()).toStdString());
    const QJsonObject report = run.emulatorReport();
    EXPECT_GE(report["naks_received"].toInt(), 1);
    EXPECT_EQ(report["acks_ignored"].toInt(), 1);
    EXPECT_GE(report["retransmits"].toInt(), 2);
    EXPECT_EQ(report["host_bad_frames"].toInt(), 0);
}

// The device's Protocol Array crosses the track-log command on the line; it
// does not answer the command, so a NAK or a lost command still gets it resent.
TEST(GarminPty, TrackLogCommandRejectedOrLostIsSentAgain)
{
    const QList<QStringList> scenarios = {{"--nak-command", "1"}, {"--lose-command", "1"},
                                          {"--lose-command", "1", "--nak-command", "1"}};
    for (const QStringList& args : scenarios) {
        PtyRun run;
        ASSERT_TRUE(run.start(QStringList{"--points", "6"} + args));
        ASSERT_TRUE(run.waitDone(20000)) << args.join(' ').toStdString();
        EXPECT_EQ(run.outcomes, QList<Outcome>{Outcome::TransferOk}) << args.join(' ').toStdString();
        EXPECT_EQ(run.body().toStdString(), PtyRun::read(run.expected()).toStdString());
        const QJsonObject report = run.emulatorReport();
        EXPECT_EQ(report["track_commands"].toInt(), args.size() == 2 ? 2 : 3) << args.join(' ').toStdString();
        EXPECT_TRUE(report["completed"].toBool());
    }
}

TEST(GarminPty, D302PointsArrivingByteByByte)
{
    PtyRun run;
    ASSERT_TRUE(run.start({"--points", "14", "--point-type", "302", "--chunk", "1", "--chunk-delay-ms", "2"}));
    ASSERT_TRUE(run.waitDone(60000));
    EXPECT_EQ(run.outcomes, QList<Outcome>{Outcome::TransferOk});
    EXPECT_EQ(run.body().toStdString(), PtyRun::read(run.expected()).toStdString());
}

TEST(GarminPty, DeviceFallingSilentOrTalkingNmeaTimesOutAndTheFileIsDeleted)
{
    const QList<QStringList> scenarios = {{"--points", "30", "--silence-after", "7", "--linger", "5"},
                                          {"--nmea", "--linger", "5"}};
    for (const QStringList& args : scenarios) {
        PtyRun run;
        ASSERT_TRUE(run.start(args));
        ASSERT_TRUE(run.waitDone(20000)) << args.join(' ').toStdString();
        EXPECT_EQ(run.outcomes, QList<Outcome>{Outcome::Timeout});
        ASSERT_EQ(run.dialogs.shown.size(), 1);
        EXPECT_EQ(run.dialogs.shown[0].text, "GPS-Timeout\n(ComPort=1?)");
        EXPECT_FALSE(QFile::exists(run.dir.filePath("log.trk")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !run.download.comm2()->isOpen(); }, 2000));
        const QJsonObject report = run.emulatorReport();
        EXPECT_TRUE(report["abort_received"].toBool()) << args.join(' ').toStdString();
        EXPECT_EQ(report["host_bad_frames"].toInt(), 0);
    }
}
