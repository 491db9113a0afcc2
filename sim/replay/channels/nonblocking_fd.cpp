#include "sim/replay/channels/nonblocking_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvan {

bool NonBlockingFd::open(int fd, QString* error)
{
    close();
    auto fail = [error](int number) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(number));
        return false;
    };
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return fail(errno);
    if ((flags & O_ACCMODE) == O_RDONLY)
        return fail(EBADF);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        m_fd = ::open(self.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (m_fd >= 0)
            return true;
        if (errno == ENXIO) // a FIFO without a reader
            return fail(EPIPE);
    }
    m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0)
        return fail(errno);
    m_socket = S_ISSOCK(st.st_mode);
    // A regular file never keeps a writer waiting for a reader, and a socket
    // is written with MSG_DONTWAIT. Anything else, without /proc: the shared
    // description, its flags put back at close.
    if (!m_socket && !S_ISREG(st.st_mode) && !(flags & O_NONBLOCK)) {
        m_sharedFlags = flags;
        ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    }
    return true;
}

void NonBlockingFd::close()
{
    if (m_fd < 0)
        return;
    if (m_sharedFlags >= 0)
        ::fcntl(m_fd, F_SETFL, m_sharedFlags);
    ::close(m_fd);
    m_fd = -1;
    m_socket = false;
    m_sharedFlags = -1;
}

qint64 NonBlockingFd::writeSome(const char* data, qint64 size)
{
    if (m_fd < 0) {
        errno = EBADF;
        return -1;
    }
    for (;;) {
        const ssize_t n = m_socket ? ::send(m_fd, data, size_t(size), MSG_DONTWAIT | MSG_NOSIGNAL)
                                   : ::write(m_fd, data, size_t(size));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -1;
    }
}

} // namespace zelvan
