#pragma once
// SendSentence and the output list: every sentence is first listed (List1),
// then sent to every open output channel.
#include "sim/replay/output_channel.h"
#include "sim/replay/replay_front_end.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace zelvan {

class SentenceSink : public QObject {
    Q_OBJECT
public:
    explicit SentenceSink(ReplayFrontEnd& ui, QObject* parent = nullptr);

    // The channels sentences go to (the window's port choice fills this).
    // The sink does not own them.
    void setChannels(const QList<OutputChannel*>& channels);
    void addChannel(OutputChannel* channel);
    QList<OutputChannel*> channels() const;

    // Opens every channel that is not open; failures are reported through
    // channelFailed and the others still open.
    void openChannels();
    void closeChannels();

    // List the sentence in List1, then send it.
    void emitSentence(const QByteArray& sentence);
    // Sends without listing (CR LF is the channel's).
    void sendSentence(const QByteArray& sentence);
    // A line in List1 only ("Pause:", "NMEA: ...").
    void list(const QString& text);
    void clearList();

    qint64 sentCount() const { return m_sent; }

Q_SIGNALS:
    void channelFailed(const QString& message);
    // A line that is only listed (a load failure's text, "Pause:"), for a
    // front end without List1.
    void noted(const QString& text);

private:
    ReplayFrontEnd& m_ui;
    QList<QPointer<OutputChannel>> m_channels;
    qint64 m_sent = 0;
};

} // namespace zelvan
