#include "config/ConfigPage.h"

#include "shell/MainWindow.h"

namespace omi {

TConfigPage::TConfigPage(TFomi& window) : QObject(&window), window_(window) {}

}  // namespace omi
