#pragma once
// The read plan (Tia) of an archive ring. The device keeps each archive as a
// ring of records numbered from 0 and reports the position written last; it
// is not asked for dates. The plan gives every ring position, newest first,
// the date it should carry counting back from today (daily) or from the
// current hour (hourly), and the request bytes that ask for it.

#include <QDate>
#include <QDateTime>

#include <array>
#include <cstdint>
#include <vector>

namespace omi {

// The two data bytes of an archive record request for ring position n.
using RequestBytes = std::array<std::uint8_t, 2>;
using RequestBytesRule = RequestBytes (*)(int position);

// Family 234/235: daily [n mod 256][(n div 256) + 128] (bit 7 of the second
// byte selects the daily archive), hourly [n mod 256][n div 256].
RequestBytes DailyRequestBytes234(int position);
RequestBytes HourlyRequestBytes234(int position);

// What two request data bytes of that form ask for: the inverse of the two
// rules above (a device reads the position from 15 bits).
struct RequestedRecord {
    bool daily = false;
    int position = 0;
};
RequestedRecord RequestedRecord234(RequestBytes bytes);

struct PlanEntry {
    RequestBytes request{};
    int day = 0;       // day number, days since 1999-12-31
    int hour = 0;      // 0..23; 0 in a daily plan
    int position = 0;  // the ring position the request bytes stand for
};
// One entry per ring position, newest first.
using Tia = std::vector<PlanEntry>;

// current: the 0-based position written last, or -1: the whole ring with the
// top position as the newest. A value outside -1..top is taken as -1 (the
// caller tests the ring first; a plan never names a position off the ring).
// top: the highest ring position (365 for a 366-position ring).
Tia BuildDailyPlan(int current, int top, const QDate& today, RequestBytesRule bytes);
// Entry 0 is dated the hour of now; each next entry one hour older.
Tia BuildHourlyPlan(int current, int top, const QDateTime& now, RequestBytesRule bytes);

}  // namespace omi
