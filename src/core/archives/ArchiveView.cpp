#include "archives/ArchiveView.h"

#include "protocol/Models.h"
#include "support/Dates.h"
#include "support/Format.h"

#include <QTimeZone>

#include <bit>
#include <cmath>
#include <cstdint>

namespace omi {

const QString kNoArchiveData = QStringLiteral("нет данных");

namespace {

const QChar kTab = QLatin1Char('\t');

// The record of a heat system, or an all-zero record of the family where the
// entry has none of the family's shape.
const ArchiveRecord& recordOf(const ArchiveEntry& entry, int system, const ArchiveRecord& zero) {
    if (system >= 0 && static_cast<std::size_t>(system) < entry.size() && entry[system].Size() == zero.Size())
        return entry[static_cast<std::size_t>(system)];
    return zero;
}

// Sums and differences of 32-bit values wrap around as 32-bit arithmetic does.
std::int32_t wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

bool countsAsTemperature(double t) { return t > kTemperatureLow && t < kTemperatureHigh; }

// A temperature of a record in °C, whichever way the family keeps it.
double temperatureAt(const ArchiveFamily& family, const ArchiveRecord& r, int offset) {
    return family.temperatureUnit == TemperatureUnit::Hundredths ? r.Int(offset) / 100.0 : r.Real(offset);
}

ArchiveEntry differenceEntry(const ArchiveFamily& family, const ArchiveEntry& newer, const ArchiveEntry& older,
                             const ArchiveRecord& zero) {
    ArchiveEntry out = ZeroEntry(*family.layout);
    for (std::size_t s = 0; s < out.size(); ++s) {
        const ArchiveRecord& a = recordOf(newer, static_cast<int>(s), zero);
        const ArchiveRecord& b = recordOf(older, static_cast<int>(s), zero);
        ArchiveRecord& r = out[s];
        r = a;
        for (const RecordValue& v : family.differences) {
            if (v.kind == RecordKind::Double)
                r.SetReal(v.offset, a.Real(v.offset) - b.Real(v.offset));
            else
                r.SetInt(v.offset, wrap32(std::int64_t(a.Int(v.offset)) - b.Int(v.offset)));
        }
    }
    return out;
}

// The date of a day number as "dd mmmm yyyyг." (UTC midnight: the text needs
// no time zone, and looking one up for every row would cost more than the text).
QString dateText(int day) {
    static const QString format = QStringLiteral("dd mmmm yyyyг.");
    static const QTimeZone utc = QTimeZone::utc();
    return FormatDateTimeText(format, QDateTime(DateOfDayNumber(day), QTime(0, 0), utc));
}

// Rows of one day share their date text (an hourly list has 24 of them).
class DateTexts {
public:
    const QString& Of(int day) {
        if (!valid_ || day != day_) {
            text_ = dateText(day);
            day_ = day;
            valid_ = true;
        }
        return text_;
    }

private:
    bool valid_ = false;
    int day_ = 0;
    QString text_;
};

// The decimals of a plain fixed-point number format ("%f" is 2, "%.5f" is 5),
// -1 for any other format text. The plain formats, the only ones the view
// sets, skip the general formatter, which the long tables feel.
int plainDecimals(const QString& format) {
    if (format == QLatin1String("%f")) return 2;
    const qsizetype n = format.size();
    if (n < 4 || n > 5 || !format.startsWith(QLatin1String("%.")) || format[n - 1] != QLatin1Char('f')) return -1;
    int decimals = 0;
    for (qsizetype i = 2; i < n - 1; ++i) {
        const char16_t c = format[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        decimals = decimals * 10 + (c - u'0');
    }
    return decimals;
}

QString realText(double v, const QString& format, int decimals) {
    return decimals >= 0 ? FormatFloat(v, decimals) : Format(format, {v});
}

// A total time with errors: hours and minutes as the column's heading says,
// whole days in front when there are any ("01:09", "2 дн 03:15").
QString fatalTimeDays(std::int32_t minutes) {
    if (minutes < 1440) return Format(QStringLiteral("%.2d:%.2d"), {minutes / 60, minutes % 60});
    return Format(QStringLiteral("%d дн %.2d:%.2d"), {minutes / 1440, (minutes % 1440) / 60, minutes % 60});
}

}  // namespace

ArchiveEntry MakeTotals(const ArchiveFamily& family, std::span<const ArchiveEntry> entries) {
    const ArchiveRecord zero(*family.layout);
    ArchiveEntry totals = ZeroEntry(*family.layout);
    const auto count = static_cast<std::int64_t>(entries.size());
    for (std::size_t s = 0; s < totals.size(); ++s) {
        ArchiveRecord& t = totals[s];
        for (const TotalsField& f : family.totals) {
            const RecordValue& v = f.value;
            double sum = 0, weighted = 0, weight = 0;
            std::int64_t isum = 0;
            std::int32_t bits = 0;
            for (const ArchiveEntry& e : entries) {
                const ArchiveRecord& r = recordOf(e, static_cast<int>(s), zero);
                switch (f.rule) {
                case TotalsRule::Sum:
                case TotalsRule::Mean:
                    if (v.kind == RecordKind::Double)
                        sum += r.Real(v.offset);
                    else
                        isum += r.Int(v.offset);
                    break;
                case TotalsRule::Or:  // error codes are whole numbers
                    if (v.kind == RecordKind::Int32) bits |= r.Int(v.offset);
                    break;
                case TotalsRule::VolumeWeighted: {
                    const double temp = temperatureAt(family, r, v.offset);
                    const double volume = r.Real(f.weightOffset);
                    if (countsAsTemperature(temp)) weighted += temp * volume;
                    weight += volume;
                    break;
                }
                }
            }
            double real = 0;
            std::int64_t whole = 0;
            switch (f.rule) {
            case TotalsRule::Sum:
                real = sum;
                whole = isum;
                break;
            case TotalsRule::Mean:
                // Nothing summed: no mean, 0.
                real = count > 0 ? sum / double(count) : 0.0;
                whole = count > 0 ? isum / count : 0;
                break;
            case TotalsRule::Or:
                real = bits;
                whole = bits;
                break;
            case TotalsRule::VolumeWeighted:
                // A zero volume sum, or an overflow, gives 0.
                real = weight != 0 ? weighted / weight : 0.0;
                if (!std::isfinite(real)) real = 0;
                // For a temperature kept as an integer, in the family's unit.
                whole = std::llround(family.temperatureUnit == TemperatureUnit::Hundredths ? real * 100 : real);
                break;
            }
            if (v.kind == RecordKind::Double)
                t.SetReal(v.offset, real);
            else
                t.SetInt(v.offset, wrap32(whole));
        }
        t.SetDay(kEmptyDayNumber);
        t.SetHour(wrap32(count));
    }
    return totals;
}

MeanTemperatures MakeMeanTemperatures(const ArchiveFamily& family, std::span<const ArchiveEntry> entries) {
    const ArchiveRecord zero(*family.layout);
    MeanTemperatures means(static_cast<std::size_t>(family.layout->perEntry),
                           std::vector<double>(family.temperatures.size(), 0.0));
    for (std::size_t s = 0; s < means.size(); ++s) {
        for (std::size_t j = 0; j < family.temperatures.size(); ++j) {
            double sum = 0;
            int n = 0;
            for (const ArchiveEntry& e : entries) {
                const double t = temperatureAt(family, recordOf(e, static_cast<int>(s), zero), family.temperatures[j]);
                if (!countsAsTemperature(t)) continue;
                sum += t;
                ++n;
            }
            means[s][j] = n > 0 ? sum / n : 0.0;
        }
    }
    return means;
}

ArchiveView BuildArchiveView(const ArchiveFamily& family, const ArchiveList& source, int kind, const ViewRange& range) {
    ArchiveView view;
    const ArchiveRecord zero(*family.layout);
    const bool difference = IsDifferenceKind(kind);
    const int first = DayNumber(range.first);
    const int last = DayNumber(range.last);
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (!range.allRecords) {
            const int day = recordOf(source[i], 0, zero).Day();
            if (day < first || day > last) continue;
        }
        if (!difference)
            view.entries.push_back(source[i]);
        else if (i + 1 < source.size())
            view.entries.push_back(differenceEntry(family, source[i], source[i + 1], zero));
        else
            view.entries.push_back(ZeroEntry(*family.layout));
    }

    // The mean temperatures and the totals cover every entry but the last,
    // which the totals entry replaces: N entries in range give N - 1
    // difference rows and the totals.
    const std::span<const ArchiveEntry> summed(view.entries.data(), view.entries.empty() ? 0 : view.entries.size() - 1);
    view.means = MakeMeanTemperatures(family, summed);
    if (difference && !view.entries.empty()) {
        view.entries.back() = MakeTotals(family, summed);
        view.hasTotals = true;
    }
    return view;
}

QString ArchiveCellText(const ArchiveColumn& column, const ArchiveRecord& record, const QString& numberFormat) {
    switch (column.kind) {
    case CellKind::Date:
        return dateText(record.Int(column.offset));
    case CellKind::Int:
        return QString::number(record.Int(column.offset));
    case CellKind::Real:
        return realText(record.Real(column.offset), numberFormat, plainDecimals(numberFormat));
    case CellKind::FatalTime: {
        const std::int32_t m = record.Int(column.offset);
        return Format(QStringLiteral("%.2d:%.2d"), {m / 60, m % 60});
    }
    case CellKind::Hundredths:
        return realText(record.Int(column.offset) / 100.0, numberFormat, plainDecimals(numberFormat));
    }
    return {};
}

namespace {

// Real cells of a column often repeat the row above (zeros, steady pressures):
// the text is then shared instead of formatted again.
class RealColumnTexts {
public:
    RealColumnTexts(const QString& format) : format_(format), decimals_(plainDecimals(format)) {}
    QString Of(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        if (!valid_ || bits != bits_) {
            text_ = realText(v, format_, decimals_);
            bits_ = bits;
            valid_ = true;
        }
        return text_;
    }

private:
    const QString& format_;
    int decimals_;
    bool valid_ = false;
    std::uint64_t bits_ = 0;
    QString text_;
};

QString lineOf(const QStringList& cells) {
    qsizetype length = cells.size();
    for (const QString& c : cells) length += c.size();
    QString line;
    line.reserve(length);
    for (const QString& c : cells) {
        line += c;
        line += kTab;
    }
    return line;
}

}  // namespace

QStringList ArchiveLinesOf(const Grid& cells) {
    QStringList lines;
    lines.reserve(cells.size());
    for (const QStringList& row : cells) lines << lineOf(row);
    return lines;
}

Grid SelectColumns(const Grid& cells, const ColumnCodes& codes, int accessLevel) {
    Grid rows;
    rows.reserve(cells.size());
    for (const QStringList& fields : cells) {
        QStringList row;
        row.reserve(static_cast<qsizetype>(codes.size()));
        for (int code : codes) {
            const int c = accessLevel == 0 ? std::abs(code) : code;
            if (c <= 0) continue;
            row << (c <= fields.size() ? fields[c - 1] : QString());
        }
        rows << row;
    }
    return rows;
}

QStringList ArchiveTotalsCells(const ArchiveFamily& family, const ArchiveRecord& totals, const QString& numberFormat) {
    const ArchiveRecord zero(*family.layout);
    const ArchiveRecord& rec = totals.Size() == zero.Size() ? totals : zero;
    QStringList cells;
    cells.reserve(static_cast<qsizetype>(family.columns.size()));
    for (const ArchiveColumn& c : family.columns) {
        if (c.kind == CellKind::Date)
            cells << Format(QStringLiteral("ИТОГО(%d):"), {rec.Hour()});
        else if (c.kind == CellKind::Int && c.offset == family.layout->hourOffset)
            cells << QString();  // the hour field holds the count, named in the first cell already
        else if (c.kind == CellKind::FatalTime)
            cells << fatalTimeDays(rec.Int(c.offset));
        else
            cells << ArchiveCellText(c, rec, numberFormat);
    }
    return cells;
}

Grid ArchiveTableCells(const ArchiveFamily& family, const ArchiveList& entries, int system,
                       const QString& numberFormat) {
    Grid cells;
    cells.reserve(static_cast<qsizetype>(entries.size()) + kArchiveHeaderRows);
    QStringList header1, header2;
    for (const ArchiveColumn& c : family.columns) {
        header1 << QString::fromUtf8(c.header1);
        header2 << QString::fromUtf8(c.header2);
    }
    cells << header1 << header2;

    const ArchiveRecord zero(*family.layout);
    DateTexts dates;
    std::vector<RealColumnTexts> reals(family.columns.size(), RealColumnTexts(numberFormat));
    for (const ArchiveEntry& e : entries) {
        const ArchiveRecord& rec = recordOf(e, system, zero);
        QStringList row;
        row.reserve(static_cast<qsizetype>(family.columns.size()));
        for (std::size_t j = 0; j < family.columns.size(); ++j) {
            const ArchiveColumn& c = family.columns[j];
            if (c.kind == CellKind::Date)
                row << dates.Of(rec.Int(c.offset));
            else if (c.kind == CellKind::Real)
                row << reals[j].Of(rec.Real(c.offset));
            else
                row << ArchiveCellText(c, rec, numberFormat);
        }
        cells << row;
    }
    if (entries.empty()) cells << QStringList(static_cast<qsizetype>(family.columns.size()), kNoArchiveData);
    return cells;
}

QStringList ArchiveTableLines(const ArchiveFamily& family, const ArchiveList& entries, int system,
                              const QString& numberFormat) {
    return ArchiveLinesOf(ArchiveTableCells(family, entries, system, numberFormat));
}

QString ArchiveTotalsLine(const ArchiveFamily& family, const ArchiveRecord& totals, const QString& numberFormat) {
    return lineOf(ArchiveTotalsCells(family, totals, numberFormat));
}

ColumnCodes ArchiveColumnCodes(const ArchiveFamily& family, int kind) {
    const std::span<const int> codes = IsHourlyKind(kind) ? family.hourlyCodes : family.dailyCodes;
    return ColumnCodes(codes.begin(), codes.end());
}

Grid ApplyColumnCodes(const QStringList& lines, const ColumnCodes& codes, int accessLevel) {
    Grid fields;
    fields.reserve(lines.size());
    for (const QString& line : lines) {
        QStringList f = line.split(kTab);
        f.removeLast();  // the text after the last tab
        fields << f;
    }
    return SelectColumns(fields, codes, accessLevel);
}

ArchiveTable MakeArchiveTable(const ArchiveFamily& family, const ArchiveView& view, int kind, int system,
                              const QString& numberFormat, int accessLevel) {
    ArchiveTable table;
    Grid cells = ArchiveTableCells(family, view.entries, system, numberFormat);
    table.hasData = !view.entries.empty();
    if (view.hasTotals && !view.entries.empty()) {
        const ArchiveRecord zero(*family.layout);
        cells.last() = ArchiveTotalsCells(family, recordOf(view.entries.back(), system, zero), numberFormat);
        table.hasTotals = true;
    }
    table.lines = ArchiveLinesOf(cells);
    table.codes = ArchiveColumnCodes(family, kind);
    // The grid is the lines split at their tabs; while no cell holds a tab
    // (only a strange number format could make one) the cells are those fields.
    table.rows = numberFormat.contains(kTab) ? ApplyColumnCodes(table.lines, table.codes, accessLevel)
                                             : SelectColumns(cells, table.codes, accessLevel);
    return table;
}

ArchiveTabView ShowArchiveTab(int type, int tabIndex, const ArchiveList& daily, const ArchiveList& hourly,
                              const ViewRange& range, const QString& numberFormat, int accessLevel) {
    ArchiveTabView out;
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    if (!family || tabs.isEmpty()) {
        out.error = QStringLiteral("TFomi.TCaChange:") + kTypeMismatch + QLatin1Char(':') + QString::number(type);
        return out;
    }
    if (tabIndex < 0 || tabIndex >= tabs.size()) {
        out.error = QStringLiteral("нет вкладки архива: ") + QString::number(tabIndex);
        return out;
    }
    out.tab = tabs[tabIndex];
    const ArchiveList& source = IsHourlyKind(out.tab.kind) ? hourly : daily;
    out.view = BuildArchiveView(*family, source, out.tab.kind, range);
    out.table = MakeArchiveTable(*family, out.view, out.tab.kind, out.tab.system, numberFormat, accessLevel);
    return out;
}

}  // namespace omi
