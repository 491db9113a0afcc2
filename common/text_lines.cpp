#include "common/text_lines.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace zv {

QString charactersBeyondLatin1(const QString& text, const QString& andWord)
{
    QStringList found;
    for (char32_t c : text.toUcs4()) {
        const QString quoted = QLatin1Char('"') + QString::fromUcs4(&c, 1) + QLatin1Char('"');
        if (c > 0xFF && !found.contains(quoted))
            found.append(quoted);
    }
    if (found.size() < 2)
        return found.join(QString());
    const QString last = found.takeLast();
    return found.join(QStringLiteral(", ")) + QLatin1Char(' ') + andWord + QLatin1Char(' ') + last;
}

QByteArrayList splitTextLines(QByteArrayView text)
{
    QByteArrayList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.append(text.sliced(start, i - start).toByteArray());
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.sliced(start).toByteArray());
    return lines;
}

LineReader::LineReader(QIODevice* device, qsizetype maxLine, Overlong overlong)
    : m_device(device), m_maxLine(maxLine > 0 ? maxLine : 1), m_overlong(overlong)
{
    if (m_device)
        m_pos = m_device->pos();
}

bool LineReader::fill()
{
    if (m_eof || !m_device)
        return false;
    if (m_bufPos > 0) {
        m_buffer.remove(0, m_bufPos);
        m_bufPos = 0;
    }
    const QByteArray chunk = m_device->read(64 * 1024);
    if (chunk.isEmpty()) {
        m_eof = true;
        return false;
    }
    m_buffer += chunk;
    return true;
}

bool LineReader::atEnd()
{
    if (m_bufPos < m_buffer.size())
        return false;
    return !fill();
}

bool LineReader::readLineView(QByteArrayView& line)
{
    line = {};
    // Dropping keeps a line of exactly maxLine bytes; cutting makes its end a
    // piece of its own, as it always has.
    const qsizetype cap = m_overlong == Overlong::Drop ? m_maxLine + 1 : m_maxLine;
    bool dropping = false; // inside a line too long to keep: read on to its end
    qsizetype scan = m_bufPos;
    // Consumes the line from m_bufPos up to `end`, plus `endLen` bytes of line end.
    auto consume = [this](qsizetype end, qsizetype endLen) {
        m_lineStart = m_pos;
        m_pos += (end - m_bufPos) + endLen;
        m_bufPos = end + endLen;
    };
    for (;;) {
        // Read through a const pointer: the non-const operator[] checks for
        // sharing on every byte.
        const char* const data = std::as_const(m_buffer).constData();
        const qsizetype len = m_buffer.size();
        const qsizetype limit = cap >= len - m_bufPos ? len : m_bufPos + cap; // no overflow for huge limits
        qsizetype i = scan;
        while (i < limit && data[i] != '\r' && data[i] != '\n')
            ++i;
        if (i - m_bufPos >= cap) {
            if (m_overlong == Overlong::Cut) {
                line = QByteArrayView(data + m_bufPos, m_maxLine);
                consume(m_bufPos + m_maxLine, 0);
                return true;
            }
            // Forget what was read of it, so memory stays bounded.
            dropping = true;
            consume(i, 0);
            scan = m_bufPos;
            continue;
        }
        if (i < len) {
            // A CR at the very end of the buffer may be followed by LF in the next chunk.
            if (data[i] == '\r' && i + 1 == len) {
                const qsizetype keep = i - m_bufPos;
                fill();
                scan = m_bufPos + keep;
                if (m_buffer.size() == scan + 1) { // no more data: lone CR ends the line
                    if (dropping) {
                        consume(scan, 1);
                        return false;
                    }
                    line = QByteArrayView(std::as_const(m_buffer).constData() + m_bufPos, keep);
                    consume(scan, 1);
                    return true;
                }
                continue;
            }
            qsizetype endLen = 1;
            if (data[i] == '\r' && i + 1 < len && data[i + 1] == '\n')
                endLen = 2;
            if (dropping) {
                dropping = false;
                consume(i, endLen);
                scan = m_bufPos;
                continue;
            }
            line = QByteArrayView(data + m_bufPos, i - m_bufPos);
            consume(i, endLen);
            return true;
        }
        const qsizetype keep = len - m_bufPos;
        if (!fill()) { // (which may have moved the data to the buffer's start)
            if (keep == 0)
                return false;
            const qsizetype from = m_bufPos;
            consume(m_buffer.size(), 0);
            if (dropping)
                return false;
            line = QByteArrayView(m_buffer).sliced(from);
            return true;
        }
        scan = m_bufPos + keep;
    }
}

bool LineReader::readLine(QByteArray& line)
{
    QByteArrayView view;
    if (!readLineView(view)) {
        line.clear();
        return false;
    }
    line = view.toByteArray();
    return true;
}

bool LineReader::seek(qint64 offset)
{
    if (!m_device || !m_device->seek(offset))
        return false;
    m_buffer.clear();
    m_bufPos = 0;
    m_pos = offset;
    m_eof = false;
    return true;
}

QByteArrayList LineSplitter::feed(QByteArrayView bytes)
{
    QByteArrayList lines;
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.isEmpty())
                lines.append(m_partial);
            m_partial.clear();
            continue;
        }
        if (m_partial.size() >= m_maxLine) {
            lines.append(m_partial);
            m_partial.clear();
        }
        m_partial += c;
    }
    return lines;
}

} // namespace zv
