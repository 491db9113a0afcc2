#pragma once
// Outputs named on the command line ("--output tcp:10110", "COM3", "-"):
// the text read into a plain description, and the channel made from it.
#include "sim/replay/channels/channel_config.h"

#include <QString>
#include <memory>
#include <optional>

namespace zelvan {

class OutputChannel;

struct OutputTarget {
    enum class Kind { Stdout, TcpServer, TcpClient, Udp, Pty, Device, Com, Lpt };
    Kind kind = Kind::Stdout;
    QString host;     // TcpClient, Udp: the peer; TcpServer: the address listened on (empty = [TCP] Address)
    quint16 port = 0; // TcpServer: 0 = [TCP] Port of Zelvan.ini; TcpClient, Udp: the peer's
    QString path;     // Device; Pty: the link (empty = <home>/ttyZelvan)
    int number = 0;   // Com, Lpt: n of COMn, LPTn
    bool operator==(const OutputTarget&) const = default;
};

// The pseudo-terminal's link in the program folder when pty names none.
inline constexpr char kDefaultPtyLink[] = "ttyZelvan";

// The output forms:
//   -                   standard output
//   tcp[:PORT]          TCP server (default: [TCP] Port of Zelvan.ini) on
//                       every address unless [TCP] Address names one
//   tcp:ADDRESS:PORT    TCP server on one address ([v6] in brackets)
//   tcp-client:HOST:PORT
//   udp:HOST[:PORT]     datagrams (default port 10110); [v6] in brackets
//   pty[:LINK]          a pseudo-terminal reached through LINK
//   COMn, LPTn          ports resolved as the window resolves them ([Devices];
//                       COMn=pty makes COMn the virtual serial port <home>/ttyZelvan<n>)
//   a path with a "/"   a serial device
// On failure *error says what is wrong with the text.
std::optional<OutputTarget> parseOutputTarget(const QString& text, QString* error);

// Makes the channel (not yet opened). homeDir holds Zelvan.ini ([Devices],
// [TCP] Port) and the default pty link. Null with *error set for a kind this
// build has no channel for.
std::unique_ptr<OutputChannel> createOutputChannel(const OutputTarget& target, const QString& homeDir, QString* error);

// The text a target is shown as in messages ("tcp:10110", "COM3").
QString describeOutputTarget(const OutputTarget& target);

} // namespace zelvan
