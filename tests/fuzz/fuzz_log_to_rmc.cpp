// Rewriting a GGA/VTG log into its RMC companion, on a temporary file: any
// bytes end in a companion that keeps every line of the log, or in "no RMC",
// never in a failure or a stray file.
#include "common/text_lines.h"
#include "sim/tracks/log_to_rmc.h"

#include <QDir>
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
    const QString logPath = dir.filePath(QStringLiteral("fuzz.log"));
    {
        QFile log(logPath);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        log.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const LogConversion result = convertLogToRmc(logPath, QDate(2026, 12, 7));
    if (result.status == LogConversion::Converted) {
        QFile companion(result.companionPath);
        if (result.rmcWritten <= 0 || !companion.open(QIODevice::ReadOnly))
            std::abort();
        // Every line of the log is kept, one RMC added before each converted GGA.
        const qsizetype logLines = zv::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size))).size();
        if (zv::splitTextLines(companion.readAll()).size() != logLines + result.rmcWritten)
            std::abort();
        companion.close();
        QFile::remove(result.companionPath);
    } else if (result.status != LogConversion::NoRmc) {
        std::abort();
    }
    if (QDir(dir.path()).entryList(QDir::Files).size() != 1)
        std::abort(); // only the log itself stays
    return 0;
}
