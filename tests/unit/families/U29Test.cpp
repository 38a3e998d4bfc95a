// Family 229/230: decoders against hand-made frames, the configuration write
// data, texts, the common-setting rules, the 176-byte archive record, the
// archive table and the state imitation.

#include <gtest/gtest.h>

#include <cmath>

#include "families/ErrBits.h"
#include "families/RandNorm.h"
#include "families/U29.h"
#include "families/U29Archive.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u29;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x1234;

// Floats as little-endian bytes.
const std::vector<std::uint8_t> f1_5{0x00, 0x00, 0xC0, 0x3F};     // 1.5
const std::vector<std::uint8_t> f2_0{0x00, 0x00, 0x00, 0x40};     // 2.0
const std::vector<std::uint8_t> f4_5{0x00, 0x00, 0x90, 0x40};     // 4.5
const std::vector<std::uint8_t> f90{0x00, 0x00, 0xB4, 0x42};      // 90.0
const std::vector<std::uint8_t> f70{0x00, 0x00, 0x8C, 0x42};      // 70.0
const std::vector<std::uint8_t> f0_25{0x00, 0x00, 0x80, 0x3E};    // 0.25
const std::vector<std::uint8_t> f1500{0x00, 0x80, 0xBB, 0x44};    // 1500.0
const std::vector<std::uint8_t> fMinus1{0x00, 0x00, 0x80, 0xBF};  // -1.0

Frame stateFrame(int type = 229) {
    return HandFrame(105, type, kSerial, 1,
                     {{5, f1_5},
                      {9, f2_0},
                      {13, f90},
                      {21, f70},
                      {37, f4_5},
                      {53, f0_25},
                      {77, {0x05, 0x20, 0x11}},
                      {92, f1500},
                      {100, fMinus1}});
}

Frame configFrame(int type = 229) {
    return HandFrame(46, type, kSerial, 5,
                     {{5, {0x7D, 0x00, 0xE8, 0x03}},  // system 1 weights 1, 2: 125 (12.5 л/имп), 1000
                      {11, {0x0A, 0x00}},             // system 2 weight 1: 10
                      {17, {0x02, 0x00, 5, 15, 1, 2, 3, 4}},
                      {25, f0_25},
                      {37, f1500},
                      {41, {10, 0, 1}}});
}

// Every duration and code different, so a swapped offset shows.
Frame archiveFrame(int type = 229) {
    return HandFrame(166, type, kSerial, 3,
                     {{5, {0x10, 0x00, 0x03, 0x00, 0x04, 0x00}},  // operating time 16; with errors 3 and 4
                      {11, f1_5},
                      {15, f2_0},
                      {43, {0x5A, 0x05}},                                       // 1370 minutes in the period
                      {101, f4_5},                                              // system 1 P1
                      {113, f90},                                               // system 2 P2
                      {117, {0x1E, 0x00, 0x1F, 0x00, 0x07, 0x00, 0x08, 0x00}},  // fatal 30, 31; small flow 7, 8
                      {125, f0_25},                                             // system 1 small-flow energy
                      {133, {0x09, 0x00, 0x0B, 0x00}},                          // large flow 9, 11
                      {141, f70},                                               // system 2 large-flow energy
                      {145, {0x0C, 0x00, 0x0D, 0x00}},                          // small t1-t2 12, 13
                      {157, {0x01, 0x02, 0x04, 0x05}},                          // codes 1, 2, device 4, hour 5
                      {161, {0x01, 0x00}}});                                    // day number 1
}

class U29 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    DeviceAddress from{kSerial, 229};
};

TEST_F(U29, StateFieldsGoToTheirSystem) {
    StatePair pair{};
    ASSERT_EQ(DecState(stateFrame(), from, pair), QString());
    EXPECT_EQ(pair[0].heat, 1.5);
    EXPECT_EQ(pair[1].heat, 2.0);
    EXPECT_EQ(pair[0].t1, 90.0);
    EXPECT_EQ(pair[1].t1, 70.0);
    EXPECT_EQ(pair[0].p1, 4.5);
    EXPECT_EQ(pair[0].v1, 0.25);
    EXPECT_EQ(pair[1].g1, 1500.0);
    EXPECT_EQ(pair[1].g3, -1.0);  // the last value before the check byte at 104
    EXPECT_EQ(pair[0].systemError, 5);
    EXPECT_EQ(pair[1].systemError, 32);
    // The device error byte at 79 is one value for the device, kept in both records.
    EXPECT_EQ(pair[0].deviceError, 17);
    EXPECT_EQ(pair[1].deviceError, 17);
}

TEST_F(U29, DeviceTypeIsCheckedOnlyInTheState) {
    StatePair state{};
    state[0].heat = 7;
    EXPECT_EQ(DecState(stateFrame(230), from, state), QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    EXPECT_EQ(state[0].heat, 7.0);  // untouched

    ConfigPair config{};
    EXPECT_EQ(DecParam(configFrame(230), from, config), QString());
    EXPECT_EQ(config[0].weight1, 125.0);

    ArchiveEntry entry;
    EXPECT_EQ(DecArh(archiveFrame(230), from, entry), QString());
    ASSERT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[0].Real(arh::kHeat), 1.5);

    // The one-system type answers the same frames.
    from.type = 230;
    EXPECT_EQ(DecState(stateFrame(230), from, state), QString());
    EXPECT_EQ(state[1].heat, 2.0);
}

TEST_F(U29, RefusedResponses) {
    Frame shortState = stateFrame();
    shortState.pop_back();  // length byte 105, 104 bytes held
    Frame badSum = stateFrame();
    badSum.back() ^= 0x01;
    struct Case {
        const char* name;
        Frame frame;
        QString expected;  // exact, or the beginning when prefixOnly
        bool prefixOnly;
    };
    const Case cases[] = {
        {"length byte 105, 104 bytes", shortState, QStringLiteral("unit U29:function DecState: erundec "), true},
        {"a 129-byte state of family 234", HandFrame(129, 229, kSerial, 1),
         QStringLiteral("unit U29:function DecState: erundec "), false},
        {"check byte", badSum, QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"), false},
        {"serial number", HandFrame(105, 229, kSerial + 1, 1), QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"),
         false},
        {"command code", HandFrame(105, 229, kSerial, 5), QStringLiteral("unit U29:function DecState: erundec "),
         false},
        {"empty", Frame{},
         QStringLiteral("unit U29:function DecState: erundec \rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"
                        "\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StatePair pair{};
        pair[1].g2 = 3;
        const QString m = DecState(c.frame, from, pair);
        if (c.prefixOnly)
            EXPECT_TRUE(m.startsWith(c.expected)) << m.toStdString();
        else
            EXPECT_EQ(m, c.expected);
        EXPECT_EQ(pair[1].g2, 3.0);
    }

    ConfigPair config{};
    EXPECT_EQ(DecParam(HandFrame(100, 229, kSerial, 5), from, config),
              QStringLiteral("unit Upo:function DecParam: erundec "));
    ArchiveEntry entry;
    EXPECT_EQ(DecArh(HandFrame(222, 229, kSerial, 3), from, entry),
              QStringLiteral("unit Upo:function DecArh: erundec "));
    EXPECT_EQ(DecArh(HandFrame(166, 229, kSerial + 1, 3), from, entry),
              QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"));
    EXPECT_TRUE(entry.empty());
}

TEST_F(U29, ConfigurationFieldsAndCommonValues) {
    ConfigPair pair{};
    ASSERT_EQ(DecParam(configFrame(), from, pair), QString());
    EXPECT_EQ(pair[0].weight1, 125.0);
    EXPECT_EQ(pair[0].weight2, 1000.0);
    EXPECT_EQ(pair[1].weight1, 10.0);
    EXPECT_EQ(pair[0].systemType, 3);  // byte + 1
    EXPECT_EQ(pair[1].systemType, 1);
    EXPECT_EQ(pair[0].minFlow, 0.25);
    EXPECT_EQ(pair[1].maxFlow, 1500.0);
    for (const ConfigRecord& r : pair) {
        EXPECT_EQ(r.coldT1, 5);
        EXPECT_EQ(r.coldT2, 15);
        EXPECT_EQ(r.firstDay, 1);
        EXPECT_EQ(r.firstMonth, 2);
        EXPECT_EQ(r.lastDay, 3);
        EXPECT_EQ(r.lastMonth, 4);
        EXPECT_EQ(r.reportDay, 10);
        EXPECT_EQ(r.summing, 0);
        EXPECT_EQ(r.secondT, 1);
    }

    // A second answer that differs only in the first month changes that
    // month in both records and nothing else.
    Frame next = configFrame();
    next[22] = 9;
    next.back() = FrameCheckByte(next.data(), next.size() - 1);
    ConfigPair after = pair;
    ASSERT_EQ(DecParam(next, from, after), QString());
    for (std::size_t s = 0; s < 2; ++s) {
        EXPECT_EQ(after[s].firstMonth, 9);
        ConfigRecord restored = after[s];
        restored.firstMonth = pair[s].firstMonth;
        EXPECT_EQ(ParamToText({restored, restored}, 0), ParamToText({pair[s], pair[s]}, 0));
    }
}

TEST_F(U29, SetParOfTheDefaultConfiguration) {
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {0xE8, 0x03});
    expected.insert(expected.end(), {0, 0, 0, 0, 1, 1, 1, 1});
    expected.insert(expected.end(), 8, 0);
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), {0x00, 0x80, 0xBB, 0x44});
    expected.insert(expected.end(), {1, 1, 0, 0});
    ASSERT_EQ(expected.size(), 40u);

    const SetParResult r = SetPar({DefaultConfig(), DefaultConfig()});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.data, expected);
    EXPECT_EQ(r.mismatch, QString());
    EXPECT_EQ(SetPar(Records{}.config).data, expected);  // the current pair starts as the defaults
}

TEST_F(U29, SetParSendsBackWhatWasReadAndTypedWeights) {
    ConfigPair pair{};
    ASSERT_EQ(DecParam(configFrame(), from, pair), QString());
    const SetParResult r = SetPar(pair);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Frame frame = configFrame();
    EXPECT_EQ(r.data, Frame(frame.begin() + 5, frame.begin() + 45));
    EXPECT_EQ(r.mismatch, QString());

    // Weights are litres per pulse × 10, without a unit bit: 12.5 typed is 125.
    ConfigPair typed{DefaultConfig(), DefaultConfig()};
    typed[1].weight3 = PulseWeightOfTyped(12.5);
    EXPECT_EQ(typed[1].weight3, 125.0);
    EXPECT_EQ(PulseWeightText(typed[1].weight3), QStringLiteral("12,5"));
    EXPECT_EQ(PulseWeightText(1000), QStringLiteral("100,0"));
    typed[0].weight1 = 123.4;  // rounded
    const SetParResult w = SetPar(typed);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.data[0], 123);
    EXPECT_EQ(w.data[10], 0x7D);
    EXPECT_EQ(w.data[11], 0x00);
}

TEST_F(U29, MismatchNamesTheCommonSettingsThatDiffer) {
    struct Case {
        const char* name;
        void (*change)(ConfigRecord&);
        QString expected;
    };
    const Case cases[] = {
        {"report day", [](ConfigRecord& r) { r.reportDay = 2; }, QStringLiteral(" отч.день ")},
        {"system type", [](ConfigRecord& r) { r.systemType = 4; }, QString()},
        {"weight", [](ConfigRecord& r) { r.weight2 = 20; }, QString()},
        {"maximum flow", [](ConfigRecord& r) { r.maxFlow = 20; }, QString()},
        {"first month", [](ConfigRecord& r) { r.firstMonth = 12; }, QStringLiteral(" м-ц/день начала/конца ")},
        {"everything, in order",
         [](ConfigRecord& r) {
             r.secondT = 1;
             r.summing = 0;
             r.reportDay = 3;
             r.firstDay = 2;
             r.lastMonth = 5;
             r.coldT2 = 1;
             r.coldT1 = 1;
         },
         QStringLiteral(" t°С XBC  доп. t°С XBC  м-ц/день начала/конца  отч.день  Пр.сумм с ош  Пр.исп.2-й t°С ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigPair pair{DefaultConfig(), DefaultConfig()};
        c.change(pair[0]);
        const SetParResult r = SetPar(pair);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.mismatch, c.expected);
    }
    // The common bytes sent are those of system 2.
    ConfigPair pair{DefaultConfig(), DefaultConfig()};
    pair[0].reportDay = 5;
    pair[1].reportDay = 9;
    EXPECT_EQ(SetPar(pair).data[36], 9);
}

TEST_F(U29, SetParRefusesValuesThatDoNotFit) {
    struct Case {
        const char* name;
        int system;
        void (*change)(ConfigRecord&);
        const char* mentions;
    };
    const Case cases[] = {
        {"weight above a word", 0, [](ConfigRecord& r) { r.weight1 = 65536; }, "вес импульса 1"},
        {"negative weight", 1, [](ConfigRecord& r) { r.weight2 = -1; }, "вес импульса 2"},
        {"weight not a number", 0, [](ConfigRecord& r) { r.weight3 = std::nan(""); }, "вес импульса 3"},
        {"system type 0", 0, [](ConfigRecord& r) { r.systemType = 0; }, "тип системы 0"},
        {"system type 257", 1, [](ConfigRecord& r) { r.systemType = 257; }, "тип системы 257"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigPair pair{DefaultConfig(), DefaultConfig()};
        c.change(pair[c.system]);
        const SetParResult r = SetPar(pair);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.data.empty());
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.mentions))) << r.error.toStdString();
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("%1-я Система").arg(c.system + 1))) << r.error.toStdString();
    }
    // The edges of the ranges still travel.
    ConfigPair edge{DefaultConfig(), DefaultConfig()};
    edge[0].weight1 = 65535;
    edge[1].systemType = 256;
    const SetParResult r = SetPar(edge);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data[0], 0xFF);
    EXPECT_EQ(r.data[1], 0xFF);
    EXPECT_EQ(r.data[13], 255);
}

TEST_F(U29, ShareCommonCopiesOnlyTheNineCommonBytes) {
    ConfigPair pair{DefaultConfig(), DefaultConfig()};
    ConfigRecord& s2 = pair[1];
    s2.coldT1 = 8;
    s2.coldT2 = 9;
    s2.firstDay = 10;
    s2.firstMonth = 11;
    s2.lastDay = 12;
    s2.lastMonth = 2;
    s2.reportDay = 25;
    s2.summing = 0;
    s2.secondT = 1;
    s2.weight1 = 125;
    s2.minFlow = 3;
    s2.maxFlow = 7;
    s2.systemType = 4;

    ShareCommon(pair, 1);
    const ConfigRecord& s1 = pair[0];
    EXPECT_EQ((std::vector<int>{s1.coldT1, s1.coldT2, s1.firstDay, s1.firstMonth, s1.lastDay, s1.lastMonth,
                                s1.reportDay, s1.summing, s1.secondT}),
              (std::vector<int>{8, 9, 10, 11, 12, 2, 25, 0, 1}));
    EXPECT_EQ(s1.weight1, 1000.0);
    EXPECT_EQ(s1.minFlow, 0.0);
    EXPECT_EQ(s1.maxFlow, 1500.0);
    EXPECT_EQ(s1.systemType, 1);
    EXPECT_EQ(SetPar(pair).mismatch, QString());

    const ConfigPair before = pair;
    ShareCommon(pair, 2);
    ShareCommon(pair, -1);
    EXPECT_EQ(ParamToText(pair, 0), ParamToText(before, 0));
    EXPECT_EQ(ParamToText(pair, 1), ParamToText(before, 1));
}

TEST_F(U29, StateAndConfigurationTexts) {
    StatePair state{};
    ASSERT_EQ(DecState(stateFrame(), from, state), QString());
    const QString z = QStringLiteral("0,00");
    EXPECT_EQ(StateToText(state, 0), (QStringList{"1,50", "0,25", z, z, "90,00", z, z, "4,50", z, z, z, z, "5", "17"}));
    EXPECT_EQ(StateToText(state, 1),
              (QStringList{"2,00", z, z, z, "70,00", z, z, z, z, "1500,00", z, "-1,00", "32", "17"}));
    SetDisplayDecimals(3);
    EXPECT_EQ(StateToText(state, 0).front(), QStringLiteral("1,500"));
    EXPECT_TRUE(StateToText(state, 2).isEmpty());
    EXPECT_TRUE(StateToText(state, -1).isEmpty());
    SetDisplayFormat(QStringLiteral("%f"));

    const ConfigPair defaults{DefaultConfig(), DefaultConfig()};
    const QStringList expected{"1000,00", "1000,00", "1000,00", "1",       "0", "0", "1", "1",
                               "1",       "1",       "0,00",    "1500,00", "1", "1", "0"};
    EXPECT_EQ(ParamToText(defaults, 0), expected);
    EXPECT_EQ(ParamToText(defaults, 1), expected);
    EXPECT_TRUE(ParamToText(defaults, 2).isEmpty());
}

TEST_F(U29, ErrorTextsAreThoseOfTheOtherTwoSystemFamilies) {
    EXPECT_EQ(SystemErrorTexts().size(), 9);
    EXPECT_EQ(DeviceErrorTexts().size(), 6);
    EXPECT_EQ(ErrBitsText(16, SystemErrorTexts()),
              QStringLiteral("Код=16:\n\rРасход теплоносителя выходит за предел минимального  значения\n\r"));
}

TEST_F(U29, ArchiveRecordOffsets) {
    ArchiveEntry entry;
    ASSERT_EQ(DecArh(archiveFrame(), from, entry), QString());
    ASSERT_EQ(entry.size(), 2u);
    for (const ArchiveRecord& r : entry) {
        EXPECT_EQ(r.Layout(), &kRecord);
        ASSERT_EQ(r.Size(), 176);
        // Day number 1 at bytes 172..175, hour 5 at 168..171, little-endian.
        EXPECT_EQ(std::vector<std::uint8_t>(r.Bytes().begin() + 168, r.Bytes().end()),
                  (std::vector<std::uint8_t>{5, 0, 0, 0, 1, 0, 0, 0}));
        EXPECT_EQ(r.Int(arh::kWork), 16);
        EXPECT_EQ(r.Int(arh::kPeriodWork), 1370);
        EXPECT_EQ(r.Int(arh::kDeviceError), 4);
        EXPECT_EQ(r.Int(44), 0);  // padding
    }
    struct Field {
        const char* name;
        int offset;
        int system1, system2;
    };
    const Field ints[] = {
        {"operating time with errors", 4, 3, 4}, {"fatal-error minutes", 120, 30, 31}, {"large-flow error", 124, 9, 11},
        {"small-flow error", 128, 7, 8},         {"small t1-t2 error", 132, 12, 13},   {"system error", 160, 1, 2},
    };
    for (const Field& f : ints) {
        EXPECT_EQ(entry[0].Int(f.offset), f.system1) << f.name;
        EXPECT_EQ(entry[1].Int(f.offset), f.system2) << f.name;
    }
    EXPECT_EQ(entry[0].Real(arh::kHeat), 1.5);
    EXPECT_EQ(entry[1].Real(arh::kHeat), 2.0);
    EXPECT_EQ(entry[0].Real(arh::kP1), 4.5);
    EXPECT_EQ(entry[1].Real(arh::kP2), 90.0);
    EXPECT_EQ(entry[0].Real(arh::kESmallFlow), 0.25);
    EXPECT_EQ(entry[1].Real(arh::kELargeFlow), 70.0);
    const double value = DateValueOfDay(entry[0].Day()) + entry[0].Hour() / 24.0;
    EXPECT_EQ(DateTimeOfValue(value), QDateTime(QDate(2000, 1, 1), QTime(5, 0)));
}

TEST_F(U29, ImitatedStatePassesTheDecoder) {
    SeedImitation(7);
    const Frame request{6, 229, kSerial & 0xFF, kSerial >> 8, 1, 0};
    for (int i = 0; i < 50; ++i) {
        const Frame answer = ImitState(request);
        ASSERT_EQ(answer.size(), 105u);
        EXPECT_EQ(Frame(answer.begin(), answer.begin() + 5), (Frame{105, 229, 0x34, 0x12, 1}));
        StatePair pair{};
        ASSERT_EQ(DecState(answer, from, pair), QString()) << i;
        for (const StateRecord& r : pair) {
            // Draws stay within 3.99 spreads of their centres.
            EXPECT_NEAR(r.t1, 100, 40);
            EXPECT_NEAR(r.t2, 80, 40);
            EXPECT_NEAR(r.t3, 20, 4);
            EXPECT_NEAR(r.p1, 10, 4);
            EXPECT_NEAR(r.p2, 10, 4);
            for (double g : {r.g1, r.g2, r.g3}) EXPECT_NEAR(g, 100, 4);
            EXPECT_GE(r.v1, 0);
            EXPECT_LE(r.v1, 1104 * 104.0);  // at most 365 + 3.99 × 180 steps
            EXPECT_GE(r.systemError, 0);
            EXPECT_LE(r.systemError, 255);
        }
        EXPECT_EQ(pair[0].deviceError, pair[1].deviceError);
    }
    // A frame too short to carry an address still gets a whole answer.
    const Frame bare = ImitState(Frame{6});
    EXPECT_EQ(bare.size(), 105u);
    EXPECT_TRUE(CheckFrameSum(bare));
}

}  // namespace

// Arbitrary bytes as answers: nothing may be read past the end; a refused
// frame leaves the records.
TEST(U29Decoders, ArbitraryBytesAreRefusedOrDecodedNeverReadPastTheEnd) {
    const DeviceAddress from{kSerial, 229};
    std::uint32_t seed = 2290;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (int round = 0; round < 2000; ++round) {
        Frame f(static_cast<std::size_t>(round % 200));
        for (auto& b : f) b = next();
        if (round % 3 == 0 && f.size() >= 6) {  // plausible head and check byte
            const int lengths[] = {kStateLength, kConfigLength, kArchiveLength};
            f.resize(static_cast<std::size_t>(lengths[round % 9 / 3]));
            f[0] = static_cast<std::uint8_t>(f.size());
            f[1] = 229;
            f[2] = kSerial & 0xFF;
            f[3] = kSerial >> 8;
            f[4] = static_cast<std::uint8_t>(round % 2 ? cmd::State : cmd::ArchiveRecord);
            f.back() = FrameCheckByte(f.data(), f.size() - 1);
        }
        StatePair state{};
        ConfigPair config{};
        ArchiveEntry entry;
        const QString s = DecState(f, from, state);
        const QString c = DecParam(f, from, config);
        const QString a = DecArh(f, from, entry);
        EXPECT_TRUE(!s.isEmpty() || f.size() == kStateLength);
        EXPECT_TRUE(s.isEmpty() || state[0].heat == 0.0) << "a refused state changed the records";
        EXPECT_TRUE(!c.isEmpty() || f.size() == kConfigLength);
        EXPECT_TRUE(c.isEmpty() || config[0].systemType == 0);
        EXPECT_EQ(a.isEmpty(), entry.size() == 2u);
    }
}
