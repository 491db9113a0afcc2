#pragma once
// Real peers for the channel tests: a socat pseudo-terminal pair, a gpsd,
// free ports and a reader that collects what a serial device receives.
// Every process started here is ended through its own handle.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace channeltest {

// A test that needs a missing tool fails; it never skips.
inline QString requireTool(const char* name)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        ADD_FAILURE() << "required tool '" << name << "' is not installed";
    return path;
}

inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Ends the process it owns (and only that one) when it goes.
struct OwnedProcess {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    ~OwnedProcess()
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
};

// Two linked pseudo-terminals: what is written to one is read from the other.
struct PtyPair {
    OwnedProcess socat;
    QString a;
    QString b;

    bool start(const QString& folder)
    {
        const QString tool = requireTool("socat");
        if (tool.isEmpty())
            return false;
        a = QDir(folder).filePath(QStringLiteral("ptyA"));
        b = QDir(folder).filePath(QStringLiteral("ptyB"));
        socat.process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
        socat.process->start(tool, {QStringLiteral("pty,raw,echo=0,link=") + a, QStringLiteral("pty,raw,echo=0,link=") + b});
        return QTest::qWaitFor([&] { return QFileInfo::exists(a) && QFileInfo::exists(b); }, 5000);
    }
};

// Collects what arrives on a serial device, with the time of each read.
struct SerialReader {
    QSerialPort port;
    QByteArray bytes;
    QList<QPair<qint64, qsizetype>> reads; // (ms since open, bytes in this read)
    QElapsedTimer clock;

    bool open(const QString& device, int baud = 4800)
    {
        port.setPortName(device);
        port.setBaudRate(baud);
        if (!port.open(QIODevice::ReadOnly))
            return false;
        clock.start();
        QObject::connect(&port, &QSerialPort::readyRead, &port, [this] {
            const QByteArray chunk = port.readAll();
            reads.append({clock.elapsed(), chunk.size()});
            bytes += chunk;
        });
        return true;
    }
    bool waitFor(qsizetype size, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return bytes.size() >= size; }, ms);
    }
};

// Watches a step that must never wait for a reader. Still running after `ms`,
// it had to wait: `rescue` then runs on another thread (reads the pipe, opens
// the FIFO) so the test ends with a failure instead of hanging.
class BlockWatch {
public:
    using Rescue = std::function<void(const std::atomic<bool>& done)>;
    BlockWatch(int ms, Rescue rescue)
        : m_thread([this, ms, rescue = std::move(rescue)] {
              std::unique_lock lock(m_mutex);
              if (m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done.load(); }))
                  return;
              lock.unlock();
              m_blocked = true;
              rescue(m_done);
          })
    {
    }
    ~BlockWatch() { finish(); }
    // Call when the step has returned: true when it had to be rescued.
    bool finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_blocked;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_blocked{false};
    std::thread m_thread;
};

// A rescue that reads whatever arrives on fd until the step is done.
inline BlockWatch::Rescue readUntilDone(int fd)
{
    return [fd](const std::atomic<bool>& done) {
        char buffer[65536];
        while (!done) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && ::read(fd, buffer, sizeof buffer) <= 0)
                return;
        }
    };
}

} // namespace channeltest
