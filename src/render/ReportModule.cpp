#include "ReportModule.h"

#include <QGuiApplication>

#include "ReportPainter.h"
#include "TablePdf.h"

#define OMI_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

OMI_MODULE_ENTRY QCoreApplication* omi_report_application(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
}

OMI_MODULE_ENTRY QString omi_write_report_pdf(const QString& path, const omi::ReportInput& input,
                                              const QString& title) {
    return omi::WriteReportPdf(path, input, title);
}

OMI_MODULE_ENTRY QString omi_write_table_pdf(const QString& path, const QString& title, const QStringList& titleLines,
                                             const omi::Grid& grid, int headerRows, int* pages) {
    return omi::WriteTablePdf(path, title, titleLines, grid, headerRows, pages);
}

// The entries have the types the program looks them up with.
static_assert(std::is_same_v<decltype(omi_report_application), omi::MakeReportApplication>);
static_assert(std::is_same_v<decltype(omi_write_report_pdf), omi::WriteReportPdfFn>);
static_assert(std::is_same_v<decltype(omi_write_table_pdf), omi::WriteTablePdfFn>);
