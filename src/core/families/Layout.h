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
#include <type_traits>
#include <utility>
#include <variant>

namespace omi {

enum class Wire { Byte, Word, Single, Long };  // Long: signed 32-bit integer

// offset2 of a field that is one value for the whole device: read once, stored
// into both records; written from the system 2 record.
inline constexpr int kCommon = -1;
// offset2 of a field that system 2 does not have: its record holds 0.
inline constexpr int kAbsent = -2;

// Elements of an array field (one value per channel of a multi-channel meter).
inline constexpr int kFieldArray = 4;

template <class Rec>
struct FrameField {
    using Target =
        std::variant<double Rec::*, std::int32_t Rec::*, std::uint8_t Rec::*,
                     std::array<std::int32_t, kFieldArray> Rec::*, std::array<std::uint8_t, kFieldArray> Rec::*>;
    int offset1;    // frame offset of heat system 1 (or of the common value)
    int offset2;    // frame offset of heat system 2, kCommon or kAbsent
    Wire wire;
    Target target;
    int bias = 0;   // record value = wire value + bias (system type: byte + 1)
    int stride = 0;  // array targets: frame distance of consecutive elements
};

template <class Rec>
using RecordPair = std::array<Rec, 2>;

namespace layout_detail {

inline double ReadWire(const Frame& frame, int offset, Wire wire) {
    switch (wire) {
    case Wire::Byte: return frame.at(static_cast<std::size_t>(offset));
    case Wire::Word: return GetW(frame, offset);
    case Wire::Single: return GetS(frame, offset);
    case Wire::Long: return GetL(frame, offset);
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
    if (wire == Wire::Long) {
        if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return false;
        PutL(static_cast<std::int32_t>(rounded), frame, offset);
        return true;
    }
    const double top = wire == Wire::Byte ? 255.0 : 65535.0;
    if (!(rounded >= 0.0 && rounded <= top)) return false;
    if (wire == Wire::Byte)
        frame.at(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(rounded);
    else
        PutW(static_cast<std::uint16_t>(rounded), frame, offset);
    return true;
}

template <class T>
inline constexpr bool kIsArray = false;
template <class E>
inline constexpr bool kIsArray<std::array<E, kFieldArray>> = true;

// Element `index` of an array target, the value itself of any other.
template <class Rec>
void Store(Rec& rec, const typename FrameField<Rec>::Target& target, double value, int index = 0) {
    std::visit(
        [&](auto member) {
            auto& slot = rec.*member;
            using T = std::remove_reference_t<decltype(slot)>;
            if constexpr (kIsArray<T>)
                slot[static_cast<std::size_t>(index)] = static_cast<typename T::value_type>(value);
            else
                slot = static_cast<T>(value);
        },
        target);
}

template <class Rec>
double Load(const Rec& rec, const typename FrameField<Rec>::Target& target, int index = 0) {
    return std::visit(
        [&](auto member) {
            const auto& slot = rec.*member;
            using T = std::remove_cvref_t<decltype(slot)>;
            if constexpr (kIsArray<T>)
                return static_cast<double>(slot[static_cast<std::size_t>(index)]);
            else
                return static_cast<double>(slot);
        },
        target);
}

// Elements of a field: kFieldArray for an array target, else 1.
template <class Rec>
int Elements(const FrameField<Rec>& f) {
    return std::visit(
        [](auto member) {
            return kIsArray<std::remove_cvref_t<decltype(std::declval<const Rec&>().*member)>> ? kFieldArray : 1;
        },
        f.target);
}

}  // namespace layout_detail

// Reads every field of the table from a frame that has already been validated
// (its length matches the layout).
template <class Rec>
void DecodeFields(const Frame& frame, std::span<const FrameField<Rec>> table, RecordPair<Rec>& pair) {
    for (const auto& f : table) {
        for (int k = 0; k < layout_detail::Elements(f); ++k) {
            const int step = k * f.stride;
            const double v1 = layout_detail::ReadWire(frame, f.offset1 + step, f.wire) + f.bias;
            layout_detail::Store(pair[0], f.target, v1, k);
            double v2 = 0;
            if (f.offset2 == kCommon)
                v2 = v1;
            else if (f.offset2 >= 0)
                v2 = layout_detail::ReadWire(frame, f.offset2 + step, f.wire) + f.bias;
            layout_detail::Store(pair[1], f.target, v2, k);
        }
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
        for (int k = 0; k < layout_detail::Elements(f); ++k) {
            const int at1 = f.offset1 + k * f.stride - shift;
            const double v1 = layout_detail::Load(pair[0], f.target, k) - f.bias;
            ok = layout_detail::WriteWire(frame, at1, f.wire, v1) && ok;
            const double v2 = layout_detail::Load(pair[1], f.target, k) - f.bias;
            if (f.offset2 == kCommon)
                ok = layout_detail::WriteWire(frame, at1, f.wire, v2) && ok;
            else if (f.offset2 >= 0)
                ok = layout_detail::WriteWire(frame, f.offset2 + k * f.stride - shift, f.wire, v2) && ok;
        }
    }
    return ok;
}

}  // namespace omi
