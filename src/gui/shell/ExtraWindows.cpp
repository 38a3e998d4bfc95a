#include "shell/ExtraWindows.h"

#include "protocol/Models.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace omi {

class ChartArea : public QWidget {
public:
    explicit ChartArea(QWidget* parent) : QWidget(parent) { setMinimumSize(320, 200); }
    QList<QPointF> points;
    QString title;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        const QRect plot = rect().adjusted(40, 24, -16, -24);
        p.setPen(palette().color(QPalette::Text));
        p.drawRect(plot);
        p.drawText(QRect(0, 0, width(), 22), Qt::AlignCenter, title);
        if (points.size() < 2) return;
        auto [minX, maxX] = std::minmax_element(points.begin(), points.end(),
                                                [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        auto [minY, maxY] = std::minmax_element(points.begin(), points.end(),
                                                [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        const double dx = std::max(maxX->x() - minX->x(), 1e-9);
        const double dy = std::max(maxY->y() - minY->y(), 1e-9);
        QPolygonF line;
        for (const QPointF& pt : points)
            line << QPointF(plot.left() + (pt.x() - minX->x()) / dx * plot.width(),
                            plot.bottom() - (pt.y() - minY->y()) / dy * plot.height());
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::blue, 1.5));
        p.drawPolyline(line);
    }
};

TChartWindow::TChartWindow(QWidget* parent) : QWidget(parent, Qt::Window), area_(new ChartArea(this)) {
    setObjectName(QStringLiteral("FChart"));
    setWindowTitle(QStringLiteral("Диаграмма"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(area_, 1);
    auto* button = new QPushButton(QStringLiteral("Обновить диаграмму"), this);
    button->setObjectName(QStringLiteral("BRefresh"));
    layout->addWidget(button, 0, Qt::AlignLeft);
    connect(button, &QPushButton::clicked, this, &TChartWindow::refreshRequested);
    resize(640, 400);
}

void TChartWindow::SetPoints(const QList<QPointF>& points, const QString& title) {
    area_->points = points;
    area_->title = title;
    area_->update();
}

TTypeWindow::TTypeWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FType"));
    setWindowTitle(QStringLiteral("Тип прибора"));
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget(this);
    list->addItems(KnownModelNames());
    layout->addWidget(list);
}

}  // namespace omi
