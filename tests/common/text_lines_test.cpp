#include "common/port_names.h"
#include "common/text_lines.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(SplitTextLines, AcceptsEveryLineEnd)
{
    EXPECT_EQ(zv::splitTextLines("a\r\nb\nc\rd"), (QByteArrayList{"a", "b", "c", "d"}));
    EXPECT_EQ(zv::splitTextLines("a\r\n\r\nb\r\n"), (QByteArrayList{"a", "", "b"}));
    EXPECT_EQ(zv::splitTextLines(""), QByteArrayList{});
    EXPECT_EQ(zv::splitTextLines("\n"), QByteArrayList{""});
}

QByteArrayList readAllLines(const QByteArray& data, qsizetype maxLine = 1 << 20, QList<qint64>* starts = nullptr,
                            zv::LineReader::Overlong overlong = zv::LineReader::Overlong::Cut)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    zv::LineReader reader(&buffer, maxLine, overlong);
    QByteArrayList lines;
    QByteArray line;
    for (;;) {
        if (!reader.readLine(line))
            break;
        if (starts)
            starts->append(reader.lineStart());
        lines.append(line);
    }
    return lines;
}

TEST(LineReader, ReadsMixedEndsAndKeepsOffsets)
{
    const QByteArray data("# c\n$A*00\r\n$B*00\r$C*00\r\n$D");
    QList<qint64> starts;
    EXPECT_EQ(readAllLines(data, 1 << 20, &starts), (QByteArrayList{"# c", "$A*00", "$B*00", "$C*00", "$D"}));
    EXPECT_EQ(starts, (QList<qint64>{0, 4, 11, 17, 24}));
}

TEST(LineReader, CrLfSplitAcrossReadChunksIsOneLineEnd)
{
    // 64 KiB chunks: put the CR as the last byte of the first chunk.
    QByteArray data(64 * 1024 - 1, 'x');
    data += "\r\nnext\r\n";
    const QByteArrayList lines = readAllLines(data);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 64 * 1024 - 1);
    EXPECT_EQ(lines[1], QByteArray("next"));
}

TEST(LineReader, CutsOrDropsOverlongLinesAndSeeksBack)
{
    const QByteArray data = QByteArray(250, 'z') + "\nend\n";
    const QByteArrayList lines = readAllLines(data, 100);
    EXPECT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.last(), QByteArray("end"));

    // Dropped whole, wherever it ends (across 64 KiB reads, CR LF split
    // between two reads, at the end of the data): a piece of a line never
    // comes out as a line, and the offsets stay those of the file.
    const QByteArray big = QByteArray(200 * 1024, 'x') + "$GPGGA,1,2";
    const qsizetype chunk = 64 * 1024;
    const struct {
        QByteArray data;
        qsizetype maxLine;
        QByteArrayList lines;
        QList<qint64> starts;
    } drops[] = {
        {big + "\r\n$A\r\n", 1000, {"$A"}, {qint64(big.size()) + 2}},
        {"$A\n" + big, 1000, {"$A"}, {0}},
        {"$A\n" + big + "\r", 1000, {"$A"}, {0}},
        {QByteArray(chunk - 1, 'y') + "\r\n$B\n", chunk - 2, {"$B"}, {chunk + 1}},
        {QByteArray(100, 'y') + "\n" + QByteArray(101, 'y') + "\n$C", 100, {QByteArray(100, 'y'), "$C"}, {0, 203}},
    };
    for (const auto& c : drops) {
        QList<qint64> starts;
        EXPECT_EQ(readAllLines(c.data, c.maxLine, &starts, zv::LineReader::Overlong::Drop), c.lines);
        EXPECT_EQ(starts, c.starts);
    }

    QBuffer buffer;
    buffer.setData("one\ntwo\nthree\n");
    buffer.open(QIODevice::ReadOnly);
    zv::LineReader reader(&buffer);
    QByteArray line;
    reader.readLine(line);
    const qint64 second = reader.position();
    reader.readLine(line);
    reader.readLine(line);
    EXPECT_TRUE(reader.seek(second));
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, QByteArray("two"));
}

TEST(LineSplitter, JoinsChunksAndBoundsGarbage)
{
    const QByteArray stream("junk$GPRMC,1*00\r\n$GPGGA,2*00\r\n\n$GPV");
    for (int chunk = 1; chunk <= stream.size(); ++chunk) {
        zv::LineSplitter splitter;
        QByteArrayList lines;
        for (int i = 0; i < stream.size(); i += chunk)
            lines += splitter.feed(QByteArrayView(stream).sliced(i, qMin<qsizetype>(chunk, stream.size() - i)));
        EXPECT_EQ(lines, (QByteArrayList{"junk$GPRMC,1*00", "$GPGGA,2*00"})) << "chunk " << chunk;
        EXPECT_EQ(splitter.pending(), QByteArray("$GPV"));
    }
    zv::LineSplitter bounded(4096);
    const QByteArrayList cut = bounded.feed(QByteArray(10000, 'g'));
    EXPECT_EQ(cut.size(), 2);
    EXPECT_LE(bounded.pending().size(), 4096);
}

TEST(PortNames, ResolvesDefaultsAndOverrides)
{
#ifndef Q_OS_WIN
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("com16")), QStringLiteral("/dev/ttyS15"));
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("LPT2")), QStringLiteral("/dev/lp1"));
#endif
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("/dev/pts/4")), QStringLiteral("/dev/pts/4"));

    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Zelvan.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\r\nCOM= 3\r\n[devices]\r\ncom3 = /dev/ttyUSB0\r\nLPT1=/tmp/lp\r\n[Other]\r\nCOM4=/nope\r\n");
    ini.close();
    const zv::DeviceOverrides overrides = zv::loadDeviceOverrides(ini.fileName());
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("COM3"), overrides), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(zv::resolvePortName(QStringLiteral("LPT1"), overrides), QStringLiteral("/tmp/lp"));
    EXPECT_FALSE(overrides.contains(QStringLiteral("COM4")));
    EXPECT_TRUE(zv::loadDeviceOverrides(dir.filePath(QStringLiteral("missing.ini"))).isEmpty());
}

} // namespace
