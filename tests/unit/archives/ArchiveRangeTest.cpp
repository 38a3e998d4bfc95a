#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "families/U34.h"
#include "support/Dates.h"

#include <gtest/gtest.h>

using namespace omi;

namespace {

const QDate kToday(2026, 3, 7);  // a Saturday
const QDate kKept(2020, 1, 1);   // the first day before the click
constexpr int kDaily = 0, kHourly = 2;

TEST(RangePreset, ItemsOnAFixedDay) {
    const int tolerance6 = 9563 * 24;  // (today - 36525) x 24 hours
    struct Case {
        int item, type, kind;
        QDate first, last;
        int tolerance;
        bool allRecords;
        const char* statusError;
        const char* message;
    } cases[] = {
        {0, 234, kDaily, {2026, 3, 6}, kToday, 2, false, "", ""},
        {1, 234, kDaily, {2026, 2, 28}, kToday, 2, false, "", ""},
        // the previous Monday-to-Sunday week
        {2, 234, kDaily, {2026, 2, 23}, {2026, 3, 1}, 2, false, "", ""},
        {3, 234, kDaily, {2026, 2, 25}, kToday, 2, false, "", ""},
        // back from 27 days until a whole month of 30.4375 days lies between
        {4, 234, kDaily, {2026, 2, 4}, kToday, 2, false, "", ""},
        {5, 234, kDaily, {2026, 2, 1}, {2026, 2, 28}, 2, false, "", ""},
        {6, 234, kDaily, {2025, 3, 7}, kToday, tolerance6, false, "", ""},
        {6, 237, kHourly, {2026, 1, 20}, kToday, tolerance6, false, "", ""},
        {6, 227, kDaily, {2025, 10, 31}, kToday, tolerance6, false, "", ""},
        {6, 225, kHourly, {2026, 1, 23}, kToday, tolerance6, false, "", ""},
        {6, 229, kDaily, {2026, 1, 5}, kToday, tolerance6, false, "", ""},
        {6, 230, kHourly, {2026, 1, 26}, kToday, tolerance6, false, "", ""},
        {6, 128, kDaily, kKept, kToday, tolerance6, false, "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА", ""},
        {7, 234, kHourly, kKept, kToday, 2, true, "", ""},
        {8, 234, kDaily, kKept, kToday, 2, false, "", "TFomi.RGdtpClick:RGdtp.ItemIndex erundec: 8"},
    };
    for (const Case& c : cases) {
        const RangeChoice r = RangePreset(c.item, kToday, c.type, c.kind, kKept);
        const auto label = ::testing::Message() << "item " << c.item << " type " << c.type << " kind " << c.kind;
        EXPECT_EQ(r.first, c.first) << label;
        EXPECT_EQ(r.last, c.last) << label;
        EXPECT_EQ(r.tolerance, c.tolerance) << label;
        EXPECT_EQ(r.allRecords, c.allRecords) << label;
        EXPECT_EQ(r.statusError, QString::fromUtf8(c.statusError)) << label;
        EXPECT_EQ(r.message, QString::fromUtf8(c.message)) << label;
    }
}

TEST(RangePreset, MonthAndPreviousMonthAcrossTheYearAndLeapDays) {
    EXPECT_EQ(RangePreset(5, QDate(2026, 1, 15), 234, kDaily, kKept).first, QDate(2025, 12, 1));
    EXPECT_EQ(RangePreset(5, QDate(2026, 1, 15), 234, kDaily, kKept).last, QDate(2025, 12, 31));
    EXPECT_EQ(RangePreset(5, QDate(2024, 3, 1), 234, kDaily, kKept).last, QDate(2024, 2, 29));
    EXPECT_EQ(RangePreset(4, QDate(2024, 3, 1), 234, kDaily, kKept).first, QDate(2024, 1, 30));
    // a Monday: the previous week ends yesterday
    EXPECT_EQ(RangePreset(2, QDate(2026, 3, 9), 234, kDaily, kKept).last, QDate(2026, 3, 8));
    EXPECT_EQ(RangePreset(2, QDate(2026, 3, 9), 234, kDaily, kKept).first, QDate(2026, 3, 2));
}

TEST(ReadingState, PresetsAndEditedDates) {
    ArchiveReadingState s;
    s.ApplyPreset(RangePreset(7, kToday, 234, kDaily, kKept));
    EXPECT_TRUE(s.allRecords);
    s.DatesEdited();
    EXPECT_FALSE(s.allRecords);
    EXPECT_EQ(s.tolerance, 2);
    s.ApplyPreset(RangePreset(6, kToday, 234, kDaily, kKept));
    EXPECT_EQ(s.tolerance, 9563 * 24);
    s.DatesEdited();
    EXPECT_EQ(s.tolerance, 2);
    // a last day before the first moves the first day to it
    s.SetDates(QDate(2026, 3, 9), kToday);
    EXPECT_EQ(s.first, kToday);
    EXPECT_EQ(s.last, kToday);
}

// Entries of a list by day number, each marked with its original index.
ArchiveList listOfDays(const std::vector<int>& days) {
    ArchiveList list;
    for (std::size_t k = 0; k < days.size(); ++k) {
        ArchiveEntry e = ZeroEntry(u34::kRecord);
        e[0].SetDay(days[k]);
        e[0].SetInt(u34::arh::kWork, static_cast<int>(k));
        list.push_back(e);
    }
    return list;
}

TEST(SortArchiveList, NewestFirstCountingSwapsAndKeepingTheOrderOfADay) {
    struct Case {
        std::vector<int> days;
        std::vector<int> order;  // original indexes after the sort
        int swaps;
    } cases[] = {
        {{}, {}, 0},
        {{5}, {0}, 0},
        {{9, 8, 8, 7}, {0, 1, 2, 3}, 0},
        {{1, 2, 3}, {2, 1, 0}, 3},
        {{1, 3, 3}, {1, 2, 0}, 2},
        {{8, 7, 9, 7, 8}, {2, 0, 4, 1, 3}, 4},
        {{5, -36525, 6}, {2, 0, 1}, 2},
    };
    for (const Case& c : cases) {
        ArchiveList list = listOfDays(c.days);
        EXPECT_EQ(SortArchiveList(list), c.swaps);
        std::vector<int> order;
        for (const auto& e : list) order.push_back(e[0].Int(u34::arh::kWork));
        EXPECT_EQ(order, c.order);
    }
}

TEST(ArchiveTexts, ReadingAndSummary) {
    EXPECT_EQ(ReadingText(125), QStringLiteral("чтение архива. Ждите... 2 мин 5 сек"));
    EXPECT_EQ(ReadingText(0), QStringLiteral("чтение архива. Ждите... 0 мин 0 сек"));
    EXPECT_EQ(ReadingText(-61), QStringLiteral("чтение архива. Ждите... 1 мин 1 сек"));

    struct Case {
        bool allRecords;
        int missing, mixedUp;
        const char* text;
    } cases[] = {
        {false, 0, 0, "архив прочитан от 01.03.2026 г. до 07.03.2026 г."},
        {false, 3, 0, "архив прочитан от 01.03.2026 г. до 07.03.2026 г.... 3 записей отсутствует"},
        {false, 0, 2, "архив прочитан от 01.03.2026 г. до 07.03.2026 г.... 2 дат перепутано"},
        {false, 1, 4, "архив прочитан от 01.03.2026 г. до 07.03.2026 г.... 1 записей отсутствует... 4 дат перепутано"},
        {true, 1, 4, "архив прочитан от корки до корки"},
    };
    for (const Case& c : cases) {
        ArchiveReadingState s;
        s.first = QDate(2026, 3, 1);
        s.last = kToday;
        s.allRecords = c.allRecords;
        s.missing = c.missing;
        s.mixedUp = c.mixedUp;
        EXPECT_EQ(SummaryText(s), QString::fromUtf8(c.text));
    }
}

}  // namespace
