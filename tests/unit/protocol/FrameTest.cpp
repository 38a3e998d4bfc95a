#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "protocol/Frame.h"
#include "protocol/Models.h"

using namespace omi;

namespace {

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

}  // namespace

TEST(Frame, CheckByteMakesSumZero) {
    EXPECT_EQ(FrameCheckByte(Frame{6, 0, 0, 0, 0}), 250);
    EXPECT_EQ(FrameCheckByte(Frame{}), 0);
    // The addition wraps at 8 bits.
    EXPECT_EQ(FrameCheckByte(Frame{200, 100}), static_cast<std::uint8_t>(-(300 % 256)));
    EXPECT_TRUE(CheckFrameSum(Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_FALSE(CheckFrameSum(Frame{6, 0, 0, 0, 0, 251}));
    EXPECT_FALSE(CheckFrameSum(Frame{}));
}

TEST(Frame, BuildFrameAddressesTheDeviceGiven) {
    auto f = BuildFrame({22, 225}, cmd::NumberType);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->size(), 6u);
    EXPECT_EQ((Frame{(*f)[0], (*f)[1], (*f)[2], (*f)[3], (*f)[4]}), (Frame{6, 225, 22, 0, 0}));
    int sum = 0;
    for (auto b : *f) sum += b;
    EXPECT_EQ(sum % 256, 0);

    auto g = BuildFrame({10000, 229}, cmd::ArchiveRecord, Frame{0x34, 0x12});
    ASSERT_TRUE(g);
    EXPECT_EQ(*g, withCheck({8, 229, 0x10, 0x27, 3, 0x34, 0x12}));

    // The address read back from a request is the one it was built for.
    EXPECT_EQ(AddressOf(*g), (DeviceAddress{10000, 229}));
    EXPECT_EQ(AddressOf(Frame{8, 229, 0x10}), DeviceAddress{});
}

TEST(Frame, BuildFrameRefusals) {
    const DeviceAddress to{1, 234};
    auto max = BuildFrame(to, cmd::WriteConfig, Frame(249, 7));
    ASSERT_TRUE(max);
    EXPECT_EQ(max->size(), 255u);
    EXPECT_EQ((*max)[0], 255);
    EXPECT_TRUE(CheckFrameSum(*max));

    QString error;
    EXPECT_FALSE(BuildFrame(to, cmd::WriteConfig, Frame(250, 7), &error));
    EXPECT_FALSE(error.isEmpty());

    const struct { int serial, type; } bad[] = {{-1, 234}, {1, -1}, {65536, 234}, {1, 256}};
    for (auto c : bad) EXPECT_FALSE(BuildFrame({c.serial, c.type}, cmd::State)) << c.serial << "/" << c.type;
    // Type 0 / serial 0 are inside the byte and word ranges.
    EXPECT_TRUE(BuildFrame({0, 0}, cmd::State));
}

TEST(Frame, NoTuRequestChoosesBroadcastOrAddressed) {
    EXPECT_EQ(NoTuRequest({}), (Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_EQ(NoTuRequest({417, -1}), (Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_EQ(NoTuRequest({-1, 234}), (Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_EQ(NoTuRequest({417, 234}), withCheck({6, 234, 417 & 0xFF, 417 >> 8, 0}));
}

TEST(Frame, ValidNoTuRange) {
    EXPECT_TRUE(ValidNoTu(65535, 237));
    EXPECT_TRUE(ValidNoTu(1, 128));
    EXPECT_FALSE(ValidNoTu(0, 225));
    EXPECT_FALSE(ValidNoTu(65536, 225));
    EXPECT_FALSE(ValidNoTu(1, 238));
    EXPECT_FALSE(ValidNoTu(1, 127));
    EXPECT_FALSE(ValidNoTu(-1, -1));
}

TEST(Frame, FieldCodecLittleEndianAndBounded) {
    const Frame f{6, 225, 0x10, 0x27, 0, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F};
    EXPECT_EQ(GetW(f, 2), 10000);
    EXPECT_EQ(GetL(f, 5), 0x12345678);
    EXPECT_DOUBLE_EQ(GetS(f, 9), 1.5);
    EXPECT_EQ(GetL(Frame{0xFF, 0xFF, 0xFF, 0xFF}, 0), -1);

    Frame g(12, 0);
    PutW(0xBEEF, g, 1);
    PutL(-2, g, 3);
    PutS(-273.15, g, 7);
    EXPECT_EQ(g[1], 0xEF);
    EXPECT_EQ(g[2], 0xBE);
    EXPECT_EQ(GetL(g, 3), -2);
    EXPECT_NEAR(GetS(g, 7), -273.15, 1e-4);
    EXPECT_EQ(g[11], 0) << "a write never touches bytes beyond its field";

    // Any byte past the end is refused, and nothing is written.
    const Frame before = g;
    EXPECT_THROW(GetW(g, 11), FrameAccessError);
    EXPECT_THROW(GetL(g, 9), FrameAccessError);
    EXPECT_THROW(GetS(g, -1), FrameAccessError);
    EXPECT_THROW(PutW(1, g, 11), FrameAccessError);
    EXPECT_THROW(PutL(1, g, 10), FrameAccessError);
    EXPECT_THROW(PutS(1.0, g, 9), FrameAccessError);
    EXPECT_EQ(g, before);
}

TEST(Frame, DecNoTu) {
    struct Case {
        const char* what;
        Frame response;
        int serial, type;
        QString message;
    } cases[] = {
        {"good", withCheck({6, 229, 16, 39, 0}), 10000, 229, ""},
        {"wrong length byte", withCheck({7, 229, 16, 39, 0}), -1, -1, "unit Upo:function DecNoTu: erundec "},
        {"wrong command", withCheck({6, 229, 16, 39, 1}), -1, -1, "unit Upo:function DecNoTu: erundec "},
        {"bad check byte", {6, 229, 16, 39, 0, 0}, -1, -1, "\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"},
        {"short and bad", {6, 229, 16}, -1, -1, "unit Upo:function DecNoTu: erundec \rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"},
        {"empty", {}, -1, -1, "unit Upo:function DecNoTu: erundec \rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"},
    };
    for (const auto& c : cases) {
        const NoTu d = DecNoTu(c.response);
        EXPECT_EQ(d.serial, c.serial) << c.what;
        EXPECT_EQ(d.type, c.type) << c.what;
        EXPECT_EQ(d.message, c.message) << c.what;
    }
}

TEST(Frame, ValidateFrameOrderAndMessages) {
    const DeviceAddress from{10000, 227};
    Frame good(41, 0);
    good[0] = 41;
    good[1] = 227;
    good[2] = 0x10;
    good[3] = 0x27;
    good[4] = 3;
    good.back() = FrameCheckByte(good.data(), 40);
    EXPECT_EQ(ValidateFrame(good, from, 41, 3), "");
    // The same answer judged for another device asked.
    EXPECT_EQ(ValidateFrame(good, {10000, 225}, 41, 3), "\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(ValidateFrame(good, {10001, 227}, 41, 3), "\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");

    Frame shortOne(good.begin(), good.end() - 1);  // says 41, holds 40
    shortOne.back() = FrameCheckByte(shortOne.data(), 39);
    EXPECT_TRUE(CheckFrameSum(shortOne));
    EXPECT_EQ(ValidateFrame(shortOne, from, 41, 3), "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3");

    Frame wrong = good;
    wrong[2] = 0x11;  // other serial number, check byte now wrong too
    EXPECT_EQ(ValidateFrame(wrong, from, 41, 3), "\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");

    Frame all = good;
    all[1] = 225;
    all[4] = 5;
    all[3] = 0x28;
    EXPECT_EQ(ValidateFrame(all, from, 41, 3),
              "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ\r"
              "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
}

TEST(Frame, StringForms) {
    const Frame f{6, 0, 0, 0, 0, 250};
    EXPECT_EQ(FrameToDecimal(f), "6|0|0|0|0|250|");
    EXPECT_EQ(StringToFrame(FrameToString(f)), f);
    EXPECT_EQ(FrameToString(f).size(), 6);
}

TEST(Frame, DecodersSurviveRandomBytes) {
    std::mt19937 rng(1234);
    const DeviceAddress from{417, 234};
    for (int len = 0; len <= 300; ++len) {
        for (int rep = 0; rep < 4; ++rep) {
            Frame f(len);
            for (auto& b : f) b = static_cast<std::uint8_t>(rng());
            if (len && rep == 1) f[0] = static_cast<std::uint8_t>(len);  // plausible length byte
            const NoTu d = DecNoTu(f);
            if (d.message.isEmpty()) {
                EXPECT_EQ(len, 6);
            }
            const QString m = ValidateFrame(f, from, 41, 3);
            if (m.isEmpty()) {
                EXPECT_EQ(len, 41);
            }
        }
    }
}

TEST(Models, Registry) {
    EXPECT_EQ(ModelName(226), "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(ModelName(200), "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    EXPECT_EQ(ModelName(238), "");
    EXPECT_EQ(ModelName(-1), "");
    EXPECT_EQ(ModelName(127), "");
    EXPECT_EQ(ModelName(229), "ОМИ-1 Б4");
    EXPECT_EQ(ModelName(237), "ОМИ-1 Б5М new");
    const QStringList names = KnownModelNames();
    ASSERT_EQ(names.size(), 10);
    EXPECT_EQ(names.front(), "ЛОРС");
    EXPECT_EQ(names.back(), "ОМИ-1 Б5М new");
    EXPECT_EQ(TypeOfModelName("ОМИ-1 Б5М new"), 237);
    EXPECT_EQ(TypeOfModelName("нет такого"), -1);
    EXPECT_EQ(FamilyOf(236), Family::F234);
    EXPECT_EQ(FamilyOf(230), Family::F229);
    EXPECT_EQ(FamilyOf(226), Family::None);
}
