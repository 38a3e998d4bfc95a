// Family 227: decoders against hand-made frames, the configuration write
// data, the texts of the views, the archive table and the state imitation.

#include <gtest/gtest.h>

#include <cmath>

#include "archives/ArchiveView.h"
#include "families/ErrBits.h"
#include "families/RandNorm.h"
#include "families/U27.h"
#include "families/U27Archive.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/HandFrame.h"

using namespace omi;
using namespace omi::u27;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x1234;

// Floats as little-endian bytes.
const std::vector<std::uint8_t> f1_5{0x00, 0x00, 0xC0, 0x3F};   // 1.5
const std::vector<std::uint8_t> f2_0{0x00, 0x00, 0x00, 0x40};   // 2.0
const std::vector<std::uint8_t> f0_25{0x00, 0x00, 0x80, 0x3E};  // 0.25
const std::vector<std::uint8_t> f100{0x00, 0x00, 0xC8, 0x42};   // 100.0
const std::vector<std::uint8_t> f12_5{0x00, 0x00, 0x48, 0x41};  // 12.5

Frame stateFrame(int type = 227) {
    return HandFrame(33, type, kSerial, 1,
                     {{5, f12_5},
                      {9, {0x58, 0x1B, 0x88, 0x13, 0xD9, 0x17}},  // 70.00, 50.00, 61.05 °C
                      {15, f1_5},
                      {19, f2_0},
                      {23, f0_25},
                      {27, f100},
                      {31, {0x81}}});
}

Frame configFrame(int type = 227) {
    return HandFrame(16, type, kSerial, 5, {{5, {0x0A, 0x00, 0xE8, 0x03, 0xFF, 0xFF, 0x01, 0x00, 3, 12}}});
}

// Day number 1, hour 5, 30 minutes with errors, error code 0x22.
Frame archiveFrame(int type = 227) {
    return HandFrame(41, type, kSerial, 3,
                     {{5, {0x10, 0x27, 0x03, 0x00}},  // operating time 10000 h, 3 h with errors
                      {9, f12_5},
                      {13, f1_5},
                      {17, f2_0},
                      {21, f0_25},
                      {25, f100},
                      {29, {0x58, 0x1B, 0x88, 0x13, 0x10, 0x27}},  // 70, 50, 100 °C
                      {35, {0x22, 30, 5, 0x01, 0x00}}});
}

class U27 : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayFormat(QStringLiteral("%f")); }

    // The device asked.
    const DeviceAddress from{kSerial, 227};
};

TEST_F(U27, StateTemperaturesAreHundredths) {
    StateRecord s;
    ASSERT_EQ(DecState(stateFrame(), from, s), QString());
    EXPECT_EQ(s.t1, 7000);
    EXPECT_EQ(s.t2, 5000);
    EXPECT_EQ(s.t3, 6105);
    EXPECT_EQ(s.errorCode, 0x81);
    EXPECT_EQ(StateToText(s),
              (QStringList{"12,50", "70,00", "50,00", "61,05", "1,50", "2,00", "0,25", "100,00", "129"}));
}

TEST_F(U27, EveryDecoderRefusesAnotherDeviceAndKeepsItsRecord) {
    const QString typeMismatch = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

    StateRecord state;
    state.heat = 7;
    EXPECT_EQ(DecState(stateFrame(225), from, state), typeMismatch);
    EXPECT_EQ(state.heat, 7.0);

    ConfigRecord config = DefaultConfig();
    EXPECT_EQ(DecParam(configFrame(234), from, config), typeMismatch);
    EXPECT_EQ(config.weight1, 1.0);

    ArchiveEntry entry;
    EXPECT_EQ(DecArh(archiveFrame(235), from, entry), typeMismatch);
    EXPECT_TRUE(entry.empty());
}

TEST_F(U27, RefusedResponses) {
    Frame shortState = stateFrame();
    shortState.pop_back();
    Frame badSum = stateFrame();
    badSum.back() ^= 0x01;
    const struct {
        const char* name;
        Frame frame;
        QString expected;
    } cases[] = {
        {"length byte 33, 32 bytes", shortState,
         QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ")},
        {"check byte", badSum, QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ")},
        {"serial number", HandFrame(33, 227, kSerial + 1, 1), QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА")},
        {"command code", HandFrame(33, 227, kSerial, 3), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1")},
        {"configuration length", configFrame(), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StateRecord s;
        s.v3 = 3;
        EXPECT_EQ(DecState(c.frame, from, s), c.expected);
        EXPECT_EQ(s.v3, 3.0);
    }
    ConfigRecord config;
    EXPECT_EQ(DecParam(stateFrame(), from, config), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 5"));
    ArchiveEntry entry;
    EXPECT_EQ(DecArh(configFrame(), from, entry), QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 3"));
}

TEST_F(U27, ConfigurationReadAndWrittenBack) {
    ConfigRecord c;
    ASSERT_EQ(DecParam(configFrame(), from, c), QString());
    EXPECT_EQ(c.weight1, 10.0);
    EXPECT_EQ(c.weight2, 1000.0);
    EXPECT_EQ(c.weightHot, 65535.0);
    EXPECT_EQ(c.weight3, 1.0);
    EXPECT_EQ(c.systemType, 3);  // the value itself
    EXPECT_EQ(c.coldT, 12);
    EXPECT_EQ(ParamToText(c), (QStringList{"10,00", "1000,00", "65535,00", "1,00", "3", "12"}));

    const SetParResult r = SetPar(c);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Frame frame = configFrame();
    EXPECT_EQ(r.data, Frame(frame.begin() + 5, frame.begin() + 15));
}

TEST_F(U27, SetParOfTheDefaultConfiguration) {
    const SetParResult r = SetPar(DefaultConfig());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data, (Frame{0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x01, 0x05}));
    EXPECT_EQ(SetPar(Records{}.config).data, r.data);  // the current configuration starts as the default
    EXPECT_EQ(ParamToText(DefaultConfig()), (QStringList{"1,00", "2,00", "3,00", "4,00", "1", "5"}));
}

TEST_F(U27, SetParRoundsWeightsAndRefusesWhatDoesNotFit) {
    ConfigRecord c = DefaultConfig();
    c.weight2 = 299.5;  // half away from zero
    c.weight3 = 65534.6;
    const SetParResult r = SetPar(c);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data[2], 0x2C);
    EXPECT_EQ(r.data[3], 0x01);
    EXPECT_EQ(r.data[6], 0xFF);
    EXPECT_EQ(r.data[7], 0xFF);

    const struct {
        const char* name;
        void (*change)(ConfigRecord&);
        const char* mentions;
    } cases[] = {
        {"weight 1 above a word", [](ConfigRecord& r) { r.weight1 = 65535.5; }, "вес имп.1-го р-мера"},
        {"negative hot-water weight", [](ConfigRecord& r) { r.weightHot = -1; }, "вес имп.р-мера ГВС"},
        {"weight not a number", [](ConfigRecord& r) { r.weight3 = std::nan(""); }, "вес имп.3-го р-мера"},
        {"system type 256", [](ConfigRecord& r) { r.systemType = 256; }, "тип системы"},
        {"negative cold-water temperature", [](ConfigRecord& r) { r.coldT = -1; }, "XBC"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ConfigRecord bad = DefaultConfig();
        k.change(bad);
        const SetParResult refused = SetPar(bad);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.data.empty());
        EXPECT_TRUE(refused.error.contains(QString::fromUtf8(k.mentions))) << refused.error.toStdString();
    }
}

TEST_F(U27, ArchiveRecordOfDayOneHourFive) {
    ArchiveEntry entry;
    ASSERT_EQ(DecArh(archiveFrame(), from, entry), QString());
    ASSERT_EQ(entry.size(), 1u);
    const ArchiveRecord& r = entry[0];
    ASSERT_EQ(r.Size(), 80);
    EXPECT_EQ(DateOfDayNumber(r.Day()), QDate(2000, 1, 1));
    EXPECT_EQ(r.Hour(), 5);
    EXPECT_EQ(r.Int(arh::kErrDuration), 30);
    EXPECT_EQ(r.Int(arh::kWork), 10000);
    EXPECT_EQ(r.Int(arh::kWorkErr), 3);
    EXPECT_EQ(r.Real(arh::kHeat), 12.5);
    EXPECT_EQ(r.Real(arh::kVHot), 0.25);
    EXPECT_EQ(r.Real(arh::kV3), 100.0);
    EXPECT_EQ(r.Int(arh::kT3), 10000);
    EXPECT_EQ(r.Int(arh::kError), 0x22);
    // The record bytes as an archive file keeps them.
    EXPECT_EQ(std::vector<std::uint8_t>(r.Bytes().begin() + 60, r.Bytes().begin() + 80),
              (std::vector<std::uint8_t>{0x22, 0, 0, 0, 30, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));

    // The row of the archive table, in column order.
    const Grid cells = ArchiveTableCells(ArchiveTables(), {entry}, 0, QStringLiteral("%f"));
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells[2], (QStringList{"01 января 2000г.", "5", "12,50", "1,50", "2,00", "0,25", "100,00", "70,00",
                                     "50,00", "100,00", "10000", "34", "3", "30", "1"}));
}

TEST_F(U27, ErrorCodeTexts) {
    const QStringList& t = ErrorTexts();
    ASSERT_EQ(t.size(), 9);
    EXPECT_EQ(ErrBitsText(0, t), QStringLiteral(" НОРМА"));
    EXPECT_EQ(ErrBitsText(0x03, t),
              QStringLiteral("Код=1:\n\r") + t[1] + QStringLiteral("\n\rКод=2:\n\r") + t[2] + QStringLiteral("\n\r"));
    EXPECT_EQ(ErrBitsText(0x80, t), QStringLiteral("Код=128:\n\rэнергия в открытой системе отрицательна\n\r"));
    // "150°С" with a Cyrillic letter in this family; two blanks before "питания".
    EXPECT_TRUE(t[2].contains(QStringLiteral("150°\u0421 ")));
    EXPECT_TRUE(t[6].endsWith(QStringLiteral("батареи  питания")));
}

TEST_F(U27, ImitatedStatePassesTheDecoder) {
    SeedImitation(27);
    const Frame request = HandFrame(6, 227, kSerial, 1);
    int withError = 0;
    for (int i = 0; i < 300; ++i) {
        const Frame answer = ImitState(request);
        ASSERT_EQ(answer.size(), 33u);
        StateRecord s;
        ASSERT_EQ(DecState(answer, from, s), QString()) << i;
        EXPECT_GE(s.t1, 6010);
        EXPECT_LE(s.t1, 13990);
        EXPECT_GE(s.t2, 4010);
        EXPECT_LE(s.t2, 11990);
        for (double v : {s.v1, s.v2, s.vHot, s.v3}) {
            EXPECT_GE(v, 96.0);
            EXPECT_LE(v, 104.0);
        }
        EXPECT_NEAR(s.heat, (s.t1 * s.v1 - s.t2 * s.v2) / 100, 0.01);
        EXPECT_GE(s.errorCode, 0);
        EXPECT_LE(s.errorCode, 255);
        if (s.errorCode != 0) ++withError;
    }
    // Half of the draws fall below 0 and give 0.
    EXPECT_GT(withError, 60);
    EXPECT_LT(withError, 240);
    // A request too short to copy from still gives a whole frame.
    EXPECT_TRUE(CheckFrameSum(ImitState(Frame{})));
}

// Two days of hourly records: differences, totals and mean temperatures with
// the temperatures in hundredths.
TEST_F(U27, DifferenceViewWeighsTemperaturesInHundredths) {
    const auto record = [](int day, int hour, double heat, double v1, int t1, int t2, int error, int minutes) {
        ArchiveRecord r(kRecord);
        r.SetDay(day);
        r.SetHour(hour);
        r.SetReal(arh::kHeat, heat);
        r.SetReal(arh::kV1, v1);
        r.SetReal(arh::kV2, v1);
        r.SetInt(arh::kT1, t1);
        r.SetInt(arh::kT2, t2);
        r.SetInt(arh::kError, error);
        r.SetInt(arh::kErrDuration, minutes);
        return ArchiveEntry{r};
    };
    const int day = DayNumber(QDate(2026, 3, 7));
    // Newest first: volume rises of 3 and 1 м3 at 80 and 150 °C supply, 50
    // and 40 °C return.
    const ArchiveList hourly{record(day, 2, 10.5, 104, 8000, 5000, 2, 10), record(day, 1, 10.0, 101, 15000, 4000, 8, 5),
                             record(day, 0, 9.0, 100, 7000, 3000, 0, 0)};
    const ViewRange range{QDate(2026, 3, 7), QDate(2026, 3, 7)};
    const ArchiveView view = BuildArchiveView(ArchiveTables(), hourly, kHourlyDifference, range);
    ASSERT_TRUE(view.hasTotals);
    ASSERT_EQ(view.entries.size(), 3u);
    const ArchiveRecord& totals = view.entries.back()[0];
    EXPECT_DOUBLE_EQ(totals.Real(arh::kHeat), 1.5);
    EXPECT_DOUBLE_EQ(totals.Real(arh::kV1), 4.0);
    // 150 °C is no temperature to count, but its volume still weighs.
    EXPECT_EQ(totals.Int(arh::kT1), 6000);  // 80 × 3 / 4
    EXPECT_EQ(totals.Int(arh::kT2), 4750);  // (50 × 3 + 40 × 1) / 4
    EXPECT_EQ(totals.Int(arh::kError), 10);
    EXPECT_EQ(totals.Int(arh::kErrDuration), 15);
    // Means over the entries but the last.
    ASSERT_EQ(view.means.size(), 1u);
    EXPECT_DOUBLE_EQ(view.means[0][0], 80.0);
    EXPECT_DOUBLE_EQ(view.means[0][1], 45.0);

    const ArchiveTable table = MakeArchiveTable(ArchiveTables(), view, kHourlyDifference, 0, "%f", 1);
    ASSERT_EQ(table.rows.size(), 5);
    EXPECT_EQ(table.rows[4].mid(0, 9),
              (QStringList{"ИТОГО(2):", "", "1,50", "4,00", "4,00", "0,00", "0,00", "60,00", "47,50"}));
    // Daily lists hide the hour; the day number stays.
    EXPECT_EQ(ArchiveColumnCodes(ArchiveTables(), kDailyArchive).at(1), -2);
    EXPECT_EQ(ArchiveColumnCodes(ArchiveTables(), kDailyArchive).back(), 15);
}

TEST_F(U27, ReadProcedureRules) {
    const ArchiveProcedure& p = Procedure227();
    EXPECT_EQ(p.record, &kRecord);
    EXPECT_EQ(p.dailyTop, 127);
    EXPECT_EQ(p.hourlyTop, 1023);
    EXPECT_EQ(p.dailyNumber, DailyNumberField::ByteAt7);
    EXPECT_FALSE(p.beginCommand);
    EXPECT_FALSE(p.endCommand);
    EXPECT_EQ(p.currentNumbers, CurrentNumbers::AskOrDraw);
    EXPECT_EQ(p.drawHourlyMax, 1022);
    EXPECT_EQ(p.drawDailyMax, 126);
    EXPECT_EQ(p.ringTest, RingTest::BothShown);
    EXPECT_EQ(p.byteLog, ByteLog::AcceptedRecords);
    EXPECT_STREQ(p.logFileName, "байты архива.txt");
    // The log's date bytes are those of the archive answer.
    const Frame frame = archiveFrame();
    EXPECT_EQ(frame[static_cast<std::size_t>(p.responseHourOffset)], 5);
    EXPECT_EQ(GetW(frame, p.responseDayOffset), 1);
}

}  // namespace
