#include "families/U34Archive.h"

#include "families/U34.h"

#include <array>

namespace omi::u34 {

namespace {

using CK = CellKind;

// clang-format off
// Header texts are the program's defaults, blanks included; "°С" ends in a
// Cyrillic letter.
constexpr std::array<ArchiveColumn, 28> kColumns{{
    {"ДАТА", "дд месяца гггг", CK::Date, arh::kDay},                   // 1
    {"Время", "", CK::Int, arh::kHour},                            // 2
    {"ТЕПЛО", " Гкал", CK::Real, arh::kHeat},                      // 3
    {"объем", "   1-й м3", CK::Real, arh::kV1},                    // 4
    {"объем", "   2-й м3", CK::Real, arh::kV2},                    // 5
    {"объем", "   3-й м3", CK::Real, arh::kV3},                    // 6
    {"t°\u0421 ", "подача", CK::Real, arh::kT1},                   // 7
    {"t°\u0421", "обратка", CK::Real, arh::kT2},                   // 8
    {"t°\u0421", "доп.", CK::Real, arh::kT3},                      // 9
    {"Давление", "  1-й, МПа", CK::Real, arh::kP1},                // 10
    {"Давление", "   2-й, МПа", CK::Real, arh::kP2},               // 11
    {"Ошибка", "системы", CK::Int, arh::kSystemError, ErrorTag::System}, // 12
    {"Ошибка", "уст-ва", CK::Int, arh::kDeviceError, ErrorTag::Device}, // 13
    {"наработка", "час", CK::Int, arh::kWork},                     // 14
    {"наработка", " с ош. час", CK::Int, arh::kWorkErr},           // 15
    {"день", "от 1.1.00", CK::Int, arh::kDay},                     // 16
    {"От пер", "раб", CK::Int, arh::kPeriodWork},                  // 17
    {"От пер", "тепло", CK::Real, arh::kPeriodHeat},               // 18
    {"От пер", "расх 1", CK::Real, arh::kPeriodV1},                // 19
    {"От пер", "расх 2", CK::Real, arh::kPeriodV2},                // 20
    {"От пер", "расх 3", CK::Real, arh::kPeriodV3},                // 21
    {"с ошибкой", "чч:мм", CK::FatalTime, arh::kFatal},            // 22
    {"Ош малого", "расх", CK::Int, arh::kSmallFlow},               // 23
    {"Ош большого", "расх", CK::Int, arh::kLargeFlow},             // 24
    {"Ош дельты", "t°\u0421", CK::Int, arh::kSmallDt},             // 25
    {"Энергия", "малого", CK::Real, arh::kESmallFlow},             // 26
    {"Энергия", "большого", CK::Real, arh::kELargeFlow},           // 27
    {"Энергия", "dt°\u0421", CK::Real, arh::kESmallDt},            // 28
}};

// Daily: date, values, errors, fatal time and operating times; the hourly
// list shows the hour too.
constexpr std::array<int, 28> kDailyCodes{1,   -2,  3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  22,
                                          14,  15,  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28};
constexpr std::array<int, 28> kHourlyCodes{1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  22,
                                           14,  15,  -16, -17, -18, -19, -20, -21, -23, -24, -25, -26, -27, -28};

constexpr std::array<RecordValue, 6> kDifferences{{
    {arh::kWork, RecordKind::Int32},
    {arh::kWorkErr, RecordKind::Int32},
    {arh::kHeat, RecordKind::Double},
    {arh::kV1, RecordKind::Double},
    {arh::kV2, RecordKind::Double},
    {arh::kV3, RecordKind::Double},
}};

constexpr std::array<TotalsField, 14> kTotals{{
    {{arh::kHeat, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV1, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV2, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kV3, RecordKind::Double}, TotalsRule::Sum},
    {{arh::kWork, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kWorkErr, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kFatal, RecordKind::Int32}, TotalsRule::Sum},
    {{arh::kP1, RecordKind::Double}, TotalsRule::Mean},
    {{arh::kP2, RecordKind::Double}, TotalsRule::Mean},
    {{arh::kSystemError, RecordKind::Int32}, TotalsRule::Or},
    {{arh::kDeviceError, RecordKind::Int32}, TotalsRule::Or},
    {{arh::kT1, RecordKind::Double}, TotalsRule::VolumeWeighted, arh::kV1},
    {{arh::kT2, RecordKind::Double}, TotalsRule::VolumeWeighted, arh::kV2},
    {{arh::kT3, RecordKind::Double}, TotalsRule::VolumeWeighted, arh::kV3},
}};

// Supply, return, additional.
constexpr std::array<int, 3> kTemperatures{arh::kT1, arh::kT2, arh::kT3};
// clang-format on

}  // namespace

const ArchiveFamily& ArchiveTables() {
    static const ArchiveFamily family{&kRecord,     kColumns, kDailyCodes,  kHourlyCodes,
                                      kDifferences, kTotals,  kTemperatures};
    return family;
}

}  // namespace omi::u34
