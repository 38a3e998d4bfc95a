// The program's modal questions: what a hook is asked and how its answers
// come back, the confirmation text, and the real dialogs answered from a
// zero-delay timer as a user would answer them.

#include "shell/Dialogs.h"
#include "shell/TFmd.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>

using namespace omi;

namespace {

// Runs action on the modal dialog that the next exec() opens.
template <class Dialog>
void WhenOpen(std::function<void(Dialog*)> action) {
    QTimer::singleShot(0, qApp, [action] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "the expected dialog is not open");
        action(dialog);
    });
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetDialogHook({}); }

    void HookSeesEveryRequestAndAnswers() {
        QList<DialogRequest> seen;
        DialogAnswer next;
        SetDialogHook([&](const DialogRequest& r) {
            seen << r;
            return next;
        });

        ShowValue(QStringLiteral("НЕТ СВЯЗИ"));
        ShowValue(42, QStringLiteral("код="), QStringLiteral("!"));
        ShowValue(false);
        QCOMPARE(seen.size(), 3);
        for (const DialogRequest& r : seen) QVERIFY(r.kind == DialogKind::Message);
        QCOMPARE(seen[0].text, QStringLiteral("НЕТ СВЯЗИ"));
        QCOMPARE(seen[1].text, QStringLiteral("код=42!"));
        QCOMPARE(seen[2].text, QStringLiteral("F A L S E"));

        seen.clear();
        next = {QMessageBox::No, {}};
        QCOMPARE(AskYesNoCancel(QStringLiteral("Идет сеанс связи...\rПрервать его ?")), QMessageBox::No);
        next = {QMessageBox::Yes, {}};
        QCOMPARE(AskYesNoCancel(QStringLiteral("?")), QMessageBox::Yes);
        QVERIFY(seen[0].kind == DialogKind::Question);
        QCOMPARE(seen[0].text, QStringLiteral("Идет сеанс связи...\rПрервать его ?"));

        seen.clear();
        QString answer = QStringLiteral("старое");
        next = {QDialog::Accepted, QStringLiteral("3")};
        QVERIFY(InputBox(QStringLiteral("ВВОД УРОВНЯ ДОСТУПА"), QStringLiteral("УРОВЕНЬ ДОСТУПА (1..3):"),
                         QStringLiteral("1"), &answer));
        QCOMPARE(answer, QStringLiteral("3"));
        QVERIFY(seen[0].kind == DialogKind::Input);
        QCOMPARE(seen[0].caption, QStringLiteral("ВВОД УРОВНЯ ДОСТУПА"));
        QCOMPARE(seen[0].text, QStringLiteral("УРОВЕНЬ ДОСТУПА (1..3):"));
        QCOMPARE(seen[0].defaultText, QStringLiteral("1"));
        next = {QDialog::Rejected, QStringLiteral("набрано, но отменено")};
        QVERIFY(!InputBox(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("2"), &answer));
        QCOMPARE(answer, QStringLiteral("2"));

        seen.clear();
        const struct {
            int button;
            bool confirmed;
        } confirms[] = {{1, true}, {0, false}, {2, false}, {-1, false}};
        for (const auto& c : confirms) {
            next = {c.button, {}};
            QCOMPARE(ConfirmWrite(QStringLiteral("записать дату?")), c.confirmed);
        }
        QVERIFY(seen[0].kind == DialogKind::Confirm);
        QCOMPARE(seen[0].caption, QStringLiteral("ВОПРОС"));
        QCOMPARE(seen[0].text, ConfirmText(QStringLiteral("записать дату?")));
    }

    void ConfirmTextLayout() {
        QCOMPARE(ConfirmText(QStringLiteral("ИЗМЕНИТЬ ПАРАМЕТРЫ?")),
                 QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   ИЗМЕНИТЬ ПАРАМЕТРЫ?"));
        QCOMPARE(ConfirmText({}), QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   "));
    }

    void RealConfirmationDialog() {
        TFmd* fmd = Fmd();
        QCOMPARE(Fmd(), fmd);  // one dialog for the process
        QCOMPARE(fmd->windowTitle(), QStringLiteral("ВОПРОС"));
        auto* yes = fmd->findChild<QPushButton*>(QStringLiteral("BBYes"));
        auto* no = fmd->findChild<QPushButton*>(QStringLiteral("BBNo"));
        auto* label = fmd->findChild<QLabel*>(QStringLiteral("L"));
        QVERIFY(yes && no && label);
        QCOMPARE(yes->text(), QStringLiteral("ДА"));
        QCOMPARE(no->text(), QStringLiteral("НЕТ"));
        QCOMPARE(yes->toolTip(), QStringLiteral("Начать процесс изменения"));
        QCOMPARE(no->toolTip(), QStringLiteral("Не изменять параметры"));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->backgroundRole(), QPalette::ToolTipBase);

        // Enter goes to the focused button, which must be НЕТ.
        QWidget* focused = nullptr;
        QString shown;
        WhenOpen<TFmd>([&](TFmd* d) {
            focused = d->focusWidget();
            shown = label->text();
            QTest::keyClick(focused ? focused : d, Qt::Key_Return);
        });
        QCOMPARE(ConfirmWrite(QStringLiteral("ЗАПИСАТЬ ВРЕМЯ?")), false);
        QCOMPARE(focused, no);
        QVERIFY(shown.endsWith(QStringLiteral("\n   ЗАПИСАТЬ ВРЕМЯ?")));
        QVERIFY(shown.contains(QStringLiteral("А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО")));

        WhenOpen<TFmd>([&](TFmd*) { QTest::mouseClick(yes, Qt::LeftButton); });
        QCOMPARE(ConfirmWrite(QStringLiteral("ЗАПИСАТЬ ВРЕМЯ?")), true);

        // Asked again after a "ДА", the focus is back on НЕТ.
        WhenOpen<TFmd>([&](TFmd* d) { QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return); });
        QCOMPARE(ConfirmWrite(QStringLiteral("ЗАПИСАТЬ ВРЕМЯ?")), false);

        WhenOpen<TFmd>([&](TFmd* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(ConfirmWrite(QStringLiteral("ЗАПИСАТЬ ВРЕМЯ?")), false);
    }

    void RealMessageAndInputBoxes() {
        QString text;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        ShowValue(true, QStringLiteral("ответ: "));
        QCOMPARE(text, QStringLiteral("ответ: TRUE"));

        WhenOpen<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
        QCOMPARE(AskYesNoCancel(QStringLiteral("Прервать?")), QMessageBox::No);
        WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(AskYesNoCancel(QStringLiteral("Прервать?")), QMessageBox::Cancel);

        QString answer;
        WhenOpen<QInputDialog>([](QInputDialog* box) {
            QCOMPARE(box->textValue(), QStringLiteral("1"));
            box->setTextValue(QStringLiteral("2"));
            box->accept();
        });
        QVERIFY(InputBox(QStringLiteral("ВВОД УРОВНЯ ДОСТУПА"), QStringLiteral("УРОВЕНЬ ДОСТУПА (1..3):"),
                         QStringLiteral("1"), &answer));
        QCOMPARE(answer, QStringLiteral("2"));
        WhenOpen<QInputDialog>([](QInputDialog* box) {
            box->setTextValue(QStringLiteral("3"));
            box->reject();
        });
        QVERIFY(!InputBox(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("1"), &answer));
        QCOMPARE(answer, QStringLiteral("1"));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
