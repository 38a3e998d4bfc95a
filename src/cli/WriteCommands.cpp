#include "WriteCommands.h"

#include "connection/Connection.h"
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "service/ChangeLog.h"
#include "support/HexBytes.h"
#include "support/TextCodec.h"

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

// The status of a write that failed, and why the answers that came were
// not taken when none was.
void reportFailure(const WriteOutcome& outcome, const WriteCommandIo& io) {
    io.err(outcome.status);
    if (!outcome.refused.isEmpty()) io.err(QStringLiteral("ответ прибора не принят: ") + outcome.refused);
}

}  // namespace

std::optional<WriteOp> WriteCommandOp(const QString& command) {
    for (WriteOp op : kOps)
        if (WriteOpName(op) == command) return op;
    return std::nullopt;
}

int RunWriteCommand(Connection& line, WriteOp op, int newNumber, bool yes, bool json,
                    const WriteCommandIo& io) {
    const QString device = QStringLiteral("%1 № %2").arg(ModelName(line.Type())).arg(line.Serial());
    if (!yes) {
        io.err(QStringLiteral("omi-cli: %1: ничего не записано: %2 (%3); подтвердите ключом --yes")
                   .arg(WriteOpName(op), wouldChange(op, newNumber), device));
        return 2;
    }
    WriteArgs args;
    args.now = QDateTime::currentDateTime();
    args.newNumber = newNumber;
    const int serialBefore = line.Serial();
    const WriteOutcome outcome = RunWrite(line, op, args);
    if (json) {
        QJsonObject o;
        o.insert(QStringLiteral("type"), line.Type());
        o.insert(QStringLiteral("serial"), line.Serial());
        o.insert(QStringLiteral("operation"), WriteOpName(op));
        o.insert(QStringLiteral("result"), outcome.result < 0 ? QJsonValue() : QJsonValue(outcome.result));
        o.insert(QStringLiteral("status"), outcome.status);
        if (!outcome.refused.isEmpty()) o.insert(QStringLiteral("refused"), outcome.refused);
        io.out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
    } else if (outcome.ok) {
        io.out(QStringLiteral("%1 № %2: %3\n").arg(ModelName(line.Type())).arg(serialBefore).arg(outcome.status));
    }
    if (!outcome.ok) {
        reportFailure(outcome, io);
        return 1;
    }
    return 0;
}

int RunChangeLogCommand(Connection& line, bool json, const WriteCommandIo& io) {
    const DeviceModel* model = DescriptorOf(line.Type());
    if (!model || model->changeLog == ChangeLogOffer::None) {
        io.err(QStringLiteral("%1 не ведет журнал учета изменений").arg(ModelName(line.Type())));
        return 1;
    }
    const ChangeLogResult log = ReadChangeLog(line);
    const auto& header = ChangeLogHeader();
    if (json) {
        QJsonArray heading, rows;
        for (const QStringList& h : header) heading.append(QJsonArray::fromStringList(h));
        for (const ChangeLogRow& row : log.rows) rows.append(QJsonArray::fromStringList(QStringList{row.label} + row.values));
        QJsonObject o;
        o.insert(QStringLiteral("type"), line.Type());
        o.insert(QStringLiteral("model"), ModelName(line.Type()));
        o.insert(QStringLiteral("serial"), line.Serial());
        o.insert(QStringLiteral("header"), heading);
        o.insert(QStringLiteral("rows"), rows);
        o.insert(QStringLiteral("status"), log.status);
        io.out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
    } else {
        // Columns as wide as their widest text, separated by two blanks.
        std::vector<QStringList> table{header[0], header[1]};
        for (const ChangeLogRow& row : log.rows) table.push_back(QStringList{row.label} + row.values);
        std::vector<qsizetype> width(16, 0);
        for (const QStringList& r : table)
            for (qsizetype c = 0; c < r.size() && c < 16; ++c)
                width[static_cast<std::size_t>(c)] = std::max(width[static_cast<std::size_t>(c)], r[c].size());
        QString text = QStringLiteral("%1 № %2\n").arg(ModelName(line.Type())).arg(line.Serial());
        for (const QStringList& r : table) {
            QString line;
            for (qsizetype c = 0; c < r.size() && c < 16; ++c)
                line += r[c].leftJustified(width[static_cast<std::size_t>(c)]) + QStringLiteral("  ");
            text += line.trimmed() + QLatin1Char('\n');
        }
        io.out(text);
    }
    if (!log.complete) {
        io.err(log.status);
        return 1;
    }
    return 0;
}

bool SaveConfigFile(const Connection& line, const QString& path, QString* error) {
    const DeviceFamily* family = FamilyFor(line.Type());
    const ConfigWritePlan plan = family && family->planConfigWrite ? family->planConfigWrite(line.Records(), line.Address()) : ConfigWritePlan{};
    if (!plan.request) {
        *error = !plan.mismatch.isEmpty()
                     ? QStringLiteral("настройки систем не совпадают:") + plan.mismatch + QStringLiteral(" - файл не записан")
                     : QStringLiteral("конфигурацию этого прибора нельзя сохранить для записи: ") + plan.error;
        return false;
    }
    const Frame& request = *plan.request;
    QJsonObject o;
    o.insert(QStringLiteral("type"), line.Type());
    o.insert(QStringLiteral("model"), ModelName(line.Type()));
    o.insert(QStringLiteral("serial"), line.Serial());
    o.insert(QStringLiteral("command"), request[4]);
    const QByteArray data(reinterpret_cast<const char*>(request.data()) + 5, qsizetype(request.size()) - 6);
    o.insert(QStringLiteral("data"), QString::fromLatin1(data.toHex(' ')));
    o.insert(QStringLiteral("texts"), QJsonArray::fromStringList(family->configTexts(line.Records())));
    *error = WriteFileBytes(path, QJsonDocument(o).toJson(QJsonDocument::Indented));
    return error->isEmpty();
}

int RunWriteConfigCommand(Connection& line, const QString& path, bool yes, bool json, const WriteCommandIo& io) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        io.err(QStringLiteral("файл %1 не прочитан: %2").arg(path, file.errorString()));
        return 1;
    }
    const QJsonObject o = QJsonDocument::fromJson(file.read(1 << 20)).object();
    const int fileType = o.value(QStringLiteral("type")).toInt(-1);
    const int command = o.value(QStringLiteral("command")).toInt(-1);
    // Every character of the data is read: a damaged digit refuses the file
    // instead of shifting the bytes after it.
    const std::optional<QByteArray> hex = ParseHexBytes(o.value(QStringLiteral("data")).toString());
    const QByteArray data = hex.value_or(QByteArray());
    const DeviceFamily* family = FamilyFor(line.Type());
    const DeviceFamily* fileFamily = FamilyFor(fileType);
    if (fileFamily && command >= 0 && !hex) {
        io.err(QStringLiteral("файл %1 поврежден: в данных конфигурации не только пары шестнадцатеричных цифр - "
                              "не записана")
                   .arg(path));
        return 1;
    }
    if (!fileFamily || data.isEmpty() || command < 0) {
        io.err(QStringLiteral("файл %1 - не конфигурация прибора (поврежден или другого вида)").arg(path));
        return 1;
    }
    if (fileFamily != family) {
        io.err(QStringLiteral("конфигурация из файла %1 для %2, а прибор - %3: не записана")
                   .arg(path, ModelName(fileType), ModelName(line.Type())));
        return 1;
    }
    // The request of the device's own configuration gives the form: the same
    // command and the same number of data bytes.
    const ConfigWritePlan own = family->planConfigWrite ? family->planConfigWrite(line.Records(), line.Address()) : ConfigWritePlan{};
    const Frame filed(data.begin(), data.end());
    if (!own.request || (*own.request)[4] != command || own.request->size() != filed.size() + 6) {
        io.err(QStringLiteral("файл %1: данные конфигурации не того размера или вида - не записана").arg(path));
        return 1;
    }
    const QString device = QStringLiteral("%1 № %2").arg(ModelName(line.Type())).arg(line.Serial());
    if (!yes) {
        io.err(QStringLiteral("omi-cli: write-config: ничего не записано: конфигурация прибора %1 будет заменена "
                              "конфигурацией из файла %2; подтвердите ключом --yes")
                   .arg(device, path));
        return 2;
    }
    QString error;
    const std::optional<Frame> request = line.BuildFrame(command, filed, &error);
    if (!request) {
        io.err(error);
        return 1;
    }
    if (family->adoptWrittenConfig) family->adoptWrittenConfig(line.Records(), *request);
    WriteArgs args;
    args.now = QDateTime::currentDateTime();
    const WriteOutcome outcome = SendWrite(line, WriteOp::WriteConfig, args, *request);
    if (json) {
        QJsonObject r;
        r.insert(QStringLiteral("type"), line.Type());
        r.insert(QStringLiteral("serial"), line.Serial());
        r.insert(QStringLiteral("operation"), WriteOpName(WriteOp::WriteConfig));
        r.insert(QStringLiteral("result"), outcome.result < 0 ? QJsonValue() : QJsonValue(outcome.result));
        r.insert(QStringLiteral("status"), outcome.status);
        if (!outcome.refused.isEmpty()) r.insert(QStringLiteral("refused"), outcome.refused);
        io.out(QString::fromUtf8(QJsonDocument(r).toJson(QJsonDocument::Indented)));
    } else if (outcome.ok) {
        io.out(device + QStringLiteral(": ") + outcome.status + QLatin1Char('\n'));
    }
    if (!outcome.ok) {
        reportFailure(outcome, io);
        return 1;
    }
    return 0;
}

}  // namespace omi::cli
