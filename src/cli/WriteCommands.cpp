#include "WriteCommands.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include "protocol/Frame.h"
#include "protocol/Models.h"

namespace omi::cli {

namespace {

constexpr WriteOp kOps[] = {WriteOp::SetClock, WriteOp::SetNumber, WriteOp::Initialise, WriteOp::StartWorkTime,
                            WriteOp::ClearArchives};

// What the write would change, for the refusal without --yes.
QString wouldChange(WriteOp op, int newNumber) {
    switch (op) {
        case WriteOp::SetClock: return QStringLiteral("часы прибора будут установлены по часам компьютера");
        case WriteOp::SetNumber: return QStringLiteral("прибор получит сетевой номер %1").arg(newNumber);
        case WriteOp::WriteConfig: return QStringLiteral("конфигурация прибора будет заменена");
        case WriteOp::Initialise: return QStringLiteral("накопительные счетчики прибора будут обнулены");
        case WriteOp::StartWorkTime: return QStringLiteral("отсчет времени работы прибора начнется заново");
        case WriteOp::ClearArchives: return QStringLiteral("все архивы прибора будут стерты");
    }
    return {};
}

}  // namespace

std::optional<WriteOp> WriteCommandOp(const QString& command) {
    for (WriteOp op : kOps)
        if (WriteOpName(op) == command) return op;
    return std::nullopt;
}

int RunWriteCommand(ExchangeEngine& engine, WriteOp op, int newNumber, bool yes, bool json,
                    const WriteCommandIo& io) {
    const QString device = QStringLiteral("%1 № %2").arg(ModelName(CurrentType())).arg(CurrentSerial());
    if (!yes) {
        io.err(QStringLiteral("omi-cli: %1: ничего не записано: %2 (%3); подтвердите ключом --yes")
                   .arg(WriteOpName(op), wouldChange(op, newNumber), device));
        return 2;
    }
    WriteArgs args;
    args.now = QDateTime::currentDateTime();
    args.newNumber = newNumber;
    const int serialBefore = CurrentSerial();
    const WriteOutcome outcome = RunWrite(engine, op, args);
    if (json) {
        QJsonObject o;
        o.insert(QStringLiteral("type"), CurrentType());
        o.insert(QStringLiteral("serial"), CurrentSerial());
        o.insert(QStringLiteral("operation"), WriteOpName(op));
        o.insert(QStringLiteral("result"), outcome.result < 0 ? QJsonValue() : QJsonValue(outcome.result));
        o.insert(QStringLiteral("status"), outcome.status);
        io.out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
    } else if (outcome.ok) {
        io.out(QStringLiteral("%1 № %2: %3\n").arg(ModelName(CurrentType())).arg(serialBefore).arg(outcome.status));
    }
    if (!outcome.ok) {
        io.err(outcome.status);
        return 1;
    }
    return 0;
}

}  // namespace omi::cli
