// The state view driven through the real window against omi-sim: reading a
// two-system, a one-system and a ЛОРС device, switching tabs, polling and its
// end on a failure, answers that never pass the check, the state log file,
// error decoding and the service-level grid and byte dump.

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchivePage.h"
#include "families/ErrBits.h"
#include "families/U28.h"
#include "families/U34.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "service/DeviceReading.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "state/StateView.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::guitest;

namespace {

std::unique_ptr<TFomi> makeWindow(const QString& port) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    options.extraPorts = {port};
    options.systemPorts = false;
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    return w;
}

QStringList tabNames(const QTabBar* tabs) {
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i) out << tabs->tabText(i);
    return out;
}

QStringList boxTexts(const TStateView& view) {
    QStringList out;
    for (QLineEdit* box : view.Boxes()) out << box->text();
    return out;
}

QStringList boxLabels(const TStateView& view, bool shownOnly) {
    QStringList out;
    for (QLineEdit* box : view.Boxes())
        if (!shownOnly || !box->isHidden()) out << view.LabelOf(box)->text();
    return out;
}

int stateRequests(const Sim& sim) {
    int n = 0;
    for (const QString& line : sim.Requests())
        if (line.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(4) == QStringLiteral("1")) ++n;
    return n;
}

QString statusText(const TFomi& w) { return w.LuState->text(); }

// The state action switched on (or off) as a click on its button does.
void toggleState(TFomi& w) { w.Action(QStringLiteral("Areadstate"))->trigger(); }

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return FromCp1251(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

}  // namespace

class StateViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoSystemsTabsLogAndHighlight() {
        DataFolder data;
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = makeWindow(sim.Pty());
        TStateView& view = *w->stateView;
        QCOMPARE(tabNames(view.TCSP), QStringList{TStateView::kOffTab});

        toggleState(*w);
        QVERIFY(statusText(*w).endsWith(QStringLiteral("Cостояние прочитано успешно")));
        QVERIFY(view.PAcSt->isVisibleTo(w.get()));
        QCOMPARE(tabNames(view.TCSP), QStringList({"состояние 1-й системы", "состояние 2-й системы"}));
        QCOMPARE(view.Boxes().size(), 17);
        const QStringList labels = boxLabels(view, false);
        QCOMPARE(labels.first(), QString("тепло, Гкал"));
        QCOMPARE(labels.at(6), QString("t°C, ГВС    "));
        QCOMPARE(labels.at(12), QString("код ошибки системы"));
        QCOMPARE(labels.last(), QString("Масса 3,Т"));
        const QStringList first = boxTexts(view);
        QCOMPARE(first, StateValueTexts(w->Line(), 0));
        // Only the error codes decode, and say so.
        QCOMPARE(view.Boxes().at(12)->toolTip(), TStateView::kHint);
        QCOMPARE(view.Boxes().at(13)->toolTip(), TStateView::kHint);
        QVERIFY(view.Boxes().at(0)->toolTip().isEmpty());
        QCOMPARE(view.LabelOf(view.Boxes().at(0))->palette().color(QPalette::WindowText), QColor(Qt::blue));

        // The log file starts with the tab change below.
        view.EFst->setText(cwd.filePath("журнал.txt"));
        view.CBstinf->click();
        QVERIFY(w->sgsp->isVisibleTo(w.get()));
        QCOMPARE(fileLines(cwd.filePath("журнал.txt")).size(), 3);

        // The second heat system comes from the same reading.
        const int requests = stateRequests(sim);
        view.TCSP->setCurrentIndex(1);
        QCOMPARE(stateRequests(sim), requests);
        QCOMPARE(boxTexts(view), StateValueTexts(w->Line(), 1));
        QVERIFY(boxTexts(view) != first);
        const QStringList log = fileLines(cwd.filePath("журнал.txt"));
        QCOMPARE(log.size(), 4);
        for (const QString& line : log) QVERIFY2(line.endsWith(QLatin1Char('\t')), qPrintable(line));
        QCOMPARE(log.at(0).split(QLatin1Char('\t')).mid(0, 3), QStringList({"ТЕПЛО", "объем", "объем"}));
        QCOMPARE(log.at(1).split(QLatin1Char('\t')).mid(4, 2), QStringList({"подача", "обратка"}));
        QCOMPARE(log.at(3).split(QLatin1Char('\t')).mid(0, 17), StateValueTexts(w->Line(), 1));
        QCOMPARE(w->sgsp->rowCount(), 4);
        QVERIFY(view.LogError().isEmpty());

        // A poll reads again and stays on the second heat system.
        view.TstTimer();
        QCOMPARE(stateRequests(sim), requests + 1);
        QCOMPARE(view.TCSP->currentIndex(), 1);
        QCOMPARE(boxTexts(view), StateValueTexts(w->Line(), 1));
        QCOMPARE(fileLines(cwd.filePath("журнал.txt")).size(), 5);

        // A log that cannot be written is noted, not shown.
        {
            DialogScript dialogs;
            const QString bad = cwd.filePath("нет такой папки/журнал.txt");
            view.EFst->setText(bad);
            view.TCSP->setCurrentIndex(0);
            QCOMPARE(view.LogError(), "НЕ МОГУ СОЗДАТЬ ФАЙЛ: " + bad);
            QVERIFY(dialogs.asked.isEmpty());
            QCOMPARE(boxTexts(view), StateValueTexts(w->Line(), 0));
            view.EFst->setText(cwd.filePath("журнал.txt"));
        }

        // Entering a box lights its label, leaving it puts the face colour back.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QLineEdit* heat = view.Boxes().at(0);
        heat->setFocus();
        QTRY_COMPARE(view.LabelOf(heat)->palette().color(QPalette::Window),
                     QApplication::palette().color(QPalette::ToolTipBase));
        view.Boxes().at(1)->setFocus();
        QTRY_COMPARE(view.LabelOf(heat)->palette().color(QPalette::Window),
                     QApplication::palette().color(QPalette::Button));

        // Deleting the log asks first.
        {
            DialogScript dialogs;
            dialogs.answers = {DialogAnswer{0, {}}};
            view.BitBtn3->click();
            QVERIFY(QFile::exists(cwd.filePath("журнал.txt")));
            dialogs.answers = {DialogAnswer{1, {}}, DialogAnswer{}};
            view.BitBtn3->click();
            QVERIFY(!QFile::exists(cwd.filePath("журнал.txt")));
            QCOMPARE(dialogs.asked.size(), 3);
            QCOMPARE(dialogs.asked.at(1).text, QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   "
                                                              "УНИЧТОЖИТЬ ФАЙЛ ") +
                                                   cwd.filePath("журнал.txt") + " ???");
            QCOMPARE(dialogs.asked.at(2).text, "нет больше файла: " + cwd.filePath("журнал.txt"));
        }

        // Switching the action off clears the view.
        view.CBfire->setChecked(true);
        toggleState(*w);
        QCOMPARE(tabNames(view.TCSP), QStringList{TStateView::kOffTab});
        QVERIFY(view.Boxes().isEmpty());
        QVERIFY(!view.CBfire->isChecked());
        QVERIFY(!view.PAcSt->isVisibleTo(w.get()));
        QDir::setCurrent(QDir::tempPath());
    }

    void oneSystemAndLorsFamilies() {
        DataFolder data;
        {
            Sim sim({"--pty", "--type", "227", "--serial", "31"});
            auto w = makeWindow(sim.Pty());
            toggleState(*w);
            TStateView& view = *w->stateView;
            QCOMPARE(tabNames(view.TCSP), QStringList{"состояние"});
            QCOMPARE(boxLabels(view, false),
                     QStringList({"ТЕПЛО, Гкал", "t°C, подача", "t°C, обратка", "t°C, ГВС", "объем 1,м3", "объем 2,м3",
                                  "объем ГВС, м3", "объем 3,м3", "код ошибки"}));
            QCOMPARE(boxTexts(view), StateValueTexts(w->Line(), 0));
        }
        {
            // A two-channel ЛОРС shows the channel count and channels 1 and 2.
            Sim sim({"--pty", "--type", "128", "--serial", "5"});
            auto w = makeWindow(sim.Pty());
            w->AreadNoTuExecute();
            QCOMPARE(w->Line().Type(), 128);
            QString error;
            const auto write = w->Line().BuildFrame(cmd::LorsWriteConfig, {2, 0xAA}, &error);
            QVERIFY2(write, qPrintable(error));
            Frame answer;
            QVERIFY(w->Engine().Exchange(*write, answer));
            toggleState(*w);
            TStateView& view = *w->stateView;
            QCOMPARE(tabNames(view.TCSP), QStringList{"состояние"});
            QCOMPARE(view.Boxes().size(), 17);
            QCOMPARE(view.Boxes().first()->text(), QString("2"));
            QCOMPARE(boxLabels(view, true), QStringList({"модификация ЛОРС (кол-во каналов) ", "Импульсы,1 кан",
                                                         "Импульсы,2 кан", "№ веса,1 кан", "№ веса,2 кан", "вес,1 кан",
                                                         "вес,2 кан", "итого,1 кан", "итого,2 кан"}));
            // ЛОРС values decode nothing.
            for (QLineEdit* box : view.Boxes()) QVERIFY(box->toolTip().isEmpty());
        }
    }

    void pollingAndItsEndOnFailure() {
        DataFolder data;
        // Four answers, then silence.
        Sim sim({"--pty", "--type", "235", "--serial", "9", "--mute-after", "4"});
        auto w = makeWindow(sim.Pty());
        TStateView& view = *w->stateView;
        view.SEfire->setValue(1);
        view.CBfire->setChecked(true);
        toggleState(*w);  // identification (1 answer) and the first reading (2)
        QCOMPARE(tabNames(view.TCSP), QStringList{"состояние"});
        QCOMPARE(view.Tst->interval(), 1000);
        QVERIFY(view.Tst->isActive());
        QCOMPARE(stateRequests(sim), 1);
        // Polls 3 and 4 are answered, the next one is not.
        QTRY_VERIFY_WITH_TIMEOUT(statusText(*w) == "НЕТ СВЯЗИ: нет ответа через порт " + sim.Pty(), 30000);
        QTRY_VERIFY(!view.Reading());
        QVERIFY(stateRequests(sim) >= 4);
        QVERIFY(!view.Tst->isActive());
        // The polling has ended, and "очередями" says so.
        QVERIFY(!view.CBfire->isChecked());
        // The failed poll emptied the boxes before reading.
        for (QLineEdit* box : view.Boxes()) QVERIFY(box->text().isEmpty());
        const int requests = stateRequests(sim);
        QTest::qWait(1500);
        QCOMPARE(stateRequests(sim), requests);

        // The period follows the spin edit; unticking stops the next tick.
        view.SEfire->setValue(5);
        QCOMPARE(view.Tst->interval(), 5000);
        view.CBfire->setChecked(false);
        view.CBfireClick();
        QVERIFY(!view.Tst->isActive());
    }

    void noSecondReadingInsideTheWait() {
        DataFolder data;
        Sim sim({"--pty", "--type", "235", "--serial", "9", "--delay", "300"});
        auto w = makeWindow(sim.Pty());
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Type(), 235);
        TStateView& view = *w->stateView;
        view.CBfire->setChecked(true);
        // While the first answer is awaited: a timer tick and a click that
        // switches the view off.
        bool inside = false;
        QTimer::singleShot(100, w.get(), [&] {
            inside = view.Reading();
            view.TstTimer();
            toggleState(*w);
        });
        toggleState(*w);
        QVERIFY(inside);
        QCOMPARE(stateRequests(sim), 1);
        // The switch-off waited for the reading's end.
        QVERIFY(!w->Action("Areadstate")->isChecked());
        QCOMPARE(tabNames(view.TCSP), QStringList{TStateView::kOffTab});
        QVERIFY(view.Boxes().isEmpty());
        QVERIFY(!view.Tst->isActive());
        QVERIFY(!view.CBfire->isChecked());
    }

    void badCheckByteEveryTime() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417", "--bad-check", "1"});
        auto w = makeWindow(sim.Pty());
        w->Line().SetDevice(417, 234);
        TStateView& view = *w->stateView;
        view.CBfire->setChecked(true);
        QStringList busy;
        QTimer spy;
        connect(&spy, &QTimer::timeout, [&] {
            const QString t = statusText(*w);
            if (t.contains("попытка") && (busy.isEmpty() || busy.last() != t)) busy << t;
        });
        spy.start(1);
        toggleState(*w);
        spy.stop();
        QCOMPARE(stateRequests(sim), kReadAttempts);
        QCOMPARE(statusText(*w), QStringLiteral("Ошибка связи Повторите..."));
        QVERIFY(!view.Tst->isActive());
        QVERIFY(!view.CBfire->isChecked());
        QVERIFY(!view.StateRead());
        QVERIFY(view.Boxes().isEmpty());
        // The attempts count up on the status line.
        QVERIFY(!busy.isEmpty());
        QVERIFY(busy.last().endsWith(QStringLiteral("Чтение состояния. Ждите... попытка № 20")));
    }

    // The window at the smallest usual size, on a full-HD screen and at its
    // minimum: every value fits its box, the boxes spread over a wide page,
    // and at the minimum height three rows stay in sight.
    void layoutAtEverySize_data() {
        QTest::addColumn<bool>("service");
        QTest::newRow("user") << false;
        QTest::newRow("service level, with its grid") << true;
    }

    void layoutAtEverySize() {
        QFETCH(bool, service);
        DataFolder data;
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {sim.Pty()};
        options.systemPorts = false;
        if (service) options.arguments = {TFomi::kServiceCode};
        auto w = std::make_unique<TFomi>(options);
        w->AcreateExecute();
        TStateView& view = *w->stateView;
        w->resize(1102, 560);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        toggleState(*w);
        QCOMPARE(view.Boxes().size(), 17);
        const int rowHeight = view.Boxes().first()->sizeHint().height();
        for (const QSize size : {QSize(1102, 560), QSize(1102, 300), QSize(1920, 1080)}) {
            w->resize(size);
            QTest::qWait(20);
            const QString at = QStringLiteral("%1x%2").arg(w->width()).arg(w->height());
            for (QLineEdit* box : view.Boxes()) {
                const int needed = box->fontMetrics().horizontalAdvance(box->text()) + 8;
                QVERIFY2(box->width() >= needed && box->height() >= rowHeight,
                         qPrintable(at + ": " + view.LabelOf(box)->text() + " " + box->text()));
            }
            QVERIFY2(view.Poiold->height() >= 3 * rowHeight, qPrintable(at));
            if (size.width() == 1920) {
                // The rightmost boxes stand in the right part of the page.
                int right = 0;
                for (QLineEdit* box : view.Boxes())
                    right = std::max(right, box->mapTo(view.Poiold, QPoint(box->width(), 0)).x());
                QVERIFY2(right > view.Poiold->width() * 3 / 4, qPrintable(QString::number(right)));
            }
        }
    }

    // A loaded archive file shows under the state area; a state reading
    // afterwards unchecks the file and leaves the area to the state view.
    void stateReadingAfterALoadedFile() {
        DataFolder data;
        QTemporaryDir dir;
        const QString file = dir.filePath("архив.Arh");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Four daily records of the 234 (day number at 228, hour at 224),
        // the last four days.
        for (int i = 4; i >= 1; --i) {
            QByteArray record(232, '\0');
            const qint32 day = QDate(1999, 12, 31).daysTo(QDate::currentDate().addDays(-i));
            std::memcpy(record.data() + 228, &day, sizeof day);
            f.write(record);
        }
        f.close();
        SetFileDialogHook([&](const FileDialogRequest&) { return file; });
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = makeWindow(sim.Pty());
        w->resize(1102, 560);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->AreadNoTuExecute();
        QAction* load = w->Action("AreadFileArh");
        load->trigger();
        SetFileDialogHook({});
        QVERIFY(load->isChecked());
        QVERIFY(w->archivePage->FileGrid()->isVisibleTo(w.get()));
        QCOMPARE(w->Line().Serial(), 417);

        toggleState(*w);
        QVERIFY(statusText(*w).endsWith(QStringLiteral("Cостояние прочитано успешно")));
        QVERIFY(!load->isChecked());
        QVERIFY(!w->archivePage->FileGrid()->isVisibleTo(w.get()));
        QTest::qWait(20);
        QVERIFY2(w->stateView->Poiold->height() > w->PState->height() / 2,
                 qPrintable(QString::number(w->stateView->Poiold->height())));
    }

    void errorDecoding_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const QStringList& sys = u34::SystemErrorTexts();
        QTest::newRow("234 system 5") << 234 << 2 << 5
                                      << ("Код=1:\n\r" + sys.at(1) + "\n\rКод=4:\n\r" + sys.at(3) + "\n\r");
        QTest::newRow("234 device 32") << 234 << 1 << 32 << QString("Код=32:\n\rнеизвестный\n\r");
        QTest::newRow("234 system 0") << 234 << 2 << 0 << QString(" НОРМА");
        QTest::newRow("ЛОРС has no tables")
            << 128 << 1 << 1 << QString("для ЛОРС расшифровка кодов ошибок не предусмотрена");
    }

    void errorDecoding() {
        QFETCH(int, type);
        QFETCH(int, tag);
        QFETCH(int, code);
        QFETCH(QString, expected);
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.systemPorts = false;
        TFomi w(options);
        w.Line().SetDevice(417, type);
        w.Line().Records().f234.state[0].systemError = tag == 2 ? code : 0;
        w.Line().Records().f234.state[0].deviceError = tag == 1 ? code : 0;
        DialogScript dialogs;
        QObject sender;
        sender.setProperty("tag", tag);
        w.stateView->AErrDecExecute(&sender);
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.first().text, expected);
    }

    void family228FreeAreaAndBoxDoubleClick() {
        DataFolder data;
        Sim sim({"--pty", "--type", "228", "--serial", "77"});
        auto w = makeWindow(sim.Pty());
        toggleState(*w);
        TStateView& view = *w->stateView;
        QCOMPARE(tabNames(view.TCSP), QStringList({"состояние 1-й системы", "состояние 2-й системы"}));
        view.TCSP->setCurrentIndex(1);
        w->Line().Records().f228.state[1].systemError = 0x101;
        DialogScript dialogs;
        QTest::mouseDClick(view.Poiold, Qt::LeftButton, {}, QPoint(2, view.Poiold->height() - 3));
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.first().text,
                 "Код=1:\n\r" + u28::SystemErrorTexts().at(1) + "\n\rКод=256:\n\rнеизвестный\n\r");
        // The device code box of the second system.
        w->Line().Records().f228.state[1].deviceError = 0;
        QLineEdit* device = view.Boxes().at(12);
        QCOMPARE(view.LabelOf(device)->text(), QString("код ошибки устройства"));
        QTest::mouseDClick(device, Qt::LeftButton);
        QCOMPARE(dialogs.asked.size(), 2);
        QCOMPARE(dialogs.asked.at(1).text, u28::DeviceErrorTexts().at(0));
    }

    void serviceLevelGridAndByteDump() {
        DataFolder data;
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {sim.Pty()};
        options.systemPorts = false;
        options.arguments = {TFomi::kServiceCode};
        TFomi w(options);
        w.AcreateExecute();
        QCOMPARE(Flags().accessLevel, 0);
        toggleState(w);
        QVERIFY(w.sgsp->isVisibleTo(&w));
        QCOMPARE(w.sgsp->columnCount(), 17);
        QCOMPARE(w.sgsp->item(0, 14)->text(), QString("масса"));
        QCOMPARE(w.sgsp->item(1, 14)->text(), QString("1,т"));
        QCOMPARE(w.sgsp->item(2, 0)->text(), StateValueTexts(w.Line(), 0).first());

        QVERIFY(!QFile::exists(cwd.filePath(kStateDumpFile)));
        const QStringList dump = fileLines(data.Path(kStateDumpFile));
        QCOMPARE(dump.size(), 17 + 129 + 1);
        QCOMPARE(dump.mid(0, 17), StateValueTexts(w.Line(), 0));
        QCOMPARE(dump.at(17), QString("000=129 hex=81"));
        QCOMPARE(dump.at(18), QString("001=234 hex=EA"));
        QCOMPARE(dump.last(), QString("0"));
        QDir::setCurrent(QDir::tempPath());
    }
};

QTEST_MAIN(StateViewTest)
#include "StateViewTest.moc"
