#include "store/StorePage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <map>
#include <set>

#include "TablePdf.h"
#include "archives/ArchiveCsv.h"
#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchivePage.h"
#include "protocol/Models.h"
#include "shell/MainWindow.h"
#include "shell/StatusLine.h"
#include "store/MeterList.h"
#include "store/StoreFindings.h"
#include "support/Dates.h"
#include "support/Paths.h"

namespace omi {

namespace {

const QString kStoreFilter = QStringLiteral("Хранилища SQLite(*.sqlite)|*.sqlite|Bсе файлы(*.*)|*.*");
const QString kListFilter = QStringLiteral("Списки приборов(*.csv)|*.csv|Bсе файлы(*.*)|*.*");
const QString kCsvFilter = QStringLiteral("Таблицы для Excel(*.csv)|*.csv|Bсе файлы(*.*)|*.*");
const QString kPdfFilter = QStringLiteral("Документы PDF(*.pdf)|*.pdf|Bсе файлы(*.*)|*.*");
constexpr int kPollMs = 500;
constexpr int kReportDecimals = 3;
// Up to this many runs of days in a cell of the list; the rest counted.
constexpr int kRunsShown = 6;

std::function<void(QPrinter&, const std::function<void(QPrinter*)>&)>& PreviewHook() {
    static std::function<void(QPrinter&, const std::function<void(QPrinter*)>&)> hook;
    return hook;
}

QLabel* caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QDateEdit* dateEdit(const char* name, const QDate& date, QWidget* parent) {
    auto* d = new QDateEdit(date, parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setCalendarPopup(true);
    return d;
}

QTableWidget* table(const char* name, const QStringList& headers, QWidget* parent) {
    auto* t = new QTableWidget(0, int(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->setWordWrap(false);
    return t;
}

void setCell(QTableWidget* t, int row, int column, const QString& text, const QString& tip = {}) {
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(tip.isEmpty() ? text : tip);
    t->setItem(row, column, item);
}

// "05.12.2026, 07.12.2026 - 08.12.2026 и еще 3"; "нет" for none.
QString runsText(const QStringList& runs) {
    if (runs.isEmpty()) return QStringLiteral("нет");
    QString text = runs.mid(0, kRunsShown).join(QStringLiteral(", "));
    if (runs.size() > kRunsShown) text += QStringLiteral(" и еще %1").arg(runs.size() - kRunsShown);
    return text;
}

QString durationText(qint64 seconds) {
    const qint64 hours = seconds / 3600, minutes = seconds % 3600 / 60, rest = seconds % 60;
    QString text;
    if (hours > 0) text += QStringLiteral("%1 ч ").arg(hours);
    if (hours > 0 || minutes > 0) text += QStringLiteral("%1 мин ").arg(minutes);
    return text + QStringLiteral("%1 с").arg(rest);
}

// The device clock against the computer's at the identification.
QString clockText(const std::optional<qint64>& offset) {
    if (!offset) return QStringLiteral("не измерены");
    if (*offset == 0) return QStringLiteral("точно");
    return (*offset > 0 ? QStringLiteral("спешат на ") : QStringLiteral("отстают на ")) +
           durationText(*offset > 0 ? *offset : -*offset);
}

QString deviceText(int type, int serial) {
    const QString model = type >= 0 ? ModelName(type) : QString();
    return (model.isEmpty() ? QString() : model + QLatin1Char(' ')) + QStringLiteral("№ %1").arg(serial);
}

}  // namespace

void TStorePage::SetPreviewHook(std::function<void(QPrinter&, const std::function<void(QPrinter*)>&)> hook) {
    PreviewHook() = std::move(hook);
}

TStorePage::TStorePage(TFomi& window) : QWidget(&window, Qt::Window), window_(window) {
    setObjectName(QStringLiteral("FStore"));
    setWindowTitle(QStringLiteral("ХРАНИЛИЩЕ АРХИВОВ"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(caption(QStringLiteral("хранилище:"), this));
    EStore = new QLineEdit(this);
    EStore->setObjectName(QStringLiteral("EStore"));
    EStore->setPlaceholderText(ArchiveStore::DefaultLocation());
    EStore->setToolTip(
        QStringLiteral("файл SQLite или адрес postgresql://ПОЛЬЗОВАТЕЛЬ[:ПАРОЛЬ]@СЕРВЕР[:ПОРТ]/БАЗА; "
                       "пусто - хранилище папки данных"));
    top->addWidget(EStore, 1);
    BBstoreFile = button("BBstoreFile", QStringLiteral("файл..."), this);
    BBstoreFile->setToolTip(QStringLiteral("выбрать файл хранилища SQLite"));
    top->addWidget(BBstoreFile);
    BBstoreOpen = button("BBstoreOpen", QStringLiteral("открыть"), this);
    BBstoreOpen->setToolTip(QStringLiteral("открыть хранилище и показать его приборы"));
    top->addWidget(BBstoreOpen);
    top->addSpacing(12);
    top->addWidget(caption(QStringLiteral("ошибки и пропуски за последние"), this));
    SEdays = new QSpinBox(this);
    SEdays->setObjectName(QStringLiteral("SEdays"));
    SEdays->setRange(1, 3660);
    SEdays->setValue(7);
    SEdays->setSuffix(QStringLiteral(" дн."));
    top->addWidget(SEdays);
    layout->addLayout(top);

    PCstore = new QTabWidget(this);
    PCstore->setObjectName(QStringLiteral("PCstore"));
    PCstore->addTab(buildMetersTab(), QStringLiteral("ПРИБОРЫ"));
    PCstore->addTab(buildReportTab(), QStringLiteral("ОТЧЕТ ЗА ПЕРИОД"));
    PCstore->addTab(buildCollectTab(), QStringLiteral("СБОР"));
    layout->addWidget(PCstore, 1);

    LStoreState = new QLabel(this);
    LStoreState->setObjectName(QStringLiteral("LStoreState"));
    LStoreState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LStoreState->setWordWrap(true);
    layout->addWidget(LStoreState);

    connect(BBstoreOpen, &QPushButton::clicked, this, [this] { OpenStore(); });
    connect(EStore, &QLineEdit::returnPressed, this, [this] { OpenStore(); });
    connect(BBstoreFile, &QPushButton::clicked, this, [this] { ChooseStoreFile(); });
    connect(SEdays, &QSpinBox::editingFinished, this, [this] {
        if (IsOpen()) RefreshMeters();
    });
    resize(1100, 600);
}

TStorePage::~TStorePage() {
    // A collection still running is told to stop; its process is not left behind.
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->disconnect(this);
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
    }
}

QWidget* TStorePage::buildMetersTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TSstoreMeters"));
    auto* v = new QVBoxLayout(page);
    SGmeters = table("SGmeters",
                     {QStringLiteral("прибор"), QStringLiteral("тип"), QStringLiteral("№"),
                      QStringLiteral("последний сбор"), QStringLiteral("окончен"), QStringLiteral("часы прибора"),
                      QStringLiteral("дни с ошибками"), QStringLiteral("нет записей")},
                     page);
    v->addWidget(SGmeters, 1);
    auto* h = new QHBoxLayout;
    BBarchive = button("BBarchive", QStringLiteral("архив прибора на странице АРХИВЫ"), page);
    BBarchive->setToolTip(QStringLiteral("показать архив выбранного прибора из хранилища (двойной щелчок по строке)"));
    BBarchive->setEnabled(false);
    h->addWidget(BBarchive);
    h->addStretch(1);
    v->addLayout(h);
    connect(BBarchive, &QPushButton::clicked, this, [this] { OpenMeterArchive(SGmeters->currentRow()); });
    connect(SGmeters, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenMeterArchive(row); });
    connect(SGmeters, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { BBarchive->setEnabled(row >= 0 && row < int(meters_.size())); });
    return page;
}

QWidget* TStorePage::buildReportTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TSstoreReport"));
    auto* v = new QVBoxLayout(page);
    auto* h = new QHBoxLayout;
    const QDate today = QDate::currentDate();
    const QDate monthStart(today.year(), today.month(), 1);
    h->addWidget(caption(QStringLiteral("с"), page));
    DTPfrom = dateEdit("DTPfrom", monthStart.addMonths(-1), page);
    h->addWidget(DTPfrom);
    h->addWidget(caption(QStringLiteral("по"), page));
    DTPto = dateEdit("DTPto", monthStart.addDays(-1), page);
    h->addWidget(DTPto);
    h->addSpacing(8);
    h->addWidget(caption(QStringLiteral("прибор:"), page));
    EReportName = new QLineEdit(page);
    EReportName->setObjectName(QStringLiteral("EReportName"));
    EReportName->setPlaceholderText(QStringLiteral("часть названия; пусто - все"));
    h->addWidget(EReportName, 1);
    BBreport = button("BBreport", QStringLiteral("составить"), page);
    BBreportPrint = button("BBreportPrint", QStringLiteral("печать"), page);
    BBreportPdf = button("BBreportPdf", QStringLiteral("PDF"), page);
    BBreportCsv = button("BBreportCsv", QStringLiteral("экспорт в Excel (CSV)"), page);
    for (QPushButton* b : {BBreport, BBreportPrint, BBreportPdf, BBreportCsv}) h->addWidget(b);
    for (QPushButton* b : {BBreportPrint, BBreportPdf, BBreportCsv}) b->setEnabled(false);
    v->addLayout(h);
    SGreport = table("SGreport", {}, page);
    SGreport->horizontalHeader()->setStretchLastSection(false);
    v->addWidget(SGreport, 1);
    connect(BBreport, &QPushButton::clicked, this, [this] { MakeReport(); });
    connect(BBreportPrint, &QPushButton::clicked, this, [this] { PrintReport(); });
    connect(BBreportPdf, &QPushButton::clicked, this, [this] { SaveReportPdf(); });
    connect(BBreportCsv, &QPushButton::clicked, this, [this] { SaveReportCsv(); });
    return page;
}

QWidget* TStorePage::buildCollectTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TSstoreCollect"));
    auto* v = new QVBoxLayout(page);
    auto* h = new QHBoxLayout;
    h->addWidget(caption(QStringLiteral("список приборов:"), page));
    EList = new QLineEdit(page);
    EList->setObjectName(QStringLiteral("EList"));
    EList->setToolTip(QStringLiteral("файл CSV: name;port;udp;dial;serial;type;archives"));
    h->addWidget(EList, 1);
    BBlistFile = button("BBlistFile", QStringLiteral("файл..."), page);
    h->addWidget(BBlistFile);
    CBsince = new QCheckBox(QStringLiteral("начиная с"), page);
    CBsince->setObjectName(QStringLiteral("CBsince"));
    CBsince->setToolTip(QStringLiteral("читать архивы с этого дня; иначе с того, где остановился прошлый сбор"));
    h->addWidget(CBsince);
    DTPsince = dateEdit("DTPsince", QDate::currentDate().addDays(-7), page);
    h->addWidget(DTPsince);
    BBcollect = button("BBcollect", QStringLiteral("собрать"), page);
    BBcollectStop = button("BBcollectStop", QStringLiteral("стоп"), page);
    BBcollectStop->setEnabled(false);
    h->addWidget(BBcollect);
    h->addWidget(BBcollectStop);
    v->addLayout(h);
    SGcollect = table("SGcollect", {QStringLiteral("прибор"), QStringLiteral("№"), QStringLiteral("ход сбора")}, page);
    v->addWidget(SGcollect, 1);
    connect(BBlistFile, &QPushButton::clicked, this, [this] {
        FileDialogRequest request;
        request.caption = QStringLiteral("список приборов");
        request.folder = EList->text().isEmpty() ? DataRoot() : QFileInfo(EList->text()).absolutePath();
        request.filter = kListFilter;
        const QString path = AskFileName(this, request);
        if (!path.isEmpty()) EList->setText(path);
    });
    connect(BBcollect, &QPushButton::clicked, this, [this] { StartCollection(); });
    connect(BBcollectStop, &QPushButton::clicked, this, [this] { StopCollection(); });
    return page;
}

void TStorePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The message restored with the control values is an old one.
    if (!IsOpen() && !Collecting())
        ShowOk(LStoreState, nullptr,
               QStringLiteral("хранилище не открыто: укажите файл или адрес и нажмите \"открыть\""));
}

QString TStorePage::storeLocation() const {
    const QString where = EStore->text().trimmed();
    return where.isEmpty() ? ArchiveStore::DefaultLocation() : where;
}

QString TStorePage::Message() const { return LStoreState->text(); }

void TStorePage::setMessage(const QString& text, bool error) {
    if (error)
        ShowError(LStoreState, nullptr, text);
    else
        ShowOk(LStoreState, nullptr, text);
}

// ---------------------------------------------------------------------------
// The store and its meters

bool TStorePage::OpenStore() {
    const QString where = storeLocation();
    ShowBusy(LStoreState, nullptr, QStringLiteral("открываю хранилище ") + where + QStringLiteral("..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto store = std::make_unique<ArchiveStore>();
    const QString error = store->Open(where, false);
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        // What was shown of another store stays, but it is not this one.
        store_.reset();
        meters_.clear();
        fillMeters();
        report_ = PeriodReport{};
        reportGrid_.clear();
        fillReport();
        setMessage(error, true);
        return false;
    }
    store_ = std::move(store);
    RefreshMeters();
    return true;
}

void TStorePage::ChooseStoreFile() {
    FileDialogRequest request;
    request.caption = QStringLiteral("хранилище архивов");
    const QString current = EStore->text().trimmed();
    request.folder = current.isEmpty() || current.contains(QStringLiteral("://"))
                         ? QFileInfo(ArchiveStore::DefaultLocation()).absolutePath()
                         : QFileInfo(current).absolutePath();
    request.filter = kStoreFilter;
    const QString path = AskFileName(this, request);
    if (path.isEmpty()) return;
    EStore->setText(path);
    OpenStore();
}

void TStorePage::RefreshMeters() {
    if (!store_) return;
    meters_.clear();
    std::map<int, ArchiveStore::RunRow> lastRuns;
    for (const ArchiveStore::RunRow& r : store_->LastRuns()) lastRuns[r.serial] = r;
    const QDateTime now = QDateTime::currentDateTime();
    const QDate today = now.date();
    const QDate first = today.addDays(1 - SEdays->value());
    const std::int64_t nowHours = RecordHours(DayNumber(today), now.time().hour());
    std::set<int> listed;
    for (const auto& [type, serial] : store_->StoredMeters()) {
        StoreMeterRow row;
        row.type = type;
        row.serial = serial;
        row.model = ModelName(type);
        row.records = true;
        if (auto run = lastRuns.find(serial); run != lastRuns.end()) {
            row.lastRun = run->second;
            row.name = run->second.meter;
        }
        // The daily archive when the store holds it, else the hourly one.
        row.archive = store_->Holds(type, serial, StoredArchive::Daily) ? StoredArchive::Daily : StoredArchive::Hourly;
        const ArchiveFindings f = FindArchiveFindings(*store_, type, serial, row.archive,
                                                      RecordTimeRange(row.archive, first, today, nowHours));
        row.findingsError = f.error;
        row.errorDays = TimeRunTexts(TimesOf(f.errors), row.archive);
        row.missingDays = TimeRunTexts(f.missing, row.archive);
        listed.insert(serial);
        meters_.push_back(std::move(row));
    }
    // Meters collected without a record stored yet (not answering, wrong number).
    for (const auto& [serial, run] : lastRuns) {
        if (listed.count(serial)) continue;
        StoreMeterRow row;
        row.serial = serial;
        row.type = run.type;
        row.model = run.type >= 0 ? ModelName(run.type) : QString();
        row.name = run.meter;
        row.lastRun = run;
        meters_.push_back(std::move(row));
    }
    std::stable_sort(meters_.begin(), meters_.end(), [](const StoreMeterRow& a, const StoreMeterRow& b) {
        if (a.name.isEmpty() != b.name.isEmpty()) return b.name.isEmpty();
        const int byName = QString::localeAwareCompare(a.name, b.name);
        return byName != 0 ? byName < 0 : a.serial < b.serial;
    });
    fillMeters();
    QString text = QStringLiteral("хранилище %1: приборов %2").arg(store_->Location()).arg(meters_.size());
    if (meters_.empty())
        text = QStringLiteral("хранилище %1 пусто: в нем нет ни одного прибора").arg(store_->Location());
    setMessage(text, false);
}

void TStorePage::fillMeters() {
    SGmeters->setRowCount(int(meters_.size()));
    SGmeters->horizontalHeaderItem(6)->setText(QStringLiteral("ошибки за %1 дн.").arg(SEdays->value()));
    SGmeters->horizontalHeaderItem(7)->setText(QStringLiteral("нет записей за %1 дн.").arg(SEdays->value()));
    const QColor alarm = StyleColor(StatusStyle::Error);
    for (int i = 0; i < int(meters_.size()); ++i) {
        const StoreMeterRow& m = meters_[size_t(i)];
        setCell(SGmeters, i, 0, m.name.isEmpty() ? QStringLiteral("(без названия)") : m.name);
        setCell(SGmeters, i, 1,
                m.model.isEmpty() ? (m.type >= 0 ? QString::number(m.type) : QStringLiteral("не определен")) : m.model);
        setCell(SGmeters, i, 2, QString::number(m.serial));
        if (m.lastRun) {
            const ArchiveStore::RunRow& r = *m.lastRun;
            const QString status = r.ended.isValid() ? r.status : QStringLiteral("не завершен");
            setCell(SGmeters, i, 3, status,
                    status + QStringLiteral("; новых записей %1, уже было %2").arg(r.added).arg(r.already));
            setCell(SGmeters, i, 4, DateTimeText(r.ended.isValid() ? r.ended : r.started));
            setCell(SGmeters, i, 5, clockText(r.clockOffset));
        } else {
            setCell(SGmeters, i, 3, QStringLiteral("нет в журнале сбора"));
            setCell(SGmeters, i, 4, QString());
            setCell(SGmeters, i, 5, clockText(std::nullopt));
        }
        if (!m.records) {
            setCell(SGmeters, i, 6, QStringLiteral("нет записей в хранилище"));
            setCell(SGmeters, i, 7, QString());
        } else if (!m.findingsError.isEmpty()) {
            setCell(SGmeters, i, 6, m.findingsError);
            setCell(SGmeters, i, 7, QString());
        } else {
            setCell(SGmeters, i, 6, runsText(m.errorDays), m.errorDays.join(QStringLiteral("\n")));
            setCell(SGmeters, i, 7, runsText(m.missingDays), m.missingDays.join(QStringLiteral("\n")));
        }
        const bool failed =
            m.lastRun && (!m.lastRun->ended.isValid() || m.lastRun->status != QStringLiteral("собрано"));
        if (failed) SGmeters->item(i, 3)->setForeground(alarm);
        if (!m.errorDays.isEmpty()) SGmeters->item(i, 6)->setForeground(alarm);
        if (!m.missingDays.isEmpty()) SGmeters->item(i, 7)->setForeground(alarm);
    }
    SGmeters->resizeColumnsToContents();
    BBarchive->setEnabled(SGmeters->currentRow() >= 0 && SGmeters->currentRow() < int(meters_.size()));
}

bool TStorePage::OpenMeterArchive(int row) {
    if (!store_ || row < 0 || row >= int(meters_.size())) return false;
    const StoreMeterRow& m = meters_[size_t(row)];
    const ArchiveFamily* family = ArchiveFamilyOf(m.type);
    if (!m.records || !family) {
        setMessage(QStringLiteral("в хранилище нет записей архива прибора ") + deviceText(m.type, m.serial), true);
        return false;
    }
    // Every record of the meter, as a read of its whole ring would give them.
    const QDate first = DateOfDayNumber(1);
    const QDate last = DateOfDayNumber(std::numeric_limits<int>::max() / 48);
    QString dailyError, hourlyError;
    ArchiveList daily = store_->Load(m.type, m.serial, StoredArchive::Daily, first, last, *family->layout, &dailyError);
    ArchiveList hourly =
        store_->Load(m.type, m.serial, StoredArchive::Hourly, first, last, *family->layout, &hourlyError);
    if (!dailyError.isEmpty() || !hourlyError.isEmpty()) {
        setMessage(dailyError.isEmpty() ? hourlyError : dailyError, true);
        if (daily.empty() && hourly.empty()) return false;
    }
    const QString source =
        (m.name.isEmpty() ? QString() : m.name + QStringLiteral(", ")) + deviceText(m.type, m.serial);
    if (!window_.archivePage->ShowStoredArchive(m.type, m.serial, std::move(daily), std::move(hourly), source)) {
        setMessage(window_.LuState->text(), true);
        return false;
    }
    if (dailyError.isEmpty() && hourlyError.isEmpty())
        setMessage(QStringLiteral("архив прибора %1 показан на странице АРХИВЫ").arg(source), false);
    window_.raise();
    window_.activateWindow();
    return true;
}

// ---------------------------------------------------------------------------
// The period report

QString TStorePage::reportTitle() const {
    return QStringLiteral("Отчет за период ") + ShortDateText(report_.from) + QStringLiteral(" - ") +
           ShortDateText(report_.to);
}

QStringList TStorePage::reportTitleLines() const {
    return {reportTitle(), QStringLiteral("хранилище: ") + report_.store,
            QStringLiteral("составлен ") + DateTimeText(QDateTime::currentDateTime())};
}

bool TStorePage::MakeReport() {
    if (!store_ && !OpenStore()) return false;
    if (DTPfrom->date() > DTPto->date()) {
        setMessage(QStringLiteral("отчет: начало периода %1 позже его конца %2")
                       .arg(ShortDateText(DTPfrom->date()), ShortDateText(DTPto->date())),
                   true);
        return false;
    }
    PeriodFilter filter;
    filter.name = EReportName->text().trimmed();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    report_ = MakePeriodReport(*store_, DTPfrom->date(), DTPto->date(), filter);
    QApplication::restoreOverrideCursor();
    reportGrid_ = PeriodReportGrid(report_, kReportDecimals);
    fillReport();
    PCstore->setCurrentWidget(SGreport->parentWidget());
    if (report_.rows.empty()) {
        setMessage(QStringLiteral("в хранилище %1 нет приборов для отчета").arg(store_->Location()), true);
        return false;
    }
    QString text = reportTitle() + QStringLiteral(": строк %1").arg(report_.rows.size());
    if (!report_.warnings.isEmpty()) text += QStringLiteral("; ") + report_.warnings.join(QStringLiteral("; "));
    setMessage(text, !report_.warnings.isEmpty());
    return true;
}

void TStorePage::fillReport() {
    const bool rows = reportGrid_.size() > 2;
    SGreport->clear();
    SGreport->setColumnCount(0);
    SGreport->setRowCount(0);
    for (QPushButton* b : {BBreportPrint, BBreportPdf, BBreportCsv}) b->setEnabled(rows);
    if (reportGrid_.size() < 2) return;
    // The two header rows of the grid as the column headers.
    int columns = 0;
    for (const QStringList& r : reportGrid_) columns = std::max(columns, int(r.size()));
    SGreport->setColumnCount(columns);
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        const QString upper = reportGrid_[0].value(c).trimmed(), lower = reportGrid_[1].value(c).trimmed();
        headers << (upper.isEmpty() ? lower : lower.isEmpty() ? upper : upper + QLatin1Char('\n') + lower);
    }
    SGreport->setHorizontalHeaderLabels(headers);
    SGreport->setRowCount(int(reportGrid_.size()) - 2);
    for (int r = 2; r < int(reportGrid_.size()); ++r)
        for (int c = 0; c < columns; ++c) {
            const QString text = reportGrid_[r].value(c);
            setCell(SGreport, r - 2, c, text.size() > 60 ? text.left(57) + QStringLiteral("...") : text, text);
        }
    SGreport->resizeColumnsToContents();
}

QString TStorePage::SaveReportCsv(const QString& chosen) {
    if (reportGrid_.size() <= 2) return QStringLiteral("отчет не составлен");
    QString path = chosen;
    if (path.isEmpty()) {
        FileDialogRequest request;
        request.save = true;
        request.caption = QStringLiteral("отчет за период: экспорт в Excel (CSV)");
        request.folder = ArchivesRoot();
        request.fileName = QStringLiteral("отчет %1 - %2.csv")
                               .arg(report_.from.toString(QStringLiteral("dd.MM.yyyy")),
                                    report_.to.toString(QStringLiteral("dd.MM.yyyy")));
        request.filter = kCsvFilter;
        QDir().mkpath(request.folder);
        path = AskFileName(this, request);
        if (path.isEmpty()) return {};
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    }
    const QString error = WriteArchiveCsv(QFileInfo(path).absoluteFilePath(), reportGrid_);
    setMessage(error.isEmpty() ? QStringLiteral("отчет записан в файл: ") + QFileInfo(path).fileName() : error,
               !error.isEmpty());
    return error;
}

QString TStorePage::SaveReportPdf(const QString& chosen) {
    if (reportGrid_.size() <= 2) return QStringLiteral("отчет не составлен");
    QString path = chosen;
    if (path.isEmpty()) {
        FileDialogRequest request;
        request.save = true;
        request.caption = QStringLiteral("отчет за период: PDF");
        request.folder = ArchivesRoot();
        request.fileName = QStringLiteral("отчет %1 - %2.pdf")
                               .arg(report_.from.toString(QStringLiteral("dd.MM.yyyy")),
                                    report_.to.toString(QStringLiteral("dd.MM.yyyy")));
        request.filter = kPdfFilter;
        QDir().mkpath(request.folder);
        path = AskFileName(this, request);
        if (path.isEmpty()) return {};
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    }
    const QString error =
        WriteTablePdf(QFileInfo(path).absoluteFilePath(), reportTitle(), reportTitleLines(), reportGrid_, 2);
    setMessage(error.isEmpty() ? QStringLiteral("отчет записан в файл: ") + QFileInfo(path).fileName() : error,
               !error.isEmpty());
    return error;
}

void TStorePage::paintReport(QPrinter* printer) {
    QPainter painter(printer);
    if (!painter.isActive()) return;
    PaintTable(painter, *printer, reportTitleLines(), reportGrid_, 2);
}

void TStorePage::PrintReport() {
    if (reportGrid_.size() <= 2) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(reportTitle());
    const auto paint = [this](QPrinter* p) { paintReport(p); };
    if (PreviewHook()) {
        PreviewHook()(printer, paint);
        return;
    }
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setWindowTitle(reportTitle());
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, paint);
    dialog.setWindowState(Qt::WindowMaximized);
    dialog.exec();
}

// ---------------------------------------------------------------------------
// A collection

QString TStorePage::CollectorProgram() const {
    if (!collector_.isEmpty()) return collector_;
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {here.filePath(QStringLiteral("omi-cli")), here.filePath(QStringLiteral("../cli/omi-cli"))})
        if (QFileInfo(candidate).isExecutable()) return QFileInfo(candidate).absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("omi-cli"));
}

bool TStorePage::Collecting() const { return process_ && process_->state() != QProcess::NotRunning; }

bool TStorePage::StartCollection() {
    if (Collecting()) return false;
    PCstore->setCurrentWidget(SGcollect->parentWidget());
    const QString list = EList->text().trimmed();
    if (list.isEmpty()) {
        setMessage(QStringLiteral("сбор: укажите файл списка приборов"), true);
        return false;
    }
    // The list read here too: its meters are the rows of the progress table,
    // and a list that cannot be used is said before anything starts.
    const MeterList meters = ReadMeterList(list);
    if (!meters.fatal.isEmpty()) {
        setMessage(meters.fatal, true);
        return false;
    }
    if (meters.meters.empty()) {
        setMessage(QStringLiteral("в списке ") + list + QStringLiteral(" нет ни одного прибора для сбора"), true);
        return false;
    }
    const QString program = CollectorProgram();
    if (program.isEmpty()) {
        setMessage(QStringLiteral("сбор: не найдена программа omi-cli"), true);
        return false;
    }
    collectRows_.clear();
    for (const Meter& m : meters.meters) collectRows_.push_back({m.name, m.serial, QStringLiteral("ждет очереди")});
    fillCollectRows();

    collectStore_ = storeLocation();
    QStringList args{QStringLiteral("collect"), QFileInfo(list).absoluteFilePath(), QStringLiteral("--store"),
                     collectStore_, QStringLiteral("--json")};
    if (CBsince->isChecked()) args << QStringLiteral("--since") << DTPsince->date().toString(Qt::ISODate);
    delete process_;
    process_ = new QProcess(this);
    process_->setObjectName(QStringLiteral("PCollector"));
    connect(process_, &QProcess::finished, this, &TStorePage::collectionEnded);
    connect(process_, &QProcess::errorOccurred, this, [this, program](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        poll_->stop();
        BBcollect->setEnabled(true);
        BBcollectStop->setEnabled(false);
        setMessage(QStringLiteral("сбор: не могу запустить ") + program, true);
        Q_EMIT CollectionFinished(false);
    });
    if (!poll_) {
        poll_ = new QTimer(this);
        poll_->setInterval(kPollMs);
        connect(poll_, &QTimer::timeout, this, [this] { pollProgress(); });
    }
    // The runs this collection logs start from now on (to the second the
    // store keeps).
    collectStarted_ = QDateTime::currentDateTime().addSecs(-1);
    progressStore_.reset();
    BBcollect->setEnabled(false);
    BBcollectStop->setEnabled(true);
    ShowBusy(LStoreState, nullptr,
             QStringLiteral("сбор в хранилище %1: приборов %2").arg(collectStore_).arg(collectRows_.size()));
    process_->start(program, args);
    poll_->start();
    return true;
}

void TStorePage::StopCollection() {
    if (!Collecting()) return;
    // omi-cli ends its readers, stores what it read and closes the runs.
    ShowBusy(LStoreState, nullptr, QStringLiteral("сбор останавливается..."));
    process_->terminate();
}

void TStorePage::pollProgress() {
    if (!progressStore_) {
        auto store = std::make_unique<ArchiveStore>();
        if (!store->Open(collectStore_, false).isEmpty()) return;  // not created yet
        progressStore_ = std::move(store);
    }
    std::map<int, ArchiveStore::RunRow> runs;
    for (const ArchiveStore::RunRow& r : progressStore_->LastRuns())
        if (r.started >= collectStarted_) runs[r.serial] = r;
    for (CollectRow& row : collectRows_) {
        if (row.done) continue;
        const auto run = runs.find(row.serial);
        if (run == runs.end() || run->second.meter != row.name) continue;
        const ArchiveStore::RunRow& r = run->second;
        row.state = r.ended.isValid()
                        ? r.status + QStringLiteral(", новых записей %1, уже было %2").arg(r.added).arg(r.already)
                        : QStringLiteral("читается с %1").arg(r.started.toString(QStringLiteral("hh:mm:ss")));
    }
    fillCollectRows();
}

void TStorePage::collectionEnded(int exitCode, QProcess::ExitStatus status) {
    poll_->stop();
    progressStore_.reset();
    BBcollect->setEnabled(true);
    BBcollectStop->setEnabled(false);
    const QJsonObject doc = QJsonDocument::fromJson(process_->readAllStandardOutput()).object();
    // What omi-cli said on its error output: bad lines of the list, a store it could not open.
    const QString errors = QString::fromUtf8(process_->readAllStandardError()).trimmed();
    // The summary of each meter as omi-cli gives it.
    for (const QJsonValue& v : doc[QStringLiteral("meters")].toArray()) {
        const QJsonObject m = v.toObject();
        for (CollectRow& row : collectRows_) {
            if (row.done || row.name != m[QStringLiteral("name")].toString() ||
                row.serial != m[QStringLiteral("serial")].toInt())
                continue;
            row.done = true;
            row.ok = m[QStringLiteral("ok")].toBool();
            row.state = m[QStringLiteral("status")].toString() + QStringLiteral(", новых записей %1, уже было %2")
                                                                     .arg(m[QStringLiteral("records_new")].toInt())
                                                                     .arg(m[QStringLiteral("records_stored")].toInt());
            break;
        }
    }
    for (CollectRow& row : collectRows_)
        if (!row.done) row.state = QStringLiteral("не собран");
    fillCollectRows();
    const bool ok = status == QProcess::NormalExit && exitCode == 0;
    QString text;
    if (doc.contains(QStringLiteral("collected")))
        text = QStringLiteral("сбор окончен: собрано %1 из %2 приборов, хранилище %3")
                   .arg(doc[QStringLiteral("collected")].toInt())
                   .arg(doc[QStringLiteral("collected")].toInt() + doc[QStringLiteral("failed")].toInt())
                   .arg(collectStore_);
    else
        text = QStringLiteral("сбор не состоялся");
    if (!errors.isEmpty()) text += QStringLiteral("\n") + errors;
    // The list shows the store the collection filled.
    if (doc.contains(QStringLiteral("collected"))) {
        if (storeLocation() == collectStore_) {
            auto store = std::make_unique<ArchiveStore>();
            if (store->Open(collectStore_, false).isEmpty()) {
                store_ = std::move(store);
                RefreshMeters();
            }
        }
    }
    setMessage(text, !ok);
    Q_EMIT CollectionFinished(ok);
}

void TStorePage::fillCollectRows() {
    SGcollect->setRowCount(int(collectRows_.size()));
    const QColor alarm = StyleColor(StatusStyle::Error);
    for (int i = 0; i < int(collectRows_.size()); ++i) {
        const CollectRow& r = collectRows_[size_t(i)];
        setCell(SGcollect, i, 0, r.name);
        setCell(SGcollect, i, 1, QString::number(r.serial));
        setCell(SGcollect, i, 2, r.state);
        if (r.done && !r.ok) SGcollect->item(i, 2)->setForeground(alarm);
    }
    // The progress takes what the name and number leave.
    SGcollect->resizeColumnToContents(0);
    SGcollect->resizeColumnToContents(1);
    SGcollect->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
}

}  // namespace omi
