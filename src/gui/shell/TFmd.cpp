#include "shell/TFmd.h"

#include "shell/Dialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace omi {

TFmd::TFmd(QWidget* parent)
    : QDialog(parent), label_(new QLabel(this)), yes_(new QPushButton(QStringLiteral("ДА"), this)),
      no_(new QPushButton(QStringLiteral("НЕТ"), this)) {
    setObjectName(QStringLiteral("Fmd"));
    setWindowTitle(QStringLiteral("ВОПРОС"));
    setModal(true);

    label_->setObjectName(QStringLiteral("L"));
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setAutoFillBackground(true);
    label_->setBackgroundRole(QPalette::ToolTipBase);
    label_->setForegroundRole(QPalette::ToolTipText);
    label_->setMinimumSize(320, 110);
    label_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    yes_->setObjectName(QStringLiteral("BBYes"));
    yes_->setToolTip(QStringLiteral("Начать процесс изменения"));
    no_->setObjectName(QStringLiteral("BBNo"));
    no_->setToolTip(QStringLiteral("Не изменять параметры"));
    no_->setDefault(true);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes_);
    buttons->addWidget(no_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_, 1);
    layout->addLayout(buttons);
}

void TFmd::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    no_->setDefault(true);
    no_->setFocus(Qt::OtherFocusReason);
}

bool TFmd::Ask(const QString& question) {
    // The question breaks its lines with CR; Qt's plain-text labels break at LF.
    label_->setText(ConfirmText(question).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    return exec() == QDialog::Accepted;
}

TFmd* Fmd() {
    static QPointer<TFmd> instance;
    if (!instance) {
        instance = new TFmd;
        // Widgets must go before the application object does.
        qAddPostRoutine([] { delete instance.data(); });
    }
    return instance;
}

}  // namespace omi
