#pragma once
// A telephone/GSM modem in front of the simulated calculators on a serial
// line. The client talks to it with AT commands first and reaches the
// devices only once a dial has connected.
//
// Command mode: bytes are collected up to a carriage return ('\n' is
// ignored). A line of printable text is echoed as received, with its '\r',
// then answered "\r\n" + result + "\r\n": "OK" to any AT command, "ERROR" to
// other text, nothing beyond the echo to an empty line. A line holding other
// bytes is line noise (a request frame sent while there is no connection:
// every frame carries a type code or a zero byte outside printable text) and
// gets neither echo nor answer, so a client never reads its own request back.
// ATD (ATDT, ATDP, then digits, W, commas) is answered after a short pause,
// as the settings choose; CONNECT takes the line to data mode. ATH/ATH0 and
// ATZ end a connection; ATO returns to one that is held.
//
// Data mode: the bytes go to the line unchanged, faults and pacing included.
// "+++" arriving as one piece of its own while no request is partly received
// is the escape: command mode with the connection held ("OK"). The modem does
// not time guard intervals; taking the escape only as a separate write with no
// frame in progress keeps a '+' byte of a frame from ever being taken for it.
// The same piece arriving in command mode (a hang-up after the carrier was
// lost) is dropped.
// With a drop count set, the carrier is lost after that many answers in one
// connection: "NO CARRIER", command mode, and what was in flight is lost.
//
// Every command line, the escape and every result go to the log file of the
// responder, as "modem> TEXT" and "modem< TEXT" (frame lines stay as they
// are: decimal bytes).

#include "SimLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace omi {

enum class SimModemReply { Connect, Busy, NoCarrier, NoDialtone, Silent };

struct SimModemSettings {
    bool enabled = false;
    SimModemReply reply = SimModemReply::Connect;  // how a dial is answered
    int dropAfter = 0;                             // answers per connection before the carrier is lost (0: never)
    int dialMs = 300;                              // from a dial command to its result
};

// The names of the dial answers on the command line ("connect", "busy", ...).
QStringList SimModemReplyNames();
std::optional<SimModemReply> SimModemReplyFromName(const QString& name);

class SimModem : public QObject {
    Q_OBJECT
public:
    using Sink = SimLine::Sink;

    // Puts the modem in front of line; its own texts go to sink, the same
    // sink the line writes its answers to.
    SimModem(SimLine& line, SimModemSettings settings, Sink sink, QObject* parent = nullptr);

    // Bytes written by the client.
    void Receive(const QByteArray& bytes);

    bool Dialing() const { return state_ == State::Dialing; }
    bool InDataMode() const { return state_ == State::Data; }
    bool Connected() const { return connected_; }

private:
    enum class State { Command, Dialing, Data };

    void commandLine(const QByteArray& text, bool overflow);
    void dial(const QByteArray& number);
    void dialDone();
    void abortDial();
    void escape();
    void answerWritten();
    void result(const QByteArray& text);
    void log(const QByteArray& prefix, const QByteArray& text);

    SimLine& line_;
    SimModemSettings settings_;
    Sink sink_;
    State state_ = State::Command;
    bool connected_ = false;
    int answers_ = 0;  // in the current connection
    QByteArray command_;
    bool overflow_ = false;
    QTimer dialTimer_;
};

}  // namespace omi
