#include "service/DebugTerminal.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "connection/Connection.h"
#include "debug/DescriptionTable.h"
#include "protocol/Exchange.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/Format.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"
#include "transport/PortProbe.h"

namespace omi {

namespace {

const QString kNoTable = QStringLiteral("НЕ ОПРЕДЕЛЕНО");
const QString kNoTablesForType = QStringLiteral("НЕТ ДЛЯ ЭТОГО ТИПА");
const char* const kSourceMime = "application/x-omi-debug-source";

QLabel* label(QWidget* parent, const char* name, const QString& text, const QString& hint = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromUtf8(name));
    if (!hint.isEmpty()) l->setToolTip(hint);
    return l;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setToolTip(hint);
    return c;
}

QComboBox* combo(QWidget* parent, const char* name, const QString& hint) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setToolTip(hint);
    return c;
}

QSpinBox* spin(QWidget* parent, const char* name, int lo, int hi, int value, const QString& hint) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromUtf8(name));
    s->setRange(lo, hi);
    s->setValue(value);
    s->setToolTip(hint);
    return s;
}

// Whether a press on a combo box fell on its arrow (which opens the list)
// rather than on its text (which starts a drag).
bool onArrow(QComboBox* box, const QPoint& pos) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QRect arrow = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box);
    return arrow.contains(pos);
}

// A label still without a table of this type's folder gets the first table
// whose name starts with `prefix` ("запрос", "ответ"), so that a new engineer
// can send the delivered requests at once.
void offerTable(QLabel* label, const QStringList& files, const QString& folder, const QString& prefix) {
    if (label->text().startsWith(folder + QLatin1Char('/')) && QFileInfo::exists(label->text())) return;
    QString chosen;
    for (const QString& f : files) {
        const QString name = QFileInfo(f).completeBaseName();
        if (!name.startsWith(prefix)) continue;
        // The state request and its answer first: the exchange every device serves.
        if (chosen.isEmpty() || name.contains(QStringLiteral("состояния"))) chosen = f;
        if (name.contains(QStringLiteral("состояния"))) break;
    }
    if (chosen.isEmpty()) return;
    label->setText(chosen);
    label->setToolTip(chosen);
}

}  // namespace

TDebugTerminal::TDebugTerminal(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    buildPage();
    ExchangeEngine& engine = line.Engine();
    connect(&engine, &ExchangeEngine::AsyncReceiving, this, &TDebugTerminal::asyncTick);
    connect(&engine, &ExchangeEngine::AsyncReceived, this, &TDebugTerminal::asyncDone);
    // The page's type and number follow every device found on the line.
    connect(&line, &Connection::DeviceChanged, this, [this] { syncDevice(); });
    connect(window.PCW(), &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* shown = window_.PCW()->widget(index);
        QWidget* debugPage = window_.Page(QStringLiteral("TSdeb"));
        if (shown == debugPage)
            TSdebShow();
        else if (previousPage_ == debugPage)
            TSdebHide();
        previousPage_ = shown;
    });
}

void TDebugTerminal::buildPage() {
    QWidget* page = window_.Page(QStringLiteral("TSdeb"));
    auto* outer = new QVBoxLayout(page);

    // Port, device and tables.
    auto* top = new QGridLayout;
    CBCd = combo(page, "CBCd", QStringLiteral("COM-порт"));
    CBBd = combo(page, "CBBd", QStringLiteral("СКОРОСТЬ ОБМЕНА"));
    LDstate = label(page, "LDstate", QStringLiteral("НЕ ВЫБРАН"), QStringLiteral("Состояние порта"));
    SEtu = spin(page, "SEtu", 0, 255, 225, QStringLiteral("Тип устройства"));
    SEnou = spin(page, "SEnou", 0, 65535, 22, QStringLiteral("№ устройства"));
    CBcmd = combo(page, "CBcmd", QStringLiteral("cписок таблиц тащи на метку"));
    CBcmd->setMinimumContentsLength(24);
    CBcmd->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Label1 = label(page, "Label1", QStringLiteral("КОДИРОВКА:"));
    Lcod = label(page, "Lcod", kNoTable, QStringLiteral("дв.щ-закодировать и послать"));
    Label2 = label(page, "Label2", QStringLiteral("РАСКОДИРОВКА:"));
    Ldec = label(page, "Ldec", kNoTable);
    CBfmt = combo(page, "CBfmt", QStringLiteral("Форматы значений тащи на таблицу"));
    CBfmt->addItems({QStringLiteral("B-byte (один байт)"), QStringLiteral("W-word (2 байта, слово)"),
                     QStringLiteral("L-Long (4 байта, длинное слово)"),
                     QStringLiteral("S-Single (4 байта, с плавающей точкой)")});
    CBv = combo(page, "CBv", QStringLiteral("предопределенные значения тащи на таблицу"));
    CBv->addItems({QStringLiteral("00-всегда ноль"), QStringLiteral("01-Размер таблицы (длина команды)"),
                   QStringLiteral("02-Контрольная сумма"), QStringLiteral("03-Тип устройства"),
                   QStringLiteral("04-Номер устройства")});
    CBp = check(page, "CBp", QStringLiteral("посылать"), QStringLiteral("послать конкретно"));
    CBp->setChecked(true);
    CBdec = check(page, "CBdec", QStringLiteral("только значения"), QStringLiteral("Не выдавать по байтам"));
    CBant = check(page, "CBant", QStringLiteral("только ответ"), QStringLiteral("Выдать только ответ устройства"));
    cbASCII =
        check(page, "cbASCII", QStringLiteral("табл ASCII"), QStringLiteral("выдать таблицу ASCII в обл просмотра"));
    Button2 = new QPushButton(QStringLiteral("послать..."), page);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setToolTip(QStringLiteral("Послать комаду в устройство"));

    top->addWidget(CBCd, 0, 0);
    top->addWidget(CBBd, 0, 1);
    top->addWidget(LDstate, 0, 2, 1, 2);
    auto* device = new QHBoxLayout;
    device->addWidget(label(page, "LDtu", QStringLiteral("тип")));
    device->addWidget(SEtu);
    device->addSpacing(12);
    device->addWidget(label(page, "LDnou", QStringLiteral("№")));
    device->addWidget(SEnou);
    device->addStretch(1);
    top->addLayout(device, 1, 0, 1, 4);
    top->addWidget(CBcmd, 2, 0, 1, 4);
    top->addWidget(Label1, 3, 0);
    top->addWidget(Lcod, 3, 1, 1, 3);
    top->addWidget(Label2, 4, 0);
    top->addWidget(Ldec, 4, 1, 1, 3);
    top->addWidget(CBfmt, 5, 0, 1, 2);
    top->addWidget(CBv, 5, 2, 1, 2);
    auto* checks = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(CBp), static_cast<QWidget*>(CBdec), static_cast<QWidget*>(CBant),
                       static_cast<QWidget*>(cbASCII)})
        checks->addWidget(w);
    checks->addStretch(1);
    checks->addWidget(Button2);
    top->addLayout(checks, 6, 0, 1, 4);
    top->setColumnStretch(3, 1);
    outer->addLayout(top);

    // The table grid, the listing and the raw answer side by side.
    auto* split = new QSplitter(Qt::Horizontal, page);
    split->setObjectName(QStringLiteral("SPdeb"));
    SGcmd = new QTableWidget(split);
    SGcmd->setObjectName(QStringLiteral("SGcmd"));
    SGcmd->setColumnCount(3);
    SGcmd->verticalHeader()->hide();
    SGcmd->horizontalHeader()->hide();
    SGcmd->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    SGcmd->viewport()->setAcceptDrops(true);
    SGcmd->viewport()->installEventFilter(this);
    SGcmd->installEventFilter(this);
    // Enter that ends an edit saves the table, as Enter on the grid does.
    connect(SGcmd->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache) SaveGrid();
            });
    LBq = new QListWidget(split);
    LBq->setObjectName(QStringLiteral("LBq"));
    LBq->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MEMOD = new QPlainTextEdit(split);
    MEMOD->setObjectName(QStringLiteral("MEMOD"));
    MEMOD->setToolTip(QStringLiteral("дв.щ.-очистить"));
    MEMOD->setPlainText(QStringLiteral("гипертерминал"));
    MEMOD->viewport()->installEventFilter(this);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setStretchFactor(2, 1);
    outer->addWidget(split, 1);

    for (QComboBox* source : {CBcmd, CBfmt, CBv}) source->installEventFilter(this);
    for (QLabel* target : {Label1, Lcod, Label2, Ldec}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }

    connect(CBCd, QOverload<int>::of(&QComboBox::activated), this, [this] { CBCdClick(); });
    connect(CBBd, QOverload<int>::of(&QComboBox::activated), this, [this] { CBCdClick(); });
    connect(CBcmd, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        if (!filling_) CBcmdChange();
    });
    connect(SEtu, &QSpinBox::valueChanged, this, [this] { FillTableList(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Label1DblClick(); });
    connect(cbASCII, &QCheckBox::toggled, this, [this] { cbASCIIClick(); });
    connect(LBq, &QListWidget::itemDoubleClicked, LBq, &QListWidget::clear);
}

QString TDebugTerminal::TablePath(const QLabel* l) { return l->text(); }

void TDebugTerminal::TSdebShow() {
    // The port and speed lists as the "COM-порт" page has them.
    CBCd->clear();
    for (int i = 0; i < window_.cbC->count(); ++i) CBCd->addItem(window_.cbC->itemText(i));
    CBCd->setCurrentIndex(window_.cbC->currentIndex());
    if (CBCd->currentIndex() < 0 && !window_.cbC->currentText().isEmpty())
        CBCd->setCurrentText(window_.cbC->currentText());
    CBBd->clear();
    for (int i = 0; i < window_.cbBaudRate->count(); ++i) CBBd->addItem(window_.cbBaudRate->itemText(i));
    CBBd->setCurrentIndex(window_.cbBaudRate->currentIndex());
    line_.Engine().SetAsyncReceive(true);
    CBCdClick();
    // The device the window talks to, unless the user chose another here
    // since it was identified; a new type fills the table list itself.
    const int type = SEtu->value();
    syncDevice();
    if (SEtu->value() == type) FillTableList();
}

void TDebugTerminal::syncDevice() {
    const int type = line_.Type();
    const int serial = line_.Serial();
    if (type < 0 || serial < 0 || (type == syncedType_ && serial == syncedSerial_)) return;
    syncedType_ = type;
    syncedSerial_ = serial;
    if (type <= SEtu->maximum()) SEtu->setValue(type);
    if (serial <= SEnou->maximum()) SEnou->setValue(serial);
}

void TDebugTerminal::TSdebHide() { line_.Engine().SetAsyncReceive(false); }

void TDebugTerminal::CBCdClick() {
    if (!Flags().ready) return;
    const QString name = CBCd->currentText();
    const QString busy = QStringLiteral("определение состояния порта ") + name;
    ShowBusy(LDstate, nullptr, busy, &line_.Engine());
    window_.Status().busy(busy);
    bool ok = false;
    const std::uint32_t baud = CBBd->currentText().toUInt(&ok);
    // The probe closes and reopens the window's port under another name or
    // speed perhaps: the device found on it is forgotten, as a probe from the
    // port page forgets it.
    line_.ClearDevice();
    TCommPortDriver& port = line_.Port();
    const PortProbeResult r = ProbePort(port, name, ok ? baud : port.BaudRateValue());
    if (r.free) {
        ShowOk(window_.LPState, nullptr, QStringLiteral("свободен (подключен)"));
        ShowOk(LDstate, nullptr, QStringLiteral("порт свободен (подключен)"));
        window_.Status().ok(name + QStringLiteral(" свободен (подключен)"));
    } else {
        ShowError(LDstate, nullptr, QStringLiteral("занят (отсутсвует)"));
        window_.Status().error(name + QStringLiteral(" занят (отсутсвует)"));
    }
}

void TDebugTerminal::FillTableList() {
    filling_ = true;
    CBcmd->clear();
    const QStringList files = debug::ListFiles(debug::TableMask(SEtu->value()));
    CBcmd->addItems(files);
    filling_ = false;
    if (files.isEmpty()) {
        CBcmd->setEditable(true);
        CBcmd->setEditText(kNoTablesForType);
        CBcmd->lineEdit()->setReadOnly(true);
        tablePath_.clear();
        SGcmd->setRowCount(0);
        return;
    }
    CBcmd->setEditable(false);
    CBcmd->setCurrentIndex(0);
    CBcmdChange();
    const QString folder = QFileInfo(files.first()).absolutePath();
    offerTable(Lcod, files, folder, QStringLiteral("запрос"));
    offerTable(Ldec, files, folder, QStringLiteral("ответ"));
}

void TDebugTerminal::CBcmdChange() {
    const QString path = CBcmd->currentText();
    const debug::LoadedTable table = debug::LoadTable(path);
    if (!table.error.isEmpty()) {
        addLines({table.error});
        return;
    }
    if (!table.skipped.isEmpty()) addLines({QFileInfo(path).fileName() + QStringLiteral(": ") + table.skipped});
    tablePath_ = path;
    showGrid(table.grid);
}

void TDebugTerminal::showGrid(const Grid& grid) {
    const QSignalBlocker quiet(SGcmd);
    qsizetype columns = 3;
    for (const QStringList& row : grid) columns = std::max(columns, row.size());
    SGcmd->clear();
    SGcmd->setColumnCount(static_cast<int>(columns));
    SGcmd->setRowCount(static_cast<int>(grid.size()));
    for (int r = 0; r < grid.size(); ++r)
        for (int c = 0; c < grid[r].size(); ++c) SGcmd->setItem(r, c, new QTableWidgetItem(grid[r][c]));
    SGcmd->resizeColumnsToContents();
}

Grid TDebugTerminal::gridOfTable() const {
    Grid grid;
    for (int r = 0; r < SGcmd->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < SGcmd->columnCount(); ++c) {
            const QTableWidgetItem* item = SGcmd->item(r, c);
            row << (item ? item->text() : QString());
        }
        grid << row;
    }
    return grid;
}

void TDebugTerminal::SaveGrid() {
    if (tablePath_.isEmpty()) return;
    const QString error = debug::SaveTable(gridOfTable(), tablePath_);
    if (!error.isEmpty()) window_.Status().error(error);
}

void TDebugTerminal::GridDoubleClick(int row, bool ctrl) {
    if (row < 0) return;
    Grid grid = gridOfTable();
    if (ctrl)
        debug::DeleteRow(grid, row);
    else
        debug::InsertRowAfter(grid, row);
    showGrid(grid);
}

void TDebugTerminal::DropOnGrid(QComboBox* source, int row, int column) {
    if (source != CBcmd && source != CBfmt && source != CBv) return;
    if (row < 0) return;
    const QString format = CBfmt->currentText();
    Grid grid = gridOfTable();
    debug::DropFormat(grid, row, column, format.isEmpty() ? QChar() : format.front(), std::max(0, CBv->currentIndex()));
    showGrid(grid);
    SaveGrid();
}

bool TDebugTerminal::DropOnLabel(QComboBox* source, QLabel* target) {
    if (source != CBcmd || CBcmd->currentIndex() < 0) return false;
    QLabel* shown = nullptr;
    if (target == Label1 || target == Lcod)
        shown = Lcod;
    else if (target == Label2 || target == Ldec)
        shown = Ldec;
    if (!shown) return false;
    shown->setText(CBcmd->currentText());
    shown->setToolTip(CBcmd->currentText());
    return true;
}

void TDebugTerminal::addLines(const QStringList& lines) {
    LBq->addItems(lines);
    LBq->scrollToBottom();
}

void TDebugTerminal::Label1DblClick() {
    LBq->clear();
    if (TablePath(Lcod) == kNoTable) {
        addLines({QStringLiteral("таблица кодировки не выбрана: перетащите таблицу из списка на «КОДИРОВКА:»")});
        return;
    }
    const debug::LoadedTable table = debug::LoadTable(TablePath(Lcod));
    if (!table.error.isEmpty()) {
        addLines({table.error});
        return;
    }
    const debug::Encoded encoded = debug::EncodeTable(table.grid, SEtu->value(), SEnou->value());
    if (!encoded.error.isEmpty()) {
        addLines({encoded.error});
        window_.Status().error(encoded.error);
        return;
    }
    if (!CBant->isChecked() && !CBdec->isChecked()) addLines(encoded.lines);
    // A value that was not read would go out as 0: a request the user did
    // not compose. Nothing is sent; the rows are named.
    if (!encoded.unrecognised.isEmpty()) {
        QStringList lines;
        for (const QString& row : encoded.unrecognised) lines << QStringLiteral("Значение не распознано: ") + row;
        lines << QStringLiteral("запрос не послан: исправьте значение в таблице ") +
                     QFileInfo(TablePath(Lcod)).fileName();
        addLines(lines);
        window_.Status().error(QStringLiteral("Значение не распознано: ") + encoded.unrecognised.first() +
                               QStringLiteral(" — запрос не послан"));
        ShowError(LDstate, nullptr, QStringLiteral("НЕ ПОСЛАН"));
        return;
    }
    if (!CBant->isChecked()) {
        addLines({QStringLiteral("запрос")});
        addLines(debug::ByteLines(encoded.bytes));
    }
    if (!CBp->isChecked()) {
        window_.Status().busy(QStringLiteral("КОДИРОВКА БЕЗ ПОСЫЛКИ"));
        return;
    }
    window_.Status().busy(QStringLiteral("ПОСЛАЛ... Ждем ответа"));
    ShowBusy(LDstate, nullptr, QStringLiteral("ПОСЛАЛ"), &line_.Engine());
    ExchangeEngine& engine = line_.Engine();
    engine.StartAsyncReceive();
    TCommPortDriver& port = line_.Port();
    if (!port.IsOpen()) {
        port.SetPortName(CBCd->currentText());
        bool ok = false;
        const std::uint32_t baud = CBBd->currentText().toUInt(&ok);
        if (ok) port.SetBaudRateValue(baud);
    }
    if (!port.IsOpen() && !port.OpenPort()) {
        engine.SetAsyncReceive(true);  // the page keeps listening; nothing was sent
        window_.Status().error(port.PortName() + QStringLiteral("НЕТ СВЯЗИ"));
        ShowError(LDstate, nullptr, QStringLiteral(" занят (отсутсвует)"));
        return;
    }
    port.WriteText(
        QByteArray(reinterpret_cast<const char*>(encoded.bytes.data()), static_cast<qsizetype>(encoded.bytes.size())));
}

void TDebugTerminal::asyncTick(int n) {
    ShowStyled(window_.LMstate, nullptr, StatusStyle::Busy, QStringLiteral("%1 байт").arg(n), &line_.Engine());
    window_.Status().busy(QStringLiteral("Принимаю ответ %1 байт").arg(n));
}

void TDebugTerminal::asyncDone(const QByteArray& bytes) {
    const QString count = QStringLiteral("%1 байт").arg(bytes.size());
    if (bytes.isEmpty()) {
        window_.Status().error(QStringLiteral("НЕТ ОТВЕТА"));
        ShowError(LDstate, nullptr, count);
        return;
    }
    window_.Status().ok(QStringLiteral("Принял ответ %1 байт").arg(bytes.size()));
    ShowOk(LDstate, nullptr, count);
    if (window_.PCW()->currentWidget() == window_.Page(QStringLiteral("TSdeb"))) Reply(bytes);
}

void TDebugTerminal::Reply(const QByteArray& bytes) {
    // Each answer follows the text before it, as a terminal shows it.
    MEMOD->moveCursor(QTextCursor::End);
    MEMOD->insertPlainText(FromCp1251(bytes));
    const Frame frame(bytes.begin(), bytes.end());
    addLines({QStringLiteral("ответ:")});
    if (!CBdec->isChecked()) addLines(debug::ByteLines(frame));
    if (TablePath(Ldec) == kNoTable) {
        addLines({QStringLiteral("таблица раскодировки не выбрана: перетащите таблицу из списка на «РАСКОДИРОВКА:»")});
        return;
    }
    const debug::LoadedTable table = debug::LoadTable(TablePath(Ldec));
    if (!table.error.isEmpty())
        addLines({table.error});
    else
        addLines(debug::DecodeTable(table.grid, frame));
}

void TDebugTerminal::cbASCIIClick() {
    if (!cbASCII->isChecked()) return;
    Frame all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    addLines(debug::CharListing(all));
}

bool TDebugTerminal::eventFilter(QObject* watched, QEvent* event) {
    // Events may come while the page is still being built.
    if (!SGcmd || !MEMOD || !LBq) return QObject::eventFilter(watched, event);
    // Combo boxes are dragged by their text; the arrow still opens the list,
    // and a click on the text without moving opens it too.
    if (auto* box = qobject_cast<QComboBox*>(watched); box && (box == CBcmd || box == CBfmt || box == CBv)) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || onArrow(box, mouse->position().toPoint()) || box->isEditable())
                return false;
            pressAt_ = mouse->position().toPoint();
            tracking_ = true;
            return true;
        }
        if (event->type() == QEvent::MouseMove && tracking_) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance())
                return true;
            tracking_ = false;
            auto* drag = new QDrag(box);
            auto* data = new QMimeData;
            data->setData(QString::fromLatin1(kSourceMime), box->objectName().toUtf8());
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && tracking_) {
            tracking_ = false;
            box->showPopup();
            return true;
        }
        return false;
    }
    auto sourceOf = [this](const QMimeData* data) -> QComboBox* {
        if (!data || !data->hasFormat(QString::fromLatin1(kSourceMime))) return nullptr;
        const QString name = QString::fromUtf8(data->data(QString::fromLatin1(kSourceMime)));
        for (QComboBox* box : {CBcmd, CBfmt, CBv})
            if (box->objectName() == name) return box;
        return nullptr;
    };
    if (watched == SGcmd->viewport()) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (sourceOf(drag->mimeData()))
                    drag->acceptProposedAction();
                else
                    drag->ignore();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                QComboBox* source = sourceOf(drop->mimeData());
                if (!source) return false;
                const QPoint at = drop->position().toPoint();
                DropOnGrid(source, SGcmd->rowAt(at.y()), SGcmd->columnAt(at.x()));
                drop->acceptProposedAction();
                return true;
            }
            case QEvent::MouseButtonDblClick: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                GridDoubleClick(SGcmd->rowAt(mouse->position().toPoint().y()),
                                mouse->modifiers().testFlag(Qt::ControlModifier));
                return true;
            }
            default:
                return false;
        }
    }
    // While a cell is edited its editor has the keys, so Enter here is Enter
    // on the grid itself.
    if (watched == SGcmd && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter)) {
            SaveGrid();
            return true;
        }
        return false;
    }
    if (watched == MEMOD->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        MEMOD->setPlainText(QStringLiteral("Гипертерминал"));
        return true;
    }
    if (auto* target = qobject_cast<QLabel*>(watched);
        target && (target == Label1 || target == Lcod || target == Label2 || target == Ldec)) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (sourceOf(drag->mimeData()) == CBcmd)
                    drag->acceptProposedAction();
                else
                    drag->ignore();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                if (DropOnLabel(sourceOf(drop->mimeData()), target)) drop->acceptProposedAction();
                return true;
            }
            case QEvent::MouseButtonDblClick:
                if (target == Label1 || target == Lcod) {
                    Label1DblClick();
                    return true;
                }
                return false;
            default:
                return false;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace omi
