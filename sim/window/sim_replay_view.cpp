#include "sim/window/sim_replay_view.h"

#include "common/number_text.h"
#include "sim/window/altitude_picture.h"
#include "sim/window/gauges.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace zelvan {

namespace {
const QColor kGgaColour(200, 200, 0);
const QColor kRecordAltitudeColour(255, 255, 0);
} // namespace

QWidget* SimReplayView::widget(Control c) const
{
    switch (c) {
    case Control::Restart: return m_ui.restart;
    case Control::Back: return m_ui.back;
    case Control::Skip1: return m_ui.skip1;
    case Control::Skip2: return m_ui.skip2;
    case Control::StopA: return m_ui.stopA;
    case Control::Pause: return m_ui.pause;
    case Control::AutoSkip: return m_ui.autoSkip;
    case Control::Equ: return m_ui.equ;
    case Control::Manu: return m_ui.manu;
    case Control::Abstand: return nullptr;
    case Control::DirSel: return m_ui.dirSel;
    case Control::DownloadC: return m_ui.downloadC;
    case Control::PortC: return m_ui.portC;
    case Control::Ende: return m_ui.ende;
    case Control::Data0:
    case Control::Data1:
    case Control::Data2:
    case Control::Data3:
    case Control::Data4:
    case Control::Data5:
    case Control::Data6: return m_ui.data[size_t(int(c) - int(Control::Data0))];
    case Control::List1: return m_ui.list1;
    case Control::File1: return m_ui.file1;
    case Control::Dir1: return m_ui.dir1;
    case Control::Drive1: return m_ui.drive1;
    case Control::RunA: return m_ui.runA;
    case Control::MiniA: return m_ui.miniA;
    case Control::PauseL: return m_ui.pauseL;
    case Control::LoopL: return m_ui.loopL;
    case Control::AutoL: return m_ui.autoL;
    case Control::Gauge2: return m_ui.gauge2;
    case Control::Dia: return m_ui.dia;
    case Control::FileL: return m_ui.fileL;
    case Control::WtL: return m_ui.wtL;
    case Control::Datum: return m_ui.datum;
    case Control::Zeit: return m_ui.zeit;
    case Control::SpeedL: return m_ui.speedL;
    case Control::MaxL: return m_ui.maxL;
    case Control::DistL: return m_ui.distL;
    case Control::TripL: return m_ui.tripL;
    case Control::Ttl: return m_ui.ttl;
    case Control::NnL: return m_ui.nnL;
    case Control::NnMinL: return m_ui.nnMinL;
    case Control::NnMaxL: return m_ui.nnMaxL;
    case Control::NnM: return m_ui.nnM;
    }
    return nullptr;
}

void SimReplayView::listCleared()
{
    if (m_ui.list1)
        m_ui.list1->clear();
}

void SimReplayView::listed(const QString& line)
{
    if (m_ui.list1)
        m_ui.list1->addItem(line);
}

void SimReplayView::progressRange(int maximum)
{
    if (m_ui.gauge2)
        m_ui.gauge2->setMaximum(maximum);
}

void SimReplayView::progress(int value)
{
    if (m_ui.gauge2)
        m_ui.gauge2->setValue(value);
}

void SimReplayView::compass(int needle, std::optional<int> width)
{
    if (!m_ui.gauge1)
        return;
    if (width)
        m_ui.gauge1->setNeedleWidth(*width);
    m_ui.gauge1->setValue(needle);
}

void SimReplayView::altitudeCleared()
{
    if (!m_ui.dia)
        return;
    m_ui.dia->clear();
    m_ui.dia->setToolTip(QStringLiteral("Altitude"));
}

void SimReplayView::altitudeProfile(const AltitudeProfile& p)
{
    if (!m_ui.dia)
        return;
    const bool gga = p.source == AltitudeProfile::Source::LogGga;
    m_ui.dia->setRecordRange(p.recordRange);
    for (const QPointF& point : p.points)
        m_ui.dia->addPoint(point.x(), point.y(), gga ? kGgaColour : kRecordAltitudeColour, gga ? 2 : 1);
    for (double m : p.marks)
        m_ui.dia->addMark(m);
    if (!p.points.isEmpty())
        m_ui.dia->setToolTip(QStringLiteral("Altitude: ") + zv::trimmedNumberText(p.lowest) + QLatin1Char('-')
                             + zv::trimmedNumberText(p.highest) + QStringLiteral("m"));
}

void SimReplayView::enable(Control c, bool on)
{
    if (c == Control::PortC && m_portListEnabler) {
        m_portListEnabler(on);
        return;
    }
    if (c == Control::Abstand) {
        for (QRadioButton* b : m_ui.abstand)
            if (b)
                b->setEnabled(on);
        return;
    }
    if (QWidget* w = widget(c))
        w->setEnabled(on);
}

void SimReplayView::show(Control c, bool on)
{
    if (QWidget* w = widget(c))
        w->setVisible(on);
}

void SimReplayView::setText(Control c, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(widget(c)))
        label->setText(text);
}

void SimReplayView::setToolTip(Control c, const QString& text)
{
    if (QWidget* w = widget(c))
        w->setToolTip(text);
}

void SimReplayView::setCaptionColour(Control c, unsigned bgr)
{
    zelvan::setCaptionColour(qobject_cast<QAbstractButton*>(widget(c)), bgr);
}

void SimReplayView::setBackColour(Control c, unsigned bgr)
{
    zelvan::setBackColour(widget(c), bgr);
}

void SimReplayView::focus(Control c)
{
    if (QWidget* w = widget(c))
        w->setFocus();
}

void SimReplayView::optionChanged(Control c, bool on)
{
    // The box's own signals follow, as after a click.
    if (auto* box = qobject_cast<QAbstractButton*>(widget(c)))
        box->setChecked(on);
}

void SimReplayView::minimise()
{
    if (m_ui.miniA)
        m_ui.miniA->window()->showMinimized();
}

} // namespace zelvan
