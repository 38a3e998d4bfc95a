#include "SimLine.h"

#include <algorithm>

namespace omi {

SimLine::SimLine(SimResponder& responder, Sink sink, QObject* parent)
    : QObject(parent), responder_(responder), sink_(std::move(sink)) {
    clock_.start();
    pace_.setSingleShot(true);
    pace_.setTimerType(Qt::PreciseTimer);
    connect(&pace_, &QTimer::timeout, this, &SimLine::pump);
    // A partial frame followed by silence was noise or a cut request: the
    // device gives up on it and looks for a frame in what follows.
    quiet_.setSingleShot(true);
    connect(&quiet_, &QTimer::timeout, this, [this] { handle(reader_.Resync()); });
}

void SimLine::Receive(const QByteArray& bytes) {
    if (hangupSignalled_ || bytes.isEmpty()) return;
    handle(reader_.Feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size()), nowUs()));
    if (reader_.Pending() > 0)
        quiet_.start(quietGapMs());
    else
        quiet_.stop();
}

void SimLine::Reset() {
    reader_.Clear();
    queue_.clear();
    pace_.stop();
    quiet_.stop();
}

void SimLine::handle(std::vector<SimFrameReader::Request> requests) {
    bool queued = false;
    for (auto& request : requests) {
        if (responder_.HangupReached()) break;
        auto answer = responder_.Respond(request.frame);
        if (!answer) continue;
        Frame bytes = responder_.Noise();
        bytes.insert(bytes.end(), answer->begin(), answer->end());
        Pending p;
        p.bytes = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        p.notBeforeUs = request.firstByteUs + wireUs(static_cast<qsizetype>(request.frame.size())) +
                        std::int64_t{responder_.AnswerDelayMs()} * 1000;
        queue_.push_back(std::move(p));
        queued = true;
    }
    if (queued) pump();
}

void SimLine::pump() {
    const bool paced = responder_.Faults().byteGapMs > 0 || responder_.Faults().baud > 0;
    while (!queue_.empty()) {
        const std::int64_t now = nowUs();
        Pending& p = queue_.front();
        if (p.startUs < 0) p.startUs = std::max(p.notBeforeUs, lineFreeUs_);
        if (now < p.startUs) {
            schedule(p.startUs - now);
            return;
        }
        if (!paced) {
            sink_(p.bytes);
            lineFreeUs_ = now;
            queue_.pop_front();
            // A receiver may Reset() the line here: the loop then finds the
            // queue empty and nothing refers to the answer just removed.
            Q_EMIT AnswerWritten();
            continue;
        }
        // Bytes that have arrived by now.
        qsizetype due = p.written;
        while (due < p.bytes.size() && byteDoneUs(p.startUs, due) <= now) ++due;
        if (due > p.written) {
            sink_(p.bytes.mid(p.written, due - p.written));
            p.written = due;
        }
        if (p.written < p.bytes.size()) {
            schedule(byteDoneUs(p.startUs, p.written) - now);
            return;
        }
        lineFreeUs_ = byteDoneUs(p.startUs, p.bytes.size() - 1);
        queue_.pop_front();
        Q_EMIT AnswerWritten();
    }
    if (responder_.HangupReached() && !hangupSignalled_) {
        hangupSignalled_ = true;
        quiet_.stop();
        Q_EMIT HangupDue();
    }
}

void SimLine::schedule(std::int64_t inUs) {
    pace_.start(static_cast<int>(std::max<std::int64_t>(0, (inUs + 999) / 1000)));
}

std::int64_t SimLine::nowUs() const { return clock_.nsecsElapsed() / 1000; }

std::int64_t SimLine::wireUs(qsizetype bytes) const {
    const int baud = responder_.Faults().baud;
    if (baud <= 0) return 0;
    return (std::int64_t{bytes} * 10'000'000 + baud - 1) / baud;
}

std::int64_t SimLine::byteDoneUs(std::int64_t startUs, qsizetype index) const {
    const int gapMs = responder_.Faults().byteGapMs;
    if (gapMs > 0) return startUs + std::int64_t{index} * gapMs * 1000;
    return startUs + wireUs(index + 1);
}

int SimLine::quietGapMs() const {
    // 100 ms, or 30 byte times on a slow line.
    return static_cast<int>(std::max<std::int64_t>(100, wireUs(30) / 1000));
}

}  // namespace omi
