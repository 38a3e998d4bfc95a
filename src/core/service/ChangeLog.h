#pragma once
// The change log of the calculators that keep one: a timestamped copy of the
// configuration for each change, read as 3 blocks of 11 records (command 12,
// data: block, record). Each answer carries the day number and the minutes
// of the change, then the configuration in the layout of the family 229/230
// configuration answer; it is turned into such an answer and decoded, and
// shown as two rows, one per heat system.

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "protocol/Frame.h"

namespace omi {

class Connection;

inline constexpr int kChangeLogBlocks = 3;
inline constexpr int kChangeLogRecords = 11;
// Offsets in a change-log answer: day number and minutes (words), and where
// its configuration bytes start.
inline constexpr int kChangeLogDay = 5, kChangeLogMinutes = 7, kChangeLogConfig = 9;
// The shortest answer that can be turned into a configuration answer.
inline constexpr int kChangeLogMinLength = 46;

// The two heading rows of the grid, 16 texts each.
const std::array<QStringList, 2>& ChangeLogHeader();

// "1 07 2 01.01.2026 12:34": block, record, heat system 1 or 2, the date of
// the day number and the time of the minutes.
QString ChangeLogLabel(int block, int record, int system, int dayNumber, int minutes);

// The configuration answer (command 5, 46 bytes) a change-log answer
// carries; nothing for an answer shorter than kChangeLogMinLength.
std::optional<Frame> ChangeLogConfigFrame(const Frame& answer);

// The change-log request of one entry.
std::optional<Frame> ChangeLogRequest(const DeviceAddress& to, int block, int record);

// Whether an answer is a change-log answer of the current device: the checks
// of every answer (its length byte is its length, at least
// kChangeLogMinLength; check byte; device type; serial number; command 12).
// Empty: it is; else the findings, separated by "; ".
QString CheckChangeLogAnswer(const DeviceAddress& from, const Frame& answer);

// Requests of one entry at most: an answer that fails its checks, or none,
// asks again (the request only reads). Two in a row without any answer end
// the read: the line is gone.
inline constexpr int kChangeLogAttempts = 5;
inline constexpr int kChangeLogSilences = 2;

struct ChangeLogRow {
    QString label;
    QStringList values;  // 15 configuration texts of the heat system
};

struct ChangeLogEntry {
    int block = 0;
    int record = 0;
};

struct ChangeLogResult {
    bool complete = false;               // every entry read
    std::vector<ChangeLogRow> rows;      // two per entry, "нет данных" for an entry not read
    std::vector<ChangeLogEntry> unread;  // entries whose every answer failed its checks
    QString status;                      // the success text, "НЕТ СВЯЗИ" or why it stopped or what is missing
};

// Reads the whole log through the engine. Each request goes out once and its
// answer is awaited as long as the exchange's repeats would have taken: a
// repeated read answered late would give its answer to the next entry, and
// no answer says which entry it carries. An entry whose answers all fail
// their checks is not read; the others still are, and the result is not
// complete. memo gets the byte lines of each answer taken; entry is told
// after each entry (to let a window breathe).
ChangeLogResult ReadChangeLog(Connection& line, const std::function<void(const QString& line)>& memo = {},
                              const std::function<void(const ChangeLogResult& sofar)>& entry = {});

}  // namespace omi
