#pragma once
// What the output channels take from Zelvan.ini: device paths for port
// names ([Devices]) and the TCP server's port ([TCP] Port).
#include "common/port_names.h"

#include <QString>

namespace zelvan {

inline constexpr quint16 kDefaultTcpPort = 1000;

struct ChannelConfig {
    zv::DeviceOverrides devices;
    quint16 tcpPort = kDefaultTcpPort;

    // Reads the settings file; a missing file, section or an unusable port
    // number (not 1..65535) leaves the defaults.
    static ChannelConfig fromIni(const QString& iniPath);
};

// The settings file in a program directory.
QString zelvanIniPath(const QString& homeDir);

} // namespace zelvan
