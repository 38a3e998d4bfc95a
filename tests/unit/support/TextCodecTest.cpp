#include "support/TextCodec.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

namespace omi {
namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

using omi::test::ReadAll;
using omi::test::WriteAll;

// Restores the converter choice whatever a test does.
struct Cp1251Path {
    explicit Cp1251Path(bool builtin) { SetForceBuiltinCp1251(builtin); }
    ~Cp1251Path() { SetForceBuiltinCp1251(false); }
};

TEST(TextCodec, QtConverterAndBuiltinTableAgreeOnEveryByte) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    ASSERT_TRUE(Cp1251UsesQt()) << "this build's Qt has no windows-1251 converter";

    const QString viaQt = FromCp1251(all);
    const QString viaTable = FromCp1251Builtin(all);
    ASSERT_EQ(viaQt.size(), 256);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(viaQt[b].unicode(), viaTable[b].unicode()) << "byte " << b;
    EXPECT_EQ(ToCp1251(viaQt), all);
    EXPECT_EQ(ToCp1251Builtin(viaTable), all);

    Cp1251Path builtin(true);
    EXPECT_FALSE(Cp1251UsesQt());
    EXPECT_EQ(FromCp1251(all), viaQt);
    EXPECT_EQ(ToCp1251(viaQt), all);
}

TEST(TextCodec, RussianTextsAndUnmappableCharacters) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("ДАННЫЕ"), Bytes({0xC4, 0xC0, 0xCD, 0xCD, 0xDB, 0xC5})},
        {QStringLiteral("ёЁ№"), Bytes({0xB8, 0xA8, 0xB9})},
        {QStringLiteral("t°С €"), Bytes({'t', 0xB0, 0xD1, ' ', 0x88})},
        {QStringLiteral("A中ß😀!"), QByteArray("A???") + "!"},  // a surrogate pair is one character
        {QString(QChar(0xD800)) + QLatin1Char('x'), QByteArray("?x")},
        {QString(QChar(0x1A)), Bytes({0x1A})},
    };
    for (bool builtin : {false, true}) {
        Cp1251Path path(builtin);
        for (const auto& c : cases) {
            EXPECT_EQ(ToCp1251(c.text), c.bytes) << c.text.toStdString() << (builtin ? " (table)" : " (Qt)");
            if (!c.bytes.contains('?')) {
                EXPECT_EQ(FromCp1251(c.bytes), c.text) << c.text.toStdString();
            }
        }
    }
}

TEST(TextCodec, TextFilesAreCp1251WithCrLf) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("текст.txt"));

    EXPECT_EQ(WriteTextFile1251(path, QStringLiteral("ДА\nНЕТ\r\nё")), QString());
    EXPECT_EQ(ReadAll(path), Bytes({0xC4, 0xC0, '\r', '\n', 0xCD, 0xC5, 0xD2, '\r', '\n', 0xB8}));

    EXPECT_EQ(WriteLines1251(path, {QStringLiteral("а"), QString()}), QString());
    EXPECT_EQ(ReadAll(path), Bytes({0xE0, '\r', '\n', '\r', '\n'}));

    WriteAll(path, Bytes({0xC4, 0xC0, '\r', '\n', 'x', '\r', 'y', '\n', 'z', '\r', '\n'}));
    QString error = QStringLiteral("старое");
    EXPECT_EQ(ReadTextFile1251(path, &error), QStringLiteral("ДА\nx\ny\nz\n"));
    EXPECT_EQ(error, QString());
    EXPECT_EQ(ReadLines1251(path, &error), QStringList({QStringLiteral("ДА"), "x", "y", "z"}));
}

TEST(TextCodec, FileFailuresGiveRussianMessages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;

    const QString missing = dir.filePath(QStringLiteral("нет.txt"));
    EXPECT_EQ(ReadTextFile1251(missing, &error), QString());
    EXPECT_EQ(error, QStringLiteral("не найден файл:\r") + missing);
    EXPECT_EQ(ReadLines1251(dir.path(), &error), QStringList());  // a folder is not a file
    EXPECT_EQ(error, QStringLiteral("не найден файл:\r") + dir.path());

    const QString big = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxTextFileBytes + 1));
    }
    EXPECT_EQ(ReadTextFile1251(big, &error), QString());
    EXPECT_EQ(error, QStringLiteral("файл слишком большой:\r") + big);

    const QString noFolder = dir.filePath(QStringLiteral("нет/файл.txt"));
    EXPECT_EQ(WriteTextFile1251(noFolder, QStringLiteral("x")), QStringLiteral("не могу записать файл:\r") + noFolder);
    EXPECT_FALSE(QFile::exists(noFolder));
}

}  // namespace
}  // namespace omi
