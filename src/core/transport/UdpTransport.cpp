#include "transport/UdpTransport.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>

namespace omi {

// A datagram socket connected to the target: it takes datagrams only from
// the configured host and port, and hears of a refused port (ICMP).
struct UdpTransport::Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
    enum class Read { Datagram, None, Refused };
    // The next datagram waiting, without blocking.
    Read Receive(QByteArray& data) const {
        data.resize(65536);
        for (;;) {
            const ssize_t n = ::recv(fd, data.data(), static_cast<size_t>(data.size()), 0);
            if (n >= 0) {
                data.resize(n);
                return Read::Datagram;
            }
            if (errno == EINTR) continue;
            data.clear();
            return errno == ECONNREFUSED ? Read::Refused : Read::None;
        }
    }
};

UdpTransport::UdpTransport(TCommPortDriver* port, std::function<void(int ms)> pause)
    : port_(port), pause_(std::move(pause)) {}

UdpTransport::~UdpTransport() = default;

void UdpTransport::SetTarget(const QString& host, quint16 port) {
    udpHost_ = host;
    udpPort_ = port;
}

bool UdpTransport::ensureUdpSocket() {
    if (udp_ && udpBoundHost_ == udpHost_ && udpBoundPort_ == udpPort_) return true;
    udp_.reset();
    // A numeric address as it is, else the name's addresses, IPv4 first.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const QByteArray host = udpHost_.trimmed().toUtf8();
    const QByteArray service = QByteArray::number(udpPort_);
    if (::getaddrinfo(host.constData(), service.constData(), &hints, &found) != 0 || !found) return false;
    const addrinfo* pick = found;
    for (const addrinfo* a = found; a; a = a->ai_next)
        if (a->ai_family == AF_INET) {
            pick = a;
            break;
        }
    auto socket = std::make_unique<Socket>();
    socket->fd = ::socket(pick->ai_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const bool connected = socket->fd >= 0 && ::connect(socket->fd, pick->ai_addr, pick->ai_addrlen) == 0;
    ::freeaddrinfo(found);
    if (!connected) return false;
    udp_ = std::move(socket);
    udpBoundHost_ = udpHost_;
    udpBoundPort_ = udpPort_;
    return true;
}

bool UdpTransport::ExchangeWith(const Frame& requestIn, Frame& response, const ExchangeOptions& options) {
    if (udpHost_.trimmed().isEmpty()) {
        if (emptyAddress_) emptyAddress_();
        return false;
    }
    const Frame request = requestIn;
    const QByteArray out = FrameToString(request);
    const int base = std::max<int>(port_ ? static_cast<int>(port_->InputTimeout()) : 1000, shortestWait_);
    QByteArray data;
    for (int k = 0; k < kAttempts; ++k) {
        // A request sent once: the later attempts only wait on for its answer.
        if (k == 0 || !options.once) {
            pause_(1);
            if (!ensureUdpSocket()) return false;
            // A late answer to an earlier attempt or exchange is not this
            // answer; a refusal heard before this request is not about it.
            while (udp_->Receive(data) != Socket::Read::None) {
            }
            if (::send(udp_->fd, out.constData(), static_cast<size_t>(out.size()), 0) != out.size()) {
                udp_.reset();
                return false;
            }
        }
        if (!udp_) return false;
        // Every attempt waits: the first one at least as long as the second.
        const int wait = std::max(k, 1) * base;
        Socket* sock = udp_.get();
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QSocketNotifier readable(sock->fd, QSocketNotifier::Read);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&readable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        bool refused = false;
        while (clock.elapsed() < wait && !refused) {
            if (udp_.get() != sock) return false;
            bool portRefused = false;
            for (;;) {
                const Socket::Read read = sock->Receive(data);
                if (read == Socket::Read::None) break;
                if (read == Socket::Read::Refused) {
                    portRefused = true;
                    continue;
                }
                if (data.isEmpty()) continue;
                const Frame frame = StringToFrame(data);
                // An answer that is not this answer (spoilt on the way) ends
                // the attempt: the device has answered it.
                if (options.accept && !options.accept(frame)) {
                    refused = true;
                    break;
                }
                response = frame;
                return true;
            }
            if (refused) break;
            // A refused port (ICMP): the rest of this attempt has nothing to
            // wait for; the next send tries again.
            if (portRefused) break;
            timer.start(static_cast<int>(wait - clock.elapsed()));
            loop.exec();
            if (udp_.get() != sock) return false;
        }
        // The one answer to a request sent once has come, spoilt: no other
        // will follow.
        if (refused && options.once) return false;
    }
    return false;
}

}  // namespace omi
