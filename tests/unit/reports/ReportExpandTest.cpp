#include <gtest/gtest.h>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "reports/ReportExpand.h"
#include "reports/ReportItems.h"
#include "support/Dates.h"

namespace omi {
namespace {

ArchiveRecord RecordOf(int type) { return ArchiveRecord(*ArchiveFamilyOf(type)->layout); }

// A 234 device, tab "СУТ 2-Я  РАЗНОСТЬ".
ReportContext Context234() {
    ReportContext c;
    c.deviceType = 234;
    c.typeText = QStringLiteral("234");
    c.serialText = QStringLiteral("1234");
    c.today = QDate(2026, 12, 10);
    c.kind = kDailyDifference;
    c.system = 1;
    c.first = QDate(2026, 12, 1);
    c.last = QDate(2026, 12, 9);
    c.means = {{0, 0, 0}, {70.25, 45.5, 10}};
    return c;
}

TEST(ReportExpand, Family234Items) {
    // The tab "СУТ 2-Я  РАЗНОСТЬ" of a 234 is a daily difference of system 2.
    bool found = false;
    for (const ArchiveTab& tab : ArchiveTabs(234))
        if (tab.caption == QStringLiteral("СУТ 2-Я  РАЗНОСТЬ")) {
            EXPECT_EQ(tab.kind, kDailyDifference);
            EXPECT_EQ(tab.system, 1);
            found = true;
        }
    EXPECT_TRUE(found);

    ArchiveRecord r = RecordOf(234);
    r.SetDay(DayNumber(QDate(2026, 12, 7)));
    r.SetHour(5);
    r.SetReal(8, 12.34);    // heat
    r.SetReal(16, 100.06);  // V1
    r.SetReal(24, 40.01);   // V2
    r.SetReal(128, 70.5);   // supply
    r.SetReal(136, 45.25);  // return
    r.SetInt(168, 75);      // fatal-error time, minutes
    r.SetReal(72, 12.6);    // heat for the period, with "%d"
    r.SetReal(200, -2.5);   // energy in high-flow error, with "%d"
    r.SetInt(216, 3);       // system error
    const QStringList& items = DefaultItems("34");
    const ReportContext c = Context234();
    const struct {
        const char* line;
        const char* text;
    } cases[] = {
        {"@05", "Архив суточный разностный"},
        {"@03", "2"},
        {"@21", "Итого:"},
        {"@20", "01:15"},
        {"[@7x]", "[]"},
        {"@@05", "5"},  // "@@0" removed, "5" stays
        {"a@", "a"},
        {"@00/@01 @02", "234/1234 10.12.2026"},
        {"@04", "от 01.12.2026 до 09.12.2026"},
        {"@06 @18", "07.12.26 05:00"},
        {"@07|@08", "12,3                     |100,1               "},
        {"@11 @15", "      60,1       25,3"},
        {"@19", "3"},
        {"@26 @34", "13 -3"},
        {"@37 @38 @40", "      70,3       45,5       24,8"},
        {"@41", ""},  // beyond the list
        {"@99", ""},
    };
    for (const auto& t : cases)
        EXPECT_EQ(ExpandLine(QString::fromUtf8(t.line), items, c, r), QString::fromUtf8(t.text)) << t.line;

    // Item 22 with 1505 minutes.
    r.SetInt(168, 1505);
    EXPECT_EQ(ExpandLine("@22", items, c, r), QStringLiteral("1дн01:05"));
}

TEST(ReportExpand, FileNameOfALoadedArchive) {
    const QString folder70 = QStringLiteral("C:\\") + QString(66, QChar(u'п')) + QStringLiteral("\\");
    ASSERT_EQ(folder70.size(), 70);
    EXPECT_EQ(ReportFileName(folder70 + QStringLiteral("арх.Arh")),
              QStringLiteral("Файл: ") + folder70.left(60) + QStringLiteral("\\...\\арх.Arh"));
    const QString folder60 = QStringLiteral("/") + QString(58, QChar('a')) + QStringLiteral("/");
    EXPECT_EQ(ReportFileName(folder60 + "x.Arh"), QStringLiteral("Файл: ") + folder60 + "x.Arh");
    const QString folder61 = QStringLiteral("/") + QString(59, QChar('a')) + QStringLiteral("/");
    EXPECT_EQ(ReportFileName(folder61 + "x.Arh"), QStringLiteral("Файл: ") + folder61.left(60) + "\\...\\x.Arh");

    // Printed from the device page: item 05 names the file, no range, no system.
    ReportContext c = Context234();
    c.fromFile = true;
    c.filePath = folder70 + QStringLiteral("арх.Arh");
    const QStringList& items = DefaultItems("34");
    const ArchiveRecord r = RecordOf(234);
    EXPECT_EQ(ExpandLine("@05", items, c, r), ReportFileName(c.filePath));
    EXPECT_EQ(ExpandLine("<@04><@03>", items, c, r), QStringLiteral("<><>"));
}

TEST(ReportExpand, OtherFamiliesUseTheirNumberingAndRecords) {
    // 227: hundredths of a degree, date 05, hour 16, error time 18 and 20.
    ArchiveRecord r27 = RecordOf(227);
    r27.SetDay(DayNumber(QDate(2026, 3, 7)));
    r27.SetHour(9);
    r27.SetInt(48, 6543);
    r27.SetReal(32, 5.5);  // hot water
    r27.SetInt(64, 1505);
    ReportContext c;
    c.deviceType = 227;
    c.kind = kHourlyArchive;
    c.system = 0;
    c.first = c.last = QDate(2026, 3, 7);
    const QStringList& items27 = DefaultItems("27");
    EXPECT_EQ(ExpandLine("@05 @16 @12 @09", items27, c, r27), QStringLiteral("07/03 :09       65,4        5,5"));
    EXPECT_EQ(ExpandLine("@04|@19|@20", items27, c, r27),
              QStringLiteral("Архив часовой накопительный|итого:|1дн01:05"));
    EXPECT_EQ(ExpandLine("@03", items27, c, r27), QStringLiteral("от 07.03.2026 до 07.03.2026"));

    // 235 prints with family "30": the first record, system number 1.
    ArchiveRecord r35 = RecordOf(235);
    r35.SetReal(152, 0.6);
    c.deviceType = 235;
    c.kind = kDailyArchive;
    c.system = 0;
    const QStringList& items30 = DefaultItems("30");
    EXPECT_EQ(ExpandLine("@03 @16 @24", items30, c, r35), QStringLiteral("1        0,6 "));

    // A record of another family reads as all zero.
    EXPECT_EQ(ExpandLine("@16", items30, c, r27), QStringLiteral("       0,0"));
}

TEST(ReportExpand, UserFormatsNeverBreakTheLine) {
    QStringList items = DefaultItems("34");
    items[0] = QStringLiteral("00.@00%s@~recursive");
    items[7] = QStringLiteral("07.%2147483647d~huge width");
    items[8] = QStringLiteral("08.%s%s%s%n%p~text for a real");
    items[6] = QStringLiteral("06.yyyy-mm-dd hh:nn~date");
    items[12] = QStringLiteral("12.no dot~");
    const ReportContext c = Context234();
    ArchiveRecord r = RecordOf(234);
    r.SetReal(16, 1.5);
    EXPECT_EQ(ExpandLine("@00", items, c, r), QStringLiteral("@00234@"));
    EXPECT_EQ(ExpandLine("@07", items, c, r), QStringLiteral("%?"));
    EXPECT_FALSE(ExpandLine("@08", items, c, r).isEmpty());
    EXPECT_EQ(ExpandLine("@06", items, c, r), QStringLiteral("1999-12-31 00:00"));
    EXPECT_EQ(ExpandLine("@12", items, c, r), QStringLiteral("no dot"));
}

}  // namespace
}  // namespace omi
