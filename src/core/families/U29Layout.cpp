// Frame and record layouts of the family 229/230 (the configuration and
// archive tables serve family 228 as well).

#include "families/U29.h"

#include "families/DeviceFamily.h"

namespace omi::u29 {

namespace {

using SF = FrameField<StateRecord>;
using CF = FrameField<ConfigRecord>;
using S = StateRecord;
using C = ConfigRecord;

// State response, command 1, 105 bytes: the 234/235 layout without masses,
// so the check byte sits where that family has its first mass.
const SF kStateFields[] = {
    {5, 9, Wire::Single, &S::heat},
    {13, 21, Wire::Single, &S::t1},
    {17, 25, Wire::Single, &S::t2},
    {29, 33, Wire::Single, &S::t3},
    {37, 45, Wire::Single, &S::p1},
    {41, 49, Wire::Single, &S::p2},
    {53, 65, Wire::Single, &S::v1},
    {57, 69, Wire::Single, &S::v2},
    {61, 73, Wire::Single, &S::v3},
    {77, 78, Wire::Byte, &S::systemError},
    {79, kCommon, Wire::Byte, &S::deviceError},
    {80, 92, Wire::Single, &S::g1},
    {84, 96, Wire::Single, &S::g2},
    {88, 100, Wire::Single, &S::g3},
};

// Configuration response (command 5) and write request (command 4): 46 bytes,
// every field at the same frame offset; byte 44 is not used.
const CF kConfigFields[] = {
    {5, 11, Wire::Word, &C::weight1},         {7, 13, Wire::Word, &C::weight2},
    {9, 15, Wire::Word, &C::weight3},         {17, 18, Wire::Byte, &C::systemType, 1},
    {19, kCommon, Wire::Byte, &C::coldT1},    {20, kCommon, Wire::Byte, &C::coldT2},
    {21, kCommon, Wire::Byte, &C::firstDay},  {22, kCommon, Wire::Byte, &C::firstMonth},
    {23, kCommon, Wire::Byte, &C::lastDay},   {24, kCommon, Wire::Byte, &C::lastMonth},
    {25, 29, Wire::Single, &C::minFlow},      {33, 37, Wire::Single, &C::maxFlow},
    {41, kCommon, Wire::Byte, &C::reportDay}, {42, kCommon, Wire::Byte, &C::summing},
    {43, kCommon, Wire::Byte, &C::secondT},
};

using D = RecordKind;
namespace a = arh;

// Archive record response, command 3, 166 bytes -> the 176-byte record. The
// record keeps the large-flow duration before the small-flow one, the
// response the other way round.
const ArchiveField kArchiveFields[] = {
    {5, kCommon, Wire::Word, a::kWork, D::Int32},
    {7, 9, Wire::Word, a::kWorkErr, D::Int32},
    {11, 15, Wire::Single, a::kHeat, D::Double},
    {19, 31, Wire::Single, a::kV1, D::Double},
    {23, 35, Wire::Single, a::kV2, D::Double},
    {27, 39, Wire::Single, a::kV3, D::Double},
    {43, kCommon, Wire::Word, a::kPeriodWork, D::Int32},
    {45, 49, Wire::Single, a::kPeriodHeat, D::Double},
    {53, 65, Wire::Single, a::kPeriodV1, D::Double},
    {57, 69, Wire::Single, a::kPeriodV2, D::Double},
    {61, 73, Wire::Single, a::kPeriodV3, D::Double},
    {77, 85, Wire::Single, a::kT1, D::Double},
    {81, 89, Wire::Single, a::kT2, D::Double},
    {93, 97, Wire::Single, a::kT3, D::Double},
    {101, 109, Wire::Single, a::kP1, D::Double},
    {105, 113, Wire::Single, a::kP2, D::Double},
    {117, 119, Wire::Word, a::kFatal, D::Int32},
    {121, 123, Wire::Word, a::kSmallFlow, D::Int32},
    {125, 129, Wire::Single, a::kESmallFlow, D::Double},
    {133, 135, Wire::Word, a::kLargeFlow, D::Int32},
    {137, 141, Wire::Single, a::kELargeFlow, D::Double},
    {145, 147, Wire::Word, a::kSmallDt, D::Int32},
    {149, 153, Wire::Single, a::kESmallDt, D::Double},
    {157, 158, Wire::Byte, a::kSystemError, D::Int32},
    {159, kCommon, Wire::Byte, a::kDeviceError, D::Int32},
    {160, kCommon, Wire::Byte, a::kHour, D::Int32},
    {161, kCommon, Wire::Word, a::kDay, D::Int32},
};

}  // namespace

const RecordLayout kRecord{arh::kSize, arh::kDay, arh::kHour, 2, "Tarh229"};

std::span<const FrameField<StateRecord>> StateLayout() { return kStateFields; }
std::span<const FrameField<ConfigRecord>> ConfigLayout() { return kConfigFields; }
std::span<const ArchiveField> ArchiveLayout() { return kArchiveFields; }

bool IsU29Type(int type) { return FamilyOf(type) == Family::F229; }
bool HasTwoSystems(int type) { return IsU29Type(type) && HeatSystemsOf(type) == 2; }

}  // namespace omi::u29
