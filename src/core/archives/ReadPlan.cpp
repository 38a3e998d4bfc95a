#include "archives/ReadPlan.h"

#include "support/Dates.h"

namespace omi {

RequestBytes DailyRequestBytes234(int position) {
    return {static_cast<std::uint8_t>(position % 256), static_cast<std::uint8_t>(position / 256 + 128)};
}

RequestBytes HourlyRequestBytes234(int position) {
    return {static_cast<std::uint8_t>(position % 256), static_cast<std::uint8_t>(position / 256)};
}

RequestedRecord RequestedRecord234(RequestBytes bytes) {
    return {(bytes[1] & 0x80) != 0, bytes[0] | (bytes[1] & 0x7F) << 8};
}

namespace {

// Ring positions newest first: current down to 0, then top down to current + 1.
template <class Visit>
void walkRing(int current, int top, Visit visit) {
    if (current < -1 || current > top) current = -1;
    for (int n = current; n >= 0; --n) visit(n);
    for (int n = top; n > current; --n) visit(n);
}

}  // namespace

Tia BuildDailyPlan(int current, int top, const QDate& today, RequestBytesRule bytes) {
    Tia plan;
    if (top < 0) return plan;
    plan.reserve(static_cast<std::size_t>(top) + 1);
    int day = DayNumber(today);
    walkRing(current, top, [&](int n) { plan.push_back({bytes(n), day--, 0, n}); });
    return plan;
}

Tia BuildHourlyPlan(int current, int top, const QDateTime& now, RequestBytesRule bytes) {
    Tia plan;
    if (top < 0) return plan;
    plan.reserve(static_cast<std::size_t>(top) + 1);
    int day = DayNumber(now.date());
    int hour = now.isValid() ? now.time().hour() : 0;
    walkRing(current, top, [&](int n) {
        plan.push_back({bytes(n), day, hour, n});
        if (--hour < 0) {
            hour = 23;
            --day;
        }
    });
    return plan;
}

}  // namespace omi
