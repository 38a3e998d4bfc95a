#pragma once
// Reading an archive of the connected calculator: one request per record over
// the range of the reading state, following the read plan of the ring, each
// record accepted only when its own date agrees with the plan's date within
// the tolerance. The family differences come from an ArchiveProcedure.
//
// The read runs on the GUI thread. Before each record request it yields for
// 1 ms through the engine's pause, so the window can process "стоп" (which
// clears the reading flag) while the read runs; the flag is tested after the
// pause, before every request.

#include <QDateTime>
#include <QString>
#include <functional>

#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveRecord.h"
#include "support/Status.h"

namespace omi {

class Connection;

class ExchangeEngine;
class TraceSink;

extern const QString kArchiveEmptyText;  // "в архиве нет ни одной записи"
extern const QString kNoLinkText;        // "НЕТ СВЯЗИ"

// "чтение архива. Ждите... %d мин %d сек" with the estimate in seconds.
QString ReadingText(int estimateSeconds);
// The summary of a read: its range and, when not zero, the missing records
// and the mixed-up dates; "архив прочитан от корки до корки" in all-records
// mode.
QString SummaryText(const ArchiveReadingState& state);

// The outcome of a read cut short by a lost line, with the range of the
// records it holds: "НЕТ СВЯЗИ: архив неполный, прочитан от ... г. до ... г.".
QString InterruptedText(const QDate& first, const QDate& last);

// Orders an archive list newest first by the day number of each entry's
// first record; entries of one day keep their order. Returns the number of
// neighbour swaps of the bubble sort (the mixed-up dates of a read).
int SortArchiveList(ArchiveList& list);

struct ArchiveReadContext {
    Connection* line = nullptr;  // the line and the device read
    // Status line: busy (the preparation text; the reading and the "empty"
    // texts, which the window shows in its olive reading look), success (the
    // summary), error ("НЕТ СВЯЗИ"). progress(position, maximum) moves the
    // bar; progress(0, 0) removes it.
    StatusSink* status = nullptr;
    TraceSink* memo = nullptr;  // the terminal memo Ma; may be null
    int accessLevel = 1;        // 0 writes the byte-dump log
    QString logFolder;          // folder of the byte-dump log (the window: the data folder)
    QDateTime now;              // the clock of the read plan
    // Called for every accepted entry (the live view of the archive page). It
    // may stop the read through the reading state.
    std::function<void(const ArchiveEntry& entry)> onEntry;
    // Plan positions (day number, hour; hour 0 in a daily plan) for which it
    // returns true are not requested: a collection resuming a read that was
    // cut off skips the records it already holds. Null: every position in
    // range is read.
    std::function<bool(int day, int hour)> skip;
};

enum class ArchiveReadOutcome {
    Completed,    // the summary was shown (the read ended, was stopped or gave up)
    Empty,        // "в архиве нет ни одной записи"
    NoLink,       // an answer was missing ("НЕТ СВЯЗИ") or the current numbers unusable; no summary
    Interrupted,  // an answer was missing after records were read: the list holds them, the range
                  // of the state is theirs, the text says the archive is incomplete; 254 is not sent
    NoProcedure,  // the device type has no archive procedure
};

struct ArchiveReadResult {
    ArchiveReadOutcome outcome = ArchiveReadOutcome::NoLink;
    QString text;                // the summary, the empty text or the failure, without the device prefix
    bool endUnanswered = false;  // command 254 after the summary got no answer (the byte logs of the
                                 // end of the read are then not written)
    int refused = 0;             // record answers the decoder refused (damaged, cut or another device's):
                                 // with nothing read, the archive is there but the line does not bring it
};

// One family procedure: reads the archive of kind (0 daily, 1 daily difference,
// 2 hourly, 3 hourly difference) into list
// (the daily list for the daily kinds, the hourly list for the hourly ones),
// which is emptied first and keeps whatever was read when the read ends
// early. Uses the range, tolerance, all-records mode and reading flag of
// state and leaves its counters, estimate and (after a completed read) the
// dates read in it. The reading flag is not set here: the caller sets it.
ArchiveReadResult ReadArchive(const ArchiveProcedure& procedure, int kind, ArchiveReadingState& state,
                              ArchiveList& list, const ArchiveReadContext& context);

// The procedure of family 234/235.
ArchiveReadResult ARA234(int kind, ArchiveReadingState& state, ArchiveList& list, const ArchiveReadContext& context);

// A read as the archive action starts it once the device is known: orders
// the range (a first day after the last becomes the last), sets the reading
// flag, runs the procedure of the device type into the list of the kind,
// then clears the flag and sets the archive-present flag. A type without a
// procedure gives NoProcedure and the message-box text in result.text.
ArchiveReadResult StartArchiveRead(int type, int kind, ArchiveReadingState& state, ArchiveList& daily,
                                   ArchiveList& hourly, const ArchiveReadContext& context);

}  // namespace omi
