#pragma once
// The exchange engine: one request frame out, one response frame back, over
// the transport the user selected (serial port or UDP), or answered without a
// transport by the logger replay or the imitation.
//
// Everything runs on the GUI thread. Waits are nested event loops, so a second
// handler may run while an exchange waits; such a nested exchange is refused
// (it would interleave on the same line and corrupt both answers).

#include "protocol/Frame.h"
#include "protocol/LoggerReplay.h"
// Complete, not forward declared: QPointer<TCommPortDriver> converts to the
// driver inline (Port()), which clang refuses for an incomplete class.
#include "transport/CommPortDriver.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class QUdpSocket;

namespace omi {

// The terminal memo as the engine sees it: text is appended at the caret.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Append(const QString& text) = 0;
    virtual bool Visible() const = 0;
};

enum class TransportKind { Serial, Network };

class ExchangeEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kSerialAttempts = 4;
    static constexpr int kSerialPauseMs = 10;
    static constexpr int kUdpAttempts = 5;
    static constexpr quint16 kDefaultUdpPort = 5001;
    static constexpr int kTrxIntervalMs = 200;

    explicit ExchangeEngine(TCommPortDriver* port, QObject* parent = nullptr);
    ~ExchangeEngine() override;

    // One transaction. True when a response was obtained (not yet validated).
    // response may be the same object as request.
    bool Exchange(const Frame& request, Frame& response);
    // Waits while processing events; in logger replay returns after one pass.
    void Pause(int ms);
    bool InExchange() const { return inExchange_; }

    // Transport selection and settings.
    void SetTransport(TransportKind kind) { transport_ = kind; }
    TransportKind Transport() const { return transport_; }
    void SetNetworkTarget(const QString& host, quint16 port);
    QString NetworkHost() const { return udpHost_; }
    quint16 NetworkPort() const { return udpPort_; }
    TCommPortDriver* Port() const { return port_; }
    // Called when the UDP path finds the address empty (the window shows the
    // network page's state).
    void SetEmptyAddressHandler(std::function<void()> handler) { emptyAddress_ = std::move(handler); }

    // Trace window; may be null.
    void SetTrace(TraceSink* trace) { trace_ = trace; }

    // Logger replay: answers from an imported logger file, no transport.
    void SetLoggerReplay(const LoggerReplayData* data) { replay_ = data; }
    bool LoggerReplayActive() const { return replay_ != nullptr; }

    // Imitation: the families install the generator that fills the response.
    using ImitationHandler = std::function<void(const Frame& request, Frame& response)>;
    void SetImitation(bool on) { imitation_ = on; }
    bool Imitation() const { return imitation_; }
    void SetImitationHandler(ImitationHandler handler) { imitationHandler_ = std::move(handler); }

    // Serial helpers, public for tests and the debug terminal. ReadResponse
    // makes out as long as the length byte says, zeros where nothing came;
    // received, when given, is how many bytes did come.
    bool ReadResponse(QByteArray& out, qsizetype* received = nullptr);
    static QByteArray FindFrame(const QByteArray& bytes, int command);
    // A whole frame, its check byte right, that answers a command other than
    // this one.
    static bool isStaleAnswer(const QByteArray& frame, int command);

    // Asynchronous receive path (modem page, debug terminal).
    void SetAsyncReceive(bool on);
    bool AsyncReceive() const { return asyncOn_; }
    void StartAsyncReceive();  // clear the buffer and switch the receive on
    void PortReceiveData(const QByteArray& data);
    void TrxTimer();
    QByteArray AsyncBuffer() const { return asyncBuffer_; }

Q_SIGNALS:
    // Tick of the asynchronous receive: n bytes so far ("%d байт",
    // "Принимаю ответ %d байт").
    void AsyncReceiving(int n);
    // The asynchronous answer is complete; empty when nothing arrived
    // ("НЕТ ОТВЕТА").
    void AsyncReceived(const QByteArray& data);

private:
    bool serialExchange(const Frame& request, Frame& response);
    // True when the bytes (with those before) carry a modem's NO CARRIER
    // while connected through a modem; the line is then free.
    bool noteModemText(const QByteArray& data);
    bool networkExchange(const Frame& request, Frame& response);
    void trace(const QString& text);
    bool traceVisible() const;
    bool ensureUdpSocket();

    QPointer<TCommPortDriver> port_;
    TransportKind transport_ = TransportKind::Serial;
    QString udpHost_;
    quint16 udpPort_ = kDefaultUdpPort;
    std::unique_ptr<QUdpSocket> udp_;
    QString udpBoundHost_;
    quint16 udpBoundPort_ = 0;
    std::function<void()> emptyAddress_;
    TraceSink* trace_ = nullptr;
    const LoggerReplayData* replay_ = nullptr;
    bool imitation_ = false;
    ImitationHandler imitationHandler_;
    bool inExchange_ = false;

    bool asyncOn_ = false;
    QByteArray asyncBuffer_;
    int asyncSeen_ = 0;
    QByteArray modemTail_;  // the last bytes received between exchanges over a modem line
    QTimer* trx_ = nullptr;
};

// The process-wide engine used by the program's operations (set by the program
// at start-up).
ExchangeEngine* Engine();
void SetEngine(ExchangeEngine* engine);
bool Exchange(const Frame& request, Frame& response);
void Pause(int ms);

}  // namespace omi
