#include "state/StateView.h"

#include "shell/MainWindow.h"

namespace omi {

TStateView::TStateView(TFomi& window) : QObject(&window), window_(window) {}

}  // namespace omi
