#include "archives/ArchiveKinds.h"
#include "archives/ArchiveView.h"
#include "families/U34.h"
#include "families/U34Archive.h"
#include "unit/archives/ArchiveTestData.h"

#include <gtest/gtest.h>

namespace omi {
namespace {

using test::DailyList;
using test::SysValues;
using test::U34Entry;
namespace a = u34::arh;

const ArchiveFamily& F() { return u34::ArchiveTables(); }

QStringList Fields(const QString& line) {
    QStringList f = line.split('\t');
    f.removeLast();
    return f;
}

TEST(ArchiveKinds, TabsOfEveryType) {
    const QStringList two{"СУТ 1-Я", "СУТ 1-Я  РАЗНОСТЬ", "СУТ 2-Я", "СУТ 2-Я  РАЗНОСТЬ",
                          "ЧАС 1-Я", "ЧАС 1-Я  РАЗНОСТЬ", "ЧАС 2-Я", "ЧАС 2-Я  РАЗНОСТЬ"};
    const QStringList one{"СУТОЧНЫЙ", "СУТ РАЗНОСТЬ", "ЧАСОВОЙ", "ЧАС РАЗНОСТЬ"};
    const struct {
        QList<int> types;
        QStringList captions;
        QList<int> kinds, systems;
    } cases[] = {
        {{234, 236, 228, 229}, two, {0, 1, 0, 1, 2, 3, 2, 3}, {0, 0, 1, 1, 0, 0, 1, 1}},
        {{225, 227, 230, 235, 237}, one, {0, 1, 2, 3}, {0, 0, 0, 0}},
        {{0, 128, 226, 238, -1}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        for (int type : c.types) {
            const QList<ArchiveTab> tabs = ArchiveTabs(type);
            ASSERT_EQ(tabs.size(), c.captions.size()) << type;
            for (qsizetype i = 0; i < tabs.size(); ++i) {
                EXPECT_EQ(tabs[i].caption, c.captions[i]) << type;
                EXPECT_EQ(tabs[i].kind, c.kinds[i]) << type;
                EXPECT_EQ(tabs[i].system, c.systems[i]) << type;
            }
        }
    }
    EXPECT_EQ(ReadArchiveHint(kDailyDifference), "чтение суточного архива");
    EXPECT_EQ(ReadArchiveHint(kHourlyArchive), "чтение часового архива");
    EXPECT_EQ(ReadArchiveImageIndex(kDailyArchive), 3);
    EXPECT_EQ(ReadArchiveImageIndex(kHourlyDifference), 5);
}

TEST(ArchiveView, HeaderLinesOfFamily234) {
    const QStringList lines = ArchiveTableLines(F(), {}, 0, "%f");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              "ДАТА\tВремя\tТЕПЛО\tобъем\tобъем\tобъем\tt°\u0421 \tt°\u0421\tt°\u0421\tДавление\tДавление\tОшибка\t"
              "Ошибка\tнаработка\tнаработка\tдень\tОт пер\tОт пер\tОт пер\tОт пер\tОт пер\tс ошибкой\tОш малого\t"
              "Ош большого\tОш дельты\tЭнергия\tЭнергия\tЭнергия\t");
    EXPECT_EQ(lines[1],
              "дд месяца гггг\t\t Гкал\t   1-й м3\t   2-й м3\t   3-й м3\tподача\tобратка\tдоп.\t  1-й, МПа\t"
              "   2-й, МПа\tсистемы\tуст-ва\tчас\t с ош. час\tот 1.1.00\tраб\tтепло\tрасх 1\tрасх 2\tрасх 3\t"
              "чч:мм\tрасх\tрасх\tt°\u0421\tмалого\tбольшого\tdt°\u0421\t");
    // No entry: one "нет данных" line of 28 cells.
    EXPECT_EQ(Fields(lines[2]), QStringList(28, "нет данных"));
}

TEST(ArchiveView, ColumnCodesPerClassAndAccessLevel) {
    const QString daily =
        "ДАТА|ТЕПЛО|объем|объем|объем|t°\u0421 |t°\u0421|t°\u0421|Давление|Давление|Ошибка|Ошибка|"
        "с ошибкой|наработка|наработка";
    const struct {
        int kind, level;
        qsizetype columns;
        QString header1;  // joined by "|"
        QString header2;  // "" = not checked
    } cases[] = {
        {kDailyArchive, 1, 15, daily, ""},
        {kDailyDifference, 3, 15, daily, ""},
        {kHourlyArchive, 1, 16, "ДАТА|Время|" + daily.mid(5),
         "дд месяца гггг|| Гкал|   1-й м3|   2-й м3|   3-й м3|подача|"
         "обратка|доп.|  1-й, МПа|   2-й, МПа|системы|уст-ва|чч:мм|час| с ош. час"},
        {kHourlyDifference, 1, 16, "ДАТА|Время|" + daily.mid(5), ""},
        {kDailyArchive, 0, 28,
         "ДАТА|Время|" + daily.mid(5) +
             "|день|От пер|От пер|От пер|От пер|От пер|Ош малого|Ош большого|Ош дельты|"
             "Энергия|Энергия|Энергия",
         ""},
        {kHourlyDifference, 0, 28,
         "ДАТА|Время|" + daily.mid(5) +
             "|день|От пер|От пер|От пер|От пер|От пер|Ош малого|Ош большого|Ош дельты|"
             "Энергия|Энергия|Энергия",
         ""},
    };
    for (const auto& c : cases) {
        const Grid rows =
            ApplyColumnCodes(ArchiveTableLines(F(), {}, 0, "%f"), ArchiveColumnCodes(F(), c.kind), c.level);
        ASSERT_EQ(rows.size(), 3);
        for (const QStringList& row : rows) EXPECT_EQ(row.size(), c.columns) << c.kind << " " << c.level;
        EXPECT_EQ(rows[0].join('|'), c.header1) << c.kind << " " << c.level;
        if (!c.header2.isEmpty()) {
            EXPECT_EQ(rows[1].join('|'), c.header2);
        }
    }
}

TEST(ArchiveView, ApplyColumnCodesSplitsAtTabs) {
    const struct {
        QString line;
        ColumnCodes codes;
        int level;
        QStringList cells;
    } cases[] = {
        {"a\tb\tc\t", {3, -1, 1}, 1, {"c", "a"}},
        {"a\tb\tc\t", {3, -1, 1}, 0, {"c", "a", "a"}},
        {"a\tb\ttail", {3, 2}, 1, {"", "b"}},  // the text after the last tab is dropped
        {"no tabs", {1}, 1, {""}},
        {"", {1, 2}, 1, {"", ""}},
        {"a\t\tc\t", {2, 3, 0, 4}, 0, {"", "c", ""}},
    };
    for (const auto& c : cases) {
        const Grid rows = ApplyColumnCodes({c.line}, c.codes, c.level);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0], c.cells) << c.line.toStdString();
    }
}

TEST(ArchiveView, CumulativeKindCopiesTheEntriesInRange) {
    const ArchiveList list = DailyList(QDate(2026, 3, 12), 10);  // 12 .. 3 March
    const struct {
        QDate first, last;
        bool all;
        QList<int> days;  // days of March shown, in order
    } cases[] = {
        {QDate(2026, 3, 5), QDate(2026, 3, 8), false, {8, 7, 6, 5}},
        {QDate(2026, 3, 12), QDate(2026, 3, 12), false, {12}},
        {QDate(2026, 2, 1), QDate(2026, 3, 2), false, {}},
        {QDate(2026, 2, 1), QDate(2026, 3, 2), true, {12, 11, 10, 9, 8, 7, 6, 5, 4, 3}},
    };
    for (const auto& c : cases) {
        const ArchiveView v = BuildArchiveView(F(), list, kDailyArchive, {c.first, c.last, c.all});
        EXPECT_FALSE(v.hasTotals);
        ASSERT_EQ(v.entries.size(), static_cast<std::size_t>(c.days.size()));
        for (qsizetype i = 0; i < c.days.size(); ++i) {
            const std::size_t k = static_cast<std::size_t>(12 - c.days[i]);
            EXPECT_EQ(v.entries[static_cast<std::size_t>(i)], list[k]);
        }
    }
}

TEST(ArchiveView, DifferenceTabOfEightEntriesGivesSevenRowsAndTotals) {
    // 12 .. 1 March, range 2 .. 9 March: 8 entries in range, 1 March older.
    const ArchiveList list = DailyList(QDate(2026, 3, 12), 12);
    const ArchiveTabView t = ShowArchiveTab(234, 1, list, {}, {QDate(2026, 3, 2), QDate(2026, 3, 9), false}, "%f", 0);
    ASSERT_TRUE(t.error.isEmpty());
    ASSERT_EQ(t.view.entries.size(), 8u);
    ASSERT_TRUE(t.table.hasTotals);
    ASSERT_EQ(t.table.rows.size(), 2 + 7 + 1);
    EXPECT_EQ(t.table.rows, ApplyColumnCodes(t.table.lines, t.table.codes, 0));  // the grid is the lines' fields

    for (std::size_t i = 0; i < 7; ++i) {
        const ArchiveRecord& r = t.view.entries[i][0];
        EXPECT_EQ(r.Day(), DayNumber(QDate(2026, 3, 9 - static_cast<int>(i))));
        EXPECT_DOUBLE_EQ(r.Real(a::kHeat), 10);
        EXPECT_DOUBLE_EQ(r.Real(a::kV3), 15);
        EXPECT_EQ(r.Int(a::kWork), 24);
        EXPECT_EQ(r.Int(a::kWorkErr), 1);
        EXPECT_DOUBLE_EQ(r.Real(a::kT1), 70);  // not a difference
        EXPECT_DOUBLE_EQ(t.view.entries[i][1].Real(a::kHeat), 20);
    }
    const QStringList totals = t.table.rows.last();
    EXPECT_EQ(totals[0], "ИТОГО(7):");
    EXPECT_EQ(totals[1], "");       // the count is not an hour
    EXPECT_EQ(totals[2], "70,00");  // heat
    EXPECT_EQ(totals[6], "70,00");  // supply temperature, weighted by V1
    EXPECT_EQ(totals[8], "0,00");   // additional: no temperature counted
    EXPECT_EQ(t.table.rows[2][0], "09 марта 2026г.");
    const ArchiveRecord& s2 = t.view.entries.back()[1];
    EXPECT_DOUBLE_EQ(s2.Real(a::kHeat), 140);
    EXPECT_EQ(s2.Day(), -36525);
    EXPECT_EQ(s2.Hour(), 7);
}

// Four entries, the oldest of the list in range: three difference rows; the
// all-zero entry of the oldest one is the one made the totals entry.
ArchiveList TotalsList() {
    const QDate d(2026, 3, 12);
    struct Row {
        double heat, v1, t1, t2, p1;
        int work, workErr, fatal, sysErr, devErr;
    } rows[] = {
        {3.25, 60, 150, 40, 0.5, 72, 3, 1505, 1, 2},
        {2.0, 30, 60, 0, 0.6, 48, 1, 0, 4, 0},
        {1.5, 10, 80, -5, 0.7, 24, 1, 0, 0, 8},
        {0, 0, 99, 99, 99, 0, 0, 99, 64, 64},  // the oldest: only its cumulative values matter
    };
    ArchiveList list;
    int k = 0;
    for (const Row& r : rows) {
        SysValues s;
        s.heat = r.heat;
        s.v1 = r.v1;
        s.t1 = r.t1;
        s.t2 = r.t2;
        s.p1 = r.p1;
        s.p2 = 1;
        s.work = r.work;
        s.workErr = r.workErr;
        s.fatal = r.fatal;
        s.sysErr = r.sysErr;
        ArchiveEntry e = U34Entry(d.addDays(-k++), 0, s, {}, r.devErr);
        for (ArchiveRecord& rec : e) {  // values the totals leave at 0
            rec.SetReal(a::kPeriodHeat, 9);
            rec.SetInt(a::kPeriodWork, 5);
            rec.SetInt(a::kSmallFlow, 7);
            rec.SetReal(a::kELargeFlow, 3);
        }
        list.push_back(e);
    }
    return list;
}

TEST(ArchiveView, TotalsSumsOrsAndWeightsAndSkipsOutOfRangeTemperatures) {
    const ArchiveView v = BuildArchiveView(F(), TotalsList(), kDailyDifference, {QDate(), QDate(), true});
    ASSERT_EQ(v.entries.size(), 4u);
    ASSERT_TRUE(v.hasTotals);
    const ArchiveRecord& t = v.entries.back()[0];
    EXPECT_EQ(t.Day(), -36525);
    EXPECT_EQ(t.Hour(), 3);
    // Supply: (60 x 20 + 80 x 10) / (30 + 20 + 10); the 150 °C record adds its
    // volume but not its temperature. Return: no volume at all gives 0.
    EXPECT_DOUBLE_EQ(t.Real(a::kT1), 2000.0 / 60.0);
    EXPECT_DOUBLE_EQ(t.Real(a::kT2), 0);
    EXPECT_DOUBLE_EQ(t.Real(a::kP1), (0.5 + 0.6 + 0.7) / 3);

    const QString line = ArchiveTotalsLine(F(), t, "%f");
    EXPECT_EQ(line,
              "ИТОГО(3):\t\t3,25\t60,00\t0,00\t0,00\t33,33\t0,00\t0,00\t0,60\t1,00\t5\t10\t72\t3\t-36525\t0\t"
              "0,00\t0,00\t0,00\t0,00\t1 дн 01:05\t0\t0\t0\t0,00\t0,00\t0,00\t");
    // Under a day only hours and minutes, as the column's heading says.
    ArchiveRecord shorter = t;
    shorter.SetInt(a::kFatal, 69);
    EXPECT_EQ(Fields(ArchiveTotalsLine(F(), shorter, "%f")).value(21), "01:09");

    // Plain means of the values strictly between 0 and 150 over the three rows.
    ASSERT_EQ(v.means.size(), 2u);
    EXPECT_EQ(v.means[0], (std::vector<double>{70, 40, 0}));
    EXPECT_EQ(v.means[1], (std::vector<double>{0, 0, 0}));

    // An ordinary row keeps the record's own temperature, period values and
    // fatal time (hours:minutes).
    const QStringList row = Fields(ArchiveTableLines(F(), v.entries, 0, "%f")[2]);
    EXPECT_EQ(row[0], "12 марта 2026г.");
    EXPECT_EQ(row[2], "1,25");
    EXPECT_EQ(row[6], "150,00");
    EXPECT_EQ(row[17], "9,00");
    EXPECT_EQ(row[21], "25:05");
}

TEST(ArchiveView, NumberFormatAppliesToRowsAndTotals) {
    const struct {
        QString format, row, totals;
    } cases[] = {{"%f", "1,25", "3,25"}, {"%.5f", "1,25000", "3,25000"}, {"%.0f", "1", "3"}};
    const ArchiveList list = TotalsList();
    for (const auto& c : cases) {
        const ArchiveTabView t =
            ShowArchiveTab(234, 1, list, {}, {QDate(2026, 3, 9), QDate(2026, 3, 12), false}, c.format, 1);
        ASSERT_EQ(t.table.rows.size(), 6);
        EXPECT_EQ(t.table.rows[2][1], c.row) << c.format.toStdString();
        EXPECT_EQ(t.table.rows[5][1], c.totals) << c.format.toStdString();
    }
}

TEST(ArchiveView, SingleEntryInRangeIsAnEmptyTotals) {
    const ArchiveList list = DailyList(QDate(2026, 3, 12), 5);
    const ArchiveView v = BuildArchiveView(F(), list, kDailyDifference, {QDate(2026, 3, 10), QDate(2026, 3, 10)});
    ASSERT_EQ(v.entries.size(), 1u);
    for (const ArchiveRecord& r : v.entries[0]) {
        EXPECT_EQ(r.Hour(), 0);
        EXPECT_EQ(r.Day(), -36525);
        EXPECT_EQ(r.Real(a::kP1), 0);
        EXPECT_EQ(r.Real(a::kT1), 0);
    }
    EXPECT_EQ(Fields(ArchiveTotalsLine(F(), v.entries[0][0], "%f")).mid(0, 3), QStringList({"ИТОГО(0):", "", "0,00"}));
}

TEST(ArchiveView, TabChoosesListAndHeatSystem) {
    const ArchiveList daily = DailyList(QDate(2026, 3, 12), 3);  // system 2 holds twice the heat
    const ArchiveList hourly{U34Entry(QDate(2026, 3, 12), 9, {.heat = 5}, {.heat = 6})};
    const ViewRange range{QDate(2026, 3, 1), QDate(2026, 3, 31)};
    const struct {
        int type, tab;
        QString firstHeat;  // the heat cell of the first body row
    } cases[] = {
        {234, 0, "1000,00"}, {234, 2, "2000,00"}, {236, 2, "2000,00"}, {235, 0, "1000,00"},
        {237, 0, "1000,00"}, {234, 4, "5,00"},    {234, 6, "6,00"},    {235, 2, "5,00"},
    };
    for (const auto& c : cases) {
        const ArchiveTabView t = ShowArchiveTab(c.type, c.tab, daily, hourly, range, "%f", 0);
        ASSERT_TRUE(t.error.isEmpty()) << c.type;
        EXPECT_EQ(t.table.rows[2][2], c.firstHeat) << c.type << " tab " << c.tab;
    }
    EXPECT_EQ(ShowArchiveTab(234, 4, daily, hourly, range, "%f", 0).table.rows[2][1], "9");  // the hour

    EXPECT_EQ(ShowArchiveTab(128, 0, daily, hourly, range, "%f", 0).error,
              "TFomi.TCaChange:НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА:128");
    EXPECT_FALSE(ShowArchiveTab(235, 4, daily, hourly, range, "%f", 0).error.isEmpty());
}

TEST(ArchiveView, EmptyRangeShowsNoData) {
    for (int tab : {0, 1, 5}) {
        const ArchiveTabView t = ShowArchiveTab(234, tab, DailyList(QDate(2026, 3, 12), 3), {},
                                                {QDate(2025, 1, 1), QDate(2025, 1, 2)}, "%f", 1);
        EXPECT_FALSE(t.table.hasData);
        EXPECT_FALSE(t.table.hasTotals);
        ASSERT_EQ(t.table.rows.size(), 3);
        EXPECT_EQ(t.table.rows[2], QStringList(tab == 5 ? 16 : 15, "нет данных"));
    }
}

}  // namespace
}  // namespace omi
