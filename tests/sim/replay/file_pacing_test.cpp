// Pacing by the file's own record times: the due time of every record from
// one origin, and what happens where the file's times cannot be followed.
#include "sim/replay/pacing.h"

#include <gtest/gtest.h>

#include <QDate>

using namespace zelvan;

namespace {

constexpr qint64 s = 1'000'000'000;

std::optional<RecordTime> at(const char* hhmmss, const char* ddmmyy = "")
{
    return recordTimeOf(QByteArrayView(hhmmss), QByteArrayView(ddmmyy));
}

// Due times (relative to the first record) of a run of records.
std::vector<FilePaceStep> schedule(std::initializer_list<std::optional<RecordTime>> times, double factor = 1,
                                   qint64 origin = 5 * s)
{
    FilePaceState st;
    std::vector<FilePaceStep> out;
    for (const auto& t : times) {
        FilePaceStep step = stepFilePace(st, t, origin, factor);
        step.dueNs -= origin;
        out.push_back(step);
    }
    return out;
}

} // namespace

TEST(FilePacing, RecordTimes)
{
    EXPECT_EQ(at("123456")->secondsOfDay, 12 * 3600 + 34 * 60 + 56);
    EXPECT_DOUBLE_EQ(at("000000.25")->secondsOfDay, 0.25);
    EXPECT_FALSE(at("123456")->day);
    EXPECT_EQ(at("120000", "010100")->day, QDate(2000, 1, 1).toJulianDay());
    EXPECT_EQ(at("120000", "31121999")->day, QDate(1999, 12, 31).toJulianDay());
    EXPECT_EQ(at("120000", "311299")->day, QDate(1999, 12, 31).toJulianDay()); // 80..99 are 19xx
    EXPECT_FALSE(at("120000", "310299")->day); // no 31 February: the time alone
    EXPECT_TRUE(at("235960")); // a leap second
    for (const char* bad : {"", "12345", "246000", "126000", "12a456", "123456,5", "123456.x"})
        EXPECT_FALSE(at(bad)) << bad;
}

TEST(FilePacing, DueTimesFollowTheFileFromOneOrigin)
{
    const auto steps = schedule({at("100000"), at("100001"), at("100001.5"), at("100004"), at("100004")});
    const qint64 expected[] = {0, 1 * s, 3 * s / 2, 4 * s, 4 * s};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].dueNs, expected[i]) << i;
        EXPECT_EQ(steps[i].note, PaceNote::None) << i;
    }
}

TEST(FilePacing, FactorScalesTheFilesTime)
{
    EXPECT_EQ(schedule({at("100000"), at("100010")}, 10)[1].dueNs, 1 * s);
    EXPECT_EQ(schedule({at("100000"), at("100001")}, 0.5)[1].dueNs, 2 * s);
    // Out-of-range factors are held to 0.1..100.
    EXPECT_EQ(schedule({at("100000"), at("100140")}, 1000)[1].dueNs, 1 * s);
}

TEST(FilePacing, ErrorsNeverAddUp)
{
    // 10 Hz for an hour: the last record is due exactly an hour after the first.
    FilePaceState st;
    stepFilePace(st, at("100000.0"), 0, 1);
    FilePaceStep last;
    for (int i = 1; i <= 36000; ++i) {
        const int total = 36000 + i / 10;
        const QByteArray text =
            QString::asprintf("%02d%02d%02d.%d", total / 3600, total % 3600 / 60, total % 60, i % 10).toLatin1();
        last = stepFilePace(st, recordTimeOf(text, {}), 0, 1);
        ASSERT_EQ(last.note, PaceNote::None) << text.constData();
    }
    EXPECT_EQ(last.dueNs, 3600 * s);
}

TEST(FilePacing, TimesItCannotFollowAreSentASecondLater)
{
    const auto steps = schedule({at("100000"), std::nullopt, at("100002"), at("095000"), at("095001"),
                                 at("120000"), at("120001")});
    EXPECT_EQ(steps[1].dueNs, 1 * s);
    EXPECT_EQ(steps[1].note, PaceNote::NoTime);
    EXPECT_EQ(steps[2].dueNs, 2 * s); // counted as 10:00:01, so 10:00:02 keeps its place
    EXPECT_EQ(steps[2].note, PaceNote::None);
    EXPECT_EQ(steps[3].dueNs, 3 * s);
    EXPECT_EQ(steps[3].note, PaceNote::Backwards);
    EXPECT_EQ(steps[4].dueNs, 4 * s); // the schedule goes on from there
    EXPECT_EQ(steps[5].dueNs, 5 * s);
    EXPECT_EQ(steps[5].note, PaceNote::Jump); // more than an hour
    EXPECT_EQ(steps[6].dueNs, 6 * s);
    // An hour exactly is still followed.
    EXPECT_EQ(schedule({at("100000"), at("110000")})[1].dueNs, 3600 * s);
}

TEST(FilePacing, FirstRecordsWithoutTime)
{
    const auto steps = schedule({std::nullopt, std::nullopt, at("080000"), at("080002")});
    EXPECT_EQ(steps[0].dueNs, 0);
    EXPECT_EQ(steps[0].note, PaceNote::NoTime);
    EXPECT_EQ(steps[1].dueNs, 1 * s);
    EXPECT_EQ(steps[2].dueNs, 2 * s);
    EXPECT_EQ(steps[2].note, PaceNote::None);
    EXPECT_EQ(steps[3].dueNs, 4 * s);
}

TEST(FilePacing, MidnightWithoutADateContinuesIntoTheNextDay)
{
    const auto steps = schedule({at("235958"), at("235959"), at("000000"), at("000001")});
    EXPECT_EQ(steps[2].dueNs, 2 * s);
    EXPECT_EQ(steps[2].note, PaceNote::None);
    EXPECT_EQ(steps[3].dueNs, 3 * s);
    // Half an hour over midnight is still a continuation; a time that falls
    // back by more than the largest gap is not.
    EXPECT_EQ(schedule({at("234500"), at("001500")})[1].dueNs, 1800 * s);
    EXPECT_EQ(schedule({at("220000"), at("010000")})[1].note, PaceNote::Backwards);
}

TEST(FilePacing, DatesDecideAcrossMidnight)
{
    const auto steps = schedule({at("235959", "311224"), at("000000", "010125"), at("000001", "010125")});
    EXPECT_EQ(steps[1].dueNs, 1 * s);
    EXPECT_EQ(steps[2].dueNs, 2 * s);
    // The same times a day apart by their dates: more than an hour.
    EXPECT_EQ(schedule({at("120000", "010125"), at("120000", "020125")})[1].note, PaceNote::Jump);
    // A date that goes back is going back, whatever the time of day says.
    EXPECT_EQ(schedule({at("120000", "020125"), at("120001", "010125")})[1].note, PaceNote::Backwards);
}

TEST(FilePacing, ADateThatComesOrGoesMidFileIsNoJump)
{
    // Receivers often give the date only once they have a fix.
    const auto appears =
        schedule({at("205204.00"), at("205206.00"), at("205208.00", "090605"), at("205210.00", "090605")});
    EXPECT_EQ(appears[2].dueNs, 4 * s);
    EXPECT_EQ(appears[2].note, PaceNote::None);
    EXPECT_EQ(appears[3].dueNs, 6 * s);
    const auto goes = schedule({at("235959", "311224"), at("000001"), at("000002", "010125")});
    EXPECT_EQ(goes[1].dueNs, 2 * s);
    EXPECT_EQ(goes[1].note, PaceNote::None);
    EXPECT_EQ(goes[2].dueNs, 3 * s);
}
