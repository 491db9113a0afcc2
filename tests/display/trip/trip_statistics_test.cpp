#include "display/trip/trip_statistics.h"
#include "display/trip/trip_texts.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <cmath>

using vur::TripGga;
using vur::TripRmc;
using vur::TripStatistics;

namespace {

// An RMC at UTC second t of 7 June 2026 (local = UTC + 2), standing at the
// given offset in metres from 48 N 11 E (x east, y north).
TripRmc rmcAt(double t, int speedKmh, double eastM = 0, double northM = 0)
{
    TripRmc r;
    r.utcSecondsOfDay = std::fmod(t, 86400.0);
    r.utcDate = QDate(2026, 6, 7).addDays(static_cast<qint64>(std::floor(t / 86400.0)));
    r.localSecondsOfDay = std::fmod(t + 7200, 86400.0);
    r.speedKmh = speedKmh;
    r.latSec = 48 * 3600.0 + northM / 30.0;
    r.lonSec = 11 * 3600.0 + eastM / 21.0;
    r.clockText = QStringLiteral("10:00");
    r.dateText = QStringLiteral("SO 07.06.2026");
    return r;
}

TripGga ggaWith(int altitude)
{
    return TripGga{7, altitude};
}

struct Fixture : ::testing::Test {
    zvtest::ScriptedDialogs dialogs;
    TripStatistics trip{dialogs};
};

// What the trip tells its front end, as the window would show it.
struct RecordedTripView : vur::TripView {
    vur::TripTexts texts;
    QString speed = QStringLiteral("50"), altitude = QStringLiteral("600");
    void showTripTexts(const vur::TripTexts& t) override { texts = t; }
    void clearSpeedAndAltitude() override { speed.clear(), altitude.clear(); }
    void showClockAndDate(const QString&, const QString&) override {}
    void plotChanged(Plot) override {}
};

using TripSampling = Fixture;
using TripDistance = Fixture;
using TripTimes = Fixture;
using TripRoute = Fixture;
using TripAltitude = Fixture;

} // namespace

TEST(TripTexts, FormatsReadOuts)
{
    EXPECT_EQ(vur::tripTimeText(3900), QStringLiteral(" 1:05"));
    EXPECT_EQ(vur::tripTimeText(0), QStringLiteral(" 0:00"));
    EXPECT_EQ(vur::tripTimeText(39999), QStringLiteral(" 11:06"));
    EXPECT_EQ(vur::airDistanceText(1234), QStringLiteral("1.2"));
    EXPECT_EQ(vur::airDistanceText(99), QStringLiteral("0.0"));
    EXPECT_EQ(vur::airDistanceText(32767), QStringLiteral("32.7"));
    EXPECT_EQ(vur::slopeText(3), QStringLiteral("+3"));
    EXPECT_EQ(vur::slopeText(-4), QStringLiteral("-4"));
    EXPECT_EQ(vur::slopeText(1), QStringLiteral("__"));
    EXPECT_EQ(vur::slopeText(-1), QStringLiteral("__"));
    EXPECT_EQ(vur::slopeText(9999), QStringLiteral("__"));
    EXPECT_EQ(vur::routeCaption(2), QStringLiteral("<---  2 km --->"));
    EXPECT_EQ(vur::routeCaption(0), QStringLiteral("<---  .5 km --->"));
    EXPECT_EQ(vur::routeCaption(4), QStringLiteral("<---  8 km --->"));
}

TEST_F(TripSampling, FourSecondIntervalSamplesEveryFourthRmc)
{
    trip.chooseInterval(2);
    EXPECT_EQ(trip.sampleInterval(), 4);
    EXPECT_EQ(dialogs.beeps, 1);
    int ticks = 0;
    for (int i = 0; i < 20; ++i)
        ticks += trip.onRmc(rmcAt(36000 + i, 50)).sampleTick ? 1 : 0;
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(trip.state().speed.points, 5);
}

TEST_F(TripSampling, ResumesAtOnceWhenTheTimeGoesBackwards)
{
    trip.chooseInterval(5); // 64 s
    EXPECT_TRUE(trip.onRmc(rmcAt(86400 - 7200 - 3, 50)).sampleTick); // 23:59:57 local
    EXPECT_FALSE(trip.onRmc(rmcAt(86400 - 7200 - 2, 50)).sampleTick);
    // Local midnight: the time of day starts again from 0.
    EXPECT_TRUE(trip.onRmc(rmcAt(86400 - 7200 + 1, 50)).sampleTick);
    EXPECT_FALSE(trip.onRmc(rmcAt(86400 - 7200 + 10, 50)).sampleTick);
    // A looped replay jumping back a few seconds samples at once too.
    EXPECT_TRUE(trip.onRmc(rmcAt(86400 - 7200 + 5, 50)).sampleTick);
}

TEST_F(TripSampling, SpeedSampleIsTheMeanSinceTheLastSample)
{
    trip.chooseInterval(1); // 2 s
    trip.onRmc(rmcAt(100, 30)); // samples 30 at once
    trip.onRmc(rmcAt(101, 40));
    trip.onRmc(rmcAt(102, 50)); // mean of 40 and 50
    ASSERT_EQ(trip.state().speed.points, 2);
    EXPECT_EQ(trip.state().speed.values[1], 30);
    EXPECT_EQ(trip.state().speed.values[2], 30);
    EXPECT_EQ(trip.state().speed.values[3], 45);
}

TEST_F(TripDistance, ThirtySixKmhForTenSecondsAddsATenthOfAKilometre)
{
    trip.onGga(ggaWith(500));
    for (int s = 10; s <= 20; ++s)
        trip.onRmc(rmcAt(36000 + s, 36));
    EXPECT_NEAR(trip.state().distanceKm, 0.1, 1e-12);
    EXPECT_EQ(trip.texts().STRweg, QStringLiteral("0.1"));
    // The first slope compares with the initial -9999: shown as "__".
    EXPECT_EQ(trip.texts().Berg, QStringLiteral("__"));
}

TEST_F(TripDistance, StepsAfterSecondZeroCount)
{
    // 12:00:58, 12:00:59, 12:01:00, 12:01:01 at 360 km/h: three steps of 0.1 km.
    for (int s = 58; s <= 61; ++s)
        trip.onRmc(rmcAt(43200 + s, 360));
    EXPECT_NEAR(trip.state().distanceKm, 0.3, 1e-12);
}

TEST_F(TripDistance, SlopeIsTheClimbPerTenthOfAKilometre)
{
    trip.onGga(ggaWith(500));
    trip.onRmc(rmcAt(0, 360));
    trip.onRmc(rmcAt(1, 360)); // 0.1 km, first slope "__"
    trip.onGga(ggaWith(503));
    trip.onRmc(rmcAt(2, 360)); // 0.2 km, +3 m
    EXPECT_EQ(trip.texts().Berg, QStringLiteral("+3"));
    trip.onGga(ggaWith(499));
    trip.onRmc(rmcAt(3, 360));
    EXPECT_EQ(trip.texts().Berg, QStringLiteral("-4"));
    trip.onGga(ggaWith(500));
    trip.onRmc(rmcAt(4, 360));
    EXPECT_EQ(trip.texts().Berg, QStringLiteral("__"));
}

TEST_F(TripDistance, StraightLineDistanceIsCutToHundredMetres)
{
    trip.onRmc(rmcAt(0, 10));
    trip.onRmc(rmcAt(1, 10, 1234.5, 0));
    EXPECT_EQ(trip.state().airDistance, 1234);
    EXPECT_EQ(trip.texts().STRluft, QStringLiteral("1.2"));
    trip.onRmc(rmcAt(2, 10, 0, -99));
    EXPECT_EQ(trip.texts().STRluft, QStringLiteral("0.0"));
}

TEST_F(TripDistance, SouthAndWestStartsAreNotMirrored)
{
    // Start at 33 S 70 W and move 300 m south and 210 m west.
    TripRmc a = rmcAt(0, 10);
    a.latSec = -33 * 3600.0;
    a.lonSec = -70 * 3600.0;
    TripRmc b = a;
    b.utcSecondsOfDay = 1;
    b.latSec = *a.latSec - 10;
    b.lonSec = *a.lonSec - 10;
    trip.onRmc(a);
    trip.onRmc(b);
    const vur::Route& r = trip.state().route;
    ASSERT_EQ(r.count, 2);
    EXPECT_EQ(r.y[1], 300);  // y points south
    EXPECT_EQ(r.x[1], -210); // x points east

    // Ten arc-seconds east across 180 degrees: 210 m, not once round the earth.
    TripRmc c = a;
    c.utcSecondsOfDay = 2;
    c.lonSec = 180 * 3600.0 - 5;
    TripRmc d = c;
    d.utcSecondsOfDay = 3;
    d.lonSec = -180 * 3600.0 + 5;
    trip.reset();
    trip.onRmc(c);
    trip.onRmc(d);
    EXPECT_EQ(trip.state().airDistance, 210);
}

TEST_F(TripTimes, TravelTimeFollowsTheTimeStamps)
{
    // 1 Hz for 10 s, then a 2 s step, then a jump of an hour.
    for (int s = 0; s <= 10; ++s)
        trip.onRmc(rmcAt(36000 + s, s < 5 ? 0 : 20));
    EXPECT_EQ(trip.state().travelTime, 10);
    EXPECT_EQ(trip.state().drivingTime, 6); // speed at s = 5..10
    trip.onRmc(rmcAt(36012, 20));
    EXPECT_EQ(trip.state().travelTime, 12);
    trip.onRmc(rmcAt(39612, 20));
    EXPECT_EQ(trip.state().travelTime, 12);
    EXPECT_EQ(trip.texts().RZ, QStringLiteral(" 0:00"));
}

TEST_F(TripTimes, MidnightDoesNotBreakTheCount)
{
    trip.onRmc(rmcAt(86398, 50));
    trip.onRmc(rmcAt(86399, 50));
    trip.onRmc(rmcAt(86400, 50));
    trip.onRmc(rmcAt(86401, 50));
    EXPECT_EQ(trip.state().travelTime, 3);
}

TEST_F(TripTimes, StopAndStartLeaveThePauseOut)
{
    trip.onRmc(rmcAt(100, 50));
    trip.onRmc(rmcAt(101, 50));
    trip.resumeInput();
    trip.onRmc(rmcAt(400, 50));
    EXPECT_EQ(trip.state().travelTime, 1);
}

TEST_F(TripAltitude, EmptyAltitudeLeavesTheAltitudeUnchanged)
{
    trip.onRmc(rmcAt(0, 10));
    trip.onGga(ggaWith(620));
    trip.onGga(TripGga{7, std::nullopt});
    EXPECT_EQ(trip.altitude(), 620);
    EXPECT_EQ(trip.texts().NNmin, QStringLiteral("620"));
    EXPECT_EQ(trip.texts().NNmax, QStringLiteral("620"));
    ASSERT_EQ(trip.state().altitude.points, 1);
    EXPECT_EQ(trip.state().altitude.values[2], 620);
}

TEST_F(TripAltitude, NoAltitudeYetTakesNoSampleAndNoExtremes)
{
    trip.onRmc(rmcAt(0, 10));
    EXPECT_TRUE(trip.onGga(TripGga{7, std::nullopt})); // the GGA log step still runs
    EXPECT_EQ(trip.state().altitude.points, 0);
    EXPECT_EQ(trip.texts().NNmin, QString());
}

TEST_F(TripRoute, PointBeyondTheViewRaisesTheScale)
{
    RecordedTripView view;
    trip.setView(&view);
    EXPECT_EQ(view.texts.RTEL, QStringLiteral("<--- 1 km --->"));
    trip.onRmc(rmcAt(0, 10));
    trip.onRmc(rmcAt(1, 10, 600, 0));
    EXPECT_EQ(trip.state().route.scale, 2);
    EXPECT_EQ(view.texts.RTEL, QStringLiteral("<---  2 km --->"));
}

TEST_F(TripRoute, ScaleThreeStoresEveryFourthRmc)
{
    trip.changeRouteScale(true);
    trip.changeRouteScale(true);
    ASSERT_EQ(trip.state().route.scale, 3);
    for (int i = 0; i < 12; ++i)
        trip.onRmc(rmcAt(i, 10, i, 0));
    EXPECT_EQ(trip.state().route.count, 3);
}

TEST_F(TripRoute, StepsBelowOneStillStoreEveryRmc)
{
    trip.changeRouteScale(false);
    EXPECT_EQ(trip.texts().RTEL, QStringLiteral("<---  .5 km --->"));
    for (int i = 0; i < 5; ++i)
        trip.changeRouteScale(false);
    for (int i = 0; i < 4; ++i)
        trip.onRmc(rmcAt(i, 10, i, 0));
    EXPECT_EQ(trip.state().route.count, 4);
}

TEST_F(TripRoute, ResetClearsTheTrip)
{
    RecordedTripView view;
    trip.setView(&view);
    trip.onGga(ggaWith(600));
    trip.onRmc(rmcAt(0, 50, 0, 0));
    trip.onRmc(rmcAt(1, 50, 10, 0));
    EXPECT_EQ(view.texts.SPDmax, QStringLiteral("50"));
    trip.changeRouteScale(true);
    trip.reset();
    EXPECT_EQ(trip.state().route.count, 0);
    EXPECT_EQ(trip.state().route.scale, 1);
    EXPECT_EQ(trip.state().speed.points, 0);
    EXPECT_FALSE(trip.state().hasStart);
    EXPECT_EQ(trip.texts().RTEL, QStringLiteral("<--- 1 km --->"));
    EXPECT_EQ(view.texts.SPDmax, QString());
    EXPECT_EQ(view.speed, QString());
    EXPECT_EQ(view.altitude, QString());
}

TEST_F(TripSampling, IntervalOptionsAndTheAutoCourseTrigger)
{
    const int expected[] = {1, 2, 4, 8, 24, 64, 80};
    for (int i = 0; i < 7; ++i) {
        trip.chooseInterval(i);
        EXPECT_EQ(trip.sampleInterval(), expected[i]);
        EXPECT_EQ(trip.autoMode(), i == 6);
    }
    EXPECT_EQ(dialogs.beeps, 7);
    TripRmc r = rmcAt(0, 50);
    r.courseDeg = 5;
    EXPECT_FALSE(trip.onRmc(r, true).courseTrigger);  // within 10 degrees of 0
    r.courseDeg = 15.7;
    EXPECT_FALSE(trip.onRmc(r, false).courseTrigger); // only with a new log open
    EXPECT_TRUE(trip.onRmc(r, true).courseTrigger);
    r.courseDeg = 20;
    EXPECT_FALSE(trip.onRmc(r, true).courseTrigger);  // 20 - 15 = 5
    r.courseDeg = 359;
    EXPECT_TRUE(trip.onRmc(r, true).courseTrigger);
    r.courseDeg = 3;
    EXPECT_FALSE(trip.onRmc(r, true).courseTrigger);  // 356 apart counts as close
}

TEST_F(TripRoute, ScaleStepsAreBoundedAndStillStorePoints)
{
    for (int i = 0; i < 40; ++i)
        trip.changeRouteScale(true);
    EXPECT_EQ(trip.state().route.scale, vur::Route::kMaxScale);
    const int period = 1 << (vur::Route::kMaxScale - 1);
    for (int i = 0; i < period; ++i)
        trip.onRmc(rmcAt(i, 10));
    EXPECT_EQ(trip.state().route.count, 1);
}
