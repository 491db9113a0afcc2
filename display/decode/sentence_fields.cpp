#include "display/decode/sentence_fields.h"

namespace vur {

std::optional<QByteArray> extractSentence(QByteArrayView line)
{
    const qsizetype dollar = line.indexOf('$');
    if (dollar < 0)
        return std::nullopt;
    QByteArrayView rest = line.sliced(dollar);
    const qsizetype star = rest.indexOf('*');
    const qsizetype keep = star < 0 ? 2 : star + 3;
    return rest.first(std::min(keep, rest.size())).toByteArray();
}

namespace {
bool upper(char c) { return c >= 'A' && c <= 'Z'; }
} // namespace

QByteArrayView talkerOf(QByteArrayView sentence)
{
    // Every receiver names its constellation here; "P" marks a maker's own sentence.
    if (sentence.size() < 3 || sentence[0] != '$' || !upper(sentence[1]) || !upper(sentence[2]) || sentence[1] == 'P')
        return {};
    return sentence.sliced(1, 2);
}

QByteArrayView typeOf(QByteArrayView sentence)
{
    if (talkerOf(sentence).isEmpty() || sentence.size() < 6)
        return {};
    const QByteArrayView type = sentence.sliced(3, 3);
    for (char c : type)
        if (!upper(c))
            return {};
    return type;
}

void SentenceFields::FindFields(QByteArrayView sentence)
{
    m_sentence = sentence.toByteArray();
    m_count = 0;
    const qsizetype star = m_sentence.indexOf('*');
    const qsizetype end = star < 0 ? m_sentence.size() : star;
    qsizetype p = m_sentence.indexOf(',');
    if (p < 0 || p >= end)
        return;
    int n = 0;
    // Entry n is the separator before field n + 1.
    while (p >= 0 && p < end && n < maxSeparators) {
        m_pos[n++] = p;
        p = m_sentence.indexOf(',', p + 1);
    }
    m_pos[n] = end;
    m_count = n;
}

QByteArray SentenceFields::GetField(int i) const
{
    if (i < 1 || i > m_count)
        return {};
    const qsizetype from = m_pos[i - 1] + 1;
    const qsizetype to = m_pos[i];
    return to > from ? m_sentence.mid(from, to - from) : QByteArray();
}

} // namespace vur
