#include "service/WriteActions.h"

#include <QAction>
#include <QDateTime>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "config/ConfigPage.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "protocol/Frame.h"
#include "service/CalibrationPanel.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "support/Dates.h"

namespace omi {

namespace {

struct WriteAction {
    WriteOp op;
    const char* action;
    const char* button;
    const char* page;  // the page shown before the question; null: none
};

const WriteAction kWrites[] = {
    {WriteOp::SetClock, "ASaveDateTime", "BBSaveDateTime", "TSwr"},
    {WriteOp::SetNumber, "ASetNO", "BitBtn2", "TSk"},
    {WriteOp::WriteConfig, "ASetPar", "BBSetPar", nullptr},
    {WriteOp::Initialise, "ASetDevice", "BBSetDevice", "TSwr"},
    {WriteOp::StartWorkTime, "AsetWorkTime", "BBtime0", "TSwr"},
    {WriteOp::ClearArchives, "ASetArh", "BBSetArh", "TSwr"},
};

}  // namespace

TWriteActions::TWriteActions(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    // The buttons share the calibration panel's row and follow their actions.
    QHBoxLayout* row = window.calibrationPanel ? window.calibrationPanel->ButtonRow() : nullptr;
    for (const WriteAction& w : kWrites) {
        QAction* action = window.Action(QString::fromUtf8(w.action));
        connect(action, &QAction::triggered, this, [this, op = w.op] { Run(op); });
        if (row) {
            auto* button = new QToolButton(window.TSk);
            button->setObjectName(QString::fromUtf8(w.button));
            button->setDefaultAction(action);
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            row->addWidget(button);
        }
    }
    SEDN = new QSpinBox(window.TSk);
    SEDN->setObjectName(QStringLiteral("SEDN"));
    SEDN->setRange(1, 65535);
    SEDN->setValue(1);
    SEDN->setToolTip(QStringLiteral("№ устройства (для записи)"));
    connect(SEDN, &QSpinBox::valueChanged, this, [this] { SEDNChange(); });
    if (auto* grid = qobject_cast<QGridLayout*>(window.TSk->layout())) {
        auto* box = new QWidget(window.TSk);
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(12, 0, 0, 0);
        h->addWidget(new QLabel(QStringLiteral("новый №"), box));
        h->addWidget(SEDN);
        h->addStretch(1);
        grid->addWidget(box, 0, 2);
    }

    // The clock runs from the computer's time, whatever the saved values say.
    Tdt = new QTimer(this);
    Tdt->setObjectName(QStringLiteral("Tdt"));
    Tdt->setInterval(1000);
    connect(Tdt, &QTimer::timeout, this, [this] { TdtTimer(); });
    Tdt->start();
    // Setting the clock waits for a configuration read; the disabled action
    // says so in its hint instead of just greying out.
    {
        QAction* clock = window.Action(QStringLiteral("ASaveDateTime"));
        const QString hint = clock->toolTip();
        const QString why = hint + QStringLiteral(
                                       " — недоступно, пока не прочитана конфигурация устройства "
                                       "(«Конфигурация» в разделе чтения)");
        const auto explain = [clock, hint, why] {
            const QString shown = clock->isEnabled() ? hint : why;
            if (clock->toolTip() != shown) clock->setToolTip(shown);
        };
        connect(clock, &QAction::changed, this, explain);
        explain();
    }
    window.Gsec->setRange(0, 59);
    window.Gsec->setToolTip(QStringLiteral("секунды"));
    window.LDT->installEventFilter(this);
    TdtTimer();
}

bool TWriteActions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.LDT && event->type() == QEvent::MouseButtonDblClick) {
        QAction* clock = window_.Action(QStringLiteral("ASaveDateTime"));
        if (clock->isEnabled()) clock->trigger();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TWriteActions::TdtTimer() {
    const QDateTime now = QDateTime::currentDateTime();
    const int seconds = now.time().msecsSinceStartOfDay() / 1000;
    const QString format = seconds % 2 ? QStringLiteral("dd mmmm yyyy  hh:nn") : QStringLiteral("dd mmmm yyyy  hh nn");
    window_.LDT->setText(FormatDateTimeText(format, now));
    window_.Gsec->setValue(seconds % 60);
}

void TWriteActions::SEDNChange() {
    if (!Flags().ready) return;
    const int number = SEDN->value();
    const int type = line_.Type();
    if (number >= 1 && number <= 65535 && type >= 128 && type <= 237)
        window_.Status().ok(QStringLiteral("новый номер правильный"));
    else
        window_.Status().error(QStringLiteral("новый номер должен быть от 1 до 65535"));
}

void TWriteActions::Run(WriteOp op) {
    if (line_.Serial() < 0) {
        window_.AreadNoTuExecute();
        if (line_.Serial() < 0) return;
    }
    const WriteAction* w = nullptr;
    for (const WriteAction& candidate : kWrites)
        if (candidate.op == op) w = &candidate;
    // From the "КАЛИБРОВКА" page, whose buttons they are, the writes leave
    // the user where he is; from elsewhere the page of the write is shown.
    if (w && w->page && window_.PCW()->currentWidget() != window_.TSk) {
        QWidget* page = window_.Page(QString::fromUtf8(w->page));
        const int index = window_.PCW()->indexOf(page);
        if (index >= 0 && window_.PCW()->isTabEnabled(index) && window_.PCW()->isTabVisible(index))
            window_.PCW()->setCurrentIndex(index);
    }
    // Only a configuration read from this device, or defaults asked for
    // while it was current, goes to it.
    if (op == WriteOp::WriteConfig && window_.configPage && !window_.configPage->Writable()) {
        window_.Status().error(QStringLiteral("запись конфигурации: ") +
                               window_.Action(QStringLiteral("ASetPar"))->toolTip());
        return;
    }
    const QString clockCaption = window_.LDT->text();
    if (!ConfirmWrite(WriteQuestion(op, clockCaption, SEDN->value()))) return;

    WriteArgs args;
    args.now = QDateTime::currentDateTime();
    args.newNumber = SEDN->value();
    const WritePlan plan = PlanWrite(line_, op, args);
    if (!plan.request) {
        if (!plan.mismatch.isEmpty())
            window_.Status().error(QStringLiteral("Не совпадает:") + plan.mismatch);
        else if (!FamilyFor(line_.Type()))
            ShowValue(op == WriteOp::SetNumber ? QStringLiteral("ASetNOExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА")
                                               : QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        else if (op == WriteOp::SetClock)
            ShowValue(plan.error);
        else
            window_.Status().error(plan.error);
        return;
    }
    window_.Status().busy(WriteBusyText(op, clockCaption));
    const WriteOutcome out = RunWrite(line_, op, args);
    if (!out.ok) {
        window_.Status().error(out.status);
        return;
    }
    if (op == WriteOp::SetNumber) {
        window_.ENo->setText(QString::number(args.newNumber));
        window_.Enok->setText(window_.ENo->text());
    }
    window_.Status().ok(out.status);
}

}  // namespace omi
