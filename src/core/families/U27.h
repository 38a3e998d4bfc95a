#pragma once
// Driver of the family 227 (device type 227): one heat system with four flow
// meters (1, 2, hot water, 3) and three temperatures (supply, return, hot
// water), no pressures. Temperatures travel as hundredths of a degree in
// words and stay hundredths in the records; one error code.
//
// The frame layouts are tables (U27Layout.cpp) used by the decoders, the
// configuration writer and the simulator alike.

#include "archives/ArchiveRecord.h"
#include "families/Layout.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace omi::u27 {

inline constexpr int kType = 227;

// Response lengths (whole frames).
inline constexpr int kStateLength = 33;
inline constexpr int kConfigLength = 16;
inline constexpr int kArchiveLength = 41;
inline constexpr int kConfigDataSize = 10;  // configuration write request data

struct StateRecord {
    double heat = 0;                    // Гкал
    std::int32_t t1 = 0, t2 = 0, t3 = 0;  // supply, return, hot water, hundredths of °C
    double v1 = 0, v2 = 0, vHot = 0, v3 = 0;  // м3
    std::int32_t errorCode = 0;
};

struct ConfigRecord {
    double weight1 = 0, weight2 = 0, weightHot = 0, weight3 = 0;  // litres per pulse, whole numbers
    std::int32_t systemType = 0;  // 1..4, the value itself
    std::int32_t coldT = 0;       // cold-water temperature of open systems, whole °C
};

// Frame layouts (offsets count from the length byte; one heat system, so the
// second offset of every field is kAbsent).
std::span<const FrameField<StateRecord>> StateLayout();
std::span<const FrameField<ConfigRecord>> ConfigLayout();  // response 5 and request 4 (data offset = frame offset - 5)
std::span<const ArchiveField> ArchiveLayout();

// The 80-byte archive record (in memory and in archive files), one per entry.
extern const RecordLayout kRecord;  // "Tarh227"
namespace arh {
inline constexpr int kWork = 0;      // int32 operating time, hours
inline constexpr int kWorkErr = 4;   // int32 operating time with errors, hours
inline constexpr int kHeat = 8;      // double
inline constexpr int kV1 = 16, kV2 = 24, kVHot = 32, kV3 = 40;  // doubles
inline constexpr int kT1 = 48, kT2 = 52, kT3 = 56;  // int32 hundredths of °C: supply, return, hot water
inline constexpr int kError = 60;    // int32 error code
inline constexpr int kErrDuration = 64;  // int32 minutes in the hour (hourly) or hours in the day (daily) with errors
inline constexpr int kHour = 68;
inline constexpr int kDay = 72;
inline constexpr int kSize = 80;
}  // namespace arh

// --- operations (U27.cpp) ---

// Decoders with the common response validation (ValidateFrame): an empty
// message means success and the record/entry was replaced; otherwise it is
// left unchanged.
QString DecState(const Frame& response, const DeviceAddress& from, StateRecord& state);
QString DecParam(const Frame& response, const DeviceAddress& from, ConfigRecord& config);
QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);

struct SetParResult {
    bool ok = false;  // false: a value does not fit (no request may be sent)
    Frame data;       // the 10 data bytes of command 4
    QString error;    // why ok is false
};
SetParResult SetPar(const ConfigRecord& config);

// State: heat, supply, return, hot-water temperature (°C), volumes 1, 2, hot
// water, 3 in the display format, then the error code ("%d").
QStringList StateToText(const StateRecord& state);   // 9 strings
// Configuration: the four pulse weights (display format), system type and
// cold-water temperature ("%d").
QStringList ParamToText(const ConfigRecord& config);  // 6 strings

ConfigRecord DefaultConfig();  // weights 1, 2, 3, 4; system type 1; cold water 5 °C

// The records of one device as a connection holds them: the state view's
// and the configuration page's (the default configuration until a read).
struct Records {
    StateRecord state{};
    ConfigRecord config = DefaultConfig();
};

// Error-code texts: entry 0 is the text of a code without bits, entry b+1 the
// text of bit b. The state view's error box has tag 1 (ErrorTag::Device).
const QStringList& ErrorTexts();  // 9 entries

// The state view's table: one line per StateToText string (9), grid columns 1..9.
const StateLayoutTable& StateTable();

// The state answer of the response imitation: 33 bytes with drawn volumes,
// temperatures and error code; bytes 1..4 copied from the request (those it
// has), check byte set.
Frame ImitState(const Frame& request);

}  // namespace omi::u27
