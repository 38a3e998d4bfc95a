#pragma once
// The change-log action of the window (AReadChang, "ЖУИ"): reads the log
// of the device through the core (service/ChangeLog.h) into the grid sgsp of
// the device page, two rows per entry, with the answers' bytes in the memo.

#include <QObject>

namespace omi {

class TFomi;

class TChangeLogReader : public QObject {
    Q_OBJECT
public:
    explicit TChangeLogReader(TFomi& window);

    void AReadChangExecute();

private:
    TFomi& window_;
};

}  // namespace omi
