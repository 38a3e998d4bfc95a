// The "УСТРОЙСТВО" page of the main window: the connection pages ("COM-порт",
// "МОДЕМ", "СЕТЬ", "GPRS"), the device group box with identification, manual
// addressing and clearing, and the place of the state view.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "archives/ArchiveRange.h"
#include "connection/Connection.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Identify.h"
#include "protocol/Models.h"
#include "shell/Dialogs.h"
#include "shell/Lamp.h"
#include "shell/MainWindow.h"
#include "shell/ModemPage.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "transport/CommPortDriver.h"
#include "transport/Modem.h"
#include "transport/PortProbe.h"
#include "transport/SerialPorts.h"

namespace omi {

namespace {

const QStringList kBaudTexts = {"0",     "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
                                "14400", "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const QStringList kParityTexts = {"НЕТ", "НЕчет", "ЧЕТ", "1", "0"};
const QStringList kDataBitsTexts = {"5", "6", "7", "8"};
const QStringList kStopBitsTexts = {"1", "1.5", "2"};
const char* const kDeviceDragMime = "application/x-omi-device-box";

QLabel* small(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return l;
}

void setHelp(QWidget* w, int context) { w->setProperty("helpContext", context); }

// A combo box whose list, when dropped down, first runs a callback (the port
// list refresh) and which can be dragged onto the device group box.
class DropDownCombo : public QComboBox {
public:
    DropDownCombo(QWidget* parent, std::function<void()> beforePopup)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
    void showPopup() override {
        if (beforePopup_) beforePopup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforePopup_;
};

// The device group box: pressing it starts a drag, so a plain click drops
// it on itself; the port lists can be dragged onto it too. A drop runs the
// identification when the window accepts it.
class DeviceBox : public QGroupBox {
public:
    DeviceBox(const QString& title, QWidget* parent, std::function<bool()> drop)
        : QGroupBox(title, parent), drop_(std::move(drop)) {
        setAcceptDrops(true);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) pressed_ = true;
        QGroupBox::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        // A click is a drag that ends on the box itself.
        if (pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
            pressed_ = false;
            drop_();
            return;
        }
        pressed_ = false;
        QGroupBox::mouseReleaseEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        if (drop_())
            e->acceptProposedAction();
        else
            e->ignore();
    }

private:
    std::function<bool()> drop_;
    bool pressed_ = false;
};

// The grid under the state view (the change log, the state log, the level-0
// values): its first two rows are headings and stay in sight while the rows
// under them scroll. A second view of the same model, drawn over the top of
// the grid, shows them; it follows the grid's columns and sideways scroll.
class HeadedGrid : public QTableWidget {
public:
    explicit HeadedGrid(QWidget* parent) : QTableWidget(parent), head_(new QTableView(this)) {
        head_->setObjectName(QStringLiteral("sgspHead"));
        head_->setModel(model());
        head_->setFocusPolicy(Qt::NoFocus);
        head_->horizontalHeader()->hide();
        head_->verticalHeader()->hide();
        head_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        head_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        head_->setFrameShape(QFrame::NoFrame);
        head_->setSelectionModel(selectionModel());
        connect(horizontalHeader(), &QHeaderView::sectionResized, this,
                [this](int column, int, int size) { head_->setColumnWidth(column, size); });
        connect(verticalHeader(), &QHeaderView::sectionResized, this, [this](int row, int, int size) {
            if (row < 2) head_->setRowHeight(row, size);
            place();
        });
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, head_->horizontalScrollBar(), &QScrollBar::setValue);
        connect(model(), &QAbstractItemModel::modelReset, this, [this] { place(); });
        connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { place(); });
        connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] { place(); });
        connect(model(), &QAbstractItemModel::columnsInserted, this, [this] { place(); });
    }

    // The grid's model goes with the widget's children and resets on its way
    // out; by then this part of the object is gone, so nothing may follow it.
    ~HeadedGrid() override { disconnect(model(), nullptr, this, nullptr); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QTableWidget::resizeEvent(event);
        place();
    }
    void updateGeometries() override {
        QTableWidget::updateGeometries();
        place();
    }

private:
    void place() {
        if (rowCount() < 3) {
            head_->hide();
            return;
        }
        for (int c = 0; c < columnCount(); ++c) head_->setColumnWidth(c, columnWidth(c));
        head_->setRowHeight(0, rowHeight(0));
        head_->setRowHeight(1, rowHeight(1));
        const QRect area = viewport()->geometry();
        head_->setGeometry(area.left(), area.top(), area.width(), rowHeight(0) + rowHeight(1));
        head_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
        head_->verticalScrollBar()->setValue(0);
        head_->show();
        head_->raise();
    }
    QTableView* head_;
};

}  // namespace

QWidget* TFomi::createDevicePage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TSW"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);

    auto* split = new QSplitter(Qt::Vertical, page);
    split->setObjectName(QStringLiteral("Splitter1"));
    split->setChildrenCollapsible(false);
    splitters << split;

    auto* top = new QWidget(split);
    auto* h = new QHBoxLayout(top);
    h->setContentsMargins(0, 0, 0, 0);

    PCcon = new QTabWidget(top);
    PCcon->setObjectName(QStringLiteral("PCcon"));
    setHelp(PCcon, 100);
    TScom = createComPage();
    TSmod = createModemPage();
    TSnet = createNetPage();
    TSgprs = createGprsPage();
    PCcon->addTab(TScom, QStringLiteral("COM-порт"));
    PCcon->addTab(TSmod, QStringLiteral("МОДЕМ"));
    PCcon->addTab(TSnet, QStringLiteral("СЕТЬ"));
    PCcon->addTab(TSgprs, QStringLiteral("GPRS"));
    connect(PCcon, &QTabWidget::currentChanged, this, [this](int index) { connectionPageShown(index); });
    h->addWidget(PCcon, 3);
    GBNT = createDeviceBox();
    h->addWidget(GBNT, 2);

    // The state view fills the rest of the page.
    PState = new QWidget(split);
    PState->setObjectName(QStringLiteral("PState"));
    auto* sv = new QVBoxLayout(PState);
    sv->setContentsMargins(0, 0, 0, 0);
    // The state view (placed by it) and the grid under it share a splitter:
    // the change log takes the room of the page, the user may move the line.
    auto* gridSplit = new QSplitter(Qt::Vertical, PState);
    gridSplit->setObjectName(QStringLiteral("Splitter4"));
    gridSplit->setChildrenCollapsible(false);
    splitters << gridSplit;
    sgsp = new HeadedGrid(gridSplit);
    sgsp->setObjectName(QStringLiteral("sgsp"));
    sgsp->horizontalHeader()->setVisible(false);
    sgsp->verticalHeader()->setVisible(false);
    sgsp->setMinimumHeight(60);
    sgsp->hide();
    gridSplit->addWidget(sgsp);
    sv->addWidget(gridSplit, 1);
    split->addWidget(top);
    split->addWidget(PState);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    v->addWidget(split);
    return page;
}

QWidget* TFomi::createComPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TScom"));
    auto* g = new QGridLayout(page);
    g->setContentsMargins(6, 6, 6, 6);
    g->setHorizontalSpacing(6);

    cbC = new DropDownCombo(page, [this] { RefreshPortList(); });
    cbC->setObjectName(QStringLiteral("cbC"));
    cbC->setToolTip(QStringLiteral("COM-порт"));
    cbC->setMinimumContentsLength(12);
    cbC->installEventFilter(this);
    connect(cbC, &QComboBox::activated, this, [this] { cbCClick(cbC); });
    LPState = new QLabel(QStringLiteral("НЕ ВЫБРАН"), page);
    LPState->setObjectName(QStringLiteral("LPState"));
    LPState->setToolTip(QStringLiteral("Состояние порта"));
    CBPortSet = new QCheckBox(QStringLiteral("настройки"), page);
    CBPortSet->setObjectName(QStringLiteral("CBPortSet"));
    connect(CBPortSet, &QCheckBox::clicked, this, [this] { CBPortSetClick(); });

    g->addWidget(small(QStringLiteral("порт"), page), 0, 0);
    g->addWidget(cbC, 1, 0, 1, 2);
    g->addWidget(LPState, 1, 2, 1, 3);
    g->addWidget(CBPortSet, 1, 5, 1, 2);

    auto combo = [&](const char* name, const char* hint) {
        auto* c = new QComboBox(page);
        c->setObjectName(QString::fromUtf8(name));
        c->setToolTip(QString::fromUtf8(hint));
        connect(c, &QComboBox::currentIndexChanged, this, [this] { cbBaudRateChange(); });
        return c;
    };
    cbBaudRate = combo("cbBaudRate", "СКОРОСТЬ ОБМЕНА");
    CBeo = combo("CBeo", "четность");
    cbz = combo("cbz", "размер");
    cbs = combo("cbs", "стоп бит");
    sed = new QSpinBox(page);
    sed->setObjectName(QStringLiteral("sed"));
    sed->setToolTip(QStringLiteral("таймаут приема,мс"));
    sed->setRange(1000, 5000);
    sed->setSingleStep(500);
    sed->setValue(2000);
    connect(sed, &QSpinBox::valueChanged, this, [this] { cbBaudRateChange(); });
    BuPortDef = new QToolButton(page);
    BuPortDef->setObjectName(QStringLiteral("BuPortDef"));
    BuPortDef->setText(QStringLiteral("штатные"));
    connect(BuPortDef, &QToolButton::clicked, this, [this] { BuPortDefClick(); });
    SBSPC = new QToolButton(page);
    SBSPC->setObjectName(QStringLiteral("SBSPC"));
    SBSPC->setCheckable(true);
    SBSPC->setText(QStringLiteral("▮"));
    SBSPC->setToolTip(QStringLiteral("подсветить бегунки красным (нажимай смело)"));
    connect(SBSPC, &QToolButton::toggled, this, [this](bool down) { SBSPCClick(down); });

    const QList<QPair<QString, QWidget*>> settings = {{QStringLiteral("скорость"), cbBaudRate},
                                                      {QStringLiteral("четность"), CBeo},
                                                      {QStringLiteral("бит"), cbz},
                                                      {QStringLiteral("стоп"), cbs},
                                                      {QStringLiteral("таймаут, мс"), sed}};
    int col = 0;
    for (const auto& [text, w] : settings) {
        auto* l = small(text, page);
        l->setObjectName(QString());
        l->setProperty("portSetting", true);
        w->setProperty("portSetting", true);
        g->addWidget(l, 2, col);
        g->addWidget(w, 3, col);
        ++col;
    }
    BuPortDef->setProperty("portSetting", true);
    SBSPC->setProperty("portSetting", true);
    g->addWidget(BuPortDef, 3, col++);
    g->addWidget(SBSPC, 3, col++);
    g->setColumnStretch(col, 1);
    g->setRowStretch(4, 1);
    return page;
}

QWidget* TFomi::createModemPage() {
    // The page's controls and layout are the modem page's (TModemPage).
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSmod"));
    LMstate = new QLabel(QStringLiteral("не определено"), page);
    LMstate->setObjectName(QStringLiteral("LMstate"));
    LMstate->setToolTip(QStringLiteral("Состояние модема"));
    return page;
}

QWidget* TFomi::createNetPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSnet"));
    auto* g = new QGridLayout(page);
    g->setContentsMargins(6, 6, 6, 6);
    MEip = new QLineEdit(page);
    MEip->setObjectName(QStringLiteral("MEip"));
    MEip->setToolTip(QStringLiteral("ввод - проверка сети"));
    MEip->setPlaceholderText(QStringLiteral("IP-адрес или имя"));
    MEip->setMinimumWidth(160);
    SEp = new QSpinBox(page);
    SEp->setObjectName(QStringLiteral("SEp"));
    SEp->setToolTip(QStringLiteral("IP-порт"));
    SEp->setRange(1, 9999);
    SEp->setValue(5001);
    LNstate = new QLabel(QStringLiteral("состояние сети"), page);
    LNstate->setObjectName(QStringLiteral("LNstate"));
    LNstate->setToolTip(QStringLiteral("Состояние сети, щ.-проверка"));
    connect(MEip, &QLineEdit::textChanged, this, [this] { updateNetworkTarget(); });
    connect(SEp, &QSpinBox::valueChanged, this, [this] { updateNetworkTarget(); });
    g->addWidget(small(QStringLiteral("адрес"), page), 0, 0);
    g->addWidget(small(QStringLiteral("порт"), page), 0, 1);
    g->addWidget(MEip, 1, 0);
    g->addWidget(SEp, 1, 1);
    g->addWidget(LNstate, 1, 2);
    g->setColumnStretch(3, 1);
    g->setRowStretch(2, 1);
    return page;
}

QWidget* TFomi::createGprsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSgprs"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    CBgt = new QCheckBox(QStringLiteral("гипертрминал"), page);
    CBgt->setObjectName(QStringLiteral("CBgt"));
    CBgt->setToolTip(QStringLiteral("просмотр ответов"));
    connect(CBgt, &QCheckBox::clicked, this, [this] { CBgtClick(); });
    Ma_ = new TraceMemo(page);
    // Tall enough to read when it is switched on: the page grows with it.
    Ma_->setMinimumHeight(160);
    Ma_->hide();
    connect(Ma_, &TraceMemo::saveFailed, this, [this](const QString& m) { status_->error(m); });
    v->addWidget(CBgt);
    v->addWidget(Ma_, 1);
    return page;
}

QGroupBox* TFomi::createDeviceBox() {
    auto* box = new DeviceBox(QStringLiteral("         УСТРОЙСТВО"), this, [this] { return GBNTDrop(); });
    box->setObjectName(QStringLiteral("GBNT"));
    box->setToolTip(QStringLiteral("для связи с устройством щелкнуть здесь один раз"));
    setHelp(box, 110);
    auto* g = new QGridLayout(box);
    rbu = new QRadioButton(QStringLiteral("одно устройство"), box);
    rbu->setObjectName(QStringLiteral("rbu"));
    rbu->setToolTip(QStringLiteral("подключен один вычислитель"));
    rbu->setChecked(true);
    rbs = new QRadioButton(QStringLiteral("система"), box);
    rbs->setObjectName(QStringLiteral("rbs"));
    rbs->setToolTip(QStringLiteral("подключено несколько устройств"));
    // A mode switch addresses another device (or none): the pages drop the
    // previous one's data when the connection announces the change.
    connect(rbu, &QRadioButton::clicked, this, [this] { rbuClick(); });
    connect(rbs, &QRadioButton::clicked, this, [this] { rbuClick(); });

    ENo = new QLineEdit(box);
    ENo->setObjectName(QStringLiteral("ENo"));
    ENo->setReadOnly(true);
    ENo->setToolTip(QStringLiteral("Серийный номер дв.щ-очистить"));
    ENo->installEventFilter(this);
    Etype = new QLineEdit(box);
    Etype->setObjectName(QStringLiteral("Etype"));
    Etype->setReadOnly(true);
    Etype->setToolTip(QStringLiteral("тип прибора дв.щ-очистить"));
    Etype->installEventFilter(this);
    SEno = new QSpinBox(box);
    SEno->setObjectName(QStringLiteral("SEno"));
    SEno->setRange(1, 65535);
    SEno->setToolTip(QStringLiteral("№ для связи по сети"));
    connect(SEno, &QSpinBox::valueChanged, this, [this] { SEnoChange(); });
    CBTu = new QComboBox(box);
    CBTu->setObjectName(QStringLiteral("CBTu"));
    CBTu->setToolTip(QStringLiteral("Тип прибора для связи по сети"));
    connect(CBTu, &QComboBox::currentIndexChanged, this, [this] { SEnoChange(); });

    auto* modes = new QHBoxLayout;
    modes->addWidget(rbu);
    modes->addWidget(rbs);
    modes->addStretch(1);
    g->addLayout(modes, 0, 0, 1, 2);
    g->addWidget(small(QStringLiteral("№"), box), 1, 0);
    g->addWidget(small(QStringLiteral("тип"), box), 1, 1);
    g->addWidget(ENo, 2, 0);
    g->addWidget(Etype, 2, 1);
    g->addWidget(SEno, 3, 0);
    g->addWidget(CBTu, 3, 1);
    g->setColumnStretch(1, 2);
    g->setColumnStretch(0, 1);
    g->setRowStretch(4, 1);
    return box;
}

// ---------------------------------------------------------------------------
// Port page

void TFomi::refillPortList() {
    const QString selected = cbC->currentText();
    // Ports named on the command line come first: they are the ones the
    // user means, and the probe takes the first free port.
    QStringList ports = options_.extraPorts;
    const QStringList system = options_.systemPorts ? ListSerialPorts() : QStringList();
    for (const QString& port : system)
        if (!ports.contains(port)) ports << port;
    cbC->clear();
    cbC->addItems(ports);
    const int again = cbC->findText(selected);
    if (again >= 0) cbC->setCurrentIndex(again);
}

void TFomi::RefreshPortList() {
    // Not under a running exchange or archive read: a vanished port is probed
    // below, which closes the port.
    if (preparing_ || line_->Engine().InExchange() || line_->ArchiveReading().reading) return;
    const QString selected = cbC->currentText();
    {
        ReadyGuard quiet;
        refillPortList();
    }
    // The port in use is still listed: nothing else changes. It is gone: the
    // window takes the port now shown, as if the user had chosen it.
    if (selected.isEmpty() || cbC->currentText() == selected) return;
    cbCClick(cbC);
}

void TFomi::fillPortSettingLists() {
    auto refill = [](QComboBox* c, const QStringList& items) {
        c->clear();
        c->addItems(items);
    };
    refill(cbBaudRate, kBaudTexts);
    refill(CBeo, kParityTexts);
    refill(cbz, kDataBitsTexts);
    refill(cbs, kStopBitsTexts);
}

void TFomi::selectPortSettings() {
    const TCommPortDriver& port = line_->Port();
    cbBaudRate->setCurrentIndex(port.BaudRate());
    CBeo->setCurrentIndex(port.Parity());
    cbz->setCurrentIndex(port.DataBits());
    cbs->setCurrentIndex(port.StopBits());
}

void TFomi::cbBaudRateChange() {
    if (!Flags().ready) return;
    TCommPortDriver& port = line_->Port();
    const int baud = cbBaudRate->currentIndex();
    port.SetBaudRate(baud >= 0 ? static_cast<TCommPortDriver::TBaudRate>(baud) : TCommPortDriver::br9600);
    const int bits = cbz->currentIndex();
    port.SetDataBits(bits >= 0 ? static_cast<TCommPortDriver::TDataBits>(bits) : TCommPortDriver::db8BITS);
    const int parity = CBeo->currentIndex();
    port.SetParity(parity >= 0 ? static_cast<TCommPortDriver::TParity>(parity) : TCommPortDriver::ptNONE);
    const int stop = cbs->currentIndex();
    port.SetStopBits(stop >= 0 ? static_cast<TCommPortDriver::TStopBits>(stop) : TCommPortDriver::sb1BITS);
    port.SetInputTimeout(static_cast<std::uint32_t>(sed->value()));
    cbCClick(cbC);
}

void TFomi::BuPortDefClick() {
    {
        ReadyGuard quiet;
        sed->setValue(2000);
        cbs->setCurrentIndex(cbs->findText(QStringLiteral("2")));
        cbz->setCurrentIndex(cbz->findText(QStringLiteral("8")));
        CBeo->setCurrentIndex(CBeo->findText(QStringLiteral("НЕТ")));
    }
    cbBaudRate->setCurrentIndex(cbBaudRate->findText(QStringLiteral("9600")));
}

void TFomi::CBPortSetClick() {
    const bool on = CBPortSet->isChecked();
    const auto widgets = TScom->findChildren<QWidget*>();
    for (QWidget* w : widgets)
        if (w->property("portSetting").toBool()) w->setVisible(on);
    cbC->setEnabled(!on);
}

bool TFomi::portProbedFree() const { return portFree_; }

void TFomi::announceCurrentDevice() {
    if (preparing_) return;
    const int serial = ValidNoTu(line_->Serial(), line_->Type()) ? line_->Serial() : -1;
    const int type = serial >= 0 ? line_->Type() : -1;
    if (serial == shownSerial_ && type == shownType_) return;
    shownSerial_ = serial;
    shownType_ = type;
    Q_EMIT CurrentDeviceChanged(serial, type);
}

void TFomi::showNoAnswer() {
    // Where the window looked for the device.
    if (PCcon->currentWidget() == TSnet) return;
    if (portFree_) ShowError(LPState, nullptr, QStringLiteral("открыт, устройство не отвечает"));
}

void TFomi::cbCClick(QComboBox* from) {
    // A modem session in progress is asked about first.
    if (line_->LineState() == LineState::Connected) {
        if (AskYesNoCancel(QStringLiteral("Идет сеанс связи...\rПрервать его ?")) != QMessageBox::Yes) return;
    }
    line_->ClearDevice();
    line_->SetLineState(LineState::Free);
    if (!Flags().ready) return;
    ENo->clear();
    Etype->clear();
    QString name = from ? from->currentText() : QString();
    if (name.isEmpty()) name = property("fallbackPort").toString();
    ShowBusy(LPState, nullptr, PortProbeBusyText(name), &line_->Engine());
    status_->busy(PortProbeBusyText(name));
    bool ok = false;
    const std::uint32_t baud = cbBaudRate->currentText().toUInt(&ok);
    TCommPortDriver& port = line_->Port();
    const PortProbeResult r = ProbePort(port, name, ok ? baud : port.BaudRateValue());
    portFree_ = r.free;
    const StatusStyle style = r.free ? StatusStyle::Ok : StatusStyle::Error;
    ShowStyled(LPState, nullptr, style, r.label);
    ShowStyled(LMstate, nullptr, style, r.modemLabel);
    if (r.free)
        status_->ok(r.status);
    else
        status_->error(r.status);
}

// ---------------------------------------------------------------------------
// Connection pages

void TFomi::connectionPageShown(int index) {
    (void)index;
    line_->Engine().SetTransport(PCcon->currentWidget() == TSnet ? TransportKind::Network : TransportKind::Serial);
    if (!Flags().ready) return;
    runConnectionPageShow();
}

void TFomi::runConnectionPageShow() {
    QWidget* page = PCcon->currentWidget();
    line_->Engine().SetTransport(page == TSnet ? TransportKind::Network : TransportKind::Serial);
    if (page == TScom)
        TScomShow();
    else if (page == TSmod)
        TSmodShow();
    else if (page == TSnet)
        TSnetShow();
    else if (page == TSgprs)
        TSgprsShow();
}

void TFomi::TScomShow() { cbCClick(cbC); }

void TFomi::TSmodShow() {
    if (modemPage)
        modemPage->TSmodShow();
    else
        Ma_->setVisible(CBgt->isChecked());
}

void TFomi::TSnetShow() {
    if (!Flags().ready) return;
    Ma_->hide();
    EtypeDblClick();
    status_->ok(QStringLiteral("Связь по сети"));
    ShowOk(LNstate, nullptr, QStringLiteral("не определено"));
    updateNetworkTarget();
}

void TFomi::TSgprsShow() { status_->error(QStringLiteral("НЕ РЕАЛИЗОВАНО В ЭТОЙ ВЕРСИИ")); }

void TFomi::updateNetworkTarget() {
    line_->Engine().SetNetworkTarget(MEip->text().trimmed(), static_cast<quint16>(SEp->value()));
}

void TFomi::CBgtClick() { Ma_->setVisible(CBgt->isChecked()); }

// ---------------------------------------------------------------------------
// Device group box

void TFomi::fillTypeList() {
    CBTu->clear();
    CBTu->addItems(KnownModelNames());
}

void TFomi::setDeviceFields(const QString& serial, const QString& model) {
    ENo->setText(serial);
    Enok->setText(serial);
    Etype->setText(model);
}

void TFomi::AreadNoTuExecute() {
    ENo->setPalette(QApplication::palette(ENo));
    if (!Flags().ready) return;
    if (PCW_->currentWidget() != TSW && PCW_->currentWidget() != TSk) PCW_->setCurrentWidget(TSW);
    IdentifyContext context;
    context.imitation = Action("Aimit")->isChecked();
    context.portFree = portProbedFree();
    context.networkActive = PCcon->currentWidget() == TSnet;
    // One device on the line: whatever device answers is the one connected.
    // Several: only the address chosen is asked.
    context.broadcastFallback = rbu->isChecked();
    const QString oldNo = ENo->text();
    const QString oldType = Etype->text();
    const QString oldNok = Enok->text();
    if (!context.imitation && (context.portFree || context.networkActive)) {
        ENo->setText(QStringLiteral("определение"));
        Etype->setText(QStringLiteral("ЖДИТЕ..."));
    }
    if (context.networkActive) updateNetworkTarget();
    const IdentifyResult r = Identify(*line_, context, *status_);
    if (!r.ok) {
        if (context.broadcastFallback) {
            // Nothing answers on a line of one device: no device is known.
            line_->ClearDevice();
            ENo->clear();
            Etype->clear();
            Enok->clear();
        } else {
            // The address chosen by hand stays; so do its fields.
            ENo->setText(oldNo);
            Etype->setText(oldType);
            Enok->setText(oldNok);
        }
        showNoAnswer();
        return;
    }
    setDeviceFields(QString::number(r.serial), r.model);
    if (r.changeLogDecided) Action("AReadChang")->setEnabled(r.changeLogEnabled);
    if (!context.imitation && !context.networkActive && portFree_)
        ShowOk(LPState, nullptr, QStringLiteral("свободен (подключен)"));
}

bool TFomi::GBNTDrop() {
    QAction* identify = Action("AreadNoTu");
    if (!identify->isEnabled() || !identify->isVisible()) return false;
    AreadNoTuExecute();
    return true;
}

void TFomi::rbuClick() {
    const bool single = rbu->isChecked();
    ENo->setVisible(single);
    Etype->setVisible(single);
    SEno->setVisible(!single);
    CBTu->setVisible(!single);
    SEnoChange();
}

void TFomi::SEnoChange() {
    if (!Flags().ready) return;
    ENo->setText(QString::number(SEno->value()));
    const QString model = CBTu->currentIndex() >= 0 ? CBTu->currentText() : QString();
    const ManualAddressResult r = SetManualAddress(*line_, SEno->value(), model, *status_);
    if (!model.isEmpty()) Etype->setText(model);
    // The configuration editors of the previous device are discarded by the
    // configuration page when it sees the address change.
    Q_EMIT DeviceAddressEntered();
    Action("AReadChang")->setEnabled(r.changeLogEnabled);
}

void TFomi::EtypeDblClick() {
    line_->ClearDevice();
    ENo->clear();
    Etype->clear();
    Enok->clear();
    if (PCcon->currentWidget() != TSmod) cbCClick(cbC);
    if (PCcon->currentWidget() == TSnet) status_->ok(QStringLiteral("Соединение по сети"));
}

void TFomi::TSWShow() {
    if (ValidNoTu(line_->Serial(), line_->Type())) {
        status_->ok(QStringLiteral("НА СВЯЗИ!"));
        return;
    }
    if (Flags().ready) runConnectionPageShow();
}

bool TFomi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && (watched == ENo || watched == Etype || watched == Enok)) {
        EtypeDblClick();
        return true;
    }
    // Dragging the port list onto the device group box.
    if (watched == cbC && event->type() == QEvent::MouseMove) {
        auto* e = static_cast<QMouseEvent*>(event);
        if ((e->buttons() & Qt::LeftButton) && cbC->isEnabled()) {
            const QPoint start = cbC->property("pressPos").toPoint();
            if ((e->position().toPoint() - start).manhattanLength() >= QApplication::startDragDistance() * 3) {
                auto* drag = new QDrag(cbC);
                auto* mime = new QMimeData;
                mime->setData(QString::fromLatin1(kDeviceDragMime), cbC->currentText().toUtf8());
                drag->setMimeData(mime);
                drag->exec(Qt::CopyAction);
                return true;
            }
        }
    }
    if (watched == cbC && event->type() == QEvent::MouseButtonPress)
        cbC->setProperty("pressPos", static_cast<QMouseEvent*>(event)->position().toPoint());
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace omi
