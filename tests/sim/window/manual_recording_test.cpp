// Recording through the window into a temporary home, and the recording
// replayed through the NMEA-log path.
#include "manual_harness.h"

#include "common/nmea.h"

#include <gtest/gtest.h>

#include <QAbstractSlider>

#include <QProcess>

using zvtest::ManualHarness;
using zvtest::fileLines;

namespace {

// Every line must parse with pynmea2 and carry a valid checksum.
QString pynmea2Check(const QString& path)
{
    const QString script = QStringLiteral(
        "import sys, pynmea2\n"
        "bad = []\n"
        "for n, line in enumerate(open(sys.argv[1], 'rb').read().decode('latin-1').split('\\r\\n')):\n"
        "    if line == '':\n"
        "        continue\n"
        "    try:\n"
        "        pynmea2.parse(line, check=True)\n"
        "    except Exception as e:\n"
        "        bad.append('%d: %r %s' % (n, line, e))\n"
        "print('\\n'.join(bad) if bad else 'OK')\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(30000))
        return QStringLiteral("python3 did not finish");
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

class ManualRecordingTest : public ::testing::Test {
protected:
    ManualHarness h;
    QString path() const { return QDir(h.home.path()).filePath(QStringLiteral("Tracks/trip.log")); }
    void click(const char* name) { h.child<QPushButton>(QString::fromLatin1(name))->click(); }
    QWidget* focused() { return QApplication::focusWidget(); }
};

TEST_F(ManualRecordingTest, SetFnOpensTheFileAndFileLShowsIt)
{
    h.manualOn();
    h.start();
    h.dialogs.queueInput(QStringLiteral("trip"));
    click("SetFN");
    EXPECT_TRUE(QFile::exists(path()));
    EXPECT_EQ(h.ui().fileL->text(), QStringLiteral("trip"));
    EXPECT_TRUE(h.child(QStringLiteral("SaveP"))->isEnabled());
    EXPECT_TRUE(h.child(QStringLiteral("SaveT"))->isEnabled());
    EXPECT_EQ(h.label("AutoM"), QStringLiteral("*"));
    EXPECT_EQ(h.dialogs.shown.last().title, QStringLiteral("  Set Filename"));

    // The file exists: Cancel on the overwrite question leaves SaveT off.
    h.dialogs.queueInput(QStringLiteral("trip"));
    h.dialogs.queueAnswer(zv::Dialogs::Answer::Cancel);
    click("SetFN");
    EXPECT_EQ(h.dialogs.shown.last().title, QStringLiteral(" trip"));
    EXPECT_TRUE(h.dialogs.shown.last().text.startsWith(QStringLiteral("Filename already exist ! - Overwrite File ?")));
    EXPECT_FALSE(h.child(QStringLiteral("SaveT"))->isEnabled());

    // Stop disables SaveP; leaving manual mode closes the file and blanks FileL.
    h.stop();
    EXPECT_FALSE(h.child(QStringLiteral("SaveP"))->isEnabled());
    h.manualOff();
    EXPECT_TRUE(h.ui().fileL->text().isEmpty());
    h.manualOn();
    h.start();
    EXPECT_FALSE(h.child(QStringLiteral("SaveP"))->isEnabled()) << "no recording onto a closed file";
}

TEST_F(ManualRecordingTest, SpaceBeforeTheFirstTickOnlyBeeps)
{
    h.manualOn();
    h.start();
    h.dialogs.queueInput(QStringLiteral("trip"));
    click("SetFN");
    const int beeps = h.dialogs.beeps;
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(h.dialogs.beeps, beeps + 1);
    EXPECT_TRUE(fileLines(path()).isEmpty());
}

TEST_F(ManualRecordingTest, RecordsWithAutoPointAndTextThenReplaysInOrder)
{
    // Auto-Point step "10 m" (the stored default is the next step up).
    qobject_cast<QAbstractSlider*>(h.child(QStringLiteral("VSc4")))->setValue(1);
    h.manualOn();
    h.start();
    h.runTick();
    h.dialogs.queueInput(QStringLiteral("trip"));
    click("SetFN");
    ASSERT_EQ(focused(), h.child(QStringLiteral("HSc1(3)")));

    // First point of a fresh file: no intermediate points, "*" goes back to "10 m".
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(h.label("AutoM"), QStringLiteral("10 m"));
    // SaveP flashes white, then turns red again.
    const QWidget* saveP = h.child(QStringLiteral("SaveP"));
    EXPECT_EQ(saveP->styleSheet(), QStringLiteral("background-color: #FFFFFF"));
    EXPECT_TRUE(QTest::qWaitFor(
        [saveP] { return saveP->styleSheet() == QStringLiteral("background-color: #FF0000"); }, 2000));
    // Three seconds north (93 m): Auto-Point at 10 m fills in 8 points.
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(focused(), Qt::Key_Up, Qt::AltModifier);
        h.now = h.now.addSecs(1);
        h.runTick();
    }
    EXPECT_EQ(h.ui().distL->text(), QStringLiteral("93"));
    // A focused button never records a second time.
    h.child(QStringLiteral("SaveP"))->setFocus();
    QTest::keyClick(focused(), Qt::Key_Space);
    // Holding Space: repeats are ignored.
    QTest::keyPress(focused(), Qt::Key_Space, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(focused(), &repeat);
    h.runTick(); // the text record reads the position of the last tick
    h.dialogs.queueInput(QStringLiteral("Bridge $*"));
    QTest::keyClick(focused(), Qt::Key_Enter); // keypad Enter as Return
    h.stop();

    const QList<QByteArray> lines = fileLines(path());
    // 2 (first point) + 2 x 8 (intermediate) + 2 (point) + 2 (the held Space: no
    // way travelled, the position again) + 1 text.
    ASSERT_EQ(lines.size(), 2 + 16 + 2 + 2 + 1) << lines.join('\n').constData();
    EXPECT_EQ(pynmea2Check(path()), QStringLiteral("OK"));
    EXPECT_EQ(lines.last(), zv::frameSentence(QByteArrayView("GPTXT,48.09658,N,011.63658,E,\"Bridge \"")));
    QList<QByteArray> times;
    for (const QByteArray& l : lines)
        if (l.startsWith("$GPRMC"))
            times.append(zv::sentenceField(l, 1));
    ASSERT_EQ(times.size(), 11);
    EXPECT_EQ(times.first(), "143007");
    EXPECT_EQ(times[9], "143025");
    EXPECT_EQ(zv::sentenceField(lines[0], 7), "027.0") << "50 km/h in knots";

    // Replay: leave manual mode, the recording shows in File1, load it.
    h.manualOff();
    ASSERT_TRUE(h.load(QStringLiteral("trip.log")));
    h.channel.sent.clear();
    h.runToEnd();
    QList<QByteArray> replayed;
    for (const QByteArray& s : h.sentOf("$GPRMC"))
        replayed.append(zv::sentenceField(s, 3));
    QList<QByteArray> recorded;
    for (const QByteArray& l : lines)
        if (l.startsWith("$GPRMC"))
            recorded.append(zv::sentenceField(l, 3));
    // The load consumes the first RMC before the first tick.
    ASSERT_FALSE(replayed.isEmpty());
    EXPECT_EQ(replayed, recorded.mid(recorded.size() - replayed.size()));
    for (int i = 1; i < replayed.size(); ++i)
        EXPECT_GE(replayed[i].toDouble(), replayed[i - 1].toDouble()) << i;
    EXPECT_EQ(replayed.last(), "4805.7950");
}

} // namespace
