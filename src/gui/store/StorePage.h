#pragma once
// The window "ХРАНИЛИЩЕ АРХИВОВ": the archive store a collection fills, seen
// from the program. It opens a store (an SQLite file or a PostgreSQL
// address; the address is remembered with the window's control values),
// lists its meters with their last collection (status, time, the device
// clock against the computer's) and the days of the last N days whose
// records show errors or are missing; a meter's archive goes to the
// "АРХИВЫ" page as a read from the device would. The period report across
// meters is shown, printed and saved as PDF or CSV; a collection of a meter
// list runs as omi-cli in a process of its own, each meter's progress read
// from the store's collection log while it runs.
//
// Opened by the action "AStore"; created with the main window and hidden.

#include <QDateTime>
#include <QProcess>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "store/ArchiveStore.h"
#include "store/PeriodReport.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace omi {

class TFomi;

// One meter of the store as the list shows it.
struct StoreMeterRow {
    QString name;  // of its last collection; empty when never logged
    int type = -1;
    QString model;
    int serial = 0;
    bool records = false;  // the store holds records of it
    std::optional<ArchiveStore::RunRow> lastRun;
    StoredArchive archive = StoredArchive::Daily;  // the archive looked at for errors and gaps
    QStringList errorDays;                         // runs of days (hours) with errors
    QStringList missingDays;                       // runs of days (hours) not stored
    QString findingsError;
};

// A collected meter's line in the collection table.
struct CollectRow {
    QString name;
    int serial = 0;
    QString state;
    bool done = false;
    bool ok = false;
};

class TStorePage : public QWidget {
    Q_OBJECT
public:
    explicit TStorePage(TFomi& window);
    ~TStorePage() override;

    // Opens the store named by EStore (the data folder's SQLite file when
    // empty) for reading and lists its meters. False with the message on
    // the page when it cannot be read.
    bool OpenStore();
    // "файл...": an SQLite file chosen in the open dialog, then opened.
    void ChooseStoreFile();
    // The meter list again from the open store.
    void RefreshMeters();
    bool IsOpen() const { return store_ != nullptr; }
    const std::vector<StoreMeterRow>& Meters() const { return meters_; }
    // The message line of the page (what was opened, or why not).
    QString Message() const;

    // The archive of the meter of a row of the list on the "АРХИВЫ" page.
    bool OpenMeterArchive(int row);

    // "составить": the period report of DTPfrom..DTPto into SGreport.
    bool MakeReport();
    const PeriodReport& Report() const { return report_; }
    // The report as CSV or PDF; an empty path asks the save dialog. A
    // Russian message, empty on success.
    QString SaveReportCsv(const QString& path = {});
    QString SaveReportPdf(const QString& path = {});
    // "печать": the preview of the report with printing.
    void PrintReport();
    // Tests put their own preview in place of the modal one (an empty
    // function restores it): paint draws the pages on the printer.
    static void SetPreviewHook(std::function<void(QPrinter&, const std::function<void(QPrinter*)>& paint)> hook);

    // "собрать": omi-cli collect of the list EList into the store. False
    // with the message on the page when it cannot start.
    bool StartCollection();
    void StopCollection();
    bool Collecting() const;
    const std::vector<CollectRow>& CollectRows() const { return collectRows_; }
    // The omi-cli program run for a collection: beside this program, else
    // beside it in the build tree, else on the PATH.
    QString CollectorProgram() const;
    void SetCollectorProgram(const QString& path) { collector_ = path; }

    // Controls, named as their objectName.
    QLineEdit* EStore = nullptr;
    QPushButton* BBstoreFile = nullptr;
    QPushButton* BBstoreOpen = nullptr;
    QSpinBox* SEdays = nullptr;
    QLabel* LStoreState = nullptr;
    QTabWidget* PCstore = nullptr;
    QTableWidget* SGmeters = nullptr;
    QPushButton* BBarchive = nullptr;
    QDateEdit* DTPfrom = nullptr;
    QDateEdit* DTPto = nullptr;
    QLineEdit* EReportName = nullptr;
    QPushButton* BBreport = nullptr;
    QPushButton* BBreportPrint = nullptr;
    QPushButton* BBreportPdf = nullptr;
    QPushButton* BBreportCsv = nullptr;
    QTableWidget* SGreport = nullptr;
    QLineEdit* EList = nullptr;
    QPushButton* BBlistFile = nullptr;
    QCheckBox* CBsince = nullptr;
    QDateEdit* DTPsince = nullptr;
    QPushButton* BBcollect = nullptr;
    QPushButton* BBcollectStop = nullptr;
    QTableWidget* SGcollect = nullptr;

Q_SIGNALS:
    // A collection started from the page ended (the list refreshed).
    void CollectionFinished(bool ok);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildMetersTab();
    QWidget* buildReportTab();
    QWidget* buildCollectTab();
    QString storeLocation() const;
    void setMessage(const QString& text, bool error);
    void fillMeters();
    void fillReport();
    void paintReport(QPrinter* printer);
    QString reportTitle() const;
    QStringList reportTitleLines() const;
    void pollProgress();
    void collectionEnded(int exitCode, QProcess::ExitStatus status);
    void fillCollectRows();

    TFomi& window_;
    std::unique_ptr<ArchiveStore> store_;
    std::vector<StoreMeterRow> meters_;
    PeriodReport report_;
    Grid reportGrid_;
    QString collector_;
    QProcess* process_ = nullptr;
    QTimer* poll_ = nullptr;
    std::unique_ptr<ArchiveStore> progressStore_;
    QDateTime collectStarted_;
    QString collectStore_;
    std::vector<CollectRow> collectRows_;
};

}  // namespace omi
