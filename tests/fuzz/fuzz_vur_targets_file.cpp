// The targets file "VUR.wpt" as read from disk: any bytes give entries, and
// writing those entries back and reading them again keeps them.
#include "display/targets/targets_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const vur::TargetsFile file = vur::parseTargetsFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& entry : file.entries)
        (void)vur::entryOfLine(vur::targetLineOf(entry));
    const vur::TargetsFile again = vur::parseTargetsFile(vur::writeTargetsFile(file.entries));
    if (again.entries.size() > file.entries.size())
        std::abort();
    (void)vur::sixCharacterName(QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
