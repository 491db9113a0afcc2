#pragma once
// The output port's controls on the SIM window: PortC, the TCP status shape,
// PortL and the Pspeed buttons, kept as the OutputPort tells them.
#include "sim/replay/channels/output_port.h"

#include <QPointer>

#include <array>

class QAbstractButton;
class QComboBox;
class QWidget;

namespace zelvan {

// The controls; any may be null.
struct PortWidgets {
    QComboBox* portC = nullptr;               // output selector
    QWidget* tcpStat = nullptr;               // TCP status shape
    QWidget* portL = nullptr;                 // label whose tool tip lists the TCP clients
    std::array<QAbstractButton*, 2> pspeed{}; // "4800", "9600"
};

class OutputPortWidgets : public OutputPortView {
public:
    explicit OutputPortWidgets(const PortWidgets& widgets);

    void portListFilled(const QStringList& entries, zv::Rgb colour) override;
    void portListTrimmed(int count, zv::Rgb colour) override;
    void portListIndex(int index) override;
    void portListEnabled(bool on) override;
    void tcpStatus(bool visible, zv::Rgb colour) override;
    void portToolTip(const QString& text) override;
    void pspeed(const QStringList& captions, int chosen) override;

private:
    // The window may take its controls down before the port.
    QPointer<QComboBox> m_portC;
    QPointer<QWidget> m_tcpStat;
    QPointer<QWidget> m_portL;
    std::array<QPointer<QAbstractButton>, 2> m_pspeed;
};

} // namespace zelvan
