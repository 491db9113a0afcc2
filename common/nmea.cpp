#include "common/nmea.h"

namespace zv {

quint8 nmeaChecksum(QByteArrayView body)
{
    quint8 c = 0;
    for (char ch : body)
        c ^= static_cast<quint8>(ch);
    return c;
}

QByteArray hexByte(quint8 value)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out(2, '0');
    out[0] = digits[value >> 4];
    out[1] = digits[value & 0x0F];
    return out;
}

QByteArray frameSentence(QByteArrayView body)
{
    QByteArray out;
    out.reserve(body.size() + 4);
    out += '$';
    out += body;
    out += '*';
    out += hexByte(nmeaChecksum(body));
    return out;
}

QString frameSentence(const QString& body)
{
    return QString::fromLatin1(frameSentence(QByteArrayView(body.toLatin1())));
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray zeroPadded(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

bool allDigits(QByteArrayView text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool hasValidChecksum(QByteArrayView line)
{
    const qsizetype dollar = line.indexOf('$');
    if (dollar < 0)
        return false;
    const qsizetype star = line.indexOf('*', dollar + 1);
    if (star < 0 || star + 3 > line.size())
        return false;
    const int hi = hexDigitValue(line[star + 1]);
    const int lo = hexDigitValue(line[star + 2]);
    if (hi < 0 || lo < 0)
        return false;
    return nmeaChecksum(line.sliced(dollar + 1, star - dollar - 1)) == static_cast<quint8>(hi * 16 + lo);
}

QByteArray sentenceField(QByteArrayView line, int n)
{
    if (n < 1)
        return {};
    qsizetype p = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype comma = line.indexOf(',', p);
        if (comma < 0)
            return {};
        p = comma + 1;
    }
    qsizetype e = line.indexOf(',', p);
    if (e < 0)
        e = line.indexOf('*', p);
    if (e < 0)
        e = line.size();
    return line.sliced(p, e - p).toByteArray();
}

QString sentenceField(const QString& line, int n)
{
    return QString::fromLatin1(sentenceField(QByteArrayView(line.toLatin1()), n));
}

static bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

QByteArrayView sentenceTalker(QByteArrayView line)
{
    if (line.size() < 3 || line[0] != '$' || !isUpper(line[1]) || !isUpper(line[2]) || line[1] == 'P')
        return {};
    return line.sliced(1, 2);
}

QByteArray sentenceType(QByteArrayView line)
{
    if (line.size() < 6 || sentenceTalker(line).isEmpty())
        return {};
    return line.sliced(3, 3).toByteArray();
}

bool isSentence(QByteArrayView line, QByteArrayView type)
{
    return !type.isEmpty() && line.size() >= 3 + type.size() && !sentenceTalker(line).isEmpty()
        && line.sliced(3, type.size()) == type;
}

qsizetype findSentence(QByteArrayView line, QByteArrayView type)
{
    for (qsizetype at = line.indexOf('$'); at >= 0; at = line.indexOf('$', at + 1))
        if (isSentence(line.sliced(at), type))
            return at;
    return -1;
}

} // namespace zv
