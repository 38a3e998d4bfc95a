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
    if (faults_.muteAfter > 0 && answers_ >= faults_.muteAfter) return std::nullopt;
    ++answers_;
    lastCommand_ = request.size() > 4 ? request[4] : -1;
    const auto every = [this](int k) { return k > 0 && answers_ % k == 0; };
    Frame& a = *answer;
    // Another device's answer: only the address is wrong, the frame is sound.
    const auto readdress = [&a](std::size_t at) {
        if (a.size() < 5) return;
        a[at] ^= 1;
        a.back() = FrameCheckByte(a.data(), a.size() - 1);
    };
    if (every(faults_.wrongSerialEvery)) readdress(2);
    if (every(faults_.wrongTypeEvery)) readdress(1);
    if (every(faults_.badCheckEvery)) a.back() = static_cast<std::uint8_t>(a.back() + 1);
    if (every(faults_.truncateEvery)) a.resize(std::max<std::size_t>(1, a.size() / 2));
    if (faults_.corruptPercent > 0) corrupt(a);
    return answer;
}

int SimResponder::AnswerDelayMs() const {
    return faults_.delayMs + (answers_ == 1 ? faults_.lateMs : 0) +
           (lastCommand_ == cmd::Calibration ? faults_.calibrationMs : 0);
}

Frame SimResponder::Forged(const Frame& answer) {
    Frame forged = answer;
    if (forged.size() < 5) return forged;
    forged[2] ^= 1;
    forged.back() = FrameCheckByte(forged.data(), forged.size() - 1);
    return forged;
}

// Each byte, with the given chance, is lost, gets a stray byte before it, or
// has some of its bits flipped; a third each.
void SimResponder::corrupt(Frame& answer) {
    const auto threshold = static_cast<std::uint32_t>(faults_.corruptPercent * 100.0);
    Frame out;
    out.reserve(answer.size() + 4);
    for (const std::uint8_t b : answer) {
        if (nextCorruptRandom() % 10000 >= threshold) {
            out.push_back(b);
            continue;
        }
        switch (nextCorruptRandom() % 3) {
            case 0:
                break;
            case 1:
                out.push_back(static_cast<std::uint8_t>(nextCorruptRandom()));
                out.push_back(b);
                break;
            default:
                out.push_back(static_cast<std::uint8_t>(b ^ (1 + nextCorruptRandom() % 255)));
                break;
        }
    }
    answer = std::move(out);
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

std::uint32_t SimResponder::nextCorruptRandom() {
    corruptState_ ^= corruptState_ << 13;
    corruptState_ ^= corruptState_ >> 17;
    corruptState_ ^= corruptState_ << 5;
    return corruptState_ >> 8;
}

void SimResponder::log(const Frame& request) {
    if (!log_) return;
    QByteArray line;
    for (std::size_t i = 0; i < request.size(); ++i) {
        if (i) line += ' ';
        line += QByteArray::number(request[i]);
    }
    LogText(line);
}

void SimResponder::LogText(const QByteArray& line) {
    if (!log_) return;
    log_->write(line + '\n');
    log_->flush();
}

}  // namespace omi
