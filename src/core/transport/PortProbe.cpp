#include "transport/PortProbe.h"

#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"

namespace omi {

QString PortProbeBusyText(const QString& name) {
    return QStringLiteral("определение состояния порта ") + name;
}

PortProbeResult ProbePort(TCommPortDriver& port, const QString& name, std::uint32_t baud) {
    PortProbeResult result;
    result.busy = PortProbeBusyText(name);
    port.ClosePort();
    port.SetPortName(name);
    port.SetBaudRateValue(baud);
    result.free = port.OpenPort();
    if (result.free) {
        result.label = QStringLiteral("свободен (подключен)");
        result.status = name + QStringLiteral(" свободен (подключен)");
        result.modemLabel = QStringLiteral("порт свободен (подключен)");
    } else {
        result.label = QStringLiteral("занят (отсутсвует)");
        result.status = name + QStringLiteral(" занят (отсутсвует)");
        result.modemLabel = result.status;
    }
    port.ClosePort();
    return result;
}

}  // namespace omi
