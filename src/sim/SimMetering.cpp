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

// How many days or hours before the newest record position n was written; a
// last-written position outside the ring counts as -1.
int age(int current, int position, int size) {
    if (current < 0 || current >= size) current = -1;
    return static_cast<int>(FloorMod(current - position, size));
}

// A cumulative meter reading: its value when the device was installed, its
// mean rise per hour, and how much of the rise follows the season (0..1; the
// rise is rate × (1 + season × cos), largest in January).
struct Meter {
    double start;
    double rate;
    double season;
};

// The mean value of a temperature and its swing over the year (positive:
// highest in January).
struct Temperature {
    double mean;
    double season;
};

// The rare events of one heat system: an hour k (counted from installation)
// carries the event when (k + phase) is a multiple of every.
struct Event {
    int every;
    int phase;
};

struct SystemModel {
    Meter heat, v1, v2, v3;
    Temperature t1, t2, t3;
    double p1, p2;
    Event fatal, smallFlow, smallDt;
};

// System 1: a heating system; system 2: a smaller one. Temperatures keep to
// t1 70..95, t2 40..60, t3 5..15 °C, pressures to 0.3..0.6 МПа, noise and
// the daily swing included.
const SystemModel kSystems[2] = {
    {{312.5, 0.45, 0.8},
     {10250, 16.0, 0.25},
     {10080, 15.76, 0.25},
     {420, 0.6, 0.3},
     {82.5, 10},
     {50, 7},
     {10, -3.5},
     0.56,
     0.38,
     {307, 101},
     {593, 7},
     {823, 400}},
    {{120.25, 0.18, 0.6},
     {4100, 6.5, 0.2},
     {4050, 6.4, 0.2},
     {180, 0.25, 0.3},
     {81, 8},
     {52, 5},
     {9.5, -3},
     0.52,
     0.36,
     {419, 33},
     {661, 250},
     {887, 91}},
};
constexpr Event kDeviceEvent{997, 11};

// Noise channels.
enum Channel { kHeat, kV1, kV2, kV3, kT1, kT2, kT3, kP1, kP2, kG, kFatal, kSmallFlow, kSmallDt, kChannels };

// The metering of one device as functions of time.
struct Model {
    std::uint64_t seed;
    long long installed;

    // A value in -1..1, the same for the same channel, system and key.
    double noise(int channel, int system, long long key) const {
        const std::uint64_t h = mix(seed ^ mix(static_cast<std::uint64_t>(key) * kChannels * 2 +
                                               static_cast<std::uint64_t>(channel * 2 + system)));
        return static_cast<double>(h >> 11) / 4503599627370496.0 - 1.0;  // 2^52: 0..2 - 1
    }

    static double season(double x) { return std::cos(kSeasonRate * (x - kMidJanuary)); }

    // The meter reading at hour value x: the integral of the seasonal rise
    // since installation, plus a wiggle small enough to keep it rising.
    double reading(const Meter& m, int channel, int system, double x) const {
        const auto smooth = [&](double at) {
            return at + m.season / kSeasonRate * std::sin(kSeasonRate * (at - kMidJanuary));
        };
        const double base = m.start + m.rate * (smooth(x) - smooth(static_cast<double>(installed)));
        const double whole = std::floor(x);
        const double f = x - whole;
        const auto i = static_cast<long long>(whole);
        const double wiggle = noise(channel, system, i) * (1 - f) + noise(channel, system, i + 1) * f;
        return base + wiggle * 0.2 * m.rate * (1 - m.season);
    }

    static double flowRate(const Meter& m, double x) { return m.rate * (1 + m.season * season(x)); }

    // A temperature at hour value x; diurnal adds the daily swing of an hour.
    double temperature(const Temperature& t, int channel, int system, double x, long long key, bool diurnal) const {
        const double day = diurnal ? 0.8 * std::cos(2 * std::numbers::pi * (x - 6) / 24) : 0.0;
        return t.mean + t.season * season(x) + 1.2 * noise(channel, system, key) + day;
    }

    bool happens(const Event& e, long long hour) const { return FloorMod(hour - installed + e.phase, e.every) == 0; }

    // Hours with a fatal error from installation up to the end of the hour.
    std::int32_t fatalHours(const Event& e, long long hour) const {
        const long long k = hour - installed;
        return static_cast<std::int32_t>(k < 0 ? 0 : (k + e.phase) / e.every);
    }
};

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

QDateTime Rings::Now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }

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

// --- metering ---

long long InstalledHour(long long startHour) { return startHour - kInstalledHoursBefore; }

Metering::Metering(int type, int serial, int systems, long long installed)
    : systems_(std::clamp(systems, 1, 2)),
      seed_(mix(static_cast<std::uint64_t>(type) << 16 | static_cast<std::uint16_t>(serial))),
      installed_(installed) {}

PeriodValues Metering::Period(long long end, int hours) const {
    const Model model{seed_, installed_};
    PeriodValues v;
    const long long begin = end - hours;
    const double x = static_cast<double>(end);
    const double middle = x - hours / 2.0;
    const long long key = end * 32 + hours;
    int fatalMost = 0;
    for (long long h = begin + 1; h <= end; ++h) {
        if (model.happens(kDeviceEvent, h)) v.deviceError |= 4;  // battery low
    }
    for (int s = 0; s < systems_; ++s) {
        const SystemModel& m = kSystems[s];
        SystemPeriod& r = v.systems[static_cast<std::size_t>(s)];
        const std::pair<const Meter*, std::pair<double*, double*>> meters[] = {{&m.heat, {&r.heat, &r.periodHeat}},
                                                                               {&m.v1, {&r.v1, &r.periodV1}},
                                                                               {&m.v2, {&r.v2, &r.periodV2}},
                                                                               {&m.v3, {&r.v3, &r.periodV3}}};
        int channel = kHeat;
        for (const auto& [meter, values] : meters) {
            const double now = model.reading(*meter, channel, s, x);
            *values.first = now;
            *values.second = now - model.reading(*meter, channel, s, static_cast<double>(begin));
            ++channel;
        }
        const bool diurnal = hours == 1;
        r.t1 = model.temperature(m.t1, kT1, s, middle, key, diurnal);
        r.t2 = model.temperature(m.t2, kT2, s, middle, key, diurnal);
        r.t3 = model.temperature(m.t3, kT3, s, middle, key, false);
        r.p1 = m.p1 + 0.03 * model.noise(kP1, s, key);
        r.p2 = m.p2 + 0.03 * model.noise(kP2, s, key);

        for (long long h = begin + 1; h <= end; ++h) {
            const double heatRate = Model::flowRate(m.heat, static_cast<double>(h));
            if (model.happens(m.fatal, h)) {
                r.fatal += 5 + static_cast<int>((model.noise(kFatal, s, h) + 1) * 25);
                r.systemError |= 2;  // temperature sensor out of range
            }
            if (model.happens(m.smallFlow, h)) {
                const int minutes = 10 + static_cast<int>((model.noise(kSmallFlow, s, h) + 1) * 22);
                r.smallFlow += minutes;
                r.eSmallFlow += heatRate * minutes / 60.0 * 0.4;
                r.systemError |= 16;  // flow below the minimum
            }
            if (model.happens(m.smallDt, h)) {
                const int minutes = 10 + static_cast<int>((model.noise(kSmallDt, s, h) + 1) * 22);
                r.smallDt += minutes;
                r.eSmallDt += heatRate * minutes / 60.0 * 0.7;
                r.systemError |= 64;  // t1 - t2 below the norm
            }
        }
        fatalMost = std::max(fatalMost, static_cast<int>(r.fatal));
        r.workErr = model.fatalHours(m.fatal, end);
    }
    v.work = static_cast<std::int32_t>(end - installed_);
    v.periodWork = hours * 60 - fatalMost;
    v.day = static_cast<int>((end - FloorMod(end, 24)) / 24);
    v.hour = static_cast<int>(FloorMod(end, 24));
    return v;
}

std::array<SystemState, 2> Metering::State(const QDateTime& t, int n) const {
    const Model model{seed_, installed_};
    const double x = hourValue(t) + n / 3600.0;
    const long long key = 1'000'000'000 + n;
    std::array<SystemState, 2> state{};
    for (int s = 0; s < systems_; ++s) {
        const SystemModel& m = kSystems[s];
        SystemState& r = state[static_cast<std::size_t>(s)];
        r.heat = model.reading(m.heat, kHeat, s, x);
        r.v1 = model.reading(m.v1, kV1, s, x);
        r.v2 = model.reading(m.v2, kV2, s, x);
        r.v3 = model.reading(m.v3, kV3, s, x);
        r.g1 = Model::flowRate(m.v1, x) * (1 + 0.03 * model.noise(kG, s, key * 3));
        r.g2 = Model::flowRate(m.v2, x) * (1 + 0.03 * model.noise(kG, s, key * 3 + 1));
        r.g3 = Model::flowRate(m.v3, x) * (1 + 0.1 * model.noise(kG, s, key * 3 + 2));
        r.t1 = model.temperature(m.t1, kT1, s, x, key, true);
        r.t2 = model.temperature(m.t2, kT2, s, x, key, true);
        r.t3 = model.temperature(m.t3, kT3, s, x, key, false);
        r.p1 = m.p1 + 0.03 * model.noise(kP1, s, key);
        r.p2 = m.p2 + 0.03 * model.noise(kP2, s, key);
        // Now and then the flow of the last system drops below its minimum.
        r.systemError = s == systems_ - 1 && n % 23 == 22 ? 16 : 0;
    }
    return state;
}

}  // namespace omi::simmeter
