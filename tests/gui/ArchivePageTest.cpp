// The "АРХИВЫ" page driven as a user would, against omi-sim (type 234, its
// clock fixed at the test's start): daily and hourly reads with the range
// presets, "стоп" in the middle of a read, a difference tab with totals, the
// precision, the level-0 columns, error decoding, saving and loading an
// archive file in the window, the CSV export and the chart.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QXYSeries>
#include <memory>

#include "GuiTestSupport.h"
#include "archives/ArchiveChart.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "archives/ArchiveRange.h"
#include "families/ErrBits.h"
#include "protocol/Frame.h"
#include "shell/ExtraWindows.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"

using namespace omi;
using namespace omi::guitest;

namespace {

const QStringList kTabs{"СУТ 1-Я", "СУТ 1-Я  РАЗНОСТЬ", "СУТ 2-Я", "СУТ 2-Я  РАЗНОСТЬ",
                        "ЧАС 1-Я", "ЧАС 1-Я  РАЗНОСТЬ", "ЧАС 2-Я", "ЧАС 2-Я  РАЗНОСТЬ"};
enum Preset { kDay = 0, kWeek = 1, kWholeArchive = 6 };

// Record requests (command 3) and the command of the last request in the
// simulator's log.
int RecordRequests(const Sim& sim) {
    int n = 0;
    for (const QString& line : sim.Requests())
        if (line.split(' ').value(4) == "3") ++n;
    return n;
}
QString LastCommand(const Sim& sim) { return sim.Requests().value(sim.Requests().size() - 1).split(' ').value(4); }

QString Short(const QDate& d) { return d.toString("dd.MM.yyyy"); }

// Answers the file dialogs: records each request and returns a path that
// the test sets (empty: cancel); a relative name is put in the dialog's folder.
class FileAnswers {
public:
    FileAnswers() {
        SetFileDialogHook([this](const FileDialogRequest& r) {
            asked << r;
            if (answer.isEmpty() || QFileInfo(answer).isAbsolute()) return answer;
            return r.folder + "/" + answer;
        });
    }
    ~FileAnswers() { SetFileDialogHook({}); }
    QList<FileDialogRequest> asked;
    QString answer;
};

}  // namespace

class ArchivePageTest : public QObject {
    Q_OBJECT

private:
    DataFolder data_;
    DialogScript dialogs_;
    FileAnswers files_;
    QDate today_ = QDate::currentDate();
    std::unique_ptr<Sim> sim_;
    std::unique_ptr<TFomi> w_;
    TArchivePage* page_ = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    std::unique_ptr<QAbstractItemModelTester> fileTester_;

    void preset(int item) {
        page_->RGdtp->SetItemIndex(item);
        QCOMPARE(page_->RGdtp->ItemIndex(), item);
    }
    void tab(int index) { page_->TCa->setCurrentIndex(index); }
    QString cell(int row, int column) const { return page_->Model()->Cell(row + 2, column); }
    int rows() const { return page_->Model()->rowCount(); }
    int column(const QString& header2) const {
        for (int c = 0; c < page_->Model()->columnCount(); ++c)
            if (page_->Model()->Header(1).value(c).trimmed() == header2) return c;
        return -1;
    }

private Q_SLOTS:
    void initTestCase() {
        const QString now = QDateTime::currentDateTime().toString("yyyy-MM-ddThh");
        sim_ = std::make_unique<Sim>(QStringList{"--type", "234", "--serial", "417", "--pty", "--today", now});
        QVERIFY(!sim_->Pty().isEmpty());
        TFomiOptions options;
        options.systemPorts = false;
        options.extraPorts = {sim_->Pty()};
        w_ = std::make_unique<TFomi>(options);
        new TChartWindow(w_.get());
        w_->resize(1400, 900);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        w_->AcreateExecute();
        page_ = w_->archivePage;
        QVERIFY(page_);
        tester_ = std::make_unique<QAbstractItemModelTester>(page_->Model(),
                                                             QAbstractItemModelTester::FailureReportingMode::QtTest);
        fileTester_ = std::make_unique<QAbstractItemModelTester>(
            page_->FileModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanupTestCase() {
        tester_.reset();
        fileTester_.reset();
        w_.reset();
    }

    void noArchiveYet() {
        QVERIFY(!Flags().archivePresent);
        QVERIFY(!w_->Action("Asavearh")->isEnabled());
        QVERIFY(!page_->BBcsv->isEnabled());
        page_->RefreshChart();
        QVERIFY(page_->Chart());
        QVERIFY(page_->Chart()->findChild<QLabel*>("ArchiveChartHint")->isVisibleTo(page_->Chart()));
    }

    // A week of the daily archive: identification first, the live rows
    // while the bar runs, the summary, the request count.
    void dailyWeek() {
        page_->EnUpdate->setChecked(true);
        tab(0);
        preset(kWeek);
        int liveRows = 0;
        bool barShown = false;
        QList<int> barMaxima;
        QString readingText;
        QStringList firstLive;
        auto live = connect(page_->Model(), &QAbstractItemModel::rowsInserted, this,
                            [&](const QModelIndex&, int first, int last) {
                                liveRows += last - first + 1;
                                if (firstLive.isEmpty()) firstLive = page_->Model()->Rows().value(0);
                                barShown = barShown || (page_->Bar() && page_->Bar()->isVisibleTo(w_.get()));
                                if (page_->Bar()) barMaxima << page_->Bar()->maximum();
                                readingText = w_->LuState->text();
                            });
        w_->Action("AreadArh")->trigger();
        disconnect(live);

        QCOMPARE(w_->Line().Type(), 234);
        QCOMPARE(w_->PCW()->currentWidget(), w_->TSa);
        QStringList captions;
        for (int i = 0; i < page_->TCa->count(); ++i) captions << page_->TCa->tabText(i);
        QCOMPARE(captions, kTabs);
        QCOMPARE(rows(), 8);
        QVERIFY(liveRows >= 1 && liveRows <= 8);  // the rows shown while the read ran
        QCOMPARE(firstLive, page_->Model()->Rows().value(0));
        QVERIFY(barShown);
        // The bar counts the 8 records of the week, not the ring.
        QVERIFY(!barMaxima.isEmpty());
        for (int maximum : barMaxima) QCOMPARE(maximum, 8);
        QVERIFY2(readingText.contains(QRegularExpression("чтение архива\\. Ждите\\.\\.\\. \\d+ мин \\d+ сек$")),
                 qPrintable(readingText));
        QVERIFY(!page_->Bar()->isVisibleTo(w_.get()));
        QCOMPARE(RecordRequests(*sim_), 8);
        QCOMPARE(w_->LuState->text().section(": ", 1),
                 QString("архив прочитан от %1 г. до %2 г.").arg(Short(today_.addDays(-7)), Short(today_)));
        QCOMPARE(LabelStyle(w_->LuState), StatusStyle::Ok);
        QCOMPARE(LastCommand(*sim_), QString("254"));
        // Operator's daily columns: 15, no hour column; newest first.
        QCOMPARE(page_->Model()->columnCount(), 15);
        QCOMPARE(page_->Model()->Header(0).value(0), QString("ДАТА"));
        QVERIFY(cell(0, 0).startsWith(today_.toString("dd ")));
        QVERIFY(cell(7, 0).startsWith(today_.addDays(-7).toString("dd ")));
        QVERIFY(Flags().archivePresent);
        QVERIFY(w_->Action("Asavearh")->isEnabled());
        QVERIFY(w_->Action("AArhPrint")->isEnabled());
        QVERIFY(!w_->Action("AstopArhRead")->isEnabled());
        QCOMPARE(page_->ArchiveType(), 234);
        QCOMPARE(int(page_->Daily().size()), 8);
    }

    // "ОТ"/"ДО" double-clicked: the pickers span the list of the tab's kind.
    void rangeLabelsDoubleClick() {
        preset(kDay);
        QCOMPARE(page_->DTPb->date(), today_.addDays(-1));
        QTest::mouseDClick(page_->Lot, Qt::LeftButton);
        QCOMPARE(page_->DTPb->date(), today_.addDays(-7));
        QCOMPARE(page_->DTPe->date(), today_);
        QCOMPARE(rows(), 8);
        QCOMPARE(page_->Range().first, today_.addDays(-7));
        preset(kWeek);  // the page applies its range item whenever it is shown again
    }

    void differenceTabTotalsPrecisionLevel0() {
        tab(1);
        QCOMPARE(page_->CurrentTab(), 1);
        // 8 entries in range: 7 differences and the totals row.
        QCOMPARE(rows(), 8);
        QCOMPARE(cell(7, 0), QString("ИТОГО(7):"));
        const int heat = 1;
        QVERIFY(cell(0, heat).contains(QRegularExpression("^-?\\d+,\\d{2}$")));

        page_->SEprec->setValue(5);
        QVERIFY2(cell(0, heat).contains(QRegularExpression("^-?\\d+,\\d{5}$")), qPrintable(cell(0, heat)));
        QVERIFY2(cell(7, 2).contains(QRegularExpression("^-?\\d+,\\d{5}$")), qPrintable(cell(7, 2)));

        Flags().accessLevel = 0;
        Q_EMIT w_->AccessLevelApplied(0);
        QCOMPARE(page_->Model()->columnCount(), 28);
        QVERIFY(column("от 1.1.00") >= 0);
        QVERIFY(column("чч:мм") >= 0);
        QCOMPARE(cell(7, 0), QString("ИТОГО(7):"));  // the count of the totals, not under "чч:мм"
        QCOMPARE(cell(7, 1), QString());
        Flags().accessLevel = 1;
        Q_EMIT w_->AccessLevelApplied(1);
        QCOMPARE(page_->Model()->columnCount(), 15);
    }

    void errorColumnsDecodeOnDoubleClick() {
        tab(0);
        const struct {
            const char* header;
            ErrorTag tag;
        } cases[] = {{"системы", ErrorTag::System}, {"уст-ва", ErrorTag::Device}};
        for (const auto& c : cases) {
            const int col = column(c.header);
            QVERIFY(col >= 0);
            dialogs_.asked.clear();
            const QModelIndex index = page_->Model()->index(2, col);
            page_->SGa->scrollTo(index);
            const QRect r = page_->SGa->visualRect(index);
            QVERIFY(page_->SGa->isVisible() && r.isValid());
            QTest::mouseClick(page_->SGa->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(page_->SGa->viewport(), Qt::LeftButton, {}, r.center());
            QCOMPARE(dialogs_.asked.size(), 1);
            QCOMPARE(dialogs_.asked[0].text, ErrBitsText(cell(2, col).toInt(), *ErrorTextTable(234, c.tag)));
        }
        // Another column asks nothing.
        dialogs_.asked.clear();
        page_->SGaDblClick(3, 1);
        QVERIFY(dialogs_.asked.isEmpty());
    }

    void saveAndLoadRoundTrip() {
        tab(1);
        page_->SEprec->setValue(3);
        files_.answer = QString();  // cancel writes nothing
        w_->Action("Asavearh")->trigger();
        QCOMPARE(files_.asked.size(), 1);
        const FileDialogRequest asked = files_.asked.takeFirst();
        QVERIFY(asked.save);
        QCOMPARE(asked.folder, ArchiveFolder(234, 417));
        QVERIFY(QFileInfo(asked.folder).isDir());
        QVERIFY(QDir(asked.folder).entryList(QDir::Files).isEmpty());
        const QString proposed =
            QString("СУТ 1_Я  РАЗНОСТЬ_от%1до%2дз%3")
                .arg(today_.addDays(-7).toString("yyyyMMdd"), today_.toString("yyyyMMdd"), today_.toString("MMdd"));
        QVERIFY2(asked.fileName.startsWith(proposed) && asked.fileName.endsWith(".Arh"), qPrintable(asked.fileName));

        files_.answer = asked.fileName;
        w_->Action("Asavearh")->trigger();
        const QString path = asked.folder + "/" + asked.fileName;
        QCOMPARE(QFileInfo(path).size(), qint64(8 * 232));
        QVERIFY(QFile::exists(TextCopyName(path)));
        QCOMPARE(w_->LuState->text().section(": ", 1), "архив записан в файл: " + asked.fileName);
        QCOMPARE(LabelStyle(w_->LuState), StatusStyle::Ok);

        const Grid shown = page_->Model()->Table();
        QAction* load = w_->Action("AreadFileArh");
        files_.answer = path;
        load->trigger();
        QVERIFY(load->isChecked());
        QCOMPARE(files_.asked.takeLast().filter, QString("Архивы(*.arh)|*.arh|Bсе файлы(*.*)|*.*"));
        QCOMPARE(w_->PCW()->currentWidget(), w_->TSW);
        QTableView* grid = page_->FileGrid();
        QVERIFY(grid->isVisibleTo(w_.get()));
        const Grid file = page_->FileModel()->Table();
        QCOMPARE(file.size(), 2 + 8);
        // A daily file has the columns of the daily view it was saved from:
        // no hour column of zeros.
        QCOMPARE(file[0], shown[0]);
        QVERIFY(!file[0].contains("Время"));
        for (int r = 2; r < 10; ++r) QCOMPARE(file[r][0], shown[r][0]);
        QCOMPARE(file[9][0], QString("ИТОГО(7):"));
        QCOMPARE(file[2][1], shown[2][1]);
        QCOMPARE(file[9][1], shown[9][1]);
        QCOMPARE(w_->LuState->text().section(": ", -1),
                 QString("архив из файла: %1 - прочитан").arg(asked.fileName).section(": ", -1));
        // The device read stays the current one.
        QCOMPARE(w_->Line().Type(), 234);
        QCOMPARE(w_->Line().Serial(), 417);
        QCOMPARE(page_->LoadedFile(), path);
        if (const QString shots = qEnvironmentVariable("OMI_ARCHIVE_SHOTS"); !shots.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(w_->grab().save(shots + "/archive-file-grid.png"));
        }

        load->trigger();  // unchecked: the grid goes
        QVERIFY(!grid->isVisibleTo(w_.get()));
        page_->SEprec->setValue(2);
    }

    // Files the window did not write: one with another extension and a
    // trailing part shorter than a record is read anyway; a missing file
    // gets a message and changes nothing.
    void loadOddFiles() {
        QTemporaryDir dir;
        const QString odd = dir.filePath("архив.dat");
        QFile f(odd);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // 4 records of 232 bytes dated a week ago (hour at 224, day number at
        // 228) and 72 bytes over.
        QByteArray bytes(1000, '\0');
        const int day = int(QDate(1999, 12, 31).daysTo(QDate::currentDate()) - 7);
        for (int r = 0; r < 4; ++r) {
            bytes[232 * r + 228] = char(day & 0xFF);
            bytes[232 * r + 229] = char(day >> 8);
        }
        f.write(bytes);
        f.close();
        QAction* load = w_->Action("AreadFileArh");
        files_.answer = odd;
        load->trigger();
        QVERIFY(load->isChecked());
        QCOMPARE(page_->FileModel()->rowCount(), 4);
        QVERIFY2(w_->LuState->text().endsWith("архив из файла: архив.dat - прочитан"), qPrintable(w_->LuState->text()));
        load->trigger();

        const Grid before = page_->FileModel()->Table();
        dialogs_.asked.clear();
        files_.answer = dir.filePath("нет такого.Arh");
        load->trigger();
        QCOMPARE(dialogs_.asked.size(), 1);
        QVERIFY2(dialogs_.asked[0].text.contains("нет такого.Arh"), qPrintable(dialogs_.asked[0].text));
        QCOMPARE(page_->FileModel()->Table(), before);
        load->trigger();
        QVERIFY(!load->isChecked());
    }

    void csvExport() {
        w_->PCW()->setCurrentWidget(w_->TSa);
        tab(1);
        QVERIFY(page_->BBcsv->isEnabled());
        files_.answer = "таблица";  // no extension: .csv is added
        page_->BBcsv->click();
        QCOMPARE(files_.asked.takeLast().filter.section('|', 1, 1), QString("*.csv"));
        QFile f(ArchiveFolder(234, 417) + "/таблица.csv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), 2 + 8);
        QVERIFY(lines[0].startsWith("ДАТА;ТЕПЛО;объем;"));
        QVERIFY(lines[1].startsWith("дд месяца гггг;\" Гкал\";\"   1-й м3\";"));
        QCOMPARE(lines[2].split(';').mid(0, 15), page_->Model()->Rows()[0]);
        QVERIFY(lines[2].split(';')[1].contains(QRegularExpression("^-?\\d+,\\d{2}$")));
        QVERIFY(lines.last().startsWith("ИТОГО(7):;" + page_->Model()->Rows()[7][1] + ";"));
    }

    void chartShowsTheTab() {
        tab(0);
        // The chart window opens from the page's button and the grid's menu.
        QVERIFY(page_->BBchart->isEnabled());
        QVERIFY(w_->PMa->actions().contains(page_->Achart));
        auto* chartWindow = w_->findChild<TChartWindow*>();
        QVERIFY(!chartWindow->isVisible());
        page_->BBchart->click();
        QVERIFY(chartWindow->isVisible());
        chartWindow->hide();
        const ArchiveChartData& d = page_->Chart()->Data();
        QCOMPARE(d.title, kTabs[0]);
        QVERIFY(!d.hourly);
        QCOMPARE(d.heat.size(), 7);  // the oldest entry has no day before it
        QCOMPARE(d.supply.size() + d.ret.size() > 0, true);
        QVERIFY(d.heat.first().x() < d.heat.last().x());
        QCOMPARE(page_->Chart()->Chart()->series().size(), 3);
        QVERIFY(!page_->Chart()->findChild<QLabel*>("ArchiveChartHint")->isVisibleTo(page_->Chart()));
    }

    void hourlyDay() {
        w_->PCW()->setCurrentWidget(w_->TSa);
        tab(4);
        preset(kDay);
        QCOMPARE(page_->DTPb->date(), today_.addDays(-1));
        QCOMPARE(page_->DTPe->date(), today_);
        const int before = RecordRequests(*sim_);
        w_->Action("AreadArh")->trigger();
        const int requests = RecordRequests(*sim_) - before;
        // Yesterday's 24 hours and today's up to the device's hour.
        QVERIFY2(requests >= 24 && requests <= 48, qPrintable(QString::number(requests)));
        QCOMPARE(rows(), requests);
        QCOMPARE(page_->Model()->columnCount(), 16);
        QCOMPARE(page_->Model()->Header(0).value(1), QString("Время"));
        QCOMPARE(cell(0, 1), QString::number(QTime::currentTime().hour()));
        // After the read the newest row is in sight at the top.
        QCOMPARE(page_->SGa->indexAt(QPoint(2, 2)).row(), 0);
        QCOMPARE(int(page_->Hourly().size()), requests);
        QCOMPARE(int(page_->Daily().size()), 8);  // the daily list stays
        QVERIFY(page_->Chart()->Data().hourly);
        // For a look as a user would: OMI_ARCHIVE_SHOTS=<folder> saves the
        // page and the chart window as PNG files.
        const QString shots = qEnvironmentVariable("OMI_ARCHIVE_SHOTS");
        if (!shots.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(w_->grab().save(shots + "/archive-page.png"));
            QWidget* chart = w_->findChild<TChartWindow*>();
            chart->resize(900, 560);
            chart->show();
            QTest::qWait(200);
            QVERIFY(chart->grab().save(shots + "/archive-chart.png"));
            chart->hide();
        }
    }

    // At the service level every exchange of a read is logged; the log goes
    // into the data folder, never into whatever the working folder is.
    void serviceLevelByteLogInDataFolder() {
        QTemporaryDir cwd;
        const QString before = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        Flags().accessLevel = 0;
        Q_EMIT w_->AccessLevelApplied(0);
        w_->PCW()->setCurrentWidget(w_->TSa);
        tab(0);
        preset(kDay);
        w_->Action("AreadArh")->trigger();
        Flags().accessLevel = 1;
        Q_EMIT w_->AccessLevelApplied(1);
        QDir::setCurrent(before);
        QVERIFY(rows() > 0);
        QVERIFY(QDir(cwd.path()).entryList(QDir::Files).isEmpty());
        QFile log(data_.Path("АРХИВ234235.txt"));
        QVERIFY(log.exists());
        QVERIFY(log.size() > 0);
    }

    // Tabs switched while a read runs: back on the read's tab the grid holds
    // the rows so far and goes on growing without gaps or repeats.
    void tabSwitchDuringRead() {
        tab(4);
        preset(kWholeArchive);
        int flushes = 0;
        Grid live;
        auto during = connect(page_->Model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (!w_->Line().ArchiveReading().reading) return;
            if (const QString shots = qEnvironmentVariable("OMI_ARCHIVE_SHOTS"); !shots.isEmpty() && flushes == 0)
                w_->grab().save(shots + "/archive-reading.png");
            if (++flushes == 1) {
                tab(6);
                tab(4);
            } else if (flushes == 2) {
                live = page_->Model()->Rows();
                w_->Action("AstopArhRead")->trigger();
            }
        });
        w_->Action("AreadArh")->trigger();
        disconnect(during);
        QCOMPARE(flushes, 2);
        const Grid final = page_->Model()->Rows();
        QVERIFY(live.size() >= 2);
        QVERIFY(final.size() >= live.size() && final.size() <= live.size() + 1);
        QCOMPARE(final.mid(0, live.size()), live);
    }

    // "стоп" while the whole hourly ring is read: no further record request,
    // the summary of what was read, command 254 at the end.
    void stopInTheMiddle() {
        tab(5);  // "ЧАС 1-Я  РАЗНОСТЬ": a live row needs the record after it
        preset(kWholeArchive);
        const int before = RecordRequests(*sim_);
        // Pressed as soon as the grid shows a row.
        QStringList firstLive;
        auto stopper = connect(page_->Model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (firstLive.isEmpty()) firstLive = page_->Model()->Rows().value(0);
            if (w_->Action("AstopArhRead")->isEnabled()) w_->Action("AstopArhRead")->trigger();
        });
        QVERIFY(!w_->Action("AstopArhRead")->isEnabled());
        w_->Action("AreadArh")->trigger();
        disconnect(stopper);
        const int read = int(page_->Hourly().size());
        QVERIFY2(read >= 1 && read < 100, qPrintable(QString::number(read)));
        QVERIFY2(read >= 2, qPrintable(QString::number(read)));
        QCOMPARE(rows(), read);  // differences and the totals row
        QVERIFY(cell(read - 1, 0).startsWith("ИТОГО("));
        QCOMPARE(firstLive, page_->Model()->Rows().value(0));
        QCOMPARE(RecordRequests(*sim_) - before, read);
        QCOMPARE(LastCommand(*sim_), QString("254"));
        QVERIFY2(w_->LuState->text().contains("архив прочитан от "), qPrintable(w_->LuState->text()));
        QCOMPARE(LabelStyle(w_->LuState), StatusStyle::Ok);
        QVERIFY(!w_->Action("AstopArhRead")->isEnabled());
        QVERIFY(!w_->Line().ArchiveReading().reading);
    }
};

QTEST_MAIN(ArchivePageTest)
#include "ArchivePageTest.moc"
