#pragma once
// Cuts the byte stream a simulated calculator receives into request frames.
//
// Frames are length-prefixed with no start marker, so the reader keeps the
// device's way of finding the next one: a length byte below 6 (0 would mean
// 256, which no request can be) or a candidate whose check byte fails loses
// its first byte and the search goes on from the next one. A partial frame
// waits for more bytes; when the line goes quiet, Resync() gives up on it.

#include "protocol/Frame.h"

#include <cstdint>
#include <vector>

namespace omi {

class SimFrameReader {
public:
    struct Request {
        Frame frame;
        std::int64_t firstByteUs = 0;  // arrival time of the frame's first byte
    };

    // Appends bytes that arrived at nowUs (any monotonic microsecond clock)
    // and returns the frames completed by them, in order.
    std::vector<Request> Feed(const std::uint8_t* data, std::size_t count, std::int64_t nowUs);
    std::vector<Request> Feed(const Frame& bytes, std::int64_t nowUs) {
        return Feed(bytes.data(), bytes.size(), nowUs);
    }

    // The line stayed quiet with a partial frame pending: drops its first byte
    // and searches on, until every byte is used up. Returns what it finds.
    std::vector<Request> Resync();

    // Bytes kept for an incomplete frame.
    std::size_t Pending() const { return bytes_.size(); }

    // Forgets every byte kept (the connection behind the line went away).
    void Clear() {
        bytes_.clear();
        times_.clear();
    }

private:
    void extract(std::vector<Request>& out);
    void drop(std::size_t count);

    std::vector<std::uint8_t> bytes_;
    std::vector<std::int64_t> times_;
};

}  // namespace omi
