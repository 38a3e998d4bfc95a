// The "ЗОРТ" import in the window: a logger file of a simulated 229 chosen in
// the open dialog, its device taken from the name, the archive page's read
// answered from the file showing what a direct read of the device shows; a
// hourly file selecting the first hourly tab; a name that is not a logger
// file changing nothing.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "archives/LoggerManager.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/Dates.h"
#include "support/LoggerFileWriter.h"

using namespace omi;
using namespace omi::guitest;

class LoggerImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importShowsTheDevicesArchive() {
        DataFolder data;
        QTemporaryDir dir;
        const QString today = QDate::currentDate().toString(Qt::ISODate) + "T10";
        Sim sim({"--pty", "--type", "229", "--serial", "417", "--today", today});
        const QString file = dir.filePath("x00417D.229");
        QVERIFY(omi::test::WriteDailyLoggerFile(sim.Pty(), 417, 229, file));

        // The direct read of the whole daily archive, for comparison.
        auto w = OpenWindow(sim.Pty());
        w->Action("AreadNoTu")->trigger();
        TArchivePage& page = *w->archivePage;
        w->PCW()->setCurrentWidget(w->Page("TSa"));
        page.RGdtp->SetItemIndex(page.RGdtp->Items().size() - 1);
        page.RGdtpClick();
        page.TCa->setCurrentIndex(0);
        page.TCaChange();
        w->Action("AreadArh")->trigger();
        const auto direct = page.Model()->Rows();
        QVERIFY(direct.size() > 10);

        // The import, the device forgotten first: the file chosen in the
        // manager, its name giving the device back.
        w->Line().ClearDevice();
        SetLoggerManagerHook([&](TFZORT& m) {
            m.SetFolder(dir.path());
            m.LVc->setCurrentItem(m.LVc->topLevelItem(0));
            m.AfileDLOpen();
            return m.result();
        });
        w->Action("AGetDataLogger")->trigger();
        QCOMPARE(w->Line().Serial(), 417);
        QCOMPARE(w->Line().Type(), 229);
        QCOMPARE(w->ENo->text(), QString("417"));
        QCOMPARE(w->PCW()->currentWidget(), w->Page("TSa"));
        QCOMPARE(page.TCa->currentIndex(), 0);
        QCOMPARE(page.Model()->Rows(), direct);
        // The status says what the replay brought: the records and their range.
        const ArchiveList& daily = page.Daily();
        QVERIFY(!daily.empty());
        const QString range = QString("от %1 г. до %2 г.")
                                  .arg(ShortDateText(DateOfDayNumber(EntryDay(daily.back()))),
                                       ShortDateText(DateOfDayNumber(EntryDay(daily.front()))));
        QVERIFY2(w->LuState->text().endsWith(
                     QString("архив из файла: x00417D.229 - прочитан: записей %1, ").arg(daily.size()) + range),
                 qPrintable(w->LuState->text()));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Ok);
        QVERIFY(w->Action("AArhPrint")->isEnabled());
        QVERIFY(!w->Engine().LoggerReplayActive());

        // A name that is not a logger file: refused, nothing else changes.
        const QString other = dir.filePath("417D.227");
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(50, 0));
        f.close();
        // The manager accepted without a file: the open dialog in the
        // logger archive folder chooses it.
        QStringList asked;
        SetLoggerManagerHook([](TFZORT& m) {
            m.LVc->setCurrentItem(nullptr);
            m.AfileDLOpen();
            return m.result();
        });
        SetFileDialogHook([&](const FileDialogRequest& r) {
            asked << r.folder;
            return other;
        });
        w->Action("AGetDataLogger")->trigger();
        SetFileDialogHook({});
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().endsWith("АРХИВЫ/ZORT-1"));
        QCOMPARE(w->LuState->text(), "файл: " + other + " - не опознан как архивный");
        QCOMPARE(w->Line().Type(), 229);
        QCOMPARE(page.Model()->Rows(), direct);

        // The manager closed otherwise: nothing happens.
        SetLoggerManagerHook([](TFZORT&) { return int(QDialog::Rejected); });
        SetFileDialogHook([&](const FileDialogRequest& r) {
            asked << r.folder;
            return other;
        });
        w->Action("AGetDataLogger")->trigger();
        SetFileDialogHook({});
        SetLoggerManagerHook({});
        QCOMPARE(asked.size(), 1);
        QCOMPARE(page.Model()->Rows(), direct);
    }

    // A file whose name is right but that holds no record: an error, never
    // "прочитан".
    void fileWithoutRecordsIsNotCalledRead() {
        DataFolder data;
        QTemporaryDir dir;
        Sim sim({"--pty", "--type", "229"});
        auto w = OpenWindow(sim.Pty());
        QFile f(dir.filePath("00417D.229"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2, 0));
        f.close();
        SetLoggerManagerHook([&](TFZORT& m) {
            m.SetFolder(dir.path());
            m.LVc->setCurrentItem(m.LVc->topLevelItem(0));
            m.AfileDLOpen();
            return m.result();
        });
        w->Action("AGetDataLogger")->trigger();
        SetLoggerManagerHook({});
        // The file is refused when it is opened, before any replay.
        QVERIFY2(w->LuState->text().contains("00417D.229 - не опознан как архивный"), qPrintable(w->LuState->text()));
        QVERIFY(!w->LuState->text().contains("- прочитан"));
        QCOMPARE(LabelStyle(w->LuState), StatusStyle::Error);
        QVERIFY(!w->Engine().LoggerReplayActive());
    }

    void hourlyFileSelectsTheFirstHourlyTab() {
        DataFolder data;
        QTemporaryDir dir;
        Sim sim({"--pty", "--type", "234"});
        auto w = OpenWindow(sim.Pty());
        const QString file = dir.filePath("417H.234");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Three hourly records of a week ago (hour at 209, day number word at 210).
        QByteArray bytes(2 + 216 * 3, 0);
        const int day = int(QDate(1999, 12, 31).daysTo(QDate::currentDate()) - 7);
        for (int r = 0; r < 3; ++r) {
            bytes[2 + 216 * r + 209] = char(r);
            bytes[2 + 216 * r + 210] = char(day & 0xFF);
            bytes[2 + 216 * r + 211] = char(day >> 8);
        }
        f.write(bytes);
        f.close();
        SetLoggerManagerHook([&](TFZORT& m) {
            m.SetFolder(dir.path());
            m.LVc->setCurrentItem(m.LVc->topLevelItem(0));
            m.AfileDLOpen();
            return m.result();
        });
        w->Action("AGetDataLogger")->trigger();
        SetLoggerManagerHook({});
        QCOMPARE(w->archivePage->TCa->count(), 8);
        QCOMPARE(w->archivePage->TCa->currentIndex(), 4);
        QVERIFY(!w->Engine().LoggerReplayActive());
    }
};

QTEST_MAIN(LoggerImportTest)
#include "LoggerImportTest.moc"
