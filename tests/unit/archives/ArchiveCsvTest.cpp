#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "archives/ArchiveCsv.h"
#include "archives/ArchiveView.h"
#include "unit/archives/ArchiveTestData.h"

namespace omi {
namespace {

// Reads CSV as a spreadsheet does: ";" fields, quoted fields with doubled
// quotes, CR LF records. Independent of the writer, so that the round trip
// shows what a reader gets.
Grid ParseCsv(const QString& text) {
    Grid rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            row << field;
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            row << field;
            field.clear();
            rows << row;
            row.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

TEST(ArchiveCsv, FieldsQuotedOnlyWhenNeeded) {
    const struct {
        const char* text;
        const char* field;
    } cases[] = {
        {"1000,00", "1000,00"},
        {"ИТОГО(7):", "ИТОГО(7):"},
        {"", ""},
        {" Гкал", "\" Гкал\""},
        {"t°С ", "\"t°С \""},
        {"a;b", "\"a;b\""},
        {"он сказал \"да\"", "\"он сказал \"\"да\"\"\""},
        {"две\r\nстроки", "\"две\r\nстроки\""},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvField(QString::fromUtf8(c.text)), QString::fromUtf8(c.field)) << c.text;
}

// A daily difference table of family 234 as the grid shows it at level 0:
// the file holds exactly its cells, with the BOM, ";" and CR LF.
TEST(ArchiveCsv, DifferenceTableRoundTrip) {
    const QDate newest(2026, 3, 12);
    const ArchiveList daily = test::DailyList(newest, 10);
    const ArchiveTabView shown =
        ShowArchiveTab(234, 1, daily, {}, ViewRange{newest.addDays(-6), newest, false}, QStringLiteral("%.3f"), 0);
    ASSERT_TRUE(shown.error.isEmpty());
    const Grid& grid = shown.table.rows;
    ASSERT_TRUE(shown.table.hasTotals);
    ASSERT_EQ(grid[0].size(), 28);

    const QByteArray bytes = ArchiveCsvBytes(grid);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), grid.size());
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    EXPECT_EQ(ParseCsv(text), grid);

    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("ДАТА;Время;ТЕПЛО;объем;")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(";\" Гкал\";")));
    // Heat of system 1 differs by 10 a day; decimal comma, three decimals.
    EXPECT_EQ(lines[2].split(';')[2], QStringLiteral("10,000"));
    EXPECT_TRUE(lines[grid.size() - 1].startsWith(QStringLiteral("ИТОГО(6):;;60,000;")));
}

TEST(ArchiveCsv, WriteReplacesWholeFileOrNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("архив.csv"));
    const Grid grid{{"ДАТА", "ТЕПЛО"}, {"12 марта 2026г.", "1,50"}};
    ASSERT_EQ(WriteArchiveCsv(path, grid), QString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), ArchiveCsvBytes(grid));
    f.close();

    const QString missing = dir.filePath(QStringLiteral("нет/архив.csv"));
    const QString error = WriteArchiveCsv(missing, grid);
    EXPECT_TRUE(error.contains(missing));
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
}  // namespace omi
