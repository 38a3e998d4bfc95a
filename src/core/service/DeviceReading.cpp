#include "service/DeviceReading.h"

#include <QDir>

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

ReadResult ReadWithAttempts(ExchangeEngine& engine, StatusSink& status, const ReadJob& job, bool announceSuccess) {
    ReadResult result;
    if (!job.decode) {
        result.outcome = ReadOutcome::UnknownType;
        return result;
    }
    QString error;
    const auto request = BuildFrame(job.command, {}, &error);
    if (!request) {
        result.outcome = ReadOutcome::NoAddress;
        result.message = error;
        return result;
    }
    for (int n = 1; n <= kReadAttempts; ++n) {
        status.busy(job.busyText + QString::number(n));
        Frame response;
        ++result.attempts;
        if (!engine.Exchange(*request, response)) {
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

ResponseDecoder StateDecoder(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? ResponseDecoder(family->decodeState) : ResponseDecoder();
}

ResponseDecoder ConfigDecoder(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? ResponseDecoder(family->decodeConfig) : ResponseDecoder();
}

int ConfigCommand(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? family->configCommand : cmd::ReadConfig;
}

ReadResult ReadState(ExchangeEngine& engine, StatusSink& status) {
    const int type = CurrentType();
    ReadJob job{cmd::State, QStringLiteral("Чтение состояния. Ждите... попытка № "),
                  QStringLiteral("Cостояние прочитано успешно"), StateDecoder(type)};
    ReadResult result = ReadWithAttempts(engine, status, job);
    if (result.outcome == ReadOutcome::UnknownType)
        result.message = QStringLiteral("TFomi.AreadstateExecute: Неправильный тип прибора");
    return result;
}

ReadResult ReadConfig(ExchangeEngine& engine, StatusSink& status, bool announceSuccess) {
    const int type = CurrentType();
    ReadJob job{ConfigCommand(type), QStringLiteral("Чтение конфигурации. Ждите... попытка № "),
                  QStringLiteral("Конфигурация успешно прочитана"), ConfigDecoder(type)};
    ReadResult result = ReadWithAttempts(engine, status, job, announceSuccess);
    if (result.outcome == ReadOutcome::UnknownType)
        result.message = QStringLiteral("TFomi.AreadParamExecute: Неправильный тип прибора");
    return result;
}

QStringList StateValueTexts(int deviceType, int system) {
    const DeviceModel* model = DescriptorOf(deviceType);
    return model ? model->family->stateTexts(*model, system) : QStringList();
}

const StateLayoutTable* StateTableOf(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? &family->stateTable() : nullptr;
}

QStringList ConfigValueTexts(int deviceType) {
    const DeviceFamily* family = FamilyFor(deviceType);
    return family ? family->configTexts() : QStringList();
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
