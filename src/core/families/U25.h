#pragma once
// Driver of the family 225 (device type 225): one heat system with three flow
// meters (1, 2, hot water) and three temperatures kept in hundredths of a
// degree, as family 227; besides, electric energy on two tariffs from a
// pulse-output meter and the volume that passed while the hot-water
// temperature was outside its limit. The configuration carries the tariff
// switching times and has a table of allowed ranges.
//
// The frame layouts are tables (U25Layout.cpp) used by the decoders, the
// configuration writer and the simulator alike.

#include "archives/ArchiveRecord.h"
#include "families/Layout.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace omi::u25 {

inline constexpr int kType = 225;

// Response lengths (whole frames).
inline constexpr int kStateLength = 41;
inline constexpr int kConfigLength = 23;
inline constexpr int kArchiveLength = 49;
inline constexpr int kConfigDataSize = 17;  // configuration write request data

struct StateRecord {
    double heat = 0;                      // Гкал
    std::int32_t t1 = 0, t2 = 0, t3 = 0;  // supply, return, hot water, hundredths of °C
    double v1 = 0, v2 = 0, v3 = 0;        // м3; v3 is the hot-water meter
    double vReduced = 0;                  // volume counted at the reduced hot-water temperature, м3
    double energy1 = 0, energy2 = 0;      // electric energy, tariffs 1 and 2
    std::int32_t errorCode = 0;
};

struct ConfigRecord {
    double weight1 = 0, weight2 = 0, weight3 = 0;  // litres per pulse, whole numbers
    std::int32_t energyWeight = 0;  // pulse weight of the electricity meter
    std::int32_t twoTariffs = 0;    // 1: two tariffs
    std::int32_t tariff1Start = 0;  // minutes after midnight
    std::int32_t tariff2Start = 0;
    std::int32_t systemType = 0;    // 1..4, the value itself
    std::int32_t coldT = 0;         // cold-water temperature of open systems, whole °C
    std::int32_t limitUsed = 0;     // 1: the hot-water temperature limit is used
    std::int32_t limitT = 0;        // hot-water temperature limit, whole °C
};

// Frame layouts (offsets count from the length byte; one heat system, so the
// second offset of every field is kAbsent).
std::span<const FrameField<StateRecord>> StateLayout();
std::span<const FrameField<ConfigRecord>> ConfigLayout();  // response 5 and request 4 (data offset = frame offset - 5)
std::span<const ArchiveField> ArchiveLayout();

// The 96-byte archive record (in memory and in archive files), one per entry.
extern const RecordLayout kRecord;  // "Tarh225"
namespace arh {
inline constexpr int kWork = 0;     // int32 operating time, hours
inline constexpr int kWorkErr = 4;  // int32 operating time with errors, hours
inline constexpr int kHeat = 8;     // double
inline constexpr int kV1 = 16, kV2 = 24, kV3 = 32;  // doubles
inline constexpr int kVReduced = 40;                // double
inline constexpr int kEnergy1 = 48, kEnergy2 = 56;  // doubles
inline constexpr int kT1 = 64, kT2 = 68, kT3 = 72;  // int32 hundredths of °C: supply, return, hot water
inline constexpr int kError = 76;                   // int32 error code
inline constexpr int kErrDuration = 80;  // int32 minutes in the hour (hourly) or hours in the day (daily) with errors
inline constexpr int kHour = 84;
inline constexpr int kDay = 88;
inline constexpr int kSize = 96;
}  // namespace arh

// --- operations (U25.cpp) ---

// Decoders with the common response validation (ValidateFrame): an empty
// message means success and the record/entry was replaced; otherwise it is
// left unchanged.
QString DecState(const Frame& response, const DeviceAddress& from, StateRecord& state);
QString DecParam(const Frame& response, const DeviceAddress& from, ConfigRecord& config);
QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry);

struct SetParResult {
    bool ok = false;  // false: a value does not fit its field (no request may be sent)
    Frame data;       // the 17 data bytes of command 4
    QString error;    // why ok is false
};
// Refuses only values that do not fit their bytes and words; the allowed
// ranges (CheckRanges) do not stop a write.
SetParResult SetPar(const ConfigRecord& config);

// The allowed ranges as two records: every minimum, every maximum.
const ConfigRecord& RangeMinimum();
const ConfigRecord& RangeMaximum();
// The names of the fields outside their ranges, each followed by ";", in the
// order weights 1, 2, hot water, electricity weight, two-tariff flag, tariff
// 1 start, tariff 2 start, system type, cold-water temperature, temperature
// limit (the limit flag is not checked). Empty when everything is in range.
QString CheckRanges(const ConfigRecord& config);

// A tariff start as the configuration page edits it ("hh:mm"): the text
// before ":" is the hours (25 when not a whole number), the text after it the
// minutes (60 when not a whole number); hours are reduced by 24 until at most
// 23, minutes by 60 until at most 59. "25:75" gives "01:15", 75 minutes.
struct TariffStart {
    QString text;  // the edit as written back: two-digit hours ":" two-digit minutes
    int minutes;   // hours × 60 + minutes
};
TariffStart ParseTariffStart(const QString& editText);
// The edit text of a start in minutes ("%.2d:%.2d").
QString TariffStartText(int minutes);

// The configuration page's controls, as texts and states.
struct ConfigPage {
    int systemIndex = 0;     // system-type box, 0-based
    bool twoTariffs = false;  // "Два тарифа"
    bool useLimit = false;    // "Использовать ограничение t°С ГВС"
    QString tariff1, tariff2;  // masked edits "hh:mm"
    QString weight1, weight2, weight3;  // л/имп
    QString energyWeight, coldT, limitT;
};
// What a conversion of the page shows.
struct PageConversion {
    bool stopped = false;  // a value could not be taken: the status names it, the later fields were not converted
    bool statusIsError = false;
    QString status;  // "Данные правильные", "выход за диапазон: ..." or "<label>="<text>"-неправильное значение"
    QString tariff1, tariff2;  // the tariff edits as written back
    // The value edit a stop names: 0..2 weights, 3 electricity weight, 4
    // cold-water temperature, 5 limit; -1 when none.
    int badEdit = -1;
};
// Converts the page into the record (called after every edit): system type =
// index + 1; the flags; the tariff starts (ParseTariffStart); the weights as
// whole numbers (the typed value truncated); the electricity weight, the
// cold-water temperature and the limit as integers. A negative value, or one
// that is not a number, stops the conversion with an error status; the fields
// converted before it keep their new values. Then the range check gives
// "выход за диапазон: " + CheckRanges text (error) or "Данные правильные".
PageConversion PageToConfig(const ConfigPage& page, ConfigRecord& config);

// State: heat, the three temperatures (°C), volumes 1, 2, 3, the
// reduced-temperature volume, energy tariffs 1 and 2 (display format), error
// code ("%d").
QStringList StateToText(const StateRecord& state);  // 11 strings
// Configuration: the three weights (display format), then electricity weight,
// two-tariff flag, tariff 1 start, tariff 2 start (minutes), system type,
// cold-water temperature, limit flag, temperature limit ("%d").
QStringList ParamToText(const ConfigRecord& config);  // 11 strings

ConfigRecord DefaultConfig();  // weights 100, electricity 1000, one tariff from 0, type 1, 5 °C, no limit, 45 °C

// The records of one device as a connection holds them: the state view's
// and the configuration page's (the default configuration until a read).
struct Records {
    StateRecord state{};
    ConfigRecord config = DefaultConfig();
};

// Error-code texts: entry 0 is the text of a code without bits, entry b+1 the
// text of bit b. The state view's error box has tag 1 (ErrorTag::Device).
const QStringList& ErrorTexts();  // 9 entries

// The state view's table: one line per StateToText string (11), grid columns 1..11.
const StateLayoutTable& StateTable();

// The state answer of the response imitation: 41 bytes with drawn values;
// bytes 1..4 copied from the request (those it has), check byte set.
Frame ImitState(const Frame& request);

}  // namespace omi::u25
