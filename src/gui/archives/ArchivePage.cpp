#include "archives/ArchivePage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "archives/ArchiveChart.h"
#include "archives/ArchiveCsv.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "connection/Connection.h"
#include "families/ErrBits.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "shell/Dialogs.h"
#include "shell/ExtraWindows.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "shell/TraceMemo.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"

namespace omi {

namespace {

const QString kArchiveFilter = QStringLiteral("Архивы(*.arh)|*.arh|Bсе файлы(*.*)|*.*");
const QString kCsvFilter = QStringLiteral("Таблицы для Excel(*.csv)|*.csv|Bсе файлы(*.*)|*.*");
constexpr int kLiveIntervalMs = 1000;

// The family action that reads the archive of a device type; empty for a
// type without an archive procedure.
QString FamilyAction(int type) {
    const ArchiveProcedure* procedure = ArchiveProcedureOf(type);
    return procedure ? QString::fromLatin1(procedure->name) : QString();
}

bool InRange(const ArchiveEntry& e, const ArchiveReadingState& s) {
    if (s.allRecords) return true;
    const QDate d = DateOfDayNumber(EntryDay(e));
    return d >= s.first && d <= s.last;
}

}  // namespace

// The status line of the window with the progress bar of the page.
class TArchivePage::PageStatus : public StatusSink {
public:
    // Its texts carry the prefix of the device on the page's line.
    explicit PageStatus(TArchivePage& page) : page_(page) { SetDevice(&page.line_.Address()); }
    void show(StatusStyle style, const QString& shown) override { page_.window_.Status().show(style, shown); }
    void progress(int position, int maximum) override { page_.showProgress(position, maximum); }

private:
    TArchivePage& page_;
};

TArchivePage::TArchivePage(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    buildPage();
    wireActions();
    connect(&window_, &TFomi::CurrentDeviceChanged, this, [this](int serial, int type) { DropDevice(serial, type); });
}

void TArchivePage::DropDevice(int serial, int type) {
    // "архив" only for a device that has archives.
    if (QAction* read = window_.Action(QStringLiteral("AreadArh"))) {
        const bool archives = type < 0 || !ArchiveTabs(type).isEmpty();
        read->setEnabled(archives);
        read->setToolTip(archives ? QStringLiteral("читать суточный архив") : NoArchivesText(type));
    }
    if (line_.ArchiveReading().reading || archiveType_ < 0 || (type == archiveType_ && serial == archiveSerial_))
        return;
    // The rows read from another device are not this one's.
    daily_.clear();
    hourly_.clear();
    dailyPartial_.clear();
    hourlyPartial_.clear();
    Lpartial->hide();
    Achart->setEnabled(false);
    archiveType_ = -1;
    archiveSerial_ = -1;
    live_ = false;
    pendingRows_.clear();
    fillGrid({});
    BBcsv->setEnabled(false);
    Flags().archivePresent = !loadedFile_.isEmpty();
    window_.Action(QStringLiteral("Asavearh"))->setEnabled(false);
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(Flags().archivePresent);
    RefreshChart();
    Q_EMIT ArchiveChanged();
}

QString TArchivePage::PartialNote() const {
    const QList<ArchiveTab> tabs = ArchiveTabs(archiveType_);
    if (currentTab_ < 0 || currentTab_ >= tabs.size()) return {};
    return IsHourlyKind(tabs[currentTab_].kind) ? hourlyPartial_ : dailyPartial_;
}

ArchiveTabView TArchivePage::CurrentView() const {
    return ShowArchiveTab(archiveType_, currentTab_, daily_, hourly_, range_, DisplayFormat(), Flags().accessLevel);
}

// ---------------------------------------------------------------------------
// The page

void TArchivePage::buildPage() {
    QWidget* page = window_.TSa;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    auto* top = new QWidget(page);
    top->setObjectName(QStringLiteral("Pa"));  // the top panel; the print page adds its buttons here
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);

    auto* dates = new QGridLayout;
    const QString dateHint = QStringLiteral("установка дат чтения/индикации архива");
    const QString labelHint = QStringLiteral("Дв.Щелк- весь архив");
    auto makeDate = [&](const char* name) {
        auto* d = new QDateEdit(top);
        d->setObjectName(QString::fromUtf8(name));
        d->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        d->setDisplayFormat(QStringLiteral("d MMMM yyyy 'г.'"));
        d->setCalendarPopup(true);
        d->setToolTip(dateHint);
        d->setDate(QDate::currentDate());
        d->setMinimumWidth(d->fontMetrics().horizontalAdvance(QStringLiteral("30 сентября 2026 г.")) + 40);
        return d;
    };
    auto makeLabel = [&](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), top);
        l->setObjectName(QString::fromUtf8(name));
        l->setToolTip(labelHint);
        l->installEventFilter(this);
        return l;
    };
    Lot = makeLabel("Lot", "ОТ");
    Ldo = makeLabel("Ldo", "ДО");
    DTPb = makeDate("DTPb");
    DTPe = makeDate("DTPe");
    dates->addWidget(Lot, 0, 0);
    dates->addWidget(DTPb, 0, 1);
    dates->addWidget(Ldo, 1, 0);
    dates->addWidget(DTPe, 1, 1);
    row->addLayout(dates);

    RGdtp = new TRadioGroup(QStringLiteral("диапазон"), RangePresetTexts(), 4, top);
    RGdtp->setObjectName(QStringLiteral("RGdtp"));
    RGdtp->SetItemIndex(kWholeArchivePreset);
    row->addWidget(RGdtp);

    auto* options = new QGridLayout;
    auto* precLabel = new QLabel(QStringLiteral("знаков после запятой"), top);
    SEprec = new QSpinBox(top);
    SEprec->setObjectName(QStringLiteral("SEprec"));
    SEprec->setRange(2, 9);
    SEprec->setValue(2);
    SEprec->setToolTip(QStringLiteral("кол-во отображаемых знаков после запятой"));
    precLabel->setToolTip(SEprec->toolTip());
    EnUpdate = new QCheckBox(QStringLiteral("отображать архив при чтении"), top);
    EnUpdate->setObjectName(QStringLiteral("EnUpdate"));
    EnUpdate->setChecked(true);
    BBcsv = new QPushButton(QStringLiteral("экспорт в Excel (CSV)"), top);
    BBcsv->setObjectName(QStringLiteral("BBcsv"));
    BBcsv->setToolTip(QStringLiteral("таблица архива в файл CSV для Excel (разделитель \";\", десятичная запятая)"));
    BBcsv->setEnabled(false);
    BBchart = new QPushButton(QStringLiteral("график"), top);
    BBchart->setObjectName(QStringLiteral("BBchart"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BBcsv);
    buttons->addWidget(BBchart);
    buttons->addStretch(1);
    options->addWidget(precLabel, 0, 0);
    options->addWidget(SEprec, 0, 1, Qt::AlignLeft);
    options->addWidget(EnUpdate, 1, 0, 1, 2);
    options->addLayout(buttons, 2, 0, 1, 2);
    row->addLayout(options);
    row->addStretch(1);
    layout->addWidget(top);

    // Said above the table while its list holds a read cut short.
    Lpartial = new QLabel(page);
    Lpartial->setObjectName(QStringLiteral("Lpartial"));
    Lpartial->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    Lpartial->setWordWrap(true);
    Lpartial->hide();
    layout->addWidget(Lpartial);

    TCa = new QTabBar(page);
    TCa->setObjectName(QStringLiteral("TCa"));
    TCa->setExpanding(false);
    TCa->setDrawBase(true);
    layout->addWidget(TCa);
    // The tabs of the two-system reference family until a device is known.
    for (const ArchiveTab& t : ArchiveTabs(234)) TCa->addTab(t.caption);

    model_ = new ArchiveGridModel(this);
    SGa = new QTableView(page);
    SGa->setObjectName(QStringLiteral("SGa"));
    SGa->setModel(model_);
    setupGrid(SGa);
    layout->addWidget(SGa, 1);
    fillGrid({});

    connect(SGa, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { window_.PMa->popup(SGa->viewport()->mapToGlobal(pos)); });
    connect(SGa, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { SGaDblClick(index.row() + kArchiveHeaderRows, index.column()); });
    connect(RGdtp, &TRadioGroup::ItemIndexChanged, this, [this] { RGdtpClick(); });
    connect(DTPb, &QDateEdit::dateChanged, this, [this] { DTPbChange(); });
    connect(DTPe, &QDateEdit::dateChanged, this, [this] { DTPbChange(); });
    connect(SEprec, &QSpinBox::valueChanged, this, [this] { SEprecChange(); });
    connect(BBcsv, &QPushButton::clicked, this, [this] { ExportCsvExecute(); });
    connect(TCa, &QTabBar::currentChanged, this, [this](int index) {
        if (!Flags().ready || index < 0) return;
        currentTab_ = index;
        TCaChange();
        RefreshChart();
        Q_EMIT ArchiveChanged();
    });
    connect(window_.PCW(), &QTabWidget::currentChanged, this, [this](int index) {
        if (window_.PCW()->widget(index) == window_.TSa) TSaShow();
    });
    connect(&window_, &TFomi::ArchiveRangeReset, this, [this] {
        {
            QSignalBlocker b(DTPe);
            DTPe->setDate(QDate::currentDate());
        }
        applyPreset();
    });
    connect(&window_, &TFomi::AccessLevelApplied, this, [this] { TCaChange(); });

    // The grid of a loaded archive file, at the bottom of the device page's
    // state area: the raw-bytes grid there is kept a few lines high, too
    // short for an archive, and its column headers are off.
    fileModel_ = new ArchiveGridModel(this);
    fileGrid_ = new QTableView(window_.PState);
    fileGrid_->setObjectName(QStringLiteral("SGfile"));
    fileGrid_->setModel(fileModel_);
    setupGrid(fileGrid_);
    fileGrid_->setMinimumHeight(200);
    fileGrid_->hide();
    if (auto* box = qobject_cast<QBoxLayout*>(window_.PState ? window_.PState->layout() : nullptr))
        box->addWidget(fileGrid_, 3);
    connect(fileGrid_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        decodeError(fileRows_, fileType_, index.row() + kArchiveHeaderRows, index.column());
    });
    connect(fileGrid_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { window_.PMr->popup(fileGrid_->viewport()->mapToGlobal(pos)); });
}

void TArchivePage::setupGrid(QTableView* grid) {
    grid->setWordWrap(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TArchivePage::wireActions() {
    auto wire = [this](const char* name, auto handler) {
        QAction* a = window_.Action(QString::fromUtf8(name));
        if (!a) return;
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, handler);
    };
    wire("AreadArh", [this] { AreadArhExecute(); });
    for (const char* family : {"ARA225", "ARA227", "ARA228", "ARA229", "ARA234"}) {
        const QString name = QString::fromUtf8(family);
        wire(family, [this, name] {
            // A family procedure runs only for a device of its family.
            if (FamilyAction(line_.Type()) == name) AreadArhExecute();
        });
    }
    if (QAction* stop = window_.Action(QStringLiteral("AstopArhRead"))) {
        stop->setEnabled(false);
        connect(stop, &QAction::triggered, this, [this] { AstopArhReadExecute(); });
    }
    if (QAction* save = window_.Action(QStringLiteral("Asavearh"))) {
        save->setEnabled(Flags().archivePresent);
        connect(save, &QAction::triggered, this, [this] { AsavearhExecute(); });
    }
    if (QAction* load = window_.Action(QStringLiteral("AreadFileArh"))) {
        load->setEnabled(true);
        connect(load, &QAction::triggered, this, [this](bool checked) { AreadFileArhExecute(checked); });
        // Unchecked by another operation (a state reading): the file grid
        // goes with it and leaves the page to the state view.
        connect(load, &QAction::toggled, this, [this](bool checked) {
            if (!checked && fileGrid_) fileGrid_->hide();
        });
    }
    // The chart of the tab shown, from the page's button and the grid's menu.
    Achart = new QAction(QStringLiteral("график"), this);
    Achart->setObjectName(QStringLiteral("Achart"));
    Achart->setToolTip(QStringLiteral("график архива выбранной вкладки в отдельном окне"));
    Achart->setEnabled(false);
    connect(Achart, &QAction::triggered, this, [this] { AchartExecute(); });
    connect(Achart, &QAction::changed, BBchart, [this] { BBchart->setEnabled(Achart->isEnabled()); });
    connect(BBchart, &QPushButton::clicked, Achart, &QAction::trigger);
    BBchart->setToolTip(Achart->toolTip());
    BBchart->setEnabled(false);
    window_.PMa->addSeparator();
    window_.PMa->addAction(Achart);
}

void TArchivePage::AchartExecute() {
    TChartWindow* chart = chartWindow();
    if (!chart) {
        // The program creates the chart window at start; a window without
        // one (tests, tools) gets it now.
        new TChartWindow(&window_);
        chart = chartWindow();
        if (!chart) return;
    }
    RefreshChart();
    chart->show();
    chart->raise();
    chart->activateWindow();
}

bool TArchivePage::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Lot || watched == Ldo) && event->type() == QEvent::MouseButtonDblClick) {
        LotDblClick();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

int TArchivePage::viewType() const { return archiveType_ >= 0 ? archiveType_ : line_.Type(); }

void TArchivePage::setTabCaptions(int type) {
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    QStringList captions;
    for (const ArchiveTab& t : tabs) captions << t.caption;
    QStringList shown;
    for (int i = 0; i < TCa->count(); ++i) shown << TCa->tabText(i);
    if (captions == shown || captions.isEmpty()) return;
    const int index = std::clamp(TCa->currentIndex(), 0, int(captions.size()) - 1);
    QSignalBlocker block(TCa);
    while (TCa->count() > 0) TCa->removeTab(0);
    for (const QString& c : captions) TCa->addTab(c);
    TCa->setCurrentIndex(index);
    currentTab_ = index;
}

void TArchivePage::setPickers(const QDate& first, const QDate& last) {
    QSignalBlocker b1(DTPb);
    QSignalBlocker b2(DTPe);
    DTPb->setDate(first);
    DTPe->setDate(last);
}

void TArchivePage::copyPickersToRange() {
    if (DTPe->date() < DTPb->date()) {
        QSignalBlocker b(DTPb);
        DTPb->setDate(DTPe->date());
    }
    ArchiveReadingState& state = line_.ArchiveReading();
    state.SetDates(DTPb->date(), DTPe->date());
    range_ = ViewRange{state.first, state.last, state.allRecords};
}

// ---------------------------------------------------------------------------
// Range controls

void TArchivePage::applyPreset() {
    const int type = viewType();
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    const int tab = TCa->currentIndex();
    const int kind = tab >= 0 && tab < tabs.size() ? tabs[tab].kind : kDailyArchive;
    const RangeChoice choice = RangePreset(RGdtp->ItemIndex(), QDate::currentDate(), type, kind, DTPb->date());
    if (!choice.message.isEmpty()) {
        ShowValue(choice.message);
        return;
    }
    // Without a device the whole-archive item has no depth yet: the first
    // day stays as it is, and no failure is shown for a device nobody chose.
    if (!choice.statusError.isEmpty() && type >= 0) window_.Status().error(choice.statusError);
    line_.ArchiveReading().ApplyPreset(choice);
    setPickers(choice.first.isValid() ? choice.first : DTPb->date(), choice.last);
    TCaChange();
}

void TArchivePage::RGdtpClick() {
    if (!Flags().ready) return;
    applyPreset();
    RefreshChart();
}

void TArchivePage::DTPbChange() {
    line_.ArchiveReading().DatesEdited();
    if (!Flags().ready) return;
    TCaChange();
}

void TArchivePage::LotDblClick() {
    if (!Flags().ready) return;
    const int type = viewType();
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    if (type >= 0 && FamilyAction(type).isEmpty()) {
        window_.Status().error(NoArchivesText(type));
    } else if (TCa->currentIndex() >= 0 && TCa->currentIndex() < tabs.size()) {
        const ArchiveList& list = IsHourlyKind(tabs[TCa->currentIndex()].kind) ? hourly_ : daily_;
        if (!list.empty()) {
            setPickers(DateOfDayNumber(EntryDay(list.back())), DateOfDayNumber(EntryDay(list.front())));
            line_.ArchiveReading().DatesEdited();
        }
    }
    TCaChange();
}

void TArchivePage::SEprecChange() {
    if (!Flags().ready) return;
    SetDisplayDecimals(SEprec->value());
    TCaChange();
}

// ---------------------------------------------------------------------------
// Showing the page and the view

void TArchivePage::TSaShow() {
    if (!Flags().ready) return;
    const int type = line_.Type();
    if (ValidNoTu(line_.Serial(), type))
        window_.Status().ok(QStringLiteral("НА СВЯЗИ!"));
    else if (!line_.ArchiveReading().reading)
        window_.Status().busy(window_.cbC->currentText() + QStringLiteral(": ") + window_.LPState->text());
    // A precision restored from the saved values holds for the tables too.
    if (SEprec->value() != 2 && DisplayFormat() != QStringLiteral("%.%1f").arg(SEprec->value()))
        SetDisplayDecimals(SEprec->value());
    if (type < 0 && archiveType_ < 0) return;
    const int shownType = type >= 0 ? type : archiveType_;
    if (ArchiveTabs(shownType).isEmpty()) {
        window_.Status().error(NoArchivesText(shownType));
        return;
    }
    const int tab = TCa->currentIndex();
    setTabCaptions(shownType);
    if (!line_.ArchiveReading().reading) applyPreset();
    if (tab >= 0 && tab < TCa->count()) {
        QSignalBlocker block(TCa);
        TCa->setCurrentIndex(tab);
        currentTab_ = tab;
    }
    TCaChange();
}

void TArchivePage::TCaChange() {
    copyPickersToRange();
    const int type = viewType();
    if (!Flags().ready || type < 0) return;
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    if (tabs.isEmpty()) {
        window_.Status().error(NoArchivesText(type));
        return;
    }
    setTabCaptions(type);
    const int tab = TCa->currentIndex();
    if (tab < 0 || tab >= tabs.size()) return;
    currentTab_ = tab;
    const QString partial = PartialNote();
    Lpartial->setText(partial);
    Lpartial->setVisible(!partial.isEmpty());
    const int kind = tabs[tab].kind;
    if (QAction* read = window_.Action(QStringLiteral("AreadArh"))) read->setToolTip(ReadArchiveHint(kind));
    live_ = false;
    pendingRows_.clear();
    const ArchiveTabView shown =
        ShowArchiveTab(type, tab, daily_, hourly_, range_, DisplayFormat(), Flags().accessLevel);
    if (!shown.error.isEmpty()) return;
    if (line_.ArchiveReading().reading && shown.table.hasData) {
        // A refresh while a read runs (another tab chosen and this one again,
        // a range edited): the rows so far, then the live rows again. On a
        // difference tab the oldest entry read so far stands as the totals
        // row; its difference row comes with the next record.
        Grid rows = shown.table.rows;
        if (shown.table.hasTotals) rows.removeLast();
        fillGrid(rows);
        live_ = true;
        return;
    }
    fillGrid(shown.table.rows);
    const bool data = shown.table.hasData && (!daily_.empty() || !hourly_.empty());
    if (QAction* print = window_.Action(QStringLiteral("AArhPrint"))) print->setEnabled(data);
    BBcsv->setEnabled(data);
    Achart->setEnabled(data);
}

void TArchivePage::fillGrid(const Grid& rows) {
    shownRows_ = rows;
    model_->SetTable(rows);
    widths_.resize(model_->columnCount());
    growColumns(rows, 0);
}

// Column widths follow the longest text of each column and only grow.
void TArchivePage::growColumns(const Grid& rows, int firstRow) {
    const QFontMetrics cells = SGa->fontMetrics();
    const QFontMetrics heads = SGa->horizontalHeader()->fontMetrics();
    const int columns = model_->columnCount();
    if (widths_.size() < columns) widths_.resize(columns);
    for (int c = 0; c < columns; ++c) {
        // Measuring only the longest texts keeps thousands of rows cheap.
        qsizetype longest = 0;
        for (qsizetype r = std::max(firstRow, kArchiveHeaderRows); r < rows.size(); ++r)
            if (c < rows[r].size()) longest = std::max(longest, rows[r][c].size());
        int width = widths_[c];
        for (qsizetype r = firstRow; r < std::min<qsizetype>(kArchiveHeaderRows, rows.size()); ++r)
            width = std::max(width, heads.horizontalAdvance(rows[r].value(c).trimmed()) + 16);
        int measured = 0;
        for (qsizetype r = std::max(firstRow, kArchiveHeaderRows); r < rows.size() && measured < 8; ++r) {
            const QStringList& row = rows[r];
            if (c >= row.size() || row[c].size() < longest) continue;
            width = std::max(width, cells.horizontalAdvance(row[c]) + 12);
            ++measured;
        }
        if (width != widths_[c] || SGa->horizontalHeader()->sectionSize(c) < width) {
            widths_[c] = width;
            SGa->horizontalHeader()->resizeSection(c, width);
        }
    }
}

// ---------------------------------------------------------------------------
// Reading

void TArchivePage::showProgress(int position, int maximum) {
    QStatusBar* strip = window_.statusBar();
    if (maximum <= 0) {
        if (bar_) bar_->hide();
        strip->hide();
        return;
    }
    if (!bar_) {
        bar_ = new QProgressBar(strip);
        bar_->setObjectName(QStringLiteral("PBa"));
        bar_->setTextVisible(false);
        strip->addWidget(bar_, 1);
    }
    bar_->setRange(0, maximum);
    bar_->setValue(position);
    bar_->show();
    strip->show();
}

void TArchivePage::liveEntry(int type, int tabIndex) {
    if (!EnUpdate->isChecked() || tabIndex != TCa->currentIndex()) return;
    QElapsedTimer clock;
    clock.start();
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    const ArchiveTab tab = ArchiveTabs(type).value(tabIndex);
    const ArchiveList& list = IsHourlyKind(tab.kind) ? hourly_ : daily_;
    const ArchiveReadingState& state = line_.ArchiveReading();
    ArchiveList shown;
    if (!IsDifferenceKind(tab.kind)) {
        if (InRange(list.back(), state)) shown.push_back(list.back());
    } else if (list.size() >= 2 && InRange(list[list.size() - 2], state)) {
        // The entry before the new one has its older neighbour now.
        const ArchiveList pair{list[list.size() - 2], list.back()};
        shown.push_back(BuildArchiveView(*family, pair, tab.kind, ViewRange{{}, {}, true}).entries.front());
    }
    if (!shown.empty()) {
        if (!live_) {
            // The first row of the read replaces the table.
            fillGrid(SelectColumns(ArchiveTableCells(*family, {}, tab.system, DisplayFormat()).mid(0, 2),
                                   ArchiveColumnCodes(*family, tab.kind), Flags().accessLevel));
            live_ = true;
        }
        // The cells of the shown columns straight from the record.
        const ArchiveRecord& record = shown.front()[std::min<size_t>(size_t(tab.system), shown.front().size() - 1)];
        const QString format = DisplayFormat();
        QStringList row;
        for (int code : ArchiveColumnCodes(*family, tab.kind)) {
            const int column = Flags().accessLevel == 0 ? std::abs(code) : code;
            if (column > 0 && size_t(column) <= family->columns.size())
                row << ArchiveCellText(family->columns[size_t(column - 1)], record, format);
        }
        pendingRows_ << row;
        // The rows go into the grid once a second (the first one at once),
        // the last one selected and scrolled into view: a repaint of the
        // grid takes about 10 ms, after every record it would cost several
        // per cent of a read.
        if (!liveScroll_.isValid() || liveScroll_.elapsed() >= kLiveIntervalMs) flushLiveRows();
    }
    liveNs_ += clock.nsecsElapsed();
}

void TArchivePage::flushLiveRows() {
    if (pendingRows_.isEmpty()) return;
    model_->AppendRows(pendingRows_);
    shownRows_ += pendingRows_;
    growColumns(shownRows_, int(shownRows_.size() - pendingRows_.size()));
    pendingRows_.clear();
    SGa->setCurrentIndex(model_->index(model_->rowCount() - 1, 0));
    liveScroll_.start();
}

void TArchivePage::AreadArhExecute() {
    ArchiveReadingState& state = line_.ArchiveReading();
    if (state.reading) return;
    lastRead_ = ArchiveReadResult{};
    if (line_.Serial() < 0 || line_.Type() < 0) window_.AreadNoTuExecute();
    line_.Engine().Pause(1);
    if (line_.Serial() < 0 || line_.Type() < 0) return;
    const int type = line_.Type();
    const int serial = line_.Serial();
    if (FamilyAction(type).isEmpty()) {
        window_.Status().error(NoArchivesText(type));
        return;
    }
    // Another device's lists do not belong beside this one's.
    if (type != archiveType_ || serial != archiveSerial_) {
        daily_.clear();
        hourly_.clear();
        dailyPartial_.clear();
        hourlyPartial_.clear();
    }
    window_.PCW()->setCurrentWidget(window_.TSa);
    setTabCaptions(type);
    copyPickersToRange();
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    const int tab = std::clamp(TCa->currentIndex(), 0, int(tabs.size()) - 1);
    const int kind = tabs[tab].kind;
    QAction* stop = window_.Action(QStringLiteral("AstopArhRead"));
    stop->setEnabled(true);
    archiveType_ = type;
    archiveSerial_ = serial;
    loadedFile_.clear();
    live_ = false;
    liveNs_ = 0;
    liveScroll_.invalidate();
    pendingRows_.clear();

    PageStatus status(*this);
    ArchiveReadContext context;
    context.line = &line_;
    context.status = &status;
    context.memo = window_.Ma();
    context.accessLevel = Flags().accessLevel;
    context.logFolder = DataRoot();
    context.now = QDateTime::currentDateTime();
    context.onEntry = [this, type, tab](const ArchiveEntry&) { liveEntry(type, tab); };
    const ArchiveReadResult result = StartArchiveRead(type, kind, state, daily_, hourly_, context);
    lastRead_ = result;
    showProgress(0, 0);
    stop->setEnabled(false);
    if (result.outcome == ArchiveReadOutcome::NoProcedure) {
        ShowValue(result.text);
        return;
    }
    if (result.outcome == ArchiveReadOutcome::Empty && result.refused > 0 && window_.Ma() && window_.Ma()->Visible())
        window_.Ma()->Append(QStringLiteral("\r\nархив есть, но устройство его не отдает"));
    // The list read holds a read cut short, a complete one, or (when the line
    // was lost before any record) still the earlier read.
    const ArchiveList& read = IsHourlyKind(kind) ? hourly_ : daily_;
    QString& partial = IsHourlyKind(kind) ? hourlyPartial_ : dailyPartial_;
    if (result.outcome == ArchiveReadOutcome::Interrupted)
        partial = result.text;
    else if (result.outcome != ArchiveReadOutcome::NoLink || read.empty())
        partial.clear();
    Flags().archivePresent = true;
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(true);
    window_.Action(QStringLiteral("Asavearh"))->setEnabled(true);
    // The range now spans the records read.
    if ((result.outcome == ArchiveReadOutcome::Completed || result.outcome == ArchiveReadOutcome::Interrupted) &&
        state.first.isValid() && state.last.isValid())
        setPickers(state.first, state.last);
    QElapsedTimer clock;
    clock.start();
    TCaChange();
    // The newest rows stand at the top; the live view left the grid scrolled down.
    SGa->scrollToTop();
    finalShowNs_ = clock.nsecsElapsed();
    RefreshChart();
    Q_EMIT ArchiveChanged();
}

bool TArchivePage::ShowStoredArchive(int type, int serial, ArchiveList daily, ArchiveList hourly,
                                     const QString& source) {
    if (line_.ArchiveReading().reading) {
        window_.Status().error(QStringLiteral("идет чтение архива: дождитесь его конца или остановите"));
        return false;
    }
    if (ArchiveTabs(type).isEmpty()) {
        window_.Status().error(NoArchivesText(type));
        return false;
    }
    window_.PCW()->setCurrentWidget(window_.TSa);
    daily_ = std::move(daily);
    hourly_ = std::move(hourly);
    dailyPartial_.clear();
    hourlyPartial_.clear();
    archiveType_ = type;
    archiveSerial_ = serial;
    loadedFile_.clear();
    live_ = false;
    pendingRows_.clear();
    lastRead_ = ArchiveReadResult{};
    setTabCaptions(type);
    // The range spans the days the lists hold, as after a read.
    QDate first, last;
    for (const ArchiveList* list : {&daily_, &hourly_}) {
        if (list->empty()) continue;
        const QDate newest = DateOfDayNumber(EntryDay(list->front()));
        const QDate oldest = DateOfDayNumber(EntryDay(list->back()));
        if (!first.isValid() || oldest < first) first = oldest;
        if (!last.isValid() || newest > last) last = newest;
    }
    if (first.isValid() && last.isValid()) setPickers(first, last);
    Flags().archivePresent = true;
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(true);
    window_.Action(QStringLiteral("Asavearh"))->setEnabled(true);
    TCaChange();
    SGa->scrollToTop();
    RefreshChart();
    QString text = QStringLiteral("архив из хранилища %1: суточных записей %2, часовых %3")
                       .arg(source)
                       .arg(daily_.size())
                       .arg(hourly_.size());
    if (first.isValid()) text += QStringLiteral(", от %1 г. до %2 г.").arg(ShortDateText(first), ShortDateText(last));
    window_.Status().ok(text);
    Q_EMIT ArchiveChanged();
    return true;
}

void TArchivePage::AstopArhReadExecute() {
    line_.ArchiveReading().Stop();
    if (QAction* stop = window_.Action(QStringLiteral("AstopArhRead"))) stop->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Error decoding

void TArchivePage::SGaDblClick(int tableRow, int column) { decodeError(shownRows_, viewType(), tableRow, column); }

void TArchivePage::decodeError(const Grid& rows, int type, int tableRow, int column) {
    if (tableRow < kArchiveHeaderRows || tableRow >= rows.size() || rows.size() < kArchiveHeaderRows) return;
    const ErrorTag tag = ErrorColumnTag(type, rows[1].value(column));
    if (tag == ErrorTag::None) return;
    bool ok = false;
    int value = rows[tableRow].value(column).trimmed().toInt(&ok);
    if (!ok) value = -1;
    const QStringList* table = ErrorTextTable(type, tag);
    if (!table && tag == ErrorTag::Device) table = ErrorTextTable(type, ErrorTag::System);
    if (!table) return;
    ShowValue(ErrBitsText(value, *table));
}

// ---------------------------------------------------------------------------
// Archive files

QString TArchivePage::deviceFolder() const {
    const int type = archiveType_ >= 0 ? archiveType_ : line_.Type();
    const int serial = archiveType_ >= 0 ? archiveSerial_ : line_.Serial();
    return ValidNoTu(serial, type) ? ArchiveFolder(type, serial) : ArchivesRoot();
}

void TArchivePage::AsavearhExecute() {
    window_.PCW()->setCurrentWidget(window_.TSa);
    const int type = viewType();
    const int serial = archiveType_ >= 0 ? archiveSerial_ : line_.Serial();
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    if (!family) {
        window_.Status().error(type < 0 ? kIdentifyFirst : NoArchivesText(type));
        return;
    }
    const QString folderError = MakeArchiveFolder(type, serial);
    if (!folderError.isEmpty()) ShowValue(folderError);
    const ArchiveTabView shown = CurrentView();
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("запись архива");
    request.folder = ArchiveFolder(type, serial);
    const QString partial = PartialNote();
    request.fileName = ProposedArchiveName(shown.tab.caption, range_.first, range_.last, QDateTime::currentDateTime(),
                                           !partial.isEmpty());
    request.filter = kArchiveFilter;
    const QString path = AskFileName(&window_, request);
    if (path.isEmpty()) return;
    // The text copy of a partial archive says so in a last row.
    Grid rows = shown.table.rows;
    if (!partial.isEmpty()) rows.append({partial});
    const QString error = SaveArchiveWithTextCopy(*family, path, shown.view.entries, shown.tab.system, rows);
    if (!error.isEmpty()) {
        ShowValue(error);
        return;
    }
    window_.Status().ok(QStringLiteral("архив записан в файл: ") + QFileInfo(path).fileName());
}

void TArchivePage::AreadFileArhExecute(bool checked) {
    QAction* action = window_.Action(QStringLiteral("AreadFileArh"));
    QTableView* grid = fileGrid_;
    if (!checked) {
        if (grid) grid->hide();
        return;
    }
    if (QAction* poll = window_.Action(QStringLiteral("Areadstate")); poll && poll->isChecked()) poll->trigger();
    if (QAction* log = window_.Action(QStringLiteral("AReadChang")); log && log->isChecked()) log->trigger();
    // The device is taken before the dialog: the window's preparation after
    // it clears the current device.
    int type = line_.Type() >= 0 ? line_.Type() : archiveType_;
    FileDialogRequest request;
    request.caption = QStringLiteral("чтение архива");
    request.folder =
        ValidNoTu(line_.Serial(), line_.Type()) ? ArchiveFolder(line_.Type(), line_.Serial()) : ArchivesRoot();
    request.filter = kArchiveFilter;
    const QString path = AskFileName(&window_, request);
    if (path.isEmpty()) {
        QSignalBlocker block(action);
        action->setChecked(false);
        return;
    }
    // A file in a device folder is read as that folder's device type.
    if (const int folderType = ArchiveFileOriginOf(path, -1).type; folderType >= 0) type = folderType;
    window_.PCW()->setCurrentWidget(window_.TSW);
    loadedFile_ = path;
    const QString name = QFileInfo(path).fileName();
    window_.Status().busy(QStringLiteral("чтение архива из файла: ") + name);
    const QString warning = ArchiveExtensionWarning(path);
    if (!warning.isEmpty()) window_.Status().error(warning);
    if (grid) grid->show();
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(grid != nullptr);
    const ArchiveFamily* family = ArchiveFamilyOf(type);
    if (!family) {
        // Neither a device nor the file's folder says how to read it.
        ShowValue(type < 0 ? QStringLiteral("тип устройства этого файла неизвестен: сначала определите устройство")
                           : NoArchivesText(type));
        return;
    }
    ArchiveFileContent content;
    const QString error = ReadArchiveFile(*family, path, DisplayFormat(), content);
    if (!error.isEmpty()) {
        ShowValue(error);
        return;
    }
    loadedContent_ = content;
    fileType_ = type;
    // The columns of the file's class: a daily file has no hour column.
    fillFileGrid(SelectColumns(
        content.cells, ArchiveColumnCodes(*family, ArchiveFileKind(type, path, content.entries, content.hasTotals)),
        Flags().accessLevel));
    Flags().archivePresent = true;
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(true);
    QString read = QStringLiteral("архив из файла: ") + name + QStringLiteral(" - прочитан");
    if (content.impossible > 0)
        read += QStringLiteral("... %1 записей с невозможной датой пропущено").arg(content.impossible);
    window_.Status().ok(read);
    Q_EMIT ArchiveChanged();
}

void TArchivePage::fillFileGrid(const Grid& rows) {
    fileRows_ = rows;
    fileModel_->SetTable(rows);
    const QFontMetrics cells = fileGrid_->fontMetrics();
    const QFontMetrics heads = fileGrid_->horizontalHeader()->fontMetrics();
    for (int c = 0; c < fileModel_->columnCount(); ++c) {
        int width = std::max(heads.horizontalAdvance(rows.value(0).value(c).trimmed()),
                             heads.horizontalAdvance(rows.value(1).value(c).trimmed())) +
                    16;
        for (qsizetype r = kArchiveHeaderRows; r < rows.size(); ++r)
            width = std::max(width, cells.horizontalAdvance(rows[r].value(c)) + 12);
        fileGrid_->horizontalHeader()->resizeSection(c, width);
    }
    fileGrid_->scrollToTop();
}

// ---------------------------------------------------------------------------
// Export and chart

void TArchivePage::ExportCsvExecute() {
    if (shownRows_.size() <= kArchiveHeaderRows) return;
    const ArchiveTabView shown = CurrentView();
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("экспорт в Excel (CSV)");
    request.folder = deviceFolder();
    request.fileName = QFileInfo(ProposedArchiveName(shown.tab.caption, range_.first, range_.last,
                                                     QDateTime::currentDateTime(), !PartialNote().isEmpty()))
                           .completeBaseName() +
                       QStringLiteral(".csv");
    request.filter = kCsvFilter;
    QDir().mkpath(request.folder);
    QString path = AskFileName(&window_, request);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    const QString error = WriteArchiveCsv(path, shownRows_);
    if (!error.isEmpty()) {
        ShowValue(error);
        return;
    }
    window_.Status().ok(QStringLiteral("таблица записана в файл: ") + QFileInfo(path).fileName());
}

TChartWindow* TArchivePage::chartWindow() {
    if (chartWindow_) return chartWindow_;
    chartWindow_ = window_.findChild<TChartWindow*>();
    if (!chartWindow_) return nullptr;
    auto* layout = qobject_cast<QBoxLayout*>(chartWindow_->layout());
    chart_ = new ArchiveChart(chartWindow_);
    if (layout) {
        // The window's own plain plot area gives way to the archive chart.
        if (QLayoutItem* first = layout->itemAt(0); first && first->widget()) first->widget()->hide();
        layout->insertWidget(0, chart_, 1);
    }
    connect(chartWindow_, &TChartWindow::refreshRequested, this, [this] { RefreshChart(); });
    connect(chartWindow_, &QObject::destroyed, this, [this] {
        chartWindow_ = nullptr;
        chart_ = nullptr;
    });
    return chartWindow_;
}

void TArchivePage::RefreshChart() {
    if (!chartWindow() || !chart_) return;
    chart_->Show(MakeArchiveChartData(viewType(), TCa->currentIndex(), daily_, hourly_, range_.first, range_.last,
                                      range_.allRecords));
}

}  // namespace omi
