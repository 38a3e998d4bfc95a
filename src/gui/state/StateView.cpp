#include "state/StateView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>

#include "archives/ArchiveRange.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "families/ErrBits.h"
#include "families/StateLayout.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "service/DeviceReading.h"
#include "service/StateLog.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "support/Format.h"
#include "support/Paths.h"

namespace omi {

const QString TStateView::kOffTab = QStringLiteral("настроить связь и щелкнуть по устройству");
const QString TStateView::kHint = QStringLiteral("Дв.щ.-расшифровать");

namespace {

constexpr int kBoxHelpContext = 140;
constexpr int kGroupGap = 18;  // between the column groups of the boxes

// The tabs of TCSP for a device type: one per heat system; empty for an
// unknown type.
QStringList TabNames(int type) {
    const QString one = QStringLiteral("состояние 1-й системы");
    const QString two = QStringLiteral("состояние 2-й системы");
    const int systems = HeatSystemsOf(type);
    if (systems == 2) return {one, two};
    return systems == 1 ? QStringList{QStringLiteral("состояние")} : QStringList{};
}

bool TwoSystemMapping(int type) { return HeatSystemsOf(type) == 2; }

// Rank of each value among the distinct values of the list.
std::vector<int> Ranks(const std::vector<int>& values) {
    const std::set<int> distinct(values.begin(), values.end());
    std::vector<int> out;
    out.reserve(values.size());
    for (int v : values) out.push_back(static_cast<int>(std::distance(distinct.begin(), distinct.find(v))));
    return out;
}

QString noStateText(int type) {
    return Format(QStringLiteral("состояние %s эта программа не показывает"), {ModelName(type)});
}

// A cell of the level-0 grid: its two heading rows look like fixed rows.
QTableWidgetItem* gridItem(const QString& text, int row) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (row < 2) item->setBackground(QApplication::palette().button());
    return item;
}

}  // namespace

TStateView::TStateView(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    buildControls();

    QAction* read = window_.Action(QStringLiteral("Areadstate"));
    read->setEnabled(true);
    connect(read, &QAction::triggered, this, [this] { AreadstateExecute(); });
    QAction* enter = window_.Action(QStringLiteral("AEnter"));
    enter->setEnabled(true);
    connect(enter, &QAction::triggered, this, [this] { highlight(qobject_cast<QLineEdit*>(actionSender_), true); });
    QAction* exit = window_.Action(QStringLiteral("AExit"));
    exit->setEnabled(true);
    connect(exit, &QAction::triggered, this, [this] { highlight(qobject_cast<QLineEdit*>(actionSender_), false); });
    QAction* dec = window_.Action(QStringLiteral("AErrDec"));
    dec->setEnabled(true);
    connect(dec, &QAction::triggered, this, [this] { AErrDecExecute(actionSender_); });

    // The preparation names the log file before it restores the saved values.
    connect(&window_, &TFomi::ArchiveRangeReset, this, [this] {
        ReadyGuard quiet;
        const QString name = window_.property("stateLogFile").toString();
        if (!name.isEmpty()) EFst->setText(name);
    });
    connect(&window_, &TFomi::CurrentDeviceChanged, this, [this] { DropDevice(); });
}

void TStateView::DropDevice() {
    // A reading under way identified the device itself and reads it next.
    if (reading_) return;
    QAction* read = window_.Action(QStringLiteral("Areadstate"));
    {
        const QSignalBlocker quiet(read);
        read->setChecked(false);
    }
    runGuarded(false);
    stateRead_ = false;
    window_.sgsp->clear();
}

void TStateView::buildControls() {
    QWidget* host = window_.PState;
    auto* hostLayout = qobject_cast<QVBoxLayout*>(host->layout());

    auto* root = new QWidget(host);
    auto* v = new QVBoxLayout(root);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    TCSP = new QTabBar(root);
    TCSP->setObjectName(QStringLiteral("TCSP"));
    TCSP->setExpanding(false);
    TCSP->setDrawBase(true);
    TCSP->addTab(kOffTab);
    connect(TCSP, &QTabBar::currentChanged, this, [this] { TCSPChange(); });
    v->addWidget(TCSP);

    Poiold = new QFrame(root);
    Poiold->setObjectName(QStringLiteral("Poiold"));
    Poiold->setFrameShape(QFrame::StyledPanel);
    Poiold->installEventFilter(this);
    // The frame in the face colour of buttons, which is also the colour of
    // an unlit value label.
    {
        QPalette pal = Poiold->palette();
        pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        Poiold->setPalette(pal);
        Poiold->setAutoFillBackground(true);
    }
    auto* fv = new QVBoxLayout(Poiold);
    fv->setContentsMargins(0, 0, 0, 0);

    POi = new QWidget(Poiold);
    POi->setObjectName(QStringLiteral("POi"));
    POi->installEventFilter(this);
    auto* pv = new QVBoxLayout(POi);
    pv->setContentsMargins(6, 4, 6, 6);
    pv->setSpacing(6);

    PAcSt = new QWidget(POi);
    PAcSt->setObjectName(QStringLiteral("PAcSt"));
    PAcSt->setToolTip(QStringLiteral("панель управления чтением состояния"));
    auto* strip = new QHBoxLayout(PAcSt);
    strip->setContentsMargins(0, 0, 0, 0);
    CBfire = new QCheckBox(QStringLiteral("очередями"), PAcSt);
    CBfire->setObjectName(QStringLiteral("CBfire"));
    CBfire->setToolTip(QStringLiteral("периодический запрос состояния"));
    SEfire = new QSpinBox(PAcSt);
    SEfire->setObjectName(QStringLiteral("SEfire"));
    SEfire->setRange(1, 60);
    SEfire->setValue(1);
    SEfire->setSuffix(QStringLiteral(" с"));
    SEfire->setToolTip(QStringLiteral("период опроса, сек"));
    CBstinf = new QCheckBox(QStringLiteral("писать в файл"), PAcSt);
    CBstinf->setObjectName(QStringLiteral("CBstinf"));
    CBstinf->setToolTip(QStringLiteral("писать информацию в файл"));
    EFst = new QLineEdit(QStringLiteral("СОСТОЯНИЕ.TXT"), PAcSt);
    EFst->setObjectName(QStringLiteral("EFst"));
    EFst->setToolTip(QStringLiteral("имя файла для записи состояния"));
    EFst->setMinimumWidth(EFst->fontMetrics().horizontalAdvance(QStringLiteral("СОСТОЯНИЕ.TXT")) + 40);
    BitBtn3 = new QToolButton(PAcSt);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setToolTip(QStringLiteral("уничтожить файл"));
    BitBtn3->setIcon(BitBtn3->style()->standardIcon(QStyle::SP_TrashIcon));
    BitBtn3->setText(QStringLiteral("X"));
    BitBtn3->setToolButtonStyle(Qt::ToolButtonIconOnly);
    strip->addWidget(CBfire);
    strip->addWidget(SEfire);
    strip->addSpacing(kGroupGap);
    strip->addWidget(CBstinf);
    strip->addWidget(EFst);
    strip->addWidget(BitBtn3);
    strip->addStretch(1);
    PAcSt->hide();
    connect(SEfire, &QSpinBox::valueChanged, this, [this] { SEfireChange(); });
    connect(CBfire, &QCheckBox::clicked, this, [this] { CBfireClick(); });
    connect(CBstinf, &QCheckBox::clicked, this, [this] { CBstinfClick(); });
    connect(BitBtn3, &QToolButton::clicked, this, [this] { BitBtn3Click(); });
    pv->addWidget(PAcSt);

    // The boxes scroll when the page is smaller than their table.
    auto* scroll = new QScrollArea(POi);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    boxArea_ = new QWidget;
    boxArea_->installEventFilter(this);
    boxGrid_ = new QGridLayout(boxArea_);
    boxGrid_->setContentsMargins(0, 0, 0, 0);
    boxGrid_->setHorizontalSpacing(5);
    boxGrid_->setVerticalSpacing(6);
    scroll->setWidget(boxArea_);
    // The boxes stand on the frame's own background.
    scroll->viewport()->setAutoFillBackground(false);
    boxArea_->setAutoFillBackground(false);
    scroll->viewport()->installEventFilter(this);
    // However small the window, three rows of boxes stay in sight (the
    // rest scrolls): the view never collapses to a line.
    {
        QLineEdit probe;
        scroll->setMinimumHeight(3 * (probe.sizeHint().height() + boxGrid_->verticalSpacing()));
    }
    pv->addWidget(scroll, 1);
    fv->addWidget(POi);
    v->addWidget(Poiold, 1);
    // The panels never shrink to nothing under a splitter or a small window:
    // at least 6 pixels wide, and as high as the three rows of boxes above
    // (their layout's minimum; a fixed minimum height would override it).
    Poiold->setMinimumWidth(6);
    POi->setMinimumWidth(6);

    // The view takes the host's free space above the grid: in the host's
    // splitter when it has one, else in its layout.
    if (auto* split = host->findChild<QSplitter*>(QStringLiteral("Splitter4"))) {
        split->insertWidget(0, root);
        split->setStretchFactor(0, 1);
        split->setStretchFactor(1, 0);
    } else if (hostLayout) {
        for (int i = 0; i < hostLayout->count(); ++i) {
            if (hostLayout->itemAt(i)->spacerItem()) {
                delete hostLayout->takeAt(i);
                break;
            }
        }
        hostLayout->insertWidget(0, root, 1);
    }

    Tst = new QTimer(this);
    Tst->setObjectName(QStringLiteral("Tst"));
    Tst->setInterval(1000);
    connect(Tst, &QTimer::timeout, this, [this] { TstTimer(); });
}

// ---------------------------------------------------------------------------
// Reading

void TStateView::AreadstateExecute() {
    const bool on = window_.Action(QStringLiteral("Areadstate"))->isChecked();
    if (reading_) {
        // Asked for inside the waits of a running reading: never a second
        // exchange on the line; switching off waits for the reading's end.
        offPending_ = !on;
        return;
    }
    runGuarded(on);
}

void TStateView::runGuarded(bool on) {
    reading_ = true;
    offPending_ = false;
    readOrClear(on);
    reading_ = false;
    // A reading that failed (a lost line, a wrong answer, no device) ends
    // the polling: "очередями" no longer claims that it goes on.
    if (on && CBfire->isChecked() && !Tst->isActive()) {
        ReadyGuard quiet;
        CBfire->setChecked(false);
    }
    if (offPending_) {
        offPending_ = false;
        readOrClear(false);
    }
}

void TStateView::readOrClear(bool on) {
    // The polling strip shows while reading is on; any polling stops, and
    // switching off unchecks it. The state log grid only while logging.
    PAcSt->setVisible(on);
    Tst->stop();
    if (!on) {
        ReadyGuard quiet;
        CBfire->setChecked(false);
    }
    window_.sgsp->setVisible(on && CBstinf->isChecked());
    // The tabs of the previous reading go (the heat system chosen is kept
    // for the new ones); switching off leaves the "off" tab and no boxes.
    const int selectedTab = TCSP->currentIndex();
    {
        const QSignalBlocker quiet(TCSP);
        while (TCSP->count() > 1) TCSP->removeTab(TCSP->count() - 1);
        if (!on) {
            clearBoxes();
            if (TCSP->count() == 0) TCSP->addTab(kOffTab);
            TCSP->setTabText(0, kOffTab);
            return;
        }
    }
    // The change log and a loaded archive file give way to the state on the
    // device page; an unknown device is identified first.
    window_.Action(QStringLiteral("AReadChang"))->setChecked(false);
    window_.Action(QStringLiteral("AreadFileArh"))->setChecked(false);
    window_.PCW()->setCurrentIndex(0);
    if (line_.Serial() < 0 || line_.Type() < 0) {
        window_.AreadNoTuExecute();
        if (line_.Serial() < 0 || line_.Type() < 0) return;
    }
    // One tab per heat system of the device type.
    const int type = line_.Type();
    const QStringList tabs = TabNames(type);
    if (tabs.isEmpty()) {
        window_.Status().error(noStateText(type));
        return;
    }
    {
        const QSignalBlocker quiet(TCSP);
        if (TCSP->count() == 0) TCSP->addTab(tabs.first());
        TCSP->setTabText(0, tabs.first());
        for (int i = 1; i < tabs.size(); ++i) TCSP->addTab(tabs.at(i));
        // A poll keeps the heat system the user is looking at.
        if (selectedTab > 0 && selectedTab < TCSP->count()) TCSP->setCurrentIndex(selectedTab);
        if (TCSP->currentIndex() < 0) TCSP->setCurrentIndex(0);
    }
    TCSP->show();
    // The reading itself (its status texts on the status line).
    const ReadResult result = ReadState(line_, window_.Status());
    if (result.outcome == ReadOutcome::UnknownType) {
        window_.Status().error(noStateText(type));
        return;
    }
    if (!result.ok()) return;
    // The values of the tab's heat system into the boxes (the success text
    // is on the status line already).
    const QStringList values = StateValueTexts(line_, selectedSystem(type));
    stateRead_ = true;
    TCSPChange();
    // Service level: the values and the answer's bytes to the trace memo
    // and the state dump file.
    if (Flags().accessLevel == 0) {
        const QStringList lines = values + StateByteLines(result.response);
        if (TraceMemo* ma = window_.Ma(); ma && ma->Visible())
            for (const QString& line : lines) ma->AddLine(line);
        // Into the data folder, beside the configuration dump: the working
        // folder may be anywhere (or not writable).
        QDir().mkpath(DataRoot());
        const QString error = SaveDump(DataRoot(), kStateDumpFile, lines);
        if (!error.isEmpty()) window_.Status().error(error);
    }
    // Polling: the next reading after the chosen period.
    if (CBfire->isChecked()) {
        Tst->setInterval(SEfire->value() * 1000);
        Tst->start();
    }
}

// ---------------------------------------------------------------------------
// Building the view

void TStateView::clearBoxes() {
    // Out of the list first: a box losing the focus as it goes looks its
    // label up there.
    const QList<Box> old = std::exchange(boxes_, {});
    for (const Box& box : old) {
        delete box.edit;
        delete box.label;
    }
}

TStateView::Box TStateView::createBox() {
    Box box;
    box.label = new QLabel(boxArea_);
    box.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box.label->setAutoFillBackground(true);
    QPalette pal = box.label->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    box.label->setPalette(pal);
    box.edit = new QLineEdit(boxArea_);
    box.edit->setReadOnly(true);
    // A value shown, not an input: no edit frame, the page's face behind it.
    box.edit->setFrame(false);
    QPalette face = box.edit->palette();
    face.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
    box.edit->setPalette(face);
    box.edit->setProperty("helpContext", kBoxHelpContext);
    box.edit->installEventFilter(this);
    box.label->setBuddy(box.edit);
    return box;
}

void TStateView::TCSPChange() {
    if (!Flags().ready || TCSP->currentIndex() < 0 || line_.Serial() < 0 || !stateRead_) return;
    const int type = line_.Type();
    const StateLayoutTable* table = StateTableOf(type);
    if (!table) {
        window_.Status().error(noStateText(type));
        return;
    }
    const QStringList values = StateValueTexts(line_, selectedSystem(type));
    POi->setUpdatesEnabled(false);
    window_.sgsp->setColumnCount(static_cast<int>(table->columnMap.size()));
    placeBoxes(*table, values, type);
    POi->setUpdatesEnabled(true);
    if (Flags().accessLevel == 0) {
        window_.sgsp->show();
        fillLevelZeroGrid(*table, values);
    }
    if (CBstinf->isChecked()) writeLog(*table, values);
}

void TStateView::placeBoxes(const StateLayoutTable& table, const QStringList& values, int type) {
    // The lines that get a box, and their cells in the grid.
    std::vector<int> lines;
    std::vector<int> lefts;
    std::vector<int> tops;
    for (int k = 0; k < static_cast<int>(table.lines.size()); ++k) {
        if (table.lines[static_cast<std::size_t>(k)].visible < 1) continue;
        lines.push_back(k);
        lefts.push_back(table.lines[static_cast<std::size_t>(k)].left);
        tops.push_back(table.lines[static_cast<std::size_t>(k)].top);
    }
    const std::vector<int> columns = Ranks(lefts);
    const std::vector<int> rows = Ranks(tops);

    while (boxes_.size() > static_cast<qsizetype>(lines.size())) {
        const Box box = boxes_.takeLast();
        delete box.edit;
        delete box.label;
    }
    while (boxes_.size() < static_cast<qsizetype>(lines.size())) boxes_.append(createBox());

    // ЛОРС: the channels above the device's channel count stay hidden.
    std::vector<bool> shown(lines.size(), true);
    const DeviceFamily* family = FamilyFor(type);
    if (family && family->shownStateLines) {
        const std::vector<bool> lines = family->shownStateLines(line_.Records());
        for (std::size_t q = 0; q < shown.size() && q < lines.size(); ++q) shown[q] = lines[q];
    }

    for (const Box& box : std::as_const(boxes_)) {
        boxGrid_->removeWidget(box.label);
        boxGrid_->removeWidget(box.edit);
    }
    const QColor labelColour = QColor::fromRgb(table.labelRgb);
    int lastColumn = 0;
    int lastRow = 0;
    int widest = 0;
    for (std::size_t q = 0; q < lines.size(); ++q) {
        const StateLine& line = table.lines[static_cast<std::size_t>(lines[q])];
        const Box& box = boxes_[static_cast<qsizetype>(q)];
        const QString text = values.value(lines[q]);
        box.label->setText(QString::fromUtf8(line.label));
        box.edit->setText(text);
        box.edit->setCursorPosition(0);
        const QFontMetrics fm(box.label->font());
        // Room for the text and the edit's frame and margins.
        const int fit = fm.horizontalAdvance(text) + 15 + 8;
        box.edit->setMinimumWidth(fit);
        widest = std::max(widest, fit);
        boxGrid_->addWidget(box.label, rows[q], columns[q] * 3);
        boxGrid_->addWidget(box.edit, rows[q], columns[q] * 3 + 1);
        lastColumn = std::max(lastColumn, columns[q]);
        lastRow = std::max(lastRow, rows[q]);
        if (table.boxesBehindLabels) box.edit->lower();
        QPalette pal = box.label->palette();
        pal.setColor(QPalette::WindowText, labelColour);
        box.label->setPalette(pal);
        const int tag = static_cast<int>(line.tag);
        box.edit->setProperty("tag", tag);
        box.edit->setToolTip(tag != 0 ? kHint : QString());
        box.label->setVisible(shown[q]);
        box.edit->setVisible(shown[q]);
    }
    // On a wide page the edits grow alike, up to twice the widest text.
    for (const Box& box : std::as_const(boxes_)) box.edit->setMaximumWidth(std::max(2 * widest, 160));
    for (int c = 0; c < boxGrid_->columnCount(); ++c) boxGrid_->setColumnStretch(c, 0);
    // The groups of label and edit share the page's width: each edit column
    // and the gap after it grow alike, so that the groups spread over a wide
    // page instead of leaving its right half empty. The free height stays
    // below the boxes.
    for (int c = 0; c <= lastColumn; ++c) {
        boxGrid_->setColumnMinimumWidth(c * 3 + 2, kGroupGap);
        boxGrid_->setColumnStretch(c * 3 + 1, 1);
        boxGrid_->setColumnStretch(c * 3 + 2, c < lastColumn ? 1 : 0);
    }
    boxGrid_->setColumnStretch(lastColumn * 3 + 3, 0);
    boxGrid_->setRowStretch(lastRow + 1, 1);
}

void TStateView::fillLevelZeroGrid(const StateLayoutTable& table, const QStringList& values) {
    QTableWidget* grid = window_.sgsp;
    const int columns = static_cast<int>(table.columnMap.size());
    grid->setRowCount(std::max(grid->rowCount(), 3));
    grid->setColumnCount(columns);
    const QFontMetrics fm(grid->font());
    for (int j = 0; j < columns; ++j) {
        const int m = table.columnMap[static_cast<std::size_t>(j)] - 1;
        if (m < 0 || m >= static_cast<int>(table.lines.size())) continue;
        const StateLine& line = table.lines[static_cast<std::size_t>(m)];
        const QStringList cells = {QString::fromUtf8(line.heading1), QString::fromUtf8(line.heading2), values.value(m)};
        int widest = 0;
        for (int r = 0; r < 3; ++r) {
            grid->setItem(r, j, gridItem(cells.at(r), r));
            widest = std::max(widest, fm.horizontalAdvance(cells.at(r)));
        }
        grid->setColumnWidth(j, widest + 5 + 8);
    }
}

void TStateView::writeLog(const StateLayoutTable& table, const QStringList& values) {
    const StateLogResult r = AppendStateLog(EFst->text(), values, table);
    logError_ = r.error;
    if (r.grid.isEmpty()) return;
    QTableWidget* grid = window_.sgsp;
    qsizetype columns = 0;
    for (const QStringList& row : r.grid) columns = std::max(columns, row.size());
    grid->setRowCount(static_cast<int>(r.grid.size()));
    grid->setColumnCount(static_cast<int>(columns));
    for (int i = 0; i < r.grid.size(); ++i)
        for (int j = 0; j < columns; ++j) grid->setItem(i, j, gridItem(r.grid.at(i).value(j), i));
    grid->scrollToBottom();
}

// ---------------------------------------------------------------------------
// Polling and the log file

void TStateView::TstTimer() {
    if (!Flags().ready) return;
    // Another operation is on the line: this tick waits for the next one.
    if (reading_ || line_.Engine().InExchange() || line_.ArchiveReading().reading) return;
    for (const Box& box : std::as_const(boxes_)) box.edit->clear();
    if (!window_.Action(QStringLiteral("Areadstate"))->isChecked()) {
        Tst->stop();
        return;
    }
    Tst->setInterval(SEfire->value() * 1000);
    runGuarded(true);
}

void TStateView::SEfireChange() {
    if (!Flags().ready) return;
    Tst->setInterval(SEfire->value() * 1000);
}

void TStateView::CBfireClick() {
    if (!Flags().ready) return;
    if (!CBfire->isChecked()) {
        Tst->stop();
        return;
    }
    Tst->setInterval(SEfire->value() * 1000);
    // A reading that runs now restarts the timer at its end.
    if (!reading_) Tst->start();
}

void TStateView::CBstinfClick() {
    if (!Flags().ready) return;
    window_.sgsp->setVisible(CBstinf->isChecked());
    if (CBstinf->isChecked()) TCSPChange();
}

void TStateView::BitBtn3Click() {
    if (!Flags().ready) return;
    const QString name = EFst->text();
    if (!ConfirmWrite(QStringLiteral("УНИЧТОЖИТЬ ФАЙЛ ") + name + QStringLiteral(" ???"))) return;
    QFile::remove(name);
    ShowValue(QStringLiteral("нет больше файла: ") + name);
}

// ---------------------------------------------------------------------------
// Error codes

int TStateView::selectedSystem(int type) const {
    if (!TwoSystemMapping(type)) return 0;
    return std::clamp(TCSP->currentIndex(), 0, 1);
}

void TStateView::decodeError(int type, int tag, int system) {
    const QStringList* texts = ErrorTextTable(type, static_cast<ErrorTag>(tag));
    const StateLayoutTable* table = StateTableOf(type);
    if (!texts || !table) {
        ShowValue(type < 0
                      ? kIdentifyFirst
                      : Format(QStringLiteral("для %s расшифровка кодов ошибок не предусмотрена"), {ModelName(type)}));
        return;
    }
    // The code as the state record holds it (the archive view puts the
    // clicked cell's value there first).
    const QStringList values = StateValueTexts(line_, system);
    std::int32_t code = 0;
    for (int k = 0; k < static_cast<int>(table->lines.size()); ++k)
        if (static_cast<int>(table->lines[static_cast<std::size_t>(k)].tag) == tag) code = values.value(k).toInt();
    ShowValue(ErrBitsText(code, *texts));
}

void TStateView::AErrDecExecute(QObject* sender) {
    const int tag = sender ? sender->property("tag").toInt() : 0;
    if (tag == 0) return;
    const int type = line_.Type();
    decodeError(type, tag, selectedSystem(type));
}

void TStateView::PoioldDblClick() {
    const int type = line_.Type();
    const DeviceFamily* family = FamilyFor(type);
    if (!family || !family->panelDecodesSystemError || boxes_.isEmpty()) return;
    decodeError(type, static_cast<int>(ErrorTag::System), selectedSystem(type));
}

void TStateView::highlight(QLineEdit* box, bool on) {
    QLabel* label = LabelOf(box);
    if (!label) return;
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(on ? QPalette::ToolTipBase : QPalette::Button));
    label->setPalette(pal);
}

QList<QLineEdit*> TStateView::Boxes() const {
    QList<QLineEdit*> out;
    for (const Box& box : boxes_) out << box.edit;
    return out;
}

QLabel* TStateView::LabelOf(const QLineEdit* box) const {
    for (const Box& b : boxes_)
        if (b.edit == box) return b.label;
    return nullptr;
}

bool TStateView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && LabelOf(edit)) {
        const char* action = t == QEvent::MouseButtonDblClick ? "AErrDec"
                             : t == QEvent::FocusIn           ? "AEnter"
                             : t == QEvent::FocusOut          ? "AExit"
                                                              : nullptr;
        if (action) {
            actionSender_ = edit;
            window_.Action(QString::fromLatin1(action))->trigger();
            if (t == QEvent::MouseButtonDblClick) return true;
        }
        return QObject::eventFilter(watched, event);
    }
    // The free area of the state frame (the labels pass their clicks on).
    if (t == QEvent::MouseButtonDblClick) {
        PoioldDblClick();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace omi
