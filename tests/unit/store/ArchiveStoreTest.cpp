// The archive store on a real SQLite file: a record is stored once, read
// back byte for byte newest first, the finished mark only moves up, a file
// that is not a store of this version is refused, not changed, and
// collectors creating a new store at one moment (SQLite and PostgreSQL) both
// get it.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <latch>
#include <thread>

#include "archives/ArchiveFamily.h"
#include "store/ArchiveStore.h"
#include "support/Dates.h"
#include "support/PostgresServer.h"

using namespace omi;
using omi::test::PostgresServer;

namespace {

const RecordLayout& layout234() { return *ArchiveFamilyOf(234)->layout; }

// An entry of two heat systems with a value that tells them apart.
ArchiveEntry entry(int day, int hour, int value) {
    ArchiveEntry e;
    for (int system = 0; system < 2; ++system) {
        ArchiveRecord r(layout234());
        r.SetDay(day);
        r.SetHour(hour);
        r.SetInt(0, value * 10 + system);
        e.push_back(r);
    }
    return e;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One statement's first value on a connection of its own.
QVariant queryValue(const QString& where, const QString& statement) {
    QVariant value;
    {
        const bool pg = where.startsWith("postgresql://");
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", "peek");
        if (pg) {
            const QUrl u(where);
            db.setHostName(u.host());
            db.setPort(u.port());
            db.setUserName(u.userName());
            db.setDatabaseName(u.path().mid(1));
        } else {
            db.setDatabaseName(where);
            db.setConnectOptions("QSQLITE_OPEN_READONLY");
        }
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(statement) && q.next()) value = q.value(0);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("peek");
    return value;
}

// Two collectors open the same new store at one moment, each on a thread
// of its own (a connection each): both must get the one store.
void openTogether(const QString& where) {
    QString errors[2];
    std::latch ready(2);
    std::thread threads[2];
    for (int i = 0; i < 2; ++i)
        threads[i] = std::thread([&, i] {
            ArchiveStore store;
            ready.arrive_and_wait();
            errors[i] = store.Open(where);
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(errors[0], QString()) << where.toStdString();
    EXPECT_EQ(errors[1], QString()) << where.toStdString();
    EXPECT_EQ(queryValue(where, "SELECT COUNT(*) FROM omi_store").toInt(), 1) << where.toStdString();
}

}  // namespace

TEST(ArchiveStore, StoresEachRecordOnceAndReadsItBackNewestFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/store.sqlite");
    const int d = DayNumber(QDate(2026, 12, 1));
    {
        ArchiveStore store;
        ASSERT_EQ(store.Open(path), QString());
        ArchiveStore::Counts counts;
        ASSERT_EQ(store.Store(234, 417, StoredArchive::Daily, {entry(d, 0, 1), entry(d + 1, 0, 2)},
                              QDateTime::currentDateTime(), &counts, RecordHours(d + 1, 0)),
                  QString());
        EXPECT_EQ(counts.added, 2);
        // Again, with one new: the old ones are counted as already stored, not doubled.
        counts = {};
        ASSERT_EQ(store.Store(234, 417, StoredArchive::Daily, {entry(d + 1, 0, 99), entry(d + 2, 0, 3)},
                              QDateTime::currentDateTime(), &counts, RecordHours(d, 0)),
                  QString());
        EXPECT_EQ(counts.added, 1);
        EXPECT_EQ(counts.already, 1);
        // The mark does not move back.
        EXPECT_EQ(store.CompleteThrough(234, 417, StoredArchive::Daily), RecordHours(d + 1, 0));
        EXPECT_FALSE(store.CompleteThrough(234, 417, StoredArchive::Hourly));
        EXPECT_FALSE(store.CompleteThrough(235, 417, StoredArchive::Daily));
        EXPECT_EQ(store.TypesOfSerial(417), std::vector<int>{234});
    }
    ArchiveStore again;
    ASSERT_EQ(again.Open(path), QString());
    const ArchiveList list =
        again.Load(234, 417, StoredArchive::Daily, DateOfDayNumber(d), DateOfDayNumber(d + 1), layout234());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], entry(d + 1, 0, 2));  // the first one stored stays
    EXPECT_EQ(list[1], entry(d, 0, 1));
    EXPECT_TRUE(
        again.Load(234, 417, StoredArchive::Hourly, DateOfDayNumber(d), DateOfDayNumber(d + 9), layout234()).empty());
}

TEST(ArchiveStore, TheCollectionLogKeepsStartEndAndCounts) {
    QTemporaryDir dir;
    ArchiveStore store;
    ASSERT_EQ(store.Open(dir.filePath("s.sqlite")), QString());
    const QDateTime start(QDate(2026, 12, 10), QTime(3, 0));
    const std::int64_t done = store.BeginRun("Котельная", "/dev/ttyS0 9600 8N1", 417, start);
    const std::int64_t cut = store.BeginRun("Школа", "udp h:5001", 5, start);
    ASSERT_GE(done, 0);
    ASSERT_EQ(store.EndRun(done, 234, "собрано", 30, 2, start.addSecs(40)), QString());
    const auto runs = store.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].status, "собрано");
    EXPECT_EQ(runs[0].type, 234);
    EXPECT_EQ(runs[0].added, 30);
    EXPECT_EQ(runs[0].already, 2);
    EXPECT_EQ(runs[0].ended, start.addSecs(40));
    EXPECT_EQ(runs[1].id, cut);
    EXPECT_FALSE(runs[1].ended.isValid());  // cut off: never closed
    EXPECT_EQ(runs[1].type, -1);
}

TEST(ArchiveStore, RefusesWhatIsNotAStoreOfThisVersionAndLeavesItAlone) {
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a database, just some text that happens to be long enough\n");
    }
    const QString other = dir.filePath("other.sqlite");
    const QString future = dir.filePath("future.sqlite");
    {
        ArchiveStore store;
        ASSERT_EQ(store.Open(future), QString());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
        db.setDatabaseName(other);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("CREATE TABLE invoices (id INTEGER)");
        db.close();
        db.setDatabaseName(future);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("UPDATE omi_store SET version = 7");
        db.close();
    }
    QSqlDatabase::removeDatabase("setup");
    struct Case {
        QString path;
        QString message;
    };
    for (const Case& c : {Case{text, "не хранилище"}, Case{other, "другие таблицы"}, Case{future, "версии 7"},
                          Case{dir.path(), "не файл"}}) {
        ArchiveStore store;
        const QString error = store.Open(c.path);
        EXPECT_TRUE(error.contains(c.message)) << c.path.toStdString() << ": " << error.toStdString();
        EXPECT_FALSE(store.IsOpen());
    }
    {
        ArchiveStore store;  // only read: a missing file is a mistake, not a new store
        EXPECT_EQ(store.Open(dir.filePath("missing.sqlite"), false),
                  "хранилище " + dir.filePath("missing.sqlite") + " не найдено");
        EXPECT_FALSE(QFile::exists(dir.filePath("missing.sqlite")));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
    db.setDatabaseName(other);
    ASSERT_TRUE(db.open());
    EXPECT_EQ(db.tables(), QStringList{"invoices"});
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("check");
}

TEST(ArchiveStore, OnlyReadingChangesNothingAndAForeignDatabaseIsLeftAsItWas) {
    QTemporaryDir dir;
    // An SQLite database of another program, in its own journal mode: the
    // collector refuses it without switching it to its write-ahead log.
    const QString foreign = dir.filePath("accounts.sqlite");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
        db.setDatabaseName(foreign);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec("CREATE TABLE invoices (id INTEGER)"));
        ASSERT_TRUE(QSqlQuery(db).exec("INSERT INTO invoices VALUES (1)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("setup");
    const QByteArray before = fileBytes(foreign);
    const QString empty = dir.filePath("empty.sqlite");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Case {
        QString path;
        bool create;
        QString message;
    };
    for (const Case& c :
         {Case{foreign, true, "другие таблицы"}, Case{foreign, false, "другие таблицы"}, Case{empty, false, "пуст"}}) {
        ArchiveStore store;
        const QString error = store.Open(c.path, c.create);
        EXPECT_TRUE(error.contains(c.message)) << c.path.toStdString() << ": " << error.toStdString();
    }
    EXPECT_EQ(fileBytes(foreign), before);
    EXPECT_EQ(queryValue(foreign, "PRAGMA journal_mode").toString(), "delete");
    EXPECT_FALSE(QFile::exists(foreign + "-wal"));
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    // A store being created finds an empty file its own: the collector may
    // have made it a moment ago.
    ArchiveStore store;
    EXPECT_EQ(store.Open(empty), QString());
    EXPECT_EQ(queryValue(empty, "SELECT version FROM omi_store").toInt(), ArchiveStore::kSchemaVersion);
}

TEST(ArchiveStore, TwoCollectorsCreatingOneSqliteStoreBothGetIt) {
    QTemporaryDir dir;
    for (int round = 0; round < 12; ++round) openTogether(dir.filePath(QString("round%1/store.sqlite").arg(round)));
}

TEST(ArchiveStore, TwoCollectorsCreatingOnePostgresqlStoreBothGetIt) {
    PostgresServer server;
    if (!server.Skip().isEmpty()) GTEST_SKIP() << server.Skip().toStdString();
    for (int round = 0; round < 8; ++round) {
        const QString url = server.NewDatabase(QString("round%1").arg(round));
        ASSERT_FALSE(url.isEmpty());
        openTogether(url);
    }
    // Only read, an empty database stays empty.
    const QString url = server.NewDatabase("untouched");
    ArchiveStore store;
    const QString error = store.Open(url, false);
    EXPECT_TRUE(error.contains("нет таблиц хранилища")) << error.toStdString();
    EXPECT_EQ(queryValue(url, "SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'public'").toInt(), 0);
}

TEST(ArchiveStore, GapsAreTheMissingRunsBetweenOldestAndNewest) {
    const int d = DayNumber(QDate(2026, 12, 1));
    const ArchiveList daily{entry(d + 6, 0, 0), entry(d, 0, 0), entry(d + 2, 0, 0), entry(d + 1, 0, 0)};
    EXPECT_EQ(GapTexts(daily, StoredArchive::Daily), (QStringList{"04.12.2026 - 06.12.2026"}));
    const ArchiveList hourly{entry(d, 23, 0), entry(d + 1, 2, 0), entry(d + 1, 4, 0)};
    EXPECT_EQ(GapTexts(hourly, StoredArchive::Hourly),
              (QStringList{"02.12.2026 00:00 - 02.12.2026 01:00", "02.12.2026 03:00"}));
    EXPECT_TRUE(GapTexts({entry(d, 0, 0)}, StoredArchive::Daily).isEmpty());
}
