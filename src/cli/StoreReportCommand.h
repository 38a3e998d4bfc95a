#pragma once
// omi-cli report --store STORE --from DAY --to DAY: the period report of the
// archive store, one row per meter and heat system, as text, JSON, CSV and PDF.

#include <QDate>
#include <QString>

#include "CollectCommand.h"
#include "store/PeriodReport.h"

namespace omi::cli {

struct StoreReportArgs {
    QString store;
    QDate from, to;
    PeriodFilter filter;
    QString csv;
    QString pdf;
    bool json = false;
    int decimals = 3;
};

// The PDF writer, given by a build with Qt GUI; without it --pdf is refused.
using TablePdfWriter = QString (*)(const QString& path, const QString& title, const QStringList& titleLines,
                                   const Grid& grid, int headerRows, int* pages);

int RunStoreReport(const StoreReportArgs& args, const CollectIo& io, TablePdfWriter pdf);

}  // namespace omi::cli
