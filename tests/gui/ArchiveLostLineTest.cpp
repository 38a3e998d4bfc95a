// An archive read through the window whose line is lost in the middle (the
// simulator falls silent, or its pseudo-terminal goes away): the records read
// are kept and shown as an incomplete archive, with their own range, in the
// status line, on the page, in the proposed file name, in the text copy and
// in the printed report.

#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "archives/ArchiveRange.h"
#include "reports/PrintPage.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::guitest;

namespace {

QString Short(const QDate& d) { return d.toString("dd.MM.yyyy"); }

QStringList reportTexts(const ReportModel& report) {
    QStringList out;
    for (const ReportPage& page : report.pages)
        for (const PlacedText& t : page.texts) out << t.text;
    return out;
}

}  // namespace

class ArchiveLostLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readCutShortIsIncomplete_data() {
        QTest::addColumn<QString>("fault");
        // Answers: the identification of the window, then the read's
        // identification, 21, 20 and five records of the week.
        QTest::newRow("line silent") << "--mute-after";
        QTest::newRow("line gone") << "--hangup-after";
    }

    void readCutShortIsIncomplete() {
        QFETCH(QString, fault);
        DataFolder data;
        DialogScript dialogs;
        QString answer;
        QList<FileDialogRequest> asked;
        SetFileDialogHook([&](const FileDialogRequest& r) {
            asked << r;
            return answer.isEmpty() ? answer : r.folder + "/" + answer;
        });
        const QDate today = QDate::currentDate();
        const QString now = QDateTime::currentDateTime().toString("yyyy-MM-ddThh");
        Sim sim({"--pty", "--type", "234", "--serial", "417", "--today", now, fault, "9"});
        Flags() = ShellFlags{};
        TFomiOptions options;
        options.systemPorts = false;
        options.extraPorts = {sim.Pty()};
        TFomi w(options);
        w.AcreateExecute();
        TArchivePage& page = *w.archivePage;
        w.AreadNoTuExecute();
        QCOMPARE(w.Line().Serial(), 417);
        page.TCa->setCurrentIndex(0);
        page.RGdtp->SetItemIndex(1);  // a week: 8 records planned
        QCOMPARE(page.DTPb->date(), today.addDays(-7));

        w.Action("AreadArh")->trigger();

        // Five records, today's back to four days ago, and their range.
        const QString incomplete = QString("НЕТ СВЯЗИ: архив неполный, прочитан от %1 г. до %2 г.")
                                       .arg(Short(today.addDays(-4)), Short(today));
        QCOMPARE(int(page.Daily().size()), 5);
        QCOMPARE(page.Model()->rowCount(), 5);
        QCOMPARE(w.LuState->text(), incomplete);
        QCOMPARE(LabelStyle(w.LuState), StatusStyle::Error);
        QVERIFY(page.Lpartial->isVisibleTo(&w));
        QCOMPARE(page.Lpartial->text(), incomplete);
        QCOMPARE(page.PartialNote(), incomplete);
        QCOMPARE(page.DTPb->date(), today.addDays(-4));
        QCOMPARE(page.DTPe->date(), today);
        QVERIFY(!w.Line().ArchiveReading().reading);
        QVERIFY(!w.Action("AstopArhRead")->isEnabled());
        if (const QString shots = qEnvironmentVariable("OMI_ARCHIVE_SHOTS"); !shots.isEmpty()) {
            w.resize(1102, 560);
            QVERIFY(w.grab().save(shots + "/archive-incomplete.png"));
        }

        // Saved: the name carries the range read, with years, and says it
        // is incomplete; so does the text copy.
        QVERIFY(w.Action("Asavearh")->isEnabled());
        answer.clear();
        w.Action("Asavearh")->trigger();
        QCOMPARE(asked.size(), 1);
        const QString proposed = asked.takeFirst().fileName;
        QVERIFY2(
            proposed.startsWith(
                QString("СУТ 1_Я_от%1до%2дз").arg(today.addDays(-4).toString("yyyyMMdd"), today.toString("yyyyMMdd"))),
            qPrintable(proposed));
        QVERIFY2(proposed.endsWith("_неполный.Arh"), qPrintable(proposed));
        answer = proposed;
        w.Action("Asavearh")->trigger();
        const QString path = ArchiveFolder(234, 417) + "/" + proposed;
        QCOMPARE(QFileInfo(path).size(), qint64(5 * 232));
        QFile copy(TextCopyName(path));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QStringList lines = FromCp1251(copy.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2 + 5 + 1);
        QCOMPARE(lines.last(), incomplete + "\t");

        // Printed: the report says it under its header.
        QVERIFY(w.Action("AArhPrint")->isEnabled());
        QTemporaryDir out;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath("report.pdf"));
        w.printPage->PrintReport(&printer);
        QVERIFY(reportTexts(w.printPage->LastReport()).contains(incomplete));

        // Another tab's list was not read: nothing incomplete is said of it.
        page.TCa->setCurrentIndex(4);
        QVERIFY(!page.Lpartial->isVisibleTo(&w));
        QVERIFY(page.PartialNote().isEmpty());
        page.TCa->setCurrentIndex(0);
        QVERIFY(page.Lpartial->isVisibleTo(&w));

        // Another device on the line: nothing of this one's archive is said
        // any more.
        w.Line().SetDevice(7, 228);
        QVERIFY(!page.Lpartial->isVisibleTo(&w));
        QVERIFY(page.PartialNote().isEmpty());
        QVERIFY(!page.BBchart->isEnabled());
        SetFileDialogHook({});
    }
};

QTEST_MAIN(ArchiveLostLineTest)
#include "ArchiveLostLineTest.moc"
