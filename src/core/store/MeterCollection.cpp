#include "store/MeterCollection.h"

#include "connection/Connection.h"

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Identify.h"
#include "protocol/Models.h"
#include "support/Dates.h"

#include <QDir>

#include <algorithm>

namespace omi {

namespace {

// The status texts of the reading go to the events; the progress too, with
// the time left of the reading state.
class EventStatus : public StatusSink {
public:
    EventStatus(const CollectEvents& events, ArchiveReadingState* state) : events_(events), state_(state) {}
    void show(StatusStyle style, const QString& shown) override {
        if (style == StatusStyle::Error) lastError = shown;
        if (events_.status) events_.status(shown);
    }
    // The reader reports its progress before each request: the moment to
    // end a read the collection no longer wants.
    void progress(int position, int maximum) override {
        if (state_ && events_.stopRequested && events_.stopRequested()) state_->Stop();
        if (!events_.progress || maximum <= 0) return;
        events_.progress(archive, std::clamp(maximum - position, 0, maximum), maximum, state_ ? state_->estimate : 0);
    }
    StoredArchive archive = StoredArchive::Daily;
    QString lastError;

private:
    const CollectEvents& events_;
    ArchiveReadingState* state_;
};

bool hasArchive(int type, int kind) {
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    return std::any_of(tabs.begin(), tabs.end(), [kind](const ArchiveTab& t) { return t.kind == kind; });
}

}  // namespace

QDate ResumeDay(StoredArchive archive, const QDate& since, std::optional<std::int64_t> through) {
    if (since.isValid()) return since;
    if (!through) return {};
    const int day = int(*through / 24);
    return DateOfDayNumber(archive == StoredArchive::Daily ? day + 1 : day);
}

bool AlreadyStored(const std::set<std::int64_t>& stored, StoredArchive archive, int day, int hour) {
    if (archive == StoredArchive::Daily) return stored.count(RecordHours(day, 0)) > 0;
    const std::int64_t at = RecordHours(day, hour);
    for (std::int64_t t = at - kNormalTolerance; t <= at + kNormalTolerance; ++t)
        if (!stored.count(t)) return false;
    return true;
}

MeterOutcome CollectMeter(Connection& line, const Meter& meter, const MeterStart& start, bool portFree,
                          const QDateTime& now, const CollectEvents& events) {
    MeterOutcome outcome;
    EventStatus identifyStatus(events, nullptr);
    // A known type asks the listed address to confirm itself (devices sharing
    // the line stay silent); an unknown one asks whatever device answers the
    // broadcast, which must then have the listed number.
    line.SetDevice(meter.type >= 0 ? meter.serial : -1, meter.type >= 0 ? meter.type : -1);
    const IdentifyResult id = Identify(line, {false, portFree, meter.Udp(), false}, identifyStatus);
    if (!id.ok) {
        outcome.status = identifyStatus.lastError.isEmpty() ? kNoLinkText : identifyStatus.lastError;
        return outcome;
    }
    outcome.type = id.type;
    outcome.model = id.model;
    if (id.serial != meter.serial || (meter.type >= 0 && id.type != meter.type)) {
        outcome.status = QStringLiteral("на линии ответил %1 № %2, а в списке № %3")
                             .arg(id.model)
                             .arg(id.serial)
                             .arg(meter.serial);
        return outcome;
    }
    const int type = id.type;
    if (ArchiveTabs(type).isEmpty()) {
        outcome.status = QStringLiteral("у прибора %1 нет архивов").arg(id.model);
        return outcome;
    }

    const QDate today = now.date();
    QStringList failures;
    for (StoredArchive archive : {StoredArchive::Daily, StoredArchive::Hourly}) {
        const bool hourly = archive == StoredArchive::Hourly;
        if (!(hourly ? meter.hourly : meter.daily)) continue;
        const int kind = hourly ? kHourlyArchive : kDailyArchive;
        if (!hasArchive(type, kind)) continue;
        std::optional<std::int64_t> through;
        if (auto t = start.through.find(type); t != start.through.end())
            if (auto a = t->second.find(archive); a != t->second.end()) through = a->second;

        ArchiveReadingState state;
        const RangeChoice whole = RangePreset(kWholeArchivePreset, today, type, kind, today);
        if (!whole.statusError.isEmpty()) {
            failures << whole.statusError;
            continue;
        }
        state.ApplyPreset(whole);
        const QDate first = ResumeDay(archive, start.since, through);
        if (first.isValid()) {
            if (first > today) {  // the newest daily record is today's: nothing after it yet
                if (events.archiveDone) events.archiveDone(type, archive, QDate(), QDate(), true, {}, QString());
                continue;
            }
            state.DatesEdited();
            state.SetDates(std::max(first, state.first), today);
        }

        EventStatus status(events, &state);
        status.archive = archive;
        std::optional<std::int64_t> newest;
        ArchiveReadContext context;
        context.line = &line;
        context.status = &status;
        context.accessLevel = 1;
        context.logFolder = QDir::tempPath();
        context.now = now;
        std::set<std::int64_t> stored;
        if (auto t = start.stored.find(type); t != start.stored.end())
            if (auto a = t->second.find(archive); a != t->second.end()) stored = a->second;
        if (!stored.empty())
            context.skip = [&stored, archive](int day, int hour) { return AlreadyStored(stored, archive, day, hour); };
        context.onEntry = [&](const ArchiveEntry& entry) {
            if (entry.empty() || EntryDay(entry) <= 0) return;
            const std::int64_t at = RecordHours(EntryDay(entry), hourly ? EntryHour(entry) : 0);
            newest = std::max(newest.value_or(at), at);
            if (events.record) events.record(type, archive, entry);
        };
        const QDate asked = state.first;
        ArchiveList daily, hourlyList;
        const ArchiveReadResult r = StartArchiveRead(type, kind, state, daily, hourlyList, context);
        const bool complete = r.outcome == ArchiveReadOutcome::Completed || r.outcome == ArchiveReadOutcome::Empty;
        if (events.archiveDone) events.archiveDone(type, archive, asked, today, complete, newest, r.text);
        if (!complete) {
            const QString why = r.outcome == ArchiveReadOutcome::Interrupted ? kNoLinkText
                                : !status.lastError.isEmpty()              ? status.lastError
                                                                            : kNoLinkText;
            failures << (hourly ? QStringLiteral("часовой: ") : QStringLiteral("суточный: ")) + why;
            if (r.outcome == ArchiveReadOutcome::NoLink || r.outcome == ArchiveReadOutcome::Interrupted) break;
        }
    }
    outcome.ok = failures.isEmpty();
    outcome.status = outcome.ok ? QStringLiteral("собрано") : failures.join(QStringLiteral("; "));
    return outcome;
}

}  // namespace omi
