#include "common/port_names.h"

#include "common/text_lines.h"

#include <QFile>
#include <QRegularExpression>

namespace zv {

DeviceOverrides loadDeviceOverrides(const QString& iniPath)
{
    DeviceOverrides result;
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    bool inDevices = false;
    for (const QByteArray& raw : splitTextLines(file.readAll())) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inDevices = name.compare(QLatin1String("Devices"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inDevices)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        const QString value = line.mid(eq + 1).trimmed();
        if (!key.isEmpty() && !value.isEmpty() && !result.contains(key))
            result.insert(key, value);
    }
    return result;
}

QString resolvePortName(const QString& portName, const DeviceOverrides& overrides)
{
    const QString key = portName.trimmed().toUpper();
    if (auto it = overrides.constFind(key); it != overrides.constEnd())
        return it.value();
    static const QRegularExpression pattern(QStringLiteral("^(COM|LPT)([0-9]{1,3})$"));
    const auto match = pattern.match(key);
    if (!match.hasMatch())
        return portName;
#ifdef Q_OS_WIN
    return key;
#else
    const int n = match.captured(2).toInt();
    if (n < 1)
        return portName;
    if (match.captured(1) == QLatin1String("COM"))
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    return QStringLiteral("/dev/lp%1").arg(n - 1);
#endif
}

} // namespace zv
