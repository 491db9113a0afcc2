#include "sim/settings/sim_settings.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SimSettings, FreshStartUsesDefaultsAndTheTracksFolder)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    SimSettings s = file.load();
    EXPECT_EQ(s.dataPath, programDirText(home.path()));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Tracks")));
    s = file.load();
    EXPECT_EQ(s.dataPath, programDirText(home.path()) + QStringLiteral("Tracks") + QDir::separator());
    EXPECT_EQ(s.filePattern, QStringLiteral("*.log;*.nma;*.trl;*.trk;*.plt"));
    SimSettings expected;
    expected.dataPath = s.dataPath;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.posN, (std::array<int, 4>{48, 5, 44, 7}));
    EXPECT_EQ(s.posE, (std::array<int, 4>{11, 38, 11, 7}));
    EXPECT_EQ(file.tcpPort(), 1000);
    EXPECT_FALSE(QFile::exists(file.path())); // reading never creates the file
}

TEST(SimSettings, DefaultDataPathIsNotCutForADeepProgramFolder)
{
    QTemporaryDir home;
    const QString deep = home.filePath(QStringLiteral("a-rather-long-folder-name/and-another-one-below"));
    ASSERT_TRUE(QDir().mkpath(deep + QStringLiteral("/Tracks")));
    const SimSettings s = SettingsFile(deep).load();
    EXPECT_GT(s.dataPath.size(), 39);
    EXPECT_EQ(startupDataDir(s.dataPath, deep), s.dataPath);
}

TEST(SimSettings, ExitWritesEveryKeyInOrderByteExact)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    SimSettings s;
    s.outPortIndex = 3;
    s.garminPortIndex = 0;
    s.showLocal = 1;
    s.tzDiff = 2;
    s.metricUnits = 0;
    s.dataPath = QStringLiteral("/srv/gps");
    s.manuAuto = 10;
    s.manuAlt = 0;
    s.manuSpeed = 200;
    s.posN = {-89, 59, 0, 9};
    s.posE = {-179, 0, 59, 0};
    ASSERT_EQ(file.saveOnExit(s), std::nullopt);
    EXPECT_EQ(readAll(file.path()), QByteArray("[Port]\r\nCOM= 3\r\n"
                                               "[GPS-Port]\r\nCOM= 0\r\n"
                                               "[TimeZone]\r\nCET= 1\r\nDiff= 2\r\n"
                                               "[Units]\r\nkmh= 0\r\n"
                                               "[Files]\r\nPath=/srv/gps\r\n"
                                               "[Manu]\r\nAuto= 10\r\nAlt= 0\r\nSpeed= 200\r\n"
                                               "PosN0=-89\r\nPosE0=-179\r\nPosN1= 59\r\nPosE1= 0\r\n"
                                               "PosN2= 0\r\nPosE2= 59\r\nPosN3= 9\r\nPosE3= 0\r\n"));
    // Read back: every value restored (the data path only matters for Dir1).
    const SimSettings back = file.load();
    EXPECT_EQ(back, s);
    // A second exit with the same values leaves the same bytes.
    const QByteArray first = readAll(file.path());
    ASSERT_EQ(file.saveOnExit(back), std::nullopt);
    EXPECT_EQ(readAll(file.path()), first);
}

TEST(SimSettings, ExitKeepsDevicesTcpNamesAndForeignLines)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    writeAll(file.path(), "; mine\n[Devices]\nCOM3=/dev/ttyUSB0\n[TCP]\nPort=10110\n"
                          "[Files]\nNames=*.trl;*.trk;*.plt*\n[Vur]\nx=1\n[port]\nCOM= 1\n");
    SimSettings s = file.load();
    EXPECT_EQ(s.outPortIndex, 1);
    EXPECT_EQ(s.filePattern, QStringLiteral("*.trl;*.trk;*.plt*"));
    EXPECT_EQ(file.tcpPort(), 10110);
    EXPECT_EQ(file.deviceOverrides().value(QStringLiteral("COM3")), QStringLiteral("/dev/ttyUSB0"));
    s.outPortIndex = 2;
    s.dataPath = home.path();
    ASSERT_EQ(file.saveOnExit(s), std::nullopt);
    const QByteArray after = readAll(file.path());
    EXPECT_TRUE(after.startsWith("; mine\r\n[Devices]\r\nCOM3=/dev/ttyUSB0\r\n[TCP]\r\nPort=10110\r\n"
                                 "[Files]\r\nNames=*.trl;*.trk;*.plt*\r\nPath="))
        << after.constData();
    EXPECT_TRUE(after.contains("[Vur]\r\nx=1\r\n[port]\r\nCOM= 2\r\n")) << after.constData();
    EXPECT_EQ(file.tcpPort(), 10110);
}

TEST(SimSettings, StoredPathThatIsMissingOrCutFallsBackToTheProgramFolder)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    // 45 characters, of which 39 arrive; neither names a folder.
    const QByteArray path45 = "/tmp/zelvan-no-such-folder/with/a/longer/tail";
    ASSERT_EQ(path45.size(), 45);
    writeAll(file.path(), "[Files]\r\nPath=" + path45 + "\r\n");
    const SimSettings s = file.load();
    EXPECT_EQ(s.dataPath, QString::fromLatin1(path45.left(39)));
    EXPECT_EQ(startupDataDir(s.dataPath, home.path()), programDirText(home.path()));
    EXPECT_FALSE(existingDataDir(s.dataPath, home.path()).has_value());
    // A relative stored path counts from the program folder.
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("logs")));
    EXPECT_EQ(existingDataDir(QStringLiteral("logs"), home.path()), QDir(home.path()).filePath(QStringLiteral("logs")));
}

TEST(SimSettings, StoredOutputEntryMayBeUdpButNothingBeyondTheList)
{
    const struct {
        const char* ini;
        int out;
        int garmin;
    } cases[] = {
        {"[Port]\nCOM=23\n[GPS-Port]\nCOM=23\n", 23, 23}, // TCP stays TCP
        {"[Port]\nCOM=24\n[GPS-Port]\nCOM=24\n", 24, 1},  // UDP; the Garmin link has no UDP
        {"[Port]\nCOM=25\n", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        QTemporaryDir home;
        SettingsFile file(home.path());
        writeAll(file.path(), c.ini);
        const SimSettings s = file.load();
        EXPECT_EQ(s.outPortIndex, c.out);
        EXPECT_EQ(s.garminPortIndex, c.garmin);
    }
}

TEST(SimSettings, ValuesOutsideTheControlsRangesAreBroughtIntoRange)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    writeAll(file.path(), "[Port]\nCOM=99\n[GPS-Port]\nCOM=-3\n[TimeZone]\nCET=7\nDiff=-40\n[Units]\nkmh=2\n"
                          "[Manu]\nAuto=11\nAlt=-1\nSpeed=900\nPosN0=-90\nPosN1=60\nPosN3=10\nPosE0=400\nPosE2=-1\n"
                          "[TCP]\nPort=70000\n");
    const SimSettings s = file.load();
    EXPECT_EQ(s.outPortIndex, 0);
    EXPECT_EQ(s.garminPortIndex, 1);
    EXPECT_EQ(s.showLocal, 0);
    EXPECT_EQ(s.tzDiff, -12);
    EXPECT_EQ(s.metricUnits, 0);
    EXPECT_EQ(s.manuAuto, 10);
    EXPECT_EQ(s.manuAlt, 0);
    EXPECT_EQ(s.manuSpeed, 200);
    EXPECT_EQ(s.posN, (std::array<int, 4>{-89, 59, 44, 9}));
    EXPECT_EQ(s.posE, (std::array<int, 4>{179, 38, 0, 7}));
    EXPECT_EQ(file.tcpPort(), 1000);
}

TEST(SimSettings, PatternIsStoredOnlyBySaveAndCutAt39)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    ASSERT_EQ(file.saveFilePattern(QStringLiteral("*.trl;*.trk;*.plt*")), std::nullopt);
    EXPECT_EQ(file.loadFilePattern(), QStringLiteral("*.trl;*.trk;*.plt*"));
    SimSettings s = file.load();
    s.filePattern = QStringLiteral("typed-but-not-saved");
    ASSERT_EQ(file.saveOnExit(s), std::nullopt);
    EXPECT_EQ(file.loadFilePattern(), QStringLiteral("*.trl;*.trk;*.plt*"));
    ASSERT_EQ(file.saveFilePattern(QStringLiteral("*.log;*.nma;*.trl;*.trk;*.plt;*.KML;*.txt")), std::nullopt);
    EXPECT_EQ(file.loadFilePattern(), QStringLiteral("*.log;*.nma;*.trl;*.trk;*.plt;*.KML;*.t")); // 39
}

TEST(SimSettings, NeverReplacesAFileItCannotRead)
{
    QTemporaryDir home;
    SettingsFile file(home.path());
    ASSERT_TRUE(QDir().mkdir(file.path())); // Zelvan.ini is a folder
    const auto error = file.saveOnExit(SimSettings());
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->isEmpty());
    EXPECT_TRUE(QFileInfo(file.path()).isDir());
    SimSettings defaults;
    defaults.dataPath = programDirText(home.path());
    EXPECT_EQ(file.load(), defaults); // unreadable: all defaults, no message
}

TEST(SimSettings, SpinnerNamesAndRanges)
{
    struct Case {
        Spinner s;
        const char* name;
        int min, max;
    };
    const Case cases[] = {
        {Spinner::VSc4, "VSc4", 0, 10},       {Spinner::VSc2, "VSc2", 0, 2000},     {Spinner::VSc3, "VSc3", 0, 200},
        {Spinner::VSc1_0, "VSc1(0)", -89, 89}, {Spinner::VSc1_1, "VSc1(1)", 0, 59}, {Spinner::VSc1_2, "VSc1(2)", 0, 59},
        {Spinner::VSc1_3, "VSc1(3)", 0, 9},   {Spinner::HSc1_0, "HSc1(0)", -179, 179}, {Spinner::HSc1_1, "HSc1(1)", 0, 59},
        {Spinner::HSc1_2, "HSc1(2)", 0, 59},  {Spinner::HSc1_3, "HSc1(3)", 0, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spinnerObjectName(c.s), QString::fromLatin1(c.name));
        EXPECT_EQ(spinnerRange(c.s).min, c.min) << c.name;
        EXPECT_EQ(spinnerRange(c.s).max, c.max) << c.name;
    }
}

class RecordingSteps : public StartupSteps {
public:
    QStringList calls;
    void fillPortList() override { calls << QStringLiteral("fillPortList"); }
    void setProgramDir(const QString&) override { calls << QStringLiteral("programDir"); }
    void setPace(int ms, int n) override { calls << QStringLiteral("pace %1 %2").arg(ms).arg(n); }
    void setShowLocal(int v) override { calls << QStringLiteral("showLocal %1").arg(v); }
    void setTimeZoneDiff(int v) override { calls << QStringLiteral("TZdiff %1").arg(v); }
    void setUnits(int v) override { calls << QStringLiteral("units %1").arg(v); }
    void colourClockLabelsForLocal() override { calls << QStringLiteral("colours"); }
    void selectOutputPort(int v) override { calls << QStringLiteral("PortC %1").arg(v); }
    void setGarminPort(int v) override { calls << QStringLiteral("garmin %1").arg(v); }
    void setDataDir(const QString&, bool exists) override { calls << QStringLiteral("dataDir %1").arg(exists); }
    void setFilePattern(const QString& p) override { calls << QStringLiteral("pattern ") + p; }
    void setSpinner(Spinner s, int v) override { calls << spinnerObjectName(s) + QStringLiteral(" %1").arg(v); }
    void resetAltitudeMinimum(int v) override { calls << QStringLiteral("altMin %1").arg(v); }
};

TEST(SimSettings, StartUpRunsItsStepsInOrder)
{
    QTemporaryDir home;
    SimSettings s;
    s.showLocal = 1;
    s.outPortIndex = 23;
    s.dataPath = home.path();
    RecordingSteps steps;
    runStartup(s, home.path(), steps);
    EXPECT_EQ(steps.calls, (QStringList{
                               "fillPortList", "programDir", "pace 1000 1", "showLocal 1", "TZdiff 1", "units 1",
                               "colours", "PortC 23", "garmin 1", "dataDir 1", "pattern *.log;*.nma;*.trl;*.trk;*.plt",
                               "VSc4 2", "VSc2 550", "VSc3 50", "VSc1(0) 48", "VSc1(1) 5", "VSc1(2) 44", "VSc1(3) 7",
                               "HSc1(0) 11", "HSc1(1) 38", "HSc1(2) 11", "HSc1(3) 7", "altMin 9999"}));
    s.showLocal = 0;
    s.dataPath = QStringLiteral("/no/such/dir");
    steps.calls.clear();
    runStartup(s, home.path(), steps);
    EXPECT_FALSE(steps.calls.contains(QStringLiteral("colours")));
    EXPECT_TRUE(steps.calls.contains(QStringLiteral("dataDir 0")));
}

} // namespace
