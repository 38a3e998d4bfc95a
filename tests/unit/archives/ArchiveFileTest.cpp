#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>

#include "archives/ArchiveFile.h"
#include "archives/ArchiveKinds.h"
#include "families/U34Archive.h"
#include "protocol/Models.h"
#include "support/Paths.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"
#include "unit/archives/ArchiveTestData.h"

namespace omi {
namespace {

namespace a = u34::arh;
const ArchiveFamily& F() { return u34::ArchiveTables(); }

QStringList Fields(const QString& line) {
    QStringList f = line.split('\t');
    f.removeLast();
    return f;
}

void Put(QByteArray& bytes, int at, std::initializer_list<int> values) {
    for (int v : values) bytes[at++] = static_cast<char>(v);
}

// Two records written by hand: 5 March 2026, 9 o'clock, heat 1.5, operating
// time 258 h, fatal time 1505 min, system error 5; then a totals record of
// one entry (day number -36525).
QByteArray TwoLiteralRecords() {
    QByteArray b(2 * 232, '\0');
    Put(b, 0, {0x02, 0x01, 0x00, 0x00});
    Put(b, 8, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F});
    Put(b, 168, {0xE1, 0x05, 0x00, 0x00});
    Put(b, 216, {0x05, 0x00, 0x00, 0x00});
    Put(b, 224, {0x09, 0x00, 0x00, 0x00});
    Put(b, 228, {0x59, 0x25, 0x00, 0x00});
    Put(b, 232 + 8, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F});
    Put(b, 232 + 224, {0x01, 0x00, 0x00, 0x00});
    Put(b, 232 + 228, {0x53, 0x71, 0xFF, 0xFF});
    return b;
}

TEST(ArchiveFile, ParsesLiteralRecordsWithTotalsLine) {
    const ArchiveFileContent c = ParseArchiveFile(F(), TwoLiteralRecords(), "%f");
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entries[0][1], ArchiveRecord(u34::kRecord));  // record i fills the first record of entry i
    ASSERT_EQ(c.lines.size(), 4);
    const QStringList row = Fields(c.lines[2]);
    ASSERT_EQ(row.size(), 28);
    EXPECT_EQ(row.mid(0, 3), QStringList({"05 марта 2026г.", "9", "1,50"}));
    EXPECT_EQ(row[11], "5");
    EXPECT_EQ(row[13], "258");
    EXPECT_EQ(row[15], "9561");
    EXPECT_EQ(row[21], "25:05");
    EXPECT_TRUE(c.hasTotals);
    EXPECT_EQ(Fields(c.lines[3]).mid(0, 3), QStringList({"ИТОГО(1):", "", "1,50"}));
    EXPECT_EQ(Fields(c.lines[3])[15], "-36525");
    EXPECT_EQ(c.codes, ArchiveColumnCodes(F(), kHourlyArchive));  // the hour column is shown
    EXPECT_EQ(SelectColumns(c.cells, c.codes, 1), ApplyColumnCodes(c.lines, c.codes, 1));
}

TEST(ArchiveFile, RecordCountIsSizeDividedByRecordSize) {
    const struct {
        qsizetype size;
        std::size_t records;
    } cases[] = {{0, 0}, {100, 0}, {231, 0}, {232, 1}, {464 + 100, 2}, {1000, 4}};
    for (const auto& c : cases) {
        QByteArray bytes(c.size, '\0');
        for (qsizetype i = 0; i < c.size; ++i) bytes[i] = static_cast<char>(i * 7);
        // Each whole record dated 2026-03-05 at hour i: a record of a device.
        for (qsizetype at = 0; at + 232 <= c.size; at += 232) {
            const std::int32_t day = 9561, hour = static_cast<std::int32_t>(at / 232);
            std::memcpy(bytes.data() + at + 224, &hour, 4);
            std::memcpy(bytes.data() + at + 228, &day, 4);
        }
        const ArchiveFileContent content = ParseArchiveFile(F(), bytes, "%f");
        EXPECT_EQ(content.entries.size(), c.records) << c.size;
        EXPECT_EQ(content.lines.size(), 2 + std::max<qsizetype>(1, static_cast<qsizetype>(c.records))) << c.size;
        for (std::size_t i = 0; i < c.records; ++i)
            EXPECT_EQ(content.entries[i][0].Bytes(),
                      std::vector<std::uint8_t>(bytes.begin() + static_cast<qsizetype>(i) * 232,
                                                bytes.begin() + static_cast<qsizetype>(i + 1) * 232));
    }
}

TEST(ArchiveFile, JunkOrForeignBytesNeverBreakTheReader) {
    // NaN and huge doubles, negative and out-of-calendar day numbers, odd
    // sizes: no record of a device, so no entry, each whole record counted.
    for (const char fill : {'\xFF', '\x7F', '\x80', '\x01'}) {
        for (qsizetype size : {232 * 3, 232 * 3 + 5, 176 * 4, 96}) {
            const ArchiveFileContent c = ParseArchiveFile(F(), QByteArray(size, fill), "%.3f");
            EXPECT_TRUE(c.entries.empty());
            EXPECT_EQ(c.impossible, size / 232);
            ASSERT_EQ(c.lines.size(), 3);  // the header rows and "нет данных"
            for (const QString& line : c.lines) EXPECT_EQ(Fields(line).size(), 28);
            const Grid rows = ApplyColumnCodes(c.lines, c.codes, 1);
            EXPECT_EQ(rows.size(), c.lines.size());
        }
    }
}

class ArchiveFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { SetDataRoot(QString()); }
    QString Path(const QString& name) const { return dir.path() + "/" + name; }
    QTemporaryDir dir;
};

TEST_F(ArchiveFileOnDisk, DifferenceTabSavesRowsAndTotalsAndLoadsBack) {
    // Four daily entries, the oldest of the list included: three differences and the totals.
    const ArchiveList daily = test::DailyList(QDate(2026, 3, 12), 4);
    const ArchiveTabView t = ShowArchiveTab(234, 3, daily, {}, {QDate(2026, 3, 9), QDate(2026, 3, 12)}, "%f", 1);
    ASSERT_EQ(t.view.entries.size(), 4u);
    const QString path = Path("СУТ 2_Я  РАЗНОСТЬ_от0309до0312дз031309.Arh");
    ASSERT_EQ(WriteArchiveFile(F(), path, t.view.entries, t.tab.system), "");

    const QByteArray bytes = test::ReadAll(path);
    ASSERT_EQ(bytes.size(), 4 * 232);
    EXPECT_EQ(bytes.mid(3 * 232 + 224, 8), QByteArray::fromHex("0300000053"
                                                               "71ffff"));  // hour 3, day -36525
    for (std::size_t i = 0; i < 4; ++i) {                                   // the records of heat system 2
        const auto& rec = t.view.entries[i][1].Bytes();
        EXPECT_EQ(bytes.mid(static_cast<qsizetype>(i) * 232, 232),
                  QByteArray(reinterpret_cast<const char*>(rec.data()), 232));
    }

    ArchiveFileContent loaded;
    ASSERT_EQ(ReadArchiveFile(F(), path, "%f", loaded), "");
    ASSERT_EQ(loaded.lines.size(), 2 + 3 + 1);
    EXPECT_TRUE(loaded.lines.last().startsWith("ИТОГО(3):\t\t"));
    EXPECT_EQ(Fields(loaded.lines[2])[2], "20,00");  // system 2 heat difference
    EXPECT_EQ(ArchiveExtensionWarning(path), "");
}

TEST_F(ArchiveFileOnDisk, EmptyViewSavesEmptyFileAndNoDataTextCopy) {
    const ArchiveTabView t = ShowArchiveTab(234, 0, test::DailyList(QDate(2026, 3, 12), 3), {},
                                            {QDate(2025, 1, 1), QDate(2025, 1, 2)}, "%f", 1);
    const QString path = Path("empty.Arh");
    ASSERT_EQ(WriteArchiveFile(F(), path, t.view.entries, 0), "");
    ASSERT_EQ(WriteArchiveTextCopy(TextCopyName(path), t.table.rows), "");
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);

    const QByteArray text = test::ReadAll(Path("empty.txt"));
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0xC4u);  // "Д" in Windows-1251
    const QString noData = QStringList(15, "нет данных").join('\t');
    EXPECT_EQ(FromCp1251(text),
              "ДАТА\tТЕПЛО\tобъем\tобъем\tобъем\tt°\u0421 \tt°\u0421\tt°\u0421\tДавление\tДавление\tОшибка\tОшибка\t"
              "с ошибкой\tнаработка\tнаработка\t\r\n"
              "дд месяца гггг\t Гкал\t   1-й м3\t   2-й м3\t   3-й м3\tподача\tобратка\tдоп.\t  1-й, МПа\t   2-й, МПа\t"
              "системы\tуст-ва\tчч:мм\tчас\t с ош. час\t\r\n" +
                  noData + "\t\r\n");

    ArchiveFileContent loaded;
    ASSERT_EQ(ReadArchiveFile(F(), path, "%f", loaded), "");
    EXPECT_TRUE(loaded.entries.empty());
    EXPECT_FALSE(loaded.hasTotals);
    EXPECT_EQ(Fields(loaded.lines[2]), QStringList(28, "нет данных"));
}

TEST_F(ArchiveFileOnDisk, UnreadableFilesGiveMessagesAndKeepTheContent) {
    const QString big = Path("big.Arh");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxArchiveFileBytes + 1));  // sparse
    }
    const struct {
        QString path, message;
    } cases[] = {
        {Path("missing.Arh"), "не найден файл:\r" + Path("missing.Arh")},
        {dir.path(), "не найден файл:\r" + dir.path()},
        {big, "файл слишком большой:\r" + big},
    };
    ArchiveFileContent content = ParseArchiveFile(F(), TwoLiteralRecords(), "%f");
    const QStringList before = content.lines;
    for (const auto& c : cases) {
        EXPECT_EQ(ReadArchiveFile(F(), c.path, "%f", content), c.message);
        EXPECT_EQ(content.lines, before);
    }
}

TEST_F(ArchiveFileOnDisk, FailedWriteLeavesNothing) {
    const QString path = Path("no such folder/x.Arh");
    EXPECT_FALSE(WriteArchiveFile(F(), path, test::DailyList(QDate(2026, 3, 12), 2), 0).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(ArchiveFileOnDisk, ArchiveFolderIsCreatedLevelByLevel) {
    SetDataRoot(Path("ДАННЫЕ"));
    EXPECT_EQ(ArchiveFolder(234, 417), Path("ДАННЫЕ/АРХИВЫ/ОМИ-1 Б4М/00417"));
    EXPECT_EQ(MakeArchiveFolder(234, 417), "");
    EXPECT_TRUE(QFileInfo(Path("ДАННЫЕ/АРХИВЫ/ОМИ-1 Б4М/00417")).isDir());
    EXPECT_EQ(MakeArchiveFolder(234, 417), "");  // already there
    EXPECT_EQ(ArchivesRoot(), Path("ДАННЫЕ/АРХИВЫ"));

    test::WriteAll(Path("plain file"), "x");
    SetDataRoot(Path("plain file/ДАННЫЕ"));
    EXPECT_EQ(MakeArchiveFolder(235, 65535), "НЕ МОГУ СОЗДАТЬ ДИР");
}

TEST(ArchiveFileNames, ProposedNameTextCopyAndExtension) {
    const QDateTime saved(QDate(2026, 3, 13), QTime(9, 41));
    const struct {
        QString caption;
        QDate first, last;
        bool partial;
        QString name;
    } names[] = {
        {"СУТ 1-Я", QDate(2026, 3, 5), QDate(2026, 3, 12), false, "СУТ 1_Я_от20260305до20260312дз031309.Arh"},
        {"ЧАС 2-Я  РАЗНОСТЬ", QDate(2025, 12, 31), QDate(2026, 1, 1), false,
         "ЧАС 2_Я  РАЗНОСТЬ_от20251231до20260101дз031309.Arh"},
        {"a/b\\c:d-e+f.g", QDate(2026, 1, 2), QDate(2026, 1, 2), false,
         "a_b_c_d_e_f_g_от20260102до20260102дз031309.Arh"},
        // A year-long range is told from a day; a read cut short says so.
        {"СУТ 1-Я", QDate(2025, 3, 13), QDate(2026, 3, 13), true, "СУТ 1_Я_от20250313до20260313дз031309_неполный.Arh"},
    };
    for (const auto& n : names) EXPECT_EQ(ProposedArchiveName(n.caption, n.first, n.last, saved, n.partial), n.name);

    const struct {
        QString archive, text;
    } copies[] = {
        {"/d/СУТ 1_Я_от0305до0312дз031309.Arh", "/d/СУТ 1_Я_от0305до0312дз031309.txt"},
        {"/d/name", "/d/name.txt"},
        {"/d.x/name", "/d.x/name.txt"},
        {"C:\\d.x\\name", "C:\\d.x\\name.txt"},
        {"/d/a.b.arh", "/d/a.b.txt"},
    };
    for (const auto& c : copies) EXPECT_EQ(TextCopyName(c.archive), c.text);

    EXPECT_EQ(ArchiveExtensionWarning("/d/x.Arh"), "");
    EXPECT_EQ(ArchiveExtensionWarning("/d/x.arh"), "файл: /d/x.arh - не опознан как архивный");
    EXPECT_EQ(ArchiveExtensionWarning("/d/x"), "файл: /d/x - не опознан как архивный");
}

// A file the window saved knows its device from its folder and its heat
// system from the tab caption its name begins with; a file elsewhere or
// renamed says only what it can.
TEST(ArchiveFileNames, OriginFromFolderAndName) {
    const QString b4 = "/data/АРХИВЫ/" + ModelName(229) + "/";
    const struct {
        QString path;
        int readAs;
        ArchiveFileOrigin expected;
    } cases[] = {
        {b4 + "00417/СУТ 2_Я  РАЗНОСТЬ_от0305до0312дз031309.Arh", -1, {229, 417, 1, kDailyDifference}},
        {b4 + "00417/СУТ 1_Я_от0305до0312дз031309.Arh", -1, {229, 417, 0, kDailyArchive}},
        {b4 + "65535/ЧАС 2_Я_от0305до0312дз031309.Arh", 229, {229, 65535, 1, kHourlyArchive}},
        // Renamed: the system is not known for a family of two.
        {b4 + "00417/мой архив.Arh", -1, {229, 417, -1}},
        // One system: always the first, wherever the file lies.
        {"/tmp/СУТОЧНЫЙ_от0305до0312дз031309.Arh", 227, {-1, -1, 0, kDailyArchive}},
        {"/tmp/x.Arh", 227, {-1, -1, 0}},
        // Not a device folder: five digits that are no serial, a longer name, no model.
        {b4 + "00000/СУТ 2_Я_x.Arh", 229, {-1, -1, 1, kDailyArchive}},
        {b4 + "004170/СУТ 2_Я_x.Arh", -1, {-1, -1, -1}},
        {"/data/АРХИВЫ/не модель/00417/x.Arh", -1, {-1, 417, -1}},
    };
    for (const auto& c : cases) {
        const ArchiveFileOrigin o = ArchiveFileOriginOf(c.path, c.readAs);
        EXPECT_EQ(o.type, c.expected.type) << c.path.toStdString();
        EXPECT_EQ(o.serial, c.expected.serial) << c.path.toStdString();
        EXPECT_EQ(o.system, c.expected.system) << c.path.toStdString();
        EXPECT_EQ(o.kind, c.expected.kind) << c.path.toStdString();
    }
}

// Hourly or daily: hours in the records decide whatever the name says, the
// name decides for records that cannot tell (one record at 0 o'clock), and a
// file that says nothing is daily; a totals record makes a difference kind.
TEST(ArchiveFileNames, KindFromRecordsAndName) {
    const QDate day(2026, 12, 10);
    const ArchiveList hours{test::U34Entry(day, 2, {}), test::U34Entry(day, 1, {}), test::U34Entry(day, 0, {})};
    const ArchiveList days = test::DailyList(day, 3);
    const ArchiveList midnight{test::U34Entry(day, 0, {})};
    const QString folder = "/data/АРХИВЫ/" + ModelName(234) + "/00417/";
    const struct {
        QString name;
        ArchiveList entries;
        bool totals;
        int kind;
    } cases[] = {
        {"мой архив.Arh", hours, false, kHourlyArchive},
        {"СУТ 1_Я_от0305до0312дз031309.Arh", hours, false, kHourlyArchive},
        {"ЧАС 1_Я_от0305до0312дз031309.Arh", midnight, false, kHourlyArchive},
        {"ЧАС 2_Я  РАЗНОСТЬ_от0305до0312дз031309.Arh", midnight, true, kHourlyDifference},
        {"СУТ 1_Я_от0305до0312дз031309.Arh", days, false, kDailyArchive},
        {"мой архив.Arh", midnight, false, kDailyArchive},
        {"мой архив.Arh", days, true, kDailyDifference},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchiveFileKind(234, folder + c.name, c.entries, c.totals), c.kind) << c.name.toStdString();
}

namespace {
// A 232-byte record of the 234 family with its day number and hour.
QByteArray Record234(std::int32_t day, std::int32_t hour, char fill = 0) {
    QByteArray r(232, fill);
    std::memcpy(r.data() + 224, &hour, 4);
    std::memcpy(r.data() + 228, &day, 4);
    return r;
}
}  // namespace

// Bytes that are no archive are refused; records whose date no device
// record can have are left out and counted, the real ones kept.
TEST(ArchiveFile, RecordsWithoutARealDateAreNoRecords) {
    const QDate today(2026, 3, 10);
    const struct {
        const char* what;
        QByteArray bytes;
        std::size_t records;
        int impossible;
    } cases[] = {
        {"text", QByteArray("не архив, а заметки\r\n").repeated(40), 0, 6},
        {"day 0 (an empty slot)", Record234(0, 0), 0, 1},
        {"0xFF", Record234(-1, -1, char(0xFF)), 0, 1},
        {"hour 24", Record234(9561, 24), 0, 1},
        {"two years ahead", Record234(9561 + 730, 0), 0, 1},
        {"good, bad, good", Record234(9561, 1) + Record234(2217345, 0) + Record234(9560, 23), 2, 1},
        {"a year ahead is believed", Record234(9556 + 366, 0), 1, 0},
        {"differences and their totals", Record234(9561, 0) + Record234(-36525, 1), 2, 0},
        {"a totals record alone", Record234(-36525, 0), 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ArchiveFileContent content = ParseArchiveFile(F(), c.bytes, "%f", today);
        EXPECT_EQ(content.entries.size(), c.records);
        EXPECT_EQ(content.impossible, c.impossible);
    }
    const ArchiveFileContent mixed =
        ParseArchiveFile(F(), Record234(9561, 1) + Record234(2217345, 0) + Record234(9560, 23), "%f", today);
    ASSERT_EQ(mixed.entries.size(), 2u);
    EXPECT_EQ(EntryDay(mixed.entries[1]), 9560);
    EXPECT_FALSE(mixed.hasTotals);

    // Read from a file: no record at all is an error; the content stays.
    QTemporaryDir dir;
    const QString path = dir.filePath("notes.Arh");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("hello").repeated(100));
    f.close();
    ArchiveFileContent content;
    content.impossible = -7;
    const QString error = ReadArchiveFile(F(), path, "%f", content);
    EXPECT_TRUE(error.contains(" - не опознан как архивный")) << error.toStdString();
    EXPECT_EQ(content.impossible, -7);
}

}  // namespace
}  // namespace omi
