#pragma once
// The serial port as omi-cli sets it up, from its options or from a line of
// a meter list.

#include <QChar>
#include <QString>

namespace omi {
class TCommPortDriver;
}

namespace omi::cli {

struct SerialLine {
    QString port;
    quint32 baud = 9600;
    int dataBits = 8;
    QChar parity = QLatin1Char('N');  // N, O, E, M, S (the first letter of none, odd, even, mark, space)
    QString stopBits = QStringLiteral("1");  // 1, 1.5, 2
    int timeoutMs = 1000;
};

void ConfigureSerialPort(TCommPortDriver& port, const SerialLine& line);

}  // namespace omi::cli
