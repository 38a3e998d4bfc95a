#pragma once
// What the store module does behind ArchiveStore: the same calls, done on a
// database through Qt SQL (store/sql/SqlArchiveStore.cpp). The module makes
// one with its entry function kStoreBackendFunction.

#include "store/ArchiveStore.h"

namespace omi {

class ArchiveStoreBackend {
public:
    virtual ~ArchiveStoreBackend() = default;
    virtual QString Open(const QString& where, bool create) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Reachable(int withinMs) = 0;
    virtual std::optional<std::int64_t> CompleteThrough(int type, int serial, StoredArchive archive) const = 0;
    virtual bool Holds(int type, int serial, StoredArchive archive) const = 0;
    virtual std::vector<std::int64_t> StoredTimes(int type, int serial, StoredArchive archive,
                                                  std::int64_t from) const = 0;
    virtual std::vector<int> TypesOfSerial(int serial) const = 0;
    virtual QString Store(int type, int serial, StoredArchive archive, const std::vector<ArchiveEntry>& entries,
                          const QDateTime& readAt, ArchiveStore::Counts* counts,
                          std::optional<std::int64_t> completeThrough) = 0;
    virtual ArchiveList Load(int type, int serial, StoredArchive archive, const QDate& first, const QDate& last,
                             const RecordLayout& layout, QString* error) const = 0;
    virtual std::int64_t BeginRun(const QString& meter, const QString& link, int serial, const QDateTime& started) = 0;
    virtual QString EndRun(std::int64_t run, int type, const QString& status, int added, int already,
                           const QDateTime& ended) = 0;
    virtual std::vector<ArchiveStore::RunRow> Runs() const = 0;
    virtual std::vector<ArchiveStore::RunRow> LastRuns() const = 0;
    virtual std::vector<std::pair<int, int>> StoredMeters() const = 0;
    virtual int SchemaVersion() const = 0;
    virtual QString SetRunClock(std::int64_t run, qint64 offsetSeconds) = 0;
    virtual ArchiveStore::MeterLock TryLockMeter(int serial, QString* error) = 0;
    virtual void UnlockMeter(int serial) = 0;
    virtual std::vector<int> LockedMeters() const = 0;
    virtual std::vector<int> LostMeterLocks() const = 0;
};

// The module's entry: a new backend, owned by the caller.
using MakeStoreBackend = ArchiveStoreBackend*();
inline constexpr const char* kStoreModule = "omi-store";
inline constexpr const char* kStoreBackendFunction = "omi_make_store_backend";

}  // namespace omi
