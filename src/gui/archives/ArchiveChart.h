#pragma once
// The chart of the archive shown on the archive page: the heat of every day
// (or hour) and the supply and return temperatures against time. Without an
// archive it shows a short hint instead of axes.

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include "archives/ArchiveRecord.h"

class QChart;
class QChartView;
class QLabel;

namespace omi {

struct ArchiveChartData {
    QString title;  // the tab caption; empty: no archive
    bool hourly = false;
    QList<QPointF> heat;    // x: msecs since epoch (local time), y: Gcal per day or hour
    QList<QPointF> supply;  // °C
    QList<QPointF> ret;     // °C
};

// The series of a tab's archive list: the heat of each entry is its
// difference to the next older entry (none for the oldest), the
// temperatures are the entry's own; points in time order, oldest first.
// Temperatures outside 0..150 °C are left out.
ArchiveChartData MakeArchiveChartData(int type, int tabIndex, const ArchiveList& daily, const ArchiveList& hourly,
                                      const QDate& first, const QDate& last, bool allRecords);

class ArchiveChart : public QWidget {
    Q_OBJECT
public:
    explicit ArchiveChart(QWidget* parent = nullptr);
    void Show(const ArchiveChartData& data);
    const ArchiveChartData& Data() const { return data_; }
    QChart* Chart() const { return chart_; }

private:
    ArchiveChartData data_;
    QChart* chart_;
    QChartView* view_;
    QLabel* hint_;
};

extern const QString kNoArchiveChartHint;  // shown without an archive

}  // namespace omi
