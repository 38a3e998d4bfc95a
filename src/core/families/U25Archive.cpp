#include "families/U25Archive.h"

#include "families/U25.h"

#include <array>

namespace omi::u25 {

namespace {

using CK = CellKind;

// clang-format off
// Header texts are the program's defaults, blanks included; "°С" ends in a
// Cyrillic letter.
constexpr std::array<ArchiveColumn, 17> kColumns{{
    {"ДАТА", "дд месяца гггг", CK::Date, arh::kDay},                   // 1
    {"Время", "час", CK::Int, arh::kHour},                         // 2
    {"ТЕПЛО", " Гкал", CK::Real, arh::kHeat},                      // 3
    {"объем", "1-й, м3", CK::Real, arh::kV1},                      // 4
    {"объем", "2-й, м3", CK::Real, arh::kV2},                      // 5
    {"объем", "3-й м3", CK::Real, arh::kV3},                       // 6
    {"объем", ">уст t°\u0421", CK::Real, arh::kVReduced},          // 7
    {"t°\u0421", "подача", CK::Hundredths, arh::kT1},              // 8
    {"t°\u0421", "обратка", CK::Hundredths, arh::kT2},             // 9
    {"t°\u0421 ", "ГВС", CK::Hundredths, arh::kT3},                // 10
    {"Эл.энергия", "тариф 1", CK::Real, arh::kEnergy1},            // 11
    {"Эл.энергия", "тариф 2", CK::Real, arh::kEnergy2},            // 12
    {"Ошибка", "код", CK::Int, arh::kError, ErrorTag::Device},     // 13
    {"наработка", "час", CK::Int, arh::kWork},                     // 14
    {"наработка", " с ош. час", CK::Int, arh::kWorkErr},           // 15
    {"Период с ош.", "мин/час(час/сут)", CK::Int, arh::kErrDuration},  // 16
    {"день", "от 1.1.00", CK::Int, arh::kDay},                     // 17
}};

// Daily lists hide the hour; the day number is always hidden.
constexpr std::array<int, 17> kDailyCodes{1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -17};
constexpr std::array<int, 17> kHourlyCodes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, -17};

// The cumulative values.
constexpr std::array<RecordValue, 9> kDifferences{{
    {arh::kWork, RecordKind::Int32},
    {arh::kWorkErr, RecordKind::Int32},
    {arh::kHeat, RecordKind::Double},
    {arh::kV1, RecordKind::Double},
    {arh::kV2, RecordKind::Double},
    {arh::kV3, RecordKind::Double},
    {arh::kVReduced, RecordKind::Double},
    {arh::kEnergy1, RecordKind::Double},
    {arh::kEnergy2, RecordKind::Double},
}};

// Sums of the differences and of the time with errors, the error bits of
// every entry, and the temperatures weighted by the volume of their pipe.
constexpr std::array<TotalsField, 14> kTotals{{
    {{arh::kHeat, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV1, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV2, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV3, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kVReduced, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kEnergy1, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kEnergy2, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kWork, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kWorkErr, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kErrDuration, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kError, RecordKind::Int32}, TotalsRule::Or},
    {{arh::kT1, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kV1},
    {{arh::kT2, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kV2},
    {{arh::kT3, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kV3},
}};

// Supply, return, hot water.
constexpr std::array<int, 3> kTemperatures{arh::kT1, arh::kT2, arh::kT3};
// clang-format on

}  // namespace

const ArchiveFamily& ArchiveTables() {
    static const ArchiveFamily family{&kRecord,     kColumns, kDailyCodes,   kHourlyCodes,
                                      kDifferences, kTotals,  kTemperatures, TemperatureUnit::Hundredths};
    return family;
}

const ArchiveProcedure& Procedure225() {
    static const ArchiveProcedure procedure{
        .name = "ARA225",
        .record = &kRecord,
        .decode = &DecArh,
        .dailyTop = 127,
        .hourlyTop = 1023,
        .dailyBytes = &DailyRequestBytes234,
        .hourlyBytes = &HourlyRequestBytes234,
        .announceAndIdentify = false,
        .dailyNumber = DailyNumberField::ByteAt7,
        .beginCommand = false,
        .endCommand = false,
        .resetTolerance = false,
        .dailyMismatch = DailyMismatch::CountMissing,
        .dailyRetries = 0,
        .decodeErrorMemo = false,
        .dailySort = SortWhen::NotAllRecords,
        .hourlySort = SortWhen::NotAllRecords,
        .logFileName = "АРХИВ225.txt",
        .responseHourOffset = 45,
        .responseDayOffset = 46,
        .currentNumbers = CurrentNumbers::CheckedOrDraw,
        .drawHourlyMax = 1022,
        .drawDailyMax = 126,
        .ringTest = RingTest::BothShown,
        .dailyProgress = DailyProgress::AfterExchange,
        .byteLog = ByteLog::Exchanges,
        .logToMemo = true,
    };
    return procedure;
}

}  // namespace omi::u25
