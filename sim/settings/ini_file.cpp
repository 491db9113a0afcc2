#include "sim/settings/ini_file.h"

#include "common/save_file.h"

#include "common/number_text.h"
#include "common/text_lines.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <QStringDecoder>

#include <limits>

namespace zelvan {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArrayView trimBlanks(QByteArrayView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

bool sameName(QStringView a, QStringView b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<QString> iniSectionName(QByteArrayView line)
{
    line = trimBlanks(line);
    if (line.isEmpty() || line.front() != '[')
        return std::nullopt;
    line = line.sliced(1);
    const qsizetype close = line.indexOf(']');
    if (close >= 0)
        line = line.first(close);
    return decodeText(trimBlanks(line));
}

std::optional<QString> iniKeyName(QByteArrayView line)
{
    line = trimBlanks(line);
    if (line.isEmpty() || line.front() == ';' || line.front() == '[')
        return std::nullopt;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    const QByteArrayView name = trimBlanks(line.first(eq));
    if (name.isEmpty())
        return std::nullopt;
    return decodeText(name);
}

IniFile IniFile::fromBytes(QByteArrayView bytes)
{
    IniFile ini;
    ini.m_lines = zv::splitTextLines(bytes);
    return ini;
}

std::optional<IniFile> IniFile::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists())
        return IniFile();
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return fromBytes(bytes);
}

std::optional<IniFile::Range> IniFile::findSection(QStringView section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = iniSectionName(m_lines.at(i));
        if (!name || !sameName(*name, section))
            continue;
        Range r;
        r.header = i;
        r.end = i + 1;
        while (r.end < m_lines.size() && !iniSectionName(m_lines.at(r.end)))
            ++r.end;
        return r;
    }
    return std::nullopt;
}

qsizetype IniFile::findKey(const Range& range, QStringView key) const
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const auto name = iniKeyName(m_lines.at(i));
        if (name && sameName(*name, key))
            return i;
    }
    return -1;
}

bool IniFile::hasSection(QStringView section) const
{
    return findSection(section).has_value();
}

std::optional<QString> IniFile::rawValue(QStringView section, QStringView key) const
{
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const qsizetype i = findKey(*range, key);
    if (i < 0)
        return std::nullopt;
    QByteArrayView value = QByteArrayView(m_lines.at(i));
    value = value.sliced(value.indexOf('=') + 1);
    if (const qsizetype zero = value.indexOf('\0'); zero >= 0)
        value = value.first(zero);
    value = trimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return decodeText(value);
}

int IniFile::readInt(QStringView section, QStringView key, int defaultValue) const
{
    const auto value = rawValue(section, key);
    if (!value)
        return defaultValue;
    qsizetype i = 0;
    const qsizetype n = value->size();
    while (i < n && (value->at(i) == u' ' || value->at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (value->at(i) == u'-' || value->at(i) == u'+'))
        negative = value->at(i++) == u'-';
    long long number = 0;
    const long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    while (i < n && value->at(i) >= u'0' && value->at(i) <= u'9') {
        number = number * 10 + (value->at(i++).unicode() - u'0');
        if (number > limit)
            number = limit;
    }
    if (negative)
        number = -number;
    if (number > std::numeric_limits<int>::max())
        number = std::numeric_limits<int>::max();
    return static_cast<int>(number);
}

QString IniFile::readText(QStringView section, QStringView key, const QString& defaultValue) const
{
    QString value = rawValue(section, key).value_or(defaultValue);
    if (value.size() > kTextLimit) {
        qsizetype cut = kTextLimit;
        if (value.at(cut - 1).isHighSurrogate())
            --cut; // never split a character in two
        value.truncate(cut);
    }
    return value.trimmed();
}

void IniFile::writeValue(const QString& section, const QString& key, const QString& value)
{
    // A line end or zero inside a value would split it into lines of its own.
    QByteArray valueBytes = value.toUtf8();
    valueBytes.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
    const auto range = findSection(section);
    if (!range) {
        m_lines.append('[' + section.toUtf8() + ']');
        m_lines.append(key.toUtf8() + '=' + valueBytes);
        return;
    }
    const qsizetype i = findKey(*range, key);
    if (i >= 0) {
        // Keep the key's spelling as the file has it, rewrite only its value.
        const QByteArray& line = m_lines.at(i);
        const QByteArrayView name = trimBlanks(QByteArrayView(line).first(line.indexOf('=')));
        m_lines[i] = name.toByteArray() + '=' + valueBytes;
        return;
    }
    // New key after the section's last non-blank line, so blank separators
    // before the next section stay where they are.
    qsizetype at = range->end;
    while (at > range->header + 1 && trimBlanks(m_lines.at(at - 1)).isEmpty())
        --at;
    m_lines.insert(at, key.toUtf8() + '=' + valueBytes);
}

void IniFile::writeInt(const QString& section, const QString& key, int value)
{
    writeValue(section, key, zv::plainNumberText(value));
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const QByteArray& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

bool IniFile::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = toBytes();
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = zv::writeErrorText(file, errno);
        file.cancelWriting();
        return false;
    }
    return zv::commitSaveFile(file, error);
}

} // namespace zelvan
