#include "common/nmea.h"
#include "sim/tracks/record_sentences.h"

#include <gtest/gtest.h>

using namespace zelvan;

namespace {
TrackRecord munich()
{
    TrackRecord r;
    r.timeText = "123519";
    r.recordDate = "23031994";
    r.latText = "4807.038";
    r.latHemisphere = 'N';
    r.lonText = "01131.000";
    r.lonHemisphere = 'E';
    r.speedKnotsText = "22.4";
    r.speedKmhText = "41";
    r.courseText = "084";
    r.altitudeField = "545";
    return r;
}
} // namespace

TEST(RecordSentences, ComposesTheFixedLayouts)
{
    struct Case {
        const char* name;
        TrackRecord record;
        const char* rmc;
        const char* gga;
        const char* vtg;
    };
    TrackRecord nullDate = munich();
    nullDate.recordDate = "31121989";
    TrackRecord noAltitudeNoSpeed = munich();
    noAltitudeNoSpeed.altitudeField.clear();
    noAltitudeNoSpeed.speedKmhText.clear();
    TrackRecord south = munich();
    south.latHemisphere = 'S';
    south.lonHemisphere = 'W';
    south.speedKnotsText = "00";
    const Case cases[] = {
        {"example record", munich(), "GPRMC,123519,A,4807.038,N,01131.000,E,22.4,084,230394,000.0,E",
         "GPGGA,123519,4807.038,N,01131.000,E,1,12,1.0,545,M,,M,,", "GPVTG,084,T,,M,22.4,N,41,K"},
        {"null date", nullDate, "GPRMC,000000,A,4807.038,N,01131.000,E,22.4,084,,000.0,E",
         "GPGGA,000000,4807.038,N,01131.000,E,1,12,1.0,545,M,,M,,", "GPVTG,084,T,,M,22.4,N,41,K"},
        {"no altitude, no new speed", noAltitudeNoSpeed,
         "GPRMC,123519,A,4807.038,N,01131.000,E,22.4,084,230394,000.0,E",
         "GPGGA,123519,4807.038,N,01131.000,E,1,12,1.0,,M,,M,,", "GPVTG,084,T,,M,22.4,N,,K"},
        {"south-west, zero knots", south, "GPRMC,123519,A,4807.038,S,01131.000,W,00,084,230394,000.0,E",
         "GPGGA,123519,4807.038,S,01131.000,W,1,12,1.0,545,M,,M,,", "GPVTG,084,T,,M,00,N,41,K"},
    };
    for (const auto& c : cases) {
        const auto out = composeRecordSentences(c.record);
        EXPECT_EQ(out.rmc, zv::frameSentence(c.rmc)) << c.name;
        EXPECT_EQ(out.gga, zv::frameSentence(c.gga)) << c.name;
        EXPECT_EQ(out.vtg, zv::frameSentence(c.vtg)) << c.name;
        for (const auto& s : {out.rmc, out.gga, out.vtg})
            EXPECT_TRUE(zv::hasValidChecksum(s)) << s.constData();
    }
}

TEST(RecordSentences, TalkerOpensEveryBody)
{
    const auto gp = composeRecordSentences(munich());
    for (const char* talker : {"GN", "GL", "BD"}) {
        const auto out = composeRecordSentences(munich(), talker);
        const QList<std::pair<QByteArray, QByteArray>> pairs = {{gp.rmc, out.rmc}, {gp.gga, out.gga}, {gp.vtg, out.vtg}};
        for (const auto& [withGp, withOther] : pairs) {
            // Everything but the talker and the checksum stays.
            EXPECT_EQ(withOther.mid(3, withOther.size() - 6), withGp.mid(3, withGp.size() - 6)) << talker;
            EXPECT_TRUE(withOther.startsWith('$' + QByteArray(talker))) << withOther.constData();
            EXPECT_TRUE(zv::hasValidChecksum(withOther)) << withOther.constData();
        }
    }
}

TEST(RecordSentences, DatumSentenceIsFramedBody)
{
    EXPECT_EQ(QByteArray(kPgrmmSentence), zv::frameSentence("PGRMM,WGS 84"));
}
