#include "sim/replay/channels/serial_channel.h"

namespace zelvan {

bool applySerialSettings(QSerialPort& port, const SerialSettings& s)
{
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case 'e': parity = QSerialPort::EvenParity; break;
    case 'o': parity = QSerialPort::OddParity; break;
    case 'm': parity = QSerialPort::MarkParity; break;
    case 's': parity = QSerialPort::SpaceParity; break;
    default: break;
    }
    return port.setBaudRate(s.baud) && port.setParity(parity)
        && port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
        && port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && port.setFlowControl(QSerialPort::NoFlowControl);
}

SerialChannel::SerialChannel(QObject* parent)
    : OutputChannel(parent)
{
    setObjectName(QStringLiteral("Comm1"));
    m_settingsText = serialSettingsText(pspeedCaptions().at(kDefaultPspeedIndex));
    parseSerialSettings(m_settingsText, &m_settings);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
}

bool SerialChannel::setSettings(const QString& text)
{
    SerialSettings parsed;
    if (!parseSerialSettings(text, &parsed))
        return false;
    m_settingsText = text;
    m_settings = parsed;
    return true;
}

bool SerialChannel::open(QString* error)
{
    if (m_port.isOpen())
        return true;
    m_reported = false;
    const QString device = devicePath();
    m_port.setPortName(device);
    // Settings go to the open port so that a rate the device refuses is reported as such.
    if (!m_port.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be opened: %3").arg(portName(), device, m_port.errorString());
        return false;
    }
    if (!applySerialSettings(m_port, m_settings)) {
        if (error)
            *error = QStringLiteral("%1 (%2) does not take the settings %3: %4")
                         .arg(portName(), device, m_settingsText, m_port.errorString());
        m_port.close();
        return false;
    }
    return true;
}

void SerialChannel::close()
{
    if (m_port.isOpen()) {
        // What was handed over is a receiver's output already on its way: let it go out.
        m_port.flush();
        m_port.close();
    }
}

void SerialChannel::send(const QByteArray& sentence)
{
    if (!m_port.isOpen())
        return;
    if (m_port.bytesToWrite() > kMaxBacklog) {
        reportOnce(QStringLiteral("%1 (%2) does not take the data; sentences are dropped until it does.")
                       .arg(portName(), m_port.portName()));
        return;
    }
    m_port.write(sentence + QByteArrayLiteral("\r\n"));
}

void SerialChannel::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::OpenError || error == QSerialPort::DeviceNotFoundError
        || error == QSerialPort::PermissionError || !m_port.isOpen())
        return; // open failures are returned by open()
    reportOnce(QStringLiteral("%1 (%2): %3").arg(portName(), m_port.portName(), m_port.errorString()));
    if (error == QSerialPort::ResourceError)
        m_port.close(); // the device is gone; sentences are dropped as for a closed port
}

void SerialChannel::reportOnce(const QString& message)
{
    if (m_reported)
        return;
    m_reported = true;
    Q_EMIT failed(message);
}

} // namespace zelvan
