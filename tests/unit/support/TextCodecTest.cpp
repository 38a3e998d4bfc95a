#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "support/TestFiles.h"
#include "support/TextCodec.h"

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
    EXPECT_TRUE(WriteTextFile1251(noFolder, QStringLiteral("x"))
                    .startsWith(QStringLiteral("не могу записать файл:\r") + noFolder));
    EXPECT_FALSE(QFile::exists(noFolder));
}

// A file system that refuses writes past a size: the process's file size
// limit (setrlimit RLIMIT_FSIZE, with SIGXFSZ ignored, so a write past it
// fails with EFBIG as one on a full disk fails with ENOSPC; the bytes below
// the limit are written, as on a disk with a little room left).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit before_{};
    void (*previous_)(int) = nullptr;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(TextCodec, AWriteTheDiskRefusesLeavesThePreviousFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("архив.Arh"));
    ASSERT_EQ(WriteFileBytes(path, "old"), QString());
    const QByteArray big(5104, 'x');  // larger than the room, smaller than Qt's write buffer
    for (const rlim_t room : {rlim_t(0), rlim_t(4096)}) {
        SCOPED_TRACE(room);
        QString error;
        {
            FileSizeLimit limit(room);
            error = WriteFileBytes(path, big);
        }
        EXPECT_TRUE(error.startsWith(QStringLiteral("не могу записать файл:\r") + path)) << error.toStdString();
        EXPECT_EQ(readAll(path), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("архив.Arh")}));
    }
    ASSERT_EQ(WriteFileBytes(path, big), QString());
    EXPECT_EQ(readAll(path), big);
}

TEST(TextCodec, FilesThatBelongTogetherAreReplacedTogether) {
    QTemporaryDir dir;
    const QString text = dir.filePath("a.txt");
    const QString archive = dir.filePath("a.Arh");
    ASSERT_EQ(WriteFilesTogether({{text, "old text"}, {archive, "old archive"}}), QString());
    const auto unchanged = [&] {
        EXPECT_EQ(readAll(text), "old text");
        EXPECT_EQ(readAll(archive), "old archive");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.Arh", "a.txt"}));
    };
    {
        // The second file does not fit: neither is replaced.
        FileSizeLimit limit(100);
        const QString error = WriteFilesTogether({{text, "new text"}, {archive, QByteArray(5104, 'a')}});
        EXPECT_TRUE(error.startsWith(QStringLiteral("не могу записать файл:\r") + archive)) << error.toStdString();
    }
    unchanged();
    ASSERT_EQ(WriteFilesTogether({{text, "new text"}, {archive, QByteArray(5104, 'a')}}), QString());
    EXPECT_EQ(readAll(text), "new text");
    EXPECT_EQ(readAll(archive), QByteArray(5104, 'a'));

    // The second target cannot be replaced (a folder has its name): the first
    // one, already replaced, gets its previous file back.
    const QString folder = dir.filePath("b.Arh");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString error = WriteFilesTogether({{text, "newer text"}, {folder, "newer archive"}});
    EXPECT_TRUE(error.contains("папка")) << error.toStdString();
    EXPECT_EQ(readAll(text), "new text");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.Arh", "a.txt"}));
    // A new pair where nothing was: on failure nothing is left.
    const QString lone = dir.filePath("c.txt");
    EXPECT_FALSE(WriteFilesTogether({{lone, "text"}, {folder, "archive"}}).isEmpty());
    EXPECT_FALSE(QFile::exists(lone));
}

}  // namespace
}  // namespace omi
