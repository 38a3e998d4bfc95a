#include "service/DeviceReading.h"

#include <QDir>

#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "support/Format.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

namespace omi {

const QString kStateDumpFile = QStringLiteral("байты состояния");
const QString kConfigDumpFile = QStringLiteral("конфигурация.txt");

namespace {
const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
const QString kRepeat = QStringLiteral("Ошибка связи Повторите...");
}  // namespace

ReadResult ReadWithAttempts(Connection& line, StatusSink& status, const ReadJob& job, bool announceSuccess) {
    ReadResult result;
    if (!job.decode) {
        result.outcome = ReadOutcome::UnknownType;
        return result;
    }
    QString error;
    const auto request = line.BuildFrame(job.command, {}, &error);
    if (!request) {
        result.outcome = ReadOutcome::NoAddress;
        result.message = error;
        return result;
    }
    for (int n = 1; n <= kReadAttempts; ++n) {
        status.busy(job.busyText + QString::number(n));
        Frame response;
        ++result.attempts;
        if (!line.Exchange(*request, response)) {
            result.outcome = ReadOutcome::NoLink;
            status.error(kNoLink);
            return result;
        }
        result.response = response;
        result.decodeMessage = job.decode(response);
        if (result.decodeMessage.isEmpty()) {
            result.outcome = ReadOutcome::Ok;
            if (announceSuccess) status.ok(job.successText);
            return result;
        }
    }
    result.outcome = ReadOutcome::BadAnswers;
    status.error(kRepeat);
    return result;
}

ResponseDecoder StateDecoder(Connection& line) {
    const DeviceFamily* family = line.Family();
    if (!family) return {};
    return [&line, decode = family->decodeState](const Frame& r) {
        return decode(line.Records(), line.Address(), r);
    };
}

ResponseDecoder ConfigDecoder(Connection& line) {
    const DeviceFamily* family = line.Family();
    if (!family) return {};
    return [&line, decode = family->decodeConfig](const Frame& r) {
        return decode(line.Records(), line.Address(), r);
    };
}

int ConfigCommand(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? family->configCommand : cmd::ReadConfig;
}

ReadResult ReadState(Connection& line, StatusSink& status) {
    ReadJob job{cmd::State, QStringLiteral("Чтение состояния. Ждите... попытка № "),
                  QStringLiteral("Cостояние прочитано успешно"), StateDecoder(line)};
    ReadResult result = ReadWithAttempts(line, status, job);
    if (result.outcome == ReadOutcome::UnknownType)
        result.message = QStringLiteral("TFomi.AreadstateExecute: Неправильный тип прибора");
    return result;
}

ReadResult ReadConfig(Connection& line, StatusSink& status, bool announceSuccess) {
    ReadJob job{ConfigCommand(line.Type()), QStringLiteral("Чтение конфигурации. Ждите... попытка № "),
                  QStringLiteral("Конфигурация успешно прочитана"), ConfigDecoder(line)};
    ReadResult result = ReadWithAttempts(line, status, job, announceSuccess);
    if (result.outcome == ReadOutcome::UnknownType)
        result.message = QStringLiteral("TFomi.AreadParamExecute: Неправильный тип прибора");
    return result;
}

QStringList StateValueTexts(const Connection& line, int system) {
    const DeviceModel* model = line.Model();
    return model ? model->family->stateTexts(line.Records(), *model, system) : QStringList();
}

const StateLayoutTable* StateTableOf(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? &family->stateTable() : nullptr;
}

QStringList ConfigValueTexts(const Connection& line) {
    const DeviceFamily* family = line.Family();
    return family ? family->configTexts(line.Records()) : QStringList();
}

namespace {
QStringList byteLines(const Frame& response, const QString& format) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(response.size()) + 1);
    for (std::size_t i = 0; i < response.size(); ++i) {
        const int b = response[i];
        lines.append(Format(format, {static_cast<int>(i), b, Format(QStringLiteral("%.2x"), {b})}));
    }
    lines.append(QString::number(FrameCheckByte(response)));
    return lines;
}
}  // namespace

QStringList StateByteLines(const Frame& response) { return byteLines(response, QStringLiteral("%.3d=%d hex=%s")); }

QStringList ConfigByteLines(const Frame& response) { return byteLines(response, QStringLiteral("%.3d=%d(%s)")); }

QString SaveDump(const QString& folder, const QString& fileName, const QStringList& lines) {
    return WriteLines1251(QDir(folder).filePath(fileName), lines);
}

}  // namespace omi
