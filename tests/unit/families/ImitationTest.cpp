// The response imitation: the state answers of every family against the
// family's own decoder, the write acknowledgement, the random answers, the
// calibration answers' result rules and the engine's imitation mode.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "connection/Connection.h"
#include "families/Imitation.h"
#include "families/RandNorm.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "protocol/Exchange.h"

using namespace omi;

namespace {

constexpr int kSerial = 20560;

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

Frame request(int type, int command, const Frame& data = {}) {
    Frame f{static_cast<std::uint8_t>(data.size() + 6), static_cast<std::uint8_t>(type), kSerial & 0xFF, kSerial >> 8,
            static_cast<std::uint8_t>(command)};
    f.insert(f.end(), data.begin(), data.end());
    return withCheck(f);
}

Frame floats(std::initializer_list<float> values) {
    Frame f(values.size() * 4, 0);
    int i = 0;
    for (float v : values) PutS(v, f, 4 * i++);
    return f;
}

// A family decoder on a fresh record: its message for the frame as the
// answer of the device asked.
template <class Rec, QString (*Decode)(const Frame&, const DeviceAddress&, Rec&)>
QString decodeWith(const Frame& frame, const DeviceAddress& from) {
    Rec rec{};
    return Decode(frame, from, rec);
}

class Imitation : public ::testing::Test {
protected:
    void SetUp() override { SeedImitation(11); }
    // The imitation's answer to req, as the device req addresses; the
    // calibration's waits are recorded instead of waited.
    Frame answer(const Frame& req, Frame response = {}) {
        ImitationAnswer(req, response, pause);
        return response;
    }
    std::vector<int> pauses;
    const ImitationPause pause = [this](int ms) { pauses.push_back(ms); };
};

TEST_F(Imitation, StateAnswersPassTheirFamilysDecoder) {
    using Decode = QString (*)(const Frame&, const DeviceAddress&);
    const struct {
        int type;
        std::size_t length;
        Decode decode;
    } cases[] = {
        {128, 31, decodeWith<u128::Record, u128::DecState>},     // ЛОРС
        {225, 41, decodeWith<u25::StateRecord, u25::DecState>},  // ОМИ-1 А1(А2)М
        {227, 33, decodeWith<u27::StateRecord, u27::DecState>},  // ОМИ-1 А3
        {228, 97, decodeWith<u28::StatePair, u28::DecState>},    // ОМИ-1 Б2
        {229, 105, decodeWith<u29::StatePair, u29::DecState>},   // ОМИ-1 Б4
        {230, 105, decodeWith<u29::StatePair, u29::DecState>},   // ОМИ-1 Б5
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 20; ++i) {
            const Frame req = request(c.type, cmd::State);
            const Frame got = answer(req, req);
            ASSERT_EQ(got.size(), c.length) << c.type;
            EXPECT_TRUE(std::equal(got.begin() + 1, got.begin() + 5, req.begin() + 1)) << c.type;
            EXPECT_EQ(c.decode(got, {kSerial, c.type}), QString()) << c.type;
        }
    }
    // The family 234/235 has no state generator: the response stays as passed,
    // and its decoder refuses it.
    const Frame req = request(234, cmd::State);
    const Frame got = answer(req, req);
    EXPECT_EQ(got, req);
    u34::StatePair pair{};
    EXPECT_NE(u34::DecState(got, {kSerial, 234}, pair), QString());
}

TEST_F(Imitation, LorsWriteIsAnsweredOnlyForTypeOneTwentyEight) {
    u128::Record config;
    config.channels = 1;
    config.weights = {2, 0, 0, 0};
    const Frame req = *u128::ConfigWriteRequest(kSerial, config);
    const Frame got = answer(req);
    ASSERT_EQ(got.size(), 31u);
    EXPECT_TRUE(CheckFrameSum(got));
    EXPECT_EQ(u128::ConfigWriteResult(got, config), 0);

    const Frame other = request(227, 255, {1, 2});
    EXPECT_EQ(answer(other, other), other);
}

TEST_F(Imitation, WriteAcknowledgementConfirmsTheNewNumberAboutHalfTheTime) {
    const Frame req = *u128::NetworkNumberRequest(kSerial, 300);
    std::set<int> numbers;
    for (int i = 0; i < 100; ++i) {
        const Frame got = answer(req);
        ASSERT_EQ(got.size(), 6u);
        EXPECT_EQ(got[0], 6);
        EXPECT_EQ(got[1], 128);
        EXPECT_EQ(got[4], 2);
        EXPECT_TRUE(CheckFrameSum(got));
        numbers.insert(GetW(got, 2));
    }
    EXPECT_EQ(numbers, (std::set<int>{300, kSerial}));
}

TEST_F(Imitation, RandomAnswersHaveTheFamilysLengthAndRange) {
    const struct {
        int type, command;
        std::size_t length;
        int top;
    } cases[] = {
        {225, 3, 49, 79}, {227, 3, 41, 79}, {228, 3, 166, 79}, {229, 3, 166, 79}, {230, 3, 166, 79}, {225, 5, 23, 84},
        {227, 5, 16, 84}, {228, 5, 46, 84}, {230, 5, 46, 84},  {234, 12, 46, 79}, {128, 12, 46, 79},
    };
    for (const auto& c : cases) {
        const Frame req = request(c.type, c.command, {0x10, 0x80});
        int highest = 0;
        for (int i = 0; i < 200; ++i) {
            const Frame got = answer(req, req);
            ASSERT_EQ(got.size(), c.length) << c.type << " " << c.command;
            EXPECT_EQ(got[0], c.length);
            EXPECT_TRUE(std::equal(got.begin() + 1, got.begin() + 5, req.begin() + 1));
            EXPECT_TRUE(CheckFrameSum(got));
            for (std::size_t k = 5; k + 1 < got.size(); ++k) highest = std::max<int>(highest, got[k]);
        }
        EXPECT_EQ(highest, c.top) << c.type << " " << c.command;
    }
    // A type without its own length keeps the caller's frame length and
    // length byte; too short a frame is left alone.
    const Frame req = request(234, cmd::ArchiveRecord, {0x10, 0x80});
    const Frame passed{99, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Frame got = answer(req, passed);
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got[0], 99);
    EXPECT_TRUE(std::equal(got.begin() + 1, got.begin() + 5, req.begin() + 1));
    EXPECT_TRUE(CheckFrameSum(got));
    const Frame shortOne{1, 2, 3};
    EXPECT_EQ(answer(req, shortOne), shortOne);
}

TEST_F(Imitation, UnlistedCommandsLeaveTheResponse) {
    const Frame passed{7, 7, 7, 7, 7, 7, 7};
    for (int command : {0, 4, 6, 9, 11, 20, 21, 240, 254}) {
        EXPECT_EQ(answer(request(229, command), passed), passed) << command;
    }
    EXPECT_EQ(answer(Frame{6, 229, 1}, passed), passed);
    EXPECT_TRUE(pauses.empty());
}

// The result code of a calibration answer as the rules give it from the
// measured values the answer carries.
int expectedResult(const Frame& got, const Frame& req, std::initializer_list<int> offsets) {
    int result = 0;
    int index = 0;
    for (int offset : offsets) {
        if (std::fabs(GetS(got, offset) - GetS(req, offset)) > 1.0) result = 2 + index;
        ++index;
    }
    return result;
}

TEST_F(Imitation, CalibrationAnswersFollowTheResultRules) {
    const struct {
        const char* name;
        int type;
        Frame data;
        std::initializer_list<int> offsets;
    } cases[] = {
        {"227 temperature",
         227,
         [] {
             Frame d{0};
             auto f = floats({33, 30});
             d.insert(d.end(), f.begin(), f.end());
             return d;
         }(),
         {6, 10}},
        {"228 temperature",
         228,
         [] {
             Frame d{1};
             auto f = floats({150, 150, 150, 150});
             d.insert(d.end(), f.begin(), f.end());
             return d;
         }(),
         {6, 10, 14, 18}},
        {"229 pressure",
         229,
         [] {
             Frame d{3};
             auto f = floats({20});
             d.insert(d.end(), f.begin(), f.end());
             return d;
         }(),
         {6}},
        {"230 temperature",
         230,
         [] {
             Frame d{0};
             auto f = floats({33, 30, 33, 30});
             d.insert(d.end(), f.begin(), f.end());
             return d;
         }(),
         {6, 10, 14, 18}},
    };
    for (const auto& c : cases) {
        const Frame req = request(c.type, cmd::Calibration, c.data);
        std::set<int> results;
        for (int i = 0; i < 300; ++i) {
            const Frame got = answer(req, req);
            ASSERT_EQ(got.size(), req.size()) << c.name;
            EXPECT_TRUE(std::equal(got.begin(), got.begin() + 5, req.begin())) << c.name;
            EXPECT_TRUE(CheckFrameSum(got)) << c.name;
            for (int offset : c.offsets) EXPECT_LE(std::fabs(GetS(got, offset) - GetS(req, offset)), 3.4) << c.name;
            const int rule = expectedResult(got, req, c.offsets);
            // The jumper rule turns some calibrated answers into 1.
            if (rule == 0)
                EXPECT_TRUE(got[5] == 0 || got[5] == 1) << c.name;
            else
                EXPECT_EQ(got[5], rule) << c.name;
            results.insert(got[5]);
        }
        EXPECT_TRUE(results.count(0) && results.count(1) && results.count(2)) << c.name;
    }
    ASSERT_EQ(pauses.size(), 1200u);
    for (int ms : pauses) {
        EXPECT_GE(ms, 0);
        EXPECT_LE(ms, 1000);
    }
}

TEST_F(Imitation, CalibrationAnswerOfTwoTwentyFiveHasNoResultByte) {
    Frame data{0};
    const Frame refs = floats({33, 30});
    data.insert(data.end(), refs.begin(), refs.end());
    const Frame req = request(225, cmd::Calibration, data);
    const Frame got = answer(req, req);
    ASSERT_EQ(got.size(), 14u);
    EXPECT_EQ(got[0], 14);
    EXPECT_TRUE(std::equal(got.begin() + 1, got.begin() + 5, req.begin() + 1));
    EXPECT_TRUE(CheckFrameSum(got));
    EXPECT_NEAR(GetS(got, 5), 33.0, 3.4);
    EXPECT_NEAR(GetS(got, 9), 30.0, 3.4);

    // Other types, and requests too short for their layout: a copy.
    const Frame lors = request(128, cmd::Calibration, data);
    EXPECT_EQ(answer(lors), lors);
    const Frame u34 = request(234, cmd::Calibration, data);
    EXPECT_EQ(answer(u34), u34);
    const Frame shortRequest = request(227, cmd::Calibration, {0, 1, 2});
    EXPECT_EQ(answer(shortRequest), shortRequest);
}

TEST_F(Imitation, EngineAnswersThroughTheImitation) {
    Connection line;
    line.Engine().SetImitation(true);
    InstallImitation(line.Engine(), pause);
    line.SetDevice(kSerial, 128);
    Frame frame = *line.BuildFrame(cmd::State);
    ASSERT_TRUE(line.Exchange(frame, frame));
    u128::Record rec;
    EXPECT_EQ(u128::DecState(frame, line.Address(), rec), QString());

    line.SetDevice(kSerial, 229);
    Frame data{2};
    const Frame ref = floats({20});
    data.insert(data.end(), ref.begin(), ref.end());
    Frame cal = *line.BuildFrame(cmd::Calibration, data);
    ASSERT_TRUE(line.Exchange(cal, cal));
    EXPECT_TRUE(CheckFrameSum(cal));
    EXPECT_EQ(pauses.size(), 1u) << "the calibration waits with the pause given";
}

}  // namespace
