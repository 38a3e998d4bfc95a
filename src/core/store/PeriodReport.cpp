#include "store/PeriodReport.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchiveView.h"
#include "protocol/Models.h"
#include "store/StoreFindings.h"
#include "support/Dates.h"

namespace omi {

namespace {

const ArchiveColumn* columnAt(const ArchiveFamily& family, int offset) {
    for (const ArchiveColumn& c : family.columns)
        if (c.offset == offset) return &c;
    return nullptr;
}

bool cumulative(const ArchiveFamily& family, int offset) {
    return std::any_of(family.differences.begin(), family.differences.end(),
                       [offset](const RecordValue& v) { return v.offset == offset; });
}

// Where a family keeps the report's values.
struct Fields {
    int heat = -1;
    int errorHours = -1;                                    // the cumulative hours with errors
    std::vector<std::pair<RecordValue, int>> temperatures;  // with the offset of their pipe's volume
};

Fields fieldsOf(const ArchiveFamily& family) {
    Fields f;
    for (const TotalsField& t : family.totals) {
        const ArchiveColumn* c = columnAt(family, t.value.offset);
        if (!c) continue;
        const QString head = QString::fromUtf8(c->header1) + QLatin1Char(' ') + QString::fromUtf8(c->header2);
        if (t.rule == TotalsRule::VolumeWeighted && f.temperatures.size() < 3)
            f.temperatures.emplace_back(t.value, t.weightOffset);
        else if (t.rule == TotalsRule::Sum && head.startsWith(QStringLiteral("ТЕПЛО")))
            f.heat = t.value.offset;
        else if (t.rule == TotalsRule::Sum && t.value.kind == RecordKind::Int32 &&
                 head.contains(QStringLiteral("с ош")) && cumulative(family, t.value.offset))
            f.errorHours = t.value.offset;
    }
    return f;
}

int systemsOf(int type) {
    int systems = 0;
    for (const ArchiveTab& tab : ArchiveTabs(type)) systems = std::max(systems, tab.system + 1);
    return systems;
}

QString number(double v, int decimals) { return QString::number(v, 'f', decimals); }

}  // namespace

PeriodReport MakePeriodReport(const ArchiveStore& store, const QDate& from, const QDate& to,
                              const PeriodFilter& filter) {
    PeriodReport report;
    report.from = from;
    report.to = to;
    report.store = store.Location();
    std::map<int, ArchiveStore::RunRow> last;
    for (ArchiveStore::RunRow& r : store.LastRuns()) last[r.serial] = std::move(r);
    const QString wanted = filter.name.toCaseFolded();
    for (const auto& [type, serial] : store.StoredMeters()) {
        if ((filter.type >= 0 && type != filter.type) || (filter.serial >= 0 && serial != filter.serial)) continue;
        const auto run = last.find(serial);
        const QString name = run != last.end() ? run->second.meter : QString();
        if (!wanted.isEmpty() && !name.toCaseFolded().contains(wanted)) continue;
        const ArchiveFamily* family = ArchiveFamilyOf(type);
        const int systems = systemsOf(type);
        if (!family || systems == 0) continue;
        const Fields fields = fieldsOf(*family);

        // The day before the period gives the counters its first day starts from.
        QString error;
        const ArchiveList list =
            store.Load(type, serial, StoredArchive::Daily, from.addDays(-1), to, *family->layout, &error);
        if (!error.isEmpty())
            report.warnings << QStringLiteral("%1 № %2: %3").arg(ModelName(type)).arg(serial).arg(error);
        const ArchiveView view = BuildArchiveView(*family, list, kDailyDifference, {from.addDays(-1), to, false});
        const ArchiveEntry totals = view.hasTotals ? view.entries.back() : ZeroEntry(*family->layout);

        std::set<std::int64_t> present;
        const int firstDay = DayNumber(from), lastDay = DayNumber(to);
        for (const ArchiveEntry& e : list)
            if (!e.empty() && EntryDay(e) >= firstDay && EntryDay(e) <= lastDay) present.insert(EntryDay(e));
        std::vector<std::int64_t> missing;
        for (int day = firstDay; day <= lastDay; ++day)
            if (!present.count(day)) missing.push_back(RecordHours(day, 0));
        std::vector<std::int64_t> errorTimes;
        for (const ErrorTime& e : FindErrorTimes(*family, list, StoredArchive::Daily))
            if (e.time >= RecordHours(firstDay, 0) && e.time <= RecordHours(lastDay, 0)) errorTimes.push_back(e.time);

        for (int s = 0; s < systems && std::size_t(s) < totals.size(); ++s) {
            const ArchiveRecord& t = totals[std::size_t(s)];
            PeriodRow row;
            row.name = name;
            row.type = type;
            row.model = ModelName(type);
            row.serial = serial;
            row.system = s + 1;
            if (fields.heat >= 0) row.heat = t.Real(fields.heat);
            if (fields.errorHours >= 0) row.errorHours = t.Int(fields.errorHours);
            row.temperatureCount = int(fields.temperatures.size());
            for (std::size_t k = 0; k < fields.temperatures.size(); ++k) {
                const auto& [value, volume] = fields.temperatures[k];
                row.volumes[k] = t.Real(volume);
                row.temperatures[k] =
                    value.kind == RecordKind::Double
                        ? t.Real(value.offset)
                        : t.Int(value.offset) / (family->temperatureUnit == TemperatureUnit::Hundredths ? 100.0 : 1.0);
            }
            row.daysPresent = int(present.size());
            row.daysMissing = int(missing.size());
            row.missingDays = TimeRunTexts(missing, StoredArchive::Daily);
            row.errorDays = TimeRunTexts(errorTimes, StoredArchive::Daily);
            if (run != last.end()) {
                row.lastStatus = run->second.status;
                row.lastEnded = run->second.ended;
                row.clockOffset = run->second.clockOffset;
            }
            report.rows.push_back(std::move(row));
        }
    }
    std::stable_sort(report.rows.begin(), report.rows.end(), [](const PeriodRow& a, const PeriodRow& b) {
        return std::tie(a.name, a.serial, a.type, a.system) < std::tie(b.name, b.serial, b.type, b.system);
    });
    return report;
}

Grid PeriodReportGrid(const PeriodReport& report, int decimals) {
    Grid grid;
    grid << QStringList{"Прибор", "Тип", "Номер", "Система", "ТЕПЛО", "объем",    "объем",  "объем", "t°С",
                        "t°С",    "t°С", "с ош.", "Дней",    "Дней",  "Пропуски", "Ошибки", "Сбор",  "Часы"}
         << QStringList{"",  "",  "",    "",     "Гкал", "1, м3", "2, м3", "3, м3",     "1",
                        "2", "3", "час", "есть", "нет",  "дни",   "дни",   "последний", "расхождение, с"};
    for (const PeriodRow& r : report.rows) {
        QStringList cells{r.name, r.model, QString::number(r.serial), QString::number(r.system),
                          number(r.heat, decimals)};
        for (int k = 0; k < 3; ++k) cells << (k < r.temperatureCount ? number(r.volumes[k], decimals) : QString());
        for (int k = 0; k < 3; ++k) cells << (k < r.temperatureCount ? number(r.temperatures[k], 2) : QString());
        cells << QString::number(r.errorHours) << QString::number(r.daysPresent) << QString::number(r.daysMissing)
              << r.missingDays.join(QStringLiteral(", ")) << r.errorDays.join(QStringLiteral(", "))
              << (r.lastStatus.isEmpty()
                      ? QString()
                      : r.lastStatus + (r.lastEnded.isValid() ? QStringLiteral(" (") + DateTimeText(r.lastEnded) + ")"
                                                              : QString()))
              << (r.clockOffset ? QString::number(*r.clockOffset) : QString());
        grid << cells;
    }
    return grid;
}

}  // namespace omi
