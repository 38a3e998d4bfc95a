#pragma once
// Archive files: what a tab of the archive view shows, kept as a file of
// fixed-size little-endian records (no header, no trailer), the view's
// records one after the other; beside it a text copy of the view grid. Also
// the archive folder of a device and the proposed file name.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveView.h"

namespace omi {

extern const QString kCannotCreateFolder;  // "НЕ МОГУ СОЗДАТЬ ДИР"

// Files larger than this are refused by the reader.
inline constexpr qint64 kMaxArchiveFileBytes = 64 * 1024 * 1024;

// <data>/АРХИВЫ
QString ArchivesRoot();
// <data>/АРХИВЫ/<model name>/<serial, 5 digits>
QString ArchiveFolder(int type, int serial);
// Creates the data folder, АРХИВЫ, the model folder and the device folder,
// each missing one in that order. Returns kCannotCreateFolder when one cannot
// be created, empty on success.
QString MakeArchiveFolder(int type, int serial);

// The proposed file name of a tab: its caption with "/", "\", ":", "-", "+"
// and "." replaced by "_", then "_от"YYYYMMDD"до"YYYYMMDD"дз"MMDDHH with the
// range's first and last day and the time of saving, "_неполный" for an
// archive whose read was cut short, and ".Arh".
QString ProposedArchiveName(const QString& tabCaption, const QDate& first, const QDate& last, const QDateTime& now,
                            bool partial = false);
// What an archive file tells of its origin without the device: the folder
// the window saves into (".../АРХИВЫ/<model>/<serial as 5 digits>/") names
// the device type and serial number, and the proposed name begins with the
// caption of the tab it was saved from, which names the heat system (0 or
// 1; always 0 for a family of one system) and the archive kind. -1 for what
// the path does not say. deviceType, when known, is the type the file is
// read as.
struct ArchiveFileOrigin {
    int type = -1;
    int serial = -1;
    int system = -1;
    int kind = -1;
};
ArchiveFileOrigin ArchiveFileOriginOf(const QString& path, int deviceType);
// The archive kind of a loaded archive file, for the columns of its grid and
// the class of its report (hourly or daily): hours in its records (or two records of one
// day) make it hourly whatever its name; otherwise the tab caption its name
// begins with decides, and a file that says nothing is daily. A file with a
// totals record holds differences.
int ArchiveFileKind(int deviceType, const QString& path, const ArchiveList& entries, bool hasTotals);

// The name of the text copy: the extension of the file name replaced by
// ".txt", or ".txt" appended when the name has none.
QString TextCopyName(const QString& archivePath);
// Empty when the name ends in ".Arh" (letter case counts); otherwise the
// status text "файл: <path> - не опознан как архивный".
QString ArchiveExtensionWarning(const QString& path);

// The file bytes of a view: the record of the heat system of every entry.
QByteArray ArchiveFileBytes(const ArchiveFamily& family, const ArchiveList& entries, int system);
// Writes them, completely or not at all (a file that was there stays
// unchanged on failure). Returns a Russian message, empty on success.
QString WriteArchiveFile(const ArchiveFamily& family, const QString& path, const ArchiveList& entries, int system);
// Writes the grid rows of the view, both header rows included, as the text copy.
QString WriteArchiveTextCopy(const QString& path, const Grid& rows);
// Saves a view: the archive file under path and its text copy
// (TextCopyName) replaced together, or neither changed. Returns a Russian
// message, empty on success.
QString SaveArchiveWithTextCopy(const ArchiveFamily& family, const QString& path, const ArchiveList& entries,
                                int system, const Grid& rows);

// A loaded archive file: record i is the first record of entry i; the lines
// are those of heat system 0, with the last line a totals line when the last
// record's day number is negative; the codes are the hourly class's.
struct ArchiveFileContent {
    ArchiveList entries;
    Grid cells;  // the lines as rows of cells (SelectColumns gives the grid rows)
    QStringList lines;
    ColumnCodes codes;
    bool hasTotals = false;
    int impossible = 0;  // records left out for a date no record can have
};
// From file bytes: the number of records is the size divided by the record
// size; a trailing part shorter than a record is ignored. A record whose
// date no record of a device can have (IsRecordDate with today) is left out
// and counted; the last record is a totals record when its day number is
// -36525. Bytes without one such record give no entries: not an archive.
ArchiveFileContent ParseArchiveFile(const ArchiveFamily& family, const QByteArray& bytes, const QString& numberFormat,
                                    const QDate& today = QDate::currentDate());
// Reads a file; returns a Russian message (missing, unreadable, too large,
// bytes without one archive record), empty on success (an empty file too:
// the file of an empty view), and leaves content unchanged on failure.
QString ReadArchiveFile(const ArchiveFamily& family, const QString& path, const QString& numberFormat,
                        ArchiveFileContent& content);

}  // namespace omi
