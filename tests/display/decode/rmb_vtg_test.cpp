#include "display/decode/rmb_vtg.h"

#include <gtest/gtest.h>

TEST(RmbDecoder, ReadsDestinationRangeAndBearing)
{
    const vur::RmbData d = vur::decodeRmb("$GPRMB,A,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V*20");
    EXPECT_EQ(d.destination, QStringLiteral("004"));
    ASSERT_TRUE(d.latSec && d.lonSec);
    EXPECT_NEAR(*d.latSec, 49 * 3600 + 17.24 * 60, 1e-9);
    EXPECT_NEAR(*d.lonSec, -(123 * 3600 + 9.57 * 60), 1e-9);
    EXPECT_DOUBLE_EQ(d.rangeNm, 1.3);
    EXPECT_DOUBLE_EQ(d.bearingDeg, 52.5);
}

TEST(RmbDecoder, VoidSentenceHasNoDestination)
{
    // A Garmin in simulator mode (gpsd's geko201 log).
    const vur::RmbData d = vur::decodeRmb("$GPRMB,V,,,,,,,,,,,,A,S*0E");
    EXPECT_TRUE(d.destination.isEmpty());
    EXPECT_FALSE(d.latSec);
    EXPECT_FALSE(d.lonSec);
    EXPECT_EQ(d.rangeNm, 0);
}

TEST(RmbDecoder, SignedPositionsAcrossHemispheres)
{
    const struct {
        const char* field;
        const char* hemi;
        int digits;
        double seconds;
    } cases[] = {
        {"0030.000", "S", 2, -1800}, {"0030.000", "N", 2, 1800}, {"00000.500", "W", 3, -30},
        {"17959.999", "E", 3, 179 * 3600 + 59.999 * 60}, {"4807.038123", "N", 2, 48 * 3600 + 7.038123 * 60},
    };
    for (const auto& c : cases) {
        const auto s = vur::signedArcSeconds(c.field, c.hemi, c.digits);
        ASSERT_TRUE(s) << c.field;
        EXPECT_NEAR(*s, c.seconds, 1e-6) << c.field;
    }
    EXPECT_FALSE(vur::signedArcSeconds("", "N", 2));
}

TEST(VtgDecoder, ReadsCourseAndSpeeds)
{
    EXPECT_EQ(vur::decodeVtg("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"),
              (vur::VtgData{54.7, 5.5, 10.2}));
    EXPECT_EQ(vur::decodeVtg("$GPVTG,,T,,M,0.117,N,0.216,K,A*2F"), (vur::VtgData{std::nullopt, 0.117, 0.216}));
}
