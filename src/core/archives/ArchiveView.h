#pragma once
// The archive view: from an archive list (newest first) to the list of
// entries a tab shows — copies in the date range, or differences with a
// totals entry — and from there to the table text and the grid rows.
// Everything here is a function of its inputs, so the window, the command
// line and the tests build the same tables.

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "support/GridText.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace omi {

extern const QString kNoArchiveData;  // "нет данных"

// The range of the view: whole days, both ends included. In all-records mode
// every entry counts whatever its date.
struct ViewRange {
    QDate first;
    QDate last;
    bool allRecords = false;
};

// Mean temperatures for the reports: [heat system][temperature of the
// family's list], the plain mean of the values strictly between 0 and 150 °C
// over the view entries except the last; 0 when no value counts.
using MeanTemperatures = std::vector<std::vector<double>>;

struct ArchiveView {
    ArchiveList entries;  // the view list
    MeanTemperatures means;
    bool hasTotals = false;  // difference kind: the last entry is the totals entry
};

// Builds the view list of a kind from the archive list of its class.
// Cumulative kinds: copies of the entries in range. Difference kinds: per
// entry in range, its records with the family's cumulative values replaced by
// the difference to the next older entry of the list (in range or not); the
// oldest entry of the list gives an all-zero entry. Then the last entry is
// replaced by the totals of the others (see MakeTotals).
ArchiveView BuildArchiveView(const ArchiveFamily& family, const ArchiveList& source, int kind, const ViewRange& range);

// The totals entry of entries[0 .. count-1], per heat system: the family's
// totals rules, day number -36525, hour = count. Every other value is 0.
ArchiveEntry MakeTotals(const ArchiveFamily& family, std::span<const ArchiveEntry> entries);
MeanTemperatures MakeMeanTemperatures(const ArchiveFamily& family, std::span<const ArchiveEntry> entries);

// The text of one cell of an ordinary row (real values with numberFormat,
// e.g. "%f" or "%.5f").
QString ArchiveCellText(const ArchiveColumn& column, const ArchiveRecord& record, const QString& numberFormat);

// The cells of the table text: the two header rows, then one row per entry
// from the record of the heat system; with no entry a row of "нет данных".
Grid ArchiveTableCells(const ArchiveFamily& family, const ArchiveList& entries, int system,
                       const QString& numberFormat);
// Text lines of the table: the two header lines, then one line per entry from
// the record of the heat system, every cell followed by a tab; with no entry a
// line of "нет данных" cells instead.
QStringList ArchiveTableLines(const ArchiveFamily& family, const ArchiveList& entries, int system,
                              const QString& numberFormat);
// The cells of a totals record's line.
QStringList ArchiveTotalsCells(const ArchiveFamily& family, const ArchiveRecord& totals, const QString& numberFormat);
// Lines of rows of cells: every cell followed by a tab.
QStringList ArchiveLinesOf(const Grid& cells);
// The line of a totals record: "ИТОГО(n):", an empty hour cell, then the
// other cells, the fatal-error time as hours and minutes with the days in
// front ("1 дн 01:05").
QString ArchiveTotalsLine(const ArchiveFamily& family, const ArchiveRecord& totals, const QString& numberFormat);

// The family's column codes of a kind's class (daily or hourly).
ColumnCodes ArchiveColumnCodes(const ArchiveFamily& family, int kind);
// Grid rows from text lines: each line is split at its tabs (the text after
// the last tab is dropped) and every positive code c, in code order, gives
// the next cell: field c (empty when the line is shorter). At access level 0
// every code counts as positive.
Grid ApplyColumnCodes(const QStringList& lines, const ColumnCodes& codes, int accessLevel);

// The same from rows of cells (cell k - 1 is text column k), sharing the texts.
Grid SelectColumns(const Grid& cells, const ColumnCodes& codes, int accessLevel);

inline constexpr int kArchiveHeaderRows = 2;

// A tab's table as the grid shows it.
struct ArchiveTable {
    QStringList lines;  // text lines, the two header lines first
    ColumnCodes codes;
    Grid rows;               // grid rows, the two header rows first
    bool hasData = false;    // false: the "нет данных" row (nothing to print)
    bool hasTotals = false;  // the last row is the totals row
};

// Lines, codes and grid rows of a built view; with totals, the last line is
// the totals line of the heat system's totals record.
ArchiveTable MakeArchiveTable(const ArchiveFamily& family, const ArchiveView& view, int kind, int system,
                              const QString& numberFormat, int accessLevel);

// Everything a refresh of the archive page produces for one tab of a device type.
struct ArchiveTabView {
    ArchiveTab tab;
    ArchiveView view;
    ArchiveTable table;
    QString error;  // not empty: the type has no archives or the tab does not exist
};
ArchiveTabView ShowArchiveTab(int type, int tabIndex, const ArchiveList& daily, const ArchiveList& hourly,
                              const ViewRange& range, const QString& numberFormat, int accessLevel);

}  // namespace omi
