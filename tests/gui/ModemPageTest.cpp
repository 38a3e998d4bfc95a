// The "МОДЕМ" page: the connection list created with its sample entry, kept
// sorted with one row per name, the last entry kept; dialling through a
// pseudo-terminal that plays the modem (busy, then connected), hanging up,
// and a manual command.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "protocol/Exchange.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ModemPage.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "support/GridText.h"
#include "support/PtyPair.h"
#include "transport/Modem.h"

using namespace omi;
using namespace omi::guitest;

namespace {

void showModemPage(TFomi& w) {
    w.PCcon->setCurrentWidget(w.TSmod);
    w.TSmodShow();
}

}  // namespace

class ModemPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectionList() {
        DataFolder data;
        auto w = OpenWindow({});
        TModemPage& m = *w->modemPage;
        showModemPage(*w);
        // Created with the sample entry, which cannot be deleted alone.
        Grid file;
        QCOMPARE(LoadGridText(file, ConnectionListPath()), QString());
        QCOMPARE(file, DefaultConnectionList());
        QCOMPARE(m.CBcon->currentText(), QString("ОРВАЛИС"));
        QCOMPARE(m.Etel->text(), QString("525"));
        QVERIFY(m.CBton->isChecked());
        QCOMPARE(w->property("fallbackPort").toString(), QString("COM5"));
        QVERIFY(!m.Adelete->isEnabled());

        // A new entry with long distance and an outside line, stored twice.
        m.CBcon->setEditText("АЛЬФА");
        m.Etel->setText("111");
        m.CBton->setChecked(false);
        m.CBsta->setChecked(true);
        m.CBstaClick();
        m.Esta->setText("9");
        m.Asave->trigger();
        m.CBcon->setEditText("АЛЬФА");
        m.Etel->setText("222");
        m.Asave->trigger();
        QCOMPARE(LoadGridText(file, ConnectionListPath()), QString());
        QCOMPARE(file.size(), 3);
        QCOMPARE(file[1][0], QString("АЛЬФА"));
        QCOMPARE(file[1][1], QString("222"));
        QCOMPARE(file[1][3], QString("P"));
        QCOMPARE(file[1][5], QString("9"));
        QCOMPARE(file[2][0], QString("ОРВАЛИС"));
        QCOMPARE(m.CBcon->currentText(), QString("АЛЬФА"));
        QVERIFY(m.Adelete->isEnabled());
        QVERIFY(m.Esta->isEnabled());
        QVERIFY(!m.Etru->isEnabled());

        // Deleting asks first; "НЕТ" keeps it.
        QString asked;
        int answer = 0;
        SetDialogHook([&](const DialogRequest& r) {
            asked = r.text;
            return DialogAnswer{answer, {}};
        });
        m.Adelete->trigger();
        QVERIFY(asked.contains("УНИЧТОЖИТЬ ЗАПИСЬ"));
        QVERIFY(asked.contains("АЛЬФА"));
        QCOMPARE(m.List().size(), 3);
        answer = 1;
        m.Adelete->trigger();
        SetDialogHook({});
        QCOMPARE(LoadGridText(file, ConnectionListPath()), QString());
        QCOMPARE(file, DefaultConnectionList());
        QVERIFY(!m.Adelete->isEnabled());
    }

    void diallingThroughTheModem() {
        DataFolder data;
        test::PtyPair modem;
        QVERIFY(modem.Ok());
        QByteArray reply = "\r\nBUSY\r\n";
        bool hangsUp = true;
        // The modem echoes what it gets and answers a dial after its line end.
        modem.OnData([&](const QByteArray& chunk) {
            modem.Write(chunk);
            if (chunk.contains("ATD") && chunk.endsWith('\r')) modem.Write(reply);
            if (chunk.contains("ATH") && hangsUp) modem.Write("\r\nOK\r\n");
        });
        auto w = OpenWindow(modem.SlavePath());
        TModemPage& m = *w->modemPage;
        showModemPage(*w);
        m.CBmod->setCurrentIndex(m.CBmod->findText(modem.SlavePath()));
        w->cbCClick(m.CBmod);
        m.Etel->setText("525");
        m.CBsta->setChecked(true);
        m.CBstaClick();
        m.Esta->setText("9");

        m.Acall->trigger();
        QCOMPARE(w->Line().LineState(), LineState::Dialling);
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("BUSY (занято)"), 5000);
        QVERIFY(modem.Received().contains("\rATDT9W525\r"));
        QCOMPARE(w->LuState->text(), QString("номер: 525-НET СВЯЗИ!"));
        QCOMPARE(w->Line().LineState(), LineState::Free);
        QVERIFY(m.Adiscon->isEnabled());
        m.Adiscon->trigger();  // no call is up: said, nothing sent
        QCOMPARE(w->LuState->text(), QString("связь по модему не установлена: отключать нечего"));
        QVERIFY(!modem.Received().contains("+++"));

        reply = "\r\nCONNECT 9600\r\n";
        m.Acall->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("связь установлена"), 5000);
        QCOMPARE(w->LuState->text(), QString("525 НА СВЯЗИ!"));
        QCOMPARE(w->Line().LineState(), LineState::Connected);
        QVERIFY(!w->Engine().AsyncReceive());

        // A port probe during the session asks first; "No" keeps it.
        SetDialogHook([](const DialogRequest& r) {
            return DialogAnswer{r.text.startsWith("Идет сеанс связи") ? int(QMessageBox::No) : 0, {}};
        });
        w->cbCClick(w->cbC);
        SetDialogHook({});
        QCOMPARE(w->Line().LineState(), LineState::Connected);

        // The escape, its guard time, then ATH: the modem's OK ends the call.
        modem.ClearReceived();
        m.Adiscon->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("отключен"), 5000);
        QCOMPARE(w->LuState->text(), QString("связь по модему отключена"));
        QCOMPARE(w->Line().LineState(), LineState::Free);
        QCOMPARE(modem.Received(), QByteArray("+++ATH\r"));
        QVERIFY(!w->Port().IsOpen());
        QVERIFY(m.Adiscon->isEnabled());

        // A modem that keeps the call (it only echoes the ATH) is not
        // reported as hung up; the port is closed all the same.
        reply = "\r\nCONNECT 9600\r\n";
        m.Acall->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("связь установлена"), 5000);
        hangsUp = false;
        m.Adiscon->trigger();
        QVERIFY(!m.Adiscon->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(w->LuState->text(), QString("номер: 525-не отключился, отключаю порт"), 8000);
        QCOMPARE(w->LMstate->text(), QString("нет ответа на ATH"));
        QVERIFY(!w->Port().IsOpen());
        QVERIFY(m.Adiscon->isEnabled());
        hangsUp = true;

        // A manual command: Enter in the telephone field; ATH's OK frees the line.
        modem.ClearReceived();
        m.Etel->setText("ATH");
        m.Etel->setFocus();
        QTest::keyClick(m.Etel, Qt::Key_Return);
        QCOMPARE(m.LastCommand(), QString("ATH\r"));
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("отключен"), 5000);
        QCOMPARE(modem.Received(), QByteArray("ATH\r"));
    }

    // The connection chosen last comes back at the next start, also after a
    // run in which the modem page was never shown.
    void lastConnectionRestoredAtStart() {
        DataFolder data;
        QDir().mkpath(QFileInfo(ConnectionListPath()).path());
        Grid list = DefaultConnectionList();
        list.insert(1, QStringList(list[1]));
        list[1][0] = "АЛЬФА";
        list[1][1] = "111";
        QCOMPARE(SaveGridText(list, ConnectionListPath()), QString());
        {
            auto w = OpenWindow({});
            showModemPage(*w);
            QCOMPARE(w->modemPage->CBcon->currentText(), QString("АЛЬФА"));
            w->modemPage->CBcon->setCurrentIndex(1);
            w->modemPage->CBconClick();
            QCOMPARE(w->modemPage->Etel->text(), QString("525"));
        }
        {
            auto w = OpenWindow({});  // the page stays hidden in this run
        }
        auto w = OpenWindow({});
        showModemPage(*w);
        QCOMPARE(w->modemPage->CBcon->currentText(), QString("ОРВАЛИС"));
        QCOMPARE(w->modemPage->Etel->text(), QString("525"));
    }

    // A session through omi-sim's modem: dialled on the page, then the
    // device identified and its archive read over the connection; a carrier
    // lost during a second read ends it with "НЕТ СВЯЗИ", the rows read kept,
    // and the line free again.
    void dialledSessionReadsTheDevice() {
        DataFolder data;
        Sim sim({"--pty", "--modem", "--modem-drop-after", "40", "--type", "229", "--serial", "417"});
        auto w = OpenWindow(sim.Pty());
        TModemPage& m = *w->modemPage;
        showModemPage(*w);
        m.CBmod->setCurrentIndex(m.CBmod->findText(sim.Pty()));
        w->cbCClick(m.CBmod);
        m.Etel->setText("5551234");
        m.Acall->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LMstate->text(), QString("связь установлена"), 5000);

        w->Action("AreadNoTu")->trigger();
        QCOMPARE(w->ENo->text(), QString("417"));
        TArchivePage& page = *w->archivePage;
        w->PCW()->setCurrentWidget(w->Page("TSa"));
        page.RGdtp->SetItemIndex(1);  // a week
        page.RGdtpClick();
        w->Action("AreadArh")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->Engine().InExchange(), 20000);
        const qsizetype week = page.Model()->Rows().size();
        QVERIFY(week > 5);
        QCOMPARE(w->Line().LineState(), LineState::Connected);

        // The whole archive: the carrier goes after 40 answers of the call.
        page.RGdtp->SetItemIndex(page.RGdtp->Items().size() - 1);
        page.RGdtpClick();
        w->Action("AreadArh")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->Engine().InExchange(), 30000);
        QVERIFY(w->LuState->text().contains("НЕТ СВЯЗИ"));
        QVERIFY(page.Model()->Rows().size() > 0);
        QCOMPARE(w->Line().LineState(), LineState::Free);
    }
};

QTEST_MAIN(ModemPageTest)
#include "ModemPageTest.moc"
