#include "store/ArchiveStore.h"

#include <algorithm>

#include "store/ArchiveStoreBackend.h"
#include "support/Dates.h"
#include "support/Modules.h"
#include "support/Paths.h"

namespace omi {

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

ArchiveStore::ArchiveStore() {
    if (auto* make = ModuleFunctionAs<MakeStoreBackend>(kStoreModule, kStoreBackendFunction, &missing_))
        backend_.reset(make());
    if (!backend_ && missing_.isEmpty()) missing_ = QStringLiteral("хранилище недоступно");
}

ArchiveStore::~ArchiveStore() = default;

QString ArchiveStore::DefaultLocation() {
    return DataPath({kDataFolderName, QStringLiteral("АРХИВЫ"), QStringLiteral("store"), QStringLiteral("sqlite")});
}

QString ArchiveStore::Open(const QString& where, bool create) {
    location_ = where;
    return backend_ ? backend_->Open(where, create) : QStringLiteral("хранилище: ") + missing_;
}

bool ArchiveStore::IsOpen() const { return backend_ && backend_->IsOpen(); }

bool ArchiveStore::Reachable(int withinMs) { return backend_ && backend_->Reachable(withinMs); }

std::optional<std::int64_t> ArchiveStore::CompleteThrough(int type, int serial, StoredArchive archive) const {
    return backend_ ? backend_->CompleteThrough(type, serial, archive) : std::nullopt;
}

bool ArchiveStore::Holds(int type, int serial, StoredArchive archive) const {
    return backend_ && backend_->Holds(type, serial, archive);
}

std::vector<std::int64_t> ArchiveStore::StoredTimes(int type, int serial, StoredArchive archive,
                                                    std::int64_t from) const {
    return backend_ ? backend_->StoredTimes(type, serial, archive, from) : std::vector<std::int64_t>{};
}

std::vector<int> ArchiveStore::TypesOfSerial(int serial) const {
    return backend_ ? backend_->TypesOfSerial(serial) : std::vector<int>{};
}

QString ArchiveStore::Store(int type, int serial, StoredArchive archive, const std::vector<ArchiveEntry>& entries,
                            const QDateTime& readAt, Counts* counts, std::optional<std::int64_t> completeThrough) {
    if (!backend_) return QStringLiteral("хранилище: ") + missing_;
    return backend_->Store(type, serial, archive, entries, readAt, counts, completeThrough);
}

ArchiveList ArchiveStore::Load(int type, int serial, StoredArchive archive, const QDate& first, const QDate& last,
                               const RecordLayout& layout, QString* error) const {
    if (backend_) return backend_->Load(type, serial, archive, first, last, layout, error);
    if (error) *error = QStringLiteral("хранилище: ") + missing_;
    return {};
}

std::int64_t ArchiveStore::BeginRun(const QString& meter, const QString& link, int serial, const QDateTime& started) {
    return backend_ ? backend_->BeginRun(meter, link, serial, started) : -1;
}

QString ArchiveStore::EndRun(std::int64_t run, int type, const QString& status, int added, int already,
                             const QDateTime& ended) {
    if (!backend_) return QStringLiteral("хранилище: ") + missing_;
    return backend_->EndRun(run, type, status, added, already, ended);
}

std::vector<ArchiveStore::RunRow> ArchiveStore::Runs() const {
    return backend_ ? backend_->Runs() : std::vector<RunRow>{};
}

std::vector<ArchiveStore::RunRow> ArchiveStore::LastRuns() const {
    return backend_ ? backend_->LastRuns() : std::vector<RunRow>{};
}

std::vector<std::pair<int, int>> ArchiveStore::StoredMeters() const {
    return backend_ ? backend_->StoredMeters() : std::vector<std::pair<int, int>>{};
}

int ArchiveStore::SchemaVersion() const { return backend_ ? backend_->SchemaVersion() : 0; }

QString ArchiveStore::SetRunClock(std::int64_t run, qint64 offsetSeconds) {
    if (!backend_) return QStringLiteral("хранилище: ") + missing_;
    return backend_->SetRunClock(run, offsetSeconds);
}

ArchiveStore::MeterLock ArchiveStore::TryLockMeter(int serial, QString* error) {
    if (!backend_) {
        if (error) *error = QStringLiteral("хранилище: ") + missing_;
        return MeterLock::Failed;
    }
    return backend_->TryLockMeter(serial, error);
}

void ArchiveStore::UnlockMeter(int serial) {
    if (backend_) backend_->UnlockMeter(serial);
}

std::vector<int> ArchiveStore::LockedMeters() const { return backend_ ? backend_->LockedMeters() : std::vector<int>{}; }

std::vector<int> ArchiveStore::LostMeterLocks() const {
    return backend_ ? backend_->LostMeterLocks() : std::vector<int>{};
}

}  // namespace omi
