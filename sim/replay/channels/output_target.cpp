#include "sim/replay/channels/output_target.h"

#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/printer_channel.h"
#include "sim/replay/channels/pty_channel.h"
#include "sim/replay/channels/serial_channel.h"
#include "sim/replay/channels/stdout_channel.h"
#include "sim/replay/channels/tcp_client_channel.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/replay/channels/udp_channel.h"

#include <QDir>
#include <QHostAddress>
#include <QRegularExpression>

namespace zelvan {

namespace {

std::optional<quint16> portNumber(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

// "host:port", "[v6]:port", and without a port when one is optional.
bool splitHostPort(const QString& text, bool portRequired, OutputTarget& target, QString* error)
{
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("\"%1\" lacks the closing \"]\"").arg(text);
            return false;
        }
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                *error = QStringLiteral("\"%1\": a port follows \"]:\"").arg(text);
                return false;
            }
            port = rest.mid(1);
            if (port.isEmpty()) {
                *error = QStringLiteral("\"%1\" names no port after \":\"").arg(text);
                return false;
            }
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (port.isEmpty()) {
            *error = QStringLiteral("\"%1\" names no port after \":\"").arg(text);
            return false;
        }
    } else if (text.count(QLatin1Char(':')) > 1 && portRequired) {
        *error = QStringLiteral("\"%1\": write an IPv6 address in brackets, [addr]:port").arg(text);
        return false;
    }
    if (host.isEmpty()) {
        *error = QStringLiteral("\"%1\" names no host").arg(text);
        return false;
    }
    target.host = host;
    if (port.isEmpty()) {
        if (portRequired) {
            *error = QStringLiteral("\"%1\" names no port (HOST:PORT)").arg(text);
            return false;
        }
        return true;
    }
    const auto number = portNumber(port);
    if (!number) {
        *error = QStringLiteral("\"%1\" is no port number (1..65535)").arg(port);
        return false;
    }
    target.port = *number;
    return true;
}

} // namespace

std::optional<OutputTarget> parseOutputTarget(const QString& text, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    OutputTarget target;
    const QString lower = text.toLower();
    auto keyword = [&lower](const char* word) {
        return lower.startsWith(QLatin1String(word) + QLatin1Char(':'));
    };
    if (text == QLatin1String("-"))
        return target;
    if (keyword("tcp-client")) {
        target.kind = OutputTarget::Kind::TcpClient;
        if (!splitHostPort(text.mid(11), true, target, error))
            return std::nullopt;
        return target;
    }
    if (lower == QLatin1String("tcp") || keyword("tcp")) {
        target.kind = OutputTarget::Kind::TcpServer;
        if (lower == QLatin1String("tcp"))
            return target;
        const QString rest = text.mid(4);
        // tcp:PORT on every address, tcp:ADDRESS:PORT on one ([v6] in brackets).
        if (!rest.contains(QLatin1Char(':')) && !rest.contains(QLatin1Char('.')) && !rest.startsWith(QLatin1Char('['))) {
            const auto port = portNumber(rest);
            if (!port) {
                *error = QStringLiteral("\"%1\" is no port number (1..65535)").arg(rest);
                return std::nullopt;
            }
            target.port = *port;
            return target;
        }
        if (!splitHostPort(rest, true, target, error))
            return std::nullopt;
        if (target.host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0
            && QHostAddress(target.host).isNull()) {
            *error = QStringLiteral("\"%1\" is not an address of this computer (tcp:ADDRESS:PORT)").arg(target.host);
            return std::nullopt;
        }
        return target;
    }
    if (lower == QLatin1String("udp") || keyword("udp")) {
        target.kind = OutputTarget::Kind::Udp;
        target.port = kDefaultUdpPort;
        if (!splitHostPort(text.mid(4), false, target, error))
            return std::nullopt;
        return target;
    }
    if (lower == QLatin1String("pty") || keyword("pty")) {
        target.kind = OutputTarget::Kind::Pty;
        target.path = text.mid(4);
        if (lower != QLatin1String("pty") && target.path.isEmpty()) {
            *error = QStringLiteral("\"%1\" names no link after \"pty:\"").arg(text);
            return std::nullopt;
        }
        return target;
    }
    static const QRegularExpression port(QStringLiteral("^(COM|LPT)([0-9]{1,3})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const auto m = port.match(text); m.hasMatch()) {
        target.number = m.captured(2).toInt();
        target.kind = m.captured(1).toUpper() == QLatin1String("COM") ? OutputTarget::Kind::Com : OutputTarget::Kind::Lpt;
        if (target.number < 1) {
            *error = QStringLiteral("\"%1\": ports count from 1").arg(text);
            return std::nullopt;
        }
        return target;
    }
    if (text.contains(QLatin1Char('/'))) {
        target.kind = OutputTarget::Kind::Device;
        target.path = text;
        return target;
    }
    *error = QStringLiteral("unknown output \"%1\" (-, tcp[:[ADDRESS:]PORT], tcp-client:HOST:PORT, udp:HOST[:PORT], "
                            "pty[:LINK], COMn, LPTn or a device path)")
                 .arg(text);
    return std::nullopt;
}

QString describeOutputTarget(const OutputTarget& target)
{
    auto hostPort = [&target] {
        const QString host = target.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(target.host) : target.host;
        return QStringLiteral("%1:%2").arg(host).arg(target.port);
    };
    switch (target.kind) {
    case OutputTarget::Kind::Stdout: return QStringLiteral("standard output");
    case OutputTarget::Kind::TcpServer:
        if (!target.host.isEmpty())
            return QStringLiteral("tcp:") + hostPort();
        return target.port ? QStringLiteral("tcp:%1").arg(target.port) : QStringLiteral("tcp");
    case OutputTarget::Kind::TcpClient: return QStringLiteral("tcp-client:") + hostPort();
    case OutputTarget::Kind::Udp: return QStringLiteral("udp:") + hostPort();
    case OutputTarget::Kind::Pty:
        return target.path.isEmpty() ? QStringLiteral("pty") : QStringLiteral("pty:") + target.path;
    case OutputTarget::Kind::Device: return target.path;
    case OutputTarget::Kind::Com: return QStringLiteral("COM%1").arg(target.number);
    case OutputTarget::Kind::Lpt: return QStringLiteral("LPT%1").arg(target.number);
    }
    return {};
}

std::unique_ptr<OutputChannel> createOutputChannel(const OutputTarget& target, const QString& homeDir, QString* error)
{
    const ChannelConfig config = ChannelConfig::fromIni(zelvanIniPath(homeDir));
    switch (target.kind) {
    case OutputTarget::Kind::Stdout: return std::make_unique<StdoutChannel>();
    case OutputTarget::Kind::TcpServer: {
        auto tcp = std::make_unique<TcpServerChannel>();
        tcp->setPort(target.port ? target.port : config.tcpPort);
        // A refused port from the settings file names the setting.
        if (!target.port)
            tcp->setPortSettingFile(zelvanIniPath(homeDir));
        tcp->setAddress(target.host.isEmpty() ? config.tcpAddress : target.host);
        return tcp;
    }
    case OutputTarget::Kind::Com: {
        if (config.isVirtualSerial(target.number)) {
            auto pty = std::make_unique<PtyChannel>();
            pty->setLinkPath(virtualSerialLinkPath(homeDir, target.number));
            return pty;
        }
        auto serial = std::make_unique<SerialChannel>();
        serial->setDeviceOverrides(config.devices);
        serial->setPortNumber(target.number);
        return serial;
    }
    case OutputTarget::Kind::Device: {
        auto serial = std::make_unique<SerialChannel>();
        serial->setDevicePath(target.path);
        return serial;
    }
    case OutputTarget::Kind::Lpt: {
        auto printer = std::make_unique<PrinterChannel>(target.number);
        printer->setDeviceOverrides(config.devices);
        return printer;
    }
    case OutputTarget::Kind::TcpClient: {
        auto client = std::make_unique<TcpClientChannel>();
        client->setHost(target.host);
        client->setPort(target.port);
        return client;
    }
    case OutputTarget::Kind::Udp: {
        auto udp = std::make_unique<UdpChannel>();
        udp->setHost(target.host);
        udp->setPort(target.port);
        return udp;
    }
    case OutputTarget::Kind::Pty: {
        auto pty = std::make_unique<PtyChannel>();
        pty->setLinkPath(target.path.isEmpty() ? QDir(homeDir).filePath(kDefaultPtyLink) : target.path);
        return pty;
    }
    }
    if (error)
        *error = QStringLiteral("%1: this output is not available in this build").arg(describeOutputTarget(target));
    return nullptr;
}

} // namespace zelvan
