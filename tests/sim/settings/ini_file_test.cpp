#include "sim/settings/ini_file.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using zelvan::IniFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct IntCase {
    const char* file;
    const char* section;
    const char* key;
    int defaultValue;
    int expected;
};

TEST(IniFile, ReadsIntegersWithPrivateProfileRules)
{
    const IntCase cases[] = {
        {"[Port]\r\nCOM= 3\r\n", "Port", "COM", 0, 3},
        {"[TimeZone]\r\nDiff=-5\r\n", "TimeZone", "Diff", 1, -5},
        {"[port]\ncom=4", "PORT", "Com", 0, 4},                     // case, LF, no final newline
        {"  [ Port ]  \r\n   COM   =   12   \r\n", "Port", "COM", 0, 12}, // odd spacing
        {"[Port]\rCOM=5\r", "Port", "COM", 0, 5},                   // CR only
        {"[Port]\r\nCOM=abc\r\n", "Port", "COM", 7, 0},             // no number reads 0
        {"[Port]\r\nCOM=\r\n", "Port", "COM", 7, 0},                // empty value is no number
        {"[Port]\r\nCOM=3.9\r\n", "Port", "COM", 0, 3},
        {"[Port]\r\nCOM=+4x\r\n", "Port", "COM", 0, 4},
        {"[Port]\r\nCOM=\t-2\r\n", "Port", "COM", 0, -2},
        {"[Port]\r\nCOM=99999999999\r\n", "Port", "COM", 0, 2147483647},
        {"[Port]\r\nCOM=-99999999999\r\n", "Port", "COM", 0, -2147483647 - 1},
        {"[Port]\r\n; COM=8\r\n", "Port", "COM", 6, 6},             // comment is no key
        {"[Port]\r\nCOMX=8\r\n", "Port", "COM", 6, 6},
        {"COM=8\r\n[Port]\r\n", "Port", "COM", 6, 6},               // before any section
        {"[Port]\r\nCOM=1\r\n[Port]\r\nCOM=2\r\n", "Port", "COM", 0, 1}, // first section wins
        {"[Port]\r\nA=1\r\n[Port]\r\nCOM=2\r\n", "Port", "COM", 9, 9},   // only the first is read
        {"[Port]\r\nCOM=1\r\nCOM=2\r\n", "Port", "COM", 0, 1},           // first key wins
        {"[Port]\r\n[GPS-Port]\r\nCOM=2\r\n", "Port", "COM", 0, 0},
        {"", "Port", "COM", 11, 11},
        {"[Port\r\nCOM=6\r\n", "Port", "COM", 0, 6},                      // unclosed bracket
    };
    for (const auto& c : cases) {
        const IniFile ini = IniFile::fromBytes(QByteArray(c.file));
        EXPECT_EQ(ini.readInt(QString::fromLatin1(c.section), QString::fromLatin1(c.key), c.defaultValue), c.expected)
            << "file: " << c.file;
    }
}

struct TextCase {
    const char* file;
    const char* expected;
};

TEST(IniFile, ReadsTextCutAt39CharactersAndTrimmed)
{
    const TextCase cases[] = {
        {"[Files]\r\nNames=*.log;*.nma\r\n", "*.log;*.nma"},
        {"[Files]\r\nNames =   *.log   \r\n", "*.log"},
        {"[Files]\r\nNames=\"*.log\"\r\n", "*.log"},
        {"[Files]\r\nNames=\"*.log\r\n", "\"*.log"},
        {"[Files]\r\nNames=a=b\r\n", "a=b"},
        {"[Files]\r\nNames=\r\n", ""},
        // 45 characters arrive as their first 39.
        {"[Files]\r\nNames=/home/someone/gps/tracks/2026/december/xx\r\n", "/home/someone/gps/tracks/2026/december/"},
        // The cut can end in blanks, which are then removed.
        {"[Files]\r\nNames=abcdefghijklmnopqrstuvwxyz0123456789a   bc\r\n", "abcdefghijklmnopqrstuvwxyz0123456789a"},
    };
    for (const auto& c : cases) {
        const IniFile ini = IniFile::fromBytes(QByteArray(c.file));
        EXPECT_EQ(ini.readText(u"files", u"NAMES", QStringLiteral("default")), QString::fromUtf8(c.expected))
            << "file: " << c.file;
    }
    const QByteArray withZero("[Files]\r\nNames=ab\0cd\r\n", 22);
    EXPECT_EQ(IniFile::fromBytes(withZero).readText(u"Files", u"Names", QString()), QStringLiteral("ab"));
    EXPECT_EQ(IniFile::fromBytes(QByteArray()).readText(u"Files", u"Names", QStringLiteral(" dflt ")),
              QStringLiteral("dflt"));
}

TEST(IniFile, DecodesUtf8ValuesAndFallsBackToLatin1)
{
    const IniFile utf8 = IniFile::fromBytes("[Files]\r\nPath=/home/j\xc3\xbcrgen\r\n");
    EXPECT_EQ(utf8.readText(u"Files", u"Path", QString()), QStringLiteral("/home/j\u00fcrgen"));
    const IniFile latin1 = IniFile::fromBytes("[Files]\r\nPath=C:\\J\xfcrgen\r\n");
    EXPECT_EQ(latin1.readText(u"Files", u"Path", QString()), QStringLiteral("C:\\J\u00fcrgen"));
}

TEST(IniFile, WritesIntegersWithTheStandardNumberText)
{
    IniFile ini;
    ini.writeInt(QStringLiteral("Port"), QStringLiteral("COM"), 3);
    ini.writeInt(QStringLiteral("TimeZone"), QStringLiteral("Diff"), -5);
    ini.writeInt(QStringLiteral("TimeZone"), QStringLiteral("CET"), 0);
    EXPECT_EQ(ini.toBytes(), QByteArray("[Port]\r\nCOM= 3\r\n[TimeZone]\r\nDiff=-5\r\nCET= 0\r\n"));
}

TEST(IniFile, WritingAKeyLeavesEveryOtherLineInPlace)
{
    const QByteArray before = "; hand-written\n"
                              "[Devices]\n"
                              "COM3=/dev/ttyUSB0\n"
                              "\n"
                              "  [ port ]  \n"
                              "  com   =  7   \n"
                              "Other=x\n"
                              "\n"
                              "[TCP]\n"
                              "Port=10110\n"
                              "[Port]\n"
                              "COM=1"; // duplicate section, no final newline
    IniFile ini = IniFile::fromBytes(before);
    ini.writeInt(QStringLiteral("PORT"), QStringLiteral("COM"), 3);     // replaces in the first [port]
    ini.writeInt(QStringLiteral("Port"), QStringLiteral("Baud"), 4800); // new key after its last line
    ini.writeValue(QStringLiteral("Files"), QStringLiteral("Path"), QStringLiteral("/data/Tracks"));
    EXPECT_EQ(ini.toBytes(), QByteArray("; hand-written\r\n"
                                        "[Devices]\r\n"
                                        "COM3=/dev/ttyUSB0\r\n"
                                        "\r\n"
                                        "  [ port ]  \r\n"
                                        "com= 3\r\n"
                                        "Other=x\r\n"
                                        "Baud= 4800\r\n"
                                        "\r\n"
                                        "[TCP]\r\n"
                                        "Port=10110\r\n"
                                        "[Port]\r\n"
                                        "COM=1\r\n"
                                        "[Files]\r\n"
                                        "Path=/data/Tracks\r\n"));
}

TEST(IniFile, ReadsAFileWrittenByHand)
{
    const auto ini = IniFile::load(QStringLiteral(ZV_TEST_DATA_DIR "/settings/hand_edited_lf.ini"));
    ASSERT_TRUE(ini.has_value());
    EXPECT_EQ(ini->readInt(u"Port", u"COM", 0), 7);
    EXPECT_EQ(ini->readInt(u"TimeZone", u"CET", 0), 1);
    EXPECT_EQ(ini->readInt(u"TimeZone", u"Diff", 1), 1); // only in the later duplicate section
    EXPECT_EQ(ini->readInt(u"TCP", u"Port", 1000), 10110);
    EXPECT_EQ(ini->readText(u"Files", u"Names", QString()), QStringLiteral("*.log;*.nma"));
    EXPECT_EQ(ini->readInt(u"Manu", u"Alt", 550), 1200);
    EXPECT_EQ(ini->readInt(u"Manu", u"Speed", 50), 0);
    EXPECT_EQ(ini->readInt(u"Manu", u"Auto", 2), 0); // last line, empty, no final newline
    EXPECT_EQ(ini->readInt(u"Manu", u"PosE0", 0), -179);
}

TEST(IniFile, SavesAtomicallyAndReportsWhyItCannot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Zelvan.ini"));
    IniFile ini = IniFile::fromBytes("[Port]\nCOM= 1\n");
    ini.writeInt(QStringLiteral("Port"), QStringLiteral("COM"), 2);
    QString error;
    ASSERT_TRUE(ini.save(path, &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("[Port]\r\nCOM= 2\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Zelvan.ini")});

    // A folder where the file should be: nothing is replaced, the reason comes back.
    const QString blocked = dir.filePath(QStringLiteral("blocked.ini"));
    ASSERT_TRUE(QDir().mkdir(blocked));
    EXPECT_FALSE(ini.save(blocked, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_FALSE(IniFile::load(blocked, &error).has_value());

    // A folder that does not exist.
    EXPECT_FALSE(ini.save(dir.filePath(QStringLiteral("missing/Zelvan.ini")), &error));
}

// The file's mode is the user's: a read-only file is not replaced (also when
// the program runs as root, whom the system lets write anything), and a
// rewritten file keeps its mode and, where the program may set it, its owner.
TEST(IniFile, SaveKeepsTheFilesModeAndNeverReplacesAReadOnlyFile)
{
    const struct {
        mode_t mode;
        bool saved;
    } cases[] = {{0444, false}, {0400, false}, {0600, true}, {0640, true}, {0664, true}, {0606, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Zelvan.ini"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Port]\r\nCOM= 1\r\n");
        }
        const QByteArray native = QFile::encodeName(path);
        ASSERT_EQ(::chmod(native.constData(), c.mode), 0);
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(native.constData(), 4242, 4343), 0);
        }
        IniFile ini = IniFile::fromBytes(readAll(path));
        ini.writeInt(QStringLiteral("Port"), QStringLiteral("COM"), 2);
        QString error;
        EXPECT_EQ(ini.save(path, &error), c.saved) << error.toStdString();
        struct stat st {};
        ASSERT_EQ(::stat(native.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        if (root) {
            EXPECT_EQ(st.st_uid, 4242u);
            EXPECT_EQ(st.st_gid, 4343u);
        }
        if (c.saved) {
            EXPECT_EQ(readAll(path), QByteArray("[Port]\r\nCOM= 2\r\n"));
        } else {
            EXPECT_EQ(readAll(path), QByteArray("[Port]\r\nCOM= 1\r\n"));
            EXPECT_EQ(error, QStringLiteral("Existing file %1 is not writable").arg(path));
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Zelvan.ini")});
    }
}

TEST(IniFile, ValueWithLineEndsStaysOnItsLine)
{
    IniFile ini;
    ini.writeValue(QStringLiteral("Files"), QStringLiteral("Names"), QStringLiteral("*.log\r\n[Port]\nCOM=9"));
    EXPECT_EQ(ini.toBytes(), QByteArray("[Files]\r\nNames=*.log  [Port] COM=9\r\n"));
    EXPECT_FALSE(ini.hasSection(u"Port"));
}

// Whatever bytes the file holds, reading and writing neither crashes nor
// loses a line.
TEST(IniFile, SurvivesArbitraryBytes)
{
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const char alphabet[] = "[]=; \t\r\nabcCOMPort0123456789-+\"'\0\xff\xc3";
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int n = int(next() % 200);
        for (int i = 0; i < n; ++i)
            bytes += alphabet[next() % (sizeof alphabet - 1)];
        IniFile ini = IniFile::fromBytes(bytes);
        const qsizetype lines = ini.lines().size();
        (void)ini.readInt(u"Port", u"COM", 0);
        (void)ini.readText(u"Port", u"abc", QString());
        ini.writeInt(QStringLiteral("Port"), QStringLiteral("COM"), 3);
        EXPECT_GE(ini.lines().size(), lines);
        EXPECT_EQ(IniFile::fromBytes(ini.toBytes()).readInt(u"Port", u"COM", 0), 3) << bytes.toHex().constData();
    }
}

TEST(IniFile, MissingFileIsEmpty)
{
    QString error;
    const auto ini = IniFile::load(QStringLiteral("/nonexistent/dir/Zelvan.ini"), &error);
    ASSERT_TRUE(ini.has_value());
    EXPECT_TRUE(ini->lines().isEmpty());
    EXPECT_EQ(ini->readInt(u"Port", u"COM", 5), 5);
}

} // namespace
