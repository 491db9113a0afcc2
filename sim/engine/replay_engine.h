#pragma once
// The replay engine as one piece: the sink, the tick, the loader and the
// track-file replay, wired to each other on the state, controls and file the
// front end holds. The window and the headless runner both build it here, so
// the wiring exists once.
#include "sim/replay/replay_front_end.h"
#include "sim/replay/replay_file.h"
#include "sim/replay/replay_state.h"
#include "sim/rig/sentence_rig.h"

#include <QObject>
#include <QString>

namespace zv {
class Dialogs;
}

namespace zelvan {

class Loader;
class ReplayTick;
class SentenceSink;
class TrackReplay;

class ReplayEngine : public QObject {
    Q_OBJECT
public:
    // iniPath: Zelvan.ini, whose [Output] Talker is read now and at every load.
    ReplayEngine(ReplayState& state, ReplayFrontEnd& ui, ReplayFile& file, zv::Dialogs& dialogs,
                 const QString& iniPath, QObject* parent = nullptr);

    SentenceSink& sink() { return *m_sink; }
    ReplayTick& tick() { return *m_tick; }
    Loader& loader() { return *m_loader; }
    TrackReplay& trackReplay() { return *m_trackReplay; }

    // Live time and injected faults for the sentences from now on; options
    // that change nothing take the rig away. The rig starts afresh (its
    // clock anchors again, its faults from the seed); what the old one held
    // back goes out first.
    void setRig(const RigOptions& options);

private:
    SentenceSink* m_sink;
    ReplayTick* m_tick;
    Loader* m_loader;
    TrackReplay* m_trackReplay;
};

} // namespace zelvan
