// The simulated ЛОРС device: its state as the program's decoder reads it, the
// configuration write and the network number as the program judges them.

#include <gtest/gtest.h>

#include "Sim128.h"
#include "SimDevice.h"
#include "families/U128.h"

using omi::Frame;
using omi::SimDevice;
using omi::SimSettings;
namespace u128 = omi::u128;

namespace {

constexpr int kSerial = 4321;

SimSettings at(QDateTime* time, int writeResult = 0) {
    SimSettings s;
    s.clock = [time] { return *time; };
    s.writeResult = writeResult;
    return s;
}

class Sim128 : public ::testing::Test {
protected:
    // The serial number the requests address.
    int serial = kSerial;

    // The device's state as the program reads it.
    u128::Record read(SimDevice& d) {
        u128::Record rec;
        const auto answer = d.Answer(*u128::BuildLorsRequest(serial, omi::cmd::State));
        if (!answer) {
            ADD_FAILURE() << "no state answer";
            return rec;
        }
        EXPECT_EQ(u128::DecState(*answer, {serial, 128}, rec), QString());
        return rec;
    }

    QDateTime now{QDate(2026, 3, 7), QTime(13, 0)};
};

TEST_F(Sim128, StateCountsRiseWithTheClock) {
    SimDevice d(128, kSerial, at(&now));
    const u128::Record first = read(d);
    EXPECT_EQ(first.channels, omi::sim128::kFactoryChannels);
    now = now.addSecs(10 * 3600);
    const u128::Record later = read(d);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(first.weights[i], omi::sim128::kFactoryWeight);
        EXPECT_EQ(first.litresPerPulse[i], 10);
        EXPECT_GT(first.pulses[i], 0);
        EXPECT_GT(later.pulses[i], first.pulses[i]);
        EXPECT_EQ(later.totals[i], 10.0 * later.pulses[i]);
    }
}

TEST_F(Sim128, ConfigurationWriteIsKeptAndConfirmedByTheAnswer) {
    SimDevice d(128, kSerial, at(&now));
    u128::Record config;
    config.channels = 2;
    config.weights = {0, 3, 1, 1};
    const auto answer = d.Answer(*u128::ConfigWriteRequest(serial, config));
    ASSERT_TRUE(answer.has_value());
    ASSERT_EQ(answer->size(), 31u);
    EXPECT_EQ((*answer)[4], 255);
    EXPECT_EQ(u128::ConfigWriteResult(*answer, config), 0);

    const u128::Record rec = read(d);
    EXPECT_EQ(rec.channels, 2);
    EXPECT_EQ(rec.weights, (std::array<std::uint8_t, 4>{0, 3, 1, 1}));
    EXPECT_GT(rec.pulses[1], 0);
    EXPECT_EQ(rec.pulses[2], 0);  // channels above the count count nothing
    EXPECT_EQ(rec.pulses[3], 0);
}

TEST_F(Sim128, RefusedWritesKeepTheConfiguration) {
    u128::Record config;
    config.channels = 3;  // no such modification
    config.weights = {1, 1, 1, 1};
    SimDevice d(128, kSerial, at(&now));
    const auto answer = d.Answer(*u128::ConfigWriteRequest(serial, config));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(u128::ConfigWriteResult(*answer, config), 1);
    EXPECT_EQ(read(d).channels, 4);

    config.channels = 1;
    SimDevice locked(128, kSerial, at(&now, 1));
    const auto lockedAnswer = locked.Answer(*u128::ConfigWriteRequest(serial, config));
    ASSERT_TRUE(lockedAnswer.has_value());
    EXPECT_EQ(u128::ConfigWriteResult(*lockedAnswer, config), 1);

    // Other than exactly two data bytes: no answer.
    Frame three{9, 128, kSerial & 0xFF, kSerial >> 8, 255, 1, 0, 0};
    three.push_back(omi::FrameCheckByte(three));
    EXPECT_FALSE(d.Answer(three).has_value());
}

TEST_F(Sim128, NetworkNumberIsTakenAndAnsweredByTheNewNumber) {
    SimDevice d(128, kSerial, at(&now));
    const auto answer = d.Answer(*u128::NetworkNumberRequest(serial, 300));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), 6u);
    EXPECT_EQ(u128::NetworkNumberResult(*answer, 300), 0);
    EXPECT_EQ(d.Serial(), 300);
    EXPECT_FALSE(d.Answer(*u128::BuildLorsRequest(serial, omi::cmd::State)).has_value());  // old number: silence
    serial = 300;
    EXPECT_EQ(read(d).channels, 4);

    // Number 0 would make the device unreachable: it keeps its number.
    const auto zero = d.Answer(*u128::BuildLorsRequest(serial, omi::cmd::ClearArchives, 0));
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(u128::NetworkNumberResult(*zero, 0), 1);
    EXPECT_EQ(d.Serial(), 300);

    SimDevice locked(128, kSerial, at(&now, 1));
    serial = kSerial;
    const auto lockedAnswer = locked.Answer(*u128::NetworkNumberRequest(serial, 301));
    ASSERT_TRUE(lockedAnswer.has_value());
    EXPECT_EQ(u128::NetworkNumberResult(*lockedAnswer, 301), 1);
    EXPECT_EQ(locked.Serial(), kSerial);
}

}  // namespace
