#include "sim/replay/channels/port_write_channel.h"

#include "sim/replay/channels/serial_channel.h"

namespace zelvan {

PortWriteChannel::PortWriteChannel(int number, QObject* parent)
    : OutputChannel(parent), m_number(number)
{
    setObjectName(portName());
    parseSerialSettings(serialSettingsText(pspeedCaptions().at(kDefaultPspeedIndex)), &m_settings);
    m_timer.setObjectName(QStringLiteral("PortWriteTimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kByteGapMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWriteChannel::writeNextByte);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::NoError || !m_port.isOpen())
            return;
        reportOnce(QStringLiteral("%1 (%2): %3").arg(portName(), m_port.portName(), m_port.errorString()));
        if (error == QSerialPort::ResourceError) {
            m_pending.clear();
            m_next = 0;
            m_timer.stop();
            m_port.close();
        }
    });
}

bool PortWriteChannel::setSettings(const QString& text)
{
    return parseSerialSettings(text, &m_settings);
}

bool PortWriteChannel::open(QString* error)
{
    m_reported = false;
    if (!m_port.isOpen()) {
        m_pending.clear();
        m_next = 0;
        const QString device = devicePath();
        m_port.setPortName(device);
        if (!m_port.open(QIODevice::WriteOnly)) {
            if (error)
                *error = QStringLiteral("%1 (%2) cannot be opened: %3").arg(portName(), device, m_port.errorString());
            m_open = false;
            return false;
        }
        applySerialSettings(m_port, m_settings);
    }
    m_open = true;
    return true;
}

void PortWriteChannel::close()
{
    m_open = false;
    finishIfDone();
}

void PortWriteChannel::send(const QByteArray& sentence)
{
    if (!m_open || !m_port.isOpen())
        return;
    const QByteArray bytes = sentence + QByteArrayLiteral("\r\n");
    if (pendingBytes() + bytes.size() > kMaxBacklog) {
        reportOnce(QStringLiteral("%1 (%2): sentences come faster than 2 ms a byte; some are dropped.")
                       .arg(portName(), m_port.portName()));
        return;
    }
    if (m_next > 0 && m_next == m_pending.size()) {
        m_pending.clear();
        m_next = 0;
    }
    m_pending.append(bytes);
    if (!m_timer.isActive()) {
        writeNextByte(); // the first byte goes at once, as the register write did
        m_timer.start();
    }
}

void PortWriteChannel::writeNextByte()
{
    if (m_next >= m_pending.size() || !m_port.isOpen()) {
        m_timer.stop();
        return;
    }
    m_port.write(m_pending.constData() + m_next, 1);
    m_port.flush();
    ++m_next;
    if (m_next >= m_pending.size()) {
        m_pending.clear();
        m_next = 0;
        // The next timeout still waits its 2 ms before another sentence's first byte.
        finishIfDone();
        Q_EMIT drained();
    }
}

void PortWriteChannel::finishIfDone()
{
    if (m_open || pendingBytes() > 0)
        return;
    if (m_port.isOpen())
        m_port.close();
}

void PortWriteChannel::reportOnce(const QString& message)
{
    if (m_reported)
        return;
    m_reported = true;
    Q_EMIT failed(message);
}

} // namespace zelvan
