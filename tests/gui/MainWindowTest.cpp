// The main window driven as a user would: start-up and preparation, access
// levels, identification through omi-sim on a pseudo-terminal and over UDP,
// manual addressing, clearing, the status prefix and the saved control values;
// a line moved to another device, the pages dropping a previous device's
// data, the port named on the command line, the help toggle.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "config/ConfigPage.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "shell/ActionToolBar.h"
#include "shell/HelpViewer.h"
#include "shell/Lamp.h"
#include "shell/MainWindow.h"
#include "shell/QtTranslations.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "state/StateView.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using namespace omi::guitest;

namespace {

QStringList tabCaptions(QTabWidget* tabs, bool visibleOnly) {
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        if (!visibleOnly || tabs->isTabVisible(i)) out << tabs->tabText(i);
    return out;
}

// A window whose port list holds only the given devices, prepared.
std::unique_ptr<TFomi> makeWindow(const QStringList& ports, const QStringList& arguments = {}) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    options.extraPorts = ports;
    options.arguments = arguments;
    options.systemPorts = false;
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    return w;
}

void setLevel(TFomi& w, int level) {
    w.Epsw->setText(QString::number(level));
    w.EpswChange();
    w.ApplyAccessLevel();
}

void selectPort(TFomi& w, const QString& port) {
    auto* cbC = child<QComboBox>(&w, "cbC");
    cbC->setCurrentIndex(cbC->findText(port));
    w.cbCClick(cbC);
}

// Keeps a window from ever seeing its activation, as under an X server
// without a window manager.
class NoActivation : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowActivate;
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpAndPreparation() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = makeWindow({sim.Pty()});

        QVERIFY(w->windowTitle().startsWith(TFomi::kCaptionStart));
        QCOMPARE(w->windowTitle(), TFomi::kCaptionStart + QCoreApplication::applicationVersion());
        QCOMPARE(tabCaptions(w->PCW(), false),
                 QStringList({"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ", "КАЛИБРОВКА", "настройка печати", "ОТЛАДКА"}));
        QStringList pageNames;
        for (int i = 0; i < w->PCW()->count(); ++i) pageNames << w->PCW()->widget(i)->objectName();
        QCOMPARE(pageNames, QStringList({"TSW", "TSa", "TSwr", "TSk", "TSp", "TSdeb"}));
        QCOMPARE(tabCaptions(child<QTabWidget>(w.get(), "PCcon"), false),
                 QStringList({"COM-порт", "МОДЕМ", "СЕТЬ", "GPRS"}));

        // The toolbar in its order, separators as "|".
        QStringList bar;
        for (QAction* a : w->ActionToolBar1->actions()) bar << (a->isSeparator() ? QString("|") : a->objectName());
        QCOMPARE(bar, QStringList({"AreadNoTu", "Areadstate", "AreadArh", "AstopArhRead", "|", "AreadFileArh",
                                   "Asavearh", "AArhPrint", "|", "AGetDataLogger", "AStore", "|", "AreadParam",
                                   "ASaveGlobal", "|", "ASetNO", "Acal", "AReadChang", "Ahelp"}));
        QCOMPARE(child<QToolButton>(w.get(), "TBLogger")->text(), QString("ЗОРТ"));
        QCOMPARE(w->Action("Ahelp")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w->Action("AreadNoTu")->toolTip(), QString("прочитать тип и номер уст-ва"));
        QCOMPARE(w->Action("AreadNoTu")->property("category").toString(), QString("чтение"));
        // Without a configuration or an archive their writes stay off.
        QVERIFY(!w->Action("ASetPar")->isEnabled());
        QVERIFY(!w->Action("Asavearh")->isEnabled());
        QVERIFY(!w->PCW()->isTabEnabled(2));

        // The simulator's port is in the list and, being free, was chosen by the probe.
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        QVERIFY(cbC->findText(sim.Pty()) >= 0);
        QCOMPARE(cbC->currentText(), sim.Pty());
        QCOMPARE(child<QLabel>(w.get(), "LPState")->text(), QString("свободен (подключен)"));
        QCOMPARE(w->LuState->text(), sim.Pty() + " свободен (подключен)");
        QCOMPARE(w->Line().Serial(), -1);
        QCOMPARE(child<QComboBox>(w.get(), "CBTu")->count(), 10);
        QCOMPARE(child<QComboBox>(w.get(), "cbBaudRate")->currentText(), QString("9600"));

        // A port held by another program is busy.
        TCommPortDriver other;
        other.SetPortName(sim.Pty());
        QVERIFY(other.OpenPort());
        selectPort(*w, sim.Pty());
        QCOMPARE(child<QLabel>(w.get(), "LPState")->text(), QString("занят (отсутсвует)"));
        QCOMPARE(w->LuState->text(), sim.Pty() + " занят (отсутсвует)");
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        // Identification then refuses at once, naming the port.
        w->AreadNoTuExecute();
        QCOMPARE(w->LuState->text(), "НЕТ СВЯЗИ: порт " + sim.Pty() + " занят или отсутствует");
        QVERIFY(sim.Requests().isEmpty());
        other.ClosePort();
    }

    void startPreparationAtFirstShow_data() {
        QTest::addColumn<bool>("activated");
        QTest::newRow("never activated") << false;
        QTest::newRow("activated") << true;
    }

    void startPreparationAtFirstShow() {
        QFETCH(bool, activated);
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {sim.Pty()};
        options.systemPorts = false;
        TFomi w(options);
        NoActivation noActivation;
        if (!activated) w.installEventFilter(&noActivation);
        QVERIFY(!w.windowTitle().startsWith(TFomi::kCaptionStart));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.PreparationCount(), 1);
        // Show and activation together prepare once.
        QTest::qWait(50);
        QCOMPARE(w.PreparationCount(), 1);

        QCOMPARE(w.windowTitle(), TFomi::kCaptionStart + QCoreApplication::applicationVersion());
        QCOMPARE(child<QComboBox>(&w, "cbC")->currentText(), sim.Pty());
        QCOMPARE(child<QLabel>(&w, "LPState")->text(), QString("свободен (подключен)"));
        auto* baud = child<QComboBox>(&w, "cbBaudRate");
        QCOMPARE(baud->count(), 16);
        QCOMPARE(baud->currentText(), QString("9600"));
        auto* parity = child<QComboBox>(&w, "CBeo");
        QVERIFY(parity->count() > 1);
        QCOMPARE(parity->currentText(), QString("НЕТ"));
        QCOMPARE(child<QComboBox>(&w, "cbs")->currentText(), QString("1"));
        QCOMPARE(child<QComboBox>(&w, "CBTu")->count(), 10);
    }

    // Back from any other window (a file dialog, a message, a window of the
    // program) the identified device, the page shown and the status line
    // stay; only the caption is refreshed. No preparation runs again.
    void returnFromAnotherWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("file dialog") << "QFileDialog";
        QTest::newRow("message") << "QMessageBox";
        QTest::newRow("own window") << "QDialog";
    }

    void returnFromAnotherWindow() {
        QFETCH(QString, window);
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {sim.Pty()};
        options.systemPorts = false;
        TFomi w(options);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.isActiveWindow());
        QTRY_COMPARE(w.PreparationCount(), 1);
        w.AreadNoTuExecute();
        QCOMPARE(w.Line().Serial(), 417);
        w.PCW()->setCurrentWidget(w.TSa);
        w.Status().ok("архив записан в файл: x.Arh");
        w.setWindowTitle("другой заголовок");
        const int refreshes = w.RefreshCount();

        std::unique_ptr<QDialog> other;
        if (window == "QFileDialog")
            other = std::make_unique<QFileDialog>(&w);
        else if (window == "QMessageBox")
            other = std::make_unique<QMessageBox>(&w);
        else
            other = std::make_unique<QDialog>(&w);
        other->show();
        QTRY_VERIFY(other->isActiveWindow());
        other->hide();
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QTRY_VERIFY(w.RefreshCount() > refreshes);

        QCOMPARE(w.PreparationCount(), 1);
        QCOMPARE(w.Line().Serial(), 417);
        QCOMPARE(w.ENo->text(), QString("417"));
        QCOMPARE(w.PCW()->currentWidget(), w.TSa);
        QVERIFY(w.LuState->text().endsWith("архив записан в файл: x.Arh"));
        QCOMPARE(w.windowTitle(), TFomi::kCaptionStart + QCoreApplication::applicationVersion());
    }

    // Assistive technology drives the toolbar as a click does: "toggle" on
    // the state action reads the state, "press" on any button triggers its
    // action once, and the group button offers its menu.
    void toolbarUnderAccessibility() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = OpenWindow(sim.Pty());
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 417);
        auto iface = [&](const char* name) {
            QWidget* b = w->ActionToolBar1->widgetForAction(w->Action(name));
            QAccessibleInterface* a = b ? QAccessible::queryAccessibleInterface(b) : nullptr;
            return a ? a->actionInterface() : nullptr;
        };
        QAccessibleActionInterface* state = iface("Areadstate");
        QVERIFY(state);
        QVERIFY(state->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        const auto stateRequests = [&] {
            int n = 0;
            for (const QString& line : sim.Requests()) n += line.section(' ', 4, 4).toInt() == cmd::State;
            return n;
        };
        state->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(w->Action("Areadstate")->isChecked());
        QTRY_VERIFY(stateRequests() > 0);
        QVERIFY(w->stateView->Boxes().size() > 0);
        state->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!w->Action("Areadstate")->isChecked());
        const int afterOff = stateRequests();
        QTest::qWait(1500);
        QCOMPARE(stateRequests(), afterOff);

        // Every button offers "press", a checkable one "toggle" too.
        for (QAction* a : w->ActionToolBar1->actions()) {
            if (a->isSeparator() || a->menu() || !a->isEnabled() || !a->isVisible()) continue;
            QWidget* b = w->ActionToolBar1->widgetForAction(a);
            QAccessibleActionInterface* act = QAccessible::queryAccessibleInterface(b)->actionInterface();
            QVERIFY2(act && act->actionNames().contains(QAccessibleActionInterface::pressAction()),
                     qPrintable(a->objectName()));
            if (a->isCheckable()) QVERIFY(act->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        }
        QAccessibleInterface* group =
            QAccessible::queryAccessibleInterface(w->ActionToolBar1->widgetForAction(w->Action("ASaveGlobal")));
        QCOMPARE(group->role(), QAccessible::ButtonMenu);
        QVERIFY(group->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
        QCOMPARE(group->text(QAccessible::Name), QString("запись"));
    }

    void qtTextsInRussian() {
        QVERIFY(InstallQtTranslations(*QCoreApplication::instance()));
        QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("Отмена"));
        QCOMPARE(buttons.button(QDialogButtonBox::Save)->text(), QString("Сохранить"));
        QCOMPARE(buttons.button(QDialogButtonBox::Open)->text(), QString("Открыть"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QString("Перейти к:"));

        // The toolbar's pop-up would only offer to hide the one toolbar, by
        // its internal name: there is none, and the toolbar has a Russian title.
        DataFolder data;
        auto w = makeWindow({});
        QCOMPARE(w->ActionToolBar1->windowTitle(), QString("Панель действий"));
        std::unique_ptr<QMenu> menu(w->createPopupMenu());
        QVERIFY(!menu);
    }

    void accessLevels_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("status");
        const QStringList all = {"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ", "КАЛИБРОВКА", "настройка печати", "ОТЛАДКА"};
        QTest::newRow("1") << "1" << QStringList{"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ"} << QStringList{} << "";
        QTest::newRow("2") << "2" << QStringList{"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ", "настройка печати"}
                           << QStringList{"AReadChang"} << "";
        QTest::newRow("3") << "3" << QStringList{"УСТРОЙСТВО", "АРХИВЫ", "КАЛИБРОВКА"}
                           << QStringList{"ASetNO", "Acal", "AReadChang"} << "";
        QTest::newRow("service code") << TFomi::kServiceCode << all
                                      << QStringList{"Aimit", "ASetNO", "Acal", "AReadChang"} << "";
        QTest::newRow("7") << "7" << QStringList{"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ"} << QStringList{}
                           << "УРОВЕНЬ ДОСТУПА=7 (должен быть от 1 до 3), заменен на 1";
        QTest::newRow("not a number") << "abc" << QStringList{"УСТРОЙСТВО", "АРХИВЫ", "КОНФИГУРАЦИЯ"} << QStringList{}
                                      << "УРОВЕНЬ ДОСТУПА=-1 (должен быть от 1 до 3), заменен на 1";
    }

    void accessLevels() {
        QFETCH(QString, answer);
        QFETCH(QStringList, pages);
        QFETCH(QStringList, actions);
        QFETCH(QString, status);
        DataFolder data;
        auto w = makeWindow({});
        DialogScript dialogs;
        dialogs.answers << DialogAnswer{QDialog::Accepted, answer};

        // A double-click on the toolbar without all three keys does nothing.
        QTest::mouseDClick(w->ActionToolBar1, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                           QPoint(w->ActionToolBar1->width() - 3, 5));
        QVERIFY(dialogs.asked.isEmpty());
        QTest::mouseDClick(w->ActionToolBar1, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier,
                           QPoint(w->ActionToolBar1->width() - 3, 5));
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].caption, QString("ВВОД УРОВНЯ ДОСТУПА"));
        QCOMPARE(dialogs.asked[0].text, QString("УРОВЕНЬ ДОСТУПА (1..3):"));
        QCOMPARE(dialogs.asked[0].defaultText, QString("1"));

        QCOMPARE(tabCaptions(w->PCW(), true), pages);
        QStringList shown;
        for (const char* a : {"Aimit", "ASetNO", "Acal", "AReadChang"})
            if (w->Action(a)->isVisible()) shown << a;
        QCOMPARE(shown, actions);
        QCOMPARE(w->PCW()->currentIndex(), 0);
        if (!status.isEmpty()) QCOMPARE(w->LuState->text(), status);
        // Pages and actions that every level has.
        QVERIFY(w->Action("AreadArh")->isVisible());
        QVERIFY(w->Action("AreadNoTu")->isVisible());
    }

    void serviceCodeOnTheCommandLine() {
        DataFolder data;
        auto w = makeWindow({}, {TFomi::kServiceCode});
        QCOMPARE(Flags().accessLevel, 0);
        QVERIFY(w->PCW()->isTabVisible(5));
        auto plain = makeWindow({}, {"омИ-сервис"});
        QCOMPARE(Flags().accessLevel, 1);
        QVERIFY(!plain->PCW()->isTabVisible(5));
    }

    void identificationOverThePort_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("serial");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("changeLog");
        QTest::newRow("229") << 229 << 10000 << "ОМИ-1 Б4" << true;
        QTest::newRow("228") << 228 << 321 << "ОМИ-1 Б2" << false;
        QTest::newRow("235") << 235 << 65535 << "ОМИ-1 Б5М" << true;
    }

    void identificationOverThePort() {
        QFETCH(int, type);
        QFETCH(int, serial);
        QFETCH(QString, model);
        QFETCH(bool, changeLog);
        DataFolder data;
        Sim sim({"--pty", "--type", QString::number(type), "--serial", QString::number(serial)});
        auto w = makeWindow({sim.Pty()});
        QCOMPARE(child<QComboBox>(w.get(), "cbC")->currentText(), sim.Pty());
        setLevel(*w, 2);  // the change log is shown from level 2
        w->Action("AReadChang")->setEnabled(!changeLog);

        // The exchange is traced in the terminal memo while it is on.
        child<QCheckBox>(w.get(), "CBgt")->click();
        // A click on the device group box identifies.
        auto* box = child<QGroupBox>(w.get(), "GBNT");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, 8));
        QCOMPARE(sim.Requests().value(0), QString("6 0 0 0 0 250"));
        QCOMPARE(child<QLineEdit>(w.get(), "ENo")->text(), QString::number(serial));
        QCOMPARE(child<QLineEdit>(w.get(), "Etype")->text(), model);
        QCOMPARE(child<QLineEdit>(w.get(), "Enok")->text(), QString::number(serial));
        QCOMPARE(w->LuState->text(), model + " № " + QString::number(serial) + ": НА СВЯЗИ!");
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Ok);
        QCOMPARE(w->Action("AReadChang")->isEnabled(), changeLog);
        QCOMPARE(w->Line().Type(), type);
        QVERIFY(w->Ma()->toPlainText().contains("ЗАПРОС=6|0|0|0|0|250|"));

        // With the address known the device is asked to confirm itself.
        w->AreadNoTuExecute();
        const QStringList requests = sim.Requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[1].section(' ', 0, 4), QString("6 %1 %2 %3 0").arg(type).arg(serial & 0xFF).arg(serial >> 8));

        // Double-click on the number clears the device and probes the port again.
        QTest::mouseDClick(child<QLineEdit>(w.get(), "ENo"), Qt::LeftButton);
        QCOMPARE(w->Line().Serial(), -1);
        QCOMPARE(w->Line().Type(), -1);
        QVERIFY(child<QLineEdit>(w.get(), "ENo")->text().isEmpty());
        QVERIFY(child<QLineEdit>(w.get(), "Etype")->text().isEmpty());
        QCOMPARE(w->LuState->text(), sim.Pty() + " свободен (подключен)");
    }

    void silentDeviceAndImitation() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "5", "--silent"});
        auto w = makeWindow({sim.Pty()});
        w->Port().SetInputTimeout(200);
        w->AreadNoTuExecute();
        // The port is named, and its label no longer says all is well.
        QCOMPARE(w->LuState->text(), "НЕТ СВЯЗИ: нет ответа через порт " + sim.Pty());
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QCOMPARE(child<QLabel>(w.get(), "LPState")->text(), QString("открыт, устройство не отвечает"));
        QCOMPARE(LabelStyle(child<QLabel>(w.get(), "LPState")), StatusStyle::Error);
        // The fields show what they showed before the attempt.
        QVERIFY(child<QLineEdit>(w.get(), "ENo")->text().isEmpty());
        QCOMPARE(w->Line().Serial(), -1);

        // Imitation answers without the port: 20560 and the imitation type.
        const int before = sim.Requests().size();
        w->Action("Aimit")->setChecked(true);
        w->AreadNoTuExecute();
        QCOMPARE(child<QLineEdit>(w.get(), "ENo")->text(), QString("20560"));
        QCOMPARE(child<QLineEdit>(w.get(), "Etype")->text(), QString("ЛОРС"));
        QCOMPARE(sim.Requests().size(), before);
        w->Action("Aimit")->setChecked(false);
    }

    void identificationOverUdp() {
        DataFolder data;
        // The port field takes 1..9999: the simulator listens on a port in that range.
        std::unique_ptr<Sim> started;
        for (int port = 7000 + QCoreApplication::applicationPid() % 2000, tries = 0; tries < 30; ++port, ++tries) {
            started = std::make_unique<Sim>(
                QStringList{"--udp", "127.0.0.1:" + QString::number(port), "--type", "227", "--serial", "4242"});
            if (started->UdpPort() == port) break;
        }
        Sim& sim = *started;
        QVERIFY(sim.UdpPort() > 0 && sim.UdpPort() <= 9999);
        auto w = makeWindow({});
        auto* pccon = child<QTabWidget>(w.get(), "PCcon");
        child<QLineEdit>(w.get(), "MEip")->setText(sim.UdpHost());
        child<QSpinBox>(w.get(), "SEp")->setValue(sim.UdpPort());
        pccon->setCurrentIndex(2);
        QCOMPARE(w->LuState->text(), QString("Связь по сети"));
        QVERIFY(!w->Ma()->Visible());
        w->AreadNoTuExecute();
        QCOMPARE(w->LuState->text(), QString("ОМИ-1 А3 № 4242: НА СВЯЗИ!"));
        QCOMPARE(child<QLineEdit>(w.get(), "ENo")->text(), QString("4242"));
        QCOMPARE(child<QLineEdit>(w.get(), "Etype")->text(), QString("ОМИ-1 А3"));
        QCOMPARE(sim.Requests().value(0), QString("6 0 0 0 0 250"));
        // Clearing on the network page names the network connection.
        w->EtypeDblClick();
        QCOMPARE(w->LuState->text(), QString("Соединение по сети"));
    }

    void manualAddressing() {
        DataFolder data;
        auto w = makeWindow({});
        setLevel(*w, 2);
        auto* rbs = child<QRadioButton>(w.get(), "rbs");
        auto* SEno = child<QSpinBox>(w.get(), "SEno");
        auto* CBTu = child<QComboBox>(w.get(), "CBTu");
        QVERIFY(child<QLineEdit>(w.get(), "ENo")->isVisibleTo(w.get()));
        QTest::mouseClick(rbs, Qt::LeftButton);
        QVERIFY(!child<QLineEdit>(w.get(), "ENo")->isVisibleTo(w.get()));
        QVERIFY(SEno->isVisibleTo(w.get()));
        QVERIFY(CBTu->isVisibleTo(w.get()));

        CBTu->setCurrentIndex(CBTu->findText("ОМИ-1 Б5М new"));
        SEno->setValue(7);
        QCOMPARE(w->Line().Serial(), 7);
        QCOMPARE(w->Line().Type(), 237);
        QCOMPARE(w->LuState->text(), QString("ОМИ-1 Б5М new № 7: номер правильный"));
        QVERIFY(!w->Action("AReadChang")->isEnabled());
        CBTu->setCurrentIndex(CBTu->findText("ОМИ-1 Б5"));
        QCOMPARE(w->Line().Type(), 230);
        QVERIFY(w->Action("AReadChang")->isEnabled());
        // The status prefix: success with the device, error alone.
        w->Status().ok("текст");
        QCOMPARE(w->LuState->text(), QString("ОМИ-1 Б5 № 7: текст"));
        w->Status().error("текст");
        QCOMPARE(w->LuState->text(), QString("текст"));
        QCOMPARE(w->Lblink->Color(), QColor(Qt::red));
        // Lamp click: flashing off and on.
        QVERIFY(Flags().lampFlashing);
        w->LblinkClick();
        QVERIFY(!Flags().lampFlashing);
        w->LblinkClick();
        QCOMPARE(w->Lblink->State(), TLamp::Mode::Flashing);
    }

    void portSettingsAndStandardValues() {
        DataFolder data;
        auto w = makeWindow({});
        auto* set = child<QCheckBox>(w.get(), "CBPortSet");
        auto* baud = child<QComboBox>(w.get(), "cbBaudRate");
        QVERIFY(!baud->isVisibleTo(w.get()));
        set->click();
        QVERIFY(baud->isVisibleTo(w.get()));
        QVERIFY(!child<QComboBox>(w.get(), "cbC")->isEnabled());
        QCOMPARE(baud->count(), 16);
        baud->setCurrentIndex(baud->findText("115200"));
        QCOMPARE(w->Port().BaudRateValue(), 115200u);
        child<QComboBox>(w.get(), "CBeo")->setCurrentIndex(2);
        QCOMPARE(w->Port().Parity(), TCommPortDriver::ptEVEN);
        w->BuPortDefClick();
        QCOMPARE(child<QSpinBox>(w.get(), "sed")->value(), 2000);
        QCOMPARE(child<QComboBox>(w.get(), "cbs")->currentText(), QString("2"));
        QCOMPARE(child<QComboBox>(w.get(), "CBeo")->currentText(), QString("НЕТ"));
        QCOMPARE(baud->currentText(), QString("9600"));
        QCOMPARE(w->Port().StopBits(), TCommPortDriver::sb2BITS);
        QCOMPARE(w->Port().InputTimeout(), 2000u);
    }

    void traceWindowAndHelp() {
        DataFolder data;
        QTemporaryDir cwd;
        const QString saved = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        auto w = makeWindow({});
        auto* gt = child<QCheckBox>(w.get(), "CBgt");
        QVERIFY(!w->Ma()->Visible());
        gt->click();
        QVERIFY(w->Ma()->Visible());
        // The help text missing from the data folder is named in the memo.
        w->AhelpExecute();
        QVERIFY(w->Ma()->toPlainText().contains("отсутствует или поврежден"));
        w->Ma()->Append("ЗАПРОС=6 0 0 0 0 250\r\n");
        QTest::mouseDClick(w->Ma()->viewport(), Qt::LeftButton);
        QCOMPARE(w->Ma()->toPlainText(), QString("Гипертерминал"));
        QString error;
        const QString text = ReadTextFile1251(cwd.filePath("ГИПЕРТЕРМИНАЛ.txt"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(text.contains("ЗАПРОС=6 0 0 0 0 250"));
        QDir::setCurrent(saved);
    }

    void controlValuesSurviveARestart() {
        DataFolder data;
        {
            auto w = makeWindow({});
            child<QLineEdit>(w.get(), "MEip")->setText("10.0.0.7");
            child<QSpinBox>(w.get(), "SEp")->setValue(5002);
            child<QCheckBox>(w.get(), "CBgt")->setChecked(true);
            child<QRadioButton>(w.get(), "rbs")->setChecked(true);
            child<QTabWidget>(w.get(), "PCcon")->setCurrentIndex(2);
        }
        QString error;
        const QStringList lines = ReadLines1251(data.Path("ПАМЯТЬ.mem"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(lines.contains("CBgt=0"));
        QVERIFY(lines.contains("SEp=5002"));
        QVERIFY(lines.contains("PCcon=2"));
        QVERIFY(!lines.join('\n').contains("Epsw="));

        auto w = makeWindow({});
        QCOMPARE(child<QLineEdit>(w.get(), "MEip")->text(), QString("10.0.0.7"));
        QCOMPARE(child<QSpinBox>(w.get(), "SEp")->value(), 5002);
        QVERIFY(child<QCheckBox>(w.get(), "CBgt")->isChecked());
        QVERIFY(w->Ma()->Visible());
        QVERIFY(child<QRadioButton>(w.get(), "rbs")->isChecked());
        QCOMPARE(child<QTabWidget>(w.get(), "PCcon")->currentIndex(), 2);
        // The network page shown again after the restore.
        QCOMPARE(w->LuState->text(), QString("Связь по сети"));

        // A later preparation keeps what the user changed since the start.
        child<QSpinBox>(w.get(), "SEp")->setValue(6000);
        w->AcreateExecute();
        QCOMPARE(child<QSpinBox>(w.get(), "SEp")->value(), 6000);
    }

    // The port named on the command line is the one used, whatever port the
    // last run remembered.
    void commandLinePortWinsOverTheRememberedOne() {
        DataFolder data;
        Sim a({"--pty", "--type", "234", "--serial", "1"});
        Sim b({"--pty", "--type", "234", "--serial", "2"});
        {
            auto w = makeWindow({b.Pty(), a.Pty()});
            auto* cbC = child<QComboBox>(w.get(), "cbC");
            cbC->setCurrentIndex(cbC->findText(a.Pty()));
            Q_EMIT cbC->activated(cbC->currentIndex());
        }
        QString error;
        QVERIFY(ReadLines1251(data.Path("ПАМЯТЬ.mem"), &error).contains("cbC=1"));
        auto w = makeWindow({b.Pty(), a.Pty()});
        QCOMPARE(child<QComboBox>(w.get(), "cbC")->currentText(), b.Pty());
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 2);
    }

    // The line moved from one calculator to another: on a line of one device
    // the old address is asked first, then whatever device is there; with
    // several devices ("система") only the address chosen is asked.
    void lineMovedToAnotherCalculator() {
        DataFolder data;
        Sim first({"--pty", "--type", "228", "--serial", "7"});
        Sim second({"--pty", "--type", "227", "--serial", "10000"});
        QTemporaryDir dir;
        const QString line = dir.filePath("ttyLINE");
        QVERIFY(QFile::link(first.Pty(), line));
        auto w = makeWindow({line});
        w->Port().SetInputTimeout(300);
        w->AreadNoTuExecute();
        QCOMPARE(child<QLineEdit>(w.get(), "ENo")->text(), QString("7"));

        w->Port().ClosePort();
        QVERIFY(QFile::remove(line));
        QVERIFY(QFile::link(second.Pty(), line));
        w->AreadNoTuExecute();
        // The confirmation (with the exchange's repeats), then the broadcast.
        const QStringList asked = second.Requests();
        QVERIFY(asked.size() >= 2);
        for (const QString& r : asked.mid(0, asked.size() - 1)) QCOMPARE(r.section(' ', 0, 4), QString("6 228 7 0 0"));
        QCOMPARE(asked.last(), QString("6 0 0 0 0 250"));
        QCOMPARE(child<QLineEdit>(w.get(), "ENo")->text(), QString("10000"));
        QCOMPARE(child<QLineEdit>(w.get(), "Etype")->text(), QString("ОМИ-1 А3"));
        QCOMPARE(w->LuState->text(), QString("ОМИ-1 А3 № 10000: НА СВЯЗИ!"));
        QCOMPARE(child<QLabel>(w.get(), "LPState")->text(), QString("свободен (подключен)"));

        // Several devices: the 228 № 7 chosen by hand does not answer, and
        // the address stays without a broadcast.
        QTest::mouseClick(child<QRadioButton>(w.get(), "rbs"), Qt::LeftButton);
        auto* CBTu = child<QComboBox>(w.get(), "CBTu");
        CBTu->setCurrentIndex(CBTu->findText(ModelName(228)));
        child<QSpinBox>(w.get(), "SEno")->setValue(7);
        const int before = second.Requests().size();
        w->AreadNoTuExecute();
        const QStringList confirmations = second.Requests().mid(before);
        QVERIFY(!confirmations.isEmpty());
        for (const QString& r : confirmations) QCOMPARE(r.section(' ', 0, 4), QString("6 228 7 0 0"));
        QCOMPARE(w->LuState->text(), "НЕТ СВЯЗИ: нет ответа через порт " + line);
        QCOMPARE(w->Line().Serial(), 7);
        QCOMPARE(w->Line().Type(), 228);

        // Back to one device: nothing answers as № 7 on this line, so the
        // one that is there is taken.
        QTest::mouseClick(child<QRadioButton>(w.get(), "rbu"), Qt::LeftButton);
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 10000);
        QCOMPARE(w->Line().Type(), 227);
    }

    // When the current device changes or is cleared, no page keeps the
    // previous device's data, and what would act on it is disabled: another
    // port chosen, another device identified, a failed identification, the
    // switch to "система". A device without archives has "архив" disabled
    // with the reason as its hint, and no message names the program's inside.
    void pagesDropThePreviousDevicesData() {
        DataFolder data;
        DialogScript dialogs;
        Sim calc({"--pty", "--type", "229", "--serial", "10000"});
        Sim lors({"--pty", "--type", "128", "--serial", "1"});
        Sim silent({"--pty", "--silent"});
        QTemporaryDir dir;
        const QString line = dir.filePath("ttyLINE");
        QVERIFY(QFile::link(calc.Pty(), line));
        auto w = makeWindow({line, lors.Pty()});
        w->Port().SetInputTimeout(300);
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        QCOMPARE(cbC->currentText(), line);
        QTabWidget* pcw = w->PCW();
        const auto readEverything = [&] {
            w->Action("Areadstate")->trigger();
            QVERIFY(!w->stateView->Boxes().isEmpty());
            w->Action("Areadstate")->trigger();  // one reading is enough
            w->Action("Areadstate")->trigger();
            w->Action("AreadParam")->trigger();
            QVERIFY(w->configPage->Editor());
            w->archivePage->RGdtp->SetItemIndex(1);  // a week
            w->Action("AreadArh")->trigger();
            QVERIFY(w->archivePage->Model()->rowCount() > 0);
            QVERIFY(w->Action("Asavearh")->isEnabled());
        };
        const auto nothingOfTheCalculator = [&](const char* when) {
            QVERIFY2(w->stateView->Boxes().isEmpty(), when);
            QVERIFY2(!w->Action("Areadstate")->isChecked(), when);
            QVERIFY2(!w->configPage->Editor(), when);
            QVERIFY2(!pcw->isTabEnabled(pcw->indexOf(w->TSwr)), when);
            QVERIFY2(!w->Action("ASetPar")->isEnabled(), when);
            QVERIFY2(!Flags().configRead, when);
            QCOMPARE(w->archivePage->Model()->rowCount(), 0);
            QCOMPARE(w->archivePage->ArchiveType(), -1);
            QVERIFY2(!w->Action("Asavearh")->isEnabled(), when);
            QVERIFY2(!w->Action("AArhPrint")->isEnabled(), when);
        };
        readEverything();

        // Another port: the device is gone.
        cbC->setCurrentIndex(cbC->findText(lors.Pty()));
        Q_EMIT cbC->activated(cbC->currentIndex());
        nothingOfTheCalculator("another port");
        // The ЛОРС has no archives: "архив" says so and cannot be pressed.
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Type(), 128);
        QVERIFY(!w->Action("AreadArh")->isEnabled());
        QCOMPARE(w->Action("AreadArh")->toolTip(), QString("у ЛОРС нет архивов"));
        w->archivePage->TSaShow();
        QCOMPARE(w->LuState->text(), QString("у ЛОРС нет архивов"));
        w->archivePage->LotDblClick();
        QCOMPARE(w->LuState->text(), QString("у ЛОРС нет архивов"));
        QVERIFY(dialogs.asked.isEmpty());

        // Back to the calculator.
        cbC->setCurrentIndex(cbC->findText(line));
        Q_EMIT cbC->activated(cbC->currentIndex());
        readEverything();
        QVERIFY(w->Action("AreadArh")->isEnabled());
        QCOMPARE(w->archivePage->ArchiveSerial(), 10000);
        w->AreadNoTuExecute();  // the same device again keeps everything
        QVERIFY(w->configPage->Editor());
        QVERIFY(w->Action("Asavearh")->isEnabled());

        // The switch to "система" addresses the ЛОРС № 1 its fields remember.
        auto* CBTu = child<QComboBox>(w.get(), "CBTu");
        {
            ReadyGuard remembered;
            CBTu->setCurrentIndex(CBTu->findText(ModelName(128)));
        }
        QCOMPARE(w->Line().Type(), 229);
        QTest::mouseClick(child<QRadioButton>(w.get(), "rbs"), Qt::LeftButton);
        QCOMPARE(w->Line().Type(), 128);
        nothingOfTheCalculator("система");
        QTest::mouseClick(child<QRadioButton>(w.get(), "rbu"), Qt::LeftButton);

        // Nothing answers on the line any more: the failed identification
        // clears the device, and its data goes.
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 10000);
        readEverything();
        w->Port().ClosePort();
        QVERIFY(QFile::remove(line));
        QVERIFY(QFile::link(silent.Pty(), line));
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), -1);
        QVERIFY(child<QLineEdit>(w.get(), "ENo")->text().isEmpty());
        nothingOfTheCalculator("no answer");
        QVERIFY(w->LuState->text().startsWith("НЕТ СВЯЗИ: "));
        QVERIFY(dialogs.asked.isEmpty());
    }

    // The pages follow the device of the window's connection whoever sets
    // it: set on the line itself (as a logger file or a new number sets it),
    // it drops the previous device's data and the status line names it; a
    // preparation tells the pages once, at its end, whatever it addressed on
    // the way.
    void pagesFollowTheConnectionsDevice() {
        DataFolder data;
        Sim calc({"--pty", "--type", "229", "--serial", "10000"});
        auto w = makeWindow({calc.Pty()});
        w->AreadNoTuExecute();
        QCOMPARE(w->ShownSerial(), 10000);
        w->Action("AreadParam")->trigger();
        QVERIFY(w->configPage->Editor());
        QVERIFY(w->Action("ASetPar")->isEnabled());
        w->Status().ok("проверка");
        QCOMPARE(w->LuState->text(), ModelName(229) + " № 10000: проверка");

        w->Line().SetDevice(417, 234);
        QCOMPARE(w->ShownSerial(), 417);
        QCOMPARE(w->ShownType(), 234);
        QVERIFY(!w->configPage->Editor());
        QVERIFY(!w->Action("ASetPar")->isEnabled());
        w->Status().ok("проверка");
        QCOMPARE(w->LuState->text(), ModelName(234) + " № 417: проверка");

        QSignalSpy told(w.get(), &TFomi::CurrentDeviceChanged);
        w->AcreateExecute();
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.first(), QVariantList({-1, -1}));
        QCOMPARE(w->Line().Serial(), -1);
        w->Status().ok("проверка");
        QCOMPARE(w->LuState->text(), QString("проверка"));
    }

    // "Справка" is a toggle: it shows help, and is released when help is
    // closed by its window or by Escape.
    void helpToggleFollowsTheHelpWindow() {
        DataFolder data;
        auto w = makeWindow({});
        w->show();
        QAction* help = w->Action("Ahelp");
        help->trigger();
        QVERIFY(help->isChecked());
        QVERIFY(w->Help() && w->Help()->isVisible());
        QTest::keyClick(w->Help(), Qt::Key_Escape);
        QVERIFY(!w->Help()->isVisible());
        QVERIFY(!help->isChecked());
        help->trigger();
        QVERIFY(w->Help()->isVisible());
        w->Help()->close();
        QVERIFY(!help->isChecked());
        help->trigger();
        help->trigger();  // released by hand: help goes
        QVERIFY(!w->Help()->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
