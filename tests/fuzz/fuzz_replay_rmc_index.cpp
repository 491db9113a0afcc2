// The counting pass's RMC index over a log file: every indexed offset, when
// sought, reads back a line that is an RMC, in file order, and its TXT
// reference names a text that came before it. This is what GoToRecord and
// the gauge jumps rely on.
#include "common/nmea.h"
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
    qint64 lines = 0;
    for (;;) {
        const qint64 at = file.position();
        if (!file.readLine(line))
            break;
        if (line.size() > ReplayFile::kMaxLine || file.position() <= at)
            std::abort(); // bounded pieces, always moving forward
        index.addLine(at, line);
        ++lines;
    }
    if (index.offsets.size() != index.statusRef.size() || index.offsets.size() > lines)
        std::abort();
    qint64 previous = -1;
    for (qsizetype i = 0; i < index.offsets.size(); ++i) {
        const qint64 at = index.offsets[i];
        if (at <= previous || at >= qint64(size))
            std::abort();
        previous = at;
        if (!file.seek(at) || !file.readLine(line) || !zv::isSentence(line, "RMC"))
            std::abort();
        const int ref = index.statusRef[i];
        if (ref < -1 || ref >= index.statusTexts.size())
            std::abort();
    }
    return 0;
}
