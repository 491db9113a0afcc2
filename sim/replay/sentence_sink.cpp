#include "sim/replay/sentence_sink.h"

namespace zelvan {

SentenceSink::SentenceSink(ReplayFrontEnd& ui, QObject* parent) : QObject(parent), m_ui(ui) {}

void SentenceSink::setChannels(const QList<OutputChannel*>& channels)
{
    for (const auto& c : std::as_const(m_channels))
        if (c)
            disconnect(c, nullptr, this, nullptr);
    m_channels.clear();
    for (OutputChannel* c : channels)
        addChannel(c);
}

void SentenceSink::addChannel(OutputChannel* channel)
{
    if (!channel || m_channels.contains(channel))
        return;
    m_channels.append(channel);
    connect(channel, &OutputChannel::failed, this, &SentenceSink::channelFailed);
}

QList<OutputChannel*> SentenceSink::channels() const
{
    QList<OutputChannel*> out;
    for (const auto& c : m_channels)
        if (c)
            out.append(c);
    return out;
}

void SentenceSink::openChannels()
{
    for (const auto& c : std::as_const(m_channels)) {
        if (!c || c->isOpen())
            continue;
        QString error;
        if (!c->open(&error))
            Q_EMIT channelFailed(error);
    }
}

void SentenceSink::closeChannels()
{
    for (const auto& c : std::as_const(m_channels))
        if (c && c->isOpen())
            c->close();
}

void SentenceSink::setRig(std::unique_ptr<SentenceRig> rig)
{
    // Epochs the old rig holds back are not lost with it: they go out now.
    releaseHeld();
    m_rig = std::move(rig);
    if (!m_rig)
        return;
    m_rig->setReporter([this](const FaultEvent& e) { Q_EMIT faultInjected(faultEventText(e)); });
    m_rig->setTimeReporter([this](const LiveTimeNote& n) { Q_EMIT liveTimeFixed(liveTimeNoteText(n)); });
}

void SentenceSink::beginEpoch()
{
    if (m_rig)
        m_rig->beginEpoch();
}

void SentenceSink::releaseHeld()
{
    if (!m_rig)
        return;
    for (const QByteArray& out : m_rig->release()) {
        list(QString::fromLatin1(out));
        send(out);
    }
}

void SentenceSink::emitSentence(const QByteArray& sentence)
{
    if (!m_rig) {
        list(QString::fromLatin1(sentence));
        send(sentence);
        return;
    }
    for (const QByteArray& out : m_rig->pass(sentence)) {
        list(QString::fromLatin1(out));
        send(out);
    }
}

void SentenceSink::sendSentence(const QByteArray& sentence)
{
    if (!m_rig) {
        send(sentence);
        return;
    }
    for (const QByteArray& out : m_rig->pass(sentence))
        send(out);
}

void SentenceSink::send(const QByteArray& sentence)
{
    ++m_sent;
    // A channel may fail and be closed by a slot while we loop: copy first.
    const auto channels = m_channels;
    for (const auto& c : channels)
        if (c && c->isOpen())
            c->send(sentence);
}

void SentenceSink::list(const QString& text)
{
    m_ui.listed(text);
    if (!text.startsWith(QLatin1Char('$')))
        Q_EMIT noted(text);
}

void SentenceSink::clearList()
{
    m_ui.listCleared();
}

} // namespace zelvan
