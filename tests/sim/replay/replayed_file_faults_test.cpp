// The log being replayed is deleted, replaced or cut short under the running
// replay, through the real window: the replay reads on from its open handle
// (as the system keeps a deleted file's data for it), and where the data is
// really gone it ends or says so, never crashes or hangs.
#include "replay_harness.h"

#include "common/nmea.h"
#include "sim/replay/replay_core.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSaveFile>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

const QString kLog = QStringLiteral("replay/gpsd_GPSmap-76S.log");

QString trackPath(ReplayHarness& h, const QString& name)
{
    return QDir(h.window->trackFolder()).filePath(name);
}

// Every sentence a whole, undisturbed replay sends.
QList<QByteArray> undisturbedRun()
{
    ReplayHarness h;
    EXPECT_TRUE(h.loadData(kLog));
    h.runToEnd(10000);
    return h.channel.sent;
}

} // namespace

TEST(ReplayedFileFaults, DeletedOrReplacedLogIsReplayedToItsEndFromTheOpenHandle)
{
    const QList<QByteArray> expected = undisturbedRun();
    ASSERT_GT(expected.size(), 20);
    for (bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replaced" : "deleted");
        ReplayHarness h;
        ASSERT_TRUE(h.loadData(kLog));
        for (int i = 0; i < 3; ++i)
            h.runTick();
        const QString path = trackPath(h, QStringLiteral("gpsd_GPSmap-76S.log"));
        if (replace) {
            // An editor's save: a new file renamed over the old name.
            QSaveFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(zv::frameSentence("GPRMC,000000,V,,,,,,,010100,,") + "\r\n");
            ASSERT_TRUE(f.commit());
        } else {
            ASSERT_TRUE(QFile::remove(path));
        }
        EXPECT_LT(h.runToEnd(10000), 10000) << "the replay ends";
        EXPECT_EQ(h.channel.sent, expected);
        EXPECT_TRUE(h.dialogs.shown.isEmpty());
    }
}

TEST(ReplayedFileFaults, LoopAndJumpsGoOnOverTheOpenFileAfterItsNameWasDeletedOrReused)
{
    const QList<QByteArray> once = undisturbedRun();
    for (bool reuse : {false, true}) {
        SCOPED_TRACE(reuse ? "name reused" : "deleted");
        ReplayHarness h;
        ASSERT_TRUE(h.loadData(kLog));
        h.ui().lop->setChecked(true);
        h.runTick();
        const QString path = trackPath(h, QStringLiteral("gpsd_GPSmap-76S.log"));
        ASSERT_TRUE(QFile::remove(path));
        if (reuse) {
            // Another file under the name: the jumps must not use the old
            // file's offsets in it.
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, 'x') + "\r\n");
        }
        // Twice through the file and into a third pass: the loop restarts
        // from the open file.
        for (int i = 0; i < 100000 && h.state().replayActive && h.channel.sent.size() < 2 * once.size() + 10; ++i)
            h.runTick();
        EXPECT_TRUE(h.state().replayActive);
        EXPECT_TRUE(h.dialogs.shown.isEmpty()) << h.dialogs.shown.value(0).text.toStdString();
        ASSERT_GE(h.channel.sent.size(), 2 * once.size());
        const qsizetype second = h.channel.sent.indexOf(once.first(), once.size());
        ASSERT_GE(second, 0);
        EXPECT_EQ(h.channel.sent.mid(second, 10), once.mid(0, 10)) << "the second pass sends the same";

        h.loader().goToRecord(5);
        EXPECT_EQ(h.state().recordIndex, 5);
        EXPECT_TRUE(zv::isSentence(h.state().currentLine, "RMC")) << h.state().currentLine.constData();
        h.ui().restart->click();
        EXPECT_EQ(h.state().recordIndex, 0);
        EXPECT_TRUE(h.state().replayActive);
        EXPECT_TRUE(h.dialogs.shown.isEmpty());
    }
}

TEST(ReplayedFileFaults, LogCutShortInPlaceEndsTheReplayAndJumpsStaySafe)
{
    ReplayHarness h;
    ASSERT_TRUE(h.loadData(kLog));
    h.runTick();
    const QString path = trackPath(h, QStringLiteral("gpsd_GPSmap-76S.log"));
    {
        QFile f(path); // same file, truncated: the old offsets now point past its end
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(200));
    }
    const std::int32_t total = h.state().recordTotal;
    for (std::int32_t n : {total - 1, total / 2, 2, 1}) {
        if (!h.state().replayActive) {
            // Loading the cut file again works or says why.
            ASSERT_TRUE(h.load(QStringLiteral("gpsd_GPSmap-76S.log")) || h.dialogs.shown.size() > 0);
        }
        h.loader().goToRecord(n);
        h.runToEnd(10000);
    }
    h.ui().restart->click();
    EXPECT_LT(h.runToEnd(10000), 10000);
    for (const QByteArray& s : h.channel.sent)
        EXPECT_LE(s.size(), kMaxPassedLine);
}

TEST(ReplayedFileFaults, LogCutShortWhileReplayedSaysSo)
{
    // Epochs with a long comment each, so the replay has read only a few of
    // them when the file is cut at epoch 20 of 40.
    QByteArray log;
    qint64 cut = 0;
    for (int i = 0; i < 40; ++i) {
        if (i == 20)
            cut = log.size();
        const QByteArray t = QByteArray::number(100000 + i);
        log += zv::frameSentence("GPRMC," + t + ",A,4807.000,N,01131.000,E,5.0,090.0,230394,,") + "\r\n";
        log += "#" + QByteArray(20000, 'x') + "\r\n";
    }
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "no loop");
        ReplayHarness h;
        h.addFile(QStringLiteral("cut.log"), log);
        ASSERT_TRUE(h.load(QStringLiteral("cut.log")));
        EXPECT_EQ(h.state().recordTotal, 41);
        h.ui().lop->setChecked(loop);
        QStringList notes;
        QObject::connect(&h.window->sink(), &SentenceSink::noted, [&notes](const QString& text) { notes << text; });
        h.runTick();
        h.runTick();
        QFile f(trackPath(h, QStringLiteral("cut.log")));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(cut));
        f.close();
        for (int n = 0; n < 100 && h.state().replayActive; ++n)
            h.runTick();
        EXPECT_EQ(notes.count(QStringLiteral("File ended early !")), 1);
        EXPECT_EQ(h.state().replayActive, loop);
        if (!loop) {
            EXPECT_EQ(h.list1(), QStringList{QStringLiteral("File ended early !")});
        }
    }
}
