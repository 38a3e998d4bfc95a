#pragma once
// The writes that change the connected calculator, each one confirmed request
// and one answer: set its clock, give it a new network number, write its
// configuration, initialise it, start its operating-time count, clear its
// archives. The window and omi-cli share the request forms, the judgement of
// the answer and the texts; the family descriptor gives what differs between
// device types.

#include <QDateTime>
#include <QString>
#include <optional>

#include "protocol/Frame.h"

namespace omi {

class Connection;

enum class WriteOp { SetClock, SetNumber, WriteConfig, Initialise, StartWorkTime, ClearArchives };

// What a write needs besides the current device: the computer's time (the
// clock), the new network number.
struct WriteArgs {
    QDateTime now;
    int newNumber = -1;
};

// The question after the common opening of the confirmation ("ЗАДАТЬ НОМЕР 5
// ???"); clockCaption is the clock label's text.
QString WriteQuestion(WriteOp op, const QString& clockCaption, int newNumber);
QString WriteBusyText(WriteOp op, const QString& clockCaption);
// The success text; the clock's carries the computer's date and time then.
QString WriteSuccessText(WriteOp op, const QDateTime& now);
// omi-cli's name of the operation ("set-clock", …).
QString WriteOpName(WriteOp op);

// The five data bytes of the clock: minutes since midnight (word), day,
// month, year − 2000. Empty for a year outside 2000..2255.
std::optional<Frame> ClockData(const QDateTime& now);

// The request of a write to the connection's device, or why none is sent: error
// is a status text; mismatch (configuration) lists the disagreeing shared
// settings and is shown after "Не совпадает:".
struct WritePlan {
    std::optional<Frame> request;
    QString error;
    QString mismatch;
};
WritePlan PlanWrite(const Connection& line, WriteOp op, const WriteArgs& args);

// The outcome of a write: ok, the result byte (or the derived result; -1
// where none is read) and the status text. refused: why the answers that
// came were not taken, when none was (empty when nothing came at all).
struct WriteOutcome {
    bool ok = false;
    int result = -1;
    QString status;
    QString refused;
};
// The judgement of an answer that passed CheckWriteAnswer (answered false:
// none did).
WriteOutcome JudgeWrite(const Connection& line, WriteOp op, const WriteArgs& args, bool answered,
                        const Frame& response);

// Whether an answer is the answer to this write request: the checks of every
// answer (length, check byte, device type, serial number, command code).
// Empty: it is; else the findings, separated by "; ". A write answer is the
// address, the command and the result byte; where the result byte is not
// read (the clock, the 225) it may come without it. The ЛОРС answers a
// configuration write with its configuration, and a new number from the
// number it then has (the new one when it took it).
QString CheckWriteAnswer(const Connection& line, WriteOp op, const WriteArgs& args, const Frame& request,
                         const Frame& response);

// Whether a write whose answer did not come is sent again. The device
// carries out every request it receives, and a lost answer does not mean
// that it did nothing: only the writes that end in the same state however
// often they are carried out (the clock, the configuration) are repeated.
// Initialisation, the operating-time start and the archive clearing are sent
// once: each repeat would do the action again (zero the counters once more,
// restart the count later, start the clearing anew). The new network number
// is sent once too: a device that took it no longer answers the old number,
// so a repeat could only wait; it is looked for under the new number instead.
// A request sent once is awaited as long as the repeats would have taken.
bool WriteRepeats(WriteOp op);

// Sends a planned write request and judges its answer. A new network number
// whose answer did not come is looked for under the new number before the
// change is called failed. On a successful set number the connection's device
// takes the new number.
WriteOutcome SendWrite(Connection& line, WriteOp op, const WriteArgs& args, const Frame& request);

// Plans, sends and judges one write on the connection. sent, when given,
// tells whether a request was sent at all.
WriteOutcome RunWrite(Connection& line, WriteOp op, const WriteArgs& args, bool* sent = nullptr);

}  // namespace omi
