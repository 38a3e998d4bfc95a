#pragma once
// Test vectors of every device family: answers written byte by byte from the
// protocol's layout tables, in which every field holds a value of its own,
// with the texts the views must show for them and the archive records they
// must give, all written out by hand. A wrong offset, width or heat system in
// any layout table makes some expected text or record byte differ.
//
// Conventions of the values, so that a text can be checked against its frame
// by eye: a single at frame offset o holds o + 0.25 (shown "o,25"); a word at
// offset o of a calculator holds 1000 + o, except temperatures in hundredths
// (7012, 5034, 6056) and the day number (1215: 29 April 2003); a byte at
// offset o holds o, except the hour (21) and system types that must be real.

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "families/StateLayout.h"
#include "protocol/Frame.h"
#include "support/HandFrame.h"

namespace omi::test::vectors {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kSerial = 0x2A17;

// Little-endian wire forms of a single, a word and a 32-bit integer.
inline Bytes F(float v) {
    const auto u = std::bit_cast<std::uint32_t>(v);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u >> 16),
            static_cast<std::uint8_t>(u >> 24)};
}
inline Bytes W(unsigned v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }

// One line of the state view: its label and grid headings, the decoding tag,
// and the value text of heat system 1 and 2 (one-system families: nullptr).
struct StateLineVector {
    const char* label;
    const char* heading1;
    const char* heading2;
    ErrorTag tag;
    const char* system1;
    const char* system2 = nullptr;
};

// A text of a record, heat system 1 and 2 (one-system families: nullptr).
using TextPair = std::array<const char*, 2>;

// A value of an archive record at its record offset (the record table).
enum class Kind { Int32, Double };
struct RecordValueVector {
    int offset;
    Kind kind;
    double system1;
    double system2 = 0;
};

// A text column of the archive table: its two header rows and its cell for
// the record of heat system 1 and 2 (one-system families: nullptr).
struct ArchiveColumnVector {
    const char* header1;
    const char* header2;
    const char* system1;
    const char* system2 = nullptr;
};

struct FamilyVector {
    const char* name;
    int type;
    int systems;  // heat systems carried by every frame
    Frame state;
    std::vector<StateLineVector> stateLines;
    Frame config;
    std::vector<TextPair> configTexts;
    Bytes configWrite;  // the write request; empty: the configuration answer's data bytes
    Frame archive;      // empty: the family has no archives
    int recordSize = 0;
    std::vector<RecordValueVector> record;            // every other record byte is 0
    std::vector<ArchiveColumnVector> archiveColumns;  // every text column of the archive table
    // The grid rows of heat system 1 as a user sees them (access level 1).
    std::vector<const char*> dailyRow;
    std::vector<const char*> hourlyRow;
};

// --- family 234/235 ---

inline Frame State234() {
    return HandFrame(
        129, 234, kSerial, 1,
        {{5, F(5.25)},       {9, F(9.25)},     {13, F(13.25)},   {17, F(17.25)},   {21, F(21.25)},   {25, F(25.25)},
         {29, F(29.25)},     {33, F(33.25)},   {37, F(37.25)},   {41, F(41.25)},   {45, F(45.25)},   {49, F(49.25)},
         {53, F(53.25)},     {57, F(57.25)},   {61, F(61.25)},   {65, F(65.25)},   {69, F(69.25)},   {73, F(73.25)},
         {77, {77, 78, 79}}, {80, F(80.25)},   {84, F(84.25)},   {88, F(88.25)},   {92, F(92.25)},   {96, F(96.25)},
         {100, F(100.25)},   {104, F(104.25)}, {108, F(108.25)}, {112, F(112.25)}, {116, F(116.25)}, {120, F(120.25)},
         {124, F(124.25)}});
}

inline Frame Config234() {
    return HandFrame(100, 234, kSerial, 5,
                     {{5, W(1005)},
                      {7, W(1007)},
                      {9, W(1009)},
                      {11, W(1011)},
                      {13, W(1013)},
                      {15, W(1015)},
                      {17, {17, 18, 19, 20, 21, 22, 23, 24}},
                      {25, F(25.25)},
                      {29, F(29.25)},
                      {33, F(33.25)},
                      {37, F(37.25)},
                      {41, W(0x1A25)},  // contract bits 0, 2, 9 of system 1 and 5, 11, 12 of system 2
                      {43, F(43.25)},
                      {47, F(47.25)},
                      {51, F(51.25)},
                      {55, F(55.25)},
                      {59, F(59.25)},
                      {63, F(63.25)},
                      {67, F(67.25)},
                      {71, F(71.25)},
                      {75, F(75.25)},
                      {79, F(79.25)},
                      {83, F(83.25)},
                      {87, F(87.25)},
                      {91, W(1091)},
                      {93, W(1093)},
                      {95, {95, 96, 97}}});
}

inline Frame Archive234() {
    return HandFrame(
        222, 234, kSerial, 3,
        {{5, W(1005)},     {7, W(1007)},     {9, W(1009)},     {11, F(11.25)},   {15, F(15.25)},
         {19, F(19.25)},   {23, F(23.25)},   {27, F(27.25)},   {31, F(31.25)},   {35, F(35.25)},
         {39, F(39.25)},   {43, F(43.25)},   {47, F(47.25)},   {51, F(51.25)},   {55, F(55.25)},
         {59, F(59.25)},   {63, F(63.25)},   {67, W(1067)},    {69, F(69.25)},   {73, F(73.25)},
         {77, F(77.25)},   {81, F(81.25)},   {85, F(85.25)},   {89, F(89.25)},   {93, F(93.25)},
         {97, F(97.25)},   {101, F(101.25)}, {105, F(105.25)}, {109, F(109.25)}, {113, F(113.25)},
         {117, F(117.25)}, {121, F(121.25)}, {125, F(125.25)}, {129, F(129.25)}, {133, F(133.25)},
         {137, F(137.25)}, {141, F(141.25)}, {145, F(145.25)}, {149, F(149.25)}, {153, F(153.25)},
         {157, F(157.25)}, {161, F(161.25)}, {165, W(1165)},   {167, W(1167)},   {169, W(1169)},
         {171, W(1171)},   {173, F(173.25)}, {177, F(177.25)}, {181, W(1181)},   {183, W(1183)},
         {185, F(185.25)}, {189, F(189.25)}, {193, W(1193)},   {195, W(1195)},   {197, F(197.25)},
         {201, F(201.25)}, {205, W(1205)},   {207, W(1207)},   {209, W(1209)},   {211, {211, 212, 213, 21}},
         {215, W(1215)}});
}

inline FamilyVector Family234() {
    using enum ErrorTag;
    using enum Kind;
    return {
        "234/235",
        234,
        2,
        State234(),
        {
            {"тепло, Гкал", "ТЕПЛО", " Гкал", None, "5,25", "9,25"},
            {"объем 1, м3", "объем", "1,м3", None, "53,25", "65,25"},
            {"объем 2, м3", "объем", "2,м3", None, "57,25", "69,25"},
            {"объем 3, м3", "объем", "3,м3", None, "61,25", "73,25"},
            {"t°C, подача ", "t°C", "подача", None, "13,25", "21,25"},
            {"t°C, обратка", "t°C", "обратка", None, "17,25", "25,25"},
            {"t°C, ГВС    ", "t°C", "доп", None, "29,25", "33,25"},
            {"давление 1 датчик, МПа", "давл-е", "1,МПа", None, "37,25", "45,25"},
            {"давление 2 датчик, МПа", "давл-е", "2,МПа", None, "41,25", "49,25"},
            {"1-й мгновенный расход,м3/час", "объем", "мгнов", None, "80,25", "92,25"},
            {"2-й мгновенный расход,м3/час", "объем", "мгнов", None, "84,25", "96,25"},
            {"3-й мгновенный расход,м3/час", "объем", "мгнов", None, "88,25", "100,25"},
            {"код ошибки системы", "код ош", "сист", System, "77", "78"},
            {"код ошибки устройства", "код ош", "уст-ва", Device, "79", "79"},
            {"Масса 1,Т", "масса", "1,т", None, "104,25", "116,25"},
            {"Масса 2,Т", "масса", "2,т", None, "108,25", "120,25"},
            {"Масса 3,Т", "масса", "3,т", None, "112,25", "124,25"},
        },
        Config234(),
        {
            {"1005,00", "1011,00"},  // pulse weights 1..3
            {"1007,00", "1013,00"}, {"1009,00", "1015,00"},
            {"18", "19"},                          // system type: byte + 1
            {"19", "19"},                          // cold-water temperatures 1, 2
            {"20", "20"},           {"21", "21"},  // first day, first month, last day, last month
            {"22", "22"},           {"23", "23"},
            {"24", "24"},           {"25,25", "29,25"},  // minimum, maximum flow
            {"33,25", "37,25"},     {"6693", "6693"},    // flags word 0x1A25
            {"43,25", "55,25"},                          // contract Tп, Tо, Tх
            {"47,25", "59,25"},     {"51,25", "63,25"},
            {"67,25", "79,25"},  // contract Pп, Pо, Pх
            {"71,25", "83,25"},     {"75,25", "87,25"},
            {"95", "95"},  // report day, summing flag, second-temperature flag
            {"96", "96"},           {"97", "97"},
        },
        {},
        Archive234(),
        232,
        {
            {0, Int32, 1005, 1005},      // operating time (common)
            {4, Int32, 1007, 1009},      // with errors
            {8, Double, 11.25, 15.25},   // heat
            {16, Double, 19.25, 31.25},  // V1, V2, V3
            {24, Double, 23.25, 35.25},    {32, Double, 27.25, 39.25},
            {40, Double, 43.25, 55.25},  // further cumulative values 1..3
            {48, Double, 47.25, 59.25},    {56, Double, 51.25, 63.25},
            {64, Int32, 1067, 1067},     // working time in the period (common)
            {72, Double, 69.25, 73.25},  // heat in the period
            {80, Double, 77.25, 89.25},  // V1..V3 in the period
            {88, Double, 81.25, 93.25},    {96, Double, 85.25, 97.25},
            {104, Double, 101.25, 113.25},  // further period values 1..3
            {112, Double, 105.25, 117.25}, {120, Double, 109.25, 121.25},
            {128, Double, 125.25, 133.25},  // t1, t2, t3
            {136, Double, 129.25, 137.25}, {144, Double, 141.25, 145.25},
            {152, Double, 149.25, 157.25},                            // P1, P2
            {160, Double, 153.25, 161.25}, {168, Int32, 1165, 1167},  // fatal-error minutes
            {172, Int32, 1181, 1183},                                 // too-large-flow duration
            {176, Int32, 1169, 1171},                                 // too-small-flow duration
            {180, Int32, 1193, 1195},                                 // too-small-dt duration
            {184, Int32, 1205, 0},                                    // further word 1 (system 1 only)
            {188, Int32, 1207, 1209},                                 // further word 2
            {192, Double, 173.25, 177.25},                            // energies: small flow, large flow, small dt
            {200, Double, 185.25, 189.25}, {208, Double, 197.25, 201.25},
            {216, Int32, 211, 212},    // system error
            {220, Int32, 213, 213},    // device error (common)
            {224, Int32, 21, 21},      // hour
            {228, Int32, 1215, 1215},  // day number
        },
        {
            {"ДАТА", "дд месяца гггг", "29 апреля 2003г.", "29 апреля 2003г."},
            {"Время", "", "21", "21"},
            {"ТЕПЛО", " Гкал", "11,25", "15,25"},      // heat
            {"объем", "   1-й м3", "19,25", "31,25"},  // V1, V2, V3
            {"объем", "   2-й м3", "23,25", "35,25"},
            {"объем", "   3-й м3", "27,25", "39,25"},
            {"t°\u0421 ", "подача", "125,25", "133,25"},  // t1, t2, t3
            {"t°\u0421", "обратка", "129,25", "137,25"},
            {"t°\u0421", "доп.", "141,25", "145,25"},
            {"Давление", "  1-й, МПа", "149,25", "157,25"},  // P1, P2
            {"Давление", "   2-й, МПа", "153,25", "161,25"},
            {"Ошибка", "системы", "211", "212"},  // system error, device error
            {"Ошибка", "уст-ва", "213", "213"},
            {"наработка", "час", "1005", "1005"},  // operating time, with errors
            {"наработка", " с ош. час", "1007", "1009"},
            {"день", "от 1.1.00", "1215", "1215"},  // day number
            {"От пер", "раб", "1067", "1067"},      // period: working time, heat, V1..V3
            {"От пер", "тепло", "69,25", "73,25"},
            {"От пер", "расх 1", "77,25", "89,25"},
            {"От пер", "расх 2", "81,25", "93,25"},
            {"От пер", "расх 3", "85,25", "97,25"},
            {"с ошибкой", "чч:мм", "19:25", "19:27"},  // fatal error 1165 and 1167 minutes
            {"Ош малого", "расх", "1169", "1171"},     // small flow, large flow, small dt
            {"Ош большого", "расх", "1181", "1183"},
            {"Ош дельты", "t°\u0421", "1193", "1195"},
            {"Энергия", "малого", "173,25", "177,25"},  // their energies
            {"Энергия", "большого", "185,25", "189,25"},
            {"Энергия", "dt°\u0421", "197,25", "201,25"},
        },
        {"29 апреля 2003г.", "11,25", "19,25", "23,25", "27,25", "125,25", "129,25", "141,25", "149,25", "153,25",
         "211", "213", "19:25", "1005", "1007"},
        {"29 апреля 2003г.", "21", "11,25", "19,25", "23,25", "27,25", "125,25", "129,25", "141,25", "149,25", "153,25",
         "211", "213", "19:25", "1005", "1007"},
    };
}

// --- families 229/230 and 228: the configuration and archive frames ---

inline Frame Config229(int type) {
    return HandFrame(46, type, kSerial, 5,
                     {{5, W(1005)},
                      {7, W(1007)},
                      {9, W(1009)},
                      {11, W(1011)},
                      {13, W(1013)},
                      {15, W(1015)},
                      {17, {17, 18, 19, 20, 21, 22, 23, 24}},
                      {25, F(25.25)},
                      {29, F(29.25)},
                      {33, F(33.25)},
                      {37, F(37.25)},
                      {41, {41, 42, 43}}});
}

inline std::vector<TextPair> ConfigTexts229() {
    return {
        {"1005,00", "1011,00"},                                        // pulse weights 1..3
        {"1007,00", "1013,00"}, {"1009,00", "1015,00"}, {"18", "19"},  // system type: byte + 1
        {"19", "19"},                                                  // cold-water temperatures 1, 2
        {"20", "20"},           {"21", "21"},                          // first day, first month, last day, last month
        {"22", "22"},           {"23", "23"},           {"24", "24"}, {"25,25", "29,25"},  // minimum, maximum flow
        {"33,25", "37,25"},     {"41", "41"},  // report day, summing flag, second-temperature flag
        {"42", "42"},           {"43", "43"},
    };
}

inline Frame Archive229(int type) {
    return HandFrame(
        166, type, kSerial, 3,
        {{5, W(1005)},     {7, W(1007)},     {9, W(1009)},     {11, F(11.25)},   {15, F(15.25)},
         {19, F(19.25)},   {23, F(23.25)},   {27, F(27.25)},   {31, F(31.25)},   {35, F(35.25)},
         {39, F(39.25)},   {43, W(1043)},    {45, F(45.25)},   {49, F(49.25)},   {53, F(53.25)},
         {57, F(57.25)},   {61, F(61.25)},   {65, F(65.25)},   {69, F(69.25)},   {73, F(73.25)},
         {77, F(77.25)},   {81, F(81.25)},   {85, F(85.25)},   {89, F(89.25)},   {93, F(93.25)},
         {97, F(97.25)},   {101, F(101.25)}, {105, F(105.25)}, {109, F(109.25)}, {113, F(113.25)},
         {117, W(1117)},   {119, W(1119)},   {121, W(1121)},   {123, W(1123)},   {125, F(125.25)},
         {129, F(129.25)}, {133, W(1133)},   {135, W(1135)},   {137, F(137.25)}, {141, F(141.25)},
         {145, W(1145)},   {147, W(1147)},   {149, F(149.25)}, {153, F(153.25)}, {157, {157, 158, 159, 21}},
         {161, W(1215)}});
}

inline std::vector<RecordValueVector> Record229() {
    using enum Kind;
    return {
        {0, Int32, 1005, 1005},      // operating time (common)
        {4, Int32, 1007, 1009},      // with errors
        {8, Double, 11.25, 15.25},   // heat
        {16, Double, 19.25, 31.25},  // V1, V2, V3
        {24, Double, 23.25, 35.25},    {32, Double, 27.25, 39.25},
        {40, Int32, 1043, 1043},     // working time in the period (common)
        {48, Double, 45.25, 49.25},  // heat in the period
        {56, Double, 53.25, 65.25},  // V1..V3 in the period
        {64, Double, 57.25, 69.25},    {72, Double, 61.25, 73.25},
        {80, Double, 77.25, 85.25},  // t1, t2, t3
        {88, Double, 81.25, 89.25},    {96, Double, 93.25, 97.25},
        {104, Double, 101.25, 109.25},                            // P1, P2
        {112, Double, 105.25, 113.25}, {120, Int32, 1117, 1119},  // fatal-error minutes
        {124, Int32, 1133, 1135},                                 // too-large-flow duration
        {128, Int32, 1121, 1123},                                 // too-small-flow duration
        {132, Int32, 1145, 1147},                                 // too-small-dt duration
        {136, Double, 125.25, 129.25},                            // energies: small flow, large flow, small dt
        {144, Double, 137.25, 141.25}, {152, Double, 149.25, 153.25},
        {160, Int32, 157, 158},    // system error
        {164, Int32, 159, 159},    // device error (common)
        {168, Int32, 21, 21},      // hour
        {172, Int32, 1215, 1215},  // day number
    };
}

// Pressures in bar: the headings differ from 234/235, the cells do not.
inline std::vector<ArchiveColumnVector> ArchiveColumns229() {
    return {
        {"ДАТА", "дд месяца гггг", "29 апреля 2003г.", "29 апреля 2003г."},
        {"Время", "", "21", "21"},
        {"ТЕПЛО", " Гкал", "11,25", "15,25"},      // heat
        {"объем", "   1-й м3", "19,25", "31,25"},  // V1, V2, V3
        {"объем", "   2-й м3", "23,25", "35,25"},
        {"объем", "   3-й м3", "27,25", "39,25"},
        {"t°\u0421 ", "подача", "77,25", "85,25"},  // t1, t2, t3
        {"t°\u0421", "обратка", "81,25", "89,25"},
        {"t°\u0421", "доп.", "93,25", "97,25"},
        {"Давление", "  1-й, бар", "101,25", "109,25"},  // P1, P2
        {"Давление", "   2-й, бар", "105,25", "113,25"},
        {"Ошибка", "системы", "157", "158"},  // system error, device error
        {"Ошибка", "уст-ва", "159", "159"},
        {"наработка", "час", "1005", "1005"},  // operating time, with errors
        {"наработка", " с ош. час", "1007", "1009"},
        {"день", "от 1.1.00", "1215", "1215"},  // day number
        {"От пер", "раб", "1043", "1043"},      // period: working time, heat, V1..V3
        {"От пер", "тепло", "45,25", "49,25"},
        {"От пер", "расх 1", "53,25", "65,25"},
        {"От пер", "расх 2", "57,25", "69,25"},
        {"От пер", "расх 3", "61,25", "73,25"},
        {"с ошибкой", "чч:мм", "18:37", "18:39"},  // fatal error 1117 and 1119 minutes
        {"Ош малого", "расх", "1121", "1123"},     // small flow, large flow, small dt
        {"Ош большого", "расх", "1133", "1135"},
        {"Ош дельты", "t°\u0421", "1145", "1147"},
        {"Энергия", "малого", "125,25", "129,25"},  // their energies
        {"Энергия", "большого", "137,25", "141,25"},
        {"Энергия", "dt°\u0421", "149,25", "153,25"},
    };
}

// The grid rows of system 1; the hourly row shows the hour after the date.
inline std::vector<const char*> GridRow229(bool hourly) {
    std::vector<const char*> row{"29 апреля 2003г.", "11,25",  "19,25", "23,25", "27,25", "77,25", "81,25", "93,25",
                                 "101,25",           "105,25", "157",   "159",   "18:37", "1005",  "1007"};
    if (hourly) row.insert(row.begin() + 1, "21");
    return row;
}

inline FamilyVector Family229() {
    using enum ErrorTag;
    return {
        "229/230",
        229,
        2,
        HandFrame(105, 229, kSerial, 1,
                  {{5, F(5.25)},   {9, F(9.25)},   {13, F(13.25)}, {17, F(17.25)},     {21, F(21.25)},
                   {25, F(25.25)}, {29, F(29.25)}, {33, F(33.25)}, {37, F(37.25)},     {41, F(41.25)},
                   {45, F(45.25)}, {49, F(49.25)}, {53, F(53.25)}, {57, F(57.25)},     {61, F(61.25)},
                   {65, F(65.25)}, {69, F(69.25)}, {73, F(73.25)}, {77, {77, 78, 79}}, {80, F(80.25)},
                   {84, F(84.25)}, {88, F(88.25)}, {92, F(92.25)}, {96, F(96.25)},     {100, F(100.25)}}),
        {
            {"тепло, Гкал", "ТЕПЛО", " Гкал", None, "5,25", "9,25"},
            {"объем 1, м3", "объем", "1,м3", None, "53,25", "65,25"},
            {"объем 2, м3", "объем", "2,м3", None, "57,25", "69,25"},
            {"объем 3, м3", "объем", "3,м3", None, "61,25", "73,25"},
            {"t°C, подача ", "t°C", "подача", None, "13,25", "21,25"},
            {"t°C, обратка", "t°C", "обратка", None, "17,25", "25,25"},
            {"t°C, ГВС    ", "t°C", "доп", None, "29,25", "33,25"},
            {"давление 1 датчик, бар", "давл-е", "1,бар", None, "37,25", "45,25"},
            {"давление 2 датчик, бар", "давл-е", "2,бар", None, "41,25", "49,25"},
            {"1-й мгновенный расход,м3/час", "объем", "мгнов", None, "80,25", "92,25"},
            {"2-й мгновенный расход,м3/час", "объем", "мгнов", None, "84,25", "96,25"},
            {"3-й мгновенный расход,м3/час", "объем", "мгнов", None, "88,25", "100,25"},
            {"код ошибки системы", "код ош", "сист", System, "77", "78"},
            {"код ошибки устройства", "код ош", "уст-ва", Device, "79", "79"},
        },
        Config229(229),
        ConfigTexts229(),
        {},
        Archive229(229),
        176,
        Record229(),
        ArchiveColumns229(),
        GridRow229(false),
        GridRow229(true),
    };
}

inline FamilyVector Family228() {
    using enum ErrorTag;
    return {
        "228",
        228,
        2,
        HandFrame(97, 228, kSerial, 1,
                  {{5, F(5.25)},       {9, F(9.25)},   {13, F(13.25)}, {17, F(17.25)}, {21, F(21.25)}, {25, F(25.25)},
                   {29, F(29.25)},     {33, F(33.25)}, {37, F(37.25)}, {41, F(41.25)}, {45, F(45.25)}, {49, F(49.25)},
                   {53, F(53.25)},     {57, F(57.25)}, {61, F(61.25)}, {65, F(65.25)}, {69, F(69.25)}, {73, F(73.25)},
                   {77, {77, 78, 79}}, {80, F(80.25)}, {84, F(84.25)}, {88, F(88.25)}, {92, F(92.25)}}),
        {
            {"тепло, Гкал", "ТЕПЛО", " Гкал", None, "5,25", "9,25"},
            {"объем 1, м3", "объем", "1,м3", None, "53,25", "65,25"},
            {"объем 2, м3", "объем", "2,м3", None, "57,25", "69,25"},
            {"объем 3, м3", "объем", "3,м3", None, "61,25", "73,25"},
            {"t°C, подача ", "t°C", "подача", None, "13,25", "21,25"},
            {"t°C, обратка", "t°C", "обратка", None, "17,25", "25,25"},
            {"t°C, ГВС    ", "t°C", "доп", None, "29,25", "33,25"},
            {"давление 1 датчик, бар", "давл-е", "1,бар", None, "37,25", "45,25"},
            {"давление 2 датчик, бар", "давл-е", "2,бар", None, "41,25", "49,25"},
            {"1-й мгновенный объем,м3/час", "объем", "мгнов", None, "80,25", "88,25"},
            {"2-й мгновенный объем,м3/час", "объем", "мгнов", None, "84,25", "92,25"},
            {"код ошибки системы", "код ош", "сист", System, "77", "78"},
            {"код ошибки устройства", "код ош", "уст-ва", Device, "79", "79"},
        },
        Config229(228),
        ConfigTexts229(),
        {},
        Archive229(228),
        176,
        Record229(),
        ArchiveColumns229(),
        GridRow229(false),
        GridRow229(true),
    };
}

// --- family 227 ---

inline FamilyVector Family227() {
    using enum ErrorTag;
    using enum Kind;
    return {
        "227",
        227,
        1,
        HandFrame(33, 227, kSerial, 1,
                  {{5, F(5.25)},
                   {9, W(7012)},
                   {11, W(5034)},
                   {13, W(6056)},
                   {15, F(15.25)},
                   {19, F(19.25)},
                   {23, F(23.25)},
                   {27, F(27.25)},
                   {31, {31}}}),
        {
            {"ТЕПЛО, Гкал", "ТЕПЛО", " Гкал", None, "5,25"},
            {"t°C, подача", "t°C", "подача", None, "70,12"},
            {"t°C, обратка", "t°C", "обратка", None, "50,34"},
            {"t°C, ГВС", "t°C", "ГВС", None, "60,56"},
            {"объем 1,м3", "объем", "1,м3", None, "15,25"},
            {"объем 2,м3", "объем", "2,м3", None, "19,25"},
            {"объем ГВС, м3", "объем", "3,м3", None, "23,25"},
            {"объем 3,м3", "объем", "4,м3", None, "27,25"},
            {"код ошибки", "код ", "ошиб", Device, "31"},
        },
        HandFrame(16, 227, kSerial, 5, {{5, W(105)}, {7, W(107)}, {9, W(109)}, {11, W(111)}, {13, {3, 14}}}),
        {
            {"105,00"},  // pulse weights 1, 2, hot water, 3
            {"107,00"},
            {"109,00"},
            {"111,00"},
            {"3"},   // system type: the byte itself
            {"14"},  // cold-water temperature
        },
        {},
        HandFrame(41, 227, kSerial, 3,
                  {{5, W(1005)},
                   {7, W(1007)},
                   {9, F(9.25)},
                   {13, F(13.25)},
                   {17, F(17.25)},
                   {21, F(21.25)},
                   {25, F(25.25)},
                   {29, W(7012)},
                   {31, W(5034)},
                   {33, W(6056)},
                   {35, {35, 36, 21}},
                   {38, W(1215)}}),
        80,
        {
            {0, Int32, 1005},  // operating time, with errors
            {4, Int32, 1007},
            {8, Double, 9.25},    // heat
            {16, Double, 13.25},  // volumes 1, 2, hot water, 3
            {24, Double, 17.25},
            {32, Double, 21.25},
            {40, Double, 25.25},
            {48, Int32, 7012},  // supply, return, hot-water temperature × 100
            {52, Int32, 5034},
            {56, Int32, 6056},
            {60, Int32, 35},    // error code
            {64, Int32, 36},    // duration with errors
            {68, Int32, 21},    // hour
            {72, Int32, 1215},  // day number
        },
        {
            {"ДАТА", "дд месяца гггг", "29 апреля 2003г."},
            {"Время", "час", "21"},
            {"ТЕПЛО", " Гкал", "9,25"},   // heat
            {"объем", "1д,м3", "13,25"},  // volumes 1, 2, hot water, 3
            {"объем", "2д,м3", "17,25"},
            {"объем", "ГВС м3", "21,25"},
            {"объем", "3д м3", "25,25"},
            {"t°\u0421", "подача", "70,12"},  // temperatures
            {"t°\u0421", "обратка", "50,34"},
            {"t°\u0421 ", "ГВС", "60,56"},
            {"наработка", "час", "1005"},                // operating time
            {"Ошибка", "код", "35"},                     // error code
            {"наработка", " с ош. час", "1007"},         // operating time with errors
            {"Период с ош.", "мин/час(час/сут)", "36"},  // duration with errors
            {"день", "от 1.1.00", "1215"},               // day number
        },
        {"29 апреля 2003г.", "9,25", "13,25", "17,25", "21,25", "25,25", "70,12", "50,34", "60,56", "1005", "35",
         "1007", "36", "1215"},
        {"29 апреля 2003г.", "21", "9,25", "13,25", "17,25", "21,25", "25,25", "70,12", "50,34", "60,56", "1005", "35",
         "1007", "36", "1215"},
    };
}

// --- family 225 ---

inline FamilyVector Family225() {
    using enum ErrorTag;
    using enum Kind;
    return {
        "225",
        225,
        1,
        HandFrame(41, 225, kSerial, 1,
                  {{5, F(5.25)},
                   {9, W(7012)},
                   {11, W(5034)},
                   {13, W(6056)},
                   {15, F(15.25)},
                   {19, F(19.25)},
                   {23, F(23.25)},
                   {27, F(27.25)},
                   {31, F(31.25)},
                   {35, F(35.25)},
                   {39, {39}}}),
        {
            {"ТЕПЛО, Гкал", "ТЕПЛО", " Гкал", None, "5,25"},
            {"t°C, подача", "t°C", "подача", None, "70,12"},
            {"t°C, обратка", "t°C", "обратка", None, "50,34"},
            {"t°C, ГВС", "t°C", "ГВС", None, "60,56"},
            {"объем 1,м3", "объем", "1,м3", None, "15,25"},
            {"объем 2,м3", "объем", "2,м3", None, "19,25"},
            {"объем 3,м3", "объем", "3,м3", None, "23,25"},
            {"объем при уменьшенной t°C,м3", "объем", "уменьш t°C", None, "27,25"},
            {"электроэнергия по 1 тарифу", "электро", "1 тариф", None, "31,25"},
            {"электроэнергия по 2 тарифу", "электро", "2 тариф", None, "35,25"},
            {"код ошибки", "код ", "ошиб", Device, "39"},
        },
        HandFrame(23, 225, kSerial, 5,
                  {{5, W(105)},
                   {7, W(107)},
                   {9, W(109)},
                   {11, W(1011)},
                   {13, {13}},
                   {14, W(420)},
                   {16, W(1260)},
                   {18, {3, 19, 20, 45}}}),
        {
            {"105,00"},  // pulse weights 1, 2, hot water
            {"107,00"},
            {"109,00"},
            {"1011"},  // electricity pulse weight
            {"13"},    // two-tariff flag
            {"420"},   // tariff starts 07:00, 21:00
            {"1260"},
            {"3"},   // system type: the byte itself
            {"19"},  // cold-water temperature
            {"20"},  // limit flag
            {"45"},  // hot-water temperature limit
        },
        {},
        HandFrame(49, 225, kSerial, 3,
                  {{5, W(1005)},
                   {7, W(1007)},
                   {9, F(9.25)},
                   {13, F(13.25)},
                   {17, F(17.25)},
                   {21, F(21.25)},
                   {25, F(25.25)},
                   {29, F(29.25)},
                   {33, F(33.25)},
                   {37, W(7012)},
                   {39, W(5034)},
                   {41, W(6056)},
                   {43, {43, 44, 21}},
                   {46, W(1215)}}),
        96,
        {
            {0, Int32, 1005},  // operating time, with errors
            {4, Int32, 1007},
            {8, Double, 9.25},    // heat
            {16, Double, 13.25},  // volumes 1, 2, 3
            {24, Double, 17.25},
            {32, Double, 21.25},
            {40, Double, 25.25},  // reduced-temperature volume
            {48, Double, 29.25},  // energy, tariffs 1 and 2
            {56, Double, 33.25},
            {64, Int32, 7012},  // supply, return, hot-water temperature × 100
            {68, Int32, 5034},
            {72, Int32, 6056},
            {76, Int32, 43},    // error code
            {80, Int32, 44},    // duration with errors
            {84, Int32, 21},    // hour
            {88, Int32, 1215},  // day number
        },
        {
            {"ДАТА", "дд месяца гггг", "29 апреля 2003г."},
            {"Время", "час", "21"},
            {"ТЕПЛО", " Гкал", "9,25"},     // heat
            {"объем", "1-й, м3", "13,25"},  // volumes 1, 2, 3
            {"объем", "2-й, м3", "17,25"},
            {"объем", "3-й м3", "21,25"},
            {"объем", ">уст t°\u0421", "25,25"},  // reduced-temperature volume
            {"t°\u0421", "подача", "70,12"},      // temperatures
            {"t°\u0421", "обратка", "50,34"},
            {"t°\u0421 ", "ГВС", "60,56"},
            {"Эл.энергия", "тариф 1", "29,25"},  // energy, tariffs 1 and 2
            {"Эл.энергия", "тариф 2", "33,25"},
            {"Ошибка", "код", "43"},       // error code
            {"наработка", "час", "1005"},  // operating time, with errors
            {"наработка", " с ош. час", "1007"},
            {"Период с ош.", "мин/час(час/сут)", "44"},  // duration with errors
            {"день", "от 1.1.00", "1215"},               // day number
        },
        {"29 апреля 2003г.", "9,25", "13,25", "17,25", "21,25", "25,25", "70,12", "50,34", "60,56", "29,25", "33,25",
         "43", "1005", "1007", "44"},
        {"29 апреля 2003г.", "21", "9,25", "13,25", "17,25", "21,25", "25,25", "70,12", "50,34", "60,56", "29,25",
         "33,25", "43", "1005", "1007", "44"},
    };
}

// --- ЛОРС (type 128) ---

inline FamilyVector Family128() {
    using enum ErrorTag;
    return {
        "ЛОРС 128",
        128,
        1,
        HandFrame(31, 128, kSerial, 1,
                  {{5, {0xEF, 0xBE}},                    // not decoded
                   {7, {0x87, 0xD6, 0x12, 0x00}},        // pulses 1: 1234567
                   {11, {0xD0, 0x07, 0x00, 0x00}},       // pulses 2: 2000
                   {15, {0x78, 0x56, 0x34, 0x12}},       // pulses 3: 305419896
                   {19, {0x46, 0x00, 0x00, 0x00}},       // pulses 4: 70
                   {23, {2, 0, 3, 1, 4, 0x5A, 0xA5}}}),  // weight numbers, channel count, two bytes not decoded
        {
            {"модификация ЛОРС (кол-во каналов) ", "модиф", "ЛОРС", None, "4"},
            {"Импульсы,1 кан", "Импульс", "1 кан", None, "1234567"},
            {"Импульсы,2 кан", "Импульс", "2 кан", None, "2000"},
            {"Импульсы,3 кан", "Импульс", "3 кан", None, "305419896"},
            {"Импульсы,4 кан", "Импульс", "4 кан", None, "70"},
            {"№ веса,1 кан", "№ веса", "1 кан", None, "2"},
            {"№ веса,2 кан", "№ веса", "2 кан", None, "0"},
            {"№ веса,3 кан", "№ веса", "3 кан", None, "3"},
            {"№ веса,4 кан", "№ веса", "4 кан", None, "1"},
            {"вес,1 кан", "вес", "1 кан", None, "10"},
            {"вес,2 кан", "вес", "2 кан", None, "1000"},
            {"вес,3 кан", "вес", "3 кан", None, "1"},
            {"вес,4 кан", "вес", "4 кан", None, "100"},
            {"итого,1 кан", "итого", "1 кан", None, "12345670,00"},
            {"итого,2 кан", "итого", "2 кан", None, "2000000,00"},
            {"итого,3 кан", "итого", "3 кан", None, "305419896,00"},
            {"итого,4 кан", "итого", "4 кан", None, "7000,00"},
        },
        // The configuration is read with the state request, from the same answer.
        HandFrame(31, 128, kSerial, 1, {{7, {0x87, 0xD6, 0x12, 0x00}}, {23, {2, 0, 3, 1, 4}}}),
        {{"4"}, {"2"}, {"0"}, {"3"}, {"1"}},  // channel count, weight numbers 1..4
        // Command 255: channel count, weight numbers packed 2 + 4·0 + 16·3 + 64·1 = 0x72.
        HandFrame(8, 128, kSerial, 255, {{5, {4, 0x72}}}),
        {},  // no archives
        0,
        {},
        {},
        {},
        {},
    };
}

}  // namespace omi::test::vectors
