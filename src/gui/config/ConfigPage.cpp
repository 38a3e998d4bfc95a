#include "config/ConfigPage.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "config/ConfigEditors.h"
#include "connection/Connection.h"
#include "families/ConfigPageRules.h"
#include "families/DeviceFamily.h"
#include "families/U25.h"
#include "families/U28.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "service/DeviceReading.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "support/Format.h"
#include "support/Paths.h"

namespace omi {

namespace {

bool TwoSystemFamily(int type) { return FamilyFor(type) && FamilyFor(type)->configPerSystem; }
// The heat-system selector is shown for the calculators that serve two.
bool SelectorShown(int type) { return HeatSystemsOf(type) == 2; }

// The family's configuration becomes its default in every record; false for
// a type without a family.
bool SetDefaults(DeviceRecords& records, int type) {
    const DeviceFamily* family = FamilyFor(type);
    if (family) family->resetConfig(records);
    return family != nullptr;
}

// Why the page has nothing to edit for the current device.
QString NoEditorText(int type) {
    if (type < 0) return kIdentifyFirst;
    return Format(QStringLiteral("конфигурацию %s эта программа не показывает"), {ModelName(type)});
}

}  // namespace

const QString TConfigPage::kShownDefaultsText = QStringLiteral(
    "показана конфигурация по умолчанию, не прочитанная из устройства: для записи прочитайте конфигурацию");

TConfigPage::TConfigPage(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    QWidget* page = window_.TSwr;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    auto* buttons = new QHBoxLayout;
    BConDef_ = new QPushButton(QStringLiteral("Конфигурация по умолчанию"), page);
    BConDef_->setObjectName(QStringLiteral("BConDef"));
    BConDef_->setToolTip(QStringLiteral("задать значения конфигурации по умолчанию"));
    connect(BConDef_, &QPushButton::clicked, this, [this] { BConDefClick(); });
    buttons->addWidget(BConDef_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    Ppar_ = new QWidget(page);
    Ppar_->setObjectName(QStringLiteral("Ppar"));
    auto* panel = new QVBoxLayout(Ppar_);
    panel->setContentsMargins(0, 0, 0, 0);
    Ppar_->hide();
    layout->addWidget(Ppar_);
    layout->addStretch(1);

    const auto wire = [this](const char* name, auto handler) {
        QAction* a = window_.Action(QString::fromUtf8(name));
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, handler);
    };
    wire("AreadParam", [this] { AreadParamExecute(); });
    wire("AConChange", [this] { AConChangeExecute(); });
    wire("AnoSysChange", [this] { AnoSysChangeExecute(); });
    wire("VesChange", [this] { VesChangeExecute(window_.Action(QStringLiteral("VesChange"))->data().toInt()); });

    page->installEventFilter(this);
    connect(&window_, &TFomi::DeviceAddressEntered, this, [this] { DiscardEditor(); });
    connect(&window_, &TFomi::CurrentDeviceChanged, this, [this](int serial, int type) { DropDevice(serial, type); });
    DropDevice(-1, -1);
}

void TConfigPage::DropDevice(int serial, int type) {
    (void)serial;
    // What was read or typed belongs to the previous device: it is neither
    // shown nor writable for this one.
    DiscardEditor();
    Flags().configRead = false;
    setSource(Source::None);
    Ppar_->hide();
    window_.Action(QStringLiteral("ASetPar"))->setEnabled(false);
    window_.Action(QStringLiteral("ASaveDateTime"))->setEnabled(false);
    QTabWidget* pcw = window_.PCW();
    if (pcw->currentWidget() == window_.TSwr) pcw->setCurrentWidget(window_.TSW);
    pcw->setTabEnabled(pcw->indexOf(window_.TSwr), false);
    if (Flags().accessLevel == 0 && window_.sgsp) window_.sgsp->clear();
    BConDef_->setEnabled(type >= 0);
    BConDef_->setToolTip(type >= 0 ? QStringLiteral("задать значения конфигурации по умолчанию") : kIdentifyFirst);
}

bool TConfigPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.TSwr && event->type() == QEvent::Show) TSwrShow();
    return QObject::eventFilter(watched, event);
}

QWidget* TConfigPage::calibrationPanel() const { return window_.findChild<QWidget*>(QStringLiteral("Pcal")); }

void TConfigPage::AreadParamExecute() {
    if (!Flags().ready) return;
    if (line_.Serial() < 0 || line_.Type() < 0) {
        window_.AreadNoTuExecute();
        if (line_.Serial() < 0 || line_.Type() < 0) return;
    }
    // The page that shows the configuration: the one shown when it is the
    // configuration or calibration page, else the configuration page, else
    // the calibration page (the access level decides which are there).
    QTabWidget* pcw = window_.PCW();
    QWidget* target = pcw->currentWidget();
    if (target != window_.TSwr && target != window_.TSk) {
        if (pcw->isTabVisible(pcw->indexOf(window_.TSwr))) {
            target = window_.TSwr;
        } else if (pcw->isTabVisible(pcw->indexOf(window_.TSk))) {
            target = window_.TSk;
        } else {
            window_.Status().error(QStringLiteral("на этом уровне доступа конфигурация не показывается"));
            return;
        }
    }

    const int type = line_.Type();
    const ReadResult r = ReadConfig(line_, window_.Status(), false);
    if (r.outcome == ReadOutcome::UnknownType) {
        window_.Status().error(NoEditorText(type));
        return;
    }
    if (!r.ok()) return;
    Flags().configRead = true;
    setSource(Source::Device);
    // The page is enabled by the reading, so it can be shown now (a disabled
    // tab cannot be made current).
    pcw->setTabEnabled(pcw->indexOf(window_.TSwr), true);
    if (pcw->currentWidget() != target) {
        ReadyGuard quiet;
        pcw->setCurrentWidget(target);
    }

    QStringList lines = ConfigValueTexts(line_);
    if (Flags().accessLevel == 0) {
        lines += ConfigByteLines(r.response);
        // Into the data folder: the working folder may be anywhere (or not writable).
        QDir().mkpath(DataRoot());
        const QString failed = SaveDump(DataRoot(), kConfigDumpFile, lines);
        if (!failed.isEmpty()) window_.Status().error(failed);
        if (TraceMemo* ma = window_.Ma(); ma && ma->Visible())
            for (const QString& line : lines) ma->AddLine(line);
    }

    // The page shown builds its editor from what was read.
    if (pcw->currentWidget() == window_.TSwr) {
        TSwrShow();
    } else if (QWidget* pcal = calibrationPanel(); pcal && pcw->currentWidget() == window_.TSk) {
        ParamPage(pcal);
    }
    window_.Status().ok(QStringLiteral("Конфигурация успешно прочитана"));
}

void TConfigPage::TSwrShow() {
    const bool read = Flags().configRead;
    updateWriteAction();
    window_.Action(QStringLiteral("ASaveDateTime"))->setEnabled(read);
    window_.PCW()->setTabEnabled(window_.PCW()->indexOf(window_.TSwr), read);
    Ppar_->setVisible(line_.Serial() > 0);
    if (!read) {
        window_.Status().busy(QStringLiteral("страница недоступна, пока конфигурация не прочитана"));
        return;
    }
    if (Flags().ready && line_.Serial() >= 0) {
        const int type = line_.Type();
        Ppar_->hide();
        if (FamilyFor(type)) {
            ParamPage(Ppar_);
            Ppar_->setVisible(line_.Serial() > 0);
        } else {
            window_.Status().error(NoEditorText(type));
        }
    }
    if (Flags().accessLevel == 0) showConfigGrid();
}

void TConfigPage::ParamPage(QWidget* target) {
    if (!target) return;
    const int type = line_.Type();
    if (editor_ && (editor_->parentWidget() != target || editor_->DeviceType() != type)) {
        delete editor_;
        editor_ = nullptr;
    }
    if (!editor_) {
        const double scale = target == Ppar_ ? 1.5 : 1.0;
        editor_ = CreateConfigEditor(type, line_.Records(), scale, target);
        if (!editor_) return;
        if (target->layout()) {
            target->layout()->addWidget(editor_);
        } else {
            // A panel without a layout (the calibration page) puts the
            // editor under its button row.
            editor_->move(0, 250);
            editor_->adjustSize();
        }
        editor_->show();
        // The editor's events run the page's actions' handlers directly, so
        // that a hidden or disabled action never cuts them off.
        connect(editor_, &TConfigEditor::Changed, this, [this] { AConChangeExecute(); });
        connect(editor_, &TConfigEditor::SystemChanged, this, [this] { AnoSysChangeExecute(); });
        connect(editor_, &TConfigEditor::WeightLabelClicked, this, [this](int k) { VesChangeExecute(k); });
    }
    Flags().ready = false;
    editor_->SetSelectorVisible(SelectorShown(type));
    // Without a reading the editor starts from the defaults, marked as such
    // and not writable.
    if (!Flags().configRead) {
        SetDefaults(line_.Records(), type);
        setSource(Source::ShownDefaults);
    }
    editor_->Load();
    Flags().ready = true;
    AConChangeExecute();
}

void TConfigPage::AConChangeExecute() {
    if (!Flags().ready) return;
    const int type = line_.Type();
    if (!editor_ || editor_->DeviceType() != type) {
        window_.Status().error(NoEditorText(type));
        return;
    }
    editor_->Collect(window_.Status());
    // Defaults are not the device's values: the status says what they are.
    if (!editor_->HasError()) {
        if (source_ == Source::ShownDefaults)
            window_.Status().busy(kShownDefaultsText);
        else if (source_ == Source::ChosenDefaults)
            window_.Status().ok(QStringLiteral("Конфигурация задана по умолчанию"));
    }
    updateWriteAction();
    // An edit of defaults nobody asked for makes them no more the device's.
    if (source_ == Source::ShownDefaults) return;
    Flags().configRead = true;
    window_.Action(QStringLiteral("ASaveDateTime"))->setEnabled(true);
    window_.PCW()->setTabEnabled(window_.PCW()->indexOf(window_.TSwr), true);
}

void TConfigPage::setSource(Source source) {
    source_ = source;
    sourceSerial_ = source == Source::None ? -1 : line_.Serial();
    sourceType_ = source == Source::None ? -1 : line_.Type();
    updateWriteAction();
}

bool TConfigPage::Writable() const {
    if (source_ != Source::Device && source_ != Source::ChosenDefaults) return false;
    if (sourceSerial_ < 0 || sourceSerial_ != line_.Serial() || sourceType_ != line_.Type()) return false;
    return Flags().configRead && !(editor_ && editor_->HasError());
}

void TConfigPage::updateWriteAction() {
    QAction* write = window_.Action(QStringLiteral("ASetPar"));
    write->setEnabled(Writable());
    QString why = QStringLiteral("Записать конфигурацию в устройство");
    if (source_ == Source::ShownDefaults)
        why = kShownDefaultsText;
    else if (source_ == Source::None)
        why = QStringLiteral("сначала прочитайте конфигурацию устройства");
    else if (editor_ && editor_->HasError())
        why = QStringLiteral("исправьте значение, названное в строке состояния");
    write->setToolTip(why);
}

void TConfigPage::AnoSysChangeExecute() {
    if (!Flags().ready || line_.Type() < 0 || !editor_) return;
    ParamPage(editor_->parentWidget());
}

void TConfigPage::VesChangeExecute(int k) {
    if (!Flags().ready || !editor_) return;
    if (editor_->ToggleWeightUnit(k)) AConChangeExecute();
}

void TConfigPage::BConDefClick() {
    if (!Flags().ready) return;
    const int type = line_.Type();
    if (!SetDefaults(line_.Records(), type)) {
        window_.Status().error(NoEditorText(type));
        return;
    }
    // The defaults are what the editor now holds: asked for, they can be
    // written to this device.
    Flags().configRead = true;
    setSource(Source::ChosenDefaults);
    // Built again where it is shown: on Ppar or on the calibration panel.
    QWidget* target = editor_ ? editor_->parentWidget() : Ppar_;
    ParamPage(target);
    if (target == Ppar_) Ppar_->setVisible(line_.Serial() > 0);
    window_.Status().ok(QStringLiteral("Конфигурация задана по умолчанию"));
}

void TConfigPage::DiscardEditor() {
    delete editor_;
    editor_ = nullptr;
}

void TConfigPage::showConfigGrid() {
    QTableWidget* grid = window_.sgsp;
    if (!grid) return;
    const int type = line_.Type();
    const QList<cfgpage::GridColumn> columns = cfgpage::ConfigGridColumns(type);
    if (columns.isEmpty()) return;
    const QStringList texts = ConfigValueTexts(line_);
    const bool two = TwoSystemFamily(type);
    const qsizetype perSystem = two ? texts.size() / 2 : texts.size();
    grid->clear();
    grid->setColumnCount(16);
    grid->setRowCount(two ? 4 : 3);
    const QFontMetrics fm(grid->font());
    for (int c = 0; c < columns.size(); ++c) {
        const cfgpage::GridColumn& col = columns[c];
        const QStringList cells = {col.heading1, col.heading2, texts.value(col.line),
                                   two ? texts.value(perSystem + col.line) : QString()};
        int width = 0;
        for (int row = 0; row < grid->rowCount(); ++row) {
            grid->setItem(row, c, new QTableWidgetItem(cells[row]));
            if (row <= 2) width = std::max(width, fm.horizontalAdvance(cells[row]));
        }
        grid->setColumnWidth(c, width + 5 + 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 6);
    }
}

}  // namespace omi
