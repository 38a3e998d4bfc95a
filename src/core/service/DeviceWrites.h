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

class ExchangeEngine;

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

// The request of a write to the current device, or why none is sent: error
// is a status text; mismatch (configuration) lists the disagreeing shared
// settings and is shown after "Не совпадает:".
struct WritePlan {
    std::optional<Frame> request;
    QString error;
    QString mismatch;
};
WritePlan PlanWrite(WriteOp op, const WriteArgs& args);

// The outcome of a write: ok, the result byte (or the derived result; -1
// where none is read) and the status text.
struct WriteOutcome {
    bool ok = false;
    int result = -1;
    QString status;
};
WriteOutcome JudgeWrite(WriteOp op, const WriteArgs& args, bool answered, const Frame& response);

// Plans, sends and judges one write through the engine. On a successful set
// number the current device takes the new number. planned, when given, tells
// whether a request was sent at all.
WriteOutcome RunWrite(ExchangeEngine& engine, WriteOp op, const WriteArgs& args, bool* sent = nullptr);

}  // namespace omi
