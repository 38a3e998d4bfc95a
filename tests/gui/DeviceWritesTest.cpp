// The write actions driven as a user would, against omi-sim on a
// pseudo-terminal: the confirmation answered "НЕТ" sends nothing; the bytes
// of each request as the simulator received them; the reports by result
// byte, the 225 that stays silent when it refuses, the ЛОРС forms; the
// configuration mismatch that stops a write; the running clock and SEDN.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "GuiTestSupport.h"
#include "families/U34.h"
#include "protocol/Frame.h"
#include "service/WriteActions.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "shell/TraceMemo.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using namespace omi::guitest;

namespace {

// The window on the simulator's port at the access level with the
// calibration page and the set-number action.
std::unique_ptr<TFomi> openWindow(const QString& port) { return OpenWindow(port, QStringLiteral("3")); }

// The simulator's requests of one command, as decimal bytes.
QStringList requestsOf(const Sim& sim, int command) {
    QStringList out;
    for (const QString& line : sim.Requests())
        if (line.section(' ', 4, 4).toInt() == command) out << line;
    return out;
}

DialogAnswer yes() { return DialogAnswer{1, {}}; }
DialogAnswer no() { return DialogAnswer{0, {}}; }

}  // namespace

class DeviceWritesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setNumberAsksThenRenumbers() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "5"});
        auto w = openWindow(sim.Pty());
        DialogScript dialogs;
        // No device known yet: the action identifies first.
        w->writeActions->SEDN->setValue(300);
        dialogs.answers = {no()};
        w->Action("ASetNO")->trigger();
        QCOMPARE(w->Line().Serial(), 5);
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.first().text, ConfirmText(QStringLiteral("ЗАДАТЬ НОМЕР 300 ???")));
        QCOMPARE(w->PCW()->currentWidget(), w->TSk);
        QVERIFY(requestsOf(sim, cmd::NetworkNumber).isEmpty());

        // "ДА" from the page's button: the old number in the request, the
        // guard bytes and the new number; later requests carry the new one.
        dialogs.answers = {yes()};
        child<QToolButton>(w.get(), "BitBtn2")->click();
        QCOMPARE(requestsOf(sim, cmd::NetworkNumber), QStringList({"10 234 5 0 240 85 170 44 1 235"}));
        QVERIFY(w->LuState->text().endsWith("успешно установлен номер"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Ok);
        QCOMPARE(w->Line().Serial(), 300);
        QCOMPARE(w->ENo->text(), QString("300"));
        QCOMPARE(w->Enok->text(), QString("300"));
        dialogs.answers = {yes()};
        w->Action("AsetWorkTime")->trigger();
        QCOMPARE(requestsOf(sim, cmd::StartWorkTime).value(0).section(' ', 0, 4), QString("6 234 44 1 6"));
        QVERIFY(w->LuState->text().endsWith("успешно начат отсчет времени работы"));
    }

    void resultBytesAndSilentRefusals_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("style");
        const int ok = int(StatusStyle::Ok), error = int(StatusStyle::Error);
        QTest::newRow("234 init") << "234"
                                  << "0"
                                  << "ASetDevice"
                                  << "успешно инициализировано устройство" << ok;
        QTest::newRow("234 jumper") << "234"
                                    << "1"
                                    << "ASetDevice"
                                    << "не замкнута перемычка" << error;
        QTest::newRow("234 password") << "234"
                                      << "7"
                                      << "ASetArh"
                                      << "не совпал пароль" << error;
        QTest::newRow("227 clear") << "227"
                                   << "0"
                                   << "ASetArh"
                                   << "успешно начата очистка архивов" << ok;
        QTest::newRow("225 any answer") << "225"
                                        << "0"
                                        << "AsetWorkTime"
                                        << "успешно начат отсчет времени работы" << ok;
        QTest::newRow("225 silent") << "225"
                                    << "1"
                                    << "ASetDevice"
                                    << "не замкнута перемычка или нет связи" << error;
    }
    void resultBytesAndSilentRefusals() {
        QFETCH(QString, type);
        QFETCH(QString, result);
        QFETCH(QString, action);
        QFETCH(QString, status);
        QFETCH(int, style);
        DataFolder data;
        Sim sim({"--pty", "--type", type, "--serial", "77", "--write-result", result});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        QCOMPARE(w->Line().Type(), type.toInt());
        w->Port().SetInputTimeout(200);
        DialogScript dialogs;
        dialogs.answers = {yes()};
        w->Action(action)->trigger();
        QCOMPARE(dialogs.asked.size(), 1);
        QVERIFY2(w->LuState->text().endsWith(status), qPrintable(w->LuState->text()));
        QCOMPARE(int(LabelStyle(w->LuState)), style);
    }

    void clockAfterConfigurationRead() {
        DataFolder data;
        Sim sim({"--pty", "--type", "229", "--serial", "9"});
        auto w = openWindow(sim.Pty());
        QVERIFY(!w->Action("ASaveDateTime")->isEnabled());
        w->Action("AreadNoTu")->trigger();
        w->Action("AreadParam")->trigger();
        QVERIFY(w->Action("ASaveDateTime")->isEnabled());
        DialogScript dialogs;
        dialogs.answers = {yes()};
        // A double-click on the clock runs the action.
        QTest::mouseDClick(w->LDT, Qt::LeftButton);
        QCOMPARE(dialogs.asked.size(), 1);
        QVERIFY(dialogs.asked.first().text.contains("ЗАДАТЬ ДАТУ И ВРЕМЯ "));
        const QStringList sent = requestsOf(sim, cmd::SetClock);
        QCOMPARE(sent.size(), 1);
        const QStringList b = sent.first().split(' ');
        QCOMPARE(b.size(), 11);
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(b[7].toInt(), now.date().day());
        QCOMPARE(b[8].toInt(), now.date().month());
        QCOMPARE(b[9].toInt(), now.date().year() - 2000);
        const int minutes = b[5].toInt() + 256 * b[6].toInt();
        QVERIFY(qAbs(minutes - (now.time().hour() * 60 + now.time().minute())) <= 1);
        QVERIFY(w->LuState->text().contains("Успешно установлено "));
    }

    void configurationWriteAndItsMismatch() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        w->Action("AreadParam")->trigger();
        QVERIFY(w->Action("ASetPar")->isEnabled());
        DialogScript dialogs;
        // The shared report day differs between the records: nothing sent.
        w->Line().Records().f234.config[0].reportDay = 3;
        w->Line().Records().f234.config[1].reportDay = 4;
        dialogs.answers = {yes()};
        w->Action("ASetPar")->trigger();
        QCOMPARE(w->LuState->text(), QString("Не совпадает: отч.день "));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QVERIFY(requestsOf(sim, cmd::WriteConfig).isEmpty());

        w->Line().Records().f234.config[0].reportDay = 4;
        dialogs.answers = {yes()};
        w->Action("ASetPar")->trigger();
        QCOMPARE(requestsOf(sim, cmd::WriteConfig).size(), 1);
        QVERIFY(w->LuState->text().endsWith("успешно обновлена конфигурация"));
        // The simulator took it: a new read shows the report day sent.
        w->Line().Records().f234.config[0].reportDay = 0;
        w->Action("AreadParam")->trigger();
        QCOMPARE(int(w->Line().Records().f234.config[0].reportDay), 4);
    }

    void lorsForms() {
        DataFolder data;
        Sim sim({"--pty", "--type", "128", "--serial", "20"});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        QCOMPARE(w->Line().Type(), 128);
        DialogScript dialogs;
        // Clearing archives would renumber a ЛОРС: refused, nothing sent.
        dialogs.answers = {yes()};
        w->Action("ASetArh")->trigger();
        QVERIFY(requestsOf(sim, 2).isEmpty());
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        // The set-number form of the ЛОРС, judged by the number it answers from.
        w->writeActions->SEDN->setValue(21);
        dialogs.answers = {yes()};
        w->Action("ASetNO")->trigger();
        QCOMPARE(requestsOf(sim, 2).size(), 1);
        QCOMPARE(requestsOf(sim, 2).first().split(' ').size(), 8);
        QVERIFY2(w->LuState->text().endsWith("успешно установлен номер"), qPrintable(w->LuState->text()));
        QCOMPARE(w->Line().Serial(), 21);
    }

    void clockTicksAndNewNumberCheck() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234"});
        auto w = openWindow(sim.Pty());
        TWriteActions& writes = *w->writeActions;
        QVERIFY(writes.Tdt->isActive());
        QCOMPARE(writes.Tdt->interval(), 1000);
        writes.TdtTimer();
        const QString first = w->LDT->text();
        QTRY_VERIFY_WITH_TIMEOUT(w->LDT->text() != first, 2500);
        // One of the two captions has the colon, the other a blank.
        QVERIFY(first.contains(':') != w->LDT->text().contains(':'));
        QCOMPARE(w->Gsec->maximum(), 59);

        w->Line().ClearDevice();
        Flags().ready = true;
        writes.SEDN->setValue(12);
        QVERIFY(w->LuState->text().endsWith("новый номер должен быть от 1 до 65535"));
        w->Action("AreadNoTu")->trigger();
        writes.SEDN->setValue(13);
        QVERIFY(w->LuState->text().endsWith("новый номер правильный"));
    }

    void changeLogIntoTheGrid() {
        DataFolder data;
        Sim sim({"--pty", "--type", "229", "--serial", "9"});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        QAction* log = w->Action("AReadChang");
        QVERIFY(log->isEnabled());
        log->trigger();
        QVERIFY(log->isChecked());
        QCOMPARE(requestsOf(sim, cmd::ChangeLog).size(), 33);
        QCOMPARE(requestsOf(sim, cmd::ChangeLog).at(18).section(' ', 5, 6), QString("1 7"));
        QVERIFY(w->sgsp->isVisibleTo(w.get()));
        QCOMPARE(w->sgsp->columnCount(), 16);
        QCOMPARE(w->sgsp->rowCount(), 2 + 66);
        QCOMPARE(w->sgsp->item(1, 0)->text(), QString("Дата, время"));
        QVERIFY(w->sgsp->item(2, 0)->text().startsWith("0 00 1 "));
        QVERIFY(w->sgsp->item(3, 0)->text().startsWith("0 00 2 "));
        QVERIFY(w->sgsp->item(67, 0)->text().startsWith("2 10 2 "));
        // Entries differ: the simulator's first weight grows with the entry.
        QVERIFY2(w->sgsp->item(2, 1)->text() != w->sgsp->item(4, 1)->text(), qPrintable(w->sgsp->item(2, 1)->text()));
        QVERIFY(w->Ma()->toPlainText().contains("ЖУИ блок=2 запись=10"));
        QVERIFY(w->LuState->text().endsWith("Журнал учета изменений успешно прочитан"));

        // On a large window the log takes the room of the page, and its two
        // heading rows stay in sight when the entries scroll.
        w->resize(1920, 1080);
        log->trigger();
        log->trigger();
        QVERIFY(log->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(w->sgsp->height() > w->TSW->height() / 2, 30000);
        QVERIFY2(w->sgsp->height() >= 15 * w->sgsp->rowHeight(2), qPrintable(QString::number(w->sgsp->height())));
        w->sgsp->scrollToBottom();
        QTRY_VERIFY_WITH_TIMEOUT(w->sgsp->rowAt(w->sgsp->rowHeight(0) / 2) > 1, 30000);
        auto* head = child<QTableView>(w->sgsp, "sgspHead");
        QTRY_VERIFY_WITH_TIMEOUT(head->isVisible(), 30000);
        QCOMPARE(head->rowAt(head->rowHeight(0) / 2), 0);
        QCOMPARE(head->rowAt(head->rowHeight(0) + head->rowHeight(1) / 2), 1);
        QCOMPARE(head->height(), w->sgsp->rowHeight(0) + w->sgsp->rowHeight(1));
        QCOMPARE(head->model()->index(1, 0).data().toString(), QString("Дата, время"));
        QCOMPARE(head->columnWidth(3), w->sgsp->columnWidth(3));

        // Unchecked: the grid goes, nothing is sent.
        log->trigger();
        QVERIFY(!log->isChecked());
        QVERIFY(!w->sgsp->isVisibleTo(w.get()));
        QCOMPARE(requestsOf(sim, cmd::ChangeLog).size(), 66);
    }

    void changeLogCutShortKeepsItsRows() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "9", "--mute-after", "6"});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        w->Port().SetInputTimeout(200);
        w->Action("AReadChang")->trigger();
        QVERIFY(w->LuState->text().startsWith("НЕТ СВЯЗИ"));
        QVERIFY(w->sgsp->rowCount() > 2);
        QVERIFY(w->sgsp->item(2, 0)->text().startsWith("0 00 1 "));
    }

    // Every second answer with a wrong check byte, as omi-cli meets it: the
    // window takes only answers that pass their checks, repeats the clock,
    // sends initialisation and the new number once, and finds the renumbered
    // device under its new number; its change log is asked again entry by
    // entry and read whole.
    void spoiltAnswersAreNoAnswer() {
        DataFolder data;
        Sim sim({"--pty", "--type", "229", "--serial", "5", "--bad-check", "2"});
        auto w = openWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();  // answer 1
        QCOMPARE(w->Line().Serial(), 5);
        w->Port().SetInputTimeout(200);
        w->Action("AreadParam")->trigger();  // answer 2 spoilt, read again: 3
        QVERIFY(w->Action("ASaveDateTime")->isEnabled());
        DialogScript dialogs;

        dialogs.answers = {yes()};
        w->Action("ASetDevice")->trigger();  // answer 4 spoilt
        QCOMPARE(requestsOf(sim, cmd::Init).size(), 1);
        QVERIFY2(w->LuState->text().startsWith("НЕТ СВЯЗИ"), qPrintable(w->LuState->text()));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);

        dialogs.answers = {yes()};
        w->Action("AsetWorkTime")->trigger();  // answer 5
        QVERIFY(w->LuState->text().endsWith("успешно начат отсчет времени работы"));

        dialogs.answers = {yes()};
        w->Action("ASaveDateTime")->trigger();  // answer 6 spoilt, sent again: 7
        QCOMPARE(requestsOf(sim, cmd::SetClock).size(), 2);
        QVERIFY2(w->LuState->text().contains("Успешно установлено "), qPrintable(w->LuState->text()));

        w->writeActions->SEDN->setValue(300);
        dialogs.answers = {yes()};
        w->Action("ASetNO")->trigger();  // answer 8 spoilt; 9 under the new number
        QCOMPARE(requestsOf(sim, cmd::NetworkNumber).size(), 1);
        QVERIFY2(w->LuState->text().endsWith("успешно установлен номер"), qPrintable(w->LuState->text()));
        QCOMPARE(w->Line().Serial(), 300);
        QCOMPARE(w->ENo->text(), QString("300"));

        w->Action("AReadChang")->trigger();
        QCOMPARE(w->sgsp->rowCount(), 2 + 66);
        QVERIFY2(w->LuState->text().endsWith("Журнал учета изменений успешно прочитан"),
                 qPrintable(w->LuState->text()));
        for (int row = 2; row < 2 + 66; ++row) QVERIFY(w->sgsp->item(row, 1)->text() != "нет данных");
    }
};

QTEST_MAIN(DeviceWritesTest)
#include "DeviceWritesTest.moc"
