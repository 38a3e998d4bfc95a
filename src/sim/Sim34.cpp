#include "Sim34.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SimDevice.h"
#include "archives/ArchiveRecord.h"
#include "families/U34.h"
#include "support/Dates.h"

namespace omi {

namespace {

using sim34::kDailyPositions;
using sim34::kHourlyPositions;

constexpr double kYearHours = 8766.0;
constexpr double kSeasonRate = 2.0 * std::numbers::pi / kYearHours;
constexpr long long kMidJanuary = 15 * 24;  // hour index of 2000-01-15 00:00: the coldest time of the year
constexpr long long kInstalledHoursBefore = 800 * 24;

// Hour index: hours since 1999-12-31 00:00, that is day number × 24 + hour.
long long hourIndex(const QDateTime& t) { return static_cast<long long>(DayNumber(t.date())) * 24 + t.time().hour(); }

double hourValue(const QDateTime& t) {
    const QTime time = t.time();
    return static_cast<double>(hourIndex(t)) + time.minute() / 60.0 + time.second() / 3600.0;
}

long long floorMod(long long a, long long m) { return ((a % m) + m) % m; }

std::uint64_t mix(std::uint64_t x) {
    // splitmix64 finaliser: every input bit reaches every output bit.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
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

// Densities for the masses of the state, t/м3.
constexpr double kDensity1 = 0.9705, kDensity2 = 0.988, kDensity3 = 0.9997;

// Noise channels.
enum Channel { kHeat, kV1, kV2, kV3, kT1, kT2, kT3, kP1, kP2, kG, kFatal, kSmallFlow, kSmallDt, kChannels };

u34::ConfigRecord factoryConfig() {
    u34::ConfigRecord c;
    c.weight1 = c.weight2 = c.weight3 = 1000;
    c.systemType = 1;
    c.coldT1 = 5;
    c.coldT2 = 15;
    c.firstDay = c.firstMonth = c.lastDay = c.lastMonth = 1;
    c.reportDay = 1;
    c.summing = 1;
    c.secondT = 0;
    c.flags = 0;
    c.contractT1 = 90;
    c.contractT2 = 70;
    c.contractT3 = 70;
    c.contractP1 = c.contractP2 = c.contractP3 = 1.6;
    c.reservedA = c.reservedB = 0;
    c.minFlow = 0;
    c.maxFlow = 1500;
    return c;
}

// The answer to a command from a frame of the answer's whole length that the
// caller filled at frame offsets; its length, address and check byte are
// set here.
Frame answerOfLength(const SimDevice& device, int command, const Frame& frame) {
    return device.MakeAnswer(command, Frame(frame.begin() + 5, frame.end() - 1));
}

class Sim34 : public SimCommandTable {
public:
    explicit Sim34(const SimDevice& device)
        : systems_(u34::HasTwoSystems(device.Type()) ? 2 : 1),
          clock_(device.Settings().clock),
          seed_(mix(static_cast<std::uint64_t>(device.Type()) << 16 | static_cast<std::uint16_t>(device.Serial()))),
          dailyStart_(device.Settings().dailyCurrent.value_or(sim34::kDefaultDailyCurrent)),
          hourlyStart_(device.Settings().hourlyCurrent.value_or(sim34::kDefaultHourlyCurrent)),
          writeResult_(device.Settings().writeResult) {
        const QDateTime t = now();
        startHour_ = hourIndex(t);
        startDay_ = DayNumber(t.date());
        installed_ = startHour_ - kInstalledHoursBefore;
        config_ = {factoryConfig(), factoryConfig()};

        On(cmd::State, [this](SimDevice& d, const Frame&) { return state(d); });
        On(cmd::ReadConfig, [this](SimDevice& d, const Frame&) { return readConfig(d); });
        On(cmd::WriteConfig, [this](SimDevice& d, const Frame& r) { return writeConfig(d, r); });
        On(cmd::ArchivePointers, [this](SimDevice& d, const Frame&) { return pointers(d); });
        On(cmd::ArchiveRecord, [this](SimDevice& d, const Frame& r) { return archiveRecord(d, r); });
        On(cmd::ArchiveBegin,
           [](SimDevice& d, const Frame&) { return std::optional(d.MakeAnswer(cmd::ArchiveBegin)); });
        On(cmd::ArchiveEnd, [](SimDevice& d, const Frame&) { return std::optional(d.MakeAnswer(cmd::ArchiveEnd)); });
    }

private:
    QDateTime now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }

    // --- the made-up metering, a function of time only ---

    // A value in -1..1, the same for the same channel, system and key.
    double noise(int channel, int system, long long key) const {
        const std::uint64_t h = mix(seed_ ^ mix(static_cast<std::uint64_t>(key) * kChannels * 2 +
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
        const double base = m.start + m.rate * (smooth(x) - smooth(static_cast<double>(installed_)));
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

    bool happens(const Event& e, long long hour) const { return floorMod(hour - installed_ + e.phase, e.every) == 0; }

    // Hours with a fatal error from installation up to the end of the hour.
    std::int32_t fatalHours(const Event& e, long long hour) const {
        const long long k = hour - installed_;
        return static_cast<std::int32_t>(k < 0 ? 0 : (k + e.phase) / e.every);
    }

    // The archive entry written at the end of hour index `end` over the
    // preceding `hours` hours.
    ArchiveEntry record(long long end, int hours) const {
        namespace a = u34::arh;
        ArchiveEntry entry = ZeroEntry(u34::kRecord);
        const long long begin = end - hours;
        const double x = static_cast<double>(end);
        const double middle = x - hours / 2.0;
        const long long key = end * 32 + hours;
        int fatalMost = 0;
        std::int32_t deviceError = 0;
        for (long long h = begin + 1; h <= end; ++h) {
            if (happens(kDeviceEvent, h)) deviceError |= 4;  // battery low
        }
        for (int s = 0; s < systems_; ++s) {
            const SystemModel& m = kSystems[s];
            ArchiveRecord& r = entry[static_cast<std::size_t>(s)];
            const std::pair<const Meter*, std::pair<int, int>> meters[] = {{&m.heat, {a::kHeat, a::kPeriodHeat}},
                                                                           {&m.v1, {a::kV1, a::kPeriodV1}},
                                                                           {&m.v2, {a::kV2, a::kPeriodV2}},
                                                                           {&m.v3, {a::kV3, a::kPeriodV3}}};
            int channel = kHeat;
            for (const auto& [meter, offsets] : meters) {
                const double now = reading(*meter, channel, s, x);
                r.SetReal(offsets.first, now);
                r.SetReal(offsets.second, now - reading(*meter, channel, s, static_cast<double>(begin)));
                ++channel;
            }
            const bool diurnal = hours == 1;
            r.SetReal(a::kT1, temperature(m.t1, kT1, s, middle, key, diurnal));
            r.SetReal(a::kT2, temperature(m.t2, kT2, s, middle, key, diurnal));
            r.SetReal(a::kT3, temperature(m.t3, kT3, s, middle, key, false));
            r.SetReal(a::kP1, m.p1 + 0.03 * noise(kP1, s, key));
            r.SetReal(a::kP2, m.p2 + 0.03 * noise(kP2, s, key));

            int fatal = 0, smallFlow = 0, smallDt = 0;
            double smallFlowEnergy = 0, smallDtEnergy = 0;
            std::int32_t code = 0;
            for (long long h = begin + 1; h <= end; ++h) {
                const double heatRate = flowRate(m.heat, static_cast<double>(h));
                if (happens(m.fatal, h)) {
                    fatal += 5 + static_cast<int>((noise(kFatal, s, h) + 1) * 25);
                    code |= 2;  // temperature sensor out of range
                }
                if (happens(m.smallFlow, h)) {
                    const int minutes = 10 + static_cast<int>((noise(kSmallFlow, s, h) + 1) * 22);
                    smallFlow += minutes;
                    smallFlowEnergy += heatRate * minutes / 60.0 * 0.4;
                    code |= 16;  // flow below the minimum
                }
                if (happens(m.smallDt, h)) {
                    const int minutes = 10 + static_cast<int>((noise(kSmallDt, s, h) + 1) * 22);
                    smallDt += minutes;
                    smallDtEnergy += heatRate * minutes / 60.0 * 0.7;
                    code |= 64;  // t1 - t2 below the norm
                }
            }
            fatalMost = std::max(fatalMost, fatal);
            r.SetInt(a::kWorkErr, fatalHours(m.fatal, end));
            r.SetInt(a::kFatal, fatal);
            r.SetInt(a::kSmallFlow, smallFlow);
            r.SetReal(a::kESmallFlow, smallFlowEnergy);
            r.SetInt(a::kSmallDt, smallDt);
            r.SetReal(a::kESmallDt, smallDtEnergy);
            r.SetInt(a::kSystemError, code);
        }
        for (ArchiveRecord& r : entry) {
            r.SetInt(a::kWork, static_cast<std::int32_t>(end - installed_));
            r.SetInt(a::kPeriodWork, hours * 60 - fatalMost);
            r.SetInt(a::kDeviceError, deviceError);
            r.SetDay(static_cast<int>((end - floorMod(end, 24)) / 24));
            r.SetHour(static_cast<int>(floorMod(end, 24)));
        }
        return entry;
    }

    // --- the rings ---

    // The last-written positions as the device reports them (0-based).
    int dailyCurrent(const QDateTime& t) const {
        if (dailyStart_ < 0 || dailyStart_ >= kDailyPositions) return dailyStart_;
        return static_cast<int>(floorMod(dailyStart_ + DayNumber(t.date()) - startDay_, kDailyPositions));
    }
    int hourlyCurrent(const QDateTime& t) const {
        if (hourlyStart_ < 0 || hourlyStart_ >= kHourlyPositions) return hourlyStart_;
        return static_cast<int>(floorMod(hourlyStart_ + hourIndex(t) - startHour_, kHourlyPositions));
    }

    // How many days or hours before the newest record position n was
    // written; a last-written position outside the ring counts as -1.
    static int age(int current, int position, int size) {
        if (current < 0 || current >= size) current = -1;
        return static_cast<int>(floorMod(current - position, size));
    }

    // --- the commands ---

    std::optional<Frame> state(const SimDevice& device) {
        const int n = stateRequests_++;
        // One second of device time per request, so the counters visibly move
        // even when the clock stands still.
        const double x = hourValue(now()) + n / 3600.0;
        const long long key = 1'000'000'000 + n;
        u34::StatePair pair{};
        for (int s = 0; s < systems_; ++s) {
            const SystemModel& m = kSystems[s];
            u34::StateRecord& r = pair[static_cast<std::size_t>(s)];
            r.heat = reading(m.heat, kHeat, s, x);
            r.v1 = reading(m.v1, kV1, s, x);
            r.v2 = reading(m.v2, kV2, s, x);
            r.v3 = reading(m.v3, kV3, s, x);
            r.g1 = flowRate(m.v1, x) * (1 + 0.03 * noise(kG, s, key * 3));
            r.g2 = flowRate(m.v2, x) * (1 + 0.03 * noise(kG, s, key * 3 + 1));
            r.g3 = flowRate(m.v3, x) * (1 + 0.1 * noise(kG, s, key * 3 + 2));
            r.m1 = r.v1 * kDensity1;
            r.m2 = r.v2 * kDensity2;
            r.m3 = r.v3 * kDensity3;
            r.t1 = temperature(m.t1, kT1, s, x, key, true);
            r.t2 = temperature(m.t2, kT2, s, x, key, true);
            r.t3 = temperature(m.t3, kT3, s, x, key, false);
            r.p1 = m.p1 + 0.03 * noise(kP1, s, key);
            r.p2 = m.p2 + 0.03 * noise(kP2, s, key);
            // Now and then the flow of the last system drops below its minimum.
            r.systemError = s == systems_ - 1 && n % 23 == 22 ? 16 : 0;
        }
        Frame frame(u34::kStateLength, 0);
        if (!EncodeFields<u34::StateRecord>(pair, u34::StateLayout(), frame)) return std::nullopt;
        return answerOfLength(device, cmd::State, frame);
    }

    std::optional<Frame> readConfig(const SimDevice& device) const {
        Frame frame(u34::kConfigLength, 0);
        if (!EncodeFields<u34::ConfigRecord>(config_, u34::ConfigLayout(), frame)) return std::nullopt;
        return answerOfLength(device, cmd::ReadConfig, frame);
    }

    // The request carries every field at the offset of the read answer.
    std::optional<Frame> writeConfig(const SimDevice& device, const Frame& request) {
        if (request.size() != static_cast<std::size_t>(u34::kConfigDataSize + kMinFrame)) return std::nullopt;
        if (writeResult_ == 0) DecodeFields<u34::ConfigRecord>(request, u34::ConfigLayout(), config_);
        return device.MakeAnswer(cmd::WriteConfig, {static_cast<std::uint8_t>(writeResult_)});
    }

    std::optional<Frame> pointers(const SimDevice& device) const {
        const QDateTime t = now();
        const int hourly = hourlyCurrent(t) + 1;
        const int daily = dailyCurrent(t) + 1;
        return device.MakeAnswer(cmd::ArchivePointers,
                                 {static_cast<std::uint8_t>(hourly & 0xFF), static_cast<std::uint8_t>(hourly >> 8),
                                  static_cast<std::uint8_t>(daily & 0xFF), static_cast<std::uint8_t>(daily >> 8)});
    }

    // Data: the position, low byte first; bit 7 of the second byte set for
    // the daily ring.
    std::optional<Frame> archiveRecord(const SimDevice& device, const Frame& request) const {
        if (request.size() != static_cast<std::size_t>(kMinFrame + 2)) return std::nullopt;
        const bool daily = (request[6] & 0x80) != 0;
        const int position = request[5] | (request[6] & 0x7F) << 8;
        Frame frame(u34::kArchiveLength, 0);
        const int size = daily ? kDailyPositions : kHourlyPositions;
        if (position < size) {
            const QDateTime t = now();
            ArchiveEntry entry;
            if (daily) {
                const long long day = DayNumber(t.date()) - age(dailyCurrent(t), position, size);
                entry = record(day * 24, 24);
            } else {
                entry = record(hourIndex(t) - age(hourlyCurrent(t), position, size), 1);
            }
            if (!EncodeArchiveFields(entry, u34::ArchiveLayout(), frame)) return std::nullopt;
        }
        return answerOfLength(device, cmd::ArchiveRecord, frame);
    }

    int systems_;
    std::function<QDateTime()> clock_;
    std::uint64_t seed_;
    int dailyStart_;
    int hourlyStart_;
    int writeResult_;
    long long startHour_ = 0;
    int startDay_ = 0;
    long long installed_ = 0;  // hour index of installation: operating time counts from here
    u34::ConfigPair config_;
    int stateRequests_ = 0;
};

[[maybe_unused]] const bool registered =
    RegisterSimFamily(Family::F234, [](const SimDevice& device) { return std::make_unique<Sim34>(device); });

}  // namespace

}  // namespace omi
