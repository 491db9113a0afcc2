#include "sim/replay/channels/channel_config.h"

#include "common/text_lines.h"

#include <QDir>
#include <QFile>

namespace zelvan {

namespace {

// One key of one section; the settings subsystem owns the rest of the file.
QString iniValue(const QString& iniPath, QLatin1String section, QLatin1String key)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool inSection = false;
    for (const QByteArray& raw : zv::splitTextLines(file.readAll())) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            inSection = line.mid(1, close < 0 ? -1 : close - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inSection && eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

bool readPort(const QString& text, quint16* port)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    *port = static_cast<quint16>(value);
    return true;
}

} // namespace

ChannelConfig ChannelConfig::fromIni(const QString& iniPath)
{
    ChannelConfig config;
    config.devices = zv::loadDeviceOverrides(iniPath);
    readPort(iniValue(iniPath, QLatin1String("TCP"), QLatin1String("Port")), &config.tcpPort);
    config.tcpAddress = iniValue(iniPath, QLatin1String("TCP"), QLatin1String("Address"));
    if (config.tcpAddress.startsWith(QLatin1Char('[')) && config.tcpAddress.endsWith(QLatin1Char(']')))
        config.tcpAddress = config.tcpAddress.mid(1, config.tcpAddress.size() - 2);
    readPort(iniValue(iniPath, QLatin1String("UDP"), QLatin1String("Port")), &config.udpPort);
    if (const QString host = iniValue(iniPath, QLatin1String("UDP"), QLatin1String("Host")); !host.isEmpty())
        config.udpHost = host;
    return config;
}

bool ChannelConfig::isVirtualSerial(int comNumber) const
{
    return devices.value(QStringLiteral("COM%1").arg(comNumber)).compare(QLatin1String("pty"), Qt::CaseInsensitive) == 0;
}

QString virtualSerialLinkPath(const QString& homeDir, int comNumber)
{
    return QDir(homeDir).filePath(QStringLiteral("ttyZelvan%1").arg(comNumber));
}

QString zelvanIniPath(const QString& homeDir)
{
    return QDir(homeDir).filePath(QStringLiteral("Zelvan.ini"));
}

} // namespace zelvan
