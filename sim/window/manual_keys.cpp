#include "sim/window/manual_keys.h"

#include "sim/manual/recording.h"
#include "sim/window/manual_sliders.h"

#include <QKeyEvent>

namespace zelvan {

bool handleManualKey(const QKeyEvent& event, ManualPositionController& position, ManualRecorder& recorder)
{
    const ManualKey k = mapManualKey(event.key(), event.modifiers(), event.isAutoRepeat());
    switch (k.action) {
    case ManualKeyAction::None:
        return false;
    case ManualKeyAction::Consumed:
        return true;
    case ManualKeyAction::Step:
        position.step(k.arrow, k.amount);
        return true;
    case ManualKeyAction::RecordPosition:
        recorder.savePosition();
        return true;
    case ManualKeyAction::RecordText:
        if (recorder.saveTEnabled())
            recorder.saveText();
        return true;
    }
    return false;
}

} // namespace zelvan
