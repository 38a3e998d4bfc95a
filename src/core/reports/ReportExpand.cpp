#include "reports/ReportExpand.h"

#include <array>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
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

// The record fields of the four record shapes (sizes 232, 176, 96, 80).
Field FieldOf(int recordSize, V v) {
    switch (recordSize) {
        case 232:  // 234, 235, 236, 237
            switch (v) {
                case V::Heat:
                    return D(8);
                case V::V1:
                    return D(16);
                case V::V2:
                    return D(24);
                case V::V3:
                    return D(32);
                case V::T1:
                    return D(128);
                case V::T2:
                    return D(136);
                case V::T3:
                    return D(144);
                case V::P1:
                    return D(152);
                case V::P2:
                    return D(160);
                case V::Hour:
                    return I(224);
                case V::Date:
                    return I(228);
                case V::SystemError:
                    return I(216);
                case V::DeviceError:
                    return I(220);
                case V::Fatal:
                    return I(168);
                case V::FatalTotal:
                    return I(168);
                case V::Work:
                    return I(0);
                case V::PeriodWork:
                    return I(64);
                case V::PeriodHeat:
                    return D(72);
                case V::PeriodV1:
                    return D(80);
                case V::PeriodV2:
                    return D(88);
                case V::PeriodV3:
                    return D(96);
                case V::LargeFlowTime:
                    return I(172);
                case V::SmallFlowTime:
                    return I(176);
                case V::SmallDtTime:
                    return I(180);
                case V::SmallFlowEnergy:
                    return D(192);
                case V::LargeFlowEnergy:
                    return D(200);
                case V::SmallDtEnergy:
                    return D(208);
                default:
                    return {};
            }
        case 176:  // 228, 229, 230
            switch (v) {
                case V::Heat:
                    return D(8);
                case V::V1:
                    return D(16);
                case V::V2:
                    return D(24);
                case V::V3:
                    return D(32);
                case V::PeriodWork:
                    return I(40);
                case V::PeriodHeat:
                    return D(48);
                case V::PeriodV1:
                    return D(56);
                case V::PeriodV2:
                    return D(64);
                case V::PeriodV3:
                    return D(72);
                case V::T1:
                    return D(80);
                case V::T2:
                    return D(88);
                case V::T3:
                    return D(96);
                case V::P1:
                    return D(104);
                case V::P2:
                    return D(112);
                case V::Fatal:
                    return I(120);
                case V::FatalTotal:
                    return I(120);
                case V::LargeFlowTime:
                    return I(124);
                case V::SmallFlowTime:
                    return I(128);
                case V::SmallDtTime:
                    return I(132);
                case V::SmallFlowEnergy:
                    return D(136);
                case V::LargeFlowEnergy:
                    return D(144);
                case V::SmallDtEnergy:
                    return D(152);
                case V::SystemError:
                    return I(160);
                case V::DeviceError:
                    return I(164);
                case V::Hour:
                    return I(168);
                case V::Date:
                    return I(172);
                case V::Work:
                    return I(0);
                default:
                    return {};
            }
        case 96:  // 225
            switch (v) {
                case V::Work:
                    return I(0);
                case V::Heat:
                    return D(8);
                case V::V1:
                    return D(16);
                case V::V2:
                    return D(24);
                case V::V3:
                    return D(32);
                case V::V4:
                    return D(40);
                case V::Energy1:
                    return D(48);
                case V::Energy2:
                    return D(56);
                case V::T1:
                    return H(64);
                case V::T2:
                    return H(68);
                case V::T3:
                    return H(72);
                case V::SystemError:
                case V::DeviceError:
                    return I(76);
                case V::Fatal:
                case V::FatalTotal:
                    return I(80);
                case V::Hour:
                    return I(84);
                case V::Date:
                    return I(88);
                default:
                    return {};
            }
        case 80:  // 227
            switch (v) {
                case V::Work:
                    return I(0);
                case V::Heat:
                    return D(8);
                case V::V1:
                    return D(16);
                case V::V2:
                    return D(24);
                case V::V3:
                    return D(32);  // hot water
                case V::V4:
                    return D(40);
                case V::T1:
                    return H(48);
                case V::T2:
                    return H(52);
                case V::T3:
                    return H(56);
                case V::SystemError:
                case V::DeviceError:
                    return I(60);
                case V::Fatal:
                case V::FatalTotal:
                    return I(64);
                case V::Hour:
                    return I(68);
                case V::Date:
                    return I(72);
                default:
                    return {};
            }
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
            if (c.system < 0 || c.fromFile) return {};
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
    switch (deviceType) {
        case 228:
        case 229:
        case 234:
        case 236:
            return std::clamp(system, 0, 1);
        default:
            return 0;
    }
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
