#include "StoreReportCommand.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "archives/ArchiveCsv.h"
#include "support/Dates.h"

namespace omi::cli {

namespace {

QString aligned(const Grid& rows) {
    std::vector<qsizetype> width;
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c) {
            if (size_t(c) >= width.size()) width.resize(size_t(c) + 1, 0);
            width[size_t(c)] = std::max(width[size_t(c)], r[c].size());
        }
    QString text;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c) line += r[c].leftJustified(width[size_t(c)]) + QStringLiteral("  ");
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QJsonObject rowJson(const PeriodRow& r) {
    QJsonArray volumes, temperatures;
    for (int k = 0; k < r.temperatureCount; ++k) {
        volumes.append(r.volumes[k]);
        temperatures.append(r.temperatures[k]);
    }
    return QJsonObject{
        {"name", r.name},
        {"type", r.type},
        {"model", r.model},
        {"serial", r.serial},
        {"system", r.system},
        {"heat", r.heat},
        {"volumes", volumes},
        {"temperatures", temperatures},
        {"error_hours", double(r.errorHours)},
        {"error_days", QJsonArray::fromStringList(r.errorDays)},
        {"days_present", r.daysPresent},
        {"days_missing", r.daysMissing},
        {"missing_days", QJsonArray::fromStringList(r.missingDays)},
        {"last_status", r.lastStatus.isEmpty() ? QJsonValue() : QJsonValue(r.lastStatus)},
        {"last_ended", r.lastEnded.isValid() ? QJsonValue(r.lastEnded.toString(Qt::ISODate)) : QJsonValue()},
        {"clock_offset", r.clockOffset ? QJsonValue(double(*r.clockOffset)) : QJsonValue()}};
}

}  // namespace

int RunStoreReport(const StoreReportArgs& args, const CollectIo& io, TablePdfWriter pdf) {
    if (args.from > args.to) {
        io.err(QStringLiteral("отчет: --from %1 позже --to %2")
                   .arg(args.from.toString(Qt::ISODate), args.to.toString(Qt::ISODate)));
        return 2;
    }
    if (!args.pdf.isEmpty() && !pdf) {
        io.err(QStringLiteral("omi-cli: --pdf needs the build with Qt GUI: ") + args.pdf);
        return 1;
    }
    ArchiveStore store;
    if (const QString error = store.Open(args.store, false); !error.isEmpty()) {
        io.err(error);
        return 1;
    }
    const PeriodReport report = MakePeriodReport(store, args.from, args.to, args.filter);
    for (const QString& w : report.warnings) io.err(w);
    const QString period = ShortDateText(args.from) + QStringLiteral(" - ") + ShortDateText(args.to);
    const QString summary =
        report.rows.empty()
            ? QStringLiteral("в хранилище %1 нет приборов для отчета").arg(args.store)
            : QStringLiteral("отчет за %1: строк %2, хранилище %3").arg(period).arg(report.rows.size()).arg(args.store);
    const Grid grid = PeriodReportGrid(report, args.decimals);
    if (args.json) {
        QJsonArray rows;
        for (const PeriodRow& r : report.rows) rows.append(rowJson(r));
        io.out(QString::fromUtf8(QJsonDocument(QJsonObject{{"store", args.store},
                                                           {"from", args.from.toString(Qt::ISODate)},
                                                           {"to", args.to.toString(Qt::ISODate)},
                                                           {"rows", rows},
                                                           {"summary", summary}})
                                     .toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n'));
    } else {
        io.out(aligned(grid) + summary + QLatin1Char('\n'));
    }
    int status = report.rows.empty() ? 1 : 0;
    if (!args.csv.isEmpty()) {
        if (const QString error = WriteArchiveCsv(QFileInfo(args.csv).absoluteFilePath(), grid); !error.isEmpty()) {
            io.err(error);
            status = 1;
        }
    }
    if (!args.pdf.isEmpty()) {
        const QString title = QStringLiteral("Отчет за период ") + period;
        const QStringList lines{title, QStringLiteral("хранилище: ") + args.store,
                                QStringLiteral("составлен ") + DateTimeText(QDateTime::currentDateTime())};
        if (const QString error = pdf(QFileInfo(args.pdf).absoluteFilePath(), title, lines, grid, 2, nullptr);
            !error.isEmpty()) {
            io.err(error);
            status = 1;
        }
    }
    return status;
}

}  // namespace omi::cli
