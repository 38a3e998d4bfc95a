// The simulated heat calculators: device types 225, 227, 228, 229, 230 and
// 234..237, one table-driven family. Besides command 0 they answer the state
// (1), the configuration read (5) and write (4), the archive record (3), the
// current record numbers (21) and the archive commands 20 and 254 (an empty
// answer). Every answer is built with the family's frame tables and records
// from the core (U25, U27, U28, U29, U34); the number of heat systems, the
// ring sizes and the form of the daily number come from the type's device
// descriptor and its family's archive read procedure.
//
// State: the made-up metering of SimMetering.h, mapped onto the family's
// state record: the heating model for 228, 229/230 and 234..237 (pressures
// in bar for 228 and 229/230, masses of the volumes for 234..237), the
// hot-water model for 225 and 227 (temperatures in hundredths of a degree;
// the 225's third volume is the hot-water meter). The one-system types 230,
// 235 and 237 leave system 2 at 0.
//
// Configuration: the device starts with the family's default configuration
// (the program's). A write with the data length of the family's write
// request is kept when the write result (SimSettings::writeResult) is 0 and
// answered with the result byte; with another result it is answered and
// forgotten, except by family 225, which then stays silent, as a device with
// its write-enable jumper open does (the program reads a missing answer as
// "jumper open or no link"). A write of another length gets no answer.
//
// Archives: both rings full, dated as SimMetering.h describes. Command 21
// answers the hourly last-written position plus 1 as a word (bytes 5-6) and
// the daily one plus 1 as a word (234..237, bytes 7-8) or a byte (byte 7);
// the 227 adds a 0 byte. Unless the options set them, the last-written
// positions start at 200 and 700 (234..237), 40 and 600 (228, 229/230), 90
// and 700 (225, 227). A value that does not fit is reported as 0 or as the
// largest value of its field. A record request for a position outside the
// ring is answered with a record of zeros (a valid frame that carries no
// date); a record request without exactly 2 data bytes gets no answer. The
// duration with errors of a 225/227 record is minutes in the hour (hourly)
// or hours in the day (daily).
//
// Calibration (command 13): a request in the family's form (the request and
// answer codec of service/Calibration.h) is answered with each measured value
// at its reference plus the deviation the settings give for its input, and
// the result code of SimSettings (or, when that is 0, the code of the first
// input of the device that deviates by more than 1). A wake byte before the
// request is line noise to the frame reader, which drops it. The pause of
// the device while it calibrates is the responder's (SimFaults).

#include <algorithm>
#include <cmath>
#include <span>

#include "SimDevice.h"
#include "SimMetering.h"
#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveRecord.h"
#include "archives/ReadPlan.h"
#include "families/DeviceFamily.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "service/Calibration.h"
#include "support/Dates.h"

namespace omi {

namespace {

using simmeter::kHeat;
using simmeter::kHot;
using simmeter::kV1;
using simmeter::kV2;
using simmeter::kV3;

// --- what a field shows of the metering ---

// clang-format off
enum class Q {
    Heat, V1, V2, V3, VHot, PeriodHeat, PeriodV1, PeriodV2, PeriodV3,
    T1, T2, T3, P1, P2, G1, G2, G3, M1, M2, M3,
    Work, WorkErr, PeriodWork, Fatal, SmallFlow, ESmallFlow, SmallDt, ESmallDt, ErrDuration,
    SystemError, DeviceError, VReduced, Energy1, Energy2,
};
// clang-format on

// How the family carries a value: as the model gives it, pressures in bar,
// temperatures as hundredths-of-a-degree words.
enum class Unit { Plain, Bar, Hundredths };

// Densities for the masses of the state, t/м3.
constexpr double kDensity1 = 0.9705, kDensity2 = 0.988, kDensity3 = 0.9997;
// МПа of the model -> bar.
constexpr double kBarPerMPa = 10.0;

std::uint16_t hundredthsWord(double celsius) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(celsius * 100), 0L, 65535L));
}

// The value of heat system s; daily tells a daily record from an hourly one.
double quantity(const simmeter::Values& v, std::size_t s, Q q, bool daily) {
    const simmeter::SystemValues& r = v.systems[s];
    // clang-format off
    switch (q) {
        case Q::Heat: return r.meters[kHeat];
        case Q::V1: return r.meters[kV1];
        case Q::V2: return r.meters[kV2];
        case Q::V3: return r.meters[kV3];
        case Q::VHot: return r.meters[kHot];
        case Q::PeriodHeat: return r.rises[kHeat];
        case Q::PeriodV1: return r.rises[kV1];
        case Q::PeriodV2: return r.rises[kV2];
        case Q::PeriodV3: return r.rises[kV3];
        case Q::T1: return r.t[0];
        case Q::T2: return r.t[1];
        case Q::T3: return r.t[2];
        case Q::P1: return r.p[0];
        case Q::P2: return r.p[1];
        case Q::G1: return r.g[0];
        case Q::G2: return r.g[1];
        case Q::G3: return r.g[2];
        case Q::M1: return r.meters[kV1] * kDensity1;
        case Q::M2: return r.meters[kV2] * kDensity2;
        case Q::M3: return r.meters[kV3] * kDensity3;
        case Q::Work: return v.work;
        case Q::WorkErr: return r.workErr;
        case Q::PeriodWork: return v.periodWork;
        case Q::Fatal: return r.errMinutes;
        case Q::SmallFlow: return r.smallFlow;
        case Q::ESmallFlow: return r.eSmallFlow;
        case Q::SmallDt: return r.smallDt;
        case Q::ESmallDt: return r.eSmallDt;
        case Q::ErrDuration: return daily ? r.errHours : r.errMinutes;
        case Q::SystemError: return r.systemError;
        case Q::DeviceError: return v.deviceError;
        case Q::VReduced: return v.vReduced;
        case Q::Energy1: return v.energy1;
        case Q::Energy2: return v.energy2;
    }
    // clang-format on
    return 0;
}

double carried(const simmeter::Values& v, std::size_t s, Q q, Unit unit, bool daily = false) {
    const double value = quantity(v, s, q, daily);
    switch (unit) {
        case Unit::Plain:
            return value;
        case Unit::Bar:
            return value * kBarPerMPa;
        case Unit::Hundredths:
            return hundredthsWord(value);
    }
    return value;
}

// --- the archive records of every family, as one table ---

// The record layouts of the families, as columns of the table.
enum Column { k234, k229, k227, k225, kColumns };

// Where each family's archive record keeps a value of the metering (-1: it
// keeps none); real: a double, else a 32-bit integer (a temperature in
// hundredths is always an integer).
struct RecordRow {
    Q q;
    bool real;
    std::array<int, kColumns> at;
};

namespace a34 = u34::arh;
namespace a29 = u29::arh;  // also the 228's record
namespace a27 = u27::arh;
namespace a25 = u25::arh;

// clang-format off
const RecordRow kRecordRows[] = {
    {Q::Work,        false, {a34::kWork,        a29::kWork,        a27::kWork,        a25::kWork}},
    {Q::WorkErr,     false, {a34::kWorkErr,     a29::kWorkErr,     a27::kWorkErr,     a25::kWorkErr}},
    {Q::Heat,        true,  {a34::kHeat,        a29::kHeat,        a27::kHeat,        a25::kHeat}},
    {Q::V1,          true,  {a34::kV1,          a29::kV1,          a27::kV1,          a25::kV1}},
    {Q::V2,          true,  {a34::kV2,          a29::kV2,          a27::kV2,          a25::kV2}},
    {Q::V3,          true,  {a34::kV3,          a29::kV3,          a27::kV3,          -1}},
    {Q::VHot,        true,  {-1,                -1,                a27::kVHot,        a25::kV3}},
    {Q::VReduced,    true,  {-1,                -1,                -1,                a25::kVReduced}},
    {Q::Energy1,     true,  {-1,                -1,                -1,                a25::kEnergy1}},
    {Q::Energy2,     true,  {-1,                -1,                -1,                a25::kEnergy2}},
    {Q::PeriodWork,  false, {a34::kPeriodWork,  a29::kPeriodWork,  -1,                -1}},
    {Q::PeriodHeat,  true,  {a34::kPeriodHeat,  a29::kPeriodHeat,  -1,                -1}},
    {Q::PeriodV1,    true,  {a34::kPeriodV1,    a29::kPeriodV1,    -1,                -1}},
    {Q::PeriodV2,    true,  {a34::kPeriodV2,    a29::kPeriodV2,    -1,                -1}},
    {Q::PeriodV3,    true,  {a34::kPeriodV3,    a29::kPeriodV3,    -1,                -1}},
    {Q::T1,          true,  {a34::kT1,          a29::kT1,          a27::kT1,          a25::kT1}},
    {Q::T2,          true,  {a34::kT2,          a29::kT2,          a27::kT2,          a25::kT2}},
    {Q::T3,          true,  {a34::kT3,          a29::kT3,          a27::kT3,          a25::kT3}},
    {Q::P1,          true,  {a34::kP1,          a29::kP1,          -1,                -1}},
    {Q::P2,          true,  {a34::kP2,          a29::kP2,          -1,                -1}},
    {Q::Fatal,       false, {a34::kFatal,       a29::kFatal,       -1,                -1}},
    {Q::SmallFlow,   false, {a34::kSmallFlow,   a29::kSmallFlow,   -1,                -1}},
    {Q::ESmallFlow,  true,  {a34::kESmallFlow,  a29::kESmallFlow,  -1,                -1}},
    {Q::SmallDt,     false, {a34::kSmallDt,     a29::kSmallDt,     -1,                -1}},
    {Q::ESmallDt,    true,  {a34::kESmallDt,    a29::kESmallDt,    -1,                -1}},
    {Q::SystemError, false, {a34::kSystemError, a29::kSystemError, a27::kError,       a25::kError}},
    {Q::DeviceError, false, {a34::kDeviceError, a29::kDeviceError, -1,                -1}},
    {Q::ErrDuration, false, {-1,                -1,                a27::kErrDuration, a25::kErrDuration}},
};
// clang-format on

// --- one family as data ---

struct RingStart {
    int daily;
    int hourly;
};

template <class State, class Config>
struct Form {
    const simmeter::MeteringModel& (*model)();
    RingStart ringStart;  // last-written positions when the settings give none
    Column column;        // of the archive record table
    Unit temperatures;    // in the state and the archive record
    Unit pressures;
    Q v3;                    // what the state's v3 shows
    int pointersPadding;     // 0 bytes after the current record numbers
    int stateLength;
    std::span<const FrameField<State>> (*stateLayout)();
    int configLength;
    int configDataSize;
    std::span<const FrameField<Config>> (*configLayout)();
    Config (*defaultConfig)();
    int archiveLength;
    const RecordLayout* record;
    std::span<const ArchiveField> (*archiveLayout)();
};

// A state record from the values of heat system s: the fields every family
// has, then those of the records that have them.
template <class State, class Config>
void fillState(State& r, const Form<State, Config>& form, const simmeter::Values& v, std::size_t s) {
    const auto set = [&](auto member, Q q, Unit unit = Unit::Plain) {
        using T = std::remove_reference_t<decltype(r.*member)>;
        r.*member = static_cast<T>(carried(v, s, q, unit));
    };
    set(&State::heat, Q::Heat);
    set(&State::v1, Q::V1);
    set(&State::v2, Q::V2);
    set(&State::v3, form.v3);
    set(&State::t1, Q::T1, form.temperatures);
    set(&State::t2, Q::T2, form.temperatures);
    set(&State::t3, Q::T3, form.temperatures);
    if constexpr (requires { &State::vHot; }) set(&State::vHot, Q::VHot);
    if constexpr (requires { &State::vReduced; }) {
        set(&State::vReduced, Q::VReduced);
        set(&State::energy1, Q::Energy1);
        set(&State::energy2, Q::Energy2);
    }
    if constexpr (requires { &State::errorCode; }) set(&State::errorCode, Q::SystemError);
    if constexpr (requires { &State::systemError; }) {
        set(&State::p1, Q::P1, form.pressures);
        set(&State::p2, Q::P2, form.pressures);
        set(&State::g1, Q::G1);
        set(&State::g2, Q::G2);
        set(&State::systemError, Q::SystemError);
    }
    if constexpr (requires { &State::g3; }) set(&State::g3, Q::G3);
    if constexpr (requires { &State::m1; }) {
        set(&State::m1, Q::M1);
        set(&State::m2, Q::M2);
        set(&State::m3, Q::M3);
    }
}

template <class State, class Config>
class Calculator : public SimCommandTable {
public:
    Calculator(const SimDevice& device, const Form<State, Config>& form, const ArchiveProcedure& procedure,
               int heatSystems)
        : form_(form),
          dailyNumberWord_(procedure.dailyNumber == DailyNumberField::WordAt7),
          rings_(device.Settings(), procedure.dailyTop + 1, procedure.hourlyTop + 1, form.ringStart.daily,
                 form.ringStart.hourly),
          metering_(form.model(), device.Type(), device.Serial(), heatSystems,
                    simmeter::InstalledHour(rings_.StartHour())),
          writeResult_(device.Settings().writeResult),
          refusalSilent_(FamilyFor(device.Type()) && FamilyFor(device.Type())->writeRefusalSilent),
          config_{form.defaultConfig(), form.defaultConfig()} {
        On(cmd::State, [this](SimDevice& d, const Frame&) { return state(d); });
        On(cmd::ReadConfig, [this](SimDevice& d, const Frame&) { return readConfig(d); });
        On(cmd::WriteConfig, [this](SimDevice& d, const Frame& r) { return writeConfig(d, r); });
        On(cmd::ArchivePointers, [this](SimDevice& d, const Frame&) { return pointers(d); });
        On(cmd::ArchiveRecord, [this](SimDevice& d, const Frame& r) { return archiveRecord(d, r); });
        On(cmd::Calibration, [this](SimDevice& d, const Frame& r) { return calibrate(d, r); });
        for (const int command : {cmd::ArchiveBegin, cmd::ArchiveEnd})
            On(command, [command](SimDevice& d, const Frame&) { return std::optional(d.MakeAnswer(command)); });
        for (const int command : {cmd::SetClock, cmd::NetworkNumber, cmd::Init, cmd::StartWorkTime, cmd::ClearArchives})
            On(command, [this](SimDevice& d, const Frame& r) { return write(d, r); });
        if (const DeviceModel* model = DescriptorOf(device.Type()); model && model->changeLog != ChangeLogOffer::None)
            On(cmd::ChangeLog, [this](SimDevice& d, const Frame& r) { return changeLog(d, r); });
    }

private:
    std::optional<Frame> state(const SimDevice& device) {
        const simmeter::Values v = metering_.State(rings_.Now(), stateRequests_++);
        RecordPair<State> pair{};
        for (std::size_t s = 0; s < pair.size(); ++s) fillState(pair[s], form_, v, s);
        Frame frame(static_cast<std::size_t>(form_.stateLength), 0);
        if (!EncodeFields<State>(pair, form_.stateLayout(), frame)) return std::nullopt;
        return device.AnswerOfLength(cmd::State, frame);
    }

    std::optional<Frame> readConfig(const SimDevice& device) const {
        Frame frame(static_cast<std::size_t>(form_.configLength), 0);
        if (!EncodeFields<Config>(config_, form_.configLayout(), frame)) return std::nullopt;
        return device.AnswerOfLength(cmd::ReadConfig, frame);
    }

    // The request carries every field at the offset of the read answer.
    std::optional<Frame> writeConfig(const SimDevice& device, const Frame& request) {
        if (request.size() != static_cast<std::size_t>(form_.configDataSize + kMinFrame)) return std::nullopt;
        if (writeResult_ != 0 && refusalSilent_) return std::nullopt;
        if (writeResult_ == 0) DecodeFields<Config>(request, form_.configLayout(), config_);
        return device.MakeAnswer(cmd::WriteConfig, {static_cast<std::uint8_t>(writeResult_)});
    }

    // The other writes: acknowledged with the result byte (a refusing 225
    // stays silent); the set-number request with its guard bytes renumbers
    // the device, which still answers from its old number.
    std::optional<Frame> write(SimDevice& device, const Frame& request) {
        const int command = request[4];
        if (!writeShapeRight(request)) return std::nullopt;
        if (writeResult_ != 0 && refusalSilent_) return std::nullopt;
        const Frame answer = device.MakeAnswer(command, {static_cast<std::uint8_t>(writeResult_)});
        // The clock: minutes of the day, day, month, year - 2000.
        if (writeResult_ == 0 && command == cmd::SetClock) {
            const int minutes = request[5] | (request[6] << 8);
            const QDate date(2000 + request[9], request[8], request[7]);
            if (date.isValid() && minutes < 24 * 60) rings_.SetNow(QDateTime(date, QTime(minutes / 60, minutes % 60)));
        }
        if (writeResult_ == 0 && command == cmd::NetworkNumber) {
            const int number = request[7] | (request[8] << 8);
            if (number >= 1) device.SetSerial(number);
        }
        return answer;
    }

    // A write is taken only in the form the device knows: the clock as
    // minutes, day, month and year; the new number behind its guard bytes
    // 55 AA; the archive clearing behind 44 BB; initialisation and the work
    // time start without data. Anything else is not a request it serves.
    static bool writeShapeRight(const Frame& request) {
        const std::size_t data = request.size() - kMinFrame;
        switch (request[4]) {
            case cmd::SetClock: return data == 5;
            case cmd::NetworkNumber: return data == 4 && request[5] == 0x55 && request[6] == 0xAA;
            case cmd::ClearArchives: return data == 2 && request[5] == 0x44 && request[6] == 0xBB;
            default: return data == 0;
        }
    }

    // One entry of the change log: the day and minutes of a change (one
    // every five days back from today, at distinct times) and the
    // configuration it set, every entry a different one, in the layout of
    // the 229/230 configuration answer.
    std::optional<Frame> changeLog(const SimDevice& device, const Frame& request) {
        if (request.size() < 8 || request[5] >= 3 || request[6] >= 11) return std::nullopt;
        const int k = request[5] * 11 + request[6];
        const int day = DayNumber(rings_.Now().date()) - (33 - k) * 5;
        const int minutes = (k * 97 + 30) % 1440;
        u29::ConfigPair pair{u29::DefaultConfig(), u29::DefaultConfig()};
        for (int s = 0; s < 2; ++s) {
            u29::ConfigRecord& c = pair[static_cast<std::size_t>(s)];
            c.weight1 = 10 + k;
            c.weight2 = 20 + k + s;
            c.systemType = 1 + (k + s) % 4;
            c.minFlow = 0.5 * (k + 1);
            c.maxFlow = 100 + k;
        }
        pair[0].coldT1 = pair[1].coldT1 = static_cast<std::uint8_t>(5 + k % 10);
        pair[0].reportDay = pair[1].reportDay = static_cast<std::uint8_t>(1 + k % 28);
        Frame config(static_cast<std::size_t>(u29::kConfigLength), 0);
        if (!EncodeFields<u29::ConfigRecord>(pair, u29::ConfigLayout(), config)) return std::nullopt;
        Frame data{static_cast<std::uint8_t>(day & 0xFF), static_cast<std::uint8_t>((day >> 8) & 0xFF),
                   static_cast<std::uint8_t>(minutes & 0xFF), static_cast<std::uint8_t>(minutes >> 8)};
        data.insert(data.end(), config.begin() + 5, config.end() - 1);
        return device.MakeAnswer(cmd::ChangeLog, data);
    }

    // The request in the family's form, answered with the references moved
    // by the deviations of the settings.
    std::optional<Frame> calibrate(const SimDevice& device, const Frame& request) const {
        const CalibrationFacts facts = CalibrationOf(device.Type());
        const auto asked = ParseCalibrationRequest(facts.form, request);
        if (!asked) return std::nullopt;
        const std::array<double, 4>& deviation = device.Settings().calibrationDeviation;
        const bool channel = asked->code >= kFirstPressureChannel;
        const auto input = [&](int i) {
            return static_cast<std::size_t>(channel ? asked->code - kFirstPressureChannel : i);
        };
        std::vector<double> measured;
        for (int i = 0; i < MeasuredCount(facts.form, asked->code); ++i)
            measured.push_back(asked->references[input(i)] + deviation[input(i)]);
        int result = writeResult_;
        if (result != 0 && !facts.resultByte) return std::nullopt;  // the 225 with its jumper open
        if (result == 0) {
            const int inputs = channel ? 1 : facts.form == CalibrationForm::TwoPoints ? 2 : 2 * facts.systems;
            for (int i = 0; i < inputs && result == 0; ++i)
                if (std::fabs(deviation[input(i)]) > 1.0)
                    result = channel ? asked->code : kFirstPressureChannel + i;
        }
        return device.MakeAnswer(cmd::Calibration, CalibrationAnswerData(facts, asked->code, result, measured));
    }

    std::optional<Frame> pointers(const SimDevice& device) const {
        const QDateTime t = rings_.Now();
        const int hourly = std::clamp(rings_.HourlyCurrent(t) + 1, 0, 0xFFFF);
        const int daily = std::clamp(rings_.DailyCurrent(t) + 1, 0, dailyNumberWord_ ? 0xFFFF : 0xFF);
        Frame data{static_cast<std::uint8_t>(hourly & 0xFF), static_cast<std::uint8_t>(hourly >> 8),
                   static_cast<std::uint8_t>(daily & 0xFF)};
        if (dailyNumberWord_) data.push_back(static_cast<std::uint8_t>(daily >> 8));
        data.insert(data.end(), static_cast<std::size_t>(form_.pointersPadding), 0);
        return device.MakeAnswer(cmd::ArchivePointers, data);
    }

    std::optional<Frame> archiveRecord(const SimDevice& device, const Frame& request) const {
        if (request.size() != static_cast<std::size_t>(kMinFrame + 2)) return std::nullopt;
        const RequestedRecord asked = RequestedRecord234({request[5], request[6]});
        Frame frame(static_cast<std::size_t>(form_.archiveLength), 0);
        if (const auto period = rings_.RecordPeriod(asked.daily, asked.position)) {
            if (!EncodeArchiveFields(entry(*period, asked.daily), form_.archiveLayout(), frame)) return std::nullopt;
        }
        return device.AnswerOfLength(cmd::ArchiveRecord, frame);
    }

    ArchiveEntry entry(const simmeter::Rings::Period& period, bool daily) const {
        const simmeter::Values v = metering_.Period(period.end, period.hours);
        ArchiveEntry entry = ZeroEntry(*form_.record);
        for (std::size_t s = 0; s < entry.size(); ++s) {
            ArchiveRecord& r = entry[s];
            for (const RecordRow& row : kRecordRows) {
                const int at = row.at[form_.column];
                if (at < 0) continue;
                const bool temperature = row.q == Q::T1 || row.q == Q::T2 || row.q == Q::T3;
                const bool pressure = row.q == Q::P1 || row.q == Q::P2;
                const Unit unit = temperature ? form_.temperatures : pressure ? form_.pressures : Unit::Plain;
                const double value = carried(v, s, row.q, unit, daily);
                if (row.real && unit != Unit::Hundredths)
                    r.SetReal(at, value);
                else
                    r.SetInt(at, static_cast<std::int32_t>(value));
            }
            r.SetDay(v.day);
            r.SetHour(v.hour);
        }
        return entry;
    }

    const Form<State, Config>& form_;
    bool dailyNumberWord_;
    simmeter::Rings rings_;
    simmeter::Metering metering_;
    int writeResult_;
    bool refusalSilent_;
    RecordPair<Config> config_;
    int stateRequests_ = 0;
};

// --- the families ---

using simmeter::HeatingModel;
using simmeter::HotWaterModel;

// Model, ring start, record column, temperature and pressure
// units, the state's v3, numbers padding; then
// the family's frames and records from the core.
// clang-format off
const Form<u34::StateRecord, u34::ConfigRecord> kForm234{
    &HeatingModel, {200, 700}, k234, Unit::Plain, Unit::Plain, Q::V3, 0,
    u34::kStateLength, &u34::StateLayout, u34::kConfigLength, u34::kConfigDataSize, &u34::ConfigLayout,
    &u34::DefaultConfig, u34::kArchiveLength, &u34::kRecord, &u34::ArchiveLayout};
const Form<u29::StateRecord, u29::ConfigRecord> kForm229{
    &HeatingModel, {40, 600}, k229, Unit::Plain, Unit::Bar, Q::V3, 0,
    u29::kStateLength, &u29::StateLayout, u29::kConfigLength, u29::kConfigDataSize, &u29::ConfigLayout,
    &u29::DefaultConfig, u29::kArchiveLength, &u29::kRecord, &u29::ArchiveLayout};
const Form<u28::StateRecord, u28::ConfigRecord> kForm228{
    &HeatingModel, {40, 600}, k229, Unit::Plain, Unit::Bar, Q::V3, 0,
    u28::kStateLength, &u28::StateLayout, u28::kConfigLength, u28::kConfigDataSize, &u28::ConfigLayout,
    &u28::DefaultConfig, u28::kArchiveLength, &u28::kRecord, &u28::ArchiveLayout};
const Form<u27::StateRecord, u27::ConfigRecord> kForm227{
    &HotWaterModel, {90, 700}, k227, Unit::Hundredths, Unit::Plain, Q::V3, 1,
    u27::kStateLength, &u27::StateLayout, u27::kConfigLength, u27::kConfigDataSize, &u27::ConfigLayout,
    &u27::DefaultConfig, u27::kArchiveLength, &u27::kRecord, &u27::ArchiveLayout};
const Form<u25::StateRecord, u25::ConfigRecord> kForm225{
    &HotWaterModel, {90, 700}, k225, Unit::Hundredths, Unit::Plain, Q::VHot, 0,
    u25::kStateLength, &u25::StateLayout, u25::kConfigLength, u25::kConfigDataSize, &u25::ConfigLayout,
    &u25::DefaultConfig, u25::kArchiveLength, &u25::kRecord, &u25::ArchiveLayout};
// clang-format on

template <class State, class Config>
void registerFamily(Family family, const Form<State, Config>& form) {
    RegisterSimFamily(family, [&form](const SimDevice& device) -> std::unique_ptr<SimFamily> {
        const DeviceFamily* family = FamilyFor(device.Type());
        if (!family || !family->procedure) return nullptr;
        return std::make_unique<Calculator<State, Config>>(device, form, family->procedure(),
                                                           HeatSystemsOf(device.Type()));
    });
}

[[maybe_unused]] const bool registered = [] {
    registerFamily(Family::F234, kForm234);
    registerFamily(Family::F229, kForm229);
    registerFamily(Family::F228, kForm228);
    registerFamily(Family::F227, kForm227);
    registerFamily(Family::F225, kForm225);
    return true;
}();

}  // namespace

}  // namespace omi
