#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "archives/ArchiveDumpLog.h"
#include "archives/ArchiveReader.h"
#include "connection/Connection.h"
#include "families/U34.h"
#include "protocol/Exchange.h"
#include "support/Dates.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

using namespace omi;

namespace {

constexpr int kSerial = 417;  // 0x01A1
constexpr int kType = 234;
constexpr int kD0 = 9563;  // day number of 2026-03-07
const QDate kToday(2026, 3, 7);
const QDateTime kNow(kToday, QTime(10, 30));
constexpr int kDaily = 0, kHourly = 2;

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

// The date a record carries: day number and hour.
struct Stamp {
    int day;
    int hour;
};

// A calculator of family 234 answering through the engine's imitation
// handler. Its rings hold records dated as a device that has written one
// record per day and per hour up to now; `stamp` overrides single positions,
// `broken` answers with a bad check byte, `shortAnswer` with a 6-byte frame.
// From request `silentFrom` on (0-based, all commands) the line is silent.
class ScriptedDevice {
public:
    int hourlyWord = 1;  // command 21: last-written numbers, 1-based
    int dailyWord = 1;
    std::map<int, Stamp> dailyStamp, hourlyStamp;
    std::set<int> broken;       // daily positions
    std::set<int> shortAnswer;  // daily positions
    int silentFrom = -1;
    int unanswered = 0;  // exchanges tried while the line was silent
    std::function<void(const Frame& request)> onRequest;
    std::vector<Frame> requests;

    ScriptedDevice() {
        line.SetDevice(kSerial, kType);
        engine.SetTransport(TransportKind::Network);  // no address: a silent line
        engine.SetEmptyAddressHandler([this] { ++unanswered; });
        engine.SetImitation(true);
        engine.SetImitationHandler([this](const Frame& q, Frame& r) { answer(q, r); });
    }

    // The line the calculator is read on, addressed to it.
    Connection line;
    ExchangeEngine& engine = line.Engine();

    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const Frame& q : requests) out.push_back(q.at(4));
        return out;
    }
    // Ring positions of the record requests, in order.
    std::vector<int> Positions() const {
        std::vector<int> out;
        for (const Frame& q : requests)
            if (q.at(4) == cmd::ArchiveRecord) out.push_back(q.at(5) | ((q.at(6) & 0x7F) << 8));
        return out;
    }

private:
    Stamp honest(int position, bool daily) const {
        if (daily) {
            const int newest = std::min(dailyWord - 1, 365);  // a number beyond the ring: the top is newest
            const int back = (newest - position + 366) % 366;
            return {kD0 - back, 0};
        }
        const int newest = std::min(hourlyWord - 1, 1080);
        const int back = (newest - position + 1081) % 1081;
        const int hours = kD0 * 24 + 10 - back;
        return {hours / 24, hours % 24};
    }

    void answer(const Frame& q, Frame& r) {
        requests.push_back(q);
        if (onRequest) onRequest(q);
        if (silentFrom >= 0 && static_cast<int>(requests.size()) == silentFrom) engine.SetImitation(false);
        const Frame head{0, kType, kSerial & 0xFF, kSerial >> 8, q.at(4)};
        switch (q.at(4)) {
            case cmd::ArchivePointers:
                r = withCheck({10, kType, kSerial & 0xFF, kSerial >> 8, 21, std::uint8_t(hourlyWord & 0xFF),
                               std::uint8_t(hourlyWord >> 8), std::uint8_t(dailyWord & 0xFF),
                               std::uint8_t(dailyWord >> 8)});
                return;
            case cmd::ArchiveRecord: {
                const bool daily = q.at(6) & 0x80;
                const int position = q.at(5) | ((q.at(6) & 0x7F) << 8);
                if (daily && shortAnswer.count(position)) {
                    r = withCheck({6, kType, kSerial & 0xFF, kSerial >> 8, 3});
                    return;
                }
                const auto& stamps = daily ? dailyStamp : hourlyStamp;
                const auto it = stamps.find(position);
                const Stamp s = it != stamps.end() ? it->second : honest(position, daily);
                Frame f(u34::kArchiveLength - 1, 0);
                f[0] = u34::kArchiveLength;
                f[1] = kType;
                f[2] = kSerial & 0xFF;
                f[3] = kSerial >> 8;
                f[4] = 3;
                f[5] = position & 0xFF;  // operating hours: the position, to tell records apart
                f[6] = position >> 8;
                f[214] = static_cast<std::uint8_t>(s.hour);
                f[215] = static_cast<std::uint8_t>(s.day & 0xFF);
                f[216] = static_cast<std::uint8_t>((s.day >> 8) & 0xFF);
                r = withCheck(f);
                if (daily && broken.count(position)) r.back() ^= 0x55;
                return;
            }
            default:  // identification, 20, 254
                r = withCheck({6, kType, kSerial & 0xFF, kSerial >> 8, q.at(4)});
                return;
        }
    }
};

class RecordingStatus : public StatusSink {
public:
    QList<QPair<StatusStyle, QString>> shown;
    QPair<int, int> lastProgress{-1, -1};
    void show(StatusStyle s, const QString& t) override { shown.append({s, t}); }
    QList<QPair<int, int>> progresses;
    void progress(int position, int maximum) override {
        lastProgress = {position, maximum};
        progresses.append(lastProgress);
    }
    bool Has(StatusStyle s, const QString& text) const {
        return shown.contains(qMakePair(s, StatusText(s, text, Device())));
    }
    QPair<StatusStyle, QString> Last() const { return shown.isEmpty() ? QPair<StatusStyle, QString>{} : shown.last(); }
    bool AnyOk() const {
        return std::any_of(shown.begin(), shown.end(), [](const auto& p) { return p.first == StatusStyle::Ok; });
    }
};

class Memo : public TraceSink {
public:
    QString text;
    void Append(const QString& t) override { text += t; }
    bool Visible() const override { return true; }
};

std::vector<int> descending(int from, int to) {
    std::vector<int> out;
    for (int n = from; n >= to; --n) out.push_back(n);
    return out;
}

class ArchiveRead : public ::testing::Test {
protected:
    void SetUp() override {
        context.line = &device.line;
        status.SetDevice(&device.line.Address());
        context.status = &status;
        context.memo = &memo;
        context.now = kNow;
    }

    void Preset(int item, int kind) {
        state.ApplyPreset(RangePreset(item, kToday, kType, kind, kToday));
        state.reading = true;
    }
    ArchiveReadResult Read(int kind) { return ARA234(kind, state, list, context); }
    std::vector<int> ListPositions() const {
        std::vector<int> out;
        for (const auto& e : list) out.push_back(e[0].Int(u34::arh::kWork));
        return out;
    }
    QPair<StatusStyle, QString> Shown(StatusStyle s, const QString& text) const {
        return {s, StatusText(s, text, &device.line.Address())};
    }

    ScriptedDevice device;
    RecordingStatus status;
    Memo memo;
    ArchiveReadingState state;
    ArchiveList list;
    ArchiveReadContext context;
};

TEST_F(ArchiveRead, DailyAllRecordsFromPositionZeroTakesTheWholeRingButAnUndecodableAnswer) {
    device.dailyWord = 1;  // position 0 written last
    device.broken = {200};
    Preset(7, kDaily);
    const ArchiveReadResult result = Read(kDaily);

    EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
    std::vector<int> expected{0};
    for (int n : descending(365, 1)) expected.push_back(n);
    EXPECT_EQ(device.Positions(), expected);
    EXPECT_EQ(device.requests.at(3), withCheck({8, kType, 0xA1, 0x01, 3, 0, 128}));
    EXPECT_EQ(device.requests.at(4), withCheck({8, kType, 0xA1, 0x01, 3, 109, 129}));
    EXPECT_EQ(device.Commands().front(), cmd::NumberType);
    EXPECT_EQ(device.Commands().at(1), cmd::ArchivePointers);
    EXPECT_EQ(device.Commands().at(2), cmd::ArchiveBegin);
    EXPECT_EQ(device.Commands().back(), cmd::ArchiveEnd);
    // every record accepted in reading order (no sort in all-records mode);
    // the undecodable one is no record (no row dated 30.12.1899)
    ASSERT_EQ(list.size(), 365u);
    std::vector<int> listed = expected;
    listed.erase(std::find(listed.begin(), listed.end(), 200));
    EXPECT_EQ(ListPositions(), listed);
    EXPECT_EQ(EntryDay(list[0]), kD0);
    for (const ArchiveEntry& e : list) EXPECT_NE(e, EmptyEntry(u34::kRecord));
    EXPECT_EQ(status.Last(), Shown(StatusStyle::Ok, QStringLiteral("архив прочитан от корки до корки")));
    EXPECT_EQ(status.lastProgress, qMakePair(0, 0));
    EXPECT_EQ(memo.text, QStringLiteral("\r\nархив есть, но устройство его не отдает"));
    EXPECT_EQ(state.tolerance, kAllRecordsTolerance);
}

TEST_F(ArchiveRead, HourlyNumberBeyondTheRingIsEmptyUnlessAllRecords) {
    device.hourlyWord = 1082;  // stored 1081: beyond positions 0..1080
    Preset(0, kHourly);
    EXPECT_EQ(Read(kHourly).outcome, ArchiveReadOutcome::Empty);
    EXPECT_EQ(status.Last(), Shown(StatusStyle::Busy, QStringLiteral("в архиве нет ни одной записи")));
    EXPECT_EQ(device.Commands(), (std::vector<int>{cmd::NumberType, cmd::ArchivePointers}));

    device.requests.clear();
    Preset(7, kHourly);
    const ArchiveReadResult result = Read(kHourly);
    EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
    EXPECT_EQ(device.Positions(), descending(1080, 0));
    EXPECT_EQ(device.requests.at(3), withCheck({8, kType, 0xA1, 0x01, 3, 56, 4}));
    ASSERT_EQ(list.size(), 1081u);
    EXPECT_EQ(EntryDay(list.front()), kD0);
    EXPECT_EQ(EntryHour(list.front()), 10);
    EXPECT_EQ(result.text, QStringLiteral("архив прочитан от корки до корки"));
    EXPECT_EQ(device.Commands().back(), cmd::ArchiveEnd);
}

TEST_F(ArchiveRead, DailyRecordOneDayOffIsAskedFiveTimesThenTheReadStops) {
    device.dailyWord = 101;                // position 100 is today
    device.dailyStamp[97] = {kD0 - 4, 0};  // planned kD0 - 3
    Preset(1, kDaily);                     // a week
    const ArchiveReadResult result = Read(kDaily);

    EXPECT_EQ(device.Positions(), (std::vector<int>{100, 99, 98, 97, 97, 97, 97, 97}));
    EXPECT_EQ(ListPositions(), (std::vector<int>{100, 99, 98}));
    EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
    EXPECT_EQ(status.Last(), Shown(StatusStyle::Ok, "архив прочитан от 05.03.2026 г. до 07.03.2026 г."));
    EXPECT_EQ(device.Commands().back(), cmd::ArchiveEnd);
    EXPECT_EQ(memo.text, QString("\r\nпаленые даты 24").repeated(4));
    EXPECT_EQ(state.first, QDate(2026, 3, 5));
    EXPECT_EQ(state.last, kToday);
}

TEST_F(ArchiveRead, DailyRecordAcceptedOnItsSecondAnswerResetsTheRetries) {
    device.dailyWord = 101;
    Preset(0, kDaily);
    int asked = 0;
    device.onRequest = [&](const Frame& q) {
        // position 100 answers with yesterday's date four times, then right
        if (q.at(4) == cmd::ArchiveRecord && q.at(5) == 100 && ++asked <= 4)
            device.dailyStamp[100] = {kD0 - 1, 0};
        else
            device.dailyStamp.erase(100);
    };
    EXPECT_EQ(Read(kDaily).outcome, ArchiveReadOutcome::Completed);
    EXPECT_EQ(device.Positions(), (std::vector<int>{100, 100, 100, 100, 100, 99}));
    EXPECT_EQ(ListPositions(), (std::vector<int>{100, 99}));
    EXPECT_EQ(state.retries, 0);
}

// Answers that fail their check are counted: when nothing could be read
// because of them, the archive is there but the line does not bring it.
TEST_F(ArchiveRead, RefusedAnswersAreCounted) {
    constexpr int kAlways = 1000;
    struct Case {
        const char* name;
        std::set<int> broken;
        int badTimes;  // answers of each broken position that fail, then it answers right
        ArchiveReadOutcome outcome;
        std::vector<int> kept;
        int refused;
    } cases[] = {
        {"none", {}, 0, ArchiveReadOutcome::Completed, descending(100, 93), 0},
        {"one record once", {98}, 1, ArchiveReadOutcome::Completed, descending(100, 93), 1},
        // asked 5 times, then the older positions are given up
        {"one record always", {98}, kAlways, ArchiveReadOutcome::Completed, {100, 99}, 5},
        {"every record", {100, 99, 98, 97, 96, 95, 94, 93}, kAlways, ArchiveReadOutcome::Empty, {}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.requests.clear();
        device.dailyWord = 101;
        device.broken = c.broken;
        std::map<int, int> asked;
        device.onRequest = [&](const Frame& q) {
            if (q.at(4) != cmd::ArchiveRecord) return;
            const int position = q.at(5) | ((q.at(6) & 0x7F) << 8);
            if (++asked[position] > c.badTimes) device.broken.erase(position);
        };
        Preset(1, kDaily);  // a week
        const ArchiveReadResult result = Read(kDaily);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(ListPositions(), c.kept);
        EXPECT_EQ(result.refused, c.refused);
    }
}

// Hourly reads of "день" (2026-03-06 and 2026-03-07) at 10:30 with single
// records off their plan hours.
TEST_F(ArchiveRead, HourlyDateFaultsWithinTheTwoDayRange) {
    struct Case {
        const char* name;
        std::map<int, Stamp> stamps;  // position 500 is the current hour
        std::vector<int> listed;      // positions in the list after the sort, -1: the request order
        const char* summary;
        int missing;
    } cases[] = {
        {"exact", {}, {}, "архив прочитан от 06.03.2026 г. до 07.03.2026 г.", 0},
        {"two hours off accepted, three hours off missing",
         {{495, {kD0, 7}}, {494, {kD0, 1}}},
         {},
         "архив прочитан от 06.03.2026 г. до 07.03.2026 г.... 1 записей отсутствует",
         1},
        {"dates swapped across midnight",
         {{490, {kD0 - 1, 23}}, {489, {kD0, 0}}},
         {500, 499, 498, 497, 496, 495, 494, 493, 492, 491, 489, 490},
         "архив прочитан от 06.03.2026 г. до 07.03.2026 г.... 1 дат перепутано",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.requests.clear();
        device.hourlyWord = 501;
        device.hourlyStamp = c.stamps;
        Preset(0, kHourly);
        const ArchiveReadResult result = Read(kHourly);
        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        // today 10..0 and yesterday 23..0: 35 requests, nothing outside
        EXPECT_EQ(device.Positions(), descending(500, 466));
        EXPECT_EQ(result.text, QString::fromUtf8(c.summary));
        EXPECT_EQ(state.missing, c.missing);
        EXPECT_EQ(list.size(), 35u - static_cast<std::size_t>(c.missing));
        const std::vector<int> got = ListPositions();
        if (c.missing) {
            EXPECT_EQ(std::count(got.begin(), got.end(), 494), 0);
            EXPECT_EQ(std::count(got.begin(), got.end(), 495), 1);
        }
        if (!c.listed.empty()) {
            EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 12), c.listed);
        }
        EXPECT_EQ(device.Commands().back(), cmd::ArchiveEnd);
    }
}

TEST_F(ArchiveRead, StopEndsTheReadBeforeItsNextRequest) {
    struct Case {
        const char* name;
        bool fromTimer;  // else from the live-view callback
    } cases[] = {{"live view", false}, {"event during the pause", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.requests.clear();
        device.dailyWord = 101;
        Preset(1, kDaily);
        context.onEntry = nullptr;
        device.onRequest = nullptr;
        if (c.fromTimer) {
            device.onRequest = [&](const Frame& q) {
                if (q.at(4) == cmd::ArchiveRecord && q.at(5) == 98)
                    QTimer::singleShot(0, &device.engine, [&] { state.Stop(); });
            };
        } else {
            context.onEntry = [&](const ArchiveEntry&) {
                if (list.size() == 3) state.Stop();
            };
        }
        const ArchiveReadResult result = Read(kDaily);
        EXPECT_EQ(device.Positions(), (std::vector<int>{100, 99, 98}));
        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        EXPECT_EQ(result.text, QStringLiteral("архив прочитан от 05.03.2026 г. до 07.03.2026 г."));
        EXPECT_EQ(status.Last(), Shown(StatusStyle::Ok, result.text));
        EXPECT_EQ(device.Commands().back(), cmd::ArchiveEnd);
    }
}

TEST_F(ArchiveRead, ProgressRunsFromFullToEmptyOverTheRecordsOfTheRange) {
    // A week of a 366-position daily ring and a day of the 1081-position
    // hourly ring: the bar counts the records of the range, not the ring.
    for (const auto& [kind, item] : {std::pair{kDaily, 1}, std::pair{kHourly, 0}}) {
        SCOPED_TRACE(kind);
        device.requests.clear();
        device.dailyWord = 101;
        device.hourlyWord = 501;
        status.progresses.clear();
        Preset(item, kind);
        ASSERT_EQ(Read(kind).outcome, ArchiveReadOutcome::Completed);
        const int records = static_cast<int>(device.Positions().size());
        ASSERT_GT(records, 1);
        // The first value is the bar before the plan, the last one removes it.
        ASSERT_GE(status.progresses.size(), 3);
        EXPECT_EQ(status.progresses.last(), qMakePair(0, 0));
        const QList<QPair<int, int>> loop = status.progresses.mid(1, status.progresses.size() - 2);
        EXPECT_EQ(loop.front(), qMakePair(records, records));
        EXPECT_EQ(loop.back(), qMakePair(0, records));
        for (qsizetype n = 1; n < loop.size(); ++n) {
            EXPECT_EQ(loop[n].second, records);
            EXPECT_LE(loop[n].first, loop[n - 1].first);
        }
    }
}

TEST_F(ArchiveRead, MissingAnswersEndTheReadWithNoLink) {
    // requests: 0 identification, 1 current numbers, 2 begin, 3.. records
    // 100..93 of the week, 11 end
    struct Case {
        const char* name;
        int silentFrom;
        ArchiveReadOutcome outcome;
        std::size_t kept;  // entries in the list afterwards
        bool summary;
        const char* error;  // the last status text
        QDate first, last;  // the range of the state afterwards
    } cases[] = {
        {"current numbers", 1, ArchiveReadOutcome::NoLink, 1, false, "НЕТ СВЯЗИ", QDate(2026, 2, 28), kToday},
        {"begin", 2, ArchiveReadOutcome::NoLink, 1, false, "НЕТ СВЯЗИ", QDate(2026, 2, 28), kToday},
        // The records of 7 and 6 March read: the range is theirs.
        {"third record", 5, ArchiveReadOutcome::Interrupted, 2, false,
         "НЕТ СВЯЗИ: архив неполный, прочитан от 06.03.2026 г. до 07.03.2026 г.", QDate(2026, 3, 6), kToday},
        {"end", 11, ArchiveReadOutcome::Completed, 8, true, "НЕТ СВЯЗИ", QDate(2026, 2, 28), kToday},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.requests.clear();
        device.engine.SetImitation(true);
        device.unanswered = 0;
        device.silentFrom = c.silentFrom;
        device.dailyWord = 101;
        list = {EmptyEntry(u34::kRecord)};  // an earlier read: kept until the loop starts
        status.shown.clear();
        Preset(1, kDaily);
        const ArchiveReadResult result = Read(kDaily);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(device.unanswered, 1);  // nothing is asked after the silent request
        EXPECT_EQ(list.size(), c.kept);
        EXPECT_EQ(status.Last(), Shown(StatusStyle::Error, QString::fromUtf8(c.error)));
        EXPECT_EQ(result.text, c.summary ? SummaryText(state) : QString::fromUtf8(c.error));
        EXPECT_EQ(state.first, c.first);
        EXPECT_EQ(state.last, c.last);
        EXPECT_EQ(status.AnyOk(), c.summary);
        EXPECT_EQ(result.endUnanswered, c.summary);
        EXPECT_EQ(status.lastProgress, qMakePair(0, 0));
    }
}

TEST_F(ArchiveRead, StartOrdersTheRangeAndKeepsTheFlags) {
    ArchiveList daily, hourly{EmptyEntry(u34::kRecord)};
    device.dailyWord = 101;
    state.first = QDate(2026, 3, 9);
    state.last = kToday;
    bool readingDuringRead = false;
    context.onEntry = [&](const ArchiveEntry&) { readingDuringRead = state.reading; };
    const ArchiveReadResult result = StartArchiveRead(236, kDaily, state, daily, hourly, context);
    EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
    EXPECT_EQ(device.Positions(), (std::vector<int>{100}));
    EXPECT_EQ(daily.size(), 1u);
    EXPECT_EQ(hourly.size(), 1u);  // the other list is untouched
    EXPECT_TRUE(readingDuringRead);
    EXPECT_FALSE(state.reading);
    EXPECT_TRUE(state.archivePresent);

    ArchiveReadingState other;
    const ArchiveReadResult none = StartArchiveRead(128, kDaily, other, daily, hourly, context);
    EXPECT_EQ(none.outcome, ArchiveReadOutcome::NoProcedure);
    EXPECT_EQ(none.text, QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFomi.AreadArhExecute: 128"));
    EXPECT_FALSE(other.reading);
    EXPECT_FALSE(other.archivePresent);
}

TEST(DumpBytes, IndexValueAndHexOfEveryByte) {
    EXPECT_EQ(DumpBytes({}), QString());
    EXPECT_EQ(DumpBytes({0, 10, 255, 7}), QStringLiteral("0=00(00)\t1=10(0A)\t2=255(FF)\t3=07(07)\t"));
}

// The level-0 log is on disk line by line while the read runs, and a new
// read starts it afresh.
TEST(ArchiveDumpLogFile, EveryLineIsOnDiskAtOnceAndANewLogStartsEmpty) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("АРХИВ234235.txt"));
    {
        ArchiveDumpLog log;
        log.Start(path);
        EXPECT_EQ(test::ReadAll(path), QByteArray());
        log.AddLine(QStringLiteral("первая"));
        EXPECT_EQ(test::ReadAll(path), ToCp1251(QStringLiteral("первая\r\n")));
        log.AddLines({QStringLiteral("a"), QStringLiteral("b")});
        EXPECT_EQ(test::ReadAll(path), ToCp1251(QStringLiteral("первая\r\na\r\nb\r\n")));
        EXPECT_TRUE(log.Error().isEmpty());
    }
    ArchiveDumpLog again;
    again.Start(path);
    again.AddLine(QStringLiteral("c"));
    EXPECT_EQ(test::ReadAll(path), QByteArray("c\r\n"));

    ArchiveDumpLog nowhere;
    nowhere.Start(QDir(dir.path()).filePath(QStringLiteral("нет/такой/папки.txt")));
    nowhere.AddLine(QStringLiteral("x"));
    EXPECT_FALSE(nowhere.Error().isEmpty());
}

TEST_F(ArchiveRead, AccessLevelZeroWritesTheByteDumpLog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    context.logFolder = dir.path();
    context.accessLevel = 0;
    device.dailyWord = 6;      // position 5 is today
    device.shortAnswer = {4};  // yesterday's record answers with 6 bytes
    Preset(0, kDaily);
    EXPECT_EQ(Read(kDaily).outcome, ArchiveReadOutcome::Completed);

    const QString path = QDir(dir.path()).filePath(QStringLiteral("АРХИВ234235.txt"));
    const QByteArray raw = test::ReadAll(path);
    EXPECT_TRUE(raw.endsWith("\r\n"));
    EXPECT_FALSE(raw.contains("\n\n"));
    const QStringList lines = FromCp1251(raw).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2 + 2 * 6 + 1);  // numbers, then request and answer per record, then ""
    EXPECT_EQ(lines[0], QStringLiteral("Текущие № записей:\t0=10(0A)\t1=234(EA)\t2=161(A1)\t3=01(01)\t4=21(15)\t"
                                       "5=01(01)\t6=00(00)\t7=06(06)\t8=00(00)\t9=78(4E)\t"));
    EXPECT_EQ(lines[1], QStringLiteral("\tчасовой=1\tсуточный=6"));
    EXPECT_EQ(lines[2], QStringLiteral("upo.SQ(upo.Q_Arhiv,ad):\t0=08(08)\t1=234(EA)\t2=161(A1)\t3=01(01)\t"
                                       "4=03(03)\t5=05(05)\t6=128(80)\t7=228(E4)\t"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Запрос(day 9563):5 128 32773 \t0=222(DE)\t1=234(EA)\t")))
        << lines[3].left(60).toStdString();
    EXPECT_TRUE(lines[3].contains(QStringLiteral("\t214=00(00)\t215=91(5B)\t216=37(25)\t217=00(00)\t")));
    EXPECT_EQ(lines[5].left(lines[5].indexOf(QStringLiteral("\t1="))),
              QStringLiteral("Запрос(day б/д):4 128 32772 \t0=06(06)"));

    // Other levels write nothing.
    QTemporaryDir other;
    context.logFolder = other.path();
    context.accessLevel = 1;
    Preset(0, kDaily);
    Read(kDaily);
    EXPECT_FALSE(QFile::exists(QDir(other.path()).filePath(QStringLiteral("АРХИВ234235.txt"))));
}

}  // namespace
