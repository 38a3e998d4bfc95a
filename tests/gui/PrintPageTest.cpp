// The print settings page: templates loaded with missing files, an item
// edited in cbd and kept through a print, placeholders expanded into the
// printed report, the page's buttons.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchivePage.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "reports/PrintPage.h"
#include "reports/ReportItems.h"
#include "reports/ReportTemplates.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/TextCodec.h"

using namespace omi;
using namespace omi::guitest;

namespace {

std::unique_ptr<TFomi> makeWindow(const QStringList& ports = {}) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    options.extraPorts = ports;
    options.systemPorts = false;
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    return w;
}

int tabIndex(int type, const QString& caption) {
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    for (int i = 0; i < tabs.size(); ++i)
        if (tabs[i].caption == caption) return i;
    qFatal("no tab");
    return -1;
}

// A 234 daily difference archive of system 2 with fatal-error times of 75
// minutes a day, and the view of a tab of it.
PrintSource madeSource(const QString& caption) {
    const RecordLayout& layout = *ArchiveFamilyOf(234)->layout;
    ArchiveList daily;
    for (int i = 0; i < 21; ++i) {  // newest first, cumulative
        ArchiveEntry e = ZeroEntry(layout);
        for (ArchiveRecord& r : e) {
            r.SetDay(DayNumber(QDate(2026, 12, 10).addDays(-i)));
            r.SetReal(8, 100.0 - i);
            r.SetInt(168, 75);
        }
        daily.push_back(e);
    }
    PrintSource s;
    s.type = 234;
    s.tab = tabIndex(234, caption);
    s.range = ViewRange{QDate(2026, 11, 20), QDate(2026, 12, 10), false};
    s.shown = ShowArchiveTab(234, s.tab, daily, {}, s.range, QStringLiteral("%f"), 1);
    return s;
}

// Answers the print dialogs: the preview paints into a PDF file.
class PrintScript {
public:
    explicit PrintScript(const QString& pdf) {
        PrintDialogs d;
        d.preview = [this, pdf](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            ++previews;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            paint(&printer);
        };
        d.printerSetup = [this](QPrinter&) { return ++setups > 0; };
        d.font = [this](const QFont&) { return std::optional<QFont>(font); };
        SetPrintDialogs(d);
    }
    ~PrintScript() { SetPrintDialogs({}); }
    int previews = 0;
    int setups = 0;
    QFont font{QStringLiteral("DejaVu Sans Mono"), 11};
};

QStringList texts(const ReportModel& m) {
    QStringList out;
    for (const ReportPage& p : m.pages)
        for (const PlacedText& t : p.texts) out << t.text;
    return out;
}

}  // namespace

class PrintPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingFilesGiveDefaults() {
        DataFolder data;
        auto w = makeWindow();
        TPrintPage* page = w->findChild<TPrintPage*>();
        QVERIFY(page);
        auto* cbd = child<QComboBox>(w.get(), "cbd");
        auto* mB = child<QPlainTextEdit>(w.get(), "mB");
        auto* mH = child<QPlainTextEdit>(w.get(), "mH");
        // The start texts before any archive.
        QCOMPARE(mB->toPlainText().split('\n'), BuiltInBody().lines);
        QCOMPARE(cbd->count(), 41);

        // A 227 archive without files: its 21 default items and the body that
        // fits its columns; a header file that exists is read with its font.
        QDir().mkpath(PrintFolder());
        QVERIFY(WriteLines1251(PrintFolder() + "/ВЕРХ_ЧАС_27.txt", {"Name=DejaVu Sans\tSize=10\tItalic\t", "Шапка @00"})
                    .isEmpty());
        QVERIFY(WriteLines1251(PrintFolder() + "/ФОРМАТЫ_27.txt", {"00.%s~только одна"}).isEmpty());
        page->SetSource([] {
            PrintSource s;
            s.type = 227;
            s.tab = 2;  // "ЧАСОВОЙ"
            return s;
        });
        page->LoadTemplates();
        QStringList items;
        for (int i = 0; i < cbd->count(); ++i) items << cbd->itemText(i);
        QCOMPARE(items, DefaultItems("27"));
        QCOMPARE(mB->toPlainText().split('\n'), StandardTemplateSet("27", true).body.lines);
        QCOMPARE(mH->toPlainText(), QStringLiteral("Шапка @00"));
        QCOMPARE(mH->font().pointSize(), 10);
        QVERIFY(mH->font().italic());

        // An edited body without its file is kept by the next load.
        mB->setPlainText(QStringLiteral("0>\n@05"));
        page->LoadTemplates();
        QCOMPARE(mB->toPlainText(), QStringLiteral("0>\n@05"));
    }

    void itemEditPersistsThroughPrint() {
        DataFolder data;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = makeWindow({sim.Pty()});
        TPrintPage* page = w->findChild<TPrintPage*>();
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        cbC->setCurrentIndex(cbC->findText(sim.Pty()));
        w->cbCClick(cbC);
        w->AreadNoTuExecute();

        // The daily archive of the last ten days read from omi-sim.
        const int tab = tabIndex(234, QStringLiteral("СУТ 1-Я  РАЗНОСТЬ"));
        const QDate today = QDate::currentDate();
        ArchiveReadingState& state = w->Line().ArchiveReading();
        state.ApplyPreset(RangePreset(kWholeArchivePreset, today, 234, kDailyDifference, today));
        state.DatesEdited();
        state.SetDates(today.addDays(-9), today);
        ArchiveList daily, hourly;
        ArchiveReadContext context;
        context.line = &w->Line();
        context.status = &w->Status();
        context.now = QDateTime::currentDateTime();
        const ArchiveReadResult read = StartArchiveRead(234, kDailyDifference, state, daily, hourly, context);
        QVERIFY2(!daily.empty(), qPrintable(read.text));
        const ViewRange range{state.first, state.last, false};
        page->SetSource([&] {
            PrintSource s;
            s.type = 234;
            s.tab = tab;
            s.range = range;
            s.shown = ShowArchiveTab(234, tab, daily, hourly, range, QStringLiteral("%f"), 1);
            return s;
        });
        page->LoadTemplates();

        // Item 07 edited: chosen in cbd, new text, Enter.
        auto* cbd = child<QComboBox>(w.get(), "cbd");
        cbd->setCurrentIndex(7);
        Q_EMIT cbd->activated(7);
        cbd->lineEdit()->setText(QStringLiteral("07.%.3f~арх ТЕПЛО, три знака"));
        QTest::keyClick(cbd->lineEdit(), Qt::Key_Return);
        QCOMPARE(cbd->itemText(7), QStringLiteral("07.%.3f~арх ТЕПЛО, три знака"));
        QCOMPARE(cbd->count(), 41);

        // A new font for the body: entering the memo, then ШРИФТ.
        QTemporaryDir out;
        PrintScript script(out.filePath("r.pdf"));
        page->mHEnter(child<QPlainTextEdit>(w.get(), "mB"));
        QCOMPARE(child<QLabel>(w.get(), "sbm2")->text(), QStringLiteral("Данные отчета"));
        child<QPushButton>(w.get(), "Button1")->click();

        QVERIFY(w->Action("AArhPrint"));
        page->AArhPrintExecute();
        QCOMPARE(script.previews, 1);
        QVERIFY(Flags().ready);
        QVERIFY(QFile(out.filePath("r.pdf")).size() > 1000);

        // The report shows the heat with three decimals; every row is one
        // entry of the view, the totals row "Итого:".
        const ArchiveTabView shown = ShowArchiveTab(234, tab, daily, hourly, range, QStringLiteral("%f"), 1);
        const ArchiveRecord& totals = shown.view.entries.back()[0];
        const QStringList printed = texts(page->LastReport());
        QVERIFY(printed.contains(Format("%.3f", {totals.Real(8)})));
        QVERIFY(printed.contains(QStringLiteral("Итого:")));
        QCOMPARE(page->LastReport().fonts[1].name, QStringLiteral("DejaVu Sans Mono"));

        // The item list and the body font are in the files now and come back
        // after the page is loaded from a start again.
        const QStringList saved = ReadLines1251(PrintFolder() + "/ФОРМАТЫ_34.txt", nullptr);
        QCOMPARE(saved.value(7), QStringLiteral("07.%.3f~арх ТЕПЛО, три знака"));
        QCOMPARE(ReadLines1251(PrintFolder() + "/ОСНОВА_СУТ_34.txt", nullptr).value(0),
                 QStringLiteral("Name=DejaVu Sans Mono\tSize=11\t"));
        cbd->setItemText(7, QStringLiteral("07.%d~испорчено"));
        page->LoadTemplates();
        QCOMPARE(cbd->itemText(7), QStringLiteral("07.%.3f~арх ТЕПЛО, три знака"));
    }

    void placeholdersThroughThePage() {
        DataFolder data;
        auto w = makeWindow();
        TPrintPage* page = w->findChild<TPrintPage*>();
        page->SetSource([] { return madeSource(QStringLiteral("СУТ 2-Я  РАЗНОСТЬ")); });
        page->LoadTemplates();
        auto* mH = child<QPlainTextEdit>(w.get(), "mH");
        auto* mF = child<QPlainTextEdit>(w.get(), "mF");
        auto* cbd = child<QComboBox>(w.get(), "cbd");

        // Double-click with item 05 chosen puts "@05" at the caret.
        mH->setPlainText(QStringLiteral("<>|@03|@21|x@7xy"));
        Q_EMIT cbd->activated(5);
        QTextCursor c = mH->textCursor();
        c.setPosition(1);
        mH->setTextCursor(c);
        const QPoint at = mH->cursorRect().center();
        QTest::mouseDClick(mH->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(mH->toPlainText(), QStringLiteral("<@05>|@03|@21|x@7xy"));
        QCOMPARE(child<QLabel>(w.get(), "sbm0")->text(), QStringLiteral("строка=1"));
        QCOMPARE(child<QLabel>(w.get(), "sbm1")->text(), QStringLiteral("столбец=5"));
        // The footer takes the totals entry: 20 days of 75 minutes.
        mF->setPlainText(QStringLiteral("@20 @22"));

        QTemporaryDir out;
        PrintScript script(out.filePath("r.pdf"));
        page->AArhPrintExecute();
        QStringList printed = texts(page->LastReport());
        QVERIFY(printed.contains(QStringLiteral("<Архив суточный разностный>|2|Итого:|xy")));
        QVERIFY(printed.contains(QStringLiteral("25:00 1дн01:00")));

        // A loaded file printed from the device page: item 05 names the file
        // with its 70-character folder cut.
        const QString folder = QStringLiteral("/") + QString(68, QChar(u'ф')) + QStringLiteral("/");
        page->SetSource([folder] {
            PrintSource s = madeSource(QStringLiteral("СУТ 2-Я  РАЗНОСТЬ"));
            s.loadedFile = folder + QStringLiteral("архив.Arh");
            return s;
        });
        w->PCW()->setCurrentWidget(w->Page("TSW"));
        mH->setPlainText(QStringLiteral("@05"));
        page->AArhPrintExecute();
        printed = texts(page->LastReport());
        QVERIFY(printed.contains(QStringLiteral("Файл: ") + folder.left(60) + QStringLiteral("\\...\\архив.Arh")));
    }

    // The archive page's read and tab reach the print page: the templates of
    // the family and class are loaded and the report holds the view's rows.
    void printFromTheArchivePage() {
        DataFolder data;
        DialogScript dialogs;
        Sim sim({"--pty", "--type", "234", "--serial", "417"});
        auto w = makeWindow({sim.Pty()});
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        cbC->setCurrentIndex(cbC->findText(sim.Pty()));
        w->cbCClick(cbC);
        auto* archive = w->findChild<TArchivePage*>();
        QVERIFY(archive);
        archive->RGdtp->SetItemIndex(1);  // a week
        w->Action("AreadArh")->trigger();
        QCOMPARE(archive->ArchiveType(), 234);
        archive->TCa->setCurrentIndex(tabIndex(234, QStringLiteral("СУТ 2-Я  РАЗНОСТЬ")));
        const ArchiveTabView shown = archive->CurrentView();
        QVERIFY(shown.view.entries.size() > 2);

        auto* mB = child<QPlainTextEdit>(w.get(), "mB");
        QCOMPARE(mB->toPlainText().split('\n'), StandardTemplateSet("34", false).body.lines);
        QTemporaryDir out;
        PrintScript script(out.filePath("r.pdf"));
        QVERIFY(w->Action("AArhPrint")->isEnabled());
        w->Action("AArhPrint")->trigger();
        QCOMPARE(script.previews, 1);
        const QStringList printed = texts(w->findChild<TPrintPage*>()->LastReport());
        int rows = 0;
        for (const QString& t : printed) rows += QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d\\d$").match(t).hasMatch();
        QCOMPARE(rows, int(shown.view.entries.size()) - 1);  // the totals entry is the "Итого:" row
        QVERIFY(printed.contains(QStringLiteral("Итого:")));
        QVERIFY(printed.contains(
            QStringLiteral("Архив суточный разностный, система 2, ") +
            Format("от %s до %s", {ShortDateText(archive->Range().first), ShortDateText(archive->Range().last)})));

        // Saved, the device cleared, the file loaded and printed from the
        // device page: the report names the file's device and heat system.
        QString saved;
        SetFileDialogHook(
            [&saved](const FileDialogRequest& r) { return r.save ? (saved = r.folder + "/" + r.fileName) : saved; });
        w->Action("Asavearh")->trigger();
        QVERIFY(QFile::exists(saved));
        QVERIFY2(saved.contains("/00417/"), qPrintable(saved));
        w->EtypeDblClick();
        QCOMPARE(w->Line().Serial(), -1);
        w->Action("AreadFileArh")->trigger();
        SetFileDialogHook({});
        QCOMPARE(archive->LoadedFile(), saved);
        QCOMPARE(w->PCW()->currentWidget(), w->Page("TSW"));
        child<QPlainTextEdit>(w.get(), "mH")->setPlainText("@00 № @01, система @03");
        w->Action("AArhPrint")->trigger();
        QCOMPARE(script.previews, 2);
        const QStringList fromFile = texts(w->findChild<TPrintPage*>()->LastReport());
        QVERIFY2(fromFile.contains(ModelName(234) + " № 417, система 2"), qPrintable(fromFile.join('|')));
        int fileRows = 0;
        for (const QString& t : fromFile)
            fileRows += QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d\\d$").match(t).hasMatch();
        QCOMPARE(fileRows, rows);
    }

    // An hourly archive saved to a file and printed from it gives the rows
    // of the read it was saved from, hours included; the page count of the
    // drawing leaves the status line with the preview.
    void hourlyFileReportsAsItsRead() {
        DataFolder data;
        DialogScript dialogs;
        Sim sim({"--pty", "--type", "229", "--serial", "417"});
        auto w = makeWindow({sim.Pty()});
        auto* cbC = child<QComboBox>(w.get(), "cbC");
        cbC->setCurrentIndex(cbC->findText(sim.Pty()));
        w->cbCClick(cbC);
        auto* archive = w->findChild<TArchivePage*>();
        archive->TCa->setCurrentIndex(tabIndex(229, QStringLiteral("ЧАС 1-Я")));
        archive->RGdtp->SetItemIndex(1);  // a week
        w->Action("AreadArh")->trigger();
        QVERIFY(archive->CurrentView().view.entries.size() > 24);
        const QString before = w->LuState->text();
        QTemporaryDir out;
        PrintScript script(out.filePath("r.pdf"));
        w->Action("AArhPrint")->trigger();
        QCOMPARE(script.previews, 1);
        QCOMPARE(w->LuState->text(), before);
        const auto rows = [](const QStringList& texts) {
            QStringList hoursAndDates;
            for (const QString& t : texts)
                if (QRegularExpression("^(\\d\\d:\\d\\d|\\d\\d\\.\\d\\d\\.\\d\\d)$").match(t).hasMatch())
                    hoursAndDates << t;
            return hoursAndDates;
        };
        const QStringList read = rows(texts(w->findChild<TPrintPage*>()->LastReport()));
        QVERIFY2(read.contains("23:00") || read.contains("01:00"), qPrintable(read.join('|')));

        QString saved;
        SetFileDialogHook(
            [&saved](const FileDialogRequest& r) { return r.save ? (saved = r.folder + "/" + r.fileName) : saved; });
        w->Action("Asavearh")->trigger();
        QVERIFY(QFile::exists(saved));
        w->Action("AreadFileArh")->trigger();
        SetFileDialogHook({});
        QCOMPARE(archive->LoadedFile(), saved);
        w->Action("AArhPrint")->trigger();
        QCOMPARE(script.previews, 2);
        QVERIFY(!w->LuState->text().contains("Рисуется страница"));
        QCOMPARE(rows(texts(w->findChild<TPrintPage*>()->LastReport())), read);
        // The hourly file's grid has the hour column the daily one lacks.
        QVERIFY(archive->LoadedContent().entries.size() > 2);
    }

    void buttonsOfThePage() {
        DataFolder data;
        auto w = makeWindow();
        auto* Bint = child<QPushButton>(w.get(), "Bint");
        auto* SEint = child<QSpinBox>(w.get(), "SEint");
        QStringList seen;
        for (int i = 0; i < 5; ++i) {
            Bint->click();
            seen << Bint->text();
        }
        QCOMPARE(seen, QStringList({"1", "2", "-1", "0", "1"}));
        QCOMPARE(SEint->value(), 1);

        QTemporaryDir out;
        PrintScript script(out.filePath("r.pdf"));
        child<QPushButton>(w.get(), "BBsp")->click();
        child<QPushButton>(w.get(), "BBspa")->click();
        QCOMPARE(script.setups, 2);

        // The help replaces the header while pressed and gives it back.
        auto* mH = child<QPlainTextEdit>(w.get(), "mH");
        const QString header = mH->toPlainText();
        auto* SBhe = child<QToolButton>(w.get(), "SBhe");
        SBhe->click();
        QVERIFY(mH->toPlainText().startsWith(QStringLiteral("файл справки ")));
        QVERIFY(mH->toPlainText().endsWith(QStringLiteral(" отсутствует или поврежден")));
        SBhe->click();
        QCOMPARE(mH->toPlainText(), header);

        // No archive: the message says what to do, nothing is drawn.
        DialogScript dialogs;
        w->findChild<TPrintPage*>()->AArhPrintExecute();
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].text,
                 QStringLiteral("нет архива для печати: прочитайте архив из устройства или из файла"));
    }
};

QTEST_MAIN(PrintPageTest)
#include "PrintPageTest.moc"
