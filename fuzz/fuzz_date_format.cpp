// Date texts with user-editable date formats (FormatDateTimeText), for any
// date and time, invalid ones and those far outside the archive years
// included; and the conversions that take dates from outside data: date
// values (reals, NaN and infinities included), day numbers of archive
// records, short date texts typed by the user.
//
// Input: mode byte (1: the moment is a date value, else year, month, day,
// hour, minute, second, millisecond fields), the 8 bytes of a date value or
// the fields (year 2 bytes signed, month, day, hour, minute, second bytes,
// millisecond 2 bytes), a day number (4 bytes), then the format text (UTF-8).

#include "FuzzSupport.h"

#include "support/Dates.h"

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int mode = in.Byte();
    QDateTime moment;
    double value = 0;
    if (mode & 1) {
        value = in.Real();
        moment = DateTimeOfValue(value);
        const QDate date = DateOfDateValue(value);
        OMI_FUZZ_CHECK(date == moment.date());
        if (date.isValid()) {
            OMI_FUZZ_CHECK(moment.isValid());
            (void)DateTimeValue(moment);
        }
    } else {
        const int year = static_cast<std::int16_t>(in.Word());
        const int month = in.Byte();
        const int day = in.Byte();
        const int hour = in.Byte();
        const int minute = in.Byte();
        const int second = in.Byte();
        const int ms = in.Word();
        moment = QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms));
    }
    const auto dayNumber = static_cast<std::int32_t>(in.Quad() & 0xFFFFFFFFu);
    const QString format = QString::fromUtf8(in.Rest());

    const QString text = FormatDateTimeText(format, moment);
    // The longest piece is a long date with a weekday-free month name; every
    // format character gives at most one piece.
    OMI_FUZZ_CHECK(text.size() <= 64 * (format.size() + 1));
    (void)DateTimeText(moment);
    (void)LongDateText(moment.date());

    const QDate fromDay = DateOfDayNumber(dayNumber);
    if (fromDay.isValid()) OMI_FUZZ_CHECK(DayNumber(fromDay) == dayNumber);
    (void)ShortDateText(fromDay);

    const QDate parsed = ParseShortDate(format);
    if (parsed.isValid()) OMI_FUZZ_CHECK(ParseShortDate(ShortDateText(parsed)) == parsed);
    return 0;
}
