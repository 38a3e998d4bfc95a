#pragma once
// The serial line: a request written to the port driver, its answer read by
// the length byte, up to four attempts. The same line carries a modem
// session; while the modem is connected (the port's LineState), the modem's own
// NO CARRIER frees the line and ends the exchange.

#include "protocol/Frame.h"
// Complete, not forward declared: QPointer<TCommPortDriver> converts to the
// driver inline (Port()), which clang refuses for an incomplete class.
#include "transport/CommPortDriver.h"
#include "transport/Transport.h"

#include <QByteArray>
#include <QPointer>

namespace omi {

class SerialTransport : public Transport {
public:
    static constexpr int kAttempts = 4;
    static constexpr int kPauseMs = 10;

    explicit SerialTransport(TCommPortDriver* port) : port_(port) {}
    bool Exchange(const Frame& request, Frame& response) override { return ExchangeWith(request, response, {}); }
    bool ExchangeWith(const Frame& request, Frame& response, const ExchangeOptions& options) override;

    TCommPortDriver* Port() const { return port_; }
    // Trace window; may be null.
    void SetTrace(TraceSink* trace) { trace_ = trace; }

    // Makes out as long as the length byte says, zeros where nothing came;
    // received, when given, is how many bytes did come.
    bool ReadResponse(QByteArray& out, qsizetype* received = nullptr);
    // True when the bytes (with those before) carry a modem's NO CARRIER
    // while connected through a modem; the line is then free.
    bool NoteModemText(const QByteArray& data);

    // The answer to command found in bytes with noise around it; for command
    // 0, an identification answer of any known type.
    static QByteArray FindFrame(const QByteArray& bytes, const DeviceAddress& from, int command);
    // A whole frame, its check byte right, that answers a command other than
    // this one.
    static bool isStaleAnswer(const QByteArray& frame, int command);

private:
    void trace(const QString& text);
    bool traceVisible() const;

    QPointer<TCommPortDriver> port_;
    TraceSink* trace_ = nullptr;
    QByteArray modemTail_;  // the last bytes received between exchanges over a modem line
};

}  // namespace omi
