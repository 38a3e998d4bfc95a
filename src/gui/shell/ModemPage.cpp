#include "shell/ModemPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "connection/Connection.h"
#include "debug/DescriptionTable.h"
#include "protocol/Exchange.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "shell/TraceMemo.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {

constexpr int kModemInputTimeoutMs = 2000;

QLineEdit* edit(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromUtf8(name));
    e->setToolTip(hint);
    return e;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setToolTip(hint);
    return c;
}

}  // namespace

TModemPage::TModemPage(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    buildPage();
    hangUpTimer_ = new QTimer(this);
    hangUpTimer_->setSingleShot(true);
    connect(hangUpTimer_, &QTimer::timeout, this, [this] {
        if (hangingUp_) hangUpDone(QStringLiteral("нет ответа на ATH"));
    });
    connect(&line.Engine(), &ExchangeEngine::AsyncReceived, this, [this](const QByteArray& bytes) {
        // The debug page takes the answers while it is the active page.
        if (window_.PCW()->currentWidget() == window_.Page(QStringLiteral("TSdeb"))) return;
        if (bytes.isEmpty()) {
            if (hangingUp_) hangUpDone(QStringLiteral("нет ответа на ATH"));
            return;
        }
        ModemReply(bytes);
    });
    connect(window.PCcon, &QTabWidget::currentChanged, this, [this] {
        if (shown_ && window_.PCcon->currentWidget() != window_.TSmod) TSmodHide();
    });
}

void TModemPage::buildPage() {
    QWidget* page = window_.TSmod;
    page->setToolTip(QStringLiteral("модем обычный и GSM"));
    auto* g = new QGridLayout(page);
    g->setContentsMargins(4, 4, 4, 4);
    CBcon = new QComboBox(page);
    CBcon->setObjectName(QStringLiteral("CBcon"));
    CBcon->setToolTip(QStringLiteral("соединения ввод-добавить"));
    CBcon->setEditable(true);
    CBcon->setInsertPolicy(QComboBox::NoInsert);
    Etel = edit(page, "Etel", QString(), QStringLiteral("номер телефона"));
    CBmod = new QComboBox(page);
    CBmod->setObjectName(QStringLiteral("CBmod"));
    CBmod->setToolTip(QStringLiteral("COM-порт"));
    // Editable: a stored port the system does not list (a bare COM5) still
    // shows its name.
    CBmod->setEditable(true);
    CBmod->setInsertPolicy(QComboBox::NoInsert);
    CBton = check(page, "CBton", QStringLiteral("тоновый набор"),
                  QStringLiteral("галочка-тоновый набор, иначе-импульсный"));
    CBton->setChecked(true);
    CBtru = check(page, "CBtru", QStringLiteral("межгород"), QStringLiteral("набор кода города с ожиданием зуммера"));
    Ekmg = edit(page, "Ekmg", QStringLiteral("8"), QStringLiteral("код межгорода (без скобок)"));
    Etru = edit(page, "Etru", QStringLiteral("495"), QStringLiteral("код города (без скобок)"));
    CBsta = check(page, "CBsta", QStringLiteral("выход в город"), QStringLiteral("выход в город через код с зуммером"));
    Esta = edit(page, "Esta", QStringLiteral("9"), QStringLiteral("код города (без скобок)"));
    for (QLineEdit* e : {Ekmg, Etru, Esta}) {
        e->setMaximumWidth(60);
        e->setEnabled(false);
    }

    ActionToolBar2 = new QToolBar(page);
    ActionToolBar2->setObjectName(QStringLiteral("ActionToolBar2"));
    ActionToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto action = [&](const char* name, const QString& caption, const QString& hint, QStyle::StandardPixmap icon) {
        auto* a = new QAction(caption, page);
        a->setObjectName(QString::fromUtf8(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        if (icon != QStyle::SP_CustomBase) a->setIcon(page->style()->standardIcon(icon));
        ActionToolBar2->addAction(a);
        return a;
    };
    Asave =
        action("Asave", QStringLiteral("запомнить"), QStringLiteral("добавить/изменить"), QStyle::SP_DialogSaveButton);
    Adelete = action("Adelete", QStringLiteral("уничтожить"), QStringLiteral("уничтожить выбранную запись"),
                     QStyle::SP_TrashIcon);
    Acommand = action("Acommand", QStringLiteral("послать..."),
                      QStringLiteral("послать модему команду, набранную в поле телефона"), QStyle::SP_CustomBase);
    Acall = action("Acall", QStringLiteral("позвонить"), QStringLiteral("установить связь с удаленным модемом"),
                   QStyle::SP_CustomBase);
    Adiscon = action("Adiscon", QStringLiteral("отсоединить"), QStringLiteral("положить трубку, закрыть порт"),
                     QStyle::SP_CustomBase);
    // The icon-only actions keep their captions as hints.
    for (QAction* a : {Asave, Adelete})
        if (auto* button = ActionToolBar2->widgetForAction(a)) button->setProperty("iconOnly", true);

    g->addWidget(ActionToolBar2, 0, 0, 1, 4);
    g->addWidget(CBcon, 1, 0, 1, 2);
    g->addWidget(window_.LMstate, 1, 2, 1, 2);
    g->addWidget(Etel, 2, 0, 1, 2);
    g->addWidget(CBmod, 2, 2, 1, 2);
    g->addWidget(CBton, 3, 0);
    g->addWidget(CBsta, 3, 1);
    g->addWidget(Esta, 3, 2);
    g->addWidget(CBtru, 4, 0);
    g->addWidget(Ekmg, 4, 1);
    g->addWidget(Etru, 4, 2);
    g->setColumnStretch(3, 1);
    g->setRowStretch(5, 1);
    ShowOk(window_.LMstate, nullptr, QStringLiteral("начало реализации"));

    connect(Asave, &QAction::triggered, this, [this] { AsaveExecute(); });
    connect(Adelete, &QAction::triggered, this, [this] { AdeleteExecute(); });
    connect(Acommand, &QAction::triggered, this, [this] { AcommandExecute(); });
    connect(Acall, &QAction::triggered, this, [this] { AcallExecute(); });
    connect(Adiscon, &QAction::triggered, this, [this] { AdisconExecute(); });
    connect(CBcon, QOverload<int>::of(&QComboBox::activated), this, [this] { CBconClick(); });
    connect(CBmod, QOverload<int>::of(&QComboBox::activated), this, [this] { window_.cbCClick(CBmod); });
    connect(CBtru, &QCheckBox::clicked, this, [this] { CBtruClick(); });
    connect(CBsta, &QCheckBox::clicked, this, [this] { CBstaClick(); });
    connect(Etel, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper()) {
            const int caret = Etel->cursorPosition();
            Etel->setText(text.toUpper());
            Etel->setCursorPosition(caret);
        }
    });
    Etel->installEventFilter(this);
}

// The chosen connection lives in CBcon's tag: the window's saved values
// restore it there before the list is loaded, and save it from there while
// the list was never loaded in this run.
int TModemPage::selected() const {
    bool ok = false;
    const int index = CBcon->property("tag").toInt(&ok);
    return ok ? index : 0;
}

void TModemPage::setSelected(int index) { CBcon->setProperty("tag", index); }

void TModemPage::CBtruClick() {
    Ekmg->setEnabled(CBtru->isChecked());
    Etru->setEnabled(CBtru->isChecked());
}

void TModemPage::CBstaClick() { Esta->setEnabled(CBsta->isChecked()); }

void TModemPage::TSmodShow() {
    if (!Flags().ready) return;
    shown_ = true;
    ExchangeEngine& engine = line_.Engine();
    engine.SetAsyncReceive(true);
    TCommPortDriver& port = line_.Port();
    if (port.InputTimeout() != static_cast<std::uint32_t>(kModemInputTimeoutMs)) directTimeout_ = port.InputTimeout();
    port.SetInputTimeout(kModemInputTimeoutMs);
    {
        const ReadyGuard quiet;
        const QString port = CBmod->currentText();
        CBmod->clear();
        for (int i = 0; i < window_.cbC->count(); ++i) CBmod->addItem(window_.cbC->itemText(i));
        CBmod->setCurrentIndex(CBmod->findText(port));
    }
    window_.Status().ok(QStringLiteral("Связь через модем"));
    ShowOk(window_.LMstate, nullptr, QStringLiteral("Список соединений"));
    window_.sgsp->hide();
    window_.Ma()->setVisible(window_.CBgt->isChecked());

    const QString path = ConnectionListPath();
    QDir().mkpath(QFileInfo(path).path());
    Grid loaded;
    const QString error = LoadGridText(loaded, path);
    if (!QFileInfo::exists(path)) {
        list_ = DefaultConnectionList();
        saveList();
    } else if (!error.isEmpty() || loaded.isEmpty()) {
        // A damaged list is shown as the sample but not written over: the
        // user's file stays for repair.
        list_ = DefaultConnectionList();
        window_.Status().error(error.isEmpty() ? QStringLiteral("список соединений пуст: ") + path : error);
    } else {
        list_ = loaded;
    }

    const QSignalBlocker quiet(CBcon);
    CBcon->clear();
    for (qsizetype r = 1; r < list_.size(); ++r) CBcon->addItem(list_[r].value(0));
    CBcon->setCurrentIndex(std::clamp(selected(), 0, std::max(0, CBcon->count() - 1)));
    CBconClick();
}

void TModemPage::TSmodHide() {
    shown_ = false;
    line_.Engine().SetAsyncReceive(false);
    // A session keeps the modem's patience for the exchanges of other pages.
    if (line_.LineState() == LineState::Free && directTimeout_ > 0) line_.Port().SetInputTimeout(directTimeout_);
}

void TModemPage::CBconClick() {
    Adelete->setEnabled(list_.size() > 2);
    const QString name = CBcon->currentText();
    for (qsizetype r = 1; r < list_.size(); ++r) {
        if (list_[r].value(0) != name) continue;
        const ModemConnection c = ConnectionOfRow(list_[r]);
        Etel->setText(c.telephone);
        const int item = CBmod->findText(c.port);
        CBmod->setCurrentIndex(item);
        if (item < 0) CBmod->setEditText(c.port);
        // A port the system does not list (a bare COM5) is still probed and
        // opened under its own name.
        window_.setProperty("fallbackPort", item < 0 ? c.port : QString());
        window_.cbCClick(CBmod);
        CBton->setChecked(c.tone);
        CBtru->setChecked(!(c.cityCode + c.longDistanceCode).isEmpty());
        CBsta->setChecked(!c.exitCode.isEmpty());
        if (CBtru->isChecked()) {
            Etru->setText(c.cityCode);
            Ekmg->setText(c.longDistanceCode);
        }
        if (CBsta->isChecked()) Esta->setText(c.exitCode);
        CBtruClick();
        CBstaClick();
    }
    setSelected(CBcon->currentIndex());
}

ModemConnection TModemPage::connectionOfControls() const {
    ModemConnection c;
    c.name = CBcon->currentText().trimmed();
    c.telephone = Etel->text().trimmed();
    c.port = CBmod->currentText().trimmed();
    c.tone = CBton->isChecked();
    if (CBtru->isChecked()) {
        c.cityCode = Etru->text().trimmed();
        c.longDistanceCode = Ekmg->text().trimmed();
    }
    if (CBsta->isChecked()) c.exitCode = Esta->text().trimmed();
    return c;
}

void TModemPage::saveList() {
    const QString error = SaveGridText(list_, ConnectionListPath());
    if (!error.isEmpty()) window_.Status().error(error);
}

void TModemPage::AsaveExecute() {
    const ModemConnection c = connectionOfControls();
    if (c.name.isEmpty()) {
        window_.Status().error(QStringLiteral("введите наименование соединения"));
        return;
    }
    StoreConnection(list_, c);
    saveList();
    for (qsizetype r = 1; r < list_.size(); ++r)
        if (list_[r].value(0) == c.name) setSelected(static_cast<int>(r - 1));
    TSmodShow();
}

void TModemPage::AdeleteExecute() {
    if (list_.size() <= 2) return;  // the last entry stays
    const QString name = CBcon->currentText();
    if (!ConfirmWrite(QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   УНИЧТОЖИТЬ ЗАПИСЬ\r\r  ") + name +
                      QStringLiteral("  ???")))
        return;
    DeleteConnection(list_, name);
    saveList();
    setSelected(0);
    TSmodShow();
}

void TModemPage::portBusy() {
    const QString text = line_.Port().PortName() + QStringLiteral(" занят (отсутсвует)");
    window_.Status().error(text);
    ShowError(window_.LMstate, nullptr, text);
}

bool TModemPage::sendToModem(const QString& text) {
    ExchangeEngine& engine = line_.Engine();
    engine.StartAsyncReceive();
    TCommPortDriver& port = line_.Port();
    if (!port.IsOpen() && !port.OpenPort()) {
        portBusy();
        return false;
    }
    port.WriteText(text.toLatin1());
    return true;
}

void TModemPage::AcommandExecute() {
    const QString command = Etel->text();
    window_.Status().busy(QStringLiteral("ПОСЫЛАЮ... ") + command);
    ShowBusy(window_.LMstate, nullptr, command, &line_.Engine());
    lastCommand_ = command + QLatin1Char('\r');
    sendToModem(lastCommand_);
}

void TModemPage::AcallExecute() {
    line_.SetLineState(LineState::Dialling);
    Adiscon->setEnabled(false);
    // A lone carriage return first: the manual command with the field empty.
    const QString telephone = Etel->text();
    Etel->clear();
    AcommandExecute();
    Etel->setText(telephone);
    ModemConnection c = connectionOfControls();
    c.telephone = telephone.trimmed();
    lastCommand_ = DialString(c);
    window_.Status().busy(QStringLiteral("Вызываю... ") + c.telephone);
    ShowBusy(window_.LMstate, nullptr, QStringLiteral("набор: ") + lastCommand_, &line_.Engine());
    if (!sendToModem(lastCommand_)) Adiscon->setEnabled(true);
}

void TModemPage::ModemReply(const QByteArray& reply) {
    if (window_.Ma()->isVisible()) {
        for (const QString& line : debug::CharListing(Frame(reply.begin(), reply.end()))) window_.Ma()->AddLine(line);
        // The modem's and the device's text is Windows-1251.
        window_.Ma()->Append(FromCp1251(reply));
    }
    const QString telephone = Etel->text().trimmed();
    if (lastCommand_.contains(QStringLiteral("ATH"))) {
        const QString reduced = ReduceModemReply(reply, lastCommand_);
        if (reduced.isEmpty()) return;
        if (reduced.contains(QStringLiteral("OK"))) {
            hangingUp_ = false;
            hangUpTimer_->stop();
            Adiscon->setEnabled(true);
            line_.SetLineState(LineState::Free);
            window_.Status().ok(QStringLiteral("связь по модему отключена"));
            ShowOk(window_.LMstate, nullptr, QStringLiteral("отключен"));
            line_.Port().ClosePort();
        } else {
            hangUpDone(reduced);
        }
        return;
    }
    if (!lastCommand_.startsWith(QStringLiteral("ATD"))) return;
    window_.Status().busy(QStringLiteral("Вызываю №... ") + telephone);
    ShowBusy(window_.LMstate, nullptr, QStringLiteral("набор: ") + lastCommand_, &line_.Engine());
    const QString reduced = ReduceModemReply(reply, lastCommand_);
    switch (JudgeDialReply(reduced)) {
        case DialOutcome::Waiting:
            return;
        case DialOutcome::Failed:
            Adiscon->setEnabled(true);
            line_.SetLineState(LineState::Free);
            // "НET": the E and T are Latin letters.
            window_.Status().error(QStringLiteral("номер: ") + telephone + QStringLiteral("-НET СВЯЗИ!"));
            ShowError(window_.LMstate, nullptr, DialFailureText(reduced));
            return;
        case DialOutcome::Connected:
            Adiscon->setEnabled(true);
            window_.Status().ok(telephone + QStringLiteral(" НА СВЯЗИ!"));
            ShowOk(window_.LMstate, nullptr, QStringLiteral("связь установлена"));
            // From now on the exchanges read the port themselves.
            line_.Engine().SetAsyncReceive(false);
            line_.SetLineState(LineState::Connected);
            return;
    }
}

void TModemPage::AdisconExecute() {
    // Hanging up acts only on a call that is up; otherwise it says so.
    if (line_.LineState() != LineState::Connected) {
        window_.Status().error(QStringLiteral("связь по модему не установлена: отключать нечего"));
        return;
    }
    if (hangingUp_) return;
    const QString telephone = Etel->text().trimmed();
    window_.Status().busy(QStringLiteral("Отключаюсь от ") + telephone + QStringLiteral(" Ждите..."));
    ShowBusy(window_.LMstate, nullptr, QStringLiteral("завершение связи "), &line_.Engine());
    Adiscon->setEnabled(false);
    hangingUp_ = true;
    // The escape to command mode, with the modem's guard time after it; the
    // modem's "OK" to it only shows in the terminal memo.
    lastCommand_ = QStringLiteral("+++");
    if (!sendToModem(lastCommand_)) {
        hangingUp_ = false;
        Adiscon->setEnabled(true);
        return;
    }
    line_.Engine().Pause(kEscapeGuardMs);
    // Then the hang-up itself, its reply judged as that of a typed ATH: a
    // modem that keeps the call (and its cost) is not reported as hung up.
    lastCommand_ = QStringLiteral("ATH\r");
    if (!sendToModem(lastCommand_)) {
        hangUpDone(QStringLiteral("порт закрыт"));
        return;
    }
    // A modem that only echoes, or says nothing at all, gets the line's
    // input timeout (and the receive's end) to confirm.
    hangUpTimer_->start(static_cast<int>(std::max<std::uint32_t>(line_.Port().InputTimeout(), 1000)) + 1000);
}

void TModemPage::hangUpDone(const QString& reply) {
    // ATH not confirmed: the port is closed all the same (a modem that
    // drops the call with DTR does it now), and the user is told.
    hangingUp_ = false;
    hangUpTimer_->stop();
    Adiscon->setEnabled(true);
    window_.Status().error(QStringLiteral("номер: ") + Etel->text().trimmed() +
                           QStringLiteral("-не отключился, отключаю порт"));
    ShowError(window_.LMstate, nullptr, reply);
    line_.Port().ClosePort();
}

bool TModemPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Etel && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AcommandExecute();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace omi
