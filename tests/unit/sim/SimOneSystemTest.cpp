// The simulated calculators of the families 227 and 225: frames as the
// program reads them with the family's decoders, the archive rings laid out
// as the read plan expects, plausible values, the configuration memory, and
// the way from a simulator frame to an archive file and back.

#include <gtest/gtest.h>

#include <cmath>

#include "SimDevice.h"
#include "SimTestSupport.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveView.h"
#include "families/U25.h"
#include "families/U25Archive.h"
#include "families/U27.h"
#include "families/U27Archive.h"
#include "support/Dates.h"

using namespace omi;
using namespace omi::simtest;

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(13, 0));
constexpr int kSerial = 417;

// What the tests need to know of a family: its frames, decoders, record
// offsets and tables.
struct Family {
    const char* name;
    int type;
    int stateLength, configLength, archiveLength, numbersLength;
    int daily, hourly;                // ring positions
    int defaultDaily, defaultHourly;  // last-written positions when the settings give none
    QString (*decArh)(const Frame&, const DeviceAddress&, ArchiveEntry&);
    const ArchiveFamily& (*tables)();
    Frame defaultConfig;  // configuration data of the program's default
    Frame otherConfig;    // another valid configuration
    // Record offsets.
    int work, workErr, heat, t1, t2, t3, error, errDuration;
    std::vector<int> rising;   // cumulative values that rise every hour
    std::vector<int> growing;  // cumulative values that never fall, some hours without a rise
};

// The state texts as temperatures and cumulative values, whatever the family.
struct StateSample {
    double t1, t2, t3;
    std::vector<double> counters;
    int error;
};

StateSample decodeState(const Family& f, const Frame& answer) {
    StateSample s{};
    if (f.type == 227) {
        u27::StateRecord r;
        EXPECT_EQ(u27::DecState(answer, {kSerial, 227}, r), QString());
        s = {r.t1 / 100.0, r.t2 / 100.0, r.t3 / 100.0, {r.heat, r.v1, r.v2, r.vHot, r.v3}, r.errorCode};
    } else {
        u25::StateRecord r;
        EXPECT_EQ(u25::DecState(answer, {kSerial, 225}, r), QString());
        s = {r.t1 / 100.0,
             r.t2 / 100.0,
             r.t3 / 100.0,
             {r.heat, r.v1, r.v2, r.v3, r.vReduced, r.energy1, r.energy2},
             r.errorCode};
    }
    return s;
}

const std::vector<Family>& families() {
    static const std::vector<Family> list{
        {"227",
         227,
         33,
         16,
         41,
         10,
         128,
         1024,
         90,
         700,
         &u27::DecArh,
         &u27::ArchiveTables,
         u27::SetPar(u27::DefaultConfig()).data,
         Frame{0x0A, 0x00, 0xE8, 0x03, 0x10, 0x27, 0x01, 0x00, 3, 12},
         u27::arh::kWork,
         u27::arh::kWorkErr,
         u27::arh::kHeat,
         u27::arh::kT1,
         u27::arh::kT2,
         u27::arh::kT3,
         u27::arh::kError,
         u27::arh::kErrDuration,
         {u27::arh::kHeat, u27::arh::kV1, u27::arh::kV2, u27::arh::kVHot, u27::arh::kV3},
         {}},
        {"225",
         225,
         41,
         23,
         49,
         9,
         128,
         1024,
         90,
         700,
         &u25::DecArh,
         &u25::ArchiveTables,
         u25::SetPar(u25::DefaultConfig()).data,
         Frame{0x0A, 0x00, 0xE8, 0x03, 0xFF, 0xFF, 0x10, 0x0E, 0x01, 0xA4, 0x01, 0x64, 0x05, 0x04, 0x0C, 0x01, 0x32},
         u25::arh::kWork,
         u25::arh::kWorkErr,
         u25::arh::kHeat,
         u25::arh::kT1,
         u25::arh::kT2,
         u25::arh::kT3,
         u25::arh::kError,
         u25::arh::kErrDuration,
         {u25::arh::kHeat, u25::arh::kV1, u25::arh::kV2, u25::arh::kV3},
         // Energy of a tariff rises only in its hours.
         {u25::arh::kVReduced, u25::arh::kEnergy1, u25::arh::kEnergy2}},
    };
    return list;
}

class SimOneSystem : public ::testing::Test {
protected:
    // The record of a position through the family's decoder.
    static ArchiveEntry record(const Family& f, SimDevice& d, int n, bool daily) {
        const auto answer = d.Answer(request(d, cmd::ArchiveRecord, positionBytes(n, daily)));
        ArchiveEntry e;
        if (!answer || f.decArh(*answer, {d.Serial(), d.Type()}, e) != QString()) {
            ADD_FAILURE() << f.name << ": no record for position " << n << (daily ? " daily" : " hourly");
            return EmptyEntry(*f.tables().layout);
        }
        return e;
    }
};

TEST_F(SimOneSystem, AnswersEveryCommandInItsFrameShape) {
    for (const Family& f : families()) {
        const Frame shortConfig(f.defaultConfig.begin(), f.defaultConfig.end() - 1);
        const struct {
            const char* name;
            int command;
            Frame data;
            int length;  // 0: no answer
        } cases[] = {
            {"state", 1, {}, f.stateLength},
            {"configuration", 5, {}, f.configLength},
            {"configuration write", 4, f.defaultConfig, 7},
            {"current numbers", 21, {}, f.numbersLength},
            {"before an archive read", 20, {}, 6},
            {"after an archive read", 254, {}, 6},
            {"daily record", 3, positionBytes(127, true), f.archiveLength},
            {"hourly record", 3, {0, 0}, f.archiveLength},
            {"hourly position beyond the ring", 3, positionBytes(1024, false), f.archiveLength},
            {"daily position beyond the ring", 3, positionBytes(128, true), f.archiveLength},
            {"record request with one data byte", 3, {0}, 0},
            {"record request with three data bytes", 3, {0, 0, 0}, 0},
            {"configuration write one byte short", 4, shortConfig, 0},
            {"configuration write of the other family", 4,
             f.type == 227 ? families()[1].defaultConfig : families()[0].defaultConfig, 0},
            {"command the device does not serve", 12, {}, 0},
        };
        SimDevice d(f.type, kSerial, at(kNow));
        for (const auto& c : cases) {
            const auto answer = d.Answer(request(d, c.command, c.data));
            expectAnswer(answer, c.length, d, c.command, std::string(f.name) + " " + c.name);
        }
    }
}

TEST_F(SimOneSystem, ReportsTheLastWrittenPositionsPlusOne) {
    const struct {
        int type;
        std::optional<int> daily, hourly;
        Frame answer;
    } cases[] = {
        {227, {}, {}, {10, 227, 161, 1, 21, 0xBD, 0x02, 91, 0, 66}},  // hourly 701, daily 91
        {225, {}, {}, {9, 225, 161, 1, 21, 0xBD, 0x02, 91, 69}},      // the 9 bytes the reader of 225 accepts
        {227, 300, -1, {10, 227, 161, 1, 21, 0, 0, 255, 0, 93}},      // 301 does not fit the byte
        {225, -1, 1024, {9, 225, 161, 1, 21, 0x01, 0x04, 0, 90}},
    };
    for (const auto& c : cases) {
        SimDevice d(c.type, kSerial, at(kNow, c.daily, c.hourly));
        EXPECT_EQ(d.Answer(request(d, 21)), c.answer) << c.type;
    }
}

TEST_F(SimOneSystem, RingsHoldTheDatesOfTheReadPlan) {
    const struct { int daily, hourly; } cases[] = {{90, 700}, {0, 0}, {127, 1023}, {-1, -1}, {128, 1024}};
    const int today = DayNumber(kNow.date());
    for (const Family& f : families()) {
        for (const auto& c : cases) {
            SimDevice d(f.type, 9, at(kNow, c.daily, c.hourly));
            const auto daily = planPositions(c.daily, f.daily);
            for (std::size_t i = 0; i < daily.size(); ++i) {
                const auto e = record(f, d, daily[i], true);
                ASSERT_EQ(EntryDay(e), today - static_cast<int>(i))
                    << f.name << " daily " << c.daily << " at " << daily[i];
                ASSERT_EQ(EntryHour(e), 0);
            }
            int day = today, hour = kNow.time().hour();
            for (int n : planPositions(c.hourly, f.hourly)) {
                const auto e = record(f, d, n, false);
                ASSERT_EQ(EntryDay(e), day) << f.name << " hourly " << c.hourly << " at " << n;
                ASSERT_EQ(EntryHour(e), hour) << f.name << " hourly " << c.hourly << " at " << n;
                if (--hour < 0) {
                    hour = 23;
                    --day;
                }
            }
        }
        // A position off the ring is a record of zeros: a valid frame without a date.
        SimDevice d(f.type, kSerial, at(kNow));
        for (const Frame& data : {positionBytes(1024, false), positionBytes(128, true), Frame{0xFF, 0xFF}}) {
            const auto answer = d.Answer(request(d, 3, data));
            ASSERT_TRUE(answer);
            EXPECT_EQ(dataOf(*answer), Frame(static_cast<std::size_t>(f.archiveLength - 6), 0)) << f.name;
        }
    }
}

struct Range {
    double low, high;
};

void expectIn(double value, Range r, const std::string& what) {
    EXPECT_GE(value, r.low) << what;
    EXPECT_LE(value, r.high) << what;
}

// Walks a ring newest to oldest: cumulative values fall, the operating time
// by the period and the time with errors by the hours with errors of the
// period; temperatures stay in their ranges.
void checkRing(const Family& f, SimDevice& d, bool daily, int current, int size) {
    const int periodHours = daily ? 24 : 1;
    int withErrors = 0;
    ArchiveEntry newer;
    for (int n : planPositions(current, size)) {
        const auto answer = d.Answer(request(d, cmd::ArchiveRecord, positionBytes(n, daily)));
        ArchiveEntry e;
        ASSERT_TRUE(answer);
        ASSERT_EQ(f.decArh(*answer, {d.Serial(), d.Type()}, e), QString());
        const ArchiveRecord& r = e[0];
        const std::string what = std::string(f.name) + (daily ? " daily " : " hourly ") + std::to_string(n);
        expectIn(r.Int(f.t1) / 100.0, {60, 90}, what + " supply");
        expectIn(r.Int(f.t2) / 100.0, {42, 58}, what + " return");
        expectIn(r.Int(f.t3) / 100.0, {55, 65}, what + " hot water");
        const int duration = r.Int(f.errDuration);
        expectIn(duration, {0, daily ? 24.0 : 55.0}, what + " duration with errors");
        EXPECT_EQ(duration != 0, r.Int(f.error) != 0) << what;
        if (r.Int(f.error) != 0) ++withErrors;
        if (!newer.empty()) {
            const ArchiveRecord& later = newer[0];
            EXPECT_EQ(later.Int(f.work) - r.Int(f.work), periodHours) << what;
            const int errorHours = daily ? later.Int(f.errDuration) : (later.Int(f.errDuration) > 0 ? 1 : 0);
            EXPECT_EQ(later.Int(f.workErr) - r.Int(f.workErr), errorHours) << what;
            for (int offset : f.rising) EXPECT_GT(later.Real(offset), r.Real(offset)) << what << " offset " << offset;
            for (int offset : f.growing) EXPECT_GE(later.Real(offset), r.Real(offset)) << what << " offset " << offset;
        }
        newer = e;
    }
    // A few records carry errors, most do not.
    EXPECT_GT(withErrors, 0) << f.name << daily;
    EXPECT_LT(withErrors, daily ? size / 2 : size / 50) << f.name << daily;
}

TEST_F(SimOneSystem, ArchiveValuesArePlausible) {
    for (const Family& f : families()) {
        SimDevice d(f.type, kSerial, at(kNow));
        checkRing(f, d, true, f.defaultDaily, f.daily);
        checkRing(f, d, false, f.defaultHourly, f.hourly);

        // The daily record of today and the hourly record of today 00:00 were
        // written at the same moment.
        const auto day = record(f, d, f.defaultDaily, true);
        const auto hour = record(f, d, f.defaultHourly - kNow.time().hour(), false);
        ASSERT_EQ(EntryDay(hour), EntryDay(day));
        ASSERT_EQ(EntryHour(hour), 0);
        EXPECT_EQ(hour[0].Int(f.work), day[0].Int(f.work));
        EXPECT_EQ(hour[0].Int(f.workErr), day[0].Int(f.workErr));
        for (const auto* offsets : {&f.rising, &f.growing})
            for (int offset : *offsets) EXPECT_EQ(hour[0].Real(offset), day[0].Real(offset)) << f.name;
    }
}

TEST_F(SimOneSystem, StateIsPlausibleAndMovesFromRequestToRequest) {
    for (const Family& f : families()) {
        SimDevice d(f.type, kSerial, at(kNow));
        StateSample previous{};
        int errors = 0, moved = 0;
        for (int i = 0; i < 30; ++i) {
            const auto answer = d.Answer(request(d, 1));
            ASSERT_TRUE(answer);
            const StateSample s = decodeState(f, *answer);
            const std::string what = std::string(f.name) + " request " + std::to_string(i);
            expectIn(s.t1, {60, 90}, what + " supply");
            expectIn(s.t2, {42, 58}, what + " return");
            expectIn(s.t3, {55, 65}, what + " hot water");
            EXPECT_GT(s.t1, s.t2) << what;
            if (s.error != 0) ++errors;
            if (i > 0) {
                for (std::size_t k = 0; k < s.counters.size(); ++k)
                    EXPECT_GE(s.counters[k], previous.counters[k]) << what << " counter " << k;
                if (s.t1 != previous.t1) ++moved;
            }
            previous = s;
        }
        EXPECT_EQ(errors, 1) << f.name;  // the 29th request
        EXPECT_GT(moved, 25) << f.name;
    }
}

TEST_F(SimOneSystem, ConfigurationWrites) {
    const struct {
        int type;
        int writeResult;
        std::optional<Frame> answer;
        bool kept;
    } cases[] = {
        {227, 0, Frame{7, 227, 161, 1, 4, 0, 112}, true},
        {227, 1, Frame{7, 227, 161, 1, 4, 1, 111}, false},
        {225, 0, Frame{7, 225, 161, 1, 4, 0, 114}, true},
        // A 225 with its write-enable jumper open does not answer.
        {225, 1, std::nullopt, false},
    };
    for (const auto& c : cases) {
        const Family& f = c.type == 227 ? families()[0] : families()[1];
        SimDevice d(c.type, kSerial, at(kNow, {}, {}, c.writeResult));
        const auto before = d.Answer(request(d, 5));
        ASSERT_TRUE(before);
        EXPECT_EQ(dataOf(*before), f.defaultConfig) << c.type;
        EXPECT_EQ(d.Answer(request(d, 4, f.otherConfig)), c.answer) << c.type << " " << c.writeResult;
        const auto after = d.Answer(request(d, 5));
        ASSERT_TRUE(after);
        EXPECT_EQ(dataOf(*after), c.kept ? f.otherConfig : f.defaultConfig) << c.type << " " << c.writeResult;
    }

    // Read with the program's decoder, the written values come back.
    SimDevice d(225, kSerial, at(kNow));
    ASSERT_TRUE(d.Answer(request(d, 4, families()[1].otherConfig)));
    u25::ConfigRecord config;
    ASSERT_EQ(u25::DecParam(*d.Answer(request(d, 5)), {kSerial, 225}, config), QString());
    EXPECT_EQ(config.tariff1Start, 420);
    EXPECT_EQ(config.energyWeight, 3600);
    EXPECT_EQ(config.limitT, 50);
}

// Simulator frames through the decoder into an archive list, the view of each
// tab into an archive file, and the file read back: the same records and the
// same table.
TEST_F(SimOneSystem, ArchiveFileRoundTrip) {
    for (const Family& f : families()) {
        SimDevice d(f.type, kSerial, at(kNow));
        ArchiveList daily, hourly;
        for (int n : planPositions(f.defaultDaily, f.daily))
            if (daily.size() < 12) daily.push_back(record(f, d, n, true));
        for (int n : planPositions(f.defaultHourly, f.hourly))
            if (hourly.size() < 30) hourly.push_back(record(f, d, n, false));

        const ArchiveFamily& tables = f.tables();
        const struct {
            int kind;
            ViewRange range;
        } tabs[] = {
            {kDailyArchive, {QDate(2026, 3, 1), QDate(2026, 3, 7)}},
            {kDailyDifference, {QDate(2026, 3, 1), QDate(2026, 3, 7)}},
            {kHourlyArchive, {QDate(2026, 3, 6), QDate(2026, 3, 7)}},
            {kHourlyDifference, {QDate(), QDate(), true}},
        };
        for (const auto& tab : tabs) {
            const std::string what = std::string(f.name) + " kind " + std::to_string(tab.kind);
            const ArchiveView view =
                BuildArchiveView(tables, IsHourlyKind(tab.kind) ? hourly : daily, tab.kind, tab.range);
            ASSERT_GT(view.entries.size(), 2u) << what;
            const ArchiveTable table = MakeArchiveTable(tables, view, tab.kind, 0, QStringLiteral("%f"), 1);
            const QByteArray bytes = ArchiveFileBytes(tables, view.entries, 0);
            ASSERT_EQ(bytes.size(), static_cast<qsizetype>(view.entries.size()) * tables.layout->size) << what;

            const ArchiveFileContent content = ParseArchiveFile(tables, bytes, QStringLiteral("%f"));
            ASSERT_EQ(content.entries.size(), view.entries.size()) << what;
            for (std::size_t i = 0; i < view.entries.size(); ++i)
                EXPECT_EQ(content.entries[i], view.entries[i]) << what << " entry " << i;
            EXPECT_EQ(content.hasTotals, view.hasTotals) << what;
            EXPECT_EQ(content.lines, table.lines) << what;
            EXPECT_EQ(table.hasTotals, IsDifferenceKind(tab.kind)) << what;
        }
    }
}

}  // namespace
