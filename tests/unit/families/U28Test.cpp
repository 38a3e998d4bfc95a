// Family 228: its own 97-byte state frame and texts, the configuration and
// archive frames it shares with family 229/230, its messages and the state
// imitation.

#include <gtest/gtest.h>

#include "families/ErrBits.h"
#include "families/RandNorm.h"
#include "families/U28.h"
#include "families/U29Archive.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u28;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x0A0B;

const std::vector<std::uint8_t> f1_5{0x00, 0x00, 0xC0, 0x3F};   // 1.5
const std::vector<std::uint8_t> f2_0{0x00, 0x00, 0x00, 0x40};   // 2.0
const std::vector<std::uint8_t> f4_5{0x00, 0x00, 0x90, 0x40};   // 4.5
const std::vector<std::uint8_t> f90{0x00, 0x00, 0xB4, 0x42};    // 90.0
const std::vector<std::uint8_t> f70{0x00, 0x00, 0x8C, 0x42};    // 70.0
const std::vector<std::uint8_t> f0_25{0x00, 0x00, 0x80, 0x3E};  // 0.25

Frame stateFrame(int type = 228) {
    return HandFrame(97, type, kSerial, 1,
                     {{5, f1_5},
                      {9, f2_0},
                      {45, f4_5},   // system 2 pressure 1
                      {65, f0_25},  // system 2 V1
                      {77, {0x80, 0x01, 0x05}},
                      {80, f1_5},   // system 1 flow 1
                      {84, f2_0},   // system 1 flow 2
                      {88, f90},    // system 2 flow 1
                      {92, f70}});  // system 2 flow 2, the last value before the check byte at 96
}

class U28 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    const DeviceAddress from{kSerial, 228};
};

TEST_F(U28, StateOfTwoFlowsPerSystem) {
    StatePair pair{};
    ASSERT_EQ(DecState(stateFrame(), from, pair), QString());
    EXPECT_EQ(pair[0].heat, 1.5);
    EXPECT_EQ(pair[1].heat, 2.0);
    EXPECT_EQ(pair[1].p1, 4.5);
    EXPECT_EQ(pair[1].v1, 0.25);
    EXPECT_EQ(pair[0].g1, 1.5);
    EXPECT_EQ(pair[0].g2, 2.0);
    EXPECT_EQ(pair[1].g1, 90.0);
    EXPECT_EQ(pair[1].g2, 70.0);
    EXPECT_EQ(pair[0].systemError, 128);
    EXPECT_EQ(pair[1].systemError, 1);
    EXPECT_EQ(pair[0].deviceError, 5);
    EXPECT_EQ(pair[1].deviceError, 5);
    const QString z = QStringLiteral("0,00");
    EXPECT_EQ(StateToText(pair, 1),
              (QStringList{"2,00", "0,25", z, z, z, z, z, "4,50", z, "90,00", "70,00", "1", "5"}));
    EXPECT_TRUE(StateToText(pair, 2).isEmpty());

    // Device error 0x05: bits 0 and 2.
    EXPECT_EQ(
        ErrBitsText(pair[0].deviceError, DeviceErrorTexts()),
        QStringLiteral("Код=1:\n\rОшибка АЦП.\n\rКод=4:\n\rНапряжении батареи меньше минимально допустимого.\n\r"));
}

TEST_F(U28, MessagesOfTheDecoders) {
    Frame shortState = stateFrame();
    shortState.pop_back();
    struct Case {
        const char* name;
        Frame frame;
        QString expected;
    };
    const Case cases[] = {
        {"one byte short", shortState,
         QStringLiteral("unit Upo:function DecState: erundec \rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ")},
        {"a 105-byte state of family 229", HandFrame(105, 228, kSerial, 1),
         QStringLiteral("unit Upo:function DecState: erundec ")},
        {"another device type", stateFrame(229), QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА")},
        {"another serial number", HandFrame(97, 228, kSerial + 1, 1),
         QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StatePair pair{};
        pair[0].g2 = 3;
        EXPECT_EQ(DecState(c.frame, from, pair), c.expected);
        EXPECT_EQ(pair[0].g2, 3.0);
    }
    // Configuration and archive answers of another device type are decoded.
    ConfigPair config{};
    EXPECT_EQ(DecParam(HandFrame(46, 229, kSerial, 5, {{17, {0, 0, 1}}}), from, config), QString());
    EXPECT_EQ(config[1].coldT1, 1);
    ArchiveEntry entry;
    EXPECT_EQ(DecArh(HandFrame(166, 229, kSerial, 3), from, entry), QString());
    EXPECT_EQ(DecParam(HandFrame(47, 228, kSerial, 5), from, config),
              QStringLiteral("unit Upo:function DecParam: erundec "));
    EXPECT_EQ(DecArh(HandFrame(165, 228, kSerial, 3), from, entry),
              QStringLiteral("unit Upo:function DecArh: erundec "));
}

TEST_F(U28, DayAndMonthBytesFillBothRecords) {
    ConfigPair pair{DefaultConfig(), DefaultConfig()};
    ASSERT_EQ(DecParam(HandFrame(46, 228, kSerial, 5, {{5, {0xE8, 0x03}}, {21, {15, 10, 15, 4}}}), from, pair),
              QString());
    for (const ConfigRecord& r : pair) {
        EXPECT_EQ(r.firstDay, 15);
        EXPECT_EQ(r.firstMonth, 10);
        EXPECT_EQ(r.lastDay, 15);
        EXPECT_EQ(r.lastMonth, 4);
    }
    const SetParResult r = SetPar(pair);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.mismatch, QString());
    EXPECT_EQ(Frame(r.data.begin() + 16, r.data.begin() + 20), (Frame{15, 10, 15, 4}));
}

TEST_F(U28, SetParOfTheDefaultPair) {
    const Frame expected{0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0xE8, 0x03, 0x00, 0x00,
                         0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x80, 0xBB, 0x44, 0x00, 0x80, 0xBB, 0x44, 0x01, 0x01, 0x00, 0x00};
    const SetParResult r = SetPar({DefaultConfig(), DefaultConfig()});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, expected);
    EXPECT_EQ(r.mismatch, QString());
    EXPECT_EQ(SetPar(Records{}.config).data, expected);
    // A weight the page cannot have: nothing is built.
    ConfigPair bad{DefaultConfig(), DefaultConfig()};
    bad[1].weight1 = -1;
    EXPECT_FALSE(SetPar(bad).ok);
}

TEST_F(U28, ArchiveRecordOfItsOwnListType) {
    ArchiveEntry entry;
    ASSERT_EQ(DecArh(HandFrame(166, 228, kSerial, 3,
                               {{11, f1_5}, {15, f2_0}, {133, {0x09, 0x00, 0x0B, 0x00}}, {160, {0x17, 0x2A, 0x25}}}),
                     from, entry),
              QString());
    ASSERT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[0].Layout(), &kRecord);
    EXPECT_STREQ(kRecord.name, "Tarh228");
    for (const ArchiveRecord& r : entry) {
        ASSERT_EQ(r.Size(), 176);
        EXPECT_EQ(std::vector<std::uint8_t>(r.Bytes().begin() + 168, r.Bytes().end()),
                  (std::vector<std::uint8_t>{0x17, 0, 0, 0, 0x2A, 0x25, 0, 0}));  // hour 23, day 9514
    }
    EXPECT_EQ(entry[0].Int(124), 9);  // too-large-flow duration
    EXPECT_EQ(entry[1].Int(124), 11);
    EXPECT_EQ(entry[1].Real(8), 2.0);
    EXPECT_EQ(ArchiveTables().layout, &kRecord);
    EXPECT_EQ(ArchiveTables().columns.data(), u29::ArchiveTables().columns.data());
}

TEST_F(U28, ImitatedStatePassesTheDecoder) {
    SeedImitation(28);
    const Frame request{6, 228, kSerial & 0xFF, kSerial >> 8, 1, 0};
    for (int i = 0; i < 50; ++i) {
        const Frame answer = ImitState(request);
        ASSERT_EQ(answer.size(), 97u);
        StatePair pair{};
        ASSERT_EQ(DecState(answer, from, pair), QString()) << i;
        for (const StateRecord& r : pair) {
            EXPECT_NEAR(r.g1, 100, 4);
            EXPECT_NEAR(r.g2, 100, 4);
            EXPECT_NEAR(r.t1, 100, 40);
            EXPECT_NEAR(r.p2, 10, 4);
            EXPECT_GE(r.v3, 0);
            EXPECT_LE(r.systemError, 255);
        }
    }
}

}  // namespace
