#include "SimResponder.h"

#include <QFile>

#include <algorithm>

namespace omi {

SimResponder::SimResponder(std::vector<SimDevice> devices, SimFaults faults)
    : devices_(std::move(devices)), faults_(faults) {}

SimResponder::~SimResponder() = default;

QString SimResponder::SetLogFile(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return QStringLiteral("не могу открыть файл журнала %1: %2").arg(path, file->errorString());
    log_ = std::move(file);
    return {};
}

std::optional<Frame> SimResponder::Respond(const Frame& request) {
    log(request);
    if (HangupReached()) return std::nullopt;
    auto answer = deviceAnswer(request);
    if (!answer) return std::nullopt;
    ++answerable_;
    if (faults_.silent) return std::nullopt;
    if (faults_.silenceEvery > 0 && answerable_ % faults_.silenceEvery == 0) return std::nullopt;
    ++answers_;
    if (faults_.badCheckEvery > 0 && answers_ % faults_.badCheckEvery == 0)
        answer->back() = static_cast<std::uint8_t>(answer->back() + 1);
    return answer;
}

std::optional<Frame> SimResponder::deviceAnswer(const Frame& request) {
    if (devices_.empty()) return std::nullopt;
    if (request == kBroadcastNoTu) return devices_.front().Answer(request);
    for (auto& device : devices_) {
        if (device.IsAddressed(request)) return device.Answer(request);
    }
    return std::nullopt;
}

// Line noise is drawn from the bytes 1..5 and 255 only, and its last byte is
// always 1..5, so a client that scans the received bytes for a frame cannot
// find one that starts in the noise: a length below 6 is no frame, and a
// length of 255 is followed by another noise byte, which is never a device
// type code. Noise of two bytes or more starts with 255: a client that reads
// a length byte first then takes in the whole burst with the answer and finds
// the answer in it, as it would after a real burst of line noise.
Frame SimResponder::Noise() {
    const int n = std::max(faults_.noiseBytes, 0);
    Frame noise;
    noise.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        if (i + 1 == n)
            noise.push_back(static_cast<std::uint8_t>(1 + nextRandom(5)));
        else if (i == 0)
            noise.push_back(255);
        else {
            const std::uint8_t pick = nextRandom(6);
            noise.push_back(pick == 5 ? 255 : static_cast<std::uint8_t>(pick + 1));
        }
    }
    return noise;
}

std::uint8_t SimResponder::nextRandom(int range) {
    // xorshift32: looks random, repeats exactly from run to run.
    noiseState_ ^= noiseState_ << 13;
    noiseState_ ^= noiseState_ >> 17;
    noiseState_ ^= noiseState_ << 5;
    return static_cast<std::uint8_t>((noiseState_ >> 8) % static_cast<std::uint32_t>(range));
}

void SimResponder::log(const Frame& request) {
    if (!log_) return;
    QByteArray line;
    for (std::size_t i = 0; i < request.size(); ++i) {
        if (i) line += ' ';
        line += QByteArray::number(request[i]);
    }
    line += '\n';
    log_->write(line);
    log_->flush();
}

}  // namespace omi
