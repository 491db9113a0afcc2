#include "display/decode/sentence_fields.h"

#include <gtest/gtest.h>

using vur::extractSentence;
using vur::SentenceFields;

TEST(ExtractSentence, CutsFromDollarToTwoCharactersAfterStar)
{
    struct Case {
        const char* line;
        const char* sentence; // nullptr: no sentence
    };
    const Case cases[] = {
        {"$GPGGA,1,2*7F", "$GPGGA,1,2*7F"},
        {"\n$GPGGA,1,2*7F", "$GPGGA,1,2*7F"},           // LF left from the previous line end
        {"garbage$GPRMC,1*00trailing", "$GPRMC,1*00"},   // text after the checksum is cut
        {"$GPRMC,1*0", "$GPRMC,1*0"},                    // short checksum kept as it is
        {"$GPRMC,123,A", "$G"},                          // no "*": two characters remain
        {"$", "$"},
        {"ABC", nullptr},                                // no "$": no sentence
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto got = extractSentence(QByteArrayView(c.line));
        if (!c.sentence)
            EXPECT_FALSE(got.has_value()) << c.line;
        else {
            ASSERT_TRUE(got.has_value()) << c.line;
            EXPECT_EQ(*got, QByteArray(c.sentence)) << c.line;
        }
    }
}

TEST(SentenceFields, ReadsFieldsByNumberAndEmptyBetweenAdjacentCommas)
{
    const SentenceFields f(QByteArrayView("$GPGSV,3,1,11,03,,050,46*71"));
    EXPECT_EQ(f.GetField(3), "11");
    EXPECT_EQ(f.GetField(4), "03");
    EXPECT_EQ(f.GetField(5), "");
    EXPECT_EQ(f.GetField(7), "46"); // the last field ends at "*"
    EXPECT_EQ(f.GetField(8), "");
    EXPECT_EQ(f.GetField(0), "");
    EXPECT_EQ(f.GetField(-1), "");
    EXPECT_EQ(f.GetField(32767), "");
}

TEST(SentenceFields, FieldPastTheEndIgnoresAnEarlierLongerSentence)
{
    SentenceFields f(QByteArrayView("$GPGGA,a,b,c,d,e,f,g,h,i*00"));
    ASSERT_EQ(f.GetField(9), "i");
    f.FindFields(QByteArrayView("$GPGSA,A,3*00"));
    EXPECT_EQ(f.GetField(2), "3");
    EXPECT_EQ(f.GetField(3), "");
    EXPECT_EQ(f.GetField(9), "");
}

TEST(SentenceFields, KeepsAtMostFiftySeparators)
{
    QByteArray s("$GPXXX");
    for (int i = 1; i <= 60; ++i)
        s += "," + QByteArray::number(i);
    s += "*00";
    const SentenceFields f{QByteArrayView(s)};
    EXPECT_EQ(f.GetField(1), "1");
    EXPECT_EQ(f.GetField(49), "49");
    EXPECT_EQ(f.GetField(51), "");
}

TEST(SentenceFields, CommasAfterTheStarAreNotFields)
{
    const SentenceFields f(QByteArrayView("$GPRMC*1A,x,y"));
    EXPECT_EQ(f.GetField(1), "");
}
