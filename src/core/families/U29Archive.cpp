#include "families/U29Archive.h"

#include <array>

#include "families/U28.h"
#include "families/U29.h"

namespace omi {

namespace {

using CK = CellKind;
namespace a = u29::arh;

// clang-format off
// Header texts are the program's defaults, blanks included; "°С" ends in a
// Cyrillic letter.
constexpr std::array<ArchiveColumn, 28> kColumns{{
    {"ДАТА", "дд месяца гггг", CK::Date, a::kDay},                     // 1
    {"Время", "", CK::Int, a::kHour},                              // 2
    {"ТЕПЛО", " Гкал", CK::Real, a::kHeat},                        // 3
    {"объем", "   1-й м3", CK::Real, a::kV1},                      // 4
    {"объем", "   2-й м3", CK::Real, a::kV2},                      // 5
    {"объем", "   3-й м3", CK::Real, a::kV3},                      // 6
    {"t°\u0421 ", "подача", CK::Real, a::kT1},                     // 7
    {"t°\u0421", "обратка", CK::Real, a::kT2},                     // 8
    {"t°\u0421", "доп.", CK::Real, a::kT3},                        // 9
    {"Давление", "  1-й, бар", CK::Real, a::kP1},                  // 10
    {"Давление", "   2-й, бар", CK::Real, a::kP2},                 // 11
    {"Ошибка", "системы", CK::Int, a::kSystemError, ErrorTag::System}, // 12
    {"Ошибка", "уст-ва", CK::Int, a::kDeviceError, ErrorTag::Device}, // 13
    {"наработка", "час", CK::Int, a::kWork},                       // 14
    {"наработка", " с ош. час", CK::Int, a::kWorkErr},             // 15
    {"день", "от 1.1.00", CK::Int, a::kDay},                       // 16
    {"От пер", "раб", CK::Int, a::kPeriodWork},                    // 17
    {"От пер", "тепло", CK::Real, a::kPeriodHeat},                 // 18
    {"От пер", "расх 1", CK::Real, a::kPeriodV1},                  // 19
    {"От пер", "расх 2", CK::Real, a::kPeriodV2},                  // 20
    {"От пер", "расх 3", CK::Real, a::kPeriodV3},                  // 21
    {"с ошибкой", "чч:мм", CK::FatalTime, a::kFatal},              // 22
    {"Ош малого", "расх", CK::Int, a::kSmallFlow},                 // 23
    {"Ош большого", "расх", CK::Int, a::kLargeFlow},               // 24
    {"Ош дельты", "t°\u0421", CK::Int, a::kSmallDt},               // 25
    {"Энергия", "малого", CK::Real, a::kESmallFlow},               // 26
    {"Энергия", "большого", CK::Real, a::kELargeFlow},             // 27
    {"Энергия", "dt°\u0421", CK::Real, a::kESmallDt},              // 28
}};

// Daily: date, values, errors, fatal time and operating times; the hourly
// list shows the hour too.
constexpr std::array<int, 28> kDailyCodes{1,   -2,  3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  22,
                                          14,  15,  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28};
constexpr std::array<int, 28> kHourlyCodes{1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  22,
                                           14,  15,  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28};

constexpr std::array<RecordValue, 6> kDifferences{{
    {a::kWork, RecordKind::Int32},
    {a::kWorkErr, RecordKind::Int32},
    {a::kHeat, RecordKind::Double},
    {a::kV1, RecordKind::Double},
    {a::kV2, RecordKind::Double},
    {a::kV3, RecordKind::Double},
}};

constexpr std::array<TotalsField, 14> kTotals{{
    {{a::kHeat, RecordKind::Double}, TotalsRule::Sum},
    {{a::kV1, RecordKind::Double}, TotalsRule::Sum},
    {{a::kV2, RecordKind::Double}, TotalsRule::Sum},
    {{a::kV3, RecordKind::Double}, TotalsRule::Sum},
    {{a::kWork, RecordKind::Int32}, TotalsRule::Sum},
    {{a::kWorkErr, RecordKind::Int32}, TotalsRule::Sum},
    {{a::kFatal, RecordKind::Int32}, TotalsRule::Sum},
    {{a::kP1, RecordKind::Double}, TotalsRule::Mean},
    {{a::kP2, RecordKind::Double}, TotalsRule::Mean},
    {{a::kSystemError, RecordKind::Int32}, TotalsRule::Or},
    {{a::kDeviceError, RecordKind::Int32}, TotalsRule::Or},
    {{a::kT1, RecordKind::Double}, TotalsRule::VolumeWeighted, a::kV1},
    {{a::kT2, RecordKind::Double}, TotalsRule::VolumeWeighted, a::kV2},
    {{a::kT3, RecordKind::Double}, TotalsRule::VolumeWeighted, a::kV3},
}};

// Supply, return, additional.
constexpr std::array<int, 3> kTemperatures{a::kT1, a::kT2, a::kT3};
// clang-format on

// The archive record response carries the record's hour at 160 and its day
// number at 161.
constexpr int kResponseHour = 160;
constexpr int kResponseDay = 161;

}  // namespace

const ArchiveFamily& u29::ArchiveTables() {
    static const ArchiveFamily family{&u29::kRecord, kColumns, kDailyCodes,  kHourlyCodes,
                                      kDifferences,  kTotals,  kTemperatures};
    return family;
}

const ArchiveFamily& u28::ArchiveTables() {
    static const ArchiveFamily family{&u28::kRecord, kColumns, kDailyCodes,  kHourlyCodes,
                                      kDifferences,  kTotals,  kTemperatures};
    return family;
}

const ArchiveProcedure& Procedure229() {
    static const ArchiveProcedure procedure{
        .name = "ARA229",
        .record = &u29::kRecord,
        .decode = &u29::DecArh,
        .dailyTop = u29::kDailyPositions - 1,
        .hourlyTop = u29::kHourlyPositions - 1,
        .dailyBytes = &DailyRequestBytes234,
        .hourlyBytes = &HourlyRequestBytes234,
        .announceAndIdentify = true,
        .dailyNumber = DailyNumberField::ByteAt7,
        .beginCommand = true,
        .endCommand = true,
        .resetTolerance = true,
        .dailyMismatch = DailyMismatch::RetryThenGiveUp,
        .dailyRetries = 5,
        .decodeErrorMemo = true,
        .dailySort = SortWhen::NotAllRecords,
        .hourlySort = SortWhen::AccessLevelNotZero,
        .logFileName = "АРХИВ229230.txt",
        .responseHourOffset = kResponseHour,
        .responseDayOffset = kResponseDay,
    };
    return procedure;
}

const ArchiveProcedure& Procedure228() {
    static const ArchiveProcedure procedure{
        .name = "ARA228",
        .record = &u28::kRecord,
        .decode = &u28::DecArh,
        .dailyTop = u28::kDailyPositions - 1,
        .hourlyTop = u28::kHourlyPositions - 1,
        .dailyBytes = &DailyRequestBytes234,
        .hourlyBytes = &HourlyRequestBytes234,
        .announceAndIdentify = false,
        .dailyNumber = DailyNumberField::ByteAt7,
        .beginCommand = true,
        .endCommand = true,
        .resetTolerance = false,
        .dailyMismatch = DailyMismatch::CountMissing,
        .dailyRetries = 0,
        .decodeErrorMemo = false,
        .dailySort = SortWhen::NotAllRecords,
        .hourlySort = SortWhen::AccessLevelNotZero,
        .logFileName = "байты архива.txt",
        .responseHourOffset = kResponseHour,
        .responseDayOffset = kResponseDay,
        // One request for the current numbers; in imitation mode its failure
        // is tolerated and the numbers are drawn from the rings (positions
        // 0..958 and 0..60).
        .currentNumbers = CurrentNumbers::AskOrDraw,
        .drawHourlyMax = u28::kHourlyPositions - 2,
        .drawDailyMax = u28::kDailyPositions - 2,
        .ringTest = RingTest::BothShown,
        .dailyProgress = DailyProgress::AfterExchange,
        .byteLog = ByteLog::AcceptedRecords,
        .logToMemo = true,
    };
    return procedure;
}

}  // namespace omi
