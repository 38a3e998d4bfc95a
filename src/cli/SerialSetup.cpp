#include "SerialSetup.h"

#include "transport/CommPortDriver.h"

namespace omi::cli {

void ConfigureSerialPort(TCommPortDriver& port, const SerialLine& line) {
    // A port open on another device is closed first: the name is ignored while open.
    if (port.IsOpen() && port.PortName() != line.port) port.ClosePort();
    port.SetPortName(line.port);
    port.SetBaudRateValue(line.baud);
    port.SetDataBits(static_cast<TCommPortDriver::TDataBits>(line.dataBits - 5));
    switch (line.parity.toUpper().toLatin1()) {
        case 'O': port.SetParity(TCommPortDriver::ptODD); break;
        case 'E': port.SetParity(TCommPortDriver::ptEVEN); break;
        case 'M': port.SetParity(TCommPortDriver::ptMARK); break;
        case 'S': port.SetParity(TCommPortDriver::ptSPACE); break;
        default: port.SetParity(TCommPortDriver::ptNONE); break;
    }
    port.SetStopBits(line.stopBits == QLatin1String("1.5") ? TCommPortDriver::sb1HALFBITS
                     : line.stopBits == QLatin1String("2") ? TCommPortDriver::sb2BITS
                                                            : TCommPortDriver::sb1BITS);
    port.SetInputTimeout(static_cast<std::uint32_t>(line.timeoutMs));
    port.SetOutputTimeout(1000);
}

}  // namespace omi::cli
