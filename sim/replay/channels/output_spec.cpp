#include "sim/replay/channels/output_spec.h"

#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/printer_channel.h"
#include "sim/replay/channels/pty_channel.h"
#include "sim/replay/channels/serial_channel.h"
#include "sim/replay/channels/stdout_channel.h"
#include "sim/replay/channels/tcp_client_channel.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/replay/channels/udp_channel.h"

#include <QDir>
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
bool splitHostPort(const QString& text, bool portRequired, OutputSpec& spec, QString* error)
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
    spec.host = host;
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
    spec.port = *number;
    return true;
}

} // namespace

std::optional<OutputSpec> parseOutputSpec(const QString& text, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    OutputSpec spec;
    const QString lower = text.toLower();
    auto keyword = [&lower](const char* word) {
        return lower.startsWith(QLatin1String(word) + QLatin1Char(':'));
    };
    if (text == QLatin1String("-"))
        return spec;
    if (keyword("tcp-client")) {
        spec.kind = OutputSpec::Kind::TcpClient;
        if (!splitHostPort(text.mid(11), true, spec, error))
            return std::nullopt;
        return spec;
    }
    if (lower == QLatin1String("tcp") || keyword("tcp")) {
        spec.kind = OutputSpec::Kind::TcpServer;
        if (lower == QLatin1String("tcp"))
            return spec;
        const auto port = portNumber(text.mid(4));
        if (!port) {
            *error = QStringLiteral("\"%1\" is no port number (1..65535)").arg(text.mid(4));
            return std::nullopt;
        }
        spec.port = *port;
        return spec;
    }
    if (lower == QLatin1String("udp") || keyword("udp")) {
        spec.kind = OutputSpec::Kind::Udp;
        spec.port = kDefaultUdpPort;
        if (!splitHostPort(text.mid(4), false, spec, error))
            return std::nullopt;
        return spec;
    }
    if (lower == QLatin1String("pty") || keyword("pty")) {
        spec.kind = OutputSpec::Kind::Pty;
        spec.path = text.mid(4);
        if (lower != QLatin1String("pty") && spec.path.isEmpty()) {
            *error = QStringLiteral("\"%1\" names no link after \"pty:\"").arg(text);
            return std::nullopt;
        }
        return spec;
    }
    static const QRegularExpression port(QStringLiteral("^(COM|LPT)([0-9]{1,3})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const auto m = port.match(text); m.hasMatch()) {
        spec.number = m.captured(2).toInt();
        spec.kind = m.captured(1).toUpper() == QLatin1String("COM") ? OutputSpec::Kind::Com : OutputSpec::Kind::Lpt;
        if (spec.number < 1) {
            *error = QStringLiteral("\"%1\": ports count from 1").arg(text);
            return std::nullopt;
        }
        return spec;
    }
    if (text.contains(QLatin1Char('/'))) {
        spec.kind = OutputSpec::Kind::Device;
        spec.path = text;
        return spec;
    }
    *error = QStringLiteral("unknown output \"%1\" (-, tcp[:PORT], tcp-client:HOST:PORT, udp:HOST[:PORT], "
                            "pty[:LINK], COMn, LPTn or a device path)")
                 .arg(text);
    return std::nullopt;
}

QString describeOutputSpec(const OutputSpec& spec)
{
    auto hostPort = [&spec] {
        const QString host = spec.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(spec.host) : spec.host;
        return QStringLiteral("%1:%2").arg(host).arg(spec.port);
    };
    switch (spec.kind) {
    case OutputSpec::Kind::Stdout: return QStringLiteral("standard output");
    case OutputSpec::Kind::TcpServer:
        return spec.port ? QStringLiteral("tcp:%1").arg(spec.port) : QStringLiteral("tcp");
    case OutputSpec::Kind::TcpClient: return QStringLiteral("tcp-client:") + hostPort();
    case OutputSpec::Kind::Udp: return QStringLiteral("udp:") + hostPort();
    case OutputSpec::Kind::Pty:
        return spec.path.isEmpty() ? QStringLiteral("pty") : QStringLiteral("pty:") + spec.path;
    case OutputSpec::Kind::Device: return spec.path;
    case OutputSpec::Kind::Com: return QStringLiteral("COM%1").arg(spec.number);
    case OutputSpec::Kind::Lpt: return QStringLiteral("LPT%1").arg(spec.number);
    }
    return {};
}

std::unique_ptr<OutputChannel> createOutputChannel(const OutputSpec& spec, const QString& homeDir, QString* error)
{
    const ChannelConfig config = ChannelConfig::fromIni(zelvanIniPath(homeDir));
    switch (spec.kind) {
    case OutputSpec::Kind::Stdout: return std::make_unique<StdoutChannel>();
    case OutputSpec::Kind::TcpServer: {
        auto tcp = std::make_unique<TcpServerChannel>();
        tcp->setPort(spec.port ? spec.port : config.tcpPort);
        return tcp;
    }
    case OutputSpec::Kind::Com: {
        if (config.isVirtualSerial(spec.number)) {
            auto pty = std::make_unique<PtyChannel>();
            pty->setLinkPath(virtualSerialLinkPath(homeDir, spec.number));
            return pty;
        }
        auto serial = std::make_unique<SerialChannel>();
        serial->setDeviceOverrides(config.devices);
        serial->setPortNumber(spec.number);
        return serial;
    }
    case OutputSpec::Kind::Device: {
        auto serial = std::make_unique<SerialChannel>();
        serial->setDevicePath(spec.path);
        return serial;
    }
    case OutputSpec::Kind::Lpt: {
        auto printer = std::make_unique<PrinterChannel>(spec.number);
        printer->setDeviceOverrides(config.devices);
        return printer;
    }
    case OutputSpec::Kind::TcpClient: {
        auto client = std::make_unique<TcpClientChannel>();
        client->setHost(spec.host);
        client->setPort(spec.port);
        return client;
    }
    case OutputSpec::Kind::Udp: {
        auto udp = std::make_unique<UdpChannel>();
        udp->setHost(spec.host);
        udp->setPort(spec.port);
        return udp;
    }
    case OutputSpec::Kind::Pty: {
        auto pty = std::make_unique<PtyChannel>();
        pty->setLinkPath(spec.path.isEmpty() ? QDir(homeDir).filePath(kDefaultPtyLink) : spec.path);
        return pty;
    }
    }
    if (error)
        *error = QStringLiteral("%1: this output is not available in this build").arg(describeOutputSpec(spec));
    return nullptr;
}

} // namespace zelvan
