#pragma once
// Driver of the family 228 (device type 228): a two-system calculator whose
// configuration read and write and archive record are those of family
// 229/230 (U29.h, one implementation for both); its state frame is its own,
// 97 bytes: two flows per heat system, no masses, pressures in bar.

#include "families/U29.h"

namespace omi::u28 {

inline constexpr int kStateLength = 97;
using u29::kArchiveLength;
using u29::kConfigDataSize;
using u29::kConfigLength;
using u29::kDailyPositions;   // 62
using u29::kHourlyPositions;  // 960

bool IsU28Type(int type);  // 228

// State of one heat system (pressures in bar, two instantaneous flows).
struct StateRecord {
    double heat = 0, t1 = 0, t2 = 0, t3 = 0, p1 = 0, p2 = 0;
    double v1 = 0, v2 = 0, v3 = 0, g1 = 0, g2 = 0;
    std::int32_t systemError = 0;
    std::int32_t deviceError = 0;  // common
};
using StatePair = RecordPair<StateRecord>;

using ConfigRecord = u29::ConfigRecord;
using ConfigPair = u29::ConfigPair;
using SetParResult = u29::SetParResult;

std::span<const FrameField<StateRecord>> StateLayout();  // response 1 of 97 bytes
using u29::ArchiveLayout;
using u29::ConfigLayout;

// The 176-byte archive record of family 229/230 under this family's list type.
extern const RecordLayout kRecord;  // "Tarh228"
namespace arh = u29::arh;

// Decoders (empty message: accepted, pair/entry replaced; otherwise unchanged).
// Every decoder starts its message with "unit Upo:..."; only the state checks
// the device type.
QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair);
using u29::DecParam;
QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);  // entries of kRecord

// Configuration write (40 data bytes, mismatch names as family 229/230),
// common settings, configuration texts (15 strings) and defaults: those of
// family 229/230. (The configuration pair is the 229/230 one, so these are
// the same functions, which an unqualified call finds in both namespaces.)
using u29::DefaultConfig;
using u29::ParamToText;
using u29::PulseWeightOfTyped;
using u29::PulseWeightText;
using u29::SetPar;
using u29::ShareCommon;

// State texts of one heat system: heat, V1, V2, V3, t1, t2, t3, P1, P2, flow
// 1, flow 2, system error, device error; an index outside 0..1 gives none.
QStringList StateToText(const StatePair& pair, int system);  // 13 strings

// The records of one device as a connection holds them: the state view's
// and the configuration page's (the default configuration until a read).
struct Records {
    StatePair state{};
    ConfigPair config{DefaultConfig(), DefaultConfig()};
};

// Error-bit texts (tag 2 system, tag 1 device) and system type texts: the same
// words as the other two-system families.
const QStringList& SystemErrorTexts();  // 9 entries
const QStringList& DeviceErrorTexts();  // 6 entries
const QStringList& SystemTypeTexts();

// The state view's table: 13 lines in the order of StateToText, the flows
// labelled as volumes ("1-й мгновенный объем,м3/час"), labels in blue, grid
// columns 1..13. (The view of this family also decodes the system error code
// on a double-click of the free panel area.)
const StateLayoutTable& StateTable();

// The response imitation of a state request: a 97-byte frame with made-up
// values (the two-system generator of U29 with two flows per system), bytes
// 1..4 copied from the request and the check byte set.
Frame ImitState(const Frame& request);

}  // namespace omi::u28
