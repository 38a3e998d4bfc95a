// The window under a real window manager (Xvfb with openbox, see
// wm/run-under-wm): every question of the program is the real dialog, closed
// by a click or a key delivered to it, so the main window really loses and
// regains its activation. Against omi-sim on a pseudo-terminal: each device
// write goes out after its question and the device stays identified; a "НЕТ"
// sends nothing and loses nothing; the ЗОРТ manager closed, or opening a
// logger file, leaves the device and the archive shown; a configuration edit
// survives a closed question and is what the write sends.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "archives/LoggerImport.h"
#include "archives/LoggerManager.h"
#include "config/ConfigEditors.h"
#include "config/ConfigPage.h"
#include "logger/LoggerFile.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "service/WriteActions.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "shell/TFmd.h"
#include "support/LoggerFileWriter.h"
#include "support/Paths.h"

using namespace omi;
using namespace omi::guitest;

namespace {

// Generous: the machine running the tests may be slow and busy.
constexpr int kTimeout = 60000;

// The simulator's requests of one command, as decimal bytes.
QStringList requestsOf(const Sim& sim, int command) {
    QStringList out;
    for (const QString& line : sim.Requests())
        if (line.section(' ', 4, 4).toInt() == command) out << line;
    return out;
}

// Answers the next window of the program that comes up, once the window
// manager has made it the active window: `answer` gets it and clicks or
// types into it. Polls, so that it also works inside a dialog's own loop.
class Answerer : public QObject {
public:
    using Answer = std::function<void(QWidget*)>;
    Answerer() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    }
    // `wanted` picks the window to answer among the top-level windows.
    void Arm(std::function<bool(QWidget*)> wanted, Answer answer) {
        wanted_ = std::move(wanted);
        answer_ = std::move(answer);
        answered_ = false;
        clock_.start();
        timer_.start();
    }
    bool Answered() const { return answered_; }

private:
    void poll() {
        if (!answer_) return;
        QWidget* target = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && wanted_(top)) target = top;
        // Given up: a window that never became active is still closed, so
        // that the test fails on its checks instead of hanging.
        const bool late = clock_.elapsed() > kTimeout;
        if (!target || (!target->isActiveWindow() && !late)) return;
        timer_.stop();
        answered_ = !late;
        Answer answer = std::move(answer_);
        answer_ = nullptr;
        answer(target);
    }

    std::function<bool(QWidget*)> wanted_;
    Answer answer_;
    bool answered_ = false;
    QElapsedTimer clock_;
    QTimer timer_;
};

bool isQuestion(QWidget* w) { return qobject_cast<TFmd*>(w) != nullptr; }
bool isLoggerManager(QWidget* w) { return qobject_cast<TFZORT*>(w) != nullptr; }

// "ДА" clicked with the mouse; "НЕТ" by Enter (the default button).
void clickYes(QWidget* w) { QTest::mouseClick(static_cast<TFmd*>(w)->YesButton(), Qt::LeftButton); }
void enterNo(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

class WmWindow {
public:
    explicit WmWindow(const QString& port) {
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.extraPorts = {port};
        options.systemPorts = false;
        // The service level: every page and write action is there.
        options.arguments = {TFomi::kServiceCode};
        w = std::make_unique<TFomi>(options);
        w->show();
    }
    // Shown, activated by the window manager and prepared once.
    bool Up() {
        if (!QTest::qWaitForWindowExposed(w.get(), kTimeout)) return false;
        QElapsedTimer clock;
        clock.start();
        while (!(w->isActiveWindow() && w->PreparationCount() == 1) && clock.elapsed() < kTimeout) QTest::qWait(20);
        return w->isActiveWindow() && w->PreparationCount() == 1;
    }
    // Back in the main window after another window closed: the window
    // manager activated it again and the window saw that activation.
    bool BackFrom(int refreshesBefore) {
        QElapsedTimer clock;
        clock.start();
        while (!(w->isActiveWindow() && w->RefreshCount() > refreshesBefore) && clock.elapsed() < kTimeout)
            QTest::qWait(20);
        // Whatever the activation queued runs now.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return w->isActiveWindow() && w->RefreshCount() > refreshesBefore;
    }
    std::unique_ptr<TFomi> w;
};

}  // namespace

class ReactivationWmTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SetDialogHook({}); }

    // Each write asked with the real question, "ДА" clicked: the request
    // reaches the simulator and the device stays the window's; "НЕТ" by
    // Enter sends nothing and keeps everything.
    void writesGoOutAfterTheQuestion() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        WmWindow win(sim.Pty());
        TFomi& w = *win.w;
        QVERIFY(win.Up());
        w.Action("AreadNoTu")->trigger();
        QCOMPARE(w.Line().Serial(), 417);
        w.Action("AreadParam")->trigger();
        QVERIFY(w.configPage->Editor());
        QVERIFY(w.Action("ASetPar")->isEnabled());

        struct Write {
            const char* action;
            int command;
            const char* status;
        };
        const Write writes[] = {
            {"ASaveDateTime", cmd::SetClock, nullptr},
            {"ASetPar", cmd::WriteConfig, nullptr},
            {"ASetDevice", cmd::Init, "успешно инициализировано устройство"},
            {"AsetWorkTime", cmd::StartWorkTime, "успешно начат отсчет времени работы"},
            {"ASetArh", cmd::ClearArchives, nullptr},
        };
        Answerer answerer;
        for (const Write& write : writes) {
            const QString name = QString::fromUtf8(write.action);
            QVERIFY2(w.Action(name)->isEnabled(), write.action);
            // "НЕТ": nothing sent.
            const qsizetype before = requestsOf(sim, write.command).size();
            int refreshes = w.RefreshCount();
            answerer.Arm(isQuestion, enterNo);
            w.Action(name)->trigger();
            QVERIFY2(answerer.Answered(), write.action);
            QVERIFY2(win.BackFrom(refreshes), write.action);
            QCOMPARE(requestsOf(sim, write.command).size(), before);
            QCOMPARE(w.Line().Serial(), 417);

            // "ДА": the request goes out, the device is still the window's.
            refreshes = w.RefreshCount();
            answerer.Arm(isQuestion, clickYes);
            w.Action(name)->trigger();
            QVERIFY2(answerer.Answered(), write.action);
            QVERIFY2(win.BackFrom(refreshes), write.action);
            QVERIFY2(requestsOf(sim, write.command).size() == before + 1, qPrintable(name + ": " + w.LuState->text()));
            QCOMPARE(LabelStyle(w.LuState), StatusStyle::Ok);
            if (write.status) QVERIFY2(w.LuState->text().endsWith(write.status), qPrintable(w.LuState->text()));
            QCOMPARE(w.Line().Serial(), 417);
            QCOMPARE(w.Line().Type(), 234);
            QCOMPARE(w.ENo->text(), QString("417"));
            QCOMPARE(w.Etype->text(), ModelName(234));
            // The configuration read stays on its page, writable.
            QVERIFY(w.configPage->Editor());
            QVERIFY(w.Action("ASetPar")->isEnabled());
            QCOMPARE(w.PreparationCount(), 1);
        }

        // The new number: sent, and the device answers under it.
        w.writeActions->SEDN->setValue(418);
        const int refreshes = w.RefreshCount();
        answerer.Arm(isQuestion, clickYes);
        w.Action("ASetNO")->trigger();
        QVERIFY(answerer.Answered());
        QVERIFY(win.BackFrom(refreshes));
        QCOMPARE(requestsOf(sim, cmd::NetworkNumber).size(), 1);
        QCOMPARE(w.Line().Serial(), 418);
        QCOMPARE(w.ENo->text(), QString("418"));
        w.Action("AreadNoTu")->trigger();
        QCOMPARE(w.Line().Serial(), 418);
        QCOMPARE(w.PreparationCount(), 1);
    }

    // A report day typed on the configuration page survives a question
    // closed with "НЕТ"; "ДА" then writes it, and the device reads it back.
    void configurationEditSurvivesAQuestion() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        WmWindow win(sim.Pty());
        TFomi& w = *win.w;
        QVERIFY(win.Up());
        w.Action("AreadParam")->trigger();
        QCOMPARE(w.Line().Serial(), 417);
        QCOMPARE(w.PCW()->currentWidget(), w.TSwr);
        auto* day = child<QLineEdit>(w.configPage->Ppar(), "Epar4");
        QVERIFY(day->text() != "17");
        day->setFocus();
        day->selectAll();
        QTest::keyClicks(day, "17");
        QCOMPARE(day->text(), QString("17"));

        Answerer answerer;
        int refreshes = w.RefreshCount();
        answerer.Arm(isQuestion, enterNo);
        w.Action("ASetPar")->trigger();
        QVERIFY(answerer.Answered());
        QVERIFY(win.BackFrom(refreshes));
        QCOMPARE(w.PCW()->currentWidget(), w.TSwr);
        day = child<QLineEdit>(w.configPage->Ppar(), "Epar4");
        QCOMPARE(day->text(), QString("17"));
        QVERIFY(w.Action("ASetPar")->isEnabled());
        QVERIFY(requestsOf(sim, cmd::WriteConfig).isEmpty());

        refreshes = w.RefreshCount();
        answerer.Arm(isQuestion, clickYes);
        w.Action("ASetPar")->trigger();
        QVERIFY(answerer.Answered());
        QVERIFY(win.BackFrom(refreshes));
        QCOMPARE(requestsOf(sim, cmd::WriteConfig).size(), 1);
        QCOMPARE(LabelStyle(w.LuState), StatusStyle::Ok);
        // Read back from the device.
        w.Action("AreadParam")->trigger();
        QCOMPARE(child<QLineEdit>(w.configPage->Ppar(), "Epar4")->text(), QString("17"));
    }

    // The ЗОРТ manager closed without a file changes nothing; a logger file
    // opened from it shows its archive with its device, and the return to
    // the main window keeps both.
    void loggerManagerOpenAndClose() {
        DataFolder data;
        const QString today = QDate::currentDate().toString(Qt::ISODate) + "T10";
        Sim sim({"--pty", "--type", "229", "--serial", "417", "--today", today});
        QVERIFY(QDir().mkpath(LoggerArchiveFolder()));
        const QString file = QDir(LoggerArchiveFolder()).filePath("00417D.229");
        QVERIFY(omi::test::WriteDailyLoggerFile(sim.Pty(), 417, 229, file));

        WmWindow win(sim.Pty());
        TFomi& w = *win.w;
        QVERIFY(win.Up());
        w.Action("AreadNoTu")->trigger();
        QCOMPARE(w.Line().Serial(), 417);
        w.PCW()->setCurrentWidget(w.TSa);

        // Closed with Escape.
        Answerer answerer;
        int refreshes = w.RefreshCount();
        answerer.Arm(isLoggerManager, [](QWidget* m) { QTest::keyClick(m, Qt::Key_Escape); });
        w.Action("AGetDataLogger")->trigger();
        QVERIFY(answerer.Answered());
        QVERIFY(win.BackFrom(refreshes));
        QCOMPARE(w.Line().Serial(), 417);
        QCOMPARE(w.ENo->text(), QString("417"));
        QCOMPARE(w.PCW()->currentWidget(), w.TSa);
        QCOMPARE(w.PreparationCount(), 1);

        // The file's row clicked, then "открыть файл".
        w.Line().ClearDevice();
        refreshes = w.RefreshCount();
        answerer.Arm(isLoggerManager, [](QWidget* widget) {
            auto* m = static_cast<TFZORT*>(widget);
            QTreeWidgetItem* row = m->LVc->topLevelItem(0);
            if (row) {
                const QRect r = m->LVc->visualRect(m->LVc->model()->index(0, 0));
                QTest::mouseClick(m->LVc->viewport(), Qt::LeftButton, {}, r.center());
            }
            QTest::mouseClick(m->ATB->widgetForAction(m->AfileDLOpenAction), Qt::LeftButton);
        });
        // Without a row chosen the manager would ask with the open dialog:
        // closed, the checks below fail instead of the test hanging.
        Answerer noDialog;
        noDialog.Arm([](QWidget* d) { return d->inherits("QFileDialog"); },
                     [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
        w.Action("AGetDataLogger")->trigger();
        QVERIFY(answerer.Answered());
        QVERIFY(!noDialog.Answered());
        QVERIFY(win.BackFrom(refreshes));
        QCOMPARE(w.Line().Serial(), 417);
        QCOMPARE(w.Line().Type(), 229);
        QCOMPARE(w.ENo->text(), QString("417"));
        QCOMPARE(w.Etype->text(), ModelName(229));
        QCOMPARE(w.PCW()->currentWidget(), w.TSa);
        const auto rows = w.archivePage->Model()->Rows();
        QVERIFY2(rows.size() > 10, qPrintable(w.LuState->text()));
        QCOMPARE(LabelStyle(w.LuState), StatusStyle::Ok);
        QVERIFY2(w.LuState->text().contains("архив из файла: 00417D.229 - прочитан"), qPrintable(w.LuState->text()));
        QCOMPARE(w.PreparationCount(), 1);
    }
};

QTEST_MAIN(ReactivationWmTest)
#include "ReactivationWmTest.moc"
