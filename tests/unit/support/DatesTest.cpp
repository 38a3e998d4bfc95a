#include "support/Dates.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <limits>

namespace omi {
namespace {

TEST(Dates, DayNumbersAndDateValues) {
    const struct {
        QDate date;
        int day;
    } cases[] = {
        {QDate(1999, 12, 31), 0},
        {QDate(2000, 1, 1), 1},
        {QDate(2000, 3, 1), 61},  // 2000 is a leap year
        {QDate(2026, 3, 7), 9563},
        {QDate(1899, 12, 30), kEmptyDayNumber},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayNumber(c.date), c.day) << c.date.toString().toStdString();
        EXPECT_EQ(DateOfDayNumber(c.day), c.date);
        EXPECT_EQ(DateValue(c.date), c.day + 36525.0);
        EXPECT_EQ(DateOfDateValue(DateValueOfDay(c.day)), c.date);
    }
    EXPECT_EQ(DateValueOfDay(kEmptyDayNumber), 0);

    const QDateTime morning(QDate(2026, 3, 7), QTime(6, 0));
    EXPECT_DOUBLE_EQ(DateTimeValue(morning), 46088.25);
    EXPECT_EQ(DateTimeOfValue(46088.25), morning);
    // Before day 0 the fraction is still the time of day.
    EXPECT_EQ(DateTimeOfValue(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_DOUBLE_EQ(DateTimeValue(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_FALSE(DateOfDateValue(std::numeric_limits<double>::quiet_NaN()).isValid());
}

TEST(Dates, RussianTextsWhateverTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 3));
    EXPECT_EQ(ShortDateText(t.date()), QStringLiteral("07.03.2026"));
    EXPECT_EQ(LongDateText(t.date()), QStringLiteral("07 марта 2026"));
    EXPECT_EQ(LongDateText(QDate(2000, 5, 1)), QStringLiteral("01 мая 2000"));
    EXPECT_EQ(LongDateText(QDate(1999, 12, 31)), QStringLiteral("31 декабря 1999"));
    EXPECT_EQ(TimeText(t.time()), QStringLiteral("09:05:03"));
    EXPECT_EQ(DateTimeText(t), QStringLiteral("07.03.2026 09:05:03"));
    EXPECT_EQ(ShortDateText(QDate()), QString());

    const struct {
        const char* format;
        const char* expected;
    } formats[] = {
        {"dd\".\"mm\".\"yy", "07.03.26"},
        {"dd/mm/yyyy hh:nn:ss", "07.03.2026 09:05:03"},
        {"hh:mm", "09:05"},  // minutes after an hour
        {"d mmmm yyyy 'г.'", "7 марта 2026 г."},
        {"mmmm yyyy", "март 2026"},
        {"ddd, dddd", "сб, суббота"},
        {"mmm", "мар"},
        {"ddddd|dddddd", "07.03.2026|07 марта 2026"},
        {"c|t|tt", "07.03.2026 09:05:03|09:05|09:05:03"},
        {"\"без конца", "без конца"},
    };
    for (const auto& f : formats)
        EXPECT_EQ(FormatDateTimeText(QString::fromUtf8(f.format), t), QString::fromUtf8(f.expected)) << f.format;
    QLocale::setDefault(saved);
}

TEST(Dates, ParseShortDate) {
    const struct {
        const char* text;
        QDate date;
    } cases[] = {
        {"07.03.2026", QDate(2026, 3, 7)}, {" 7.3.26 ", QDate(2026, 3, 7)}, {"31.02.2026", QDate()},
        {"07.03", QDate()},                {"aa.bb.cccc", QDate()},        {"07.03.202", QDate()},
        {"07.3.-026", QDate()},            {"+7.03.2026", QDate()},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseShortDate(QString::fromUtf8(c.text)), c.date) << c.text;
}

}  // namespace
}  // namespace omi
