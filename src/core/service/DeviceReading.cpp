#include "service/DeviceReading.h"

#include <QDir>

#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "protocol/Exchange.h"
#include "protocol/Models.h"
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
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return [](const Frame& r) { return u34::DecState(r, u34::CurrentState()); };
        case Family::F229:
            return [](const Frame& r) { return u29::DecState(r, u29::CurrentState()); };
        case Family::F228:
            return [](const Frame& r) { return u28::DecState(r, u28::CurrentState()); };
        case Family::F227:
            return [](const Frame& r) { return u27::DecState(r, u27::CurrentState()); };
        case Family::F225:
            return [](const Frame& r) { return u25::DecState(r, u25::CurrentState()); };
        case Family::Lors128:
            return [](const Frame& r) { return u128::DecState(r, u128::CurrentState()); };
        default:
            return {};
    }
}

ResponseDecoder ConfigDecoder(int deviceType) {
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return [](const Frame& r) { return u34::DecParam(r, u34::CurrentConfig()); };
        case Family::F229:
            return [](const Frame& r) { return u29::DecParam(r, u29::CurrentConfig()); };
        case Family::F228:
            return [](const Frame& r) { return u28::DecParam(r, u28::CurrentConfig()); };
        case Family::F227:
            return [](const Frame& r) { return u27::DecParam(r, u27::CurrentConfig()); };
        case Family::F225:
            return [](const Frame& r) { return u25::DecParam(r, u25::CurrentConfig()); };
        case Family::Lors128:
            return [](const Frame& r) { return u128::DecParam(r, u128::CurrentConfig()); };
        default:
            return {};
    }
}

int ConfigCommand(int deviceType) { return deviceType == 128 ? cmd::State : cmd::ReadConfig; }

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
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return u34::StateToText(u34::CurrentState(), system);
        case Family::F229:
            // 230 keeps one heat system: its only state record is the first.
            return u29::StateToText(u29::CurrentState(), deviceType == 230 ? 0 : system);
        case Family::F228:
            return u28::StateToText(u28::CurrentState(), system);
        case Family::F227:
            return u27::StateToText(u27::CurrentState());
        case Family::F225:
            return u25::StateToText(u25::CurrentState());
        case Family::Lors128:
            return u128::StateToText(u128::CurrentState());
        default:
            return {};
    }
}

const StateLayoutTable* StateTableOf(int deviceType) {
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return &u34::StateTable();
        case Family::F229:
            return &u29::StateTable();
        case Family::F228:
            return &u28::StateTable();
        case Family::F227:
            return &u27::StateTable();
        case Family::F225:
            return &u25::StateTable();
        case Family::Lors128:
            return &u128::StateTable();
        default:
            return nullptr;
    }
}

QStringList ConfigValueTexts(int deviceType) {
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return u34::ParamToText(u34::CurrentConfig(), 0) + u34::ParamToText(u34::CurrentConfig(), 1);
        case Family::F229:
            return u29::ParamToText(u29::CurrentConfig(), 0) + u29::ParamToText(u29::CurrentConfig(), 1);
        case Family::F228:
            return u28::ParamToText(u28::CurrentConfig(), 0) + u28::ParamToText(u28::CurrentConfig(), 1);
        case Family::F227:
            return u27::ParamToText(u27::CurrentConfig());
        case Family::F225:
            return u25::ParamToText(u25::CurrentConfig());
        case Family::Lors128:
            return u128::ParamToText(u128::CurrentConfig());
        default:
            return {};
    }
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
