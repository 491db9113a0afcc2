#pragma once
// One destination for the NMEA sentences Zelvan emits (serial port, TCP
// server, printer device, direct port writes, or a test double). Text goes
// in without a line end; the channel appends CR LF.
#include <QObject>
#include <QString>

namespace zelvan {

class OutputChannel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~OutputChannel() override = default;

    // Opens the destination; on failure returns false and sets *error to a
    // text naming the device or port and the system's reason.
    virtual bool open(QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends one sentence followed by CR LF. Failures are reported through
    // failed(), never by blocking the caller.
    virtual void send(const QByteArray& sentence) = 0;

Q_SIGNALS:
    void failed(const QString& message);
};

} // namespace zelvan
