#include "sim/replay/channels/channel_config.h"

#include "common/text_lines.h"

#include <QDir>
#include <QFile>

namespace zelvan {

namespace {

// [TCP] Port only; the settings subsystem owns the rest of the file.
QString tcpPortText(const QString& iniPath)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool inTcp = false;
    for (const QByteArray& raw : zv::splitTextLines(file.readAll())) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            inTcp = line.mid(1, close < 0 ? -1 : close - 1).trimmed().compare(QLatin1String("TCP"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inTcp && eq > 0 && line.left(eq).trimmed().compare(QLatin1String("Port"), Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

} // namespace

ChannelConfig ChannelConfig::fromIni(const QString& iniPath)
{
    ChannelConfig config;
    config.devices = zv::loadDeviceOverrides(iniPath);
    bool ok = false;
    const int port = tcpPortText(iniPath).toInt(&ok);
    if (ok && port >= 1 && port <= 65535)
        config.tcpPort = static_cast<quint16>(port);
    return config;
}

QString zelvanIniPath(const QString& homeDir)
{
    return QDir(homeDir).filePath(QStringLiteral("Zelvan.ini"));
}

} // namespace zelvan
