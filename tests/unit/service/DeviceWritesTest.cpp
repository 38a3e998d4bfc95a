// The request forms of the writes that do not need a device: the clock's
// data bytes and the year range it can carry, and the refusals that send
// nothing.

#include <gtest/gtest.h>

#include "connection/Connection.h"
#include "protocol/Frame.h"
#include "service/ChangeLog.h"
#include "service/DeviceWrites.h"

using namespace omi;

TEST(ClockData, BytesOfTheComputersTime) {
    struct Case {
        QDateTime now;
        std::optional<Frame> data;
    };
    const Case cases[] = {
        {QDateTime(QDate(2026, 3, 7), QTime(13, 5, 59)), Frame{0x11, 0x03, 0x07, 0x03, 0x1A}},
        {QDateTime(QDate(2026, 12, 31), QTime(0, 0)), Frame{0x00, 0x00, 31, 12, 26}},
        {QDateTime(QDate(2000, 1, 1), QTime(23, 59)), Frame{0x9F, 0x05, 1, 1, 0}},
        {QDateTime(QDate(2255, 6, 1), QTime(12, 0)), Frame{0xD0, 0x02, 1, 6, 255}},
        {QDateTime(QDate(2256, 1, 1), QTime(12, 0)), std::nullopt},
        {QDateTime(QDate(1999, 12, 31), QTime(12, 0)), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ClockData(c.now), c.data) << c.now.toString().toStdString();
}

TEST(PlanWrite, RefusalsSendNothing) {
    Connection line;
    EXPECT_FALSE(PlanWrite(line, WriteOp::Initialise, {}).request) << "no device";

    line.SetDevice(5, 234);
    WriteArgs args;
    args.now = QDateTime(QDate(2300, 1, 1), QTime(1, 0));
    const WritePlan clock = PlanWrite(line, WriteOp::SetClock, args);
    EXPECT_FALSE(clock.request);
    EXPECT_TRUE(clock.error.contains("2300"));
    args.newNumber = 0;
    EXPECT_FALSE(PlanWrite(line, WriteOp::SetNumber, args).request);
    args.newNumber = 300;
    EXPECT_EQ(*PlanWrite(line, WriteOp::SetNumber, args).request,
              (Frame{10, 234, 5, 0, 240, 0x55, 0xAA, 0x2C, 0x01, 235}));
    EXPECT_EQ(*PlanWrite(line, WriteOp::ClearArchives, args).request, (Frame{8, 234, 5, 0, 2, 0x44, 0xBB, 0x08}));

    // A meter without archives takes command 2 for a new number: never sent.
    line.SetDevice(5, 128);
    EXPECT_FALSE(PlanWrite(line, WriteOp::ClearArchives, args).request);
}

TEST(JudgeWrite, ResultBytes) {
    Connection line;
    line.SetDevice(5, 234);
    WriteArgs args;
    const Frame answer0{7, 234, 5, 0, 9, 0, 0}, answer1{7, 234, 5, 0, 9, 1, 0}, answer9{7, 234, 5, 0, 9, 9, 0};
    EXPECT_TRUE(JudgeWrite(line, WriteOp::Initialise, args, true, answer0).ok);
    EXPECT_EQ(JudgeWrite(line, WriteOp::Initialise, args, true, answer1).status, "не замкнута перемычка");
    EXPECT_EQ(JudgeWrite(line, WriteOp::Initialise, args, true, answer9).status, "не совпал пароль");
    EXPECT_EQ(JudgeWrite(line, WriteOp::Initialise, args, false, {}).status, "НЕТ СВЯЗИ");
    // An answer too short to carry a result is no confirmation.
    EXPECT_FALSE(JudgeWrite(line, WriteOp::Initialise, args, true, Frame{6, 234, 5, 0, 9, 0}).ok);
    // The clock takes any answer.
    EXPECT_TRUE(JudgeWrite(line, WriteOp::SetClock, args, true, answer9).ok);

    line.SetDevice(5, 225);
    EXPECT_TRUE(JudgeWrite(line, WriteOp::Initialise, args, true, answer9).ok);
    EXPECT_EQ(JudgeWrite(line, WriteOp::Initialise, args, false, {}).status, "не замкнута перемычка или нет связи");
    EXPECT_EQ(JudgeWrite(line, WriteOp::SetClock, args, false, {}).status, "НЕТ СВЯЗИ");

    // The ЛОРС set number: the number the answer comes from.
    line.SetDevice(5, 128);
    args.newNumber = 300;
    EXPECT_EQ(JudgeWrite(line, WriteOp::SetNumber, args, true, Frame{8, 128, 0x2C, 1, 2, 0, 0, 0}).result, 0);
    EXPECT_EQ(JudgeWrite(line, WriteOp::SetNumber, args, true, Frame{8, 128, 5, 0, 2, 0, 0, 0}).status,
              "не замкнута перемычка");
}

namespace {
Frame Sealed(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}
}  // namespace

// The answer a write takes: the checks of every answer, with the forms the
// families answer in. An empty finding: taken.
TEST(CheckWriteAnswer, FormsOfEachFamily) {
    Connection line;
    WriteArgs args;
    args.now = QDateTime(QDate(2026, 3, 7), QTime(13, 5));
    args.newNumber = 300;
    struct Case {
        const char* what;
        int type;
        WriteOp op;
        Frame answer;
        bool taken;
    };
    const Case cases[] = {
        {"result answer", 234, WriteOp::Initialise, Sealed({7, 234, 5, 0, 9, 0}), true},
        {"refusal is an answer too", 234, WriteOp::Initialise, Sealed({7, 234, 5, 0, 9, 1}), true},
        {"wrong check byte", 234, WriteOp::Initialise, {7, 234, 5, 0, 9, 0, 0}, false},
        {"another device", 234, WriteOp::Initialise, Sealed({7, 234, 6, 0, 9, 0}), false},
        {"another type", 234, WriteOp::Initialise, Sealed({7, 235, 5, 0, 9, 0}), false},
        {"another command", 234, WriteOp::Initialise, Sealed({7, 234, 5, 0, 6, 0}), false},
        {"half of it", 234, WriteOp::SetClock, {7, 234, 5}, false},
        {"no result byte", 234, WriteOp::Initialise, Sealed({6, 234, 5, 0, 9}), false},
        {"the clock reads no result", 234, WriteOp::SetClock, Sealed({6, 234, 5, 0, 11}), true},
        {"the 225 reads no result", 225, WriteOp::ClearArchives, Sealed({6, 225, 5, 0, 2}), true},
        {"the new number from the old one", 234, WriteOp::SetNumber, Sealed({7, 234, 5, 0, 240, 0}), true},
        {"not from the new one", 234, WriteOp::SetNumber, Sealed({7, 234, 0x2C, 1, 240, 0}), false},
        {"ЛОРС number: the new one", 128, WriteOp::SetNumber, Sealed({6, 128, 0x2C, 1, 2}), true},
        {"ЛОРС number: the old one", 128, WriteOp::SetNumber, Sealed({6, 128, 5, 0, 2}), true},
        {"ЛОРС number: neither", 128, WriteOp::SetNumber, Sealed({6, 128, 7, 0, 2}), false},
    };
    for (const Case& c : cases) {
        line.SetDevice(5, c.type);
        const std::optional<Frame> request = PlanWrite(line, c.op, args).request;
        ASSERT_TRUE(request) << c.what;
        EXPECT_EQ(CheckWriteAnswer(line, c.op, args, *request, c.answer).isEmpty(), c.taken) << c.what;
    }
    // The ЛОРС answers a configuration write with its 31-byte configuration.
    line.SetDevice(5, 128);
    const Frame request = *PlanWrite(line, WriteOp::WriteConfig, args).request;
    Frame config(31, 0);
    config[0] = 31;
    config[1] = 128;
    config[2] = 5;
    config[4] = 255;
    config.back() = FrameCheckByte(config.data(), config.size() - 1);
    EXPECT_EQ(CheckWriteAnswer(line, WriteOp::WriteConfig, args, request, config), QString());
    EXPECT_FALSE(CheckWriteAnswer(line, WriteOp::WriteConfig, args, request, Sealed({7, 128, 5, 0, 255, 0})).isEmpty());
}

TEST(ChangeLog, LabelAndConfigurationFrame) {
    EXPECT_EQ(ChangeLogLabel(1, 7, 1, 9498, 754), "1 07 1 01.01.2026 12:34");
    EXPECT_EQ(ChangeLogLabel(2, 10, 2, 9498, 0), "2 10 2 01.01.2026 00:00");

    // Bytes 9..45 of the answer become bytes 5..41 of a configuration answer.
    Frame answer(50, 0);
    answer[0] = 50;
    answer[1] = 229;
    answer[2] = 9;
    answer[4] = 12;
    for (int i = 5; i < 50; ++i) answer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const std::optional<Frame> config = ChangeLogConfigFrame(answer);
    ASSERT_TRUE(config);
    ASSERT_EQ(config->size(), 46u);
    EXPECT_EQ((*config)[0], 46);
    EXPECT_EQ((*config)[1], 229);
    EXPECT_EQ((*config)[4], 5);
    EXPECT_EQ((*config)[5], 9);
    EXPECT_EQ((*config)[41], 45);
    EXPECT_EQ((*config)[42], 0);
    EXPECT_TRUE(CheckFrameSum(*config));
    // Too short to carry a configuration.
    answer.resize(45);
    EXPECT_FALSE(ChangeLogConfigFrame(answer));
}
