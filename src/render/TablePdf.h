#pragma once
// A table drawn into a PDF file with the report fonts: title lines, then the
// header rows repeated on every page and the rows, on A4 landscape pages with
// page numbers. The period report of a store is written and printed with it.

#include <QString>
#include <QStringList>

#include "support/GridText.h"

class QPagedPaintDevice;
class QPainter;

namespace omi {

// The same table drawn on the pages of a device the painter is active on (a
// PDF writer, a printer), in its page layout. Returns the pages drawn.
int PaintTable(QPainter& painter, QPagedPaintDevice& device, const QStringList& titleLines, const Grid& grid,
               int headerRows);

// headerRows: how many of the grid's first rows are the header. Returns a
// Russian message, empty on success; *pages gets the number of pages.
QString WriteTablePdf(const QString& path, const QString& title, const QStringList& titleLines, const Grid& grid,
                      int headerRows, int* pages = nullptr);

}  // namespace omi
