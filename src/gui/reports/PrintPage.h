#pragma once
// The "настройка печати" page and printing: report templates, the item list, fonts and margins, the preview with printing and PDF.

#include <QObject>

namespace omi {

class TFomi;

class TPrintPage : public QObject {
    Q_OBJECT
public:
    explicit TPrintPage(TFomi& window);

private:
    TFomi& window_;
};

}  // namespace omi
