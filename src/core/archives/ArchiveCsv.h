#pragma once
// Export of an archive table for spreadsheets: CSV as a spreadsheet with
// Russian regional settings opens it directly — ";" between fields, the
// numbers as the grid shows them (decimal comma), UTF-8 with a byte order
// mark, CR LF line ends. Fields holding the separator, a quote, a line break
// or blanks at either end are quoted, quotes doubled inside.

#include <QByteArray>
#include <QString>

#include "support/GridText.h"

namespace omi {

// One field as it stands in the file.
QString CsvField(const QString& text);
// The file bytes of rows of cells (header rows, rows, the totals row).
QByteArray ArchiveCsvBytes(const Grid& rows);
// Writes them, completely or not at all. Returns a Russian message, empty on success.
QString WriteArchiveCsv(const QString& path, const Grid& rows);

}  // namespace omi
