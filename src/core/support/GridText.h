#pragma once
// The text format of every table file the tool keeps: Windows-1251, one grid
// row per line ended by CR LF, every cell followed by the separator (a tab),
// the last cell of a line included.

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

namespace omi {

using Grid = QList<QStringList>;  // rows of cells

// Limits of a loaded grid; a file beyond them is refused as not being a table.
inline constexpr qsizetype kMaxGridColumns = 4096;
inline constexpr qsizetype kMaxGridCells = 8 * 1024 * 1024;

// The file bytes of a grid.
QByteArray GridTextBytes(const Grid& grid, QChar sep = QLatin1Char('\t'));
// Writes the grid, completely or not at all. Returns a Russian message, empty on success.
QString SaveGridText(const Grid& grid, const QString& path, QChar sep = QLatin1Char('\t'));

// Reads a grid file: one row per line (a line end at the very end adds no
// row); a line that does not end in the separator is read as if it did; the
// rows replace the grid's and are padded with empty cells to the longest line;
// an empty file gives a grid without rows. A missing file leaves the grid unchanged and returns
// "не найден файл:\r" + path; other failures (unreadable, too large, beyond
// the limits above: "неверный формат таблицы:\r" + path) leave it unchanged
// too and return their message. Empty on success.
QString LoadGridText(Grid& grid, const QString& path, QChar sep = QLatin1Char('\t'));

// Sorts the rows below the heading row 0 by the text of one column, ignoring
// case; rows that compare equal keep their order. A row without that column
// sorts as an empty cell. tag (when given) gets column for ascending, -column
// for descending, with 100 standing for column 0.
void SortGridRows(Grid& grid, int column, bool ascending, int* tag = nullptr);

}  // namespace omi
