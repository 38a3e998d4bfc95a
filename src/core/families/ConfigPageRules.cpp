#include "families/ConfigPageRules.h"

#include <QDate>
#include <cmath>

#include "families/DeviceFamily.h"
#include "support/Format.h"

namespace omi::cfgpage {

std::optional<double> ParseNumber(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> ParseInteger(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}

// --- family 234/235 pulse weights -------------------------------------------

WeightView U34WeightView(double word) {
    const auto w = static_cast<long long>(std::llround(word));
    if (w & kUnitBit) return {Format(QStringLiteral("%.2f"), {static_cast<double>(w & 0x7FFF) / 100.0}), true};
    return {Format(QStringLiteral("%.1f"), {word / 10.0}), false};
}

double U34WeightWord(double typed, bool pulsesPerLitre) {
    if (!pulsesPerLitre) return typed * 10.0;
    const long long hundredths = std::llround(typed * 100.0);
    if (hundredths < 0) return static_cast<double>(hundredths);
    return static_cast<double>(hundredths | kUnitBit);
}

double U34ToggleUnit(double word) {
    const auto w = static_cast<long long>(std::llround(word));
    return static_cast<double>((w & kUnitBit) ? (w & 0x7FFF) : (w | kUnitBit));
}

namespace {

// The heating season and the two check boxes of a heat system page, stored
// into its record (the settings both heat systems share).
template <class Rec>
void storeSeasonAndFlags(const SystemPage& page, Rec& rec) {
    rec.firstDay = static_cast<std::uint8_t>(page.first.day);
    rec.firstMonth = static_cast<std::uint8_t>(page.first.month);
    rec.lastDay = static_cast<std::uint8_t>(page.last.day);
    rec.lastMonth = static_cast<std::uint8_t>(page.last.month);
    rec.summing = page.summingChecked ? 0 : 1;
    rec.secondT = page.secondChecked ? 1 : 0;
}

const char* const kU34Labels[8] = {"вес имп.Vп",
                                   "вес имп.Vo",
                                   "вес имп.Vx",
                                   "Отчетный день",
                                   "Минимальный расход",
                                   "Максимальный расход",
                                   "1-я t°C XBC для открытых систем",
                                   "2-я t°C XBC для открытых систем"};
const char* const kU29Labels[8] = {"вес имп.1-го р-мера,л/имп",
                                   "вес имп.2-го р-мера,л/имп",
                                   "вес имп.3-го р-мера,л/имп",
                                   "Отчетный день",
                                   "Минимальный расход",
                                   "Максимальный расход",
                                   "1-я t°C XBC для открытых систем",
                                   "2-я t°C XBC для открытых систем"};
}  // namespace

QString U34WeightLabel(int k, bool pulsesPerLitre) {
    if (k < 1 || k > 3) return {};
    return QString::fromUtf8(kU34Labels[k - 1]) +
           (pulsesPerLitre ? QStringLiteral(" имп/л") : QStringLiteral(" л/имп"));
}

int ContractFlagBit(int system, int index) {
    if (system < 0 || system > 1 || index < 0 || index > 5) return -1;
    return (index < 3 ? index : index + 5) + 3 * system;
}

DayMonth ValidDayMonth(int day, int month, int year) {
    DayMonth out;
    out.month = (month >= 1 && month <= 12) ? month : 1;
    const int days = QDate(year, out.month, 1).daysInMonth();
    out.day = (day >= 1 && day <= days) ? day : 1;
    return out;
}

QString ContractLabel(int index) {
    static const char* const names[6] = {"Договорное Tп", "Договорное Tо", "Договорное Tх",
                                         "Договорное Pп", "Договорное Pо", "Договорное Pх"};
    return index >= 0 && index < 6 ? QString::fromUtf8(names[index]) : QString();
}

bool IsOpenSystem(const QString& typeText) { return typeText.contains(QStringLiteral("открыт"), Qt::CaseInsensitive); }

// --- two-system editors -----------------------------------------------------

std::array<QString, 8> ValueLabels(TwoSystemFamily family) {
    std::array<QString, 8> out;
    const char* const* src = family == TwoSystemFamily::U34 ? kU34Labels : kU29Labels;
    for (std::size_t i = 0; i < 8; ++i) out[i] = QString::fromUtf8(src[i]);
    return out;
}

QString SecondCheckText(TwoSystemFamily family) {
    // Only the first "я" (of "2-я") changes.
    QString label = ValueLabels(family)[7];
    const qsizetype at = label.indexOf(QStringLiteral("я"));
    if (at >= 0) label[at] = QChar(u'ю');
    return QStringLiteral("Использовать ") + label;
}

namespace {

QString integerText(int v) { return Format(QStringLiteral("%d"), {v}); }
QString oneDecimal(double v) { return Format(QStringLiteral("%.1f"), {v}); }

template <class Pair>
void validateDates(Pair& pair, int year) {
    for (auto& rec : pair) {
        const DayMonth first = ValidDayMonth(rec.firstDay, rec.firstMonth, year);
        const DayMonth last = ValidDayMonth(rec.lastDay, rec.lastMonth, year);
        rec.firstDay = static_cast<std::uint8_t>(first.day);
        rec.firstMonth = static_cast<std::uint8_t>(first.month);
        rec.lastDay = static_cast<std::uint8_t>(last.day);
        rec.lastMonth = static_cast<std::uint8_t>(last.month);
    }
}

// The fields both record kinds share.
template <class Rec>
void loadCommonPart(const Rec& rec, const QStringList& typeTexts, SystemPage& page) {
    if (rec.systemType >= 1 && rec.systemType <= typeTexts.size()) {
        page.typeIndex = rec.systemType - 1;
        page.typeText = typeTexts[page.typeIndex];
    } else {
        page.typeIndex = -1;
        page.typeText = Format(QStringLiteral("Тип системы=%d не определен"), {rec.systemType});
    }
    page.values[3] = integerText(rec.reportDay);
    page.values[4] = oneDecimal(rec.minFlow);
    page.values[5] = oneDecimal(rec.maxFlow);
    page.values[6] = integerText(rec.coldT1);
    page.values[7] = integerText(rec.coldT2);
    page.summingChecked = rec.summing == 0;
    page.secondChecked = rec.secondT == 1;
    page.first = {rec.firstDay, rec.firstMonth};
    page.last = {rec.lastDay, rec.lastMonth};
}

QString wrongValue(const QString& label, const QString& text) {
    return label + QStringLiteral("=\"") + text + QStringLiteral("\"-неправильное значение");
}

// The steps after the weights, common to 234/235 and 229/230: report day,
// flows, cold-water temperatures, open system, dates, flags.
template <class Rec>
void collectRest(const SystemPage& page, Rec& rec, Collected& out) {
    const auto fail = [&](int k) {
        out.status = wrongValue(page.labels[static_cast<std::size_t>(k)], page.values[static_cast<std::size_t>(k)]);
        out.error = true;
        out.badField = k;
    };
    const auto stop = [&](int k) {
        fail(k);
        out.stopped = true;
    };
    // Report day: a text that is not a number, or a value that does not fit
    // its byte, stops the collection; outside 1..31 is named.
    const std::optional<int> day = ParseInteger(page.values[3]);
    if (!day || *day < 0 || *day > 255) return stop(3);
    rec.reportDay = static_cast<std::uint8_t>(*day);
    if (*day < 1 || *day > 31) fail(3);

    // Flows: a text that is not a number stops; a negative value is named.
    for (int k : {4, 5}) {
        const std::optional<double> flow = ParseNumber(page.values[static_cast<std::size_t>(k)]);
        if (!flow) return stop(k);
        (k == 4 ? rec.minFlow : rec.maxFlow) = *flow;
        if (*flow < 0) fail(k);
    }

    // A cold-water temperature that is not a whole number ≥ 0 is named and
    // not set; one above 255 does not fit its byte and stops.
    const auto coldT = [&](int k, std::uint8_t& field) {
        const std::optional<int> v = ParseInteger(page.values[static_cast<std::size_t>(k)]);
        if (!v || *v < 0) {
            fail(k);
            return true;
        }
        if (*v > 255) {
            stop(k);
            return false;
        }
        field = static_cast<std::uint8_t>(*v);
        return true;
    };
    if (!coldT(6, rec.coldT1)) return;
    out.openSystem = IsOpenSystem(page.typeText);
    out.coldT1Enabled = out.openSystem;
    out.secondEnabled = out.openSystem && page.secondChecked;
    if (!coldT(7, rec.coldT2)) return;

    storeSeasonAndFlags(page, rec);
}

void enableFromPage(const SystemPage& page, Collected& out) {
    out.openSystem = IsOpenSystem(page.typeText);
    out.coldT1Enabled = out.openSystem;
    out.secondEnabled = out.openSystem && page.secondChecked;
}

}  // namespace

SystemPage LoadPage(u34::ConfigPair& pair, int system, int year) {
    validateDates(pair, year);
    SystemPage page;
    page.labels = ValueLabels(TwoSystemFamily::U34);
    if (system < 0 || system > 1) return page;
    const u34::ConfigRecord& rec = pair[static_cast<std::size_t>(system)];
    loadCommonPart(rec, u34::SystemTypeTexts(), page);
    const double weights[3] = {rec.weight1, rec.weight2, rec.weight3};
    for (int k = 0; k < 3; ++k) {
        const WeightView v = U34WeightView(weights[k]);
        page.values[static_cast<std::size_t>(k)] = v.text;
        page.pulsesPerLitre[static_cast<std::size_t>(k)] = v.pulsesPerLitre;
        page.labels[static_cast<std::size_t>(k)] = U34WeightLabel(k + 1, v.pulsesPerLitre);
    }
    const double contracts[6] = {rec.contractT1, rec.contractT2, rec.contractT3,
                                 rec.contractP1, rec.contractP2, rec.contractP3};
    for (int i = 0; i < 6; ++i) {
        page.contracts[static_cast<std::size_t>(i)] = oneDecimal(contracts[i]);
        page.contractFlags[static_cast<std::size_t>(i)] = (rec.flags >> ContractFlagBit(system, i)) & 1;
    }
    return page;
}

SystemPage LoadPage(TwoSystemFamily family, u29::ConfigPair& pair, int system, int year) {
    validateDates(pair, year);
    SystemPage page;
    page.labels = ValueLabels(family);
    if (system < 0 || system > 1) return page;
    const u29::ConfigRecord& rec = pair[static_cast<std::size_t>(system)];
    loadCommonPart(rec, u29::SystemTypeTexts(), page);
    page.values[0] = u29::PulseWeightText(rec.weight1);
    page.values[1] = u29::PulseWeightText(rec.weight2);
    page.values[2] = u29::PulseWeightText(rec.weight3);
    return page;
}

Collected CollectPage(const SystemPage& page, int system, u34::ConfigRecord& rec) {
    Collected out;
    enableFromPage(page, out);
    if (page.typeIndex >= 0) rec.systemType = page.typeIndex + 1;
    rec.flags = 0;
    for (int i = 0; i < 6; ++i)
        if (page.contractFlags[static_cast<std::size_t>(i)] && ContractFlagBit(system, i) >= 0)
            rec.flags |= 1 << ContractFlagBit(system, i);

    double* const weights[3] = {&rec.weight1, &rec.weight2, &rec.weight3};
    double* const temps[3] = {&rec.contractT1, &rec.contractT2, &rec.contractT3};
    double* const pressures[3] = {&rec.contractP1, &rec.contractP2, &rec.contractP3};
    const auto stop = [&](const QString& label, const QString& text, int field) {
        out.status = wrongValue(label, text);
        out.error = true;
        out.stopped = true;
        out.badField = field;
        return out;
    };
    for (std::size_t k = 0; k < 3; ++k) {
        out.status = QStringLiteral("правильные значения");
        out.error = false;
        const std::optional<double> typed = ParseNumber(page.values[k]);
        if (!typed) return stop(page.labels[k], page.values[k], int(k));
        const bool perLitre = page.labels[k].contains(QStringLiteral("имп/л"));
        *weights[k] = U34WeightWord(*typed, perLitre);
        for (std::size_t c : {k, k + 3}) {
            const std::optional<double> contract = ParseNumber(page.contracts[c]);
            if (!contract) return stop(ContractLabel(int(c)), page.contracts[c], 8 + int(c));
            *(c == k ? temps[k] : pressures[k]) = *contract;
        }
        rec.reservedA = 0;
        rec.reservedB = 0;
        if (*typed < 0) return stop(page.labels[k], page.values[k], int(k));
    }
    collectRest(page, rec, out);
    return out;
}

Collected CollectPage(TwoSystemFamily family, const SystemPage& page, u29::ConfigRecord& rec) {
    Collected out;
    enableFromPage(page, out);
    if (page.typeIndex >= 0) rec.systemType = page.typeIndex + 1;
    double* const weights[3] = {&rec.weight1, &rec.weight2, &rec.weight3};
    const bool u28 = family == TwoSystemFamily::U28;
    for (std::size_t k = 0; k < 3; ++k) {
        out.status = u28 ? QStringLiteral("правильное значение") : QStringLiteral("правильные значения");
        out.error = false;
        const std::optional<double> typed = ParseNumber(page.values[k]);
        if (typed) *weights[k] = u29::PulseWeightOfTyped(*typed);
        if (!typed || *typed < 0) {
            out.status = u28 ? page.values[k] + QStringLiteral("-неправильное значение")
                             : wrongValue(page.labels[k], page.values[k]);
            out.error = true;
            out.stopped = true;
            out.badField = int(k);
            return out;
        }
    }
    if (!u28) {
        collectRest(page, rec, out);
        return out;
    }
    // Family 228 takes the other fields over without messages; values that
    // do not fit their bytes keep the earlier ones. A text that is not a
    // number is named and stops.
    const auto notANumber = [&](int k) {
        out.status = page.values[static_cast<std::size_t>(k)] + QStringLiteral("-неправильное значение");
        out.error = true;
        out.stopped = true;
        out.badField = k;
        return out;
    };
    const auto byteOf = [](const QString& text, std::uint8_t& field) {
        const std::optional<int> v = ParseInteger(text);
        if (v && *v >= 0 && *v <= 255) field = static_cast<std::uint8_t>(*v);
        return v.has_value();
    };
    if (!byteOf(page.values[3], rec.reportDay)) return notANumber(3);
    for (int k : {4, 5}) {
        const std::optional<double> flow = ParseNumber(page.values[static_cast<std::size_t>(k)]);
        if (!flow) return notANumber(k);
        (k == 4 ? rec.minFlow : rec.maxFlow) = *flow;
    }
    if (!byteOf(page.values[6], rec.coldT1)) return notANumber(6);
    if (!byteOf(page.values[7], rec.coldT2)) return notANumber(7);
    storeSeasonAndFlags(page, rec);
    return out;
}

// --- family 227 ---------------------------------------------------------------

const std::array<QString, 5>& U27Labels() {
    static const std::array<QString, 5> labels = {
        QStringLiteral("вес имп.1-го р-мера,л/имп"), QStringLiteral("вес имп.2-го р-мера,л/имп"),
        QStringLiteral("вес имп.р-мера ГВС,л/имп"), QStringLiteral("вес имп.3-го р-мера,л/имп"),
        QStringLiteral("t°C XBC для открытых систем")};
    return labels;
}

U27Page LoadPage(const u27::ConfigRecord& rec) {
    U27Page page;
    const QStringList& types = u34::SystemTypeTexts();
    if (rec.systemType >= 1 && rec.systemType <= types.size()) {
        page.typeIndex = rec.systemType - 1;
        page.typeText = types[page.typeIndex];
    } else {
        page.typeText = Format(QStringLiteral("Тип системы=%d не определен"), {rec.systemType});
    }
    page.values = {oneDecimal(rec.weight1), oneDecimal(rec.weight2), oneDecimal(rec.weightHot), oneDecimal(rec.weight3),
                   integerText(rec.coldT)};
    return page;
}

Collected CollectPage(const U27Page& page, u27::ConfigRecord& rec) {
    Collected out;
    out.openSystem = IsOpenSystem(page.typeText);
    out.coldT1Enabled = out.openSystem;
    if (page.typeIndex >= 0) rec.systemType = page.typeIndex + 1;
    const auto stop = [&](std::size_t k) {
        out.status = wrongValue(U27Labels()[k], page.values[k]);
        out.error = true;
        out.stopped = true;
        out.badField = int(k);
        return out;
    };
    double* const weights[4] = {&rec.weight1, &rec.weight2, &rec.weightHot, &rec.weight3};
    for (std::size_t k = 0; k < 4; ++k) {
        out.status = QStringLiteral("правильные значения");
        const double typed = ParseNumber(page.values[k]).value_or(-1.0);
        if (typed < 0) return stop(k);
        *weights[k] = typed;
    }
    const int coldT = ParseInteger(page.values[4]).value_or(-1);
    if (coldT < 0) return stop(4);
    rec.coldT = coldT;
    return out;
}

// --- ЛОРС ------------------------------------------------------------------------

QString LorsLabel(int channel) { return Format(QStringLiteral("вес,%d кан"), {channel}); }

LorsPage LoadLorsPage(const u128::Record& rec) {
    LorsPage page;
    page.channels = integerText(rec.channels);
    for (std::size_t i = 0; i < 4; ++i) page.weights[i] = integerText(rec.weights[i]);
    return page;
}

LorsCollected CollectLorsPage(const LorsPage& page, u128::Record& rec) {
    LorsCollected out;
    out.channels = ParseInteger(page.channels).value_or(4);
    rec.channels = out.channels;
    for (std::size_t i = 0; i < 4; ++i) out.labels[i] = LorsLabel(static_cast<int>(i) + 1);
    for (std::size_t i = 0; i < 4; ++i) {
        out.status = QStringLiteral("правильное значение");
        out.error = false;
        const int w = ParseInteger(page.weights[i]).value_or(-1);
        // The write carries two bits per channel: only 0..3 can reach the device.
        if (w < 0 || w > 3) {
            out.status = page.weights[i] + QStringLiteral("-неправильное значение");
            out.error = true;
            out.badWeight = int(i);
            break;
        }
        rec.weights[i] = static_cast<std::uint8_t>(w);
        out.labels[i] += Format(QStringLiteral(", %d литр/имп"), {u128::LitresPerPulse(w)});
    }
    u128::Derive(rec);
    return out;
}

// --- level-0 configuration grid ------------------------------------------------

QList<GridColumn> ConfigGridColumns(int deviceType) {
    QList<GridColumn> out;
    if (const DeviceFamily* family = FamilyFor(deviceType))
        for (const ConfigGridColumn& c : family->configGrid)
            out.append({QString::fromUtf8(c.heading1), QString::fromUtf8(c.heading2), c.line});
    return out;
}

}  // namespace omi::cfgpage
