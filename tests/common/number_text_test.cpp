#include "common/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

struct ReadCase {
    const char* text;
    double value;
};

TEST(LeadingNumber, ReadsTheNumberAtTheStartOnly)
{
    const ReadCase cases[] = {
        {"", 0},           {"abc", 0},          {"12", 12},        {" 3", 3},
        {"-5", -5},        {"+7", 7},           {"4807.038", 4807.038},
        {"545.4,M", 545.4}, {".5", 0.5},        {"-.25", -0.25},   {"1E+25", 1e25},
        {"1e25;", 1e25},   {"3e", 3},           {"12abc", 12},     {"\t42", 42},
        {"-", 0},          {".", 0},            {"0060", 60},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(zv::leadingNumber(QString::fromLatin1(c.text)), c.value) << "input: \"" << c.text << '"';
}

TEST(LeadingNumber, OnlyAsciiCharactersFormANumber)
{
    // Found by fuzzing: characters were cut to their low byte, so U+0131 read as "1".
    const struct {
        QString text;
        double value;
    } cases[] = {
        {QStringLiteral("\u0131\u0132"), 0},   // low bytes "12"
        {QStringLiteral("4\u0135"), 4},         // low byte "5" ends the number
        {QStringLiteral("\u012D3"), 0},         // low byte "-"
        {QStringLiteral("\u0120 7"), 0},        // low byte blank
        {QStringLiteral("2\u012E5"), 2},        // low byte "."
        {QStringLiteral("1\u0165" "5"), 1},     // low byte "e"
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(zv::leadingNumber(c.text), c.value) << c.text.toStdString();
}

TEST(LeadingNumber, IgnoresTheUserLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(zv::leadingNumber(QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(zv::plainNumberText(1.5), QStringLiteral(" 1.5"));
    EXPECT_EQ(zv::fixedText(2.25, 3), QStringLiteral("2.250"));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

struct WriteCase {
    double value;
    const char* plain;
};

TEST(PlainNumberText, WritesTheStandardNumberText)
{
    const WriteCase cases[] = {
        {3, " 3"},        {-5, "-5"},      {0, " 0"},         {0.5, " .5"},
        {-0.5, "-.5"},    {1e25, " 1E+25"}, {123.25, " 123.25"}, {1.0 / 3.0, " .333333333333333"},
        {32767, " 32767"}, {0.0001, " .0001"}, {0.00001, " 1E-05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zv::plainNumberText(c.value), QString::fromLatin1(c.plain)) << "value " << c.value;
    EXPECT_EQ(zv::trimmedNumberText(3), QStringLiteral("3"));
}

TEST(RoundHalfEven, RoundsHalvesToEven)
{
    EXPECT_EQ(zv::roundHalfEven(0.5), 0);
    EXPECT_EQ(zv::roundHalfEven(1.5), 2);
    EXPECT_EQ(zv::roundHalfEven(2.5), 2);
    EXPECT_EQ(zv::roundHalfEven(-1.5), -2);
    EXPECT_EQ(zv::roundHalfEven(2.6), 3);
    // Beyond the range of the result: the nearest end, never undefined.
    EXPECT_EQ(zv::roundHalfEven(1e300), std::numeric_limits<long long>::max());
    EXPECT_EQ(zv::roundHalfEven(-HUGE_VAL), std::numeric_limits<long long>::min());
    EXPECT_EQ(zv::roundHalfEven(std::nan("")), 0);
}

} // namespace
