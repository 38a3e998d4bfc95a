#include "archives/ArchivePage.h"

#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "support/Format.h"

namespace omi {

TArchivePage::TArchivePage(TFomi& window) : QObject(&window), window_(window) {}

ArchiveTabView TArchivePage::CurrentView() const {
    return ShowArchiveTab(archiveType_, currentTab_, daily_, hourly_, range_, DisplayFormat(), Flags().accessLevel);
}

}  // namespace omi
