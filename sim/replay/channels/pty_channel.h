#pragma once
// A virtual serial port: a pseudo-terminal whose slave side is reached
// through a symbolic link (say ~/ttyZelvan), so gpsd or a navigation program
// opens the link as it would open a serial device. The link is made at open
// and removed at close.
#include "sim/replay/output_channel.h"

#include <QElapsedTimer>
#include <QList>
#include <QSocketNotifier>
#include <QTimer>

namespace zelvan {

class PtyChannel : public OutputChannel {
    Q_OBJECT
public:
    // Sentences not read within this long are thrown away before the next
    // one goes in: a reader that opens the link later starts with current
    // positions, not with a backlog of old ones.
    static constexpr qint64 kStaleMs = 750;
    // At close a reader gets this long to take what is still queued for it
    // (the last sentences of a run); the link goes at once.
    static constexpr qint64 kLingerMs = 1000;

    explicit PtyChannel(QObject* parent = nullptr);
    ~PtyChannel() override;

    // Where the link is made; takes effect at the next open.
    void setLinkPath(const QString& path) { m_linkPath = path; }
    QString linkPath() const { return m_linkPath; }
    // The slave's device name (/dev/pts/N) while open.
    QString slaveName() const { return m_slaveName; }

    // Fails when the link path is taken by anything but a symbolic link (a
    // user's file is never replaced), when its folder is missing, or when
    // the system has no pseudo-terminals (*error says which).
    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_master >= 0; }
    // Never blocks: what the terminal does not take is dropped.
    void send(const QByteArray& sentence) override;

    // Bytes thrown away (stale or not taken) since open, for tests and status.
    qint64 droppedBytes() const { return m_dropped; }

private:
    void drainMaster();
    // Writes what the terminal takes; the number of bytes taken (0 when full).
    qint64 writeSome(const QByteArray& bytes);
    void removeLink();
    void closeLingering(bool all);

    // A closed terminal whose reader has not yet taken everything.
    struct Lingering {
        int master;
        int slave;
        QElapsedTimer since;
    };
    QList<Lingering> m_lingering;
    QTimer m_lingerTimer;

    QString m_linkPath;
    QString m_openLinkPath; // the link made at open, removed at close
    QString m_slaveName;
    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QByteArray m_partial; // the rest of a sentence the terminal took only in part
    QElapsedTimer m_queuedSince;
    qint64 m_dropped = 0;
    bool m_reported = false;
};

} // namespace zelvan
