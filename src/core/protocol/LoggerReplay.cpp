#include "protocol/LoggerReplay.h"

namespace omi {

Frame ReplayAnswer(const LoggerReplayData& d, Frame& req, int serial) {
    const std::uint8_t t = static_cast<std::uint8_t>(d.type);
    const std::uint8_t lo = static_cast<std::uint8_t>(serial & 0xFF);
    const std::uint8_t hi = static_cast<std::uint8_t>((serial >> 8) & 0xFF);
    const int command = req.size() > 4 ? req[4] : -1;
    const std::uint8_t plo = d.pointer & 0xFF;
    const std::uint8_t phi = d.pointer >> 8;
    switch (command) {
    case cmd::ArchiveRecord: {
        if (req.size() > 6 && (req[6] & 0x80)) req[6] &= 0x7F;
        const int index = req.size() > 6 ? GetW(req, 5) : -1;
        // The length byte always announces a full record; a missing record or
        // a value that is not a byte leaves the values out, and the reader
        // rejects the short answer.
        Frame r{static_cast<std::uint8_t>((5 + d.recordLength + 1) & 0xFF), t, lo, hi, 3};
        if (index >= 0 && index < d.records.size()) {
            Frame values;
            bool bad = false;
            for (const QString& cell : d.records[index].split(QLatin1Char(','))) {
                bool ok = false;
                const int v = cell.trimmed().toInt(&ok);
                if (!ok) values.push_back(255);
                else if (v < 0 || v > 255) { bad = true; break; }
                else values.push_back(static_cast<std::uint8_t>(v));
            }
            if (!bad) r.insert(r.end(), values.begin(), values.end());
        }
        r.push_back(FrameCheckByte(r));
        return r;
    }
    case cmd::ArchivePointers:
        // The file's pointer is both current record numbers: the hourly word
        // at 5 and the daily number at 7 (a word for the families that read
        // one there; a fixed high byte would put it past every ring).
        if (d.type != 225) return {10, t, lo, hi, 21, plo, phi, plo, phi, 255};
        return {9, t, lo, hi, 21, plo, phi, plo, 255};
    case cmd::ArchiveBegin:
    case cmd::ArchiveEnd:
        return {6, t, lo, hi, static_cast<std::uint8_t>(command), 255};
    default:
        return {};
    }
}

}  // namespace omi
