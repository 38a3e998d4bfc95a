#pragma once
// The port probe of the "COM-порт" page: is the chosen port free? The texts
// are returned for the window to show in the success or error style.

#include <QString>

#include <cstdint>

namespace omi {

class TCommPortDriver;

struct PortProbeResult {
    bool free = false;
    QString label;       // port state label: "свободен (подключен)" / "занят (отсутсвует)"
    QString status;      // status line: name + the label text
    QString busy;        // shown in the busy style while probing
    QString modemLabel;  // modem page's state label
};

// Shown while the probe runs.
QString PortProbeBusyText(const QString& name);

// Closes the port (the caller forgets the device it addressed), sets the name and speed,
// opens it to see whether it is free and closes it again: the port is always
// left closed; the next exchange opens it.
PortProbeResult ProbePort(TCommPortDriver& port, const QString& name, std::uint32_t baud);

}  // namespace omi
