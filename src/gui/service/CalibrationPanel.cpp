#include "service/CalibrationPanel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "config/ConfigPage.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "service/Calibration.h"
#include "service/DeviceReading.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/TraceMemo.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {

// The reference edits hold whole degrees and milliamperes; no practical limit.
constexpr int kReferenceLimit = 1000000;

const QString kWrongType = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

struct ModeText {
    const char* caption;
    const char* hint;
};
constexpr ModeText kSingle{"ОДИНОЧНЫМИ", "по выбранному каналу давления"};
constexpr ModeText kInTurn{"ОЧЕРЕДЯМИ", "по всем каналам давления"};

}  // namespace

TCalibrationPanel::TCalibrationPanel(TFomi& window, Connection& line)
    : QWidget(window.TSk), window_(window), line_(line) {
    setObjectName(QStringLiteral("Pcal"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* top = new QHBoxLayout;
    RGk = new TRadioGroup(QStringLiteral("Калибровка по:"), {}, 1, this);
    RGk->setObjectName(QStringLiteral("RGk"));
    RGk->setMinimumWidth(200);
    top->addWidget(RGk, 0, Qt::AlignTop);

    Pd = new QWidget(this);
    Pd->setObjectName(QStringLiteral("Pd"));
    auto* grid = new QGridLayout(Pd);
    grid->setContentsMargins(4, 4, 4, 3);
    const char* const editNames[] = {"SE1Td1", "SE1Od2", "SE2Td1", "SE2Od2"};
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const QString name = QString::fromUtf8(editNames[i]);
        auto* label = new QLabel(Pd);
        // The label of an edit is "L" and the edit's name from its third character on.
        label->setObjectName(QStringLiteral("L") + name.mid(2));
        auto* edit = new QSpinBox(Pd);
        edit->setObjectName(name);
        edit->setRange(-kReferenceLimit, kReferenceLimit);
        edit->installEventFilter(this);
        connect(edit, &QSpinBox::valueChanged, this, [this] { markReferences(); });
        grid->addWidget(label, int(i), 0);
        grid->addWidget(edit, int(i), 1);
        labels_[i] = label;
        edits_[i] = edit;
    }
    grid->setColumnStretch(4, 1);
    std::tie(SE1Td1, SE1Od2, SE2Td1, SE2Od2) = std::tuple(edits_[0], edits_[1], edits_[2], edits_[3]);
    std::tie(L1Td1, L1Od2, L2Td1, L2Od2) = std::tuple(labels_[0], labels_[1], labels_[2], labels_[3]);
    top->addWidget(Pd, 0, Qt::AlignTop);

    sbd = new QToolButton(this);
    sbd->setObjectName(QStringLiteral("sbd"));
    sbd->setCheckable(true);
    sbd->setText(QString::fromUtf8(kSingle.caption));
    sbd->setToolTip(QString::fromUtf8(kSingle.hint));
    sbd->hide();
    connect(sbd, &QToolButton::toggled, this, [this] { sbdClick(); });
    top->addWidget(sbd, 0, Qt::AlignTop);
    top->addStretch(1);
    layout->addLayout(top);

    buttons_ = new QHBoxLayout;
    BConDef = new QPushButton(QStringLiteral("Конфигурация по умолчанию"), this);
    BConDef->setObjectName(QStringLiteral("BConDef"));
    BConDef->setToolTip(QStringLiteral("задать значения конфигурации по умолчанию"));
    connect(BConDef, &QPushButton::clicked, this, [this] {
        if (window_.configPage) window_.configPage->BConDefClick();
    });
    BBCal = new QPushButton(QStringLiteral("калибровка"), this);
    BBCal->setObjectName(QStringLiteral("BBCal"));
    connect(BBCal, &QPushButton::clicked, this, [this] { window_.Action(QStringLiteral("Acal"))->trigger(); });
    BCalStop = new QPushButton(QStringLiteral("стоп"), this);
    BCalStop->setObjectName(QStringLiteral("BCalStop"));
    BCalStop->setToolTip(QStringLiteral("не ждать ответа устройства на калибровку"));
    BCalStop->hide();
    connect(BCalStop, &QPushButton::clicked, this, [this] { stopRun(); });
    LCalWait = new QLabel(this);
    LCalWait->setObjectName(QStringLiteral("LCalWait"));
    LCalWait->hide();
    waitTimer_ = new QTimer(this);
    waitTimer_->setInterval(500);
    connect(waitTimer_, &QTimer::timeout, this, [this] { showWait(); });
    auto* calibrationRow = new QHBoxLayout;
    calibrationRow->addWidget(BConDef);
    calibrationRow->addWidget(BBCal);
    calibrationRow->addWidget(BCalStop);
    calibrationRow->addWidget(LCalWait);
    calibrationRow->addStretch(1);
    layout->addLayout(calibrationRow);
    // The device writes get a row of their own: side by side with the
    // calibration buttons they made the page wider than the window.
    buttons_->addStretch(1);
    layout->addLayout(buttons_);
    // The configuration page puts the family's editor under the buttons.

    if (auto* page = qobject_cast<QGridLayout*>(window_.TSk->layout())) {
        page->addWidget(this, 1, 0, 1, -1);
        page->setRowStretch(1, 0);
        page->setRowStretch(2, 1);
    }
    hide();

    connect(RGk, &TRadioGroup::ItemIndexChanged, this, [this] {
        if (Flags().ready) RGkClick();
    });
    QAction* acal = window_.Action(QStringLiteral("Acal"));
    connect(acal, &QAction::triggered, this, [this] { AcalExecute(); });
    window_.TSk->installEventFilter(this);
    connect(&window_, &TFomi::CurrentDeviceChanged, this, [this] { DropDevice(); });
    // Every preparation of the window forgets the device without a word.
    connect(&window_, &TFomi::AccessLevelApplied, this, [this] { updateAction(); });
    updateAction();
}

bool TCalibrationPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.TSk) {
        if (event->type() == QEvent::Show) TSkShow();
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) updateAction();
    } else if (auto* edit = qobject_cast<QSpinBox*>(watched)) {
        if (event->type() == QEvent::FocusIn) selectChannel(edit);
        if (event->type() == QEvent::FocusOut) {
            const auto at = std::find(edits_.begin(), edits_.end(), edit);
            if (at != edits_.end()) labels_[std::size_t(at - edits_.begin())]->setAutoFillBackground(false);
        }
    }
    return QWidget::eventFilter(watched, event);
}

QLineEdit* TCalibrationPanel::MeasuredBox(int i) const {
    return i >= 0 && i < int(boxes_.size()) ? boxes_[std::size_t(i)].data() : nullptr;
}

void TCalibrationPanel::TSkShow() {
    if (!Flags().ready) return;
    const int type = line_.Type();
    if (type < 0) {
        window_.Status().busy(window_.cbC->currentText() + QStringLiteral(": ") + window_.LPState->text());
        hide();
        updateAction();
        return;
    }
    if (ValidNoTu(line_.Serial(), type))
        window_.Status().ok(QStringLiteral("На связи"));
    else
        window_.Status().error(QStringLiteral("НЕТ СВЯЗИ"));
    Pd->hide();
    {
        ReadyGuard quiet;
        QStringList items;
        for (const char* choice : CalibrationOf(type).choices) items << QString::fromUtf8(choice);
        RGk->SetItems(items);
    }
    if (!DescriptorOf(type)) {
        window_.Status().error(kWrongType);
        hide();
        updateAction();
        return;
    }
    // The family's configuration editor on this panel (for 230, 235 and 237
    // without its heat-system selector).
    if (window_.configPage) window_.configPage->ParamPage(this);
    show();
    if (RGk->ItemIndex() < 0 && !RGk->Items().isEmpty()) {
        ReadyGuard quiet;
        RGk->SetItemIndex(0);
    }
    RGkClick();
}

void TCalibrationPanel::RGkClick() {
    const int type = line_.Type();
    if (type < 0) return;
    destroyBoxes();
    sbd->hide();
    if (!DescriptorOf(type)) {
        ShowValue(kWrongType);
        return;
    }
    const CalibrationFacts facts = CalibrationOf(type);
    const int choice = RGk->ItemIndex();
    if (choice < 0) {
        // A device without calibration: nothing to enter.
        Pd->hide();
        updateAction();
        return;
    }
    const bool pressure = static_cast<CalibrationChoice>(choice) == CalibrationChoice::Pressure;
    const auto& texts = pressure ? facts.pressureLabels : facts.temperatureLabels;
    const CalibrationReferences defaults = DefaultReferences(static_cast<CalibrationChoice>(choice));
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        labels_[i]->setText(QString::fromUtf8(texts[i]));
        labels_[i]->setAutoFillBackground(false);
        const bool shown = i < 2 || facts.systems == 2;
        labels_[i]->setVisible(shown);
        edits_[i]->setVisible(shown);
        ReadyGuard quiet;
        edits_[i]->setValue(static_cast<int>(defaults[i]));
    }
    sbd->setVisible(pressure);
    Pd->show();
    SE1Td1->setFocus();
    selectChannel(SE1Td1);
    markReferences();
    updateAction();
}

void TCalibrationPanel::selectChannel(QSpinBox* edit) {
    const auto at = std::find(edits_.begin(), edits_.end(), edit);
    selectedChannel_ = at == edits_.end() ? kNoChannel : kFirstPressureChannel + int(at - edits_.begin());
    if (at == edits_.end()) return;
    // The label of the selected edit stands out in the window colour.
    QLabel* label = labels_[std::size_t(at - edits_.begin())];
    QPalette p = label->palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    label->setPalette(p);
    label->setAutoFillBackground(true);
}

void TCalibrationPanel::sbdClick() {
    const ModeText& mode = sbd->isChecked() ? kInTurn : kSingle;
    sbd->setText(QString::fromUtf8(mode.caption));
    sbd->setToolTip(QString::fromUtf8(mode.hint));
}

void TCalibrationPanel::destroyBoxes() {
    for (auto& box : boxes_) delete box.data();
    for (auto& label : boxLabels_) delete label.data();
}

void TCalibrationPanel::createBoxes() {
    destroyBoxes();
    auto* grid = qobject_cast<QGridLayout*>(Pd->layout());
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        auto* label = new QLabel(QStringLiteral("  измерено:  "), Pd);
        label->setFont(L1Td1->font());
        auto* box = new QLineEdit(Pd);
        box->setReadOnly(true);
        box->setFrame(false);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-000,00000")) + 12);
        const bool shown = !edits_[i]->isHidden();
        label->setVisible(shown);
        box->setVisible(shown);
        grid->addWidget(label, int(i), 2);
        grid->addWidget(box, int(i), 3);
        boxLabels_[i] = label;
        boxes_[i] = box;
    }
}

void TCalibrationPanel::showRun(const CalibrationRun& run) {
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i] && run.verdict.boxes[i]) boxes_[i]->setText(*run.verdict.boxes[i]);
}

int TCalibrationPanel::markReferences() {
    const int type = line_.Type();
    const int choice = RGk->ItemIndex();
    const CalibrationFacts facts = CalibrationOf(type);
    int first = -1;
    CalibrationJob job;
    if (choice >= 0 && static_cast<std::size_t>(choice) < facts.choices.size()) {
        job.choice = static_cast<CalibrationChoice>(choice);
        for (std::size_t i = 0; i < edits_.size(); ++i) job.references[i] = edits_[i]->value();
        job.allChannels = sbd->isChecked();
        job.selectedChannel = selectedChannel_;
    }
    const ReferenceRange range = ReferenceRangeOf(job.choice);
    const QString hint = QStringLiteral("от ") + QString::number(range.low) + QStringLiteral(" до ") +
                         QString::number(range.high) + QLatin1Char(' ') + QString::fromUtf8(range.unit);
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const bool bad = choice >= 0 && !edits_[i]->isHidden() && !range.Holds(edits_[i]->value());
        edits_[i]->setStyleSheet(bad ? QStringLiteral("QSpinBox { background: #ffd0d0; color: #c00000; }") : QString());
        edits_[i]->setToolTip(bad ? QStringLiteral("вне пределов: задатчик может быть ") + hint
                                  : QStringLiteral("задатчик ") + hint);
    }
    if (choice >= 0) {
        const ReferenceCheck check = CheckReferences(facts, job);
        first = check.edit;
    }
    return first;
}

void TCalibrationPanel::showWait() {
    if (!running_ || waitDeadline_.isForever()) {
        LCalWait->hide();
        return;
    }
    const qint64 left = (waitDeadline_.remainingTime() + 999) / 1000;
    LCalWait->setText(Format(QStringLiteral("ответ ждем еще не дольше %d с"), {static_cast<int>(left)}));
    LCalWait->show();
}

void TCalibrationPanel::stopRun() {
    if (!running_) return;
    stop_ = true;
    BCalStop->setEnabled(false);
    // The wait for the answer ends with the port; the next exchange opens it again.
    line_.Port().ClosePort();
}

void TCalibrationPanel::AcalExecute() {
    if (!Flags().ready || running_) return;
    const int choice = RGk->ItemIndex();
    if (line_.Serial() < 0 || choice < 0) {
        updateAction();
        return;
    }
    CalibrationJob job;
    job.choice = static_cast<CalibrationChoice>(choice);
    for (std::size_t i = 0; i < edits_.size(); ++i) job.references[i] = edits_[i]->value();
    job.allChannels = sbd->isChecked();
    job.selectedChannel = selectedChannel_;
    const CalibrationFacts facts = CalibrationOf(line_.Type());

    // A reference no input can take is an error at its edit; nothing is sent.
    if (const ReferenceCheck check = CheckReferences(facts, job); !check.message.isEmpty()) {
        markReferences();
        window_.Status().error(check.message);
        edits_[static_cast<std::size_t>(check.edit)]->setFocus();
        edits_[static_cast<std::size_t>(check.edit)]->selectAll();
        return;
    }
    const bool pressure = job.choice == CalibrationChoice::Pressure;
    // The focus comes back where the user left it in the panel.
    QPointer<QWidget> focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus))
        focus = pressure && selectedChannel_ != kNoChannel
                    ? edits_[std::size_t(selectedChannel_ - kFirstPressureChannel)]
                    : SE1Td1;
    // A calibration changes the device: it is asked first, as every write
    // ("НЕТ" the default). A pressure run without a channel says so at once.
    if (!pressure || !PressureChannels(facts, job).empty()) {
        QString what =
            pressure
                ? QStringLiteral("КАЛИБРОВАТЬ ПО ДАВЛЕНИЮ ") +
                      (job.allChannels ? QStringLiteral("ВСЕ ДАТЧИКИ")
                                       : QString::fromUtf8(
                                             facts.channelNames[std::size_t(selectedChannel_ - kFirstPressureChannel)])
                                             .trimmed())
                : QStringLiteral("КАЛИБРОВАТЬ ПО ") + PointName(choice) + QStringLiteral(" ТЕМПЕРАТУРЕ");
        if (!ConfirmWrite(what + QStringLiteral(" ???"))) {
            if (focus) focus->setFocus();
            return;
        }
    }

    CalibrationObserver observer;
    observer.started = [this] { createBoxes(); };
    observer.memoLine = [this](const QString& line) {
        if (TraceMemo* ma = window_.Ma()) ma->AddLine(line);
    };
    observer.requestSent = [this](int, int waitMs) {
        waitDeadline_ = waitMs > 0 ? QDeadlineTimer(waitMs) : QDeadlineTimer(QDeadlineTimer::Forever);
        showWait();
    };
    observer.runDone = [this](const CalibrationRun& run) { showRun(run); };
    QPointer<TCalibrationPanel> self(this);
    running_ = true;
    stop_ = false;
    job.stopRequested = [self] { return !self || self->stop_; };
    // The references and the choice stay as they were sent until the end;
    // meanwhile the focus is on "стоп", so that no key starts anything else.
    for (QWidget* w : {static_cast<QWidget*>(RGk), Pd, static_cast<QWidget*>(sbd)}) w->setEnabled(false);
    BCalStop->setEnabled(true);
    BCalStop->show();
    BCalStop->setFocus();
    waitDeadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
    waitTimer_->start();
    updateAction();
    const CalibrationOutcome outcome = RunCalibration(line_, window_.Status(), job, observer);
    if (!self) return;
    running_ = false;
    waitTimer_->stop();
    BCalStop->hide();
    LCalWait->hide();
    for (QWidget* w : {static_cast<QWidget*>(RGk), Pd, static_cast<QWidget*>(sbd)}) w->setEnabled(true);
    updateAction();
    if (focus) focus->setFocus();
    if ((outcome.stop == CalibrationStop::Ran || outcome.stop == CalibrationStop::Stopped) &&
        Flags().accessLevel == 0) {
        // Beside the program's data: the working folder may be anywhere.
        const QStringList lines = window_.Ma() ? window_.Ma()->toPlainText().split(QLatin1Char('\n')) : QStringList();
        QDir().mkpath(DataRoot());
        const QString failed = SaveDump(DataRoot(), kCalibrationDumpFile, lines);
        if (!failed.isEmpty()) window_.Status().error(failed);
    }
}

void TCalibrationPanel::DropDevice() {
    destroyBoxes();
    {
        ReadyGuard quiet;
        RGk->SetItems({});
        RGk->SetItemIndex(-1);
    }
    sbd->setChecked(false);
    Pd->hide();
    hide();
    selectedChannel_ = kNoChannel;
    if (window_.PCW()->currentWidget() == window_.TSk && window_.TSk->isVisible()) TSkShow();
    updateAction();
}

void TCalibrationPanel::updateAction() {
    const int type = line_.Type();
    QString why;
    if (running_)
        why = QStringLiteral("идет калибровка");
    else if (line_.Serial() < 0 || type < 0)
        why = kIdentifyFirst;
    else if (CalibrationOf(type).choices.empty())
        why = Format(QStringLiteral("у %s нет калибровки"), {ModelName(type)});
    else if (window_.PCW()->currentWidget() != window_.TSk)
        why = QStringLiteral("калибровка выполняется со страницы КАЛИБРОВКА");
    else if (RGk->ItemIndex() < 0)
        why = QStringLiteral("выберите, по чему калибровать");
    QAction* acal = window_.Action(QStringLiteral("Acal"));
    acal->setEnabled(why.isEmpty());
    acal->setToolTip(why.isEmpty() ? QStringLiteral("калибровка") : why);
    BBCal->setEnabled(why.isEmpty());
    BBCal->setToolTip(acal->toolTip());
}

}  // namespace omi
