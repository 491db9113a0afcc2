#include "sim/settings/output_talker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;

TEST(OutputTalker, TakesTwoLettersAndOtherwiseStaysWithGps)
{
    struct Case {
        const char* ini;
        const char* talker;
    } cases[] = {
        {"", "GP"},
        {"[Output]\r\n", "GP"},
        {"[Output]\r\nTalker=GN\r\n", "GN"},
        {"[output]\r\n talker = gl \r\n", "GL"},
        {"[Output]\nTalker=\"BD\"\n", "BD"},
        {"[Output]\r\nTalker=GA\r\n[Output]\r\nTalker=GB\r\n", "GA"}, // the first section counts
        {"[Output]\r\nTalker=PG\r\n", "GP"},  // would make a maker's own sentence
        {"[Output]\r\nTalker=GPS\r\n", "GP"},
        {"[Output]\r\nTalker=G\r\n", "GP"},
        {"[Output]\r\nTalker=G1\r\n", "GP"},
        {"[Output]\r\nTalker=G,\r\n", "GP"},  // a comma would shift every field
        {"[Output]\r\nTalker=\xc3\x84G\r\n", "GP"},
        {"[TCP]\r\nTalker=GN\r\n", "GP"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outputTalker(IniFile::fromBytes(c.ini)), QByteArray(c.talker)) << c.ini;
}

TEST(OutputTalker, ReadsTheFileAndFallsBackWhenThereIsNone)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("Zelvan.ini"));
    EXPECT_EQ(readOutputTalker(path), "GP");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Port]\r\nCOM= 2\r\n[Output]\r\nTalker=GN\r\n");
    f.close();
    EXPECT_EQ(readOutputTalker(path), "GN");
    // A folder where the file should be cannot be read: GPS, no failure.
    EXPECT_EQ(readOutputTalker(dir.path()), "GP");
}
