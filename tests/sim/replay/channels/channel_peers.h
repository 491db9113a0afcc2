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
#include <memory>

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

} // namespace channeltest
