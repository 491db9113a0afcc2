#pragma once
// "zelvan --headless": the window's replay engine run under QCoreApplication,
// its sentences sent to the outputs named on the command line, progress and
// messages on standard error.
#include "sim/headless/headless_options.h"
#include "sim/headless/terminal_dialogs.h"
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/replay_state.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace zelvan {

class OutputChannel;
class ReplayEngine;
class RouteRun;

enum HeadlessExit { ExitDone = 0, ExitReplayFailed = 1, ExitUsage = 2, ExitOutputFailed = 3 };

class HeadlessReplay : public QObject {
    Q_OBJECT
public:
    HeadlessReplay(const HeadlessOptions& options, const QString& homeDir, QObject* parent = nullptr);
    ~HeadlessReplay() override;

    // Opens the outputs and starts loading from the event loop; false (with
    // the message written) when an output cannot be opened.
    bool start();
    // An orderly end: the replay stops, the outputs close (pty links and
    // companion files are removed), then the event loop ends with 0.
    void requestStop();

Q_SIGNALS:
    // The run is over; the program's exit status.
    void finished(int exitCode);

private:
    void load();
    void loadRoute();
    void onStopped(StopReason reason);
    void onOutputFailed(OutputChannel* channel, const QString& message);
    void showProgress();
    void finish(int code);

    HeadlessOptions m_options;
    QString m_homeDir;
    ReplayState m_state;
    ReplayFrontEnd m_ui;
    ReplayFile m_file;
    TerminalDialogs m_dialogs;
    struct Output {
        OutputTarget target;
        std::unique_ptr<OutputChannel> channel;
        bool dropped = false;
    };
    std::vector<Output> m_outputs;
    std::unique_ptr<ReplayEngine> m_engine;
    std::unique_ptr<RouteRun> m_route;
    qint64 m_routeEpochs = 0;
    qint64 m_shownEpochs = 0;
    double m_routeDistanceM = 0;
    QTimer m_progress;
    std::int32_t m_shownIndex = -1;
    bool m_loading = false;
    bool m_stopping = false;
    int m_stopCode = 0; // the exit status an orderly stop ends with
    bool m_finished = false;
};

// The program's entry for --headless (creates the QCoreApplication).
int runHeadless(int argc, char** argv);

} // namespace zelvan
