// Report templates and item lists read from the print folder and laid out:
// whatever the files hold (font lines with any size, tab stops of any width,
// placeholders, item formats the user typed), loading and laying out a
// report never crashes, every text lands on a page at a finite position,
// and the number of pages stays within what the rows and lines can fill.
//
// Input: four control bytes (device type, tab kind, line interval, right
// margin), then the item list, header, body and footer files (Windows-1251
// bytes) separated by zero bytes; the rest fills the records of the rows.

#include <QDir>
#include <QTemporaryDir>
#include <cmath>

#include "FuzzSupport.h"
#include "archives/ArchiveFamily.h"
#include "reports/ReportItems.h"
#include "reports/ReportLayout.h"
#include "reports/ReportTemplates.h"
#include "support/TextCodec.h"

using namespace omi;

namespace {

constexpr int kTypes[] = {225, 227, 228, 229, 230, 234, 235, 236, 237};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int type = kTypes[in.Byte() % std::size(kTypes)];
    const int kind = in.Byte() % 4;
    const int interval = int(in.Byte() % 4) - 1;
    const int right = in.Byte() % 64;
    const QString family = TemplateFamily(type);
    const bool hourly = kind >= 2;

    const QString folder = fuzz::ScratchFolder().path();
    const QByteArray items = in.TakeUntilZero();
    const QByteArray header = in.TakeUntilZero();
    const QByteArray body = in.TakeUntilZero();
    const QByteArray footer = in.TakeUntilZero();
    WriteFileBytes(folder + QLatin1Char('/') + ItemListFileName(family), items);
    WriteFileBytes(folder + QLatin1Char('/') + TemplateFileName(TemplatePart::Header, family, hourly), header);
    WriteFileBytes(folder + QLatin1Char('/') + TemplateFileName(TemplatePart::Body, family, hourly), body);
    WriteFileBytes(folder + QLatin1Char('/') + TemplateFileName(TemplatePart::Footer, family, hourly), footer);

    TemplateSet set = BuiltInTemplateSet(family);
    LoadTemplateSet(folder, family, hourly, set);
    OMI_FUZZ_CHECK(set.items.size() == ItemCount(family));
    for (TemplatePart part : {TemplatePart::Header, TemplatePart::Body, TemplatePart::Footer}) {
        const int s = set.Part(part).font.size;
        OMI_FUZZ_CHECK(s >= kTemplateFontMinSize && s <= kTemplateFontMaxSize);
    }

    // Up to eight rows from the rest of the input, and a totals entry.
    const ArchiveFamily& archive = *ArchiveFamilyOf(type);
    const RecordLayout& layout = *archive.layout;
    ReportInput input;
    input.templates = set;
    input.context.deviceType = type;
    input.context.kind = kind;
    input.context.system = kind % 2;
    input.context.means = {{1.5, -2, 1e300}, {0, 0, std::nan("")}};
    input.settings.lineInterval = interval;
    input.settings.right = right;
    input.difference = kind % 2 == 1;
    while (!in.Empty() && input.entries.size() < 8) {
        ArchiveEntry entry = ZeroEntry(layout);
        for (ArchiveRecord& r : entry) {
            QByteArray bytes = in.Take(std::size_t(layout.size));
            bytes.resize(layout.size, '\0');
            r.SetBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
        }
        input.entries.push_back(entry);
    }
    if (input.difference) input.entries.push_back(EmptyEntry(layout));

    const ReportModel model = LayoutReport(input);
    OMI_FUZZ_CHECK(!model.pages.empty());
    const std::size_t lines = std::size_t(set.header.lines.size() + set.body.lines.size() + set.footer.lines.size());
    // Every page but the first holds at least one row or one line of the
    // totals block or the footer.
    OMI_FUZZ_CHECK(model.pages.size() <= 1 + input.entries.size() + lines + 2);
    for (const ReportPage& page : model.pages)
        for (const PlacedText& t : page.texts) {
            OMI_FUZZ_CHECK(std::isfinite(t.x) && std::isfinite(t.y));
            OMI_FUZZ_CHECK(!t.text.isEmpty());
        }
    return 0;
}
