// Family 228: its state frame and texts; everything else is family 229/230's.

#include "families/U28.h"

#include "families/DeviceFamily.h"

#include "support/Format.h"

namespace omi::u28 {

namespace {

using SF = FrameField<StateRecord>;
using S = StateRecord;

// State response, command 1, 97 bytes. Singles unless said otherwise.
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
    {80, 88, Wire::Single, &S::g1},
    {84, 92, Wire::Single, &S::g2},
};

}  // namespace

const RecordLayout kRecord{arh::kSize, arh::kDay, arh::kHour, 2, "Tarh228"};

std::span<const FrameField<StateRecord>> StateLayout() { return kStateFields; }

bool IsU28Type(int type) { return FamilyOf(type) == Family::F228; }

QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair) {
    QString m = u29::ValidateResponse(response, from, kStateLength, cmd::State, "unit Upo:function DecState: erundec ", true);
    if (!m.isEmpty()) return m;
    DecodeFields(response, StateLayout(), pair);
    return {};
}

QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry) { return u29::DecArhAs(response, from, entry, kRecord); }

QStringList StateToText(const StatePair& pair, int system) {
    if (system < 0 || system > 1) return {};
    const StateRecord& r = pair[system];
    return {DisplayReal(r.heat),
            DisplayReal(r.v1),
            DisplayReal(r.v2),
            DisplayReal(r.v3),
            DisplayReal(r.t1),
            DisplayReal(r.t2),
            DisplayReal(r.t3),
            DisplayReal(r.p1),
            DisplayReal(r.p2),
            DisplayReal(r.g1),
            DisplayReal(r.g2),
            Format(QStringLiteral("%d"), {r.systemError}),
            Format(QStringLiteral("%d"), {r.deviceError})};
}



const QStringList& SystemErrorTexts() { return u29::SystemErrorTexts(); }
const QStringList& DeviceErrorTexts() { return u29::DeviceErrorTexts(); }
const QStringList& SystemTypeTexts() { return u29::SystemTypeTexts(); }

namespace {
// Lines in the order of StateToText.
const StateLine kStateLines[] = {
    {"тепло, Гкал", 90, 10, ErrorTag::None, 1, "ТЕПЛО", " Гкал"},                    // heat
    {"объем 1, м3", 300, 10, ErrorTag::None, 1, "объем", "1,м3"},                    // V1
    {"объем 2, м3", 300, 40, ErrorTag::None, 1, "объем", "2,м3"},                    // V2
    {"объем 3, м3", 300, 70, ErrorTag::None, 1, "объем", "3,м3"},                    // V3
    {"t°C, подача ", 600, 10, ErrorTag::None, 1, "t°C", "подача"},                   // t1
    {"t°C, обратка", 600, 40, ErrorTag::None, 1, "t°C", "обратка"},                  // t2
    {"t°C, ГВС    ", 600, 70, ErrorTag::None, 1, "t°C", "доп"},                      // t3
    {"давление 1 датчик, бар", 600, 100, ErrorTag::None, 1, "давл-е", "1,бар"},      // pressure 1
    {"давление 2 датчик, бар", 600, 130, ErrorTag::None, 1, "давл-е", "2,бар"},      // pressure 2
    {"1-й мгновенный объем,м3/час", 300, 100, ErrorTag::None, 1, "объем", "мгнов"},  // flow 1
    {"2-й мгновенный объем,м3/час", 300, 130, ErrorTag::None, 1, "объем", "мгнов"},  // flow 2
    {"код ошибки системы", 300, 160, ErrorTag::System, 1, "код ош", "сист"},         // system error code
    {"код ошибки устройства", 300, 190, ErrorTag::Device, 1, "код ош", "уст-ва"},    // device error code
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{kStateLines, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, 0x0000FF};
    return table;
}

Frame ImitState(const Frame& request) {
    const u29::ImitValues v = u29::DrawImitValues(2);
    StatePair pair{};
    for (std::size_t s = 0; s < 2; ++s) {
        const u29::StateRecord& from = v.systems[s];
        StateRecord& to = pair[s];
        to.heat = from.heat;
        to.t1 = from.t1;
        to.t2 = from.t2;
        to.t3 = from.t3;
        to.p1 = from.p1;
        to.p2 = from.p2;
        to.v1 = from.v1;
        to.v2 = from.v2;
        to.v3 = from.v3;
        to.g1 = from.g1;
        to.g2 = from.g2;
        to.systemError = from.systemError;
        to.deviceError = from.deviceError;
    }
    Frame frame(kStateLength, 0);
    frame[0] = kStateLength;
    EncodeFields(pair, StateLayout(), frame);
    u29::FinishImitFrame(request, frame);
    return frame;
}

}  // namespace omi::u28
