// The configuration page driven as a user would, against omi-sim on a
// pseudo-terminal: reading the configuration, the editors of the 234 (two
// heat systems), the 235 (one), the 225 and the ЛОРС, every edit collected
// into the family's configuration, a reading that only ever gets bad answers,
// and the level-0 dump file and grid; the first press of "Конфигурация" on
// every type and level, values that are no numbers.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "config/ConfigEditors.h"
#include "config/ConfigPage.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U34.h"
#include "protocol/Frame.h"
#include "service/DeviceReading.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/Format.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::guitest;

namespace {

std::unique_ptr<TFomi> makeWindow(const QString& port, const QStringList& arguments = {}) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    options.extraPorts = {port};
    options.arguments = arguments;
    options.systemPorts = false;
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    auto* cbC = child<QComboBox>(w.get(), "cbC");
    cbC->setCurrentIndex(cbC->findText(port));
    w->cbCClick(cbC);
    return w;
}

// The command codes of the requests the simulator received.
QList<int> commands(const Sim& sim) {
    QList<int> out;
    for (const QString& line : sim.Requests()) out << line.section(' ', 4, 4).toInt();
    return out;
}

QLineEdit* edit(TFomi& w, const QString& name) { return child<QLineEdit>(w.configPage->Ppar(), name); }

// Types into an edit as the keyboard would (every change is collected).
void type(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
}

QColor textColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

// With OMI_SHOT_DIR set (a run under a real display), the window as the user
// sees it is saved there as <name>.png for review.
void shot(TFomi& w, const char* name) {
    const QString dir = qEnvironmentVariable("OMI_SHOT_DIR");
    if (dir.isEmpty()) return;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(200);
    w.grab().save(dir + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".png"));
}

}  // namespace

class ConfigPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { SetDisplayFormat(QStringLiteral("%f")); }

    // Defaults shown because nothing was read (the calibration page opened
    // first) are marked as defaults and never written, edited or not; the
    // configuration read from the device is; another device drops it all.
    void onlyTheDevicesConfigurationIsWritable() {
        DataFolder data;
        Sim a({"--pty", "--type", "234", "--serial", "5"});
        Sim b({"--pty", "--type", "234", "--serial", "6"});
        auto w = OpenWindow(a.Pty(), QStringLiteral("0"));
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 5);
        w->PCW()->setCurrentWidget(w->TSk);
        TConfigEditor* editor = w->configPage->Editor();
        QVERIFY(editor && editor->parentWidget() == child<QWidget>(w.get(), "Pcal"));
        QCOMPARE(w->configPage->ConfigSource(), TConfigPage::Source::ShownDefaults);
        QVERIFY(!w->Action("ASetPar")->isEnabled());
        QVERIFY(!w->PCW()->isTabEnabled(w->PCW()->indexOf(w->TSwr)));
        QVERIFY2(w->LuState->text().endsWith(TConfigPage::kShownDefaultsText), qPrintable(w->LuState->text()));
        QVERIFY(!w->LuState->text().contains("правильные значения"));
        // An edit of the defaults does not make them writable.
        type(child<QLineEdit>(editor, "Epar4"), "12");
        QVERIFY(!w->Action("ASetPar")->isEnabled());
        QVERIFY(!w->LuState->text().contains("правильные значения"));
        DialogScript dialogs;
        dialogs.answers = {DialogAnswer{1, {}}};
        w->Action("ASetPar")->trigger();  // disabled: nothing happens
        QVERIFY(dialogs.asked.isEmpty());
        QVERIFY(!commands(a).contains(cmd::WriteConfig));

        // Read from the device: writable, edited or not.
        w->Action("AreadParam")->trigger();
        QCOMPARE(w->configPage->ConfigSource(), TConfigPage::Source::Device);
        QVERIFY(w->Action("ASetPar")->isEnabled());
        type(child<QLineEdit>(w->configPage->Editor(), "Epar4"), "12");
        QVERIFY(w->Action("ASetPar")->isEnabled());

        // Another device on the line: the edit and the write are gone.
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        cbC->addItem(b.Pty());
        cbC->setCurrentIndex(cbC->findText(b.Pty()));
        Q_EMIT cbC->activated(cbC->currentIndex());
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 6);
        QVERIFY(!w->Action("ASetPar")->isEnabled());
        QVERIFY(w->configPage->ConfigSource() != TConfigPage::Source::Device);
        if (TConfigEditor* shown = w->configPage->Editor()) QVERIFY(child<QLineEdit>(shown, "Epar4")->text() != "12");
        w->Action("ASetPar")->trigger();
        QVERIFY(dialogs.asked.isEmpty());
        QVERIFY(!commands(b).contains(cmd::WriteConfig));
    }

    void reading234AndEditingBothHeatSystems() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234"});
        auto w = makeWindow(sim.Pty());
        // Page and writes stay off until a configuration is there.
        QVERIFY(!w->PCW()->isTabEnabled(w->PCW()->indexOf(w->TSwr)));
        QVERIFY(!w->Action("ASetPar")->isEnabled());

        // The reading identifies the device first, then asks for command 5.
        w->Action("AreadParam")->trigger();
        QCOMPARE(commands(sim), QList<int>({0, 5}));
        QVERIFY(w->LuState->text().endsWith(": Конфигурация успешно прочитана"));
        QVERIFY(Flags().configRead);
        QCOMPARE(w->PCW()->currentWidget(), w->TSwr);
        QVERIFY(w->PCW()->isTabEnabled(w->PCW()->indexOf(w->TSwr)));
        QVERIFY(w->Action("ASetPar")->isEnabled());
        QVERIFY(w->Action("ASaveDateTime")->isEnabled());
        QWidget* ppar = w->configPage->Ppar();
        QVERIFY(ppar->isVisibleTo(w.get()));

        auto* selector = child<TRadioGroup>(ppar, "RGsys");
        QVERIFY(selector->isVisibleTo(w.get()));
        QCOMPARE(selector->ItemIndex(), 0);
        QCOMPARE(edit(*w, "Epar1")->text(), QString("100,0"));
        QCOMPARE(child<QLabel>(ppar, "Lpar1")->text(), QString("вес имп.Vп л/имп"));
        QCOMPARE(edit(*w, "Epar7")->text(), QString("5"));
        QCOMPARE(edit(*w, "Edog1")->text(), QString("90,0"));
        QCOMPARE(child<QCheckBox>(ppar, "CBsum")->text(), QString("Суммировать при наличии нефатальных ошибок"));
        QCOMPARE(child<QCheckBox>(ppar, "CBsecondT")->text(), QString("Использовать 2-ю t°C XBC для открытых систем"));
        shot(*w, "config234");

        // Heat system 2: the report day is common, a contract value and its
        // flag belong to the system.
        selector->Button(1)->click();
        QCOMPARE(selector->ItemIndex(), 1);
        type(edit(*w, "Epar4"), "17");
        type(edit(*w, "Edog1"), "95,5");
        child<QCheckBox>(ppar, "CBdog2")->click();
        u34::ConfigPair& pair = w->Line().Records().f234.config;
        QCOMPARE(int(pair[0].reportDay), 17);
        QCOMPARE(int(pair[1].reportDay), 17);
        QCOMPARE(pair[1].contractT1, 95.5);
        QCOMPARE(pair[0].contractT1, 90.0);
        QCOMPARE(u34::SetPar(pair).data[36], 0x10);  // Tо of system 2
        QVERIFY(u34::SetPar(pair).mismatch.isEmpty());
        QCOMPARE(w->LuState->text(), QString("правильные значения"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Ok);

        // Back on system 1 the page shows its own contract value and the shared day.
        selector->Button(0)->click();
        QCOMPARE(edit(*w, "Edog1")->text(), QString("90,0"));
        QCOMPARE(edit(*w, "Epar4")->text(), QString("17"));
        QVERIFY(!child<QCheckBox>(ppar, "CBdog2")->isChecked());

        // The weight unit: a click on the label, 12.34 имп/л, a click back.
        auto* label1 = child<QLabel>(ppar, "Lpar1");
        QTest::mouseClick(label1, Qt::LeftButton);
        QCOMPARE(label1->text(), QString("вес имп.Vп имп/л"));
        QCOMPARE(textColour(label1), QColor(255, 0, 0));
        type(edit(*w, "Epar1"), "12.34");
        QCOMPARE(pair[0].weight1, 34002.0);
        QTest::mouseClick(label1, Qt::LeftButton);
        QCOMPARE(label1->text(), QString("вес имп.Vп л/имп"));
        QCOMPARE(textColour(label1), QColor(0, 0, 128));
        QCOMPARE(edit(*w, "Epar1")->text(), QString("12.34"));
        QCOMPARE(pair[0].weight1, 123.4);
        QCOMPARE(int(u34::SetPar(pair).data[0]), 123);

        // A wrong weight names its label in red.
        type(edit(*w, "Epar2"), "-1");
        QCOMPARE(w->LuState->text(), QString("вес имп.Vo л/имп=\"-1\"-неправильное значение"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        type(edit(*w, "Epar2"), "100");

        // Entering an edit lights its label up, leaving puts it back.
        auto* dayLabel = child<QLabel>(ppar, "Lpar4");
        QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
        QApplication::sendEvent(edit(*w, "Epar4"), &in);
        QVERIFY(dayLabel->autoFillBackground());
        QCOMPARE(dayLabel->palette().color(QPalette::Window), ppar->palette().color(QPalette::ToolTipBase));
        QApplication::sendEvent(edit(*w, "Epar4"), &out);
        QVERIFY(!dayLabel->autoFillBackground());

        // A closed system has no cold-water temperatures; an open one has.
        auto* typeBox = child<QComboBox>(ppar, "CBsysType");
        auto* second = child<QCheckBox>(ppar, "CBsecondT");
        typeBox->setCurrentIndex(1);
        QCOMPARE(typeBox->currentText(), QString("закрытая, расходомер на обратке"));
        for (const char* name : {"Epar7", "Epar8"}) QVERIFY(!edit(*w, name)->isEnabled());
        QVERIFY(!second->isEnabled());
        QVERIFY(!child<QDateEdit>(ppar, "DTPfirst")->isEnabled());
        QVERIFY(!child<QDateEdit>(ppar, "DTPlast")->isEnabled());
        typeBox->setCurrentIndex(2);
        QVERIFY(edit(*w, "Epar7")->isEnabled());
        QVERIFY(second->isEnabled());
        QVERIFY(!edit(*w, "Epar8")->isEnabled());
        if (!second->isChecked()) second->click();
        QVERIFY(edit(*w, "Epar8")->isEnabled());
        QVERIFY(child<QDateEdit>(ppar, "DTPfirst")->isEnabled());
        QCOMPARE(pair[0].systemType, 3);
        QCOMPARE(pair[1].systemType, 1);

        // A first month 13 in the record shows as January, and is collected so.
        for (auto& rec : pair) {
            rec.firstMonth = 13;
            rec.firstDay = 31;
        }
        selector->Button(1)->click();
        const QDate first = child<QDateEdit>(ppar, "DTPfirst")->date();
        QCOMPARE(first.month(), 1);
        QCOMPARE(first.day(), 31);
        QCOMPARE(int(pair[0].firstMonth), 1);
        QCOMPARE(int(pair[1].firstMonth), 1);

        // Another device addressed by hand: the editor goes.
        QVERIFY(w->configPage->Editor());
        Q_EMIT w->DeviceAddressEntered();
        QVERIFY(!w->configPage->Editor());
    }

    // The first press of "Конфигурация" shows the editor on its enabled
    // page, on every device type, at the user's and at the service level.
    void firstPressShowsTheEditor_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("service");
        for (int type : {234, 235, 229, 228, 227, 225, 128})
            for (bool service : {false, true})
                QTest::addRow("%d %s", type, service ? "service" : "user") << type << service;
    }

    void firstPressShowsTheEditor() {
        QFETCH(int, type);
        QFETCH(bool, service);
        DataFolder data;
        Sim sim({"--pty", "--type", QString::number(type)});
        auto w = makeWindow(sim.Pty(), service ? QStringList{TFomi::kServiceCode} : QStringList{});
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->Action("AreadParam")->trigger();
        QVERIFY2(w->LuState->text().endsWith(": Конфигурация успешно прочитана"), qPrintable(w->LuState->text()));
        QCOMPARE(w->PCW()->currentWidget(), w->TSwr);
        QVERIFY(w->PCW()->isTabEnabled(w->PCW()->indexOf(w->TSwr)));
        QVERIFY(w->configPage->Editor());
        QVERIFY(w->configPage->Editor()->isVisible());
        QCOMPARE(w->configPage->Editor()->DeviceType(), type);
    }

    // A value that is not a number is an error at its edit: the status names
    // the field, the configuration keeps what it held, the edit keeps the
    // focus against Tab and the write is off until the value is right.
    void valueThatIsNoNumberIsAnErrorAtItsEdit_data() {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("status");
        QTest::newRow("234 minimum flow") << 234 << "Epar5"
                                          << "Минимальный расход=\"абв\"-неправильное значение";
        QTest::newRow("234 weight") << 234 << "Epar1"
                                    << "вес имп.Vп л/имп=\"абв\"-неправильное значение";
        QTest::newRow("234 contract") << 234 << "Edog4"
                                      << "Договорное Pп=\"абв\"-неправильное значение";
        QTest::newRow("229 report day") << 229 << "Epar4"
                                        << "Отчетный день=\"абв\"-неправильное значение";
        QTest::newRow("229 maximum flow") << 229 << "Epar6"
                                          << "Максимальный расход=\"абв\"-неправильное значение";
        QTest::newRow("228 minimum flow") << 228 << "Epar5"
                                          << "абв-неправильное значение";
        QTest::newRow("225 electricity weight") << 225 << "Epar4"
                                                << "вес имп. счетчика ЭЭ=\"абв\"-неправильное значение";
        QTest::newRow("227 weight") << 227 << "Epar2"
                                    << "вес имп.2-го р-мера,л/имп=\"абв\"-неправильное значение";
        QTest::newRow("ЛОРС weight") << 128 << "Ew1"
                                     << "абв-неправильное значение";
    }

    void valueThatIsNoNumberIsAnErrorAtItsEdit() {
        QFETCH(int, deviceType);
        QFETCH(QString, field);
        QFETCH(QString, status);
        DataFolder data;
        Sim sim({"--pty", "--type", QString::number(deviceType)});
        auto w = makeWindow(sim.Pty());
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->Action("AreadParam")->trigger();
        QCOMPARE(w->Line().Type(), deviceType);
        const QStringList before = ConfigValueTexts(w->Line());
        QLineEdit* e = edit(*w, field);
        const QString right = e->text();
        e->setFocus();
        e->selectAll();
        e->insert(QStringLiteral("абв"));  // as typed
        QTest::keyClick(e, Qt::Key_Tab);
        QCOMPARE(w->LuState->text(), status);
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QCOMPARE(QApplication::focusWidget(), e);
        QCOMPARE(ConfigValueTexts(w->Line()), before);
        QVERIFY(!w->Action("ASetPar")->isEnabled());

        type(e, right);
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Ok);
        QVERIFY(w->Action("ASetPar")->isEnabled());
        QTest::keyClick(e, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != e);
    }

    void device235HasNoSystemSelector() {
        DataFolder data;
        Sim sim({"--pty", "--type", "235"});
        auto w = makeWindow(sim.Pty());
        w->Action("AreadParam")->trigger();
        QVERIFY(Flags().configRead);
        QWidget* ppar = w->configPage->Ppar();
        QVERIFY(!child<TRadioGroup>(ppar, "RGsys")->isVisibleTo(w.get()));
        QCOMPARE(w->configPage->Editor()->System(), 0);
        type(edit(*w, "Epar4"), "9");
        type(edit(*w, "Edog3"), "7");
        u34::ConfigPair& pair = w->Line().Records().f234.config;
        QCOMPARE(int(pair[0].reportDay), 9);
        QCOMPARE(int(pair[1].reportDay), 9);
        QCOMPARE(pair[0].contractT3, 7.0);
        QCOMPARE(pair[1].contractT3, 70.0);
        const u34::SetParResult data94 = u34::SetPar(pair);
        QVERIFY(data94.ok);
        QVERIFY(data94.mismatch.isEmpty());

        // The page shown again (a click on its tab) reloads the record.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->PCW()->setCurrentWidget(w->TSW);
        pair[0].reportDay = 5;
        w->PCW()->setCurrentWidget(w->TSwr);
        QCOMPARE(edit(*w, "Epar4")->text(), QString("5"));

        // The defaults button puts the family's defaults in both records and on the page.
        child<QPushButton>(w->TSwr, "BConDef")->click();
        QVERIFY(w->LuState->text().endsWith(": Конфигурация задана по умолчанию"));
        QCOMPARE(int(pair[0].reportDay), 1);
        QCOMPARE(int(pair[1].reportDay), 1);
        QCOMPARE(pair[0].contractT3, 70.0);
        QCOMPARE(edit(*w, "Epar4")->text(), QString("1"));
        QCOMPARE(edit(*w, "Edog3")->text(), QString("70,0"));
    }

    void device225TariffStarts() {
        DataFolder data;
        Sim sim({"--pty", "--type", "225"});
        auto w = makeWindow(sim.Pty());
        w->Action("AreadParam")->trigger();
        QCOMPARE(commands(sim), QList<int>({0, 5}));
        QWidget* ppar = w->configPage->Ppar();
        auto* two = child<QCheckBox>(ppar, "CBtwoTariffs");
        auto* tariff1 = edit(*w, "MEtariff1");
        QCOMPARE(tariff1->inputMask(), QString("99:99;_"));
        QCOMPARE(tariff1->isEnabled(), two->isChecked());
        if (!two->isChecked()) two->click();
        QVERIFY(tariff1->isEnabled());
        QVERIFY(child<QLabel>(ppar, "Ltariff1")->isEnabled());

        tariff1->setFocus();
        tariff1->selectAll();
        QTest::keyClicks(tariff1, "2575");
        QCOMPARE(tariff1->text(), QString("01:15"));
        QCOMPARE(w->Line().Records().f225.config.tariff1Start, 75);
        QCOMPARE(w->Line().Records().f225.config.twoTariffs, 1);
        QVERIFY(w->LuState->text().endsWith("Данные правильные"));
        shot(*w, "config225");

        // A value outside its range is named.
        type(edit(*w, "Epar4"), "4000");
        QCOMPARE(w->LuState->text(), QString("выход за диапазон: вес имп. счетчика ЭЭ;"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
    }

    void lorsWeightNumbersOnlyThoseTheWriteCarries() {
        DataFolder data;
        Sim sim({"--pty", "--type", "128"});
        auto w = makeWindow(sim.Pty());
        w->Action("AreadParam")->trigger();
        QCOMPARE(commands(sim), QList<int>({0, 1}));
        QVERIFY(Flags().configRead);
        QWidget* ppar = w->configPage->Ppar();
        auto* channels = child<QComboBox>(ppar, "CBchannels");
        channels->setCurrentIndex(channels->findText("4"));
        type(edit(*w, "Ew1"), "2");
        QCOMPARE(child<QLabel>(ppar, "Lw1")->text(), QString("вес,1 кан, 10 литр/имп"));
        QCOMPARE(int(w->Line().Records().lors.config.weights[0]), 2);
        type(edit(*w, "Ew1"), "7");
        QCOMPARE(w->LuState->text(), QString("7-неправильное значение"));
        QCOMPARE(int(w->Line().Records().lors.config.weights[0]), 2);
        QVERIFY(u128::ConfigWriteRequest(w->Line().Serial(), w->Line().Records().lors.config).has_value());

        channels->setCurrentIndex(channels->findText("2"));
        QVERIFY(edit(*w, "Ew2")->isVisibleTo(w.get()));
        QVERIFY(!edit(*w, "Ew3")->isVisibleTo(w.get()));
        QCOMPARE(w->Line().Records().lors.config.channels, 2);
        shot(*w, "config128");
    }

    void twentyBadAnswersShowTheFailure() {
        DataFolder data;
        Sim sim({"--pty", "--bad-check", "1"});
        auto w = makeWindow(sim.Pty());
        w->Line().SetDevice(417, 234);
        w->Action("AreadParam")->trigger();
        QCOMPARE(w->LuState->text(), QString("Ошибка связи Повторите..."));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QCOMPARE(commands(sim), QList<int>(kReadAttempts, 5));
        QVERIFY(!Flags().configRead);
        QVERIFY(!w->configPage->Editor());
    }

    void serviceLevelDumpAndGrid() {
        DataFolder data;
        QTemporaryDir cwd;
        const QString before = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        Sim sim({"--pty", "--type", "234"});
        auto w = makeWindow(sim.Pty(), {TFomi::kServiceCode});
        QCOMPARE(Flags().accessLevel, 0);
        w->Action("AreadParam")->trigger();
        QVERIFY(Flags().configRead);

        // The dump goes into the data folder, never the working folder.
        QVERIFY(!QFile::exists(cwd.filePath(kConfigDumpFile)));
        QString error;
        const QStringList lines = ReadLines1251(data.Path(kConfigDumpFile), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 44 + u34::kConfigLength + 1);
        QCOMPARE(lines.mid(0, 44), ConfigValueTexts(w->Line()));
        QCOMPARE(lines[44], QString("000=100(64)"));
        QCOMPARE(lines.last(), QString("0"));

        QTableWidget* grid = w->sgsp;
        QCOMPARE(grid->columnCount(), 16);
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(grid->item(0, 0)->text(), QString("вес имп"));
        QCOMPARE(grid->item(1, 12)->text(), QString("день"));
        QCOMPARE(grid->item(2, 12)->text(), u34::ParamToText(w->Line().Records().f234.config, 0)[19]);
        QCOMPARE(grid->item(3, 3)->text(), QString("1"));
        QDir::setCurrent(before);
    }
};

QTEST_MAIN(ConfigPageTest)
#include "ConfigPageTest.moc"
