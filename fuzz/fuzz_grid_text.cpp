// Grid text files (the tool's table files) read from disk: whatever the bytes,
// the grid is refused or comes back rectangular, and saving it and reading it
// again gives the same grid. Sorting keeps every row.
//
// Input: separator index (tab, ';', ',', '|'), sort column, then the file
// bytes.

#include "FuzzSupport.h"

#include "support/GridText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QChar kSeparators[] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(','), QLatin1Char('|')};
    fuzz::Input in(data, size);
    const QChar sep = kSeparators[in.Byte() % std::size(kSeparators)];
    const int column = in.Byte() % 8;
    const QByteArray bytes = in.Rest();

    OMI_FUZZ_CHECK(fuzz::ScratchFolder().isValid());
    const QString path = fuzz::ScratchFolder().filePath(QStringLiteral("grid.txt"));
    const QString copy = fuzz::ScratchFolder().filePath(QStringLiteral("copy.txt"));
    {
        QFile file(path);
        OMI_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        OMI_FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    Grid grid{{QStringLiteral("before")}};
    const QString error = LoadGridText(grid, path, sep);
    if (!error.isEmpty()) {
        OMI_FUZZ_CHECK(grid == Grid{{QStringLiteral("before")}});
        return 0;
    }
    for (const QStringList& row : grid) OMI_FUZZ_CHECK(row.size() == grid.front().size());

    OMI_FUZZ_CHECK(SaveGridText(grid, copy, sep).isEmpty());
    Grid again;
    OMI_FUZZ_CHECK(LoadGridText(again, copy, sep).isEmpty());
    OMI_FUZZ_CHECK(again == grid);

    Grid sorted = grid;
    int tag = 0;
    SortGridRows(sorted, column, (column & 1) != 0, &tag);
    OMI_FUZZ_CHECK(sorted.size() == grid.size());
    if (!grid.isEmpty()) OMI_FUZZ_CHECK(sorted.front() == grid.front());
    std::sort(sorted.begin(), sorted.end());
    Grid original = grid;
    std::sort(original.begin(), original.end());
    OMI_FUZZ_CHECK(sorted == original);
    return 0;
}
