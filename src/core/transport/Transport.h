#pragma once
// One way of getting an answer to a request frame: the serial line (direct
// or through a modem), UDP, the logger replay or the imitation. The exchange
// engine picks one for each transaction and drives it through Exchange.

#include "protocol/Frame.h"

#include <QString>

namespace omi {

class Transport {
public:
    virtual ~Transport() = default;
    // Sends the request and collects its answer within the transport's time
    // limit. True when a response was obtained (not yet validated); response
    // may be the same object as request, and is left alone when none came.
    virtual bool Exchange(const Frame& request, Frame& response) = 0;
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
