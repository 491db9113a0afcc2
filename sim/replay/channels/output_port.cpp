#include "sim/replay/channels/output_port.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>

namespace zelvan {

namespace {

const QString kErrorTitle = QStringLiteral("Error!");

void setBackColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

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
}

OutputPort::~OutputPort() = default;

void OutputPort::setWidgets(const PortWidgets& widgets)
{
    m_widgets = widgets;
    applyTcpStatus(m_tcp->statusVisible(), m_tcp->statusColour());
    applyToolTip(m_tcp->clientsToolTip());
    const QStringList captions = pspeedCaptions();
    for (int i = 0; i < 2; ++i) {
        if (QAbstractButton* button = m_widgets.pspeed[i]) {
            const QSignalBlocker block(button);
            button->setText(captions[i]);
            button->setChecked(i == m_pspeedIndex);
        }
    }
}

void OutputPort::fillPortList()
{
    if (QComboBox* list = m_widgets.portC) {
        const QSignalBlocker block(list);
        list->clear();
        setBackColour(list, portListColour());
        list->addItems(portListEntries());
    }
}

void OutputPort::fillDownloadPortList()
{
    if (QComboBox* list = m_widgets.portC) {
        const QSignalBlocker block(list);
        setBackColour(list, downloadPortListColour());
        for (int i = list->count() - 1; i >= kDownloadModeEntries; --i)
            list->removeItem(i);
    }
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
    m_tcp->setPort(m_config.tcpPort);
    m_tcp->setAddress(m_config.tcpAddress);
    QString error;
    if (!m_tcp->open(&error))
        onChannelFailed(error);
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

void OutputPort::applyTcpStatus(bool visible, const QColor& colour)
{
    if (QWidget* shape = m_widgets.tcpStat) {
        setBackColour(shape, colour);
        shape->setVisible(visible);
    }
}

void OutputPort::applyToolTip(const QString& text)
{
    if (QWidget* label = m_widgets.portL)
        label->setToolTip(text);
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
