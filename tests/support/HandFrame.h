#pragma once
// Response frames put together byte by byte for decoder tests: a header, zero
// data, literal bytes at given frame offsets and the check byte (the negated
// 8-bit sum), without going through the code under test.

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "protocol/Frame.h"

namespace omi::test {

using Patch = std::pair<int, std::vector<std::uint8_t>>;  // frame offset, bytes

inline Frame HandFrame(int length, int type, int serial, int command, std::initializer_list<Patch> patches = {}) {
    Frame f(static_cast<std::size_t>(length), 0);
    f[0] = static_cast<std::uint8_t>(length);
    f[1] = static_cast<std::uint8_t>(type);
    f[2] = static_cast<std::uint8_t>(serial & 0xFF);
    f[3] = static_cast<std::uint8_t>(serial >> 8);
    f[4] = static_cast<std::uint8_t>(command);
    for (const auto& [offset, bytes] : patches)
        for (std::size_t i = 0; i < bytes.size(); ++i) f.at(static_cast<std::size_t>(offset) + i) = bytes[i];
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < f.size(); ++i) sum += f[i];
    f.back() = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    return f;
}

}  // namespace omi::test
