#pragma once
// What the simulated two-system calculators (families 234/235, 229/230, 228)
// have in common: the device clock with its daily and hourly archive rings,
// and a made-up but consistent metering that is a function of time only.
// Each family maps the values onto its own frames and records.
//
// Rings: the position written last holds the record of today (written at
// 00:00) or of the current hour; each position before it one day or one hour
// earlier, wrapping round the ring, so the position right after the last
// written one holds the oldest record. A last-written position outside its
// ring (-1 included) is kept as it is and the ring is then laid out with its
// top position holding the newest record. With the computer's clock the device
// keeps writing: each new hour and each new day moves the last-written
// positions on.
//
// Metering: cumulative heat and volumes rise with time (faster in winter),
// period values are the rise of the cumulative values over the period,
// operating time counts the hours since the device was installed (800 days
// before it was switched on), and a few hours carry error codes and
// fatal-error minutes. Everything is seeded from the type and serial number,
// so equal options give equal answers. Temperatures keep to t1 70..95, t2
// 40..60, t3 5..15 °C, pressures to 0.3..0.6 МПа. A one-system device leaves
// the values of system 2 at 0.

#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "SimDevice.h"

namespace omi::simmeter {

// Hours since 1999-12-31 00:00: day number × 24 + hour.
long long HourIndex(const QDateTime& t);
long long FloorMod(long long a, long long m);

class Rings {
public:
    // defaultDaily / defaultHourly: the last-written positions when the
    // settings do not give them.
    Rings(const SimSettings& settings, int dailySize, int hourlySize, int defaultDaily, int defaultHourly);

    QDateTime Now() const;
    long long StartHour() const { return startHour_; }

    // The last-written positions as the device reports them (0-based); a
    // position outside the ring stays as it was set.
    int DailyCurrent(const QDateTime& t) const;
    int HourlyCurrent(const QDateTime& t) const;

    // The period of the record at a ring position now: it was written at the
    // end of hour index `end` over the `hours` before (24 for a daily record,
    // written at 00:00 of its day). Nothing for a position off the ring.
    struct Period {
        long long end;
        int hours;
    };
    std::optional<Period> RecordPeriod(bool daily, int position) const;

private:
    std::function<QDateTime()> clock_;
    int dailySize_;
    int hourlySize_;
    int dailyStart_;
    int hourlyStart_;
    long long startHour_ = 0;
    int startDay_ = 0;
};

// One heat system over one archive period.
struct SystemPeriod {
    double heat = 0, v1 = 0, v2 = 0, v3 = 0;  // cumulative at the end
    double periodHeat = 0, periodV1 = 0, periodV2 = 0, periodV3 = 0;
    double t1 = 0, t2 = 0, t3 = 0;
    double p1 = 0, p2 = 0;       // МПа
    std::int32_t workErr = 0;    // hours with a fatal error since installation
    std::int32_t fatal = 0;      // minutes in the period
    std::int32_t smallFlow = 0;  // minutes
    std::int32_t smallDt = 0;    // minutes
    double eSmallFlow = 0, eSmallDt = 0;
    std::int32_t systemError = 0;
};

struct PeriodValues {
    std::array<SystemPeriod, 2> systems{};
    std::int32_t work = 0;        // hours since installation (common)
    std::int32_t periodWork = 0;  // minutes without fatal error (common)
    std::int32_t deviceError = 0;
    int day = 0;   // day number of the end of the period
    int hour = 0;  // its hour
};

struct SystemState {
    double heat = 0, v1 = 0, v2 = 0, v3 = 0;
    double g1 = 0, g2 = 0, g3 = 0;  // м3/час
    double t1 = 0, t2 = 0, t3 = 0;
    double p1 = 0, p2 = 0;  // МПа
    std::int32_t systemError = 0;
};

class Metering {
public:
    // installed: hour index at which the device was installed.
    Metering(int type, int serial, int systems, long long installed);

    // The values of the record written at the end of hour index `end` over
    // the preceding `hours` hours.
    PeriodValues Period(long long end, int hours) const;
    // The state at time t for the n-th state request (0 first): one second of
    // device time per request, so the counters visibly move even when the
    // clock stands still; now and then the flow of the last system drops
    // below its minimum (system error 16).
    std::array<SystemState, 2> State(const QDateTime& t, int n) const;

    int Systems() const { return systems_; }

private:
    int systems_;
    std::uint64_t seed_;
    long long installed_;
};

// The hour index of installation of a device made at startHour.
long long InstalledHour(long long startHour);

}  // namespace omi::simmeter
