#pragma once
// The archive report laid out on pages, in millimetres: the header lines,
// the head of the body, one row per view entry with its words at the tab
// stops, page breaks that repeat the body head, the totals block of the
// difference kinds, the footer and the margins frame. The result is a list of
// texts with their positions; a painter (window or PDF) draws it, so the
// layout is the same on paper, in the preview and in a PDF file.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "archives/ArchiveRecord.h"
#include "reports/ReportExpand.h"
#include "reports/ReportTemplates.h"

namespace omi {

struct PrintSettings {
    int left = 15;
    int top = 5;
    int right = 5;
    int bottom = 5;
    int lineInterval = 0;  // extra millimetres after every line printed at tab stops
    bool frame = true;     // the margins frame is drawn (and printed)
};

// Line interval after a press of the interval button: -1, 0, 1, 2, -1, ...
int NextLineInterval(int interval);

// Tab stops of a tab-stop line: blanks removed, every number followed by ">"
// gives a stop (0 when not a number, 194 - right margin when above 254).
std::vector<int> ParseTabStops(const QString& line, int rightMargin);
// The words of a line as placed at tab stops: runs of blanks are one
// separator, leading and trailing blanks dropped.
QStringList LineWords(const QString& line);

struct PlacedText {
    double x;  // mm from the page's left edge
    double y;  // baseline, mm from the page's top edge
    QString text;
    TemplatePart font;
};

struct ReportPage {
    std::vector<PlacedText> texts;
};

struct ReportModel {
    double pageWidth = 210;
    double pageHeight = 297;
    PrintSettings settings;
    TemplateFont fonts[3];  // header, body, footer
    bool frame = false;     // every page carries the margins frame
    double frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
    std::vector<ReportPage> pages;
};

// Line height in millimetres of a template font on the output device.
using LineHeightFn = std::function<double(const TemplateFont&)>;
// A stand-in for tests and tools without a paint device: 1.2 × the font size
// in points.
double NominalLineHeight(const TemplateFont& font);

struct ReportInput {
    TemplateSet templates;
    ReportContext context;
    ArchiveList entries;      // the view list, newest first (a totals entry last)
    bool difference = false;  // the tab shows a difference kind: print the totals block
    QString note;             // a line after the header (an archive whose read was cut short says so)
    double pageWidth = 210, pageHeight = 297;
    PrintSettings settings;
};

// The report of an archive tab as shown: the device, the tab's kind and heat
// system, the range, the view list with its mean temperatures, and the
// templates. The device fields' texts are the type code and serial number.
ReportInput MakeReportInput(int deviceType, int serial, const ArchiveTabView& shown, const ViewRange& range,
                            const TemplateSet& templates, const QDate& today);
// The report of an archive file printed from the device page: item 05 names
// the file, no range; the heat system (0 or 1) when the file tells it, -1
// when not.
ReportInput MakeFileReportInput(int deviceType, int serial, const QString& path, const ArchiveList& entries,
                                bool hasTotals, const TemplateSet& templates, const QDate& today, int system = -1);

// Whether a device type's rows are printed from the oldest entry rather than
// from the newest, as its descriptor says.
bool PrintsOldestFirst(int deviceType);

ReportModel LayoutReport(const ReportInput& input, const LineHeightFn& lineHeight = NominalLineHeight);

}  // namespace omi
