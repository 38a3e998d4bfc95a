// The simulated calculators without a transport: who answers what, the faults
// injected into the answers, the request log and the command line.

#include "SimDevice.h"
#include "SimOptions.h"
#include "SimResponder.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using omi::Frame;
using omi::SimDevice;

namespace {

const Frame kBroadcast{6, 0, 0, 0, 0, 250};
const Frame kAnswer234{6, 234, 161, 1, 0, 110};  // type 234, serial 417

struct AnswerCase {
    const char* name;
    Frame request;
    std::optional<Frame> answer;
};

TEST(SimDevice, AnswersNumberAndTypeOnlyWhenAddressedAndIntact) {
    const AnswerCase cases[] = {
        {"broadcast", kBroadcast, kAnswer234},
        {"command 0 to this device", {6, 234, 161, 1, 0, 110}, kAnswer234},
        {"another serial", {6, 234, 162, 1, 0, 109}, std::nullopt},
        {"another type", {6, 235, 161, 1, 0, 109}, std::nullopt},
        {"broadcast with a bad check byte", {6, 0, 0, 0, 0, 251}, std::nullopt},
        {"command 0 with a bad check byte", {6, 234, 161, 1, 0, 111}, std::nullopt},
        {"length byte not the frame's length", {7, 0, 0, 0, 0, 249}, std::nullopt},
        {"type 0 serial 0 with another command", {6, 0, 0, 0, 1, 249}, std::nullopt},
        {"command no family knows", {6, 234, 161, 1, 77, 33}, std::nullopt},
        {"too short", {5, 0, 0, 0, 251}, std::nullopt},
    };
    SimDevice device(234, 417);
    for (const auto& c : cases) EXPECT_EQ(device.Answer(c.request), c.answer) << c.name;
}

// A family behaviour given as a command table.
class EchoCountFamily : public omi::SimCommandTable {
public:
    int calls = 0;
    EchoCountFamily() {
        On(1, [this](SimDevice& d, const Frame&) {
            ++calls;
            return std::optional<Frame>(d.MakeAnswer(1, {1, 2, 3}));
        });
    }
};

TEST(SimDevice, FamilyCommandTableAnswersItsCommandsOnly) {
    auto family = std::make_unique<EchoCountFamily>();
    EchoCountFamily* table = family.get();
    SimDevice device(227, 5, std::move(family));

    EXPECT_EQ(device.Answer({6, 227, 5, 0, 1, 17}), (Frame{9, 227, 5, 0, 1, 1, 2, 3, 8}));
    EXPECT_EQ(device.Answer({6, 227, 5, 0, 5, 13}), std::nullopt);  // no handler
    EXPECT_EQ(device.Answer({6, 227, 5, 0, 0, 18}), (Frame{6, 227, 5, 0, 0, 18}));
    EXPECT_EQ(device.Answer({6, 227, 5, 0, 1, 18}), std::nullopt);  // bad check byte
    EXPECT_EQ(device.Answer({6, 229, 5, 0, 1, 15}), std::nullopt);  // another type
    EXPECT_EQ(table->calls, 1);
}

TEST(SimDevice, RegisteredFamilyServesEveryDeviceOfItsGroup) {
    // Family::None is the group of codes outside the model registry; no real
    // family is ever registered for it.
    ASSERT_EQ(omi::FamilyOf(200), omi::Family::None);
    omi::RegisterSimFamily(omi::Family::None, [](const SimDevice&) { return std::make_unique<EchoCountFamily>(); });
    SimDevice registered(200, 5);
    omi::RegisterSimFamily(omi::Family::None, nullptr);
    SimDevice unregistered(200, 5);

    const Frame command1{6, 200, 5, 0, 1, 44};
    EXPECT_EQ(registered.Answer(command1), (Frame{9, 200, 5, 0, 1, 1, 2, 3, 35}));
    EXPECT_EQ(unregistered.Answer(command1), std::nullopt);
    EXPECT_EQ(unregistered.Answer(kBroadcast), (Frame{6, 200, 5, 0, 0, 45}));
}

std::vector<SimDevice> devices(std::initializer_list<std::pair<int, int>> list) {
    std::vector<SimDevice> out;
    for (auto [type, serial] : list) out.emplace_back(type, serial);
    return out;
}

TEST(SimResponder, SharedLineAnswersBroadcastByTheFirstDeviceOnly) {
    omi::SimResponder line(devices({{229, 5}, {234, 417}}), {});
    EXPECT_EQ(line.Respond(kBroadcast), (Frame{6, 229, 5, 0, 0, 16}));
    EXPECT_EQ(line.Respond(kAnswer234), kAnswer234);
    EXPECT_EQ(line.Respond({6, 229, 5, 0, 0, 16}), (Frame{6, 229, 5, 0, 0, 16}));
    EXPECT_EQ(line.Respond({6, 230, 5, 0, 0, 15}), std::nullopt);
}

struct FaultCase {
    const char* name;
    omi::SimFaults faults;
    // For six broadcasts in a row: '-' no answer, 'a' a good answer, 'x' an
    // answer with a wrong check byte.
    const char* pattern;
};

TEST(SimResponder, FaultsFollowTheirCounts) {
    const FaultCase cases[] = {
        {"none", {}, "aaaaaa"},
        {"silence every 3rd", {.silenceEvery = 3}, "aa-aa-"},
        {"bad check every 2nd", {.badCheckEvery = 2}, "axaxax"},
        {"both count their own events", {.badCheckEvery = 2, .silenceEvery = 2}, "a-x-a-"},
        {"silent", {.silent = true}, "------"},
        {"hang-up after 4", {.hangupAfter = 4}, "aaaa--"},
        {"hang-up counts answers, not requests", {.silenceEvery = 2, .hangupAfter = 2}, "a-a---"},
    };
    for (const auto& c : cases) {
        omi::SimResponder line(devices({{234, 417}}), c.faults);
        std::string seen;
        for (int i = 0; i < 6; ++i) {
            const auto answer = line.Respond(kBroadcast);
            if (!answer) {
                seen += '-';
                continue;
            }
            Frame good = *answer;
            good.back() = kAnswer234.back();
            EXPECT_EQ(good, kAnswer234) << c.name;  // only the check byte may differ
            seen += omi::CheckFrameSum(*answer) ? 'a' : 'x';
        }
        EXPECT_EQ(seen, c.pattern) << c.name;
    }
}

bool isTypeCandidate(std::uint8_t b) {
    return b == 0 || b == 128 || (b >= 225 && b <= 237);
}

TEST(SimResponder, NoiseNeverHoldsTheStartOfAFrame) {
    for (int n : {1, 2, 3, 7, 40}) {
        omi::SimResponder line(devices({{234, 417}}), {.noiseBytes = n});
        omi::SimResponder again(devices({{234, 417}}), {.noiseBytes = n});
        // What a client receives after many answers, and where the noise lies.
        Frame stream;
        std::vector<bool> isNoise;
        for (int i = 0; i < 1000; ++i) {
            const Frame noise = line.Noise();
            ASSERT_EQ(noise.size(), static_cast<std::size_t>(n));
            ASSERT_EQ(noise, again.Noise()) << "noise is deterministic";
            const auto answer = line.Respond(kBroadcast);
            ASSERT_TRUE(answer);
            stream.insert(stream.end(), noise.begin(), noise.end());
            isNoise.insert(isNoise.end(), noise.size(), true);
            stream.insert(stream.end(), answer->begin(), answer->end());
            isNoise.insert(isNoise.end(), answer->size(), false);
        }
        // No frame a client would accept (length, check byte, a device type
        // or the broadcast type) starts inside the noise.
        for (std::size_t p = 0; p < stream.size(); ++p) {
            if (!isNoise[p]) continue;
            const std::size_t length = stream[p];
            if (length < 6 || p + length > stream.size()) continue;
            const Frame candidate(stream.begin() + p, stream.begin() + p + length);
            EXPECT_FALSE(omi::CheckFrameSum(candidate) && isTypeCandidate(candidate[1]))
                << "noise " << n << " at " << p;
        }
        // A burst starts with a plausible length byte, so a client reading a
        // length first takes the burst and the answer in one read.
        if (n >= 2) {
            EXPECT_EQ(line.Noise().front(), 255) << n;
        }
    }
}

TEST(SimResponder, LogsEveryRequestAsDecimalBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("requests.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier run\n");
    }
    omi::SimResponder line(devices({{234, 417}}), {.silent = true});
    ASSERT_EQ(line.SetLogFile(path), QString());
    line.Respond(kBroadcast);
    line.Respond({6, 234, 162, 1, 0, 109});
    // Written at once, while the responder is still alive.
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), "earlier run\n6 0 0 0 0 250\n6 234 162 1 0 109\n");

    EXPECT_FALSE(line.SetLogFile(dir.filePath("no/such/dir/x.log")).isEmpty());
}

TEST(SimOptions, ReadsEveryOption) {
    omi::SimOptions o;
    const QStringList args{"omi-sim", "--pty", "--udp", "127.0.0.1:0", "--device", "234:417", "--device", "229:5",
                           "--noise", "3", "--bad-check", "4", "--silence", "5", "--silent", "--delay", "20",
                           "--baud", "9600", "--hangup-after", "7", "--log", "/tmp/x.log",
                           "--today", "2026-03-07T13", "--daily-current", "-1", "--hourly-current", "1080",
                           "--write-result", "2"};
    ASSERT_EQ(omi::ParseSimOptions(args, o), QString());
    EXPECT_TRUE(o.pty);
    EXPECT_TRUE(o.udp);
    EXPECT_EQ(o.udpHost.toString(), "127.0.0.1");
    EXPECT_EQ(o.udpPort, 0);
    EXPECT_EQ(o.devices, (std::vector<std::pair<int, int>>{{234, 417}, {229, 5}}));
    EXPECT_EQ(o.faults.noiseBytes, 3);
    EXPECT_EQ(o.faults.badCheckEvery, 4);
    EXPECT_EQ(o.faults.silenceEvery, 5);
    EXPECT_TRUE(o.faults.silent);
    EXPECT_EQ(o.faults.delayMs, 20);
    EXPECT_EQ(o.faults.baud, 9600);
    EXPECT_EQ(o.faults.hangupAfter, 7);
    EXPECT_EQ(o.logPath, "/tmp/x.log");
    ASSERT_TRUE(o.settings.clock);
    EXPECT_EQ(o.settings.clock(), QDateTime(QDate(2026, 3, 7), QTime(13, 0)));
    EXPECT_EQ(o.settings.dailyCurrent, -1);
    EXPECT_EQ(o.settings.hourlyCurrent, 1080);
    EXPECT_EQ(o.settings.writeResult, 2);

    ASSERT_EQ(omi::ParseSimOptions({"omi-sim", "--pty"}, o), QString());
    EXPECT_EQ(o.devices, (std::vector<std::pair<int, int>>{{234, 417}}));
    EXPECT_FALSE(o.settings.clock);  // the computer's clock
    EXPECT_EQ(o.settings.dailyCurrent, std::nullopt);
    EXPECT_EQ(o.settings.writeResult, 0);
    ASSERT_EQ(omi::ParseSimOptions({"omi-sim", "--pty", "--today", "2001-01-01"}, o), QString());
    EXPECT_EQ(o.settings.clock(), QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
    ASSERT_EQ(omi::ParseSimOptions({"omi-sim", "--pty", "--type", "128", "--serial", "20560"}, o), QString());
    EXPECT_EQ(o.devices, (std::vector<std::pair<int, int>>{{128, 20560}}));
}

TEST(SimOptions, RefusesBadInputInItsOwnWords) {
    struct Bad {
        QStringList args;
        const char* mentions;
    };
    const Bad cases[] = {
        {{}, "--pty"},
        {{"--type", "234"}, "--pty"},
        {{"--pty", "--type", "0"}, "--type"},
        {{"--pty", "--type", "256"}, "--type"},
        {{"--pty", "--serial", "65536"}, "--serial"},
        {{"--pty", "--serial", "abc"}, "--serial"},
        {{"--pty", "--device", "234"}, "--device"},
        {{"--pty", "--device", "234:x"}, "--device"},
        {{"--udp", "127.0.0.1"}, "--udp"},
        {{"--udp", "nohost:5001"}, "--udp"},
        {{"--udp", "127.0.0.1:70000"}, "--udp"},
        {{"--pty", "--noise", "-1"}, "--noise"},
        {{"--pty", "--bad-check", "0"}, "--bad-check"},
        {{"--pty", "--silence", "0"}, "--silence"},
        {{"--pty", "--baud", "0"}, "--baud"},
        {{"--pty", "--hangup-after", "0"}, "--hangup-after"},
        {{"--pty", "--today", "2026-02-30"}, "--today"},
        {{"--pty", "--today", "2026-03-07T24"}, "--today"},
        {{"--pty", "--today", "2026-03-07 13"}, "--today"},
        {{"--pty", "--today", "2000-12-31"}, "--today"},
        {{"--pty", "--daily-current", "-2"}, "--daily-current"},
        {{"--pty", "--hourly-current", "65535"}, "--hourly-current"},
        {{"--pty", "--write-result", "256"}, "--write-result"},
        {{"--pty", "--frobnicate"}, "frobnicate"},
        {{"--pty", "--noise"}, "noise"},
        {{"--pty", "extra"}, "extra"},
    };
    for (const auto& c : cases) {
        omi::SimOptions o;
        const QString message = omi::ParseSimOptions(QStringList{"omi-sim"} + c.args, o);
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.mentions))) << c.args.join(' ').toStdString() << ": "
                                                                      << message.toStdString();
        // Russian words, whatever the option.
        EXPECT_TRUE(message.contains(QRegularExpression("[а-я]"))) << message.toStdString();
    }
}

}  // namespace
