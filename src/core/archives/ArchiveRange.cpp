#include "archives/ArchiveRange.h"

#include "families/DeviceFamily.h"
#include "protocol/Models.h"
#include "support/Dates.h"

#include <cmath>

namespace omi {

const QStringList& RangePresetTexts() {
    static const QStringList texts{
        QStringLiteral("день"),       QStringLiteral("неделя"),     QStringLiteral("раб неделя"),
        QStringLiteral("декада"),     QStringLiteral("месяц"),      QStringLiteral("пред месяц"),
        QStringLiteral("весь архив"), QStringLiteral("все записи"),
    };
    return texts;
}

bool ArchiveDepth(int type, int* dailyDays, int* hourlyDays) {
    const DeviceFamily* family = FamilyFor(type);
    if (!family || !family->archive) return false;
    if (dailyDays) *dailyDays = family->dailyDepthDays;
    if (hourlyDays) *hourlyDays = family->hourlyDepthDays;
    return true;
}

namespace {

// Kinds 2 and 3 (hourly cumulative and difference) are served by the hourly list.
bool isHourlyKind(int kind) { return kind == 2 || kind == 3; }

QDate startOfWeek(const QDate& d) { return d.addDays(1 - d.dayOfWeek()); }  // Monday

// Whole months between two days, a month counted as 30.4375 days on average.
int wholeMonthSpan(const QDate& a, const QDate& b) {
    return static_cast<int>(std::abs(static_cast<double>(a.daysTo(b))) / 30.4375);
}

}  // namespace

RangeChoice RangePreset(int item, const QDate& today, int type, int kind, const QDate& currentFirst) {
    RangeChoice c;
    c.first = currentFirst;
    c.last = today;
    switch (item) {
        case 0:
            c.first = c.last.addDays(-1);
            break;
        case 1:
            c.first = c.last.addDays(-7);
            break;
        case 2: {  // the previous Monday-to-Sunday week
            c.first = startOfWeek(c.last.addDays(-7));
            c.last = startOfWeek(c.last).addDays(-1);
            break;
        }
        case 3:
            c.first = c.last.addDays(-10);
            break;
        case 4:
            c.first = c.last.addDays(-27);
            while (wholeMonthSpan(c.last, c.first) < 1) c.first = c.first.addDays(-1);
            break;
        case 5: {
            c.last = QDate(today.year(), today.month(), 1).addDays(-1);
            c.first = QDate(c.last.year(), c.last.month(), 1);
            break;
        }
        case 6: {
            int daily = 0, hourly = 0;
            if (ArchiveDepth(type, &daily, &hourly))
                c.first = isHourlyKind(kind) ? c.last.addDays(-hourly - 1) : c.last.addDays(-daily);
            else
                c.statusError = kTypeMismatch;
            // Families 225, 227 and 228 read with this tolerance; the others set
            // their own at the start of a read.
            c.tolerance = static_cast<int>(std::lround(static_cast<double>(DayNumber(today)) * 24.0));
            break;
        }
        case 7:
            c.allRecords = true;
            break;
        default:
            c.message = QStringLiteral("TFomi.RGdtpClick:RGdtp.ItemIndex erundec: ") + QString::number(item);
            break;
    }
    return c;
}

void ArchiveReadingState::ApplyPreset(const RangeChoice& choice) {
    first = choice.first;
    last = choice.last;
    tolerance = choice.tolerance;
    allRecords = choice.allRecords;
}

void ArchiveReadingState::DatesEdited() {
    tolerance = kNormalTolerance;
    allRecords = false;
}

void ArchiveReadingState::SetDates(QDate firstDay, const QDate& lastDay) {
    if (lastDay < firstDay) firstDay = lastDay;
    first = firstDay;
    last = lastDay;
}

}  // namespace omi
