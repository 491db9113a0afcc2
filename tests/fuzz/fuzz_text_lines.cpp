// Line framing of files and streams: LineReader (with offsets and seek) and
// LineSplitter (arbitrary chunks) must agree with splitTextLines on any bytes.
// The first byte sets the reader's line limit and the splitter's chunk size.
#include "common/text_lines.h"

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype maxLine = 1 + data[0] % 64;
    const qsizetype chunk = 1 + data[0] / 64;
    QByteArray text(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    const QByteArrayList whole = zv::splitTextLines(text);

    // Unlimited reader: the same lines as splitTextLines, and each offset
    // seeks back to the same line.
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    zv::LineReader reader(&buffer);
    QByteArrayList read;
    std::vector<qint64> starts;
    QByteArray line;
    for (;;) {
        const qint64 start = reader.position();
        if (!reader.readLine(line))
            break;
        starts.push_back(start);
        read.append(line);
        if (read.size() > text.size() + 1)
            std::abort(); // never loops
    }
    if (read != whole || reader.position() != text.size())
        std::abort();
    for (size_t i = starts.size(); i-- > 0;) {
        if (!reader.seek(starts[i]) || !reader.readLine(line) || line != read[qsizetype(i)])
            std::abort();
    }

    // Limited reader: no piece longer than the limit, nothing lost.
    buffer.seek(0);
    zv::LineReader limited(&buffer, maxLine);
    qsizetype bytes = 0;
    while (limited.readLine(line)) {
        if (line.size() > maxLine)
            std::abort();
        bytes += line.size();
    }
    qsizetype textBytes = 0;
    for (const QByteArray& l : whole)
        textBytes += l.size();
    if (bytes != textBytes)
        std::abort();

    // Dropping reader: exactly the lines that fit, in order, none in pieces.
    buffer.seek(0);
    zv::LineReader dropping(&buffer, maxLine, zv::LineReader::Overlong::Drop);
    QByteArrayList kept, fitting;
    while (dropping.readLine(line))
        kept.append(line);
    for (const QByteArray& l : whole)
        if (l.size() <= maxLine)
            fitting.append(l);
    if (kept != fitting || dropping.position() != text.size())
        std::abort();

    // Splitter fed in chunks: the non-empty lines, the last one pending.
    zv::LineSplitter splitter(4096);
    QByteArrayList split;
    for (qsizetype p = 0; p < text.size(); p += chunk)
        split += splitter.feed(QByteArrayView(text).sliced(p, qMin(chunk, text.size() - p)));
    if (!splitter.pending().isEmpty())
        split.append(splitter.pending());
    QByteArrayList nonEmpty;
    for (const QByteArray& l : whole)
        if (!l.isEmpty())
            nonEmpty.append(l);
    bool longLine = false;
    for (const QByteArray& l : whole)
        longLine = longLine || l.size() > 4096;
    if (!longLine && split != nonEmpty)
        std::abort();
    return 0;
}
