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

// How the read gets the current record numbers (command 21).
enum class CurrentNumbers {
    Ask,            // one request; no answer: "НЕТ СВЯЗИ"
    AskOrDraw,      // one request; in imitation mode its failure is tolerated and the numbers are drawn
    CheckedOrDraw,  // up to 10 requests, each answer checked; in imitation mode none, the numbers are drawn
};

// Which current numbers are tested against their rings.
enum class RingTest {
    KindOnly,   // the number of the read kind; off its ring: "в архиве нет ни одной записи"
                // and the read ends, in all-records mode the whole ring is read
    BothShown,  // both numbers whatever the kind; off its ring the empty text is shown also in
                // all-records mode, which then reads the whole ring of that number
};

// When the daily loop refreshes its progress text.
enum class DailyProgress { EachIndex, AfterExchange };

// The byte log of a read (file logFileName in the log folder).
enum class ByteLog {
    Exchanges,        // access level 0: every request and answer, saved again after each line
    AcceptedRecords,  // all-records mode: request bytes and every answer byte of each accepted
                      // record, written once at the end of a completed read
};

struct ArchiveProcedure {
    const char* name;  // "ARA234"
    const RecordLayout* record;
    QString (*decode)(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);

    // Rings: highest positions and request bytes.
    int dailyTop;
    int hourlyTop;
    RequestBytesRule dailyBytes = &DailyRequestBytes234;
    RequestBytesRule hourlyBytes = &HourlyRequestBytes234;

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

    // Rules that differ between the families; the defaults are those of 234/235.
    CurrentNumbers currentNumbers = CurrentNumbers::Ask;
    int drawHourlyMax = 0;  // imitation mode: hourly number drawn from 0..drawHourlyMax
    int drawDailyMax = 0;   // and daily number from 0..drawDailyMax (AskOrDraw, CheckedOrDraw)
    RingTest ringTest = RingTest::KindOnly;
    DailyProgress dailyProgress = DailyProgress::EachIndex;
    ByteLog byteLog = ByteLog::Exchanges;
    // At the end of a completed read (command 254, when sent, answered) the
    // lines of the byte log go to the terminal memo when it is visible.
    bool logToMemo = false;
};

// The procedure of family 234/235 (ARA234).
const ArchiveProcedure& Procedure234();

// The read procedure of a device type code; nullptr when the type has none here.
const ArchiveProcedure* ArchiveProcedureOf(int type);

}  // namespace omi
