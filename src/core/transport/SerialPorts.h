#pragma once
// The machine's serial ports, as device paths that TCommPortDriver opens.

#include <QStringList>

namespace omi {

// In the order the system lists them; "\\.\COMn" on Windows, the device path
// (/dev/ttyS0, /dev/ttyUSB0, ...) elsewhere. Empty when there are none.
QStringList ListSerialPorts();

}  // namespace omi
