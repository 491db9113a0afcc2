#pragma once
// The manual-mode part of the window's key filter: arrows steer, Space
// records the position, Return and keypad Enter record a text.
class QKeyEvent;

namespace zelvan {

class ManualPositionController;
class ManualRecorder;

// Handles one key press while manual mode is on. Returns true when the
// event is consumed (the filter then stops it, so a focused spinner or
// button never acts on the same key again). Escape is not handled here.
bool handleManualKey(const QKeyEvent& event, ManualPositionController& position, ManualRecorder& recorder);

} // namespace zelvan
