#pragma once
// omi-cli send --cmd N [--data HEX] [--table FILE]: one request of any
// command to the addressed device, as the debug terminal sends it. Prints the
// request and the answer (hex), whether the answer passed its checks (length
// byte equal to its size, check byte, the same command) and, with a
// description table, the answer's fields decoded by it; --json prints
// {"request","answer","valid","status","fields":[...]}. Exit 0 for a valid
// answer, 1 for none or one that fails its checks, or a table that cannot be
// loaded (nothing is sent then).

#include <QByteArray>
#include <QString>
#include <optional>

#include "WriteCommands.h"
#include "protocol/Frame.h"

namespace omi {
class Connection;
}

namespace omi::cli {

// "06 EA 05 00 01 0A".
QString HexText(const Frame& bytes);

// The faults of an answer to `command`, "; " between them; empty when it
// passed.
QString AnswerFaults(const Frame& answer, int command);

struct SendArgs {
    int command = 0;
    Frame data;
    // A description table file; a bare name that is not a file here is looked
    // for in the table folder of the device type (ДАННЫЕ/ОТЛАДКА/<type>),
    // with ".txt" added when it has none.
    QString table;
};

// The device must be addressed already.
int RunSendCommand(Connection& line, const SendArgs& args, bool json, const WriteCommandIo& io);

}  // namespace omi::cli
