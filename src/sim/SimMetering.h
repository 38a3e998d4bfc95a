#pragma once
// What every simulated calculator has: the device clock with its daily and
// hourly archive rings, and a made-up but consistent metering that is a
// function of time only. Each family maps the values onto its own frames and
// records (SimCalculator.cpp).
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
// Metering: one model for every family, described by a table (MeteringModel).
// Cumulative meter readings rise with time (faster in winter), period values
// are the rise of the readings over the period, temperatures and pressures
// wander round their means, operating time counts the hours since the device
// was installed (800 days before it was switched on), and a few hours carry
// events: error codes with minutes of errors, flow or temperature difference
// below the norm. Everything is seeded from the type and serial number, so
// equal options give equal answers. A one-system device leaves the values of
// system 2 at 0.

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
    // The device's clock set (a clock write): from now on it runs from t.
    // The rings follow it, as the device writes its records by its own clock.
    void SetNow(const QDateTime& t);
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
    qint64 offsetMs_ = 0;  // the device's clock minus the simulator's
    int dailySize_;
    int hourlySize_;
    int dailyStart_;
    int hourlyStart_;
    long long startHour_ = 0;
    int startDay_ = 0;
};

// --- the model as data ---

// A cumulative meter reading: its value when the device was installed, its
// mean rise per hour, and how much of the rise follows the season (0..1; the
// rise is rate × (1 + season × cos), largest in January). A rate of 0: the
// device has no such meter.
struct Meter {
    double start = 0;
    double rate = 0;
    double season = 0;
};
enum MeterRole { kHeat, kV1, kV2, kV3, kHot, kMeterRoles };

// A temperature: its mean, its swing over the year (positive: highest in
// January), the size of its noise, and whether it swings over the day.
struct Temperature {
    double mean;
    double season;
    double noise;
    bool daily;
};

// What an event does in the hours it happens.
enum class EventKind {
    Error,      // an error for some minutes; its hours count as operating time with errors
    SmallFlow,  // flow below the minimum for some minutes
    SmallDt,    // temperature difference below the norm for some minutes
};

// A rare event of one heat system: hour k (counted from installation) carries
// it when (k + phase) is a multiple of every. It lasts base + (noise + 1) ×
// span minutes and sets bits in the system's error code (otherBits instead
// when not 0 and the code's noise is not above 0); the heat that passed
// meanwhile is counted at energyShare of the hour's heat rate.
struct Event {
    EventKind kind;
    int every;
    int phase;
    int bits;
    int otherBits;
    int minutesBase;
    int minutesSpan;
    double energyShare;
    int minutesChannel;
    int codeChannel;
};

struct SystemModel {
    std::array<Meter, kMeterRoles> meters;  // noise channel: meterChannels
    std::array<Temperature, 3> temperatures;
    std::array<double, 2> pressures;  // МПа
    std::array<Event, 3> events;
    int eventCount;
};

// A device-wide event (its hours set bits in the device error code).
struct DeviceEvent {
    int every = 0;  // 0: none
    int phase = 0;
    int bits = 0;
};

// Electric energy on a day tariff (from dayStart to dayEnd o'clock) and a
// night tariff; rates 0: the device counts none.
struct Tariffs {
    double dayRate = 0, nightRate = 0;
    double dayStart = 7, dayEnd = 23;
    double start1 = 0, start2 = 0;
};

// The volume counted in the hours the hot-water temperature is below its
// limit (hours as an event: every, phase).
struct ReducedVolume {
    int every = 1;
    int phase = 0;
    double perHour = 0;
    double start = 0;
};

struct MeteringModel {
    std::array<SystemModel, 2> systems;
    std::array<int, kMeterRoles> meterChannels;
    std::array<int, 3> temperatureChannels;
    std::array<int, 2> pressureChannels;
    int flowChannel;
    // Noise: channels of one system, and how many systems share a key.
    int channels;
    int systemsInKey;
    DeviceEvent deviceEvent;
    Tariffs tariffs;
    ReducedVolume reduced;
    // Now and then a state request finds an error of the last system: every
    // stateErrorEvery-th request (the last of each run) carries stateErrorBits.
    int stateErrorEvery;
    int stateErrorBits;
};

// System 1 a heating system, system 2 a smaller one, with pressures: the
// families 234/235, 229/230 and 228.
const MeteringModel& HeatingModel();
// One heat system with supply and return flow meters, a hot-water meter and a
// further flow meter, electric energy on two tariffs and the volume counted
// below the hot-water limit: the families 227 and 225.
const MeteringModel& HotWaterModel();

// --- the values ---

// One heat system over an archive period, or at an instant (the state: the
// period values and event counts stay 0).
struct SystemValues {
    std::array<double, kMeterRoles> meters{};  // cumulative at the end
    std::array<double, kMeterRoles> rises{};   // over the period
    std::array<double, 3> t{};                 // °C
    std::array<double, 2> p{};                 // МПа
    std::array<double, 3> g{};                 // м3/час, instant only
    std::int32_t workErr = 0;                  // hours with an error since installation
    std::int32_t errMinutes = 0;               // minutes of the period with an error
    std::int32_t errHours = 0;                 // hours of the period with an error
    std::int32_t smallFlow = 0;                // minutes
    std::int32_t smallDt = 0;                  // minutes
    double eSmallFlow = 0, eSmallDt = 0;
    std::int32_t systemError = 0;
};

struct Values {
    std::array<SystemValues, 2> systems{};
    std::int32_t work = 0;        // hours since installation (common)
    std::int32_t periodWork = 0;  // minutes without error (common)
    std::int32_t deviceError = 0;
    double vReduced = 0;              // cumulative, м3
    double energy1 = 0, energy2 = 0;  // cumulative, day and night tariff
    int day = 0;                      // day number of the end of the period
    int hour = 0;                     // its hour
};

class Metering {
public:
    // installed: hour index at which the device was installed.
    Metering(const MeteringModel& model, int type, int serial, int systems, long long installed);

    // The values of the record written at the end of hour index `end` over
    // the preceding `hours` hours.
    Values Period(long long end, int hours) const;
    // The state at time t for the n-th state request (0 first): one second of
    // device time per request, so the counters visibly move even when the
    // clock stands still.
    Values State(const QDateTime& t, int n) const;

private:
    double noise(int channel, int system, long long key) const;
    double reading(const Meter& m, int channel, int system, double x) const;
    double temperature(int which, int system, double x, long long key, bool diurnal) const;
    bool happens(int every, int phase, long long hour) const;
    std::int32_t eventHours(int every, int phase, long long hour) const;
    double energy(bool dayTariff, double x) const;

    const MeteringModel& model_;
    int systems_;
    std::uint64_t seed_;
    long long installed_;
};

// The hour index of installation of a device made at startHour.
long long InstalledHour(long long startHour);

}  // namespace omi::simmeter
