#include "common/nmea.h"
#include "sim/manual/manual_composer.h"
#include "sim/manual/recording.h"
#include "sim/manual/recording_format.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

using namespace zelvan;

namespace {

const QDateTime kNoon(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);

TEST(RecordFormat, MinutesCarryAndNeverRead60)
{
    struct Case {
        double minutes;
        int nudge;
        const char* text;
    } cases[] = {
        {2885.745, 0, "04805.7450"}, {2885.745, 1, "04805.7451"}, {698.195, 0, "01138.1950"},
        {59.99999, 0, "00100.0000"}, {2939.99996, 0, "04900.0000"}, {2885.9999, 1, "04806.0000"},
        {0, 0, "00000.0000"},        {10799.99999, 0, "18000.0000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatRecordMinutes(c.minutes, c.nudge), c.text) << c.minutes;
}

TEST(RecordFormat, TextStatusFromTheLastRmc)
{
    struct Case {
        const char* rmc;
        const char* status;
    } cases[] = {
        {"$GPRMC,143005,A,4805.7450,N,01138.1950,E,000.0,,061226,,E*00", "48.09575,N,011.63658,E,\"Bridge\""},
        {"$GPRMC,143005,A,4859.9999,S,00000.0001,W,000.0,,061226,,E*00", "49.00000,S,000.00000,W,\"Bridge\""},
        {"$GPRMC,143005,V,,,,,,,061226,,*00", ""},
        // No hemisphere letter, no position: a "$" would split the record.
        {"$GPRMC,143005,A,4805.7450,$,01138.1950,E,000.0,,061226,,E*00", ""},
        {"$GPRMC,143005,A,4805.7450,N,01138.1950,,000.0,,061226,,E*00", ""},
        {"$GPRMC,143005,A,120000120000,N,01138.1950,E,000.0,,061226,,E*00", ""}, // beyond 180 degrees
    };
    for (const auto& c : cases)
        EXPECT_EQ(textRecordStatus(QByteArrayView(c.rmc), QStringLiteral("Bridge")), c.status) << c.rmc;
    EXPECT_EQ(cleanRecordText(QStringLiteral("$Br*id\tge\r\n\x7f")), "Bridge");
    EXPECT_EQ(cleanRecordText(QStringLiteral("\"Fluss\" 2")), "\"Fluss\" 2");
}

TEST(RecordFormat, SpeedPatchAndFieldReplacement)
{
    const QByteArray rmc = zv::frameSentence(QByteArrayView("GPRMC,143005,A,4805.7450,N,01138.1950,E,000.0,,061226,,E"));
    EXPECT_EQ(withRecordSpeed(rmc, 50), zv::frameSentence(QByteArrayView("GPRMC,143005,A,4805.7450,N,01138.1950,E,027.0,,061226,,E")));
    EXPECT_EQ(zv::sentenceField(withRecordSpeed(rmc, 0), 7), "000.0");
    EXPECT_EQ(zv::sentenceField(withRecordSpeed(rmc, 200), 7), "108.0");
    EXPECT_EQ(withFields(rmc, {{1, "143007"}}),
              zv::frameSentence(QByteArrayView("GPRMC,143007,A,4805.7450,N,01138.1950,E,000.0,,061226,,E")));
}

TEST(RecordFormat, NamesThatLeaveTheTracksFolderAreRefused)
{
    struct Case {
        const char* name;
        bool ok;
    } cases[] = {{"trip", true}, {"Tour 2026", true}, {"a.b", true}, {"../evil", false},
                 {"a/b", false}, {"a\\b", false},      {"..", false},  {"x..y", false}};
    for (const auto& c : cases)
        EXPECT_EQ(isAcceptableRecordName(QString::fromLatin1(c.name)), c.ok) << c.name;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        enterManualMode(state, QByteArrayView(), kNoon);
        recorder = std::make_unique<ManualRecorder>(state, dialogs, home.path(), nullptr);
    }
    QString tracks() const { return QDir(home.path()).filePath("Tracks"); }
    QString path(const char* name) const { return QDir(tracks()).filePath(QString::fromLatin1(name) + ".log"); }
    void choose(const QString& name)
    {
        dialogs.queueInput(name);
        recorder->chooseFile(QString());
    }
    void startRun()
    {
        startManualRun(state);
        recorder->runStarted();
        tick();
    }
    ManualTickOutput tick() { return composeManualSentences(state, {}, kNoon); }
    QByteArrayList lines(const char* name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArray all = f.readAll();
        QByteArrayList out = all.split('\n');
        if (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        for (auto& l : out) {
            EXPECT_TRUE(l.endsWith('\r')) << "CR LF line end: " << l.constData();
            l.chop(1);
        }
        return out;
    }
    void moveNorthTenths(int tenths)
    {
        state.position.lat = AxisPosition::fromMagnitudeTenths(state.position.lat.magnitudeTenths() + tenths, false);
    }
    // Every line but the one-blank separators passes python3-nmea2 with a
    // valid checksum, and no minutes read 60.
    void checkWithPynmea2(const char* name)
    {
        static const char* script = R"PY(
import sys, pynmea2
data = open(sys.argv[1], 'rb').read()
bad = []
for n, raw in enumerate(data.split(b'\r\n')[:-1]):
    line = raw.decode('latin-1')
    if line == ' ':
        continue
    try:
        pynmea2.parse(line, check=True)
    except Exception as e:
        bad.append('%d: %s: %s' % (n, line, e))
    for f in line.split(','):
        if f[2:4] == '60' or f[3:5] == '60':
            bad.append('%d: minutes 60 in %s' % (n, line))
print('\n'.join(bad))
sys.exit(1 if bad else 0)
)PY";
        QProcess py;
        py.start("/usr/bin/python3", {"-c", script, path(name)});
        ASSERT_TRUE(py.waitForFinished(30000)) << "python3 did not run";
        EXPECT_EQ(py.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardOutput().constData() << py.readAllStandardError().constData();
    }

    QTemporaryDir home;
    ManualState state;
    zvtest::ScriptedDialogs dialogs;
    std::unique_ptr<ManualRecorder> recorder;
};

TEST_F(Recording, NewFileInACreatedTracksFolder)
{
    ASSERT_FALSE(QDir(tracks()).exists());
    QSignalSpy captionSpy(recorder.get(), &ManualRecorder::autoPointCaptionChanged);
    choose("trip");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, "  Set Filename");
    EXPECT_EQ(dialogs.shown[0].text, "\nFilename without extension: ");
    EXPECT_TRUE(QFile::exists(path("trip")));
    EXPECT_TRUE(recorder->isOpen());
    EXPECT_EQ(recorder->fileLabel(), "trip");
    EXPECT_FALSE(recorder->savePEnabled()) << "not running yet";
    EXPECT_EQ(state.autoPoint.caption(), "*");
    EXPECT_EQ(captionSpy.count(), 1);
    recorder->runStarted();
    EXPECT_TRUE(recorder->savePEnabled());
    EXPECT_TRUE(recorder->saveTEnabled());
    recorder->runStopped();
    EXPECT_FALSE(recorder->savePEnabled());
    EXPECT_TRUE(recorder->saveTEnabled());
}

TEST_F(Recording, AutoPointFillsEvenlySpacedPointsOnce)
{
    state.speedKmh = 50;
    choose("trip");
    startRun();
    moveNorthTenths(11);
    tick();
    recorder->savePosition(); // first point of a fresh file: no intermediate points
    EXPECT_EQ(state.autoPoint.caption(), "10 m");
    EXPECT_EQ(lines("trip").size(), 2);

    moveNorthTenths(11); // 1.1" = 34 m: three 10 m steps
    tick();
    EXPECT_EQ(state.lastDistanceM, 34);
    recorder->savePosition();
    recorder->savePosition(); // again before the next tick: only the position
    const QByteArrayList l = lines("trip");
    ASSERT_EQ(l.size(), 10);
    struct Expect {
        const char* time;
        const char* lat;
        const char* lon;
    } expected[] = {
        {"143007", "4805.7633", "01138.1950"}, {"143009", "4805.7695", "01138.1951"},
        {"143011", "4805.7756", "01138.1950"}, {"143013", "4805.7817", "01138.1950"},
        {"143015", "4805.7817", "01138.1950"},
    };
    for (int i = 0; i < 5; ++i) {
        const QByteArray& rmc = l[2 * i];
        const QByteArray& gga = l[2 * i + 1];
        EXPECT_TRUE(rmc.startsWith("$GPRMC,")) << rmc.constData();
        EXPECT_TRUE(gga.startsWith("$GPGGA,")) << gga.constData();
        EXPECT_EQ(zv::sentenceField(rmc, 1), expected[i].time) << i;
        EXPECT_EQ(zv::sentenceField(gga, 1), expected[i].time) << i;
        EXPECT_EQ(zv::sentenceField(rmc, 3), expected[i].lat) << i;
        EXPECT_EQ(zv::sentenceField(gga, 2), expected[i].lat) << i;
        EXPECT_EQ(zv::sentenceField(rmc, 5), expected[i].lon) << i;
        EXPECT_EQ(zv::sentenceField(gga, 4), expected[i].lon) << i;
        EXPECT_EQ(zv::sentenceField(rmc, 7), "027.0") << i;
        EXPECT_EQ(zv::sentenceField(gga, 9), "550.0") << i;
    }
    EXPECT_EQ(dialogs.beeps, 3);
    ASSERT_TRUE(state.reference.has_value());
    EXPECT_EQ(*state.reference, state.current);
    checkWithPynmea2("trip");
}

TEST_F(Recording, DateAndTimeOfARecordAreOneInstantAcrossMidnight)
{
    const QDateTime evening(QDate(2026, 12, 7), QTime(23, 59, 50), Qt::UTC);
    enterManualMode(state, QByteArrayView(), evening);
    choose("night");
    startManualRun(state);
    recorder->runStarted();
    for (int i = 0; i < 6; ++i) {
        // The computer's clock runs on past midnight meanwhile.
        if (i == 4)
            moveNorthTenths(11); // 34 m: two intermediate points
        composeManualSentences(state, {}, evening.addSecs(20 * i));
        recorder->savePosition();
    }
    QByteArrayList stamps;
    for (const QByteArray& l : lines("night"))
        if (l.startsWith("$GPRMC"))
            stamps.append(zv::sentenceField(l, 9) + ' ' + zv::sentenceField(l, 1));
    EXPECT_EQ(stamps, (QByteArrayList{"071226 235952", "071226 235954", "071226 235956", "071226 235958",
                                      "081226 000000", "081226 000002", "081226 000004", "081226 000006"}));
}

// A jump of a degree at 10 m steps would be 11,128 points in one keystroke.
TEST_F(Recording, AutoPointWritesAtMostAHundredPointsAndSaysSo)
{
    QSignalSpy status(recorder.get(), &ManualRecorder::statusTextChanged);
    choose("jump");
    startRun();
    recorder->savePosition();
    state.position.lat.degrees += 1;
    tick();
    recorder->savePosition();
    const QByteArrayList l = lines("jump");
    ASSERT_EQ(l.size(), 2 + 2 * (100 + 1));
    // Evenly spread over the whole way, a hundred-and-first of it apart.
    EXPECT_EQ(zv::sentenceField(l[2], 3), "4806.3392");
    EXPECT_EQ(zv::sentenceField(l[200], 3), "4905.1509");
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status[0][0].toString(), "Auto-Point: 100 points at most, one every 1102 m");
    // The next point without a limit puts the last text record back.
    moveNorthTenths(11);
    tick();
    recorder->savePosition();
    ASSERT_EQ(status.size(), 2);
    EXPECT_EQ(status[1][0].toString(), QString());
    checkWithPynmea2("jump");
}

TEST_F(Recording, AutoPointAcrossAMeridianFillsTheShortWay)
{
    struct Case {
        int degrees;
        const char* lonHead; // every recorded longitude starts so (or is 180 degrees)
    } cases[] = {{0, "00000."}, {179, "17959."}};
    for (const auto& c : cases) {
        const QByteArray name = "m" + QByteArray::number(c.degrees);
        state.position.lon = AxisPosition{false, c.degrees, c.degrees ? 59 : 0, c.degrees ? 59 : 1, 0};
        choose(QString::fromLatin1(name));
        startRun();
        recorder->savePosition();
        state.position.lon.negative = true; // 2 arc-seconds (41 m) west or east
        tick();
        recorder->savePosition();
        QByteArrayList lons, astray;
        for (const QByteArray& l : lines(name.constData()))
            if (l.startsWith("$GPRMC")) {
                lons.append(zv::sentenceField(l, 5));
                if (!lons.last().startsWith(c.lonHead) && lons.last() != "18000.0000")
                    astray.append(lons.last());
            }
        EXPECT_EQ(lons.size(), 2 + 3) << c.degrees;
        EXPECT_EQ(astray.size(), 0) << c.degrees << ": " << astray.value(0).constData();
        recorder->closeRecording();
    }
}

TEST_F(Recording, ShortWayGetsNoIntermediatePoint)
{
    choose("trip");
    startRun();
    recorder->savePosition();
    moveNorthTenths(6); // 19 m
    tick();
    EXPECT_EQ(state.lastDistanceM, 19);
    recorder->savePosition();
    EXPECT_EQ(lines("trip").size(), 4);
}

TEST_F(Recording, NothingIsRecordedBeforeTheRunsFirstTick)
{
    choose("trip");
    startManualRun(state);
    recorder->runStarted();
    recorder->savePosition();
    recorder->saveText();
    EXPECT_EQ(dialogs.beeps, 2);
    EXPECT_EQ(dialogs.shown.size(), 1) << "no text input box";
    EXPECT_FALSE(state.reference.has_value());
    EXPECT_TRUE(lines("trip").isEmpty());
}

TEST_F(Recording, TextRecordsAndSeparators)
{
    choose("notes");
    startRun();
    struct Case {
        const char* input;
        const char* line; // nullptr: nothing written
    } cases[] = {
        {"Bridge", "GPTXT,48.09575,N,011.63658,E,\"Bridge\""},
        {" ", nullptr},
        {"", nullptr},
        {"$Br*id\tge", "GPTXT,48.09575,N,011.63658,E,\"Bridge\""},
        {"$*", nullptr},
        {"\xc5\x81\xc3\xb3" "d\xc5\xba", nullptr}, // beyond Latin-1: refused with a message
    };
    QByteArrayList expected;
    for (const auto& c : cases) {
        dialogs.queueInput(QString::fromUtf8(c.input));
        recorder->saveText();
        if (c.line)
            expected.append(zv::frameSentence(QByteArrayView(c.line)));
        else if (QByteArray(c.input) == " ")
            expected.append(" ");
    }
    EXPECT_EQ(lines("notes"), expected);
    EXPECT_EQ(state.statusText, "48.09575,N,011.63658,E,\"Bridge\"");
    EXPECT_EQ(dialogs.shown.last().icon, zv::Dialogs::Icon::Warning);
    EXPECT_EQ(dialogs.shown.last().text, QString::fromUtf8("Text not recorded: \"\xc5\x81\" and \"\xc5\xba\" cannot be "
                                                            "written to the log (Latin-1 characters only)."));
    EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 2].title, "  ");
    EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 2].text, "\n Text :");
    checkWithPynmea2("notes");
}

TEST_F(Recording, NamesWithPathPartsAreRefused)
{
    for (const char* name : {"../evil", "a/b", "sub\\x", ".."}) {
        dialogs.shown.clear();
        choose(QString::fromLatin1(name));
        ASSERT_EQ(dialogs.shown.size(), 2) << name;
        EXPECT_EQ(dialogs.shown[1].icon, zv::Dialogs::Icon::Warning) << name;
        EXPECT_FALSE(recorder->isOpen()) << name;
        EXPECT_FALSE(recorder->saveTEnabled()) << name;
    }
    EXPECT_FALSE(QFile::exists(QDir(home.path()).filePath("evil.log")));
    EXPECT_FALSE(QDir(tracks()).exists());
}

TEST_F(Recording, ExistingFileIsExtendedOverwrittenOrLeftAlone)
{
    QDir().mkpath(tracks());
    auto writeOld = [this] {
        QFile f(path("old"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("$GPTXT,old*00\r\n");
    };
    writeOld();
    startRun();

    dialogs.queueAnswer(zv::Dialogs::Answer::No);
    choose("old");
    EXPECT_EQ(dialogs.shown.last().text,
              "Filename already exist ! - Overwrite File ?\n\n Yes/Ja   = Overwrite\n No/Nein = Extend File");
    EXPECT_EQ(dialogs.shown.last().title, " old");
    EXPECT_EQ(state.autoPoint.caption(), "10 m") << "an extended file keeps Auto-Point";
    recorder->savePosition();
    EXPECT_EQ(lines("old").size(), 3);

    dialogs.queueAnswer(zv::Dialogs::Answer::Cancel);
    choose("old");
    EXPECT_FALSE(recorder->saveTEnabled());
    EXPECT_TRUE(recorder->savePEnabled()) << "Cancel leaves SaveP and the open file";
    EXPECT_TRUE(recorder->isOpen());

    dialogs.queueAnswer(zv::Dialogs::Answer::Yes);
    choose("old");
    EXPECT_TRUE(lines("old").isEmpty());
    EXPECT_EQ(state.autoPoint.caption(), "*");
}

TEST_F(Recording, DefaultNameComesFromTheSelectedLog)
{
    dialogs.queueInput(QString()); // accept the default
    recorder->chooseFile("/data/Tracks/tour.2024.LOG");
    EXPECT_EQ(recorder->recordName(), "tour");
    EXPECT_TRUE(QFile::exists(path("tour")));
}

TEST_F(Recording, WriteFailureIsReportedWithTheSystemsReason)
{
    ASSERT_TRUE(QFile::exists("/dev/full"));
    QDir().mkpath(tracks());
    ASSERT_TRUE(QFile::link("/dev/full", path("full")));
    dialogs.queueAnswer(zv::Dialogs::Answer::Yes);
    choose("full");
    ASSERT_TRUE(recorder->isOpen());
    startRun();
    recorder->savePosition();
    ASSERT_EQ(dialogs.shown.last().icon, zv::Dialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.shown.last().text.contains("No space left on device")) << dialogs.shown.last().text.toStdString();
    EXPECT_FALSE(recorder->isOpen());
    EXPECT_FALSE(recorder->savePEnabled());
    EXPECT_FALSE(recorder->saveTEnabled());
    EXPECT_TRUE(recorder->fileLabel().isEmpty());
}

TEST_F(Recording, OpenFailureIsReportedWithTheSystemsReason)
{
    QDir().mkpath(path("dir")); // a folder where the file should be
    dialogs.queueAnswer(zv::Dialogs::Answer::Yes);
    choose("dir");
    ASSERT_EQ(dialogs.shown.last().icon, zv::Dialogs::Icon::Critical);
    EXPECT_FALSE(recorder->isOpen());
    EXPECT_TRUE(recorder->fileLabel().isEmpty());

    // "Tracks" is a file: the folder cannot be made.
    QTemporaryDir other;
    QFile blocker(QDir(other.path()).filePath("Tracks"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ManualRecorder r2(state, dialogs, other.path(), nullptr);
    dialogs.queueInput("x");
    r2.chooseFile(QString());
    EXPECT_EQ(dialogs.shown.last().icon, zv::Dialogs::Icon::Critical);
    EXPECT_FALSE(r2.isOpen());
}

TEST_F(Recording, ClosedRecordingIsNotEnabledByALaterStart)
{
    choose("trip");
    recorder->closeRecording();
    EXPECT_TRUE(recorder->fileLabel().isEmpty());
    startRun();
    EXPECT_FALSE(recorder->savePEnabled());
    EXPECT_FALSE(recorder->saveTEnabled());
    recorder->savePosition();
    EXPECT_TRUE(lines("trip").isEmpty());
}

} // namespace

TEST_F(Recording, FullDiskWhileExtendingKeepsWhatWasRecordedAndSaysSo)
{
    QDir().mkpath(tracks());
    const QByteArray old = "$GPTXT,earlier tour*00\r\n" + QByteArray(300, 'x') + "\r\n";
    {
        QFile f(path("tour"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    {
        zvtest::FileSizeLimit full(old.size() + 100); // room for one record, not for many
        ASSERT_TRUE(full.active());
        dialogs.queueAnswer(zv::Dialogs::Answer::No); // extend
        choose("tour");
        ASSERT_TRUE(recorder->isOpen());
        startRun();
        for (int i = 0; i < 10 && recorder->isOpen(); ++i) {
            moveNorthTenths(5);
            tick();
            recorder->savePosition();
        }
    }
    EXPECT_FALSE(recorder->isOpen());
    ASSERT_FALSE(dialogs.shown.isEmpty());
    EXPECT_EQ(dialogs.shown.last().icon, zv::Dialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.shown.last().text.startsWith("File cannot be written:")) << dialogs.shown.last().text.toStdString();
    EXPECT_TRUE(dialogs.shown.last().text.contains("File too large")) << dialogs.shown.last().text.toStdString();
    EXPECT_FALSE(recorder->savePEnabled());
    QFile f(path("tour"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith(old)) << "what was recorded before stays";
}
