// Injected faults: the plan's text, the rewrites, the same bytes for the same
// seed, and rates that hold over 10,000 epochs.
#include "common/nmea.h"
#include "sim/rig/fault_injector.h"
#include "sim/rig/live_time.h"
#include "sim/rig/sentence_edit.h"

#include <QMap>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

using namespace zelvan;

namespace {

QByteArray framed(const QByteArray& body)
{
    return zv::frameSentence(body);
}

// One epoch of a 1 Hz receiver: RMC, GGA, GSA, VTG at second n of the day.
QList<QByteArray> epochAt(int n)
{
    char hhmmss[16];
    std::snprintf(hhmmss, sizeof hhmmss, "%02d%02d%02d", n / 3600 % 24, n / 60 % 60, n % 60);
    const QByteArray t(hhmmss);
    return {framed("GPRMC," + t + ",A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A"),
            framed("GPGGA," + t + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
            framed("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"),
            framed("GPVTG,084.4,T,,M,022.4,N,041.5,K,A")};
}

struct Injected {
    QList<QByteArray> out;
    QList<FaultEvent> events;
};

Injected inject(const FaultPlan& plan, quint64 seed, int epochs)
{
    Injected run;
    FaultInjector faults(plan, seed);
    faults.setReporter([&run](const FaultEvent& e) { run.events << e; });
    for (int n = 0; n < epochs; ++n) {
        faults.beginEpoch();
        for (const QByteArray& s : epochAt(n))
            run.out << faults.pass(s);
    }
    run.out << faults.release();
    return run;
}

FaultPlan plan(const char* text)
{
    QString error;
    const auto s = parseFaultPlan(QString::fromLatin1(text), &error);
    EXPECT_TRUE(s) << text << ": " << error.toStdString();
    return s.value_or(FaultPlan{});
}

} // namespace

TEST(FaultPlan, ItemsAndTheirMistakes)
{
    FaultPlan example;
    example.checksum = 0.01;
    example.drop = 0.02;
    example.fixLoss = {{120'000, 30'000}};
    EXPECT_EQ(plan("checksum=0.01,drop=0.02,fixloss=120s+30s"), example);

    FaultPlan all;
    all.dropEpoch = 0.05;
    all.truncate = 0.5;
    all.garbage = 1;
    all.talker = 0.001;
    all.jump = 0.01;
    all.jumpMetres = 1852;
    all.latency = 0.02;
    all.latencyMs = 2500;
    all.fixLoss = {{60'000, 500}, {3'600'000, 120'000}};
    EXPECT_EQ(plan("dropepoch=5%, truncate=0.5,garbage=100%,talker=1e-3,jump=0.01:1nm,latency=0.02:2500ms,"
                   "fixloss=1min+500ms,fixloss=1h+2min"),
              all);
    EXPECT_EQ(plan("jump=0.1:2km").jumpMetres, 2000);
    EXPECT_EQ(plan("jump=0.1:150").jumpMetres, 150);
    EXPECT_EQ(plan("latency=0.1:3").latencyMs, 3000);
    EXPECT_EQ(plan("fixloss=10+5").fixLoss, (QList<FixLossPeriod>{{10'000, 5'000}}));
    EXPECT_EQ(parseFaultPlan(faultPlanText(all)), all);

    struct Bad {
        const char* text;
        const char* inError;
    } bad[] = {
        {"", "no fault given"},
        {"noise=0.1", "\"noise\" is no fault; faults are checksum, drop"},
        {"checksum", "checksum needs a value, such as checksum=0.01"},
        {"checksum=", "checksum needs a value"},
        {"checksum=1.5", "checksum: \"1.5\" is no rate (0..1 or 0%..100%)"},
        {"drop=-0.1", "drop: \"-0.1\" is no rate"},
        {"drop=150%", "no rate"},
        {"drop=0,5", "\"5\" is no fault"},
        {"drop=0.1,drop=0.2", "drop is given twice"},
        {"jump=200m", "jump: \"200m\" is not RATE:DISTANCE, such as 0.01:200m"},
        {"jump=0.1:far", "jump: \"far\" is no distance"},
        {"jump=0.1:0m", "no distance"},
        {"latency=3s", "latency: \"3s\" is not RATE:TIME, such as 0.01:3s"},
        {"latency=0.1:0s", "latency: \"0s\" is no time"},
        {"fixloss=120s", "fixloss: \"120s\" is not START+LENGTH, such as 120s+30s"},
        {"fixloss=120s+0s", "not START+LENGTH"},
        {"fixloss=soon+30s", "not START+LENGTH"},
    };
    for (const Bad& b : bad) {
        QString error;
        EXPECT_FALSE(parseFaultPlan(QString::fromLatin1(b.text), &error)) << b.text;
        EXPECT_TRUE(error.contains(QString::fromLatin1(b.inError))) << b.text << ": " << error.toStdString();
    }
}

TEST(FaultInjector, TheSameSeedGivesTheSameBytes)
{
    const FaultPlan s = plan("checksum=0.05,drop=0.05,dropepoch=0.02,truncate=0.05,garbage=0.05,talker=0.05,"
                             "jump=0.05:300m,latency=0.03:3s,fixloss=100s+20s");
    const Injected a = inject(s, 7, 400), b = inject(s, 7, 400), c = inject(s, 8, 400);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.events.size(), b.events.size());
    EXPECT_NE(a.out, c.out);

    // Each fault draws from its own stream: another fault added moves none of them.
    const Injected alone = inject(plan("checksum=0.05"), 7, 400);
    auto where = [](const FaultEvent& e) {
        return QStringLiteral("%1 %2").arg(e.epoch).arg(zv::sentenceType(e.sentence));
    };
    QStringList bad, badAlone;
    for (const FaultEvent& e : a.events)
        if (e.kind == FaultKind::Checksum)
            bad << where(e);
    for (const FaultEvent& e : alone.events)
        badAlone << where(e);
    ASSERT_FALSE(badAlone.isEmpty());
    // In the full run some of them were dropped or cut before their checksum was spoilt.
    for (const QString& at : bad)
        EXPECT_TRUE(badAlone.contains(at)) << at.toStdString();
    EXPECT_GT(bad.size(), badAlone.size() * 3 / 4);
}

TEST(FaultInjector, RatesHoldOver10000Epochs)
{
    const int epochs = 10'000, sentences = epochs * 4;
    const Injected run = inject(plan("checksum=0.01,drop=0.02,truncate=0.005,garbage=0.01,talker=0.01,dropepoch=0.01,"
                                "jump=0.02:100m"),
                           7, epochs);
    QMap<FaultKind, int> count;
    QSet<qint64> jumped, droppedEpochs;
    for (const FaultEvent& e : run.events) {
        if (e.kind == FaultKind::Jump)
            jumped << e.epoch;
        else if (e.kind == FaultKind::DropEpoch)
            droppedEpochs << e.epoch;
        else
            ++count[e.kind];
    }
    // Within five standard deviations of the expected count; the sentences
    // of dropped epochs and dropped sentences meet no later fault.
    auto within = [](int n, double p, int seen, const char* what) {
        const double mean = n * p, sd = std::sqrt(n * p * (1 - p));
        EXPECT_LT(std::abs(seen - mean), 5 * sd) << what << ": " << seen << " of " << n << " at " << p;
    };
    within(epochs, 0.01, int(droppedEpochs.size()), "dropepoch");
    const int kept = sentences - int(droppedEpochs.size()) * 4;
    within(kept, 0.02, count[FaultKind::Drop], "drop");
    const int passed = kept - count[FaultKind::Drop];
    within(passed, 0.01, count[FaultKind::Checksum], "checksum");
    within(passed, 0.005, count[FaultKind::Truncate], "truncate");
    within(passed, 0.01, count[FaultKind::Garbage], "garbage");
    within(passed, 0.01, count[FaultKind::Talker], "talker");
    within(epochs - int(droppedEpochs.size()), 0.02, int(jumped.size()), "jump");
}

TEST(FaultInjector, EachFaultDoesWhatItSays)
{
    const QList<QByteArray> clean = epochAt(0);
    auto only = [](const char* text, int epochs) { return inject(plan(text), 3, epochs); };

    const Injected checksum = only("checksum=1", 1);
    ASSERT_EQ(checksum.out.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(zv::hasValidChecksum(checksum.out[i])) << checksum.out[i].constData();
        EXPECT_EQ(checksum.out[i].chopped(2), clean[i].chopped(2));
        EXPECT_EQ(checksum.events[i].sentence, checksum.out[i]);
    }

    const Injected truncated = only("truncate=1", 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(truncated.out[i].size(), clean[i].size());
        EXPECT_TRUE(clean[i].startsWith(truncated.out[i]) && truncated.out[i].startsWith('$'));
    }

    const Injected garbage = only("garbage=1", 1);
    for (int i = 0; i < 4; ++i) {
        const QByteArray prefix = garbage.out[i].chopped(clean[i].size());
        EXPECT_TRUE(garbage.out[i].endsWith(clean[i]));
        EXPECT_FALSE(prefix.isEmpty() || prefix.contains('$') || prefix.contains('\r') || prefix.contains('\n'));
    }

    const Injected talker = only("talker=1", 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(zv::hasValidChecksum(talker.out[i]));
        EXPECT_NE(zv::sentenceTalker(talker.out[i]), QByteArrayView("GP"));
        EXPECT_EQ(talker.out[i].mid(3).chopped(3), clean[i].mid(3).chopped(3));
    }

    EXPECT_TRUE(only("dropepoch=1", 3).out.isEmpty());
    EXPECT_TRUE(only("drop=1", 3).out.isEmpty());

    // A jump moves the epoch's positions alike; other sentences stay.
    const Injected jump = only("jump=1:500m", 1);
    EXPECT_EQ(zv::sentenceField(jump.out[0], 3), zv::sentenceField(jump.out[1], 2));
    EXPECT_EQ(zv::sentenceField(jump.out[0], 5), zv::sentenceField(jump.out[1], 4));
    EXPECT_NE(jump.out[0], clean[0]);
    EXPECT_EQ(jump.out.mid(2), clean.mid(2));

    // Fix loss from second 2 for 3 seconds: epochs 2, 3 and 4 have none.
    const Injected loss = only("fixloss=2s+3s", 6);
    for (int n = 0; n < 6; ++n) {
        const bool lost = n >= 2 && n < 5;
        const QByteArray rmc = loss.out[n * 4], gga = loss.out[n * 4 + 1];
        EXPECT_EQ(zv::sentenceField(rmc, 2), lost ? "V" : "A") << n;
        EXPECT_EQ(zv::sentenceField(gga, 6), lost ? "0" : "1") << n;
        EXPECT_EQ(zv::sentenceField(gga, 2).isEmpty(), lost) << n;
        EXPECT_TRUE(zv::hasValidChecksum(rmc) && zv::hasValidChecksum(gga));
    }
    EXPECT_EQ(loss.events.size(), 3 * 3); // RMC, GGA, GSA of three epochs
}

TEST(FaultInjector, AHeldEpochGoesOutLateWithWhatFollowedInOrder)
{
    FaultInjector faults(plan("latency=1:3s"), 1);
    QList<FaultEvent> events;
    faults.setReporter([&events](const FaultEvent& e) { events << e; });
    QList<QList<QByteArray>> perEpoch;
    QList<QByteArray> all;
    for (int n = 0; n < 8; ++n) {
        faults.beginEpoch();
        QList<QByteArray> out;
        for (const QByteArray& s : epochAt(n)) {
            out << faults.pass(s);
            all << s;
        }
        perEpoch << out;
    }
    // Epoch 1 (second 0) is held; second 3 releases it with seconds 1 and 2
    // and goes out itself; the next epoch is held again.
    EXPECT_TRUE(perEpoch[0].isEmpty() && perEpoch[1].isEmpty() && perEpoch[2].isEmpty());
    EXPECT_EQ(perEpoch[3], all.mid(0, 16));
    EXPECT_TRUE(perEpoch[4].isEmpty());
    QList<QByteArray> sent;
    for (const auto& out : perEpoch)
        sent << out;
    sent << faults.release();
    EXPECT_EQ(sent, all);
    ASSERT_GE(events.size(), 2);
    EXPECT_EQ(events[0].kind, FaultKind::Latency);
    EXPECT_TRUE(faultEventText(events[1]).startsWith(
        QStringLiteral("epoch 4 +3.0 s: latency 12 sentences held back since epoch 1 sent late: $GPRMC,000000,")))
        << faultEventText(events[1]).toStdString();
}

TEST(FaultRewrites, NoFixAndMovedPositions)
{
    struct Case {
        const char* in;
        const char* out;
    } lost[] = {
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A",
         "GPRMC,123519,V,,,,,,,230394,003.1,W,N"},
        {"GNGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,", "GNGGA,123519,,,,,0,08,0.9,,M,46.9,M,,"},
        {"GPGLL,4916.45,N,12311.12,W,225444,A,A", "GPGLL,,,,,225444,V,N"},
        {"GNGNS,123519.00,4807.038,N,01131.000,E,AAN,12,0.8,545.4,46.9,,", "GNGNS,123519.00,,,,,NNN,12,0.8,,46.9,,"},
        {"GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", "GPGSA,A,1,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"},
        {"GPVTG,084.4,T,,M,022.4,N,041.5,K,A", "GPVTG,084.4,T,,M,022.4,N,041.5,K,A"},
    };
    for (const Case& c : lost)
        EXPECT_EQ(withoutFix(framed(c.in)), framed(c.out)) << c.in;

    // 1852 m north is one minute of latitude; east across 180 degrees the
    // longitude and its hemisphere change.
    EXPECT_EQ(withPositionMoved(framed("GPGGA,1,0000.000,N,17959.950,E,1,08,,,M,,M,,"), 1853.25, 0),
              framed("GPGGA,1,0001.000,N,17959.950,E,1,08,,,M,,M,,"));
    EXPECT_EQ(withPositionMoved(framed("GPRMC,1,A,0000.0000,N,17959.9500,E,,,,,"), 1853.25 * 0.1, std::acos(-1) / 2),
              framed("GPRMC,1,A,0000.0000,N,17959.9500,W,,,,,"));
    EXPECT_EQ(withPositionMoved(framed("GPGLL,5959.999,S,00100.000,W,1,A"), 0, 0),
              framed("GPGLL,5959.999,S,00100.000,W,1,A"));
}
