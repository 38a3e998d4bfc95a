#pragma once
// omi-cli's writes: set-clock, set-number N, init, start-worktime and
// clear-archives. Each changes the device, so each needs --yes; without it
// nothing is sent and the command says what would change (exit 2). With
// --yes: one request, exit 0 when the device took it, 1 with the status text
// on stderr otherwise (and why the answers that came were not taken); --json
// prints {"type","serial","operation","result","status"} either way, with
// "refused" when answers came that failed their checks.

#include <QString>
#include <functional>
#include <optional>

#include "service/DeviceWrites.h"

namespace omi {
class Connection;
}

namespace omi::cli {

// The write a command names; nothing for any other command.
std::optional<WriteOp> WriteCommandOp(const QString& command);

struct WriteCommandIo {
    std::function<void(const QString& text)> out;  // stdout, whole text
    std::function<void(const QString& line)> err;  // stderr, one line
};

// The device must be addressed already (identified or given by --serial and
// --type); newNumber is set-number's argument.
int RunWriteCommand(Connection& line, WriteOp op, int newNumber, bool yes, bool json,
                    const WriteCommandIo& io);

// changelog: the device's change log as the window's grid shows it (two
// heading rows, two rows per entry); exit 1 with the status text when the
// read stops or the device keeps no log (nothing is sent then).
int RunChangeLogCommand(Connection& line, bool json, const WriteCommandIo& io);

// config --save FILE.json: the configuration just read, as the write request
// data of its family (hex) with the device's type and serial number and the
// configuration's texts. False and why when it cannot be written.
bool SaveConfigFile(const Connection& line, const QString& path, QString* error);

// write-config FILE.json --yes: a file of SaveConfigFile written to the
// addressed device. A file of another family, a damaged file or data of the
// wrong size is refused with nothing sent (exit 1).
int RunWriteConfigCommand(Connection& line, const QString& path, bool yes, bool json, const WriteCommandIo& io);

}  // namespace omi::cli
