#pragma once
// Port names as the user sees them ("COM3", "LPT1") mapped to the device a
// program opens. One resolver for both programs and every port kind.
#include <QMap>
#include <QString>

namespace zv {

// Upper-cased port name -> device path, from the optional [Devices] section.
using DeviceOverrides = QMap<QString, QString>;

// Reads the [Devices] section of an INI file (section and key names without
// regard to case). A missing file or section gives no overrides.
DeviceOverrides loadDeviceOverrides(const QString& iniPath);

// "COMn" -> "COMn" on Windows, "/dev/ttyS<n-1>" elsewhere; "LPTn" -> "LPTn"
// on Windows, "/dev/lp<n-1>" elsewhere. An override wins for any name.
// Anything else is returned as given (a device path stays a device path).
QString resolvePortName(const QString& portName, const DeviceOverrides& overrides = {});

} // namespace zv
