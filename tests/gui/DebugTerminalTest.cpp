// The "ОТЛАДКА" page against omi-sim on a pseudo-terminal: a request
// composed from a coding table, sent, and the answer listed and decoded by a
// decoding table; silence and a missing table; the table grid edited and
// saved; a type without tables.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "debug/DescriptionTable.h"
#include "protocol/Exchange.h"
#include "service/DebugTerminal.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "support/GridText.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::guitest;

namespace {

const QStringList kHeading{"№", "поле", "значение"};

// The state request of a device: length, type, number, command 1, check.
const Grid kStateRequest{kHeading,       {"00", "длина", "B@01"},  {"01", "тип", "B@03"},     {"02", "номер", "W@04"},
                         {"03", "", ""}, {"04", "команда", "B=1"}, {"05", "контроль", "B@02"}};

// The head of an answer.
const Grid kAnswerHead{kHeading,       {"00", "длина", "B"},  {"01", "тип", "B"}, {"02", "номер", "W"},
                       {"03", "", ""}, {"04", "команда", "B"}};

QString tableFolder(int type) {
    const QString folder = debug::TableFolder(type);
    QDir().mkpath(folder);
    return folder;
}

QStringList listing(const TDebugTerminal& d) {
    QStringList lines;
    for (int i = 0; i < d.LBq->count(); ++i) lines << d.LBq->item(i)->text();
    return lines;
}

// Shows the page for a device type with its tables, the coding and decoding
// table taken from the list as a drag would.
void showPage(TFomi& w, int type, int number, const QString& coding, const QString& decoding) {
    TDebugTerminal& d = *w.debugTerminal;
    d.SEtu->setValue(type);
    d.SEnou->setValue(number);
    w.PCW()->setCurrentWidget(w.Page("TSdeb"));
    for (const auto& [name, label] : {std::pair{coding, d.Lcod}, std::pair{decoding, d.Ldec}}) {
        d.CBcmd->setCurrentIndex(d.CBcmd->findText(tableFolder(type) + "/" + name));
        QVERIFY(d.DropOnLabel(d.CBcmd, label));
    }
}

}  // namespace

class DebugTerminalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void composesSendsAndDecodesTheAnswer() {
        DataFolder data;
        QCOMPARE(SaveGridText(kStateRequest, tableFolder(229) + "/запрос состояния.txt"), QString());
        QCOMPARE(SaveGridText(kAnswerHead, tableFolder(229) + "/ответ.txt"), QString());
        Sim sim({"--pty", "--type", "229", "--serial", "417"});
        auto w = OpenWindow(sim.Pty());
        TDebugTerminal& d = *w->debugTerminal;
        showPage(*w, 229, 417, "запрос состояния.txt", "ответ.txt");
        QCOMPARE(d.CBcmd->count(), 2);
        QCOMPARE(d.CBCd->currentText(), sim.Pty());
        QCOMPARE(d.LDstate->text(), QString("порт свободен (подключен)"));
        QVERIFY(d.Lcod->text().endsWith("/запрос состояния.txt"));
        QCOMPARE(d.Lcod->toolTip(), d.Lcod->text());

        d.Button2->click();
        QTRY_VERIFY_WITH_TIMEOUT(listing(d).contains("ответ:"), 5000);
        const QStringList lines = listing(d);
        QCOMPARE(lines.first(), QString("табл ф-т №зн зн итого"));
        // The request as composed: 6 bytes, the check byte making the sum 0.
        const int request = static_cast<int>(lines.indexOf("запрос"));
        QVERIFY(request > 0);
        QCOMPARE(lines.mid(request + 1, 5),
                 QStringList({"0.=6 (0x06)", "1.=229 (0xE5)", "2.=161 (0xA1)", "3.=1 (0x01)", "4.=1 (0x01)"}));
        QCOMPARE(lines[request + 6], QString("5.=114 (0x72)"));
        // The answer, byte by byte, then decoded.
        const int answer = static_cast<int>(lines.indexOf("ответ:"));
        QCOMPARE(lines[answer + 2], QString("1.=229 (0xE5)"));
        QVERIFY(lines.contains("тип=229"));
        QVERIFY(lines.contains("номер=417"));
        QVERIFY(lines.contains("команда=1"));
        QVERIFY(w->LuState->text().endsWith("Принял ответ 105 байт"));
        QCOMPARE(d.LDstate->text(), QString("105 байт"));
        QCOMPARE(lines.size() - answer - 1, 105 + 4);  // every byte once, then the four fields
        QVERIFY(d.MEMOD->toPlainText().size() > QString("гипертерминал").size());

        // "только ответ" and "только значения": the decoded fields alone.
        d.CBant->setChecked(true);
        d.CBdec->setChecked(true);
        d.Button2->click();
        QTRY_VERIFY_WITH_TIMEOUT(listing(d).contains("ответ:"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(listing(d).first(), QString("ответ:"), 5000);
        QCOMPARE(listing(d).mid(1, 2), QStringList({"длина=105", "тип=229"}));
    }

    // The example tables delivered with the program: shown for the type,
    // the state request and its answer offered at once, sent to omi-sim and
    // the answer's head decoded.
    void deliveredTablesReadTheDevice() {
        DataFolder data;
        const QString delivered = QStringLiteral(OMI_EXE_DIR "/ДАННЫЕ/ОТЛАДКА/229");
        QVERIFY2(QDir(delivered).exists(), qPrintable(delivered));
        for (const QString& name : QDir(delivered).entryList(QDir::Files))
            QVERIFY(QFile::copy(delivered + "/" + name, tableFolder(229) + "/" + name));
        Sim sim({"--pty", "--type", "229", "--serial", "417"});
        auto w = OpenWindow(sim.Pty());
        TDebugTerminal& d = *w->debugTerminal;
        d.SEtu->setValue(229);
        d.SEnou->setValue(417);
        w->PCW()->setCurrentWidget(w->Page("TSdeb"));
        QVERIFY(d.Lcod->text().endsWith("/запрос состояния.txt"));
        QVERIFY(d.Ldec->text().endsWith("/ответ состояния.txt"));
        d.Button2->click();
        QTRY_VERIFY_WITH_TIMEOUT(listing(d).contains("ответ:"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w->LuState->text().endsWith("Принял ответ 105 байт"), 5000);
        const QStringList lines = listing(d);
        QVERIFY2(lines.contains("тип прибора=229"), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("номер прибора=417"), qPrintable(lines.join('|')));
    }

    void silenceAndMissingTablesAreSaid() {
        DataFolder data;
        QCOMPARE(SaveGridText(kStateRequest, tableFolder(229) + "/запрос состояния.txt"), QString());
        Sim sim({"--pty", "--type", "229", "--serial", "417"});
        auto w = OpenWindow(sim.Pty());
        TDebugTerminal& d = *w->debugTerminal;
        // Number 418: nobody answers. The decoding table was never chosen.
        showPage(*w, 229, 418, "запрос состояния.txt", "запрос состояния.txt");
        d.Ldec->setText("НЕ ОПРЕДЕЛЕНО");
        d.Button2->click();
        QTRY_COMPARE_WITH_TIMEOUT(w->LuState->text(), QString("НЕТ ОТВЕТА"), 5000);
        QCOMPARE(d.LDstate->text(), QString("0 байт"));
        QVERIFY(!listing(d).contains("ответ:"));

        // Without "посылать" the request is only composed.
        d.CBp->setChecked(false);
        d.Button2->click();
        QCOMPARE(w->LuState->text(), QString("КОДИРОВКА БЕЗ ПОСЫЛКИ"));
        QVERIFY(listing(d).contains("5.=113 (0x71)"));

        // No coding table chosen, and one that is no longer there.
        d.Lcod->setText("НЕ ОПРЕДЕЛЕНО");
        d.Button2->click();
        QCOMPARE(listing(d),
                 QStringList({"таблица кодировки не выбрана: перетащите таблицу из списка на «КОДИРОВКА:»"}));
        const QString gone = tableFolder(229) + "/нет такой.txt";
        d.Lcod->setText(gone);
        d.Button2->click();
        QCOMPARE(listing(d), QStringList({"не найден файл:\r" + gone}));

        // A value beyond its type: said, nothing sent.
        Grid tooBig = kStateRequest;
        tooBig[5][2] = "B=300";
        QCOMPARE(SaveGridText(tooBig, tableFolder(229) + "/велико.txt"), QString());
        d.FillTableList();
        d.CBcmd->setCurrentIndex(d.CBcmd->findText(tableFolder(229) + "/велико.txt"));
        QVERIFY(d.DropOnLabel(d.CBcmd, d.Label1));
        d.CBp->setChecked(true);
        d.Button2->click();
        QVERIFY(!listing(d).contains("запрос"));
        QVERIFY(listing(d).join(' ').contains("300"));

        // A value that cannot be read: the row is named, nothing is sent.
        Grid unread = kStateRequest;
        unread[5][2] = "B=999zz";
        QCOMPARE(SaveGridText(unread, tableFolder(229) + "/нечитаемо.txt"), QString());
        d.FillTableList();
        d.CBcmd->setCurrentIndex(d.CBcmd->findText(tableFolder(229) + "/нечитаемо.txt"));
        QVERIFY(d.DropOnLabel(d.CBcmd, d.Label1));
        const qsizetype asked = sim.Requests().size();
        d.Button2->click();
        QVERIFY(!listing(d).contains("запрос"));
        QVERIFY2(listing(d).contains("Значение не распознано: строка 04 (команда): B=999zz"),
                 qPrintable(listing(d).join('|')));
        QCOMPARE(w->LuState->text(),
                 QString("Значение не распознано: строка 04 (команда): B=999zz — запрос не послан"));
        QTest::qWait(300);
        QCOMPARE(sim.Requests().size(), asked);

        // A type without tables.
        d.SEtu->setValue(100);
        QCOMPARE(d.CBcmd->currentText(), QString("НЕТ ДЛЯ ЭТОГО ТИПА"));
        QCOMPARE(d.SGcmd->rowCount(), 0);
        QVERIFY(!d.DropOnLabel(d.CBcmd, d.Lcod) || d.CBcmd->currentIndex() >= 0);
    }

    // The page addresses the device identified in the window; a device that
    // takes its time to answer is waited for (the input timeout for its
    // first byte), and its text shows as Windows-1251.
    void identifiedDeviceAndASlowAnswer() {
        DataFolder data;
        QCOMPARE(SaveGridText(kStateRequest, tableFolder(230) + "/запрос состояния.txt"), QString());
        QCOMPARE(SaveGridText(kAnswerHead, tableFolder(230) + "/ответ.txt"), QString());
        Sim sim({"--pty", "--type", "230", "--serial", "4242", "--delay", "700"});
        auto w = OpenWindow(sim.Pty());
        TDebugTerminal& d = *w->debugTerminal;
        w->Action("AreadNoTu")->trigger();
        QCOMPARE(w->Line().Serial(), 4242);
        w->PCW()->setCurrentWidget(w->Page("TSdeb"));
        QCOMPARE(d.SEtu->value(), 230);
        QCOMPARE(d.SEnou->value(), 4242);
        // A number chosen on the page stays while the device is the same.
        d.SEnou->setValue(7);
        w->PCW()->setCurrentWidget(w->TSW);
        w->PCW()->setCurrentWidget(w->Page("TSdeb"));
        QCOMPARE(d.SEnou->value(), 7);
        d.SEnou->setValue(4242);

        for (const auto& [name, label] :
             {std::pair{QString("запрос состояния.txt"), d.Lcod}, std::pair{QString("ответ.txt"), d.Ldec}}) {
            d.CBcmd->setCurrentIndex(d.CBcmd->findText(tableFolder(230) + "/" + name));
            QVERIFY(d.DropOnLabel(d.CBcmd, label));
        }
        QList<QByteArray> answers;
        connect(&w->Engine(), &ExchangeEngine::AsyncReceived, this,
                [&answers](const QByteArray& bytes) { answers << bytes; });
        d.Button2->click();
        QTRY_VERIFY_WITH_TIMEOUT(!answers.isEmpty(), 5000);
        QTest::qWait(500);
        QCOMPARE(answers.size(), 1);  // no "НЕТ ОТВЕТА" before the answer came
        QVERIFY(!answers[0].isEmpty());
        QVERIFY(w->LuState->text().contains("Принял ответ"));
        QVERIFY(listing(d).contains("номер=4242"));

        // The reply text in the terminal pane.
        d.MEMOD->setPlainText(QString());
        d.Reply(ToCp1251(QStringLiteral("Ответ прибора")));
        QCOMPARE(d.MEMOD->toPlainText(), QString("Ответ прибора"));
    }

    void gridEditsAreSavedToTheTable() {
        DataFolder data;
        const QString path = tableFolder(225) + "/запрос.txt";
        QCOMPARE(SaveGridText(kStateRequest, path), QString());
        Sim sim({"--pty", "--type", "225"});
        auto w = OpenWindow(sim.Pty());
        TDebugTerminal& d = *w->debugTerminal;
        w->PCW()->setCurrentWidget(w->Page("TSdeb"));
        QCOMPARE(d.CBcmd->currentText(), path);
        QCOMPARE(d.SGcmd->rowCount(), kStateRequest.size());
        // The delivered request is offered for coding at once.
        QCOMPARE(d.Lcod->text(), path);

        // An L with the check byte dropped on row 2: four rows of L@02.
        d.CBfmt->setCurrentIndex(2);
        d.CBv->setCurrentIndex(2);
        d.DropOnGrid(d.CBfmt, 2, 2);
        Grid saved;
        QCOMPARE(LoadGridText(saved, path), QString());
        for (int r = 2; r < 6; ++r) QCOMPARE(saved[r][2], QString("L@02"));

        // Double-click inserts a row after the one clicked; with Ctrl it
        // deletes; the numbers follow; Enter saves.
        const int rows = d.SGcmd->rowCount();
        d.GridDoubleClick(1, false);
        QCOMPARE(d.SGcmd->rowCount(), rows + 1);
        QCOMPARE(d.SGcmd->item(2, 2) ? d.SGcmd->item(2, 2)->text() : QString(), QString());
        d.GridDoubleClick(1, true);
        d.GridDoubleClick(1, true);
        QCOMPARE(d.SGcmd->rowCount(), rows - 1);
        for (int r = 1; r < d.SGcmd->rowCount(); ++r)
            QCOMPARE(d.SGcmd->item(r, 0)->text(), QString("%1").arg(r - 1, 2, 10, QChar('0')));
        d.SGcmd->setFocus();
        QTest::keyClick(d.SGcmd, Qt::Key_Return);
        QCOMPARE(LoadGridText(saved, path), QString());
        QCOMPARE(saved.size(), rows - 1);
        QCOMPARE(saved[1][2], QString("L@02"));
    }
};

QTEST_MAIN(DebugTerminalTest)
#include "DebugTerminalTest.moc"
