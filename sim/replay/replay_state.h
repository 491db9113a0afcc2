#pragma once
// The replay's shared state: what the tick, the loader and the navigation
// commands read and write. It lives as long as the window.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace zelvan {

enum FileKind { FileKindNmeaLog = 0, FileKindTrack = 1, FileKindNone = 2 };

// Reasons to end or loop a replay.
enum StopReason { StopEndOfFile = 0, StopByUser = 1, StopLoadFailure = 2 };

struct ReplayState {
    int fileKind = FileKindNone;
    bool replayActive = false;
    QByteArray currentLine;
    QString trackPath;
    QByteArray recordLead = "T";
    QString trackFormat;
    QString trackName;
    int segmentCount = 0;

    // Records are counted in 32 bits: a day at 1 Hz is 86,400 epochs.
    std::int32_t recordTotal = 0;
    std::int32_t recordIndex = 0;

    int tickIntervalMs = 1000;
    int recordsPerTick = 1;
    qint64 lastTickMs = 0;
    bool singleStep = false;
    bool seeking = false;
    bool seekQuiet = false;
    bool suppressLoad = false;

    QString statusText;
    QByteArray phsmiLine;
    QByteArray lastRmc, lastGga, lastVtg;
    QByteArray sentRmc;
    QByteArray epochTimePos;
    QByteArray rmcCourseText;

    bool hasRmc = false, hasGga = false, hasVtg = false, hasPgrmm = false;
    bool autoSkipStill = false;

    double speedKmh = 0;
    QByteArray speedKnotsText;
    double maxSpeed = 0;
    double startLat = 0, startLon = 0, prevLat = 0, prevLon = 0;
    double prevSeconds = 0;
    double distanceM = 0;
    int courseDeg = 0;
    double tripMeters = 0;

    bool metricUnits = true;
    bool showLocal = false;

    QByteArray altitudeText;
    double altitudeMin = 9999;
    double altitudeMax = 0;

    int savedInterval = 100;

    // Talker of the sentences composed here (track records, synthesised VTG):
    // [Output] Talker, read at every load.
    QByteArray outputTalker = "GP";
};

} // namespace zelvan
