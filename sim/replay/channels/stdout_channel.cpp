#include "sim/replay/channels/stdout_channel.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zelvan {

StdoutChannel::StdoutChannel(int fd, QObject* parent) : OutputChannel(parent), m_fd(fd)
{
    setObjectName(QStringLiteral("stdout"));
}

bool StdoutChannel::open(QString* error)
{
    if (::fcntl(m_fd, F_GETFL) < 0) {
        if (error)
            *error = QStringLiteral("standard output is not open: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_open = true;
    return true;
}

void StdoutChannel::send(const QByteArray& sentence)
{
    if (!m_open)
        return;
    const QByteArray line = sentence + QByteArrayLiteral("\r\n");
    const char* p = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO));
            m_open = false;
            Q_EMIT failed(QStringLiteral("standard output cannot be written: %1").arg(reason));
            return;
        }
        p += n;
        left -= n;
    }
}

} // namespace zelvan
