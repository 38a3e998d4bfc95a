// The simulated calculators of the family 234/235: frames as the program reads
// them with the family's tables, the archive rings laid out as the program's
// read plan expects, the configuration memory and the write result.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SimDevice.h"
#include "SimResponder.h"
#include "SimTestSupport.h"
#include "archives/ArchiveRecord.h"
#include "families/U34.h"
#include "support/Dates.h"

using omi::Frame;
using omi::SimDevice;
using omi::SimSettings;
using namespace omi::simtest;

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(13, 0));

omi::ArchiveEntry record(SimDevice& d, int n, bool daily) {
    const auto answer = d.Answer(request(d, omi::cmd::ArchiveRecord, positionBytes(n, daily)));
    omi::ArchiveEntry e;
    if (!answer || answer->size() != 222u) {
        ADD_FAILURE() << "no record answer for position " << n << (daily ? " daily" : " hourly");
        return omi::EmptyEntry(omi::u34::kRecord);
    }
    omi::DecodeArchiveFields(*answer, omi::u34::ArchiveLayout(), omi::u34::kRecord, e);
    return e;
}

// The configuration data the program writes for its default configuration;
// a device in its factory state answers the same bytes at the same offsets.
const Frame kDefaultConfigData = [] {
    Frame d;
    for (int i = 0; i < 6; ++i) d.insert(d.end(), {0xE8, 0x03});
    d.insert(d.end(), {0, 0, 5, 15, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 0; i < 2; ++i) d.insert(d.end(), {0x00, 0x80, 0xBB, 0x44});
    d.insert(d.end(), {0, 0});
    for (int i = 0; i < 2; ++i)
        d.insert(d.end(), {0x00, 0x00, 0xB4, 0x42, 0x00, 0x00, 0x8C, 0x42, 0x00, 0x00, 0x8C, 0x42});
    for (int i = 0; i < 6; ++i) d.insert(d.end(), {0xCD, 0xCC, 0xCC, 0x3F});
    d.insert(d.end(), {0, 0, 0, 0, 1, 1, 0, 0});
    return d;
}();

struct ShapeCase {
    const char* name;
    int command;
    Frame data;
    int length;  // 0: no answer
};

TEST(Sim34, AnswersEveryCommandOfTheFamilyInItsFrameShape) {
    const Frame shortConfig(kDefaultConfigData.begin(), kDefaultConfigData.end() - 1);
    const ShapeCase cases[] = {
        {"state", 1, {}, 129},
        {"configuration", 5, {}, 100},
        {"configuration write", 4, kDefaultConfigData, 7},
        {"current numbers", 21, {}, 10},
        {"before an archive read", 20, {}, 6},
        {"after an archive read", 254, {}, 6},
        {"daily record", 3, {44, 129}, 222},
        {"hourly record", 3, {0, 0}, 222},
        {"hourly position beyond the ring", 3, {0x39, 0x04}, 222},
        {"daily position beyond the ring", 3, {0x6E, 0x81}, 222},
        {"record request with one data byte", 3, {0}, 0},
        {"record request with three data bytes", 3, {0, 0, 0}, 0},
        {"configuration write one byte short", 4, shortConfig, 0},
        {"clearing the archives", 2, {0x44, 0xBB}, 7},
        {"clearing the archives without its guard bytes", 2, {0x2B, 0x02}, 0},
        {"new number without its guard bytes", 240, {0, 0, 9, 0}, 0},
        {"command the device does not serve", 100, {}, 0},
    };
    for (int type : {234, 235, 236, 237}) {
        SimDevice d(type, 417, at(kNow));
        for (const auto& c : cases) {
            const auto answer = d.Answer(request(d, c.command, c.data));
            expectAnswer(answer, c.length, d, c.command, std::to_string(type) + " " + c.name);
        }
    }
}

TEST(Sim34, ReportsTheLastWrittenPositionsPlusOne) {
    struct Case {
        std::optional<int> daily, hourly;
        Frame answer;
    };
    const Case cases[] = {
        {{}, {}, {10, 234, 161, 1, 21, 189, 2, 201, 0, 205}},  // hourly 701, daily 201
        {-1, 1081, {10, 234, 161, 1, 21, 58, 4, 0, 0, 23}},    // hourly 1082, daily 0
    };
    for (const auto& c : cases) {
        SimDevice d(234, 417, at(kNow, c.daily, c.hourly));
        EXPECT_EQ(d.Answer(request(d, 21)), c.answer);
    }
}

// A clock write moves the device's clock: three days on, the daily ring
// has three more records.
TEST(Sim34, ClockWriteSetsTheDeviceClock) {
    SimDevice d(234, 417, at(kNow));
    const Frame before = d.Answer(request(d, 21)).value();
    const Frame later{0x0D, 0x03, 10, 3, 26};  // 13:01 on 10 March 2026
    ASSERT_TRUE(d.Answer(request(d, 11, later)));
    const Frame after = d.Answer(request(d, 21)).value();
    EXPECT_EQ(omi::GetW(after, 7), omi::GetW(before, 7) + 3);
    // Nonsense dates are acknowledged but change nothing.
    ASSERT_TRUE(d.Answer(request(d, 11, {0, 0, 31, 2, 26})));
    EXPECT_EQ(d.Answer(request(d, 21)).value(), after);
}

TEST(Sim34, RingsHoldTheDatesOfTheReadPlan) {
    struct Case {
        int daily, hourly;
    };
    const Case cases[] = {{200, 700}, {0, 0}, {365, 1080}, {-1, -1}, {366, 1081}, {400, 5000}};
    const int today = omi::DayNumber(kNow.date());
    for (const auto& c : cases) {
        SimDevice d(236, 9, at(kNow, c.daily, c.hourly));
        const auto pointers = d.Answer(request(d, 21));
        ASSERT_TRUE(pointers);
        EXPECT_EQ(omi::GetW(*pointers, 5), c.hourly + 1);
        EXPECT_EQ(omi::GetW(*pointers, 7), c.daily + 1);

        const auto daily = planPositions(c.daily, 366);
        ASSERT_EQ(daily.size(), 366u);
        for (std::size_t i = 0; i < daily.size(); ++i) {
            const auto e = record(d, daily[i], true);
            ASSERT_EQ(omi::EntryDay(e), today - static_cast<int>(i)) << "daily " << c.daily << " position " << daily[i];
            ASSERT_EQ(omi::EntryHour(e), 0);
        }
        int day = today, hour = kNow.time().hour();
        for (int n : planPositions(c.hourly, 1081)) {
            const auto e = record(d, n, false);
            ASSERT_EQ(omi::EntryDay(e), day) << "hourly " << c.hourly << " position " << n;
            ASSERT_EQ(omi::EntryHour(e), hour) << "hourly " << c.hourly << " position " << n;
            if (--hour < 0) {
                hour = 23;
                --day;
            }
        }
    }
    // Dates as a calendar shows them: today and the oldest daily record.
    SimDevice d(234, 417, at(kNow));
    EXPECT_EQ(omi::DateOfDayNumber(omi::EntryDay(record(d, 200, true))), QDate(2026, 3, 7));
    EXPECT_EQ(omi::DateOfDayNumber(omi::EntryDay(record(d, 201, true))), QDate(2025, 3, 7));
}

TEST(Sim34, PositionsOutsideTheRingAnswerZeros) {
    SimDevice d(234, 417, at(kNow));
    for (const Frame& data : {positionBytes(1081, false), positionBytes(366, true), Frame{0xFF, 0xFF}}) {
        const auto answer = d.Answer(request(d, 3, data));
        ASSERT_TRUE(answer);
        EXPECT_EQ(dataOf(*answer), Frame(216, 0));
    }
}

struct Range {
    double low, high;
};

void expectIn(double value, Range r, const std::string& what) {
    EXPECT_GE(value, r.low) << what;
    EXPECT_LE(value, r.high) << what;
}

// Walks a ring newest to oldest: cumulative values fall, operating time
// falls by the period, each period value is the rise over its period, and
// temperatures and pressures stay in their ranges.
void checkRing(SimDevice& d, bool daily, int current, int size) {
    namespace a = omi::u34::arh;
    const int periodHours = daily ? 24 : 1;
    int withErrors = 0, withFatal = 0;
    omi::ArchiveEntry newer;
    for (int n : planPositions(current, size)) {
        const omi::ArchiveEntry e = record(d, n, daily);
        for (int s = 0; s < 2; ++s) {
            const auto& r = e[static_cast<std::size_t>(s)];
            const std::string what =
                (daily ? "daily " : "hourly ") + std::to_string(n) + " system " + std::to_string(s + 1);
            expectIn(r.Real(a::kT1), {70, 95}, what + " t1");
            expectIn(r.Real(a::kT2), {40, 60}, what + " t2");
            expectIn(r.Real(a::kT3), {5, 15}, what + " t3");
            expectIn(r.Real(a::kP1), {0.3, 0.6}, what + " P1");
            expectIn(r.Real(a::kP2), {0.3, 0.6}, what + " P2");
            expectIn(r.Int(a::kFatal), {0, 60.0 * periodHours}, what + " fatal minutes");
            if (r.Int(a::kSystemError) != 0) ++withErrors;
            if (r.Int(a::kFatal) > 0) ++withFatal;
            if (newer.empty()) continue;
            const auto& later = newer[static_cast<std::size_t>(s)];
            EXPECT_EQ(later.Int(a::kWork) - r.Int(a::kWork), periodHours) << what;
            EXPECT_GE(later.Int(a::kWorkErr), r.Int(a::kWorkErr)) << what;
            for (auto [total, period] : {std::pair{a::kHeat, a::kPeriodHeat}, std::pair{a::kV1, a::kPeriodV1},
                                         std::pair{a::kV2, a::kPeriodV2}, std::pair{a::kV3, a::kPeriodV3}}) {
                const double rise = later.Real(total) - r.Real(total);
                EXPECT_GT(rise, 0) << what << " offset " << total;
                EXPECT_NEAR(later.Real(period), rise, 1e-6 * later.Real(total)) << what << " offset " << total;
            }
        }
        newer = e;
    }
    // A few records carry errors, most do not.
    EXPECT_GT(withFatal, 0) << daily;
    EXPECT_GE(withErrors, withFatal) << daily;
    EXPECT_LT(withErrors, 2 * size / 5) << daily;
}

TEST(Sim34, ArchiveValuesArePlausible) {
    SimDevice d(234, 417, at(kNow));
    checkRing(d, true, 200, 366);
    checkRing(d, false, 700, 1081);

    // The daily record of today and the hourly record of today 00:00 were
    // written at the same moment.
    namespace a = omi::u34::arh;
    const auto day = record(d, 200, true);
    const auto hour = record(d, 700 - 13, false);
    ASSERT_EQ(omi::EntryDay(hour), omi::EntryDay(day));
    ASSERT_EQ(omi::EntryHour(hour), 0);
    for (int offset : {a::kWork, a::kWorkErr}) EXPECT_EQ(hour[0].Int(offset), day[0].Int(offset));
    for (int offset : {a::kHeat, a::kV1, a::kV2, a::kV3}) EXPECT_EQ(hour[1].Real(offset), day[1].Real(offset));
}

TEST(Sim34, OneSystemTypesLeaveSystemTwoEmpty) {
    namespace a = omi::u34::arh;
    for (int type : {235, 237}) {
        SimDevice d(type, 417, at(kNow));
        const auto e = record(d, 100, true);
        EXPECT_GT(e[0].Real(a::kHeat), 0);
        EXPECT_EQ(e[1].Real(a::kHeat), 0);
        EXPECT_EQ(e[1].Real(a::kT1), 0);
        EXPECT_EQ(e[1].Int(a::kWorkErr), 0);
        EXPECT_EQ(omi::EntryDay(e), e[1].Day());  // the common fields still are

        omi::u34::StatePair state{};
        const auto answer = d.Answer(request(d, 1));
        ASSERT_TRUE(answer);
        omi::DecodeFields<omi::u34::StateRecord>(*answer, omi::u34::StateLayout(), state);
        EXPECT_GT(state[0].heat, 0);
        EXPECT_EQ(state[1].heat, 0);
        EXPECT_EQ(state[1].t1, 0);
        EXPECT_EQ(state[1].v1, 0);
    }
}

TEST(Sim34, StateIsPlausibleAndMovesFromRequestToRequest) {
    SimDevice d(234, 417, at(kNow));
    omi::u34::StatePair previous{};
    int errors = 0;
    for (int i = 0; i < 30; ++i) {
        const auto answer = d.Answer(request(d, 1));
        ASSERT_TRUE(answer);
        omi::u34::StatePair state{};
        omi::DecodeFields<omi::u34::StateRecord>(*answer, omi::u34::StateLayout(), state);
        for (int s = 0; s < 2; ++s) {
            const auto& r = state[static_cast<std::size_t>(s)];
            const std::string what = "request " + std::to_string(i) + " system " + std::to_string(s + 1);
            expectIn(r.t1, {70, 95}, what + " t1");
            expectIn(r.t2, {40, 60}, what + " t2");
            expectIn(r.t3, {5, 15}, what + " t3");
            expectIn(r.p1, {0.3, 0.6}, what + " P1");
            expectIn(r.p2, {0.3, 0.6}, what + " P2");
            EXPECT_GT(r.g1, r.g3) << what;
            EXPECT_GT(r.g3, 0) << what;
            expectIn(r.m1 / r.v1, {0.95, 1.0}, what + " density");
            EXPECT_EQ(r.deviceError, 0) << what;
            if (r.systemError != 0) ++errors;
            if (i == 0) continue;
            const auto& p = previous[static_cast<std::size_t>(s)];
            EXPECT_GE(r.heat, p.heat) << what;
            EXPECT_GE(r.v1, p.v1) << what;
            EXPECT_NE(r.t1, p.t1) << what;
            EXPECT_LT(std::abs(r.t1 - p.t1), 3) << what;
        }
        previous = state;
    }
    EXPECT_GT(errors, 0);
    EXPECT_LT(errors, 5);
}

TEST(Sim34, ConfigurationWriteIsKeptUnlessRefused) {
    // The default data with changes in both systems and in common settings.
    Frame written = kDefaultConfigData;
    written[0] = 0xD2;  // system 1 weight 1: 12.34 имп/л
    written[1] = 0x84;
    written[12] = 2;     // system 1 type 3
    written[14] = 7;     // first cold-water temperature
    written[36] = 0x01;  // flags: system 1 Tп, system 2 Pп
    written[37] = 0x08;
    written[86] = 0x34;  // reserved word A
    written[87] = 0x12;
    written[90] = 25;  // report day

    struct Case {
        int writeResult;
        Frame answer;
        Frame readBack;
    };
    const Case cases[] = {
        {0, {7, 234, 161, 1, 4, 0, 105}, written},
        {1, {7, 234, 161, 1, 4, 1, 104}, kDefaultConfigData},
        {2, {7, 234, 161, 1, 4, 2, 103}, kDefaultConfigData},
    };
    for (const auto& c : cases) {
        SimDevice d(234, 417, at(kNow, {}, {}, c.writeResult));
        const auto before = d.Answer(request(d, 5));
        ASSERT_TRUE(before);
        EXPECT_EQ(dataOf(*before), kDefaultConfigData) << c.writeResult;
        EXPECT_EQ(d.Answer(request(d, 4, written)), c.answer) << c.writeResult;
        const auto after = d.Answer(request(d, 5));
        ASSERT_TRUE(after);
        EXPECT_EQ(dataOf(*after), c.readBack) << c.writeResult;
    }

    // Read with the program's table, the common settings land in both systems.
    SimDevice d(234, 417, at(kNow));
    ASSERT_TRUE(d.Answer(request(d, 4, written)));
    omi::u34::ConfigPair pair{};
    omi::DecodeFields<omi::u34::ConfigRecord>(*d.Answer(request(d, 5)), omi::u34::ConfigLayout(), pair);
    EXPECT_EQ(pair[0].weight1, 34002);
    EXPECT_EQ(pair[0].systemType, 3);
    EXPECT_EQ(pair[1].systemType, 1);
    for (const auto& r : pair) {
        EXPECT_EQ(r.coldT1, 7);
        EXPECT_EQ(r.reportDay, 25);
        EXPECT_EQ(r.flags, 0x0801);
        EXPECT_EQ(r.reservedA, 0x1234);
    }
}

TEST(Sim34, SameOptionsGiveTheSameDevice) {
    SimDevice a(234, 417, at(kNow));
    SimDevice b(234, 417, at(kNow));
    SimDevice other(234, 418, at(kNow));
    for (const Frame& data : {positionBytes(17, true), positionBytes(900, false)}) {
        const auto fromA = a.Answer(request(a, 3, data));
        ASSERT_TRUE(fromA);
        EXPECT_EQ(fromA, b.Answer(request(b, 3, data)));
        EXPECT_NE(dataOf(*fromA), dataOf(*other.Answer(request(other, 3, data))));
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.Answer(request(a, 1)), b.Answer(request(b, 1)));
}

TEST(Sim34, TheRunningClockWritesNewRecordsAndKeepsTheOldOnes) {
    auto now = std::make_shared<QDateTime>(QDate(2026, 3, 7), QTime(23, 40));
    SimSettings settings;
    settings.clock = [now] { return *now; };
    settings.dailyCurrent = 365;
    settings.hourlyCurrent = 1080;
    SimDevice d(234, 417, settings);
    const auto oldDay = d.Answer(request(d, 3, positionBytes(365, true)));
    const auto oldHour = d.Answer(request(d, 3, positionBytes(1080, false)));

    *now = QDateTime(QDate(2026, 3, 8), QTime(1, 5));  // two hours and a day later
    EXPECT_EQ(d.Answer(request(d, 21)), (Frame{10, 234, 161, 1, 21, 2, 0, 1, 0, 82}));
    EXPECT_EQ(d.Answer(request(d, 3, positionBytes(365, true))), oldDay);
    EXPECT_EQ(d.Answer(request(d, 3, positionBytes(1080, false))), oldHour);
    const auto today = record(d, 0, true);
    EXPECT_EQ(omi::DateOfDayNumber(omi::EntryDay(today)), QDate(2026, 3, 8));
    const auto hour = record(d, 1, false);
    EXPECT_EQ(omi::DateOfDayNumber(omi::EntryDay(hour)), QDate(2026, 3, 8));
    EXPECT_EQ(omi::EntryHour(hour), 1);
    EXPECT_EQ(omi::EntryHour(record(d, 0, false)), 0);
}

TEST(Sim34, LineFaultsReachTheFamilyAnswers) {
    const SimDevice d(234, 417, at(kNow));
    const Frame requests[] = {request(d, 21), request(d, 3, {0, 0}), request(d, 5), request(d, 1)};
    struct Case {
        omi::SimFaults faults;
        const char* pattern;
    };
    for (const auto& c : {Case{{.badCheckEvery = 2}, "axax"}, Case{{.silenceEvery = 3}, "aa-a"}}) {
        omi::SimResponder line(std::vector<SimDevice>{}, c.faults);
        line.Devices().emplace_back(234, 417, at(kNow));
        std::string seen;
        for (const Frame& r : requests) {
            const auto answer = line.Respond(r);
            seen += !answer ? '-' : omi::CheckFrameSum(*answer) ? 'a' : 'x';
        }
        EXPECT_EQ(seen, c.pattern);
    }
}

}  // namespace
