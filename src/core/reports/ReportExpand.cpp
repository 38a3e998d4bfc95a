#include "reports/ReportExpand.h"

#include <array>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "families/DeviceFamily.h"
#include "reports/ReportItems.h"
#include "support/Dates.h"
#include "support/Format.h"

namespace omi {

namespace {

// What an item stands for; the families number the same values differently.
enum class V {
    None,
    TypeText,
    Serial,
    Today,
    System,
    Range,
    Name,
    Date,
    Heat,
    V1,
    V2,
    V3,
    V4,
    V1MinusV2,
    T1,
    T2,
    T3,
    T1MinusT2,
    P1,
    P2,
    Energy1,
    Energy2,
    Hour,
    SystemError,
    DeviceError,
    Fatal,
    TotalWord,
    FatalTotal,
    Work,
    PeriodWork,
    PeriodHeat,
    PeriodV1,
    PeriodV2,
    PeriodV3,
    SmallFlowTime,
    SmallFlowEnergy,
    LargeFlowTime,
    LargeFlowEnergy,
    SmallDtTime,
    SmallDtEnergy,
    MeanT1,
    MeanT2,
    MeanT3,
    MeanT1MinusT2,
};

// Items of the 234 numbering (families "34" and "29"; "28" and "30" use the
// first 24).
constexpr std::array<V, 41> kItems34{
    V::TypeText,
    V::Serial,
    V::Today,
    V::System,
    V::Range,
    V::Name,
    V::Date,
    V::Heat,
    V::V1,
    V::V2,
    V::V3,
    V::V1MinusV2,
    V::T1,
    V::T2,
    V::T3,
    V::T1MinusT2,
    V::P1,
    V::P2,
    V::Hour,
    V::SystemError,
    V::Fatal,
    V::TotalWord,
    V::FatalTotal,
    V::Work,
    V::DeviceError,
    V::PeriodWork,
    V::PeriodHeat,
    V::PeriodV1,
    V::PeriodV2,
    V::PeriodV3,
    V::Fatal,
    V::SmallFlowTime,
    V::SmallFlowEnergy,
    V::LargeFlowTime,
    V::LargeFlowEnergy,
    V::SmallDtTime,
    V::SmallDtEnergy,
    V::MeanT1,
    V::MeanT2,
    V::MeanT3,
    V::MeanT1MinusT2,
};

constexpr std::array<V, 21> kItems27{
    V::TypeText, V::Serial,    V::Today, V::Range,       V::Name,      V::Date,      V::Heat,
    V::V1,       V::V2,        V::V3,    V::V4,          V::V1MinusV2, V::T1,        V::T2,
    V::T3,       V::T1MinusT2, V::Hour,  V::DeviceError, V::Fatal,     V::TotalWord, V::FatalTotal,
};

constexpr std::array<V, 23> kItems25{
    V::TypeText, V::Serial,  V::Today, V::Range,       V::Name,  V::Date,      V::Heat,       V::V1,
    V::V2,       V::V3,      V::V4,    V::V1MinusV2,   V::T1,    V::T2,        V::T3,         V::T1MinusT2,
    V::Energy1,  V::Energy2, V::Hour,  V::DeviceError, V::Fatal, V::TotalWord, V::FatalTotal,
};

V ItemValue(const QString& family, int item) {
    auto pick = [item](auto const& table) {
        return item >= 0 && size_t(item) < table.size() ? table[size_t(item)] : V::None;
    };
    if (family == QLatin1String("25")) return pick(kItems25);
    if (family == QLatin1String("27")) return pick(kItems27);
    if (family == QLatin1String("28") || family == QLatin1String("30")) return item < 24 ? pick(kItems34) : V::None;
    if (family == QLatin1String("29") || family == QLatin1String("34")) return pick(kItems34);
    return V::None;
}

// Where a value lies in a record: offset and kind; offset -1: not kept.
struct Field {
    int offset = -1;
    RecordKind kind = RecordKind::Int32;
    bool hundredths = false;  // int32 holding the value × 100
};

constexpr Field I(int offset) { return Field{offset, RecordKind::Int32, false}; }
constexpr Field D(int offset) { return Field{offset, RecordKind::Double, false}; }
constexpr Field H(int offset) { return Field{offset, RecordKind::Int32, true}; }

// Where each value lies in the record of each of the four record sizes; a
// value missing from a table is not kept by that family.
struct Slot {
    V value;
    Field field;
};

constexpr Slot kSlots232[] = {  // 234, 235, 236, 237
    {V::Heat, D(8)},
    {V::V1, D(16)},
    {V::V2, D(24)},
    {V::V3, D(32)},
    {V::T1, D(128)},
    {V::T2, D(136)},
    {V::T3, D(144)},
    {V::P1, D(152)},
    {V::P2, D(160)},
    {V::Hour, I(224)},
    {V::Date, I(228)},
    {V::SystemError, I(216)},
    {V::DeviceError, I(220)},
    {V::Fatal, I(168)},
    {V::FatalTotal, I(168)},
    {V::Work, I(0)},
    {V::PeriodWork, I(64)},
    {V::PeriodHeat, D(72)},
    {V::PeriodV1, D(80)},
    {V::PeriodV2, D(88)},
    {V::PeriodV3, D(96)},
    {V::LargeFlowTime, I(172)},
    {V::SmallFlowTime, I(176)},
    {V::SmallDtTime, I(180)},
    {V::SmallFlowEnergy, D(192)},
    {V::LargeFlowEnergy, D(200)},
    {V::SmallDtEnergy, D(208)},
};

constexpr Slot kSlots176[] = {  // 228, 229, 230
    {V::Heat, D(8)},
    {V::V1, D(16)},
    {V::V2, D(24)},
    {V::V3, D(32)},
    {V::PeriodWork, I(40)},
    {V::PeriodHeat, D(48)},
    {V::PeriodV1, D(56)},
    {V::PeriodV2, D(64)},
    {V::PeriodV3, D(72)},
    {V::T1, D(80)},
    {V::T2, D(88)},
    {V::T3, D(96)},
    {V::P1, D(104)},
    {V::P2, D(112)},
    {V::Fatal, I(120)},
    {V::FatalTotal, I(120)},
    {V::LargeFlowTime, I(124)},
    {V::SmallFlowTime, I(128)},
    {V::SmallDtTime, I(132)},
    {V::SmallFlowEnergy, D(136)},
    {V::LargeFlowEnergy, D(144)},
    {V::SmallDtEnergy, D(152)},
    {V::SystemError, I(160)},
    {V::DeviceError, I(164)},
    {V::Hour, I(168)},
    {V::Date, I(172)},
    {V::Work, I(0)},
};

constexpr Slot kSlots96[] = {  // 225
    {V::Work, I(0)},
    {V::Heat, D(8)},
    {V::V1, D(16)},
    {V::V2, D(24)},
    {V::V3, D(32)},
    {V::V4, D(40)},
    {V::Energy1, D(48)},
    {V::Energy2, D(56)},
    {V::T1, H(64)},
    {V::T2, H(68)},
    {V::T3, H(72)},
    {V::SystemError, I(76)},
    {V::DeviceError, I(76)},
    {V::Fatal, I(80)},
    {V::FatalTotal, I(80)},
    {V::Hour, I(84)},
    {V::Date, I(88)},
};

constexpr Slot kSlots80[] = {  // 227
    {V::Work, I(0)},
    {V::Heat, D(8)},
    {V::V1, D(16)},
    {V::V2, D(24)},
    {V::V3, D(32)},  // hot water
    {V::V4, D(40)},
    {V::T1, H(48)},
    {V::T2, H(52)},
    {V::T3, H(56)},
    {V::SystemError, I(60)},
    {V::DeviceError, I(60)},
    {V::Fatal, I(64)},
    {V::FatalTotal, I(64)},
    {V::Hour, I(68)},
    {V::Date, I(72)},
};

Field FieldOf(int recordSize, V v) {
    auto find = [v](const auto& slots) {
        for (const Slot& slot : slots)
            if (slot.value == v) return slot.field;
        return Field{};
    };
    switch (recordSize) {
        case 232:
            return find(kSlots232);
        case 176:
            return find(kSlots176);
        case 96:
            return find(kSlots96);
        case 80:
            return find(kSlots80);
        default:
            return {};
    }
}

// A record value as a format argument: int32 as an integer, doubles and
// hundredths as reals; 0 when the record does not keep it.
FormatArg RecordArg(const ArchiveRecord& record, V v) {
    const Field f = FieldOf(record.Size(), v);
    if (f.offset < 0 || f.offset + (f.kind == RecordKind::Double ? 8 : 4) > record.Size()) return FormatArg(0);
    if (f.kind == RecordKind::Double) return FormatArg(record.Real(f.offset));
    if (f.hundredths) return FormatArg(record.Int(f.offset) / 100.0);
    return FormatArg(record.Int(f.offset));
}

double RecordReal(const ArchiveRecord& record, V v) {
    const FormatArg a = RecordArg(record, v);
    return a.kind() == FormatArg::Kind::Real ? a.realValue() : double(a.intValue());
}

std::int64_t RecordInt(const ArchiveRecord& record, V v) {
    const FormatArg a = RecordArg(record, v);
    return a.kind() == FormatArg::Kind::Real ? std::int64_t(0) : a.intValue();
}

double Mean(const ReportContext& c, int which) {
    if (c.system < 0 || size_t(c.system) >= c.means.size()) return 0;
    const std::vector<double>& m = c.means[size_t(c.system)];
    return which >= 0 && size_t(which) < m.size() ? m[size_t(which)] : 0.0;
}

// The value of one item formatted with its format text.
QString ItemText(V v, const QString& fmt, const ReportContext& c, const ArchiveRecord& record) {
    switch (v) {
        case V::None:
            return {};
        case V::TypeText:
            return Format(fmt, {c.typeText});
        case V::Serial:
            return Format(fmt, {c.serialText});
        case V::Today:
            return Format(fmt, {ShortDateText(c.today)});
        case V::System:
            if (c.fromFile) return c.fileSystem < 0 ? QString() : Format(fmt, {c.fileSystem + 1});
            if (c.system < 0) return {};
            return Format(fmt, {ReportRecordIndex(c.deviceType, c.system) + 1});
        case V::Range:
            if (c.fromFile) return {};
            return Format(fmt, {ShortDateText(c.first), ShortDateText(c.last)});
        case V::Name:
            return Format(fmt, {c.fromFile ? ReportFileName(c.filePath) : ArchiveKindName(c.kind)});
        case V::Date: {
            const std::int64_t day = RecordInt(record, V::Date);
            const QDate date = DateOfDayNumber(int(std::clamp<std::int64_t>(day, -1000000, 1000000)));
            return FormatDateTimeText(fmt, QDateTime(date, QTime(0, 0)));
        }
        case V::TotalWord:
            return fmt;
        case V::V1MinusV2:
            return Format(fmt, {RecordReal(record, V::V1) - RecordReal(record, V::V2)});
        case V::T1MinusT2:
            return Format(fmt, {RecordReal(record, V::T1) - RecordReal(record, V::T2)});
        case V::Fatal: {
            const std::int64_t m = RecordInt(record, V::Fatal);
            return Format(fmt, {m / 60, m % 60});
        }
        case V::FatalTotal: {
            const std::int64_t m = RecordInt(record, V::FatalTotal);
            return Format(fmt, {m / 1440, (m % 1440) / 60, m % 60});
        }
        case V::MeanT1:
            return Format(fmt, {Mean(c, 0)});
        case V::MeanT2:
            return Format(fmt, {Mean(c, 1)});
        case V::MeanT3:
            return Format(fmt, {Mean(c, 2)});
        case V::MeanT1MinusT2:
            return Format(fmt, {Mean(c, 0) - Mean(c, 1)});
        default:
            return Format(fmt, {RecordArg(record, v)});
    }
}

int TwoDigits(const QString& line, qsizetype at) {
    if (at + 2 > line.size()) return -1;
    const QChar a = line[at], b = line[at + 1];
    if (a < QLatin1Char('0') || a > QLatin1Char('9') || b < QLatin1Char('0') || b > QLatin1Char('9')) return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

}  // namespace

QString ArchiveKindName(int kind) {
    switch (kind) {
        case kDailyArchive:
            return QStringLiteral("Архив суточный накопительный");
        case kDailyDifference:
            return QStringLiteral("Архив суточный разностный");
        case kHourlyArchive:
            return QStringLiteral("Архив часовой накопительный");
        case kHourlyDifference:
            return QStringLiteral("Архив часовой разностный");
        default:
            return {};
    }
}

QString ReportFileName(const QString& path) {
    qsizetype cut = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (path[i] == QLatin1Char('/') || path[i] == QLatin1Char('\\')) {
            cut = i;
            break;
        }
    QString folder = path.left(cut + 1);
    const QString name = path.mid(cut + 1);
    if (folder.size() >= 61) folder = folder.left(60) + QStringLiteral("\\...\\");
    return QStringLiteral("Файл: ") + folder + name;
}

int ReportRecordIndex(int deviceType, int system) {
    return HeatSystemsOf(deviceType) == 2 ? std::clamp(system, 0, 1) : 0;
}

QString ExpandLine(const QString& line, const QStringList& items, const ReportContext& context,
                   const ArchiveRecord& record) {
    const QString family = TemplateFamily(context.deviceType);
    const ArchiveFamily* archive = ArchiveFamilyOf(context.deviceType);
    // A record of another family reads as all zero.
    static const ArchiveRecord kNoRecord;
    const ArchiveRecord& r = archive && record.Layout() == archive->layout ? record : kNoRecord;

    QString out = line;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = out.indexOf(QLatin1Char('@'), from);
        if (p < 0) break;
        const int n = TwoDigits(out, p + 1);
        out.remove(p, 3);
        QString value;
        if (n >= 0 && n < items.size() && n <= 40)
            value = ItemText(ItemValue(family, n), ItemFormat(items[n]), context, r);
        out.insert(p, value);
        // An inserted value is never expanded again: an item whose format
        // holds "@NN" cannot make the line grow without end.
        from = p + value.size();
    }
    return out;
}

}  // namespace omi
