#pragma once
// The state log file: one tab-separated row per state reading, under the two
// heading rows of the family's state layout table. Windows-1251, CR LF, every
// cell followed by a tab (the last one too).

#include <QString>
#include <QStringList>

#include "families/StateLayout.h"
#include "support/GridText.h"

namespace omi {

struct StateLogResult {
    Grid grid;      // the whole table as written (the window's level-0 grid shows it)
    QString error;  // empty on success
};

// Adds the values (the StateToText list, put into the columns in the order of
// the table's column map) as a new row of the file at path. A missing file is
// created with the two heading rows first. The table is as wide as the value
// list or the longest line of the file, whichever is more; shorter rows are
// padded with empty cells. The file is replaced completely or not at all; a
// failed write gives "НЕ МОГУ СОЗДАТЬ ФАЙЛ: " + path. A file that exists but
// cannot be read as a table is left alone and its reading error returned.
StateLogResult AppendStateLog(const QString& path, const QStringList& values, const StateLayoutTable& table);

}  // namespace omi
