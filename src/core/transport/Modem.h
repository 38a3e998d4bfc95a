#pragma once
// Reaching a calculator through a telephone or GSM modem on the serial port:
// the stored connection list, the dial string, the reading of the modem's
// replies, and the blocking dial and hang-up that omi-cli uses. Once the
// modems are connected every exchange runs over the same port as on a
// direct line.

#include <QByteArray>
#include <QString>

#include "support/GridText.h"

namespace omi {

class TCommPortDriver;

// One stored connection (a row of ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT).
struct ModemConnection {
    QString name;
    QString telephone;
    QString port;
    bool tone = true;
    QString cityCode;          // with long distance only
    QString exitCode;          // dialled first for an outside line; empty when not used
    QString longDistanceCode;  // with long distance only
};

// The list file, its headings and the entry written when the file is missing.
QString ConnectionListPath();
const QStringList& ConnectionListHeadings();
Grid DefaultConnectionList();
ModemConnection ConnectionOfRow(const QStringList& row);
QStringList RowOfConnection(const ModemConnection& c);
// Puts the connection into the list: every row of its name is overwritten,
// or a row is appended; then sorted by name.
void StoreConnection(Grid& list, const ModemConnection& c);
// Removes the rows of a name (never the headings).
void DeleteConnection(Grid& list, const QString& name);

// "ATDT" or "ATDP", the exit code and "W", the long-distance code, "W" and
// the city code, the number, and a carriage return: ATDT9W8W4951234567\r.
QString DialString(const ModemConnection& c);

// The reply with the echo of the last command removed and only the Latin
// capitals kept: "ATDT525\r\r\nBUSY\r\n" after ATDT525\r gives "BUSY".
QString ReduceModemReply(const QByteArray& reply, const QString& lastCommand);

// What a reduced reply to a dial says.
enum class DialOutcome { Waiting, Connected, Failed };
DialOutcome JudgeDialReply(const QString& reduced);
// The reduced reply as the modem label shows a failure: "BUSY (занято)",
// "NOCARRIER (нет несущей)", "NODIALTONE (нет гудка)".
QString DialFailureText(const QString& reduced);

// Dials through the port (opened here) and waits for the modem's verdict
// within timeoutMs. True when connected; *text gets the failure in the
// program's words ("номер: 525-НET СВЯЗИ! BUSY (занято)" and the like).
bool DialModem(TCommPortDriver& port, const ModemConnection& c, int timeoutMs, QString* text);
// The escape to command mode, ATH, and the port closed.
void HangUpModem(TCommPortDriver& port);

}  // namespace omi
