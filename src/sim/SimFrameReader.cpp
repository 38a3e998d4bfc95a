#include "SimFrameReader.h"

namespace omi {

std::vector<SimFrameReader::Request> SimFrameReader::Feed(const std::uint8_t* data, std::size_t count,
                                                          std::int64_t nowUs) {
    bytes_.insert(bytes_.end(), data, data + count);
    times_.insert(times_.end(), count, nowUs);
    std::vector<Request> out;
    extract(out);
    return out;
}

std::vector<SimFrameReader::Request> SimFrameReader::Resync() {
    std::vector<Request> out;
    while (!bytes_.empty()) {
        drop(1);
        extract(out);
    }
    return out;
}

void SimFrameReader::extract(std::vector<Request>& out) {
    while (!bytes_.empty()) {
        const std::size_t length = bytes_[0];
        if (length < static_cast<std::size_t>(kMinFrame)) {
            drop(1);
            continue;
        }
        if (bytes_.size() < length) return;  // wait for the rest
        Frame frame(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(length));
        if (!CheckFrameSum(frame)) {
            drop(1);
            continue;
        }
        out.push_back({std::move(frame), times_[0]});
        drop(length);
    }
}

void SimFrameReader::drop(std::size_t count) {
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count));
    times_.erase(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace omi
