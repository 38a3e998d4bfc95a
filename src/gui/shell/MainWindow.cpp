#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "archives/ArchivePage.h"
#include "archives/ArchiveRange.h"
#include "archives/LoggerImport.h"
#include "config/ConfigPage.h"
#include "connection/Connection.h"
#include "families/Imitation.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "reports/PrintPage.h"
#include "service/CalibrationPanel.h"
#include "service/ChangeLogReader.h"
#include "service/DebugTerminal.h"
#include "service/WriteActions.h"
#include "shell/ActionToolBar.h"
#include "shell/ClientHelp.h"
#include "shell/Dialogs.h"
#include "shell/HelpViewer.h"
#include "shell/Lamp.h"
#include "shell/ModemPage.h"
#include "shell/NetworkCheck.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "shell/WindowValues.h"
#include "state/StateView.h"
#include "store/StorePage.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "transport/CommPortDriver.h"

namespace omi {

const QString TFomi::kServiceCode = QStringLiteral("ОМИ-СЕРВИС");
const QString TFomi::kCaptionStart = QStringLiteral("ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ версия ");

namespace {

struct ActionEntry {
    const char* name;
    const char* category;
    const char* caption;
    const char* hint;
    bool checkable;
    const char* shortcut;
    QStyle::StandardPixmap icon;
};

constexpr QStyle::StandardPixmap kNoIcon = QStyle::SP_CustomBase;

// Every action of the window with its category, caption and hint.
const ActionEntry kActions[] = {
    {"Acreate", "управление", "подготовка", "", false, "", kNoIcon},
    {"AreadNoTu", "чтение", "номер/тип", "прочитать тип и номер уст-ва", false, "", kNoIcon},
    {"Areadstate", "чтение", "состояние", "прочитать состояние уст-ва", true, "", kNoIcon},
    {"AreadParam", "чтение", "Конфигурация", "прочитать параметры уст-ва", false, "", kNoIcon},
    {"AreadArh", "чтение", "архив", "читать суточный архив", false, "", kNoIcon},
    {"Aimit", "управление", "имитация", "", true, "", kNoIcon},
    {"ARA228", "чтение", "Архив228", "", false, "", kNoIcon},
    {"ARA234", "чтение", "Архив 234", "", false, "", kNoIcon},
    {"ARA225", "чтение", "Архив225", "", false, "", kNoIcon},
    {"ARA227", "чтение", "Архив227", "", false, "", kNoIcon},
    {"ARA229", "чтение", "Архив 229", "", false, "", kNoIcon},
    {"AstopArhRead", "чтение", "стоп", "остановить чтение архива", false, "", kNoIcon},
    {"AEnter", "управление", "подсветка", "", false, "", kNoIcon},
    {"AExit", "управление", "отсветка", "", false, "", kNoIcon},
    {"ASaveDateTime", "запись", "Уст дату/время", "установить дату и время из компьютера", false, "", kNoIcon},
    {"AArhPrint", "печать", "печать архива", "пр.просмотр и печать архива", false, "",
     QStyle::SP_FileDialogContentsView},
    {"ASetNO", "запись", "задать №", "записать серийный номер", false, "", QStyle::SP_FileDialogInfoView},
    {"ASetPar", "запись", "запись конфигурации", "Записать конфигурацию в устройство", false, "", kNoIcon},
    {"ASetDevice", "запись", "инициализация", "обнуление накопительных счетчиков и др.", false, "", kNoIcon},
    {"AsetWorkTime", "запись", "обнулить время работы", "начать отсчет времени работы", false, "", kNoIcon},
    {"ASetArh", "запись", "стереть архивы", "обнулить все архивы", false, "", kNoIcon},
    {"ASaveGlobal", "обобщенные", "запись", "все о записи", false, "", kNoIcon},
    {"Acal", "обобщенные", "калибровка", "калибровка", false, "", QStyle::SP_FileDialogDetailedView},
    {"AReadChang", "чтение", "ЖУИ", "журнал учета изменений", true, "", QStyle::SP_FileDialogListView},
    {"AreadFileArh", "чтение", "чтение архива", "читать архив из файла", true, "", QStyle::SP_DialogOpenButton},
    {"Asavearh", "запись", "запись архива", "запись архива в файл", false, "", QStyle::SP_DialogSaveButton},
    {"AErrDec", "обобщенные", "расшифровать ошибку", "", false, "", kNoIcon},
    {"Ahelp", "обобщенные", "Справка", "помощь", true, "F1", kNoIcon},
    {"AConChange", "управление", "изменение Конфигурации для Калибровки", "", false, "", kNoIcon},
    {"AnoSysChange", "управление", "Просмотр конфиг по сист ", "", false, "", kNoIcon},
    {"Aping", "управление", "проверить сеть", "", false, "", kNoIcon},
    {"AGetDataLogger", "чтение", "чтение из носилки", "чтение архива из файла ZORT-1 и др.", false, "", kNoIcon},
    {"AStore", "чтение", "хранилище", "хранилище архивов: приборы, их архивы, отчет за период, сбор", false, "",
     kNoIcon},
    {"VesChange", "", "VesChange", "", false, "", kNoIcon},
    {"Action1", "", "    ", "", false, "", kNoIcon},
};

// Actions whose operations come with later parts of the program: they exist
// and are disabled until their page wires them.
const char* const kNotYetWired[] = {
    "Areadstate", "AreadParam",   "AreadArh", "ARA228",  "ARA234",        "ARA225",       "ARA227",
    "ARA229",     "AstopArhRead", "AEnter",   "AExit",   "ASaveDateTime", "AArhPrint",    "ASetPar",
    "Acal",       "AreadFileArh", "Asavearh", "AErrDec", "AConChange",    "AnoSysChange", "VesChange",
};

// Help context numbers of the window's areas (F1 on the focused control).
constexpr int kHelpWindow = 1;
constexpr int kHelpToolbar = 40;
constexpr int kHelpIndicators = 80;
constexpr int kHelpDevicePage = 90;
constexpr int kHelpConnection = 100;
constexpr int kHelpDeviceBox = 110;

void setHelpContext(QWidget* w, int context) { w->setProperty("helpContext", context); }

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

TFomi::TFomi(const TFomiOptions& options, QWidget* parent) : QMainWindow(parent), options_(options) {
    setObjectName(QStringLiteral("Fomi"));
    setWindowTitle(QStringLiteral("ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ"));
    setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    setHelpContext(this, kHelpWindow);

    line_ = new Connection(this);
    line_->setObjectName(QStringLiteral("Line"));
    TCommPortDriver& port = line_->Port();
    port.setObjectName(QStringLiteral("Port"));
    port.SetPortName(TCommPortDriver::PortNumberName(2));
    port.SetOutputTimeout(1000);
    port.SetInputTimeout(1000);
    InstallImitation(line_->Engine());
    line_->Engine().SetEmptyAddressHandler([this] { TSnetShow(); });

    createActions();
    createToolBar();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Pmain"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(4);
    createIndicatorStrip(central);
    createPages();
    layout->addWidget(PCW_, 1);
    setCentralWidget(central);
    createMenus();

    status_ = std::make_unique<WindowStatusSink>(LuState, Lblink, &line_->Engine());
    // Busy and success texts name the device on the line.
    status_->SetDevice(&line_->Address());
    // "НЕТ СВЯЗИ" says where the window looked for the device.
    status_->SetErrorFilter([this](const QString& text) {
        if (text != QStringLiteral("НЕТ СВЯЗИ")) return text;
        if (PCcon->currentWidget() == TSnet)
            return Format(QStringLiteral("НЕТ СВЯЗИ: нет ответа от %s:%d"), {MEip->text().trimmed(), SEp->value()});
        const QString port = cbC->currentText();
        if (port.isEmpty()) return QStringLiteral("НЕТ СВЯЗИ: порт не выбран");
        if (!portFree_) return Format(QStringLiteral("НЕТ СВЯЗИ: порт %s занят или отсутствует"), {port});
        showNoAnswer();
        return Format(QStringLiteral("НЕТ СВЯЗИ: нет ответа через порт %s"), {port});
    });
    line_->Engine().SetTrace(Ma_);
    stateView = new TStateView(*this, *line_);
    configPage = new TConfigPage(*this, *line_);
    archivePage = new TArchivePage(*this, *line_);
    printPage = new TPrintPage(*this);
    calibrationPanel = new TCalibrationPanel(*this, *line_);
    writeActions = new TWriteActions(*this, *line_);
    changeLogReader = new TChangeLogReader(*this, *line_);
    loggerImport = new TLoggerImport(*this, *line_);
    debugTerminal = new TDebugTerminal(*this, *line_);
    networkCheck = new TNetworkCheck(*this, *line_);
    modemPage = new TModemPage(*this, *line_);
    // The store window is a child of the window: its store address and list
    // are remembered with the window's controls.
    storePage = new TStorePage(*this);
    connect(Action("AStore"), &QAction::triggered, this, [this] {
        storePage->show();
        storePage->raise();
        storePage->activateWindow();
    });
    // Every change of the device on the line reaches the pages through the
    // window's announcement (quiet while a preparation runs).
    connect(line_, &Connection::DeviceChanged, this, [this] { announceCurrentDevice(); });
    helpFile_ = DataPath({kDataFolderName, QStringLiteral("ПОМОЩЬ"), QStringLiteral("HELPMY"), QStringLiteral("HLP")});

    // The clock label until the one-second clock takes it over.
    LDT->setText(FormatDateTimeText(QStringLiteral("dd mmmm yyyy  hh:nn"), QDateTime::currentDateTime()));
    resize(1180, 760);
}

TFomi::~TFomi() {
    // The page controllers go first: they watch events of widgets that the
    // window deletes after this body, and must not see a half-destroyed page.
    // Last created, first gone.
    delete modemPage;
    modemPage = nullptr;
    delete networkCheck;
    networkCheck = nullptr;
    delete debugTerminal;
    debugTerminal = nullptr;
    delete loggerImport;
    loggerImport = nullptr;
    delete changeLogReader;
    changeLogReader = nullptr;
    delete writeActions;
    writeActions = nullptr;
    delete calibrationPanel;
    calibrationPanel = nullptr;
    delete printPage;
    delete archivePage;
    delete configPage;
    delete stateView;
    printPage = nullptr;
    archivePage = nullptr;
    configPage = nullptr;
    stateView = nullptr;
    // Shutdown: the port closes, the control values are saved.
    line_->Port().ClosePort();
    SaveWindowValues(this);
}

QAction* TFomi::Action(const QString& name) const { return actions_.value(name); }

ExchangeEngine& TFomi::Engine() { return line_->Engine(); }

TCommPortDriver& TFomi::Port() { return line_->Port(); }

QWidget* TFomi::Page(const QString& name) const {
    for (int i = 0; i < PCW_->count(); ++i)
        if (PCW_->widget(i)->objectName() == name) return PCW_->widget(i);
    return nullptr;
}

void TFomi::createActions() {
    for (const ActionEntry& entry : kActions) {
        auto* a = new QAction(QString::fromUtf8(entry.caption), this);
        const QString name = QString::fromUtf8(entry.name);
        a->setObjectName(name);
        a->setProperty("category", QString::fromUtf8(entry.category));
        const QString hint = QString::fromUtf8(entry.hint);
        a->setToolTip(hint.isEmpty() ? a->text() : hint);
        a->setStatusTip(hint);
        a->setCheckable(entry.checkable);
        if (*entry.shortcut) {
            a->setShortcut(QKeySequence(QString::fromUtf8(entry.shortcut)));
            a->setShortcutContext(Qt::ApplicationShortcut);
        }
        if (entry.icon != kNoIcon) a->setIcon(style()->standardIcon(entry.icon));
        actions_.insert(name, a);
        actionOrder_ << name;
        addAction(a);
    }
    for (const char* name : kNotYetWired) Action(QString::fromUtf8(name))->setEnabled(false);

    connect(Action("Acreate"), &QAction::triggered, this, [this] { AcreateExecute(); });
    connect(Action("AreadNoTu"), &QAction::triggered, this, [this] { AreadNoTuExecute(); });
    connect(Action("Aimit"), &QAction::toggled, this, [this](bool on) { line_->Engine().SetImitation(on); });
    connect(Action("Ahelp"), &QAction::triggered, this, [this] { AhelpExecute(); });
}

void TFomi::createToolBar() {
    ActionToolBar1 = new TActionToolBar(this);
    ActionToolBar1->setWindowTitle(QStringLiteral("Панель действий"));
    ActionToolBar1->setMovable(false);
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    setHelpContext(ActionToolBar1, kHelpToolbar);
    addToolBar(Qt::TopToolBarArea, ActionToolBar1);
    connect(ActionToolBar1, &TActionToolBar::accessLevelRequested, this, [this] { AccessLevelInput(); });

    auto addText = [&](const char* name) { ActionToolBar1->addAction(Action(QString::fromUtf8(name))); };
    auto addIcon = [&](const char* name) {
        QAction* a = Action(QString::fromUtf8(name));
        ActionToolBar1->addAction(a);
        if (auto* b = qobject_cast<QToolButton*>(ActionToolBar1->widgetForAction(a)))
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    };
    addText("AreadNoTu");
    addText("Areadstate");
    addText("AreadArh");
    addText("AstopArhRead");
    ActionToolBar1->addSeparator();
    addIcon("AreadFileArh");
    addIcon("Asavearh");
    addIcon("AArhPrint");
    ActionToolBar1->addSeparator();
    // The logger import under its short caption.
    {
        QAction* logger = Action("AGetDataLogger");
        ActionToolBar1->addAction(logger);
        if (auto* b = qobject_cast<QToolButton*>(ActionToolBar1->widgetForAction(logger))) {
            b->setObjectName(QStringLiteral("TBLogger"));
            b->setText(QStringLiteral("ЗОРТ"));
            connect(logger, &QAction::changed, b, [b] { b->setText(QStringLiteral("ЗОРТ")); });
        }
    }
    addText("AStore");
    ActionToolBar1->addSeparator();
    addText("AreadParam");
    // "запись": a group that only opens its sub-items.
    {
        QAction* global = Action("ASaveGlobal");
        auto* menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("MSaveGlobal"));
        QAction* setPar = Action("ASetPar");
        auto* config = menu->addAction(QStringLiteral("конфигурация"));
        config->setObjectName(QStringLiteral("ASetParItem"));
        config->setToolTip(setPar->toolTip());
        auto sync = [config, setPar] {
            config->setEnabled(setPar->isEnabled());
            config->setVisible(setPar->isVisible());
        };
        connect(setPar, &QAction::changed, config, sync);
        sync();
        connect(config, &QAction::triggered, setPar, &QAction::trigger);
        menu->addAction(Action("ASaveDateTime"));
        menu->addAction(Action("AsetWorkTime"));
        menu->addAction(Action("ASetArh"));
        menu->addAction(Action("ASetDevice"));
        global->setMenu(menu);
        ActionToolBar1->addAction(global);
        if (auto* b = qobject_cast<QToolButton*>(ActionToolBar1->widgetForAction(global)))
            b->setPopupMode(QToolButton::InstantPopup);
    }
    ActionToolBar1->addSeparator();
    addIcon("ASetNO");
    addIcon("Acal");
    addIcon("AReadChang");
    addText("Ahelp");
}

void TFomi::createIndicatorStrip(QWidget* parent) {
    auto* strip = new QFrame(parent);
    strip->setObjectName(QStringLiteral("Pind"));
    strip->setFrameShape(QFrame::StyledPanel);
    setHelpContext(strip, kHelpIndicators);
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(6, 3, 6, 3);
    Lblink = new TLamp(strip);
    Lblink->setObjectName(QStringLiteral("Lblink"));
    Lblink->setToolTip(QStringLiteral("cветодиод щ-выкл"));
    Lblink->SetColor(Qt::green);
    connect(Lblink, &TLamp::clicked, this, [this] { LblinkClick(); });
    LuState = new QLabel(QStringLiteral("не определено"), strip);
    LuState->setObjectName(QStringLiteral("LuState"));
    LuState->setToolTip(QStringLiteral("Состояние устройства"));
    LuState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont f = LuState->font();
    f.setBold(true);
    LuState->setFont(f);
    LuState->setMinimumWidth(200);
    Gsec = new QProgressBar(strip);
    Gsec->setObjectName(QStringLiteral("Gsec"));
    Gsec->setRange(0, 59);
    Gsec->setValue(0);
    Gsec->setTextVisible(false);
    Gsec->setFixedWidth(90);
    Gsec->setMaximumHeight(14);
    LDT = new QLabel(QStringLiteral("дата и время"), strip);
    LDT->setObjectName(QStringLiteral("LDT"));
    // The access-level edit is not shown; the access-level input box sets it.
    Epsw = new QLineEdit(strip);
    Epsw->setObjectName(QStringLiteral("Epsw"));
    Epsw->setText(QStringLiteral("1"));
    Epsw->hide();
    h->addWidget(Lblink);
    h->addWidget(LuState, 1);
    h->addWidget(Gsec);
    h->addSpacing(8);
    h->addWidget(LDT);
    h->addWidget(Epsw);
    parent->layout()->addWidget(strip);
}

void TFomi::createPages() {
    PCW_ = new QTabWidget(this);
    PCW_->setObjectName(QStringLiteral("PCW"));
    auto page = [&](const char* name, const char* text) {
        auto* w = new QWidget(PCW_);
        w->setObjectName(QString::fromUtf8(name));
        PCW_->addTab(w, QString::fromUtf8(text));
        return w;
    };
    TSW = createDevicePage();
    PCW_->addTab(TSW, QStringLiteral("УСТРОЙСТВО"));
    TSa = page("TSa", "АРХИВЫ");
    TSwr = page("TSwr", "КОНФИГУРАЦИЯ");
    TSk = page("TSk", "КАЛИБРОВКА");
    TSp = page("TSp", "настройка печати");
    TSdeb = page("TSdeb", "ОТЛАДКА");
    setHelpContext(TSW, kHelpDevicePage);
    setHelpContext(TSdeb, 400);

    // The calibration page repeats the serial number.
    auto* k = new QGridLayout(TSk);
    Enok = new QLineEdit(TSk);
    Enok->setObjectName(QStringLiteral("Enok"));
    Enok->setReadOnly(true);
    Enok->setToolTip(QStringLiteral("Серийный номер дв.щ-очистить"));
    Enok->setMaximumWidth(120);
    Enok->installEventFilter(this);
    setHelpContext(Enok, 270);
    k->addWidget(caption(QStringLiteral("№"), TSk), 0, 0);
    k->addWidget(Enok, 0, 1);
    k->setColumnStretch(2, 1);
    k->setRowStretch(1, 1);

    connect(PCW_, &QTabWidget::currentChanged, this, [this](int index) {
        static int previous = -1;
        QWidget* shown = PCW_->widget(index);
        QWidget* hidden = previous >= 0 && previous < PCW_->count() ? PCW_->widget(previous) : nullptr;
        previous = index;
        // The service help while the debug page is shown.
        if (shown == TSdeb)
            helpFile_ = DataPath({kDataFolderName, QStringLiteral("ПОМОЩЬ"), QStringLiteral("HELPFULL"),
                                  QStringLiteral("HELPMY"), QStringLiteral("HLP")});
        else if (hidden == TSdeb)
            helpFile_ =
                DataPath({kDataFolderName, QStringLiteral("ПОМОЩЬ"), QStringLiteral("HELPMY"), QStringLiteral("HLP")});
        if (shown == TSW || shown == TSp) TSWShow();
    });
}

void TFomi::createMenus() {
    auto menu = [&](const char* name, std::initializer_list<const char*> items) {
        auto* m = new QMenu(this);
        m->setObjectName(QString::fromUtf8(name));
        for (const char* item : items) m->addAction(Action(QString::fromUtf8(item)));
        return m;
    };
    PMr = menu("PMr", {"AreadNoTu", "Areadstate", "AreadParam", "AreadArh", "AreadFileArh", "AReadChang", "AArhPrint"});
    PMs = menu("PMs", {"ASetPar", "ASaveDateTime", "AsetWorkTime", "ASetDevice", "ASetArh"});
    PMa = menu("PMa", {"AreadArh", "AstopArhRead", "AArhPrint", "AStore"});
    PMk = menu("PMk",
               {"ASetNO", "ASetPar", "Acal", "AsetWorkTime", "ASetDevice", "ASaveDateTime", "ASetArh", "AreadParam"});
    auto attach = [](QWidget* w, QMenu* m) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(w, &QWidget::customContextMenuRequested, m,
                         [w, m](const QPoint& pos) { m->popup(w->mapToGlobal(pos)); });
    };
    attach(TSW, PMr);
    attach(TSwr, PMs);
    attach(TSa, PMa);
    attach(TSk, PMk);
}

// ---------------------------------------------------------------------------
// Preparation sequence

void TFomi::AcreateExecute() {
    runPreparation();
    // The preparation forgot the current device: the pages drop what they
    // show of it (an edit of its configuration among them).
    announceCurrentDevice();
}

void TFomi::runPreparation() {
    if (preparing_) return;
    // A preparation in the middle of an exchange or an archive read would
    // probe (close) the port under it.
    if (line_->Engine().InExchange() || line_->ArchiveReading().reading) return;
    QScopedValueRollback<bool> guard(preparing_, true);

    // The scroll ranges follow the window; the window counts as activated.
    FormResize();
    Flags().activated = true;
    // A preparation asked for while a handler runs with the ready flag clear
    // (a dialog of that handler closing) is not run.
    if (!Flags().ready) return;
    const bool first = preparations_ == 0;
    ++preparations_;
    if (!first) {
        liveValues_.clear();
        for (const QString& entry : CollectWindowValues(this)) {
            const int eq = entry.indexOf(QLatin1Char('='));
            liveValues_.append({entry.left(eq), entry.mid(eq + 1)});
        }
    }
    const int pageBefore = PCW_->currentIndex();
    // The client's help file and the caption with the version.
    helpFile_ = DataPath({kDataFolderName, QStringLiteral("ПОМОЩЬ"), QStringLiteral("HELPMY"), QStringLiteral("HLP")});
    setWindowTitle(kCaptionStart + QCoreApplication::applicationVersion());
    refillPortList();
    // The port's standard settings (9600 8N1) and the lists of the port page
    // filled and selected from them; the state log file name.
    Flags().ready = false;
    setProperty("stateLogFile", QStringLiteral("СОСТОЯНИЕ.TXT"));
    TCommPortDriver& port = line_->Port();
    port.SetBaudRate(TCommPortDriver::br9600);
    port.SetParity(TCommPortDriver::ptNONE);
    port.SetStopBits(TCommPortDriver::sb1BITS);
    port.SetDataBits(TCommPortDriver::db8BITS);
    fillPortSettingLists();
    selectPortSettings();
    // The first free port of the list becomes the port of the window.
    Flags().ready = true;
    for (int i = 0; i < cbC->count(); ++i) {
        cbC->setCurrentIndex(i);
        cbCClick(cbC);
        if (portProbedFree()) break;
    }
    // The device type list, and the date and time of the indicator strip.
    // A port named on the command line is the one meant: the first of them
    // found free, else the first of them.
    QString commandLinePort;
    if (first && !options_.extraPorts.isEmpty())
        commandLinePort =
            options_.extraPorts.contains(cbC->currentText()) ? cbC->currentText() : options_.extraPorts.first();
    Flags().ready = false;
    fillTypeList();
    LDT->setText(FormatDateTimeText(QStringLiteral("dd mmmm yyyy  hh:nn"), QDateTime::currentDateTime()));
    // The archive range ends today again; "стоп" only while a read runs.
    Q_EMIT ArchiveRangeReset();
    if (QAction* stop = Action("AstopArhRead")) stop->setEnabled(line_->ArchiveReading().reading);
    // The saved control values at the first preparation, the values the
    // user set since then at a later one.
    if (first)
        RestoreWindowValues(this);
    else
        ApplyWindowValues(this, liveValues_);
    // The addressing mode chosen by its radio button, the number and type
    // fields kept as they were.
    const QString no = ENo->text();
    // The port remembered from the last run gives way to the command line's.
    if (!commandLinePort.isEmpty() && cbC->findText(commandLinePort) >= 0) {
        ReadyGuard quiet;
        cbC->setCurrentIndex(cbC->findText(commandLinePort));
    }
    const QString type = Etype->text();
    rbuClick();
    Flags().ready = false;
    ENo->setText(no);
    Etype->setText(type);
    // No device is addressed until it is identified again.
    line_->ClearDevice();
    Flags().ready = true;
    // Configuration writes and the configuration page only after a read.
    Action("ASetPar")->setEnabled(Flags().configRead);
    Action("ASaveDateTime")->setEnabled(Flags().configRead);
    PCW_->setTabEnabled(PCW_->indexOf(TSwr), Flags().configRead);
    // The access level: the service code on the command line or the level
    // edit, applied to pages and actions.
    if (options_.arguments.value(0) == kServiceCode) Epsw->setText(QStringLiteral("0"));
    EpswChange();
    const int levelBefore = property("appliedLevel").isValid() ? property("appliedLevel").toInt() : -100;
    ApplyAccessLevel();
    // The page the user was on stays shown when the access level did not
    // change and the page is still there.
    if (!first && levelBefore == Flags().accessLevel && PCW_->isTabVisible(pageBefore) &&
        PCW_->isTabEnabled(pageBefore)) {
        ReadyGuard quiet;
        PCW_->setCurrentIndex(pageBefore);
    }
    // The connection page shown prepares its line; print and save of an
    // archive only once one was read or loaded.
    Flags().ready = true;
    runConnectionPageShow();
    Action("AArhPrint")->setEnabled(Flags().archivePresent);
    Action("Asavearh")->setEnabled(Flags().archivePresent);
    // The trace memo and the port settings shown as their check boxes say.
    CBgtClick();
    CBPortSetClick();
}

QMenu* TFomi::createPopupMenu() {
    // The window's only toolbar holds every action: the menu that would hide
    // it (with no way to bring it back) is not offered.
    return nullptr;
}

void TFomi::FormResize() {
    QScreen* screen = this->screen();
    if (!screen) return;
    // Scroll ranges follow the client area once it fills most of the screen;
    // the layouts keep every control reachable below that.
    if (height() > 0.9 * screen->availableGeometry().height()) centralWidget()->setMinimumSize(0, 0);
}

void TFomi::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFomi::prepareAtStart() {
    // Queued, so that the window is on screen first; whichever of the first
    // show and the first activation comes first runs it, the other finds it
    // done.
    QTimer::singleShot(0, this, [this] {
        if (preparations_ == 0) AcreateExecute();
    });
}

void TFomi::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Without a window manager (or with focus-stealing prevention) the window
    // may never become active: the start preparation runs at the first show.
    if (preparations_ == 0 && !event->spontaneous()) prepareAtStart();
}

void TFomi::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    // The first activation prepares the window (unless its first show did).
    // A later one (back from a question, the logger manager, a file dialog or
    // another program) only refreshes what nothing depends on: the device
    // found, the pages' data and the user's edits stay as they are.
    if (preparations_ == 0)
        prepareAtStart();
    else
        RefreshOnActivation();
}

void TFomi::RefreshOnActivation() {
    ++refreshes_;
    FormResize();
    Flags().activated = true;
    setWindowTitle(kCaptionStart + QCoreApplication::applicationVersion());
    LDT->setText(FormatDateTimeText(QStringLiteral("dd mmmm yyyy  hh:nn"), QDateTime::currentDateTime()));
}

// ---------------------------------------------------------------------------
// Access levels

void TFomi::SetNamedControls(const QStringList& names, bool value, bool visibility) {
    auto matches = [&](const QString& name) {
        for (const QString& n : names)
            if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    for (int i = 0; i < PCW_->count(); ++i) {
        if (!matches(PCW_->widget(i)->objectName())) continue;
        if (visibility)
            PCW_->setTabVisible(i, value);
        else
            PCW_->setTabEnabled(i, value);
    }
    for (QAction* a : std::as_const(actions_)) {
        if (!matches(a->objectName())) continue;
        if (visibility)
            a->setVisible(value);
        else
            a->setEnabled(value);
    }
    const auto widgets = findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!matches(w->objectName())) continue;
        if (PCW_->indexOf(w) >= 0) continue;  // pages: their tabs above
        if (visibility)
            w->setVisible(value);
        else
            w->setEnabled(value);
    }
}

void TFomi::ApplyAccessLevel() {
    ReadyGuard quiet;
    const QStringList all = {QStringLiteral("TSdeb"), QStringLiteral("TSwr"),       QStringLiteral("TSp"),
                             QStringLiteral("TSk"),   QStringLiteral("Aimit"),      QStringLiteral("ASetNO"),
                             QStringLiteral("Acal"),  QStringLiteral("AReadChang"), QStringLiteral("sgsp")};
    SetNamedControls(all, false, true);
    switch (Flags().accessLevel) {
        case 1:
            SetNamedControls({QStringLiteral("TSwr")}, true, true);
            break;
        case 2:
            SetNamedControls({QStringLiteral("TSp"), QStringLiteral("AReadChang"), QStringLiteral("TSwr")}, true, true);
            break;
        case 3:
            SetNamedControls(
                {QStringLiteral("TSk"), QStringLiteral("ASetNO"), QStringLiteral("Acal"), QStringLiteral("AReadChang")},
                true, true);
            break;
        default:
            SetNamedControls(all, true, true);
            break;
    }
    PCW_->setCurrentIndex(0);
    setProperty("appliedLevel", Flags().accessLevel);
    Q_EMIT AccessLevelApplied(Flags().accessLevel);
}

void TFomi::EpswChange() {
    bool ok = false;
    const int level = Epsw->text().trimmed().toInt(&ok);
    Flags().accessLevel = ok ? level : 1;
}

void TFomi::AccessLevelInput() {
    QString answer;
    InputBox(QStringLiteral("ВВОД УРОВНЯ ДОСТУПА"), QStringLiteral("УРОВЕНЬ ДОСТУПА (1..3):"),
             QString::number(Flags().accessLevel), &answer);
    if (answer == kServiceCode) {
        Epsw->setText(QStringLiteral("0"));
        EpswChange();
        ApplyAccessLevel();
        return;
    }
    bool ok = false;
    int level = answer.trimmed().toInt(&ok);
    if (!ok) level = -1;
    if (level < 1 || level > 3) {
        status_->error(QStringLiteral("УРОВЕНЬ ДОСТУПА=%1 (должен быть от 1 до 3), заменен на 1").arg(level));
        level = 1;
    }
    Flags().accessLevel = level;
    ApplyAccessLevel();
    Epsw->setText(QString::number(level));
}

// ---------------------------------------------------------------------------
// Status lamp, splitters, help

void TFomi::LblinkClick() {
    Flags().lampFlashing = !Flags().lampFlashing;
    Lblink->SetState(Flags().lampFlashing ? TLamp::Mode::Flashing : TLamp::Mode::FlashOnce);
}

void TFomi::SBSPCClick(bool down) {
    for (QSplitter* s : std::as_const(splitters)) {
        s->setStyleSheet(down ? QStringLiteral("QSplitter::handle { background: red; }") : QString());
    }
}

int TFomi::helpContextOfFocus() const {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        const QVariant v = w->property("helpContext");
        if (v.isValid()) return v.toInt();
    }
    return 0;
}

void TFomi::AhelpExecute() {
    QAction* help = Action("Ahelp");
    const bool checked = help->isChecked();
    auto openHelp = [this] {
        if (!help_) {
            help_ = new HelpViewer(this);
            help_->setWindowFlag(Qt::Window, true);
            // The toggle is released when help goes away.
            connect(help_, &HelpViewer::closed, this, [this] {
                const QSignalBlocker quiet(Action("Ahelp"));
                Action("Ahelp")->setChecked(false);
            });
        }
        const int context = helpContextOfFocus();
        if (PCW_->currentWidget() == TSdeb && context == 400)
            help_->OpenKeyword(helpFile_, QStringLiteral("отладка"));
        else if (context > 0)
            help_->OpenContext(helpFile_, context);
        else
            help_->OpenContents(helpFile_);
        help_->show();
        help_->raise();
    };
    if (checked && PCW_->currentWidget() == TSdeb) {
        openHelp();
        return;
    }
    Ma_->AddLine(ClientHelpText());
    if (checked)
        openHelp();
    else if (help_)
        help_->close();
}

}  // namespace omi
