#pragma once
// What faults a misbehaving receiver shows, as the --faults text gives them:
// "checksum=0.01,drop=0.02,fixloss=120s+30s".
#include <QList>
#include <QString>
#include <optional>

namespace zelvan {

// A period of the replay's clock (the sentences' own time, counted from the
// first epoch) without a fix.
struct FixLossPeriod {
    qint64 startMs = 0;
    qint64 lengthMs = 0;
    bool operator==(const FixLossPeriod&) const = default;
};

// Rates are chances from 0 to 1: per sentence, or per epoch where noted.
struct FaultPlan {
    double checksum = 0;  // a wrong checksum
    double drop = 0;      // the sentence is not sent
    double dropEpoch = 0; // per epoch: none of its sentences is sent
    double truncate = 0;  // the sentence is cut short
    double garbage = 0;   // stray bytes come before the sentence
    double talker = 0;    // another talker ("$GNGGA" for "$GPGGA")
    double jump = 0;      // per epoch: its position moved by jumpMetres
    double jumpMetres = 0;
    double latency = 0;   // per epoch: held back by latencyMs, then sent with what followed
    qint64 latencyMs = 0;
    QList<FixLossPeriod> fixLoss;
    bool operator==(const FaultPlan&) const = default;
};

// Items separated by commas: checksum=RATE drop=RATE dropepoch=RATE
// truncate=RATE garbage=RATE talker=RATE jump=RATE:DISTANCE
// latency=RATE:TIME fixloss=START+LENGTH (repeatable). RATE: 0..1 or a
// percentage ("2%"); DISTANCE in m (default), km or nm; TIME in ms, s
// (default), min or h. error: the first thing that is wrong.
std::optional<FaultPlan> parseFaultPlan(const QString& text, QString* error = nullptr);

// The plan written back in the same form.
QString faultPlanText(const FaultPlan& plan);

} // namespace zelvan
