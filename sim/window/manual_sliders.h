#pragma once
// Keeps the position spinners, their labels and the altitude, speed and
// Auto-Point spinners in step with ManualState, and applies arrow-key steps.
#include "sim/manual/manual_state.h"

#include <QObject>

#include <array>

class QAbstractSlider;
class QLabel;

namespace zelvan {

// The widgets the window creates; any may be null.
struct ManualPositionWidgets {
    std::array<QAbstractSlider*, 4> vsc1{};  // `VSc1(0..3)`: latitude degrees, minutes, seconds, tenths
    std::array<QAbstractSlider*, 4> hsc1{};  // `HSc1(0..3)`: longitude
    std::array<QLabel*, 4> latLabels{};      // `ggn`, `mmn`, `ssn`, `kkn`
    std::array<QLabel*, 4> lonLabels{};      // `ggo`, `mmo`, `sso`, `kko`
    QAbstractSlider* vsc2 = nullptr;         // altitude, 0..2000 m
    QAbstractSlider* vsc3 = nullptr;         // speed, 0..200 km/h
    QAbstractSlider* vsc4 = nullptr;         // Auto-Point index, 0..10
    QLabel* nnM = nullptr;
    QLabel* kmhM = nullptr;
    QLabel* autoM = nullptr;
};

class ManualPositionController : public QObject {
    Q_OBJECT
public:
    // Sets the spinners' ranges and steps (vertical ones grow upwards),
    // shows the state and follows the spinners' valueChanged signals.
    ManualPositionController(ManualState& state, ManualPositionWidgets widgets, QObject* parent = nullptr);

    // Spinners and labels from the state, after seeding or loading settings.
    void refreshAll();
    // One arrow-key step; false (and nothing changes) when the step is
    // refused at the end of the range.
    bool step(Qt::Key arrow, StepAmount amount);
    // `AutoM` caption and tooltip from the state (after the recording set or
    // restored "*").
    void refreshAutoPoint();
    void setMetricUnits(bool metric);

private:
    void onPositionSpinner(Axis axis, int index, int value);
    void refreshLabels();
    void writeSpinners();

    ManualState& m_state;
    ManualPositionWidgets m_w;
    bool m_metric = true;
    bool m_writing = false;
};

} // namespace zelvan
