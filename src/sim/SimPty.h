#pragma once
// The simulated line on a pseudo-terminal. The client opens the slave path
// like a serial port; the simulator reads and writes the master.
//
// The simulator keeps a slave descriptor of its own open for its whole life,
// so the master never sees a hang-up when the client closes the port, and the
// client can close and reopen it as often as it likes. A modem in front keeps
// its state across that, as a modem whose control lines are not watched
// would: a connection held in command mode stays held. Close() (the adapter
// unplugged) releases both sides: the client's reads then fail.

#include "SimLine.h"
#include "SimModem.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace omi {

class SimPty : public QObject {
    Q_OBJECT
public:
    explicit SimPty(SimResponder& responder, QObject* parent = nullptr);
    ~SimPty() override;

    // Creates the pseudo-terminal in raw mode. Empty text on success.
    QString Open();
    void Close();
    bool IsOpen() const { return master_ >= 0; }

    // The path the client opens, e.g. /dev/pts/3.
    QString SlavePath() const { return slavePath_; }
    SimLine& Line() { return line_; }

    // Puts a modem in front of the line: the client dials before it reaches
    // the devices. Without it the line is a direct one.
    void EnableModem(const SimModemSettings& settings);
    SimModem* Modem() { return modem_; }

Q_SIGNALS:
    // The hang-up answer has been written and the client has read it (or
    // has not read it within a second). Closing the master would discard
    // unread bytes, so the line waits for them to be taken first.
    void HangupDue();

private:
    void readMaster();
    void write(const QByteArray& bytes);
    void flushPending();
    void drainThenHangup();
    int unreadBySlave() const;

    SimLine line_;
    SimModem* modem_ = nullptr;
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray pending_;  // answer bytes the terminal could not take yet
    QTimer* drain_ = nullptr;
    QElapsedTimer drainClock_;
};

}  // namespace omi
