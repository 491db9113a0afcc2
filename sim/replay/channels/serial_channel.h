#pragma once
// The serial control Comm1: port number, settings text, open and close, and
// sentences written while it is open (dropped while it is closed).
#include "common/port_names.h"
#include "sim/replay/channels/port_list.h"
#include "sim/replay/output_channel.h"

#include <QSerialPort>

namespace zelvan {

class SerialChannel : public OutputChannel {
    Q_OBJECT
public:
    // Unsent bytes beyond this mean the port does not take the data (no
    // peer, flow control held); further sentences are dropped until it drains.
    static constexpr qint64 kMaxBacklog = 64 * 1024;

    explicit SerialChannel(QObject* parent = nullptr);

    void setDeviceOverrides(const zv::DeviceOverrides& overrides) { m_overrides = overrides; }
    // CommPort: 1 for COM1. Takes effect at the next open.
    void setPortNumber(int number) { m_portNumber = number; }
    int portNumber() const { return m_portNumber; }
    // A device named by its path instead of a port number (takes precedence).
    void setDevicePath(const QString& path) { m_devicePath = path; }
    QString portName() const
    {
        return m_devicePath.isEmpty() ? QStringLiteral("COM%1").arg(m_portNumber) : m_devicePath;
    }
    QString devicePath() const
    {
        return m_devicePath.isEmpty() ? zv::resolvePortName(portName(), m_overrides) : m_devicePath;
    }
    // Settings text such as "9600,n,8,1"; false (and unchanged) when unusable.
    // Takes effect at the next open.
    bool setSettings(const QString& text);
    QString settings() const { return m_settingsText; }
    SerialSettings parsedSettings() const { return m_settings; }

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void send(const QByteArray& sentence) override;

private:
    void onError(QSerialPort::SerialPortError error);
    void reportOnce(const QString& message);

    QSerialPort m_port;
    zv::DeviceOverrides m_overrides;
    int m_portNumber = 1;
    QString m_devicePath;
    QString m_settingsText;
    SerialSettings m_settings;
    bool m_reported = false;
};

// Applies a parsed settings text to a serial port (open or not).
bool applySerialSettings(QSerialPort& port, const SerialSettings& settings);

} // namespace zelvan
