#pragma once
// The "АРХИВЫ" page: range controls, reading, the archive table with totals,
// archive files in the window, export and the chart.
//
// The print page reads what is shown through the accessors below.

#include "archives/ArchiveRecord.h"
#include "archives/ArchiveView.h"

#include <QObject>
#include <QString>

namespace omi {

class TFomi;

class TArchivePage : public QObject {
    Q_OBJECT
public:
    explicit TArchivePage(TFomi& window);

    // The device type whose archive is shown (read or loaded from a file);
    // -1 while there is none.
    int ArchiveType() const { return archiveType_; }
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

Q_SIGNALS:
    // The archive shown changed (read, stopped, loaded, tab switched).
    void ArchiveChanged();

private:
    TFomi& window_;
    int archiveType_ = -1;
    ArchiveList daily_;
    ArchiveList hourly_;
    int currentTab_ = 0;
    ViewRange range_;
    QString loadedFile_;
};

}  // namespace omi
