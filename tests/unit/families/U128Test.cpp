// ЛОРС (device type 128): the 31-byte answer against hand-made frames, the
// eight-byte write requests as literal bytes, the texts, the hidden state
// lines and the state imitation.

#include <gtest/gtest.h>

#include <set>

#include "connection/Connection.h"
#include "families/RandNorm.h"
#include "families/U128.h"
#include "protocol/Exchange.h"
#include "service/DeviceReading.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u128;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x1234;

class U128 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    const DeviceAddress from{kSerial, 128};
};

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

// Channel count 2, weight numbers 0, 3, 0, 0, pulse counts 5 and 70.
Frame twoChannelFrame() {
    return HandFrame(31, 128, kSerial, 1, {{7, {5, 0, 0, 0, 70, 0, 0, 0}}, {23, {0, 3, 0, 0}}, {27, {2}}});
}

TEST_F(U128, TwoChannelsGiveTotalsAndHideChannelsThreeAndFour) {
    Record rec;
    ASSERT_EQ(DecState(twoChannelFrame(), from, rec), QString());
    EXPECT_EQ(rec.channels, 2);
    EXPECT_EQ(rec.litresPerPulse[0], 1000);
    EXPECT_EQ(rec.litresPerPulse[1], 1);
    EXPECT_EQ(rec.totals[0], 5000.0);
    EXPECT_EQ(rec.totals[1], 70.0);

    SetDisplayFormat(QStringLiteral("%f"));
    EXPECT_EQ(StateToText(rec), QStringList({"2", "5", "70", "0", "0", "0", "3", "0", "0", "1000", "1", "1000", "1000",
                                             "5000,00", "70,00", "0,00", "0,00"}));
    const std::vector<bool> shown = ShownStateLines(rec.channels);
    QStringList visible;
    for (int k = 0; k < kStateLines; ++k)
        if (shown[static_cast<std::size_t>(k)])
            visible << QString::fromUtf8(StateTable().lines[static_cast<std::size_t>(k)].label);
    EXPECT_EQ(visible,
              QStringList({"модификация ЛОРС (кол-во каналов) ", "Импульсы,1 кан", "Импульсы,2 кан", "№ веса,1 кан",
                           "№ веса,2 кан", "вес,1 кан", "вес,2 кан", "итого,1 кан", "итого,2 кан"}));
}

// Every field of the answer at its own place, every value distinct (a
// negative pulse count included): decoded by hand, and the answer table
// writes the same bytes back.
TEST_F(U128, EveryFieldOfTheAnswerHasItsPlace) {
    const Frame frame = HandFrame(31, 128, kSerial, 1,
                                  {{7, {0x01, 0x02, 0x00, 0x00, 0x10, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0x03, 0}},
                                   {23, {3, 2, 1, 0}},
                                   {27, {4}}});
    Record rec;
    ASSERT_EQ(DecState(frame, from, rec), QString());
    EXPECT_EQ(rec.channels, 4);
    EXPECT_EQ(rec.pulses, (std::array<std::int32_t, 4>{0x201, 0x10, -2, 0x30000}));
    EXPECT_EQ(rec.weights, (std::array<std::uint8_t, 4>{3, 2, 1, 0}));

    Frame encoded(31, 0);
    ASSERT_TRUE(EncodeFields(RecordPair<Record>{rec, rec}, AnswerLayout(), encoded));
    EXPECT_EQ(Frame(encoded.begin() + 7, encoded.begin() + 28), Frame(frame.begin() + 7, frame.begin() + 28));
}

TEST_F(U128, TotalsAreSixtyFourBitProducts) {
    // 2^31 - 1 pulses of 1000 litres would overflow a 32-bit product.
    Record rec;
    ASSERT_EQ(DecState(HandFrame(31, 128, kSerial, 1, {{7, {0xFF, 0xFF, 0xFF, 0x7F}}, {27, {1}}}), from, rec),
              QString());
    EXPECT_EQ(rec.totals[0], 2147483647000.0);
    // Weight numbers above 3 stand for less than a litre: 0 litres per pulse.
    ASSERT_EQ(DecState(HandFrame(31, 128, kSerial, 1, {{7, {9, 0, 0, 0}}, {23, {4, 255}}, {27, {4}}}), from, rec),
              QString());
    EXPECT_EQ(rec.litresPerPulse[0], 0);
    EXPECT_EQ(rec.litresPerPulse[1], 0);
    EXPECT_EQ(rec.totals[0], 0.0);
}

TEST_F(U128, RefusedAnswersLeaveTheRecord) {
    Frame badSum = twoChannelFrame();
    badSum.back() ^= 1;
    Frame longer = twoChannelFrame();
    longer.insert(longer.end() - 1, 0);
    const struct {
        const char* name;
        Frame frame;
        const char* message;
    } cases[] = {
        {"command 5", HandFrame(31, 128, kSerial, 5), "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"},
        {"answer to a write", HandFrame(31, 128, kSerial, 255), "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"},
        {"length 30", HandFrame(30, 128, kSerial, 1), "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"},
        {"one byte more than its length byte, check byte right", longer, "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"},
        {"check byte", badSum, "\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"},
        {"other serial", HandFrame(31, 128, kSerial + 1, 1), "\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"},
        {"other type", HandFrame(31, 225, kSerial, 1), "\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"},
        {"empty", Frame{},
         "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА\rНЕСОВПАДЕНИЕ "
         "НОМЕРА УСТРОЙСТВА"},
        {"three bytes", Frame{31, 128, 0x34},
         "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"},
    };
    for (const auto& c : cases) {
        Record rec;
        ASSERT_EQ(DecState(twoChannelFrame(), from, rec), QString());
        EXPECT_EQ(DecParam(c.frame, from, rec), QString::fromUtf8(c.message)) << c.name;
        EXPECT_EQ(rec.channels, 2) << c.name;
        EXPECT_EQ(rec.totals[0], 5000.0) << c.name;
    }
}

TEST_F(U128, WriteRequestsAreEightBytesWithTwoDataBytes) {
    Record config;
    config.channels = 4;
    config.weights = {1, 2, 3, 0};
    const auto write = ConfigWriteRequest(kSerial, config);
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(*write, withCheck({8, 128, 0x34, 0x12, 255, 0x04, 0x39}));

    const auto number = NetworkNumberRequest(kSerial, 300);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(*number, withCheck({8, 128, 0x34, 0x12, 2, 0x2C, 0x01}));

    // Any other command in this form carries two zero data bytes.
    EXPECT_EQ(BuildLorsRequest(kSerial, cmd::Init, 300), withCheck({8, 128, 0x34, 0x12, 9, 0, 0}));
    // The serial number given is the device addressed.
    EXPECT_EQ(BuildLorsRequest(300, cmd::Init), withCheck({8, 128, 0x2C, 0x01, 9, 0, 0}));
}

TEST_F(U128, WritesThatCannotBeCarriedAreRefused) {
    const struct {
        const char* name;
        int channels;
        std::array<std::uint8_t, 4> weights;
        const char* error;
    } cases[] = {
        // 4 in channel 1 would be sent as weight 1 of channel 2.
        {"weight 4 of channel 1", 4, {4, 0, 0, 0}, "№ веса,1 кан = 4 вне пределов 0..3"},
        {"weight 255 of channel 4", 1, {0, 0, 0, 255}, "№ веса,4 кан = 255 вне пределов 0..3"},
        {"channel count 256", 256, {0, 0, 0, 0}, "кол-во каналов 256 вне пределов 0..255"},
    };
    for (const auto& c : cases) {
        Record config;
        config.channels = c.channels;
        config.weights = c.weights;
        QString error;
        EXPECT_FALSE(ConfigWriteRequest(kSerial, config, &error).has_value()) << c.name;
        EXPECT_EQ(error, QString::fromUtf8(c.error)) << c.name;
    }
    for (int n : {0, -1, 65536}) {
        QString error;
        EXPECT_FALSE(NetworkNumberRequest(kSerial, n, &error).has_value()) << n;
        EXPECT_EQ(error, QStringLiteral("новый номер должен быть от 1 до 65535")) << n;
    }
    // Nor is a request to a serial number outside 0..65535.
    for (int serial : {-1, 65536}) {
        EXPECT_FALSE(NetworkNumberRequest(serial, 300).has_value()) << serial;
        EXPECT_FALSE(BuildLorsRequest(serial, cmd::Init).has_value()) << serial;
    }
}

TEST_F(U128, WriteResultsComeFromTheAnswersContent) {
    Record sent;
    sent.channels = 2;
    sent.weights = {0, 3, 0, 0};
    EXPECT_EQ(u128::ConfigWriteResult(twoChannelFrame(), sent), 0);
    sent.weights[2] = 1;
    EXPECT_EQ(u128::ConfigWriteResult(twoChannelFrame(), sent), 1);
    sent.weights[2] = 0;
    sent.channels = 4;
    EXPECT_EQ(u128::ConfigWriteResult(twoChannelFrame(), sent), 1);
    EXPECT_EQ(u128::ConfigWriteResult(Frame(27, 0), Record{}), 1);

    EXPECT_EQ(NetworkNumberResult(withCheck({6, 128, 0x2C, 0x01, 2}), 300), 0);
    EXPECT_EQ(NetworkNumberResult(withCheck({6, 128, 0x34, 0x12, 2}), 300), 1);
    EXPECT_EQ(NetworkNumberResult(Frame{6, 128, 0x2C}, 300), 1);
}

// The device side of the same frames: the answer that carries a record, and
// the configuration that a write request carries.
TEST_F(U128, AnswerCarriesTheRecordAndWriteRequestsCarryTheConfiguration) {
    Record rec;
    rec.channels = 4;
    rec.pulses = {0x01020304, 70, 0, 9};
    rec.weights = {0, 3, 1, 2};
    const Frame expected{31, 0, 0, 0, 0, 0x34, 0x12, 4, 3, 2, 1, 70, 0, 0,   0, 0,
                         0,  0, 0, 9, 0, 0,    0,    0, 3, 1, 2, 4,  0, 255, 0};
    EXPECT_EQ(EncodeAnswer(rec, 0x1234), expected);

    Record base;
    base.pulses = {7, 7, 7, 7};
    const Record written = WrittenConfig(withCheck({8, 128, 0x34, 0x12, 255, 0x04, 0x39}), base);
    EXPECT_EQ(written.channels, 4);
    EXPECT_EQ(written.weights, (std::array<std::uint8_t, 4>{1, 2, 3, 0}));
    EXPECT_EQ(written.pulses, base.pulses);
    const Record unchanged = WrittenConfig(withCheck({6, 128, 0x34, 0x12, 255}), base);
    EXPECT_EQ(unchanged.channels, base.channels);
    EXPECT_EQ(unchanged.weights, base.weights);
}

TEST(U128Lines, ShownStateLinesByChannelCount) {
    // Line 0 is the channel count; then four groups of channels 1..4.
    const struct {
        int channels;
        const char* pattern;
    } cases[] = {
        {4, "1 1111 1111 1111 1111"}, {2, "1 1100 1100 1100 1100"}, {1, "1 1000 1000 1000 1000"},
        {3, "1 1110 1110 1110 1110"}, {0, "1 0000 0000 0000 0000"}, {8, "1 1110 1110 1110 1110"},
    };
    for (const auto& c : cases) {
        std::string got;
        const auto shown = ShownStateLines(c.channels);
        ASSERT_EQ(shown.size(), 17u);
        for (std::size_t k = 0; k < shown.size(); ++k)
            got += std::string(k % 4 == 1 ? " " : "") + (shown[k] ? "1" : "0");
        EXPECT_EQ(got, c.pattern) << c.channels;
    }
}

TEST_F(U128, ConfigurationBeforeTheFirstReadHasFourChannels) {
    EXPECT_EQ(ParamToText(DefaultConfig()), QStringList({"4", "0", "0", "0", "0"}));
}

TEST_F(U128, ImitatedStatePassesTheDecoder) {
    const DeviceAddress imitated{20560, 128};
    SeedImitation(3);
    const Frame request = withCheck({6, 128, 0x50, 0x50, 1});
    std::set<int> counts;
    for (int i = 0; i < 200; ++i) {
        const Imitated im = ImitState(request);
        ASSERT_TRUE(im.message.isEmpty());
        Record rec;
        ASSERT_EQ(DecState(im.frame, imitated, rec), QString());
        counts.insert(rec.channels);
        EXPECT_EQ(GetW(im.frame, 5), 20560);
        EXPECT_EQ(im.frame[28], 0);
        EXPECT_EQ(im.frame[29], 255);
        for (int c = 0; c < 4; ++c) {
            if (c < rec.channels) {
                EXPECT_GE(rec.pulses[c], 0);
                EXPECT_LE(rec.pulses[c], 100);
                EXPECT_LE(rec.weights[c], 3);
            } else {
                EXPECT_EQ(rec.pulses[c], 0);
                EXPECT_EQ(rec.weights[c], 0);
            }
        }
    }
    EXPECT_EQ(counts, (std::set<int>{1, 2, 4}));
}

TEST_F(U128, ImitatedWriteTakesTheConfigurationAndOtherCommandsGiveNone) {
    Record config;
    config.channels = 2;
    config.weights = {3, 1, 0, 2};
    const auto write = ConfigWriteRequest(kSerial, config);
    ASSERT_TRUE(write.has_value());
    const Imitated im = ImitState(*write);
    ASSERT_EQ(im.frame.size(), 31u);
    EXPECT_TRUE(CheckFrameSum(im.frame));
    EXPECT_EQ(im.frame[4], 255);
    EXPECT_EQ(u128::ConfigWriteResult(im.frame, config), 0);

    const Imitated none = ImitState(withCheck({6, 128, 0x34, 0x12, 5}));
    EXPECT_TRUE(none.frame.empty());
    EXPECT_EQ(none.message, QStringLiteral("unit U128:function ImitState: CMD erundec"));
}

// The configuration reading of a ЛОРС device asks with command 1 and reads
// the configuration from the state answer.
TEST_F(U128, ConfigurationReadingSendsCommandOne) {
    Connection line;
    line.SetDevice(kSerial, 128);
    ExchangeEngine& engine = line.Engine();
    engine.SetImitation(true);
    std::vector<int> commands;
    engine.SetImitationHandler([&](const Frame& request, Frame& response) {
        commands.push_back(request[4]);
        response = twoChannelFrame();
    });
    NullStatusSink status;
    Record rec;
    ReadJob job{ConfigCommand(128), {}, {}, [&](const Frame& r) { return DecParam(r, from, rec); }};
    ASSERT_TRUE(ReadWithAttempts(line, status, job).ok());
    EXPECT_EQ(commands, std::vector<int>{1});
    EXPECT_EQ(ParamToText(rec), QStringList({"2", "0", "3", "0", "0"}));
}

}  // namespace
