#pragma once
// Day numbers and date values, and Russian date and time texts that do not
// depend on the system locale.
//
// Day number: days since 1999-12-31 (day 1 is 2000-01-01), as the calculators
// keep their archive dates. Date value: days since 1899-12-30 with the time of
// day as the fraction; date value = day number + 36525.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace omi {

inline constexpr int kDateValueOffset = 36525;
// The day number of an empty archive record (date value 0, 1899-12-30).
inline constexpr int kEmptyDayNumber = -kDateValueOffset;

int DayNumber(const QDate& date);  // 0 for an invalid date
QDate DateOfDayNumber(int day);

inline int DateValueOfDay(int day) { return day + kDateValueOffset; }
double DateValue(const QDate& date);
double DateTimeValue(const QDateTime& dateTime);
// Date of the whole days of a date value (the fraction is the time of day,
// also for values before 1899-12-30).
QDate DateOfDateValue(double value);
QDateTime DateTimeOfValue(double value);

// Month 1..12: "январь".. and "января"..; empty outside 1..12.
QString MonthName(int month);
QString MonthNameGenitive(int month);

QString ShortDateText(const QDate& date);            // "07.03.2026"
QString LongDateText(const QDate& date);             // "07 марта 2026"
QString TimeText(const QTime& time);                 // "09:05:03"
QString DateTimeText(const QDateTime& dateTime);     // "07.03.2026 09:05:03"
// "d.M.yyyy" or "d.M.yy" (years 2000..2099); an invalid date when the text is not one.
QDate ParseShortDate(const QString& text);

// A date written with a user-editable date format of the classic kind:
//   d dd ddd dddd  day, two-digit day, short and long weekday name
//   ddddd dddddd   short date, long date
//   m mm           month (minutes right after an hour)
//   mmm mmmm       short and long month name (genitive after a day)
//   yy yyyy        year
//   h hh  n nn  s ss  z zzz   hour, minute, second, millisecond
//   c              short date and, when not midnight, the time
//   t tt           "09:05", "09:05:03"
//   / :            "." and ":"
//   "..." '...'    literal text; any other character is itself.
QString FormatDateTimeText(const QString& format, const QDateTime& dateTime);

}  // namespace omi
