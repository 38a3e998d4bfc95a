#pragma once
// The "ОТЛАДКА" page: requests composed from editable description tables
// (ДАННЫЕ/ОТЛАДКА/<type>/*.txt), sent through the serial port, the raw answer
// listed byte by byte and decoded field by field by a second table; the ASCII
// table; the page's own port probe. The answer arrives on the engine's
// asynchronous receive path, which this page also reports on the status line.

#include <QObject>
#include <QPoint>
#include <QString>

#include "protocol/Frame.h"
#include "support/GridText.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace omi {

class Connection;
class TFomi;

class TDebugTerminal : public QObject {
    Q_OBJECT
public:
    TDebugTerminal(TFomi& window, Connection& line);

    // Page shown / hidden: the port lists, the asynchronous receive, the
    // table list of the type.
    void TSdebShow();
    void TSdebHide();
    // The page's port probe (ignored while the window is not ready).
    void CBCdClick();
    // The chosen table into the grid.
    void CBcmdChange();
    // The table list of the type in SEtu.
    void FillTableList();
    // The grid back to its file.
    void SaveGrid();
    // Double-click on a grid row: with Ctrl the row is deleted, without it an
    // empty row is inserted after it.
    void GridDoubleClick(int row, bool ctrl);
    // A combo box dropped on the grid cell (row, column) or on a label.
    void DropOnGrid(QComboBox* source, int row, int column);
    bool DropOnLabel(QComboBox* source, QLabel* target);
    // Compose the request of the coding table and send it ("послать...").
    void Label1DblClick();
    // The complete answer of the asynchronous receive.
    void Reply(const QByteArray& bytes);
    void cbASCIIClick();

    // The path a label holds ("НЕ ОПРЕДЕЛЕНО" when none).
    static QString TablePath(const QLabel* label);

    QComboBox* CBCd = nullptr;
    QComboBox* CBBd = nullptr;
    QLabel* LDstate = nullptr;
    QSpinBox* SEtu = nullptr;
    QSpinBox* SEnou = nullptr;
    QComboBox* CBcmd = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Lcod = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Ldec = nullptr;
    QComboBox* CBfmt = nullptr;
    QComboBox* CBv = nullptr;
    QCheckBox* CBp = nullptr;
    QCheckBox* CBdec = nullptr;
    QCheckBox* CBant = nullptr;
    QCheckBox* cbASCII = nullptr;
    QPushButton* Button2 = nullptr;
    QTableWidget* SGcmd = nullptr;
    QListWidget* LBq = nullptr;
    QPlainTextEdit* MEMOD = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPage();
    void showGrid(const Grid& grid);
    Grid gridOfTable() const;
    void addLines(const QStringList& lines);
    void asyncTick(int n);
    void asyncDone(const QByteArray& bytes);
    // SEtu and SEnou take the identified device once per device.
    void syncDevice();

    TFomi& window_;
    Connection& line_;
    QString tablePath_;  // the file the grid shows
    bool filling_ = false;
    QWidget* previousPage_ = nullptr;
    QPoint pressAt_;         // where a drag of a combo box may start
    bool tracking_ = false;  // a press on a combo box's text, not yet a drag
    int syncedType_ = -1;    // the device last put into SEtu and SEnou
    int syncedSerial_ = -1;
};

}  // namespace omi
