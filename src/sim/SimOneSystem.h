#pragma once
// The made-up metering of the simulated one-system calculators (families 227
// and 225): one heat system with supply and return flow meters, a hot-water
// meter and a further flow meter, supply, return and hot-water temperatures,
// electric energy on a day tariff (07:00 to 23:00) and a night tariff, and
// the hot-water volume counted while the hot-water temperature was below its
// limit. A function of time only, seeded from the type and serial number, so
// records already written never change and equal options give equal answers.
//
// Cumulative values rise with time (heat and flows faster in winter);
// temperatures keep to supply 60..90, return 42..58, hot water 55..65 °C.
// About one hour in 211 carries an error (code 2: a temperature sensor out of
// range, or 8: the temperature measurement failed) for 5..55 minutes; the
// operating time with errors counts those hours since installation.

#include "protocol/Frame.h"

#include <QDateTime>

#include <cstdint>
#include <optional>

namespace omi {
class SimDevice;
}

namespace omi::simone {

struct PeriodValues {
    double heat = 0, v1 = 0, v2 = 0, vHot = 0, v3 = 0;  // cumulative at the end, Гкал and м3
    double vReduced = 0;                                // cumulative, м3
    double energy1 = 0, energy2 = 0;                    // cumulative, day and night tariff
    double t1 = 0, t2 = 0, tHot = 0;                    // °C over the period
    std::int32_t work = 0;     // hours since installation
    std::int32_t workErr = 0;  // hours of them with an error
    std::int32_t error = 0;    // error bits of the period
    std::int32_t errMinutes = 0;  // minutes of the period with an error
    std::int32_t errHours = 0;    // hours of the period with an error
    int day = 0;   // day number of the end of the period
    int hour = 0;  // its hour
};

struct StateValues {
    double heat = 0, v1 = 0, v2 = 0, vHot = 0, v3 = 0, vReduced = 0;
    double energy1 = 0, energy2 = 0;
    double t1 = 0, t2 = 0, tHot = 0;
    std::int32_t error = 0;
};

class Metering {
public:
    // installed: hour index (hours since 1999-12-31 00:00) of installation.
    Metering(int type, int serial, long long installed);

    // The record written at the end of hour index `end` over the preceding
    // `hours` hours.
    PeriodValues Period(long long end, int hours) const;
    // The state at time t for the n-th state request (0 first): one second of
    // device time per request, so the counters move even when the clock
    // stands still; now and then (every 29th request) error code 2.
    StateValues State(const QDateTime& t, int n) const;

private:
    double noise(int channel, long long key) const;
    double reading(int meter, double x) const;
    double temperature(int which, double x, long long key, bool diurnal) const;
    bool errorHour(long long hour) const;
    long long errorHoursUpTo(long long hour) const;
    double energy(int tariff, double x) const;
    double reducedVolume(double x) const;

    std::uint64_t seed_;
    long long installed_;
};

// A temperature as the device's hundredths word (0..65535).
std::uint16_t HundredthsWord(double celsius);

// --- what the frames of the two families share ---

// The answer to a command from a frame of the answer's whole length that the
// caller filled at frame offsets; its length, address and check byte are set
// here.
Frame AnswerOfLength(const SimDevice& device, int command, const Frame& frame);

// An archive record request: the position, low byte first; bit 7 of the
// second byte set for the daily ring. Nothing when the request does not carry
// exactly 2 data bytes.
struct RecordRequest {
    bool daily;
    int position;
};
std::optional<RecordRequest> ParseRecordRequest(const Frame& request);

// The data of the command 21 answer: the hourly number as a word, the daily
// number as a byte (each a 1-based last-written position; a value that does
// not fit is reported as 0 or as the largest value of its field), and, when
// asked, a 0 byte after them.
Frame NumbersData(int hourly, int daily, bool trailingZero);

}  // namespace omi::simone
