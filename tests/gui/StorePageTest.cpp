// The archive store window against a store that omi-cli filled from two
// simulated calculators, the collection started from the window itself: the
// meter list with the last collection and the days missing, a meter's
// archive on the "АРХИВЫ" page equal to a direct read of the device, the
// period report equal to omi-cli's, and stores that cannot be read.

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTestSupport.h"
#include "archives/ArchiveCsv.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchivePage.h"
#include "shell/StatusLine.h"
#include "shell/WindowValues.h"
#include "store/StorePage.h"
#include "support/Dates.h"

using namespace omi;
using namespace omi::guitest;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

int rowOf(const TStorePage& page, int serial) {
    for (int i = 0; i < int(page.Meters().size()); ++i)
        if (page.Meters()[size_t(i)].serial == serial) return i;
    return -1;
}

}  // namespace

class StorePageTest : public QObject {
    Q_OBJECT

private:
    DataFolder data_;
    QTemporaryDir dir_;
    QDate today_ = QDate::currentDate();
    std::unique_ptr<Sim> boiler_;  // 234 № 417 on a pseudo-terminal
    std::unique_ptr<Sim> school_;  // 229 № 1001 over UDP
    std::unique_ptr<TFomi> w_;
    TStorePage* page_ = nullptr;
    QString store_;

    void setPickers(const QDate& first, const QDate& last) {
        TArchivePage& a = *w_->archivePage;
        a.DTPb->setDate(first);
        a.DTPe->setDate(last);
        a.DTPbChange();
    }

private Q_SLOTS:
    void initTestCase() {
        boiler_ = std::make_unique<Sim>(QStringList{"--pty", "--type", "234", "--serial", "417"});
        school_ = std::make_unique<Sim>(QStringList{"--udp", "127.0.0.1:0", "--type", "229", "--serial", "1001"});
        QVERIFY(!boiler_->Pty().isEmpty());
        QVERIFY(school_->UdpPort() > 0);
        store_ = dir_.filePath("store.sqlite");
        w_ = OpenWindow(boiler_->Pty());
        page_ = w_->storePage;
        QVERIFY(page_);
        page_->SetCollectorProgram(OMI_CLI_PATH);
        w_->Action("AStore")->trigger();
        QVERIFY(page_->isVisible());
        QVERIFY(!page_->IsOpen());
    }

    void cleanupTestCase() { w_.reset(); }

    // Stores that cannot be read: each says why on the page, in the error
    // style, and lists nothing; the window goes on.
    void badStores() {
        const QString missing = dir_.filePath("нет такого.sqlite");
        const QString empty = dir_.filePath("empty.sqlite");
        writeFile(empty, {});
        const QString text = dir_.filePath("text.sqlite");
        writeFile(text, QByteArray("name;serial\nКотельная;417\n").repeated(40));
        const QString other = dir_.filePath("other.sqlite");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(other);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("CREATE TABLE bills (id INTEGER)"));
            db.close();
        }
        QSqlDatabase::removeDatabase("other");
        const struct {
            QString where;
            QString says;
        } cases[] = {
            {missing, "не найдено"},
            {empty, "пуст, это не хранилище архивов"},
            {text, "не хранилище архивов"},
            {other, "уже есть другие таблицы, это не хранилище архивов"},
            {"postgresql://omi@127.0.0.1:1/omi", "не могу открыть postgresql://omi@127.0.0.1:1/omi"},
        };
        for (const auto& c : cases) {
            page_->EStore->setText(c.where);
            page_->BBstoreOpen->click();
            QVERIFY2(!page_->IsOpen(), qPrintable(c.where));
            QVERIFY2(page_->Message().contains(c.says), qPrintable(page_->Message()));
            QCOMPARE(LabelStyle(page_->LStoreState), StatusStyle::Error);
            QCOMPARE(page_->SGmeters->rowCount(), 0);
            QVERIFY(!page_->BBarchive->isEnabled());
        }
        // A list that cannot be collected is refused before anything starts.
        page_->EList->setText(dir_.filePath("нет списка.csv"));
        QVERIFY(!page_->StartCollection());
        QVERIFY(!page_->Collecting());
        QCOMPARE(LabelStyle(page_->LStoreState), StatusStyle::Error);
        QVERIFY2(page_->Message().contains("нет списка.csv"), qPrintable(page_->Message()));
        // The address is kept with the window's control values.
        QVERIFY(CollectWindowValues(w_.get()).contains("EStore=postgresql://omi@127.0.0.1:1/omi"));
    }

    // The collection started from the page, each meter's line ending with
    // omi-cli's word on it; then the store's meter list.
    void collectAndList() {
        const QString list = dir_.filePath("meters.csv");
        writeFile(list, QString("name;port;udp;serial;type;archives\n"
                                "Котельная;%1;;417;234;daily\n"
                                "Школа;;%2;1001;229;\n"
                                "Сломанная;;;12;;\n")
                            .arg(boiler_->Pty(), school_->Udp())
                            .toUtf8());
        // The window lets the line go for the collector.
        w_->Port().ClosePort();
        page_->EStore->setText(store_);
        page_->EList->setText(list);
        page_->CBsince->setChecked(true);
        page_->DTPsince->setDate(today_.addDays(-3));
        QSignalSpy finished(page_, &TStorePage::CollectionFinished);
        page_->BBcollect->click();
        QVERIFY(page_->Collecting());
        QVERIFY(!page_->BBcollect->isEnabled());
        QCOMPARE(page_->SGcollect->rowCount(), 2);
        QCOMPARE(page_->SGcollect->item(0, 2)->text(), QString("ждет очереди"));
        QVERIFY(finished.wait(180000));
        // The bad line is reported, the others are collected.
        QVERIFY2(page_->Message().contains("строка 4"), qPrintable(page_->Message()));
        QVERIFY(page_->BBcollect->isEnabled());
        for (int i = 0; i < 2; ++i) {
            const CollectRow& r = page_->CollectRows()[size_t(i)];
            QVERIFY2(r.done && r.ok && r.state.startsWith("собрано, новых записей"), qPrintable(r.state));
            QCOMPARE(page_->SGcollect->item(i, 2)->text(), r.state);
        }

        // The list came from the store the collection filled.
        QVERIFY(page_->IsOpen());
        page_->SEdays->setValue(7);
        page_->RefreshMeters();
        QCOMPARE(page_->SGmeters->rowCount(), 2);
        const int boiler = rowOf(*page_, 417), school = rowOf(*page_, 1001);
        QVERIFY(boiler >= 0 && school >= 0);
        const StoreMeterRow& b = page_->Meters()[size_t(boiler)];
        QCOMPARE(b.name, QString("Котельная"));
        QCOMPARE(b.type, 234);
        QVERIFY(b.lastRun && b.lastRun->ended.isValid());
        QCOMPARE(b.lastRun->status, QString("собрано"));
        QCOMPARE(page_->SGmeters->item(boiler, 3)->text(), QString("собрано"));
        QCOMPARE(page_->SGmeters->item(boiler, 0)->text(), QString("Котельная"));
        // Collected from three days ago: the four days before are missing
        // from the seven looked at, one run of them.
        QCOMPARE(b.archive, StoredArchive::Daily);
        const QString gap = ShortDateText(today_.addDays(-6)) + " - " + ShortDateText(today_.addDays(-4));
        QCOMPARE(b.missingDays, QStringList{gap});
        QCOMPARE(page_->SGmeters->item(boiler, 7)->text(), gap);
        QCOMPARE(page_->Meters()[size_t(school)].name, QString("Школа"));
        QCOMPARE(page_->Meters()[size_t(school)].type, 229);
        // Fewer days looked at: no gap left.
        page_->SEdays->setValue(3);
        page_->RefreshMeters();
        QCOMPARE(page_->Meters()[size_t(rowOf(*page_, 417))].missingDays, QStringList{});
        QCOMPARE(page_->SGmeters->item(rowOf(*page_, 417), 7)->text(), QString("нет"));
    }

    // The meter's archive from the store on the archive page: every daily
    // tab shows the rows a read of the device over the same days shows.
    void archiveEqualsDirectRead() {
        const QDate first = today_.addDays(-3), last = today_.addDays(-1);
        TArchivePage& a = *w_->archivePage;
        const QList<ArchiveTab> tabs = ArchiveTabs(234);
        QMap<int, Grid> direct;
        a.TCa->setCurrentIndex(0);
        setPickers(first, last);
        w_->Action("AreadArh")->trigger();
        QCOMPARE(a.ArchiveType(), 234);
        QVERIFY(!a.Daily().empty());
        for (int t = 0; t < tabs.size(); ++t) {
            if (IsHourlyKind(tabs[t].kind)) continue;
            a.TCa->setCurrentIndex(t);
            setPickers(first, last);
            direct[t] = a.CurrentView().table.rows;
            QVERIFY(direct[t].size() > 2);
        }

        // Another archive in between, so that nothing of the read is left.
        QVERIFY(page_->OpenMeterArchive(rowOf(*page_, 1001)));
        QCOMPARE(a.ArchiveType(), 229);
        QVERIFY(page_->OpenMeterArchive(rowOf(*page_, 417)));
        QCOMPARE(w_->PCW()->currentWidget(), w_->TSa);
        QCOMPARE(a.ArchiveType(), 234);
        QCOMPARE(a.ArchiveSerial(), 417);
        QVERIFY(a.LoadedFile().isEmpty());
        // The range spans the days stored.
        QCOMPARE(a.DTPb->date(), first);
        QCOMPARE(a.DTPe->date(), today_);
        QVERIFY(w_->Action("AArhPrint")->isEnabled());
        QVERIFY(w_->Action("Asavearh")->isEnabled());
        QVERIFY2(w_->LuState->text().contains("архив из хранилища Котельная"), qPrintable(w_->LuState->text()));
        for (auto it = direct.cbegin(); it != direct.cend(); ++it) {
            a.TCa->setCurrentIndex(it.key());
            setPickers(first, last);
            QCOMPARE(a.CurrentView().table.rows, it.value());
            QVERIFY(a.BBcsv->isEnabled());
        }
    }

    // The report of the page is the report omi-cli writes of the store,
    // shown in the table, saved as CSV and PDF and printed.
    void periodReport() {
        const QDate from = today_.addDays(-3), to = today_.addDays(-1);
        page_->DTPfrom->setDate(from);
        page_->DTPto->setDate(to);
        page_->EReportName->clear();
        page_->BBreport->click();
        const PeriodReport& report = page_->Report();
        QVERIFY(report.rows.size() >= 2);
        QCOMPARE(page_->SGreport->rowCount(), int(report.rows.size()));
        for (const PeriodRow& r : report.rows)
            if (r.serial == 417) {
                QCOMPARE(r.daysPresent, 3);
                QCOMPARE(r.daysMissing, 0);
                QCOMPARE(r.name, QString("Котельная"));
            }
        QVERIFY(page_->BBreportCsv->isEnabled());

        const QString mine = dir_.filePath("page.csv"), cli = dir_.filePath("cli.csv");
        QCOMPARE(page_->SaveReportCsv(mine), QString());
        QProcess p;
        p.start(OMI_CLI_PATH, {"report", "--store", store_, "--from", iso(from), "--to", iso(to), "--csv", cli});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!fileBytes(cli).isEmpty());
        QCOMPARE(fileBytes(mine), fileBytes(cli));
        // The table shows the report's cells.
        const Grid grid = PeriodReportGrid(report, 3);
        QCOMPARE(page_->SGreport->item(0, 0)->toolTip(), grid[2][0]);

        const QString pdf = dir_.filePath("page.pdf");
        QCOMPARE(page_->SaveReportPdf(pdf), QString());
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        // Printing draws the same pages on the printer.
        const QString printed = dir_.filePath("printed.pdf");
        bool previewed = false;
        TStorePage::SetPreviewHook([&](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            previewed = true;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            paint(&printer);
        });
        page_->BBreportPrint->click();
        TStorePage::SetPreviewHook({});
        QVERIFY(previewed);
        QVERIFY(fileBytes(printed).startsWith("%PDF"));

        // A period that ends before it begins is refused on the page.
        page_->DTPfrom->setDate(to);
        page_->DTPto->setDate(from);
        QVERIFY(!page_->MakeReport());
        QCOMPARE(LabelStyle(page_->LStoreState), StatusStyle::Error);
        QVERIFY2(page_->Message().contains("позже"), qPrintable(page_->Message()));
    }
};

QTEST_MAIN(StorePageTest)
#include "StorePageTest.moc"
