// The simulator's frame reader on an arbitrary byte stream arriving in
// arbitrary chunks: every frame it gives is a whole request (length byte equal
// to its size, correct check byte), it keeps the arrival time of the first
// byte, and the frames do not depend on how the stream was cut into chunks.
//
// Input: a chunk-size byte (0: the whole stream at once), then the stream.

#include "FuzzSupport.h"

#include "SimFrameReader.h"

#include <vector>

using namespace omi;

namespace {

std::vector<Frame> frames(const std::vector<SimFrameReader::Request>& requests) {
    std::vector<Frame> out;
    for (const auto& r : requests) out.push_back(r.frame);
    return out;
}

void append(std::vector<Frame>& to, const std::vector<Frame>& more) { to.insert(to.end(), more.begin(), more.end()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::size_t chunk = in.Byte() % 32;
    const QByteArray stream = in.Rest();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    const auto n = static_cast<std::size_t>(stream.size());

    SimFrameReader whole;
    std::vector<Frame> expected = frames(whole.Feed(bytes, n, 0));
    append(expected, frames(whole.Resync()));
    OMI_FUZZ_CHECK(whole.Pending() == 0);

    SimFrameReader reader;
    std::vector<Frame> got;
    std::size_t given = 0;
    std::int64_t now = 1;
    while (given < n) {
        const std::size_t count = chunk == 0 ? n - given : std::min(chunk, n - given);
        for (const auto& r : reader.Feed(bytes + given, count, now)) {
            OMI_FUZZ_CHECK(r.firstByteUs >= 1 && r.firstByteUs <= now);
            got.push_back(r.frame);
        }
        given += count;
        OMI_FUZZ_CHECK(reader.Pending() <= given);
        ++now;
    }
    append(got, frames(reader.Resync()));
    OMI_FUZZ_CHECK(reader.Pending() == 0);
    OMI_FUZZ_CHECK(got == expected);

    std::size_t total = 0;
    for (const Frame& f : got) {
        OMI_FUZZ_CHECK(f.size() >= static_cast<std::size_t>(kMinFrame) && f[0] == f.size());
        OMI_FUZZ_CHECK(CheckFrameSum(f));
        OMI_FUZZ_CHECK(stream.contains(QByteArray(reinterpret_cast<const char*>(f.data()),
                                                  static_cast<qsizetype>(f.size()))));
        total += f.size();
    }
    OMI_FUZZ_CHECK(total <= n);
    return 0;
}
