#pragma once
// The archive reading procedures of the families are one routine
// (ArchiveReader.h); what differs between them is described here as data:
// the record, its decoder, the rings and their request bytes, and the rules
// of the read (commands, tolerance, retries, sorting, byte-dump log).

#include "archives/ArchiveRecord.h"
#include "archives/ReadPlan.h"
#include "protocol/Frame.h"

#include <QString>

namespace omi {

// When a read sorts its list and replaces the range by the dates read.
enum class SortWhen { NotAllRecords, AccessLevelNotZero };

// What a daily record dated off its plan entry costs.
enum class DailyMismatch {
    RetryThenGiveUp,  // ask again; after dailyRetries consecutive misses the daily read ends
    CountMissing,     // count it as missing and go on
};

// Where the daily current number sits in the command 21 answer.
enum class DailyNumberField { WordAt7, ByteAt7 };

struct ArchiveProcedure {
    const char* name;  // "ARA234"
    const RecordLayout* record;
    QString (*decode)(const Frame& response, ArchiveEntry& entry);

    // Rings: highest positions and request bytes.
    int dailyTop;
    int hourlyTop;
    RequestBytesRule dailyBytes;
    RequestBytesRule hourlyBytes;

    // Read rules.
    bool announceAndIdentify;      // setup status and identification request first
    DailyNumberField dailyNumber;  // hourly is always the word at 5-6
    bool beginCommand;             // command 20 before the first record request
    bool endCommand;               // command 254 after the read
    bool resetTolerance;           // tolerance 2 at the start (else keep the range's)
    DailyMismatch dailyMismatch;
    int dailyRetries;
    bool decodeErrorMemo;  // memo text for an undecodable daily record
    SortWhen dailySort;
    SortWhen hourlySort;

    // Byte-dump log of access level 0.
    const char* logFileName;
    int responseHourOffset;  // record hour byte of the archive response
    int responseDayOffset;   // record day-number word of the archive response
};

// The procedure of family 234/235 (ARA234).
const ArchiveProcedure& Procedure234();

// The read procedure of a device type code; nullptr when the type has none here.
const ArchiveProcedure* ArchiveProcedureOf(int type);

}  // namespace omi
