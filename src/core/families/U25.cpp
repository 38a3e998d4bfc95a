// Family 225: decoders, configuration writer, ranges, tariff starts, texts,
// defaults and the state imitation.

#include "families/U25.h"

#include "families/RandNorm.h"
#include "support/Format.h"

#include <cmath>
#include <optional>

namespace omi::u25 {

namespace {

// The family's frames carry one heat system: the generic codec fills the
// first record of a pair and leaves the second empty.
template <class Rec>
void decodeOne(const Frame& frame, std::span<const FrameField<Rec>> table, Rec& rec) {
    RecordPair<Rec> pair{};
    DecodeFields(frame, table, pair);
    rec = pair[0];
}

// Labels of the configuration page, also the names of the range check.
const char* const kLabelWeight1 = "вес имп.1-го р-мера,л/имп";
const char* const kLabelWeight2 = "вес имп.2-го р-мера,л/имп";
const char* const kLabelWeight3 = "вес имп.р-мера ГВС,л/имп";
const char* const kLabelEnergyWeight = "вес имп. счетчика ЭЭ";
const char* const kLabelColdT = "t°C XBC для открытых систем";  // Latin t, C, X, B, C
const char* const kLabelLimitT = "ограничение t°С ГВС";         // Cyrillic С after the degree sign

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

SetParResult SetPar(const ConfigRecord& c) {
    SetParResult result;
    // Each value rounded to the nearest integer must fit its byte or word.
    const struct {
        const char* name;
        double value;
        int top;
    } checks[] = {
        {kLabelWeight1, c.weight1, 65535},
        {kLabelWeight2, c.weight2, 65535},
        {kLabelWeight3, c.weight3, 65535},
        {kLabelEnergyWeight, static_cast<double>(c.energyWeight), 65535},
        {"Два тарифа", static_cast<double>(c.twoTariffs), 255},
        {"Начало тарифа № 1", static_cast<double>(c.tariff1Start), 65535},
        {"Начало тарифа № 2", static_cast<double>(c.tariff2Start), 65535},
        {"тип системы", static_cast<double>(c.systemType), 255},
        {kLabelColdT, static_cast<double>(c.coldT), 255},
        {"Использовать ограничение t°С ГВС", static_cast<double>(c.limitUsed), 255},
        {kLabelLimitT, static_cast<double>(c.limitT), 255},
    };
    for (const auto& f : checks) {
        const double r = std::round(f.value);
        if (!(r >= 0.0 && r <= f.top)) {
            result.error =
                Format(QStringLiteral("%s = %g вне пределов 0..%d"), {QString::fromUtf8(f.name), f.value, f.top});
            return result;
        }
    }
    result.data.assign(kConfigDataSize, 0);
    const RecordPair<ConfigRecord> pair{c, ConfigRecord{}};
    if (!EncodeFields(pair, ConfigLayout(), result.data, 5)) {  // unreachable after the checks above
        result.data.clear();
        result.error = QStringLiteral("значение конфигурации вне пределов своего поля");
        return result;
    }
    result.ok = true;
    return result;
}

// --- ranges ---

const ConfigRecord& RangeMinimum() {
    static const ConfigRecord r{1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1};
    return r;
}

const ConfigRecord& RangeMaximum() {
    static const ConfigRecord r{1000, 1000, 1000, 3600, 1, 1440, 1440, 4, 100, 1, 100};
    return r;
}

QString CheckRanges(const ConfigRecord& c) {
    const ConfigRecord& lo = RangeMinimum();
    const ConfigRecord& hi = RangeMaximum();
    const struct {
        const char* name;
        double value, low, high;
    } fields[] = {
        {kLabelWeight1, c.weight1, lo.weight1, hi.weight1},
        {kLabelWeight2, c.weight2, lo.weight2, hi.weight2},
        {kLabelWeight3, c.weight3, lo.weight3, hi.weight3},
        {kLabelEnergyWeight, double(c.energyWeight), double(lo.energyWeight), double(hi.energyWeight)},
        {"Два тарифа", double(c.twoTariffs), double(lo.twoTariffs), double(hi.twoTariffs)},
        {"Начало тарифа", double(c.tariff1Start), double(lo.tariff1Start), double(hi.tariff1Start)},
        {"Начало тарифа", double(c.tariff2Start), double(lo.tariff2Start), double(hi.tariff2Start)},
        {"Тип системы", double(c.systemType), double(lo.systemType), double(hi.systemType)},
        {kLabelColdT, double(c.coldT), double(lo.coldT), double(hi.coldT)},
        {kLabelLimitT, double(c.limitT), double(lo.limitT), double(hi.limitT)},
    };
    QString text;
    for (const auto& f : fields)
        if (!(f.value >= f.low && f.value <= f.high)) text += QString::fromUtf8(f.name) + QLatin1Char(';');
    return text;
}

// --- the configuration page ---

namespace {

// A whole number of at most 9 digits (blanks around it allowed); nothing
// for anything else, a sign included: the masked edits take digits only.
std::optional<int> digits(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9) return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return t.toInt();
}

// An integer as typed (sign allowed); -1 when the text is not one.
int integerOr(const QString& text, int otherwise) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : otherwise;
}

// A real as typed, with a decimal comma or point; -1 when not a finite number.
double realOr(const QString& text, double otherwise) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::isfinite(v) ? v : otherwise;
}

QString wrongValue(const char* label, const QString& text) {
    return QString::fromUtf8(label) + QStringLiteral("=\"") + text + QStringLiteral("\"-неправильное значение");
}

}  // namespace

TariffStart ParseTariffStart(const QString& editText) {
    const qsizetype colon = editText.indexOf(QLatin1Char(':'));
    // Without a colon the hours text is empty and the minutes text is the whole edit.
    const QString hoursText = colon < 0 ? QString() : editText.left(colon);
    const QString minutesText = editText.mid(colon + 1);
    int hours = digits(hoursText).value_or(25);
    int minutes = digits(minutesText).value_or(60);
    if (hours > 23) hours %= 24;
    if (minutes > 59) minutes %= 60;
    return {TariffStartText(hours * 60 + minutes), hours * 60 + minutes};
}

QString TariffStartText(int minutes) { return Format(QStringLiteral("%.2d:%.2d"), {minutes / 60, minutes % 60}); }

PageConversion PageToConfig(const ConfigPage& page, ConfigRecord& config) {
    PageConversion out;
    config.systemType = page.systemIndex + 1;
    config.twoTariffs = page.twoTariffs ? 1 : 0;
    config.limitUsed = page.useLimit ? 1 : 0;
    const TariffStart t1 = ParseTariffStart(page.tariff1);
    const TariffStart t2 = ParseTariffStart(page.tariff2);
    out.tariff1 = t1.text;
    out.tariff2 = t2.text;
    config.tariff1Start = t1.minutes;
    config.tariff2Start = t2.minutes;

    const auto stop = [&](const char* label, const QString& text, int edit) {
        out.stopped = true;
        out.statusIsError = true;
        out.status = wrongValue(label, text);
        out.badEdit = edit;
        return out;
    };
    const std::pair<const char*, const QString*> weightEdits[] = {
        {kLabelWeight1, &page.weight1}, {kLabelWeight2, &page.weight2}, {kLabelWeight3, &page.weight3}};
    double* const weights[] = {&config.weight1, &config.weight2, &config.weight3};
    for (std::size_t k = 0; k < 3; ++k) {
        const double w = realOr(*weightEdits[k].second, -1);
        if (w < 0) return stop(weightEdits[k].first, *weightEdits[k].second, int(k));
        *weights[k] = std::trunc(w);
    }
    const std::pair<const char*, const QString*> integerEdits[] = {
        {kLabelEnergyWeight, &page.energyWeight}, {kLabelColdT, &page.coldT}, {kLabelLimitT, &page.limitT}};
    std::int32_t* const integers[] = {&config.energyWeight, &config.coldT, &config.limitT};
    for (std::size_t k = 0; k < 3; ++k) {
        const int v = integerOr(*integerEdits[k].second, -1);
        if (v < 0) return stop(integerEdits[k].first, *integerEdits[k].second, 3 + int(k));
        *integers[k] = v;
    }

    const QString ranges = CheckRanges(config);
    out.statusIsError = !ranges.isEmpty();
    out.status = ranges.isEmpty() ? QStringLiteral("Данные правильные") : QStringLiteral("выход за диапазон: ") + ranges;
    return out;
}

// --- texts ---

namespace {
QString code(int v) { return Format(QStringLiteral("%d"), {v}); }
QString degrees(std::int32_t hundredths) { return DisplayReal(hundredths / 100.0); }
}  // namespace

QStringList StateToText(const StateRecord& s) {
    return {DisplayReal(s.heat),    degrees(s.t1),          degrees(s.t2),          degrees(s.t3),
            DisplayReal(s.v1),      DisplayReal(s.v2),      DisplayReal(s.v3),      DisplayReal(s.vReduced),
            DisplayReal(s.energy1), DisplayReal(s.energy2), code(s.errorCode)};
}

QStringList ParamToText(const ConfigRecord& c) {
    return {DisplayReal(c.weight1), DisplayReal(c.weight2), DisplayReal(c.weight3), code(c.energyWeight),
            code(c.twoTariffs),     code(c.tariff1Start),   code(c.tariff2Start),   code(c.systemType),
            code(c.coldT),          code(c.limitUsed),      code(c.limitT)};
}

// --- defaults and current records ---

ConfigRecord DefaultConfig() {
    ConfigRecord c;
    c.weight1 = c.weight2 = c.weight3 = 100;
    c.energyWeight = 1000;
    c.twoTariffs = 0;
    c.tariff1Start = c.tariff2Start = 0;
    c.systemType = 1;
    c.coldT = 5;
    c.limitUsed = 0;
    c.limitT = 45;
    return c;
}



// --- tables ---

const QStringList& ErrorTexts() {
    // As family 227, but the text of bit 1 writes the degree sign with a Latin C.
    static const QStringList texts{
        QStringLiteral(" НОРМА"),
        QStringLiteral("отсутствие расхода по счетчику воды, используемому для расчета тепловой энергии свыше 48 часов при разнице температур больше 20°С (только для закрытых систем)"),
        QStringLiteral("температура первого или второго термопреобразователя меньше 0 или больше 150°C (прекращается расчет тепловой энергии)"),
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
    {"объем 3,м3", 600, 70, ErrorTag::None, 1, "объем", "3,м3"},
    {"объем при уменьшенной t°C,м3", 600, 100, ErrorTag::None, 1, "объем", "уменьш t°C"},
    {"электроэнергия по 1 тарифу", 300, 100, ErrorTag::None, 1, "электро", "1 тариф"},
    {"электроэнергия по 2 тарифу", 300, 130, ErrorTag::None, 1, "электро", "2 тариф"},
    {"код ошибки", 300, 160, ErrorTag::Device, 1, "код ", "ошиб"},
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{kStateLines, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0x0000FF};
    return table;
}

// --- imitation ---

Frame ImitState(const Frame& request) {
    const double v1 = RandNorm(100, 1);
    const double v2 = RandNorm(100, 1);
    const double v3 = RandNorm(100, 1);
    // Draws stay within ±3.99 spreads, so every word fits: 6010..13990 and 4010..11990.
    const auto t1 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(100, 10)));
    const auto t2 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(80, 10)));
    const auto t3 = static_cast<std::uint16_t>(std::lround(100 * RandNorm(100, 10)));
    RecordPair<StateRecord> pair{};
    StateRecord& s = pair[0];
    s.heat = (v1 * t1 - v2 * t2) / 100;
    s.t1 = t1;
    s.t2 = t2;
    s.t3 = t3;
    s.v1 = v1;
    s.v2 = v2;
    s.v3 = v3;
    s.vReduced = std::fabs(RandNorm(0, 1));
    s.energy1 = RandNorm(70000, 10000);
    s.energy2 = RandNorm(70000, 10000);
    s.errorCode = RandNormInt(0, 255);
    if (s.errorCode < 0 || s.errorCode > 255) s.errorCode = 0;

    Frame f(kStateLength, 0);
    f[0] = kStateLength;
    for (std::size_t i = 1; i < 5 && i < request.size(); ++i) f[i] = request[i];
    EncodeFields(pair, StateLayout(), f);
    f.back() = FrameCheckByte(f.data(), f.size() - 1);
    return f;
}

}  // namespace omi::u25
