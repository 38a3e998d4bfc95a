// Family 227: decoders, configuration writer, texts, defaults and the state
// imitation.

#include "families/U27.h"

#include "families/RandNorm.h"
#include "support/Format.h"

#include <cmath>

namespace omi::u27 {

namespace {

// The family's frames carry one heat system: the generic codec fills the
// first record of a pair and leaves the second empty.
template <class Rec>
void decodeOne(const Frame& frame, std::span<const FrameField<Rec>> table, Rec& rec) {
    RecordPair<Rec> pair{};
    DecodeFields(frame, table, pair);
    rec = pair[0];
}

}  // namespace

QString DecState(const Frame& response, const DeviceAddress& from, StateRecord& state) {
    QString m = ValidateFrame(response, from, kStateLength, cmd::State);
    if (!m.isEmpty()) return m;
    decodeOne(response, StateLayout(), state);
    return {};
}

QString DecParam(const Frame& response, const DeviceAddress& from, ConfigRecord& config) {
    QString m = ValidateFrame(response, from, kConfigLength, cmd::ReadConfig);
    if (!m.isEmpty()) return m;
    decodeOne(response, ConfigLayout(), config);
    return {};
}

QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry) {
    QString m = ValidateFrame(response, from, kArchiveLength, cmd::ArchiveRecord);
    if (!m.isEmpty()) return m;
    DecodeArchiveFields(response, ArchiveLayout(), kRecord, entry);
    return {};
}

// --- configuration write ---

SetParResult SetPar(const ConfigRecord& config) {
    SetParResult result;
    // Each value rounded to the nearest integer must fit its field.
    const struct {
        const char* name;
        double value;
        int top;
    } checks[] = {
        {"вес имп.1-го р-мера,л/имп", config.weight1, 65535},
        {"вес имп.2-го р-мера,л/имп", config.weight2, 65535},
        {"вес имп.р-мера ГВС,л/имп", config.weightHot, 65535},
        {"вес имп.3-го р-мера,л/имп", config.weight3, 65535},
        {"тип системы", static_cast<double>(config.systemType), 255},
        {"t°C XBC для открытых систем", static_cast<double>(config.coldT), 255},
    };
    for (const auto& c : checks) {
        const double r = std::round(c.value);
        if (!(r >= 0.0 && r <= c.top)) {
            result.error = Format(QStringLiteral("%s = %g вне пределов 0..%d"),
                                  {QString::fromUtf8(c.name), c.value, c.top});
            return result;
        }
    }
    result.data.assign(kConfigDataSize, 0);
    const RecordPair<ConfigRecord> pair{config, ConfigRecord{}};
    if (!EncodeFields(pair, ConfigLayout(), result.data, 5)) {  // unreachable after the checks above
        result.data.clear();
        result.error = QStringLiteral("значение конфигурации вне пределов своего поля");
        return result;
    }
    result.ok = true;
    return result;
}

// --- texts ---

namespace {
QString code(int v) { return Format(QStringLiteral("%d"), {v}); }
QString degrees(std::int32_t hundredths) { return DisplayReal(hundredths / 100.0); }
}  // namespace

QStringList StateToText(const StateRecord& s) {
    return {DisplayReal(s.heat), degrees(s.t1),     degrees(s.t2),     degrees(s.t3), DisplayReal(s.v1),
            DisplayReal(s.v2),   DisplayReal(s.vHot), DisplayReal(s.v3), code(s.errorCode)};
}

QStringList ParamToText(const ConfigRecord& c) {
    return {DisplayReal(c.weight1), DisplayReal(c.weight2), DisplayReal(c.weightHot),
            DisplayReal(c.weight3), code(c.systemType),     code(c.coldT)};
}

// --- defaults and current records ---

ConfigRecord DefaultConfig() {
    ConfigRecord c;
    c.weight1 = 1;
    c.weight2 = 2;
    c.weightHot = 3;
    c.weight3 = 4;
    c.systemType = 1;
    c.coldT = 5;
    return c;
}



// --- tables ---

const QStringList& ErrorTexts() {
    static const QStringList texts{
        QStringLiteral(" НОРМА"),
        QStringLiteral("отсутствие расхода по счетчику воды, используемому для расчета тепловой энергии свыше 48 часов при разнице температур больше 20°С (только для закрытых систем)"),
        QStringLiteral("температура первого или второго термопреобразователя меньше 0 или больше 150°С (прекращается расчет тепловой энергии)"),
        QStringLiteral("обратное подключение термопреобразователей сопротивления (прекращается расчет тепловой энергии)"),
        QStringLiteral("ошибка системы измерения температур"),
        QStringLiteral("счетчик часов наработки превысил 4,5 года"),
        QStringLiteral("необходимость замены батареи  питания"),
        QStringLiteral("ошибка памяти EEPROM"),
        QStringLiteral("энергия в открытой системе отрицательна"),
    };
    return texts;
}

namespace {
// Lines in the order of StateToText.
const StateLine kStateLines[] = {
    {"ТЕПЛО, Гкал", 100, 10, ErrorTag::None, 1, "ТЕПЛО", " Гкал"},
    {"t°C, подача", 300, 10, ErrorTag::None, 1, "t°C", "подача"},
    {"t°C, обратка", 300, 40, ErrorTag::None, 1, "t°C", "обратка"},
    {"t°C, ГВС", 300, 70, ErrorTag::None, 1, "t°C", "ГВС"},
    {"объем 1,м3", 600, 10, ErrorTag::None, 1, "объем", "1,м3"},
    {"объем 2,м3", 600, 40, ErrorTag::None, 1, "объем", "2,м3"},
    {"объем ГВС, м3", 600, 70, ErrorTag::None, 1, "объем", "3,м3"},
    {"объем 3,м3", 600, 100, ErrorTag::None, 1, "объем", "4,м3"},
    {"код ошибки", 600, 130, ErrorTag::Device, 1, "код ", "ошиб"},
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{kStateLines, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 0x0000FF};
    return table;
}

// --- imitation ---

Frame ImitState(const Frame& request) {
    const double v1 = RandNorm(100, 1);
    const double v2 = RandNorm(100, 1);
    const double vHot = RandNorm(100, 1);
    const double v3 = RandNorm(100, 1);
    // Draws stay within ±3.99 spreads, so every word fits: 6010..13990 and 4010..11990.
    const auto t1 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(100, 10)));
    const auto t2 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(80, 10)));
    const auto t3 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(100, 10)));
    RecordPair<StateRecord> pair{};
    StateRecord& s = pair[0];
    s.heat = (t1 * v1 - t2 * v2) / 100;
    s.t1 = t1;
    s.t2 = t2;
    s.t3 = t3;
    s.v1 = v1;
    s.v2 = v2;
    s.vHot = vHot;
    s.v3 = v3;
    s.errorCode = RandNormInt(0, 255);
    if (s.errorCode < 0 || s.errorCode > 255) s.errorCode = 0;

    Frame f(kStateLength, 0);
    f[0] = kStateLength;
    for (std::size_t i = 1; i < 5 && i < request.size(); ++i) f[i] = request[i];
    EncodeFields(pair, StateLayout(), f);
    f.back() = FrameCheckByte(f.data(), f.size() - 1);
    return f;
}

}  // namespace omi::u27
