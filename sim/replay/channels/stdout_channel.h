#pragma once
// Standard output as an output channel: each sentence with CR LF, written at
// once (no buffering), so a pipe reader sees every epoch when it is sent.
#include "sim/replay/output_channel.h"

namespace zelvan {

class StdoutChannel : public OutputChannel {
    Q_OBJECT
public:
    // fd: the descriptor written to (1; tests give a pipe).
    explicit StdoutChannel(int fd = 1, QObject* parent = nullptr);

    bool open(QString* error) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    // A reader that went away (a closed pipe) is reported once and the
    // channel closes; it never ends the program.
    void send(const QByteArray& sentence) override;

private:
    int m_fd;
    bool m_open = false;
};

} // namespace zelvan
