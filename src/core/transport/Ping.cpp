#include "transport/Ping.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace omi {

namespace {

qint64 nowNs() {
    // Started once, on first use, whichever thread comes first.
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}

#ifdef Q_OS_LINUX
int openIcmpSocket() {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s < 0) return -1;
    const int ttl = TPing::kTimeToLive;
    ::setsockopt(s, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    return s;
}
#endif

QString pingProgram() { return QStandardPaths::findExecutable(QStringLiteral("ping")); }

}  // namespace

TPing::TPing(QObject* parent) : QObject(parent), timeout_(new QTimer(this)) {
    timeout_->setSingleShot(true);
    timeout_->setInterval(kTimeoutMs);
    connect(timeout_, &QTimer::timeout, this, [this] {
        closeSocket();
        Echo e;
        e.error = kTimedOut;
        e.errorText = QStringLiteral("Превышено время ожидания");
        finish(e);
    });
}

TPing::~TPing() {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    closeSocket();
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

QString TPing::EchoPath() {
#ifdef Q_OS_LINUX
    const int s = openIcmpSocket();
    if (s >= 0) {
        ::close(s);
        return QStringLiteral("ICMP-сокет");
    }
#endif
    return QStringLiteral("программа ping");
}

void TPing::LookupHost(const QString& name) {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = QHostInfo::lookupHost(name.trimmed(), this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        address_ = QHostAddress();
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address_ = a;
                break;
            }
        }
        if (address_.isNull() && !info.addresses().isEmpty()) address_ = info.addresses().first();
        const int error = info.error() != QHostInfo::NoError ? static_cast<int>(info.error()) + 11000
                          : address_.isNull()                 ? 11001
                                                              : 0;
        Q_EMIT DnsLookupDone(error);
    });
}

void TPing::SendEcho() {
    if (busy_) return;  // one echo at a time; its reply is still awaited
    busy_ = true;
    echo_ = Echo{};
    if (backend_) {
        backend_(address_, [this](const Echo& e) { finish(e); });
        return;
    }
#ifdef Q_OS_LINUX
    if (address_.protocol() == QAbstractSocket::IPv4Protocol) {
        const int s = openIcmpSocket();
        if (s >= 0) {
            echoBySocket(s);
            return;
        }
    }
#endif
    echoByProgram();
}

void TPing::finish(const Echo& echo) {
    timeout_->stop();
    busy_ = false;
    echo_ = echo;
    Q_EMIT EchoReply(echo.replies);
}

void TPing::closeSocket() {
    notifier_.reset();
#ifdef Q_OS_LINUX
    if (socket_ >= 0) ::close(socket_);
#endif
    socket_ = -1;
}

void TPing::echoBySocket(int s) {
#ifdef Q_OS_LINUX
    socket_ = s;
    // Echo request: type 8, code 0, the kernel sets the identifier and the
    // checksum of a datagram ICMP socket; the data is a counting pattern.
    unsigned char packet[8 + kDataSize] = {};
    packet[0] = ICMP_ECHO;
    ++sequence_;
    packet[6] = static_cast<unsigned char>(sequence_ >> 8);
    packet[7] = static_cast<unsigned char>(sequence_ & 0xFF);
    for (int i = 0; i < kDataSize; ++i) packet[8 + i] = static_cast<unsigned char>(i);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address_.toIPv4Address());
    sentAtNs_ = nowNs();
    if (::sendto(s, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
        const int code = errno;
        closeSocket();
        Echo e;
        e.error = code;
        e.errorText = QString::fromLocal8Bit(std::strerror(code));
        // Delivered from the event loop, like every other outcome.
        QTimer::singleShot(0, this, [this, e] { finish(e); });
        return;
    }
    timeout_->start();
    notifier_ = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char reply[1500];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n =
            ::recvfrom(socket_, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 8 || reply[0] != ICMP_ECHOREPLY) return;  // not our answer: keep waiting
        if (((reply[6] << 8) | reply[7]) != sequence_) return;
        Echo e;
        e.replies = 1;
        e.dataSize = static_cast<int>(n) - 8;
        e.roundTripMs = static_cast<double>(nowNs() - sentAtNs_) / 1e6;
        e.replyAddress = QHostAddress(ntohl(from.sin_addr.s_addr)).toString();
        closeSocket();
        finish(e);
    });
#else
    (void)s;
#endif
}

void TPing::echoByProgram() {
    const QString program = pingProgram();
    if (program.isEmpty()) {
        Echo e;
        e.error = kNoEchoFacility;
        e.errorText = QStringLiteral("нет средства проверки сети (программа ping не найдена)");
        QTimer::singleShot(0, this, [this, e] { finish(e); });
        return;
    }
    const QString target = address_.toString();
#ifdef Q_OS_WIN
    const QStringList args{QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-l"),
                           QString::number(kDataSize), QStringLiteral("-i"), QString::number(kTimeToLive),
                           QStringLiteral("-w"), QString::number(kTimeoutMs), target};
#else
    const QStringList args{QStringLiteral("-n"), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-s"),
                           QString::number(kDataSize), QStringLiteral("-t"), QString::number(kTimeToLive),
                           QStringLiteral("-W"), QString::number(kTimeoutMs / 1000), target};
#endif
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    // The program's own limit ends it; this one is a guard should it hang.
    timeout_->start(kTimeoutMs + 2000);
    connect(process_, &QProcess::finished, this, [this, target](int, QProcess::ExitStatus) {
        const QString output = QString::fromLocal8Bit(process_->readAll());
        process_->deleteLater();
        process_ = nullptr;
        Echo e;
        const double time = ParsePingTime(output);
        if (time >= 0) {
            e.replies = 1;
            e.dataSize = kDataSize;
            e.roundTripMs = time;
            e.replyAddress = target;
        } else {
            e.error = kTimedOut;
            e.errorText = QStringLiteral("Превышено время ожидания");
        }
        finish(e);
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || !process_) return;
        process_->deleteLater();
        process_ = nullptr;
        Echo e;
        e.error = kNoEchoFacility;
        e.errorText = QStringLiteral("нет средства проверки сети (программа ping не запускается)");
        finish(e);
    });
    process_->start(program, args);
}

QString PingSpeedText(int dataSize, double roundTripMs) {
    if (roundTripMs < 0.5)
        return QStringLiteral("скорость ответа более %1 Kb/ceк").arg(dataSize * 1000);
    const long long speed = std::llround(dataSize * 1000.0 / std::round(roundTripMs));
    return QStringLiteral("скорость ответа %1 Kb/ceк").arg(speed);
}

double ParsePingTime(const QString& output) {
    static const QRegularExpression time(QStringLiteral("(?:time|время)\\s*([=<])\\s*([0-9]+(?:[.,][0-9]+)?)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = time.match(output);
    if (!m.hasMatch()) return -1;
    QString number = m.captured(2);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok) return -1;
    return m.captured(1) == QStringLiteral("<") ? 0 : value;
}

}  // namespace omi
