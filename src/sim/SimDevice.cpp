#include "SimDevice.h"

#include <algorithm>

namespace omi {

namespace {

std::map<Family, SimFamilyFactory>& familyFactories() {
    static std::map<Family, SimFamilyFactory> factories;
    return factories;
}

std::unique_ptr<SimFamily> makeFamily(const SimDevice& device) {
    auto& factories = familyFactories();
    auto it = factories.find(FamilyOf(device.Type()));
    if (it == factories.end() || !it->second) return nullptr;
    return it->second(device);
}

}  // namespace

void SimCommandTable::On(int command, Handler handler) { handlers_[command] = std::move(handler); }

bool SimCommandTable::Handles(int command) const { return handlers_.count(command) != 0; }

std::optional<Frame> SimCommandTable::Answer(SimDevice& device, const Frame& request) {
    auto it = handlers_.find(request[4]);
    if (it == handlers_.end() || !it->second) return std::nullopt;
    return it->second(device, request);
}

bool RegisterSimFamily(Family family, SimFamilyFactory factory) {
    familyFactories()[family] = std::move(factory);
    return true;
}

bool IsWholeFrame(const Frame& frame) {
    return frame.size() >= static_cast<std::size_t>(kMinFrame) && frame[0] == frame.size() && CheckFrameSum(frame);
}

SimDevice::SimDevice(int type, int serial, SimSettings settings)
    : type_(type), serial_(serial), settings_(std::move(settings)) {
    family_ = makeFamily(*this);
}

SimDevice::SimDevice(int type, int serial, std::unique_ptr<SimFamily> family)
    : type_(type), serial_(serial), family_(std::move(family)) {}

bool SimDevice::IsAddressed(const Frame& request) const {
    return request.size() >= 5 && request[1] == type_ && GetW(request, 2) == serial_;
}

std::optional<Frame> SimDevice::Answer(const Frame& request) {
    if (!IsWholeFrame(request)) return std::nullopt;
    if (request == kBroadcastNoTu) return MakeAnswer(cmd::NumberType);
    if (!IsAddressed(request)) return std::nullopt;
    if (request[4] == cmd::NumberType) return MakeAnswer(cmd::NumberType);
    if (!family_) return std::nullopt;
    return family_->Answer(*this, request);
}

Frame SimDevice::MakeAnswer(int command, const Frame& data) const {
    const std::size_t n = std::min<std::size_t>(data.size(), kMaxData);
    Frame f;
    f.reserve(n + kMinFrame);
    f.push_back(static_cast<std::uint8_t>(n + kMinFrame));
    f.push_back(static_cast<std::uint8_t>(type_));
    f.push_back(static_cast<std::uint8_t>(serial_ & 0xFF));
    f.push_back(static_cast<std::uint8_t>((serial_ >> 8) & 0xFF));
    f.push_back(static_cast<std::uint8_t>(command));
    f.insert(f.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
    f.push_back(FrameCheckByte(f));
    return f;
}

Frame SimDevice::AnswerOfLength(int command, const Frame& frame) const {
    if (frame.size() < static_cast<std::size_t>(kMinFrame)) return MakeAnswer(command);
    return MakeAnswer(command, Frame(frame.begin() + 5, frame.end() - 1));
}

}  // namespace omi
