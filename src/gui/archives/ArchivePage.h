#pragma once
// The "АРХИВЫ" page: range controls, reading, the archive table with totals,
// archive files in the window, export and the chart.
//
// The print page reads what is shown through the accessors below.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "archives/ArchiveFile.h"
#include "archives/ArchiveReader.h"
#include "archives/ArchiveRecord.h"
#include "archives/ArchiveView.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTableView;
class QTableWidget;

namespace omi {

class ArchiveChart;
class ArchiveGridModel;
class TChartWindow;
class Connection;
class TFomi;
class TRadioGroup;

class TArchivePage : public QObject {
    Q_OBJECT
public:
    TArchivePage(TFomi& window, Connection& line);

    // The device type whose archive is shown (read or loaded from a file);
    // -1 while there is none.
    int ArchiveType() const { return archiveType_; }
    int ArchiveSerial() const { return archiveSerial_; }
    // The device type the last archive file was read as (-1 before).
    int LoadedType() const { return fileType_; }
    // The archive lists of that device, newest first.
    const ArchiveList& Daily() const { return daily_; }
    const ArchiveList& Hourly() const { return hourly_; }
    // The tab shown (index into ArchiveTabs(ArchiveType())).
    int CurrentTab() const { return currentTab_; }
    // The range of the view (the date pickers, or the whole archive).
    ViewRange Range() const { return range_; }
    // The archive file shown by "чтение архива", empty for an archive read
    // from the device.
    QString LoadedFile() const { return loadedFile_; }
    // What the current tab shows (view list, table, error).
    ArchiveTabView CurrentView() const;
    // The outcome of a read cut short by a lost line while the current tab's
    // list holds it ("НЕТ СВЯЗИ: архив неполный, ..."); empty for a complete
    // archive.
    QString PartialNote() const;
    // The archive file last loaded by "чтение архива" (its entries, cells
    // and codes); empty before.
    const ArchiveFileContent& LoadedContent() const { return loadedContent_; }

    // The outcome of the last "архив" read (a read from the device or the
    // replay of a logger file).
    const ArchiveReadResult& LastRead() const { return lastRead_; }

    // Handlers, named after their control and event.
    void AreadArhExecute();
    void AstopArhReadExecute();
    void AsavearhExecute();
    void AreadFileArhExecute(bool checked);
    // "экспорт в Excel (CSV)": the table shown, to a CSV file.
    void ExportCsvExecute();
    void TSaShow();
    // Refresh of the view; live: a read appended an entry (rows are kept).
    void TCaChange();
    void RGdtpClick();
    void DTPbChange();
    void LotDblClick();
    void SEprecChange();
    // Error decoding of a cell of the grid (row counted with the two header
    // rows, as the table has them).
    void SGaDblClick(int tableRow, int column);
    // The chart window shows the view of the selected tab.
    void RefreshChart();
    // "график": the chart window shown with the view of the selected tab.
    void AchartExecute();
    // An archive taken from the archive store, shown as a read from the
    // device would be: its lists (newest first) on every tab with totals,
    // chart, save, print and CSV, the range spanning their days; source
    // names where they came from in the status line. False (nothing
    // changed) while a read runs or for a type without archives.
    bool ShowStoredArchive(int type, int serial, ArchiveList daily, ArchiveList hourly, const QString& source);
    // Another device (or none) is current: an archive read from a device
    // other than that one is dropped with its save and print, and "архив"
    // is disabled for a device without archives.
    void DropDevice(int serial, int type);

    // Controls, named as their objectName.
    QLabel* Lot = nullptr;
    QLabel* Ldo = nullptr;
    QLabel* Lpartial = nullptr;
    QDateEdit* DTPb = nullptr;
    QDateEdit* DTPe = nullptr;
    TRadioGroup* RGdtp = nullptr;
    QSpinBox* SEprec = nullptr;
    QCheckBox* EnUpdate = nullptr;
    QPushButton* BBcsv = nullptr;
    QPushButton* BBchart = nullptr;
    QAction* Achart = nullptr;
    QTabBar* TCa = nullptr;
    QTableView* SGa = nullptr;
    ArchiveGridModel* Model() const { return model_; }
    // The grid of a loaded archive file on the device page (shown while
    // "чтение архива" is checked), and its rows.
    QTableView* FileGrid() const { return fileGrid_; }
    ArchiveGridModel* FileModel() const { return fileModel_; }
    // The progress bar along the bottom of the window while a read runs.
    QProgressBar* Bar() const { return bar_; }
    ArchiveChart* Chart() const { return chart_; }

    // Time spent in the live view during the last read and in showing the
    // table after it, nanoseconds (the benchmark reports them).
    qint64 LiveNanoseconds() const { return liveNs_; }
    qint64 FinalShowNanoseconds() const { return finalShowNs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The archive shown changed (read, stopped, loaded, tab switched).
    void ArchiveChanged();

private:
    void buildPage();
    void wireActions();
    // The device type the view shows: the archive's, else the current device's.
    int viewType() const;
    void setTabCaptions(int type);
    void applyPreset();
    void decodeError(const Grid& rows, int type, int tableRow, int column);
    void fillFileGrid(const Grid& rows);
    void setupGrid(QTableView* grid);
    void setPickers(const QDate& first, const QDate& last);
    void copyPickersToRange();
    void fillGrid(const Grid& rows);
    void growColumns(const Grid& rows, int firstRow);
    void liveEntry(int type, int tabIndex);
    void flushLiveRows();
    void showProgress(int position, int maximum);
    TChartWindow* chartWindow();
    QString deviceFolder() const;

    TFomi& window_;
    Connection& line_;
    int archiveType_ = -1;
    ArchiveList daily_;
    ArchiveList hourly_;
    int currentTab_ = 0;
    ViewRange range_;
    QString loadedFile_;
    ArchiveFileContent loadedContent_;
    int archiveSerial_ = -1;
    QString dailyPartial_;  // PartialNote() of each list
    QString hourlyPartial_;

    ArchiveGridModel* model_ = nullptr;
    ArchiveGridModel* fileModel_ = nullptr;
    QTableView* fileGrid_ = nullptr;
    QProgressBar* bar_ = nullptr;
    ArchiveChart* chart_ = nullptr;
    TChartWindow* chartWindow_ = nullptr;
    bool live_ = false;
    QList<int> widths_;
    Grid shownRows_;
    Grid fileRows_;      // the table of the loaded file, header rows first
    int fileType_ = -1;  // the table of the last refresh, header rows first
    QElapsedTimer liveScroll_;
    Grid pendingRows_;  // live rows not yet in the grid
    qint64 liveNs_ = 0;
    qint64 finalShowNs_ = 0;
    ArchiveReadResult lastRead_;
    class PageStatus;
    friend class PageStatus;
};

}  // namespace omi
