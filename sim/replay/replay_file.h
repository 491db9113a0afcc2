#pragma once
// The file being replayed, open for forward reading ("channel 1"), with the
// byte offsets of its RMC lines so jumps need not read from the start.
#include "common/text_lines.h"

#include <QFile>
#include <QString>
#include <QVector>
#include <memory>

namespace zelvan {

class ReplayFile {
public:
    // Longer lines are passed over whole: a piece of one is no line, and a
    // piece that began with "$" would pass for a sentence.
    static constexpr qsizetype kMaxLine = 128 * 1024;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    qint64 size() const { return m_file.isOpen() ? m_file.size() : 0; }
    bool atEnd();
    // Next line without its end; false at the end or when not open.
    bool readLine(QByteArray& line);
    // Without a copy, for passes over the whole file: valid until the next read.
    bool readLineView(QByteArrayView& line);
    qint64 position() const { return m_reader ? m_reader->position() : 0; }
    // Where the line the last read returned begins (over-long lines before it
    // are passed over, so this may lie past position() before the read).
    qint64 lineStart() const { return m_reader ? m_reader->lineStart() : 0; }
    bool seek(qint64 offset);

private:
    QFile m_file;
    QString m_path; // as given: a name that is not UTF-8 leaves m_file without one
    std::unique_ptr<zv::LineReader> m_reader;
};

// Where the log's records lie, built while counting so a jump reads at most
// a stride of records instead of the file from its start: the offset of
// every kStride-th record (an RMC line, as the replay counts them) and of the
// TXT line in force there. Positions only, never text: a log of long TXT
// lines costs no more memory than one without.
struct RmcIndex {
    static constexpr qint64 kStride = 32;
    QVector<qint64> marks;    // offset of record i * kStride (records counted from 0)
    QVector<qint64> statusAt; // offset of the TXT line in force there, -1 = none yet
    qint64 records = 0;
    bool valid = false;
    void clear()
    {
        marks.clear();
        statusAt.clear();
        records = 0;
        valid = false;
        m_status = -1;
    }
    // One line of the counting pass, read at byte offset `at`.
    void addLine(qint64 at, QByteArrayView line);

private:
    qint64 m_status = -1;
};

} // namespace zelvan
