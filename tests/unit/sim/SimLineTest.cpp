// The simulated line: byte streams in, answers out, on a real pseudo-terminal
// and a real UDP socket on loopback.

#include "SimFrameReader.h"
#include "SimLine.h"
#include "SimPty.h"
#include "SimUdp.h"

#include "SimSlaveClient.h"
#include "support/PtyPair.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

using omi::Frame;
using omi::test::WaitFor;

namespace {

const QByteArray kBroadcast("\x06\x00\x00\x00\x00\xFA", 6);
const QByteArray kAnswer234("\x06\xEA\xA1\x01\x00\x6E", 6);     // type 234, serial 417
const QByteArray kOtherSerial("\x06\xEA\xA2\x01\x00\x6D", 6);   // type 234, serial 418
constexpr int kWaitMs = 5000;  // only a bound for a broken build, never a measure

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray out;
    for (int b : list) out += static_cast<char>(b);
    return out;
}

std::vector<omi::SimDevice> device234() {
    std::vector<omi::SimDevice> d;
    d.emplace_back(234, 417);
    return d;
}

// A line without pacing answers inside Receive(), so what goes out can be
// compared right after the bytes go in.
struct StreamCase {
    const char* name;
    std::vector<QByteArray> chunks;
    QByteArray out;
};

TEST(SimLine, CutsTheStreamIntoRequests) {
    const StreamCase cases[] = {
        {"whole request", {kBroadcast}, kAnswer234},
        {"split in two", {kBroadcast.left(2), kBroadcast.mid(2)}, kAnswer234},
        {"byte by byte", {bytes({6}), bytes({0}), bytes({0}), bytes({0}), bytes({0}), bytes({250})}, kAnswer234},
        {"two requests in one chunk", {kBroadcast + kBroadcast}, kAnswer234 + kAnswer234},
        {"another serial: silence", {kOtherSerial}, {}},
        {"bad check byte: silence", {bytes({6, 0, 0, 0, 0, 251})}, {}},
        {"short lengths before", {bytes({1, 2, 3, 4, 5}) + kBroadcast}, kAnswer234},
        {"zero length byte before", {bytes({0, 0}) + kBroadcast}, kAnswer234},
        {"a length that runs into the request", {bytes({9, 0, 0}), kBroadcast}, kAnswer234},
        {"a request with a bad check byte first", {bytes({6, 0, 0, 0, 0, 5}) + kBroadcast}, kAnswer234},
        {"request for another serial, then ours", {kOtherSerial + kBroadcast}, kAnswer234},
    };
    for (const auto& c : cases) {
        omi::SimResponder responder(device234(), {});
        QByteArray out;
        omi::SimLine line(responder, [&](const QByteArray& b) { out += b; });
        for (const auto& chunk : c.chunks) line.Receive(chunk);
        EXPECT_EQ(out.toHex(' '), c.out.toHex(' ')) << c.name;
    }
}

TEST(SimFrameReader, ResyncOnQuietLineAndFirstByteTime) {
    omi::SimFrameReader reader;
    // 255 announces a frame longer than everything that follows.
    EXPECT_TRUE(reader.Feed(Frame{255, 6, 0, 0}, 100).empty());
    EXPECT_TRUE(reader.Feed(Frame{0, 0, 250, 6, 0}, 200).empty());
    const auto found = reader.Resync();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].frame, (Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_EQ(found[0].firstByteUs, 100);  // when its first byte arrived, not its last
    EXPECT_EQ(reader.Pending(), 0u);       // the cut frame after it is given up too
}

TEST(SimLine, QuietLineDropsAStalledLengthByte) {
    // Each starts with a length byte that waits for more bytes than come.
    const QByteArray stalled[] = {bytes({255}) + kBroadcast, bytes({6, 0, 0, 0, 0, 251}) + kBroadcast};
    for (const auto& in : stalled) {
        omi::SimResponder responder(device234(), {});
        QByteArray out;
        omi::SimLine line(responder, [&](const QByteArray& b) { out += b; });
        line.Receive(in);
        EXPECT_TRUE(WaitFor([&] { return !out.isEmpty(); }, kWaitMs)) << in.toHex(' ').toStdString();
        EXPECT_EQ(out.toHex(' '), kAnswer234.toHex(' '));
    }
}

TEST(SimLine, PacedAnswersArriveWholeAndInOrder) {
    // Each answer preceded by noise, written progressively at 9600 bit/s.
    omi::SimResponder responder(device234(), {.noiseBytes = 3, .delayMs = 1, .baud = 9600});
    omi::SimResponder reference(device234(), {.noiseBytes = 3});
    QByteArray out;
    omi::SimLine line(responder, [&](const QByteArray& b) { out += b; });
    line.Receive(kBroadcast + kBroadcast.left(3));
    line.Receive(kBroadcast.mid(3));
    QByteArray expected;
    for (int i = 0; i < 2; ++i) {
        const Frame noise = reference.Noise();
        expected += omi::FrameToString(noise) + kAnswer234;
    }
    EXPECT_TRUE(WaitFor([&] { return line.Idle(); }, kWaitMs));
    EXPECT_EQ(out.toHex(' '), expected.toHex(' '));
}

using omi::simtest::SlaveClient;

TEST(SimPty, AnswersThroughThePseudoTerminalAcrossReopens) {
    omi::SimResponder responder(device234(), {.baud = 9600});
    omi::SimPty pty(responder);
    ASSERT_EQ(pty.Open(), QString());
    ASSERT_TRUE(pty.SlavePath().startsWith("/dev/"));

    SlaveClient client(pty.SlavePath());
    ASSERT_TRUE(client.Ok());
    // A request for another device first: if it were answered, that answer
    // would come first.
    ASSERT_TRUE(client.Write(kOtherSerial + kBroadcast));
    EXPECT_EQ(client.ReadExactly(6).toHex(' '), kAnswer234.toHex(' '));

    // The client closes the port and opens it again: the simulator's own
    // slave descriptor keeps the line up.
    client.Close();
    WaitFor([] { return false; }, 50);  // let the simulator see the close, if it would
    client.Open(pty.SlavePath());
    ASSERT_TRUE(client.Ok());
    ASSERT_TRUE(client.Write(kAnswer234));  // command 0 addressed to the device
    EXPECT_EQ(client.ReadExactly(6).toHex(' '), kAnswer234.toHex(' '));
}

TEST(SimPty, HangupAfterTheLastAnswerTakesTheLineAway) {
    omi::SimResponder responder(device234(), {.hangupAfter = 1});
    omi::SimPty pty(responder);
    ASSERT_EQ(pty.Open(), QString());
    bool hungUp = false;
    QObject::connect(&pty, &omi::SimPty::HangupDue, [&] {
        hungUp = true;
        pty.Close();
    });
    SlaveClient client(pty.SlavePath());
    ASSERT_TRUE(client.Ok());
    ASSERT_TRUE(client.Write(kBroadcast));
    // The client keeps reading until its reads fail: it gets the last answer
    // before the line goes away.
    QByteArray got;
    EXPECT_TRUE(WaitFor([&] { return !client.Poll(got); }, kWaitMs));
    EXPECT_TRUE(hungUp);
    EXPECT_EQ(got.toHex(' '), kAnswer234.toHex(' '));
}

TEST(SimUdp, AnswersEachRequestDatagramToItsSender) {
    // Noise belongs to serial lines; datagrams carry the answer alone.
    omi::SimResponder responder(device234(), {.noiseBytes = 5});
    omi::SimUdp server(responder);
    ASSERT_EQ(server.Bind(QHostAddress::LocalHost, 0), QString());
    ASSERT_NE(server.LocalPort(), 0);

    QUdpSocket client;
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    const auto send = [&](const QByteArray& b) {
        return client.writeDatagram(b, QHostAddress::LocalHost, server.LocalPort()) == b.size();
    };
    // Not answered: garbage, a cut request, a request for another device.
    ASSERT_TRUE(send(bytes({1, 2, 3})));
    ASSERT_TRUE(send(kBroadcast.left(5)));
    ASSERT_TRUE(send(kOtherSerial));
    ASSERT_TRUE(send(kBroadcast));
    ASSERT_TRUE(WaitFor([&] { return client.hasPendingDatagrams(); }, kWaitMs));
    const QNetworkDatagram answer = client.receiveDatagram();
    EXPECT_EQ(answer.data().toHex(' '), kAnswer234.toHex(' '));
    EXPECT_EQ(answer.senderPort(), server.LocalPort());
}

}  // namespace
