#pragma once
// Standard output as an output channel: each sentence with CR LF, handed to
// the system at once (no buffering of its own while the reader keeps up), so
// a pipe reader sees every epoch when it is sent. It never waits for the
// reader: what the pipe does not take waits here, and a reader that leaves
// more than kMaxBacklog unread is dropped like a TCP client that never reads.
#include "sim/replay/channels/nonblocking_fd.h"
#include "sim/replay/output_channel.h"

class QSocketNotifier;

namespace zelvan {

class StdoutChannel : public OutputChannel {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBacklog = 64 * 1024;

    // fd: the descriptor written to (1; tests give a pipe).
    explicit StdoutChannel(int fd = 1, QObject* parent = nullptr);
    ~StdoutChannel() override;

    bool open(QString* error) override;
    // What the reader has not taken yet is thrown away.
    void close() override;
    bool isOpen() const override { return m_out.isOpen(); }
    // A reader that went away (a closed pipe) or stopped reading is reported
    // once and the channel closes; it never ends the program.
    void send(const QByteArray& sentence) override;

    // Bytes waiting for the reader.
    qint64 backlog() const { return m_pending.size(); }
    // At the end of a run: gives a reader that still reads the rest, for as
    // long as it takes something every stallMs. Returns at once when wakeFd
    // (the signal pipe) becomes readable.
    void drain(int stallMs, int wakeFd = -1);

private:
    void writePending();
    void fail(const QString& reason);

    int m_fd;
    NonBlockingFd m_out;
    QByteArray m_pending;
    QSocketNotifier* m_writable = nullptr;
};

} // namespace zelvan
