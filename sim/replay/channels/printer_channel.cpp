#include "sim/replay/channels/printer_channel.h"

#include "common/file_names.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zelvan {

PrinterChannel::PrinterChannel(int number, QObject* parent)
    : OutputChannel(parent), m_number(number)
{
    setObjectName(portName());
}

bool PrinterChannel::writeOnce(const QByteArray& bytes, QString* error)
{
    const QString device = devicePath();
    // A device that takes nothing for long: this sentence is dropped, what
    // waits still goes first.
    const bool dropped = m_pending.size() + bytes.size() > kMaxBacklog;
    if (!dropped)
        m_pending += bytes;
#ifdef Q_OS_UNIX
    // Never waiting: without O_NONBLOCK the open of a FIFO waits for a reader,
    // and a write for a printer that does not take the data. No O_CREAT: a
    // missing device must not turn into a new file named like it.
    const int fd = ::open(zv::encodeFileName(device).constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        m_pending.clear();
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be opened: %3")
                         .arg(portName(), device,
                              reason == ENXIO ? QStringLiteral("nobody reads it") : QString::fromLocal8Bit(std::strerror(reason)));
        return false;
    }
    qsizetype done = 0;
    while (done < m_pending.size()) {
        const ssize_t n = ::write(fd, m_pending.constData() + done, size_t(m_pending.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int reason = errno;
            ::close(fd);
            m_pending.clear();
            if (error)
                *error = QStringLiteral("%1 (%2) cannot be written: %3")
                             .arg(portName(), device, QString::fromLocal8Bit(std::strerror(reason)));
            return false;
        }
        break; // full for now
    }
    m_pending.remove(0, done);
    ::close(fd);
#else
    QFile file(device);
    // ExistingOnly: a missing device must not turn into a new file named like it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) {
        m_pending.clear();
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be opened: %3").arg(portName(), device, file.errorString());
        return false;
    }
    if (!m_pending.isEmpty() && (file.write(m_pending) != m_pending.size() || !file.flush())) {
        m_pending.clear();
        if (error)
            *error = QStringLiteral("%1 (%2) cannot be written: %3").arg(portName(), device, file.errorString());
        return false;
    }
    m_pending.clear();
    file.close();
#endif
    if (dropped) {
        if (error)
            *error = QStringLiteral("%1 (%2) does not take the data; sentences are dropped until it does.")
                         .arg(portName(), device);
        return false;
    }
    return true;
}

bool PrinterChannel::open(QString* error)
{
    m_reported = false;
    m_pending.clear();
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
