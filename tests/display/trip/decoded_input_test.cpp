// The hand-over from the live decoders to the trip and the targets, the
// recording list's incremental selection and the live sample tick.
#include "display/decode/decoders.h"
#include "display/trip/decoded_input.h"
#include "display/trip/recording_dialogue.h"
#include "display/trip/sample_tick.h"

#include <gtest/gtest.h>

using namespace vur;

TEST(DecodedInput, RmcHandsOverTimeDateSpeedAndASignedPosition)
{
    const struct {
        const char* sentence;
        double seconds;
        QDate date;
        int speed;
        std::optional<Position> position;
    } cases[] = {
        {"$GPRMC,214352,V,4023.8660,N,00339.1630,W,10.8,0.0,140605,2.5,W,S*25", 78232, QDate(2005, 6, 14), 20,
         Position{40 * 3600 + 23.866 * 60, -(3 * 3600 + 39.163 * 60)}},
        {"$GPRMC,000001.50,A,3355.2000,S,01825.4250,E,0.0,0.0,311299,,*00", 1.5, QDate(1999, 12, 31), 0,
         Position{-(33 * 3600 + 55.2 * 60), 18 * 3600 + 25.425 * 60}},
        {"$GPRMC,120000,V,,,,,0.0,0.0,,,*00", 43200, QDate(), 0, std::nullopt},
        {"$GPRMC,12,A,0000.0000,N,00000.0000,E,1.0,0.0,320199,,*00", 0, QDate(), 2, Position{0, 0}},
    };
    for (const auto& c : cases) {
        const SentenceFields f{QByteArrayView(c.sentence)};
        DisplayState s;
        decodeRmc(f, s);
        const TripRmc r = tripRmcOf(f, s, 5.0);
        EXPECT_DOUBLE_EQ(r.utcSecondsOfDay, c.seconds) << c.sentence;
        EXPECT_EQ(r.utcDate, c.date) << c.sentence;
        EXPECT_EQ(r.speedKmh, c.speed) << c.sentence;
        EXPECT_EQ(r.localSecondsOfDay, 5.0);
        EXPECT_EQ(r.clockText, s.localClockText);
        const std::optional<Position> p = rmcPosition(f, s);
        ASSERT_EQ(p.has_value(), c.position.has_value()) << c.sentence;
        if (p) {
            EXPECT_NEAR(p->latSec, c.position->latSec, 1e-6) << c.sentence;
            EXPECT_NEAR(p->lonSec, c.position->lonSec, 1e-6) << c.sentence;
            EXPECT_EQ(r.latSec, p->latSec);
            EXPECT_EQ(r.lonSec, p->lonSec);
        } else {
            EXPECT_FALSE(r.latSec);
        }
    }
}

TEST(DecodedInput, GgaWithoutAltitudeHandsOverNoAltitude)
{
    const struct {
        const char* sentence;
        int sats;
        std::optional<int> altitude;
    } cases[] = {
        {"$GPGGA,214350,4023.8600,N,00339.1630,W,8,09,2.0,695.7,M,51.6,M,,*5A", 9, 695},
        {"$GPGGA,214350,4023.8600,N,00339.1630,W,1,05,2.0,,M,,M,,*00", 5, std::nullopt},
        {"$GPGGA,214350,3320.0,S,01800.0,E,1,04,2.0,-12.5,M,,M,,*00", 4, -13},
        {"$GPGGA,214350,,,,,0,00,,,M,,M,,*00", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const TripGga g = tripGgaOf(SentenceFields(QByteArrayView(c.sentence)));
        EXPECT_EQ(g.satsUsed, c.sats) << c.sentence;
        EXPECT_EQ(g.altitude, c.altitude) << c.sentence;
    }
}

TEST(RecordingList, TypingSelectsTheFirstNameNotBelowTheTypedText)
{
    const QStringList names = {QStringLiteral("alpen.dat"), QStringLiteral("Berlin.dat"), QStringLiteral("madrid.dat"),
                               QStringLiteral("Zell.dat")};
    const struct {
        const char* typed;
        int row;
    } cases[] = {{"", 0}, {"b", 1}, {"BER", 1}, {"c", 2}, {"mad", 2}, {"madridx", 3}, {"zz", 0}, {"  al ", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(incrementalSelection(names, QString::fromLatin1(c.typed)), c.row) << c.typed;
    EXPECT_EQ(incrementalSelection({}, QStringLiteral("a")), -1);
    // Only the first 101 names take part.
    QStringList many;
    for (int i = 0; i < 150; ++i)
        many << QStringLiteral("n%1").arg(i, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(incrementalSelection(many, QStringLiteral("n100")), 100);
    EXPECT_EQ(incrementalSelection(many, QStringLiteral("n120")), 0);
}

TEST(LiveSampleTick, ResumesAtOnceWhenTheTimeOfDayGoesBackwards)
{
    SampleTick tick;
    tick.sampleInterval = 64;
    EXPECT_TRUE(takeSampleTick(tick, 86390));
    EXPECT_FALSE(takeSampleTick(tick, 86399));
    // Midnight: no waiting until the old time comes round again.
    EXPECT_TRUE(takeSampleTick(tick, 5));
    EXPECT_FALSE(takeSampleTick(tick, 6));
    EXPECT_TRUE(takeSampleTick(tick, 70));
}
