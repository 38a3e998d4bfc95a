#include "service/DeviceWrites.h"

#include "connection/Connection.h"

#include <algorithm>
#include <vector>

#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "support/Dates.h"
#include "transport/Transport.h"

namespace omi {

namespace {

const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
const QString kNoJumperOrLink = QStringLiteral("не замкнута перемычка или нет связи");
const QString kNoJumper = QStringLiteral("не замкнута перемычка");
const QString kPassword = QStringLiteral("не совпал пароль");

int commandOf(WriteOp op) {
    switch (op) {
        case WriteOp::SetClock: return cmd::SetClock;
        case WriteOp::SetNumber: return cmd::NetworkNumber;
        case WriteOp::WriteConfig: return cmd::WriteConfig;
        case WriteOp::Initialise: return cmd::Init;
        case WriteOp::StartWorkTime: return cmd::StartWorkTime;
        case WriteOp::ClearArchives: return cmd::ClearArchives;
    }
    return -1;
}

}  // namespace

QString WriteQuestion(WriteOp op, const QString& clockCaption, int newNumber) {
    switch (op) {
        case WriteOp::SetClock: return QStringLiteral("ЗАДАТЬ ДАТУ И ВРЕМЯ ") + clockCaption + QStringLiteral(" ???");
        case WriteOp::SetNumber:
            return QStringLiteral("ЗАДАТЬ НОМЕР ") + QString::number(newNumber) + QStringLiteral(" ???");
        case WriteOp::WriteConfig: return QStringLiteral("СМЕНИТЬ КОНФИГУРАЦИЮ ???");
        case WriteOp::Initialise: return QStringLiteral("ИНИЦИАЛИЗИРОВАТЬ УСТРОЙСТВО ???");
        case WriteOp::StartWorkTime: return QStringLiteral("НАЧАТЬ ОТСЧЕТ ВРЕМЕНИ РАБОТЫ ???");
        case WriteOp::ClearArchives: return QStringLiteral("ОЧИСТИТЬ АРХИВЫ ???");
    }
    return {};
}

QString WriteBusyText(WriteOp op, const QString& clockCaption) {
    switch (op) {
        case WriteOp::SetClock: return QStringLiteral("Установление ") + clockCaption + QStringLiteral(" Ждите...");
        case WriteOp::SetNumber: return QStringLiteral("изменение номера. Ждите...");
        case WriteOp::WriteConfig: return QStringLiteral("Обновление кофигурации. Ждите...");
        case WriteOp::Initialise: return QStringLiteral("Инициализация. Ждите...");
        case WriteOp::StartWorkTime: return QStringLiteral("Обнуление времени работы. Ждите...");
        case WriteOp::ClearArchives: return QStringLiteral("Очистка архивов. Ждите...");
    }
    return {};
}

QString WriteSuccessText(WriteOp op, const QDateTime& now) {
    switch (op) {
        case WriteOp::SetClock:
            return QStringLiteral("Успешно установлено ") + ShortDateText(now.date()) + QLatin1Char(' ') +
                   TimeText(now.time());
        case WriteOp::SetNumber: return QStringLiteral("успешно установлен номер");
        case WriteOp::WriteConfig: return QStringLiteral("успешно обновлена конфигурация");
        case WriteOp::Initialise: return QStringLiteral("успешно инициализировано устройство");
        case WriteOp::StartWorkTime: return QStringLiteral("успешно начат отсчет времени работы");
        case WriteOp::ClearArchives: return QStringLiteral("успешно начата очистка архивов");
    }
    return {};
}

QString WriteOpName(WriteOp op) {
    switch (op) {
        case WriteOp::SetClock: return QStringLiteral("set-clock");
        case WriteOp::SetNumber: return QStringLiteral("set-number");
        case WriteOp::WriteConfig: return QStringLiteral("write-config");
        case WriteOp::Initialise: return QStringLiteral("init");
        case WriteOp::StartWorkTime: return QStringLiteral("start-worktime");
        case WriteOp::ClearArchives: return QStringLiteral("clear-archives");
    }
    return {};
}

std::optional<Frame> ClockData(const QDateTime& now) {
    const int year = now.date().year();
    if (year < 2000 || year > 2255) return std::nullopt;
    const int minutes = now.time().hour() * 60 + now.time().minute();
    return Frame{static_cast<std::uint8_t>(minutes & 0xFF), static_cast<std::uint8_t>(minutes >> 8),
                 static_cast<std::uint8_t>(now.date().day()), static_cast<std::uint8_t>(now.date().month()),
                 static_cast<std::uint8_t>(year - 2000)};
}

WritePlan PlanWrite(const Connection& line, WriteOp op, const WriteArgs& args) {
    WritePlan plan;
    const DeviceFamily* family = line.Family();
    if (!family) {
        plan.error = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
        return plan;
    }
    switch (op) {
        case WriteOp::SetClock: {
            const auto data = ClockData(args.now);
            if (!data) {
                plan.error = QStringLiteral("год %1 на часах компьютера вне пределов 2000..2255: часы не установлены")
                                 .arg(args.now.date().year());
                return plan;
            }
            plan.request = line.BuildFrame(cmd::SetClock, *data, &plan.error);
            return plan;
        }
        case WriteOp::SetNumber: {
            if (args.newNumber < 1 || args.newNumber > 65535) {
                plan.error = QStringLiteral("номер %1 вне пределов 1..65535").arg(args.newNumber);
                return plan;
            }
            if (family->setNumberRequest) {
                plan.request = family->setNumberRequest(line.Address(), args.newNumber, &plan.error);
                return plan;
            }
            plan.request = line.BuildFrame(cmd::NetworkNumber,
                                      {0x55, 0xAA, static_cast<std::uint8_t>(args.newNumber & 0xFF),
                                       static_cast<std::uint8_t>(args.newNumber >> 8)},
                                      &plan.error);
            return plan;
        }
        case WriteOp::WriteConfig: {
            if (!family->planConfigWrite) {
                plan.error = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
                return plan;
            }
            const ConfigWritePlan built = family->planConfigWrite(line.Records(), line.Address());
            plan.request = built.request;
            plan.error = built.error;
            plan.mismatch = built.mismatch;
            if (!plan.mismatch.isEmpty()) plan.request.reset();
            return plan;
        }
        case WriteOp::ClearArchives:
            // A meter without archives takes command 2 as a new network
            // number: the heat calculators' request would renumber it.
            if (!family->archive) {
                plan.error = QStringLiteral("у этого устройства нет архивов: стирать нечего, запрос не послан");
                return plan;
            }
            plan.request = line.BuildFrame(cmd::ClearArchives, {0x44, 0xBB}, &plan.error);
            return plan;
        case WriteOp::Initialise:
        case WriteOp::StartWorkTime:
            plan.request = line.BuildFrame(commandOf(op), {}, &plan.error);
            return plan;
    }
    return plan;
}

WriteOutcome JudgeWrite(const Connection& line, WriteOp op, const WriteArgs& args, bool answered,
                        const Frame& response) {
    WriteOutcome out;
    const DeviceFamily* family = line.Family();
    if (!answered) {
        const bool silentRefusal = family && family->writeRefusalSilent && op != WriteOp::SetClock;
        out.status = silentRefusal ? kNoJumperOrLink : kNoLink;
        return out;
    }
    if (op == WriteOp::SetClock) {
        out.ok = true;
        out.status = WriteSuccessText(op, QDateTime::currentDateTime());
        return out;
    }
    if (op == WriteOp::SetNumber && family && family->setNumberResult)
        out.result = family->setNumberResult(response, args.newNumber);
    else if (op == WriteOp::WriteConfig && family && family->configWriteResult)
        out.result = family->configWriteResult(line.Records(), response);
    else if (family && family->writeRefusalSilent)
        out.result = 0;  // the device answers only a write it takes
    else if (response.size() > 6)  // byte 5 is a data byte, not the check byte
        out.result = response[5];
    if (out.result < 0) {
        // An answer too short to carry its result is no confirmation.
        out.status = kNoLink;
        return out;
    }
    out.ok = out.result == 0;
    out.status = out.result == 0 ? WriteSuccessText(op, args.now) : out.result == 1 ? kNoJumper : kPassword;
    return out;
}

bool WriteRepeats(WriteOp op) {
    switch (op) {
        case WriteOp::SetClock:
        case WriteOp::WriteConfig:
            return true;
        case WriteOp::SetNumber:
        case WriteOp::Initialise:
        case WriteOp::StartWorkTime:
        case WriteOp::ClearArchives:
            return false;
    }
    return false;
}

QString CheckWriteAnswer(const Connection& line, WriteOp op, const WriteArgs& args, const Frame& request,
                         const Frame& response) {
    const DeviceFamily* family = line.Family();
    const int command = request.size() > 4 ? request[4] : -1;
    const bool numberFromAnswer = op == WriteOp::SetNumber && family && family->setNumberResult;
    // The lengths the answer may have, the usual one first.
    std::vector<int> lengths{kMinFrame + 1};
    if (op == WriteOp::WriteConfig && family && family->configWriteAnswerLength > 0)
        lengths = {family->configWriteAnswerLength};
    else if (op == WriteOp::SetClock || numberFromAnswer || (family && family->writeRefusalSilent))
        lengths.push_back(kMinFrame);
    const bool listed = !response.empty() && std::find(lengths.begin(), lengths.end(), response[0]) != lengths.end();
    const int length = listed ? response[0] : lengths.front();
    QString why = ValidateAnswer(response, line.Address(), length, command,
                                 QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ") + QString::number(command));
    // The number the ЛОРС answers from is its result: the new one is right too.
    if (numberFromAnswer && response.size() >= 4 && GetW(response, 2) == args.newNumber)
        why.remove(QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"));
    return why.split(QLatin1Char('\r'), Qt::SkipEmptyParts).join(QStringLiteral("; "));
}

namespace {

// A device of the connection's type answering under the number: the
// identification request addressed to it. The connection keeps its number.
bool answersUnder(Connection& line, int serial) {
    const int type = line.Type();
    const auto isIt = [serial, type](const Frame& answer) {
        const NoTu found = DecNoTu(answer);
        return found.message.isEmpty() && found.type == type && found.serial == serial;
    };
    const std::optional<Frame> request = BuildFrame(DeviceAddress{serial, type}, cmd::NumberType);
    ExchangeOptions options;
    options.accept = isIt;
    Frame answer;
    return request && line.Exchange(*request, answer, options) && isIt(answer);
}

}  // namespace

WriteOutcome SendWrite(Connection& line, WriteOp op, const WriteArgs& args, const Frame& request) {
    QString refused;
    ExchangeOptions options;
    options.once = !WriteRepeats(op);
    options.accept = [&](const Frame& answer) {
        refused = CheckWriteAnswer(line, op, args, request, answer);
        return refused.isEmpty();
    };
    Frame response;
    const bool answered = line.Exchange(request, response, options);
    WriteOutcome out = JudgeWrite(line, op, args, answered, response);
    if (!answered) {
        out.refused = refused;
        // The device may have taken the number and its answer been lost: it
        // answers under the new number then, and no longer under the old one.
        if (op == WriteOp::SetNumber && answersUnder(line, args.newNumber)) {
            out = WriteOutcome{true, 0, WriteSuccessText(op, args.now), {}};
        }
    }
    if (out.ok && op == WriteOp::SetNumber) line.SetSerial(args.newNumber);
    return out;
}

WriteOutcome RunWrite(Connection& line, WriteOp op, const WriteArgs& args, bool* sent) {
    if (sent) *sent = false;
    const WritePlan plan = PlanWrite(line, op, args);
    if (!plan.request) {
        WriteOutcome refused;
        refused.status = plan.mismatch.isEmpty() ? plan.error : QStringLiteral("Не совпадает:") + plan.mismatch;
        return refused;
    }
    if (sent) *sent = true;
    return SendWrite(line, op, args, *plan.request);
}

}  // namespace omi
