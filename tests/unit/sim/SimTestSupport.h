#pragma once
// What the tests of the simulated calculators share: a device memory with a
// fixed clock, request frames addressed to a device, archive record request
// bytes, and the data of an answer.

#include <gtest/gtest.h>

#include <QDateTime>
#include <optional>
#include <string>
#include <vector>

#include "SimDevice.h"

namespace omi::simtest {

// Settings with a clock that stands at time.
inline SimSettings at(const QDateTime& time, std::optional<int> daily = {}, std::optional<int> hourly = {},
                      int writeResult = 0) {
    SimSettings s;
    s.clock = [time] { return time; };
    s.dailyCurrent = daily;
    s.hourlyCurrent = hourly;
    s.writeResult = writeResult;
    return s;
}

// A request to the device: length, type, serial number, command, data, check
// byte.
inline Frame request(const SimDevice& d, int command, const Frame& data = {}) {
    Frame f;
    for (std::size_t b : {data.size() + 6, std::size_t(d.Type()), std::size_t(d.Serial() & 0xFF),
                          std::size_t(d.Serial() >> 8), std::size_t(command)})
        f.push_back(static_cast<std::uint8_t>(b));
    for (std::uint8_t b : data) f.push_back(b);
    f.push_back(FrameCheckByte(f));
    return f;
}

// The two data bytes of an archive record request (written out here, not
// taken from the program's read plan).
inline Frame positionBytes(int n, bool daily) {
    return {static_cast<std::uint8_t>(n % 256), static_cast<std::uint8_t>(n / 256 + (daily ? 128 : 0))};
}

// The read plan of the program: newest first, from the last-written position
// down to 0, then from the top of the ring down to the position after the
// last written one; a position outside the ring counts as -1.
inline std::vector<int> planPositions(int current, int size) {
    if (current < 0 || current >= size) current = -1;
    std::vector<int> plan;
    for (int n = current; n >= 0; --n) plan.push_back(n);
    for (int n = size - 1; n > current; --n) plan.push_back(n);
    return plan;
}

inline Frame dataOf(const Frame& answer) { return Frame(answer.begin() + 5, answer.end() - 1); }

// An answer of the device to a command: length bytes, with the length byte,
// the device's address, the command code and the check byte right. Length 0:
// no answer.
inline void expectAnswer(const std::optional<Frame>& answer, int length, const SimDevice& d, int command,
                         const std::string& what) {
    if (length == 0) {
        EXPECT_EQ(answer, std::nullopt) << what;
        return;
    }
    ASSERT_TRUE(answer) << what;
    ASSERT_EQ(answer->size(), static_cast<std::size_t>(length)) << what;
    EXPECT_EQ((*answer)[0], length) << what;
    EXPECT_EQ((*answer)[1], d.Type()) << what;
    EXPECT_EQ(GetW(*answer, 2), d.Serial()) << what;
    EXPECT_EQ((*answer)[4], command) << what;
    EXPECT_TRUE(CheckFrameSum(*answer)) << what;
}

}  // namespace omi::simtest
