// The faults omi-sim puts into its answers, byte for byte.

#include "SimLine.h"
#include "SimResponder.h"
#include "SimUdp.h"

#include "support/PtyPair.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

using omi::Frame;
using omi::SimFaults;
using omi::test::WaitFor;

namespace {

const Frame kBroadcast{6, 0, 0, 0, 0, 250};
const Frame kAnswer{6, 234, 161, 1, 0, 110};  // type 234, serial 417
constexpr int kWaitMs = 5000;                 // only a bound for a broken build, never a measure

std::vector<omi::SimDevice> device234() {
    std::vector<omi::SimDevice> d;
    d.emplace_back(234, 417);
    return d;
}

// The answers to four broadcast requests (nothing: no answer).
std::vector<std::optional<Frame>> FourAnswers(const SimFaults& faults) {
    omi::SimResponder responder(device234(), faults);
    std::vector<std::optional<Frame>> out;
    for (int i = 0; i < 4; ++i) out.push_back(responder.Respond(kBroadcast));
    return out;
}

}  // namespace

TEST(SimFaults, AnswersSpoiledAsTold) {
    const std::optional<Frame> none;
    struct Case {
        const char* name;
        SimFaults faults;
        std::vector<std::optional<Frame>> answers;
    } cases[] = {
        {"another serial number, every 2nd, check byte right",
         {.wrongSerialEvery = 2},
         {kAnswer, Frame{6, 234, 160, 1, 0, 111}, kAnswer, Frame{6, 234, 160, 1, 0, 111}}},
        {"another type code, every answer",
         {.wrongTypeEvery = 1},
         {Frame{6, 235, 161, 1, 0, 109}, Frame{6, 235, 161, 1, 0, 109}, Frame{6, 235, 161, 1, 0, 109},
          Frame{6, 235, 161, 1, 0, 109}}},
        {"cut after its first half, every 3rd", {.truncateEvery = 3}, {kAnswer, kAnswer, Frame{6, 234, 161}, kAnswer}},
        {"mute after 2 answers", {.muteAfter = 2}, {kAnswer, kAnswer, none, none}},
        {"bad check byte and another serial on one answer",
         {.badCheckEvery = 2, .wrongSerialEvery = 2},
         {kAnswer, Frame{6, 234, 160, 1, 0, 112}, kAnswer, Frame{6, 234, 160, 1, 0, 112}}},
    };
    for (const Case& c : cases) EXPECT_EQ(FourAnswers(c.faults), c.answers) << c.name;

    EXPECT_EQ(omi::SimResponder::Forged(kAnswer), (Frame{6, 234, 160, 1, 0, 111}));
}

TEST(SimFaults, OnlyTheFirstAnswerIsLate) {
    omi::SimResponder responder(device234(), {.delayMs = 5, .lateMs = 300});
    std::vector<int> delays;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(responder.Respond(kBroadcast));
        delays.push_back(responder.AnswerDelayMs());
    }
    EXPECT_EQ(delays, (std::vector<int>{305, 5, 5}));
}

TEST(SimFaults, CorruptionIsTheSameOnEveryRun) {
    const SimFaults faults{.corruptPercent = 10};
    const auto first = FourAnswers(faults), again = FourAnswers(faults);
    EXPECT_EQ(first, again);
    // Over many answers some are spoiled and some are not; none is lost.
    omi::SimResponder responder(device234(), faults);
    int spoiled = 0, lengthChanged = 0;
    for (int i = 0; i < 200; ++i) {
        const auto a = responder.Respond(kBroadcast);
        ASSERT_TRUE(a);
        if (*a != kAnswer) ++spoiled;
        if (a->size() != kAnswer.size()) ++lengthChanged;
    }
    EXPECT_GT(spoiled, 0);
    EXPECT_LT(spoiled, 200);
    EXPECT_GT(lengthChanged, 0);  // bytes dropped or put in, not only flipped
    EXPECT_EQ(FourAnswers({}), std::vector<std::optional<Frame>>(4, kAnswer));
}

TEST(SimFaults, ByteGapSendsTheFirstByteAtOnceAndTheRestLater) {
    omi::SimResponder responder(device234(), {.byteGapMs = 100});
    QByteArray out;
    omi::SimLine line(responder, [&](const QByteArray& b) { out += b; });
    line.Receive(omi::FrameToString(kBroadcast));
    EXPECT_EQ(out.size(), 1);
    EXPECT_FALSE(line.Idle());
    ASSERT_TRUE(WaitFor([&] { return line.Idle(); }, kWaitMs));
    EXPECT_EQ(out, omi::FrameToString(kAnswer));
}

TEST(SimFaults, SpoofedAnswerComesFirstFromAnotherPort) {
    omi::SimResponder responder(device234(), {.spoof = true});
    omi::SimUdp server(responder);
    ASSERT_EQ(server.Bind(QHostAddress::LocalHost, 0), QString());
    QUdpSocket client;
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    ASSERT_EQ(client.writeDatagram(omi::FrameToString(kBroadcast), QHostAddress::LocalHost, server.LocalPort()), 6);
    std::vector<QNetworkDatagram> got;
    ASSERT_TRUE(WaitFor(
        [&] {
            while (client.hasPendingDatagrams()) got.push_back(client.receiveDatagram());
            return got.size() >= 2;
        },
        kWaitMs));
    EXPECT_EQ(omi::StringToFrame(got[0].data()), (Frame{6, 234, 160, 1, 0, 111}));
    EXPECT_NE(got[0].senderPort(), server.LocalPort());
    EXPECT_EQ(omi::StringToFrame(got[1].data()), kAnswer);
    EXPECT_EQ(got[1].senderPort(), server.LocalPort());
}
