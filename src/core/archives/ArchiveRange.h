#pragma once
// The range of an archive read or view and the reading state shared by the
// archive page, the read procedures and the command line: first and last day,
// date tolerance, all-records mode, the reading flag that "стоп" clears, the
// counters of the last read and its remaining-time estimate.

#include <QDate>
#include <QString>
#include <QStringList>

namespace omi {

// Date tolerance of a read, in hours.
inline constexpr int kNormalTolerance = 2;
inline constexpr int kAllRecordsTolerance = 2147483647;

// The range presets of RGdtp, in order: "день", "неделя", "раб неделя",
// "декада", "месяц", "пред месяц", "весь архив", "все записи".
const QStringList& RangePresetTexts();
inline constexpr int kWholeArchivePreset = 6;  // selected at start
inline constexpr int kAllRecordsPreset = 7;

// Archive depth in days for the "весь архив" preset (daily, hourly), as the
// device type's family declares it. False for a type without archives.
bool ArchiveDepth(int type, int* dailyDays, int* hourlyDays);

struct RangeChoice {
    QDate first;
    QDate last;
    int tolerance = kNormalTolerance;
    bool allRecords = false;
    QString statusError;  // a status-line failure; first is left as it was
    QString message;      // a message-box text for an unknown item
};

// The range a preset item gives on the day today, for the archive kind of the
// selected tab of a device type. currentFirst is kept where the item leaves
// the first day alone ("все записи", an error).
RangeChoice RangePreset(int item, const QDate& today, int type, int kind, const QDate& currentFirst);

class ArchiveReadingState {
public:
    QDate first;  // whole days, both ends included
    QDate last;
    int tolerance = kNormalTolerance;
    bool allRecords = false;
    bool reading = false;  // set while a read runs; "стоп" clears it
    int missing = 0;       // counters of the last read
    int mixedUp = 0;
    int impossible = 0;           // all records: records left out for a date no record can have
    int retries = 0;              // consecutive date-mismatch retries
    int estimate = 0;             // remaining time of the read, seconds
    bool archivePresent = false;  // a read ran or an archive file was loaded

    // "стоп": the running read ends before its next request.
    void Stop() { reading = false; }
    // A preset was chosen.
    void ApplyPreset(const RangeChoice& choice);
    // A date picker was edited: tolerance 2, all-records mode off.
    void DatesEdited();
    // The pickers copied into the range; a last day before the first one
    // moves the first day to it.
    void SetDates(QDate firstDay, const QDate& lastDay);
};

}  // namespace omi
