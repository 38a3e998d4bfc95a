#pragma once
// Frame layouts as data. A family declares each of its frames once, as a
// table of fields (frame offset per heat system, wire width, record field),
// and these routines decode a frame into the records of a pair and encode a
// pair back into frame bytes. The decoders, the configuration writer and the
// simulator all go through the same tables, so an offset is written down once.

#include "protocol/Frame.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <variant>

namespace omi {

enum class Wire { Byte, Word, Single };

// offset2 of a field that is one value for the whole device: read once, stored
// into both records; written from the system 2 record.
inline constexpr int kCommon = -1;
// offset2 of a field that system 2 does not have: its record holds 0.
inline constexpr int kAbsent = -2;

template <class Rec>
struct FrameField {
    using Target = std::variant<double Rec::*, std::int32_t Rec::*, std::uint8_t Rec::*>;
    int offset1;    // frame offset of heat system 1 (or of the common value)
    int offset2;    // frame offset of heat system 2, kCommon or kAbsent
    Wire wire;
    Target target;
    int bias = 0;   // record value = wire value + bias (system type: byte + 1)
};

template <class Rec>
using RecordPair = std::array<Rec, 2>;

namespace layout_detail {

inline double ReadWire(const Frame& frame, int offset, Wire wire) {
    switch (wire) {
    case Wire::Byte: return frame.at(static_cast<std::size_t>(offset));
    case Wire::Word: return GetW(frame, offset);
    case Wire::Single: return GetS(frame, offset);
    }
    return 0;
}

// False when the value does not fit the wire width (whole numbers are rounded
// half away from zero first).
inline bool WriteWire(Frame& frame, int offset, Wire wire, double value) {
    if (wire == Wire::Single) {
        PutS(value, frame, offset);
        return true;
    }
    const double rounded = std::round(value);
    const double top = wire == Wire::Byte ? 255.0 : 65535.0;
    if (!(rounded >= 0.0 && rounded <= top)) return false;
    if (wire == Wire::Byte)
        frame.at(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(rounded);
    else
        PutW(static_cast<std::uint16_t>(rounded), frame, offset);
    return true;
}

template <class Rec>
void Store(Rec& rec, const typename FrameField<Rec>::Target& target, double value) {
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(rec.*member)>;
            rec.*member = static_cast<T>(value);
        },
        target);
}

template <class Rec>
double Load(const Rec& rec, const typename FrameField<Rec>::Target& target) {
    return std::visit([&](auto member) { return static_cast<double>(rec.*member); }, target);
}

}  // namespace layout_detail

// Reads every field of the table from a frame that has already been validated
// (its length matches the layout).
template <class Rec>
void DecodeFields(const Frame& frame, std::span<const FrameField<Rec>> table, RecordPair<Rec>& pair) {
    for (const auto& f : table) {
        const double v1 = layout_detail::ReadWire(frame, f.offset1, f.wire) + f.bias;
        layout_detail::Store(pair[0], f.target, v1);
        double v2 = 0;
        if (f.offset2 == kCommon)
            v2 = v1;
        else if (f.offset2 >= 0)
            v2 = layout_detail::ReadWire(frame, f.offset2, f.wire) + f.bias;
        layout_detail::Store(pair[1], f.target, v2);
    }
}

// Writes every field of the table into a frame (or data block; shift is
// subtracted from each offset). System 1 first, then system 2, so a common
// field carries the system 2 value. Returns false when a value does not fit
// its width; the frame may then be partly written.
template <class Rec>
bool EncodeFields(const RecordPair<Rec>& pair, std::span<const FrameField<Rec>> table, Frame& frame, int shift = 0) {
    bool ok = true;
    for (const auto& f : table) {
        const double v1 = layout_detail::Load(pair[0], f.target) - f.bias;
        ok = layout_detail::WriteWire(frame, f.offset1 - shift, f.wire, v1) && ok;
        const double v2 = layout_detail::Load(pair[1], f.target) - f.bias;
        if (f.offset2 == kCommon)
            ok = layout_detail::WriteWire(frame, f.offset1 - shift, f.wire, v2) && ok;
        else if (f.offset2 >= 0)
            ok = layout_detail::WriteWire(frame, f.offset2 - shift, f.wire, v2) && ok;
    }
    return ok;
}

}  // namespace omi
