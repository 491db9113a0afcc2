#include "sim/settings/output_talker.h"

namespace zelvan {

QByteArray talkerFromText(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    auto letter = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); };
    if (t.size() != 2 || !letter(t[0]) || !letter(t[1]) || t[0] == QLatin1Char('P'))
        return kDefaultTalker;
    return t.toLatin1();
}

QByteArray outputTalker(const IniFile& ini)
{
    return talkerFromText(ini.readText(u"Output", u"Talker", QString::fromLatin1(kDefaultTalker)));
}

QByteArray readOutputTalker(const QString& iniPath)
{
    const std::optional<IniFile> ini = IniFile::load(iniPath);
    return ini ? outputTalker(*ini) : QByteArray(kDefaultTalker);
}

} // namespace zelvan
