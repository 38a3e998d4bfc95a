#include "service/ChangeLogReader.h"

#include <QAction>
#include <QHeaderView>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>

#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "service/ChangeLog.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"

namespace omi {

namespace {

void setRow(QTableWidget* grid, int row, const QStringList& texts) {
    for (int c = 0; c < grid->columnCount(); ++c) grid->setItem(row, c, new QTableWidgetItem(texts.value(c)));
}

}  // namespace

TChangeLogReader::TChangeLogReader(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    connect(window.Action(QStringLiteral("AReadChang")), &QAction::triggered, this, [this] { AReadChangExecute(); });
}

void TChangeLogReader::AReadChangExecute() {
    if (!Flags().ready) return;
    QAction* self = window_.Action(QStringLiteral("AReadChang"));
    window_.Action(QStringLiteral("Areadstate"))->setChecked(false);
    window_.Action(QStringLiteral("AreadFileArh"))->setChecked(false);
    const DeviceModel* model = DescriptorOf(line_.Type());
    if (!model || model->changeLog == ChangeLogOffer::None) {
        self->setChecked(false);
        return;
    }
    QTableWidget* grid = window_.sgsp;
    grid->setVisible(self->isChecked());
    if (!self->isChecked()) return;

    window_.Status().busy(QStringLiteral("Чтение журнала учета изменений. Ждите..."));
    window_.PCW()->setCurrentIndex(0);
    // The log takes the room of the page; the state view above keeps its
    // least height.
    if (auto* split = qobject_cast<QSplitter*>(grid->parentWidget())) {
        const int total = split->height();
        const int above = split->widget(0) == grid ? 0 : split->widget(0)->minimumSizeHint().height();
        if (split->count() > 1) split->setSizes({above, std::max(total - above, grid->minimumHeight())});
    }
    grid->clear();
    grid->setColumnCount(16);
    grid->setRowCount(3);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    setRow(grid, 0, ChangeLogHeader()[0]);
    setRow(grid, 1, ChangeLogHeader()[1]);
    setRow(grid, 2, QStringList(16, QStringLiteral("нет данных")));

    int shown = 0;
    const auto showRows = [&](const ChangeLogResult& sofar) {
        grid->setRowCount(2 + std::max<int>(1, static_cast<int>(sofar.rows.size())));
        for (; shown < static_cast<int>(sofar.rows.size()); ++shown) {
            const ChangeLogRow& row = sofar.rows[static_cast<std::size_t>(shown)];
            setRow(grid, 2 + shown, QStringList{row.label} + row.values);
        }
        Pause(1);
    };
    TraceMemo* memo = window_.Ma();
    const ChangeLogResult result = ReadChangeLog(
        line_,
        [memo](const QString& line) {
            if (memo) memo->AddLine(line);
        },
        showRows);
    showRows(result);
    grid->resizeColumnsToContents();
    if (result.complete)
        window_.Status().ok(result.status);
    else
        window_.Status().error(result.status);
}

}  // namespace omi
