// The intake inside the real window: bytes in, sentences dispatched, read-outs
// and "Vur.log" out. The port is not used; bytes are fed in-process.
#include "display/decode/live_display.h"
#include "display/intake/intake.h"
#include "display/window/display_window.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace vur;

namespace {

constexpr const char* kGga = "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
constexpr const char* kRmc = "$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A";

struct Fixture {
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow window{home.path(), &dialogs};
    QList<QByteArray> dispatched;

    Fixture()
    {
        // Record every decoded sentence on top of the real decoders.
        auto* live = window.liveDisplay();
        Intake* in = window.intake();
        in->setHandler(SentenceType::GGA, [this, live](const QByteArray& s) { dispatched << s; live->onGga(s); });
        in->setHandler(SentenceType::RMC, [this, live](const QByteArray& s) { dispatched << s; live->onRmc(s); });
        in->setHandler(SentenceType::GSV, [this, live](const QByteArray& s) { dispatched << s; live->onGsv(s); });
        in->setHandler(SentenceType::GSA, [this, live](const QByteArray& s) { dispatched << s; live->onGsa(s); });
        live->setClock([this] { return clock; });
    }
    template <typename T> T* find(const char* name) { return window.findChild<T*>(QString::fromUtf8(name)); }
    QString text(const char* name) { return find<QLabel>(name)->text(); }
    void feed(QByteArrayView bytes) { window.intake()->feed(bytes); }
    QByteArray log()
    {
        QFile f(window.intake()->logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no log>");
    }
    void clickLeft(const char* name)
    {
        auto* box = find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    double clock = 1000;
};

QByteArray twoSentences() { return QByteArray(kGga) + "\r\n" + kRmc + "\r\n"; }

} // namespace

TEST(Intake, SplitAtEveryOffsetGivesTheSameTwoSentences)
{
    const QByteArray stream = twoSentences();
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        Fixture fx;
        fx.feed(QByteArrayView(stream).first(cut));
        fx.feed(QByteArrayView(stream).sliced(cut));
        ASSERT_EQ(fx.dispatched, (QList<QByteArray>{kGga, kRmc})) << "cut at " << cut;
        EXPECT_EQ(fx.text("Uhr"), QStringLiteral("12:30"));
    }
}

TEST(Intake, RandomChunksGiveTheSameReadoutsAsOneBlock)
{
    QByteArray stream;
    for (int i = 0; i < 20; ++i)
        stream += twoSentences() + "$GPGSV,1,1,04,05,1,1,40,02,1,1,20,,,,,,,,*00\r\n$GPGSA,A,3,05,02,,,,,,,,,,,2,1,1*00\r\n";
    Fixture whole;
    whole.feed(stream);
    QRandomGenerator rng(42);
    for (int round = 0; round < 20; ++round) {
        Fixture fx;
        for (qsizetype pos = 0; pos < stream.size();) {
            const qsizetype n = std::min<qsizetype>(stream.size() - pos, rng.bounded(1, 90));
            fx.feed(QByteArrayView(stream).sliced(pos, n));
            pos += n;
        }
        ASSERT_EQ(fx.dispatched, whole.dispatched) << "round " << round;
        EXPECT_EQ(fx.window.readoutsReport(), whole.window.readoutsReport());
    }
    EXPECT_EQ(whole.dispatched.size(), 80);
}

TEST(Intake, LineWithoutDollarIsDroppedNotRedispatched)
{
    Fixture fx;
    fx.clickLeft("Check1(0)");
    fx.clickLeft("ALL");
    fx.feed(QByteArray(kGga) + "\r\nABC\r\n");
    EXPECT_EQ(fx.dispatched, QList<QByteArray>{kGga});
    EXPECT_EQ(fx.log(), QByteArray(kGga) + "\r\n");
}

TEST(Intake, EverySentenceModeLogsProprietaryAndCutSentencesUndecoded)
{
    Fixture fx;
    fx.clickLeft("Check1(0)");
    fx.clickLeft("ALL");
    ASSERT_EQ(fx.window.intake()->logMode(), 1);
    fx.feed("$PGRMM,WGS 84*06\r\n$GPRMC,123,A\r\n$GPGGA,1,,,,,1,08,,545.9,M*FF\r\n");
    // A wrong checksum is decoded like a correct one; no "*" leaves two characters.
    EXPECT_EQ(fx.dispatched, QList<QByteArray>{"$GPGGA,1,,,,,1,08,,545.9,M*FF"});
    EXPECT_EQ(fx.text("Höhe"), QStringLiteral("545"));
    EXPECT_EQ(fx.log(), QByteArray("$PGRMM,WGS 84*06\r\n$G\r\n$GPGGA,1,,,,,1,08,,545.9,M*FF\r\n"));
}

TEST(Intake, PerTypeModeLogsFirstRmcAndGgaAfterEachSampleTick)
{
    Fixture fx;
    fx.clickLeft("Check1(0)");
    const QByteArray epoch = QByteArray(kRmc) + "\r\n" + kGga + "\r\n$GPGSA,A,3*00\r\n";
    fx.feed(epoch);         // RMC ignored: no GGA with satellites yet
    fx.clock += 1;
    fx.feed(epoch);         // sample tick: RMC and GGA logged
    fx.clock += 0.5;
    fx.feed(epoch);         // within the interval: nothing
    fx.clock += 0.9;
    fx.feed(epoch);         // 1.4 s after the last sample: logged
    const QByteArray pair = QByteArray(kRmc) + "\r\n" + kGga + "\r\n";
    EXPECT_EQ(fx.log(), pair + pair);
    // The boxes of the types heard are enabled, the others not.
    EXPECT_TRUE(fx.find<QCheckBox>("RMC")->isEnabled());
    EXPECT_TRUE(fx.find<QCheckBox>("GSA")->isEnabled());
    EXPECT_FALSE(fx.find<QCheckBox>("VTG")->isEnabled());
}

TEST(Intake, AppendKeepsTheLinesWrittenSoFarAndUncheckingCloses)
{
    Fixture fx;
    fx.clickLeft("Check1(0)");
    fx.clickLeft("ALL");
    fx.feed("$GPXXX,1*00\r\n");
    fx.clickLeft("Check1(1)");
    EXPECT_FALSE(fx.find<QCheckBox>("Check1(0)")->isChecked());
    EXPECT_EQ(fx.window.intake()->logMode(), 2);
    fx.feed("$GPXXX,2*00\r\n");
    fx.clickLeft("Check1(1)");
    EXPECT_EQ(fx.window.intake()->logMode(), 0);
    fx.feed("$GPXXX,3*00\r\n");
    EXPECT_EQ(fx.log(), QByteArray("$GPXXX,1*00\r\n$GPXXX,2*00\r\n"));
    EXPECT_EQ(fx.dialogs.beeps, 3);
}

TEST(Intake, GarbageWithoutLineEndStaysBounded)
{
    Fixture fx;
    QByteArray junk(100000, 'x');
    fx.feed(junk);
    fx.feed("$GPGGA,1,,,,,1,08,,545.9,M*00\r\n");
    EXPECT_EQ(fx.text("Höhe"), QStringLiteral("545"));
    EXPECT_LE(fx.window.intake()->sentence().size(), Intake::maxLine);
}

TEST(Intake, AttachedDeviceIsDrainedOnReadyRead)
{
    Fixture fx;
    QByteArray data = twoSentences();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    fx.window.intake()->attachDevice(&buffer);
    fx.window.intake()->Anzeige();
    EXPECT_EQ(fx.dispatched.size(), 2);
}

TEST(Intake, FullDiskStopsTheLogOnceKeepsItsLinesAndSaysSo)
{
    Fixture fx;
    const QByteArray old = "$GPXXX,earlier*00\r\n";
    {
        QFile f(fx.window.intake()->logPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    {
        zvtest::FileSizeLimit full(old.size() + 200);
        ASSERT_TRUE(full.active());
        fx.clickLeft("Check1(1)"); // append
        fx.clickLeft("ALL");
        ASSERT_EQ(fx.window.intake()->logMode(), 2);
        for (int i = 0; i < 50; ++i)
            fx.feed(twoSentences());
    }
    EXPECT_EQ(fx.window.intake()->logMode(), 0);
    EXPECT_FALSE(fx.find<QCheckBox>("Check1(1)")->isChecked());
    ASSERT_EQ(fx.dialogs.shown.size(), 1) << "one message, not one per line";
    EXPECT_TRUE(fx.dialogs.shown[0].text.startsWith("Protokoll angehalten: ")) << fx.dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(fx.dialogs.shown[0].text.endsWith("Vur.log\nFile too large")) << fx.dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(fx.log().startsWith(old + kGga)) << fx.log().constData();
}

// Vur.log made read-only by its user is neither truncated nor appended to,
// also when Vur runs as root.
TEST(Intake, ReadOnlyLogIsKept)
{
    Fixture fx;
    const QString path = fx.window.intake()->logPath();
    const QByteArray old = "$GPXXX,kept*00\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    for (const char* box : {"Check1(0)", "Check1(1)"}) {
        fx.clickLeft(box);
        EXPECT_EQ(fx.window.intake()->logMode(), 0) << box;
        EXPECT_FALSE(fx.find<QCheckBox>(box)->isChecked()) << box;
        fx.feed(twoSentences());
        EXPECT_EQ(fx.log(), old) << box;
    }
    EXPECT_EQ(fx.dialogs.shown.size(), 2);
}
