#pragma once
// The counting pass over an NMEA log, fed one line at a time: the records
// and their index, the sentence types the log holds, the altitude profile.
// Records and types are those the replay itself takes, so the gauge, the
// jumps and the ticks count the same epochs.
#include "sim/replay/replay_file.h"

#include <QPointF>
#include <QVector>

namespace zelvan {

struct LogCount {
    RmcIndex index;
    bool hasGga = false;
    bool hasVtg = false;
    // The altitude of each GGA that has one, over the GGA's number; only
    // collected when asked for (a window draws it).
    bool collectProfile = false;
    QVector<QPointF> profile;
    double lowest = 99999, highest = 0;
    double ggaCount = 0;

    // One line, read at byte offset `at`.
    void addLine(qint64 at, QByteArrayView line);
};

} // namespace zelvan
