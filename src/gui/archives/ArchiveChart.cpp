#include "archives/ArchiveChart.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cstring>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "support/Dates.h"

namespace omi {

const QString kNoArchiveChartHint =
    QStringLiteral("Архива нет: прочитайте архив прибора или архив из файла, затем нажмите «Обновить диаграмму».");

namespace {

const ArchiveColumn* HeatColumn(const ArchiveFamily& family) {
    for (const ArchiveColumn& c : family.columns)
        if (std::strcmp(c.header1, "ТЕПЛО") == 0) return &c;
    return nullptr;
}

double Temperature(const ArchiveFamily& family, const ArchiveRecord& r, int offset) {
    return family.temperatureUnit == TemperatureUnit::Hundredths ? r.Int(offset) / 100.0 : r.Real(offset);
}

}  // namespace

ArchiveChartData MakeArchiveChartData(int type, int tabIndex, const ArchiveList& daily, const ArchiveList& hourly,
                                      const QDate& first, const QDate& last, bool allRecords) {
    ArchiveChartData data;
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    if (!family || tabIndex < 0 || tabIndex >= tabs.size()) return data;
    const ArchiveTab& tab = tabs[tabIndex];
    data.hourly = IsHourlyKind(tab.kind);
    const ArchiveList& list = data.hourly ? hourly : daily;
    if (list.empty()) return data;
    data.title = tab.caption;
    const ArchiveColumn* heat = HeatColumn(*family);
    const int system = std::min<int>(tab.system, int(list.front().size()) - 1);
    for (size_t i = 0; i < list.size(); ++i) {
        const ArchiveRecord& r = list[i][size_t(system)];
        const QDate day = DateOfDayNumber(r.Day());
        if (!allRecords && (day < first || day > last)) continue;
        if (!day.isValid()) continue;
        const QDateTime at(day, QTime(data.hourly ? std::clamp(r.Hour(), 0, 23) : 0, 0));
        const double x = double(at.toMSecsSinceEpoch());
        if (heat && i + 1 < list.size())
            data.heat.prepend({x, r.Real(heat->offset) - list[i + 1][size_t(system)].Real(heat->offset)});
        if (family->temperatures.size() >= 2) {
            const double t1 = Temperature(*family, r, family->temperatures[0]);
            const double t2 = Temperature(*family, r, family->temperatures[1]);
            if (t1 > kTemperatureLow && t1 < kTemperatureHigh) data.supply.prepend({x, t1});
            if (t2 > kTemperatureLow && t2 < kTemperatureHigh) data.ret.prepend({x, t2});
        }
    }
    auto byTime = [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); };
    std::stable_sort(data.heat.begin(), data.heat.end(), byTime);
    std::stable_sort(data.supply.begin(), data.supply.end(), byTime);
    std::stable_sort(data.ret.begin(), data.ret.end(), byTime);
    return data;
}

ArchiveChart::ArchiveChart(QWidget* parent)
    : QWidget(parent),
      chart_(new QChart),
      view_(new QChartView(chart_, this)),
      hint_(new QLabel(kNoArchiveChartHint, this)) {
    setObjectName(QStringLiteral("ArchiveChart"));
    view_->setObjectName(QStringLiteral("ArchiveChartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(480, 280);
    hint_->setObjectName(QStringLiteral("ArchiveChartHint"));
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addWidget(hint_, 1);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    Show({});
}

void ArchiveChart::Show(const ArchiveChartData& data) {
    data_ = data;
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    const bool empty = data.title.isEmpty() || (data.heat.isEmpty() && data.supply.isEmpty() && data.ret.isEmpty());
    view_->setVisible(!empty);
    hint_->setVisible(empty);
    if (empty) {
        chart_->setTitle({});
        return;
    }
    chart_->setTitle(QStringLiteral("%1: тепло за %2 и температуры")
                         .arg(data.title, data.hourly ? QStringLiteral("час") : QStringLiteral("сутки")));

    auto* time = new QDateTimeAxis;
    time->setFormat(data.hourly ? QStringLiteral("dd.MM hh:mm") : QStringLiteral("dd.MM.yyyy"));
    time->setTitleText(data.hourly ? QStringLiteral("час") : QStringLiteral("дата"));
    chart_->addAxis(time, Qt::AlignBottom);
    auto* heatAxis = new QValueAxis;
    heatAxis->setTitleText(QStringLiteral("тепло, Гкал"));
    heatAxis->setLabelFormat(QStringLiteral("%.3f"));
    chart_->addAxis(heatAxis, Qt::AlignLeft);
    auto* tAxis = new QValueAxis;
    tAxis->setTitleText(QStringLiteral("t, °С"));
    tAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(tAxis, Qt::AlignRight);

    auto add = [&](const QList<QPointF>& points, const QString& name, QValueAxis* axis, const QColor& colour) {
        auto* s = new QLineSeries;
        s->setName(name);
        s->replace(points);
        s->setColor(colour);
        s->setPointsVisible(points.size() < 60);
        chart_->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(axis);
    };
    add(data.heat, QStringLiteral("тепло"), heatAxis, QColor(200, 90, 0));
    add(data.supply, QStringLiteral("t подачи"), tAxis, QColor(200, 0, 0));
    add(data.ret, QStringLiteral("t обратки"), tAxis, QColor(0, 70, 200));

    auto range = [](const QList<QPointF>& a, const QList<QPointF>& b, bool x, double& lo, double& hi) {
        lo = 1e300;
        hi = -1e300;
        for (const auto* l : {&a, &b})
            for (const QPointF& p : *l) {
                lo = std::min(lo, x ? p.x() : p.y());
                hi = std::max(hi, x ? p.x() : p.y());
            }
    };
    double lo, hi;
    QList<QPointF> all = data.heat + data.supply;
    range(all, data.ret, true, lo, hi);
    if (hi <= lo) hi = lo + (data.hourly ? 3600e3 : 86400e3);
    time->setRange(QDateTime::fromMSecsSinceEpoch(qint64(lo)), QDateTime::fromMSecsSinceEpoch(qint64(hi)));
    range(data.heat, {}, false, lo, hi);
    if (lo > hi) lo = hi = 0;
    heatAxis->setRange(std::min(0.0, lo), hi > std::min(0.0, lo) ? hi * 1.05 : 1.0);
    heatAxis->applyNiceNumbers();
    range(data.supply, data.ret, false, lo, hi);
    if (lo > hi) lo = hi = 0;
    tAxis->setRange(std::min(0.0, lo), std::max(hi * 1.05, 10.0));
    tAxis->applyNiceNumbers();
}

}  // namespace omi
