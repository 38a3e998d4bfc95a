#pragma once
// What an operator is told about a meter's archive in the store over a range:
// the days (hours) whose records hold a system or device error code or time
// with errors, and the days (hours) of the range the store does not hold.
// Decoded from the stored records by the family's archive table, so every
// family is read the way its archive page shows it.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>
#include <vector>

#include "archives/ArchiveFamily.h"
#include "store/ArchiveStore.h"

namespace omi {

// One record time whose record (of any heat system) shows a fault.
struct ErrorTime {
    std::int64_t time = 0;    // RecordHours
    std::int32_t system = 0;  // system error codes of the heat systems, or'ed
    std::int32_t device = 0;  // device error codes, or'ed
    bool errorTime = false;   // time with errors counted in this period
};

struct ArchiveFindings {
    std::int64_t from = 0, to = 0;      // the range looked at (RecordHours, both included)
    std::vector<std::int64_t> present;  // stored times in the range, oldest first
    std::vector<std::int64_t> missing;  // times of the range not stored, oldest first
    std::vector<ErrorTime> errors;      // oldest first
    QString error;                      // the store could not be read
};

// The record times of a range: every day (hour 0) of first..last for the
// daily archive, every hour of them for the hourly one; until cuts the range
// off after a time (RecordHours; the hours still to come are not missing).
struct TimeRange {
    std::int64_t from = 0;
    std::int64_t to = -1;
};
TimeRange RecordTimeRange(StoredArchive archive, const QDate& first, const QDate& last,
                          std::int64_t until = std::numeric_limits<std::int64_t>::max());

// The errors of the entries of one family (any order): error codes of the
// family's error columns, and time with errors of its "с ош" columns (a
// cumulative counter counts when it grew since the entry before, which then
// must be among the entries or it is not judged).
std::vector<ErrorTime> FindErrorTimes(const ArchiveFamily& family, const ArchiveList& entries, StoredArchive archive);

ArchiveFindings FindArchiveFindings(const ArchiveStore& store, int type, int serial, StoredArchive archive,
                                    const TimeRange& range);

// Times as runs of consecutive days (hours): "05.12.2026",
// "07.12.2026 - 08.12.2026", "10.12.2026 14:00 - 10.12.2026 15:00".
QStringList TimeRunTexts(std::vector<std::int64_t> times, StoredArchive archive);
std::vector<std::int64_t> TimesOf(const std::vector<ErrorTime>& errors);

}  // namespace omi
