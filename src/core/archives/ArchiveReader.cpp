#include "archives/ArchiveReader.h"

#include "connection/Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "archives/ArchiveDumpLog.h"
#include "families/RandNorm.h"
#include "protocol/Exchange.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "transport/CommPortDriver.h"

namespace omi {

const QString kArchiveEmptyText = QStringLiteral("в архиве нет ни одной записи");
const QString kNoLinkText = QStringLiteral("НЕТ СВЯЗИ");

QString ReadingText(int estimateSeconds) {
    return Format(QStringLiteral("чтение архива. Ждите... %d мин %d сек"),
                  {std::abs(estimateSeconds / 60), std::abs(estimateSeconds % 60)});
}

QString SummaryText(const ArchiveReadingState& state) {
    const QString impossible =
        state.impossible > 0
            ? Format(QStringLiteral("... %d записей с невозможной датой пропущено"), {state.impossible})
            : QString();
    if (state.allRecords) return QStringLiteral("архив прочитан от корки до корки") + impossible;
    QString text = Format(QStringLiteral("архив прочитан от %s г. до %s г."),
                          {ShortDateText(state.first), ShortDateText(state.last)});
    if (state.missing > 0) text += Format(QStringLiteral("... %d записей отсутствует"), {state.missing});
    if (state.mixedUp > 0) text += Format(QStringLiteral("... %d дат перепутано"), {state.mixedUp});
    return text + impossible;
}

QString InterruptedText(const QDate& first, const QDate& last) {
    return Format(QStringLiteral("НЕТ СВЯЗИ: архив неполный, прочитан от %s г. до %s г."),
                  {ShortDateText(first), ShortDateText(last)});
}

int SortArchiveList(ArchiveList& list) {
    int swaps = 0;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (std::size_t k = 1; k < list.size(); ++k) {
            if (EntryDay(list[k - 1]) < EntryDay(list[k])) {
                std::swap(list[k - 1], list[k]);
                ++swaps;
                swapped = true;
            }
        }
    }
    return swaps;
}

namespace {

// Kinds 2 and 3 (hourly cumulative and difference) are served by the hourly list.
bool isHourlyKind(int kind) { return kind == 2 || kind == 3; }

const QChar kTab = QLatin1Char('\t');
constexpr int kDefaultBar = 100;

std::int32_t clampToInt(double v) {
    if (!(v == v)) return 0;
    const double r = std::round(v);
    if (r >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (r <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::int64_t dateValue(const QDate& d) { return DateValueOfDay(DayNumber(d)); }

// The progress of a read: the plan entries within the range still to be
// asked at each plan index, out of all of them. The bar runs from full to
// empty over the records of the range, not over the whole ring.
class Remaining {
public:
    template <class InRange>
    Remaining(const Tia& plan, InRange inRange) : left_(plan.size() + 1, 0) {
        for (std::size_t i = plan.size(); i-- > 0;) left_[i] = left_[i + 1] + (inRange(plan[i]) ? 1 : 0);
    }
    // At least 1, so that a range without records still shows a bar.
    int Planned() const { return std::max(1, left_.front()); }
    int At(std::size_t i) const { return left_[std::min(i, left_.size() - 1)]; }

private:
    std::vector<int> left_;
};

// One read of one procedure; the steps share the context, the log and the state.
class Reader {
public:
    Reader(const ArchiveProcedure& p, int kind, ArchiveReadingState& st, ArchiveList& list,
           const ArchiveReadContext& ctx)
        : p_(p),
          kind_(kind),
          st_(st),
          list_(list),
          ctx_(ctx),
          status_(ctx.status ? *ctx.status : nullSink_),
          today_(ctx.now.isValid() ? ctx.now.date() : QDate::currentDate()) {}

    ArchiveReadResult Run();
    int Refused() const { return refused_; }

private:
    // The current record numbers (0-based positions, -1: none) into hourly
    // and daily; false when the read ends, with its result in failure.
    bool currentNumbers(int& hourly, int& daily, ArchiveReadResult& failure);
    bool askedNumbers(int& hourly, int& daily);
    bool checkedNumbers(int& hourly, int& daily, ArchiveReadResult& failure);
    void drawNumbers(int& hourly, int& daily) const {
        hourly = RandInt(p_.drawHourlyMax + 1);
        daily = RandInt(p_.drawDailyMax + 1);
    }
    // Takes the two numbers of a command 21 answer and logs them.
    void takeNumbers(const Frame& r, int& hourly, int& daily);
    ArchiveReadResult readDaily(const Tia& plan);
    ArchiveReadResult readHourly(const Tia& plan);
    ArchiveReadResult finish();

    ArchiveReadResult noLink() {
        status_.error(kNoLinkText);
        status_.progress(0, 0);
        return {ArchiveReadOutcome::NoLink, kNoLinkText, false};
    }
    // An answer missing in the middle of the records: with records read,
    // the read ends as cut short, its range that of the records it holds.
    ArchiveReadResult lostLine(SortWhen when);
    ArchiveReadResult empty() {
        // The window shows this text in the olive reading look.
        status_.busy(kArchiveEmptyText);
        status_.progress(0, 0);
        return {ArchiveReadOutcome::Empty, kArchiveEmptyText, false};
    }
    bool send(int command, const Frame& data, Frame& response) {
        const auto request = ctx_.line->BuildFrame(command, data);
        if (!request) return false;
        return ctx_.line->Exchange(*request, response);
    }
    bool sorts(SortWhen when) const {
        return when == SortWhen::NotAllRecords ? !st_.allRecords : ctx_.accessLevel != 0;
    }
    bool memoVisible() const { return ctx_.memo && ctx_.memo->Visible(); }
    void memo(const QString& text) {
        if (memoVisible()) ctx_.memo->Append(text);
    }
    // Requests one record: false when no answer came. The byte dump logs the
    // request before it goes out.
    bool request(const PlanEntry& e, Frame& response, double* seconds) {
        const Frame data{e.request[0], e.request[1]};
        const auto frame = ctx_.line->BuildFrame(cmd::ArchiveRecord, data);
        if (!frame) return false;
        QElapsedTimer timer;
        timer.start();
        log_.AddTitled(QStringLiteral("upo.SQ(upo.Q_Arhiv,ad):"), *frame);
        const bool answered = ctx_.line->Exchange(*frame, response);
        *seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        return answered;
    }
    QString responseDay(const Frame& r) const {
        const auto need = static_cast<std::size_t>(p_.responseDayOffset) + 2;
        return r.size() >= need ? QString::number(GetW(r, p_.responseDayOffset)) : QStringLiteral("б/д");
    }
    QString responseHour(const Frame& r) const {
        const auto at = static_cast<std::size_t>(p_.responseHourOffset);
        return r.size() > at ? QString::number(r[at]) : QStringLiteral("б/в");
    }
    void logResponse(const QString& format, const QString& dateText, const PlanEntry& e, const Frame& r) {
        if (!log_.Active()) return;
        const int word = e.request[0] | (e.request[1] << 8);
        log_.AddLine(Format(format, {dateText, int(e.request[0]), int(e.request[1]), word, QString(kTab)}) +
                     DumpBytes(r));
    }
    ArchiveEntry decode(const Frame& r, bool daily) {
        ArchiveEntry entry;
        undecoded_ = false;
        if (p_.decode(r, ctx_.line->Address(), entry).isEmpty() && !entry.empty()) return entry;
        undecoded_ = true;
        ++refused_;
        if (daily && p_.decodeErrorMemo) memo(QStringLiteral("\r\nархив есть, но устройство его не отдает"));
        return EmptyEntry(*p_.record);
    }
    // A record left out for its date is counted unless it is an empty ring
    // slot (its data bytes all 0 or all 0xFF): a ring not yet full has those.
    // An answer that failed its checks is counted as refused instead.
    void countImpossible(const Frame& r) {
        if (undecoded_) return;
        bool zeros = true, ones = true;
        for (std::size_t k = 5; k + 1 < r.size(); ++k) {
            zeros = zeros && r[k] == 0x00;
            ones = ones && r[k] == 0xFF;
        }
        if (!zeros && !ones) ++st_.impossible;
    }
    void accept(ArchiveEntry&& entry, const PlanEntry& e, const Frame& r) {
        records_.AddLines(RecordBytesLines(e.request, r));
        list_.push_back(std::move(entry));
        if (ctx_.onEntry) ctx_.onEntry(list_.back());
    }

    const ArchiveProcedure& p_;
    const int kind_;
    ArchiveReadingState& st_;
    ArchiveList& list_;
    const ArchiveReadContext& ctx_;
    NullStatusSink nullSink_;
    StatusSink& status_;
    const QDate today_;       // records dated after a year from it are no records
    ArchiveDumpLog log_;      // access level 0: the exchanges
    ArchiveDumpLog records_;  // all-records mode: the accepted records
    int refused_ = 0;
    bool undecoded_ = false;  // the last answer failed its checks
};

ArchiveReadResult Reader::Run() {
    const QString logPath = QDir(ctx_.logFolder).filePath(QString::fromUtf8(p_.logFileName));
    if (p_.byteLog == ByteLog::Exchanges && ctx_.accessLevel == 0) log_.Start(logPath);
    if (p_.byteLog == ByteLog::AcceptedRecords && st_.allRecords) records_.Collect(logPath);
    if (!ctx_.line) return noLink();
    status_.progress(kDefaultBar, kDefaultBar);
    if (p_.announceAndIdentify) {
        status_.busy(QStringLiteral("Подготовка к чтению архивов. Ждите..."));
        Frame answer;  // the outcome of the identification is not used
        ctx_.line->Exchange(ctx_.line->NoTuRequest(), answer);
    }

    int hourlyCurrent = -1;
    int dailyCurrent = -1;
    ArchiveReadResult failure;
    if (!currentNumbers(hourlyCurrent, dailyCurrent, failure)) return failure;

    const bool hourly = isHourlyKind(kind_);
    if (p_.ringTest == RingTest::BothShown) {
        for (auto [current, top] : {std::pair{&hourlyCurrent, p_.hourlyTop}, std::pair{&dailyCurrent, p_.dailyTop}}) {
            if (*current <= top) continue;
            if (!st_.allRecords) return empty();
            status_.busy(kArchiveEmptyText);  // shown, then the whole ring is read
            *current = -1;
        }
    }
    int current = hourly ? hourlyCurrent : dailyCurrent;
    const int top = hourly ? p_.hourlyTop : p_.dailyTop;
    if (current > top) {
        if (!st_.allRecords) return empty();
        current = -1;
    }

    if (p_.beginCommand) {
        Frame answer;
        if (!send(cmd::ArchiveBegin, {}, answer) && !ctx_.line->Engine().Imitation()) return noLink();
    }
    if (st_.allRecords)
        st_.tolerance = kAllRecordsTolerance;
    else if (p_.resetTolerance)
        st_.tolerance = kNormalTolerance;

    if (hourly) return readHourly(BuildHourlyPlan(current, top, ctx_.now, p_.hourlyBytes));
    return readDaily(BuildDailyPlan(current, top, ctx_.now.date(), p_.dailyBytes));
}

bool Reader::currentNumbers(int& hourly, int& daily, ArchiveReadResult& failure) {
    const bool imitation = ctx_.line->Engine().Imitation();
    switch (p_.currentNumbers) {
        case CurrentNumbers::Ask:
            if (askedNumbers(hourly, daily)) return true;
            break;
        case CurrentNumbers::AskOrDraw:
            if (imitation) {
                Frame answer;  // asked, but the numbers are drawn
                send(cmd::ArchivePointers, {}, answer);
                drawNumbers(hourly, daily);
                return true;
            }
            if (askedNumbers(hourly, daily)) return true;
            break;
        case CurrentNumbers::CheckedOrDraw:
            if (imitation) {
                drawNumbers(hourly, daily);
                return true;
            }
            return checkedNumbers(hourly, daily, failure);
    }
    failure = noLink();
    return false;
}

bool Reader::askedNumbers(int& hourly, int& daily) {
    Frame r;
    // An answer too short to hold both numbers counts as none.
    const std::size_t need = p_.dailyNumber == DailyNumberField::WordAt7 ? 9 : 8;
    if (!send(cmd::ArchivePointers, {}, r) || r.size() < need) return false;
    takeNumbers(r, hourly, daily);
    return true;
}

bool Reader::checkedNumbers(int& hourly, int& daily, ArchiveReadResult& failure) {
    constexpr int kAttempts = 10;
    constexpr std::size_t kLength = 9;
    Frame r;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        status_.busy(QStringLiteral(" Определение текущих номеров записей... Попытка № ") + QString::number(attempt));
        r.clear();  // no answer leaves nothing to accept
        send(cmd::ArchivePointers, {}, r);
        if (r.size() > kLength) r.resize(kLength);
        if (r.size() == kLength && r[0] == kLength && r[4] == cmd::ArchivePointers) {
            takeNumbers(r, hourly, daily);
            return true;
        }
    }
    const QString text = Format(QStringLiteral("%d:Ошибка чтения текущих номеров записей. Повторите..."),
                                {static_cast<int>(r.size()) - static_cast<int>(kLength)});
    status_.error(text);
    status_.progress(0, 0);
    failure = {ArchiveReadOutcome::NoLink, text, false};
    return false;
}

void Reader::takeNumbers(const Frame& r, int& hourly, int& daily) {
    const int hourlyWord = GetW(r, 5);
    const int dailyWord = p_.dailyNumber == DailyNumberField::WordAt7 ? GetW(r, 7) : r[7];
    log_.AddTitled(QStringLiteral("Текущие № записей:"), r);
    log_.AddLine(
        Format(QStringLiteral("%sчасовой=%d%sсуточный=%d"), {QString(kTab), hourlyWord, QString(kTab), dailyWord}));
    hourly = hourlyWord - 1;
    daily = dailyWord - 1;
}

ArchiveReadResult Reader::readDaily(const Tia& plan) {
    list_.clear();
    st_.missing = 0;
    st_.impossible = 0;
    st_.retries = 0;
    const std::int64_t first = dateValue(st_.first);
    const std::int64_t last = dateValue(st_.last);
    const std::int64_t tolerance = st_.tolerance;
    st_.estimate = clampToInt(static_cast<double>(last - first));

    auto inRange = [&](const PlanEntry& e) {
        const std::int64_t hours = std::int64_t(DateValueOfDay(e.day)) * 24;
        return hours >= first * 24 - tolerance && hours <= last * 24 + tolerance && !(ctx_.skip && ctx_.skip(e.day, 0));
    };
    const Remaining left(plan, inRange);
    std::size_t i = 0;
    while (i < plan.size()) {
        status_.progress(left.At(i), left.Planned());
        if (p_.dailyProgress == DailyProgress::EachIndex) status_.busy(ReadingText(st_.estimate));
        const PlanEntry& e = plan[i];
        if (!inRange(e)) {
            ++i;
            continue;
        }
        if (!st_.reading) break;
        ctx_.line->Pause(0);
        if (!st_.reading) break;  // "стоп" pressed during the pause

        Frame r;
        double seconds = 0;
        if (!request(e, r, &seconds)) return lostLine(p_.dailySort);
        st_.estimate = clampToInt(double(last - first + 1 - std::int64_t(list_.size())) * seconds);
        if (p_.dailyProgress == DailyProgress::AfterExchange) status_.busy(ReadingText(st_.estimate));
        logResponse(QStringLiteral("Запрос(day %s):%d %d %d %s"), responseDay(r), e, r);

        ArchiveEntry entry = decode(r, true);
        if (st_.allRecords && !IsRecordDate(entry, today_)) {
            // All records take any date; one no record can have is no record.
            countImpossible(r);
            ++i;
            continue;
        }
        const std::int64_t off = std::llabs(std::int64_t(EntryDay(entry)) - e.day) * 24;
        if (off <= tolerance) {
            st_.retries = 0;
            accept(std::move(entry), e, r);
            ++i;
        } else if (p_.dailyMismatch == DailyMismatch::CountMissing) {
            ++st_.missing;
            ++i;
        } else {
            if (++st_.retries >= p_.dailyRetries) {
                st_.retries = 0;
                break;  // the older positions are given up
            }
            memo(QStringLiteral("\r\nпаленые даты ") + QString::number(double(off)));
        }
    }

    if (list_.empty()) return empty();
    st_.mixedUp = 0;
    if (sorts(p_.dailySort)) {
        st_.mixedUp = SortArchiveList(list_);
        st_.first = DateOfDayNumber(EntryDay(list_.back()));
        st_.last = DateOfDayNumber(EntryDay(list_.front()));
    }
    return finish();
}

ArchiveReadResult Reader::readHourly(const Tia& plan) {
    list_.clear();
    st_.missing = 0;
    st_.impossible = 0;
    const std::int64_t first = dateValue(st_.first);
    const std::int64_t last = dateValue(st_.last);
    const std::int64_t tolerance = st_.tolerance;
    st_.estimate = clampToInt(double(last - first) * 24);
    status_.busy(ReadingText(st_.estimate));
    QElapsedTimer shown;  // the time left is refreshed once a second
    shown.start();

    auto inRange = [&](const PlanEntry& e) {
        const std::int64_t value = DateValueOfDay(e.day);
        // 64-bit hours: the all-records tolerance cannot overflow.
        return (value - first) * 24 + tolerance >= 0 && value * 24 <= last * 24 + tolerance &&
               !(ctx_.skip && ctx_.skip(e.day, e.hour));
    };
    const Remaining left(plan, inRange);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        status_.progress(left.At(i), left.Planned());
        const PlanEntry& e = plan[i];
        if (!inRange(e)) continue;
        ctx_.line->Pause(0);
        if (!st_.reading) break;

        Frame r;
        double seconds = 0;
        if (!request(e, r, &seconds)) return lostLine(p_.hourlySort);
        st_.estimate = clampToInt(double((last - first + 1) * 24 - std::int64_t(list_.size())) * seconds);
        logResponse(QStringLiteral("Запрос(day hour %s):%d %d %d %s"),
                    responseDay(r) + QLatin1Char(':') + responseHour(r), e, r);

        ArchiveEntry entry = decode(r, false);
        if (shown.elapsed() >= 1000) {
            status_.busy(ReadingText(st_.estimate));
            shown.start();
        }
        if (st_.allRecords && !IsRecordDate(entry, today_)) {
            countImpossible(r);
            continue;
        }
        const std::int64_t off =
            std::llabs(std::int64_t(EntryDay(entry)) * 24 + EntryHour(entry) - std::int64_t(e.day) * 24 - e.hour);
        if (off <= tolerance)
            accept(std::move(entry), e, r);
        else
            ++st_.missing;  // no retry on the hourly ring
    }

    if (list_.empty()) return empty();
    st_.mixedUp = 0;
    if (sorts(p_.hourlySort)) {
        st_.mixedUp = SortArchiveList(list_);
        st_.first = DateOfDayNumber(EntryDay(list_.back()));
        st_.last = DateOfDayNumber(EntryDay(list_.front()));
    }
    return finish();
}

ArchiveReadResult Reader::lostLine(SortWhen when) {
    if (list_.empty()) return noLink();
    st_.mixedUp = sorts(when) ? SortArchiveList(list_) : 0;
    int oldest = EntryDay(list_.front());
    int newest = oldest;
    for (const ArchiveEntry& e : list_) {
        oldest = std::min(oldest, EntryDay(e));
        newest = std::max(newest, EntryDay(e));
    }
    st_.first = DateOfDayNumber(oldest);
    st_.last = DateOfDayNumber(newest);
    const QString text = InterruptedText(st_.first, st_.last);
    status_.error(text);
    status_.progress(0, 0);
    return {ArchiveReadOutcome::Interrupted, text, false};
}

ArchiveReadResult Reader::finish() {
    status_.progress(0, 0);
    ArchiveReadResult result{ArchiveReadOutcome::Completed, SummaryText(st_), false};
    status_.ok(result.text);
    if (p_.endCommand) {
        Frame answer;
        if (!send(cmd::ArchiveEnd, {}, answer)) {
            result.endUnanswered = true;
            status_.error(kNoLinkText);
            return result;  // the logs stay as they were
        }
    }
    records_.Save();
    if (p_.logToMemo) {
        const QStringList& lines = p_.byteLog == ByteLog::Exchanges ? log_.Lines() : records_.Lines();
        if (!lines.isEmpty()) memo(QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")));
    }
    return result;
}

}  // namespace

ArchiveReadResult ReadArchive(const ArchiveProcedure& procedure, int kind, ArchiveReadingState& state,
                              ArchiveList& list, const ArchiveReadContext& context) {
    Reader reader(procedure, kind, state, list, context);
    ArchiveReadResult result = reader.Run();
    result.refused = reader.Refused();
    return result;
}

ArchiveReadResult ARA234(int kind, ArchiveReadingState& state, ArchiveList& list, const ArchiveReadContext& context) {
    return ReadArchive(Procedure234(), kind, state, list, context);
}

ArchiveReadResult StartArchiveRead(int type, int kind, ArchiveReadingState& state, ArchiveList& daily,
                                   ArchiveList& hourly, const ArchiveReadContext& context) {
    const ArchiveProcedure* procedure = ArchiveProcedureOf(type);
    if (!procedure)
        return {ArchiveReadOutcome::NoProcedure,
                QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFomi.AreadArhExecute: ") + QString::number(type), false};
    if (state.first > state.last) state.first = state.last;
    state.reading = true;
    ArchiveReadResult result = ReadArchive(*procedure, kind, state, isHourlyKind(kind) ? hourly : daily, context);
    state.reading = false;
    state.archivePresent = true;
    return result;
}

}  // namespace omi
