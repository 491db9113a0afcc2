#include "display/targets/targets_file.h"

#include "common/text_lines.h"

#include <QStringDecoder>

#include <cmath>

namespace vur {
namespace {

const QChar kDegree(0xB0);

bool hasHighBytes(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// Characters beyond Latin-1 cannot be stored in the 8-bit file.
QByteArray toLatin1Bytes(const QString& s)
{
    QByteArray out;
    out.reserve(s.size());
    for (QChar c : s)
        out.append(c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?');
    return out;
}

QString degreesText(double absSec, int degreeDigits, QChar hemisphere)
{
    const long long tenths = std::llround(absSec * 10.0);
    const long long deg = tenths / 36000;
    const long long min = (tenths / 600) % 60;
    const long long sec10 = tenths % 600;
    return QString::number(deg).rightJustified(degreeDigits, QLatin1Char('0')) + kDegree
        + QString::number(min).rightJustified(2, QLatin1Char('0')) + QLatin1Char('\'')
        + QString::number(sec10 / 10).rightJustified(2, QLatin1Char('0')) + QLatin1Char('.')
        + QString::number(sec10 % 10) + QLatin1Char('"') + hemisphere;
}

} // namespace

TargetsFile parseTargetsFile(QByteArrayView bytes)
{
    QByteArray latin1;
    if (hasHighBytes(bytes)) {
        // Our own files carry 0xB0 after a digit, which is never valid UTF-8.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(bytes);
        latin1 = utf8.hasError() ? bytes.toByteArray() : toLatin1Bytes(decoded);
    } else {
        latin1 = bytes.toByteArray();
    }
    TargetsFile f;
    const QByteArrayList lines = zv::splitTextLines(latin1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]);
        if (i == 0)
            f.targetLine = line;
        if (!line.isEmpty())
            f.entries.append(entryOfLine(line));
    }
    return f;
}

QByteArray writeTargetsFile(const QStringList& entries)
{
    QByteArray out;
    for (const QString& e : entries)
        out += toLatin1Bytes(targetLineOf(e)) + "\r\n";
    return out;
}

QString targetLineOf(const QString& entry)
{
    return entry.left(6) + QLatin1Char(' ') + entry.right(26);
}

QString entryOfLine(const QString& line)
{
    return line.left(6) + QString(9, QLatin1Char(' ')) + line.right(26);
}

QString positionEntry(const QString& name, const Position& p)
{
    const QString lat = degreesText(std::fabs(p.latSec), 2, p.latSec < 0 ? QLatin1Char('S') : QLatin1Char('N'));
    const QString lon = degreesText(std::fabs(p.lonSec), 3, p.lonSec < 0 ? QLatin1Char('W') : QLatin1Char('E'));
    return sixCharacterName(name) + QString(9, QLatin1Char(' ')) + lat + QLatin1Char(' ') + lon;
}

QString timeName(const QTime& time)
{
    return time.toString(QStringLiteral("HHmmss"));
}

QString sixCharacterName(const QString& text)
{
    QString name = (text + QString(6, QLatin1Char(' '))).left(6);
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
        else if (c.unicode() > 0xFF)
            c = QLatin1Char('?');   // the file is 8-bit (a typed name beyond it is refused before)
    return name;
}

} // namespace vur
