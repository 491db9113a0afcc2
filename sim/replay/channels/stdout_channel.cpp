#include "sim/replay/channels/stdout_channel.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace zelvan {

StdoutChannel::StdoutChannel(int fd, QObject* parent) : OutputChannel(parent), m_fd(fd)
{
    setObjectName(QStringLiteral("stdout"));
}

StdoutChannel::~StdoutChannel()
{
    close();
}

bool StdoutChannel::open(QString* error)
{
    if (m_out.isOpen())
        return true;
    QString reason;
    if (!m_out.open(m_fd, &reason)) {
        if (error)
            *error = QStringLiteral("standard output is not open for writing: %1").arg(reason);
        return false;
    }
    m_pending.clear();
    m_writable = new QSocketNotifier(m_out.descriptor(), QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &StdoutChannel::writePending);
    return true;
}

void StdoutChannel::close()
{
    delete m_writable;
    m_writable = nullptr;
    m_out.close();
    m_pending.clear();
}

void StdoutChannel::send(const QByteArray& sentence)
{
    if (!m_out.isOpen())
        return;
    m_pending += sentence;
    m_pending += "\r\n";
    writePending();
    if (m_out.isOpen() && m_pending.size() > kMaxBacklog)
        fail(QStringLiteral("the reader does not read (%1 KiB unread); it is dropped").arg(kMaxBacklog / 1024));
}

void StdoutChannel::writePending()
{
    if (!m_out.isOpen())
        return;
    while (!m_pending.isEmpty()) {
        const qint64 n = m_out.writeSome(m_pending.constData(), m_pending.size());
        if (n < 0) {
            fail(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        if (n == 0)
            break;
        m_pending.remove(0, n);
    }
    m_writable->setEnabled(!m_pending.isEmpty());
}

void StdoutChannel::drain(int stallMs, int wakeFd)
{
    while (m_out.isOpen() && !m_pending.isEmpty()) {
        pollfd p[2] = {{m_out.descriptor(), POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(p, wakeFd >= 0 ? 2 : 1, stallMs);
        if (ready <= 0 || p[1].revents) // nothing taken for stallMs, a signal, or the wake descriptor
            return;
        writePending();
    }
}

void StdoutChannel::fail(const QString& reason)
{
    close();
    Q_EMIT failed(QStringLiteral("standard output cannot be written: %1").arg(reason));
}

} // namespace zelvan
