#include "SimMetering.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/Dates.h"

namespace omi::simmeter {

long long HourIndex(const QDateTime& t) { return static_cast<long long>(DayNumber(t.date())) * 24 + t.time().hour(); }

long long FloorMod(long long a, long long m) { return ((a % m) + m) % m; }

namespace {

constexpr double kYearHours = 8766.0;
constexpr double kSeasonRate = 2.0 * std::numbers::pi / kYearHours;
constexpr long long kMidJanuary = 15 * 24;  // hour index of 2000-01-15 00:00: the coldest time of the year
constexpr long long kInstalledHoursBefore = 800 * 24;

double hourValue(const QDateTime& t) {
    const QTime time = t.time();
    return static_cast<double>(HourIndex(t)) + time.minute() / 60.0 + time.second() / 3600.0;
}

std::uint64_t mix(std::uint64_t x) {
    // splitmix64 finaliser: every input bit reaches every output bit.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double season(double x) { return std::cos(kSeasonRate * (x - kMidJanuary)); }

double flowRate(const Meter& m, double x) { return m.rate * (1 + m.season * season(x)); }

// How many days or hours before the newest record position n was written; a
// last-written position outside the ring counts as -1.
int age(int current, int position, int size) {
    if (current < 0 || current >= size) current = -1;
    return static_cast<int>(FloorMod(current - position, size));
}

}  // namespace

// --- rings ---

Rings::Rings(const SimSettings& settings, int dailySize, int hourlySize, int defaultDaily, int defaultHourly)
    : clock_(settings.clock),
      dailySize_(dailySize),
      hourlySize_(hourlySize),
      dailyStart_(settings.dailyCurrent.value_or(defaultDaily)),
      hourlyStart_(settings.hourlyCurrent.value_or(defaultHourly)) {
    const QDateTime t = Now();
    startHour_ = HourIndex(t);
    startDay_ = DayNumber(t.date());
}

QDateTime Rings::Now() const {
    return (clock_ ? clock_() : QDateTime::currentDateTime()).addMSecs(offsetMs_);
}

void Rings::SetNow(const QDateTime& t) {
    const QDateTime base = clock_ ? clock_() : QDateTime::currentDateTime();
    offsetMs_ = base.msecsTo(t);
}

int Rings::DailyCurrent(const QDateTime& t) const {
    if (dailyStart_ < 0 || dailyStart_ >= dailySize_) return dailyStart_;
    return static_cast<int>(FloorMod(dailyStart_ + DayNumber(t.date()) - startDay_, dailySize_));
}

int Rings::HourlyCurrent(const QDateTime& t) const {
    if (hourlyStart_ < 0 || hourlyStart_ >= hourlySize_) return hourlyStart_;
    return static_cast<int>(FloorMod(hourlyStart_ + HourIndex(t) - startHour_, hourlySize_));
}

std::optional<Rings::Period> Rings::RecordPeriod(bool daily, int position) const {
    const int size = daily ? dailySize_ : hourlySize_;
    if (position < 0 || position >= size) return std::nullopt;
    const QDateTime t = Now();
    if (daily) {
        const long long day = DayNumber(t.date()) - age(DailyCurrent(t), position, size);
        return Period{day * 24, 24};
    }
    return Period{HourIndex(t) - age(HourlyCurrent(t), position, size), 1};
}

// --- the two models ---

namespace {

// Noise channels of the heating model (per system).
enum HeatingChannel { kHT1 = 4, kHT2, kHT3, kHP1, kHP2, kHG, kHFatal, kHSmallFlow, kHSmallDt, kHChannels };

constexpr Event heatingError(int every, int phase) {
    return {EventKind::Error, every, phase, 2, 0, 5, 25, 0, kHFatal, 0};
}
constexpr Event smallFlow(int every, int phase) {
    return {EventKind::SmallFlow, every, phase, 16, 0, 10, 22, 0.4, kHSmallFlow, 0};
}
constexpr Event smallDt(int every, int phase) {
    return {EventKind::SmallDt, every, phase, 64, 0, 10, 22, 0.7, kHSmallDt, 0};
}

// Noise channels of the hot-water model: the five meters (heat, supply,
// return, hot water, further), the three temperatures, the error code and
// its minutes.
enum HotWaterChannel { kWT1 = 5, kWT2, kWT3, kWCode, kWMinutes, kWChannels };

}  // namespace

// Temperatures keep to t1 70..95, t2 40..60, t3 5..15 °C, pressures to
// 0.3..0.6 МПа, noise and the daily swing included; system error bits 2 (a
// temperature sensor out of range), 16 (flow below the minimum), 64 (t1 - t2
// below the norm); device error bit 4 (battery low).
const MeteringModel& HeatingModel() {
    static const MeteringModel model{
        .systems = {{
            {{{{312.5, 0.45, 0.8}, {10250, 16.0, 0.25}, {10080, 15.76, 0.25}, {420, 0.6, 0.3}, {}}},
             {{{82.5, 10, 1.2, true}, {50, 7, 1.2, true}, {10, -3.5, 1.2, false}}},
             {0.56, 0.38},
             {heatingError(307, 101), smallFlow(593, 7), smallDt(823, 400)},
             3},
            {{{{120.25, 0.18, 0.6}, {4100, 6.5, 0.2}, {4050, 6.4, 0.2}, {180, 0.25, 0.3}, {}}},
             {{{81, 8, 1.2, true}, {52, 5, 1.2, true}, {9.5, -3, 1.2, false}}},
             {0.52, 0.36},
             {heatingError(419, 33), smallFlow(661, 250), smallDt(887, 91)},
             3},
        }},
        .meterChannels = {0, 1, 2, 3, -1},
        .temperatureChannels = {kHT1, kHT2, kHT3},
        .pressureChannels = {kHP1, kHP2},
        .flowChannel = kHG,
        .channels = kHChannels,
        .systemsInKey = 2,
        .deviceEvent = {997, 11, 4},
        .tariffs = {},
        .reduced = {},
        .stateErrorEvery = 23,
        .stateErrorBits = 16,
    };
    return model;
}

// Temperatures keep to supply 60..90, return 42..58, hot water 55..65 °C.
// About one hour in 211 carries an error (code 2: a temperature sensor out of
// range, or 8: the temperature measurement failed) for 5..55 minutes; every
// 29th state request shows code 2. The day tariff runs from 07:00 to 23:00.
const MeteringModel& HotWaterModel() {
    static const MeteringModel model{
        .systems = {{
            {{{{150.5, 0.12, 0.8}, {5200, 4.0, 0.25}, {5100, 3.9, 0.25}, {420, 0.2, 0.1}, {850, 0.35, 0.1}}},
             {{{75, 12, 1.2, true}, {50, 6, 1.2, true}, {60, 0, 2.5, false}}},
             {0, 0},
             {Event{EventKind::Error, 211, 31, 2, 8, 5, 25, 0, kWMinutes, kWCode}, Event{}, Event{}},
             1},
            {},
        }},
        .meterChannels = {0, 1, 2, 4, 3},
        .temperatureChannels = {kWT1, kWT2, kWT3},
        .pressureChannels = {-1, -1},
        .flowChannel = -1,
        .channels = kWChannels,
        .systemsInKey = 1,
        .deviceEvent = {},
        .tariffs = {2.4, 1.1, 7, 23, 52000, 21000},
        .reduced = {97, 40, 0.15, 3.5},
        .stateErrorEvery = 29,
        .stateErrorBits = 2,
    };
    return model;
}

// --- metering ---

long long InstalledHour(long long startHour) { return startHour - kInstalledHoursBefore; }

Metering::Metering(const MeteringModel& model, int type, int serial, int systems, long long installed)
    : model_(model),
      systems_(std::clamp(systems, 1, 2)),
      seed_(mix(static_cast<std::uint64_t>(type) << 16 | static_cast<std::uint16_t>(serial))),
      installed_(installed) {}

// A value in -1..1, the same for the same channel, system and key.
double Metering::noise(int channel, int system, long long key) const {
    const auto perKey = static_cast<std::uint64_t>(model_.channels * model_.systemsInKey);
    const std::uint64_t h = mix(seed_ ^ mix(static_cast<std::uint64_t>(key) * perKey +
                                            static_cast<std::uint64_t>(channel * model_.systemsInKey + system)));
    return static_cast<double>(h >> 11) / 4503599627370496.0 - 1.0;  // 2^52: 0..2 - 1
}

// The meter reading at hour value x: the integral of the seasonal rise since
// installation, plus a wiggle small enough to keep it rising.
double Metering::reading(const Meter& m, int channel, int system, double x) const {
    const auto smooth = [&](double at) {
        return at + m.season / kSeasonRate * std::sin(kSeasonRate * (at - kMidJanuary));
    };
    const double base = m.start + m.rate * (smooth(x) - smooth(static_cast<double>(installed_)));
    const double whole = std::floor(x);
    const double f = x - whole;
    const auto i = static_cast<long long>(whole);
    const double wiggle = noise(channel, system, i) * (1 - f) + noise(channel, system, i + 1) * f;
    return base + wiggle * 0.2 * m.rate * (1 - m.season);
}

// A temperature at hour value x; diurnal adds the daily swing of an hour to
// the temperatures that have one.
double Metering::temperature(int which, int system, double x, long long key, bool diurnal) const {
    const Temperature& t =
        model_.systems[static_cast<std::size_t>(system)].temperatures[static_cast<std::size_t>(which)];
    const double day = diurnal && t.daily ? 0.8 * std::cos(2 * std::numbers::pi * (x - 6) / 24) : 0.0;
    return t.mean + t.season * season(x) +
           t.noise * noise(model_.temperatureChannels[static_cast<std::size_t>(which)], system, key) + day;
}

bool Metering::happens(int every, int phase, long long hour) const {
    return FloorMod(hour - installed_ + phase, every) == 0;
}

// Hours an event happened from installation up to the end of the hour.
std::int32_t Metering::eventHours(int every, int phase, long long hour) const {
    const long long k = hour - installed_;
    return static_cast<std::int32_t>(k < 0 ? 0 : (k + phase) / every);
}

// Energy of the day or the night tariff counted since installation.
double Metering::energy(bool dayTariff, double x) const {
    const Tariffs& t = model_.tariffs;
    const auto dayHoursUpTo = [&t](double at) {
        const double day = std::floor(at / 24);
        return day * (t.dayEnd - t.dayStart) + std::clamp(at - day * 24 - t.dayStart, 0.0, t.dayEnd - t.dayStart);
    };
    const double from = static_cast<double>(installed_);
    const double day = dayHoursUpTo(x) - dayHoursUpTo(from);
    return dayTariff ? t.start1 + t.dayRate * day : t.start2 + t.nightRate * ((x - from) - day);
}

Values Metering::Period(long long end, int hours) const {
    Values v;
    const long long begin = end - hours;
    const double x = static_cast<double>(end);
    const double middle = x - hours / 2.0;
    const long long key = end * 32 + hours;
    const DeviceEvent& device = model_.deviceEvent;
    for (long long h = begin + 1; device.every > 0 && h <= end; ++h) {
        if (happens(device.every, device.phase, h)) v.deviceError |= device.bits;
    }
    int errorMost = 0;
    for (int s = 0; s < systems_; ++s) {
        const SystemModel& m = model_.systems[static_cast<std::size_t>(s)];
        SystemValues& r = v.systems[static_cast<std::size_t>(s)];
        for (std::size_t k = 0; k < kMeterRoles; ++k) {
            if (m.meters[k].rate == 0) continue;
            const int channel = model_.meterChannels[k];
            r.meters[k] = reading(m.meters[k], channel, s, x);
            r.rises[k] = r.meters[k] - reading(m.meters[k], channel, s, static_cast<double>(begin));
        }
        const bool diurnal = hours == 1;
        for (int k = 0; k < 3; ++k) r.t[static_cast<std::size_t>(k)] = temperature(k, s, middle, key, diurnal);
        for (std::size_t k = 0; k < 2; ++k) {
            if (model_.pressureChannels[k] >= 0)
                r.p[k] = m.pressures[k] + 0.03 * noise(model_.pressureChannels[k], s, key);
        }

        for (long long h = begin + 1; h <= end; ++h) {
            const double heatRate = flowRate(m.meters[kHeat], static_cast<double>(h));
            for (int e = 0; e < m.eventCount; ++e) {
                const Event& event = m.events[static_cast<std::size_t>(e)];
                if (!happens(event.every, event.phase, h)) continue;
                const int minutes =
                    event.minutesBase + static_cast<int>((noise(event.minutesChannel, s, h) + 1) * event.minutesSpan);
                const bool other = event.otherBits != 0 && !(noise(event.codeChannel, s, h) > 0);
                r.systemError |= other ? event.otherBits : event.bits;
                switch (event.kind) {
                    case EventKind::Error:
                        r.errMinutes += minutes;
                        ++r.errHours;
                        break;
                    case EventKind::SmallFlow:
                        r.smallFlow += minutes;
                        r.eSmallFlow += heatRate * minutes / 60.0 * event.energyShare;
                        break;
                    case EventKind::SmallDt:
                        r.smallDt += minutes;
                        r.eSmallDt += heatRate * minutes / 60.0 * event.energyShare;
                        break;
                }
            }
        }
        errorMost = std::max(errorMost, static_cast<int>(r.errMinutes));
        for (int e = 0; e < m.eventCount; ++e) {
            const Event& event = m.events[static_cast<std::size_t>(e)];
            if (event.kind == EventKind::Error) r.workErr = eventHours(event.every, event.phase, end);
        }
    }
    const ReducedVolume& reduced = model_.reduced;
    v.vReduced = reduced.start + reduced.perHour * static_cast<double>(eventHours(reduced.every, reduced.phase, end));
    v.energy1 = energy(true, x);
    v.energy2 = energy(false, x);
    v.work = static_cast<std::int32_t>(end - installed_);
    v.periodWork = hours * 60 - errorMost;
    v.day = static_cast<int>((end - FloorMod(end, 24)) / 24);
    v.hour = static_cast<int>(FloorMod(end, 24));
    return v;
}

Values Metering::State(const QDateTime& t, int n) const {
    Values v;
    const double x = hourValue(t) + n / 3600.0;
    const long long key = 1'000'000'000 + n;
    for (int s = 0; s < systems_; ++s) {
        const SystemModel& m = model_.systems[static_cast<std::size_t>(s)];
        SystemValues& r = v.systems[static_cast<std::size_t>(s)];
        for (std::size_t k = 0; k < kMeterRoles; ++k) {
            if (m.meters[k].rate != 0) r.meters[k] = reading(m.meters[k], model_.meterChannels[k], s, x);
        }
        if (model_.flowChannel >= 0) {
            const int g = model_.flowChannel;
            r.g[0] = flowRate(m.meters[kV1], x) * (1 + 0.03 * noise(g, s, key * 3));
            r.g[1] = flowRate(m.meters[kV2], x) * (1 + 0.03 * noise(g, s, key * 3 + 1));
            r.g[2] = flowRate(m.meters[kV3], x) * (1 + 0.1 * noise(g, s, key * 3 + 2));
        }
        for (int k = 0; k < 3; ++k) r.t[static_cast<std::size_t>(k)] = temperature(k, s, x, key, true);
        for (std::size_t k = 0; k < 2; ++k) {
            if (model_.pressureChannels[k] >= 0)
                r.p[k] = m.pressures[k] + 0.03 * noise(model_.pressureChannels[k], s, key);
        }
        const int every = model_.stateErrorEvery;
        r.systemError = s == systems_ - 1 && n % every == every - 1 ? model_.stateErrorBits : 0;
    }
    const ReducedVolume& reduced = model_.reduced;
    const auto hour = static_cast<long long>(std::floor(x));
    v.vReduced = reduced.start + reduced.perHour * static_cast<double>(eventHours(reduced.every, reduced.phase, hour));
    v.energy1 = energy(true, x);
    v.energy2 = energy(false, x);
    return v;
}

}  // namespace omi::simmeter
