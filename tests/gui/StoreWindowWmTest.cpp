// The archive store window under a real window manager (wm/run-under-wm):
// it comes up active beside the main window, a collection runs from it, and
// a meter's archive opened from it brings the main window back active with
// the archive shown, while the device identified before stays identified and
// the window is not prepared again.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "GuiTestSupport.h"
#include "archives/ArchivePage.h"
#include "store/StorePage.h"

using namespace omi;
using namespace omi::guitest;

namespace {
constexpr int kTimeout = 60000;
}

class StoreWindowWmTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storeWindowBesideTheMainWindow() {
        DataFolder data;
        QTemporaryDir dir;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        QVERIFY(!sim.Pty().isEmpty());
        auto w = OpenWindow(sim.Pty());
        QVERIFY(QTest::qWaitForWindowActive(w.get(), kTimeout));
        w->AreadNoTuExecute();
        QCOMPARE(w->Line().Serial(), 417);
        const int preparations = w->PreparationCount();

        TStorePage& page = *w->storePage;
        page.SetCollectorProgram(OMI_CLI_PATH);
        w->Action("AStore")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(&page), kTimeout);

        // The line handed to the collector for its run.
        w->Port().ClosePort();
        const QString list = dir.filePath("meters.csv");
        QFile f(list);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("name;port;serial;type;archives\nКотельная;%1;417;234;daily\n").arg(sim.Pty()).toUtf8());
        f.close();
        page.EStore->setText(dir.filePath("store.sqlite"));
        page.EList->setText(list);
        page.CBsince->setChecked(true);
        page.DTPsince->setDate(QDate::currentDate().addDays(-2));
        QSignalSpy finished(&page, &TStorePage::CollectionFinished);
        QVERIFY(page.StartCollection());
        QVERIFY(finished.wait(kTimeout * 2));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(int(page.Meters().size()), 1);

        QVERIFY(page.OpenMeterArchive(0));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(w.get()), kTimeout);
        QCOMPARE(w->PCW()->currentWidget(), w->TSa);
        QCOMPARE(w->archivePage->ArchiveSerial(), 417);
        QCOMPARE(int(w->archivePage->Daily().size()), 3);
        // Back from the store window: refreshed, not prepared again.
        QCOMPARE(w->PreparationCount(), preparations);
        QCOMPARE(w->Line().Serial(), 417);
        QVERIFY(page.isVisible());
    }
};

QTEST_MAIN(StoreWindowWmTest)
#include "StoreWindowWmTest.moc"
