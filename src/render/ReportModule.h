#pragma once
// The module "omi-report": the report renderer and Qt GUI behind omi-cli's
// --report, loaded only by a command that writes a report (support/Modules.h).
// Both functions are the module's entries, looked up by name.

#include <QString>

#include "reports/ReportLayout.h"
#include "support/GridText.h"

class QCoreApplication;

namespace omi {

inline constexpr const char* kReportModule = "omi-report";

// The application object of a process that writes a report: a GUI one (fonts
// need it), on the offscreen platform when there is no display.
using MakeReportApplication = QCoreApplication*(int& argc, char** argv);
inline constexpr const char* kReportApplicationFunction = "omi_report_application";

// WriteReportPdf (ReportPainter.h): the Russian message, empty on success.
using WriteReportPdfFn = QString(const QString& path, const ReportInput& input, const QString& title);
inline constexpr const char* kWriteReportPdfFunction = "omi_write_report_pdf";
// WriteTablePdf (TablePdf.h): the period report of a store.
using WriteTablePdfFn = QString(const QString& path, const QString& title, const QStringList& titleLines,
                                const Grid& grid, int headerRows, int* pages);
inline constexpr const char* kWriteTablePdfFunction = "omi_write_table_pdf";

}  // namespace omi
