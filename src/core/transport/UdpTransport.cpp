#include "transport/UdpTransport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>

namespace omi {

UdpTransport::UdpTransport(TCommPortDriver* port, std::function<void(int ms)> pause)
    : port_(port), pause_(std::move(pause)) {}

UdpTransport::~UdpTransport() = default;

void UdpTransport::SetTarget(const QString& host, quint16 port) {
    udpHost_ = host;
    udpPort_ = port;
}

bool UdpTransport::ensureUdpSocket() {
    if (udp_ && udpBoundHost_ == udpHost_ && udpBoundPort_ == udpPort_ &&
        udp_->state() == QAbstractSocket::ConnectedState)
        return true;
    udp_.reset();
    QHostAddress address(udpHost_.trimmed());
    if (address.isNull()) {
        const QHostInfo info = QHostInfo::fromName(udpHost_.trimmed());
        const auto list = info.addresses();
        auto v4 = std::find_if(list.begin(), list.end(),
                               [](const QHostAddress& a) { return a.protocol() == QAbstractSocket::IPv4Protocol; });
        if (v4 != list.end())
            address = *v4;
        else if (!list.isEmpty())
            address = list.front();
        else
            return false;
    }
    udp_ = std::make_unique<QUdpSocket>();
    // A connected socket takes datagrams only from the configured host and port.
    udp_->connectToHost(address, udpPort_);
    if (udp_->state() != QAbstractSocket::ConnectedState) {
        udp_.reset();
        return false;
    }
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
    for (int k = 0; k < kAttempts; ++k) {
        // A request sent once: the later attempts only wait on for its answer.
        if (k == 0 || !options.once) {
            pause_(1);
            if (!ensureUdpSocket()) return false;
            // A late answer to an earlier attempt or exchange is not this answer.
            while (udp_->hasPendingDatagrams()) udp_->receiveDatagram();
            if (udp_->write(out) != out.size()) {
                udp_.reset();
                return false;
            }
        }
        if (!udp_) return false;
        // Every attempt waits: the first one at least as long as the second.
        const int wait = std::max(k, 1) * base;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QUdpSocket* sock = udp_.get();
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(sock, &QUdpSocket::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(sock, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        bool refused = false;
        while (clock.elapsed() < wait && !refused) {
            if (udp_.get() != sock) return false;
            while (sock->hasPendingDatagrams()) {
                const QByteArray data = sock->receiveDatagram().data();
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
            timer.start(static_cast<int>(wait - clock.elapsed()));
            loop.exec();
            if (udp_.get() != sock) return false;
            // A refused port (ICMP) shows as an error; keep waiting for the
            // rest of the attempt, the next send reports it if it persists.
            if (sock->error() == QAbstractSocket::ConnectionRefusedError && !sock->hasPendingDatagrams()) break;
        }
        // The one answer to a request sent once has come, spoilt: no other
        // will follow.
        if (refused && options.once) return false;
    }
    return false;
}

}  // namespace omi
