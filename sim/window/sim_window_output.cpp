// The output port on the SIM window: PortC, Pspeed, the TCP status shape and
// PortL, and the OutputPort behind them as one of the sink's channels.
#include "sim/replay/channels/output_port.h"
#include "sim/replay/sentence_sink.h"
#include "sim/window/output_port_widgets.h"
#include "sim/window/sim_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelvan {

namespace {

// The sink opens its channels when a replay or a manual run starts and
// closes them when it stops; for the output port that is startOutput and
// stopOutput. OutputPort reports its own failures (once per start), so open
// always succeeds: the run goes on and the sentences are dropped.
class OutputPortChannel : public OutputChannel {
public:
    OutputPortChannel(OutputPort& port, QObject* parent) : OutputChannel(parent), m_port(port) {}
    bool open(QString*) override
    {
        m_port.startOutput();
        m_open = true;
        return true;
    }
    void close() override
    {
        m_port.stopOutput();
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override
    {
        QByteArray text = sentence;
        m_port.sendSentence(text);
    }

private:
    OutputPort& m_port;
    bool m_open = false;
};

} // namespace

void SimWindow::setupOutput()
{
    auto* row = new QHBoxLayout;
    auto* portL = new QLabel(QStringLiteral("Port"));
    portL->setObjectName(QStringLiteral("PortL"));
    auto* tcpStat = new QFrame;
    tcpStat->setObjectName(QStringLiteral("TCPstat"));
    tcpStat->setFrameShape(QFrame::Box);
    tcpStat->setFixedSize(14, 14);
    // Its place is kept while hidden: a listener that opens must not widen the window.
    QSizePolicy keep = tcpStat->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    tcpStat->setSizePolicy(keep);
    tcpStat->hide();
    PortWidgets widgets;
    widgets.portC = m_ui.portC;
    widgets.tcpStat = tcpStat;
    widgets.portL = portL;
    auto* speeds = new QButtonGroup(this);
    row->addWidget(portL);
    row->addWidget(tcpStat);
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton;
        b->setObjectName(QStringLiteral("Pspeed(%1)").arg(i));
        speeds->addButton(b, i);
        widgets.pspeed[size_t(i)] = b;
        row->addWidget(b);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(m_portGroup->layout())->addLayout(row);

    m_outputPort = new OutputPort(m_homeDir, &dialogs(), this);
    m_view.setPortListEnabler([this](bool on) { m_outputPort->setPortListEnabled(on); });
    m_outputPort->setView(std::make_unique<OutputPortWidgets>(widgets));
    m_outputPort->fillPortList();
    m_sink->addChannel(new OutputPortChannel(*m_outputPort, this));

    connect(m_ui.portC, &QComboBox::currentIndexChanged, this, &SimWindow::portSelected);
    // Download mode's port list comes from the output port too, so the
    // entries and colours are set in one place.
    m_downloadHooks.fillDownloadPortList = [this] { m_outputPort->fillDownloadPortList(); };
    m_downloadHooks.restorePortList = [this] { m_outputPort->restorePortList(); };
    for (int i = 0; i < 2; ++i)
        connect(widgets.pspeed[size_t(i)], &QAbstractButton::clicked, m_outputPort,
                [this, i] { m_outputPort->pspeedClicked(i); });
}

void SimWindow::portSelected(int index)
{
    if (index < 0)
        return;
    PortSelectionState st;
    st.outPortIndex = m_outputPort->outPortIndex();
    st.garminPortIndex = garminPortIndex();
    st.downloadMode = downloadMode();
    st.replayActive = m_state.replayActive;
    switch (applyPortSelection(st, index)) {
    case PortSelectionEffect::Ignored:
        return;
    case PortSelectionEffect::GarminPort: // garminPortSelected takes it
        return;
    case PortSelectionEffect::OutputPort:
        m_state.replayActive = false;
        m_outputPort->selectOutputPort(index);
        return;
    }
}

} // namespace zelvan
