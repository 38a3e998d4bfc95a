// The calibration page driven as a user would, against omi-sim on a
// pseudo-terminal: the choices, labels, defaults and editor of each kind of
// device, temperature points and pressure channels one at a time and in
// turn, the boxes of measured values, a device that stops answering, the
// ЛОРС without calibration, and the level-0 byte file.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <memory>

#include "GuiTestSupport.h"
#include "config/ConfigEditors.h"
#include "config/ConfigPage.h"
#include "protocol/Frame.h"
#include "service/Calibration.h"
#include "service/CalibrationPanel.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using namespace omi::guitest;

namespace {

// The window on the simulator's port at an access level with the
// calibration page (3, or 0 with the service code), identified, the page shown.
std::unique_ptr<TFomi> openPage(const QString& port, bool service = false) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    options.extraPorts = {port};
    options.systemPorts = false;
    if (service) options.arguments = {TFomi::kServiceCode};
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    auto* cbC = child<QComboBox>(w.get(), "cbC");
    cbC->setCurrentIndex(cbC->findText(port));
    w->cbCClick(cbC);
    if (!service) {
        w->Epsw->setText(QStringLiteral("3"));
        w->EpswChange();
        w->ApplyAccessLevel();
    }
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) return w;
    w->Action("AreadNoTu")->trigger();
    w->PCW()->setCurrentWidget(w->TSk);
    return w;
}

// The requests of command 13 in the simulator's log: code and the data bytes.
QStringList calibrationRequests(const Sim& sim) {
    QStringList out;
    for (const QString& line : sim.Requests())
        if (line.section(' ', 4, 4) == "13") out << line;
    return out;
}

QStringList boxTexts(const TCalibrationPanel& p) {
    QStringList texts;
    for (int i = 0; i < 4; ++i) texts << (p.MeasuredBox(i) ? p.MeasuredBox(i)->text() : QStringLiteral("-"));
    return texts;
}

QStringList labelTexts(const TCalibrationPanel& p) {
    return {p.L1Td1->text(), p.L1Od2->text(), p.L2Td1->text(), p.L2Od2->text()};
}

QList<int> references(const TCalibrationPanel& p) {
    return {p.SE1Td1->value(), p.SE1Od2->value(), p.SE2Td1->value(), p.SE2Od2->value()};
}

// Answers every question of the program "ДА" and keeps what was asked.
class SayYes : public DialogScript {
public:
    SayYes() {
        SetDialogHook([this](const DialogRequest& r) {
            asked.append(r);
            return DialogAnswer{1, {}};
        });
    }
};

// With OMI_SHOT_DIR set, the window as the user sees it is saved there.
void shot(TFomi& w, const char* name) {
    const QString dir = qEnvironmentVariable("OMI_SHOT_DIR");
    if (dir.isEmpty()) return;
    QTest::qWait(200);
    w.grab().save(dir + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png"));
}

}  // namespace

class CalibrationPanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoSystemDeviceTemperatureAndPressure() {
        DataFolder data;
        SayYes yes;
        Sim sim({"--pty", "--type", "229", "--cal-deviation", "0,0,0,1.5"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        QVERIFY(p.isVisibleTo(w.get()));
        QCOMPARE(p.RGk->title(), QString("Калибровка по:"));
        QCOMPARE(p.RGk->Items(), QStringList({"МЕНЬШЕЙ температуре", "БОЛЬШЕЙ температуре", "ДАВЛЕНИЮ"}));
        QCOMPARE(p.RGk->ItemIndex(), 0);
        QCOMPARE(labelTexts(p), QStringList({"t°C  подачи 1-й системы", "t°C обратки 1-й системы",
                                              "t°C  подачи 2-й системы", "t°C обратки 2-й системы"}));
        QCOMPARE(references(p), QList<int>({33, 30, 33, 30}));
        QVERIFY(p.SE2Od2->isVisibleTo(w.get()));
        QVERIFY(!p.sbd->isVisibleTo(w.get()));
        // The family's editor below the buttons, with its heat-system selector.
        TConfigEditor* editor = w->configPage->Editor();
        QVERIFY(editor && editor->parentWidget() == &p);
        QVERIFY(child<TRadioGroup>(&p, "RGsys")->isVisibleTo(w.get()));
        child<QPushButton>(&p, "BConDef")->click();
        QVERIFY(w->LuState->text().endsWith(": Конфигурация задана по умолчанию"));
        QCOMPARE(w->configPage->Editor()->parentWidget(), &p);
        QVERIFY(w->Action("Acal")->isEnabled());
        shot(*w, "calibration229");

        // Upper point, edited reference, run from the page's button.
        p.RGk->SetItemIndex(1);
        QCOMPARE(references(p), QList<int>({150, 150, 150, 150}));
        p.SE1Od2->setValue(148);
        p.BBCal->click();
        QCOMPARE(calibrationRequests(sim),
                 QStringList({"23 229 161 1 13 1 0 0 22 67 0 0 20 67 0 0 22 67 0 0 22 67 242"}));
        QCOMPARE(boxTexts(p), QStringList({"150,00", "148,00", "150,00", "151,50"}));
        QCOMPARE(w->LuState->text(),
                 QString("t°C обратки 2-й системы=151,50 - отличается больше, чем на 1 °C"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QCOMPARE(w->Port().InputTimeout(), 1000u);

        // Pressure: currents, the first channel selected by the focus.
        p.RGk->SetItemIndex(2);
        QCOMPARE(p.MeasuredBox(0), nullptr);
        QCOMPARE(labelTexts(p), QStringList({"ток Ма 1 датчик 1-й системы", "ток Ма 2 датчик 1-й системы",
                                              "ток Ма 1 датчик 2-й системы", "ток Ма 2 датчик 2-й системы"}));
        QCOMPARE(references(p), QList<int>({20, 20, 20, 20}));
        QVERIFY(p.sbd->isVisibleTo(w.get()));
        QCOMPARE(p.sbd->text(), QString("ОДИНОЧНЫМИ"));
        QCOMPARE(p.sbd->toolTip(), QString("по выбранному каналу давления"));
        QCOMPARE(p.SelectedChannel(), 2);
        QVERIFY(p.L1Td1->autoFillBackground());
        shot(*w, "calibration229pressure");

        w->Action("Acal")->trigger();
        QCOMPARE(calibrationRequests(sim).size(), 2);
        QCOMPARE(calibrationRequests(sim).last(), QString("11 229 161 1 13 2 0 0 160 65 126"));
        QCOMPARE(boxTexts(p), QStringList({"20,00000", "", "", ""}));
        QVERIFY(w->LuState->text().endsWith(": калибровка по давлению успешно завершена"));

        // Another channel by the focus, then every channel in turn.
        QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
        QApplication::sendEvent(p.SE1Td1, &out);
        QVERIFY(!p.L1Td1->autoFillBackground());
        QApplication::sendEvent(p.SE2Td1, &in);
        QCOMPARE(p.SelectedChannel(), 4);
        QVERIFY(p.L2Td1->autoFillBackground());
        QCOMPARE(p.L2Td1->palette().color(QPalette::Window), p.palette().color(QPalette::Base));
        p.sbd->click();
        QCOMPARE(p.sbd->text(), QString("ОЧЕРЕДЯМИ"));
        QCOMPARE(p.sbd->toolTip(), QString("по всем каналам давления"));
        w->Action("Acal")->trigger();
        QStringList codes;
        for (const QString& r : calibrationRequests(sim).mid(2)) codes << r.section(' ', 5, 5);
        QCOMPARE(codes, QStringList({"2", "3", "4", "5"}));
        QCOMPARE(boxTexts(p), QStringList({"20,00000", "20,00000", "20,00000", "21,50000"}));
        QCOMPARE(w->LuState->text(), QString("ток=21,50000 - отличается больше, чем на 1 мА"));
        QCOMPARE(w->Port().InputTimeout(), 1000u);
    }

    void oneSystemDeviceHidesSystemTwo() {
        DataFolder data;
        SayYes yes;
        Sim sim({"--pty", "--type", "235"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        QCOMPARE(labelTexts(p).mid(0, 2), QStringList({"t°C  подачи", "t°C обратки"}));
        for (QWidget* hidden : {static_cast<QWidget*>(p.SE2Td1), static_cast<QWidget*>(p.SE2Od2),
                                static_cast<QWidget*>(p.L2Td1), static_cast<QWidget*>(p.L2Od2)})
            QVERIFY(!hidden->isVisibleTo(w.get()));
        QVERIFY(!child<TRadioGroup>(&p, "RGsys")->isVisibleTo(w.get()));
        w->Action("Acal")->trigger();
        QCOMPARE(boxTexts(p), QStringList({"норма", "норма", "норма", "норма"}));
        QVERIFY(p.MeasuredBox(0)->isVisibleTo(w.get()));
        QVERIFY(!p.MeasuredBox(2)->isVisibleTo(w.get()));
        QVERIFY(w->LuState->text().endsWith(": калибровка по МЕНЬШЕЙ температуре успешно завершена"));

        p.RGk->SetItemIndex(2);
        QCOMPARE(labelTexts(p).mid(0, 2), QStringList({"ток Ма 1 датчик", "ток Ма 2 датчик"}));
        p.sbd->click();
        w->Action("Acal")->trigger();
        QStringList codes;
        for (const QString& r : calibrationRequests(sim).mid(1)) codes << r.section(' ', 5, 5);
        QCOMPARE(codes, QStringList({"2", "3"}));
        shot(*w, "calibration235");
    }

    void twoTwentyFiveJudgesItself() {
        DataFolder data;
        SayYes yes;
        Sim sim({"--pty", "--type", "225", "--cal-deviation", "-1.1,0.4,0,0"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        QCOMPARE(p.RGk->Items(), QStringList({"МЕНЬШЕЙ температуре", "БОЛЬШЕЙ температуре"}));
        w->Action("Acal")->trigger();
        QCOMPARE(boxTexts(p).mid(0, 2), QStringList({"31,90", "30,40"}));
        QCOMPARE(w->LuState->text(),
                 QString("измеренная температура отличается от заданной больше, чем на 1 градус"));
    }

    void deviceThatStopsAnswering() {
        DataFolder data;
        SayYes yes;
        // Identification is answered, nothing after it.
        Sim sim({"--pty", "--type", "234", "--mute-after", "1"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        p.RGk->SetItemIndex(2);
        p.SE1Od2->setFocus();
        QApplication::sendEvent(p.SE1Od2, std::make_unique<QFocusEvent>(QEvent::FocusIn).get());
        QCOMPARE(p.SelectedChannel(), 3);
        w->Action("Acal")->trigger();
        QCOMPARE(calibrationRequests(sim).size(), 1);  // sent once: the device calibrates at each request
        QVERIFY(w->LuState->text().startsWith("НЕТ СВЯЗИ"));
        QCOMPARE(boxTexts(p), QStringList({"", "", "", ""}));
        QCOMPARE(w->Port().InputTimeout(), 1000u);
        QVERIFY(w->Action("Acal")->isEnabled());
    }

    void referencesOutsideTheInputsAreRefusedAtTheirField() {
        DataFolder data;
        Sim sim({"--pty", "--type", "229"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        DialogScript dialogs;  // nothing may be asked
        const std::array<QSpinBox*, 4> edits{p.SE1Td1, p.SE1Od2, p.SE2Td1, p.SE2Od2};
        struct Case {
            const char* what;
            int choice;
            int edit;
            int value;
            const char* status;
        };
        const Case cases[] = {
            {"supply far above", 0, 0, 99999,
             "t°C подачи 1-й системы = 99999: задатчик может быть от 0 до 150 °C; калибровка не начата"},
            {"return below zero", 0, 3, -500,
             "t°C обратки 2-й системы = -500: задатчик может быть от 0 до 150 °C; калибровка не начата"},
            {"upper point one above", 1, 1, 151,
             "t°C обратки 1-й системы = 151: задатчик может быть от 0 до 150 °C; калибровка не начата"},
            {"current far above", 2, 0, 99999,
             "ток Ма 1 датчик 1-й системы = 99999: задатчик может быть от 4 до 20 мА; калибровка не начата"},
            {"current below the loop", 2, 0, 3,
             "ток Ма 1 датчик 1-й системы = 3: задатчик может быть от 4 до 20 мА; калибровка не начата"},
        };
        for (const Case& c : cases) {
            p.RGk->SetItemIndex(c.choice);
            p.RGkClick();  // the defaults again, whether the choice changed or not
            QSpinBox* edit = edits[std::size_t(c.edit)];
            edit->setValue(c.value);
            QVERIFY2(!edit->styleSheet().isEmpty() && edit->toolTip().startsWith("вне пределов"), c.what);
            w->Action("Acal")->trigger();
            QVERIFY2(w->LuState->text() == QString::fromUtf8(c.status), qPrintable(w->LuState->text()));
            QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
            QCOMPARE(p.MeasuredBox(0), nullptr);
        }
        // Back in range, the field is plain again.
        p.SE1Td1->setValue(20);
        QVERIFY(p.SE1Td1->styleSheet().isEmpty());
        QVERIFY(calibrationRequests(sim).isEmpty());
        QVERIFY(dialogs.asked.isEmpty());
    }

    void aRunAsksFirstAndLeavesTheUserOnTheControls() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        DialogScript dialogs;
        w->Action("Acal")->trigger();
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].kind, DialogKind::Confirm);
        QVERIFY(dialogs.asked[0].text.endsWith("КАЛИБРОВАТЬ ПО МЕНЬШЕЙ ТЕМПЕРАТУРЕ ???"));
        QVERIFY(calibrationRequests(sim).isEmpty());  // "НЕТ"

        dialogs.answers << DialogAnswer{1, {}};
        p.SE1Od2->setFocus();
        w->Action("Acal")->trigger();
        QCOMPARE(calibrationRequests(sim).size(), 1);
        QVERIFY(w->LuState->text().endsWith(": калибровка по МЕНЬШЕЙ температуре успешно завершена"));
        // Enter now changes a reference, it starts no write.
        QCOMPARE(QApplication::focusWidget(), p.SE1Od2);
        QVERIFY(!p.BCalStop->isVisible());

        // The write buttons of the page keep the user on it.
        w->Action("AsetWorkTime")->trigger();
        QCOMPARE(w->PCW()->currentWidget(), w->TSk);
        QVERIFY(dialogs.asked.last().text.endsWith("НАЧАТЬ ОТСЧЕТ ВРЕМЕНИ РАБОТЫ ???"));
        // The clock waits for the configuration and says so.
        QAction* clock = w->Action("ASaveDateTime");
        if (!clock->isEnabled()) QVERIFY(clock->toolTip().contains("пока не прочитана конфигурация"));
        w->Action("AreadParam")->trigger();
        QVERIFY(clock->isEnabled());
        QCOMPARE(clock->toolTip(), QString("установить дату и время из компьютера"));
        shot(*w, "calibration234done");
    }

    void stopEndsTheWaitForASilentDevice() {
        DataFolder data;
        // Identification is answered, the calibration never.
        Sim sim({"--pty", "--type", "225", "--mute-after", "1"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        SayYes yes;
        QString waiting;
        bool stopShown = false;
        QTimer::singleShot(400, &p, [&] {
            waiting = p.LCalWait->text();
            stopShown = p.BCalStop->isVisible() && p.BCalStop->isEnabled();
            p.BCalStop->click();
        });
        w->Action("Acal")->trigger();
        QVERIFY(stopShown);
        QVERIFY2(QRegularExpression("^ответ ждем еще не дольше \\d+ с$").match(waiting).hasMatch(),
                 qPrintable(waiting));
        QCOMPARE(w->LuState->text(), QString("калибровка остановлена: ответ устройства не дождались"));
        QCOMPARE(calibrationRequests(sim).size(), 1);  // no further attempt after "стоп"
        QVERIFY(!p.BCalStop->isVisible());
        QVERIFY(!p.LCalWait->isVisible());
        QCOMPARE(w->Port().InputTimeout(), 1000u);
        QVERIFY(w->Action("Acal")->isEnabled());
    }

    void lorsHasNothingToCalibrate() {
        DataFolder data;
        Sim sim({"--pty", "--type", "128", "--serial", "20560"});
        auto w = openPage(sim.Pty());
        TCalibrationPanel& p = *w->calibrationPanel;
        QVERIFY(p.RGk->Items().isEmpty());
        QVERIFY(!p.Pd->isVisibleTo(w.get()));
        QVERIFY(!w->Action("Acal")->isEnabled());
        QCOMPARE(w->Action("Acal")->toolTip(), QString("у ЛОРС нет калибровки"));
        QVERIFY(!p.BBCal->isEnabled());
        QVERIFY(w->configPage->Editor() && w->configPage->Editor()->parentWidget() == &p);
    }

    void actionOnlyWithADeviceOnThePage() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {sim.Pty()};
        options.systemPorts = false;
        options.arguments = {TFomi::kServiceCode};
        TFomi w(options);
        w.AcreateExecute();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.Action("Acal")->isEnabled());
        QCOMPARE(w.Action("Acal")->toolTip(), kIdentifyFirst);
        w.PCW()->setCurrentWidget(w.TSk);
        QVERIFY(!w.calibrationPanel->isVisible());
        QVERIFY(!w.Action("Acal")->isEnabled());
        w.PCW()->setCurrentWidget(w.TSW);
        auto* cbC = child<QComboBox>(&w, "cbC");
        cbC->setCurrentIndex(cbC->findText(sim.Pty()));
        w.cbCClick(cbC);
        w.Action("AreadNoTu")->trigger();
        QVERIFY(!w.Action("Acal")->isEnabled());
        QCOMPARE(w.Action("Acal")->toolTip(), QString("калибровка выполняется со страницы КАЛИБРОВКА"));
        w.PCW()->setCurrentWidget(w.TSk);
        QVERIFY(w.Action("Acal")->isEnabled());
        QVERIFY(w.calibrationPanel->isVisible());
    }

    void serviceLevelWritesTheBytesBesideTheData() {
        DataFolder data;
        SayYes yes;
        QTemporaryDir elsewhere;
        const QString before = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        Sim sim({"--pty", "--type", "227"});
        auto w = openPage(sim.Pty(), true);
        w->Action("Acal")->trigger();
        QString error;
        const QStringList lines = ReadLines1251(data.Path(kCalibrationDumpFile), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const qsizetype at = lines.indexOf("запрос");
        QVERIFY(at >= 0);
        QCOMPARE(lines.mid(at + 1, 2), QStringList({"00.15=0F", "01.227=E3"}));
        QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath(kCalibrationDumpFile)));
        QDir::setCurrent(before);
    }
};

QTEST_MAIN(CalibrationPanelTest)
#include "CalibrationPanelTest.moc"
