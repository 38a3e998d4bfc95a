#pragma once
// The command line of omi-sim.

#include "SimModem.h"
#include "SimResponder.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace omi {

struct SimOptions {
    bool pty = false;
    bool udp = false;
    QHostAddress udpHost;
    quint16 udpPort = 0;
    std::vector<std::pair<int, int>> devices;  // (type, serial), the first answers the broadcast
    SimFaults faults;
    SimSettings settings;  // clock and starting memory of the devices
    SimModemSettings modem;  // a modem in front of the pseudo-terminal's line
    QString logPath;
    bool help = false;
    bool version = false;  // --version: print the version, nothing else
    QString helpText;
};

// Reads the arguments (the program name first). Empty text on success, else
// the message to show; with --help only help and helpText are set.
QString ParseSimOptions(const QStringList& arguments, SimOptions& options);

}  // namespace omi
