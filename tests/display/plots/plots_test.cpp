#include "display/plots/profile_plot.h"
#include "display/plots/arrow_plot.h"
#include "display/plots/route_plot.h"
#include "display/targets/target_geometry.h"
#include "display/trip/trip_statistics.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <vector>

using vur::ProfileKind;

namespace {

vur::TripRmc rmcAt(int t, int speedKmh, double eastM = 0, double northM = 0)
{
    vur::TripRmc r;
    r.utcSecondsOfDay = 36000 + t;
    r.localSecondsOfDay = r.utcSecondsOfDay + 3600;
    r.speedKmh = speedKmh;
    r.latSec = 48 * 3600.0 + northM / 30.0;
    r.lonSec = 11 * 3600.0 + eastM / 21.0;
    return r;
}

int countPixels(const QImage& img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == colour ? 1 : 0;
    return n;
}

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

} // namespace

TEST(ProfilePlot, FirstSampleDrawsAFlatSegment)
{
    vur::Profile p;
    zvtest::ScriptedDialogs d;
    vur::TripStatistics trip(d);
    trip.onRmc(rmcAt(0, 30));
    const QList<QLineF> segs = vur::profileSegments(trip.state().speed, ProfileKind::Speed);
    ASSERT_EQ(segs.size(), 1);
    EXPECT_EQ(segs[0], QLineF(0, 169, 1, 169));
    trip.onGga(vur::TripGga{5, 600});
    EXPECT_EQ(vur::profileSegments(trip.state().altitude, ProfileKind::Altitude)[0], QLineF(0, 1399, 1, 1399));
    EXPECT_TRUE(vur::profileSegments(p, ProfileKind::Speed).isEmpty());
}

TEST(ProfilePlot, The450thSampleScrollsTheOldestOut)
{
    zvtest::ScriptedDialogs d;
    vur::TripStatistics trip(d);
    for (int i = 1; i <= 449; ++i)
        trip.onRmc(rmcAt(i, i % 200));
    const vur::Profile& p = trip.state().speed;
    EXPECT_EQ(p.points, 449);
    EXPECT_EQ(p.values[1], 1);
    EXPECT_EQ(p.values[2], 1);
    EXPECT_EQ(p.values[450], 449 % 200);
    trip.onRmc(rmcAt(450, 450 % 200));
    EXPECT_EQ(p.points, 449);
    EXPECT_EQ(p.values[1], 1);
    EXPECT_EQ(p.values[2], 2);
    EXPECT_EQ(p.values[450], 450 % 200);
    const QList<QLineF> segs = vur::profileSegments(p, ProfileKind::Speed);
    ASSERT_EQ(segs.size(), 449);
    EXPECT_EQ(segs.front(), QLineF(0, 198, 1, 197));
    EXPECT_EQ(segs.back(), QLineF(448, 199 - 449 % 200, 449, 199 - 450 % 200));
}

TEST(ProfilePlot, GridLabelsAndReadouts)
{
    EXPECT_EQ(vur::profileGrid(ProfileKind::Speed),
              (QList<QLineF>{QLineF(0, 100, 450, 100), QLineF(0, 50, 450, 50), QLineF(0, 150, 450, 150)}));
    EXPECT_EQ(vur::profileGrid(ProfileKind::Altitude)[0], QLineF(0, 1000, 450, 1000));
    EXPECT_EQ(vur::profileGridLabel(ProfileKind::Speed), QStringLiteral("100 "));
    EXPECT_EQ(vur::profileGridLabelPos(ProfileKind::Altitude), QPointF(0, 900));
    EXPECT_EQ(vur::profileReadoutText(ProfileKind::Speed, 50.5), QStringLiteral(" 149 km/h     "));
    EXPECT_EQ(vur::profileReadoutText(ProfileKind::Altitude, 500), QStringLiteral(" 1500 m     "));
    EXPECT_DOUBLE_EQ(vur::plotYFromPixel(ProfileKind::Speed, 25, 100), 50);
    EXPECT_DOUBLE_EQ(vur::plotYFromPixel(ProfileKind::Altitude, 25, 100), 500);

    vur::ProfileReadouts r;
    r.mouseOverSpeed(100);
    EXPECT_EQ(r.speed(), QStringLiteral(" 100 km/h     "));
    r.mouseOverAltitude(1000);
    EXPECT_TRUE(r.speed().isEmpty());
    EXPECT_EQ(r.altitude(), QStringLiteral(" 1000 m     "));
    r.mouseLeft();
    EXPECT_TRUE(r.altitude().isEmpty());
}

// The fixed scales stay the default; the fitted one spreads a walk or a
// flat ride over the height in four steps of 1, 2 or 5 times ten to a power.
TEST(ProfilePlot, FittedScaleHoldsTheSamplesInFourRoundSteps)
{
    const struct {
        ProfileKind kind;
        std::vector<int> samples;
        vur::ProfileScale scale;
    } cases[] = {
        {ProfileKind::Speed, {}, {0, 200}},
        {ProfileKind::Speed, {4, 5, 6}, {3, 7}},
        {ProfileKind::Speed, {20}, {19, 23}},
        {ProfileKind::Speed, {0, 0}, {0, 4}},
        {ProfileKind::Speed, {3, 11}, {0, 20}},
        {ProfileKind::Speed, {62, 118}, {60, 140}},
        {ProfileKind::Altitude, {}, {0, 2000}},
        {ProfileKind::Altitude, {512, 515}, {510, 530}},
        {ProfileKind::Altitude, {-3, 12}, {-5, 15}},
        {ProfileKind::Altitude, {400, 2600}, {0, 4000}},
    };
    for (const auto& c : cases) {
        vur::Profile p;
        for (const int v : c.samples) {
            p.points += 1;
            if (p.points == 1)
                p.values[1] = v;
            p.values[p.points + 1] = v;
        }
        const vur::ProfileScale s = vur::fittedProfileScale(p, c.kind);
        EXPECT_EQ(s, c.scale) << c.samples.size() << ": " << s.low << ".." << s.high;
    }
    EXPECT_EQ(vur::fixedProfileScale(ProfileKind::Speed), (vur::ProfileScale{0, 200}));
    // On the fixed scale nothing moves; on a fitted one the bottom is its low end.
    EXPECT_EQ(vur::profileY(ProfileKind::Speed, 30, {0, 200}), vur::profileY(ProfileKind::Speed, 30));
    EXPECT_EQ(vur::profileY(ProfileKind::Speed, 4, {4, 8}), 199);
    EXPECT_EQ(vur::profileY(ProfileKind::Speed, 6, {4, 8}), 99);
    EXPECT_EQ(vur::profileReadoutText(ProfileKind::Speed, 100, {4, 8}), QStringLiteral(" 6 km/h     "));
    EXPECT_EQ(vur::profileGridLabels(ProfileKind::Speed, {0, 200}),
              (QList<vur::ProfileLabel>{{QPointF(0, 90), QStringLiteral("100 ")}}));
    EXPECT_EQ(vur::profileGridLabels(ProfileKind::Altitude, {510, 530}),
              (QList<vur::ProfileLabel>{{QPointF(0, 400), QStringLiteral("525 ")},
                                        {QPointF(0, 900), QStringLiteral("520 ")},
                                        {QPointF(0, 1400), QStringLiteral("515 ")}}));
}

TEST(ProfilePlot, DrawsTheStripInBlue)
{
    zvtest::ScriptedDialogs d;
    vur::TripStatistics trip(d);
    for (int i = 0; i < 100; ++i)
        trip.onRmc(rmcAt(i, 60 + i % 40));
    QImage img = blank(449, 200);
    QPainter painter(&img);
    vur::drawProfile(&painter, QRectF(0, 0, 449, 200), trip.state().speed, ProfileKind::Speed, QStringLiteral(" 100 km/h"));
    painter.end();
    EXPECT_GT(countPixels(img, qRgb(0, 0, 255)), 100);
    EXPECT_GT(countPixels(img, qRgb(0, 0, 0)), 449 * 3);
}

TEST(RoutePlot, ScreenPointsByScale)
{
    EXPECT_EQ(vur::routeScreenPoint(0, 0, 1), QPointF(50, 50));
    EXPECT_EQ(vur::routeScreenPoint(500, -500, 1), QPointF(100, 0));
    EXPECT_EQ(vur::routeScreenPoint(500, 0, 2), QPointF(75, 50));
    EXPECT_EQ(vur::routeScreenPoint(250, 0, 0), QPointF(100, 50));
}

TEST(RoutePlot, DrawsRouteAndDestination)
{
    zvtest::ScriptedDialogs d;
    vur::TripStatistics trip(d);
    for (int i = 0; i < 40; ++i)
        trip.onRmc(rmcAt(i, 36, i * 10.0, i * 5.0));
    QImage img = blank(200, 200);
    QPainter painter(&img);
    vur::drawRoute(&painter, QRectF(0, 0, 200, 200), trip.state(), QPointF(-300, -300));
    painter.end();
    EXPECT_GT(countPixels(img, qRgb(0, 0, 255)), 50);
    EXPECT_GT(countPixels(img, qRgb(0, 192, 0)), 10);
    // The start is at the centre, the route heads right and up.
    EXPECT_EQ(img.pixel(100, 100), qRgb(0, 0, 255));
}

TEST(TargetArrowDrawing, DrawsTheCrossAndTheGreenArrow)
{
    QImage img = blank(100, 100);
    QPainter painter(&img);
    vur::drawTargetArrow(&painter, QRectF(0, 0, 100, 100), 0);
    painter.end();
    EXPECT_GT(countPixels(img, qRgb(0, 192, 0)), 30);
    // The tip points up: green above the centre, none far below.
    int above = 0, below = 0;
    for (int x = 0; x < 100; ++x) {
        above += img.pixel(x, 25) == qRgb(0, 192, 0);
        below += img.pixel(x, 80) == qRgb(0, 192, 0);
    }
    EXPECT_GT(above, 0);
    EXPECT_EQ(below, 0);
}
