#pragma once
// Line reading that accepts CR LF, LF and CR line ends, for files written on
// any system and for byte streams that arrive in pieces.
#include <QByteArray>
#include <QByteArrayList>
#include <QIODevice>
#include <QString>

namespace zv {

// The characters of a text that a Latin-1 file cannot hold, each once and in
// order, quoted and listed for a message: "Ł", "ő" and "ź" (andWord joins
// the last two). Empty when the text fits.
QString charactersBeyondLatin1(const QString& text, const QString& andWord);

// Splits a whole text into lines; a last line without an end is kept, an
// empty text gives no lines.
QByteArrayList splitTextLines(QByteArrayView text);

// Reads a file line by line from a QIODevice, forward only, with its byte
// offset known at every line start (so callers can index and seek). A line
// longer than maxLine is cut into pieces of maxLine bytes, or, for readers of
// sentences, dropped whole (a piece of a line is no line); either way a file
// of garbage never holds more than that in memory.
class LineReader {
public:
    enum class Overlong { Cut, Drop };
    explicit LineReader(QIODevice* device, qsizetype maxLine = 1 << 20, Overlong overlong = Overlong::Cut);

    // Next line without its end; false at the end of the data.
    bool readLine(QByteArray& line);
    // The same without a copy: the view holds until the next read or seek.
    bool readLineView(QByteArrayView& line);
    // Byte offset where the next readLine() starts.
    qint64 position() const { return m_pos; }
    // Byte offset of the line the last read returned (past any dropped line).
    qint64 lineStart() const { return m_lineStart; }
    // Repositions to a line start returned by position() earlier.
    bool seek(qint64 offset);
    bool atEnd();

private:
    bool fill();

    QIODevice* m_device;
    qsizetype m_maxLine;
    Overlong m_overlong;
    QByteArray m_buffer;
    qsizetype m_bufPos = 0;
    qint64 m_pos = 0;
    qint64 m_lineStart = 0;
    bool m_eof = false;
};

// Cuts a byte stream that arrives in arbitrary chunks into lines at CR or LF
// (empty lines are dropped: CR LF gives one line). A line that grows past
// maxLine without an end is cut there.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype maxLine = 4096) : m_maxLine(maxLine) {}
    QByteArrayList feed(QByteArrayView bytes);
    const QByteArray& pending() const { return m_partial; }
    void clear() { m_partial.clear(); }

private:
    qsizetype m_maxLine;
    QByteArray m_partial;
};

} // namespace zv
