#pragma once
// The windows the program creates at start beside the main window: the
// chart window with its "Обновить диаграмму" button, and the device-type
// selection window, which is created but never shown. (The logger file
// manager is created by the "ЗОРТ" import when first asked for.)

#include <QWidget>

namespace omi {

// A line chart of one series; empty until a caller gives it points.
class TChartWindow : public QWidget {
    Q_OBJECT
public:
    explicit TChartWindow(QWidget* parent = nullptr);
    void SetPoints(const QList<QPointF>& points, const QString& title);

Q_SIGNALS:
    void refreshRequested();

private:
    class ChartArea* area_;
};

class TTypeWindow : public QWidget {
    Q_OBJECT
public:
    explicit TTypeWindow(QWidget* parent = nullptr);
};

}  // namespace omi
