// omi-cli archive --csv: the table the command shows, as a CSV file for a
// spreadsheet with Russian settings.

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

QStringList Cells(const QJsonValue& row) {
    QStringList cells;
    for (const auto& c : row.toArray()) cells << c.toString();
    return cells;
}

// The CSV line a row must give: ";" between fields, quoted when a field has
// blanks at an end (" Гкал") or a separator.
QString CsvLine(const QStringList& cells) {
    QStringList fields;
    for (const QString& c : cells)
        fields << ((c.contains(';') || c.startsWith(' ') || c.endsWith(' ')) ? '"' + c + '"' : c);
    return fields.join(';');
}

}  // namespace

TEST(ArchiveCsvCli, DifferenceTableWithTotals) {
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    QTemporaryDir dir;
    const QString csv = dir.filePath("таблица.csv");
    const QDate today = QDate::currentDate();
    const CliRun r =
        RunCli({"--port", sim.Pty(), "--json", "--precision", "4", "archive", "daily-diff", "--from",
                today.addDays(-4).toString(Qt::ISODate), "--to", today.toString(Qt::ISODate), "--csv", csv});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QStringList expected;
    for (const auto& row : o.value("header").toArray()) expected << CsvLine(Cells(row));
    for (const auto& row : o.value("rows").toArray()) expected << CsvLine(Cells(row));
    expected << CsvLine(Cells(o.value("totals")));
    ASSERT_EQ(expected.size(), 2 + 4 + 1);

    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
    EXPECT_EQ(lines.takeLast(), QString());  // the last line ends with CR LF too
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(lines[1].contains(";\" Гкал\";"));
    // The operator does not see the hour column, where the totals count stands.
    EXPECT_TRUE(lines.last().startsWith("ИТОГО(4):;"));
    EXPECT_TRUE(lines[2].split(';').value(1).contains(QRegularExpression("^\\d+,\\d{4}$")));
}

TEST(ArchiveCsvCli, UnwritableFileFailsWithItsName) {
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    QTemporaryDir dir;
    const QString csv = dir.filePath("нет такой папки/таблица.csv");
    const CliRun r = RunCli(
        {"--port", sim.Pty(), "archive", "daily", "--from", QDate::currentDate().toString(Qt::ISODate), "--csv", csv});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(csv)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(csv));
}
