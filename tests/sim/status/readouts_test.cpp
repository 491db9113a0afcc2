#include "sim/status/readouts.h"

#include "sim/settings/ini_file.h"
#include "sim/status/record_clock.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <QLocale>

#include <clocale>
#include <string>

using namespace zelvan;

namespace {

TEST(Readouts, FormatsDecimalsLikeTheDisplayFormat)
{
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, "0.0"},      {1.25, 1, "1.3"},    {1.35, 1, "1.4"},   {2.675, 2, "2.68"}, {0.05, 1, "0.1"},
        {0.04999, 1, "0.0"}, {12.3, 1, "12.3"},  {99.96, 1, "100.0"}, {-1.25, 1, "-1.3"}, {-0.01, 1, "0.0"},
        {1234567.891, 1, "1234567.9"}, {0.5, 0, "1"}, {7, 0, "7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatDecimals(c.value, c.decimals), QString::fromLatin1(c.text)) << c.value;
}

TEST(Readouts, DistanceTripAndMaximumSpeed)
{
    struct Case {
        double value;
        bool metric;
        const char* dist;
        const char* trip;
    };
    const Case cases[] = {
        {1234, true, "1.2", "1.2"},  {1299, true, "1.2", "1.3"},  {99, true, "0.0", "0.1"},
        {0, true, "0.0", "0.0"},     {1609, false, "1.0", "1.0"}, {800, false, "0.5", "0.5"},
        {16090, false, "9.9", "10.0"}, {1250, true, "1.2", "1.3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(distanceReadout(c.value, c.metric), QString::fromLatin1(c.dist)) << c.value << (c.metric ? " km" : " mi");
        EXPECT_EQ(tripReadout(c.value, c.metric), QString::fromLatin1(c.trip)) << c.value << (c.metric ? " km" : " mi");
    }
    EXPECT_EQ(maxSpeedReadout(87, true), QStringLiteral("87"));
    EXPECT_EQ(maxSpeedReadout(0, true), QStringLiteral("0"));
    EXPECT_EQ(maxSpeedReadout(100, false), QStringLiteral("62"));
    EXPECT_EQ(maxSpeedReadout(6.478, false), QStringLiteral("4"));
    EXPECT_EQ(maxSpeedReadout(1, false), QStringLiteral("1"));
}

TEST(Readouts, UnitLabelsAndAutoPointTooltip)
{
    const UnitLabels km = unitLabels(true);
    EXPECT_EQ(km.label3, QStringLiteral("km/h"));
    EXPECT_EQ(km.label6, QStringLiteral("km ->"));
    EXPECT_EQ(km.label9, QStringLiteral("m NN"));
    EXPECT_EQ(km.label16, QStringLiteral("km ~"));
    const UnitLabels mi = unitLabels(false);
    EXPECT_EQ(mi.label3, QStringLiteral("MPH"));
    EXPECT_EQ(mi.label6, QStringLiteral("mi ->"));
    EXPECT_EQ(mi.label9, QStringLiteral("ft NN"));
    EXPECT_EQ(mi.label16, QStringLiteral("mi ~"));
    EXPECT_EQ(autoPointToolTipForUnits(false, 50), QStringLiteral("Auto-Point 150 ft"));
    EXPECT_EQ(autoPointToolTipForUnits(true, 50), QStringLiteral("Auto-Point"));
    EXPECT_FALSE(autoPointToolTipForUnits(false, 0).has_value());
}

TEST(Readouts, HelpBoxCarriesTheBuildVersion)
{
    const InfoBox box = helpInfoBox();
    EXPECT_EQ(box.title, QStringLiteral("  Zelvan"));
    EXPECT_EQ(box.text, QStringLiteral("    Zelvan     V " ZV_TEST_VERSION " "));
}

// The user's locale never reaches the numbers of read-outs and the file.
TEST(Readouts, NumbersStayInTheCLocaleUnderAGermanLocale)
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is needed (make deps)";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    EXPECT_EQ(tripReadout(1250, true), QStringLiteral("1.3"));
    EXPECT_EQ(distanceReadout(123456, true), QStringLiteral("123.4"));
    EXPECT_EQ(maxSpeedReadout(1234, true), QStringLiteral("1234"));
    EXPECT_EQ(showRecordClock(u"061226", u"083015", 1, true, QString(), QDateTime()).datum, QStringLiteral("06. Dez 2026"));
    IniFile ini;
    ini.writeInt(QStringLiteral("Manu"), QStringLiteral("Alt"), 1234);
    ini.writeInt(QStringLiteral("TimeZone"), QStringLiteral("Diff"), -5);
    EXPECT_EQ(ini.toBytes(), QByteArray("[Manu]\r\nAlt= 1234\r\n[TimeZone]\r\nDiff=-5\r\n"));
    EXPECT_EQ(IniFile::fromBytes("[Manu]\nAlt=1.234\n").readInt(u"Manu", u"Alt", 0), 1);

    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
