// Whatever a track file holds, decoding and composing never fault and every
// composed sentence is framed correctly.
#include "common/nmea.h"
#include "sim/tracks/record_sentences.h"
#include "sim/tracks/track_record.h"

#include <QLocale>
#include <QRandomGenerator>
#include <clocale>
#include <gtest/gtest.h>

using namespace zelvan;

TEST(TrackRobustness, RandomLinesNeverFaultAnyFormat)
{
    QRandomGenerator random(4711);
    const QByteArray alphabet = "T NSEW0123456789.,;:-+<e\t";
    const QByteArray seeds[] = {
        "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;123;",
        "T  N51 30 07.40 W000 07 22.14 Sun Dec 14 19:31:02 1997",
        " -27.3504360, 153.0555400,0, -777.0,36892.1234567,010101,123456",
        "-0.1227480,51.5000000,35.7",
        "T  +48.1234567 +011.1234567 05-JAN-05 12:34:56 0123",
    };
    const TrackFormat formats[] = {TrackFormat::Kml,     TrackFormat::OziExplorer, TrackFormat::TtqvPcx,
                                   TrackFormat::Pcx5,    TrackFormat::Gardown,     TrackFormat::G7To,
                                   TrackFormat::G7ToWin, TrackFormat::Zelvan};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int round = 0; round < 3000; ++round) {
        QByteArray line = seeds[round % 5];
        // Mutate, cut or grow the line.
        const int edits = 1 + static_cast<int>(random.bounded(6));
        for (int e = 0; e < edits && !line.isEmpty(); ++e) {
            const int at = static_cast<int>(random.bounded(line.size()));
            switch (random.bounded(3)) {
            case 0: line[at] = alphabet[random.bounded(alphabet.size())]; break;
            case 1: line.truncate(at); break;
            default: line.insert(at, QByteArray(1 + random.bounded(3), '9')); break;
            }
        }
        for (const auto format : formats) {
            TrackDecoderState state;
            state.prevSeconds = 43200;
            state.prev = TrackDecoderState::Point{100, 100};
            const auto step = decodeTrackRecord(line, format, state, now);
            if (!step.record)
                continue;
            const auto s = composeRecordSentences(*step.record);
            ASSERT_TRUE(zv::hasValidChecksum(s.rmc)) << line.constData();
            ASSERT_TRUE(zv::hasValidChecksum(s.gga)) << line.constData();
            ASSERT_TRUE(zv::hasValidChecksum(s.vtg)) << line.constData();
        }
    }
}

TEST(TrackRobustness, GermanLocaleKeepsDecimalPoints)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0, 0), Qt::UTC);
    TrackDecoderState state;
    state = decodeTrackRecord("-0.1227480,51.5000000,35.7", TrackFormat::Kml, state, now).state;
    const auto step = decodeTrackRecord(" -27.3504360, 153.0555400,0, -777.0,36892.1234567,010101,123456",
                                        TrackFormat::OziExplorer, state, now);
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(step.record);
    EXPECT_EQ(step.record->latText, QByteArray("2721.026"));
    EXPECT_EQ(step.record->altitudeText, QByteArray("-236.8296"));
    EXPECT_FALSE(composeRecordSentences(*step.record).rmc.contains(",,,"));
}
