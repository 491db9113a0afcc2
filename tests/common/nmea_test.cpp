#include "common/nmea.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameSentence, WritesTwoUpperCaseDigitsWithLeadingZero)
{
    EXPECT_EQ(zv::frameSentence(QByteArrayView("PGRMM,WGS 84")), QByteArray("$PGRMM,WGS 84*06"));
    EXPECT_EQ(zv::frameSentence(QByteArrayView("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")),
              QByteArray("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));
    EXPECT_EQ(zv::frameSentence(QByteArrayView("")), QByteArray("$*00"));
}

TEST(Checksum, AcceptsOnlyMatchingDigitsInEitherCase)
{
    struct Case {
        const char* line;
        bool valid;
    } cases[] = {
        {"$PGRMM,WGS 84*06", true},
        {"$GPRMC,205150.00,V,,,,,,,,,,,V*4a", true}, // real Magellan line, lower-case digits
        {"$PGRMM,WGS 84*07", false},
        {"$PGRMM,WGS 84*", false},
        {"$PGRMM,WGS 84*0", false},
        {"$PGRMM,WGS 84", false},
        {"PGRMM,WGS 84*06", false},
        {"junk$PGRMM,WGS 84*06", true},
        {"$PGRMM,WGS 84*0g", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zv::hasValidChecksum(QByteArrayView(c.line)), c.valid) << c.line;
    QByteArray lower = zv::frameSentence(QByteArrayView("GPRMB,V")).toLower();
    lower.replace("$gprmb,v", "$GPRMB,V");
    EXPECT_TRUE(zv::hasValidChecksum(lower)) << lower.constData();
}

TEST(SentenceField, CountsFieldsAfterTheSentenceName)
{
    const QByteArray rmc("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    struct Case {
        int n;
        const char* field;
    } cases[] = {{1, "123519"}, {3, "4807.038"}, {9, "230394"}, {11, "W"}, {12, ""}, {0, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(zv::sentenceField(rmc, c.n), QByteArray(c.field)) << "field " << c.n;
    EXPECT_EQ(zv::sentenceField(QByteArrayView("$GPGGA,,,"), 2), QByteArray(""));
    EXPECT_EQ(zv::sentenceField(QByteArrayView("$GPXTE,A,B"), 2), QByteArray("B")) << "no star: rest of line";
    EXPECT_EQ(zv::sentenceField(QStringLiteral("$GPRMC,1,A*00"), 2), QStringLiteral("A"));
}

TEST(SentenceType, IgnoresTheTalker)
{
    EXPECT_EQ(zv::sentenceType(QByteArrayView("$GNRMC,1")), QByteArray("RMC"));
    EXPECT_EQ(zv::sentenceType(QByteArrayView("$GPGSV,1")), QByteArray("GSV"));
    EXPECT_EQ(zv::sentenceType(QByteArrayView("$PGRMM,WGS")), QByteArray());
    EXPECT_EQ(zv::sentenceType(QByteArrayView("$GP")), QByteArray());
}

} // namespace
