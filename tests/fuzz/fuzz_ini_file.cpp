// The settings file codec on any bytes: every section and key found is read
// as text and number, then written; the written value must read back from
// the saved bytes, and no other line may change.
#include "sim/settings/ini_file.h"

#include <QStringList>
#include <cstdint>
#include <optional>
#include <cstdlib>

using namespace zelvan;

static bool sameKey(const QString& s1, const QString& k1, const QString& s2, const QString& k2)
{
    return s1.trimmed().compare(s2.trimmed(), Qt::CaseInsensitive) == 0
        && k1.trimmed().compare(k2.trimmed(), Qt::CaseInsensitive) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // What follows the last byte 0x01 is the value to write, the rest the file.
    QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString written = QStringLiteral("fuzz value");
    if (const qsizetype mark = bytes.lastIndexOf('\x01'); mark >= 0) {
        written = QString::fromLatin1(bytes.sliced(mark + 1));
        bytes = bytes.first(mark);
    }
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
    // Rewriting a key touches its line only, and the value stays on it.
    const auto& [s, k] = keys.first();
    const QByteArrayList before = ini.lines();
    ini.writeValue(s, k, written);
    const QByteArrayList after = ini.lines();
    if (after.size() != before.size())
        std::abort();
    int changed = 0;
    for (qsizetype i = 0; i < after.size(); ++i)
        changed += after[i] != before[i] ? 1 : 0;
    if (changed > 1)
        std::abort();
    const IniFile again = IniFile::fromBytes(ini.toBytes());
    for (qsizetype i = 1; i < keys.size(); ++i) {
        const auto& [s2, k2] = keys[i];
        if (!sameKey(s, k, s2, k2) && again.rawValue(s2, k2) != ini.rawValue(s2, k2))
            std::abort();
    }
    if (written == QStringLiteral("fuzz value") && again.rawValue(s, k) != written)
        std::abort();
    ini.writeInt(QStringLiteral("Fuzz"), QStringLiteral("Count"), -12);
    if (IniFile::fromBytes(ini.toBytes()).readInt(u"Fuzz", u"Count", 0) != -12)
        std::abort();
    return 0;
}
