#include "SimOneSystem.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SimDevice.h"
#include "SimMetering.h"

namespace omi::simone {

namespace {

constexpr double kYearHours = 8766.0;
constexpr double kSeasonRate = 2.0 * std::numbers::pi / kYearHours;
constexpr long long kMidJanuary = 15 * 24;  // hour index of 2000-01-15 00:00: the coldest time of the year

std::uint64_t mix(std::uint64_t x) {
    // splitmix64 finaliser: every input bit reaches every output bit.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double hourValue(const QDateTime& t) {
    const QTime time = t.time();
    return static_cast<double>(simmeter::HourIndex(t)) + time.minute() / 60.0 + time.second() / 3600.0;
}

double season(double x) { return std::cos(kSeasonRate * (x - kMidJanuary)); }

// A cumulative meter: its value at installation, its mean rise per hour and
// how much of the rise follows the season (0..1, largest in January).
struct Meter {
    double start;
    double rate;
    double season;
};
enum MeterIndex { kHeatMeter, kV1Meter, kV2Meter, kHotMeter, kV3Meter, kMeters };
constexpr Meter kMeterModel[kMeters] = {
    {150.5, 0.12, 0.8},  // heat, Гкал
    {5200, 4.0, 0.25},   // supply flow
    {5100, 3.9, 0.25},   // return flow
    {850, 0.35, 0.1},    // hot water
    {420, 0.2, 0.1},     // further flow meter
};

// Temperatures: mean, swing over the year (highest in January), noise.
struct Temperature {
    double mean;
    double season;
    double noise;
};
enum TemperatureIndex { kSupply, kReturn, kHot };
constexpr Temperature kTemperatureModel[3] = {{75, 12, 1.2}, {50, 6, 1.2}, {60, 0, 2.5}};

// Noise channels (meters first).
enum Channel { kT1Channel = kMeters, kT2Channel, kHotChannel, kErrorCode, kErrorMinutes, kChannels };

// Error hours and hours with the hot water below its limit: an hour k
// (counted from installation) carries the event when (k + phase) is a
// multiple of every.
struct Event {
    int every;
    int phase;
};
constexpr Event kErrorEvent{211, 31};
constexpr Event kLimitEvent{97, 40};
constexpr double kReducedPerHour = 0.15;  // м3 counted in an hour below the limit
constexpr double kReducedStart = 3.5;

// Electric energy: the day tariff from 07:00 to 23:00.
constexpr double kDayRate = 2.4, kNightRate = 1.1;
constexpr double kEnergyStart1 = 52000, kEnergyStart2 = 21000;

// Day-tariff hours from hour value 0 up to x.
double dayHoursUpTo(double x) {
    const double day = std::floor(x / 24);
    return day * 16 + std::clamp(x - day * 24 - 7, 0.0, 16.0);
}

long long eventsUpTo(const Event& e, long long installed, long long hour) {
    const long long k = hour - installed;
    return k < 0 ? 0 : (k + e.phase) / e.every;
}

bool happens(const Event& e, long long installed, long long hour) {
    return simmeter::FloorMod(hour - installed + e.phase, e.every) == 0;
}

}  // namespace

Metering::Metering(int type, int serial, long long installed)
    : seed_(mix(static_cast<std::uint64_t>(type) << 16 | static_cast<std::uint16_t>(serial))), installed_(installed) {}

double Metering::noise(int channel, long long key) const {
    const std::uint64_t h =
        mix(seed_ ^ mix(static_cast<std::uint64_t>(key) * kChannels + static_cast<std::uint64_t>(channel)));
    return static_cast<double>(h >> 11) / 4503599627370496.0 - 1.0;  // 2^52: 0..2 - 1
}

// The integral of the seasonal rise since installation plus a wiggle small
// enough to keep the reading rising.
double Metering::reading(int meter, double x) const {
    const Meter& m = kMeterModel[meter];
    const auto smooth = [&](double at) {
        return at + m.season / kSeasonRate * std::sin(kSeasonRate * (at - kMidJanuary));
    };
    const double base = m.start + m.rate * (smooth(x) - smooth(static_cast<double>(installed_)));
    const double whole = std::floor(x);
    const double f = x - whole;
    const auto i = static_cast<long long>(whole);
    const double wiggle = noise(meter, i) * (1 - f) + noise(meter, i + 1) * f;
    return base + wiggle * 0.2 * m.rate * (1 - m.season);
}

double Metering::temperature(int which, double x, long long key, bool diurnal) const {
    const Temperature& t = kTemperatureModel[which];
    const double day = diurnal && which != kHot ? 0.8 * std::cos(2 * std::numbers::pi * (x - 6) / 24) : 0.0;
    return t.mean + t.season * season(x) + t.noise * noise(kT1Channel + which, key) + day;
}

bool Metering::errorHour(long long hour) const { return happens(kErrorEvent, installed_, hour); }

long long Metering::errorHoursUpTo(long long hour) const { return eventsUpTo(kErrorEvent, installed_, hour); }

double Metering::energy(int tariff, double x) const {
    const double from = static_cast<double>(installed_);
    const double day = dayHoursUpTo(x) - dayHoursUpTo(from);
    return tariff == 1 ? kEnergyStart1 + kDayRate * day : kEnergyStart2 + kNightRate * ((x - from) - day);
}

double Metering::reducedVolume(double x) const {
    return kReducedStart + kReducedPerHour * static_cast<double>(eventsUpTo(kLimitEvent, installed_,
                                                                            static_cast<long long>(std::floor(x))));
}

PeriodValues Metering::Period(long long end, int hours) const {
    PeriodValues v;
    const double x = static_cast<double>(end);
    const double middle = x - hours / 2.0;
    const long long key = end * 32 + hours;
    v.heat = reading(kHeatMeter, x);
    v.v1 = reading(kV1Meter, x);
    v.v2 = reading(kV2Meter, x);
    v.vHot = reading(kHotMeter, x);
    v.v3 = reading(kV3Meter, x);
    v.vReduced = reducedVolume(x);
    v.energy1 = energy(1, x);
    v.energy2 = energy(2, x);
    const bool diurnal = hours == 1;
    v.t1 = temperature(kSupply, middle, key, diurnal);
    v.t2 = temperature(kReturn, middle, key, diurnal);
    v.tHot = temperature(kHot, middle, key, diurnal);
    for (long long h = end - hours + 1; h <= end; ++h) {
        if (!errorHour(h)) continue;
        v.error |= noise(kErrorCode, h) > 0 ? 2 : 8;
        v.errMinutes += 5 + static_cast<int>((noise(kErrorMinutes, h) + 1) * 25);
        ++v.errHours;
    }
    v.work = static_cast<std::int32_t>(end - installed_);
    v.workErr = static_cast<std::int32_t>(errorHoursUpTo(end));
    v.day = static_cast<int>((end - simmeter::FloorMod(end, 24)) / 24);
    v.hour = static_cast<int>(simmeter::FloorMod(end, 24));
    return v;
}

StateValues Metering::State(const QDateTime& t, int n) const {
    StateValues s;
    const double x = hourValue(t) + n / 3600.0;
    const long long key = 1'000'000'000 + n;
    s.heat = reading(kHeatMeter, x);
    s.v1 = reading(kV1Meter, x);
    s.v2 = reading(kV2Meter, x);
    s.vHot = reading(kHotMeter, x);
    s.v3 = reading(kV3Meter, x);
    s.vReduced = reducedVolume(x);
    s.energy1 = energy(1, x);
    s.energy2 = energy(2, x);
    s.t1 = temperature(kSupply, x, key, true);
    s.t2 = temperature(kReturn, x, key, true);
    s.tHot = temperature(kHot, x, key, true);
    s.error = n % 29 == 28 ? 2 : 0;
    return s;
}

std::uint16_t HundredthsWord(double celsius) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(celsius * 100), 0L, 65535L));
}

Frame AnswerOfLength(const SimDevice& device, int command, const Frame& frame) {
    return device.MakeAnswer(command, Frame(frame.begin() + 5, frame.end() - 1));
}

std::optional<RecordRequest> ParseRecordRequest(const Frame& request) {
    if (request.size() != static_cast<std::size_t>(kMinFrame + 2)) return std::nullopt;
    return RecordRequest{(request[6] & 0x80) != 0, request[5] | (request[6] & 0x7F) << 8};
}

Frame NumbersData(int hourly, int daily, bool trailingZero) {
    const int h = std::clamp(hourly, 0, 65535);
    Frame data{static_cast<std::uint8_t>(h & 0xFF), static_cast<std::uint8_t>(h >> 8),
               static_cast<std::uint8_t>(std::clamp(daily, 0, 255))};
    if (trailingZero) data.push_back(0);
    return data;
}

}  // namespace omi::simone
