#pragma once
// SendSentence and the output list: every sentence is first listed (List1),
// then sent to every open output channel. A rig (live time, injected faults)
// may stand before both, so the list shows what the channels carry.
#include "sim/replay/output_channel.h"
#include "sim/replay/replay_front_end.h"
#include "sim/rig/sentence_rig.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

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

    // The rig every sentence passes first; none (the default) passes them as they are.
    void setRig(std::unique_ptr<SentenceRig> rig);
    SentenceRig* rig() const { return m_rig.get(); }
    // The sentences that follow belong to the next epoch (one tick's output).
    void beginEpoch();
    // What the rig still holds back goes out (the replay ended).
    void releaseHeld();
    // The file starts again (a loop): the rig's live time anchors afresh.
    void fileRestarted()
    {
        if (m_rig)
            m_rig->restart();
    }

Q_SIGNALS:
    void channelFailed(const QString& message);
    // A line that is only listed (a load failure's text, "Pause:"), for a
    // front end without List1.
    void noted(const QString& text);
    // The rig injected a fault (a line for a report).
    void faultInjected(const QString& text);
    // The rig's live time fixed its offset (a line for a report).
    void liveTimeFixed(const QString& text);

private:
    void send(const QByteArray& sentence);

    ReplayFrontEnd& m_ui;
    QList<QPointer<OutputChannel>> m_channels;
    qint64 m_sent = 0;
    std::unique_ptr<SentenceRig> m_rig;
};

} // namespace zelvan
