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
    // Longer lines are cut into pieces; none is a sentence anyway.
    static constexpr qsizetype kMaxLine = 128 * 1024;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    bool atEnd();
    // Next line without its end; false at the end or when not open.
    bool readLine(QByteArray& line);
    // Without a copy, for passes over the whole file: valid until the next read.
    bool readLineView(QByteArrayView& line);
    qint64 position() const { return m_reader ? m_reader->position() : 0; }
    bool seek(qint64 offset);

private:
    QFile m_file;
    QString m_path; // as given: a name that is not UTF-8 leaves m_file without one
    std::unique_ptr<zv::LineReader> m_reader;
};

// Where each line beginning with an RMC (any talker) starts, and the TXT text
// in force there, built while counting so GoToRecord is a seek.
struct RmcIndex {
    QVector<qint64> offsets;
    QVector<int> statusRef;   // index into statusTexts, -1 = none seen yet
    QVector<QString> statusTexts;
    bool valid = false;
    void clear()
    {
        offsets.clear();
        statusRef.clear();
        statusTexts.clear();
        valid = false;
        m_currentStatus = -1;
    }
    // One line of the counting pass, read at byte offset `at`: an RMC line is
    // indexed with the TXT text then in force, a TXT line becomes that text.
    void addLine(qint64 at, QByteArrayView line);

private:
    int m_currentStatus = -1;
};

} // namespace zelvan
