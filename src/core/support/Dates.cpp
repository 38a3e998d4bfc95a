#include "support/Dates.h"

#include <QStringList>

#include <cmath>

namespace omi {

namespace {

const QDate kDayZero(1999, 12, 31);
const QDate kValueZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

const char16_t* const kMonths[] = {u"январь", u"февраль", u"март",     u"апрель",  u"май",    u"июнь",
                                   u"июль",   u"август",  u"сентябрь", u"октябрь", u"ноябрь", u"декабрь"};
const char16_t* const kMonthsGenitive[] = {u"января", u"февраля", u"марта",    u"апреля",  u"мая",    u"июня",
                                           u"июля",   u"августа", u"сентября", u"октября", u"ноября", u"декабря"};
const char16_t* const kMonthsShort[] = {u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                                        u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
// Monday first, as QDate::dayOfWeek counts.
const char16_t* const kWeekdays[] = {u"понедельник", u"вторник", u"среда",      u"четверг",
                                     u"пятница",     u"суббота", u"воскресенье"};
const char16_t* const kWeekdaysShort[] = {u"пн", u"вт", u"ср", u"чт", u"пт", u"сб", u"вс"};

QString Two(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

QString Year4(int y) { return y < 0 ? QString::number(y) : QString::number(y).rightJustified(4, QLatin1Char('0')); }

}  // namespace

int DayNumber(const QDate& date) { return date.isValid() ? static_cast<int>(kDayZero.daysTo(date)) : 0; }

QDate DateOfDayNumber(int day) { return kDayZero.addDays(day); }

double DateValue(const QDate& date) { return DayNumber(date) + kDateValueOffset; }

double DateTimeValue(const QDateTime& dateTime) {
    const double days = DateValue(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / kMsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

QDate DateOfDateValue(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1e9) return {};
    return kValueZero.addDays(static_cast<qint64>(std::trunc(value)));
}

QDateTime DateTimeOfValue(double value) {
    const QDate date = DateOfDateValue(value);
    if (!date.isValid()) return {};
    const double fraction = std::fabs(value - std::trunc(value));
    const int ms = std::min(static_cast<int>(std::lround(fraction * kMsPerDay)), 86399999);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
}

QString MonthName(int month) { return month >= 1 && month <= 12 ? QString::fromUtf16(kMonths[month - 1]) : QString(); }

QString MonthNameGenitive(int month) {
    return month >= 1 && month <= 12 ? QString::fromUtf16(kMonthsGenitive[month - 1]) : QString();
}

QString ShortDateText(const QDate& date) {
    if (!date.isValid()) return {};
    return Two(date.day()) + QLatin1Char('.') + Two(date.month()) + QLatin1Char('.') + Year4(date.year());
}

QString LongDateText(const QDate& date) {
    if (!date.isValid()) return {};
    return Two(date.day()) + QLatin1Char(' ') + MonthNameGenitive(date.month()) + QLatin1Char(' ') + Year4(date.year());
}

QString TimeText(const QTime& time) {
    if (!time.isValid()) return {};
    return Two(time.hour()) + QLatin1Char(':') + Two(time.minute()) + QLatin1Char(':') + Two(time.second());
}

QString DateTimeText(const QDateTime& dateTime) {
    if (!dateTime.isValid()) return {};
    return ShortDateText(dateTime.date()) + QLatin1Char(' ') + TimeText(dateTime.time());
}

QDate ParseShortDate(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 3) return {};
    // Digits only: a sign ("-026") would read as a year before our era.
    for (const QString& part : parts)
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return {};
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts[0].toInt(&okDay);
    const int month = parts[1].toInt(&okMonth);
    int year = parts[2].toInt(&okYear);
    if (!okDay || !okMonth || !okYear || parts[0].size() > 2 || parts[1].size() > 2) return {};
    if (parts[2].size() == 2) year += 2000;
    else if (parts[2].size() != 4) return {};
    return QDate(year, month, day);
}

QString FormatDateTimeText(const QString& format, const QDateTime& dateTime) {
    const QDate date = dateTime.date();
    const QTime time = dateTime.time().isValid() ? dateTime.time() : QTime(0, 0);
    QString out;
    bool afterHour = false;  // an "m" right after an hour is minutes
    bool sawDay = false;     // a month name after a day is genitive
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype close = format.indexOf(c, i + 1);
            if (close < 0) close = n;
            out += format.mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        const QChar lower = c.toLower();
        qsizetype k = 1;
        while (i + k < n && format[i + k].toLower() == lower) ++k;
        const char16_t letter = lower.unicode();
        const bool isToken = letter == u'd' || letter == u'm' || letter == u'y' || letter == u'h' || letter == u'n' ||
                             letter == u's' || letter == u'z' || letter == u'c' || letter == u't';
        if (!isToken) {
            if (c == QLatin1Char('/')) out += QLatin1Char('.');
            else out += c;
            ++i;
            continue;
        }
        switch (letter) {
        case u'd':
            if (k == 1) out += QString::number(date.day());
            else if (k == 2) out += Two(date.day());
            else if (k == 3) out += date.isValid() ? QString::fromUtf16(kWeekdaysShort[date.dayOfWeek() - 1]) : QString();
            else if (k == 4) out += date.isValid() ? QString::fromUtf16(kWeekdays[date.dayOfWeek() - 1]) : QString();
            else if (k == 5) out += ShortDateText(date);
            else out += LongDateText(date);
            sawDay = sawDay || k <= 2;
            break;
        case u'm':
            if (afterHour && k <= 2) {
                out += k == 1 ? QString::number(time.minute()) : Two(time.minute());
            } else if (k == 1) {
                out += QString::number(date.month());
            } else if (k == 2) {
                out += Two(date.month());
            } else if (date.isValid()) {
                out += k == 3 ? QString::fromUtf16(kMonthsShort[date.month() - 1])
                              : (sawDay ? MonthNameGenitive(date.month()) : MonthName(date.month()));
            }
            break;
        case u'y': out += k <= 2 ? Two(((date.year() % 100) + 100) % 100) : Year4(date.year()); break;
        case u'h': out += k == 1 ? QString::number(time.hour()) : Two(time.hour()); break;
        case u'n': out += k == 1 ? QString::number(time.minute()) : Two(time.minute()); break;
        case u's': out += k == 1 ? QString::number(time.second()) : Two(time.second()); break;
        case u'z': out += k < 3 ? QString::number(time.msec()) : QString::number(time.msec()).rightJustified(3, QLatin1Char('0')); break;
        case u'c':
            out += ShortDateText(date);
            if (time.msecsSinceStartOfDay() != 0) out += QLatin1Char(' ') + TimeText(time);
            break;
        case u't': out += k == 1 ? TimeText(time).left(5) : TimeText(time); break;
        default: break;
        }
        afterHour = letter == u'h';
        i += k;
    }
    return out;
}

}  // namespace omi
