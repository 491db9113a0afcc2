#include "sim/replay/channels/output_port.h"

namespace zelvan {

namespace {

const QString kErrorTitle = QStringLiteral("Error!");
const QString kTcpTitle = QStringLiteral("TCP port");

} // namespace

OutputPort::OutputPort(const QString& homeDir, zv::Dialogs* dialogs, QObject* parent)
    : QObject(parent), m_homeDir(homeDir), m_dialogs(dialogs),
      m_serial(new SerialChannel(this)), m_tcp(new TcpServerChannel(this)), m_pty(new PtyChannel(this)),
      m_udp(new UdpChannel(this))
{
    m_config = ChannelConfig::fromIni(zelvanIniPath(m_homeDir));
    applyConfig();
    connect(m_serial, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
    connect(m_tcp, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
    connect(m_pty, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
    connect(m_udp, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
    connect(m_tcp, &TcpServerChannel::messageRequested, this, &OutputPort::report);
    connect(m_tcp, &TcpServerChannel::statusChanged, this, &OutputPort::applyTcpStatus);
    connect(m_tcp, &TcpServerChannel::toolTipChanged, this, &OutputPort::applyToolTip);
    m_toolTip = m_tcp->clientsToolTip();
}

OutputPort::~OutputPort() = default;

void OutputPort::setView(std::unique_ptr<OutputPortView> view)
{
    m_view = view ? std::move(view) : std::make_unique<OutputPortView>();
    if (!m_listedPorts.isEmpty()) {
        m_view->portListFilled(m_listedPorts, m_listColour);
        m_view->portListIndex(m_outPortIndex);
    }
    m_view->portListEnabled(m_listEnabled);
    applyTcpStatus(m_tcp->statusVisible(), m_tcp->statusColour());
    applyToolTip(m_toolTip);
    m_view->pspeed(pspeedCaptions(), m_pspeedIndex);
}

void OutputPort::fillPortList()
{
    m_listedPorts = portListTexts(tcpPort());
    m_listColour = portListColour();
    m_view->portListFilled(m_listedPorts, m_listColour);
}

void OutputPort::fillDownloadPortList()
{
    m_listedPorts = m_listedPorts.mid(0, kDownloadModeEntries);
    m_listColour = downloadPortListColour();
    m_view->portListTrimmed(kDownloadModeEntries, m_listColour);
}

void OutputPort::restorePortList()
{
    fillPortList();
    m_view->portListIndex(m_outPortIndex);
}

void OutputPort::setPortListEnabled(bool on)
{
    m_listEnabled = on;
    m_view->portListEnabled(on);
}

void OutputPort::selectOutputPort(int index)
{
    m_serial->close();
    closeVirtualSerial();
    setOutPortIndex(index);
}

void OutputPort::setOutPortIndex(int index)
{
    m_outPortIndex = index;
    if (selectedKind() == ChannelKind::Serial)
        m_serial->setPortNumber(index + 1);
}

void OutputPort::pspeedClicked(int index)
{
    if (index < 0 || index > 1)
        return;
    m_pspeedIndex = index;
    m_view->pspeed(pspeedCaptions(), m_pspeedIndex);
    const bool wasOpen = m_serial->isOpen();
    m_serial->close();
    const QString settings = serialSettingsText(pspeedCaptions().at(index));
    m_serial->setSettings(settings);
    for (PortWriteChannel* channel : m_portWrites)
        if (channel)
            channel->setSettings(settings);
    if (wasOpen) {
        QString error;
        if (!m_serial->open(&error))
            onChannelFailed(error);
    }
}

OutputChannel* OutputPort::activeChannel()
{
    const int number = channelNumberOf(selectedEntry());
    switch (selectedKind()) {
    case ChannelKind::Serial:
        if (m_config.isVirtualSerial(number))
            return m_pty;
        return m_serial;
    case ChannelKind::Tcp:
        return m_tcp;
    case ChannelKind::Udp:
        return m_udp;
    case ChannelKind::PortWrite: {
        PortWriteChannel*& channel = m_portWrites[number - 1];
        if (!channel) {
            channel = new PortWriteChannel(number, this);
            channel->setDeviceOverrides(m_config.devices);
            channel->setSettings(m_serial->settings());
            connect(channel, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
        }
        return channel;
    }
    case ChannelKind::Printer: {
        PrinterChannel*& channel = m_printers[number - 1];
        if (!channel) {
            channel = new PrinterChannel(number, this);
            channel->setDeviceOverrides(m_config.devices);
            connect(channel, &OutputChannel::failed, this, &OutputPort::onChannelFailed);
        }
        return channel;
    }
    case ChannelKind::None:
        break;
    }
    return nullptr;
}

void OutputPort::startOutput()
{
    m_reportedThisStart = false;
    m_config = ChannelConfig::fromIni(zelvanIniPath(m_homeDir));
    applyConfig();
    showTcpPort();
    if (selectedKind() == ChannelKind::Tcp) {
        startTcpListener();
        return;
    }
    if (selectedKind() == ChannelKind::Serial) {
        m_serial->setPortNumber(m_outPortIndex + 1);
        m_pty->setLinkPath(virtualSerialLinkPath(m_homeDir, m_outPortIndex + 1));
    }
    OutputChannel* channel = activeChannel();
    if (!channel || channel->isOpen())
        return;
    QString error;
    if (!channel->open(&error)) {
        onChannelFailed(error);
        return;
    }
    // Where to point gpsd or a navigation program.
    if (channel == m_pty)
        applyToolTip(QStringLiteral("Virtual serial port: ") + m_pty->linkPath());
}

void OutputPort::stopOutput()
{
    m_serial->close();
    closeVirtualSerial();
    m_udp->close();
    stopTcpListener();
    for (PortWriteChannel* channel : m_portWrites)
        if (channel)
            channel->close();
    for (PrinterChannel* channel : m_printers)
        if (channel)
            channel->close();
}

void OutputPort::startTcpListener()
{
    const bool alternative = tcpPort() != m_config.tcpPort;
    m_tcp->setPort(tcpPort());
    m_tcp->setAddress(m_config.tcpAddress);
    m_tcp->setPortSettingFile(alternative ? QString() : zelvanIniPath(m_homeDir));
    QString error;
    if (m_tcp->open(&error))
        return;
    if (alternative || !m_dialogs || m_reportedThisStart || !isTcpPortRefusal(m_tcp->openError())
        || tcpPort() == m_alternativeTcpPort) {
        onChannelFailed(error);
        return;
    }
    m_reportedThisStart = true;
    const QString question = error
        + QStringLiteral("\n\nListen on port %1 instead until Zelvan ends? Zelvan.ini stays as it is.").arg(m_alternativeTcpPort);
    Q_EMIT failureReported(question, kTcpTitle);
    if (m_dialogs->message(question, kTcpTitle, zv::Dialogs::Icon::Warning, zv::Dialogs::Buttons::YesNo)
        != zv::Dialogs::Answer::Yes)
        return;
    m_refusedTcpPort = m_config.tcpPort;
    m_acceptedTcpPort = m_alternativeTcpPort;
    showTcpPort();
    m_tcp->setPort(tcpPort());
    m_tcp->setPortSettingFile(QString());
    if (!m_tcp->open(&error))
        report(error, kErrorTitle);
}

quint16 OutputPort::tcpPort() const
{
    // An edited [TCP] Port counts again.
    return m_acceptedTcpPort && m_config.tcpPort == m_refusedTcpPort ? m_acceptedTcpPort : m_config.tcpPort;
}

void OutputPort::showTcpPort()
{
    // Not while download mode has cut the list to the serial ports.
    if (m_listedPorts.size() != kPortListSize || m_listedPorts.at(kTcpIndex) == portListTexts(tcpPort()).at(kTcpIndex))
        return;
    fillPortList();
    m_view->portListIndex(m_outPortIndex);
}

void OutputPort::stopTcpListener()
{
    m_tcp->close();
}

void OutputPort::sendSentence(QByteArray& sentence)
{
    if (OutputChannel* channel = activeChannel())
        channel->send(sentence);
    sentence += "\r\n";
}

void OutputPort::report(const QString& text, const QString& title)
{
    Q_EMIT failureReported(text, title);
    if (m_dialogs)
        m_dialogs->message(text, title, zv::Dialogs::Icon::Warning);
}

void OutputPort::onChannelFailed(const QString& message)
{
    // One message per start: a device that is missing would otherwise ask
    // for a click on every sentence.
    if (m_reportedThisStart)
        return;
    m_reportedThisStart = true;
    report(message, kErrorTitle);
}

void OutputPort::applyTcpStatus(bool visible, zv::Rgb colour)
{
    m_view->tcpStatus(visible, colour);
}

void OutputPort::applyToolTip(const QString& text)
{
    m_toolTip = text;
    m_view->portToolTip(text);
}

void OutputPort::closeVirtualSerial()
{
    if (!m_pty->isOpen())
        return;
    m_pty->close();
    applyToolTip(m_tcp->clientsToolTip());
}

void OutputPort::applyConfig()
{
    m_serial->setDeviceOverrides(m_config.devices);
    m_tcp->setPort(m_config.tcpPort);
    m_tcp->setAddress(m_config.tcpAddress);
    m_udp->setHost(m_config.udpHost);
    m_udp->setPort(m_config.udpPort);
    for (PortWriteChannel* channel : m_portWrites)
        if (channel)
            channel->setDeviceOverrides(m_config.devices);
    for (PrinterChannel* channel : m_printers)
        if (channel)
            channel->setDeviceOverrides(m_config.devices);
}

} // namespace zelvan
