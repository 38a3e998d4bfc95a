#include "store/sql/SqlArchiveStore.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
// Locks of an open file where the system has them (Linux); elsewhere the
// process's record locks, which a second store object of one process shares.
#ifdef F_OFD_SETLK
#define OMI_SETLK F_OFD_SETLK
#else
#define OMI_SETLK F_SETLK
#endif
#endif


namespace omi {

namespace {

// SQLite's result codes (the primary code of an extended one), as the Qt
// driver gives them.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

// The key of the PostgreSQL lock the creation of the tables is done under.
constexpr qint64 kSchemaLock = 0x6f6d6973746f7265;  // "omistore"
// The first key of the PostgreSQL meter locks (the second is the serial number).
constexpr int kMeterLockSpace = 0x6f6d6d74;  // "ommt"

int sqliteCode(const QSqlError& e) {
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}

// Another creator of the same store was quicker: what it holds is waited
// for, what it made is found on the next look.
bool retryable(const QSqlError& e) {
    if (e.type() == QSqlError::NoError) return false;
    const QString state = e.nativeErrorCode();
    // unique_violation, duplicate_table, serialization_failure, deadlock_detected
    if (state == QLatin1String("23505") || state == QLatin1String("42P07") || state == QLatin1String("40001") ||
        state == QLatin1String("40P01"))
        return true;
    const int code = sqliteCode(e);
    return code == kSqliteBusy || code == kSqliteLocked;
}

QString sqlError(const QString& what, const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.driverText().trimmed();
    // The first line says it; libpq adds guesses on lines of their own.
    text = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    return QStringLiteral("хранилище: ") + what + (text.isEmpty() ? QString() : QStringLiteral(": ") + text);
}

QString isoTime(const QDateTime& t) { return t.toString(Qt::ISODateWithMs); }

// The record's time as text, for people reading the table directly.
QString recordTimeText(int day, int hour) {
    const QDate date = QDate(1999, 12, 31).addDays(day);
    return date.toString(Qt::ISODate) + QStringLiteral("T%1:00").arg(hour, 2, 10, QLatin1Char('0'));
}

}  // namespace

// The Qt SQL connection is named after the object: unique among the stores
// alive, whichever thread made them, and removed with the object.
SqlArchiveStore::SqlArchiveStore()
    : connection_(QStringLiteral("omi-store-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)) {}

SqlArchiveStore::~SqlArchiveStore() {
#ifndef _WIN32
    if (lockFile_ >= 0) ::close(lockFile_);  // the meter locks go with it
#endif
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool SqlArchiveStore::IsOpen() const {
    return QSqlDatabase::contains(connection_) && QSqlDatabase::database(connection_, false).isOpen();
}

QString SqlArchiveStore::Open(const QString& where, bool create) {
    location_ = where;
    const bool url = where.startsWith(QLatin1String("postgresql://")) || where.startsWith(QLatin1String("postgres://"));
    postgres_ = url;
    const QString driver = url ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return url ? QStringLiteral("хранилище: нет драйвера PostgreSQL для Qt (пакет libqt6sql6-psql)")
                   : QStringLiteral("хранилище: нет драйвера SQLite для Qt (пакет libqt6sql6-sqlite)");
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection_);
    if (url) {
        const QUrl u(where);
        if (!u.isValid() || u.host().isEmpty() || u.path().size() < 2)
            return QStringLiteral(
                       "хранилище: адрес должен быть postgresql://ПОЛЬЗОВАТЕЛЬ[:ПАРОЛЬ]@ХОСТ[:ПОРТ]/БАЗА, а не ") +
                   where;
        db.setHostName(u.host());
        if (u.port() > 0) db.setPort(u.port());
        db.setUserName(u.userName());
        db.setPassword(u.password());
        db.setDatabaseName(u.path().mid(1));
        // The server's notices (a shutdown's warning among them) would be
        // printed by the client library on stderr; its errors say enough.
        db.setConnectOptions(QStringLiteral("connect_timeout=10;options='-c client_min_messages=error'"));
        if (!db.open()) return sqlError(QStringLiteral("не могу открыть ") + where, db.lastError());
    } else if (const QString error = openSqlite(create); !error.isEmpty()) {
        return error;
    }
    QString error;
    // A collector creating the same store at this moment holds it for a
    // while; what it holds is waited for (the busy timeout), then tried again
    // a few times before it is called busy.
    constexpr int kAttempts = 4;
#ifndef _WIN32
    if (lockFile_ >= 0) ::close(lockFile_);
#endif
    for (int attempt = 1;; ++attempt) {
        lastSql_ = QSqlError();
        error = checkOrCreate(create);
        if (error.isEmpty() || attempt == kAttempts || !retryable(lastSql_)) break;
        QThread::msleep(100 * attempt);
    }
    // A store in a folder this user cannot write to cannot get the shared
    // index file SQLite reads a write-ahead log with: read the file as it is.
    const int code = sqliteCode(lastSql_);
    if (!error.isEmpty() && !postgres_ && !create && (code == kSqliteReadOnly || code == kSqliteCantOpen)) {
        db.close();
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        db.setDatabaseName(QStringLiteral("file:") +
                           QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(where).absoluteFilePath(), "/")) +
                           QStringLiteral("?immutable=1"));
        if (db.open()) error = checkOrCreate(false);
    }
    if (!error.isEmpty()) db.close();
    return error;
}

QString SqlArchiveStore::openSqlite(bool create) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const QFileInfo file(location_);
    if (file.exists() && !file.isFile())
        return QStringLiteral("хранилище: ") + location_ + QStringLiteral(" - не файл");
    if (!create && !file.exists()) return QStringLiteral("хранилище ") + location_ + QStringLiteral(" не найдено");
    if (!create && file.size() == 0)
        return QStringLiteral("хранилище: файл ") + location_ + QStringLiteral(" пуст, это не хранилище архивов");
    if (create) {
        if (!QDir().mkpath(file.absolutePath()))
            return QStringLiteral("хранилище: не могу создать папку ") + file.absolutePath();
        // The write-ahead log lives beside the file: both must be writable.
        if ((file.exists() && !file.isWritable()) || !QFileInfo(file.absolutePath()).isWritable())
            return QStringLiteral("хранилище ") + location_ +
                   QStringLiteral(" только для чтения: записывать в него нельзя");
    }
    db.setDatabaseName(file.absoluteFilePath());
    // Another collector or a report may hold the file for a moment. A store
    // only read is opened read-only: nothing in the file can change.
    db.setConnectOptions(create ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000")
                                : QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) return sqlError(QStringLiteral("не могу открыть ") + location_, db.lastError());
    return {};
}

QString SqlArchiveStore::storeError(const QString& what, const QSqlError& e) {
    lastSql_ = e;
    const int code = sqliteCode(e);
    if (!postgres_ && code == kSqliteNotADb) return sqlError(location_ + QStringLiteral(" - не хранилище архивов"), e);
    if (!postgres_ && (code == kSqliteBusy || code == kSqliteLocked))
        return sqlError(QStringLiteral("хранилище ") + location_ + QStringLiteral(" занято другой программой"), e);
    if (!postgres_ && code == kSqliteReadOnly)
        return sqlError(QStringLiteral("хранилище ") + location_ + QStringLiteral(" только для чтения"), e);
    return sqlError(what, e);
}

QString SqlArchiveStore::tablesAndCheck(bool create, bool* empty) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    *empty = false;
    QStringList tables;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        const QString list = postgres_
                                 ? QStringLiteral(
                                       "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                                       "WHERE c.relkind IN ('r', 'v', 'p', 'm', 'f') AND n.nspname NOT LIKE 'pg\\_%' "
                                       "AND n.nspname <> 'information_schema'")
                                 : QStringLiteral(
                                       "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                                       "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
        if (!q.exec(list)) return storeError(QStringLiteral("не могу прочитать ") + location_, q.lastError());
        while (q.next()) tables << q.value(0).toString();
    }
    if (tables.contains(QStringLiteral("omi_store"))) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT version FROM omi_store")) || !q.next())
            return storeError(location_ + QStringLiteral(": не читается версия хранилища"), q.lastError());
        const int version = q.value(0).toInt();
        q.finish();
        if (version < 1 || version > kSchemaVersion)
            return QStringLiteral(
                       "хранилище %1 версии %2, а программа знает версию %3: нужна программа, которая его создала")
                .arg(location_)
                .arg(version)
                .arg(kSchemaVersion);
        version_ = version;
        return {};
    }
    if (!tables.isEmpty())
        return QStringLiteral("хранилище: в базе ") + location_ +
               QStringLiteral(" уже есть другие таблицы, это не хранилище архивов");
    *empty = true;
    if (!create)
        return QStringLiteral("хранилище: в базе ") + location_ + QStringLiteral(" нет таблиц хранилища архивов");
    return {};
}

QString SqlArchiveStore::checkOrCreate(bool create) {
    // What the database holds is looked at before anything is changed: a
    // database of something else is refused as it was found.
    bool empty = false;
    if (const QString error = tablesAndCheck(create, &empty); !error.isEmpty() || !create) return error;
    if (!postgres_) {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        // Readers see the last commit while a collector writes; a killed
        // collector leaves every committed record and nothing half-written.
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            return storeError(QStringLiteral("не могу включить журнал записи ") + location_, q.lastError());
        q.finish();
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    if (empty)
        if (const QString error = createTables(); !error.isEmpty()) return error;
    return version_ < kSchemaVersion ? migrate(version_) : QString();
}

QString SqlArchiveStore::migrate(int from) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // Under the same lock as the creation: two collectors of a new program
    // opening an old store change it once.
    if (!q.exec(postgres_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return storeError(QStringLiteral("не могу начать запись"), q.lastError());
    const auto rollback = [&](const QString& error) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return error;
    };
    const QString what = QStringLiteral("не могу обновить хранилище версии %1").arg(from);
    if (postgres_ && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock)))
        return rollback(storeError(what, q.lastError()));
    if (!q.exec(QStringLiteral("SELECT version FROM omi_store")) || !q.next())
        return rollback(storeError(what, q.lastError()));
    const int version = q.value(0).toInt();
    q.finish();
    if (version < 2 && !q.exec(QStringLiteral("ALTER TABLE omi_run ADD COLUMN clock_offset BIGINT")))
        return rollback(storeError(what, q.lastError()));
    if (version < kSchemaVersion && !q.exec(QStringLiteral("UPDATE omi_store SET version = %1").arg(kSchemaVersion)))
        return rollback(storeError(what, q.lastError()));
    if (!q.exec(QStringLiteral("COMMIT"))) return rollback(storeError(what, q.lastError()));
    version_ = kSchemaVersion;
    return {};
}

QString SqlArchiveStore::createTables() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // One creator at a time: SQLite takes the write lock at the start of the
    // transaction (waiting out another's), PostgreSQL a lock of this schema
    // held to the end of the transaction. Whoever comes second finds the
    // tables made and uses them.
    if (!q.exec(postgres_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return storeError(QStringLiteral("не могу начать запись"), q.lastError());
    const auto rollback = [&](const QString& error) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return error;
    };
    if (postgres_ && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock)))
        return rollback(storeError(QStringLiteral("не могу начать запись"), q.lastError()));
    q.finish();
    bool empty = false;
    if (const QString error = tablesAndCheck(true, &empty); !error.isEmpty() || !empty) {
        if (!error.isEmpty()) return rollback(error);
        QSqlQuery commit(db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            return rollback(storeError(QStringLiteral("не могу завершить запись"), commit.lastError()));
        return {};
    }
    const QString blob = postgres_ ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    const QString id =
        postgres_ ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QStringList ddl{
        QStringLiteral("CREATE TABLE omi_store (version INTEGER NOT NULL, created TEXT NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE omi_record (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
            "day INTEGER NOT NULL, hour INTEGER NOT NULL, time TEXT NOT NULL, record %1 NOT NULL, "
            "read_at TEXT NOT NULL, PRIMARY KEY (type, serial, archive, day, hour))")
            .arg(blob),
        QStringLiteral(
            "CREATE TABLE omi_complete (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
            "through BIGINT NOT NULL, PRIMARY KEY (type, serial, archive))"),
        QStringLiteral("CREATE TABLE omi_run (id %1, meter TEXT NOT NULL, link TEXT NOT NULL, type INTEGER, "
                       "serial INTEGER NOT NULL, started TEXT NOT NULL, ended TEXT, status TEXT NOT NULL, "
                       "records_new INTEGER NOT NULL DEFAULT 0, records_stored INTEGER NOT NULL DEFAULT 0, clock_offset BIGINT)")
            .arg(id),
    };
    for (const QString& statement : ddl)
        if (!q.exec(statement)) return rollback(storeError(QStringLiteral("не могу создать таблицы"), q.lastError()));
    q.prepare(QStringLiteral("INSERT INTO omi_store (version, created) VALUES (?, ?)"));
    q.addBindValue(kSchemaVersion);
    q.addBindValue(isoTime(QDateTime::currentDateTime()));
    if (!q.exec()) return rollback(storeError(QStringLiteral("не могу создать таблицы"), q.lastError()));
    q.finish();
    if (!q.exec(QStringLiteral("COMMIT")))
        return rollback(storeError(QStringLiteral("не могу создать таблицы"), q.lastError()));
    version_ = kSchemaVersion;
    return {};
}

bool SqlArchiveStore::Reachable(int withinMs) {
    if (!QSqlDatabase::contains(connection_)) return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const auto answers = [&db] {
        if (!db.isOpen()) return false;
        QSqlQuery q(db);
        return q.exec(QStringLiteral("SELECT 1")) && q.next();
    };
    if (answers()) return true;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        db.close();
        if (db.open() && answers()) {
            if (!postgres_) QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            // The server dropped the meter locks with the old session.
            if (postgres_) relockAfterReconnect();
            return true;
        }
        if (clock.elapsed() >= withinMs) return false;
        QThread::msleep(500);
    }
}

std::optional<std::int64_t> SqlArchiveStore::CompleteThrough(int type, int serial, StoredArchive archive) const {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT through FROM omi_complete WHERE type = ? AND serial = ? AND archive = ?"));
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    if (q.exec() && q.next()) return q.value(0).toLongLong();
    return std::nullopt;
}

bool SqlArchiveStore::Holds(int type, int serial, StoredArchive archive) const {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT 1 FROM omi_record WHERE type = ? AND serial = ? AND archive = ? LIMIT 1"));
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    return q.exec() && q.next();
}

std::vector<std::int64_t> SqlArchiveStore::StoredTimes(int type, int serial, StoredArchive archive,
                                                       std::int64_t from) const {
    std::vector<std::int64_t> times;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT day, hour FROM omi_record WHERE type = ? AND serial = ? AND archive = ? AND day >= ? "
                       "ORDER BY day, hour"));
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    q.addBindValue(qlonglong(from / 24));
    if (q.exec())
        while (q.next()) {
            const std::int64_t t = RecordHours(q.value(0).toInt(), q.value(1).toInt());
            if (t >= from) times.push_back(t);
        }
    return times;
}

std::vector<int> SqlArchiveStore::TypesOfSerial(int serial) const {
    std::vector<int> types;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT DISTINCT type FROM omi_record WHERE serial = ? ORDER BY type"));
    q.addBindValue(serial);
    if (q.exec())
        while (q.next()) types.push_back(q.value(0).toInt());
    return types;
}

QString SqlArchiveStore::Store(int type, int serial, StoredArchive archive, const std::vector<ArchiveEntry>& entries,
                               const QDateTime& readAt, Counts* counts, std::optional<std::int64_t> completeThrough) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    Counts done;
    if (!db.transaction()) return sqlError(QStringLiteral("не могу начать запись"), db.lastError());
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("INSERT INTO omi_record (type, serial, archive, day, hour, time, record, read_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    const QString name = StoredArchiveName(archive);
    const QString at = isoTime(readAt);
    for (const ArchiveEntry& entry : entries) {
        if (entry.empty() || EntryDay(entry) <= 0) continue;
        const int day = EntryDay(entry);
        const int hour = archive == StoredArchive::Daily ? 0 : EntryHour(entry);
        const QByteArray bytes = EntryBytes(entry);
        q.bindValue(0, type);
        q.bindValue(1, serial);
        q.bindValue(2, name);
        q.bindValue(3, day);
        q.bindValue(4, hour);
        q.bindValue(5, recordTimeText(day, hour));
        q.bindValue(6, bytes);
        q.bindValue(7, at);
        if (!q.exec()) {
            const QString error = sqlError(QStringLiteral("не могу записать запись"), q.lastError());
            db.rollback();
            return error;
        }
        if (q.numRowsAffected() > 0)
            ++done.added;
        else
            ++done.already;
    }
    if (completeThrough) {
        QSqlQuery c(db);
        c.prepare(
            QStringLiteral("INSERT INTO omi_complete (type, serial, archive, through) VALUES (?, ?, ?, ?) "
                           "ON CONFLICT (type, serial, archive) DO UPDATE SET through = "
                           "CASE WHEN excluded.through > omi_complete.through THEN excluded.through "
                           "ELSE omi_complete.through END"));
        c.addBindValue(type);
        c.addBindValue(serial);
        c.addBindValue(name);
        c.addBindValue(qlonglong(*completeThrough));
        if (!c.exec()) {
            const QString error = sqlError(QStringLiteral("не могу записать отметку чтения"), c.lastError());
            db.rollback();
            return error;
        }
    }
    if (!db.commit()) {
        const QString error = sqlError(QStringLiteral("не могу завершить запись"), db.lastError());
        db.rollback();
        return error;
    }
    if (counts) {
        counts->added += done.added;
        counts->already += done.already;
    }
    return {};
}

ArchiveList SqlArchiveStore::Load(int type, int serial, StoredArchive archive, const QDate& first, const QDate& last,
                                  const RecordLayout& layout, QString* error) const {
    ArchiveList list;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT record FROM omi_record WHERE type = ? AND serial = ? AND archive = ? "
                       "AND day >= ? AND day <= ? ORDER BY day DESC, hour DESC"));
    const QDate origin(1999, 12, 31);
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    q.addBindValue(qlonglong(origin.daysTo(first)));
    q.addBindValue(qlonglong(origin.daysTo(last)));
    if (!q.exec()) {
        if (error) *error = sqlError(QStringLiteral("не могу прочитать записи"), q.lastError());
        return list;
    }
    int damaged = 0;
    while (q.next()) {
        std::optional<ArchiveEntry> entry = EntryFromBytes(layout, q.value(0).toByteArray());
        if (entry)
            list.push_back(std::move(*entry));
        else
            ++damaged;
    }
    if (damaged && error)
        *error = QStringLiteral("хранилище: %1 записей не того размера (другой тип прибора?) пропущено").arg(damaged);
    return list;
}

std::int64_t SqlArchiveStore::BeginRun(const QString& meter, const QString& link, int serial,
                                       const QDateTime& started) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(
        QStringLiteral("INSERT INTO omi_run (meter, link, serial, started, status) VALUES (?, ?, ?, ?, ?) "
                       "RETURNING id"));
    q.addBindValue(meter);
    q.addBindValue(link);
    q.addBindValue(serial);
    q.addBindValue(isoTime(started));
    q.addBindValue(QStringLiteral("идет сбор"));
    if (!q.exec() || !q.next()) return -1;
    return q.value(0).toLongLong();
}

QString SqlArchiveStore::EndRun(std::int64_t run, int type, const QString& status, int added, int already,
                                const QDateTime& ended) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(
        QStringLiteral("UPDATE omi_run SET type = ?, status = ?, records_new = ?, records_stored = ?, ended = ? "
                       "WHERE id = ?"));
    q.addBindValue(type >= 0 ? QVariant(type) : QVariant(QMetaType(QMetaType::Int)));
    q.addBindValue(status);
    q.addBindValue(added);
    q.addBindValue(already);
    q.addBindValue(isoTime(ended));
    q.addBindValue(qlonglong(run));
    if (!q.exec()) return sqlError(QStringLiteral("не могу записать журнал сбора"), q.lastError());
    return {};
}

std::vector<ArchiveStore::RunRow> SqlArchiveStore::runsWhere(const QString& where) const {
    std::vector<RunRow> rows;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    const QString clock = version_ >= 2 ? QStringLiteral("clock_offset") : QStringLiteral("NULL");
    if (!q.exec(QStringLiteral("SELECT id, meter, type, serial, started, ended, status, records_new, records_stored, %1 "
                               "FROM omi_run %2 ORDER BY id")
                    .arg(clock, where)))
        return rows;
    while (q.next()) {
        RunRow r;
        r.id = q.value(0).toLongLong();
        r.meter = q.value(1).toString();
        r.type = q.value(2).isNull() ? -1 : q.value(2).toInt();
        r.serial = q.value(3).toInt();
        r.started = QDateTime::fromString(q.value(4).toString(), Qt::ISODateWithMs);
        if (!q.value(5).isNull()) r.ended = QDateTime::fromString(q.value(5).toString(), Qt::ISODateWithMs);
        r.status = q.value(6).toString();
        r.added = q.value(7).toInt();
        r.already = q.value(8).toInt();
        if (!q.value(9).isNull()) r.clockOffset = q.value(9).toLongLong();
        rows.push_back(r);
    }
    return rows;
}

std::vector<ArchiveStore::RunRow> SqlArchiveStore::Runs() const { return runsWhere(QString()); }

std::vector<ArchiveStore::RunRow> SqlArchiveStore::LastRuns() const {
    return runsWhere(QStringLiteral("WHERE id IN (SELECT MAX(id) FROM omi_run GROUP BY serial)"));
}

std::vector<std::pair<int, int>> SqlArchiveStore::StoredMeters() const {
    std::vector<std::pair<int, int>> meters;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    // The finished marks name every meter read to an end cheaply; records of
    // reads that never finished are looked for as well.
    if (q.exec(QStringLiteral("SELECT DISTINCT type, serial FROM omi_record ORDER BY type, serial")))
        while (q.next()) meters.emplace_back(q.value(0).toInt(), q.value(1).toInt());
    return meters;
}

QString SqlArchiveStore::SetRunClock(std::int64_t run, qint64 offsetSeconds) {
    if (version_ < 2) return QStringLiteral("хранилище ") + location_ + QStringLiteral(" открыто только для чтения");
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("UPDATE omi_run SET clock_offset = ? WHERE id = ?"));
    q.addBindValue(qlonglong(offsetSeconds));
    q.addBindValue(qlonglong(run));
    if (!q.exec()) return sqlError(QStringLiteral("не могу записать часы прибора"), q.lastError());
    return {};
}

ArchiveStore::MeterLock SqlArchiveStore::TryLockMeter(int serial, QString* error) {
    const auto failed = [&](const QString& text) {
        if (error) *error = text;
        return MeterLock::Failed;
    };
    if (std::find(locks_.begin(), locks_.end(), serial) != locks_.end()) return MeterLock::HeldElsewhere;
    if (postgres_) {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        if (!q.exec(QStringLiteral("SELECT pg_try_advisory_lock(%1, %2)").arg(kMeterLockSpace).arg(serial)) || !q.next())
            return failed(sqlError(QStringLiteral("не могу занять прибор № %1").arg(serial), q.lastError()));
        if (!q.value(0).toBool()) return MeterLock::HeldElsewhere;
        locks_.push_back(serial);
        return MeterLock::Taken;
    }
#ifndef _WIN32
    if (lockFile_ < 0) {
        const QByteArray path = QFile::encodeName(QFileInfo(location_).absoluteFilePath() + QStringLiteral(".meters"));
        lockFile_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lockFile_ < 0)
            return failed(QStringLiteral("хранилище: не могу открыть файл блокировок ") + QFile::decodeName(path) +
                          QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    }
    // A lock of the open file, not of the process: a second store object of
    // the same process (a collector's thread) is refused like another
    // process, and the lock goes with the descriptor.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = serial;
    lock.l_len = 1;
    if (::fcntl(lockFile_, OMI_SETLK, &lock) != 0) {
        if (errno == EAGAIN || errno == EACCES) return MeterLock::HeldElsewhere;
        return failed(QStringLiteral("хранилище: не могу занять прибор № %1: ").arg(serial) +
                      QString::fromLocal8Bit(std::strerror(errno)));
    }
#endif
    locks_.push_back(serial);
    return MeterLock::Taken;
}

void SqlArchiveStore::UnlockMeter(int serial) {
    const auto it = std::find(locks_.begin(), locks_.end(), serial);
    if (it == locks_.end()) return;
    locks_.erase(it);
    if (postgres_) {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.exec(QStringLiteral("SELECT pg_advisory_unlock(%1, %2)").arg(kMeterLockSpace).arg(serial));
        return;
    }
#ifndef _WIN32
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = serial;
    lock.l_len = 1;
    ::fcntl(lockFile_, OMI_SETLK, &lock);
#endif
}

std::vector<int> SqlArchiveStore::LockedMeters() const { return locks_; }

bool SqlArchiveStore::relockAfterReconnect() {
    const std::vector<int> held = locks_;
    locks_.clear();
    bool all = true;
    for (int serial : held) {
        if (TryLockMeter(serial, nullptr) == MeterLock::Taken) continue;
        lostLocks_.push_back(serial);
        all = false;
    }
    return all;
}

}  // namespace omi

// The module's entry (support/Modules.h).
extern "C" __attribute__((visibility("default"))) omi::ArchiveStoreBackend* omi_make_store_backend() {
    return new omi::SqlArchiveStore;
}
