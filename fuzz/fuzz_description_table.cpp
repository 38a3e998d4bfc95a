// Description tables of the debug terminal read from files the user edits:
// whatever the bytes, loading, composing a request, decoding an answer, the
// listings and the grid editing never crash, never write past a frame and
// keep their shapes. The text is also an expression for the evaluator.
//
// Input: device type (1 byte), device number (word), an editing choice
// (3 bytes: row, column, predefined index), then the table file's bytes
// (Windows-1251 text), which also serve as the answer to decode.

#include "FuzzSupport.h"

#include "debug/DescriptionTable.h"
#include "support/Format.h"
#include "support/TextCodec.h"

#include <QFile>

#include <cmath>

using namespace omi;
using namespace omi::debug;

namespace {

bool Numbered(const Grid& grid) {
    for (qsizetype r = 1; r < grid.size(); ++r)
        if (grid[r].size() < 3 || grid[r][0] != Format(QStringLiteral("%.2d"), {static_cast<int>(r - 1)})) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int type = in.Byte();
    const int number = in.Word();
    const int row = in.Byte();
    const int column = in.Byte() % 8;
    const int predefined = in.Byte();
    const QByteArray bytes = in.Rest();

    // The text as an expression.
    double value = 0;
    if (EvalExpr(FromCp1251(bytes), value)) OMI_FUZZ_CHECK(std::isfinite(value));

    OMI_FUZZ_CHECK(fuzz::ScratchFolder().isValid());
    const QString path = fuzz::ScratchFolder().filePath(QStringLiteral("table.txt"));
    {
        QFile file(path);
        OMI_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        OMI_FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const LoadedTable table = LoadTable(path);
    if (!table.error.isEmpty()) {
        OMI_FUZZ_CHECK(table.grid.isEmpty());
        return 0;
    }
    const Grid& grid = table.grid;
    for (const QStringList& cells : grid) OMI_FUZZ_CHECK(cells.size() >= 3);

    // Composing: one byte per data row, or nothing at all with a reason.
    const Encoded request = EncodeTable(grid, type, number);
    OMI_FUZZ_CHECK(!request.lines.isEmpty() && request.lines.size() <= std::max<qsizetype>(grid.size(), 1));
    if (request.error.isEmpty())
        OMI_FUZZ_CHECK(static_cast<qsizetype>(request.bytes.size()) == std::max<qsizetype>(grid.size() - 1, 0));
    else
        OMI_FUZZ_CHECK(request.bytes.empty());

    // Decoding the composed request and the raw bytes: a line per field at most.
    const Frame raw(bytes.begin(), bytes.end());
    for (const Frame& answer : {request.bytes, raw})
        OMI_FUZZ_CHECK(DecodeTable(grid, answer).size() <= std::max<qsizetype>(grid.size() - 1, 0));
    OMI_FUZZ_CHECK(CharListing(request.bytes).size() == static_cast<qsizetype>(request.bytes.size()));
    OMI_FUZZ_CHECK(ByteLines(request.bytes).size() == static_cast<qsizetype>(request.bytes.size()));

    // Editing keeps the heading and the numbering.
    if (grid.isEmpty()) return 0;
    Grid edited = grid;
    InsertRowAfter(edited, row % (grid.size() + 1));
    RenumberRows(edited);
    OMI_FUZZ_CHECK(Numbered(edited) && edited.front() == grid.front());
    const qsizetype before = edited.size();
    DeleteRow(edited, row % (edited.size() + 1));
    OMI_FUZZ_CHECK(edited.size() == before || (before > 2 && edited.size() == before - 1));
    static const char kFormats[] = {'B', 'W', 'L', 'S', 'x'};
    DropFormat(edited, row, column, QLatin1Char(kFormats[predefined % 5]), predefined);
    OMI_FUZZ_CHECK(Numbered(edited) && edited.front() == grid.front());
    OMI_FUZZ_CHECK(edited.size() <= before + 8);
    return 0;
}
