#pragma once
// The counting pass over an NMEA log, fed one line at a time: the records
// and their index, the sentence types the log holds, the altitude profile.
// Records and types are those the replay itself takes, so the gauge, the
// jumps and the ticks count the same epochs. A log too big to count before
// the first sentence is counted on a thread of its own (BackgroundCount).
#include "sim/replay/replay_file.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <QVector>
#include <atomic>
#include <functional>
#include <thread>

namespace zelvan {

struct LogCount {
    RmcIndex index;
    bool hasGga = false;
    bool hasVtg = false;
    // The altitude of the GGA sentences that have one, over the GGA's number;
    // only collected when asked for (a window draws it). A long log keeps
    // every n-th point only, so the profile never holds more than
    // kMaxProfilePoints whatever the log's length.
    static constexpr qsizetype kMaxProfilePoints = 8192;
    bool collectProfile = false;
    QVector<QPointF> profile;
    double lowest = 99999, highest = 0;
    double ggaCount = 0;

    // One line, read at byte offset `at`.
    void addLine(qint64 at, QByteArrayView line);

private:
    qint64 m_profileStride = 1;
};

// Goes on counting a log from a byte offset on a thread of its own; the
// result is handed to `done` on the thread that started it. Cancelling (or
// destroying) waits for the thread, and no result is handed over after it.
class BackgroundCount : public QObject {
public:
    using Done = std::function<void(LogCount&&, bool readable)>;
    explicit BackgroundCount(QObject* parent = nullptr) : QObject(parent) {}
    ~BackgroundCount() override { cancel(); }

    void start(const QString& path, qint64 from, LogCount partial, Done done);
    void cancel();
    bool isRunning() const { return m_running; }

private:
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
    quint64 m_run = 0; // a result of a cancelled run is dropped
    Done m_done;
};

} // namespace zelvan
