#pragma once
// Archive records as the families keep them in memory and in archive files:
// a fixed-size little-endian byte block (32-bit signed integers and IEEE
// doubles at fixed offsets, padding 0). Keeping the file form in memory means
// a record is serialised by offset, never by dumping a C++ struct, and one
// generic routine serves reading, sorting, views and files of every family.

#include <QDate>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

#include "families/Layout.h"
#include "protocol/Frame.h"

namespace omi {

// The fixed shape of one family's archive record.
struct RecordLayout {
    int size;         // bytes of one record (and of one archive-file record)
    int dayOffset;    // int32 day number, days since 1999-12-31
    int hourOffset;   // int32 hour 0..23 (in a totals record: entries summed)
    int perEntry;     // records per archive entry (heat systems in one frame)
    const char* name; // the family's list type name, for messages
};

class ArchiveRecord {
public:
    ArchiveRecord() = default;
    explicit ArchiveRecord(const RecordLayout& layout);  // all zero

    const RecordLayout* Layout() const { return layout_; }
    int Size() const { return static_cast<int>(bytes_.size()); }

    std::int32_t Int(int offset) const;
    double Real(int offset) const;
    void SetInt(int offset, std::int32_t value);
    void SetReal(int offset, double value);

    int Day() const { return Int(layout_->dayOffset); }
    int Hour() const { return Int(layout_->hourOffset); }
    void SetDay(int day) { SetInt(layout_->dayOffset, day); }
    void SetHour(int hour) { SetInt(layout_->hourOffset, hour); }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Copies a file record; the block must have the layout's size.
    void SetBytes(std::span<const std::uint8_t> block);

    bool operator==(const ArchiveRecord& other) const { return bytes_ == other.bytes_; }

private:
    const RecordLayout* layout_ = nullptr;
    std::vector<std::uint8_t> bytes_;
};

// One archive entry: the records of one time point, one per heat system
// (index 0 = system 1).
using ArchiveEntry = std::vector<ArchiveRecord>;
// An archive list; after a completed read, newest first.
using ArchiveList = std::vector<ArchiveEntry>;

// An entry of all-zero records.
ArchiveEntry ZeroEntry(const RecordLayout& layout);
// The stand-in for a record that failed to decode: all zero, day number -36525.
ArchiveEntry EmptyEntry(const RecordLayout& layout);

// Date tests use the first record of an entry.
inline int EntryDay(const ArchiveEntry& e) { return e.front().Day(); }
inline int EntryHour(const ArchiveEntry& e) { return e.front().Hour(); }

// Whether a day number and hour can be the time of a record of a device's
// archive: a day from 2000-01-01 (day 1) to a year after today (a device
// clock set ahead is still believed) and an hour 0..23. The calculators keep
// day numbers or date values in a word, so every real record falls in that
// span; an empty ring slot (zeros, 0xFF), a record that failed to decode
// and bytes that are no archive at all fall outside it or nearly always do.
bool IsRecordDate(int day, int hour, const QDate& today);
bool IsRecordDate(const ArchiveEntry& entry, const QDate& today);

// Where a frame value lands in an archive record.
enum class RecordKind { Int32, Double };

struct ArchiveField {
    int offset1;          // frame offset of heat system 1 (or the common value)
    int offset2;          // frame offset of heat system 2, kCommon or kAbsent (Layout.h)
    Wire wire;
    int recordOffset;
    RecordKind kind;
};

// Reads an archive response (already validated) into an entry of the layout.
void DecodeArchiveFields(const Frame& frame, std::span<const ArchiveField> table, const RecordLayout& layout,
                         ArchiveEntry& entry);
// Writes an entry into an archive response frame at the table's offsets (the
// simulator builds its answers with it). False when a value does not fit.
bool EncodeArchiveFields(const ArchiveEntry& entry, std::span<const ArchiveField> table, Frame& frame);

}  // namespace omi
