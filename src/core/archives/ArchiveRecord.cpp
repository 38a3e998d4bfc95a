#include "archives/ArchiveRecord.h"

#include "support/Dates.h"

#include <cstring>

namespace omi {

ArchiveRecord::ArchiveRecord(const RecordLayout& layout)
    : layout_(&layout), bytes_(static_cast<std::size_t>(layout.size), 0) {}

std::int32_t ArchiveRecord::Int(int offset) const {
    const auto at = static_cast<std::size_t>(offset);
    if (offset < 0 || at + 4 > bytes_.size()) throw FrameAccessError("archive record: int32 past the end");
    const std::uint32_t u = std::uint32_t(bytes_[at]) | std::uint32_t(bytes_[at + 1]) << 8 |
                            std::uint32_t(bytes_[at + 2]) << 16 | std::uint32_t(bytes_[at + 3]) << 24;
    return static_cast<std::int32_t>(u);
}

double ArchiveRecord::Real(int offset) const {
    const auto at = static_cast<std::size_t>(offset);
    if (offset < 0 || at + 8 > bytes_.size()) throw FrameAccessError("archive record: double past the end");
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | bytes_[at + static_cast<std::size_t>(i)];
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

void ArchiveRecord::SetInt(int offset, std::int32_t value) {
    const auto at = static_cast<std::size_t>(offset);
    if (offset < 0 || at + 4 > bytes_.size()) throw FrameAccessError("archive record: int32 past the end");
    const auto u = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

void ArchiveRecord::SetReal(int offset, double value) {
    const auto at = static_cast<std::size_t>(offset);
    if (offset < 0 || at + 8 > bytes_.size()) throw FrameAccessError("archive record: double past the end");
    std::uint64_t u;
    std::memcpy(&u, &value, sizeof u);
    for (std::size_t i = 0; i < 8; ++i) bytes_[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

void ArchiveRecord::SetBytes(std::span<const std::uint8_t> block) {
    if (block.size() != bytes_.size()) throw FrameAccessError("archive record: wrong block size");
    std::copy(block.begin(), block.end(), bytes_.begin());
}

ArchiveEntry ZeroEntry(const RecordLayout& layout) {
    return ArchiveEntry(static_cast<std::size_t>(layout.perEntry), ArchiveRecord(layout));
}

bool IsRecordDate(int day, int hour, const QDate& today) {
    constexpr int kAheadDays = 366;
    return day >= 1 && day <= DayNumber(today) + kAheadDays && hour >= 0 && hour <= 23;
}

bool IsRecordDate(const ArchiveEntry& entry, const QDate& today) {
    return !entry.empty() && IsRecordDate(EntryDay(entry), EntryHour(entry), today);
}

ArchiveEntry EmptyEntry(const RecordLayout& layout) {
    ArchiveEntry e = ZeroEntry(layout);
    for (auto& r : e) r.SetDay(kEmptyDayNumber);
    return e;
}

namespace {

double readWire(const Frame& frame, int offset, Wire wire) { return layout_detail::ReadWire(frame, offset, wire); }

void store(ArchiveRecord& rec, const ArchiveField& f, double v) {
    if (f.kind == RecordKind::Double)
        rec.SetReal(f.recordOffset, v);
    else
        rec.SetInt(f.recordOffset, static_cast<std::int32_t>(v));
}

double load(const ArchiveRecord& rec, const ArchiveField& f) {
    return f.kind == RecordKind::Double ? rec.Real(f.recordOffset) : static_cast<double>(rec.Int(f.recordOffset));
}

}  // namespace

void DecodeArchiveFields(const Frame& frame, std::span<const ArchiveField> table, const RecordLayout& layout,
                         ArchiveEntry& entry) {
    entry = ZeroEntry(layout);
    for (const auto& f : table) {
        const double v1 = readWire(frame, f.offset1, f.wire);
        store(entry[0], f, v1);
        if (entry.size() < 2) continue;
        if (f.offset2 == kCommon)
            store(entry[1], f, v1);
        else if (f.offset2 >= 0)
            store(entry[1], f, readWire(frame, f.offset2, f.wire));
    }
}

bool EncodeArchiveFields(const ArchiveEntry& entry, std::span<const ArchiveField> table, Frame& frame) {
    bool ok = true;
    for (const auto& f : table) {
        ok = layout_detail::WriteWire(frame, f.offset1, f.wire, load(entry[0], f)) && ok;
        if (entry.size() < 2) continue;
        if (f.offset2 == kCommon)
            ok = layout_detail::WriteWire(frame, f.offset1, f.wire, load(entry[1], f)) && ok;
        else if (f.offset2 >= 0)
            ok = layout_detail::WriteWire(frame, f.offset2, f.wire, load(entry[1], f)) && ok;
    }
    return ok;
}

}  // namespace omi
