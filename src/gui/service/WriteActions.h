#pragma once
// The six write actions of the window (clock, network number, configuration,
// initialisation, operating-time start, archive clearing): their buttons on
// the "КАЛИБРОВКА" page, the new-number edit SEDN with its check, and the
// running clock LDT/Gsec with its timer Tdt. The requests, the judgement of
// the answers and the texts are the core's (service/DeviceWrites.h).

#include <QObject>

#include "service/DeviceWrites.h"

class QSpinBox;
class QTimer;
class QToolButton;

namespace omi {

class Connection;
class TFomi;

class TWriteActions : public QObject {
    Q_OBJECT
public:
    TWriteActions(TFomi& window, Connection& line);

    // The common procedure: identify when no device is known, the page,
    // the confirmation, the busy text, one request, the report.
    void Run(WriteOp op);
    // One tick of the clock: LDT with the colon blinking, Gsec the seconds.
    void TdtTimer();
    void SEDNChange();

    QSpinBox* SEDN = nullptr;
    QTimer* Tdt = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFomi& window_;
    Connection& line_;
};

}  // namespace omi
