#include "support/GridText.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace omi {
namespace {

using omi::test::ReadAll;
using omi::test::WriteAll;

class GridText : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString File(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(GridText, SavesEveryCellWithItsSeparatorAndCrLf) {
    const QString path = File(QStringLiteral("сетка.txt"));
    const Grid grid = {{"a", "b", "c"}, {"д", "", "е"}};
    EXPECT_EQ(SaveGridText(grid, path), QString());
    EXPECT_EQ(ReadAll(path), QByteArray("a\tb\tc\t\r\n\xE4\t\t\xE5\t\r\n"));

    EXPECT_EQ(SaveGridText(Grid{QStringList{"1", "2"}}, path, QLatin1Char(';')), QString());
    EXPECT_EQ(ReadAll(path), QByteArray("1;2;\r\n"));
}

TEST_F(GridText, RoundTrip) {
    const QString path = File(QStringLiteral("round.txt"));
    const Grid grid = {{"ДАТА", "ТЕПЛО", "t°С", "№"}, {"07.03.2026", "1234,5", "", " пробел "}, {"", "", "", ""}};
    ASSERT_EQ(SaveGridText(grid, path), QString());
    Grid loaded{QStringList{"old"}};
    EXPECT_EQ(LoadGridText(loaded, path), QString());
    EXPECT_EQ(loaded, grid);
}

TEST_F(GridText, LoadAcceptsMissingFinalSeparatorAndGrowsToTheLongestLine) {
    const QString path = File(QStringLiteral("ragged.txt"));
    WriteAll(path, "h1\th2\th3\t\r\nx\ty\r\n\r\nlong\t1\t2\t\xC4\t\r\nlast");
    Grid grid;
    EXPECT_EQ(LoadGridText(grid, path), QString());
    const Grid expected = {{"h1", "h2", "h3", ""}, {"x", "y", "", ""}, {"", "", "", ""}, {"long", "1", "2", "Д"}, {"last", "", "", ""}};
    EXPECT_EQ(grid, expected);

    WriteAll(path, "a\tb\r\n");
    grid = Grid{QStringList({"1", "2", "3"}), QStringList({"4"})};  // the file's rows replace the grid's
    EXPECT_EQ(LoadGridText(grid, path), QString());
    EXPECT_EQ(grid, Grid{QStringList({"a", "b"})});
}

TEST_F(GridText, MissingAndBadFiles) {
    const Grid before = {{"keep", "me"}};
    Grid grid = before;
    const QString missing = File(QStringLiteral("нет.txt"));
    EXPECT_EQ(LoadGridText(grid, missing), QStringLiteral("не найден файл:\r") + missing);
    EXPECT_EQ(grid, before);

    const QString empty = File(QStringLiteral("empty.txt"));
    WriteAll(empty, QByteArray());
    EXPECT_EQ(LoadGridText(grid, empty), QString());
    EXPECT_TRUE(grid.isEmpty());

    // Binary junk loads as some grid whose rows all have the same width.
    const QString junk = File(QStringLiteral("junk.bin"));
    QRandomGenerator random(1234);
    QByteArray bytes(200000, '\0');
    for (char& b : bytes) b = static_cast<char>(random.bounded(256));
    WriteAll(junk, bytes);
    grid = before;
    EXPECT_EQ(LoadGridText(grid, junk), QString());
    ASSERT_FALSE(grid.isEmpty());
    for (const QStringList& row : grid) EXPECT_EQ(row.size(), grid.first().size());

    // One huge line without separators is one cell.
    const QString huge = File(QStringLiteral("huge.txt"));
    WriteAll(huge, QByteArray(4 * 1024 * 1024, 'x'));
    EXPECT_EQ(LoadGridText(grid, huge), QString());
    ASSERT_EQ(grid.size(), 1);
    EXPECT_EQ(grid[0], QStringList(QString(4 * 1024 * 1024, u'x')));

    // Far more cells than any table holds: refused, grid unchanged.
    const QString wide = File(QStringLiteral("wide.txt"));
    WriteAll(wide, QByteArray(10000, '\t') + "\r\n" + QByteArray(20000, '\n'));
    grid = before;
    EXPECT_EQ(LoadGridText(grid, wide), QStringLiteral("неверный формат таблицы:\r") + wide);
    EXPECT_EQ(grid, before);
}

TEST(GridSort, SortsBelowTheHeadingIgnoringCaseAndStable) {
    const Grid start = {{"имя", "значение"}, {"1", "б"}, {"2", "А"}, {"3"}, {"4", "а"}, {"5", "В"}};
    const struct {
        int column;
        bool ascending;
        QStringList order;  // column 0 after the sort
        int tag;
    } cases[] = {
        {1, true, {"имя", "3", "2", "4", "1", "5"}, 1},
        {1, false, {"имя", "5", "1", "2", "4", "3"}, -1},
        {0, false, {"имя", "5", "4", "3", "2", "1"}, -100},
        {0, true, {"имя", "1", "2", "3", "4", "5"}, 100},
    };
    for (const auto& c : cases) {
        Grid grid = start;
        int tag = 0;
        SortGridRows(grid, c.column, c.ascending, &tag);
        QStringList order;
        for (const QStringList& row : grid) order << row[0];
        EXPECT_EQ(order, c.order) << "column " << c.column << (c.ascending ? " up" : " down");
        EXPECT_EQ(tag, c.tag);
    }
    Grid grid = start;
    SortGridRows(grid, 7, true);  // a column no row has: nothing moves
    EXPECT_EQ(grid, start);
}

}  // namespace
}  // namespace omi
