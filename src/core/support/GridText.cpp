#include "support/GridText.h"

#include "support/TextCodec.h"

#include <algorithm>

namespace omi {

QByteArray GridTextBytes(const Grid& grid, QChar sep) {
    QString text;
    for (const QStringList& row : grid) {
        for (const QString& cell : row) text += cell + sep;
        text += QStringLiteral("\r\n");
    }
    return ToCp1251(text);
}

QString SaveGridText(const Grid& grid, const QString& path, QChar sep) {
    return WriteFileBytes(path, GridTextBytes(grid, sep));
}

QString LoadGridText(Grid& grid, const QString& path, QChar sep) {
    QString error;
    const QStringList lines = ReadLines1251(path, &error);
    if (!error.isEmpty()) return error;

    qsizetype width = 0;
    // Junk with a great many separators would need more cells than memory holds.
    for (const QString& line : lines) width = std::max(width, line.count(sep) + (line.endsWith(sep) ? 0 : 1));
    if (width > kMaxGridColumns || width * std::max<qsizetype>(lines.size(), 1) > kMaxGridCells)
        return QStringLiteral("неверный формат таблицы:\r") + path;

    Grid loaded;
    loaded.reserve(lines.size());
    for (const QString& line : lines) {
        QStringList cells = line.split(sep);
        // "a<sep>b<sep>" splits into a, b and an empty tail; "a<sep>b" into a, b.
        if (line.endsWith(sep) || line.isEmpty()) cells.removeLast();
        loaded.append(std::move(cells));
    }
    for (QStringList& row : loaded)
        while (row.size() < width) row.append(QString());
    grid = std::move(loaded);
    return {};
}

void SortGridRows(Grid& grid, int column, bool ascending, int* tag) {
    if (tag) {
        const int mark = column == 0 ? 100 : column;
        *tag = ascending ? mark : -mark;
    }
    if (grid.size() < 3 || column < 0) return;
    const auto cell = [column](const QStringList& row) { return column < row.size() ? row[column] : QString(); };
    std::stable_sort(grid.begin() + 1, grid.end(), [&](const QStringList& a, const QStringList& b) {
        const int c = QString::compare(cell(a), cell(b), Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
}

}  // namespace omi
