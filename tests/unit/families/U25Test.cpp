// Family 225: decoders against hand-made frames, the configuration write
// data, the ranges and the tariff starts of the configuration page, the texts
// of the views, the archive table and the state imitation.

#include <gtest/gtest.h>

#include <cmath>

#include "archives/ArchiveView.h"
#include "families/ErrBits.h"
#include "families/RandNorm.h"
#include "families/U25.h"
#include "families/U25Archive.h"
#include "families/U27.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u25;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 22;

// Floats as little-endian bytes.
const std::vector<std::uint8_t> f1_5{0x00, 0x00, 0xC0, 0x3F};    // 1.5
const std::vector<std::uint8_t> f2_0{0x00, 0x00, 0x00, 0x40};    // 2.0
const std::vector<std::uint8_t> f0_25{0x00, 0x00, 0x80, 0x3E};   // 0.25
const std::vector<std::uint8_t> f100{0x00, 0x00, 0xC8, 0x42};    // 100.0
const std::vector<std::uint8_t> f12_5{0x00, 0x00, 0x48, 0x41};   // 12.5
const std::vector<std::uint8_t> f70000{0x00, 0xB8, 0x88, 0x47};  // 70000.0

Frame stateFrame(int type = 225) {
    return HandFrame(41, type, kSerial, 1,
                     {{5, f12_5},
                      {9, {0x58, 0x1B, 0x88, 0x13, 0xD9, 0x17}},  // 70.00, 50.00, 61.05 °C
                      {15, f1_5},
                      {19, f2_0},
                      {23, f0_25},
                      {27, f100},
                      {31, f70000},
                      {35, f12_5},
                      {39, {0x03}}});
}

const Frame kConfigData{0x0A, 0x00, 0xE8, 0x03, 0xFF, 0xFF, 0x10, 0x0E, 0x01,
                        0xA4, 0x01, 0x64, 0x05, 0x04, 0x0C, 0x01, 0x32};

Frame configFrame(int type = 225) {
    return HandFrame(23, type, kSerial, 5, {{5, std::vector<std::uint8_t>(kConfigData.begin(), kConfigData.end())}});
}

// Day number 1, hour 5, 30 minutes with errors, error code 0x22.
Frame archiveFrame(int type = 225) {
    return HandFrame(49, type, kSerial, 3,
                     {{5, {0x10, 0x27, 0x03, 0x00}},  // operating time 10000 h, 3 h with errors
                      {9, f12_5},
                      {13, f1_5},
                      {17, f2_0},
                      {21, f0_25},
                      {25, f100},
                      {29, f70000},
                      {33, f1_5},
                      {37, {0x58, 0x1B, 0x88, 0x13, 0xD9, 0x17}},  // 70, 50, 61.05 °C
                      {43, {0x22, 30, 5, 0x01, 0x00}}});
}

class U25 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    const DeviceAddress from{kSerial, 225};
};

TEST_F(U25, StateTextsAndTheFirstTwoErrorTexts) {
    StateRecord s;
    ASSERT_EQ(DecState(stateFrame(), from, s), QString());
    EXPECT_EQ(StateToText(s), (QStringList{"12,50", "70,00", "50,00", "61,05", "1,50", "2,00", "0,25", "100,00",
                                           "70000,00", "12,50", "3"}));
    const QStringList& t = ErrorTexts();
    EXPECT_EQ(ErrBitsText(s.errorCode, t),
              QStringLiteral("Код=1:\n\r") + t[1] + QStringLiteral("\n\rКод=2:\n\r") + t[2] + QStringLiteral("\n\r"));
}

TEST_F(U25, ErrorTextsAreThoseOf227ButBitOneWritesALatinC) {
    const QStringList& t = ErrorTexts();
    const QStringList& t27 = u27::ErrorTexts();
    ASSERT_EQ(t.size(), t27.size());
    for (qsizetype k = 0; k < t.size(); ++k) {
        if (k != 2) {
            EXPECT_EQ(t[k], t27[k]) << k;
        }
    }
    EXPECT_EQ(t[2], QStringLiteral("температура первого или второго термопреобразователя меньше 0 или больше 150°C "
                                   "(прекращается расчет тепловой энергии)"));
    EXPECT_TRUE(t[2].contains(QStringLiteral("150\u00B0C")));
    EXPECT_TRUE(t27[2].contains(QStringLiteral("150\u00B0\u0421")));
}

TEST_F(U25, EveryDecoderRefusesAnotherDeviceAndKeepsItsRecord) {
    const QString typeMismatch = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    StateRecord state;
    state.energy2 = 7;
    EXPECT_EQ(DecState(stateFrame(227), from, state), typeMismatch);
    EXPECT_EQ(state.energy2, 7.0);
    ConfigRecord config = DefaultConfig();
    EXPECT_EQ(DecParam(configFrame(227), from, config), typeMismatch);
    EXPECT_EQ(config.limitT, 45);
    ArchiveEntry entry;
    EXPECT_EQ(DecArh(archiveFrame(227), from, entry), typeMismatch);
    EXPECT_TRUE(entry.empty());
    // The 227 lengths are not this family's.
    EXPECT_EQ(DecState(HandFrame(33, 225, kSerial, 1), from, state), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1"));
    EXPECT_EQ(DecArh(HandFrame(41, 225, kSerial, 3), from, entry), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3"));
}

TEST_F(U25, ConfigurationReadAndWrittenBack) {
    ConfigRecord c;
    ASSERT_EQ(DecParam(configFrame(), from, c), QString());
    EXPECT_EQ(c.weight3, 65535.0);
    EXPECT_EQ(c.energyWeight, 3600);
    EXPECT_EQ(c.tariff1Start, 420);
    EXPECT_EQ(c.tariff2Start, 1380);
    EXPECT_EQ(ParamToText(c),
              (QStringList{"10,00", "1000,00", "65535,00", "3600", "1", "420", "1380", "4", "12", "1", "50"}));
    EXPECT_EQ(TariffStartText(c.tariff2Start), QStringLiteral("23:00"));
    const SetParResult r = SetPar(c);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.data, kConfigData);
}

TEST_F(U25, SetParOfTheDefaultConfiguration) {
    const SetParResult r = SetPar(DefaultConfig());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, (Frame{0x64, 0x00, 0x64, 0x00, 0x64, 0x00, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05,
                             0x00, 0x2D}));
    EXPECT_EQ(SetPar(Records{}.config).data, r.data);
    EXPECT_EQ(CheckRanges(DefaultConfig()), QString());
}

TEST_F(U25, SetParRefusesOnlyWhatDoesNotFitItsField) {
    // Out of range but within its byte: written all the same.
    ConfigRecord wide = DefaultConfig();
    wide.systemType = 200;
    wide.limitUsed = 9;
    ASSERT_TRUE(SetPar(wide).ok);
    EXPECT_EQ(SetPar(wide).data[13], 200);

    const struct {
        const char* name;
        void (*change)(ConfigRecord&);
        const char* mentions;
    } cases[] = {
        {"weight above a word", [](ConfigRecord& r) { r.weight2 = 65536; }, "вес имп.2-го р-мера"},
        {"weight not a number", [](ConfigRecord& r) { r.weight1 = std::nan(""); }, "вес имп.1-го р-мера"},
        {"electricity weight above a word", [](ConfigRecord& r) { r.energyWeight = 65536; }, "счетчика ЭЭ"},
        {"negative tariff start", [](ConfigRecord& r) { r.tariff2Start = -1; }, "Начало тарифа № 2"},
        {"system type above a byte", [](ConfigRecord& r) { r.systemType = 256; }, "тип системы"},
        {"limit above a byte", [](ConfigRecord& r) { r.limitT = 256; }, "ограничение"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ConfigRecord bad = DefaultConfig();
        k.change(bad);
        const SetParResult r = SetPar(bad);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.data.empty());
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(k.mentions))) << r.error.toStdString();
    }
}

TEST_F(U25, TariffStartsAreReducedIntoTheDay) {
    const struct {
        const char* edit;
        const char* text;
        int minutes;
    } cases[] = {
        {"25:75", "01:15", 75},  {"07:30", "07:30", 450}, {"23:59", "23:59", 1439}, {"24:60", "00:00", 0},
        {"99:99", "03:39", 219}, {"__:__", "01:00", 60},  {"", "01:00", 60},        {"-1:30", "01:30", 90},
        {"1234", "01:34", 94},   {"7:5", "07:05", 425},   {"00:00", "00:00", 0},
    };
    for (const auto& c : cases) {
        const TariffStart t = ParseTariffStart(QString::fromUtf8(c.edit));
        EXPECT_EQ(t.text, QString::fromUtf8(c.text)) << c.edit;
        EXPECT_EQ(t.minutes, c.minutes) << c.edit;
    }
}

TEST_F(U25, RangeTextNamesEveryFieldOutsideItsRange) {
    ConfigRecord c = DefaultConfig();
    c.tariff1Start = 1500;
    c.systemType = 5;
    EXPECT_EQ(CheckRanges(c), QStringLiteral("Начало тарифа;Тип системы;"));

    // The limits themselves are allowed; the limit flag is not checked.
    ConfigRecord edge = RangeMaximum();
    edge.limitUsed = 7;
    EXPECT_EQ(CheckRanges(edge), QString());
    EXPECT_EQ(CheckRanges(RangeMinimum()), QString());

    ConfigRecord all = RangeMinimum();
    all.weight1 = all.weight2 = all.weight3 = 0;
    all.energyWeight = 3601;
    all.twoTariffs = 2;
    all.tariff1Start = all.tariff2Start = -1;
    all.systemType = 0;
    all.coldT = 101;
    all.limitT = 0;
    EXPECT_EQ(CheckRanges(all), QStringLiteral("вес имп.1-го р-мера,л/имп;вес имп.2-го р-мера,л/имп;"
                                               "вес имп.р-мера ГВС,л/имп;вес имп. счетчика ЭЭ;Два тарифа;"
                                               "Начало тарифа;Начало тарифа;Тип системы;"
                                               "t°C XBC для открытых систем;ограничение t°С ГВС;"));
    ConfigRecord nan = DefaultConfig();
    nan.weight3 = std::nan("");
    EXPECT_EQ(CheckRanges(nan), QStringLiteral("вес имп.р-мера ГВС,л/имп;"));
}

ConfigPage goodPage() {
    ConfigPage p;
    p.systemIndex = 2;
    p.twoTariffs = true;
    p.useLimit = true;
    p.tariff1 = QStringLiteral("25:75");
    p.tariff2 = QStringLiteral("23:00");
    p.weight1 = QStringLiteral("100,7");
    p.weight2 = QStringLiteral("250.2");
    p.weight3 = QStringLiteral("10");
    p.energyWeight = QStringLiteral("3600");
    p.coldT = QStringLiteral("12");
    p.limitT = QStringLiteral("50");
    return p;
}

TEST_F(U25, PageToRecord) {
    ConfigRecord c = DefaultConfig();
    const PageConversion out = PageToConfig(goodPage(), c);
    EXPECT_FALSE(out.stopped);
    EXPECT_FALSE(out.statusIsError);
    EXPECT_EQ(out.status, QStringLiteral("Данные правильные"));
    EXPECT_EQ(out.tariff1, QStringLiteral("01:15"));
    EXPECT_EQ(out.tariff2, QStringLiteral("23:00"));
    EXPECT_EQ(c.systemType, 3);
    EXPECT_EQ(c.twoTariffs, 1);
    EXPECT_EQ(c.limitUsed, 1);
    EXPECT_EQ(c.tariff1Start, 75);
    EXPECT_EQ(c.tariff2Start, 1380);
    EXPECT_EQ(c.weight1, 100.0);  // truncated
    EXPECT_EQ(c.weight2, 250.0);
    EXPECT_EQ(c.energyWeight, 3600);
    EXPECT_EQ(c.coldT, 12);
    EXPECT_EQ(c.limitT, 50);

    ConfigPage outOfRange = goodPage();
    outOfRange.systemIndex = 4;
    outOfRange.weight3 = QStringLiteral("1001");
    const PageConversion ranged = PageToConfig(outOfRange, c);
    EXPECT_FALSE(ranged.stopped);
    EXPECT_TRUE(ranged.statusIsError);
    EXPECT_EQ(ranged.status, QStringLiteral("выход за диапазон: вес имп.р-мера ГВС,л/имп;Тип системы;"));
    EXPECT_EQ(c.systemType, 5);  // kept in the record all the same
}

TEST_F(U25, PageValuesThatStopTheConversion) {
    const struct {
        const char* name;
        void (*change)(ConfigPage&);
        const char* status;
    } cases[] = {
        {"negative weight", [](ConfigPage& p) { p.weight2 = QStringLiteral("-5"); },
         "вес имп.2-го р-мера,л/имп=\"-5\"-неправильное значение"},
        {"weight not a number", [](ConfigPage& p) { p.weight1 = QStringLiteral("сто"); },
         "вес имп.1-го р-мера,л/имп=\"сто\"-неправильное значение"},
        {"electricity weight not a number", [](ConfigPage& p) { p.energyWeight = QStringLiteral("1,5"); },
         "вес имп. счетчика ЭЭ=\"1,5\"-неправильное значение"},
        {"empty cold-water temperature", [](ConfigPage& p) { p.coldT.clear(); },
         "t°C XBC для открытых систем=\"\"-неправильное значение"},
        {"negative limit", [](ConfigPage& p) { p.limitT = QStringLiteral("-2"); },
         "ограничение t°С ГВС=\"-2\"-неправильное значение"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ConfigPage page = goodPage();
        k.change(page);
        ConfigRecord c = DefaultConfig();
        const PageConversion out = PageToConfig(page, c);
        EXPECT_TRUE(out.stopped);
        EXPECT_TRUE(out.statusIsError);
        EXPECT_EQ(out.status, QString::fromUtf8(k.status));
        EXPECT_EQ(c.tariff1Start, 75);  // converted before the stop
        EXPECT_EQ(out.tariff1, QStringLiteral("01:15"));
    }
    // What follows the stop keeps its old value.
    ConfigPage page = goodPage();
    page.weight2 = QStringLiteral("-1");
    ConfigRecord c = DefaultConfig();
    PageToConfig(page, c);
    EXPECT_EQ(c.weight1, 100.0);
    EXPECT_EQ(c.weight3, 100.0);
    EXPECT_EQ(c.limitT, 45);
}

TEST_F(U25, ArchiveRecordAndItsRow) {
    ArchiveEntry entry;
    ASSERT_EQ(DecArh(archiveFrame(), from, entry), QString());
    ASSERT_EQ(entry.size(), 1u);
    const ArchiveRecord& r = entry[0];
    ASSERT_EQ(r.Size(), 96);
    EXPECT_EQ(DateOfDayNumber(r.Day()), QDate(2000, 1, 1));
    EXPECT_EQ(r.Hour(), 5);
    EXPECT_EQ(r.Real(arh::kVReduced), 100.0);
    EXPECT_EQ(r.Real(arh::kEnergy1), 70000.0);
    EXPECT_EQ(r.Real(arh::kEnergy2), 1.5);
    EXPECT_EQ(std::vector<std::uint8_t>(r.Bytes().begin() + 64, r.Bytes().begin() + 96),
              (std::vector<std::uint8_t>{0x58, 0x1B, 0, 0, 0x88, 0x13, 0, 0, 0xD9, 0x17, 0, 0, 0x22, 0, 0, 0,
                                         30,   0,    0, 0, 5,    0,    0, 0, 1,    0,    0, 0, 0,    0, 0, 0}));

    const ArchiveFamily& f = ArchiveTables();
    const Grid cells = ArchiveTableCells(f, {entry}, 0, QStringLiteral("%f"));
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells[2], (QStringList{"01 января 2000г.", "5", "12,50", "1,50", "2,00", "0,25", "100,00", "70,00",
                                     "50,00", "61,05", "70000,00", "1,50", "34", "10000", "3", "30", "1"}));
    // The day number is never shown, the hour only in the hourly lists.
    const Grid daily = SelectColumns(cells, ArchiveColumnCodes(f, kDailyArchive), 1);
    EXPECT_EQ(daily[2].size(), 15);
    EXPECT_EQ(daily[1].front(), QStringLiteral("дд месяца гггг"));
    EXPECT_EQ(daily[1].back(), QStringLiteral("мин/час(час/сут)"));
    EXPECT_EQ(SelectColumns(cells, ArchiveColumnCodes(f, kHourlyArchive), 1)[2].size(), 16);
    EXPECT_EQ(SelectColumns(cells, ArchiveColumnCodes(f, kHourlyArchive), 0)[2].size(), 17);
}

TEST_F(U25, DifferencesCoverEnergiesAndTheReducedVolume) {
    const auto record = [](int day, double heat, double reduced, double e1, double e2, int hot) {
        ArchiveRecord r(kRecord);
        r.SetDay(day);
        r.SetReal(arh::kHeat, heat);
        r.SetReal(arh::kV3, 2 * heat);
        r.SetReal(arh::kVReduced, reduced);
        r.SetReal(arh::kEnergy1, e1);
        r.SetReal(arh::kEnergy2, e2);
        r.SetInt(arh::kT3, hot);
        return ArchiveEntry{r};
    };
    const int day = DayNumber(QDate(2026, 3, 7));
    const ArchiveList daily{record(day, 30, 5.5, 1100, 520, 6000), record(day - 1, 20, 5.0, 1000, 500, 5800),
                            record(day - 2, 15, 5.0, 960, 490, 5900)};
    const ViewRange range{QDate(2026, 3, 5), QDate(2026, 3, 7)};
    const ArchiveView view = BuildArchiveView(ArchiveTables(), daily, kDailyDifference, range);
    ASSERT_EQ(view.entries.size(), 3u);
    const ArchiveRecord& first = view.entries[0][0];
    EXPECT_DOUBLE_EQ(first.Real(arh::kEnergy1), 100);
    EXPECT_DOUBLE_EQ(first.Real(arh::kEnergy2), 20);
    EXPECT_DOUBLE_EQ(first.Real(arh::kVReduced), 0.5);
    EXPECT_EQ(first.Int(arh::kT3), 6000);  // temperatures stay
    const ArchiveRecord& totals = view.entries.back()[0];
    EXPECT_DOUBLE_EQ(totals.Real(arh::kEnergy1), 140);
    EXPECT_DOUBLE_EQ(totals.Real(arh::kEnergy2), 30);
    EXPECT_DOUBLE_EQ(totals.Real(arh::kHeat), 15);
    EXPECT_EQ(totals.Int(arh::kT3), 5933);  // (60 × 20 + 58 × 10) / 30, hot water weighted by its meter
    EXPECT_EQ(totals.Day(), -36525);
    EXPECT_EQ(totals.Hour(), 2);
}

TEST_F(U25, ImitatedStatePassesTheDecoder) {
    SeedImitation(25);
    const Frame request = HandFrame(6, 225, kSerial, 1);
    for (int i = 0; i < 300; ++i) {
        const Frame answer = ImitState(request);
        ASSERT_EQ(answer.size(), 41u);
        StateRecord s;
        ASSERT_EQ(DecState(answer, from, s), QString()) << i;
        EXPECT_GE(s.t3, 6010);
        EXPECT_LE(s.t3, 13990);
        EXPECT_NEAR(s.heat, (s.v1 * s.t1 - s.v2 * s.t2) / 100, 0.01);
        EXPECT_GE(s.vReduced, 0.0);
        EXPECT_LE(s.vReduced, 3.99 + 1e-6);
        for (double e : {s.energy1, s.energy2}) {
            EXPECT_GE(e, 70000 - 39900 - 0.01);  // at most 3.99 spreads, as a single
            EXPECT_LE(e, 70000 + 39900 + 0.01);
        }
        EXPECT_GE(s.errorCode, 0);
        EXPECT_LE(s.errorCode, 255);
    }
}

TEST_F(U25, ReadProcedureRules) {
    const ArchiveProcedure& p = Procedure225();
    EXPECT_EQ(p.record, &kRecord);
    EXPECT_EQ(p.dailyTop, 127);
    EXPECT_EQ(p.hourlyTop, 1023);
    EXPECT_EQ(p.dailyNumber, DailyNumberField::ByteAt7);
    EXPECT_FALSE(p.announceAndIdentify);
    EXPECT_STREQ(p.logFileName, "АРХИВ225.txt");
    EXPECT_EQ(p.currentNumbers, CurrentNumbers::CheckedOrDraw);
    EXPECT_EQ(p.ringTest, RingTest::BothShown);
    EXPECT_EQ(p.byteLog, ByteLog::Exchanges);
    EXPECT_TRUE(p.logToMemo);
    const Frame frame = archiveFrame();
    EXPECT_EQ(frame[static_cast<std::size_t>(p.responseHourOffset)], 5);
    EXPECT_EQ(GetW(frame, p.responseDayOffset), 1);
}

}  // namespace
