#pragma once
// Answers built from an imported logger file instead of a device: the logger
// import fills the data, the exchange engine answers archive requests from it.

#include "protocol/Frame.h"

#include <QStringList>

namespace omi {

struct LoggerReplayData {
    int type = 0;            // device type code of the file
    int recordLength = 0;    // bytes per record
    QStringList records;     // each a line of comma-separated decimal byte values
    std::uint16_t pointer = 0;  // archive pointer word
};

// The answer to a request while replaying. request may be changed (the top
// bit of byte 6 of an archive request is cleared, as the device would).
Frame ReplayAnswer(const LoggerReplayData& data, Frame& request, int serial);

}  // namespace omi
