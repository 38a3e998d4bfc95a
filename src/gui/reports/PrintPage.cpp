#include "reports/PrintPage.h"

#include "shell/MainWindow.h"

namespace omi {

TPrintPage::TPrintPage(TFomi& window) : QObject(&window), window_(window) {}

}  // namespace omi
