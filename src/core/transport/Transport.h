#pragma once
// One way of getting an answer to a request frame: the serial line (direct
// or through a modem), UDP, the logger replay or the imitation. The exchange
// engine picks one for each transaction and drives it through Exchange.

#include <QString>
#include <functional>

#include "protocol/Frame.h"

namespace omi {

// What an exchange asks of its answer and of its repeats.
struct ExchangeOptions {
    // Whether an answer is the answer to this request (its length, check
    // byte, type, number and command). One that is not counts as no answer:
    // the exchange goes on as if nothing had come. Empty: every answer is
    // taken and the caller's decoder judges it.
    std::function<bool(const Frame& answer)> accept;
    // The request goes out once: the attempts that would repeat it only go on
    // waiting for its answer, as long as the repeats would have taken. For a
    // request that the device carries out again at each repeat, and for one
    // whose late answer could be taken for the answer of the next request.
    bool once = false;
};

class Transport {
public:
    virtual ~Transport() = default;
    // Sends the request and collects its answer within the transport's time
    // limit. True when a response was obtained (not yet validated); response
    // may be the same object as request, and is left alone when none came.
    virtual bool Exchange(const Frame& request, Frame& response) = 0;
    // The same with the options. Answers made up without a line (the logger
    // replay, the imitation) come once and are not checked: what they make up
    // is judged by the caller as before.
    virtual bool ExchangeWith(const Frame& request, Frame& response, const ExchangeOptions& options) {
        (void)options;
        return Exchange(request, response);
    }
};

// The terminal memo as the line transports see it: text is appended at the
// caret.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Append(const QString& text) = 0;
    virtual bool Visible() const = 0;
};

}  // namespace omi
