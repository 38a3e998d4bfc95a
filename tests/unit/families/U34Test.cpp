// Family 234/235: decoders against hand-made frames, the configuration write
// data, the texts of the views and the common-setting rules.

#include <gtest/gtest.h>

#include "families/U34.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u34;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x1234;

// Floats as little-endian bytes.
const std::vector<std::uint8_t> f1_5{0x00, 0x00, 0xC0, 0x3F};     // 1.5
const std::vector<std::uint8_t> f2_0{0x00, 0x00, 0x00, 0x40};     // 2.0
const std::vector<std::uint8_t> f90{0x00, 0x00, 0xB4, 0x42};      // 90.0
const std::vector<std::uint8_t> f70{0x00, 0x00, 0x8C, 0x42};      // 70.0
const std::vector<std::uint8_t> f0_25{0x00, 0x00, 0x80, 0x3E};    // 0.25
const std::vector<std::uint8_t> f1500{0x00, 0x80, 0xBB, 0x44};    // 1500.0
const std::vector<std::uint8_t> fMinus1{0x00, 0x00, 0x80, 0xBF};  // -1.0

Frame stateFrame(int type = 234) {
    return HandFrame(129, type, kSerial, 1,
                     {{5, f1_5},
                      {9, f2_0},
                      {13, f90},
                      {21, f70},
                      {53, f0_25},
                      {77, {0x05, 0x20, 0x11}},
                      {92, f1500},
                      {124, fMinus1}});
}

Frame configFrame(int type = 234) {
    return HandFrame(100, type, kSerial, 5,
                     {{5, {0xD2, 0x84, 0xE8, 0x03}},  // system 1 weights 1, 2: 34002, 1000
                      {11, {0x0A, 0x00}},             // system 2 weight 1: 10
                      {17, {0x02, 0x00, 5, 15, 1, 2, 3, 4}},
                      {25, f0_25},
                      {37, f1500},
                      {41, {0x07, 0x38}},
                      {43, f90},
                      {55, f70},
                      {91, {0x02, 0x01}},
                      {95, {10, 0, 1}}});
}

Frame archiveFrame(int type = 234) {
    return HandFrame(222, type, kSerial, 3,
                     {{5, {0x10, 0x00}},
                      {11, f1_5},
                      {15, f2_0},
                      {205, {0x07, 0x00}},
                      {211, {0x01, 0x02, 0x04, 0}},
                      {215, {0x01, 0x00}}});
}

class U34 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    const DeviceAddress from{kSerial, 234};
};

TEST_F(U34, StateFieldsGoToTheirSystem) {
    StatePair pair{};
    ASSERT_EQ(DecState(stateFrame(), from, pair), QString());
    EXPECT_EQ(pair[0].heat, 1.5);
    EXPECT_EQ(pair[1].heat, 2.0);
    EXPECT_EQ(pair[0].t1, 90.0);
    EXPECT_EQ(pair[1].t1, 70.0);
    EXPECT_EQ(pair[0].v1, 0.25);
    EXPECT_EQ(pair[1].g1, 1500.0);
    EXPECT_EQ(pair[1].m3, -1.0);
    EXPECT_EQ(pair[0].systemError, 5);
    EXPECT_EQ(pair[1].systemError, 32);
    // The device error byte is one value for the device, kept in both records.
    EXPECT_EQ(pair[0].deviceError, 17);
    EXPECT_EQ(pair[1].deviceError, 17);
}

TEST_F(U34, DeviceTypeIsCheckedOnlyInTheState) {
    StatePair state{};
    state[0].heat = 7;
    EXPECT_EQ(DecState(stateFrame(235), from, state), QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    EXPECT_EQ(state[0].heat, 7.0);  // untouched

    ConfigPair config{};
    EXPECT_EQ(DecParam(configFrame(235), from, config), QString());
    EXPECT_EQ(config[0].weight1, 34002.0);

    ArchiveEntry entry;
    EXPECT_EQ(DecArh(archiveFrame(235), from, entry), QString());
    ASSERT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[0].Real(arh::kHeat), 1.5);
}

TEST_F(U34, RefusedResponses) {
    Frame shortState = stateFrame();
    shortState.pop_back();  // length byte 129, 128 bytes held
    Frame badSum = stateFrame();
    badSum.back() ^= 0x01;
    Frame otherSerial = HandFrame(129, 234, kSerial + 1, 1);
    Frame wrongCommand = HandFrame(129, 234, kSerial, 5);

    struct Case {
        const char* name;
        Frame frame;
        QString expected;  // exact, or the beginning when prefixOnly
        bool prefixOnly;
    };
    const Case cases[] = {
        {"length byte 129, 128 bytes", shortState, QStringLiteral("unit U34:function DecState: erundec "), true},
        {"check byte", badSum, QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"), false},
        {"serial number", otherSerial, QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"), false},
        {"command code", wrongCommand, QStringLiteral("unit U34:function DecState: erundec "), false},
        {"empty", Frame{},
         QStringLiteral("unit U34:function DecState: erundec \rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"
                        "\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StatePair pair{};
        pair[1].m1 = 3;
        const QString m = DecState(c.frame, from, pair);
        if (c.prefixOnly)
            EXPECT_TRUE(m.startsWith(c.expected)) << m.toStdString();
        else
            EXPECT_EQ(m, c.expected);
        EXPECT_EQ(pair[1].m1, 3.0);
    }

    ConfigPair config{};
    Frame shortConfig = configFrame();
    shortConfig.pop_back();
    EXPECT_TRUE(DecParam(shortConfig, from, config).startsWith(QStringLiteral("unit Upo:function DecParam: erundec ")));
    ArchiveEntry entry;
    EXPECT_TRUE(DecArh(stateFrame(), from, entry).startsWith(QStringLiteral("unit Upo:function DecArh: erundec ")));
    EXPECT_TRUE(entry.empty());
}

TEST_F(U34, ConfigurationFieldsAndCommonValues) {
    ConfigPair pair{};
    ASSERT_EQ(DecParam(configFrame(), from, pair), QString());
    EXPECT_EQ(pair[0].weight1, 34002.0);  // 12.34 имп/л: 1234 + 0x8000
    EXPECT_EQ(pair[0].weight2, 1000.0);   // 100.0 л/имп
    EXPECT_EQ(pair[1].weight1, 10.0);
    EXPECT_EQ(pair[0].systemType, 3);  // byte + 1
    EXPECT_EQ(pair[1].systemType, 1);
    EXPECT_EQ(pair[0].minFlow, 0.25);
    EXPECT_EQ(pair[1].maxFlow, 1500.0);
    EXPECT_EQ(pair[0].contractT1, 90.0);
    EXPECT_EQ(pair[1].contractT1, 70.0);
    for (const ConfigRecord& r : pair) {
        EXPECT_EQ(r.coldT1, 5);
        EXPECT_EQ(r.coldT2, 15);
        EXPECT_EQ(r.firstDay, 1);
        EXPECT_EQ(r.firstMonth, 2);
        EXPECT_EQ(r.lastDay, 3);
        EXPECT_EQ(r.lastMonth, 4);
        EXPECT_EQ(r.flags, 0x3807);
        EXPECT_EQ(r.reservedA, 0x0102);
        EXPECT_EQ(r.reportDay, 10);
        EXPECT_EQ(r.summing, 0);
        EXPECT_EQ(r.secondT, 1);
    }
}

TEST_F(U34, SetParSendsBackWhatWasRead) {
    ConfigPair pair{};
    ASSERT_EQ(DecParam(configFrame(), from, pair), QString());
    const SetParResult r = SetPar(pair);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Frame frame = configFrame();
    EXPECT_EQ(r.data, Frame(frame.begin() + 5, frame.begin() + 99));
    EXPECT_EQ(r.mismatch, QString());
}

TEST_F(U34, SetParOfTheDefaultConfiguration) {
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {0xE8, 0x03});
    expected.insert(expected.end(), {0, 0, 5, 15, 1, 1, 1, 1});
    expected.insert(expected.end(), 8, 0);
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), {0x00, 0x80, 0xBB, 0x44});
    expected.insert(expected.end(), {0, 0});
    for (int i = 0; i < 2; ++i)
        expected.insert(expected.end(), {0x00, 0x00, 0xB4, 0x42, 0x00, 0x00, 0x8C, 0x42, 0x00, 0x00, 0x8C, 0x42});
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {0xCD, 0xCC, 0xCC, 0x3F});
    expected.insert(expected.end(), {0, 0, 0, 0, 1, 1, 0, 0});
    ASSERT_EQ(expected.size(), 94u);

    const SetParResult r = SetPar({DefaultConfig(), DefaultConfig()});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.data, expected);
    EXPECT_EQ(r.mismatch, QString());
}

TEST_F(U34, SetParWeightsFlagsAndCommonBytes) {
    ConfigPair pair{DefaultConfig(), DefaultConfig()};
    pair[0].weight1 = 34002;  // 12.34 имп/л
    pair[1].weight3 = 123.4;  // rounded to 123
    pair[0].flags = 0xFFFF;   // only 0x0707 of system 1 travels
    pair[1].flags = 0x7007;   // only 0x3838 of system 2 travels
    pair[0].reportDay = 5;    // system 2's common values are the ones sent
    pair[1].reportDay = 9;
    pair[1].systemType = 256;
    const SetParResult r = SetPar(pair);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.data[0], 0xD2);
    EXPECT_EQ(r.data[1], 0x84);
    EXPECT_EQ(r.data[10], 123);
    EXPECT_EQ(r.data[11], 0);
    EXPECT_EQ(r.data[13], 255);
    EXPECT_EQ(r.data[36], 0x07);
    EXPECT_EQ(r.data[37], 0x37);
    EXPECT_EQ(r.data[90], 9);
    EXPECT_EQ(r.data[93], 0);
    EXPECT_EQ(r.mismatch, QStringLiteral(" отч.день "));
}

TEST_F(U34, MismatchNamesTheCommonSettingsThatDiffer) {
    struct Case {
        const char* name;
        void (*change)(ConfigRecord&);
        QString expected;
    };
    const Case cases[] = {
        {"report day", [](ConfigRecord& r) { r.reportDay = 2; }, QStringLiteral(" отч.день ")},
        {"contract value", [](ConfigRecord& r) { r.contractP2 = 0.5; }, QString()},
        {"system type", [](ConfigRecord& r) { r.systemType = 4; }, QString()},
        {"weight", [](ConfigRecord& r) { r.weight2 = 20; }, QString()},
        {"reserved word", [](ConfigRecord& r) { r.reservedB = 7; }, QString()},
        {"flags", [](ConfigRecord& r) { r.flags = 0x0101; }, QString()},
        {"first cold-water t", [](ConfigRecord& r) { r.coldT1 = 6; }, QStringLiteral(" t°С XBC ")},
        {"second cold-water t", [](ConfigRecord& r) { r.coldT2 = 6; }, QStringLiteral(" доп. t°С XBC ")},
        {"all four day/month bytes, named once",
         [](ConfigRecord& r) { r.firstDay = r.firstMonth = r.lastDay = r.lastMonth = 3; },
         QStringLiteral(" м-ц/день начала/конца ")},
        {"last month", [](ConfigRecord& r) { r.lastMonth = 12; }, QStringLiteral(" м-ц/день начала/конца ")},
        {"summing", [](ConfigRecord& r) { r.summing = 0; }, QStringLiteral(" Пр.сумм с ош ")},
        {"second t in use", [](ConfigRecord& r) { r.secondT = 1; }, QStringLiteral(" Пр.исп.2-й t°С ")},
        {"everything, in order",
         [](ConfigRecord& r) {
             r.secondT = 1;
             r.summing = 0;
             r.reportDay = 3;
             r.firstDay = 2;
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
    // The names use the Latin letters t, X, B, C and the Cyrillic С after the degree sign.
    EXPECT_EQ(QStringLiteral(" t°С XBC ").toUtf8(), QByteArray(" t\xC2\xB0\xD0\xA1 XBC "));
}

TEST_F(U34, SetParRefusesValuesThatDoNotFit) {
    struct Case {
        const char* name;
        int system;
        void (*change)(ConfigRecord&);
        const char* mentions;
    };
    const Case cases[] = {
        {"weight above a word", 0, [](ConfigRecord& r) { r.weight1 = 65536; }, "вес импульса 1"},
        {"weight rounds above a word", 1, [](ConfigRecord& r) { r.weight3 = 65535.5; }, "вес импульса 3"},
        {"negative weight", 1, [](ConfigRecord& r) { r.weight2 = -1; }, "вес импульса 2"},
        {"weight not a number", 0, [](ConfigRecord& r) { r.weight2 = std::nan(""); }, "вес импульса 2"},
        {"system type 0", 0, [](ConfigRecord& r) { r.systemType = 0; }, "тип системы 0"},
        {"system type 257", 1, [](ConfigRecord& r) { r.systemType = 257; }, "тип системы 257"},
        {"reserved word A", 0, [](ConfigRecord& r) { r.reservedA = 65536; }, "резервное слово A"},
        {"reserved word B", 1, [](ConfigRecord& r) { r.reservedB = -1; }, "резервное слово B"},
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
}

TEST_F(U34, ShareCommonCopiesOnlyTheCommonSettings) {
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
    s2.reservedA = 100;
    s2.reservedB = 200;
    s2.flags = 0x0808;
    s2.contractT1 = 55;
    s2.weight1 = 34002;
    s2.minFlow = 3;
    s2.systemType = 4;
    pair[0].flags = 0x0101;

    ShareCommon(pair, 1);
    const ConfigRecord& s1 = pair[0];
    EXPECT_EQ(s1.coldT1, 8);
    EXPECT_EQ(s1.coldT2, 9);
    EXPECT_EQ(s1.firstDay, 10);
    EXPECT_EQ(s1.firstMonth, 11);
    EXPECT_EQ(s1.lastDay, 12);
    EXPECT_EQ(s1.lastMonth, 2);
    EXPECT_EQ(s1.reportDay, 25);
    EXPECT_EQ(s1.summing, 0);
    EXPECT_EQ(s1.secondT, 1);
    EXPECT_EQ(s1.reservedA, 100);
    EXPECT_EQ(s1.reservedB, 200);
    EXPECT_EQ(s1.flags, 0x0909);  // its own bits stay, the other system's are added
    EXPECT_EQ(s1.contractT1, 90.0);
    EXPECT_EQ(s1.weight1, 1000.0);
    EXPECT_EQ(s1.minFlow, 0.0);
    EXPECT_EQ(s1.systemType, 1);
    EXPECT_EQ(s2.flags, 0x0808);

    const ConfigPair before = pair;
    ShareCommon(pair, 2);
    ShareCommon(pair, -1);
    EXPECT_EQ(pair[0].flags, before[0].flags);
    EXPECT_EQ(pair[1].reportDay, before[1].reportDay);
}

TEST_F(U34, StateTextsInTheViewOrder) {
    StatePair pair{};
    ASSERT_EQ(DecState(stateFrame(), from, pair), QString());
    const QString z = QStringLiteral("0,00");
    EXPECT_EQ(StateToText(pair, 0),
              (QStringList{QStringLiteral("1,50"), QStringLiteral("0,25"), z, z, QStringLiteral("90,00"), z, z, z, z, z,
                           z, z, QStringLiteral("5"), QStringLiteral("17"), z, z, z}));
    EXPECT_EQ(StateToText(pair, 1), (QStringList{QStringLiteral("2,00"), z, z, z, QStringLiteral("70,00"), z, z, z, z,
                                                 QStringLiteral("1500,00"), z, z, QStringLiteral("32"),
                                                 QStringLiteral("17"), z, z, QStringLiteral("-1,00")}));
    SetDisplayDecimals(3);
    EXPECT_EQ(StateToText(pair, 0).front(), QStringLiteral("1,500"));
    EXPECT_EQ(StateToText(pair, 0)[12], QStringLiteral("5"));
    EXPECT_TRUE(StateToText(pair, 2).isEmpty());
    EXPECT_TRUE(StateToText(pair, -1).isEmpty());
}

TEST_F(U34, ConfigurationTextsOfTheDefaults) {
    const ConfigPair pair{DefaultConfig(), DefaultConfig()};
    const QStringList expected{"1000,00", "1000,00", "1000,00", "1",       "5", "15",    "1",     "1",
                               "1",       "1",       "0,00",    "1500,00", "0", "90,00", "70,00", "70,00",
                               "1,60",    "1,60",    "1,60",    "1",       "1", "0"};
    EXPECT_EQ(ParamToText(pair, 0), expected);
    EXPECT_EQ(ParamToText(pair, 1), expected);
    EXPECT_TRUE(ParamToText(pair, 2).isEmpty());
}

TEST_F(U34, CurrentConfigurationStartsAsTheDefaults) {
    const SetParResult r = SetPar(Records{}.config);
    EXPECT_EQ(r.data, SetPar({DefaultConfig(), DefaultConfig()}).data);
    EXPECT_EQ(Records{}.state[0].heat, 0.0);
    EXPECT_EQ(Records{}.state[1].deviceError, 0);
}

TEST_F(U34, ArchiveRecordOfDayOneHourZero) {
    ArchiveEntry entry;
    ASSERT_EQ(DecArh(archiveFrame(), from, entry), QString());
    ASSERT_EQ(entry.size(), 2u);
    for (const ArchiveRecord& r : entry) {
        EXPECT_EQ(r.Day(), 1);
        EXPECT_EQ(r.Hour(), 0);
        EXPECT_EQ(r.Int(arh::kWork), 16);
        EXPECT_EQ(r.Int(arh::kDeviceError), 4);
    }
    EXPECT_EQ(entry[0].Int(arh::kSystemError), 1);
    EXPECT_EQ(entry[1].Int(arh::kSystemError), 2);
    EXPECT_EQ(entry[0].Int(arh::kFurtherWord1), 7);
    EXPECT_EQ(entry[1].Int(arh::kFurtherWord1), 0);  // system 2 has no such word
    EXPECT_EQ(entry[1].Real(arh::kHeat), 2.0);
    const double value = DateValueOfDay(entry[0].Day()) + entry[0].Hour() / 24.0;
    EXPECT_EQ(DateTimeOfValue(value), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
}

}  // namespace

// Arbitrary bytes as answers: every length up to a little over the longest
// frame, with and without a valid length byte, type, serial number and check
// byte. Nothing may be read past the end; a refused frame leaves the records.
TEST(U34Decoders, ArbitraryBytesAreRefusedOrDecodedNeverReadPastTheEnd) {
    const DeviceAddress from{kSerial, 234};
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (int round = 0; round < 2000; ++round) {
        Frame f(static_cast<std::size_t>(round % 240));
        for (auto& b : f) b = next();
        if (round % 3 == 0 && f.size() >= 6) {  // plausible head and check byte
            const int lengths[] = {kStateLength, kConfigLength, kArchiveLength};
            f.resize(static_cast<std::size_t>(lengths[round % 9 / 3]));
            f[0] = static_cast<std::uint8_t>(f.size());
            f[1] = 234;
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
