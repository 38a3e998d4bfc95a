#pragma once
// An archive family as data: the record layout, the text columns of its
// archive table, the column codes of the daily and hourly lists, the values
// turned into differences, the totals rules and the temperatures averaged
// for the reports. The view, the reports and the files go through it.

#include "archives/ArchiveColumns.h"
#include "archives/ArchiveRecord.h"

#include <span>

namespace omi {

// Temperatures count for means and weighted totals strictly between these.
inline constexpr double kTemperatureLow = 0.0;
inline constexpr double kTemperatureHigh = 150.0;

// A value of a record: its offset and kind.
struct RecordValue {
    int offset;
    RecordKind kind;
};

enum class TotalsRule {
    Sum,             // sum over the entries
    Mean,            // plain mean over the entries
    Or,              // error bits of every entry
    VolumeWeighted,  // temperature weighted by the volume at weightOffset
};

struct TotalsField {
    RecordValue value;
    TotalsRule rule;
    int weightOffset = 0;
};

// How a family's records keep their temperatures (the list below and the
// volume-weighted totals): doubles in °C, or 32-bit integers in hundredths of
// a degree.
enum class TemperatureUnit { Degrees, Hundredths };

struct ArchiveFamily {
    const RecordLayout* layout;
    std::span<const ArchiveColumn> columns;
    std::span<const int> dailyCodes;
    std::span<const int> hourlyCodes;
    std::span<const RecordValue> differences;
    std::span<const TotalsField> totals;
    std::span<const int> temperatures;  // record offsets
    TemperatureUnit temperatureUnit = TemperatureUnit::Degrees;
};

// The archive family of a device type code; nullptr for a type without archives.
const ArchiveFamily* ArchiveFamilyOf(int type);

}  // namespace omi
