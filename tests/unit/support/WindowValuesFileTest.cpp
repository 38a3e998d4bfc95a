#include "support/WindowValuesFile.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <QTemporaryDir>

namespace omi {
namespace {

using omi::test::ReadAll;
using omi::test::WriteAll;
using Pairs = QList<QPair<QString, QString>>;

class WindowValuesFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString File(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(WindowValuesFile, WritesSortedIgnoringCaseOnceEachInCp1251WithCrLf) {
    const QString path = File(QStringLiteral("ПАМЯТЬ.mem"));
    const QStringList entries = {"SEp=5001", "cbBaudRate=7", "LPState=свободен (подключен)", "CBfire=1",
                                 "SEp=5001", "PCcon=2", "cbBaudRate=7", "Ёж=1"};
    ASSERT_EQ(WriteWindowValues(path, entries), QString());
    EXPECT_EQ(ReadAll(path), QByteArray("cbBaudRate=7\r\n"
                                        "CBfire=1\r\n"
                                        "LPState=\xF1\xE2\xEE\xE1\xEE\xE4\xE5\xED (\xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED)\r\n"
                                        "PCcon=2\r\n"
                                        "SEp=5001\r\n"
                                        "\xA8\xE6=1\r\n"));

    // Entries that differ only in case are both kept, in the same order whatever the input order.
    EXPECT_EQ(SortedWindowValues({"b=1", "a=2", "A=2", "a=2", "B=1"}), QStringList({"A=2", "a=2", "B=1", "b=1"}));
    EXPECT_EQ(SortedWindowValues({"B=1", "a=2", "b=1", "A=2"}), QStringList({"A=2", "a=2", "B=1", "b=1"}));
}

TEST_F(WindowValuesFile, RoundTripKeepsNamesAndValuesInFileOrder) {
    const QString path = File(QStringLiteral("round.mem"));
    ASSERT_EQ(WriteWindowValues(path, {"MEip=192.168.  1. 10", "Eadr=a=b", "LuState=", "DTPfrom=46088",
                                       "LPState=свободен (подключен)", "Ename=ПУТЬ\\к таблице.txt"}),
              QString());
    const Pairs expected = {{"DTPfrom", "46088"},        {"Eadr", "a=b"},
                            {"Ename", "ПУТЬ\\к таблице.txt"}, {"LPState", "свободен (подключен)"},
                            {"LuState", ""},             {"MEip", "192.168.  1. 10"}};
    EXPECT_EQ(ReadWindowValues(path), expected);
}

TEST_F(WindowValuesFile, ReadCutsValuesSkipsLinesWithoutEqualsAndTakesAnyLineEnd) {
    const QString path = File(QStringLiteral("hand.mem"));
    const QByteArray v255(255, 'x');
    WriteAll(path, "long=" + v255 + "y\r\n"          // 256 characters
                   "\r\n"                            // empty line
                   "no equals sign\r\n"
                   "=nameless\n"                     // LF only
                   "\xCA\xEE\xEC\xE1\xEE=\xC4\xC0\r"  // Cyrillic, lone CR
                   "twice=1\r\n"
                   "twice=2\r\n"
                   "last=no line end");
    const Pairs expected = {{"long", QString(v255)}, {"", "nameless"}, {"Комбо", "ДА"},
                            {"twice", "1"},          {"twice", "2"},   {"last", "no line end"}};
    EXPECT_EQ(ReadWindowValues(path), expected);

    // A value of 255 Cyrillic characters is kept whole: the cut counts characters, not bytes of UTF-8.
    const QString cyr(255, QChar(u'Ж'));
    ASSERT_EQ(WriteWindowValues(path, {"L=" + cyr + "Ж"}), QString());
    EXPECT_EQ(ReadWindowValues(path), Pairs({{"L", cyr}}));
}

TEST_F(WindowValuesFile, MissingFileGivesNothingAndAFailedWriteSaysSo) {
    EXPECT_TRUE(ReadWindowValues(File(QStringLiteral("нет.mem"))).isEmpty());
    EXPECT_TRUE(ReadWindowValues(dir.path()).isEmpty());  // a folder, not a file

    const QString nowhere = File(QStringLiteral("нет папки/ПАМЯТЬ.mem"));
    EXPECT_FALSE(WriteWindowValues(nowhere, {"a=1"}).isEmpty());
    EXPECT_TRUE(ReadWindowValues(nowhere).isEmpty());

    EXPECT_FALSE(WriteWindowValues(dir.path(), {"a=1"}).isEmpty());  // a folder stands where the file goes

    const QString path = File(QStringLiteral("empty.mem"));
    ASSERT_EQ(WriteWindowValues(path, {"a=1"}), QString());
    ASSERT_EQ(WriteWindowValues(path, {}), QString());  // no controls: an empty file replaces the old one
    EXPECT_EQ(ReadAll(path), QByteArray());
}

}  // namespace
}  // namespace omi
