// Time to produce an archive report as a PDF file: an hourly difference
// report of family 234 long enough for at least 20 pages, laid out with the
// standard templates and drawn with the report painter (fonts embedded), the
// file written through QSaveFile. Repeated; the median and the fastest run
// are printed with the page count.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "archives/ArchiveKinds.h"
#include "families/U34.h"
#include "ReportPainter.h"
#include "reports/ReportTemplates.h"
#include "support/Dates.h"

using namespace omi;

namespace {

// A view list of hourly differences, newest first, and its totals entry.
ArchiveList hourlyView(int rows) {
    namespace a = u34::arh;
    ArchiveList list;
    const int newestDay = DayNumber(QDate(2026, 12, 10));
    for (int k = 0; k < rows; ++k) {
        ArchiveEntry e = ZeroEntry(u34::kRecord);
        for (ArchiveRecord& r : e) {
            r.SetDay(newestDay - k / 24);
            r.SetHour(23 - k % 24);
            r.SetReal(a::kHeat, 0.2 + (k % 7) * 0.013);
            r.SetReal(a::kV1, 6.5 + (k % 5) * 0.11);
            r.SetReal(a::kV2, 6.4 + (k % 3) * 0.09);
            r.SetReal(a::kT1, 65 + (k % 17) * 0.5);
            r.SetReal(a::kT2, 45 + (k % 13) * 0.4);
            r.SetReal(a::kP1, 0.55);
            r.SetReal(a::kP2, 0.35);
            r.SetInt(a::kFatal, k % 50 == 0 ? 15 : 0);
        }
        list.push_back(e);
    }
    list.push_back(EmptyEntry(u34::kRecord));
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    ReportInput input;
    input.templates = StandardTemplateSet(QStringLiteral("34"), true);
    input.context.deviceType = 234;
    input.context.typeText = QStringLiteral("234");
    input.context.serialText = QStringLiteral("417");
    input.context.today = QDate(2026, 12, 10);
    input.context.kind = kHourlyDifference;
    input.context.system = 0;
    input.context.first = QDate(2026, 11, 1);
    input.context.last = QDate(2026, 12, 10);
    input.difference = true;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("отчет.pdf"));
    // Enough rows for 20 pages.
    int rows = 1200;
    int pages = 0;
    for (;;) {
        input.entries = hourlyView(rows);
        const QString error = WriteReportPdf(path, input, QStringLiteral("Архив часовой разностный"), &pages);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        if (pages >= 20) break;
        rows = rows * 21 / std::max(1, pages);
    }

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        WriteReportPdf(path, input, QStringLiteral("Архив часовой разностный"), &pages);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("report PDF: %d rows, %d pages, %lld bytes: median %.1f ms, fastest %.1f ms (%d runs)\n", rows, pages,
                static_cast<long long>(QFileInfo(path).size()), ms[ms.size() / 2], ms.front(), runs);
    return 0;
}
