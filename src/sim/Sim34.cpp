#include "Sim34.h"

#include "SimDevice.h"
#include "SimMetering.h"
#include "archives/ArchiveRecord.h"
#include "families/U34.h"

namespace omi {

namespace {

using sim34::kDailyPositions;
using sim34::kHourlyPositions;

// Densities for the masses of the state, t/м3.
constexpr double kDensity1 = 0.9705, kDensity2 = 0.988, kDensity3 = 0.9997;

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
        : rings_(device.Settings(), kDailyPositions, kHourlyPositions, sim34::kDefaultDailyCurrent,
                 sim34::kDefaultHourlyCurrent),
          metering_(device.Type(), device.Serial(), u34::HasTwoSystems(device.Type()) ? 2 : 1,
                    simmeter::InstalledHour(rings_.StartHour())),
          writeResult_(device.Settings().writeResult) {
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
    // The archive entry of a period of the made-up metering.
    ArchiveEntry record(const simmeter::Rings::Period& period) const {
        namespace a = u34::arh;
        const simmeter::PeriodValues v = metering_.Period(period.end, period.hours);
        ArchiveEntry entry = ZeroEntry(u34::kRecord);
        for (std::size_t s = 0; s < entry.size(); ++s) {
            const simmeter::SystemPeriod& p = v.systems[s];
            ArchiveRecord& r = entry[s];
            r.SetReal(a::kHeat, p.heat);
            r.SetReal(a::kPeriodHeat, p.periodHeat);
            r.SetReal(a::kV1, p.v1);
            r.SetReal(a::kPeriodV1, p.periodV1);
            r.SetReal(a::kV2, p.v2);
            r.SetReal(a::kPeriodV2, p.periodV2);
            r.SetReal(a::kV3, p.v3);
            r.SetReal(a::kPeriodV3, p.periodV3);
            r.SetReal(a::kT1, p.t1);
            r.SetReal(a::kT2, p.t2);
            r.SetReal(a::kT3, p.t3);
            r.SetReal(a::kP1, p.p1);
            r.SetReal(a::kP2, p.p2);
            r.SetInt(a::kWorkErr, p.workErr);
            r.SetInt(a::kFatal, p.fatal);
            r.SetInt(a::kSmallFlow, p.smallFlow);
            r.SetReal(a::kESmallFlow, p.eSmallFlow);
            r.SetInt(a::kSmallDt, p.smallDt);
            r.SetReal(a::kESmallDt, p.eSmallDt);
            r.SetInt(a::kSystemError, p.systemError);
            r.SetInt(a::kWork, v.work);
            r.SetInt(a::kPeriodWork, v.periodWork);
            r.SetInt(a::kDeviceError, v.deviceError);
            r.SetDay(v.day);
            r.SetHour(v.hour);
        }
        return entry;
    }

    // --- the commands ---

    std::optional<Frame> state(const SimDevice& device) {
        const auto values = metering_.State(rings_.Now(), stateRequests_++);
        u34::StatePair pair{};
        for (std::size_t s = 0; s < pair.size(); ++s) {
            const simmeter::SystemState& v = values[s];
            u34::StateRecord& r = pair[s];
            r.heat = v.heat;
            r.v1 = v.v1;
            r.v2 = v.v2;
            r.v3 = v.v3;
            r.g1 = v.g1;
            r.g2 = v.g2;
            r.g3 = v.g3;
            r.m1 = v.v1 * kDensity1;
            r.m2 = v.v2 * kDensity2;
            r.m3 = v.v3 * kDensity3;
            r.t1 = v.t1;
            r.t2 = v.t2;
            r.t3 = v.t3;
            r.p1 = v.p1;
            r.p2 = v.p2;
            r.systemError = v.systemError;
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
        const QDateTime t = rings_.Now();
        const int hourly = rings_.HourlyCurrent(t) + 1;
        const int daily = rings_.DailyCurrent(t) + 1;
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
        if (const auto period = rings_.RecordPeriod(daily, position)) {
            if (!EncodeArchiveFields(record(*period), u34::ArchiveLayout(), frame)) return std::nullopt;
        }
        return answerOfLength(device, cmd::ArchiveRecord, frame);
    }

    simmeter::Rings rings_;
    simmeter::Metering metering_;
    int writeResult_;
    u34::ConfigPair config_;
    int stateRequests_ = 0;
};

[[maybe_unused]] const bool registered =
    RegisterSimFamily(Family::F234, [](const SimDevice& device) { return std::make_unique<Sim34>(device); });

}  // namespace

}  // namespace omi
