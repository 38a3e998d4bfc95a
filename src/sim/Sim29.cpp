#include "Sim29.h"

#include <algorithm>

#include "SimDevice.h"
#include "SimMetering.h"
#include "archives/ArchiveRecord.h"
#include "families/U28.h"
#include "families/U29.h"

namespace omi {

namespace {

using sim29::kBarPerMPa;
using sim29::kDailyPositions;
using sim29::kHourlyPositions;

// The answer to a command from a frame of the answer's whole length that the
// caller filled at frame offsets; its length, address and check byte are
// set here.
Frame answerOfLength(const SimDevice& device, int command, const Frame& frame) {
    return device.MakeAnswer(command, Frame(frame.begin() + 5, frame.end() - 1));
}

template <class Rec>
void copyState(const simmeter::SystemState& v, Rec& r) {
    r.heat = v.heat;
    r.v1 = v.v1;
    r.v2 = v.v2;
    r.v3 = v.v3;
    r.t1 = v.t1;
    r.t2 = v.t2;
    r.t3 = v.t3;
    r.p1 = v.p1 * kBarPerMPa;
    r.p2 = v.p2 * kBarPerMPa;
    r.g1 = v.g1;
    r.g2 = v.g2;
    r.systemError = v.systemError;
}

// Families 229/230 and 228: one device memory, two state frames.
class Sim29 : public SimCommandTable {
public:
    explicit Sim29(const SimDevice& device)
        : family228_(u28::IsU28Type(device.Type())),
          rings_(device.Settings(), kDailyPositions, kHourlyPositions, sim29::kDefaultDailyCurrent,
                 sim29::kDefaultHourlyCurrent),
          metering_(device.Type(), device.Serial(), device.Type() == 230 ? 1 : 2,
                    simmeter::InstalledHour(rings_.StartHour())),
          writeResult_(device.Settings().writeResult),
          config_{u29::DefaultConfig(), u29::DefaultConfig()} {
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
    // The archive entry of a period of the made-up metering (the 176-byte
    // record is the same for both families).
    ArchiveEntry record(const simmeter::Rings::Period& period) const {
        namespace a = u29::arh;
        const simmeter::PeriodValues v = metering_.Period(period.end, period.hours);
        ArchiveEntry entry = ZeroEntry(family228_ ? u28::kRecord : u29::kRecord);
        for (std::size_t s = 0; s < entry.size(); ++s) {
            const simmeter::SystemPeriod& p = v.systems[s];
            ArchiveRecord& r = entry[s];
            r.SetInt(a::kWork, v.work);
            r.SetInt(a::kWorkErr, p.workErr);
            r.SetReal(a::kHeat, p.heat);
            r.SetReal(a::kV1, p.v1);
            r.SetReal(a::kV2, p.v2);
            r.SetReal(a::kV3, p.v3);
            r.SetInt(a::kPeriodWork, v.periodWork);
            r.SetReal(a::kPeriodHeat, p.periodHeat);
            r.SetReal(a::kPeriodV1, p.periodV1);
            r.SetReal(a::kPeriodV2, p.periodV2);
            r.SetReal(a::kPeriodV3, p.periodV3);
            r.SetReal(a::kT1, p.t1);
            r.SetReal(a::kT2, p.t2);
            r.SetReal(a::kT3, p.t3);
            r.SetReal(a::kP1, p.p1 * kBarPerMPa);
            r.SetReal(a::kP2, p.p2 * kBarPerMPa);
            r.SetInt(a::kFatal, p.fatal);
            r.SetInt(a::kSmallFlow, p.smallFlow);
            r.SetReal(a::kESmallFlow, p.eSmallFlow);
            r.SetInt(a::kSmallDt, p.smallDt);
            r.SetReal(a::kESmallDt, p.eSmallDt);
            r.SetInt(a::kSystemError, p.systemError);
            r.SetInt(a::kDeviceError, v.deviceError);
            r.SetDay(v.day);
            r.SetHour(v.hour);
        }
        return entry;
    }

    // --- the commands ---

    std::optional<Frame> state(const SimDevice& device) {
        const auto values = metering_.State(rings_.Now(), stateRequests_++);
        if (family228_) {
            u28::StatePair pair{};
            for (std::size_t s = 0; s < pair.size(); ++s) copyState(values[s], pair[s]);
            Frame frame(u28::kStateLength, 0);
            if (!EncodeFields<u28::StateRecord>(pair, u28::StateLayout(), frame)) return std::nullopt;
            return answerOfLength(device, cmd::State, frame);
        }
        u29::StatePair pair{};
        for (std::size_t s = 0; s < pair.size(); ++s) {
            copyState(values[s], pair[s]);
            pair[s].g3 = values[s].g3;
        }
        Frame frame(u29::kStateLength, 0);
        if (!EncodeFields<u29::StateRecord>(pair, u29::StateLayout(), frame)) return std::nullopt;
        return answerOfLength(device, cmd::State, frame);
    }

    std::optional<Frame> readConfig(const SimDevice& device) const {
        Frame frame(u29::kConfigLength, 0);
        if (!EncodeFields<u29::ConfigRecord>(config_, u29::ConfigLayout(), frame)) return std::nullopt;
        return answerOfLength(device, cmd::ReadConfig, frame);
    }

    // The request carries every field at the offset of the read answer.
    std::optional<Frame> writeConfig(const SimDevice& device, const Frame& request) {
        if (request.size() != static_cast<std::size_t>(u29::kConfigDataSize + kMinFrame)) return std::nullopt;
        if (writeResult_ == 0) DecodeFields<u29::ConfigRecord>(request, u29::ConfigLayout(), config_);
        return device.MakeAnswer(cmd::WriteConfig, {static_cast<std::uint8_t>(writeResult_)});
    }

    // Hourly number as a word, daily number as a byte.
    std::optional<Frame> pointers(const SimDevice& device) const {
        const QDateTime t = rings_.Now();
        const int hourly = std::clamp(rings_.HourlyCurrent(t) + 1, 0, 0xFFFF);
        const int daily = std::clamp(rings_.DailyCurrent(t) + 1, 0, 0xFF);
        return device.MakeAnswer(cmd::ArchivePointers,
                                 {static_cast<std::uint8_t>(hourly & 0xFF), static_cast<std::uint8_t>(hourly >> 8),
                                  static_cast<std::uint8_t>(daily)});
    }

    // Data: the position, low byte first; bit 7 of the second byte set for
    // the daily ring.
    std::optional<Frame> archiveRecord(const SimDevice& device, const Frame& request) const {
        if (request.size() != static_cast<std::size_t>(kMinFrame + 2)) return std::nullopt;
        const bool daily = (request[6] & 0x80) != 0;
        const int position = request[5] | (request[6] & 0x7F) << 8;
        Frame frame(u29::kArchiveLength, 0);
        if (const auto period = rings_.RecordPeriod(daily, position)) {
            if (!EncodeArchiveFields(record(*period), u29::ArchiveLayout(), frame)) return std::nullopt;
        }
        return answerOfLength(device, cmd::ArchiveRecord, frame);
    }

    bool family228_;
    simmeter::Rings rings_;
    simmeter::Metering metering_;
    int writeResult_;
    u29::ConfigPair config_;
    int stateRequests_ = 0;
};

std::unique_ptr<SimFamily> makeSim29(const SimDevice& device) { return std::make_unique<Sim29>(device); }

[[maybe_unused]] const bool registered229 = RegisterSimFamily(Family::F229, makeSim29);
[[maybe_unused]] const bool registered228 = RegisterSimFamily(Family::F228, makeSim29);

}  // namespace

}  // namespace omi
