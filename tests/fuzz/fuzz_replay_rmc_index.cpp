// The counting pass's record index over a log file: every indexed offset, when
// sought, reads back a line that is a record, in file order, and its TXT
// offset names a status line that came before it. This is what GoToRecord and
// the gauge jumps rely on.
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    const QString path = dir.filePath(QStringLiteral("fuzz.log"));
    {
        QFile log(path);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        log.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    ReplayFile file;
    if (!file.open(path))
        std::abort();
    RmcIndex index;
    QByteArray line;
    qint64 records = 0;
    for (;;) {
        const qint64 at = file.position();
        if (!file.readLine(line))
            break;
        if (line.size() > ReplayFile::kMaxLine || file.position() <= at || file.lineStart() < at)
            std::abort(); // bounded lines, always moving forward
        index.addLine(file.lineStart(), line);
        records += isRmcLine(line) ? 1 : 0;
    }
    if (index.records != records || index.marks.size() != index.statusAt.size()
        || index.marks.size() != (records + RmcIndex::kStride - 1) / RmcIndex::kStride)
        std::abort();
    qint64 previous = -1;
    for (qsizetype i = 0; i < index.marks.size(); ++i) {
        const qint64 at = index.marks[i];
        if (at <= previous || at >= qint64(size))
            std::abort();
        previous = at;
        if (!file.seek(at) || !file.readLine(line) || !isRmcLine(line))
            std::abort();
        const qint64 txt = index.statusAt[i];
        if (txt >= at || (txt >= 0 && (!file.seek(txt) || !file.readLine(line) || !isStatusLine(line))))
            std::abort();
    }
    return 0;
}
