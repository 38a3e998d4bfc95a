#include "shell/Dialogs.h"

#include "shell/TFmd.h"
#include "support/ShowValue.h"

#include <QGuiApplication>
#include <QInputDialog>

#include <utility>

namespace omi {

namespace {

DialogHook& Hook() {
    static DialogHook hook;
    return hook;
}

QString AppCaption() { return QGuiApplication::applicationDisplayName(); }

}  // namespace

void SetDialogHook(DialogHook hook) { Hook() = std::move(hook); }

void ShowValue(const QVariant& value, const QString& prefix, const QString& suffix) {
    const DialogRequest request{DialogKind::Message, AppCaption(), ShowValueMessage(value, prefix, suffix), {}};
    if (Hook()) {
        Hook()(request);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, request.caption, request.text, QMessageBox::Ok);
    box.exec();
}

QMessageBox::StandardButton AskYesNoCancel(const QString& text) {
    const DialogRequest request{DialogKind::Question, AppCaption(), text, {}};
    if (Hook()) return static_cast<QMessageBox::StandardButton>(Hook()(request).button);
    QMessageBox box(QMessageBox::Question, request.caption, request.text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    const QMessageBox::StandardButton answer = box.standardButton(box.clickedButton());
    return answer == QMessageBox::NoButton ? QMessageBox::Cancel : answer;
}

bool InputBox(const QString& caption, const QString& prompt, const QString& defaultText, QString* answer) {
    const DialogRequest request{DialogKind::Input, caption, prompt, defaultText};
    DialogAnswer reply;
    if (Hook()) {
        reply = Hook()(request);
    } else {
        QInputDialog box;
        box.setWindowTitle(caption);
        box.setLabelText(prompt);
        box.setTextValue(defaultText);
        reply.button = box.exec();
        reply.text = box.textValue();
    }
    const bool ok = reply.button == QDialog::Accepted;
    if (answer) *answer = ok ? reply.text : defaultText;
    return ok;
}

QString ConfirmText(const QString& question) {
    return QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   ") + question;
}

bool ConfirmWrite(const QString& question) {
    if (Hook()) return Hook()({DialogKind::Confirm, QStringLiteral("ВОПРОС"), ConfirmText(question), {}}).button == 1;
    return Fmd()->Ask(question);
}

}  // namespace omi
