// The simulated calculators' answers to calibration requests (command 13),
// checked against literal request and answer bytes, and the options that
// set the deviation and the calibration pause.

#include <gtest/gtest.h>

#include "SimDevice.h"
#include "SimOptions.h"
#include "SimResponder.h"
#include "SimTestSupport.h"

using namespace omi;
using namespace omi::simtest;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes k33{0x00, 0x00, 0x04, 0x42}, k30{0x00, 0x00, 0xF0, 0x41}, k35{0x00, 0x00, 0x0C, 0x42},
    k150{0x00, 0x00, 0x16, 0x43}, k148_5{0x00, 0x80, 0x14, 0x43}, k20{0x00, 0x00, 0xA0, 0x41},
    k18_5{0x00, 0x00, 0x94, 0x41}, k33_4{0x9A, 0x99, 0x05, 0x42}, k29_2{0x9A, 0x99, 0xE9, 0x41};

SimSettings calibrating(std::array<double, 4> deviation, int writeResult = 0) {
    SimSettings s;
    s.calibrationDeviation = deviation;
    s.writeResult = writeResult;
    return s;
}

}  // namespace

TEST(SimCalibration, AnswersInTheFamilyForm) {
    struct Case {
        const char* what;
        int type;
        Bytes request;  // data bytes
        std::array<double, 4> deviation;
        int writeResult;
        std::optional<Bytes> answer;  // data bytes; nothing: silent
    };
    const Case cases[] = {
        {"229 lower point, no deviation", 229, cat({{0}, k33, k30, k33, k30}), {}, 0,
         cat({{0}, k33, k30, k33, k30})},
        {"229: system 2 supply deviates", 229, cat({{0}, k33, k30, k33, k30}), {0, 0, 2, 0}, 0,
         cat({{4}, k33, k30, k35, k30})},
        {"230 has no system 2 to deviate", 230, cat({{0}, k33, k30, k33, k30}), {0, 0, 2, 0}, 0,
         cat({{0}, k33, k30, k35, k30})},
        {"227 upper point, return deviates", 227, cat({{1}, k150, k150}), {0, -1.5, 0, 0}, 0,
         cat({{3}, k150, k148_5})},
        {"225: the values at once, no result byte", 225, cat({{0}, k33, k30}), {0.4, -0.8, 0, 0}, 0,
         cat({k33_4, k29_2})},
        {"225 with its jumper open is silent", 225, cat({{0}, k33, k30}), {}, 1, std::nullopt},
        {"225 has no pressure request", 225, cat({{2}, k20}), {}, 0, std::nullopt},
        {"234 pressure channel 5", 234, cat({{5}, k20}), {0, 0, 0, -1.5}, 0, cat({{5}, k18_5})},
        {"234 pressure channel 2, no deviation of its own", 234, cat({{2}, k20}), {0, 0, 0, -1.5}, 0,
         cat({{0}, k20})},
        {"236 jumper open", 236, cat({{1}, k150, k150, k150, k150}), {}, 1, cat({{1}, k150, k150, k150, k150})},
        {"234: a point request of the two-point form", 234, cat({{0}, k33, k30}), {}, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SimDevice d(c.type, 417, calibrating(c.deviation, c.writeResult));
        const auto answer = d.Answer(request(d, cmd::Calibration, c.request));
        if (!c.answer) {
            EXPECT_EQ(answer, std::nullopt) << c.what;
            continue;
        }
        expectAnswer(answer, int(c.answer->size()) + 6, d, cmd::Calibration, c.what);
        if (answer) {
            EXPECT_EQ(dataOf(*answer), *c.answer) << c.what;
        }
    }
}

TEST(SimCalibration, PauseDelaysOnlyCalibrationAnswers) {
    SimFaults faults;
    faults.delayMs = 5;
    faults.calibrationMs = 700;
    std::vector<SimDevice> devices;
    devices.emplace_back(229, 417, SimSettings{});
    SimResponder responder(std::move(devices), faults);
    SimDevice& d = responder.Devices().front();
    ASSERT_TRUE(responder.Respond(request(d, cmd::Calibration, cat({{3}, k20}))));
    EXPECT_EQ(responder.AnswerDelayMs(), 705);
    ASSERT_TRUE(responder.Respond(request(d, cmd::State)));
    EXPECT_EQ(responder.AnswerDelayMs(), 5);
}

TEST(SimCalibration, Options) {
    SimOptions o;
    ASSERT_EQ(ParseSimOptions({"omi-sim", "--pty", "--cal-deviation", "0.5", "--cal-pause", "3000"}, o), QString());
    EXPECT_EQ(o.settings.calibrationDeviation, (std::array<double, 4>{0.5, 0.5, 0.5, 0.5}));
    EXPECT_EQ(o.faults.calibrationMs, 3000);
    ASSERT_EQ(ParseSimOptions({"omi-sim", "--pty", "--cal-deviation", "0,-1.5,2,0.25"}, o), QString());
    EXPECT_EQ(o.settings.calibrationDeviation, (std::array<double, 4>{0, -1.5, 2, 0.25}));
    for (const char* bad : {"1,2", "x", "1,2,3,nan", "5000"}) {
        const QString message = ParseSimOptions({"omi-sim", "--pty", "--cal-deviation", bad}, o);
        EXPECT_TRUE(message.contains("--cal-deviation")) << bad << ": " << message.toStdString();
    }
    EXPECT_TRUE(ParseSimOptions({"omi-sim", "--pty", "--cal-pause", "-1"}, o).contains("--cal-pause"));
}
