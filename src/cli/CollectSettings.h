#pragma once
// The settings file of an unattended collection (the service the timer
// starts reads it): one "name = value" a line, "#" starts a comment.
//   list     = the meter list file (required; relative to this file's folder)
//   store    = an SQLite file (relative to this file's folder) or
//              postgresql://USER@HOST/DB (the data folder's store)
//   archives = daily | hourly | daily hourly (what the list says of each meter)
//   jobs     = lines read at the same time, 1..256 (4)
//   timeout  = answer timeout in ms, 1..60000 (1000)
// A bad file is refused as a whole with the line and what is wrong, in
// Russian, before anything is collected.
//
// The run lock: two collections of one meter list never run at once. The
// lock is held on the list file itself while the run lasts; the system drops
// it with the process, so a killed run never blocks the next one.

#include <QString>
#include <optional>

namespace omi::cli {

struct CollectSettings {
    QString list;
    QString store;
    std::optional<bool> daily, hourly;  // unset: as the list says
    std::optional<int> jobs;
    std::optional<int> timeoutMs;
};

// The settings, or nothing with *error set.
std::optional<CollectSettings> ReadCollectSettings(const QString& path, QString* error);

// The exit status of a run that found another run of its list going.
inline constexpr int kRunLockedStatus = 3;

class ListRunLock {
public:
    ListRunLock() = default;
    ~ListRunLock();
    ListRunLock(const ListRunLock&) = delete;
    ListRunLock& operator=(const ListRunLock&) = delete;
    // True when taken; false with *busy true when another run holds it, with
    // *busy false and *error when the list cannot be opened.
    bool TryLock(const QString& list, bool* busy, QString* error);

private:
    int fd_ = -1;
};

}  // namespace omi::cli
