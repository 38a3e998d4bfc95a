// Two lines at once: two connections, each on its own pseudo-terminal with an
// omi-sim of another family behind it (a two-system 234 and a one-system
// 225). Their exchanges alternate, and one line starts its own exchanges
// while the other waits for an answer; each connection addresses and decodes
// its own device, into its own records, whatever the other one does.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveReader.h"
#include "archives/ArchiveRecord.h"
#include "connection/Connection.h"
#include "protocol/Identify.h"
#include "service/DeviceReading.h"
#include "support/Dates.h"
#include "support/SimRunner.h"

using namespace omi;

namespace {

// The simulators' clock: the archives end at this hour and do not grow.
const QDateTime kNow(QDate(2026, 3, 7), QTime(13, 0));

class RecordingStatus : public StatusSink {
public:
    QStringList texts;
    void show(StatusStyle, const QString& shown) override { texts << shown; }
};

// One line: an omi-sim of a type and number, and the connection on its
// pseudo-terminal (no device known yet).
struct SimLine {
    SimLine(int type, int serial, int dailyCurrent, const QStringList& extra = {})
        : sim(QStringList{"--pty", "--type", QString::number(type), "--serial", QString::number(serial), "--today",
                          kNow.toString("yyyy-MM-dd'T'HH"), "--daily-current", QString::number(dailyCurrent)} +
              extra),
          dailyCurrent(dailyCurrent) {
        line.Port().SetPortName(sim.Pty());
        line.Port().SetInputTimeout(2000);
        status.SetDevice(&line.Address());
    }

    // The day number of a daily record as the simulator was told to date it:
    // the record at dailyCurrent is today's, each position below a day older.
    int DayOfPosition(int position) const { return DayNumber(kNow.date()) - (dailyCurrent - position); }

    // One daily record request through the connection, decoded as the
    // answer of the device it addresses.
    ArchiveEntry DailyRecord(int position) {
        const ArchiveProcedure& procedure = *ArchiveProcedureOf(line.Type());
        const RequestBytes bytes = procedure.dailyBytes(position);
        const auto request = line.BuildFrame(cmd::ArchiveRecord, {bytes[0], bytes[1]});
        Frame answer;
        ArchiveEntry entry;
        if (!request || !line.Exchange(*request, answer)) {
            ADD_FAILURE() << "no answer from " << line.Type() << " to daily position " << position;
            return entry;
        }
        EXPECT_EQ(procedure.decode(answer, line.Address(), entry), QString()) << line.Type();
        if (!entry.empty()) {
            EXPECT_EQ(entry[0].Layout(), procedure.record) << line.Type();
        }
        return entry;
    }

    test::Sim sim;
    Connection line;
    RecordingStatus status;
    int dailyCurrent;
};

// The state ranges the simulators keep to: supply, return and hot-water (or
// third) temperature of each heat system.
struct Range {
    double low, high;
};
void ExpectIn(double value, Range r, const std::string& what) {
    EXPECT_GE(value, r.low) << what;
    EXPECT_LE(value, r.high) << what;
}

void ExpectState234(const u34::StatePair& pair, const std::string& what) {
    for (int s = 0; s < 2; ++s) {
        const u34::StateRecord& r = pair[static_cast<std::size_t>(s)];
        const std::string system = what + " system " + std::to_string(s + 1);
        ExpectIn(r.t1, {70, 95}, system + " t1");
        ExpectIn(r.t2, {40, 60}, system + " t2");
        ExpectIn(r.t3, {5, 15}, system + " t3");
        ExpectIn(r.p1, {0.3, 0.6}, system + " P1");
        EXPECT_GT(r.heat, 0) << system;
    }
}

void ExpectState225(const u25::StateRecord& r, const std::string& what) {
    ExpectIn(r.t1 / 100.0, {60, 90}, what + " t1");
    ExpectIn(r.t2 / 100.0, {42, 58}, what + " t2");
    ExpectIn(r.t3 / 100.0, {55, 65}, what + " t3");
    EXPECT_GT(r.heat, 0) << what;
}

class TwoLines : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(a.sim.Pty().isEmpty()) << "omi-sim 234 did not start";
        ASSERT_FALSE(b.sim.Pty().isEmpty()) << "omi-sim 225 did not start";
    }
    // Both devices found by the broadcast request, each on its own line.
    void IdentifyBoth() {
        const IdentifyResult ra = Identify(a.line, {false, true, false}, a.status);
        const IdentifyResult rb = Identify(b.line, {false, true, false}, b.status);
        ASSERT_TRUE(ra.ok);
        ASSERT_TRUE(rb.ok);
        EXPECT_EQ(a.line.Address(), (DeviceAddress{417, 234}));
        EXPECT_EQ(b.line.Address(), (DeviceAddress{22, 225}));
        EXPECT_EQ(a.status.texts.last(), QStringLiteral("ОМИ-1 Б4М № 417: НА СВЯЗИ!"));
        EXPECT_EQ(b.status.texts.last(), QStringLiteral("ОМИ-1 А1(А2)М № 22: НА СВЯЗИ!"));
    }

    // A answers after 150 ms, B after 60 ms: B's reads nested in A's wait
    // take longer than A's answer, which comes while B still waits.
    SimLine a{234, 417, 40, {"--delay", "150"}};
    SimLine b{225, 22, 7, {"--delay", "60"}};
};

TEST_F(TwoLines, AlternatingReadsEachDecodeTheirOwnDevice) {
    IdentifyBoth();
    double heatA = 0, heatB = 0;
    for (int round = 0; round < 3; ++round) {
        const std::string what = "round " + std::to_string(round);
        ASSERT_TRUE(ReadState(a.line, a.status).ok()) << what;
        ASSERT_TRUE(ReadState(b.line, b.status).ok()) << what;
        ExpectState234(a.line.Records().f234.state, what + " 234");
        ExpectState225(b.line.Records().f225.state, what + " 225");
        // Counters never run back on either device.
        EXPECT_GE(a.line.Records().f234.state[0].heat, heatA) << what;
        EXPECT_GE(b.line.Records().f225.state.heat, heatB) << what;
        heatA = a.line.Records().f234.state[0].heat;
        heatB = b.line.Records().f225.state.heat;
        EXPECT_EQ(a.status.texts.last(), QStringLiteral("ОМИ-1 Б4М № 417: Cостояние прочитано успешно"));
        EXPECT_EQ(b.status.texts.last(), QStringLiteral("ОМИ-1 А1(А2)М № 22: Cостояние прочитано успешно"));

        // Daily records of both, alternating: each dated as its simulator
        // was told.
        for (int back : {0, 3}) {
            const ArchiveEntry ea = a.DailyRecord(a.dailyCurrent - back - round);
            const ArchiveEntry eb = b.DailyRecord(b.dailyCurrent - back - round);
            ASSERT_EQ(ea.size(), 2u) << what;
            ASSERT_EQ(eb.size(), 1u) << what;
            EXPECT_EQ(EntryDay(ea), a.DayOfPosition(a.dailyCurrent - back - round)) << what;
            EXPECT_EQ(EntryDay(eb), b.DayOfPosition(b.dailyCurrent - back - round)) << what;
        }
    }
    // Each connection's state texts are those of its own family.
    EXPECT_EQ(StateValueTexts(a.line, 1).size(), 17);
    EXPECT_EQ(StateValueTexts(b.line, 0).size(), 11);
    // Neither filled the records of the other's family.
    EXPECT_EQ(a.line.Records().f225.state.heat, 0.0);
    EXPECT_EQ(b.line.Records().f234.state[0].heat, 0.0);
}

// While line A waits for its state answer a timer starts the reads of line
// B: a state read and a whole daily archive read of three days, which run to
// their end inside A's wait. A's answer comes meanwhile and is taken, without
// asking again, when B is done.
TEST_F(TwoLines, OneLineReadsWhileTheOtherWaits) {
    IdentifyBoth();
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());

    bool nestedRan = false;
    bool aWaiting = false;
    ReadResult stateB;
    ArchiveReadResult archiveB;
    ArchiveList daysB;
    ArchiveReadingState& rangeB = b.line.ArchiveReading();
    rangeB.first = kNow.date().addDays(-2);
    rangeB.last = kNow.date();
    rangeB.tolerance = kNormalTolerance;
    QTimer::singleShot(10, [&] {
        nestedRan = aWaiting;
        stateB = ReadState(b.line, b.status);
        ArchiveReadContext context;
        context.line = &b.line;
        context.status = &b.status;
        context.now = kNow;
        context.logFolder = logs.path();
        rangeB.reading = true;
        archiveB = ReadArchive(*ArchiveProcedureOf(225), kDailyArchive, rangeB, daysB, context);
    });
    aWaiting = true;
    const ReadResult stateA = ReadState(a.line, a.status);
    aWaiting = false;

    EXPECT_TRUE(nestedRan) << "line B was read while line A waited";
    ASSERT_TRUE(stateA.ok());
    EXPECT_EQ(stateA.attempts, 1);
    const QStringList requestsA = a.sim.Requests();
    EXPECT_EQ(std::count_if(requestsA.begin(), requestsA.end(),
                            [](const QString& r) { return r.section(' ', 4, 4) == QStringLiteral("1"); }),
              1)
        << "A's state request was sent once";
    ExpectState234(a.line.Records().f234.state, "234");
    ASSERT_TRUE(stateB.ok());
    ExpectState225(b.line.Records().f225.state, "225");
    EXPECT_EQ(archiveB.outcome, ArchiveReadOutcome::Completed) << archiveB.text.toStdString();
    ASSERT_EQ(daysB.size(), 3u);
    for (std::size_t k = 0; k < daysB.size(); ++k) {
        EXPECT_EQ(EntryDay(daysB[k]), b.DayOfPosition(b.dailyCurrent - static_cast<int>(k))) << k;
        EXPECT_EQ(daysB[k].size(), 1u) << "one heat system";
    }

    // And the other way round: B's record read inside A's archive record wait.
    ArchiveEntry nestedEntry;
    QTimer::singleShot(10, [&] { nestedEntry = b.DailyRecord(b.dailyCurrent - 5); });
    const ArchiveEntry entryA = a.DailyRecord(a.dailyCurrent - 5);
    ASSERT_EQ(entryA.size(), 2u);
    ASSERT_EQ(nestedEntry.size(), 1u);
    EXPECT_EQ(EntryDay(entryA), a.DayOfPosition(a.dailyCurrent - 5));
    EXPECT_EQ(EntryDay(nestedEntry), b.DayOfPosition(b.dailyCurrent - 5));
    // Each simulator was asked only as its own device.
    for (const QString& request : a.sim.Requests())
        EXPECT_TRUE(request.startsWith("6 0 0 0 0 250") || request.section(' ', 1, 3) == "234 161 1")
            << request.toStdString();
    for (const QString& request : b.sim.Requests())
        EXPECT_TRUE(request.startsWith("6 0 0 0 0 250") || request.section(' ', 1, 3) == "225 22 0")
            << request.toStdString();
}

}  // namespace
