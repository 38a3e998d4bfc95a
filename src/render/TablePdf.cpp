#include "TablePdf.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <vector>

#include "ReportPainter.h"
#include "support/TextCodec.h"

namespace omi {

int PaintTable(QPainter& painter, QPagedPaintDevice& device, const QStringList& titleLines, const Grid& grid,
               int headerRows) {
    int drawn = 0;
    const QRectF page(QPointF(0, 0), QSizeF(device.pageLayout().paintRectPixels(device.logicalDpiX()).size()));
    TemplateFont body;
    body.size = 7;
    QFont font = ReportFont(body);
    QFont bold = font;
    bold.setBold(true);
    TemplateFont heading;
    heading.size = 11;
    heading.bold = true;
    const QFont titleFont = ReportFont(heading);
    const QFontMetricsF metrics(font, &device), boldMetrics(bold, &device), titleMetrics(titleFont, &device);
    const double gap = metrics.horizontalAdvance(QStringLiteral("  "));
    // Column widths from the widest cell; the long texts (lists of
    // days) wrap within what is left of the page.
    qsizetype columns = 0;
    for (const QStringList& r : grid) columns = std::max(columns, r.size());
    std::vector<double> width(size_t(columns), 0);
    for (qsizetype row = 0; row < grid.size(); ++row)
        for (qsizetype c = 0; c < grid[row].size(); ++c)
            width[size_t(c)] =
                std::max(width[size_t(c)], (row < headerRows ? boldMetrics : metrics).horizontalAdvance(grid[row][c]));
    const double cap = page.width() / 6;
    double total = 0;
    for (double& w : width) total += (w = std::min(w, cap)) + gap;
    const double scale = total > page.width() ? page.width() / total : 1.0;
    const double line = metrics.lineSpacing();
    const auto rowHeight = [&](const QStringList& cells) {
        double h = line;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF r =
                metrics.boundingRect(QRectF(0, 0, width[size_t(c)] * scale, 1e6), Qt::TextWordWrap, cells[c]);
            h = std::max(h, r.height());
        }
        return h;
    };
    const auto drawRow = [&](const QStringList& cells, double y, const QFont& f) {
        painter.setFont(f);
        double x = page.left();
        double h = line;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF box(x, y, width[size_t(c)] * scale, 1e6);
            QRectF used;
            painter.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, cells[c], &used);
            h = std::max(h, used.height());
            x += (width[size_t(c)] + gap) * scale;
        }
        return h;
    };
    double y = page.top();
    const auto header = [&] {
        for (int r = 0; r < headerRows && r < grid.size(); ++r) y += drawRow(grid[r], y, bold);
        painter.drawLine(QPointF(page.left(), y), QPointF(page.right(), y));
        y += line / 3;
    };
    const auto footer = [&] {
        painter.setFont(font);
        painter.drawText(QPointF(page.right() - metrics.horizontalAdvance(QStringLiteral("лист 999")), page.bottom()),
                         QStringLiteral("лист %1").arg(++drawn));
    };
    painter.setFont(titleFont);
    for (const QString& t : titleLines) {
        y += titleMetrics.ascent();
        painter.drawText(QPointF(page.left(), y), t);
        y += titleMetrics.descent() + titleMetrics.leading();
        painter.setFont(font);
    }
    y += line;
    header();
    for (qsizetype r = headerRows; r < grid.size(); ++r) {
        if (y + rowHeight(grid[r]) > page.bottom() - line) {
            footer();
            device.newPage();
            y = page.top();
            header();
        }
        y += drawRow(grid[r], y, font);
    }
    footer();
    return drawn;
}

QString WriteTablePdf(const QString& path, const QString& title, const QStringList& titleLines, const Grid& grid,
                      int headerRows, int* pages) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int drawn = 0;
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("omi"));
        QPainter painter(&writer);
        if (painter.isActive()) {
            drawn = PaintTable(painter, writer, titleLines, grid, headerRows);
            painter.end();
        }
    }
    buffer.close();
    if (buffer.data().isEmpty() || drawn == 0) return QStringLiteral("НЕ МОГУ ЗАПИСАТЬ ФАЙЛ: ") + path;
    if (pages) *pages = drawn;
    return WriteFileBytes(path, buffer.data());
}

}  // namespace omi
