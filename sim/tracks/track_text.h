#pragma once
// Column and field access on track-file lines. Columns are 1-based; a column
// past the end of a line reads as empty, so no short line can fault a reader.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <algorithm>

namespace zelvan::tracktext {

inline char charAt(QByteArrayView line, qsizetype column)
{
    return column >= 1 && column <= line.size() ? line[column - 1] : '\0';
}

// Columns first..first+count-1, cut at the end of the line.
inline QByteArrayView columns(QByteArrayView line, qsizetype first, qsizetype count)
{
    if (first < 1 || first > line.size() || count <= 0)
        return {};
    return line.sliced(first - 1, std::min(count, line.size() - first + 1));
}

// Columns first..last inclusive.
inline QByteArrayView columnRange(QByteArrayView line, qsizetype first, qsizetype last)
{
    return columns(line, first, last - first + 1);
}

// Whether the text, after blanks and tabs, starts with a number.
bool startsWithNumber(QByteArrayView text);

// A number as writers without column padding write it ("0.003000"): a
// decimal point, so that a decimal comma never passes for two numbers.
bool isDecimalNumber(QByteArrayView text);

// The comma-separated fields of a line.
QList<QByteArrayView> commaFields(QByteArrayView line);

} // namespace zelvan::tracktext
