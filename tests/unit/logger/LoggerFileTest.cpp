// Logger archive files: recognition of their names with every error text,
// the reading of a file into records and the decoded table, the field
// codec, the info text, and the description table's load and save.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "logger/LoggerFile.h"
#include "support/Paths.h"

using namespace omi;

namespace {

class LoggerFiles : public ::testing::Test {
protected:
    void SetUp() override { DescriptionTable() = DefaultDescriptionTable(); }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
    LoggerState logger;  // the file chosen on a line
};

}  // namespace

TEST_F(LoggerFiles, NamesRecognised) {
    struct Case {
        const char* name;
        QString error;
        int type, serial;
        LoggerKind kind;
    };
    const Case cases[] = {
        {"12345D.234", "", 234, 12345, LoggerKind::Day},
        {"x00417H.228", "", 228, 417, LoggerKind::Hour},
        {"/some/folder/7D.235", "", 235, 7, LoggerKind::Day},
        {"12345d.234", "Тип арх не определен:d", 234, -1, LoggerKind::Day},
        {"417D.227", "ColDev[ucv.CharToDevType(ch:char)]<0", -1, -1, LoggerKind::Day},
        {"417D.236", "ColDev[ucv.CharToDevType(ch:char)]<0", -1, -1, LoggerKind::Day},
        {"417D.237", "ColDev[ucv.CharToDevType(ch:char)]<0", -1, -1, LoggerKind::Day},
        {"417D.txt", "DevTypeChar not in ucv.DevTypes", -1, -1, LoggerKind::Day},
        {"417D", "DevTypeChar not in ucv.DevTypes", -1, -1, LoggerKind::Day},
        {"70000D.225", "Сер.№ не определен:70000", 225, -1, LoggerKind::Day},
        {"D.229", "Сер.№ не определен:", 229, -1, LoggerKind::Day},
    };
    for (const Case& c : cases) {
        logger = LoggerState{};
        EXPECT_EQ(ParseLoggerFileName(logger, QString::fromUtf8(c.name)), c.error) << c.name;
        if (c.error.isEmpty()) {
            EXPECT_EQ(logger.type, c.type) << c.name;
            EXPECT_EQ(logger.serial, c.serial) << c.name;
            EXPECT_EQ(logger.kind, c.kind) << c.name;
        }
    }
    ParseLoggerFileName(logger, "417H.234");
    EXPECT_EQ(logger.recordLength, 216);
    EXPECT_EQ(logger.top, 1079);
    EXPECT_EQ(logger.types.size(), 50);
    EXPECT_EQ(LoggerFileTitle(logger), "\"ОМИ-1 Б4М\",\"№ 417\",\"архив=ЧАСОВОЙ\"");
}

TEST_F(LoggerFiles, RecordsRemainderAndTheDecodedTable) {
    // 225: records of 43 bytes; 5 whole records and a remainder of 10.
    QByteArray bytes("\x05\x00", 2);
    for (int r = 0; r < 5; ++r) {
        QByteArray record(43, '\0');
        record[41] = static_cast<char>(r + 1);  // the date word: day number r + 1
        bytes += record;
    }
    logger.path = write("417D.225", bytes + QByteArray(10, '\x07'));
    ASSERT_EQ(LoadLoggerFile(logger), QString());
    const LoggerState& s = logger;
    EXPECT_EQ(s.records.size(), 6);
    EXPECT_EQ(s.records.last(), "007,007,007,007,007,007,007,007,007,007");
    EXPECT_EQ(s.pointer, 5);
    EXPECT_TRUE(LoggerInfoText(logger, '\n').endsWith("записей в арх =5(от 1)+остаток=10байт\n"));
    // n = 127: rows 0..129; the rows past the records say the data ended.
    ASSERT_EQ(s.decoded.size(), 130u);
    EXPECT_EQ(s.decoded[0].value(0), "наработка");
    EXPECT_EQ(s.decoded[2].value(15), "01.01.2000");
    EXPECT_EQ(s.decoded[3].value(15), "02.01.2000");
    EXPECT_EQ(s.decoded[7].value(0), "1799") << "the short record decodes what it holds";
    EXPECT_EQ(s.decoded[7].value(15), "данные кончились");
    EXPECT_EQ(s.decoded[8], QStringList({"данные", "в", "файле", "кончились"}));
    EXPECT_EQ(s.decoded[129], QStringList({"данные", "в", "файле", "кончились"}));
}

TEST_F(LoggerFiles, MoreRecordsThanTheRingHolds) {
    QByteArray bytes(2 + 43 * 200, '\0');
    for (int r = 0; r < 200; ++r) bytes[2 + 43 * r + 41] = static_cast<char>(r % 200 + 1);  // day numbers 1..200
    logger.path = write("9D.225", bytes);
    ASSERT_EQ(LoadLoggerFile(logger), QString());
    ASSERT_EQ(logger.decoded.size(), 202u);
    EXPECT_EQ(logger.decoded[2 + 128].value(0), "0");
    EXPECT_EQ(logger.decoded[2 + 129].value(0), "данныx");
    EXPECT_EQ(logger.decoded[201].size(), 6);
}

TEST(LoggerCodec, Values) {
    const QByteArray data("\x2A\x10\x27\x10\x27\x00\x00\xC0\x3F\x00\x00\x01\x00\x09", 14);
    QString unknown;
    EXPECT_EQ(CMDMakeValues({"byte", "word", "word/100", "single", "word/date", "word/date=yyyy-mm-dd", "word"}, data,
                            &unknown),
              QStringList({"42", "10000", "100", "1,5", "31.12.1999", "2000-01-01", "данные кончились"}));
    EXPECT_TRUE(unknown.isEmpty());
    CMDMakeValues({"byte", "int64"}, data, &unknown);
    EXPECT_TRUE(unknown.contains("не опознаный формат: int64"));
}

TEST(DescriptionTable, SavedAndLoadedBack) {
    QTemporaryDir dir;
    TSGSL table = DefaultDescriptionTable();
    EXPECT_EQ(table.RowCount(), 51);
    EXPECT_EQ(table.ColumnCount(), 12);
    const QString path = dir.filePath("описание архивов.txt");
    EXPECT_EQ(table.SaveToFile(path, '\t'), QString());
    TSGSL loaded;
    EXPECT_EQ(loaded.LoadFromFile(path, '\t'), QString());
    EXPECT_EQ(loaded.rows, table.rows);
    EXPECT_TRUE(loaded.LoadFromFile(dir.filePath("нет.txt"), '\t').startsWith("не найден файл:"));
    EXPECT_EQ(loaded.rows, table.rows) << "a missing file keeps the cells";
}

// The content of a file with a logger name: an archive or refused, whether
// listed by the manager (the name with its folder) or loaded.
TEST_F(LoggerFiles, ContentThatIsNoArchiveIsNotRecognised) {
    // 225 records of 43 bytes: hour at 40, day number word at 41.
    const auto record = [](int day, int hour) {
        QByteArray r(43, '\x11');
        r[40] = char(hour);
        r[41] = char(day & 0xFF);
        r[42] = char(day >> 8);
        return r;
    };
    QByteArray noise(500, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    const struct {
        const char* what;
        QByteArray bytes;
        const char* error;  // empty: recognised
    } cases[] = {
        {"empty", {}, "файл пустой"},
        {"the pointer only", QByteArray("\x01\x00", 2), "нет ни одной записи"},
        {"text", QByteArray("hello"), "нет ни одной записи"},
        {"noise", noise, "с настоящей датой"},
        {"zeros", QByteArray(2 + 43 * 5, '\0'), "с настоящей датой"},
        {"larger than the largest ring (1024 records)", QByteArray(2 + 43 * 1024 + 1, '\0'), "больше, чем может быть"},
        {"one real record among bad ones", QByteArray(2, '\0') + record(0, 0) + record(9561, 0) + record(9561, 30), ""},
        {"the largest ring", QByteArray(2, '\0') + record(9561, 0) + QByteArray(43 * 1023, '\0'), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = write("00999D.225", c.bytes);
        const QString error = ParseLoggerFileName(logger, path);
        EXPECT_TRUE(QString::fromUtf8(c.error).isEmpty() ? error.isEmpty() : error.contains(QString::fromUtf8(c.error)))
            << error.toStdString();
        logger.path = path;
        EXPECT_EQ(LoadLoggerFile(logger), error);
        // The bare name says nothing of the content.
        EXPECT_EQ(ParseLoggerFileName(logger, "00999D.225"), QString());
    }
    // A huge file is refused by its size, not read.
    const QString huge = dir.filePath("1H.234");
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(200 * 1024 * 1024));
    f.close();
    EXPECT_TRUE(ParseLoggerFileName(logger, huge).contains("больше, чем может быть"));
}
