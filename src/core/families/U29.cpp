// Family 229/230: decoders, configuration writer, texts, defaults and the
// state imitation. The configuration and archive routines serve family 228 too.

#include "families/U29.h"

#include <algorithm>
#include <cmath>

#include "families/RandNorm.h"
#include "families/U34.h"
#include "support/Format.h"

namespace omi::u29 {

QString ValidateResponse(const Frame& r, const DeviceAddress& from, int length, int command, const char* formatText,
                         bool deviceTypeTest) {
    return ValidateAnswer(r, from, length, command, QString::fromUtf8(formatText), deviceTypeTest);
}

QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair) {
    QString m = ValidateResponse(response, from, kStateLength, cmd::State, "unit U29:function DecState: erundec ", true);
    if (!m.isEmpty()) return m;
    DecodeFields(response, StateLayout(), pair);
    return {};
}

QString DecParam(const Frame& response, const DeviceAddress& from, ConfigPair& pair) {
    QString m =
        ValidateResponse(response, from, kConfigLength, cmd::ReadConfig, "unit Upo:function DecParam: erundec ", false);
    if (!m.isEmpty()) return m;
    DecodeFields(response, ConfigLayout(), pair);
    return {};
}

QString DecArhAs(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry, const RecordLayout& layout) {
    QString m =
        ValidateResponse(response, from, kArchiveLength, cmd::ArchiveRecord, "unit Upo:function DecArh: erundec ", false);
    if (!m.isEmpty()) return m;
    DecodeArchiveFields(response, ArchiveLayout(), layout, entry);
    return {};
}

QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry) { return DecArhAs(response, from, entry, kRecord); }

// --- configuration write ---

SetParResult SetPar(const ConfigPair& pair) {
    for (int s = 0; s < 2; ++s) {
        SetParResult refused;
        refused.error = CheckWeightsAndType(pair[s], s);
        if (!refused.error.isEmpty()) return refused;
    }
    // System 1 first, then system 2, so the shared bytes sent are system 2's.
    return EncodeConfigWrite(pair, pair, ConfigLayout(), kConfigDataSize, 39);
}

void ShareCommon(ConfigPair& pair, int s) { CopySharedFields(pair, s, ConfigLayout()); }

// --- texts ---

namespace {
QString code(int v) { return Format(QStringLiteral("%d"), {v}); }
}  // namespace

QStringList StateToText(const StatePair& pair, int system) {
    if (system < 0 || system > 1) return {};
    const StateRecord& r = pair[system];
    return {DisplayReal(r.heat), DisplayReal(r.v1), DisplayReal(r.v2),   DisplayReal(r.v3),  DisplayReal(r.t1),
            DisplayReal(r.t2),   DisplayReal(r.t3), DisplayReal(r.p1),   DisplayReal(r.p2),  DisplayReal(r.g1),
            DisplayReal(r.g2),   DisplayReal(r.g3), code(r.systemError), code(r.deviceError)};
}

QStringList ParamToText(const ConfigPair& pair, int system) {
    if (system < 0 || system > 1) return {};
    const ConfigRecord& r = pair[system];
    return {DisplayReal(r.weight1), DisplayReal(r.weight2), DisplayReal(r.weight3), code(r.systemType),
            code(r.coldT1),         code(r.coldT2),         code(r.firstDay),       code(r.firstMonth),
            code(r.lastDay),        code(r.lastMonth),      DisplayReal(r.minFlow), DisplayReal(r.maxFlow),
            code(r.reportDay),      code(r.summing),        code(r.secondT)};
}

QString PulseWeightText(double word) { return Format(QStringLiteral("%.1f"), {word / 10.0}); }

double PulseWeightOfTyped(double litresPerPulse) { return litresPerPulse * 10.0; }

// --- defaults and current pairs ---

ConfigRecord DefaultConfig() {
    ConfigRecord r;
    r.weight1 = r.weight2 = r.weight3 = 1000;  // 100.0 л/имп
    r.systemType = 1;
    r.coldT1 = 0;
    r.coldT2 = 0;
    r.firstDay = r.firstMonth = r.lastDay = r.lastMonth = 1;
    r.reportDay = 1;
    r.summing = 1;
    r.secondT = 0;
    r.minFlow = 0;
    r.maxFlow = 1500;
    return r;
}



// --- tables ---

// The texts are word for word those of family 234/235.
const QStringList& SystemErrorTexts() { return u34::SystemErrorTexts(); }
const QStringList& DeviceErrorTexts() { return u34::DeviceErrorTexts(); }
const QStringList& SystemTypeTexts() { return u34::SystemTypeTexts(); }

namespace {
// Lines in the order of StateToText.
const StateLine kStateLines[] = {
    {"тепло, Гкал", 90, 10, ErrorTag::None, 1, "ТЕПЛО", " Гкал"},                     // heat
    {"объем 1, м3", 300, 10, ErrorTag::None, 1, "объем", "1,м3"},                     // V1
    {"объем 2, м3", 300, 40, ErrorTag::None, 1, "объем", "2,м3"},                     // V2
    {"объем 3, м3", 300, 70, ErrorTag::None, 1, "объем", "3,м3"},                     // V3
    {"t°C, подача ", 600, 10, ErrorTag::None, 1, "t°C", "подача"},                    // t1
    {"t°C, обратка", 600, 40, ErrorTag::None, 1, "t°C", "обратка"},                   // t2
    {"t°C, ГВС    ", 600, 70, ErrorTag::None, 1, "t°C", "доп"},                       // t3
    {"давление 1 датчик, бар", 600, 100, ErrorTag::None, 1, "давл-е", "1,бар"},       // P1
    {"давление 2 датчик, бар", 600, 130, ErrorTag::None, 1, "давл-е", "2,бар"},       // P2
    {"1-й мгновенный расход,м3/час", 300, 100, ErrorTag::None, 1, "объем", "мгнов"},  // G1
    {"2-й мгновенный расход,м3/час", 300, 130, ErrorTag::None, 1, "объем", "мгнов"},  // G2
    {"3-й мгновенный расход,м3/час", 300, 160, ErrorTag::None, 1, "объем", "мгнов"},  // G3
    {"код ошибки системы", 300, 190, ErrorTag::System, 1, "код ош", "сист"},          // system error code
    {"код ошибки устройства", 300, 220, ErrorTag::Device, 1, "код ош", "уст-ва"},     // device error code
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{kStateLines, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 0x0000FF};
    return table;
}

// --- state imitation ---

namespace {

// An error byte: a draw around 0 with spread 255, 0 when it leaves 0..255.
std::int32_t errorByte() {
    const int v = RandNormInt(0, 255);
    return v < 0 || v > 255 ? 0 : v;
}

}  // namespace

ImitValues DrawImitValues(int flowsPerSystem) {
    ImitValues v{};
    // The counters: the sum of a random number of daily increments, the heat
    // of each step from its volumes and temperatures (м3 × °C / 1000 = Гкал).
    const int steps = std::max(0, RandNormInt(365, 180));
    for (int k = 0; k < steps; ++k) {
        for (StateRecord& r : v.systems) {
            const double t1 = RandNorm(100, 10);
            const double t2 = RandNorm(80, 10);
            const double d1 = RandNorm(100, 1);
            const double d2 = RandNorm(100, 1);
            const double d3 = RandNorm(100, 1);
            r.v1 += d1;
            r.v2 += d2;
            r.v3 += d3;
            r.heat += (d1 * t1 - d2 * t2) / 1000.0;
        }
    }
    for (StateRecord& r : v.systems) {
        r.t1 = RandNorm(100, 10);
        r.t2 = RandNorm(80, 10);
        r.t3 = RandNorm(20, 1);
        r.p1 = RandNorm(10, 1);
        r.p2 = RandNorm(10, 1);
        r.g1 = RandNorm(100, 1);
        r.g2 = flowsPerSystem >= 2 ? RandNorm(100, 1) : 0.0;
        r.g3 = flowsPerSystem >= 3 ? RandNorm(100, 1) : 0.0;
        r.systemError = errorByte();
    }
    const std::int32_t device = errorByte();
    for (StateRecord& r : v.systems) r.deviceError = device;
    return v;
}

void FinishImitFrame(const Frame& request, Frame& frame) {
    if (frame.empty()) return;
    for (std::size_t i = 1; i <= 4 && i < request.size() && i + 1 < frame.size(); ++i) frame[i] = request[i];
    frame.back() = FrameCheckByte(frame.data(), frame.size() - 1);
}

Frame ImitState(const Frame& request) {
    const ImitValues v = DrawImitValues(3);
    const StatePair pair{v.systems[0], v.systems[1]};
    Frame frame(kStateLength, 0);
    frame[0] = kStateLength;
    EncodeFields(pair, StateLayout(), frame);
    FinishImitFrame(request, frame);
    return frame;
}

}  // namespace omi::u29
