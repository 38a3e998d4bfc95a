#pragma once
// Answers from an imported logger file: no line, every request is answered
// at once from the replay data for the current serial number.

#include "protocol/LoggerReplay.h"
#include "transport/Transport.h"

namespace omi {

class ReplayTransport : public Transport {
public:
    explicit ReplayTransport(const LoggerReplayData& data) : data_(data) {}
    bool Exchange(const Frame& request, Frame& response) override;

private:
    const LoggerReplayData& data_;
};

}  // namespace omi
