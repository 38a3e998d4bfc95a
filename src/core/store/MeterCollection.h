#pragma once
// Collecting the archives of one meter over a link already set up: the
// device on the line is asked to confirm it is the one on the list, then each
// archive of the list is read by the family's reading procedure from the
// point the store reached, every accepted record handed on as it arrives.

#include "archives/ArchiveRecord.h"
#include "store/ArchiveStore.h"
#include "store/MeterList.h"
#include "support/Status.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace omi {

class Connection;

// Where a meter's collection starts.
struct MeterStart {
    QDate since;  // --since: the first day of every archive when valid
    // The store's finished marks of this serial number, per type and archive.
    std::map<int, std::map<StoredArchive, std::int64_t>> through;
    // The record times (RecordHours) the store holds from the first day of
    // each read on: a read cut off earlier is resumed without asking for
    // them again.
    std::map<int, std::map<StoredArchive, std::set<std::int64_t>>> stored;
};

// Whether a plan position need not be asked for: a daily record stored; an
// hourly one stored with the hours around it within the date tolerance (the
// plan guesses hours from the computer's clock, the device's may differ by
// that much, so the edges of a stored run are asked again and stored once).
bool AlreadyStored(const std::set<std::int64_t>& stored, StoredArchive archive, int day, int hour);

struct CollectEvents {
    // Asked before each request of an archive read: true ends the read
    // there (the collection is being stopped). Null: never.
    std::function<bool()> stopRequested;
    // Status texts of the reading (busy and errors).
    std::function<void(const QString& text)> status;
    std::function<void(StoredArchive archive, int done, int planned, int secondsLeft)> progress;
    std::function<void(int type, StoredArchive archive, const ArchiveEntry& entry)> record;
    // An archive's read ended. first..last: the days asked for, invalid when
    // nothing could be new yet (the newest daily record is today's);
    // complete: it ran to its end; through: the newest record it read, when
    // it read any.
    std::function<void(int type, StoredArchive archive, const QDate& first, const QDate& last, bool complete,
                       std::optional<std::int64_t> through, const QString& summary)>
        archiveDone;
};

struct MeterOutcome {
    bool ok = false;
    int type = -1;
    QString model;
    QString status;  // what the summary line says of the meter
};

// The first day an archive is read from: --since, else the day after the
// newest finished daily record / the day of the newest finished hourly one,
// else invalid (the whole archive).
QDate ResumeDay(StoredArchive archive, const QDate& since, std::optional<std::int64_t> through);

MeterOutcome CollectMeter(Connection& line, const Meter& meter, const MeterStart& start, bool portFree,
                          const QDateTime& now, const CollectEvents& events);

}  // namespace omi
