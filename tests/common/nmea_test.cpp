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

TEST(Talkers, EveryTalkerNamesTheSameSentenceTypes)
{
    struct Case {
        const char* line;
        const char* talker; // "" = not a talker sentence
        const char* type;   // what isSentence answers yes to ("" = nothing)
    } cases[] = {
        {"$GPRMC,1,A*00", "GP", "RMC"},
        {"$GNRMC,1,A*00", "GN", "RMC"},
        {"$GLGSV,3,1,09*00", "GL", "GSV"},
        {"$GAGSV,1,1,03*00", "GA", "GSV"},
        {"$GBGSV,2,1,05*00", "GB", "GSV"},
        {"$BDGSA,A,3*00", "BD", "GSA"},
        {"$GQGSA,A,3*00", "GQ", "GSA"},
        {"$GIGSV,1,1*00", "GI", "GSV"},
        {"$GNGGA,1*00", "GN", "GGA"},
        {"$GNGLL,1*00", "GN", "GLL"},
        {"$GNVTG,1*00", "GN", "VTG"},
        {"$GNTXT,01,01,02,ANT*00", "GN", "TXT"},
        {"$INRMC,1*00", "IN", "RMC"},     // integrated navigation: a talker too
        {"$PGRMC,1*00", "", ""},          // Garmin's own sentence, no talker
        {"$PQGSA,A,3*00", "", ""},        // Quectel's own BeiDou sentence
        {"$PGRMM,WGS 84*06", "", ""},
        {"$gpRMC,1*00", "", ""},          // talkers are upper case
        {"$G1RMC,1*00", "", ""},
        {"GPRMC,1,A*00", "", ""},         // no "$"
        {" $GPRMC,1*00", "", ""},         // at the start only
        {"$GPRM", "GP", ""},              // cut short
        {"$G", "", ""},
        {"", "", ""},
    };
    const char* const types[] = {"RMC", "GGA", "GLL", "VTG", "RMB", "GSA", "GSV", "TXT"};
    for (const Case& c : cases) {
        EXPECT_EQ(zv::sentenceTalker(c.line), QByteArrayView(c.talker)) << c.line;
        for (const char* t : types)
            EXPECT_EQ(zv::isSentence(c.line, t), qstrcmp(t, c.type) == 0) << c.line << " " << t;
        EXPECT_EQ(zv::sentenceType(c.line), *c.type ? QByteArray(c.line).mid(3, 3) : QByteArray()) << c.line;
    }
}

TEST(Talkers, FindsASentenceOfAnyTalkerInsideALine)
{
    struct Case {
        const char* line;
        const char* type;
        qsizetype at;
    } cases[] = {
        {"$GNRMC,1,A*00", "RMC", 0},
        {"junk$GLRMC,1,A*00", "RMC", 4},
        {"$GPGGA,1*00$BDRMC,2*00", "RMC", 11},  // two sentences run together
        {"$PGRMC,1*00$GNRMC,2*00", "RMC", 11},  // the first "$" opens Garmin's own
        {"$$GNRMC", "RMC", 1},
        {"$PGRMC,1*00", "RMC", -1},
        {"GPRMC,1*00", "RMC", -1},
        {"$GPGGA,1*00", "RMC", -1},
        {"$GNGGA", "GGA", 0},
        {"$", "RMC", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv::findSentence(c.line, c.type), c.at) << c.line << " " << c.type;
}

} // namespace
