// Frame and record layouts of the family 227.

#include "families/U27.h"

namespace omi::u27 {

namespace {

using SF = FrameField<StateRecord>;
using CF = FrameField<ConfigRecord>;
using S = StateRecord;
using C = ConfigRecord;

// State response, command 1, 33 bytes.
const SF kStateFields[] = {
    {5, kAbsent, Wire::Single, &S::heat},
    {9, kAbsent, Wire::Word, &S::t1},
    {11, kAbsent, Wire::Word, &S::t2},
    {13, kAbsent, Wire::Word, &S::t3},
    {15, kAbsent, Wire::Single, &S::v1},
    {19, kAbsent, Wire::Single, &S::v2},
    {23, kAbsent, Wire::Single, &S::vHot},
    {27, kAbsent, Wire::Single, &S::v3},
    {31, kAbsent, Wire::Byte, &S::errorCode},
};

// Configuration response (command 5, 16 bytes) and write request (command 4,
// the same fields as 10 data bytes).
const CF kConfigFields[] = {
    {5, kAbsent, Wire::Word, &C::weight1},
    {7, kAbsent, Wire::Word, &C::weight2},
    {9, kAbsent, Wire::Word, &C::weightHot},
    {11, kAbsent, Wire::Word, &C::weight3},
    {13, kAbsent, Wire::Byte, &C::systemType},
    {14, kAbsent, Wire::Byte, &C::coldT},
};

using D = RecordKind;
namespace a = arh;

// Archive record response, command 3, 41 bytes -> the 80-byte record.
const ArchiveField kArchiveFields[] = {
    {5, kAbsent, Wire::Word, a::kWork, D::Int32},
    {7, kAbsent, Wire::Word, a::kWorkErr, D::Int32},
    {9, kAbsent, Wire::Single, a::kHeat, D::Double},
    {13, kAbsent, Wire::Single, a::kV1, D::Double},
    {17, kAbsent, Wire::Single, a::kV2, D::Double},
    {21, kAbsent, Wire::Single, a::kVHot, D::Double},
    {25, kAbsent, Wire::Single, a::kV3, D::Double},
    {29, kAbsent, Wire::Word, a::kT1, D::Int32},
    {31, kAbsent, Wire::Word, a::kT2, D::Int32},
    {33, kAbsent, Wire::Word, a::kT3, D::Int32},
    {35, kAbsent, Wire::Byte, a::kError, D::Int32},
    {36, kAbsent, Wire::Byte, a::kErrDuration, D::Int32},
    {37, kAbsent, Wire::Byte, a::kHour, D::Int32},
    {38, kAbsent, Wire::Word, a::kDay, D::Int32},
};

}  // namespace

const RecordLayout kRecord{arh::kSize, arh::kDay, arh::kHour, 1, "Tarh227"};

std::span<const FrameField<StateRecord>> StateLayout() { return kStateFields; }
std::span<const FrameField<ConfigRecord>> ConfigLayout() { return kConfigFields; }
std::span<const ArchiveField> ArchiveLayout() { return kArchiveFields; }

}  // namespace omi::u27
