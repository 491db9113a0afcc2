#include "sim/garmin/garmin_download.h"
#include "sim/garmin/garmin_link.h"

#include "memory_link.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <bit>

using namespace zelvan::garmin;
using Outcome = GarminDownload::Outcome;

namespace {

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

QByteArray le32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>(v >> (8 * i));
    return b;
}

QByteArray d301(std::int32_t lat, std::int32_t lon, std::uint32_t t, float alt, bool newTrack)
{
    return le32(std::uint32_t(lat)) + le32(std::uint32_t(lon)) + le32(t) + le32(std::bit_cast<std::uint32_t>(alt))
        + le32(std::bit_cast<std::uint32_t>(1.0e25f)) + QByteArray(1, newTrack ? '\1' : '\0');
}

QByteArray productData()
{
    return hex("3001") + hex("7201") + QByteArray("eTrex Legend Software Version 3.70\0VERBMAP 1.00\0tail", 52);
}

const QByteArray kProductRequest = hex("10fe00021003");
const QByteArray kTrackCommand = hex("100a020600ee1003");
const QByteArray kAbortCommand = hex("100a020000f41003");

struct Rig {
    zvtest::ScriptedDialogs dialogs;
    GarminDownload download{dialogs};
    zvtest::MemoryLink link;
    QTemporaryDir dir;
    QStringList list;
    QList<Outcome> outcomes;
    int maximum = -1;
    int value = -1;
    bool linkOpenAtTransferOk = true;

    Rig()
    {
        download.setPacing(0, 0);
        download.setClock([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
        link.open(QIODevice::ReadWrite);
        QObject::connect(&download, &GarminDownload::listLine, &download, [this](const QString& l) {
            list << l;
            if (l == "Transfer OK")
                linkOpenAtTransferOk = link.isOpen();
        });
        QObject::connect(&download, &GarminDownload::progressMaximum, &download, [this](int m) { maximum = m; });
        QObject::connect(&download, &GarminDownload::progressValue, &download, [this](int v) { value = v; });
        QObject::connect(&download, &GarminDownload::finished, &download,
                         [this](Outcome o, const QString&) { outcomes << o; });
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    int count(const QByteArray& frame) const { return int(link.written.count(frame)); }
    bool waitFor(const QByteArray& frame, int times = 1, int ms = 3000)
    {
        return QTest::qWaitFor([&] { return count(frame) >= times; }, ms);
    }
    void send(std::uint8_t pid, const QByteArray& data) { link.push(buildFrame(pid, data)); }

    // Start, answer the product request and the track-log command.
    void startAndHandshake(const char* name = "alps")
    {
        ASSERT_EQ(download.startDownloadOn(&link, dir.path(), QString::fromLatin1(name)),
                  GarminDownload::StartResult::Started);
        ASSERT_TRUE(waitFor(kProductRequest));
        send(PidAck, hex("fe00"));
        send(PidProductData, productData());
        ASSERT_TRUE(waitFor(kTrackCommand));
        send(PidAck, hex("0a00"));
    }

    QList<QByteArray> fileLines(const char* name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArray all = f.readAll();
        EXPECT_TRUE(all.endsWith("\r\n"));
        all.chop(2);
        return all.split('\n');
    }
};

std::int32_t semis(double deg) { return static_cast<std::int32_t>(std::llround(deg / 180.0 * 2147483648.0)); }

} // namespace

TEST(GarminDownload, CompleteTransferWritesTheOwnTrackFormatThenReportsOk)
{
    Rig rig;
    rig.startAndHandshake();
    EXPECT_TRUE(rig.link.written.startsWith(hex("100000001003") + kProductRequest));
    EXPECT_EQ(rig.count(buildAck(PidProductData)), 1) << "Product Data acknowledged before the command";
    EXPECT_LT(rig.link.written.indexOf(buildAck(PidProductData)), rig.link.written.indexOf(kTrackCommand));

    rig.send(PidRecords, hex("0400"));
    rig.send(PidTrkHdr, QByteArray("\x01\xff" "ACTIVE LOG\0", 13));
    rig.send(PidTrkData, d301(0x10101010, -0x10101010, 0xFFFFFFFF, 123.4f, true));
    rig.send(PidTrkData, d301(semis(-33.5), semis(-12.25), 473862896, 1.0e25f, false));
    rig.send(PidTrkData, d301(0x7FFFFFFF, 0x7FFFFFFF, 473862896, 5.0f, false)); // no fix
    rig.send(PidTrkData, d301(semis(10), semis(20), 473862897, -3.5f, true));
    rig.send(PidXferCmplt, hex("0600"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 3000));

    EXPECT_EQ(rig.outcomes, QList<Outcome>{Outcome::TransferOk});
    EXPECT_FALSE(rig.linkOpenAtTransferOk) << "the port is closed before success is shown";
    EXPECT_EQ(rig.dialogs.beeps, 1);
    EXPECT_EQ(rig.count(buildAck(PidRecords)), 1);
    EXPECT_EQ(rig.count(buildAck(PidTrkHdr)), 1);
    EXPECT_EQ(rig.count(buildAck(PidTrkData)), 4);
    EXPECT_EQ(rig.count(buildAck(PidXferCmplt)), 1);
    EXPECT_EQ(rig.maximum, 4);
    EXPECT_EQ(rig.value, 4);

    const QList<QByteArray> expected = {
        "I Zelvan V" ZV_TEST_VERSION "\r",
        "# 04.03.2026 05:06:07  Local Time\r",
        "eTrex Legend Software Version 3.70\r",
        "L  New Header: ACTIVE LOG\r",
        "N  New Track Segment\r",
        "T  N22 35.2941 W022 35.2941 Sun Dec 31 00:00:00 1989 ;123;\r",
        "T  S33 30.0000 W012 15.0000 Wed Jan 05 12:34:56 2005 ;1E+25;\r",
        "N  New Track Segment\r",
        "T  N10 00.0000 E020 00.0000 Wed Jan 05 12:34:57 2005 ;-4;",
    };
    EXPECT_EQ(rig.fileLines("alps.trk"), expected);
    const QStringList expectedList = {
        "eTrex Legend Software Version 3.70", "VERBMAP 1.00", "Product-ID: 304", "Records: 4",
        "New Header: ACTIVE LOG", "Track 01: ", "Track 02: 05.01.2005 12:34:57", "Transfer OK",
    };
    EXPECT_EQ(rig.list, expectedList);

    // Bytes after the end touch nothing.
    rig.link.open(QIODevice::ReadWrite);
    rig.send(PidTrkData, d301(1, 1, 1, 1, true));
    QTest::qWait(50);
    EXPECT_EQ(rig.fileLines("alps.trk").size(), expected.size());
}

TEST(GarminDownload, DamagedFrameIsNakedAndItsResendWrittenOnce)
{
    Rig rig;
    rig.startAndHandshake();
    rig.send(PidRecords, hex("0200"));
    QByteArray damaged = buildFrame(PidTrkData, d301(semis(1), semis(2), 473862896, 7, true));
    damaged[6] = static_cast<char>(damaged[6] ^ 0x20);
    rig.link.push(damaged);
    ASSERT_TRUE(rig.waitFor(buildNak(PidTrkData)));
    EXPECT_EQ(rig.count(buildAck(PidTrkData)), 0);
    rig.send(PidTrkData, d301(semis(1), semis(2), 473862896, 7, true));
    // Our ACK "got lost": the device sends the same packet again.
    ASSERT_TRUE(rig.waitFor(buildAck(PidTrkData)));
    rig.send(PidTrkData, d301(semis(1), semis(2), 473862896, 7, true));
    ASSERT_TRUE(rig.waitFor(buildAck(PidTrkData), 2));
    rig.send(PidTrkData, d301(semis(3), semis(4), 473862897, 8, false));
    rig.send(PidXferCmplt, hex("0600"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 3000));
    const auto lines = rig.fileLines("alps.trk");
    EXPECT_EQ(lines.count("T  N01 00.0000 E002 00.0000 Wed Jan 05 12:34:56 2005 ;7;\r"), 1);
    EXPECT_EQ(lines.count("T  N03 00.0000 E004 00.0000 Wed Jan 05 12:34:57 2005 ;8;\r") + lines.count("T  N03 00.0000 E004 00.0000 Wed Jan 05 12:34:57 2005 ;8;"), 1);
    EXPECT_EQ(rig.value, 2);
}

TEST(GarminDownload, SilentOrNmeaSpeakingDeviceEndsInTimeoutAndDeletesThePartialFile)
{
    for (bool nmea : {false, true}) {
        Rig rig;
        rig.startAndHandshake();
        rig.send(PidRecords, hex("0200"));
        rig.send(PidTrkData, d301(semis(1), semis(2), 473862896, 7, true));
        ASSERT_TRUE(rig.waitFor(buildAck(PidTrkData)));
        // Written aside: the name appears only with a complete transfer.
        EXPECT_FALSE(QFile::exists(rig.path("alps.trk")));
        QTimer chatter;
        QObject::connect(&chatter, &QTimer::timeout, &chatter, [&] {
            rig.link.push("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
        });
        if (nmea)
            chatter.start(100);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 4000)) << nmea;
        chatter.stop();
        EXPECT_EQ(rig.outcomes, QList<Outcome>{Outcome::Timeout});
        ASSERT_EQ(rig.dialogs.shown.size(), 1);
        EXPECT_EQ(rig.dialogs.shown[0].text, "GPS-Timeout\n(ComPort=1?)");
        EXPECT_EQ(rig.dialogs.shown[0].title, " Error !");
        EXPECT_EQ(rig.dialogs.shown[0].icon, zv::Dialogs::Icon::Critical);
        EXPECT_FALSE(QFile::exists(rig.path("alps.trk")));
        EXPECT_TRUE(rig.waitFor(kAbortCommand));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.link.isOpen(); }, 1000));
        EXPECT_FALSE(rig.download.watchdog()->isActive());
    }
}

TEST(GarminDownload, UnansweredOrRejectedRequestIsSentAgainAtMostThreeTimes)
{
    Rig rig;
    ASSERT_EQ(rig.download.startDownloadOn(&rig.link, rig.dir.path(), "x"), GarminDownload::StartResult::Started);
    ASSERT_TRUE(rig.waitFor(kProductRequest));
    // No answer within a second: sent again.
    EXPECT_TRUE(rig.waitFor(kProductRequest, 2, 1800));
    for (int i = 0; i < 5; ++i) {
        rig.send(PidNak, hex("fe"));
        QTest::qWait(20);
    }
    EXPECT_EQ(rig.count(kProductRequest), 4);
    rig.download.cancel();
}

TEST(GarminDownload, UnknownPacketsAreAcknowledgedAndSkipped)
{
    Rig rig;
    rig.startAndHandshake();
    rig.send(PidProtocolArray, hex("500000" "4c0100"));
    rig.send(248, QByteArray("extended\0", 9));
    rig.send(PidProductData, productData()); // a repeat: only acknowledged
    rig.send(PidRecords, hex("0100"));
    rig.send(PidTrkHdr, hex("2c01"));          // D311: the index names the track
    rig.send(PidTrkData, le32(std::uint32_t(semis(-1))) + le32(std::uint32_t(semis(1))) + le32(0) + le32(std::bit_cast<std::uint32_t>(2.0f)) + QByteArray(1, '\x50')); // D303
    rig.send(PidXferCmplt, hex("0600"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 3000));
    EXPECT_EQ(rig.count(buildAck(PidProtocolArray)), 1);
    EXPECT_EQ(rig.count(buildAck(248)), 1);
    EXPECT_EQ(rig.count(buildAck(PidProductData)), 2);
    EXPECT_EQ(rig.count(kTrackCommand), 1);
    const auto lines = rig.fileLines("alps.trk");
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[3], "L  New Header: 300\r");
    EXPECT_EQ(lines[4], "N  New Track Segment\r");
    EXPECT_EQ(lines[5], "T  S01 00.0000 E001 00.0000 Sun Dec 31 00:00:00 1989 ;2;");
}

TEST(GarminDownload, SecondDownloadStartsFromAFreshLinkAndEscDeletesItsFile)
{
    Rig rig;
    rig.startAndHandshake("first");
    rig.send(PidXferCmplt, hex("0600"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.outcomes.size() == 1; }, 3000));

    rig.link.written.clear();
    rig.link.open(QIODevice::ReadWrite);
    rig.startAndHandshake("second");
    QTest::qWait(100);
    EXPECT_TRUE(rig.download.isTransferring());
    EXPECT_EQ(rig.list.count("Transfer OK"), 1);
    EXPECT_FALSE(QFile::exists(rig.path("second.trk"))); // not before the transfer completes

    rig.download.cancel();
    EXPECT_EQ(rig.outcomes.last(), Outcome::Cancelled);
    EXPECT_FALSE(QFile::exists(rig.path("second.trk")));
    EXPECT_TRUE(QFile::exists(rig.path("first.trk")));
    EXPECT_TRUE(rig.waitFor(kAbortCommand));
    EXPECT_TRUE(rig.dialogs.shown.isEmpty());
}

TEST(GarminDownload, StartFailuresAreReportedAsSuch)
{
    {
        Rig rig;
        EXPECT_EQ(rig.download.startDownloadOn(&rig.link, rig.dir.path(), ""), GarminDownload::StartResult::EmptyName);
        EXPECT_EQ(rig.dialogs.beeps, 1);
        EXPECT_TRUE(rig.link.written.isEmpty());
    }
    {
        Rig rig;
        EXPECT_EQ(rig.download.startDownloadOn(&rig.link, rig.path("no/such/folder"), "a"),
                  GarminDownload::StartResult::FileFailed);
        ASSERT_EQ(rig.dialogs.shown.size(), 1);
        EXPECT_TRUE(rig.dialogs.shown[0].text.startsWith("The file ")) << rig.dialogs.shown[0].text.toStdString();
        EXPECT_FALSE(rig.download.watchdog()->isActive());
    }
    {
        Rig rig;
        const zv::DeviceOverrides overrides{{"COM3", rig.path("no-such-device")}};
        EXPECT_EQ(rig.download.startDownload(rig.dir.path(), "a", 2, overrides), GarminDownload::StartResult::PortFailed);
        ASSERT_EQ(rig.dialogs.shown.size(), 1);
        EXPECT_TRUE(rig.dialogs.shown[0].text.startsWith("COM3 cannot be opened")) << rig.dialogs.shown[0].text.toStdString();
        EXPECT_FALSE(QFile::exists(rig.path("a.trk")));
        EXPECT_FALSE(rig.download.watchdog()->isActive());
    }
}

TEST(GarminDownload, FramesOfAnySizeAndContentNeverReadPastTheirEnd)
{
    Rig rig;
    rig.startAndHandshake();
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, static_cast<char>(seed >> 16); };
    const std::uint8_t pids[] = {PidRecords, PidTrkHdr, PidTrkData, PidProductData, PidAck, PidNak, 7, 200};
    int sent = 0;
    for (std::uint8_t pid : pids)
        for (int size = 0; size <= 40; ++size) {
            QByteArray data;
            for (int i = 0; i < size; ++i)
                data.append(next());
            rig.send(pid, data);
            ++sent;
        }
    // Noise, then a frame whose size byte lies.
    QByteArray noise;
    for (int i = 0; i < 2000; ++i)
        noise.append(next());
    rig.link.push(noise);
    rig.link.push(hex("102205010203041003"));
    rig.send(PidXferCmplt, hex("0600"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 5000))
        << "transferring " << rig.download.isTransferring();
    EXPECT_EQ(rig.outcomes, QList<Outcome>{Outcome::TransferOk});
    for (const QByteArray& line : rig.fileLines("alps.trk"))
        EXPECT_TRUE(line.startsWith("T  ") || line.startsWith("N  ") || line.startsWith("L  ") || line.startsWith("I ")
                    || line.startsWith("# ") || line.startsWith("eTrex"))
            << line.toStdString();
}

TEST(GarminDownload, FullDiskKeepsTheExistingTrackAndSaysSo)
{
    Rig rig;
    const QByteArray old = "I old track\r\n" + QByteArray(4000, 'x') + "\r\n";
    {
        QFile f(rig.path("alps.trk"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    {
        // Room for the header lines only: the points do not fit.
        zvtest::FileSizeLimit full(200);
        ASSERT_TRUE(full.active());
        rig.startAndHandshake();
        rig.send(PidRecords, hex("2800"));
        for (int i = 0; i < 40; ++i)
            rig.send(PidTrkData, d301(semis(47 + i * 0.001), semis(11), 473862896 + i, 500.0f, i == 0));
        rig.send(PidXferCmplt, hex("0600"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.outcomes.isEmpty(); }, 3000));
    }
    EXPECT_EQ(rig.outcomes, QList<Outcome>{Outcome::Cancelled});
    ASSERT_EQ(rig.dialogs.shown.size(), 1);
    EXPECT_EQ(rig.dialogs.shown[0].icon, zv::Dialogs::Icon::Critical);
    EXPECT_TRUE(rig.dialogs.shown[0].text.startsWith("The file ")) << rig.dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(rig.dialogs.shown[0].text.endsWith("alps.trk could not be written completely:\nFile too large"))
        << rig.dialogs.shown[0].text.toStdString();
    QFile f(rig.path("alps.trk"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    EXPECT_EQ(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"alps.trk"}) << "no temporary file left";
}

TEST(GarminDownload, CancelAndTimeoutKeepAnExistingTrackOfTheSameName)
{
    Rig rig;
    {
        QFile f(rig.path("alps.trk"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("I kept\r\n");
    }
    rig.startAndHandshake();
    rig.send(PidRecords, hex("0200"));
    rig.send(PidTrkData, d301(semis(1), semis(2), 473862896, 7, true));
    ASSERT_TRUE(rig.waitFor(buildAck(PidTrkData)));
    rig.download.cancel();
    ASSERT_EQ(rig.outcomes, QList<Outcome>{Outcome::Cancelled});
    QFile f(rig.path("alps.trk"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("I kept\r\n"));
    EXPECT_EQ(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"alps.trk"});
}
