#pragma once
// The logger file manager "ЗОРТ-1": the folders of the computer and its
// drives, the logger archive files of the chosen folder with what each holds,
// the names under which checked files are filed into ДАННЫЕ/АРХИВЫ/ZORT-1
// (editable), the copy with progress and cancel, and the file chosen for
// import. Shown modally by the "ЗОРТ" import; only "открыть файл" accepts it.

#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <functional>

class QAction;
class QFileSystemModel;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace omi {

class TFZORT : public QDialog {
    Q_OBJECT
public:
    // The layout is restored from ДАННЫЕ/память.mem and saved there when
    // the window goes.
    explicit TFZORT(QWidget* parent = nullptr);
    ~TFZORT() override;

    // The folder whose logger files are listed.
    QString Folder() const { return folder_; }
    void SetFolder(const QString& folder);
    // The list of the folder's logger files (AFileList).
    void AFileList();
    // A click on a row: its check box flips (unless the click on the box
    // itself already flipped it), the preview follows.
    void LVcClick(int row, bool alreadyFlipped = false);
    // The drives (AGetDisk): every drive with a medium gets a node listing
    // its folders; the first whose label holds "ЗОРТ-1" or "ZORT-1" is
    // chosen and listed.
    void AGetDiskExecute();
    // Where the drives come from (tests give their own; empty: the system's).
    void SetDriveSource(std::function<QStringList()> drives) { drives_ = std::move(drives); }
    // The new-name preview (AZORTRENAME).
    void AZORTRENAME();
    // Files the checked rows under the names of the preview (AZORTCopy).
    void AZORTCopy();
    // The chosen file for import, and the window accepted (AfileDLOpen).
    void AfileDLOpen();
    void BitBtn1Click();
    // The drives of the computer, as "root,kind,label" (AGetDisk); a drive
    // without a medium has the label "НЕТ_В_НАЛИЧИИ".
    static QStringList DriveList();

    // The file chosen by AfileDLOpen (empty when none).
    QString ChosenFile() const { return chosen_; }
    // The clock of the preview's names (tests fix it).
    void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    // Asked before a file of the same name is replaced: true replaces.
    void SetOverwriteQuestion(std::function<bool(const QString&)> ask) { askOverwrite_ = std::move(ask); }

    QLabel* LAind = nullptr;
    QToolBar* ATB = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QTreeWidget* TVc = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QTreeWidget* LVc = nullptr;
    QPlainTextEdit* REName = nullptr;
    QAction* AGetDisk = nullptr;
    QAction* AFileListAction = nullptr;
    QAction* AfileDLOpenAction = nullptr;
    QAction* AZORTCopyAction = nullptr;
    QAction* AHelpZORT = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setStatus(const QString& text);
    void addSubfolders(QTreeWidgetItem* node);
    // The list's share of the window widened (from the new-name pane) to
    // show its columns whole.
    void fitList();

    QFileSystemModel* folders_ = nullptr;
    QString folder_;
    QString chosen_;
    std::function<QDateTime()> clock_;
    std::function<bool(const QString&)> askOverwrite_;
    std::function<QStringList()> drives_;
    QTreeWidgetItem* pressedItem_ = nullptr;
    Qt::CheckState pressedState_ = Qt::Unchecked;
};

// Shows the manager modally and returns its result; tests put a hook in
// place of the modal run (an empty hook restores it).
int ShowLoggerManager(TFZORT& manager);
void SetLoggerManagerHook(std::function<int(TFZORT&)> hook);

}  // namespace omi
