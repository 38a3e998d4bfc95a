// Logger replay: archive answers built from the record lines of an imported
// logger file (comma-separated decimal byte values, any text in practice),
// for any request, directly and through the exchange engine.
//
// Input: device type, record length (2 bytes), archive pointer (2 bytes),
// serial number (2 bytes), the record lines (Windows-1251, one per line) up to
// a zero byte, then requests, each a length byte and that many bytes.

#include "FuzzSupport.h"
#include "protocol/Exchange.h"
#include "protocol/LoggerReplay.h"
#include "support/TextCodec.h"

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnsureApp();
    fuzz::Input in(data, size);
    LoggerReplayData replay;
    replay.type = in.Byte();
    replay.recordLength = in.Word();
    replay.pointer = in.Word();
    const int serial = in.Word();
    replay.records = FromCp1251(in.TakeUntilZero()).split(QLatin1Char('\n'));
    ExchangeEngine engine(nullptr);
    engine.SetLoggerReplay(&replay);
    for (int n = 0; !in.Empty() && n < 32; ++n) {
        const Frame request = StringToFrame(in.Take(in.Byte()));
        Frame changed = request;
        const Frame answer = ReplayAnswer(replay, changed, serial);
        OMI_FUZZ_CHECK(changed.size() == request.size());
        if (request.size() > 4 && request[4] == cmd::ArchiveRecord) {
            // Always a frame with the announced length of a whole record and
            // a correct check byte; its size tells a missing record.
            OMI_FUZZ_CHECK(answer.size() >= 6);
            OMI_FUZZ_CHECK(answer[0] == ((replay.recordLength + 6) & 0xFF));
            OMI_FUZZ_CHECK(answer[4] == cmd::ArchiveRecord && CheckFrameSum(answer));
        }
        if (!answer.empty()) OMI_FUZZ_CHECK(answer[1] == (replay.type & 0xFF) && GetW(answer, 2) == (serial & 0xFFFF));

        // Through the engine the answer comes from the device the request
        // addresses.
        Frame asked = request;
        const Frame expected = ReplayAnswer(replay, asked, AddressOf(request).serial);
        Frame response{1, 2, 3};
        OMI_FUZZ_CHECK(engine.Exchange(request, response));
        OMI_FUZZ_CHECK(response == (expected.empty() ? Frame{1, 2, 3} : expected));
    }
    return 0;
}
