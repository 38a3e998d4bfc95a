#include "store/StoreFindings.h"

#include <algorithm>
#include <map>
#include <set>

#include "support/Dates.h"

namespace omi {

namespace {

bool hourly(StoredArchive archive) { return archive == StoredArchive::Hourly; }

std::int64_t timeOf(const ArchiveEntry& e, StoredArchive archive) {
    return RecordHours(EntryDay(e), hourly(archive) ? EntryHour(e) : 0);
}

// A column of time with errors: "наработка с ош.", "Период с ош.", "с ошибкой".
bool isErrorTimeColumn(const ArchiveColumn& c) {
    if (c.kind != CellKind::Int && c.kind != CellKind::FatalTime) return false;
    const QString text = QString::fromUtf8(c.header1) + QLatin1Char(' ') + QString::fromUtf8(c.header2);
    return text.contains(QStringLiteral("с ош"));
}

bool isCumulative(const ArchiveFamily& family, int offset) {
    return std::any_of(family.differences.begin(), family.differences.end(),
                       [offset](const RecordValue& v) { return v.offset == offset; });
}

}  // namespace

TimeRange RecordTimeRange(StoredArchive archive, const QDate& first, const QDate& last, std::int64_t until) {
    TimeRange r;
    if (!first.isValid() || !last.isValid() || last < first) return r;
    r.from = RecordHours(DayNumber(first), 0);
    r.to = RecordHours(DayNumber(last), hourly(archive) ? 23 : 0);
    r.to = std::min(r.to, until);
    return r;
}

std::vector<ErrorTime> FindErrorTimes(const ArchiveFamily& family, const ArchiveList& entries, StoredArchive archive) {
    std::vector<const ArchiveColumn*> codes, times;
    for (const ArchiveColumn& c : family.columns) {
        if (c.error != ErrorTag::None)
            codes.push_back(&c);
        else if (isErrorTimeColumn(c))
            times.push_back(&c);
    }
    std::map<std::int64_t, const ArchiveEntry*> byTime;
    for (const ArchiveEntry& e : entries)
        if (!e.empty() && EntryDay(e) > 0) byTime.emplace(timeOf(e, archive), &e);
    const std::int64_t step = hourly(archive) ? 1 : 24;
    std::vector<ErrorTime> found;
    for (const auto& [time, entry] : byTime) {
        ErrorTime f;
        f.time = time;
        const auto before = byTime.find(time - step);
        for (std::size_t s = 0; s < entry->size(); ++s) {
            const ArchiveRecord& r = (*entry)[s];
            for (const ArchiveColumn* c : codes) {
                const std::int32_t code = r.Int(c->offset);
                (c->error == ErrorTag::System ? f.system : f.device) |= code;
            }
            for (const ArchiveColumn* c : times) {
                const std::int32_t value = r.Int(c->offset);
                if (!isCumulative(family, c->offset)) {
                    f.errorTime = f.errorTime || value > 0;
                } else if (before != byTime.end() && s < before->second->size()) {
                    f.errorTime = f.errorTime || value > (*before->second)[s].Int(c->offset);
                }
            }
        }
        if (f.system || f.device || f.errorTime) found.push_back(f);
    }
    return found;
}

ArchiveFindings FindArchiveFindings(const ArchiveStore& store, int type, int serial, StoredArchive archive,
                                    const TimeRange& range) {
    ArchiveFindings out;
    out.from = range.from;
    out.to = range.to;
    if (range.to < range.from) return out;
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    if (!family) {
        out.error = QStringLiteral("тип %1: у прибора нет архивов").arg(type);
        return out;
    }
    const std::int64_t step = hourly(archive) ? 1 : 24;
    // The record before the range judges a counter's growth on its first day.
    const QDate first = DateOfDayNumber(int((range.from - step) / 24));
    const QDate last = DateOfDayNumber(int(range.to / 24));
    const ArchiveList list = store.Load(type, serial, archive, first, last, *family->layout, &out.error);
    std::set<std::int64_t> stored;
    for (const ArchiveEntry& e : list)
        if (!e.empty() && EntryDay(e) > 0) stored.insert(timeOf(e, archive));
    for (std::int64_t t = range.from; t <= range.to; t += step) {
        if (stored.count(t))
            out.present.push_back(t);
        else
            out.missing.push_back(t);
    }
    for (const ErrorTime& e : FindErrorTimes(*family, list, archive))
        if (e.time >= range.from && e.time <= range.to) out.errors.push_back(e);
    return out;
}

QStringList TimeRunTexts(std::vector<std::int64_t> times, StoredArchive archive) {
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    const std::int64_t step = hourly(archive) ? 1 : 24;
    const auto text = [archive](std::int64_t t) {
        QString s = ShortDateText(DateOfDayNumber(int(t / 24)));
        if (hourly(archive)) s += QStringLiteral(" %1:00").arg(int(t % 24), 2, 10, QLatin1Char('0'));
        return s;
    };
    QStringList runs;
    for (std::size_t i = 0; i < times.size();) {
        std::size_t j = i;
        while (j + 1 < times.size() && times[j + 1] - times[j] == step) ++j;
        runs << (i == j ? text(times[i]) : text(times[i]) + QStringLiteral(" - ") + text(times[j]));
        i = j + 1;
    }
    return runs;
}

std::vector<std::int64_t> TimesOf(const std::vector<ErrorTime>& errors) {
    std::vector<std::int64_t> times;
    for (const ErrorTime& e : errors) times.push_back(e.time);
    return times;
}

}  // namespace omi
