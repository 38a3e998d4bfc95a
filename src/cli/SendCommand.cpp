#include "SendCommand.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "connection/Connection.h"
#include "debug/DescriptionTable.h"
#include "protocol/Exchange.h"
#include "support/Format.h"

namespace omi::cli {

namespace {

// The table file a --table value names.
QString TablePath(const QString& given, int type) {
    if (QFileInfo(given).isFile() || given.contains(QLatin1Char('/'))) return given;
    const QString folder = debug::TableFolder(type) + QLatin1Char('/');
    for (const QString& name : {given, given + QStringLiteral(".txt")})
        if (QFileInfo(folder + name).isFile()) return folder + name;
    return given;
}

}  // namespace

QString HexText(const Frame& bytes) {
    return QString::fromLatin1(FrameToString(bytes).toHex(' ').toUpper());
}

QString AnswerFaults(const Frame& answer, int command) {
    if (answer.empty()) return QStringLiteral("НЕТ ОТВЕТА");
    QStringList faults;
    if (answer[0] != answer.size())
        faults << Format(QStringLiteral("байт длины %d, а пришло байтов %d"),
                         {static_cast<int>(answer[0]), static_cast<int>(answer.size())});
    if (!CheckFrameSum(answer)) faults << QStringLiteral("неверный контрольный байт");
    if (answer.size() < 5)
        faults << QStringLiteral("нет байта команды");
    else if (answer[4] != command)
        faults << Format(QStringLiteral("ответ на команду %d, а не на %d"), {static_cast<int>(answer[4]), command});
    return faults.join(QStringLiteral("; "));
}

int RunSendCommand(Connection& line, const SendArgs& args, bool json, const WriteCommandIo& io) {
    // The table first: a table that cannot be read sends nothing.
    Grid table;
    if (!args.table.isEmpty()) {
        const debug::LoadedTable loaded = debug::LoadTable(TablePath(args.table, line.Type()));
        if (!loaded.error.isEmpty()) {
            io.err(QStringLiteral("таблица описания не загружена: ") + QString(loaded.error).replace(QLatin1Char('\r'), QLatin1Char(' ')));
            return 1;
        }
        if (!loaded.skipped.isEmpty()) io.err(args.table + QStringLiteral(": ") + loaded.skipped);
        table = loaded.grid;
    }
    QString error;
    const std::optional<Frame> request = line.BuildFrame(args.command, args.data, &error);
    if (!request) {
        io.err(error);
        return 1;
    }
    Frame answer;
    // An exchange that brought no byte (the imitation answers only the
    // requests it imitates) is no answer.
    const bool answered = line.Exchange(*request, answer) && !answer.empty();
    if (!answered) answer.clear();
    const QString faults = answered ? AnswerFaults(answer, args.command) : QStringLiteral("НЕТ ОТВЕТА");
    const bool valid = answered && faults.isEmpty();
    const QStringList fields = answered && !table.isEmpty() ? debug::DecodeTable(table, answer) : QStringList();

    if (json) {
        QJsonObject o;
        o.insert(QStringLiteral("request"), HexText(*request));
        o.insert(QStringLiteral("answer"), HexText(answer));
        o.insert(QStringLiteral("valid"), valid);
        o.insert(QStringLiteral("status"), valid ? QStringLiteral("ответ верен") : faults);
        o.insert(QStringLiteral("fields"), QJsonArray::fromStringList(fields));
        io.out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else {
        QString text = QStringLiteral("запрос: ") + HexText(*request) + QLatin1Char('\n');
        if (answered) {
            text += QStringLiteral("ответ:  ") + HexText(answer) + QLatin1Char('\n');
            text += valid ? QStringLiteral("ответ верен\n") : QStringLiteral("ответ неверен: ") + faults + QLatin1Char('\n');
        }
        for (const QString& line : fields) text += line + QLatin1Char('\n');
        io.out(text);
    }
    if (!valid) {
        io.err(answered ? QStringLiteral("ответ неверен: ") + faults : faults);
        return 1;
    }
    return 0;
}

}  // namespace omi::cli
