#include "families/U27Archive.h"

#include "families/U27.h"

#include <array>

namespace omi::u27 {

namespace {

using CK = CellKind;

// clang-format off
// Header texts are the program's defaults, blanks included; "°С" ends in a
// Cyrillic letter.
constexpr std::array<ArchiveColumn, 15> kColumns{{
    {"ДАТА", "дд месяца гггг", CK::Date, arh::kDay},                   // 1
    {"Время", "час", CK::Int, arh::kHour},                         // 2
    {"ТЕПЛО", " Гкал", CK::Real, arh::kHeat},                      // 3
    {"объем", "1д,м3", CK::Real, arh::kV1},                        // 4
    {"объем", "2д,м3", CK::Real, arh::kV2},                        // 5
    {"объем", "ГВС м3", CK::Real, arh::kVHot},                     // 6
    {"объем", "3д м3", CK::Real, arh::kV3},                        // 7
    {"t°\u0421", "подача", CK::Hundredths, arh::kT1},              // 8
    {"t°\u0421", "обратка", CK::Hundredths, arh::kT2},             // 9
    {"t°\u0421 ", "ГВС", CK::Hundredths, arh::kT3},                // 10
    {"наработка", "час", CK::Int, arh::kWork},                     // 11
    {"Ошибка", "код", CK::Int, arh::kError, ErrorTag::Device},     // 12
    {"наработка", " с ош. час", CK::Int, arh::kWorkErr},           // 13
    {"Период с ош.", "мин/час(час/сут)", CK::Int, arh::kErrDuration},  // 14
    {"день", "от 1.1.00", CK::Int, arh::kDay},                     // 15
}};

// Daily lists hide the hour.
constexpr std::array<int, 15> kDailyCodes{1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr std::array<int, 15> kHourlyCodes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// The cumulative values.
constexpr std::array<RecordValue, 7> kDifferences{{
    {arh::kWork, RecordKind::Int32},
    {arh::kWorkErr, RecordKind::Int32},
    {arh::kHeat, RecordKind::Double},
    {arh::kV1, RecordKind::Double},
    {arh::kV2, RecordKind::Double},
    {arh::kVHot, RecordKind::Double},
    {arh::kV3, RecordKind::Double},
}};

// Sums of the differences and of the time with errors, the error bits of
// every entry, and the temperatures weighted by the volume of their pipe.
constexpr std::array<TotalsField, 12> kTotals{{
    {{arh::kHeat, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV1, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV2, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kVHot, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV3, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kWork, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kWorkErr, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kErrDuration, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kError, RecordKind::Int32}, TotalsRule::Or},
    {{arh::kT1, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kV1},
    {{arh::kT2, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kV2},
    {{arh::kT3, RecordKind::Int32}, TotalsRule::VolumeWeighted, arh::kVHot},
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

const ArchiveProcedure& Procedure227() {
    static const ArchiveProcedure procedure{
        .name = "ARA227",
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
        .logFileName = "байты архива.txt",
        .responseHourOffset = 37,
        .responseDayOffset = 38,
        .currentNumbers = CurrentNumbers::AskOrDraw,
        .drawHourlyMax = 1022,
        .drawDailyMax = 126,
        .ringTest = RingTest::BothShown,
        .dailyProgress = DailyProgress::AfterExchange,
        .byteLog = ByteLog::AcceptedRecords,
        .logToMemo = true,
    };
    return procedure;
}

}  // namespace omi::u27
