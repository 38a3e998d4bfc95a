#pragma once
// Reachability check of a network adapter by ICMP echo: the name resolved
// without blocking (QHostInfo), then one echo request of 56 data bytes, time
// to live 64, answered or not within 4 s, reported by a signal.
//
// The echo never needs administrator rights. On Linux it goes through an
// unprivileged ICMP datagram socket where the system allows one
// (net.ipv4.ping_group_range); otherwise, and on other systems, through the
// system's own ping program, whose output gives the round-trip time.

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QProcess;
class QSocketNotifier;
class QTimer;

namespace omi {

class TPing : public QObject {
    Q_OBJECT
public:
    static constexpr int kDataSize = 56;
    static constexpr int kTimeoutMs = 4000;
    static constexpr int kTimeToLive = 64;
    // The error code of an echo request that timed out.
    static constexpr int kTimedOut = 11010;
    // No way to send an echo on this system (no socket, no ping program).
    static constexpr int kNoEchoFacility = 11050;

    // What one echo gave: replies 0 or 1; the reply's data size and
    // round-trip time; the replying address; the error code (0, kTimedOut or
    // another) with its text.
    struct Echo {
        int replies = 0;
        int dataSize = 0;
        double roundTripMs = 0;
        QString replyAddress;
        int error = 0;
        QString errorText;
    };
    // Sends one echo to an address and calls back once with its result
    // (tests put a scripted line here).
    using EchoBackend = std::function<void(const QHostAddress&, std::function<void(const Echo&)>)>;

    explicit TPing(QObject* parent = nullptr);
    ~TPing() override;

    // Starts resolving a name or dotted address; DnsLookupDone follows.
    void LookupHost(const QString& name);
    // The resolved address (IPv4 preferred).
    QHostAddress Address() const { return address_; }
    void SetAddress(const QHostAddress& address) { address_ = address; }
    // Sends one echo request to Address(); EchoReply follows.
    void SendEcho();
    const Echo& LastEcho() const { return echo_; }

    void SetEchoBackend(EchoBackend backend) { backend_ = std::move(backend); }
    // Which path the echo takes here: "ICMP-сокет" or "программа ping".
    static QString EchoPath();

Q_SIGNALS:
    void DnsLookupDone(int error);
    void EchoReply(int replies);

private:
    void finish(const Echo& echo);
    void echoBySocket(int socket);
    void echoByProgram();
    void closeSocket();

    QHostAddress address_;
    Echo echo_;
    EchoBackend backend_;
    int lookupId_ = -1;
    int socket_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer* timeout_ = nullptr;
    QProcess* process_ = nullptr;
    quint16 sequence_ = 0;
    qint64 sentAtNs_ = 0;
    bool busy_ = false;
};

// "скорость ответа %d Kb/ceк" (the c and e Latin): data size × 1000 /
// round-trip ms, rounded; a reply faster than the clock can tell counts as
// taking 1 ms and is shown as "более".
QString PingSpeedText(int dataSize, double roundTripMs);

// The round-trip time in a ping program's reply line ("time=0.045 ms",
// "время=12 мс", "time<1ms"); negative when the text has none.
double ParsePingTime(const QString& output);

}  // namespace omi
