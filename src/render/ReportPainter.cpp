#include "ReportPainter.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "support/TextCodec.h"

namespace omi {

const QString kReportFallbackFont = QStringLiteral("DejaVu Sans");
const QString kReportFallbackMonoFont = QStringLiteral("DejaVu Sans Mono");

QFont ReportFont(const TemplateFont& font) {
    QString family = font.name;
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) {
        const bool mono = family.contains(QStringLiteral("Courier"), Qt::CaseInsensitive) ||
                          family.contains(QStringLiteral("Mono"), Qt::CaseInsensitive) ||
                          family.contains(QStringLiteral("Console"), Qt::CaseInsensitive);
        family = mono ? kReportFallbackMonoFont : kReportFallbackFont;
    }
    QFont f(family);
    f.setFamilies({family, kReportFallbackFont});
    f.setPointSize(std::clamp(font.size, kTemplateFontMinSize, kTemplateFontMaxSize));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

LineHeightFn DeviceLineHeight(QPagedPaintDevice& device) {
    return [&device](const TemplateFont& font) {
        const QFontMetricsF metrics(ReportFont(font), &device);
        return metrics.lineSpacing() * 25.4 / std::max(1, device.logicalDpiY());
    };
}

ReportModel RenderReport(QPagedPaintDevice& device, ReportInput input, const std::function<void(int page)>& onPage) {
    const QSizeF page = device.pageLayout().fullRect(QPageLayout::Millimeter).size();
    input.pageWidth = page.width();
    input.pageHeight = page.height();
    ReportModel model = LayoutReport(input, DeviceLineHeight(device));

    const double dotsX = device.logicalDpiX() / 25.4;
    const double dotsY = device.logicalDpiY() / 25.4;
    const QFont fonts[3] = {ReportFont(model.fonts[0]), ReportFont(model.fonts[1]), ReportFont(model.fonts[2])};
    QPainter painter(&device);
    if (!painter.isActive()) return model;
    for (size_t i = 0; i < model.pages.size(); ++i) {
        if (onPage) onPage(int(i) + 1);
        if (i > 0) device.newPage();
        if (model.frame) {
            QPen pen(Qt::red);
            pen.setStyle(Qt::DotLine);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(QPointF(model.frameLeft * dotsX, model.frameTop * dotsY),
                                    QPointF(model.frameRight * dotsX, model.frameBottom * dotsY)));
        }
        painter.setPen(QPen(Qt::black));
        int current = -1;
        for (const PlacedText& t : model.pages[i].texts) {
            if (int(t.font) != current) {
                current = int(t.font);
                painter.setFont(fonts[current]);
            }
            painter.drawText(QPointF(t.x * dotsX, t.y * dotsY), t.text);
        }
    }
    painter.end();
    return model;
}

QString WriteReportPdf(const QString& path, const ReportInput& input, const QString& title, int* pages) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("omi"));
        const ReportModel model = RenderReport(writer, input);
        if (pages) *pages = int(model.pages.size());
    }
    buffer.close();
    if (buffer.data().isEmpty()) return QStringLiteral("НЕ МОГУ ЗАПИСАТЬ ФАЙЛ: ") + path;
    return WriteFileBytes(path, buffer.data());
}

}  // namespace omi
