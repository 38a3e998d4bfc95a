#pragma once
// A serial line to the simulated calculators: takes the bytes the client
// writes, cuts them into requests, lets the responder answer, and puts the
// answers back on the line as a real line would deliver them.
//
// Timing: an answer goes out --delay ms after the request has arrived; with a
// line speed set, the request's own wire time (10 bits per byte, counted from
// its first byte) comes first, and the answer is written progressively at 10
// bits per byte. With a byte gap set, the answer's first byte goes out at
// once and each further byte that gap later (a device that sends slowly,
// whatever the line speed). With none of these, the answer is written at once,
// inside Receive(). Answers never overlap: one starts when the previous has
// left.
//
// Everything runs on the caller's event loop with precise single-shot timers;
// nothing waits or polls.

#include "SimFrameReader.h"
#include "SimResponder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

namespace omi {

class SimLine : public QObject {
    Q_OBJECT
public:
    // Receives the bytes to put on the line, in order.
    using Sink = std::function<void(const QByteArray& bytes)>;

    SimLine(SimResponder& responder, Sink sink, QObject* parent = nullptr);

    // Bytes written by the client.
    void Receive(const QByteArray& bytes);

    // No answer is waiting or being written.
    bool Idle() const { return queue_.empty(); }

    SimResponder& Responder() { return responder_; }

    // Part of a request has arrived and the rest is awaited.
    bool ReceivingRequest() const { return reader_.Pending() > 0; }

    // The far end went away (a modem connection ended): the bytes of a
    // request not yet complete and every answer not yet written are lost.
    void Reset();

Q_SIGNALS:
    // An answer has been written completely.
    void AnswerWritten();
    // The answer that reached the hang-up count has been written completely.
    void HangupDue();

private:
    struct Pending {
        QByteArray bytes;
        std::int64_t notBeforeUs = 0;
        std::int64_t startUs = -1;  // set when it becomes the first in the queue
        qsizetype written = 0;
    };

    void handle(std::vector<SimFrameReader::Request> requests);
    void pump();
    void schedule(std::int64_t inUs);
    std::int64_t nowUs() const;
    std::int64_t wireUs(qsizetype bytes) const;
    // When byte index of an answer that started at startUs has arrived.
    std::int64_t byteDoneUs(std::int64_t startUs, qsizetype index) const;
    int quietGapMs() const;

    SimResponder& responder_;
    Sink sink_;
    SimFrameReader reader_;
    std::deque<Pending> queue_;
    std::int64_t lineFreeUs_ = 0;
    bool hangupSignalled_ = false;
    QElapsedTimer clock_;
    QTimer pace_;
    QTimer quiet_;
};

}  // namespace omi
