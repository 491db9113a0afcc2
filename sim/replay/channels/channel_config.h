#pragma once
// What the output channels take from Zelvan.ini: device paths for port
// names ([Devices], where "pty" makes a COM entry a virtual serial port), the
// TCP server's port and address ([TCP] Port, Address) and the UDP entry's
// target ([UDP] Host, Port).
#include "common/port_names.h"

#include <QString>

namespace zelvan {

inline constexpr quint16 kDefaultTcpPort = 1000;
// The port NMEA over UDP and TCP usually goes to, and the one offered when
// the system refuses the TCP port (1000 needs root rights on Linux).
inline constexpr quint16 kNavigationPort = 10110;
// The loopback address keeps the positions on this machine unless the user
// names another host.
inline constexpr auto kDefaultUdpHost = "127.0.0.1";
inline constexpr quint16 kDefaultUdpPort = kNavigationPort;

struct ChannelConfig {
    zv::DeviceOverrides devices;
    quint16 tcpPort = kDefaultTcpPort;
    // Empty: every address of the computer, so the server is reachable from
    // the network; "127.0.0.1" keeps it on this computer. IPv6 may be
    // written in brackets.
    QString tcpAddress;
    QString udpHost = QString::fromLatin1(kDefaultUdpHost);
    quint16 udpPort = kDefaultUdpPort;

    // Reads the settings file; a missing file, section or an unusable port
    // number (not 1..65535) leaves the defaults.
    static ChannelConfig fromIni(const QString& iniPath);

    // [Devices] COMn=pty: the entry COMn is a virtual serial port.
    bool isVirtualSerial(int comNumber) const;
};

// The link a virtual serial port COMn is reached through: <home>/ttyZelvan<n>.
// The number is always there, so the name says which entry made it.
QString virtualSerialLinkPath(const QString& homeDir, int comNumber);

// The settings file in a program directory.
QString zelvanIniPath(const QString& homeDir);

} // namespace zelvan
