// Track files: the composed-mode replay plugged into the tick and the loader.
#include "sim/replay/replay_tick.h"
#include "sim/tracks/loader.h"
#include "sim/tracks/track_replay.h"
#include "sim/window/sim_window.h"

namespace zelvan {

void SimWindow::setupTrackReplay()
{
    // A child of the window, created after the tick and the loader, so it
    // outlives both while the window is taken down.
    m_trackReplay = new TrackReplay(m_state, m_ui, *m_sink, m_file, *m_tick, *m_loader, this);
    m_tick->setTrackFileReplay(m_trackReplay);
    m_loader->setTrackFileReplay(m_trackReplay);
}

} // namespace zelvan
