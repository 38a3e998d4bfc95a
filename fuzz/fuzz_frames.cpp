// Response frames as they come off the line: the common validation, the
// number/type decoder, the byte conversions and the search for a frame in a
// stream with leading or trailing garbage (ExchangeEngine::FindFrame, what the
// serial exchange falls back on when the read did not give a clean frame).
//
// Input: command, device type, serial number (2 bytes, little-endian),
// expected length, then the received bytes.

#include "FuzzSupport.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int command = in.Byte();
    const int type = in.Byte();
    const int serial = in.Word();
    const int expectedLength = in.Byte();
    const QByteArray bytes = in.Rest();
    const DeviceAddress from{serial, type};  // the device asked

    const Frame frame = StringToFrame(bytes);
    OMI_FUZZ_CHECK(FrameToString(frame) == bytes);
    (void)FrameToDecimal(frame);

    const QString problems = ValidateFrame(frame, from, expectedLength, command);
    if (problems.isEmpty()) {
        OMI_FUZZ_CHECK(frame.size() == static_cast<std::size_t>(expectedLength));
        OMI_FUZZ_CHECK(frame.size() >= 5 && frame[4] == command);
        OMI_FUZZ_CHECK(CheckFrameSum(frame));
        OMI_FUZZ_CHECK(frame[1] == type && GetW(frame, 2) == serial);
    }

    const NoTu notu = DecNoTu(frame);
    if (notu.message.isEmpty()) {
        OMI_FUZZ_CHECK(frame.size() == 6 && frame[0] == 6 && frame[4] == 0 && CheckFrameSum(frame));
        OMI_FUZZ_CHECK(notu.type == frame[1] && notu.serial == GetW(frame, 2));
    } else {
        OMI_FUZZ_CHECK(notu.serial == -1 && notu.type == -1);
    }

    // A frame found for a command is a whole answer of the device asked to
    // that command; the common validation accepts it as it is.
    if (command != 0) {
        const QByteArray found = ExchangeEngine::FindFrame(bytes, from, command);
        if (!found.isEmpty()) {
            OMI_FUZZ_CHECK(bytes.contains(found));
            const Frame f = StringToFrame(found);
            OMI_FUZZ_CHECK(f.size() >= static_cast<std::size_t>(kMinFrame) && f[0] == f.size());
            OMI_FUZZ_CHECK(ValidateFrame(f, from, f[0], command).isEmpty());
        }
    }
    // The number/type answer found in a stream decodes.
    const QByteArray notuFound = ExchangeEngine::FindFrame(bytes, from, 0);
    if (!notuFound.isEmpty()) {
        OMI_FUZZ_CHECK(bytes.contains(notuFound));
        OMI_FUZZ_CHECK(DecNoTu(StringToFrame(notuFound)).message.isEmpty());
    }
    return 0;
}
