#include "Sim128.h"

#include <array>
#include <cmath>

#include "SimDevice.h"
#include "families/U128.h"

namespace omi {

namespace {

// Hours of the device clock since 2020-01-01 00:00 (0 before it).
double hoursSinceEpoch(const QDateTime& t) {
    static const QDateTime epoch(QDate(2020, 1, 1), QTime(0, 0));
    const double h = static_cast<double>(epoch.secsTo(t)) / 3600.0;
    return h > 0 ? h : 0;
}

std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

class Sim128 : public SimCommandTable {
public:
    explicit Sim128(const SimDevice& device)
        : clock_(device.Settings().clock), writeResult_(device.Settings().writeResult) {
        const auto seed = static_cast<std::uint32_t>(device.Serial());
        for (int i = 0; i < u128::kChannels; ++i) {
            const std::uint32_t h = mix(seed * 4u + static_cast<std::uint32_t>(i) + 1u);
            start_[i] = static_cast<int>(h % 20000u);
            rate_[i] = 2.0 + static_cast<double>((h >> 16) % 28u);  // 2..29 pulses an hour
        }
        config_.channels = sim128::kFactoryChannels;
        config_.weights.fill(static_cast<std::uint8_t>(sim128::kFactoryWeight));

        On(cmd::State, [this](SimDevice& d, const Frame&) { return std::optional(state(d, cmd::State)); });
        On(cmd::LorsWriteConfig, [this](SimDevice& d, const Frame& r) { return writeConfig(d, r); });
        On(cmd::ClearArchives, [this](SimDevice& d, const Frame& r) { return networkNumber(d, r); });
        // Clock, initialisation and the operating-time start: acknowledged.
        for (const int command : {cmd::SetClock, cmd::Init, cmd::StartWorkTime})
            On(command, [this, command](SimDevice& d, const Frame&) {
                return std::optional(d.MakeAnswer(command, {static_cast<std::uint8_t>(writeResult_)}));
            });
    }

private:
    QDateTime now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }

    // The configuration with the pulse counts of now; the word of the answer
    // carries the serial number.
    Frame state(const SimDevice& device, int command) const {
        u128::Record rec = config_;
        const double hours = hoursSinceEpoch(now());
        for (int i = 0; i < rec.channels && i < u128::kChannels; ++i)
            rec.pulses[i] =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(start_[i] + std::floor(rate_[i] * hours)));
        return device.AnswerOfLength(command, u128::EncodeAnswer(rec, device.Serial()));
    }

    std::optional<Frame> writeConfig(const SimDevice& device, const Frame& request) {
        if (request.size() != static_cast<std::size_t>(u128::kRequestLength)) return std::nullopt;
        const u128::Record asked = u128::WrittenConfig(request, config_);
        const int count = asked.channels;
        if (writeResult_ == 0 && (count == 1 || count == 2 || count == 4)) config_ = asked;
        return state(device, cmd::LorsWriteConfig);
    }

    std::optional<Frame> networkNumber(SimDevice& device, const Frame& request) const {
        if (request.size() != static_cast<std::size_t>(u128::kRequestLength)) return std::nullopt;
        const int number = GetW(request, 5);
        if (writeResult_ == 0 && number >= 1) device.SetSerial(number);
        return device.MakeAnswer(cmd::ClearArchives);
    }

    std::function<QDateTime()> clock_;
    int writeResult_;
    u128::Record config_;  // channel count and weight numbers
    std::array<int, u128::kChannels> start_{};
    std::array<double, u128::kChannels> rate_{};
};

const bool registered =
    RegisterSimFamily(Family::Lors128, [](const SimDevice& d) { return std::make_unique<Sim128>(d); });

}  // namespace

}  // namespace omi
