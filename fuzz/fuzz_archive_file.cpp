// Archive files of every family that has them: the file is cut into records,
// shown as the archive table (header rows, a row per record, a totals row for
// a last record with a negative day number) and written back unchanged. The
// records then go through the archive view of every kind (differences,
// totals, mean temperatures) as records read from a device would.
//
// Input: family index (into the distinct ArchiveFamilyOf of the type codes
// 0..255), view kind, flags (1: all records, 2: access level 0), first and
// last day number of the view range (2 bytes each, signed), the number format
// of reals up to a zero byte (Windows-1251), then the file bytes.

#include "ArchiveFamilies.h"
#include "FuzzSupport.h"

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveView.h"
#include "support/Dates.h"
#include "support/TextCodec.h"

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<const ArchiveFamily*> families = fuzz::ArchiveFamilies();
    if (families.empty()) return 0;
    fuzz::Input in(data, size);
    const ArchiveFamily& family = *families[in.Byte() % families.size()];
    const int kind = in.Byte() % 4;
    const int flags = in.Byte();
    const auto first = static_cast<std::int16_t>(in.Word());
    const auto last = static_cast<std::int16_t>(in.Word());
    const QString numberFormat = FromCp1251(in.TakeUntilZero());
    const QByteArray bytes = in.Rest();

    const ArchiveFileContent content = ParseArchiveFile(family, bytes, numberFormat);
    const int recordSize = family.layout->size;
    const qsizetype count = bytes.size() / recordSize;
    // Every record is kept or counted as one with an impossible date; a file
    // without one real record keeps none.
    const auto kept = static_cast<qsizetype>(content.entries.size());
    OMI_FUZZ_CHECK(content.impossible >= 0);
    OMI_FUZZ_CHECK(kept == 0 || kept + content.impossible == count);
    OMI_FUZZ_CHECK(content.lines.size() == content.cells.size());
    OMI_FUZZ_CHECK(content.cells.size() == kArchiveHeaderRows + std::max<qsizetype>(kept, 1));
    // What is kept of a file without impossible records writes back as read.
    if (kept == count) OMI_FUZZ_CHECK(ArchiveFileBytes(family, content.entries, 0) == bytes.left(count * recordSize));
    (void)SelectColumns(content.cells, content.codes, (flags & 2) ? 0 : 1);

    ViewRange range{DateOfDayNumber(first), DateOfDayNumber(last), (flags & 1) != 0};
    const ArchiveView view = BuildArchiveView(family, content.entries, kind, range);
    for (int system = 0; system < family.layout->perEntry; ++system)
        (void)MakeArchiveTable(family, view, kind, system, numberFormat, (flags & 2) ? 0 : 1);
    return 0;
}
