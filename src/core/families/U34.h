#pragma once
// Driver of the family 234/235 (device types 234, 235, 236, 237): frames,
// records, texts and defaults. Types 234 and 236 serve two heat systems, 235
// and 237 one; every frame carries both systems.
//
// The frame layouts are tables (U34Layout.cpp) used by the decoders, the
// configuration writer and the simulator alike.

#include "archives/ArchiveRecord.h"
#include "families/Layout.h"
#include "families/SharedSettings.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

namespace omi::u34 {

// Response lengths (whole frames).
inline constexpr int kStateLength = 129;
inline constexpr int kConfigLength = 100;
inline constexpr int kArchiveLength = 222;
inline constexpr int kConfigDataSize = 94;  // configuration write request data

bool IsU34Type(int type);           // 234..237
bool HasTwoSystems(int type);       // 234, 236

// State of one heat system (values as the views show them).
struct StateRecord {
    double heat = 0, t1 = 0, t2 = 0, t3 = 0, p1 = 0, p2 = 0;
    double v1 = 0, v2 = 0, v3 = 0, g1 = 0, g2 = 0, g3 = 0;
    double m1 = 0, m2 = 0, m3 = 0;
    std::int32_t systemError = 0;
    std::int32_t deviceError = 0;  // common
};

// Configuration of one heat system. Fields marked common are one device
// setting, kept in both records.
struct ConfigRecord {
    double weight1 = 0, weight2 = 0, weight3 = 0;  // raw pulse-weight words
    std::int32_t systemType = 0;                   // 1..4 for a known type
    std::uint8_t coldT1 = 0, coldT2 = 0;           // common, whole °C
    std::uint8_t firstDay = 0, firstMonth = 0, lastDay = 0, lastMonth = 0;  // common
    std::uint8_t reportDay = 0, summing = 0, secondT = 0;                   // common
    std::int32_t flags = 0;                        // common contract-value flags word
    double contractT1 = 0, contractT2 = 0, contractT3 = 0;  // Tп, Tо, Tх
    double contractP1 = 0, contractP2 = 0, contractP3 = 0;  // Pп, Pо, Pх
    std::int32_t reservedA = 0, reservedB = 0;     // common
    double minFlow = 0, maxFlow = 0;
};

using StatePair = RecordPair<StateRecord>;
using ConfigPair = RecordPair<ConfigRecord>;

// Frame layouts (offsets count from the length byte).
std::span<const FrameField<StateRecord>> StateLayout();
std::span<const FrameField<ConfigRecord>> ConfigLayout();  // response 5 and request 4 (data offset = frame offset - 5)
std::span<const ArchiveField> ArchiveLayout();

// The 232-byte archive record (in memory and in archive files).
extern const RecordLayout kRecord;  // "Tarh234"
namespace arh {
inline constexpr int kWork = 0;           // int32 operating time, hours
inline constexpr int kWorkErr = 4;        // int32 operating time with errors, hours
inline constexpr int kHeat = 8;           // double
inline constexpr int kV1 = 16, kV2 = 24, kV3 = 32;
inline constexpr int kFurther1 = 40, kFurther2 = 48, kFurther3 = 56;
inline constexpr int kPeriodWork = 64;    // int32 minutes
inline constexpr int kPeriodHeat = 72;
inline constexpr int kPeriodV1 = 80, kPeriodV2 = 88, kPeriodV3 = 96;
inline constexpr int kPeriodFurther1 = 104, kPeriodFurther2 = 112, kPeriodFurther3 = 120;
inline constexpr int kT1 = 128, kT2 = 136, kT3 = 144;
inline constexpr int kP1 = 152, kP2 = 160;
inline constexpr int kFatal = 168;        // int32 minutes
inline constexpr int kLargeFlow = 172;    // int32
inline constexpr int kSmallFlow = 176;    // int32
inline constexpr int kSmallDt = 180;      // int32
inline constexpr int kFurtherWord1 = 184, kFurtherWord2 = 188;
inline constexpr int kESmallFlow = 192, kELargeFlow = 200, kESmallDt = 208;
inline constexpr int kSystemError = 216, kDeviceError = 220;
inline constexpr int kHour = 224, kDay = 228;
inline constexpr int kSize = 232;
}  // namespace arh

// --- operations (U34.cpp) ---

// Decoders: an empty message means success and the pair/entry was replaced;
// otherwise it is left unchanged.
QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair);
QString DecParam(const Frame& response, const DeviceAddress& from, ConfigPair& pair);
QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);

// The write request data, or why none may be sent (families/SharedSettings.h).
using SetParResult = ConfigWriteResult;
SetParResult SetPar(const ConfigPair& pair);

// Copies the common settings of record s into the other record: the other
// record's flags word gets the bits of s added, reserved words and the nine
// common bytes are copied. An index outside 0..1 changes nothing.
void ShareCommon(ConfigPair& pair, int s);

// Texts of one heat system (0 or 1; any other index gives an empty list).
// Reals in the display format (support/Format.h), codes and bytes as "%d".
// State: heat, V1, V2, V3, t1, t2, t3, P1, P2, G1, G2, G3, system error,
// device error, M1, M2, M3.
QStringList StateToText(const StatePair& pair, int system);   // 17 strings
// Configuration: weights 1..3, system type, cold-water temperatures 1 and 2,
// first day, first month, last day, last month, minimum and maximum flow,
// flags word, contract Tп, Tо, Tх, Pп, Pо, Pх, report day, summing flag,
// second-temperature flag.
QStringList ParamToText(const ConfigPair& pair, int system);  // 22 strings

ConfigRecord DefaultConfig();

// The records of one device as a connection holds them: the state view's
// and the configuration page's (the default configuration until a read).
struct Records {
    StatePair state{};
    ConfigPair config{DefaultConfig(), DefaultConfig()};
};

// Error-bit texts: entry 0 is the text of a code without bits, entry b+1 the
// text of bit b.
const QStringList& SystemErrorTexts();  // 9 entries
const QStringList& DeviceErrorTexts();  // 6 entries

// The system type texts of the configuration page (type 1..4).
const QStringList& SystemTypeTexts();

// The state view's table: one line per StateToText string (17), labels in
// blue, grid columns 1..17.
const StateLayoutTable& StateTable();

}  // namespace omi::u34
