#include "sim/garmin/garmin_link.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zelvan::garmin;

namespace {

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

std::vector<Frame> feedInPieces(const QByteArray& stream, const std::vector<int>& cuts)
{
    FrameReader r;
    std::vector<Frame> all;
    int from = 0;
    for (int cut : cuts) {
        for (auto& f : r.feed(QByteArrayView(stream).sliced(from, cut - from)))
            all.push_back(f);
        from = cut;
    }
    for (auto& f : r.feed(QByteArrayView(stream).sliced(from)))
        all.push_back(f);
    return all;
}

Frame good(std::uint8_t pid, const QByteArray& data) { return Frame{pid, data, true}; }

} // namespace

TEST(GarminFrameBuilder, BuildsTheHostPacketsByteForByte)
{
    struct Case {
        std::uint8_t pid;
        QByteArray data;
        const char* expected;
    } cases[] = {
        {0, {}, "100000001003"},
        {PidProductRqst, {}, "10fe00021003"},
        {PidCommandData, hex("0600"), "100a020600ee1003"},
        {PidAck, hex("1b00"), "1006021b00dd1003"},
        {PidAck, hex("6300"), "1006026300951003"},
        {PidAck, hex("2200"), "1006022200d61003"},
        // 0x10 in the data, in the size and in the checksum is sent twice
        {PidTrkData, hex("10"), "1022011010cd1003"},
        {PidTrkData, QByteArray(16, '\x01'), "1022101001010101010101010101010101010101be1003"},
        {PidAck, hex("e800"), "100602e80010101003"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buildFrame(c.pid, c.data).toHex().toStdString(), c.expected) << int(c.pid) << " " << c.data.toHex().data();
}

TEST(GarminFrameBuilder, ChecksumMakesTheByteSumZero)
{
    for (int pid : {0, 6, 34, 99, 255})
        for (const QByteArray& data : {QByteArray(), hex("00"), hex("ffffffff"), QByteArray(255, '\x10')}) {
            unsigned sum = pid + data.size() + frameChecksum(pid, data);
            for (char c : data)
                sum += static_cast<std::uint8_t>(c);
            EXPECT_EQ(sum & 0xFF, 0u) << pid << " " << data.size();
        }
}

TEST(GarminFrameReader, SameFramesWholeByteByByteAndSplitAnywhere)
{
    const QByteArray payloadWithDle = hex("10101010f0efefef10000000");
    std::vector<Frame> expected = {
        good(PidAck, hex("fe00")),
        good(PidTrkData, payloadWithDle),
        good(PidRecords, hex("2c01")),
    };
    // A payload whose checksum is 0x10 exercises a stuffed checksum.
    QByteArray dleSum = hex("0000");
    dleSum[0] = static_cast<char>((0x100 - ((PidTrkHdr + 2 + 0x10) & 0xFF)) & 0xFF);
    ASSERT_EQ(frameChecksum(PidTrkHdr, dleSum), 0x10);
    expected.push_back(good(PidTrkHdr, dleSum));

    QByteArray stream = "$GPRMC,noise*00\r\n";
    for (const auto& f : expected)
        stream += buildFrame(f.pid, f.data);

    EXPECT_EQ(feedInPieces(stream, {}), expected) << "whole";
    std::vector<int> everyByte;
    for (int i = 1; i < stream.size(); ++i)
        everyByte.push_back(i);
    EXPECT_EQ(feedInPieces(stream, everyByte), expected) << "byte by byte";
    for (int cut = 1; cut < stream.size(); ++cut)
        EXPECT_EQ(feedInPieces(stream, {cut}), expected) << "split at " << cut;
}

TEST(GarminFrameReader, DamagedFramesAreReportedInvalid)
{
    struct Case {
        const char* name;
        QByteArray raw;
    } cases[] = {
        {"bad checksum", hex("1006021b00de1003")},
        {"size larger than data", hex("1006041b00dd1003")},
        {"size smaller than data", hex("1006011b00dd1003")},
        {"too short for a size byte", hex("10061003")},
        {"lone DLE inside", hex("1006021b10ab00dd1003")},
        {"sound frame without its ETX", hex("1006021b00dd1022")},
    };
    for (const auto& c : cases) {
        FrameReader r;
        auto frames = r.feed(c.raw);
        ASSERT_FALSE(frames.empty()) << c.name;
        EXPECT_FALSE(frames.front().valid) << c.name;
        EXPECT_TRUE(frames.front().data.isEmpty()) << c.name << ": a broken frame hands on nothing";
        EXPECT_EQ(frames.front().pid, PidAck) << c.name;
    }
}

TEST(GarminFrameReader, OversizeFrameIsDroppedAndReaderResyncsAtNextDle)
{
    QByteArray junk = hex("1022");
    junk += QByteArray(600, 'x');
    const QByteArray next = buildFrame(PidRecords, hex("0500"));
    FrameReader r;
    auto frames = r.feed(junk + next);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], good(PidRecords, hex("0500")));
    EXPECT_EQ(r.oversizeDrops(), 1);
}

TEST(GarminFrameReader, TailOfAFrameJoinedLateIsSkipped)
{
    FrameReader r;
    auto frames = r.feed(hex("0102031003") + buildFrame(PidXferCmplt, hex("0600")));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], good(PidXferCmplt, hex("0600")));
}
