#pragma once
// "LPT1".."LPT3": the printer device is opened, written and closed for every
// sentence, so another program may use the device between sentences. Nothing
// waits for the device: a printer that is busy or off line, or a FIFO whose
// reader is missing or stuck, takes what it can, the rest of a sentence waits
// here for the next one, and sentences beyond kMaxBacklog are dropped.
#include "common/port_names.h"
#include "sim/replay/output_channel.h"

namespace zelvan {

class PrinterChannel : public OutputChannel {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBacklog = 64 * 1024;

    // number: 1..3 for LPT1..LPT3.
    explicit PrinterChannel(int number, QObject* parent = nullptr);

    void setDeviceOverrides(const zv::DeviceOverrides& overrides) { m_overrides = overrides; }
    int number() const { return m_number; }
    QString portName() const { return QStringLiteral("LPT%1").arg(m_number); }
    QString devicePath() const { return zv::resolvePortName(portName(), m_overrides); }

    // Checks that the device can be opened for writing (and closes it again).
    bool open(QString* error) override;
    void close() override
    {
        m_open = false;
        m_pending.clear();
    }
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override;

private:
    bool writeOnce(const QByteArray& bytes, QString* error);

    int m_number;
    QByteArray m_pending; // what the device has not taken yet
    zv::DeviceOverrides m_overrides;
    bool m_open = false;
    bool m_reported = false;
};

} // namespace zelvan
