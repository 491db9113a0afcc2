#include "sim/engine/replay_engine.h"

#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "sim/tracks/track_replay.h"

namespace zelvan {

ReplayEngine::ReplayEngine(ReplayState& state, ReplayFrontEnd& ui, ReplayFile& file, zv::Dialogs& dialogs,
                           const QString& iniPath, QObject* parent)
    : QObject(parent)
{
    m_sink = new SentenceSink(ui, this);
    m_tick = new ReplayTick(state, ui, *m_sink, file, this);
    m_loader = new Loader(state, ui, *m_sink, file, *m_tick, dialogs, this);
    m_loader->setSettingsFile(iniPath);
    m_tick->setStopReplay([this](StopReason r) { m_loader->stopReplay(r); });
    // Created after the tick and the loader, so it outlives both while the
    // engine is taken down.
    m_trackReplay = new TrackReplay(state, ui, *m_sink, file, *m_tick, *m_loader, this);
    m_tick->setTrackFileReplay(m_trackReplay);
    m_loader->setTrackFileReplay(m_trackReplay);
}

void ReplayEngine::setRig(const RigOptions& options)
{
    m_sink->setRig(options.active() ? std::make_unique<SentenceRig>(options) : nullptr);
}

} // namespace zelvan
