#pragma once
// UDP to a network adapter: the request as one datagram to the configured
// host and port, its answer the first datagram that comes back from there,
// up to five attempts. Each attempt waits the serial port's input timeout,
// at least a second (the window's settings); a program that sets its own
// timeout can lower that floor. The socket is the system's own (with a
// socket notifier of Qt Core): a program that talks UDP does not need Qt
// Network for it.

#include <QPointer>
#include <QString>
#include <algorithm>
#include <functional>
#include <memory>

#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"
#include "transport/Transport.h"

namespace omi {

class UdpTransport : public Transport {
public:
    static constexpr int kAttempts = 5;
    static constexpr quint16 kDefaultPort = 5001;

    // port gives the wait of an attempt (its input timeout); pause is the
    // engine's wait before each attempt.
    UdpTransport(TCommPortDriver* port, std::function<void(int ms)> pause);
    ~UdpTransport() override;
    bool Exchange(const Frame& request, Frame& response) override { return ExchangeWith(request, response, {}); }
    bool ExchangeWith(const Frame& request, Frame& response, const ExchangeOptions& options) override;

    void SetTarget(const QString& host, quint16 port);
    QString Host() const { return udpHost_; }
    quint16 TargetPort() const { return udpPort_; }
    // The shortest wait of an attempt, 1000 ms unless set.
    void SetShortestWait(int ms) { shortestWait_ = std::max(ms, 1); }
    // Called when an exchange finds the address empty.
    void SetEmptyAddressHandler(std::function<void()> handler) { emptyAddress_ = std::move(handler); }

private:
    struct Socket;
    bool ensureUdpSocket();

    QPointer<TCommPortDriver> port_;
    std::function<void(int ms)> pause_;
    QString udpHost_;
    quint16 udpPort_ = kDefaultPort;
    std::unique_ptr<Socket> udp_;
    QString udpBoundHost_;
    quint16 udpBoundPort_ = 0;
    std::function<void()> emptyAddress_;
    int shortestWait_ = 1000;
};

}  // namespace omi
