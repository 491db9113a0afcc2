#pragma once
// An in-memory serial line: what the host writes is collected in `written`,
// what the test pushes arrives as received bytes with a readyRead.
#include <QIODevice>

namespace zvtest {

class MemoryLink : public QIODevice {
public:
    QByteArray written;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_in.size() + QIODevice::bytesAvailable(); }

    void push(const QByteArray& bytes)
    {
        m_in += bytes;
        Q_EMIT readyRead();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(maxSize, m_in.size());
        memcpy(data, m_in.constData(), size_t(n));
        m_in.remove(0, n);
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        written.append(data, size);
        return size;
    }

private:
    QByteArray m_in;
};

} // namespace zvtest
