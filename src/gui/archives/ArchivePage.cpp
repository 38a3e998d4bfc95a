#include "archives/ArchivePage.h"

#include "shell/MainWindow.h"

namespace omi {

TArchivePage::TArchivePage(TFomi& window) : QObject(&window), window_(window) {}

}  // namespace omi
