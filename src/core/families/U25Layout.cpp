// Frame and record layouts of the family 225.

#include "families/U25.h"

namespace omi::u25 {

namespace {

using SF = FrameField<StateRecord>;
using CF = FrameField<ConfigRecord>;
using S = StateRecord;
using C = ConfigRecord;

// State response, command 1, 41 bytes.
const SF kStateFields[] = {
    {5, kAbsent, Wire::Single, &S::heat},
    {9, kAbsent, Wire::Word, &S::t1},
    {11, kAbsent, Wire::Word, &S::t2},
    {13, kAbsent, Wire::Word, &S::t3},
    {15, kAbsent, Wire::Single, &S::v1},
    {19, kAbsent, Wire::Single, &S::v2},
    {23, kAbsent, Wire::Single, &S::v3},
    {27, kAbsent, Wire::Single, &S::vReduced},
    {31, kAbsent, Wire::Single, &S::energy1},
    {35, kAbsent, Wire::Single, &S::energy2},
    {39, kAbsent, Wire::Byte, &S::errorCode},
};

// Configuration response (command 5, 23 bytes) and write request (command 4,
// the same fields as 17 data bytes).
const CF kConfigFields[] = {
    {5, kAbsent, Wire::Word, &C::weight1},
    {7, kAbsent, Wire::Word, &C::weight2},
    {9, kAbsent, Wire::Word, &C::weight3},
    {11, kAbsent, Wire::Word, &C::energyWeight},
    {13, kAbsent, Wire::Byte, &C::twoTariffs},
    {14, kAbsent, Wire::Word, &C::tariff1Start},
    {16, kAbsent, Wire::Word, &C::tariff2Start},
    {18, kAbsent, Wire::Byte, &C::systemType},
    {19, kAbsent, Wire::Byte, &C::coldT},
    {20, kAbsent, Wire::Byte, &C::limitUsed},
    {21, kAbsent, Wire::Byte, &C::limitT},
};

using D = RecordKind;
namespace a = arh;

// Archive record response, command 3, 49 bytes -> the 96-byte record.
const ArchiveField kArchiveFields[] = {
    {5, kAbsent, Wire::Word, a::kWork, D::Int32},
    {7, kAbsent, Wire::Word, a::kWorkErr, D::Int32},
    {9, kAbsent, Wire::Single, a::kHeat, D::Double},
    {13, kAbsent, Wire::Single, a::kV1, D::Double},
    {17, kAbsent, Wire::Single, a::kV2, D::Double},
    {21, kAbsent, Wire::Single, a::kV3, D::Double},
    {25, kAbsent, Wire::Single, a::kVReduced, D::Double},
    {29, kAbsent, Wire::Single, a::kEnergy1, D::Double},
    {33, kAbsent, Wire::Single, a::kEnergy2, D::Double},
    {37, kAbsent, Wire::Word, a::kT1, D::Int32},
    {39, kAbsent, Wire::Word, a::kT2, D::Int32},
    {41, kAbsent, Wire::Word, a::kT3, D::Int32},
    {43, kAbsent, Wire::Byte, a::kError, D::Int32},
    {44, kAbsent, Wire::Byte, a::kErrDuration, D::Int32},
    {45, kAbsent, Wire::Byte, a::kHour, D::Int32},
    {46, kAbsent, Wire::Word, a::kDay, D::Int32},
};

}  // namespace

const RecordLayout kRecord{arh::kSize, arh::kDay, arh::kHour, 1, "Tarh225"};

std::span<const FrameField<StateRecord>> StateLayout() { return kStateFields; }
std::span<const FrameField<ConfigRecord>> ConfigLayout() { return kConfigFields; }
std::span<const ArchiveField> ArchiveLayout() { return kArchiveFields; }

}  // namespace omi::u25
