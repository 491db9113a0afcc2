#include "common/nmea.h"
#include "sim/manual/manual_composer.h"
#include "support/pynmea2_check.h"

#include <gtest/gtest.h>

using namespace zelvan;

TEST(ManualTalker, ComposesWithTheTalkerItIsGiven)
{
    for (const char* talker : {"GP", "GN"}) {
        ManualState state;
        ManualComposeOptions options;
        options.talker = talker;
        QList<QByteArray> all;
        for (int i = 0; i < 3; ++i) {
            state.position.lat.minutes = 7 + i; // moving north: a course from the second tick on
            const ManualTickOutput out =
                composeManualSentences(state, options, QDateTime(QDate(2026, 12, 7), QTime(12, 0, i), Qt::UTC));
            ASSERT_EQ(out.sentences.size(), 3);
            const char* types[] = {"RMC", "GGA", "VTG"};
            for (int k = 0; k < 3; ++k)
                EXPECT_TRUE(out.sentences[k].startsWith('$' + QByteArray(talker) + types[k]))
                    << out.sentences[k].constData();
            EXPECT_EQ(state.lastRmc, out.sentences[0]);
            all += out.sentences;
        }
        zvtest::expectPynmea2Accepts(all);
    }
}
