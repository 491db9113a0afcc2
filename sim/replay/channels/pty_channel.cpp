#include "sim/replay/channels/pty_channel.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace zelvan {

#ifdef Q_OS_UNIX
namespace {

QString systemReason(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

} // namespace
#endif

PtyChannel::PtyChannel(QObject* parent) : OutputChannel(parent)
{
    setObjectName(QStringLiteral("VirtualSerial"));
    m_lingerTimer.setInterval(50);
    connect(&m_lingerTimer, &QTimer::timeout, this, [this] { closeLingering(false); });
}

PtyChannel::~PtyChannel()
{
    close();
    closeLingering(true);
}

void PtyChannel::closeLingering(bool all)
{
#ifdef Q_OS_UNIX
    for (qsizetype i = m_lingering.size() - 1; i >= 0; --i) {
        const Lingering& l = m_lingering[i];
        int waiting = 0;
        // The first look comes a tick after the close: bytes just written
        // reach the reader's queue a moment later, and would not be counted.
        const qint64 age = l.since.elapsed();
        if (!all && age < kLingerMs && (age < 40 || (::ioctl(l.slave, TIOCINQ, &waiting) == 0 && waiting > 0)))
            continue;
        ::close(l.slave);
        ::close(l.master);
        m_lingering.removeAt(i);
    }
#else
    Q_UNUSED(all);
#endif
    if (m_lingering.isEmpty())
        m_lingerTimer.stop();
}

bool PtyChannel::open(QString* error)
{
    if (isOpen())
        return true;
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
#ifdef Q_OS_UNIX
        // No link was made and nobody has read: the descriptors go at once.
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
#endif
        m_slave = -1;
        m_master = -1;
        m_slaveName.clear();
        return false;
    };
#ifndef Q_OS_UNIX
    return fail(QStringLiteral("Virtual serial port %1: pseudo-terminals are not available on this system.").arg(m_linkPath));
#else
    if (m_linkPath.isEmpty())
        return fail(QStringLiteral("Virtual serial port: no link path is set."));
    const QByteArray link = QFile::encodeName(m_linkPath);
    struct stat st {};
    if (::lstat(link.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
        return fail(QStringLiteral("Virtual serial port %1: the path exists and is not a symbolic link; it is left as it is.")
                        .arg(m_linkPath));

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail(QStringLiteral("Virtual serial port %1: no pseudo-terminal: %2").arg(m_linkPath, systemReason(errno)));
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(QStringLiteral("Virtual serial port %1: the pseudo-terminal cannot be set up: %2")
                        .arg(m_linkPath, systemReason(errno)));
    m_slaveName = QString::fromLocal8Bit(name);

    // The slave stays open here for as long as the channel is: without an open
    // slave the master reads EIO and polls as hung up, so the notifier that
    // drains it would fire without end after every reader's close. It also
    // keeps the raw settings below across readers (they vanish with the last close).
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0)
        return fail(QStringLiteral("Virtual serial port %1: %2 cannot be opened: %3")
                        .arg(m_linkPath, m_slaveName, systemReason(errno)));
    // Raw: the bytes arrive as sent (no CR LF translation, no echo back into
    // the master, no signals from control characters).
    termios tio {};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B4800);
        ::cfsetospeed(&tio, B4800);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }

    // Re-checked just before: only a symbolic link is replaced.
    if (::lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return fail(QStringLiteral("Virtual serial port %1: the path exists and is not a symbolic link; it is left as it is.")
                            .arg(m_linkPath));
        ::unlink(link.constData());
    }
    if (::symlink(name, link.constData()) != 0) {
        const int reason = errno;
        return fail(QStringLiteral("Virtual serial port %1: the link cannot be made: %2").arg(m_linkPath, systemReason(reason)));
    }
    m_openLinkPath = m_linkPath;

    // What a reader writes (gpsd sends probe strings) comes out of the master;
    // it is read and discarded so that the reader's writes never stall.
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyChannel::drainMaster);
    m_partial.clear();
    m_dropped = 0;
    m_reported = false;
    m_queuedSince.start();
    return true;
#endif
}

void PtyChannel::close()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
#ifdef Q_OS_UNIX
    if (m_master >= 0)
        removeLink();
    // Closing the master hangs the terminal up and throws away what the
    // reader has not read yet: the descriptors go once the queue is empty.
    if (m_master >= 0 && m_slave >= 0) {
        m_lingering.append({m_master, m_slave, {}});
        m_lingering.last().since.start();
        m_lingerTimer.start();
    } else {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
#endif
    m_slave = -1;
    m_master = -1;
    m_slaveName.clear();
    m_partial.clear();
}

void PtyChannel::removeLink()
{
#ifdef Q_OS_UNIX
    // Only our own link: the path may have been taken over since.
    if (m_openLinkPath.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(m_openLinkPath);
    m_openLinkPath.clear();
    char target[256] = {};
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n > 0 && QString::fromLocal8Bit(target, n) == m_slaveName)
        ::unlink(link.constData());
#endif
}

void PtyChannel::drainMaster()
{
#ifdef Q_OS_UNIX
    char buffer[1024];
    while (::read(m_master, buffer, sizeof buffer) > 0) {
    }
#endif
}

qint64 PtyChannel::writeSome(const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    const ssize_t written = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    if (written >= 0)
        return written;
    const int reason = errno;
    if (reason != EAGAIN && reason != EWOULDBLOCK && !m_reported) {
        m_reported = true;
        Q_EMIT failed(QStringLiteral("Virtual serial port %1 (%2): %3").arg(m_linkPath, m_slaveName, systemReason(reason)));
    }
#else
    Q_UNUSED(bytes);
#endif
    return 0;
}

void PtyChannel::send(const QByteArray& sentence)
{
#ifdef Q_OS_UNIX
    if (m_master < 0)
        return;
    // Bytes still unread from earlier sentences: a reader that keeps up leaves
    // none by the next one; a queue older than kStaleMs has no reader (or a
    // stuck one) and would greet the next reader with old positions.
    int waiting = 0;
    if (::ioctl(m_slave, TIOCINQ, &waiting) == 0 && waiting == 0 && m_partial.isEmpty()) {
        m_queuedSince.start();
    } else if (m_queuedSince.elapsed() > kStaleMs) {
        ::tcflush(m_slave, TCIFLUSH);
        m_dropped += waiting + m_partial.size();
        m_partial.clear();
        m_queuedSince.start();
    }

    // A sentence taken in part is finished first, so a reader never sees two
    // sentences run together; while the terminal is full, new ones are dropped.
    const QByteArray bytes = sentence + QByteArrayLiteral("\r\n");
    if (!m_partial.isEmpty()) {
        m_partial.remove(0, writeSome(m_partial));
        if (!m_partial.isEmpty()) {
            m_dropped += bytes.size();
            return;
        }
    }
    const qint64 written = writeSome(bytes);
    if (written == 0)
        m_dropped += bytes.size();
    else if (written < bytes.size())
        m_partial = bytes.mid(written);
#else
    Q_UNUSED(sentence);
#endif
}

} // namespace zelvan
