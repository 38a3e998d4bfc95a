#include "service/CalibrationPanel.h"

#include <QAction>
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
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "config/ConfigPage.h"
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

TCalibrationPanel::TCalibrationPanel(TFomi& window) : QWidget(window.TSk), window_(window) {
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
    buttons_->addWidget(BConDef);
    buttons_->addWidget(BBCal);
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
    const int type = CurrentType();
    if (type < 0) {
        window_.Status().busy(window_.cbC->currentText() + QStringLiteral(": ") + window_.LPState->text());
        hide();
        updateAction();
        return;
    }
    if (ValidNoTu(CurrentSerial(), type))
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
    const int type = CurrentType();
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

void TCalibrationPanel::AcalExecute() {
    if (!Flags().ready || running_) return;
    const int choice = RGk->ItemIndex();
    if (CurrentSerial() < 0 || choice < 0) {
        updateAction();
        return;
    }
    CalibrationJob job;
    job.choice = static_cast<CalibrationChoice>(choice);
    for (std::size_t i = 0; i < edits_.size(); ++i) job.references[i] = edits_[i]->value();
    job.allChannels = sbd->isChecked();
    job.selectedChannel = selectedChannel_;

    CalibrationObserver observer;
    observer.started = [this] { createBoxes(); };
    observer.memoLine = [this](const QString& line) {
        if (TraceMemo* ma = window_.Ma()) ma->AddLine(line);
    };
    observer.runDone = [this](const CalibrationRun& run) { showRun(run); };
    QPointer<TCalibrationPanel> self(this);
    running_ = true;
    // The references and the choice stay as they were sent until the end.
    for (QWidget* w : {static_cast<QWidget*>(RGk), Pd, static_cast<QWidget*>(sbd)}) w->setEnabled(false);
    updateAction();
    const CalibrationOutcome outcome = RunCalibration(window_.Engine(), window_.Status(), job, observer);
    if (!self) return;
    running_ = false;
    for (QWidget* w : {static_cast<QWidget*>(RGk), Pd, static_cast<QWidget*>(sbd)}) w->setEnabled(true);
    updateAction();
    if (outcome.stop == CalibrationStop::Ran && Flags().accessLevel == 0) {
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
    const int type = CurrentType();
    QString why;
    if (running_)
        why = QStringLiteral("идет калибровка");
    else if (CurrentSerial() < 0 || type < 0)
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
