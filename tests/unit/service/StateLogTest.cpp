// The state log file: creation with the heading rows, appending to an
// existing file, the column map, and files that cannot be written.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "families/U34.h"
#include "service/StateLog.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"

using namespace omi;

namespace {

// Three lines shown in the grid in the order 3, 1, 2.
const StateLine kLines[] = {
    {"a", 0, 0, ErrorTag::None, 1, "А1", "а2"},
    {"b", 0, 0, ErrorTag::None, 1, "Б1", "б2"},
    {"c", 0, 0, ErrorTag::System, 1, "В1", "в2"},
};
const StateLayoutTable kTable{kLines, {3, 1, 2}, 0};

class StateLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name = QStringLiteral("СОСТОЯНИЕ.TXT")) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(StateLog, NewFileHasTheHeadingsAndTheValues) {
    u34::StatePair pair{};
    pair[0].heat = 1.5;
    pair[0].systemError = 5;
    const QStringList values = u34::StateToText(pair, 0);
    const StateLogResult r = AppendStateLog(path(), values, u34::StateTable());
    ASSERT_EQ(r.error, QString());
    const QString text = QStringLiteral(
        "ТЕПЛО\tобъем\tобъем\tобъем\tt°C\tt°C\tt°C\tдавл-е\tдавл-е\tобъем\tобъем\tобъем\tкод ош\tкод ош\t"
        "масса\tмасса\tмасса\t\r\n"
        " Гкал\t1,м3\t2,м3\t3,м3\tподача\tобратка\tдоп\t1,МПа\t2,МПа\tмгнов\tмгнов\tмгнов\tсист\tуст-ва\t"
        "1,т\t2,т\t3,т\t\r\n"
        "1,50\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t0,00\t5\t0\t0,00\t0,00\t0,00\t\r\n");
    EXPECT_EQ(test::ReadAll(path()), ToCp1251(text));
    ASSERT_EQ(r.grid.size(), 3);
    EXPECT_EQ(r.grid[2], values);
}

TEST_F(StateLog, ValuesFollowTheColumnMap) {
    const StateLogResult r = AppendStateLog(path(), {"x", "y", "z"}, kTable);
    ASSERT_EQ(r.error, QString());
    EXPECT_EQ(test::ReadAll(path()), ToCp1251(QStringLiteral("В1\tА1\tБ1\t\r\nв2\tа2\tб2\t\r\nz\tx\ty\t\r\n")));
}

TEST_F(StateLog, LaterReadingsAppendOneRowEach) {
    ASSERT_EQ(AppendStateLog(path(), {"1", "2", "3"}, kTable).error, QString());
    const StateLogResult r = AppendStateLog(path(), {"4", "5", "6"}, kTable);
    ASSERT_EQ(r.error, QString());
    EXPECT_EQ(test::ReadAll(path()),
              ToCp1251(QStringLiteral("В1\tА1\tБ1\t\r\nв2\tа2\tб2\t\r\n3\t1\t2\t\r\n6\t4\t5\t\r\n")));
    EXPECT_EQ(r.grid.size(), 4);
}

TEST_F(StateLog, ExistingLinesAreCompletedAndPadded) {
    // Lines without a final tab, a wider line and a narrower one.
    test::WriteAll(path(), QByteArray("h1\th2\r\nw1\tw2\tw3\tw4\t\r\nn\r\n"));
    const StateLogResult r = AppendStateLog(path(), {"x", "y", "z"}, kTable);
    ASSERT_EQ(r.error, QString());
    EXPECT_EQ(test::ReadAll(path()), QByteArray("h1\th2\t\t\t\r\nw1\tw2\tw3\tw4\t\r\nn\t\t\t\t\r\nz\tx\ty\t\t\r\n"));
    ASSERT_EQ(r.grid.size(), 4);
    for (const QStringList& row : r.grid) EXPECT_EQ(row.size(), 4);
}

TEST_F(StateLog, AFileThatCannotBeWritten) {
    const QString missingFolder = dir.filePath(QStringLiteral("нет/СОСТОЯНИЕ.TXT"));
    const StateLogResult r = AppendStateLog(missingFolder, {"x", "y", "z"}, kTable);
    EXPECT_EQ(r.error, QStringLiteral("НЕ МОГУ СОЗДАТЬ ФАЙЛ: ") + missingFolder);
    EXPECT_EQ(r.grid.size(), 3);  // the grid is still shown
}

TEST_F(StateLog, AnExistingFileThatIsNotATableIsLeftAlone) {
    // A folder of that name exists: it cannot be read, and nothing replaces it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("папка")));
    const StateLogResult r = AppendStateLog(path(QStringLiteral("папка")), {"x", "y", "z"}, kTable);
    EXPECT_NE(r.error, QString());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("папка"))).isDir());
}

}  // namespace
