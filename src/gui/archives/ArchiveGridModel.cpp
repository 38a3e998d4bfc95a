#include "archives/ArchiveGridModel.h"

#include <algorithm>

namespace omi {

ArchiveGridModel::ArchiveGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ArchiveGridModel::SetTable(const Grid& rows) {
    beginResetModel();
    header_[0] = rows.value(0);
    header_[1] = rows.value(1);
    rows_ = rows.mid(2);
    columns_ = int(std::max(header_[0].size(), header_[1].size()));
    for (const QStringList& r : rows_) columns_ = std::max(columns_, int(r.size()));
    endResetModel();
}

void ArchiveGridModel::AppendRows(const Grid& rows) {
    if (rows.isEmpty()) return;
    int wider = columns_;
    for (const QStringList& r : rows) wider = std::max(wider, int(r.size()));
    if (wider > columns_) {
        beginInsertColumns({}, columns_, wider - 1);
        columns_ = wider;
        endInsertColumns();
    }
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size() - 1));
    rows_ += rows;
    endInsertRows();
}

void ArchiveGridModel::Clear() { SetTable({}); }

Grid ArchiveGridModel::Table() const { return Grid{header_[0], header_[1]} + rows_; }

QString ArchiveGridModel::Cell(int tableRow, int column) const {
    if (tableRow < 0 || column < 0) return {};
    if (tableRow < 2) return header_[tableRow].value(column);
    return rows_.value(tableRow - 2).value(column);
}

int ArchiveGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int ArchiveGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ArchiveGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= columns_) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return rows_[index.row()].value(index.column());
    return {};
}

QVariant ArchiveGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= columns_) return {};
    return header_[0].value(section) + QLatin1Char('\n') + header_[1].value(section);
}

}  // namespace omi
