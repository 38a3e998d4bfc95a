#include "service/StateLog.h"

#include <QFileInfo>
#include <algorithm>

namespace omi {

namespace {

// Line m (1-based) of the table, or null past its end.
const StateLine* lineAt(const StateLayoutTable& table, int m) {
    if (m < 1 || static_cast<std::size_t>(m) > table.lines.size()) return nullptr;
    return &table.lines[static_cast<std::size_t>(m) - 1];
}

}  // namespace

StateLogResult AppendStateLog(const QString& path, const QStringList& values, const StateLayoutTable& table) {
    StateLogResult result;
    const qsizetype columns = values.size();
    // Column j shows line columnMap[j]; columns beyond the map show nothing.
    const auto mapped = [&](qsizetype j) {
        return j < static_cast<qsizetype>(table.columnMap.size()) ? table.columnMap[j] : 0;
    };

    Grid& grid = result.grid;
    if (QFileInfo::exists(path)) {
        const QString error = LoadGridText(grid, path);
        if (!error.isEmpty()) {
            result.error = error;
            return result;
        }
    } else {
        QStringList heading1, heading2;
        for (qsizetype j = 0; j < columns; ++j) {
            const StateLine* line = lineAt(table, mapped(j));
            heading1.append(line ? QString::fromUtf8(line->heading1) : QString());
            heading2.append(line ? QString::fromUtf8(line->heading2) : QString());
        }
        grid = {heading1, heading2};
    }

    QStringList row;
    for (qsizetype j = 0; j < columns; ++j) {
        const int m = mapped(j);
        row.append(m >= 1 && m <= columns ? values[m - 1] : QString());
    }
    grid.append(row);

    qsizetype width = columns;
    for (const QStringList& r : grid) width = std::max(width, r.size());
    for (QStringList& r : grid)
        while (r.size() < width) r.append(QString());

    if (!SaveGridText(grid, path).isEmpty()) result.error = QStringLiteral("НЕ МОГУ СОЗДАТЬ ФАЙЛ: ") + path;
    return result;
}

}  // namespace omi
