#include "sim/replay/sentence_sink.h"

#include <QListWidget>

namespace zelvan {

SentenceSink::SentenceSink(QListWidget* list1, QObject* parent) : QObject(parent), m_list1(list1) {}

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

void SentenceSink::emitSentence(const QByteArray& sentence)
{
    list(QString::fromLatin1(sentence));
    sendSentence(sentence);
}

void SentenceSink::sendSentence(const QByteArray& sentence)
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
    if (m_list1)
        m_list1->addItem(text);
    if (!text.startsWith(QLatin1Char('$')))
        Q_EMIT noted(text);
}

void SentenceSink::clearList()
{
    if (m_list1)
        m_list1->clear();
}

} // namespace zelvan
