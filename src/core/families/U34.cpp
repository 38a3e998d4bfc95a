// Family 234/235: decoders, configuration writer, texts and defaults.

#include "families/U34.h"

#include "support/Format.h"

#include <cmath>

namespace omi::u34 {

QString DecState(const Frame& response, const DeviceAddress& from, StatePair& pair) {
    QString m = ValidateAnswer(response, from, kStateLength, cmd::State,
                               QStringLiteral("unit U34:function DecState: erundec "), true);
    if (!m.isEmpty()) return m;
    DecodeFields(response, StateLayout(), pair);
    return {};
}

QString DecParam(const Frame& response, const DeviceAddress& from, ConfigPair& pair) {
    QString m = ValidateAnswer(response, from, kConfigLength, cmd::ReadConfig,
                               QStringLiteral("unit Upo:function DecParam: erundec "), false);
    if (!m.isEmpty()) return m;
    DecodeFields(response, ConfigLayout(), pair);
    return {};
}

QString DecArh(const Frame& response, const DeviceAddress& from, ArchiveEntry& entry) {
    QString m = ValidateAnswer(response, from, kArchiveLength, cmd::ArchiveRecord,
                               QStringLiteral("unit Upo:function DecArh: erundec "), false);
    if (!m.isEmpty()) return m;
    DecodeArchiveFields(response, ArchiveLayout(), kRecord, entry);
    return {};
}

// --- configuration write ---

namespace {

// Empty when the record can be sent; otherwise why not.
QString checkRanges(const ConfigRecord& rec, int system) {
    QString why = CheckWeightsAndType(rec, system);
    if (!why.isEmpty()) return why;
    const QString who = Format(QStringLiteral("%d-я Система: "), {system + 1});
    if (rec.reservedA < 0 || rec.reservedA > 65535)
        return who + Format(QStringLiteral("резервное слово A = %d вне пределов 0..65535"), {rec.reservedA});
    if (rec.reservedB < 0 || rec.reservedB > 65535)
        return who + Format(QStringLiteral("резервное слово B = %d вне пределов 0..65535"), {rec.reservedB});
    return {};
}

}  // namespace

SetParResult SetPar(const ConfigPair& pair) {
    for (int s = 0; s < 2; ++s) {
        SetParResult refused;
        refused.error = checkRanges(pair[s], s);
        if (!refused.error.isEmpty()) return refused;
    }
    // The flags word carries the contract bits of each system from its own
    // record; every other shared setting comes from system 2.
    ConfigPair sent = pair;
    const std::int32_t flags = (pair[0].flags & 0x0707) | (pair[1].flags & 0x3838);
    sent[0].flags = sent[1].flags = flags;
    return EncodeConfigWrite(pair, sent, ConfigLayout(), kConfigDataSize, 93);
}

void ShareCommon(ConfigPair& pair, int s) {
    if (s < 0 || s > 1) return;
    // The other record keeps its own contract bits and gets those of s added.
    const std::int32_t kept = pair[static_cast<std::size_t>(1 - s)].flags;
    CopySharedFields(pair, s, ConfigLayout());
    pair[static_cast<std::size_t>(1 - s)].flags |= kept;
}

// --- texts ---

namespace {
QString code(int v) { return Format(QStringLiteral("%d"), {v}); }
}  // namespace

QStringList StateToText(const StatePair& pair, int system) {
    if (system < 0 || system > 1) return {};
    const StateRecord& r = pair[system];
    return {DisplayReal(r.heat), DisplayReal(r.v1),  DisplayReal(r.v2), DisplayReal(r.v3),
            DisplayReal(r.t1),   DisplayReal(r.t2),  DisplayReal(r.t3), DisplayReal(r.p1),
            DisplayReal(r.p2),   DisplayReal(r.g1),  DisplayReal(r.g2), DisplayReal(r.g3),
            code(r.systemError), code(r.deviceError), DisplayReal(r.m1), DisplayReal(r.m2),
            DisplayReal(r.m3)};
}

QStringList ParamToText(const ConfigPair& pair, int system) {
    if (system < 0 || system > 1) return {};
    const ConfigRecord& r = pair[system];
    return {DisplayReal(r.weight1),    DisplayReal(r.weight2),    DisplayReal(r.weight3),
            code(r.systemType),        code(r.coldT1),            code(r.coldT2),
            code(r.firstDay),          code(r.firstMonth),        code(r.lastDay),
            code(r.lastMonth),         DisplayReal(r.minFlow),    DisplayReal(r.maxFlow),
            code(r.flags),             DisplayReal(r.contractT1), DisplayReal(r.contractT2),
            DisplayReal(r.contractT3), DisplayReal(r.contractP1), DisplayReal(r.contractP2),
            DisplayReal(r.contractP3), code(r.reportDay),         code(r.summing),
            code(r.secondT)};
}

// --- defaults and current pairs ---

ConfigRecord DefaultConfig() {
    ConfigRecord r;
    r.weight1 = r.weight2 = r.weight3 = 1000;  // 100.0 л/имп
    r.systemType = 1;
    r.coldT1 = 5;
    r.coldT2 = 15;
    r.firstDay = r.firstMonth = r.lastDay = r.lastMonth = 1;
    r.reportDay = 1;
    r.summing = 1;
    r.secondT = 0;
    r.flags = 0;
    r.contractT1 = 90;
    r.contractT2 = 70;
    r.contractT3 = 70;
    r.contractP1 = r.contractP2 = r.contractP3 = 1.6;
    r.reservedA = r.reservedB = 0;
    r.minFlow = 0;
    r.maxFlow = 1500;
    return r;
}



// --- tables ---

const QStringList& SystemErrorTexts() {
    static const QStringList texts{
        QStringLiteral(" НОРМА"),
        QStringLiteral("Отсутствие расхода по счетчику воды, используемому для расчета тепловой энергии свыше 48 часов при разнице температур больше 20 0С. Ошибка активизируется к обратному трубопроводу только для закрытых систем!"),
        QStringLiteral("Температура первого или второго термопреобразователя меньше 0 или больше 150°C. При возникновении этой ошибки прекращается расчет тепловой энергии."),
        QStringLiteral("Температура первого термометра ниже, чем температура второго. При возникновении этой ошибки прекращается расчеты тепловой энергии!"),
        QStringLiteral("Некорректное значение тепловой энергии в открытой системе (тепловая энергия отрицательна, суммирование энергии на индикаторе не производится)."),
        QStringLiteral("Расход теплоносителя выходит за предел минимального  значения"),
        QStringLiteral("Расход теплоносителя выходит за предел максимального значения."),
        QStringLiteral("Разница температур ниже нормированного значения."),
        QStringLiteral("Обратное движение теплоносителя в обратном трубопроводе (только для открытой системы)"),
    };
    return texts;
}

const QStringList& DeviceErrorTexts() {
    static const QStringList texts{
        QStringLiteral(" НОРМА"),
        QStringLiteral("Ошибка АЦП."),
        QStringLiteral("Ошибка записи архива."),
        QStringLiteral("Напряжении батареи меньше минимально допустимого."),
        QStringLiteral("Счетчик часов наработки превысил 4,5 года (необходимо заменить батарейку)."),
        QStringLiteral("Отсутствие напряжения питания внешнего расходомера"),
    };
    return texts;
}

const QStringList& SystemTypeTexts() {
    static const QStringList texts{
        QStringLiteral("Закрытая, расходомер на подаче"),
        QStringLiteral("закрытая, расходомер на обратке"),
        QStringLiteral("Открытая обычная"),
        QStringLiteral("Открытая тупиковая"),
    };
    return texts;
}

namespace {
// Lines in the order of StateToText.
const StateLine kStateLines[] = {
    {"тепло, Гкал", 90, 10, ErrorTag::None, 1, "ТЕПЛО", " Гкал"},  // heat
    {"объем 1, м3", 300, 10, ErrorTag::None, 1, "объем", "1,м3"},  // V1
    {"объем 2, м3", 300, 40, ErrorTag::None, 1, "объем", "2,м3"},  // V2
    {"объем 3, м3", 300, 70, ErrorTag::None, 1, "объем", "3,м3"},  // V3
    {"t°C, подача ", 600, 10, ErrorTag::None, 1, "t°C", "подача"},  // t1
    {"t°C, обратка", 600, 40, ErrorTag::None, 1, "t°C", "обратка"},  // t2
    {"t°C, ГВС    ", 600, 70, ErrorTag::None, 1, "t°C", "доп"},  // t3
    {"давление 1 датчик, МПа", 600, 100, ErrorTag::None, 1, "давл-е", "1,МПа"},  // P1
    {"давление 2 датчик, МПа", 600, 130, ErrorTag::None, 1, "давл-е", "2,МПа"},  // P2
    {"1-й мгновенный расход,м3/час", 300, 100, ErrorTag::None, 1, "объем", "мгнов"},  // G1
    {"2-й мгновенный расход,м3/час", 300, 130, ErrorTag::None, 1, "объем", "мгнов"},  // G2
    {"3-й мгновенный расход,м3/час", 300, 160, ErrorTag::None, 1, "объем", "мгнов"},  // G3
    {"код ошибки системы", 300, 190, ErrorTag::System, 1, "код ош", "сист"},  // system error code
    {"код ошибки устройства", 300, 220, ErrorTag::Device, 1, "код ош", "уст-ва"},  // device error code
    {"Масса 1,Т", 750, 10, ErrorTag::None, 1, "масса", "1,т"},  // M1
    {"Масса 2,Т", 750, 40, ErrorTag::None, 1, "масса", "2,т"},  // M2
    {"Масса 3,Т", 750, 70, ErrorTag::None, 1, "масса", "3,т"},  // M3
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{
        kStateLines, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, 0x0000FF, true};
    return table;
}

}  // namespace omi::u34
