#include "reports/PrintPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "archives/ArchiveFile.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchivePage.h"
#include "protocol/Models.h"
#include "reports/ReportItems.h"
#include "ReportPainter.h"
#include "shell/ClientHelp.h"
#include "shell/Dialogs.h"
#include "shell/HelpViewer.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/Format.h"
#include "support/Paths.h"

namespace omi {

namespace {

// Why there is no report of an archive of a device type.
QString noReportText(int type) {
    if (type < 0) return QStringLiteral("нет архива для печати: прочитайте архив из устройства или из файла");
    return Format(QStringLiteral("для архива %s нет шаблонов отчета"), {ModelName(type)});
}

PrintDialogs& Dialogs() {
    static PrintDialogs dialogs;
    return dialogs;
}

constexpr int kPrintHelpContext = 300;

const char* const kMemoNames[3] = {"Верхний заголовок отчета", "Данные отчета", "Нижний колонтитул отчета"};

TemplateFont FontOf(const QFont& font) {
    return TemplateFont{font.family(), font.pointSize() > 0 ? font.pointSize() : 8, font.bold(), font.italic()};
}

QStringList LinesOf(const QPlainTextEdit* memo) {
    if (memo->document()->isEmpty()) return {};
    return memo->toPlainText().split(QLatin1Char('\n'));
}

bool IsStandardHeader(const QStringList& lines) {
    if (lines == BuiltInHeader().lines) return true;
    for (const char* family : {"25", "27", "28", "29", "30", "34"})
        if (lines == StandardTemplateSet(QString::fromLatin1(family), false).header.lines) return true;
    return false;
}

}  // namespace

void SetPrintDialogs(PrintDialogs dialogs) { Dialogs() = std::move(dialogs); }

TPrintPage::TPrintPage(TFomi& window) : QObject(&window), window_(window) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setFullPage(true);
    printer_->setPageSize(QPageSize(QPageSize::A4));
    for (int i = 0; i < 3; ++i) fonts_[i] = TemplateFont{};
    buildPage();

    archive_ = window.findChild<TArchivePage*>();
    if (archive_) connect(archive_, &TArchivePage::ArchiveChanged, this, [this] { LoadTemplates(); });

    QAction* print = window.Action(QStringLiteral("AArhPrint"));
    if (print) connect(print, &QAction::triggered, this, [this] { AArhPrintExecute(); });
}

TPrintPage::~TPrintPage() = default;

void TPrintPage::buildPage() {
    QWidget* page = window_.Page(QStringLiteral("TSp"));
    if (!page) return;
    page->setProperty("helpContext", kPrintHelpContext);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(4, 4, 4, 0);

    // Row 1: font, interval, frame, margins, printer, help; row 2: the items.
    auto* row = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("ШРИФТ"), page);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("выбор шрифта текущей области печати"));
    Bint = new QPushButton(QStringLiteral("0"), page);
    Bint->setObjectName(QStringLiteral("Bint"));
    Bint->setToolTip(QStringLiteral("межстрочный интервал при печати архива"));
    Bint->setFixedWidth(Bint->fontMetrics().horizontalAdvance(QStringLiteral("-00")) + 24);
    cbf = new QCheckBox(QStringLiteral("поля"), page);
    cbf->setObjectName(QStringLiteral("cbf"));
    cbf->setToolTip(QStringLiteral("показывать поля (будут печататься)"));
    cbf->setChecked(true);
    row->addWidget(Button1);
    row->addWidget(Bint);
    row->addWidget(cbf);

    auto spin = [&](QSpinBox*& box, const char* name, const char* label, const char* hint, int value, int low,
                    int high) {
        box = new QSpinBox(page);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(low, high);
        box->setValue(value);
        box->setToolTip(QString::fromUtf8(hint));
        auto* l = new QLabel(QString::fromUtf8(label), page);
        l->setBuddy(box);
        l->setToolTip(box->toolTip());
        row->addWidget(l);
        row->addWidget(box);
    };
    spin(SELeft, "SELeft", "слева", "Левое поле, мм", 15, 0, 100);
    spin(SEtop, "SEtop", "сверху", "Верхнее поле,мм", 5, 0, 100);
    spin(SERight, "SERight", "справа", "правое поле,мм", 5, 0, 100);
    spin(SEbottom, "SEbottom", "снизу", "нижнее поле,мм", 5, 0, 100);
    spin(SEint, "SEint", "интервал", "межстрочный интервал=значение+1мм", 0, -1, 20);
    BBsp = new QPushButton(QStringLiteral("выбор принтера"), page);
    BBsp->setObjectName(QStringLiteral("BBsp"));
    row->addWidget(BBsp);
    row->addStretch(1);
    SBhe = new QToolButton(page);
    SBhe->setObjectName(QStringLiteral("SBhe"));
    SBhe->setText(QStringLiteral("?"));
    SBhe->setCheckable(true);
    SBhe->setToolTip(QStringLiteral("помощь настройки печати"));
    row->addWidget(SBhe);
    outer->addLayout(row);

    auto* row2 = new QHBoxLayout;
    cbd = new QComboBox(page);
    cbd->setObjectName(QStringLiteral("cbd"));
    cbd->setEditable(true);
    cbd->setInsertPolicy(QComboBox::NoInsert);
    cbd->setToolTip(QStringLiteral("вставка параметров в мемо по дв.щ"));
    cbd->setMaxVisibleItems(25);
    cbd->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbd->setMinimumContentsLength(40);
    cbd->setEditText(QStringLiteral("переменные значения"));
    cbd->lineEdit()->installEventFilter(this);
    row2->addWidget(cbd, 1);
    auto* printNow = new QToolButton(page);
    printNow->setObjectName(QStringLiteral("TBprint"));
    if (QAction* a = window_.Action(QStringLiteral("AArhPrint"))) printNow->setDefaultAction(a);
    printNow->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    row2->addWidget(printNow);
    BBspa = new QPushButton(QStringLiteral("выбор принтера"), page);
    BBspa->setObjectName(QStringLiteral("BBspa"));
    row2->addWidget(BBspa);
    outer->addLayout(row2);

    // The three template memos with their names; the work memo stays hidden.
    auto makeMemo = [&](QPlainTextEdit*& m, const char* name, const char* hint, int tag, int stretch) {
        auto* caption = new QLabel(QString::fromUtf8(kMemoNames[tag]), page);
        m = new QPlainTextEdit(page);
        m->setObjectName(QString::fromLatin1(name));
        m->setToolTip(QString::fromUtf8(hint));
        m->setProperty("tag", tag);
        m->setLineWrapMode(QPlainTextEdit::NoWrap);
        m->installEventFilter(this);
        m->viewport()->installEventFilter(this);
        outer->addWidget(caption);
        outer->addWidget(m, stretch);
        connect(m, &QPlainTextEdit::cursorPositionChanged, this, [this, m] { ShowCaret(m); });
    };
    makeMemo(mH, "mH", "Верхний колонтитул документа", 0, 2);
    makeMemo(mB, "mB", "основная часть", 1, 4);
    makeMemo(mF, "mF", "нижний колонтитул документа", 2, 1);
    MR = new QPlainTextEdit(page);
    MR->setObjectName(QStringLiteral("MR"));
    MR->setToolTip(QStringLiteral("рабочий memo"));
    MR->setVisible(false);

    sbm = new QStatusBar(page);
    sbm->setObjectName(QStringLiteral("sbm"));
    sbm->setSizeGripEnabled(false);
    const char* starts[3] = {"строка", "колонка", "мемо"};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(QString::fromUtf8(starts[i]), sbm);
        panels_[i]->setObjectName(QStringLiteral("sbm%1").arg(i));
        panels_[i]->setMinimumWidth(i == 2 ? 220 : 110);
        sbm->addWidget(panels_[i]);
    }
    outer->addWidget(sbm);

    // Start texts: the built-in templates and items of family "34".
    const TemplateSet start = BuiltInTemplateSet(QStringLiteral("34"));
    setMemo(TemplatePart::Header, start.header);
    setMemo(TemplatePart::Body, start.body);
    setMemo(TemplatePart::Footer, start.footer);
    cbd->addItems(start.items);
    cbd->setCurrentIndex(-1);
    cbd->setEditText(QStringLiteral("переменные значения"));

    connect(cbd, &QComboBox::activated, this, [this](int index) { cbdClick(index); });
    connect(SBhe, &QToolButton::toggled, this, [this](bool down) { SBheClick(down); });
    connect(Bint, &QPushButton::clicked, this, [this] { BintClick(); });
    connect(SEint, &QSpinBox::valueChanged, this, [this](int v) { Bint->setText(QString::number(v)); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BBsp, &QPushButton::clicked, this, [this] { BBspClick(); });
    connect(BBspa, &QPushButton::clicked, this, [this] { BBspClick(); });
}

QPlainTextEdit* TPrintPage::memo(TemplatePart part) const {
    return part == TemplatePart::Header ? mH : part == TemplatePart::Body ? mB : mF;
}

void TPrintPage::setMemo(TemplatePart part, const TemplateMemo& m) {
    QPlainTextEdit* edit = memo(part);
    // While the help is shown in the header memo, the header goes to MR.
    if (part == TemplatePart::Header && SBhe && SBhe->isChecked()) edit = MR;
    edit->setPlainText(m.lines.join(QLatin1Char('\n')));
    fonts_[int(part)] = m.font;
    memo(part)->setFont(ReportFont(m.font));
}

TemplateSet TPrintPage::CurrentTemplates() const {
    TemplateSet set;
    for (int i = 0; i < cbd->count(); ++i) set.items << cbd->itemText(i);
    for (TemplatePart part : {TemplatePart::Header, TemplatePart::Body, TemplatePart::Footer}) {
        const QPlainTextEdit* edit = part == TemplatePart::Header && SBhe->isChecked() ? MR : memo(part);
        set.Part(part).lines = LinesOf(edit);
        set.Part(part).font = fonts_[int(part)];
    }
    return set;
}

PrintSettings TPrintPage::Settings() const {
    PrintSettings s;
    s.left = SELeft->value();
    s.top = SEtop->value();
    s.right = SERight->value();
    s.bottom = SEbottom->value();
    s.lineInterval = SEint->value();
    s.frame = cbf->isChecked();
    return s;
}

PrintSource TPrintPage::Source() const {
    if (source_) return source_();
    PrintSource s;
    if (!archive_) return s;
    s.loadedFile = archive_->LoadedFile();
    if (printsFile(s)) {
        // The file knows its device and heat system; its records are what
        // the report shows.
        const ArchiveFileOrigin origin = ArchiveFileOriginOf(s.loadedFile, archive_->LoadedType());
        s.type = archive_->LoadedType() >= 0 ? archive_->LoadedType() : origin.type;
        s.serial = origin.serial;
        s.system = origin.system;
        s.shown.view.entries = archive_->LoadedContent().entries;
        s.shown.view.hasTotals = archive_->LoadedContent().hasTotals;
        // Hourly or daily as the records (or the name) say: the report of a
        // file is that of the read it was saved from.
        s.shown.tab.kind = ArchiveFileKind(s.type, s.loadedFile, s.shown.view.entries, s.shown.view.hasTotals);
        s.shown.tab.system = 0;
        return s;
    }
    s.type = archive_->ArchiveType();
    s.serial = archive_->ArchiveSerial();
    s.tab = archive_->CurrentTab();
    s.range = archive_->Range();
    s.partial = archive_->PartialNote();
    if (s.type >= 0) s.shown = archive_->CurrentView();
    return s;
}

void TPrintPage::LoadTemplates() {
    const PrintSource source = Source();
    const int type = source.type;
    const QString family = TemplateFamily(type);
    if (family.isEmpty()) return;
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    const int tab = source.tab;
    const bool hourly = printsFile(source) ? IsHourlyKind(source.shown.tab.kind)
                                           : tab >= 0 && tab < tabs.size() && IsHourlyKind(tabs[tab].kind);

    TemplateSet set = CurrentTemplates();
    LoadTemplateSet(PrintFolder(), family, hourly, set);
    // A memo without its file that still holds a start text gets the text
    // that fits this family and class: the start body's columns are those of
    // family 225 and would put other values under its headings.
    const TemplateSet standard = StandardTemplateSet(family, hourly);
    const QString folder = PrintFolder() + QLatin1Char('/');
    if (!QFileInfo::exists(folder + TemplateFileName(TemplatePart::Body, family, hourly)) &&
        IsStandardBody(set.body.lines))
        set.body.lines = standard.body.lines;
    if (!QFileInfo::exists(folder + TemplateFileName(TemplatePart::Header, family, hourly)) &&
        IsStandardHeader(set.header.lines))
        set.header.lines = standard.header.lines;

    ReadyGuard quiet;
    family_ = family;
    hourly_ = hourly;
    cbd->clear();
    cbd->addItems(set.items);
    cbd->setCurrentIndex(-1);
    cbd->setEditText(QStringLiteral("переменные значения"));
    chosenItem_ = -1;
    setMemo(TemplatePart::Header, set.header);
    setMemo(TemplatePart::Body, set.body);
    setMemo(TemplatePart::Footer, set.footer);
}

bool TPrintPage::printsFile(const PrintSource& source) const {
    return !source.loadedFile.isEmpty() && window_.PCW()->currentWidget() == window_.Page(QStringLiteral("TSW"));
}

QString TPrintPage::reportTitle() const {
    const PrintSource source = Source();
    if (printsFile(source)) return QFileInfo(source.loadedFile).fileName();
    const QList<ArchiveTab> tabs = ArchiveTabs(source.type);
    const int tab = source.tab;
    return tab >= 0 && tab < tabs.size() ? ArchiveKindName(tabs[tab].kind) : QString();
}

std::optional<ReportInput> TPrintPage::prepareReport() {
    const QString data = DataRoot();
    if (!QDir().mkpath(data) || !QDir().mkpath(PrintFolder())) ShowValue(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
    const PrintSource source = Source();
    const int type = source.type;
    const QString family = TemplateFamily(type);
    if (family.isEmpty()) {
        ShowValue(noReportText(type));
        return std::nullopt;
    }
    const ArchiveTabView& shown = source.shown;
    const bool hourly = IsHourlyKind(shown.tab.kind);
    // The memos hold the set of this family and class (a print may come
    // before any refresh of the archive view loaded it).
    if (family_ != family || hourly_ != hourly) LoadTemplates();
    const TemplateSet templates = CurrentTemplates();
    // The templates on disk always match the last report (errors ignored).
    SaveTemplateSet(PrintFolder(), family, hourly, templates);

    // The report names the archive's own device, not the one connected now.
    const int serial = source.serial;
    ReportInput input;
    if (printsFile(source))
        input = MakeFileReportInput(type, serial, source.loadedFile, shown.view.entries, shown.view.hasTotals,
                                    templates, QDate::currentDate(), source.system);
    else
        input = MakeReportInput(type, serial, shown, source.range, templates, QDate::currentDate());
    if (!printsFile(source)) input.note = source.partial;
    input.context.typeText = ModelName(type);
    input.settings = Settings();
    return input;
}

void TPrintPage::PrintReport(QPrinter* printer) {
    if (!printer) return;
    const std::optional<ReportInput> input = prepareReport();
    if (!input) return;
    printer->setFullPage(true);
    printer->setDocName(reportTitle());
    lastReport_ = RenderReport(*printer, *input, [this](int page) {
        window_.Status().SetStatus(Format(QStringLiteral("Рисуется страница %d"), {page}), Qt::black);
    });
}

QString TPrintPage::SaveReportPdf(const QString& path) {
    const std::optional<ReportInput> input = prepareReport();
    if (!input) return noReportText(Source().type);
    return WriteReportPdf(path, *input, reportTitle());
}

void TPrintPage::AArhPrintExecute() {
    // Change handlers stay quiet while the report is produced.
    ReadyGuard quiet;
    // The page count of the drawing ("Рисуется страница 1") is gone with the
    // preview: the status line says again what it said before.
    struct StatusBack {
        QLabel* label;
        QString text;
        QColor colour;
        WindowStatusSink& status;
        ~StatusBack() {
            if (label && label->text().contains(QStringLiteral("Рисуется страница"))) status.SetStatus(text, colour);
        }
    } back{window_.LuState, window_.LuState ? window_.LuState->text() : QString(),
           window_.LuState ? window_.LuState->palette().color(QPalette::WindowText) : QColor(), window_.Status()};
    const auto paint = [this](QPrinter* printer) { PrintReport(printer); };
    if (Dialogs().preview) {
        Dialogs().preview(*printer_, paint);
        return;
    }
    QPrintPreviewDialog dialog(printer_.get(), &window_);
    dialog.setWindowTitle(QStringLiteral("ПРЕДВАРИТЕЛЬНЫЙ ПРОСМОТР чего?"));
    const QString title = reportTitle();
    if (!title.isEmpty()) dialog.setWindowTitle(title);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, paint);
    if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
        preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
        preview->setZoomFactor(0.98);
    }
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("PDF"));
        pdf->setObjectName(QStringLiteral("APdf"));
        pdf->setToolTip(QStringLiteral("сохранить отчет в файл PDF"));
        connect(pdf, &QAction::triggered, &dialog, [this, title] {
            const QString suggested = PrintFolder() + QLatin1Char('/') +
                                      SafeFileName(title.isEmpty() ? QStringLiteral("отчет") : title) +
                                      QStringLiteral(".pdf");
            const QString path = Dialogs().pdfPath
                                     ? Dialogs().pdfPath(suggested)
                                     : QFileDialog::getSaveFileName(&window_, QStringLiteral("сохранить отчет"),
                                                                    suggested, QStringLiteral("PDF (*.pdf)"));
            if (path.isEmpty()) return;
            const QString error = SaveReportPdf(path);
            if (!error.isEmpty()) ShowValue(error);
        });
    }
    // The size of the screen too, for desktops that do not maximise dialogs.
    if (const QScreen* screen = window_.screen()) dialog.resize(screen->availableGeometry().size());
    dialog.setWindowState(Qt::WindowMaximized);
    dialog.exec();
}

void TPrintPage::mHDblClick(QPlainTextEdit* m) {
    if (chosenItem_ < 0) return;
    m->textCursor().insertText(QStringLiteral("@") + QString::number(chosenItem_).rightJustified(2, QLatin1Char('0')));
}

void TPrintPage::mHEnter(QPlainTextEdit* m) {
    fontTag_ = m->property("tag").toInt();
    panels_[2]->setText(QString::fromUtf8(kMemoNames[fontTag_]));
}

void TPrintPage::ShowCaret(QPlainTextEdit* m) {
    const QTextCursor c = m->textCursor();
    panels_[0]->setText(Format(QStringLiteral("строка=%d"), {c.blockNumber() + 1}));
    panels_[1]->setText(Format(QStringLiteral("столбец=%d"), {c.positionInBlock() + 1}));
}

void TPrintPage::cbdClick(int index) { chosenItem_ = index; }

void TPrintPage::cbdEnter() {
    if (chosenItem_ < 0 || chosenItem_ >= cbd->count()) return;
    const QString text = cbd->currentText();
    const int index = chosenItem_;
    cbd->setItemText(index, text);
    cbd->setCurrentIndex(index);
}

void TPrintPage::SBheClick(bool down) {
    if (down) {
        MR->setPlainText(mH->toPlainText());
        mH->setPlainText(HelpTextOrMissing(PrintSettingsHelpPath()));
        if (window_.Help()) window_.Help()->OpenContext(window_.HelpFile(), kPrintHelpContext);
    } else {
        mH->setPlainText(MR->toPlainText());
    }
}

void TPrintPage::BintClick() {
    SEint->setValue(NextLineInterval(SEint->value()));
    Bint->setText(QString::number(SEint->value()));
}

void TPrintPage::Button1Click() {
    const QFont initial = ReportFont(fonts_[fontTag_]);
    std::optional<QFont> chosen;
    if (Dialogs().font) {
        chosen = Dialogs().font(initial);
    } else {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, &window_, QStringLiteral("ШРИФТ"));
        if (ok) chosen = f;
    }
    if (!chosen) return;
    fonts_[fontTag_] = FontOf(*chosen);
    memo(TemplatePart(fontTag_))->setFont(ReportFont(fonts_[fontTag_]));
}

void TPrintPage::BBspClick() {
    if (Dialogs().printerSetup) {
        Dialogs().printerSetup(*printer_);
        return;
    }
    QPrintDialog dialog(printer_.get(), &window_);
    dialog.setWindowTitle(QStringLiteral("выбор принтера"));
    dialog.exec();
}

bool TPrintPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cbd->lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cbdEnter();
            return true;
        }
        return false;
    }
    for (QPlainTextEdit* m : {mH, mB, mF}) {
        if (!m) continue;
        if (watched == m->viewport() && event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            m->setTextCursor(m->cursorForPosition(mouse->position().toPoint()));
            mHDblClick(m);
            return true;
        }
        if (watched == m && event->type() == QEvent::FocusIn) mHEnter(m);
        if ((watched == m || watched == m->viewport()) &&
            (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease))
            ShowCaret(m);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace omi
