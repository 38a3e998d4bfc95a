#pragma once
// Archive files of the portable data logger: each keeps one archive of one
// calculator as the archive pointer (word) and the data parts of the archive
// answers, record 0 first. The file name gives the device type (extension),
// the serial number and the kind ("D" daily, "H" hourly). The archive
// description table (ДАННЫЕ\описание архивов.txt, a built-in default when the
// file is missing) gives each device group's ring sizes, answer length and
// record fields. The import replays the file through the exchange engine, so
// the family's own reading procedure reads it as from the device.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "protocol/LoggerReplay.h"

namespace omi {

// A grid of text cells kept as a delimited text file (Windows-1251): each
// row one line, each cell followed by the delimiter.
class TSGSL {
public:
    std::vector<QStringList> rows;
    QString lastError;

    int RowCount() const { return static_cast<int>(rows.size()); }
    int ColumnCount() const;
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);

    // Error text, empty on success; a missing file keeps the cells.
    QString LoadFromFile(const QString& path, QChar delimiter);
    QString SaveToFile(const QString& path, QChar delimiter);
    // Copies into target: every row as it is (empty map), or each source
    // column into the target column the comma text map names; an empty
    // source cell is written as a single blank.
    void CopyTo(TSGSL& target, const QString& columnMap) const;
};

enum class LoggerKind { Hour = 0, Day = 1 };
QString LoggerKindName(LoggerKind kind);  // "ЧАСОВОЙ" / "СУТОЧНЫЙ"

// The archive description table: loaded once from the data folder, or its
// built-in default of 51 rows and 12 columns.
TSGSL& DescriptionTable();
void LoadDescriptionTable();
TSGSL DefaultDescriptionTable();

// The decoder of a record's fields: types byte, word, single, word/10,
// word/100 and word/date[=format]. A value past the data is "данные
// кончились"; an unknown type stops the decoding with *unknown set.
QStringList CMDMakeValues(const QStringList& types, const QByteArray& data, QString* unknown = nullptr);

struct LoggerState {
    QString path;  // the chosen file; empty: none
    int type = -1;
    int serial = -1;
    LoggerKind kind = LoggerKind::Day;
    int recordLength = 0;  // R
    int top = -1;          // n: the highest record position of the kind
    QStringList types, headers1, headers2, columns;
    qint64 maxFileLength = 0;  // the longest file an archive of the group can make
    qint64 fileLength = 0;
    int pointer = 0;
    QStringList records;                  // "%.3d" bytes joined by ","
    std::vector<QStringList> decoded;     // the decoded table
    QString error;
    std::function<void(const QString& text)> progress;

    // The replay inputs of the loaded file.
    LoggerReplayData Replay() const;
};

// Recognises a file name (a path or a bare name): error text, empty when it
// is a logger archive file; sets the state's type, serial, kind, R, n and
// field lists. When the path names an existing file its content must be an
// archive too (LoggerContentError).
QString ParseLoggerFileName(LoggerState& state, const QString& path);
// Why the bytes of a file whose name was recognised last are not a logger
// archive, empty when they are one: an empty file or one without a whole
// record, a file longer than any archive of its device group can be (the
// group's larger ring of records behind the pointer), or one without a
// single record that the family reads with a real date (IsRecordDate).
QString LoggerContentError(const LoggerState& state, const QByteArray& bytes,
                           const QDate& today = QDate::currentDate());
// Reads the chosen file into the state; error text, empty on success.
QString LoadLoggerFile(LoggerState& state);
// "\"model\",\"№ 417\",\"архив=СУТОЧНЫЙ\"" of the last recognised file.
QString LoggerFileTitle(const LoggerState& state);
// The description of the loaded file, each line ended by separator.
QString LoggerInfoText(const LoggerState& state, QChar separator);

// The logger manager's view of a folder.
// The 14 name masks of logger archive files, in their order.
const QStringList& LoggerFileMasks();
// The files of a folder matching the masks (letter case ignored), without
// subfolders and hidden files, sorted by full path ignoring case.
QStringList ListLoggerFiles(const QString& folder);
// ДАННЫЕ/АРХИВЫ/ZORT-1: where logger files are filed.
QString LoggerArchiveFolder();
// Where a recognised logger file is filed under LoggerArchiveFolder(), from
// the last ParseLoggerFileName: "/<model>/00417/СУТОЧНЫЙ от MMDDHH_<name>",
// MMDDHH the month, day and hour of `now`.
QString LoggerFilingName(const LoggerState& state, const QString& fileName, const QDateTime& now);

}  // namespace omi
