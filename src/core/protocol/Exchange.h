#pragma once
// The exchange engine: one request frame out, one response frame back, over
// the transport the user selected (serial port or UDP), or answered without a
// line by the logger replay or the imitation. The engine holds one transport
// of each kind and hands each transaction to the one in force: the replay
// while a logger file is replayed, else the imitation while it is on, else
// the selected line.
//
// Everything runs on the GUI thread. Waits are nested event loops, so a second
// handler may run while an exchange waits; such a nested exchange is refused
// (it would interleave on the same line and corrupt both answers).

#include "protocol/Frame.h"
#include "protocol/LoggerReplay.h"
#include "transport/CommPortDriver.h"
#include "transport/ImitationTransport.h"
#include "transport/ReplayTransport.h"
#include "transport/SerialTransport.h"
#include "transport/Transport.h"
#include "transport/UdpTransport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

namespace omi {

enum class TransportKind { Serial, Network };

class ExchangeEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kSerialAttempts = SerialTransport::kAttempts;
    static constexpr int kSerialPauseMs = SerialTransport::kPauseMs;
    static constexpr int kUdpAttempts = UdpTransport::kAttempts;
    static constexpr quint16 kDefaultUdpPort = UdpTransport::kDefaultPort;
    static constexpr int kTrxIntervalMs = 200;

    explicit ExchangeEngine(TCommPortDriver* port, QObject* parent = nullptr);
    ~ExchangeEngine() override;

    // One transaction. True when a response was obtained (not yet validated).
    // response may be the same object as request.
    bool Exchange(const Frame& request, Frame& response);
    // The same with what the answer must pass and whether the request may be
    // repeated (transport/Transport.h).
    bool Exchange(const Frame& request, Frame& response, const ExchangeOptions& options);
    // Waits while processing events; in logger replay returns after one pass.
    void Pause(int ms);
    bool InExchange() const { return inExchange_; }

    // Transport selection and settings.
    void SetTransport(TransportKind kind) { transport_ = kind; }
    TransportKind Transport() const { return transport_; }
    void SetNetworkTarget(const QString& host, quint16 port) { udp_.SetTarget(host, port); }
    // The shortest wait of a network attempt (UdpTransport::SetShortestWait).
    void SetNetworkShortestWait(int ms) { udp_.SetShortestWait(ms); }
    QString NetworkHost() const { return udp_.Host(); }
    quint16 NetworkPort() const { return udp_.TargetPort(); }
    TCommPortDriver* Port() const { return serial_.Port(); }
    // Called when the UDP path finds the address empty (the window shows the
    // network page's state).
    void SetEmptyAddressHandler(std::function<void()> handler) { udp_.SetEmptyAddressHandler(std::move(handler)); }

    // Trace window; may be null.
    void SetTrace(TraceSink* trace) { serial_.SetTrace(trace); }

    // Logger replay: answers from an imported logger file, no transport.
    void SetLoggerReplay(const LoggerReplayData* data);
    bool LoggerReplayActive() const { return replay_ != nullptr; }

    // Imitation: the families install the generator that fills the response.
    using ImitationHandler = ImitationTransport::Handler;
    void SetImitation(bool on) { imitation_ = on; }
    bool Imitation() const { return imitation_; }
    void SetImitationHandler(ImitationHandler handler) { imitationTransport_.SetHandler(std::move(handler)); }

    // Serial helpers, public for tests and the debug terminal. ReadResponse
    // makes out as long as the length byte says, zeros where nothing came;
    // received, when given, is how many bytes did come.
    bool ReadResponse(QByteArray& out, qsizetype* received = nullptr) { return serial_.ReadResponse(out, received); }
    static QByteArray FindFrame(const QByteArray& bytes, const DeviceAddress& from, int command) {
        return SerialTransport::FindFrame(bytes, from, command);
    }
    // A whole frame, its check byte right, that answers a command other than
    // this one.
    static bool isStaleAnswer(const QByteArray& frame, int command) {
        return SerialTransport::isStaleAnswer(frame, command);
    }

    // Asynchronous receive path (modem page, debug terminal).
    void SetAsyncReceive(bool on);
    bool AsyncReceive() const { return asyncOn_; }
    void StartAsyncReceive();  // clear the buffer and switch the receive on
    void PortReceiveData(const QByteArray& data);
    void TrxTimer();
    void SilenceTimer();
    QByteArray AsyncBuffer() const { return asyncBuffer_; }

Q_SIGNALS:
    // Tick of the asynchronous receive: n bytes so far ("%d байт",
    // "Принимаю ответ %d байт").
    void AsyncReceiving(int n);
    // The asynchronous answer is complete; empty when nothing arrived
    // ("НЕТ ОТВЕТА").
    void AsyncReceived(const QByteArray& data);

private:
    // The transport that answers the next transaction (the class name is
    // qualified: the member Transport() hides it here).
    omi::Transport& active();

    TransportKind transport_ = TransportKind::Serial;
    SerialTransport serial_;
    UdpTransport udp_;
    std::unique_ptr<ReplayTransport> replay_;  // while a logger file is replayed
    bool imitation_ = false;
    ImitationTransport imitationTransport_;
    bool inExchange_ = false;

    bool asyncOn_ = false;
    QByteArray asyncBuffer_;
    int asyncSeen_ = 0;
    QTimer* trx_ = nullptr;
    QTimer* silence_ = nullptr;  // no first byte within the input timeout
};

// A wait that processes events, outside any engine.
void Pause(int ms);

}  // namespace omi
