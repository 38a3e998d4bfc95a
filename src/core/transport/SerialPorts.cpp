#include "transport/SerialPorts.h"

#include <QSerialPortInfo>

namespace omi {

QStringList ListSerialPorts() {
    QStringList ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
#ifdef Q_OS_WIN
        ports << QStringLiteral("\\\\.\\") + info.portName();
#else
        ports << info.systemLocation();
#endif
    }
    return ports;
}

}  // namespace omi
