#pragma once
// "Port1".."Port4": the bytes of each sentence go one by one, 2 ms apart, to
// the serial device of the same number, as writes to a UART's transmit
// register would. The pause is a timer, so the window never freezes; the
// sentences queue meanwhile.
#include "common/port_names.h"
#include "sim/replay/channels/port_list.h"
#include "sim/replay/output_channel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

namespace zelvan {

class PortWriteChannel : public OutputChannel {
    Q_OBJECT
public:
    static constexpr int kByteGapMs = 2;
    // At 2 ms a byte this is over two minutes of output; beyond it whole
    // sentences are dropped rather than the queue growing without end.
    static constexpr qsizetype kMaxBacklog = 64 * 1024;

    // number: 1..4, the COM port whose device receives the bytes.
    explicit PortWriteChannel(int number, QObject* parent = nullptr);

    void setDeviceOverrides(const zv::DeviceOverrides& overrides) { m_overrides = overrides; }
    bool setSettings(const QString& text);
    int number() const { return m_number; }
    QString portName() const { return QStringLiteral("Port%1").arg(m_number); }
    QString devicePath() const { return zv::resolvePortName(QStringLiteral("COM%1").arg(m_number), m_overrides); }
    qsizetype pendingBytes() const { return m_pending.size() - m_next; }

    bool open(QString* error) override;
    // Stops taking sentences; bytes already queued still go out at their pace,
    // then the device is closed.
    void close() override;
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override;

Q_SIGNALS:
    // The queue ran empty.
    void drained();

private:
    void writeNextByte();
    void finishIfDone();
    void reportOnce(const QString& message);

    int m_number;
    zv::DeviceOverrides m_overrides;
    SerialSettings m_settings;
    QSerialPort m_port;
    QTimer m_timer;
    QByteArray m_pending;
    qsizetype m_next = 0;
    bool m_open = false;
    bool m_reported = false;
};

} // namespace zelvan
