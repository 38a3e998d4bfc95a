#pragma once
// Drawing a laid-out archive report on a paged device (printer, preview, PDF
// writer) with Qt GUI only, so that the command line writes the same PDF as
// the window without any widget.

#include <QFont>
#include <QString>
#include <functional>

#include "reports/ReportLayout.h"

class QPagedPaintDevice;

namespace omi {

// The family every report text falls back to: it has the Cyrillic glyphs and
// is embedded into PDF files.
extern const QString kReportFallbackFont;      // "DejaVu Sans"
extern const QString kReportFallbackMonoFont;  // "DejaVu Sans Mono"

// The font of a template: its own family when the system has it, else DejaVu
// Sans (DejaVu Sans Mono for a fixed-pitch name such as "Courier New").
QFont ReportFont(const TemplateFont& font);

// Line heights in millimetres of template fonts on a device.
LineHeightFn DeviceLineHeight(QPagedPaintDevice& device);

// Lays the report out on the device's full page (its margins must be 0 or
// the printer in full-page mode) and draws every page. Returns the model
// drawn.
// onPage, when given, hears the number of every page before it is drawn.
ReportModel RenderReport(QPagedPaintDevice& device, ReportInput input,
                         const std::function<void(int page)>& onPage = {});

// Writes the report to a PDF file (A4, through QSaveFile); the title names
// the archive. Returns a Russian message, empty on success.
QString WriteReportPdf(const QString& path, const ReportInput& input, const QString& title, int* pages = nullptr);

}  // namespace omi
