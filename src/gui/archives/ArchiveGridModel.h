#pragma once
// The rows of an archive table for a QTableView: the two header rows of the
// table become the two lines of the view's column headers (they stay in sight
// while the rows scroll); every other row is a model row. Rows are kept as
// the table's text cells, so thousands of rows cost one list and a reset.

#include <QAbstractTableModel>

#include "support/GridText.h"

namespace omi {

class ArchiveGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ArchiveGridModel(QObject* parent = nullptr);

    // The whole table: two header rows, then the rows.
    void SetTable(const Grid& rows);
    // Appends rows below the last (the live view of a read).
    void AppendRows(const Grid& rows);
    void Clear();

    // The table as the grid shows it, header rows first.
    Grid Table() const;
    const QStringList& Header(int line) const { return header_[line]; }
    const Grid& Rows() const { return rows_; }
    // A cell of the table, header rows counted (row 2 is the first data row);
    // empty outside.
    QString Cell(int tableRow, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList header_[2];
    Grid rows_;
    int columns_ = 0;
};

}  // namespace omi
