#pragma once
// The confirmation dialog asked before every device write: caption "ВОПРОС",
// the question in the label L, buttons "ДА" and "НЕТ". "НЕТ" has the focus
// and is the default button, so Enter (and Escape, and closing) answers no.

#include <QDialog>

class QLabel;
class QPushButton;

namespace omi {

class TFmd : public QDialog {
    Q_OBJECT
public:
    explicit TFmd(QWidget* parent = nullptr);

    // Shows the full question text (ConfirmText of the question) modally;
    // true only when "ДА" was pressed.
    bool Ask(const QString& question);

    QLabel* Label() const { return label_; }
    QPushButton* YesButton() const { return yes_; }
    QPushButton* NoButton() const { return no_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* label_;
    QPushButton* yes_;
    QPushButton* no_;
};

// The process's confirmation dialog, created on first use (the program
// creates it at start) and deleted with the application object.
TFmd* Fmd();

}  // namespace omi
