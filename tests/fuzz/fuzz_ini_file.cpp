// The settings file codec on any bytes: every section and key found is read
// as text and number, then written; the written value must read back from
// the saved bytes, and no other line may change.
#include "sim/settings/ini_file.h"

#include <QStringList>
#include <cstdint>
#include <optional>
#include <cstdlib>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini = IniFile::fromBytes(bytes);
    (void)IniFile::fromBytes(ini.toBytes());

    // Keys of the first section of each name: a later duplicate section is
    // kept but never consulted.
    std::optional<QString> section;
    bool firstOfName = false;
    QStringList seen;
    QList<QPair<QString, QString>> keys;
    for (const QByteArray& line : ini.lines()) {
        if (const auto name = iniSectionName(line)) {
            section = *name;
            firstOfName = !seen.contains(name->trimmed(), Qt::CaseInsensitive);
            seen.append(name->trimmed());
            if (!ini.hasSection(*section))
                std::abort();
        } else if (const auto key = iniKeyName(line); key && section && firstOfName) {
            keys.append({*section, *key});
        }
    }
    for (const auto& [s, k] : keys) {
        if (!ini.rawValue(s, k))
            std::abort(); // a key seen in the file reads as present
        (void)ini.readInt(s, k, 7);
        if (ini.readText(s, k, QString()).size() > IniFile::kTextLimit)
            std::abort();
    }
    if (keys.isEmpty())
        return 0;
    const auto& [s, k] = keys.first();
    const QByteArrayList before = ini.lines();
    ini.writeValue(s, k, QStringLiteral("fuzz value"));
    ini.writeInt(QStringLiteral("Fuzz"), QStringLiteral("Count"), -12);
    const IniFile again = IniFile::fromBytes(ini.toBytes());
    if (again.rawValue(s, k) != QStringLiteral("fuzz value") || again.readInt(u"Fuzz", u"Count", 0) != -12)
        std::abort();
    return 0;
}
