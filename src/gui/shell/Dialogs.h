#pragma once
// Every modal question of the program: message boxes, yes/no/cancel
// questions, the input box and the confirmation before a device write.
//
// A hook set with SetDialogHook answers instead of the real dialogs, so that
// tests (and scripted runs) see each request and choose the answer.

#include <QMessageBox>
#include <QString>
#include <QVariant>

#include <functional>

namespace omi {

enum class DialogKind { Message, Question, Input, Confirm };

struct DialogRequest {
    DialogKind kind;
    QString caption;
    QString text;         // the message, question or prompt as the dialog shows it
    QString defaultText;  // Input: the text the box opens with
};

struct DialogAnswer {
    // Message/Question: a QMessageBox::StandardButton value; Input:
    // QDialog::Accepted or QDialog::Rejected; Confirm: 1 = "ДА", 0 = "НЕТ".
    int button = 0;
    QString text;  // Input: the text typed
};

using DialogHook = std::function<DialogAnswer(const DialogRequest&)>;

// An empty hook returns to the real dialogs.
void SetDialogHook(DialogHook hook);

// A plain message box with an OK button showing ShowValueMessage(value, prefix, suffix).
void ShowValue(const QVariant& value, const QString& prefix = {}, const QString& suffix = {});

// Yes, No and Cancel; closing the box answers Cancel.
QMessageBox::StandardButton AskYesNoCancel(const QString& text);

// Input box; on OK *answer is the text typed and true is returned, on cancel
// *answer = defaultText and false is returned.
bool InputBox(const QString& caption, const QString& prompt, const QString& defaultText, QString* answer);

// The confirmation dialog TFmd asked before every device write: true only for "ДА".
bool ConfirmWrite(const QString& question);
// The full question text of TFmd for an operation's question.
QString ConfirmText(const QString& question);

}  // namespace omi
