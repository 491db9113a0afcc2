#include "sim/replay/channels/printer_channel.h"

#include <QFile>

namespace zelvan {

PrinterChannel::PrinterChannel(int number, QObject* parent)
    : OutputChannel(parent), m_number(number)
{
    setObjectName(portName());
}

bool PrinterChannel::writeOnce(const QByteArray& bytes, QString* error) const
{
    const QString device = devicePath();
    QFile file(device);
    // ExistingOnly: a missing device must not turn into a new file named like it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) {
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be opened: %3").arg(portName(), device, file.errorString());
        return false;
    }
    if (!bytes.isEmpty() && (file.write(bytes) != bytes.size() || !file.flush())) {
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be written: %3").arg(portName(), device, file.errorString());
        return false;
    }
    file.close();
    return true;
}

bool PrinterChannel::open(QString* error)
{
    m_reported = false;
    m_open = writeOnce({}, error);
    return m_open;
}

void PrinterChannel::send(const QByteArray& sentence)
{
    if (!m_open)
        return;
    QString error;
    if (!writeOnce(sentence + QByteArrayLiteral("\r\n"), &error) && !m_reported) {
        m_reported = true;
        Q_EMIT failed(error);
    }
}

} // namespace zelvan
