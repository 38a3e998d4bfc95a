// The read rules of the families 225, 227, 228 and 229/230 as the reader
// follows them. The procedures here carry those rules on the record and the
// decoder of family 234, so that a scripted device of this file can answer
// every one of them; the device answers through the imitation handler or,
// where the rules differ with imitation off, over UDP on loopback.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "archives/ArchiveDumpLog.h"
#include "archives/ArchiveReader.h"
#include "connection/Connection.h"
#include "families/RandNorm.h"
#include "families/U34.h"
#include "protocol/Exchange.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"

using namespace omi;

namespace {

constexpr int kSerial = 417;  // 0x01A1
constexpr int kType = 234;    // the records and their decoder are those of 234
constexpr int kD0 = 9563;     // day number of 2026-03-07
const QDate kToday(2026, 3, 7);
const QDateTime kNow(kToday, QTime(10, 30));
constexpr int kDaily = 0, kHourly = 2;
constexpr int kDay = 0, kWeek = 1, kAll = kAllRecordsPreset;

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

enum class Fam { F225, F227, F228, F229 };

const char* famName(Fam f) {
    switch (f) {
        case Fam::F225:
            return "225";
        case Fam::F227:
            return "227";
        case Fam::F228:
            return "228";
        case Fam::F229:
            return "229";
    }
    return "?";
}

// The rules of a family on the record of 234.
ArchiveProcedure Rules(Fam f) {
    ArchiveProcedure p = Procedure234();
    p.dailyNumber = DailyNumberField::ByteAt7;
    if (f == Fam::F229) {
        p.dailyTop = 61;
        p.hourlyTop = 959;
        p.logFileName = "АРХИВ229230.txt";
        return p;
    }
    p.announceAndIdentify = false;
    p.beginCommand = p.endCommand = false;
    p.resetTolerance = false;
    p.dailyMismatch = DailyMismatch::CountMissing;
    p.dailyRetries = 0;
    p.decodeErrorMemo = false;
    p.hourlySort = SortWhen::NotAllRecords;
    p.ringTest = RingTest::BothShown;
    p.dailyProgress = DailyProgress::AfterExchange;
    p.logToMemo = true;
    p.currentNumbers = CurrentNumbers::AskOrDraw;
    p.byteLog = ByteLog::AcceptedRecords;
    p.logFileName = "байты архива.txt";
    p.dailyTop = 127;
    p.hourlyTop = 1023;
    p.drawDailyMax = 126;
    p.drawHourlyMax = 1022;
    if (f == Fam::F225) {
        p.currentNumbers = CurrentNumbers::CheckedOrDraw;
        p.byteLog = ByteLog::Exchanges;
        p.logFileName = "АРХИВ225.txt";
    }
    if (f == Fam::F228) {
        p.dailyTop = 61;
        p.hourlyTop = 959;
        p.drawDailyMax = 60;
        p.drawHourlyMax = 958;
        p.beginCommand = p.endCommand = true;
        p.hourlySort = SortWhen::AccessLevelNotZero;
    }
    return p;
}

struct Stamp {
    int day;
    int hour;
};

// A calculator whose rings hold one record per day and per hour up to now
// (the record of 234, the rings of the procedure). `stamp` overrides single
// positions, `broken` answers a daily position with a bad check byte,
// `pointers` replaces the answers to command 21 (by attempt, from 1). The
// request with the 0-based index `silentFrom` finds the line silent; with
// `comesBack` that failed exchange switches the imitation on again.
class Device {
public:
    int hourlyWord = 1;  // command 21: last-written numbers, 1-based
    int dailyWord = 1;
    std::map<int, Stamp> dailyStamp, hourlyStamp;
    std::set<int> broken;
    std::function<Frame(int attempt)> pointers;
    int silentFrom = -1;
    bool comesBack = false;
    std::vector<Frame> requests;
    // The line the calculator is read on, addressed to it.
    Connection line;
    ExchangeEngine& engine = line.Engine();

    Device(const ArchiveProcedure& p, bool overUdp) : dailyTop_(p.dailyTop), hourlyTop_(p.hourlyTop) {
        line.SetDevice(kSerial, kType);
        engine.SetTransport(TransportKind::Network);
        engine.SetEmptyAddressHandler([this] {
            if (comesBack) engine.SetImitation(true);
        });
        if (!overUdp) {
            engine.SetImitation(true);
            engine.SetImitationHandler([this](const Frame& q, Frame& r) { answer(q, r); });
            return;
        }
        socket_.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&socket_, &QUdpSocket::readyRead, [this] {
            while (socket_.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket_.receiveDatagram();
                Frame r;
                answer(StringToFrame(d.data()), r);
                socket_.writeDatagram(FrameToString(r), d.senderAddress(), d.senderPort());
            }
        });
        engine.SetNetworkTarget(QStringLiteral("127.0.0.1"), socket_.localPort());
    }

    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const Frame& q : requests) out.push_back(q.at(4));
        return out;
    }
    std::vector<int> Positions() const {
        std::vector<int> out;
        for (const Frame& q : requests)
            if (q.at(4) == cmd::ArchiveRecord) out.push_back(q.at(5) | ((q.at(6) & 0x7F) << 8));
        return out;
    }

private:
    Stamp honest(int position, bool daily) const {
        const int top = daily ? dailyTop_ : hourlyTop_;
        const int word = daily ? dailyWord : hourlyWord;
        const int newest = word >= 1 && word - 1 <= top ? word - 1 : top;
        const int back = (newest - position + top + 1) % (top + 1);
        if (daily) return {kD0 - back, 0};
        const int hours = kD0 * 24 + 10 - back;
        return {hours / 24, hours % 24};
    }

    void answer(const Frame& q, Frame& r) {
        requests.push_back(q);
        respond(q, r);
        if (silentFrom >= 0 && static_cast<int>(requests.size()) == silentFrom) {
            engine.SetImitation(false);
            engine.SetNetworkTarget(QString(), 0);
        }
    }

    void respond(const Frame& q, Frame& r) {
        switch (q.at(4)) {
            case cmd::ArchivePointers: {
                const auto asked = std::count_if(requests.begin(), requests.end(),
                                                 [](const Frame& f) { return f.at(4) == cmd::ArchivePointers; });
                r = pointers ? pointers(static_cast<int>(asked))
                             : withCheck({9, kType, 0xA1, 0x01, 21, std::uint8_t(hourlyWord & 0xFF),
                                          std::uint8_t(hourlyWord >> 8), std::uint8_t(dailyWord)});
                return;
            }
            case cmd::ArchiveRecord: {
                const bool daily = q.at(6) & 0x80;
                const int position = q.at(5) | ((q.at(6) & 0x7F) << 8);
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

    int dailyTop_;
    int hourlyTop_;
    QUdpSocket socket_;
};

class RecordingStatus : public StatusSink {
public:
    QList<QPair<StatusStyle, QString>> shown;
    QPair<int, int> lastProgress{-1, -1};
    void show(StatusStyle s, const QString& t) override { shown.append({s, t}); }
    void progress(int position, int maximum) override { lastProgress = {position, maximum}; }
    bool Has(StatusStyle s, const QString& text) const {
        return shown.contains(qMakePair(s, StatusText(s, text, Device())));
    }
    QPair<StatusStyle, QString> Last() const { return shown.isEmpty() ? QPair<StatusStyle, QString>{} : shown.last(); }
    int Count(StatusStyle s, const QString& part) const {
        return static_cast<int>(std::count_if(shown.begin(), shown.end(),
                                              [&](const auto& p) { return p.first == s && p.second.contains(part); }));
    }
};

class Memo : public TraceSink {
public:
    QString text;
    void Append(const QString& t) override { text += t; }
    bool Visible() const override { return true; }
};

// Ring positions newest first from `from`, wrapping below 0 to `top`.
std::vector<int> backFrom(int from, int count, int top) {
    std::vector<int> out;
    for (int k = 0; k < count; ++k) out.push_back((from - k + top + 1) % (top + 1));
    return out;
}

class FamilyRead : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(logs.isValid());
        context.logFolder = logs.path();  // no read leaves a log in the current folder
        context.status = &status;
        context.memo = &memo;
        context.now = kNow;
    }

    // A fresh device, status, memo and list for the rules of f.
    Device& Use(Fam f, bool overUdp) {
        procedure = Rules(f);
        device = std::make_unique<Device>(procedure, overUdp);
        context.line = &device->line;
        status.SetDevice(&device->line.Address());
        status.shown.clear();
        status.lastProgress = {-1, -1};
        memo.text.clear();
        list.clear();
        return *device;
    }
    void Preset(int item, int kind) {
        state.ApplyPreset(RangePreset(item, kToday, kType, kind, kToday));
        state.reading = true;
    }
    ArchiveReadResult Read(int kind) { return ReadArchive(procedure, kind, state, list, context); }
    std::vector<int> ListPositions() const {
        std::vector<int> out;
        for (const auto& e : list) out.push_back(e[0].Int(u34::arh::kWork));
        return out;
    }
    QPair<StatusStyle, QString> Shown(StatusStyle s, const QString& text) const {
        return {s, StatusText(s, text, status.Device())};
    }

    QTemporaryDir logs;
    ArchiveProcedure procedure = Procedure234();
    std::unique_ptr<Device> device;
    RecordingStatus status;
    Memo memo;
    ArchiveReadingState state;
    ArchiveList list;
    ArchiveReadContext context;
};

TEST_F(FamilyRead, CurrentNumbersOf225AreAskedUpToTenTimesAndChecked) {
    const Frame good{9,    kType, 0xA1, 0x01, 21,
                     0xF5, 0x01,  41,   0};  // hourly 501, daily 41; the check byte is not examined
    const Frame longer{9, kType, 0xA1, 0x01, 21, 0xF5, 0x01, 41, 0, 7};
    const Frame wrongCommand{9, kType, 0xA1, 0x01, 20, 0xF5, 0x01, 41, 0};
    const Frame tenBytes = withCheck({10, kType, 0xA1, 0x01, 21, 0xF5, 0x01, 41, 0});
    const Frame shortFrame = withCheck({6, kType, 0xA1, 0x01, 21});
    struct Case {
        const char* name;
        std::vector<Frame> answers;  // by attempt; the last one repeats
        int asked;
        const char* failure;  // nullptr: the read goes on
    } cases[] = {
        {"accepted at the third attempt", {shortFrame, wrongCommand, good}, 3, nullptr},
        {"cut to its first nine bytes", {longer}, 1, nullptr},
        {"length byte 10 after the cut", {tenBytes}, 10, "0:Ошибка чтения текущих номеров записей. Повторите..."},
        {"wrong command byte", {wrongCommand}, 10, "0:Ошибка чтения текущих номеров записей. Повторите..."},
        {"short answers", {shortFrame}, 10, "-3:Ошибка чтения текущих номеров записей. Повторите..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device& d = Use(Fam::F225, true);
        d.hourlyWord = 501;  // the records as the accepted numbers say
        d.dailyWord = 41;
        d.pointers = [&](int attempt) { return c.answers[std::min<std::size_t>(attempt, c.answers.size()) - 1]; };
        Preset(kDay, kDaily);
        const ArchiveReadResult result = Read(kDaily);

        const std::vector<int> commands = d.Commands();
        EXPECT_EQ(std::vector<int>(commands.begin(), commands.begin() + std::min<int>(c.asked, commands.size())),
                  std::vector<int>(c.asked, cmd::ArchivePointers));
        for (int n = 1; n <= c.asked; ++n)
            EXPECT_TRUE(
                status.Has(StatusStyle::Busy,
                           QStringLiteral(" Определение текущих номеров записей... Попытка № ") + QString::number(n)));
        EXPECT_EQ(status.Count(StatusStyle::Busy, QStringLiteral("Попытка № ")), c.asked);
        if (c.failure) {
            EXPECT_EQ(commands.size(), 10u);
            EXPECT_EQ(result.outcome, ArchiveReadOutcome::NoLink);
            EXPECT_EQ(result.text, QString::fromUtf8(c.failure));
            EXPECT_EQ(status.Last(), Shown(StatusStyle::Error, QString::fromUtf8(c.failure)));
            EXPECT_EQ(status.lastProgress, qMakePair(0, 0));
        } else {
            // daily number = byte 7: position 40 is today; no identification, 20 or 254
            EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
            EXPECT_EQ(d.Positions(), (std::vector<int>{40, 39}));
            EXPECT_EQ(commands.size(), static_cast<std::size_t>(c.asked) + 2);
            EXPECT_EQ(ListPositions(), (std::vector<int>{40, 39}));
        }
    }
}

TEST_F(FamilyRead, ImitationDrawsTheCurrentNumbers) {
    struct Case {
        Fam fam;
        int kind;
        bool asks;  // command 21 is still sent
    } cases[] = {
        {Fam::F225, kDaily, false}, {Fam::F225, kHourly, false}, {Fam::F227, kDaily, true},
        {Fam::F227, kHourly, true}, {Fam::F228, kDaily, true},   {Fam::F228, kHourly, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(famName(c.fam)) + (c.kind == kDaily ? " daily" : " hourly"));
        Device& d = Use(c.fam, false);
        SeedImitation(20260307);
        const int hourly = RandInt(procedure.drawHourlyMax + 1);
        const int daily = RandInt(procedure.drawDailyMax + 1);
        SeedImitation(20260307);
        // The device's own numbers follow the draw, so that its records carry the planned dates.
        d.hourlyWord = hourly + 1;
        d.dailyWord = daily + 1;
        d.pointers = [](int) { return withCheck({9, kType, 0xA1, 0x01, 21, 7, 0, 7}); };  // ignored
        Preset(kDay, c.kind);
        const ArchiveReadResult result = Read(c.kind);

        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        const std::vector<int> commands = d.Commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), cmd::ArchivePointers), c.asks ? 1 : 0);
        const std::vector<int> expected =
            c.kind == kDaily ? backFrom(daily, 2, procedure.dailyTop) : backFrom(hourly, 35, procedure.hourlyTop);
        EXPECT_EQ(d.Positions(), expected);
        EXPECT_EQ(ListPositions(), expected);
    }
}

TEST_F(FamilyRead, CurrentNumberOffItsRing) {
    struct Case {
        const char* name;
        Fam fam;
        int kind;
        int hourlyWord, dailyWord;
        int preset;
        ArchiveReadOutcome outcome;
        bool emptyShown;
        std::vector<int> positions;  // the first record requests
        std::size_t requested;
    } cases[] = {
        {"225: the hourly number ends a daily read",
         Fam::F225,
         kDaily,
         1025,
         41,
         kWeek,
         ArchiveReadOutcome::Empty,
         true,
         {},
         0},
        {"225: all records: shown, then the daily ring from its own number",
         Fam::F225,
         kDaily,
         1025,
         41,
         kAll,
         ArchiveReadOutcome::Completed,
         true,
         {40, 39},
         128},
        {"225: 1023 is on the hourly ring",
         Fam::F225,
         kDaily,
         1024,
         41,
         kDay,
         ArchiveReadOutcome::Completed,
         false,
         {40, 39},
         2},
        {"227: daily 128, all records: the whole ring from the top",
         Fam::F227,
         kDaily,
         1,
         129,
         kAll,
         ArchiveReadOutcome::Completed,
         true,
         {127, 126},
         128},
        {"228: daily 62 is off the 62-position ring",
         Fam::F228,
         kDaily,
         1,
         63,
         kDay,
         ArchiveReadOutcome::Empty,
         true,
         {},
         0},
        {"228: hourly 960 ends a daily read", Fam::F228, kDaily, 961, 41, kDay, ArchiveReadOutcome::Empty, true, {}, 0},
        {"229: only the number of the read kind",
         Fam::F229,
         kDaily,
         961,
         41,
         kDay,
         ArchiveReadOutcome::Completed,
         false,
         {40, 39},
         2},
        {"229: daily 62 off, all records: the whole ring, nothing shown",
         Fam::F229,
         kDaily,
         1,
         63,
         kAll,
         ArchiveReadOutcome::Completed,
         false,
         {61, 60},
         62},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device& d = Use(c.fam, true);
        d.hourlyWord = c.hourlyWord;
        d.dailyWord = c.dailyWord;
        Preset(c.preset, c.kind);
        const ArchiveReadResult result = Read(c.kind);

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(status.Has(StatusStyle::Busy, kArchiveEmptyText), c.emptyShown);
        const std::vector<int> positions = d.Positions();
        EXPECT_EQ(positions.size(), c.requested);
        EXPECT_EQ(std::vector<int>(positions.begin(), positions.begin() + std::min(positions.size(), std::size_t(2))),
                  c.positions);
        if (c.outcome == ArchiveReadOutcome::Empty) {
            EXPECT_EQ(d.Commands(), std::vector<int>{cmd::ArchivePointers});
            EXPECT_EQ(status.Last(), Shown(StatusStyle::Busy, kArchiveEmptyText));
            EXPECT_EQ(status.lastProgress, qMakePair(0, 0));
        }
    }
}

// A week of daily records (position 40 is today) with a record dated a day
// off and an undecodable one: the commands around the records, what a
// mismatch costs, the memo texts and the progress texts.
TEST_F(FamilyRead, DailyWeekPerFamily) {
    const std::vector<int> week = backFrom(40, 8, 127);
    struct Case {
        Fam fam;
        std::vector<int> head;  // commands before the first record request
        bool end;               // command 254 last
        std::vector<int> positions, listed;
        int missing;
        const char* summary;
        QString memo;
        int readingTexts;
    } cases[] = {
        {Fam::F225,
         {21},
         false,
         week,
         {40, 39, 38, 36, 34, 33},
         2,
         "архив прочитан от 28.02.2026 г. до 07.03.2026 г.... 2 записей отсутствует",
         {},
         8},
        {Fam::F227,
         {21},
         false,
         week,
         {40, 39, 38, 36, 34, 33},
         2,
         "архив прочитан от 28.02.2026 г. до 07.03.2026 г.... 2 записей отсутствует",
         {},
         8},
        {Fam::F228,
         {21, 20},
         true,
         week,
         {40, 39, 38, 36, 34, 33},
         2,
         "архив прочитан от 28.02.2026 г. до 07.03.2026 г.... 2 записей отсутствует",
         {},
         8},
        // five requests of the record a day off, then the daily read stops
        {Fam::F229,
         {0, 21, 20},
         true,
         {40, 39, 38, 37, 37, 37, 37, 37},
         {40, 39, 38},
         0,
         "архив прочитан от 05.03.2026 г. до 07.03.2026 г.",
         QString("\r\nпаленые даты 24").repeated(4),
         8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(famName(c.fam));
        Device& d = Use(c.fam, true);
        d.dailyWord = 41;
        d.dailyStamp[37] = {kD0 - 4, 0};  // planned kD0 - 3
        d.broken = {35};
        Preset(kWeek, kDaily);
        const ArchiveReadResult result = Read(kDaily);

        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        const std::vector<int> commands = d.Commands();
        ASSERT_GE(commands.size(), c.head.size() + 1);
        EXPECT_EQ(std::vector<int>(commands.begin(), commands.begin() + c.head.size()), c.head);
        EXPECT_EQ(commands.back(), c.end ? cmd::ArchiveEnd : cmd::ArchiveRecord);
        EXPECT_EQ(d.Positions(), c.positions);
        EXPECT_EQ(ListPositions(), c.listed);
        EXPECT_EQ(state.missing, c.missing);
        EXPECT_EQ(result.text, QString::fromUtf8(c.summary));
        EXPECT_EQ(memo.text, c.memo);
        EXPECT_EQ(status.Count(StatusStyle::Busy, QStringLiteral("чтение архива. Ждите...")), c.readingTexts);
    }
}

TEST_F(FamilyRead, CommandTwentyFailureOf228IsToleratedOnlyInImitation) {
    for (const bool imitation : {true, false}) {
        SCOPED_TRACE(imitation ? "imitation" : "device");
        Device& d = Use(Fam::F228, !imitation);
        SeedImitation(5);
        d.hourlyWord = RandInt(procedure.drawHourlyMax + 1) + 1;
        d.dailyWord = RandInt(procedure.drawDailyMax + 1) + 1;
        SeedImitation(5);
        if (!imitation) d.dailyWord = 41;
        d.silentFrom = 1;  // 21 answered, then 20 finds the line silent
        d.comesBack = imitation;
        Preset(kDay, kDaily);
        const ArchiveReadResult result = Read(kDaily);

        if (imitation) {
            EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
            EXPECT_EQ(d.Commands(), (std::vector<int>{21, 3, 3, 254}));  // the silent 20 reached no device
        } else {
            EXPECT_EQ(result.outcome, ArchiveReadOutcome::NoLink);
            EXPECT_EQ(d.Commands(), (std::vector<int>{21}));
            EXPECT_EQ(status.Last(), Shown(StatusStyle::Error, kNoLinkText));
        }
    }
}

// Hourly reads with two records dated in the wrong order (positions 490 and
// 489 across midnight): sorted or kept in reading order.
TEST_F(FamilyRead, HourlySortConditions) {
    struct Case {
        Fam fam;
        int accessLevel;
        int preset;
        bool sorted;
    } cases[] = {
        {Fam::F227, 1, kDay, true},  {Fam::F227, 0, kDay, true}, {Fam::F227, 1, kAll, false},
        {Fam::F228, 0, kDay, false}, {Fam::F228, 1, kDay, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(famName(c.fam)) + " level " + std::to_string(c.accessLevel) +
                     (c.preset == kAll ? " all records" : ""));
        context.accessLevel = c.accessLevel;
        Device& d = Use(c.fam, true);
        d.hourlyWord = 501;
        d.hourlyStamp = {{490, {kD0 - 1, 23}}, {489, {kD0, 0}}};
        Preset(c.preset, kHourly);
        const ArchiveReadResult result = Read(kHourly);

        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        const std::vector<int> read = d.Positions();
        std::vector<int> expected = read;
        const auto at490 = std::find(expected.begin(), expected.end(), 490);
        ASSERT_NE(at490, expected.end());
        if (c.sorted) std::iter_swap(at490, at490 + 1);
        EXPECT_EQ(ListPositions(), expected);
        EXPECT_EQ(state.mixedUp, c.sorted ? 1 : 0);
        if (c.preset == kDay) {
            EXPECT_EQ(result.text, QStringLiteral("архив прочитан от 06.03.2026 г. до 07.03.2026 г.") +
                                       (c.sorted ? QStringLiteral("... 1 дат перепутано") : QString()));
        }
    }
}

TEST(RecordBytesLines, RequestThenEveryAnswerByte) {
    EXPECT_EQ(RecordBytesLines({40, 128}, {222, 10, 255}),
              (QStringList{"запрос=128[1] 40[0]", "000=222 hex=DE", "001=10 hex=0A", "002=255 hex=FF"}));
    EXPECT_EQ(RecordBytesLines({0, 4}, {}), QStringList{"запрос=4[1] 0[0]"});
}

// Which byte log a read leaves in its folder, and what the memo gets.
TEST_F(FamilyRead, ByteLogsPerFamily) {
    struct Case {
        const char* name;
        Fam fam;
        int accessLevel;
        int preset;
        int silentFrom;
        const char* file;  // nullptr: none
        int records;       // accepted records in the record log
    } cases[] = {
        {"227 all records", Fam::F227, 1, kAll, -1, "байты архива.txt", 128},
        {"227 a week at level 0: no log", Fam::F227, 0, kWeek, -1, nullptr, 0},
        {"228 all records, 254 answered", Fam::F228, 1, kAll, -1, "байты архива.txt", 62},
        {"228 all records, 254 unanswered: not written", Fam::F228, 1, kAll, 64, nullptr, 0},
        {"225 level 0", Fam::F225, 0, kDay, -1, "АРХИВ225.txt", 0},
        {"225 all records at level 1: no log", Fam::F225, 1, kAll, -1, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        context.logFolder = dir.path();
        context.accessLevel = c.accessLevel;
        Device& d = Use(c.fam, true);
        d.dailyWord = 41;
        d.silentFrom = c.silentFrom;
        Preset(c.preset, kDaily);
        const ArchiveReadResult result = Read(kDaily);
        EXPECT_EQ(result.outcome, ArchiveReadOutcome::Completed);
        EXPECT_EQ(result.endUnanswered, c.silentFrom >= 0);

        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (!c.file) {
            EXPECT_TRUE(files.isEmpty()) << files.join(' ').toStdString();
            EXPECT_EQ(memo.text, QString());
            continue;
        }
        ASSERT_EQ(files, QStringList{QString::fromUtf8(c.file)});
        const QByteArray raw = test::ReadAll(QDir(dir.path()).filePath(files[0]));
        ASSERT_TRUE(raw.endsWith("\r\n"));
        const QStringList lines = FromCp1251(raw.chopped(2)).split(QStringLiteral("\r\n"));
        // the memo gets the lines of the log at the end of the read
        EXPECT_EQ(memo.text, QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")));
        if (c.records == 0) {  // the exchange log of level 0
            EXPECT_EQ(lines[0],
                      QStringLiteral("Текущие № записей:\t0=09(09)\t1=234(EA)\t2=161(A1)\t3=01(01)\t4=21(15)\t"
                                     "5=01(01)\t6=00(00)\t7=41(29)\t8=44(2C)\t"));
            EXPECT_EQ(lines[1], QStringLiteral("\tчасовой=1\tсуточный=41"));
            EXPECT_EQ(lines.size(), 2 + 2 * 2);
            continue;
        }
        ASSERT_EQ(lines.size(), c.records * (1 + u34::kArchiveLength));
        EXPECT_EQ(lines[0], QStringLiteral("запрос=128[1] 40[0]"));
        EXPECT_EQ(lines.mid(1, 6), (QStringList{"000=222 hex=DE", "001=234 hex=EA", "002=161 hex=A1", "003=1 hex=01",
                                                "004=3 hex=03", "005=40 hex=28"}));
        EXPECT_EQ(lines[1 + u34::kArchiveLength], QStringLiteral("запрос=128[1] 39[0]"));
        EXPECT_EQ(lines.last().left(4), QStringLiteral("221="));
    }
}

}  // namespace
