#include "Sim25.h"

#include "SimDevice.h"
#include "SimMetering.h"
#include "SimOneSystem.h"
#include "archives/ArchiveRecord.h"
#include "families/U25.h"

namespace omi {

namespace {

using simone::HundredthsWord;

class Sim25 : public SimCommandTable {
public:
    explicit Sim25(const SimDevice& device)
        : rings_(device.Settings(), sim25::kDailyPositions, sim25::kHourlyPositions, sim25::kDefaultDailyCurrent,
                 sim25::kDefaultHourlyCurrent),
          metering_(device.Type(), device.Serial(), simmeter::InstalledHour(rings_.StartHour())),
          writeResult_(device.Settings().writeResult),
          config_(u25::DefaultConfig()) {
        On(cmd::State, [this](SimDevice& d, const Frame&) { return state(d); });
        On(cmd::ReadConfig, [this](SimDevice& d, const Frame&) { return readConfig(d); });
        On(cmd::WriteConfig, [this](SimDevice& d, const Frame& r) { return writeConfig(d, r); });
        On(cmd::ArchivePointers, [this](SimDevice& d, const Frame&) { return numbers(d); });
        On(cmd::ArchiveRecord, [this](SimDevice& d, const Frame& r) { return archiveRecord(d, r); });
        On(cmd::ArchiveBegin,
           [](SimDevice& d, const Frame&) { return std::optional(d.MakeAnswer(cmd::ArchiveBegin)); });
        On(cmd::ArchiveEnd, [](SimDevice& d, const Frame&) { return std::optional(d.MakeAnswer(cmd::ArchiveEnd)); });
    }

private:
    std::optional<Frame> state(const SimDevice& device) {
        const simone::StateValues v = metering_.State(rings_.Now(), stateRequests_++);
        u25::StateRecord r;
        r.heat = v.heat;
        r.t1 = HundredthsWord(v.t1);
        r.t2 = HundredthsWord(v.t2);
        r.t3 = HundredthsWord(v.tHot);
        r.v1 = v.v1;
        r.v2 = v.v2;
        r.v3 = v.vHot;
        r.vReduced = v.vReduced;
        r.energy1 = v.energy1;
        r.energy2 = v.energy2;
        r.errorCode = v.error;
        Frame frame(u25::kStateLength, 0);
        if (!EncodeFields<u25::StateRecord>({r, {}}, u25::StateLayout(), frame)) return std::nullopt;
        return simone::AnswerOfLength(device, cmd::State, frame);
    }

    std::optional<Frame> readConfig(const SimDevice& device) const {
        Frame frame(u25::kConfigLength, 0);
        if (!EncodeFields<u25::ConfigRecord>({config_, {}}, u25::ConfigLayout(), frame)) return std::nullopt;
        return simone::AnswerOfLength(device, cmd::ReadConfig, frame);
    }

    // The request carries every field at the offset of the read answer. A
    // refused write (the write-enable jumper open) gets no answer at all.
    std::optional<Frame> writeConfig(const SimDevice& device, const Frame& request) {
        if (request.size() != static_cast<std::size_t>(u25::kConfigDataSize + kMinFrame)) return std::nullopt;
        if (writeResult_ != 0) return std::nullopt;
        RecordPair<u25::ConfigRecord> pair{};
        DecodeFields<u25::ConfigRecord>(request, u25::ConfigLayout(), pair);
        config_ = pair[0];
        return device.MakeAnswer(cmd::WriteConfig, {0});
    }

    std::optional<Frame> numbers(const SimDevice& device) const {
        const QDateTime t = rings_.Now();
        return device.MakeAnswer(cmd::ArchivePointers,
                                 simone::NumbersData(rings_.HourlyCurrent(t) + 1, rings_.DailyCurrent(t) + 1, false));
    }

    std::optional<Frame> archiveRecord(const SimDevice& device, const Frame& request) const {
        const auto asked = simone::ParseRecordRequest(request);
        if (!asked) return std::nullopt;
        Frame frame(u25::kArchiveLength, 0);
        if (const auto period = rings_.RecordPeriod(asked->daily, asked->position)) {
            namespace a = u25::arh;
            const simone::PeriodValues v = metering_.Period(period->end, period->hours);
            ArchiveEntry entry = ZeroEntry(u25::kRecord);
            ArchiveRecord& r = entry.front();
            r.SetInt(a::kWork, v.work);
            r.SetInt(a::kWorkErr, v.workErr);
            r.SetReal(a::kHeat, v.heat);
            r.SetReal(a::kV1, v.v1);
            r.SetReal(a::kV2, v.v2);
            r.SetReal(a::kV3, v.vHot);
            r.SetReal(a::kVReduced, v.vReduced);
            r.SetReal(a::kEnergy1, v.energy1);
            r.SetReal(a::kEnergy2, v.energy2);
            r.SetInt(a::kT1, HundredthsWord(v.t1));
            r.SetInt(a::kT2, HundredthsWord(v.t2));
            r.SetInt(a::kT3, HundredthsWord(v.tHot));
            r.SetInt(a::kError, v.error);
            r.SetInt(a::kErrDuration, asked->daily ? v.errHours : v.errMinutes);
            r.SetHour(v.hour);
            r.SetDay(v.day);
            if (!EncodeArchiveFields(entry, u25::ArchiveLayout(), frame)) return std::nullopt;
        }
        return simone::AnswerOfLength(device, cmd::ArchiveRecord, frame);
    }

    simmeter::Rings rings_;
    simone::Metering metering_;
    int writeResult_;
    u25::ConfigRecord config_;
    int stateRequests_ = 0;
};

[[maybe_unused]] const bool registered =
    RegisterSimFamily(Family::F225, [](const SimDevice& device) { return std::make_unique<Sim25>(device); });

}  // namespace

}  // namespace omi
