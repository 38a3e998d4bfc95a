#include "reports/ReportLayout.h"

#include <algorithm>
#include <cmath>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveKinds.h"
#include "families/DeviceFamily.h"
#include "reports/ReportItems.h"

namespace omi {

int NextLineInterval(int interval) {
    const int next = interval + 1;
    return next >= 3 || next < -1 ? -1 : next;
}

std::vector<int> ParseTabStops(const QString& line, int rightMargin) {
    std::vector<int> stops;
    QString text = line;
    text.remove(QLatin1Char(' '));
    qsizetype start = 0;
    for (;;) {
        const qsizetype gt = text.indexOf(QLatin1Char('>'), start);
        if (gt < 0) break;
        const QString number = text.mid(start, gt - start);
        start = gt + 1;
        bool ok = false;
        qlonglong value = number.toLongLong(&ok);
        if (!ok) {
            // A run of digits too long for a number is still a number above 254.
            const bool digits =
                !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
            value = digits ? 255 : 0;
        }
        if (value > 254) value = 194 - rightMargin;
        stops.push_back(int(std::clamp<qlonglong>(value, -1000, 1000)));
    }
    return stops;
}

QStringList LineWords(const QString& line) { return line.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

double NominalLineHeight(const TemplateFont& font) { return font.size * 0.3528 * 1.2; }

bool PrintsOldestFirst(int deviceType) {
    const DeviceModel* model = DescriptorOf(deviceType);
    return model && model->reportOldestFirst;
}

namespace {

ReportContext DeviceContext(int deviceType, int serial, const QDate& today) {
    ReportContext c;
    c.deviceType = deviceType;
    c.typeText = deviceType >= 0 ? QString::number(deviceType) : QString();
    c.serialText = serial >= 0 ? QString::number(serial) : QString();
    c.today = today;
    return c;
}

}  // namespace

ReportInput MakeReportInput(int deviceType, int serial, const ArchiveTabView& shown, const ViewRange& range,
                            const TemplateSet& templates, const QDate& today) {
    ReportInput in;
    in.templates = templates;
    in.context = DeviceContext(deviceType, serial, today);
    in.context.kind = shown.tab.kind;
    in.context.system = shown.tab.system;
    in.context.first = range.first;
    in.context.last = range.last;
    in.context.means = shown.view.means;
    in.entries = shown.view.entries;
    in.difference = IsDifferenceKind(shown.tab.kind);
    return in;
}

ReportInput MakeFileReportInput(int deviceType, int serial, const QString& path, const ArchiveList& entries,
                                bool hasTotals, const TemplateSet& templates, const QDate& today, int system) {
    ReportInput in;
    in.templates = templates;
    in.context = DeviceContext(deviceType, serial, today);
    in.context.fromFile = true;
    in.context.filePath = path;
    in.context.kind = ArchiveFileKind(deviceType, path, entries, hasTotals);
    // The file holds the one record of its system in every entry.
    in.context.system = 0;
    in.context.fileSystem = system;
    in.entries = entries;
    in.difference = hasTotals;
    if (const ArchiveFamily* family = ArchiveFamilyOf(deviceType)) {
        const size_t counted = hasTotals && !entries.empty() ? entries.size() - 1 : entries.size();
        in.context.means = MakeMeanTemperatures(*family, std::span<const ArchiveEntry>(entries.data(), counted));
    }
    return in;
}

namespace {

class Layouter {
public:
    Layouter(const ReportInput& input, const LineHeightFn& lineHeight) : in_(input) {
        model_.pageWidth = input.pageWidth;
        model_.pageHeight = input.pageHeight;
        model_.settings = input.settings;
        model_.fonts[0] = input.templates.header.font;
        model_.fonts[1] = input.templates.body.font;
        model_.fonts[2] = input.templates.footer.font;
        model_.frame = input.settings.frame;
        model_.frameLeft = input.settings.left;
        model_.frameTop = input.settings.top;
        model_.frameRight = input.pageWidth - input.settings.right;
        model_.frameBottom = input.pageHeight - input.settings.bottom;
        for (int i = 0; i < 3; ++i) {
            const double h = lineHeight ? lineHeight(model_.fonts[i]) : NominalLineHeight(model_.fonts[i]);
            height_[i] = std::isfinite(h) ? std::clamp(h, 0.1, 1000.0) : 4.0;
        }
        const ArchiveFamily* family = ArchiveFamilyOf(input.context.deviceType);
        if (family) zero_ = ArchiveRecord(*family->layout);
        recordIndex_ = ReportRecordIndex(input.context.deviceType, input.context.system);
    }

    ReportModel Run() {
        const PrintSettings& s = in_.settings;
        const TemplateSet& t = in_.templates;
        // Header, expanded with an all-zero record, at the left margin.
        model_.pages.emplace_back();
        y_ = s.top;
        NewLine(TemplatePart::Header);
        for (const QString& line : t.header.lines) {
            Place(s.left, Expand(line, zero_), TemplatePart::Header);
            NewLine(TemplatePart::Header);
        }
        if (!in_.note.isEmpty()) {
            Place(s.left, in_.note, TemplatePart::Header);
            NewLine(TemplatePart::Header);
        }
        NewLine(TemplatePart::Body);
        BodyHead();

        // Rows, the totals entry left out.
        const ArchiveList& entries = in_.entries;
        const bool oldestFirst = PrintsOldestFirst(in_.context.deviceType);
        for (size_t k = 0; k < entries.size(); ++k) {
            const ArchiveEntry& entry = entries[oldestFirst ? entries.size() - 1 - k : k];
            if (entry.empty() || EntryDay(entry) < 0) continue;
            if (y_ > model_.frameBottom) {
                NewPage();
                BodyHead();
            }
            PrintAtStops(Expand(dataLine_, RecordOf(entry)));
        }

        const ArchiveRecord& last = entries.empty() || entries.back().empty() ? zero_ : RecordOf(entries.back());
        if (in_.difference) {
            QString totalsLine;
            for (const QString& line : t.body.lines) {
                if (!line.contains(QLatin1Char('{'))) continue;
                const QString rest = line.mid(1);
                if (rest.contains(QLatin1Char('@')))
                    totalsLine = rest;
                else if (rest.contains(QLatin1Char('>')))
                    stops_ = ParseTabStops(rest, s.right);
                else {
                    BreakIfBelow();
                    PrintAtStops(rest);
                }
            }
            NewLine(TemplatePart::Body);
            BreakIfBelow();
            PrintAtStops(Expand(totalsLine, last));
        }

        NewLine(TemplatePart::Body);
        for (const QString& line : t.footer.lines) {
            BreakIfBelow();
            Place(s.left, Expand(line, last), TemplatePart::Footer);
            NewLine(TemplatePart::Footer);
        }
        return std::move(model_);
    }

private:
    const ArchiveRecord& RecordOf(const ArchiveEntry& entry) const {
        return entry[size_t(std::min<int>(recordIndex_, int(entry.size()) - 1))];
    }

    QString Expand(const QString& line, const ArchiveRecord& record) const {
        return ExpandLine(line, in_.templates.items, in_.context, record);
    }

    void NewLine(TemplatePart font) { y_ += height_[int(font)]; }

    void Place(double x, const QString& text, TemplatePart font) {
        if (text.isEmpty()) return;
        model_.pages.back().texts.push_back(PlacedText{x, y_, text, font});
    }

    // A new page, its first line one body line below the top margin.
    void NewPage() {
        model_.pages.emplace_back();
        y_ = in_.settings.top;
        NewLine(TemplatePart::Body);
    }

    void BreakIfBelow() {
        if (y_ > model_.frameBottom) NewPage();
    }

    // The body from the top, the totals block left out: the data line and the
    // tab stops remembered, other lines printed at the stops.
    void BodyHead() {
        for (const QString& line : in_.templates.body.lines) {
            if (line.contains(QLatin1Char('{'))) continue;
            if (line.contains(QLatin1Char('@')))
                dataLine_ = line;
            else if (line.contains(QLatin1Char('>')))
                stops_ = ParseTabStops(line, in_.settings.right);
            else
                PrintAtStops(line);
        }
        NewLine(TemplatePart::Body);
    }

    // Words at the tab stops (surplus words dropped), then a new line and the
    // line interval; "^" only makes a new line.
    void PrintAtStops(const QString& line) {
        if (line.contains(QLatin1Char('^'))) {
            NewLine(TemplatePart::Body);
            return;
        }
        const QStringList words = LineWords(line);
        for (size_t i = 0; i < stops_.size() && qsizetype(i) < words.size(); ++i)
            Place(in_.settings.left + stops_[i], words[qsizetype(i)], TemplatePart::Body);
        NewLine(TemplatePart::Body);
        y_ += in_.settings.lineInterval;
    }

    const ReportInput& in_;
    ReportModel model_;
    double height_[3] = {4, 4, 4};
    double y_ = 0;
    std::vector<int> stops_;
    QString dataLine_;
    ArchiveRecord zero_;
    int recordIndex_ = 0;
};

}  // namespace

ReportModel LayoutReport(const ReportInput& input, const LineHeightFn& lineHeight) {
    return Layouter(input, lineHeight).Run();
}

}  // namespace omi
