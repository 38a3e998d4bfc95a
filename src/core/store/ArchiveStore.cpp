#include "store/ArchiveStore.h"

#include "support/Dates.h"
#include "support/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace omi {

namespace {

std::atomic<int> g_connections{0};

QString sqlError(const QString& what, const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.driverText().trimmed();
    return QStringLiteral("хранилище: ") + what + (text.isEmpty() ? QString() : QStringLiteral(": ") + text);
}

QString isoTime(const QDateTime& t) { return t.toString(Qt::ISODateWithMs); }

// The record's time as text, for people reading the table directly.
QString recordTimeText(int day, int hour) {
    const QDate date = QDate(1999, 12, 31).addDays(day);
    return date.toString(Qt::ISODate) + QStringLiteral("T%1:00").arg(hour, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString StoredArchiveName(StoredArchive archive) {
    return archive == StoredArchive::Daily ? QStringLiteral("daily") : QStringLiteral("hourly");
}

QByteArray EntryBytes(const ArchiveEntry& entry) {
    QByteArray bytes;
    for (const ArchiveRecord& r : entry)
        bytes.append(reinterpret_cast<const char*>(r.Bytes().data()), qsizetype(r.Bytes().size()));
    return bytes;
}

std::optional<ArchiveEntry> EntryFromBytes(const RecordLayout& layout, const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() % layout.size != 0) return std::nullopt;
    ArchiveEntry entry;
    for (qsizetype at = 0; at < bytes.size(); at += layout.size) {
        ArchiveRecord r(layout);
        r.SetBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData() + at), size_t(layout.size)));
        entry.push_back(std::move(r));
    }
    return entry;
}

QStringList GapTexts(const ArchiveList& list, StoredArchive archive) {
    const bool hourly = archive == StoredArchive::Hourly;
    std::vector<std::int64_t> times;
    for (const ArchiveEntry& e : list)
        if (!e.empty() && EntryDay(e) > 0) times.push_back(RecordHours(EntryDay(e), hourly ? EntryHour(e) : 0));
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    const int step = hourly ? 1 : 24;
    const auto text = [hourly](std::int64_t t) {
        QString s = ShortDateText(DateOfDayNumber(int(t / 24)));
        if (hourly) s += QStringLiteral(" %1:00").arg(int(t % 24), 2, 10, QLatin1Char('0'));
        return s;
    };
    QStringList gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (times[i] - times[i - 1] <= step) continue;
        const std::int64_t from = times[i - 1] + step;
        const std::int64_t to = times[i] - step;
        gaps << (from == to ? text(from) : text(from) + QStringLiteral(" - ") + text(to));
    }
    return gaps;
}

ArchiveStore::ArchiveStore() : connection_(QStringLiteral("omi-store-%1").arg(++g_connections)) {}

ArchiveStore::~ArchiveStore() {
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString ArchiveStore::DefaultLocation() { return DataPath({kDataFolderName, QStringLiteral("АРХИВЫ"), QStringLiteral("store"), QStringLiteral("sqlite")}); }

bool ArchiveStore::IsOpen() const {
    return QSqlDatabase::contains(connection_) && QSqlDatabase::database(connection_, false).isOpen();
}

QString ArchiveStore::Open(const QString& where, bool create) {
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
            return QStringLiteral("хранилище: адрес должен быть postgresql://ПОЛЬЗОВАТЕЛЬ[:ПАРОЛЬ]@ХОСТ[:ПОРТ]/БАЗА, а не ") +
                   where;
        db.setHostName(u.host());
        if (u.port() > 0) db.setPort(u.port());
        db.setUserName(u.userName());
        db.setPassword(u.password());
        db.setDatabaseName(u.path().mid(1));
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        const QFileInfo file(where);
        if (file.exists() && !file.isFile()) return QStringLiteral("хранилище: ") + where + QStringLiteral(" - не файл");
        if (!create && !file.exists()) return QStringLiteral("хранилище ") + where + QStringLiteral(" не найдено");
        if (!QDir().mkpath(file.absolutePath()))
            return QStringLiteral("хранилище: не могу создать папку ") + file.absolutePath();
        db.setDatabaseName(file.absoluteFilePath());
        // Another collector or a report may hold the file for a moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }
    if (!db.open()) return sqlError(QStringLiteral("не могу открыть ") + where, db.lastError());
    const QString error = createOrCheck();
    if (!error.isEmpty()) db.close();
    return error;
}

QString ArchiveStore::createOrCheck() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!postgres_) {
        // Readers see the last commit while a collector writes; a killed
        // collector leaves every committed record and nothing half-written.
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            return sqlError(location_ + QStringLiteral(" - не хранилище архивов"), q.lastError());
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    const QStringList tables = db.tables();
    if (tables.contains(QStringLiteral("omi_store"))) {
        if (!q.exec(QStringLiteral("SELECT version FROM omi_store")) || !q.next())
            return sqlError(location_ + QStringLiteral(": не читается версия хранилища"), q.lastError());
        const int version = q.value(0).toInt();
        if (version != kSchemaVersion)
            return QStringLiteral("хранилище %1 версии %2, а программа знает версию %3: нужна программа, которая его создала")
                .arg(location_)
                .arg(version)
                .arg(kSchemaVersion);
        return {};
    }
    if (!tables.isEmpty())
        return QStringLiteral("хранилище: в базе ") + location_ +
               QStringLiteral(" уже есть другие таблицы, это не хранилище архивов");
    const QString blob = postgres_ ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    const QString id = postgres_ ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QStringList ddl{
        QStringLiteral("CREATE TABLE omi_store (version INTEGER NOT NULL, created TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE omi_record (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
                       "day INTEGER NOT NULL, hour INTEGER NOT NULL, time TEXT NOT NULL, record %1 NOT NULL, "
                       "read_at TEXT NOT NULL, PRIMARY KEY (type, serial, archive, day, hour))")
            .arg(blob),
        QStringLiteral("CREATE TABLE omi_complete (type INTEGER NOT NULL, serial INTEGER NOT NULL, archive TEXT NOT NULL, "
                       "through BIGINT NOT NULL, PRIMARY KEY (type, serial, archive))"),
        QStringLiteral("CREATE TABLE omi_run (id %1, meter TEXT NOT NULL, link TEXT NOT NULL, type INTEGER, "
                       "serial INTEGER NOT NULL, started TEXT NOT NULL, ended TEXT, status TEXT NOT NULL, "
                       "records_new INTEGER NOT NULL DEFAULT 0, records_stored INTEGER NOT NULL DEFAULT 0)")
            .arg(id),
    };
    if (!db.transaction()) return sqlError(QStringLiteral("не могу начать запись"), db.lastError());
    for (const QString& statement : ddl) {
        if (!q.exec(statement)) {
            const QString error = sqlError(QStringLiteral("не могу создать таблицы"), q.lastError());
            db.rollback();
            return error;
        }
    }
    q.prepare(QStringLiteral("INSERT INTO omi_store (version, created) VALUES (?, ?)"));
    q.addBindValue(kSchemaVersion);
    q.addBindValue(isoTime(QDateTime::currentDateTime()));
    if (!q.exec() || !db.commit()) {
        const QString error = sqlError(QStringLiteral("не могу создать таблицы"), q.lastError());
        db.rollback();
        return error;
    }
    return {};
}

std::optional<std::int64_t> ArchiveStore::CompleteThrough(int type, int serial, StoredArchive archive) const {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT through FROM omi_complete WHERE type = ? AND serial = ? AND archive = ?"));
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    if (q.exec() && q.next()) return q.value(0).toLongLong();
    return std::nullopt;
}

bool ArchiveStore::Holds(int type, int serial, StoredArchive archive) const {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT 1 FROM omi_record WHERE type = ? AND serial = ? AND archive = ? LIMIT 1"));
    q.addBindValue(type);
    q.addBindValue(serial);
    q.addBindValue(StoredArchiveName(archive));
    return q.exec() && q.next();
}

std::vector<std::int64_t> ArchiveStore::StoredTimes(int type, int serial, StoredArchive archive,
                                                    std::int64_t from) const {
    std::vector<std::int64_t> times;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT day, hour FROM omi_record WHERE type = ? AND serial = ? AND archive = ? AND day >= ? "
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

std::vector<int> ArchiveStore::TypesOfSerial(int serial) const {
    std::vector<int> types;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT DISTINCT type FROM omi_record WHERE serial = ? ORDER BY type"));
    q.addBindValue(serial);
    if (q.exec())
        while (q.next()) types.push_back(q.value(0).toInt());
    return types;
}

QString ArchiveStore::Store(int type, int serial, StoredArchive archive, const std::vector<ArchiveEntry>& entries,
                            const QDateTime& readAt, Counts* counts, std::optional<std::int64_t> completeThrough) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    Counts done;
    if (!db.transaction()) return sqlError(QStringLiteral("не могу начать запись"), db.lastError());
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO omi_record (type, serial, archive, day, hour, time, record, read_at) "
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
        if (q.numRowsAffected() > 0) ++done.added;
        else ++done.already;
    }
    if (completeThrough) {
        QSqlQuery c(db);
        c.prepare(QStringLiteral("INSERT INTO omi_complete (type, serial, archive, through) VALUES (?, ?, ?, ?) "
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

ArchiveList ArchiveStore::Load(int type, int serial, StoredArchive archive, const QDate& first, const QDate& last,
                               const RecordLayout& layout, QString* error) const {
    ArchiveList list;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT record FROM omi_record WHERE type = ? AND serial = ? AND archive = ? "
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
        if (entry) list.push_back(std::move(*entry));
        else ++damaged;
    }
    if (damaged && error)
        *error = QStringLiteral("хранилище: %1 записей не того размера (другой тип прибора?) пропущено").arg(damaged);
    return list;
}

std::int64_t ArchiveStore::BeginRun(const QString& meter, const QString& link, int serial, const QDateTime& started) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("INSERT INTO omi_run (meter, link, serial, started, status) VALUES (?, ?, ?, ?, ?) "
                             "RETURNING id"));
    q.addBindValue(meter);
    q.addBindValue(link);
    q.addBindValue(serial);
    q.addBindValue(isoTime(started));
    q.addBindValue(QStringLiteral("идет сбор"));
    if (!q.exec() || !q.next()) return -1;
    return q.value(0).toLongLong();
}

QString ArchiveStore::EndRun(std::int64_t run, int type, const QString& status, int added, int already,
                             const QDateTime& ended) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("UPDATE omi_run SET type = ?, status = ?, records_new = ?, records_stored = ?, ended = ? "
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

std::vector<ArchiveStore::RunRow> ArchiveStore::Runs() const {
    std::vector<RunRow> rows;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT id, meter, type, serial, started, ended, status, records_new, records_stored "
                               "FROM omi_run ORDER BY id")))
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
        rows.push_back(r);
    }
    return rows;
}

}  // namespace omi
