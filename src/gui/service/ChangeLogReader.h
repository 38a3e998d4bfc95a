#pragma once
// The change-log action of the window (AReadChang, "ЖУИ"): reads the log
// of the device through the core (service/ChangeLog.h) into the grid sgsp of
// the device page, two rows per entry, with the answers' bytes in the memo.

#include <QObject>

namespace omi {

class Connection;
class TFomi;

class TChangeLogReader : public QObject {
    Q_OBJECT
public:
    TChangeLogReader(TFomi& window, Connection& line);

    void AReadChangExecute();

private:
    TFomi& window_;
    Connection& line_;
};

}  // namespace omi
