// The serial exchange on a real line: the engine writes its request to the
// slave side of a pseudo-terminal and reads the answer through the port
// driver (ExchangeEngine::ReadResponse on TCommPortDriver::ReadBytes, the
// length byte, the echo of the broadcast request, the search for a frame in
// garbage, up to 4 attempts). This target plays the device on the master
// side and answers each request with arbitrary bytes.
//
// Whatever the line gives, an exchange that succeeds returns bytes that came
// off the line, in one piece, at least a minimal frame long; one that fails
// leaves the response as it was. Short answers cost a read timeout, so this
// target runs far slower than the in-memory ones.
//
// Input: command, device type, serial number (2 bytes, little-endian), trace
// flag, then up to 4 answers (one per attempt), each a length byte and that
// many bytes.

#include <QList>

#include "FuzzSupport.h"
#include "protocol/Exchange.h"
#include "support/PtyPair.h"
#include "transport/CommPortDriver.h"

using namespace omi;

namespace {

class Trace : public TraceSink {
public:
    bool visible = false;
    void Append(const QString& text) override { length += text.size(); }
    bool Visible() const override { return visible; }
    qsizetype length = 0;
};

struct Line {
    test::PtyPair pty;
    TCommPortDriver port;
    ExchangeEngine engine{&port};
    Trace trace;

    Line() {
        port.SetPortName(pty.SlavePath());
        port.SetInputTimeout(5);
        port.SetOutputTimeout(500);
        engine.SetTrace(&trace);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnsureApp();
    static Line* line = new Line;  // kept for the whole run: one port, opened once
    OMI_FUZZ_CHECK(line->pty.Ok());
    OMI_FUZZ_CHECK(line->port.OpenPort());

    fuzz::Input in(data, size);
    const int command = in.Byte();
    const int type = in.Byte();
    const int serial = in.Word();
    line->trace.visible = (in.Byte() & 1) != 0;
    QList<QByteArray> answers;
    QByteArray stream;
    while (!in.Empty() && answers.size() < ExchangeEngine::kSerialAttempts) {
        answers.append(in.Take(in.Byte()));
        stream += answers.back();
    }

    // Nothing of the previous run may reach this one: stop answering, let the
    // master side take what is left, drop what the port holds.
    line->pty.OnData(nullptr);
    QCoreApplication::processEvents();
    line->port.PurgeBuffers(true, true);
    line->pty.ClearReceived();

    const DeviceAddress to{serial, type};
    const Frame request = command == 0 ? NoTuRequest(to) : BuildFrame(to, command).value_or(kBroadcastNoTu);
    // The device answers each whole request with the next answer.
    std::size_t answered = 0;
    line->pty.OnData([&](const QByteArray&) {
        while (answered < static_cast<std::size_t>(answers.size()) &&
               static_cast<std::size_t>(line->pty.Received().size()) >= (answered + 1) * request.size())
            line->pty.Write(answers[static_cast<qsizetype>(answered++)]);
    });

    const Frame before{1, 2, 3};
    Frame response = before;
    if (line->engine.Exchange(request, response)) {
        OMI_FUZZ_CHECK(response.size() >= static_cast<std::size_t>(kMinFrame));
        OMI_FUZZ_CHECK(stream.contains(FrameToString(response)));
    } else {
        OMI_FUZZ_CHECK(response == before);
    }
    line->pty.OnData(nullptr);
    return 0;
}
