// Where a collection resumes: the first day after the finished mark (the
// mark's own day for the hourly ring, whose hours are asked by the plan), and
// which plan positions a resumed read may leave out.

#include <gtest/gtest.h>

#include "store/MeterCollection.h"
#include "support/Dates.h"

using namespace omi;

TEST(Resume, FirstDayOfTheRead) {
    const int day = DayNumber(QDate(2026, 12, 5));
    const std::int64_t mark = RecordHours(day, 13);
    EXPECT_EQ(ResumeDay(StoredArchive::Daily, {}, RecordHours(day, 0)), QDate(2026, 12, 6));
    EXPECT_EQ(ResumeDay(StoredArchive::Hourly, {}, mark), QDate(2026, 12, 5));
    EXPECT_EQ(ResumeDay(StoredArchive::Hourly, QDate(2026, 11, 1), mark), QDate(2026, 11, 1));  // --since wins
    EXPECT_FALSE(ResumeDay(StoredArchive::Daily, {}, std::nullopt).isValid());                 // the whole archive
}

TEST(Resume, OnlyRecordsHeldWithTheirNeighboursAreLeftOut) {
    const int d = DayNumber(QDate(2026, 12, 5));
    std::set<std::int64_t> held;
    for (int h = 3; h <= 12; ++h) held.insert(RecordHours(d, h));  // a run cut off after hour 3
    held.insert(RecordHours(d - 1, 0));
    struct Case {
        StoredArchive archive;
        int day, hour;
        bool skipped;
    };
    const Case cases[] = {
        {StoredArchive::Hourly, d, 7, true},    // inside the run
        {StoredArchive::Hourly, d, 5, true},
        {StoredArchive::Hourly, d, 4, false},   // the device's clock may put hour 2 here
        {StoredArchive::Hourly, d, 11, false},  // and hour 13 here
        {StoredArchive::Hourly, d, 13, false},  // not held
        {StoredArchive::Daily, d - 1, 0, true}, // a daily record is its day
        {StoredArchive::Daily, d - 2, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AlreadyStored(held, c.archive, c.day, c.hour), c.skipped) << c.day - d << " " << c.hour;
}
