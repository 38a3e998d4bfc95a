#pragma once
// The archive store on a database through Qt SQL: the body of the module
// "omi-store" behind ArchiveStore (store/ArchiveStore.h says what it keeps).

#include <QSqlError>

#include "store/ArchiveStoreBackend.h"

namespace omi {

class SqlArchiveStore final : public ArchiveStoreBackend {
public:
    static constexpr int kSchemaVersion = ArchiveStore::kSchemaVersion;
    using Counts = ArchiveStore::Counts;
    using RunRow = ArchiveStore::RunRow;
    using MeterLock = ArchiveStore::MeterLock;

    SqlArchiveStore();
    ~SqlArchiveStore() override;

    QString Open(const QString& where, bool create) override;
    bool IsOpen() const override;
    bool Reachable(int withinMs) override;
    std::optional<std::int64_t> CompleteThrough(int type, int serial, StoredArchive archive) const override;
    bool Holds(int type, int serial, StoredArchive archive) const override;
    std::vector<std::int64_t> StoredTimes(int type, int serial, StoredArchive archive,
                                          std::int64_t from) const override;
    std::vector<int> TypesOfSerial(int serial) const override;
    QString Store(int type, int serial, StoredArchive archive, const std::vector<ArchiveEntry>& entries,
                  const QDateTime& readAt, Counts* counts, std::optional<std::int64_t> completeThrough) override;
    ArchiveList Load(int type, int serial, StoredArchive archive, const QDate& first, const QDate& last,
                     const RecordLayout& layout, QString* error) const override;
    std::int64_t BeginRun(const QString& meter, const QString& link, int serial, const QDateTime& started) override;
    QString EndRun(std::int64_t run, int type, const QString& status, int added, int already,
                   const QDateTime& ended) override;
    std::vector<RunRow> Runs() const override;
    std::vector<RunRow> LastRuns() const override;
    std::vector<std::pair<int, int>> StoredMeters() const override;
    int SchemaVersion() const override { return version_; }
    QString SetRunClock(std::int64_t run, qint64 offsetSeconds) override;
    MeterLock TryLockMeter(int serial, QString* error) override;
    void UnlockMeter(int serial) override;
    std::vector<int> LockedMeters() const override;
    std::vector<int> LostMeterLocks() const override { return lostLocks_; }

private:
    QString openSqlite(bool create);
    QString checkOrCreate(bool create);
    QString tablesAndCheck(bool create, bool* empty);
    QString createTables();
    QString migrate(int from);
    bool relockAfterReconnect();
    std::vector<RunRow> runsWhere(const QString& where) const;
    // The text of a failure, and the failure kept for the decision to retry.
    QString storeError(const QString& what, const QSqlError& e);
    QString connection_;
    QSqlError lastSql_;
    QString location_;
    bool postgres_ = false;
    int version_ = 0;
    std::vector<int> locks_;
    std::vector<int> lostLocks_;
    int lockFile_ = -1;  // SQLite: the open lock file of the meter locks
};

}  // namespace omi
