#include "sim/garmin/track_point.h"

#include <gtest/gtest.h>

#include <QDir>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

using namespace zelvan::garmin;

namespace {
QByteArray le32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>(v >> (8 * i));
    return b;
}
QByteArray leFloat(float f) { return le32(std::bit_cast<std::uint32_t>(f)); }
} // namespace

TEST(GarminCoordinates, DegreesAndRoundedMinutesWithCarry)
{
    struct Case {
        double degrees;
        const char* lat;
        const char* lon;
    } cases[] = {
        {48.1173, "N48 07.0380", "E048 07.0380"},
        {-33.5, "S33 30.0000", "W033 30.0000"},
        {-12.25, "S12 15.0000", "W012 15.0000"},
        {0.0, "N00 00.0000", "E000 00.0000"},
        {180.0, "N180 00.0000", "E180 00.0000"},
        {-180.0, "S180 00.0000", "W180 00.0000"},
        {47.99999999, "N48 00.0000", "E048 00.0000"},   // 59.99999 minutes round to 60
        {-8.99999999, "S09 00.0000", "W009 00.0000"},
        {11.57613, "N11 34.5678", "E011 34.5678"},
        {0.0000008, "N00 00.0000", "E000 00.0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(latitudeText(c.degrees), QString::fromLatin1(c.lat)) << c.degrees;
        EXPECT_EQ(longitudeText(c.degrees), QString::fromLatin1(c.lon)) << c.degrees;
    }
}

TEST(GarminCoordinates, SemicirclesAtTheEndsOfTheRangeDoNotOverflow)
{
    EXPECT_EQ(longitudeText(semicirclesToDegrees(std::numeric_limits<std::int32_t>::min())), "W180 00.0000");
    EXPECT_EQ(longitudeText(semicirclesToDegrees(std::numeric_limits<std::int32_t>::max())), "E180 00.0000");
    EXPECT_EQ(latitudeText(semicirclesToDegrees(std::numeric_limits<std::int32_t>::min() / 2)), "S90 00.0000");
    EXPECT_DOUBLE_EQ(semicirclesToDegrees(1 << 30), 90.0);
}

TEST(GarminTime, DeviceSecondsToEnglishUtcText)
{
    // Expected texts computed with a calendar independent of the code.
    struct Case {
        std::uint32_t seconds;
        const char* text;
        const char* progress;
    } cases[] = {
        {0, "Sun Dec 31 00:00:00 1989", "31.12.1989 00:00:00"},
        {1, "Sun Dec 31 00:00:01 1989", "31.12.1989 00:00:01"},
        {86399, "Sun Dec 31 23:59:59 1989", "31.12.1989 23:59:59"},
        {473472000, "Sat Jan 01 00:00:00 2005", "01.01.2005 00:00:00"},
        {473862896, "Wed Jan 05 12:34:56 2005", "05.01.2005 12:34:56"},
        {320803199, "Tue Feb 29 23:59:59 2000", "29.02.2000 23:59:59"},
        {0x7FFFFFFE, "Fri Jan 18 03:14:06 2058", "18.01.2058 03:14:06"},
        {0x7FFFFFFF, "Sun Dec 31 00:00:00 1989", "31.12.1989 00:00:00"}, // the device's "no time"
        {0x80000000, "Sun Dec 31 00:00:00 1989", "31.12.1989 00:00:00"},
        {0xFFFFFFFF, "Sun Dec 31 00:00:00 1989", "31.12.1989 00:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pointTimeText(pointTime(c.seconds)), QString::fromLatin1(c.text)) << c.seconds;
        EXPECT_EQ(progressTimeText(pointTime(c.seconds)), QString::fromLatin1(c.progress)) << c.seconds;
    }
}

TEST(GarminAltitude, RoundedHalfUpOrTheNoAltitudeMarker)
{
    struct Case {
        float metres;
        const char* text;
    } cases[] = {
        {123.4f, ";123;"},
        {12.5f, ";13;"},
        {-12.5f, ";-13;"},
        {-0.4f, ";0;"},
        {-0.5f, ";-1;"},
        {0.0f, ";0;"},
        {8848.49f, ";8848;"},
        {1.0e25f, ";1E+25;"},
        {-1.0e25f, ";1E+25;"},
        {std::numeric_limits<float>::quiet_NaN(), ";1E+25;"},
        {std::numeric_limits<float>::infinity(), ";1E+25;"},
        {-std::numeric_limits<float>::infinity(), ";1E+25;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(altitudeText(c.metres), QString::fromLatin1(c.text)) << c.metres;
}

TEST(GarminTrackPoint, LayoutFollowsPacketSize)
{
    const QByteArray pos = le32(static_cast<std::uint32_t>(-(1 << 29))) + le32(1u << 30) + le32(473862896);
    const QByteArray alt = leFloat(123.4f);
    const QByteArray f4 = leFloat(1.0e25f);
    struct Case {
        const char* name;
        QByteArray data;
        bool decodes;
        bool hasAltitude;
        std::optional<bool> flag;
    } cases[] = {
        {"D300", pos + QByteArray(1, '\1'), true, false, true},
        {"D301", pos + alt + f4 + QByteArray(1, '\1'), true, true, true},
        {"D301 padded", pos + alt + f4 + QByteArray(1, '\0') + QByteArray(3, '\1'), true, true, false},
        {"D302", pos + alt + f4 + f4 + QByteArray(1, '\1'), true, true, true},
        {"D303", pos + alt + QByteArray(1, '\x50'), true, true, std::nullopt},
        {"D304", pos + alt + f4 + QByteArray(3, '\1'), true, true, std::nullopt},
        {"unknown size", pos + QByteArray(2, '\1'), true, false, std::nullopt},
        {"too short", pos.first(11), false, false, std::nullopt},
        {"empty", QByteArray(), false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto p = decodeTrackPoint(c.data);
        ASSERT_EQ(p.has_value(), c.decodes) << c.name;
        if (!p)
            continue;
        EXPECT_EQ(p->altitude.has_value(), c.hasAltitude) << c.name;
        EXPECT_EQ(p->newSegment, c.flag) << c.name;
        if (p->altitude) {
            EXPECT_FLOAT_EQ(*p->altitude, 123.4f) << c.name;
        }
        EXPECT_EQ(trackLine(*p).left(52).toStdString(), "T  S45 00.0000 E090 00.0000 Wed Jan 05 12:34:56 2005") << c.name;
    }
}

TEST(GarminTrackPoint, LineWithAndWithoutAltitude)
{
    TrackPoint p;
    p.latSemicircles = static_cast<std::int32_t>(std::llround(48.1173 / 180.0 * 2147483648.0));
    p.lonSemicircles = static_cast<std::int32_t>(std::llround(11.57613 / 180.0 * 2147483648.0));
    p.time = 0xFFFFFFFF;
    EXPECT_EQ(trackLine(p), "T  N48 07.0380 E011 34.5678 Sun Dec 31 00:00:00 1989");
    p.altitude = 123.4f;
    EXPECT_EQ(trackLine(p), "T  N48 07.0380 E011 34.5678 Sun Dec 31 00:00:00 1989 ;123;");
    p.latSemicircles = p.lonSemicircles = 0x7FFFFFFF;
    EXPECT_FALSE(p.hasPosition());
}

TEST(GarminTrackPoint, TextsIgnoreTheUserLocale)
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_FAIL() << "the de_DE.UTF-8 locale is not installed (Debian package locales)";
    EXPECT_EQ(latitudeText(-33.5), "S33 30.0000");
    EXPECT_EQ(altitudeText(1234.5f), ";1235;");
    EXPECT_EQ(pointTimeText(pointTime(473862896)), "Wed Jan 05 12:34:56 2005");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(GarminTrackHeader, NamesOfD310D311AndD312)
{
    struct Case {
        QByteArray data;
        const char* name;
    } cases[] = {
        {QByteArray("\x01\xff" "ACTIVE LOG\0", 13), "ACTIVE LOG"},
        {QByteArray("\x01\x05" "ROUTE 7", 9), "ROUTE 7"},          // no terminating zero
        {QByteArray("\x2c\x01", 2), "300"},                        // D311: an index
        {QByteArray("\x01\xff\0", 3), ""},
        {QByteArray("\x01", 1), ""},
        {QByteArray("\x01\xff" "A\r\nB\x7f\xe4\0", 9), "A  B \xe4"},      // no line breaks into the file
    };
    for (const auto& c : cases)
        EXPECT_EQ(trackHeaderName(c.data), QString::fromLatin1(c.name)) << c.data.toHex().data();
}

TEST(GarminFileName, TrkAddedOnlyWhenTheNameHasNoDot)
{
    struct Case {
        const char* folder;
        const char* name;
        const char* file;
    } cases[] = {
        {"/tmp/x", "alps", "alps.trk"},
        {"/tmp/x", "log.txt", "log.txt"},
        {"/home/u/.local/Tracks", "alps", "alps.trk"},
        {"/home/u/.local/Tracks", "alps.", "alps."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(downloadFileName(c.folder, c.name), QDir(c.folder).filePath(c.file)) << c.name;
}
