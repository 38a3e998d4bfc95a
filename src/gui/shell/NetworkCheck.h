#pragma once
// The network check of the "СЕТЬ" page: Aping, a click on LNstate or Enter in
// MEip resolves the address and sends at most two echo requests one second
// apart, reporting on LNstate and the status line.

#include <QObject>

#include "transport/Ping.h"

namespace omi {

class Connection;
class TFomi;

class TNetworkCheck : public QObject {
    Q_OBJECT
public:
    TNetworkCheck(TFomi& window, Connection& line);

    void ApingExecute();
    void PingDnsLookupDone(int error);
    void PingEchoReply(int replies);

    TPing& Ping() { return ping_; }
    int Retries() const { return retries_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showReached();
    QString checkingText() const;

    TFomi& window_;
    Connection& line_;
    TPing ping_;
    int retries_ = 0;
};

}  // namespace omi
