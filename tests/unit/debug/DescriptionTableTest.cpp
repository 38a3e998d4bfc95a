// Description tables of the debug terminal: the expression evaluator, the
// composing of a request from a coding table (predefined values, types,
// range errors), the decoding of an answer, the byte listings, the table
// files and the grid editing; and the example tables shipped in the data
// folder, loaded as the build delivers them and put to a simulated device.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <set>

#include "SimDevice.h"
#include "debug/DescriptionTable.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "support/DataFolder.h"
#include "support/Paths.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::debug;

namespace {

const QString kNotRecognised = QStringLiteral("Значение не распознано");

Grid WithHeading(std::initializer_list<QStringList> rows) {
    Grid grid{{"байт", "поле", "значение"}};
    for (const QStringList& row : rows) grid.append(row);
    return grid;
}

// A heading, the row under test, then empty rows up to `size` bytes.
Grid OneRow(const QString& rule, int size = 4) {
    Grid grid = WithHeading({{"00", "x", rule}});
    for (int b = 1; b < size; ++b) grid.append({QStringLiteral("%1").arg(b, 2, 10, QLatin1Char('0')), "", ""});
    return grid;
}

QStringList Column(const Grid& grid, int column) {
    QStringList out;
    for (const QStringList& row : grid) out.append(row.value(column));
    return out;
}

}  // namespace

// ---------------------------------------------------------------- evaluator

TEST(DescriptionExpr, Evaluates) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"2+3*4", true, 14},
        {"10/4", true, 2.5},
        {"8/2*2", true, 2},  // every product before any quotient
        {"2*3*4/6-1", true, 3},
        {"12/2/3", true, 2},
        {"1-2-3", true, -4},
        {"-2*3", true, -6},
        {"+7", true, 7},
        {"2,5", true, 2.5},
        {"3*1,5", true, 4.5},
        {"1,5E3", true, 1500},
        {"1/1000000", true, 1e-6},
        {"$1F", true, 31},
        {"0x10+1", true, 17},
        {" 4 ", true, 4},
        {"abc", false, 0},
        {"2*-3", false, 0},
        {"5+-3", false, 0},
        {"2.5", false, 0},  // the decimal separator is the comma
        {"2*", false, 0},
        {"*2", false, 0},
        {"--3", false, 0},
        {"1/0", false, 0},
        {"1E999", false, 0},
        {"", false, 0},
        {"B5", false, 0},
    };
    for (const Case& c : cases) {
        double v = 99;
        EXPECT_EQ(EvalExpr(QString::fromUtf8(c.text), v), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

TEST(DescriptionExpr, LongTextsEnd) {
    QString products = QStringLiteral("1");
    for (int i = 0; i < 100000; ++i) products += QStringLiteral("*1");
    double v = 0;
    EXPECT_TRUE(EvalExpr(products + QStringLiteral("/2+3"), v));
    EXPECT_DOUBLE_EQ(v, 3.5);
    EXPECT_FALSE(EvalExpr(QString(200000, QLatin1Char('-')), v));
    EXPECT_FALSE(EvalExpr(QString(200000, QLatin1Char('9')) + QStringLiteral("*2"), v));
}

// ---------------------------------------------------------------- coding

TEST(DescriptionEncode, ReadConfigurationRequest) {
    const Grid grid = WithHeading({{"00", "длина", "B@01"},
                                   {"01", "тип", "B@03"},
                                   {"02", "номер", "W@04"},
                                   {"03", "", ""},
                                   {"04", "команда", "B=5"},
                                   {"05", "кс", "B@02"}});
    const Encoded e = EncodeTable(grid, 225, 22);
    EXPECT_EQ(e.error, QString());
    // 6 + 225 + 22 + 5 = 258: the check byte is -2 = 254.
    EXPECT_EQ(e.bytes, (Frame{6, 225, 22, 0, 5, 254}));
    EXPECT_TRUE(CheckFrameSum(e.bytes));
    EXPECT_EQ(e.lines, (QStringList{"табл ф-т №зн зн итого", "B@01 B 1 6 длина=6", "B@03 B 3 225 тип=225",
                                    "W@04 W 4 22 номер=22", "B=5 B -1 5 команда=5", "B@02 B 2 254 кс=254"}));

    // A number beyond a byte takes both bytes of its word.
    EXPECT_EQ(EncodeTable(grid, 225, 0x1234).bytes, (Frame{6, 225, 0x34, 0x12, 5, 0xCE}));
}

TEST(DescriptionEncode, TypesAndValues) {
    struct Case {
        const char* rule;
        Frame bytes;
        const char* line;  // the listing line of the row
    };
    const Case cases[] = {
        {"5", {5, 0, 0, 0}, "5 B -1 5 x=5"},
        {"300", {0x2C, 1, 0, 0}, "300 W -1 44 x=300"},
        {"70000", {0x70, 0x11, 1, 0}, "70000 L -1 112 x=70000"},
        {"4294967295", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295 L -1 255 x=4294967295"},
        {"-1,5", {0, 0, 0xC0, 0xBF}, "-1,5 S -1 0 x=-1,5"},
        {"5000000000", {0xF9, 0x02, 0x95, 0x4F}, "5000000000 S -1 249 x=5E9"},
        {"S=0,1", {0xCD, 0xCC, 0xCC, 0x3D}, "S=0,1 S -1 205 x=0,1"},
        {"L=5", {5, 0, 0, 0}, "L=5 L -1 5 x=5"},
        {"W=$1234", {0x34, 0x12, 0, 0}, "W=$1234 W -1 52 x=4660"},
        {"B = 2 + 3", {5, 0, 0, 0}, "B = 2 + 3 B -1 5 x=5"},
        {"B=2,6", {3, 0, 0, 0}, "B=2,6 B -1 3 x=3"},
        {"WB=1", {1, 0, 0, 0}, "WB=1 B -1 1 x=1"},  // B's first occurrence stands further right
        {"", {0, 0, 0, 0}, " B -1 0 x=0"},
        {"B@00", {0, 0, 0, 0}, "B@00 B 0 0 x=0"},
        {"W@01", {4, 0, 0, 0}, "W@01 W 1 4 x=4"},
        {"B@07", {0, 0, 0, 0}, "B@07 B 7 0 x=0 Значение не распознано"},
        {"B@x", {0, 0, 0, 0}, "B@x B -1 0 x=0 Значение не распознано"},
        {"B=", {0, 0, 0, 0}, "B= B -1 0 x=0 Значение не распознано"},
        {"W", {0, 0, 0, 0}, "W W -1 0 x=0 Значение не распознано"},
    };
    for (const Case& c : cases) {
        const Encoded e = EncodeTable(OneRow(QString::fromUtf8(c.rule)), 234, 5);
        EXPECT_EQ(e.error, QString()) << c.rule;
        EXPECT_EQ(e.bytes, c.bytes) << c.rule;
        ASSERT_GE(e.lines.size(), 2) << c.rule;
        EXPECT_EQ(e.lines[1], QString::fromUtf8(c.line)) << c.rule;
    }
}

TEST(DescriptionEncode, CheckByteOfTheBytesSoFar) {
    // The check byte counts the bytes before it; those after it are still 0.
    const Grid grid = WithHeading({{"00", "a", "B=10"}, {"01", "кс", "B@02"}, {"02", "b", "B=20"}});
    EXPECT_EQ(EncodeTable(grid, 0, 0).bytes, (Frame{10, 246, 20}));
}

TEST(DescriptionEncode, RangeErrorsComposeNothing) {
    struct Case {
        Grid grid;
        const char* error;
    };
    const Case cases[] = {
        {OneRow("B=300"), "строка 00: значение 300 вне пределов типа B (0..255): запрос не составлен"},
        {OneRow("B=-3"), "строка 00: значение -3 вне пределов типа B (0..255): запрос не составлен"},
        {OneRow("W=70000"), "строка 00: значение 70000 вне пределов типа W (0..65535): запрос не составлен"},
        {OneRow("L=-1"), "строка 00: значение -1 вне пределов типа L (0..4294967295): запрос не составлен"},
        {OneRow("S=1E39"), "строка 00: значение 1E39 вне пределов типа S (±3,4E38): запрос не составлен"},
        // The table size as a byte of a longer table.
        {OneRow("B@01", 300), "строка 00: значение 300 вне пределов типа B (0..255): запрос не составлен"},
        // A word or a long that would run past the last row.
        {WithHeading({{"00", "a", "B=1"}, {"01", "b", "L=7"}, {"02", "", ""}}),
         "строка 01: поле типа L (4 байта) выходит за конец таблицы: запрос не составлен"},
        {WithHeading({{"00", "a", "B=1"}, {"01", "b", "1000"}}),
         "строка 01: поле типа W (2 байта) выходит за конец таблицы: запрос не составлен"},
    };
    for (const Case& c : cases) {
        const Encoded e = EncodeTable(c.grid, 234, 5);
        EXPECT_EQ(e.error, QString::fromUtf8(c.error));
        EXPECT_TRUE(e.bytes.empty()) << c.error;
    }
}

// ---------------------------------------------------------------- decoding

TEST(DescriptionDecode, Fields) {
    struct Case {
        Grid grid;
        Frame bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {WithHeading({{"00", "слово", "W=/10"}, {"01", "", ""}, {"02", "b", ""}}),
         {0xE8, 0x03, 7, 9},
         {"слово=1000(100)", "b=7"}},
        {WithHeading({{"00", "t", "W = /100"}, {"01", "", ""}, {"02", "тип", "B=+1"}, {"03", "x", "B=abc"}}),
         {0x39, 0x30, 1, 2, 0},
         {"t=12345(123,45)", "тип=1(2)", "x=2(Значение не распознано)"}},
        {WithHeading({{"00", "l", "L"}, {"01", "", ""}, {"02", "", ""}, {"03", "", ""}, {"04", "s", "S=*2"}}),
         {0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0xC0, 0x3F, 0},
         {"l=-2", "s=1,50(3)"}},
        // A tiny single keeps its value in the expression.
        {WithHeading({{"00", "s", "S=*1000000"}, {"01", "", ""}, {"02", "", ""}, {"03", "", ""}}),
         {0xBD, 0x37, 0x86, 0x35, 0},
         {"s=0,00(1)"}},
        // The table is longer than the answer: its rows past the answer are left.
        {WithHeading({{"00", "a", "B"}, {"01", "b", "B"}, {"02", "c", "B"}, {"03", "d", "B"}}), {4, 5}, {"a=4"}},
        // A long that would run past the answer.
        {WithHeading({{"00", "a", "B"}, {"01", "l", "L"}, {"02", "", ""}, {"03", "", ""}, {"04", "", ""}}),
         {1, 2, 3},
         {"a=1", "l: поле за концом ответа"}},
        {Grid{}, {1, 2, 3}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeTable(c.grid, c.bytes), c.lines) << c.lines.join('|').toStdString();
}

// ---------------------------------------------------------------- listings

TEST(DescriptionListings, CharactersAndBytes) {
    const Frame bytes{0, 13, 17, 32, 65, 0xC0, 0xFF};
    EXPECT_EQ(CharListing(bytes), (QStringList{"001=00(00) NUL(Null char.)", "002=13(0D) CR(Carriage Return)",
                                               "003=17(11) DC1 (XON) (Device Control 1)", "004=32(20) SP (Space)",
                                               "005=65(41) A", "006=192(C0) \u0410", "007=255(FF) \u044F"}));
    EXPECT_EQ(ByteLines({6, 0xE1, 10}), (QStringList{"0.=6 (0x06)", "1.=225 (0xE1)", "2.=10 (0x0A)"}));
}

// ---------------------------------------------------------------- files

TEST(DescriptionFiles, ListsTheFilesOfAMask) {
    QTemporaryDir dir;
    for (const char* name : {"b.txt", "a.txt", "c.dat"}) test::WriteAll(dir.filePath(name), "x");
    QDir(dir.path()).mkdir("d.txt");
    EXPECT_EQ(ListFiles(dir.filePath("*.txt")), (QStringList{dir.filePath("a.txt"), dir.filePath("b.txt")}));
    EXPECT_EQ(ListFiles(dir.filePath("нет/*.txt")), QStringList());

    SetDataRoot(dir.filePath("ДАННЫЕ"));
    EXPECT_EQ(TableFolder(225), dir.filePath("ДАННЫЕ/ОТЛАДКА/225"));
    EXPECT_EQ(TableFolder(5), dir.filePath("ДАННЫЕ/ОТЛАДКА/005"));
    EXPECT_EQ(TableMask(128), dir.filePath("ДАННЫЕ/ОТЛАДКА/128/*.txt"));
    SetDataRoot(QString());
}

TEST(DescriptionFiles, LoadSkipsLinesThatAreNotRows) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    test::WriteAll(path, ToCp1251("байт\tполе\tзначение\t\r\n"
                                  "00\tдлина\tB@01\t\r\n"
                                  "мусор\tчто-то\t\r\n"
                                  "01\tтип\tB@03\t\r\n"
                                  "02\tа\x01б\tB\t\r\n"
                                  "\t\t\t\r\n"
                                  "03\tкс\r\n"));
    LoadedTable t = LoadTable(path);
    EXPECT_EQ(t.error, QString());
    EXPECT_EQ(t.skipped, "пропущены строки 3, 5: не строки таблицы");
    EXPECT_EQ(Column(t.grid, 0), (QStringList{"байт", "00", "01", "", "03"}));
    EXPECT_EQ(Column(t.grid, 2), (QStringList{"значение", "B@01", "B@03", "", ""}));

    test::WriteAll(path, ToCp1251("байт\tполе\t\r\nx\ty\t\r\n00\ta\tB\t\r\n"));
    t = LoadTable(path);
    EXPECT_EQ(t.skipped, "пропущена строка 2: не строка таблицы");
    EXPECT_EQ(t.grid, (Grid{{"байт", "поле", ""}, {"00", "a", "B"}}));

    t = LoadTable(dir.filePath("нет.txt"));
    EXPECT_EQ(t.error, "не найден файл:\r" + dir.filePath("нет.txt"));
    EXPECT_TRUE(t.grid.isEmpty());
}

TEST(DescriptionFiles, SaveWritesThreeCellsARow) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    ASSERT_EQ(SaveTable({{"байт", "поле"}, {"00", "длина", "B@01"}}, path), QString());
    EXPECT_EQ(test::ReadAll(path), ToCp1251("байт\tполе\t\t\r\n00\tдлина\tB@01\t\r\n"));
    EXPECT_EQ(LoadTable(path).grid, (Grid{{"байт", "поле", ""}, {"00", "длина", "B@01"}}));
    EXPECT_NE(SaveTable({}, dir.filePath("нет/t.txt")), QString());
}

// ---------------------------------------------------------------- editing

TEST(DescriptionEditing, RowsAndDrops) {
    const Grid four = WithHeading({{"00", "a", "B"}, {"01", "b", "B"}, {"02", "c", "B"}});

    Grid g = four;
    DeleteRow(g, 2);
    EXPECT_EQ(Column(g, 0), (QStringList{"байт", "00", "01"}));
    EXPECT_EQ(Column(g, 1), (QStringList{"поле", "a", "c"}));
    DeleteRow(g, 0);  // never the heading
    DeleteRow(g, 5);
    EXPECT_EQ(g.size(), 3);
    DeleteRow(g, 1);
    DeleteRow(g, 1);  // two rows are the least
    EXPECT_EQ(Column(g, 1), (QStringList{"поле", "c"}));

    g = four;
    InsertRowAfter(g, 0);
    InsertRowAfter(g, 4);
    InsertRowAfter(g, 9);
    EXPECT_EQ(Column(g, 0), (QStringList{"байт", "00", "01", "02", "03", "04"}));
    EXPECT_EQ(Column(g, 1), (QStringList{"поле", "", "a", "b", "c", ""}));

    struct Drop {
        int row, column;
        char format;
        int predefined;
        QStringList rules;  // column 2 of every row afterwards
    };
    const Drop drops[] = {
        {2, 2, 'L', 2, {"значение", "B", "L@02", "L@02", "L@02", "L@02"}},
        {0, 2, 'W', 4, {"значение", "W@04", "W@04", "B"}},
        {3, 1, 'B', 1, {"значение", "B", "B", "B@01"}},
        {1, 1, 'x', 0, {"значение", "x@00", "x@00", "B"}},
    };
    for (const Drop& d : drops) {
        g = four;
        DropFormat(g, d.row, d.column, QLatin1Char(d.format), d.predefined);
        EXPECT_EQ(Column(g, 2), d.rules) << d.format;
        for (qsizetype r = 1; r < g.size(); ++r) EXPECT_EQ(g[r][0], QStringLiteral("%1").arg(r - 1, 2, 10, QLatin1Char('0')));
    }
}

// ---------------------------------------------------------------- shipped tables

namespace {

// Byte offset -> type letter of the fields of a family layout.
template <class Field>
std::map<int, char> LayoutLetters(std::span<const Field> fields) {
    std::map<int, char> out;
    for (const Field& f : fields) {
        const char letter = f.wire == Wire::Byte ? 'B' : f.wire == Wire::Word ? 'W' : f.wire == Wire::Long ? 'L' : 'S';
        int step = 0;
        if constexpr (requires { f.stride; }) step = f.stride;
        for (int k = 0; k < (step ? kFieldArray : 1); ++k) {
            out[f.offset1 + k * step] = letter;
            if (f.offset2 >= 0) out[f.offset2 + k * step] = letter;
        }
    }
    return out;
}

class ShippedTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir;
        QString why;
        data_ = test::CopyDataFolder(folder_->path(), &why);
        ASSERT_FALSE(data_.isEmpty()) << why.toStdString();
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override { SetDataRoot(data_); }
    void TearDown() override { SetDataRoot(QString()); }

    static Grid load(int type, const QString& name) {
        const LoadedTable t = LoadTable(TableFolder(type) + "/" + name + ".txt");
        EXPECT_EQ(t.error, QString()) << type << " " << name.toStdString();
        return t.grid;
    }

    static inline QTemporaryDir* folder_ = nullptr;
    static inline QString data_;
};

const int kShippedTypes[] = {128, 225, 227, 228, 229, 230, 234, 235, 236, 237};

}  // namespace

TEST_F(ShippedTables, EveryTableLoadsWhole) {
    for (const int type : kShippedTypes) {
        const QStringList files = ListFiles(TableMask(type));
        EXPECT_GE(files.size(), 4) << type;
        for (const QString& path : files) {
            // As delivered: Windows-1251, CR LF, every cell followed by a tab.
            const QByteArray bytes = test::ReadAll(path);
            EXPECT_TRUE(bytes.endsWith("\t\r\n")) << path.toStdString();
            EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << path.toStdString();
            EXPECT_EQ(bytes.count("\t\r\n"), bytes.count('\n')) << path.toStdString();
            const LoadedTable t = LoadTable(path);
            EXPECT_EQ(t.error, QString()) << path.toStdString();
            EXPECT_EQ(t.skipped, QString()) << path.toStdString();
            EXPECT_GE(t.grid.size(), 6) << path.toStdString();
            // Rows numbered as the page numbers them.
            Grid renumbered = t.grid;
            RenumberRows(renumbered);
            EXPECT_EQ(renumbered, t.grid) << path.toStdString();
        }
    }
}

// Each request composed from its table is what the simulated device of that
// type serves, and the answer's table reads the answer's header back.
TEST_F(ShippedTables, RequestsAnsweredAndAnswersDecoded) {
    constexpr int kSerial = 417;
    const std::map<QString, int> commands{{"номера и типа", 0}, {"состояния", 1}, {"конфигурации", 5},
                                          {"архивной записи", 3}, {"указателей архивов", 21}};
    for (const int type : kShippedTypes) {
        SimDevice device(type, kSerial);
        std::set<QString> found;
        for (const QString& path : ListFiles(TableMask(type))) {
            const QString name = QFileInfo(path).completeBaseName();
            if (!name.startsWith("запрос ")) continue;
            const QString subject = name.mid(7);
            ASSERT_TRUE(commands.count(subject)) << name.toStdString();
            found.insert(subject);
            const QString where = QStringLiteral("%1/%2").arg(type).arg(name);

            const Encoded request = EncodeTable(load(type, name), type, kSerial);
            ASSERT_EQ(request.error, QString()) << where.toStdString();
            ASSERT_GE(request.bytes.size(), 6u) << where.toStdString();
            EXPECT_EQ(request.bytes[0], request.bytes.size()) << where.toStdString();
            EXPECT_TRUE(CheckFrameSum(request.bytes)) << where.toStdString();
            EXPECT_EQ(request.bytes[1], type) << where.toStdString();
            EXPECT_EQ(GetW(request.bytes, 2), kSerial) << where.toStdString();
            EXPECT_EQ(request.bytes[4], commands.at(subject)) << where.toStdString();
            EXPECT_FALSE(request.lines.join('\n').contains(kNotRecognised)) << where.toStdString();

            const auto answer = device.Answer(request.bytes);
            ASSERT_TRUE(answer.has_value()) << where.toStdString();
            const Grid decoding = load(type, "ответ " + subject);
            EXPECT_LE(decoding.size() - 1, qsizetype(answer->size())) << where.toStdString();
            const QStringList lines = DecodeTable(decoding, *answer);
            const QStringList header{QStringLiteral("длина=%1").arg(answer->size()),
                                     QStringLiteral("тип прибора=%1").arg(type),
                                     QStringLiteral("номер прибора=%1").arg(kSerial),
                                     QStringLiteral("команда=%1").arg(commands.at(subject))};
            EXPECT_EQ(lines.mid(0, 4), header) << where.toStdString();
            EXPECT_FALSE(lines.join('\n').contains("за концом ответа")) << where.toStdString();
            EXPECT_FALSE(lines.join('\n').contains(kNotRecognised)) << where.toStdString();
        }
        EXPECT_TRUE(found.count("номера и типа") && found.count("состояния")) << type;
        if (type != 128) {
            EXPECT_EQ(found.size(), commands.size()) << type;
        }
    }
}

// The fields of the answer tables stand where the family layouts put them,
// with the layout's width.
TEST_F(ShippedTables, AnswerFieldsFollowTheFamilyLayouts) {
    struct Case {
        int type;
        const char* table;
        std::map<int, char> fields;
    };
    const Case cases[] = {
        {234, "ответ состояния", LayoutLetters(u34::StateLayout())},
        {234, "ответ конфигурации", LayoutLetters(u34::ConfigLayout())},
        {234, "ответ архивной записи", LayoutLetters(u34::ArchiveLayout())},
        {229, "ответ состояния", LayoutLetters(u29::StateLayout())},
        {229, "ответ конфигурации", LayoutLetters(u29::ConfigLayout())},
        {229, "ответ архивной записи", LayoutLetters(u29::ArchiveLayout())},
        {228, "ответ состояния", LayoutLetters(u28::StateLayout())},
        {228, "ответ конфигурации", LayoutLetters(u28::ConfigLayout())},
        {227, "ответ состояния", LayoutLetters(u27::StateLayout())},
        {227, "ответ конфигурации", LayoutLetters(u27::ConfigLayout())},
        {227, "ответ архивной записи", LayoutLetters(u27::ArchiveLayout())},
        {225, "ответ состояния", LayoutLetters(u25::StateLayout())},
        {225, "ответ конфигурации", LayoutLetters(u25::ConfigLayout())},
        {225, "ответ архивной записи", LayoutLetters(u25::ArchiveLayout())},
        {128, "ответ состояния", LayoutLetters(u128::AnswerLayout())},
    };
    for (const Case& c : cases) {
        const Grid grid = load(c.type, QString::fromUtf8(c.table));
        int checked = 0;
        for (const auto& [offset, letter] : c.fields) {
            if (offset + 1 >= grid.size()) continue;  // a table of the first fields only
            ++checked;
            EXPECT_TRUE(grid[offset + 1][2].startsWith(QLatin1Char(letter)))
                << c.type << " " << c.table << " byte " << offset << ": " << grid[offset + 1][2].toStdString();
        }
        EXPECT_GT(checked, 2) << c.type << " " << c.table;
    }
}
