#pragma once
// The "АРХИВЫ" page: range controls, reading, the archive table with totals, archive files in the window, export and the chart.

#include <QObject>

namespace omi {

class TFomi;

class TArchivePage : public QObject {
    Q_OBJECT
public:
    explicit TArchivePage(TFomi& window);

private:
    TFomi& window_;
};

}  // namespace omi
