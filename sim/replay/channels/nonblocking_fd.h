#pragma once
// Writing to a descriptor Zelvan was handed (standard output, standard error)
// without ever waiting for its reader. A pipe, FIFO or terminal is opened
// again through /proc/self/fd so that the non-blocking flag belongs to this
// description alone and never reaches the shell or the other programs that
// share the original one.
#include <QString>
#include <QtGlobal>

namespace zelvan {

class NonBlockingFd {
public:
    NonBlockingFd() = default;
    ~NonBlockingFd() { close(); }
    NonBlockingFd(const NonBlockingFd&) = delete;
    NonBlockingFd& operator=(const NonBlockingFd&) = delete;

    // Takes a descriptor of its own for writing to `fd`; false with *error
    // set when fd is not open for writing or its reader is gone.
    bool open(int fd, QString* error);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }

    // Writes what the descriptor takes now: the number of bytes taken (0
    // when it would have to wait), or -1 with errno set on a failure.
    qint64 writeSome(const char* data, qint64 size);

private:
    int m_fd = -1;
    bool m_socket = false;
    int m_sharedFlags = -1; // flags to put back when O_NONBLOCK had to be set on a shared description
};

} // namespace zelvan
