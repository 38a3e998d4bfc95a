#pragma once
// Driver of the family 229/230: frames, records, texts and defaults. Type 229
// serves two heat systems, 230 is its one-system variant; every frame carries
// both systems. The configuration and archive frames and the 176-byte archive
// record are also those of family 228 (U28.h), which uses the routines below
// with its own state frame.
//
// The frame layouts are tables (U29Layout.cpp) used by the decoders, the
// configuration writer and the simulator alike.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <span>

#include "archives/ArchiveRecord.h"
#include "families/Layout.h"
#include "families/SharedSettings.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"

namespace omi::u29 {

// Response lengths (whole frames).
inline constexpr int kStateLength = 105;
inline constexpr int kConfigLength = 46;
inline constexpr int kArchiveLength = 166;
inline constexpr int kConfigDataSize = 40;  // configuration write request data

// Ring sizes of the archives (positions 0..61 and 0..959).
inline constexpr int kDailyPositions = 62;
inline constexpr int kHourlyPositions = 960;

bool IsU29Type(int type);      // 229, 230
bool HasTwoSystems(int type);  // 229

// State of one heat system (values as the views show them; pressures in bar).
struct StateRecord {
    double heat = 0, t1 = 0, t2 = 0, t3 = 0, p1 = 0, p2 = 0;
    double v1 = 0, v2 = 0, v3 = 0, g1 = 0, g2 = 0, g3 = 0;
    std::int32_t systemError = 0;
    std::int32_t deviceError = 0;  // common
};

// Configuration of one heat system (families 229/230 and 228). Fields marked
// common are one device setting, kept in both records.
struct ConfigRecord {
    double weight1 = 0, weight2 = 0, weight3 = 0;  // pulse-weight words: litres per pulse × 10
    std::int32_t systemType = 0;                   // 1..4 for a known type
    std::uint8_t coldT1 = 0, coldT2 = 0;           // common, whole °C
    std::uint8_t firstDay = 0, firstMonth = 0, lastDay = 0, lastMonth = 0;  // common
    std::uint8_t reportDay = 0, summing = 0, secondT = 0;                   // common
    double minFlow = 0, maxFlow = 0;
};

using StatePair = RecordPair<StateRecord>;
using ConfigPair = RecordPair<ConfigRecord>;

// Frame layouts (offsets count from the length byte).
std::span<const FrameField<StateRecord>> StateLayout();
std::span<const FrameField<ConfigRecord>> ConfigLayout();  // response 5 and request 4 (data offset = frame offset - 5)
std::span<const ArchiveField> ArchiveLayout();             // response 3 of 166 bytes -> 176-byte record

// The 176-byte archive record (in memory and in archive files).
extern const RecordLayout kRecord;  // "Tarh229"
namespace arh {
inline constexpr int kWork = 0;     // int32 operating time, hours
inline constexpr int kWorkErr = 4;  // int32 operating time with errors, hours
inline constexpr int kHeat = 8;     // double
inline constexpr int kV1 = 16, kV2 = 24, kV3 = 32;
inline constexpr int kPeriodWork = 40;  // int32 minutes; 44..47 padding
inline constexpr int kPeriodHeat = 48;
inline constexpr int kPeriodV1 = 56, kPeriodV2 = 64, kPeriodV3 = 72;
inline constexpr int kT1 = 80, kT2 = 88, kT3 = 96;
inline constexpr int kP1 = 104, kP2 = 112;
inline constexpr int kFatal = 120;      // int32 minutes
inline constexpr int kLargeFlow = 124;  // int32
inline constexpr int kSmallFlow = 128;  // int32
inline constexpr int kSmallDt = 132;    // int32
inline constexpr int kESmallFlow = 136, kELargeFlow = 144, kESmallDt = 152;
inline constexpr int kSystemError = 160, kDeviceError = 164;
inline constexpr int kHour = 168, kDay = 172;
inline constexpr int kSize = 176;
}  // namespace arh

// --- operations (U29.cpp) ---

// The response checks of ValidateAnswer (protocol/Frame.h) with the format
// text of these families' decoders.
QString ValidateResponse(const Frame& response, const DeviceAddress& from, int length, int command, const char* formatText, bool deviceTypeTest);

// Decoders: an empty message means success and the pair/entry was replaced;
// otherwise it is left unchanged.
QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair);
QString DecParam(const Frame& response, const DeviceAddress& from, ConfigPair& pair);
QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);
// The archive decoder with the record layout of the calling family (228
// keeps the same bytes under its own list type).
QString DecArhAs(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry, const RecordLayout& layout);

// The write request data, or why none may be sent (families/SharedSettings.h).
using SetParResult = ConfigWriteResult;
SetParResult SetPar(const ConfigPair& pair);

// Copies the nine common bytes of record s into the other record. An index
// outside 0..1 changes nothing.
void ShareCommon(ConfigPair& pair, int s);

// Texts of one heat system (0 or 1; any other index gives an empty list).
// Reals in the display format (support/Format.h), codes and bytes as "%d".
// State: heat, V1, V2, V3, t1, t2, t3, P1, P2, G1, G2, G3, system error,
// device error.
QStringList StateToText(const StatePair& pair, int system);  // 14 strings
// Configuration: weights 1..3 (raw words), system type, cold-water
// temperatures 1 and 2, first day, first month, last day, last month, minimum
// and maximum flow, report day, summing flag, second-temperature flag.
QStringList ParamToText(const ConfigPair& pair, int system);  // 15 strings

// The configuration page shows a pulse weight as litres per pulse with one
// decimal and keeps what is typed × 10 (12.5 -> 125).
QString PulseWeightText(double word);
double PulseWeightOfTyped(double litresPerPulse);

ConfigRecord DefaultConfig();

// The records of one device as a connection holds them: the state view's
// and the configuration page's (the default configuration until a read).
struct Records {
    StatePair state{};
    ConfigPair config{DefaultConfig(), DefaultConfig()};
};

// Error-bit texts (the same words as family 234/235): entry 0 is the text of a
// code without bits, entry b+1 the text of bit b.
const QStringList& SystemErrorTexts();  // 9 entries, tag 2
const QStringList& DeviceErrorTexts();  // 6 entries, tag 1
// The system type texts of the configuration page (type 1..4).
const QStringList& SystemTypeTexts();

// The state view's table: one line per StateToText string (14), labels in
// blue, grid columns 1..14.
const StateLayoutTable& StateTable();

// The response imitation of a state request: a 105-byte state frame with
// made-up values (normal draws, RandNorm.h), bytes 1..4 copied from the
// request (as far as it has them) and the check byte set.
Frame ImitState(const Frame& request);

// The made-up values behind ImitState, shared with family 228: per heat
// system flows (flowsPerSystem of g1..g3), temperatures, pressures around 10
// bar, volumes and heat accumulated over a random number of steps, random
// error bytes.
struct ImitValues {
    std::array<StateRecord, 2> systems;
};
ImitValues DrawImitValues(int flowsPerSystem);
// Bytes 1..4 from the request and the check byte.
void FinishImitFrame(const Frame& request, Frame& frame);

}  // namespace omi::u29
