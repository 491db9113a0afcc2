#include "sim/window/output_port_widgets.h"

#include "sim/window/sim_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>

namespace zelvan {

namespace {

void setBackColour(QWidget* widget, zv::Rgb rgb)
{
    const QColor colour = qColor(rgb);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

OutputPortWidgets::OutputPortWidgets(const PortWidgets& widgets)
    : m_portC(widgets.portC), m_tcpStat(widgets.tcpStat), m_portL(widgets.portL),
      m_pspeed{widgets.pspeed[0], widgets.pspeed[1]}
{
}

void OutputPortWidgets::portListFilled(const QStringList& entries, zv::Rgb colour)
{
    if (!m_portC)
        return;
    const QSignalBlocker block(m_portC);
    m_portC->clear();
    setBackColour(m_portC, colour);
    m_portC->addItems(entries);
}

void OutputPortWidgets::portListTrimmed(int count, zv::Rgb colour)
{
    if (!m_portC)
        return;
    const QSignalBlocker block(m_portC);
    setBackColour(m_portC, colour);
    // Cut from the end, so a chosen entry among the first stays chosen.
    for (int i = m_portC->count() - 1; i >= count; --i)
        m_portC->removeItem(i);
}

void OutputPortWidgets::portListIndex(int index)
{
    if (!m_portC)
        return;
    const QSignalBlocker block(m_portC);
    m_portC->setCurrentIndex(index);
}

void OutputPortWidgets::portListEnabled(bool on)
{
    if (m_portC)
        m_portC->setEnabled(on);
}

void OutputPortWidgets::tcpStatus(bool visible, zv::Rgb colour)
{
    if (!m_tcpStat)
        return;
    setBackColour(m_tcpStat, colour);
    m_tcpStat->setVisible(visible);
}

void OutputPortWidgets::portToolTip(const QString& text)
{
    if (m_portL)
        m_portL->setToolTip(text);
}

void OutputPortWidgets::pspeed(const QStringList& captions, int chosen)
{
    for (int i = 0; i < 2; ++i) {
        if (QAbstractButton* button = m_pspeed[size_t(i)]) {
            const QSignalBlocker block(button);
            button->setText(captions.value(i));
            button->setChecked(i == chosen);
        }
    }
}

} // namespace zelvan
