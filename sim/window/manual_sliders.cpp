#include "sim/window/manual_sliders.h"

#include <QAbstractSlider>
#include <QLabel>
#include <QSignalBlocker>

namespace zelvan {

namespace {

void setupSlider(QAbstractSlider* s, int minimum, int maximum)
{
    if (!s)
        return;
    s->setRange(minimum, maximum);
    s->setSingleStep(1);
    s->setPageStep(1);
    // A vertical spinner grows upwards: its handle sits at the top for the
    // highest value and its upper arrow increases. Inverted appearance alone
    // leaves the arrows as they are, so their steps are turned round.
    if (s->orientation() == Qt::Vertical) {
        s->setInvertedAppearance(true);
        QObject::connect(s, &QAbstractSlider::actionTriggered, s, [s](int action) {
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd: s->setSliderPosition(s->value() - s->singleStep()); break;
            case QAbstractSlider::SliderSingleStepSub: s->setSliderPosition(s->value() + s->singleStep()); break;
            case QAbstractSlider::SliderPageStepAdd: s->setSliderPosition(s->value() - s->pageStep()); break;
            case QAbstractSlider::SliderPageStepSub: s->setSliderPosition(s->value() + s->pageStep()); break;
            default: break;
            }
        });
    }
}

void setText(QLabel* l, const QString& t)
{
    if (l)
        l->setText(t);
}

} // namespace

ManualPositionController::ManualPositionController(ManualState& state, ManualPositionWidgets widgets, QObject* parent)
    : QObject(parent), m_state(state), m_w(widgets)
{
    for (int i = 0; i < 4; ++i) {
        const SpinnerRange lat = spinnerRange(Axis::Latitude, i);
        const SpinnerRange lon = spinnerRange(Axis::Longitude, i);
        setupSlider(m_w.vsc1[i], lat.minimum, lat.maximum);
        setupSlider(m_w.hsc1[i], lon.minimum, lon.maximum);
    }
    setupSlider(m_w.vsc2, 0, 2000);
    setupSlider(m_w.vsc3, 0, 200);
    setupSlider(m_w.vsc4, 0, AutoPointCaption::kIndexMax);
    refreshAll();

    for (int i = 0; i < 4; ++i) {
        if (m_w.vsc1[i])
            connect(m_w.vsc1[i], &QAbstractSlider::valueChanged, this,
                    [this, i](int v) { onPositionSpinner(Axis::Latitude, i, v); });
        if (m_w.hsc1[i])
            connect(m_w.hsc1[i], &QAbstractSlider::valueChanged, this,
                    [this, i](int v) { onPositionSpinner(Axis::Longitude, i, v); });
    }
    if (m_w.vsc2)
        connect(m_w.vsc2, &QAbstractSlider::valueChanged, this, [this](int v) {
            m_state.altitudeM = v;
            setText(m_w.nnM, altitudeCaption(v));
            if (m_w.nnM)
                m_w.nnM->setToolTip(altitudeToolTip(v));
        });
    if (m_w.vsc3)
        connect(m_w.vsc3, &QAbstractSlider::valueChanged, this, [this](int v) {
            m_state.speedKmh = v;
            setText(m_w.kmhM, speedCaption(v));
            if (m_w.kmhM)
                m_w.kmhM->setToolTip(speedToolTip(v));
        });
    if (m_w.vsc4)
        connect(m_w.vsc4, &QAbstractSlider::valueChanged, this, [this](int v) {
            m_state.autoPoint.setIndex(v);
            refreshAutoPoint();
        });
}

void ManualPositionController::onPositionSpinner(Axis axis, int index, int value)
{
    if (m_writing)
        return;
    AxisPosition& a = axis == Axis::Latitude ? m_state.position.lat : m_state.position.lon;
    a = withSpinnerValue(a, axis, index, value);
    m_state.nudgeFlags |= axis == Axis::Latitude ? 1 : 2;
    refreshLabels();
}

void ManualPositionController::refreshLabels()
{
    const PositionLabels l = positionLabels(m_state.position);
    setText(m_w.latLabels[0], l.ggn);
    setText(m_w.latLabels[1], l.mmn);
    setText(m_w.latLabels[2], l.ssn);
    setText(m_w.latLabels[3], l.kkn);
    setText(m_w.lonLabels[0], l.ggo);
    setText(m_w.lonLabels[1], l.mmo);
    setText(m_w.lonLabels[2], l.sso);
    setText(m_w.lonLabels[3], l.kko);
}

void ManualPositionController::writeSpinners()
{
    m_writing = true;
    const auto lat = spinnerValues(m_state.position.lat);
    const auto lon = spinnerValues(m_state.position.lon);
    // Tenths first, degrees last, latitude before longitude.
    for (int i = 3; i >= 0; --i)
        if (m_w.vsc1[i])
            m_w.vsc1[i]->setValue(lat[i]);
    for (int i = 3; i >= 0; --i)
        if (m_w.hsc1[i])
            m_w.hsc1[i]->setValue(lon[i]);
    m_writing = false;
}

void ManualPositionController::refreshAll()
{
    writeSpinners();
    refreshLabels();
    if (m_w.vsc2) {
        const QSignalBlocker b(m_w.vsc2);
        m_w.vsc2->setValue(m_state.altitudeM);
    }
    if (m_w.vsc3) {
        const QSignalBlocker b(m_w.vsc3);
        m_w.vsc3->setValue(m_state.speedKmh);
    }
    if (m_w.vsc4) {
        const QSignalBlocker b(m_w.vsc4);
        m_w.vsc4->setValue(m_state.autoPoint.index());
    }
    setText(m_w.nnM, altitudeCaption(m_state.altitudeM));
    if (m_w.nnM)
        m_w.nnM->setToolTip(altitudeToolTip(m_state.altitudeM));
    setText(m_w.kmhM, speedCaption(m_state.speedKmh));
    if (m_w.kmhM)
        m_w.kmhM->setToolTip(speedToolTip(m_state.speedKmh));
    refreshAutoPoint();
}

bool ManualPositionController::step(Qt::Key arrow, StepAmount amount)
{
    Axis moved = Axis::Latitude;
    const auto next = steer(m_state.position, arrow, amount, &moved);
    if (!next)
        return false;
    m_state.position = *next;
    m_state.nudgeFlags |= moved == Axis::Latitude ? 1 : 2;
    writeSpinners();
    refreshLabels();
    return true;
}

void ManualPositionController::refreshAutoPoint()
{
    setText(m_w.autoM, m_state.autoPoint.caption());
    if (m_w.autoM)
        m_w.autoM->setToolTip(m_state.autoPoint.toolTip(m_metric));
}

void ManualPositionController::setMetricUnits(bool metric)
{
    m_metric = metric;
    refreshAutoPoint();
}

} // namespace zelvan
