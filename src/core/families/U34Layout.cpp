// Frame and record layouts of the family 234/235.

#include "families/U34.h"

#include "families/DeviceFamily.h"

namespace omi::u34 {

namespace {

using SF = FrameField<StateRecord>;
using CF = FrameField<ConfigRecord>;
using S = StateRecord;
using C = ConfigRecord;

// State response, command 1, 129 bytes. Singles unless said otherwise.
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
    {104, 116, Wire::Single, &S::m1},
    {108, 120, Wire::Single, &S::m2},
    {112, 124, Wire::Single, &S::m3},
};

// Configuration response (command 5) and write request (command 4): 100 bytes,
// every field at the same frame offset.
const CF kConfigFields[] = {
    {5, 11, Wire::Word, &C::weight1},
    {7, 13, Wire::Word, &C::weight2},
    {9, 15, Wire::Word, &C::weight3},
    {17, 18, Wire::Byte, &C::systemType, 1},
    {19, kCommon, Wire::Byte, &C::coldT1},
    {20, kCommon, Wire::Byte, &C::coldT2},
    {21, kCommon, Wire::Byte, &C::firstDay},
    {22, kCommon, Wire::Byte, &C::firstMonth},
    {23, kCommon, Wire::Byte, &C::lastDay},
    {24, kCommon, Wire::Byte, &C::lastMonth},
    {25, 29, Wire::Single, &C::minFlow},
    {33, 37, Wire::Single, &C::maxFlow},
    {41, kCommon, Wire::Word, &C::flags},
    {43, 55, Wire::Single, &C::contractT1},
    {47, 59, Wire::Single, &C::contractT2},
    {51, 63, Wire::Single, &C::contractT3},
    {67, 79, Wire::Single, &C::contractP1},
    {71, 83, Wire::Single, &C::contractP2},
    {75, 87, Wire::Single, &C::contractP3},
    {91, kCommon, Wire::Word, &C::reservedA},
    {93, kCommon, Wire::Word, &C::reservedB},
    {95, kCommon, Wire::Byte, &C::reportDay},
    {96, kCommon, Wire::Byte, &C::summing},
    {97, kCommon, Wire::Byte, &C::secondT},
};

using D = RecordKind;
namespace a = arh;

// Archive record response, command 3, 222 bytes -> the 232-byte record.
const ArchiveField kArchiveFields[] = {
    {5, kCommon, Wire::Word, a::kWork, D::Int32},
    {7, 9, Wire::Word, a::kWorkErr, D::Int32},
    {11, 15, Wire::Single, a::kHeat, D::Double},
    {19, 31, Wire::Single, a::kV1, D::Double},
    {23, 35, Wire::Single, a::kV2, D::Double},
    {27, 39, Wire::Single, a::kV3, D::Double},
    {43, 55, Wire::Single, a::kFurther1, D::Double},
    {47, 59, Wire::Single, a::kFurther2, D::Double},
    {51, 63, Wire::Single, a::kFurther3, D::Double},
    {67, kCommon, Wire::Word, a::kPeriodWork, D::Int32},
    {69, 73, Wire::Single, a::kPeriodHeat, D::Double},
    {77, 89, Wire::Single, a::kPeriodV1, D::Double},
    {81, 93, Wire::Single, a::kPeriodV2, D::Double},
    {85, 97, Wire::Single, a::kPeriodV3, D::Double},
    {101, 113, Wire::Single, a::kPeriodFurther1, D::Double},
    {105, 117, Wire::Single, a::kPeriodFurther2, D::Double},
    {109, 121, Wire::Single, a::kPeriodFurther3, D::Double},
    {125, 133, Wire::Single, a::kT1, D::Double},
    {129, 137, Wire::Single, a::kT2, D::Double},
    {141, 145, Wire::Single, a::kT3, D::Double},
    {149, 157, Wire::Single, a::kP1, D::Double},
    {153, 161, Wire::Single, a::kP2, D::Double},
    {165, 167, Wire::Word, a::kFatal, D::Int32},
    {169, 171, Wire::Word, a::kSmallFlow, D::Int32},
    {173, 177, Wire::Single, a::kESmallFlow, D::Double},
    {181, 183, Wire::Word, a::kLargeFlow, D::Int32},
    {185, 189, Wire::Single, a::kELargeFlow, D::Double},
    {193, 195, Wire::Word, a::kSmallDt, D::Int32},
    {197, 201, Wire::Single, a::kESmallDt, D::Double},
    {205, kAbsent, Wire::Word, a::kFurtherWord1, D::Int32},
    {207, 209, Wire::Word, a::kFurtherWord2, D::Int32},
    {211, 212, Wire::Byte, a::kSystemError, D::Int32},
    {213, kCommon, Wire::Byte, a::kDeviceError, D::Int32},
    {214, kCommon, Wire::Byte, a::kHour, D::Int32},
    {215, kCommon, Wire::Word, a::kDay, D::Int32},
};

}  // namespace

const RecordLayout kRecord{arh::kSize, arh::kDay, arh::kHour, 2, "Tarh234"};

std::span<const FrameField<StateRecord>> StateLayout() { return kStateFields; }
std::span<const FrameField<ConfigRecord>> ConfigLayout() { return kConfigFields; }
std::span<const ArchiveField> ArchiveLayout() { return kArchiveFields; }

bool IsU34Type(int type) { return FamilyOf(type) == Family::F234; }
bool HasTwoSystems(int type) { return IsU34Type(type) && HeatSystemsOf(type) == 2; }

}  // namespace omi::u34
