#include "archives/ReadPlan.h"
#include "support/Dates.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace omi;

namespace {

const QDate kToday(2026, 3, 7);
constexpr int kD0 = 9563;  // day number of 2026-03-07

TEST(RequestBytes, DailyCarriesBit7InTheSecondByte) {
    struct Case {
        int position;
        RequestBytes daily, hourly;
    } cases[] = {
        {0, {0, 128}, {0, 0}},     {255, {255, 128}, {255, 0}}, {256, {0, 129}, {0, 1}},
        {300, {44, 129}, {44, 1}}, {365, {109, 129}, {109, 1}}, {1080, {56, 132}, {56, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DailyRequestBytes234(c.position), c.daily) << c.position;
        EXPECT_EQ(HourlyRequestBytes234(c.position), c.hourly) << c.position;
        // A device reads back the ring and position it was asked for.
        for (const bool daily : {true, false}) {
            const RequestedRecord asked = RequestedRecord234(daily ? c.daily : c.hourly);
            EXPECT_EQ(asked.daily, daily) << c.position;
            EXPECT_EQ(asked.position, c.position) << c.position;
        }
    }
}

TEST(ReadPlan, DayNumberOfTheTestDate) { ASSERT_EQ(DayNumber(kToday), kD0); }

// Daily ring of 366 positions: (plan index, position, day) samples.
TEST(ReadPlan, DailyRunsBackFromTheCurrentPositionAndWraps) {
    struct Sample {
        std::size_t index;
        int position;
        int day;
    };
    struct Case {
        int current;
        std::vector<Sample> samples;
    } cases[] = {
        // position 0 today, then 365 down to 1, yesterday and older
        {0, {{0, 0, kD0}, {1, 365, kD0 - 1}, {2, 364, kD0 - 2}, {365, 1, kD0 - 365}}},
        // -1: the whole ring, the top position newest
        {-1, {{0, 365, kD0}, {1, 364, kD0 - 1}, {365, 0, kD0 - 365}}},
        {100, {{0, 100, kD0}, {100, 0, kD0 - 100}, {101, 365, kD0 - 101}, {365, 101, kD0 - 365}}},
        {365, {{0, 365, kD0}, {365, 0, kD0 - 365}}},
        // beyond the ring: taken as -1, never a position off the ring
        {366, {{0, 365, kD0}, {365, 0, kD0 - 365}}},
    };
    for (const Case& c : cases) {
        const Tia plan = BuildDailyPlan(c.current, 365, kToday, DailyRequestBytes234);
        ASSERT_EQ(plan.size(), 366u) << c.current;
        for (const Sample& s : c.samples) {
            const PlanEntry& e = plan[s.index];
            EXPECT_EQ(e.position, s.position) << c.current << " #" << s.index;
            EXPECT_EQ(e.day, s.day) << c.current << " #" << s.index;
            EXPECT_EQ(e.hour, 0);
            EXPECT_EQ(e.request, DailyRequestBytes234(s.position));
        }
    }
}

TEST(ReadPlan, EveryPositionOnceInEachPlan) {
    for (int current : {-1, 0, 17, 1080}) {
        const Tia plan = BuildHourlyPlan(current, 1080, QDateTime(kToday, QTime(10, 30)), HourlyRequestBytes234);
        std::vector<int> seen(1081, 0);
        for (const PlanEntry& e : plan) ++seen.at(static_cast<std::size_t>(e.position));
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 1081) << current;
    }
}

TEST(ReadPlan, HourlyCountsHoursBackAcrossMidnight) {
    struct Sample {
        std::size_t index;
        int position, day, hour;
    };
    struct Case {
        int current;
        QTime now;
        std::vector<Sample> samples;
    } cases[] = {
        {-1, QTime(10, 30), {{0, 1080, kD0, 10}, {10, 1070, kD0, 0}, {11, 1069, kD0 - 1, 23}, {1080, 0, kD0 - 45, 10}}},
        {5, QTime(0, 0), {{0, 5, kD0, 0}, {1, 4, kD0 - 1, 23}, {5, 0, kD0 - 1, 19}, {6, 1080, kD0 - 1, 18}}},
        {500, QTime(23, 59), {{0, 500, kD0, 23}, {23, 477, kD0, 0}, {24, 476, kD0 - 1, 23}}},
    };
    for (const Case& c : cases) {
        const Tia plan = BuildHourlyPlan(c.current, 1080, QDateTime(kToday, c.now), HourlyRequestBytes234);
        ASSERT_EQ(plan.size(), 1081u);
        for (const Sample& s : c.samples) {
            const PlanEntry& e = plan[s.index];
            EXPECT_EQ(e.position, s.position) << c.current << " #" << s.index;
            EXPECT_EQ(e.day, s.day) << c.current << " #" << s.index;
            EXPECT_EQ(e.hour, s.hour) << c.current << " #" << s.index;
            EXPECT_EQ(e.request, HourlyRequestBytes234(s.position));
        }
    }
}

}  // namespace
