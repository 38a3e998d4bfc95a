// The simulated calculators of the families 229/230 and 228: frames as the
// program reads them with the family's tables, the archive rings laid out as
// the program's read plan expects and read by the program's procedures, the
// configuration memory, and the way from a simulated record to an archive
// file and back.

#include <gtest/gtest.h>

#include <memory>

#include "SimDevice.h"
#include "SimTestSupport.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveReader.h"
#include "archives/ArchiveView.h"
#include "archives/ReadPlan.h"
#include "connection/Connection.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U29Archive.h"
#include "protocol/Exchange.h"
#include "support/Dates.h"

using omi::Frame;
using omi::SimDevice;
using omi::SimSettings;
using namespace omi::simtest;

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(13, 0));

Frame withCheck(Frame f) {
    f.push_back(omi::FrameCheckByte(f));
    return f;
}

const omi::RecordLayout& layoutOf(int type) { return type == 228 ? omi::u28::kRecord : omi::u29::kRecord; }

omi::ArchiveEntry record(SimDevice& d, int n, bool daily) {
    const auto answer = d.Answer(request(d, omi::cmd::ArchiveRecord, positionBytes(n, daily)));
    omi::ArchiveEntry e;
    if (!answer || answer->size() != 166u) {
        ADD_FAILURE() << "no record answer for position " << n << (daily ? " daily" : " hourly");
        return omi::EmptyEntry(layoutOf(d.Type()));
    }
    omi::DecodeArchiveFields(*answer, omi::u29::ArchiveLayout(), layoutOf(d.Type()), e);
    return e;
}

// The configuration data the program writes for its default configuration
// (written out by hand); a device in its factory state answers the same bytes.
const Frame kDefaultConfigData{0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0, 0,
                               0,    0,    1,    1,    1,    1,    0,    0,    0,    0,    0,    0,    0, 0,
                               0x00, 0x80, 0xBB, 0x44, 0x00, 0x80, 0xBB, 0x44, 1,    1,    0,    0};

TEST(Sim29, AnswersEveryCommandOfTheFamilyInItsFrameShape) {
    const Frame shortConfig(kDefaultConfigData.begin(), kDefaultConfigData.end() - 1);
    struct Case {
        const char* name;
        int command;
        Frame data;
        int length;  // 0: no answer; -1: the state of the type
    };
    const Case cases[] = {
        {"state", 1, {}, -1},
        {"configuration", 5, {}, 46},
        {"configuration write", 4, kDefaultConfigData, 7},
        {"current numbers", 21, {}, 9},
        {"before an archive read", 20, {}, 6},
        {"after an archive read", 254, {}, 6},
        {"daily record", 3, {61, 128}, 166},
        {"hourly record", 3, {0xBF, 0x03}, 166},
        {"hourly position beyond the ring", 3, {0xC0, 0x03}, 166},
        {"daily position beyond the ring", 3, {62, 128}, 166},
        {"record request with one data byte", 3, {0}, 0},
        {"record request with three data bytes", 3, {0, 0, 0}, 0},
        {"configuration write one byte short", 4, shortConfig, 0},
        {"configuration write of family 234", 4, Frame(94, 0), 0},
        {"clearing the archives", 2, {0x44, 0xBB}, 7},
        {"clearing the archives without its guard bytes", 2, {0x2B, 0x02}, 0},
        {"new number without its guard bytes", 240, {0, 0, 9, 0}, 0},
        {"command the device does not serve", 100, {}, 0},
    };
    for (const auto& [type, stateLength] : {std::pair{228, 97}, std::pair{229, 105}, std::pair{230, 105}}) {
        SimDevice d(type, 417, at(kNow));
        for (const auto& c : cases) {
            const auto answer = d.Answer(request(d, c.command, c.data));
            const std::string what = std::to_string(type) + " " + c.name;
            expectAnswer(answer, c.length < 0 ? stateLength : c.length, d, c.command, what);
        }
        // Positions off the ring answer a record of zeros.
        for (const Frame& data : {positionBytes(960, false), positionBytes(62, true), Frame{0xFF, 0xFF}})
            EXPECT_EQ(dataOf(*d.Answer(request(d, 3, data))), Frame(160, 0)) << type;
    }
}

TEST(Sim29, ReportsTheHourlyNumberAsAWordAndTheDailyAsAByte) {
    struct Case {
        std::optional<int> daily, hourly;
        Frame answer;  // without the check byte
    };
    const Case cases[] = {
        {{}, {}, {9, 229, 161, 1, 21, 0x59, 0x02, 41}},  // hourly 601, daily 41
        {-1, 960, {9, 229, 161, 1, 21, 0xC1, 0x03, 0}},  // hourly 961, daily 0
        {300, 0, {9, 229, 161, 1, 21, 1, 0, 255}},       // a daily number beyond a byte: the largest byte
    };
    for (const auto& c : cases) {
        SimDevice d(229, 417, at(kNow, c.daily, c.hourly));
        EXPECT_EQ(d.Answer(request(d, 21)), withCheck(c.answer));
    }

    // The running clock moves both numbers on.
    auto now = std::make_shared<QDateTime>(QDate(2026, 3, 7), QTime(23, 40));
    SimSettings settings;
    settings.clock = [now] { return *now; };
    settings.dailyCurrent = 61;
    settings.hourlyCurrent = 959;
    SimDevice d(228, 417, settings);
    const auto oldDay = d.Answer(request(d, 3, positionBytes(61, true)));
    *now = QDateTime(QDate(2026, 3, 8), QTime(1, 5));  // two hours and a day later
    EXPECT_EQ(d.Answer(request(d, 21)), withCheck({9, 228, 161, 1, 21, 2, 0, 1}));
    EXPECT_EQ(d.Answer(request(d, 3, positionBytes(61, true))), oldDay);
    EXPECT_EQ(omi::DateOfDayNumber(omi::EntryDay(record(d, 0, true))), QDate(2026, 3, 8));
}

TEST(Sim29, RingsHoldTheDatesOfTheProgramsReadPlan) {
    struct Case {
        int daily, hourly;
    };
    const Case cases[] = {{40, 600}, {0, 0}, {61, 959}, {-1, -1}, {62, 960}};
    for (const auto& c : cases) {
        SimDevice d(229, 9, at(kNow, c.daily, c.hourly));
        const int current = c.daily < 62 ? c.daily : -1;
        const omi::Tia daily = omi::BuildDailyPlan(current, 61, kNow.date(), &omi::DailyRequestBytes234);
        ASSERT_EQ(daily.size(), 62u);
        for (const omi::PlanEntry& p : daily) {
            const auto e = record(d, p.position, true);
            ASSERT_EQ(omi::EntryDay(e), p.day) << "daily " << c.daily << " position " << p.position;
            ASSERT_EQ(omi::EntryHour(e), 0);
        }
        const omi::Tia hourly =
            omi::BuildHourlyPlan(c.hourly < 960 ? c.hourly : -1, 959, kNow, &omi::HourlyRequestBytes234);
        ASSERT_EQ(hourly.size(), 960u);
        for (const omi::PlanEntry& p : hourly) {
            const auto e = record(d, p.position, false);
            ASSERT_EQ(omi::EntryDay(e), p.day) << "hourly " << c.hourly << " position " << p.position;
            ASSERT_EQ(omi::EntryHour(e), p.hour) << "hourly " << c.hourly << " position " << p.position;
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

TEST(Sim29, ArchiveValuesArePlausibleWithPressuresInBar) {
    namespace a = omi::u29::arh;
    for (const auto& [daily, size, current] : {std::tuple{true, 62, 40}, std::tuple{false, 960, 600}}) {
        SimDevice d(229, 417, at(kNow));
        const omi::Tia plan = daily ? omi::BuildDailyPlan(current, size - 1, kNow.date(), &omi::DailyRequestBytes234)
                                    : omi::BuildHourlyPlan(current, size - 1, kNow, &omi::HourlyRequestBytes234);
        const int periodHours = daily ? 24 : 1;
        int withErrors = 0;
        omi::ArchiveEntry newer;
        for (const omi::PlanEntry& p : plan) {
            const omi::ArchiveEntry e = record(d, p.position, daily);
            for (int s = 0; s < 2; ++s) {
                const auto& r = e[static_cast<std::size_t>(s)];
                const std::string what =
                    (daily ? "daily " : "hourly ") + std::to_string(p.position) + " system " + std::to_string(s + 1);
                expectIn(r.Real(a::kT1), {70, 95}, what + " t1");
                expectIn(r.Real(a::kT2), {40, 60}, what + " t2");
                expectIn(r.Real(a::kT3), {5, 15}, what + " t3");
                expectIn(r.Real(a::kP1), {3, 6}, what + " P1, bar");
                expectIn(r.Real(a::kP2), {3, 6}, what + " P2, bar");
                expectIn(r.Int(a::kFatal), {0, 60.0 * periodHours}, what + " fatal minutes");
                expectIn(r.Int(a::kPeriodWork), {0, 60.0 * periodHours}, what + " period minutes");
                if (r.Int(a::kSystemError) != 0) ++withErrors;
                if (newer.empty()) continue;
                const auto& later = newer[static_cast<std::size_t>(s)];
                EXPECT_EQ(later.Int(a::kWork) - r.Int(a::kWork), periodHours) << what;
                for (auto [total, period] : {std::pair{a::kHeat, a::kPeriodHeat}, std::pair{a::kV1, a::kPeriodV1},
                                             std::pair{a::kV2, a::kPeriodV2}, std::pair{a::kV3, a::kPeriodV3}}) {
                    const double rise = later.Real(total) - r.Real(total);
                    EXPECT_GT(rise, 0) << what << " offset " << total;
                    // The cumulative values travel as singles: compare at their precision.
                    EXPECT_NEAR(later.Real(period), rise, 1e-6 * later.Real(total) + 0.02 * rise)
                        << what << " offset " << total;
                }
            }
            newer = e;
        }
        EXPECT_GT(withErrors, 0) << daily;
        EXPECT_LT(withErrors, 2 * size / 5) << daily;
    }
}

TEST(Sim29, StatesOfTheThreeTypes) {
    {
        SimDevice d(229, 417, at(kNow));
        omi::u29::StatePair previous{};
        for (int i = 0; i < 10; ++i) {
            const auto answer = d.Answer(request(d, 1));
            ASSERT_TRUE(answer);
            omi::u29::StatePair state{};
            omi::DecodeFields<omi::u29::StateRecord>(*answer, omi::u29::StateLayout(), state);
            for (int s = 0; s < 2; ++s) {
                const auto& r = state[static_cast<std::size_t>(s)];
                const std::string what = "request " + std::to_string(i) + " system " + std::to_string(s + 1);
                expectIn(r.t1, {70, 95}, what + " t1");
                expectIn(r.p1, {3, 6}, what + " P1, bar");
                EXPECT_GT(r.g1, r.g3) << what;
                EXPECT_GT(r.g3, 0) << what;
                EXPECT_GE(r.heat, previous[static_cast<std::size_t>(s)].heat) << what;
            }
            previous = state;
        }
    }
    {
        SimDevice d(228, 417, at(kNow));
        const auto answer = d.Answer(request(d, 1));
        ASSERT_TRUE(answer);
        omi::u28::StatePair state{};
        omi::DecodeFields<omi::u28::StateRecord>(*answer, omi::u28::StateLayout(), state);
        for (const auto& r : state) {
            EXPECT_GT(r.g1, 0);
            EXPECT_GT(r.g2, 0);
            expectIn(r.p2, {3, 6}, "228 P2, bar");
            expectIn(r.t2, {40, 60}, "228 t2");
        }
    }
    {
        // One heat system: the values of system 2 are 0, the common ones are not.
        SimDevice d(230, 417, at(kNow));
        const auto e = record(d, 10, true);
        EXPECT_GT(e[0].Real(omi::u29::arh::kHeat), 0);
        EXPECT_EQ(e[1].Real(omi::u29::arh::kHeat), 0);
        EXPECT_EQ(e[1].Real(omi::u29::arh::kT1), 0);
        EXPECT_EQ(omi::EntryDay(e), e[1].Day());
        EXPECT_EQ(e[0].Int(omi::u29::arh::kWork), e[1].Int(omi::u29::arh::kWork));
        omi::u29::StatePair state{};
        omi::DecodeFields<omi::u29::StateRecord>(*d.Answer(request(d, 1)), omi::u29::StateLayout(), state);
        EXPECT_GT(state[0].v1, 0);
        EXPECT_EQ(state[1].v1, 0);
        EXPECT_EQ(state[1].g1, 0);
    }
}

TEST(Sim29, ConfigurationWriteIsKeptUnlessRefused) {
    Frame written = kDefaultConfigData;
    written[0] = 0x7D;  // system 1 weight 1: 12.5 л/имп
    written[1] = 0x00;
    written[12] = 2;   // system 1 type 3
    written[14] = 7;   // first cold-water temperature
    written[17] = 10;  // first month
    written[36] = 25;  // report day

    struct Case {
        int writeResult;
        Frame answer;  // without the check byte
        Frame readBack;
    };
    const Case cases[] = {
        {0, {7, 229, 161, 1, 4, 0}, written},
        {1, {7, 229, 161, 1, 4, 1}, kDefaultConfigData},
    };
    for (const auto& c : cases) {
        SimDevice d(229, 417, at(kNow, {}, {}, c.writeResult));
        EXPECT_EQ(dataOf(*d.Answer(request(d, 5))), kDefaultConfigData) << c.writeResult;
        EXPECT_EQ(d.Answer(request(d, 4, written)), withCheck(c.answer)) << c.writeResult;
        EXPECT_EQ(dataOf(*d.Answer(request(d, 5))), c.readBack) << c.writeResult;
    }

    // Read back with the program's decoder of family 228.
    SimDevice d(228, 417, at(kNow));
    ASSERT_TRUE(d.Answer(request(d, 4, written)));
    omi::u28::ConfigPair pair{};
    ASSERT_EQ(omi::u28::DecParam(*d.Answer(request(d, 5)), {417, 228}, pair), QString());
    EXPECT_EQ(pair[0].weight1, 125);
    EXPECT_EQ(pair[0].systemType, 3);
    EXPECT_EQ(pair[1].systemType, 1);
    for (const auto& r : pair) {
        EXPECT_EQ(r.coldT1, 7);
        EXPECT_EQ(r.firstMonth, 10);
        EXPECT_EQ(r.reportDay, 25);
    }
    EXPECT_EQ(omi::u28::SetPar(pair).data, written);
}

// Simulator answer -> family decoder -> records -> archive file bytes ->
// archive file reader: the same table as the view of the records.
TEST(Sim29, ArchiveFileRoundTrip) {
    struct Case {
        int type;
        int system;
        int kind;
    };
    const Case cases[] = {
        {229, 0, omi::kDailyArchive},     {229, 1, omi::kDailyDifference}, {230, 0, omi::kHourlyArchive},
        {228, 1, omi::kHourlyDifference}, {228, 0, omi::kDailyArchive},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " system " + std::to_string(c.system + 1) + " kind " +
                     std::to_string(c.kind));
        const omi::DeviceAddress from{417, c.type};
        SimDevice d(c.type, 417, at(kNow, 5, 100));
        const omi::ArchiveFamily& family = c.type == 228 ? omi::u28::ArchiveTables() : omi::u29::ArchiveTables();
        const auto decode = c.type == 228 ? &omi::u28::DecArh : &omi::u29::DecArh;
        const bool daily = !omi::IsHourlyKind(c.kind);
        omi::ArchiveList list;
        for (int n = daily ? 5 : 100; n >= 0; --n) {  // newest first
            omi::ArchiveEntry e;
            ASSERT_EQ(decode(*d.Answer(request(d, 3, positionBytes(n, daily))), from, e), QString());
            list.push_back(e);
        }
        const QDate first = daily ? kNow.date().addDays(-4) : kNow.date().addDays(-3);
        const omi::ArchiveView view = omi::BuildArchiveView(family, list, c.kind, {first, kNow.date()});
        ASSERT_FALSE(view.entries.empty());
        const omi::ArchiveTable table = omi::MakeArchiveTable(family, view, c.kind, c.system, "%.3f", 1);

        const QByteArray bytes = omi::ArchiveFileBytes(family, view.entries, c.system);
        ASSERT_EQ(bytes.size(), static_cast<qsizetype>(view.entries.size()) * 176);
        const omi::ArchiveFileContent file = omi::ParseArchiveFile(family, bytes, "%.3f");
        EXPECT_EQ(file.lines, table.lines);
        EXPECT_EQ(file.hasTotals, omi::IsDifferenceKind(c.kind));
        // The date of each file record is its day number at byte 172.
        for (std::size_t i = 0; i + (file.hasTotals ? 1 : 0) < file.entries.size(); ++i) {
            const auto* at172 = reinterpret_cast<const std::uint8_t*>(bytes.constData()) + i * 176 + 172;
            EXPECT_EQ(at172[0] | at172[1] << 8, omi::EntryDay(view.entries[i])) << i;
        }
    }
}

// Shared by the procedure tests: a connection to a simulated device, whose
// engine's imitation answers through the device, and the commands it was
// asked.
struct SimLink {
    explicit SimLink(SimDevice& device) : device(device) {
        line.SetDevice(device.Serial(), device.Type());
        engine.SetTransport(omi::TransportKind::Network);
        engine.SetImitation(true);
        engine.SetImitationHandler([this](const Frame& q, Frame& r) {
            commands.push_back(q.at(4));
            if (const auto answer = this->device.Answer(q)) r = *answer;
        });
        context.line = &line;
        context.status = &status;
        context.now = kNow;
    }
    omi::ArchiveReadResult Read(const omi::ArchiveProcedure& procedure, int preset, int kind, omi::ArchiveList& list) {
        state.ApplyPreset(omi::RangePreset(preset, kNow.date(), device.Type(), kind, kNow.date()));
        state.reading = true;
        return omi::ReadArchive(procedure, kind, state, list, context);
    }

    SimDevice& device;
    omi::Connection line;
    omi::ExchangeEngine& engine = line.Engine();
    std::vector<int> commands;
    omi::NullStatusSink status;
    omi::ArchiveReadContext context;
    omi::ArchiveReadingState state;
};

// A daily number off its ring stops an hourly read of 228, which tests both
// numbers; 229 tests only the number of the kind read.
TEST(Sim29, ProceduresTestTheCurrentNumbersAgainstTheRings) {
    struct Case {
        int type;
        int preset;
        omi::ArchiveReadOutcome outcome;
        std::size_t records;
    };
    const Case cases[] = {
        {228, 0, omi::ArchiveReadOutcome::Empty, 0},
        {228, omi::kAllRecordsPreset, omi::ArchiveReadOutcome::Completed, 960},
        {229, 0, omi::ArchiveReadOutcome::Completed, 38},  // "день": the hours of yesterday and of today up to 13:00
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " preset " + std::to_string(c.preset));
        SimDevice device(c.type, 417, at(kNow, 62, 100));  // daily number 63: beyond positions 0..61
        SimLink link(device);
        omi::ArchiveList list;
        const auto& procedure = c.type == 228 ? omi::Procedure228() : omi::Procedure229();
        const omi::ArchiveReadResult result = link.Read(procedure, c.preset, omi::kHourlyArchive, list);
        EXPECT_EQ(result.outcome, c.outcome) << result.text.toStdString();
        EXPECT_EQ(list.size(), c.records);
    }
}

// The program's read procedures against the simulated devices: the whole
// daily ring and the whole hourly ring, every record dated as planned.
TEST(Sim29, TheProgramsProceduresReadTheWholeRings) {
    struct Case {
        int type;
        int kind;
        std::size_t records;
        std::vector<int> firstCommands;
    };
    const Case cases[] = {
        {229, omi::kDailyArchive, 62, {omi::cmd::NumberType, omi::cmd::ArchivePointers, omi::cmd::ArchiveBegin}},
        {230, omi::kHourlyArchive, 960, {omi::cmd::NumberType, omi::cmd::ArchivePointers, omi::cmd::ArchiveBegin}},
        {228, omi::kDailyArchive, 62, {omi::cmd::ArchivePointers, omi::cmd::ArchiveBegin, omi::cmd::ArchiveRecord}},
        {228, omi::kHourlyArchive, 960, {omi::cmd::ArchivePointers, omi::cmd::ArchiveBegin, omi::cmd::ArchiveRecord}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " kind " + std::to_string(c.kind));
        SimDevice device(c.type, 417, at(kNow, 17, 333));
        SimLink link(device);
        omi::ArchiveList list;
        const omi::ArchiveProcedure& procedure = c.type == 228 ? omi::Procedure228() : omi::Procedure229();
        const omi::ArchiveReadResult result = link.Read(procedure, omi::kWholeArchivePreset, c.kind, list);
        const std::vector<int>& commands = link.commands;

        EXPECT_EQ(result.outcome, omi::ArchiveReadOutcome::Completed) << result.text.toStdString();
        ASSERT_EQ(list.size(), c.records);
        EXPECT_EQ(link.state.missing, 0);
        EXPECT_EQ(std::vector<int>(commands.begin(), commands.begin() + 3), c.firstCommands);
        EXPECT_EQ(commands.back(), omi::cmd::ArchiveEnd);
        EXPECT_EQ(list.front()[0].Layout(), procedure.record);
        const int today = omi::DayNumber(kNow.date());
        if (omi::IsHourlyKind(c.kind)) {
            EXPECT_EQ(omi::EntryDay(list.front()) * 24 + omi::EntryHour(list.front()), today * 24 + 13);
            EXPECT_EQ(omi::EntryDay(list.back()) * 24 + omi::EntryHour(list.back()), today * 24 + 13 - 959);
        } else {
            EXPECT_EQ(omi::EntryDay(list.front()), today);
            EXPECT_EQ(omi::EntryDay(list.back()), today - 61);
        }
        for (std::size_t i = 1; i < list.size(); ++i)
            ASSERT_GE(omi::EntryDay(list[i - 1]), omi::EntryDay(list[i])) << "newest first, " << i;
    }
}

}  // namespace
