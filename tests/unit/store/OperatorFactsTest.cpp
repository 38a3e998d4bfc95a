// What the store tells an operator beside the records: the days with errors
// and the days missing over a range, decoded from real stored records; the
// device clock of a collection run, also in a store made before the clock
// was kept; and one collector per meter at a time, on SQLite and PostgreSQL,
// given back when the collector goes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <thread>

#include "archives/ArchiveFamily.h"
#include "families/U34.h"
#include "store/ArchiveStore.h"
#include "store/StoreFindings.h"
#include "support/Dates.h"
#include "support/PostgresServer.h"

using namespace omi;
using omi::test::PostgresServer;
namespace arh = omi::u34::arh;

namespace {

constexpr int kType = 234;

const ArchiveFamily& family() { return *ArchiveFamilyOf(kType); }

struct Faults {
    int system = 0;
    int device = 0;
    int workErr = 0;  // the cumulative hours with errors
    int fatal = 0;    // minutes with errors of this period
};

// A daily entry of both heat systems; faults go to the second system only,
// so a finding must look past the first.
ArchiveEntry daily(const QDate& date, const Faults& f = {}) {
    ArchiveEntry e;
    for (int system = 0; system < family().layout->perEntry; ++system) {
        ArchiveRecord r(*family().layout);
        r.SetDay(DayNumber(date));
        r.SetHour(0);
        r.SetReal(arh::kHeat, 100 + date.day());
        if (system == 1) {
            r.SetInt(arh::kSystemError, f.system);
            r.SetInt(arh::kDeviceError, f.device);
            r.SetInt(arh::kWorkErr, f.workErr);
            r.SetInt(arh::kFatal, f.fatal);
        }
        e.push_back(r);
    }
    return e;
}

}  // namespace

TEST(OperatorFacts, ErrorDaysAndMissingDaysOfARangeComeFromTheStoredRecords) {
    QTemporaryDir dir;
    ArchiveStore store;
    ASSERT_EQ(store.Open(dir.filePath("s.sqlite")), QString());
    const QDate d1(2026, 3, 1);
    // Day 1: clean, the counter of hours with errors at 5 (before the range).
    // 2: the counter grows (time with errors). 3: unchanged counter, a device
    // error code. 4 and 5: missing. 6: minutes with errors of the day. 7: a
    // system error. 8: clean, counter unchanged. 9: missing.
    std::vector<ArchiveEntry> entries{daily(d1, {0, 0, 5, 0}),
                                      daily(d1.addDays(1), {0, 0, 7, 0}),
                                      daily(d1.addDays(2), {0, 4, 7, 0}),
                                      daily(d1.addDays(5), {0, 0, 7, 30}),
                                      daily(d1.addDays(6), {2, 0, 7, 0}),
                                      daily(d1.addDays(7), {0, 0, 7, 0})};
    ASSERT_EQ(store.Store(kType, 11, StoredArchive::Daily, entries, QDateTime::currentDateTime(), nullptr), QString());

    // The range starts on day 2: day 1 is read only to judge the counter.
    const ArchiveFindings f = FindArchiveFindings(store, kType, 11, StoredArchive::Daily,
                                                  RecordTimeRange(StoredArchive::Daily, d1.addDays(1), d1.addDays(8)));
    EXPECT_EQ(f.error, QString());
    EXPECT_EQ(TimeRunTexts(f.missing, StoredArchive::Daily), (QStringList{"04.03.2026 - 05.03.2026", "09.03.2026"}));
    EXPECT_EQ(f.present.size(), 5u);
    EXPECT_EQ(TimeRunTexts(TimesOf(f.errors), StoredArchive::Daily),
              (QStringList{"02.03.2026 - 03.03.2026", "06.03.2026 - 07.03.2026"}));
    ASSERT_EQ(f.errors.size(), 4u);
    EXPECT_TRUE(f.errors[0].errorTime);
    EXPECT_EQ(f.errors[1].device, 4);
    EXPECT_FALSE(f.errors[1].errorTime);
    EXPECT_TRUE(f.errors[2].errorTime);
    EXPECT_EQ(f.errors[3].system, 2);

    // The first stored day with a counter already high is not judged
    // without the day before it.
    const ArchiveFindings alone =
        FindArchiveFindings(store, kType, 11, StoredArchive::Daily, RecordTimeRange(StoredArchive::Daily, d1, d1));
    EXPECT_TRUE(alone.errors.empty());
    EXPECT_TRUE(alone.missing.empty());
}

TEST(OperatorFacts, HourlyGapsStopAtTheTimeGivenAndAreTextsOfHours) {
    QTemporaryDir dir;
    ArchiveStore store;
    ASSERT_EQ(store.Open(dir.filePath("s.sqlite")), QString());
    const QDate day(2026, 3, 10);
    std::vector<ArchiveEntry> entries;
    for (int hour : {0, 1, 2, 5, 6}) {
        ArchiveEntry e = daily(day);
        for (ArchiveRecord& r : e) r.SetHour(hour);
        entries.push_back(e);
    }
    ASSERT_EQ(store.Store(kType, 12, StoredArchive::Hourly, entries, QDateTime::currentDateTime(), nullptr), QString());
    const ArchiveFindings f =
        FindArchiveFindings(store, kType, 12, StoredArchive::Hourly,
                            RecordTimeRange(StoredArchive::Hourly, day, day, RecordHours(DayNumber(day), 8)));
    EXPECT_EQ(TimeRunTexts(f.missing, StoredArchive::Hourly),
              (QStringList{"10.03.2026 03:00 - 10.03.2026 04:00", "10.03.2026 07:00 - 10.03.2026 08:00"}));
}

TEST(OperatorFacts, TheRunClockIsKeptAndAnOldStoreGainsItsColumnOnlyWhenWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.sqlite");
    // A store as the previous version made it.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* statement :
             {"CREATE TABLE omi_store (version INTEGER NOT NULL, created TEXT NOT NULL)",
              "INSERT INTO omi_store VALUES (1, '2026-01-01T00:00:00')",
              "CREATE TABLE omi_record (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
              "day INTEGER NOT NULL, hour INTEGER NOT NULL, time TEXT NOT NULL, record BLOB NOT NULL, "
              "read_at TEXT NOT NULL, PRIMARY KEY (type, serial, archive, day, hour))",
              "CREATE TABLE omi_complete (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
              "through BIGINT NOT NULL, PRIMARY KEY (type, serial, archive))",
              "CREATE TABLE omi_run (id INTEGER PRIMARY KEY AUTOINCREMENT, meter TEXT NOT NULL, link TEXT NOT NULL, "
              "type INTEGER, serial INTEGER NOT NULL, started TEXT NOT NULL, ended TEXT, status TEXT NOT NULL, "
              "records_new INTEGER NOT NULL DEFAULT 0, records_stored INTEGER NOT NULL DEFAULT 0)",
              "INSERT INTO omi_run (meter, link, serial, started, status) VALUES ('old', 'x', 5, '2026-01-01', 'ok')"})
            ASSERT_TRUE(q.exec(statement)) << statement;
        db.close();
    }
    QSqlDatabase::removeDatabase("old");
    {
        ArchiveStore reader;  // only reading: the file stays as it was
        ASSERT_EQ(reader.Open(path, false), QString());
        EXPECT_EQ(reader.SchemaVersion(), 1);
        ASSERT_EQ(reader.Runs().size(), 1u);
        EXPECT_FALSE(reader.Runs()[0].clockOffset);
    }
    ArchiveStore store;
    ASSERT_EQ(store.Open(path), QString());
    EXPECT_EQ(store.SchemaVersion(), ArchiveStore::kSchemaVersion);
    const std::int64_t run = store.BeginRun("Котельная", "udp x", 7, QDateTime::currentDateTime());
    ASSERT_GE(run, 0);
    EXPECT_EQ(store.SetRunClock(run, -600), QString());
    const std::vector<ArchiveStore::RunRow> last = store.LastRuns();
    ASSERT_EQ(last.size(), 2u);
    EXPECT_FALSE(last[0].clockOffset);  // the old run: no clock known
    EXPECT_EQ(last[1].meter, "Котельная");
    EXPECT_EQ(last[1].clockOffset, -600);
}

namespace {

// Runs in a child process: opens the store, takes the meter, reports, waits.
int childTakesMeter(const QString& where, int serial) {
    ArchiveStore store;
    if (!store.Open(where).isEmpty()) return 3;
    if (store.TryLockMeter(serial) != ArchiveStore::MeterLock::Taken) return 4;
    std::fputs("taken\n", stdout);
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

void meterLocks(const QString& where) {
    {
        ArchiveStore a, b;
        ASSERT_EQ(a.Open(where), QString());
        ASSERT_EQ(b.Open(where), QString());
        EXPECT_EQ(a.TryLockMeter(41), ArchiveStore::MeterLock::Taken);
        EXPECT_EQ(b.TryLockMeter(41), ArchiveStore::MeterLock::HeldElsewhere);
        EXPECT_EQ(a.TryLockMeter(41), ArchiveStore::MeterLock::HeldElsewhere);  // not read twice here either
        EXPECT_EQ(b.TryLockMeter(42), ArchiveStore::MeterLock::Taken);
        a.UnlockMeter(41);
        EXPECT_EQ(b.TryLockMeter(41), ArchiveStore::MeterLock::Taken);
        EXPECT_EQ(b.LockedMeters(), (std::vector<int>{42, 41}));
    }
    // A collector that dies holding a meter gives it back.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("OMI_TEST_LOCK_STORE", where);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=OperatorFacts.HoldAMeterForTheParent"});
    ASSERT_TRUE(child.waitForStarted());
    bool taken = false;
    while (!taken && child.waitForReadyRead(20000)) taken = child.readAllStandardOutput().contains("taken");
    ASSERT_TRUE(taken) << child.readAllStandardError().toStdString();
    ArchiveStore c;
    ASSERT_EQ(c.Open(where), QString());
    EXPECT_EQ(c.TryLockMeter(41), ArchiveStore::MeterLock::HeldElsewhere);
    child.kill();
    child.waitForFinished();
    bool free = false;
    // The server notices the lost session at once or within moments.
    for (int i = 0; i < 100 && !free; ++i) {
        free = c.TryLockMeter(41) == ArchiveStore::MeterLock::Taken;
        if (!free) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(free);
}

}  // namespace

// Not a test of its own: the child process of the lock tests.
TEST(OperatorFacts, HoldAMeterForTheParent) {
    const QString where = qEnvironmentVariable("OMI_TEST_LOCK_STORE");
    if (where.isEmpty()) GTEST_SKIP() << "run by the meter lock tests";
    std::exit(childTakesMeter(where, 41));
}

TEST(OperatorFacts, OneCollectorPerMeterInAnSqliteStore) {
    QTemporaryDir dir;
    meterLocks(dir.filePath("s.sqlite"));
}

TEST(OperatorFacts, OneCollectorPerMeterInAPostgresqlStore) {
    PostgresServer server;
    if (!server.Skip().isEmpty()) GTEST_SKIP() << server.Skip().toStdString();
    const QString url = server.NewDatabase("locks");
    ASSERT_FALSE(url.isEmpty());
    meterLocks(url);
}
