// The configuration editors' rules: pulse-weight words and their unit bit,
// contract flag bits, valid days and months for the pickers, loading a record
// into page texts and collecting page texts back into a record (status texts,
// stops, enabled controls), the ЛОРС weight numbers and the level-0 grid.

#include <gtest/gtest.h>

#include "families/ConfigPageRules.h"
#include "families/U25.h"
#include "protocol/Frame.h"
#include "support/Format.h"

using namespace omi;
using namespace omi::cfgpage;

namespace {

class ConfigPageRules : public ::testing::Test {
protected:
    void SetUp() override { SetDisplayFormat(QStringLiteral("%f")); }
};

TEST_F(ConfigPageRules, PulseWeightWordsAndTheirTexts) {
    struct Case {
        double typed;
        bool perLitre;
        double word;
        const char* shown;
    } const cases[] = {
        {12.34, true, 34002, "12,34"},  // 1234 + 0x8000
        {12.34, false, 123.4, "12,3"},  // sent as 123
        {100.0, false, 1000, "100,0"},
        {0.01, true, 32769, "0,01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_DOUBLE_EQ(U34WeightWord(c.typed, c.perLitre), c.word);
        const WeightView v = U34WeightView(c.word);
        EXPECT_EQ(v.text, QString::fromUtf8(c.shown));
        EXPECT_EQ(v.pulsesPerLitre, c.perLitre);
    }
    EXPECT_DOUBLE_EQ(U34ToggleUnit(34002), 1234);
    EXPECT_DOUBLE_EQ(U34ToggleUnit(1234), 34002);
    EXPECT_EQ(U34WeightLabel(1, true), QStringLiteral("вес имп.Vп имп/л"));
    EXPECT_EQ(U34WeightLabel(3, false), QStringLiteral("вес имп.Vx л/имп"));
    EXPECT_EQ(ParseNumber(QStringLiteral(" 12,5 ")), 12.5);
    EXPECT_EQ(ParseNumber(QStringLiteral("12.5")), 12.5);
    EXPECT_FALSE(ParseNumber(QStringLiteral("12..5")).has_value());
    EXPECT_FALSE(ParseNumber(QStringLiteral("inf")).has_value());
}

TEST_F(ConfigPageRules, ContractFlagBitsOfEachSystem) {
    const int system1[6] = {0, 1, 2, 8, 9, 10};
    const int system2[6] = {3, 4, 5, 11, 12, 13};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ContractFlagBit(0, i), system1[i]);
        EXPECT_EQ(ContractFlagBit(1, i), system2[i]);
    }
    EXPECT_EQ(ContractFlagBit(2, 0), -1);
    EXPECT_EQ(ContractFlagBit(0, 6), -1);
}

TEST_F(ConfigPageRules, DaysAndMonthsThePickersCanShow) {
    struct Case {
        int day, month, year, wantDay, wantMonth;
    } const cases[] = {
        {5, 13, 2026, 5, 1}, {31, 13, 2026, 31, 1}, {1, 0, 2026, 1, 1},  {30, 2, 2026, 1, 2},    {29, 2, 2024, 29, 2},
        {29, 2, 2025, 1, 2}, {0, 5, 2026, 1, 5},    {31, 4, 2026, 1, 4}, {31, 12, 2026, 31, 12}, {255, 255, 2026, 1, 1},
    };
    for (const Case& c : cases) {
        const DayMonth dm = ValidDayMonth(c.day, c.month, c.year);
        EXPECT_EQ(dm.day, c.wantDay) << c.day << "." << c.month << "." << c.year;
        EXPECT_EQ(dm.month, c.wantMonth) << c.day << "." << c.month << "." << c.year;
    }
}

TEST_F(ConfigPageRules, LoadingMakesDatesValidInBothRecords) {
    u34::ConfigPair pair{u34::DefaultConfig(), u34::DefaultConfig()};
    for (auto& r : pair) {
        r.firstDay = 31;
        r.firstMonth = 13;
        r.lastDay = 31;
        r.lastMonth = 6;
        r.systemType = 7;
    }
    const SystemPage page = LoadPage(pair, 1, 2026);
    EXPECT_EQ(page.first.month, 1);
    EXPECT_EQ(page.first.day, 31);
    EXPECT_EQ(page.last.month, 6);
    EXPECT_EQ(page.last.day, 1);
    for (const auto& r : pair) {
        EXPECT_EQ(r.firstMonth, 1);
        EXPECT_EQ(r.lastDay, 1);
    }
    EXPECT_EQ(page.typeIndex, -1);
    EXPECT_EQ(page.typeText, QStringLiteral("Тип системы=7 не определен"));

    // Collecting a page whose box shows no item keeps the record's type.
    u34::ConfigRecord rec = pair[1];
    CollectPage(page, 1, rec);
    EXPECT_EQ(rec.systemType, 7);
}

TEST_F(ConfigPageRules, U34PageRoundTripsAndSharesOnlyCommonSettings) {
    u34::ConfigPair pair{u34::DefaultConfig(), u34::DefaultConfig()};
    pair[0].flags = 0x0101;  // Tп and Pп of system 1
    SystemPage page = LoadPage(pair, 1, 2026);
    EXPECT_EQ(page.values[0], QStringLiteral("100,0"));
    EXPECT_EQ(page.labels[0], QStringLiteral("вес имп.Vп л/имп"));
    EXPECT_EQ(page.contracts[0], QStringLiteral("90,0"));
    EXPECT_EQ(page.contracts[3], QStringLiteral("1,6"));
    EXPECT_FALSE(page.contractFlags[0]);  // system 2 does not own bit 0
    EXPECT_FALSE(page.summingChecked);    // summing flag 1

    page.values[3] = QStringLiteral("17");       // report day (common)
    page.contracts[0] = QStringLiteral("95,5");  // contract Tп (own)
    page.contractFlags[1] = true;                // Tо of system 2: bit 4
    page.typeIndex = 2;
    page.typeText = u34::SystemTypeTexts()[2];
    const Collected c = CollectPage(page, 1, pair[1]);
    u34::ShareCommon(pair, 1);
    EXPECT_FALSE(c.error);
    EXPECT_EQ(c.status, QStringLiteral("правильные значения"));
    EXPECT_TRUE(c.openSystem);
    EXPECT_TRUE(c.coldT1Enabled);
    EXPECT_FALSE(c.secondEnabled);

    EXPECT_EQ(pair[0].reportDay, 17);
    EXPECT_EQ(pair[1].reportDay, 17);
    EXPECT_DOUBLE_EQ(pair[1].contractT1, 95.5);
    EXPECT_DOUBLE_EQ(pair[0].contractT1, 90.0);
    EXPECT_EQ(pair[1].systemType, 3);
    EXPECT_EQ(pair[0].systemType, 1);
    EXPECT_EQ(pair[1].flags, 0x0010);
    EXPECT_EQ(pair[0].flags, 0x0111);
    const u34::SetParResult w = u34::SetPar(pair);
    ASSERT_TRUE(w.ok);
    EXPECT_TRUE(w.mismatch.isEmpty());
    EXPECT_EQ(w.data[36], 0x11);
    EXPECT_EQ(w.data[37], 0x01);
}

TEST_F(ConfigPageRules, U34TypedWeightFollowsTheLabelUnit) {
    u34::ConfigPair pair{u34::DefaultConfig(), u34::DefaultConfig()};
    SystemPage page = LoadPage(pair, 0, 2026);
    page.values[0] = QStringLiteral("12.34");
    page.labels[0] = U34WeightLabel(1, true);
    CollectPage(page, 0, pair[0]);
    EXPECT_DOUBLE_EQ(pair[0].weight1, 34002);
    EXPECT_EQ(u34::SetPar(pair).data[0], 0xD2);
    EXPECT_EQ(u34::SetPar(pair).data[1], 0x84);

    // The label click: the unit bit goes, the typed number now means л/имп.
    pair[0].weight1 = U34ToggleUnit(pair[0].weight1);
    page.labels[0] = U34WeightLabel(1, U34WeightView(pair[0].weight1).pulsesPerLitre);
    CollectPage(page, 0, pair[0]);
    EXPECT_DOUBLE_EQ(pair[0].weight1, 123.4);
    const u34::SetParResult w = u34::SetPar(pair);
    EXPECT_EQ(w.data[0], 123);
    EXPECT_EQ(w.data[1], 0);
    EXPECT_EQ(U34WeightView(123).text, QStringLiteral("12,3"));
}

TEST_F(ConfigPageRules, U34StatusTextsAndStops) {
    const u34::ConfigRecord before = u34::DefaultConfig();
    struct Case {
        int edit;  // value edit index (0-based)
        const char* text;
        const char* status;
        bool stopped;
    } const cases[] = {
        {1, "-2", "вес имп.Vo л/имп=\"-2\"-неправильное значение", true},
        {3, "0", "Отчетный день=\"0\"-неправильное значение", false},
        {3, "300", "Отчетный день=\"300\"-неправильное значение", true},
        {5, "-1", "Максимальный расход=\"-1\"-неправильное значение", false},
        {6, "x", "1-я t°C XBC для открытых систем=\"x\"-неправильное значение", false},
        {7, "256", "2-я t°C XBC для открытых систем=\"256\"-неправильное значение", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        u34::ConfigPair pair{before, before};
        SystemPage page = LoadPage(pair, 0, 2026);
        page.values[static_cast<std::size_t>(c.edit)] = QString::fromUtf8(c.text);
        page.summingChecked = true;  // collected last
        u34::ConfigRecord rec = before;
        const Collected got = CollectPage(page, 0, rec);
        EXPECT_TRUE(got.error);
        EXPECT_EQ(got.status, QString::fromUtf8(c.status));
        EXPECT_EQ(got.stopped, c.stopped);
        EXPECT_EQ(rec.summing, c.stopped ? 1 : 0);
    }
    // A temperature that is not a number is not set.
    u34::ConfigPair pair{before, before};
    SystemPage page = LoadPage(pair, 0, 2026);
    page.values[6] = QStringLiteral("x");
    u34::ConfigRecord rec = before;
    CollectPage(page, 0, rec);
    EXPECT_EQ(rec.coldT1, before.coldT1);
}

TEST_F(ConfigPageRules, EnabledControlsFollowTypeAndSecondCheck) {
    u29::ConfigPair pair{u29::DefaultConfig(), u29::DefaultConfig()};
    SystemPage page = LoadPage(TwoSystemFamily::U29, pair, 0, 2026);
    page.secondChecked = true;
    for (int type = 0; type < 4; ++type) {
        page.typeIndex = type;
        page.typeText = u29::SystemTypeTexts()[type];
        const Collected c = CollectPage(TwoSystemFamily::U29, page, pair[0]);
        EXPECT_EQ(c.coldT1Enabled, type >= 2) << type;
        EXPECT_EQ(c.secondEnabled, type >= 2) << type;
    }
    page.secondChecked = false;
    EXPECT_FALSE(CollectPage(TwoSystemFamily::U29, page, pair[0]).secondEnabled);
    EXPECT_EQ(SecondCheckText(TwoSystemFamily::U29), QStringLiteral("Использовать 2-ю t°C XBC для открытых систем"));
}

TEST_F(ConfigPageRules, U29And228Weights) {
    u29::ConfigPair pair{u29::DefaultConfig(), u29::DefaultConfig()};
    SystemPage page = LoadPage(TwoSystemFamily::U28, pair, 0, 2026);
    EXPECT_EQ(page.values[0], QStringLiteral("100,0"));
    page.values[1] = QStringLiteral("12,5");
    page.values[3] = QStringLiteral("40");  // 228 takes it without a message
    Collected c = CollectPage(TwoSystemFamily::U28, page, pair[0]);
    EXPECT_EQ(c.status, QStringLiteral("правильное значение"));
    EXPECT_DOUBLE_EQ(pair[0].weight2, 125);
    EXPECT_EQ(pair[0].reportDay, 40);

    page.values[2] = QStringLiteral("-1");
    c = CollectPage(TwoSystemFamily::U28, page, pair[0]);
    EXPECT_EQ(c.status, QStringLiteral("-1-неправильное значение"));
    c = CollectPage(TwoSystemFamily::U29, page, pair[0]);
    EXPECT_EQ(c.status, QStringLiteral("вес имп.3-го р-мера,л/имп=\"-1\"-неправильное значение"));
}

TEST_F(ConfigPageRules, U27Page) {
    u27::ConfigRecord rec = u27::DefaultConfig();
    U27Page page = LoadPage(rec);
    EXPECT_EQ(page.values[0], QStringLiteral("1,0"));
    EXPECT_EQ(page.values[4], QStringLiteral("5"));
    page.values[3] = QStringLiteral("2,5");
    page.typeIndex = 3;
    page.typeText = u34::SystemTypeTexts()[3];
    Collected c = CollectPage(page, rec);
    EXPECT_FALSE(c.error);
    EXPECT_TRUE(c.coldT1Enabled);
    EXPECT_DOUBLE_EQ(rec.weight3, 2.5);
    EXPECT_EQ(rec.systemType, 4);
    page.values[4] = QStringLiteral("t");
    c = CollectPage(page, rec);
    EXPECT_EQ(c.status, QStringLiteral("t°C XBC для открытых систем=\"t\"-неправильное значение"));
    EXPECT_EQ(rec.coldT, 5);
}

TEST_F(ConfigPageRules, LorsWeightNumbersLimitedToWhatTheWriteCarries) {
    u128::Record rec = u128::DefaultConfig();
    LorsPage page = LoadLorsPage(rec);
    EXPECT_EQ(page.channels, QStringLiteral("4"));
    page.channels = QStringLiteral("2");
    page.weights = {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("0")};
    const LorsCollected c = CollectLorsPage(page, rec);
    EXPECT_TRUE(c.error);
    EXPECT_EQ(c.status, QStringLiteral("4-неправильное значение"));
    EXPECT_EQ(rec.channels, 2);
    EXPECT_EQ(rec.weights[0], 1);
    EXPECT_EQ(rec.weights[1], 3);
    EXPECT_EQ(rec.weights[2], 0);  // kept
    EXPECT_EQ(c.labels[0], QStringLiteral("вес,1 кан, 100 литр/имп"));
    EXPECT_EQ(c.labels[1], QStringLiteral("вес,2 кан, 1 литр/имп"));
    EXPECT_EQ(c.labels[2], QStringLiteral("вес,3 кан"));
    EXPECT_TRUE(u128::ConfigWriteRequest(5, rec).has_value());

    page.weights[2] = QStringLiteral("2");
    page.channels = QStringLiteral("x");
    const LorsCollected ok = CollectLorsPage(page, rec);
    EXPECT_FALSE(ok.error);
    EXPECT_EQ(ok.status, QStringLiteral("правильное значение"));
    EXPECT_EQ(rec.channels, 4);
    EXPECT_EQ(rec.litresPerPulse[2], 10);
}

TEST_F(ConfigPageRules, GridColumnsPickTheirLines) {
    const QList<GridColumn> c34 = ConfigGridColumns(234);
    ASSERT_EQ(c34.size(), 15);
    EXPECT_EQ(c34[12].line, 19);
    EXPECT_EQ(c34[14].heading2, QStringLiteral("исп 2-й t°C"));
    const QList<GridColumn> c28 = ConfigGridColumns(228);
    ASSERT_EQ(c28.size(), 15);
    EXPECT_EQ(c28[12].line, 12);
    EXPECT_EQ(ConfigGridColumns(225).size(), u25::ParamToText(u25::DefaultConfig()).size());
    EXPECT_EQ(ConfigGridColumns(227).size(), u27::ParamToText(u27::DefaultConfig()).size());
    EXPECT_EQ(ConfigGridColumns(128).size(), u128::ParamToText(u128::DefaultConfig()).size());
    EXPECT_TRUE(ConfigGridColumns(5).isEmpty());
}

}  // namespace
