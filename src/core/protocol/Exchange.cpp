#include "protocol/Exchange.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace omi {

namespace {
// Clears a flag when the scope ends, even on an early return.
struct FlagGuard {
    bool& flag;
    explicit FlagGuard(bool& f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};
}  // namespace

void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

ExchangeEngine::ExchangeEngine(TCommPortDriver* port, QObject* parent)
    : QObject(parent), serial_(port), udp_(port, [this](int ms) { Pause(ms); }), trx_(new QTimer(this)) {
    trx_->setInterval(kTrxIntervalMs);
    connect(trx_, &QTimer::timeout, this, &ExchangeEngine::TrxTimer);
    silence_ = new QTimer(this);
    silence_->setSingleShot(true);
    connect(silence_, &QTimer::timeout, this, &ExchangeEngine::SilenceTimer);
    if (port) connect(port, &TCommPortDriver::ReceiveData, this, &ExchangeEngine::PortReceiveData);
}

ExchangeEngine::~ExchangeEngine() = default;

void ExchangeEngine::SetLoggerReplay(const LoggerReplayData* data) {
    replay_ = data ? std::make_unique<ReplayTransport>(*data) : nullptr;
}

void ExchangeEngine::Pause(int ms) {
    if (replay_) {
        QCoreApplication::processEvents();
        return;
    }
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool ExchangeEngine::Exchange(const Frame& request, Frame& response) { return Exchange(request, response, {}); }

bool ExchangeEngine::Exchange(const Frame& request, Frame& response, const ExchangeOptions& options) {
    if (inExchange_) return false;  // a nested exchange would interleave on the line
    FlagGuard busy(inExchange_);
    return active().ExchangeWith(request, response, options);
}

omi::Transport& ExchangeEngine::active() {
    if (replay_) return *replay_;
    if (imitation_) return imitationTransport_;
    if (transport_ == TransportKind::Serial) return serial_;
    return udp_;
}

void ExchangeEngine::SetAsyncReceive(bool on) {
    asyncOn_ = on;
    if (!on) {
        trx_->stop();
        silence_->stop();
    }
}

void ExchangeEngine::StartAsyncReceive() {
    asyncBuffer_.clear();
    asyncSeen_ = 0;
    asyncOn_ = true;
    trx_->stop();
    // The 200 ms ticks that end an answer start with its first byte; until
    // then the device (or modem) has the line's input timeout to begin, so
    // that a slow one is not called silent while its answer is on the way.
    const TCommPortDriver* port = serial_.Port();
    const std::uint32_t timeout = port ? port->InputTimeout() : 0;
    silence_->start(static_cast<int>(std::clamp<std::uint32_t>(timeout, kTrxIntervalMs, 60000)));
}

void ExchangeEngine::PortReceiveData(const QByteArray& data) {
    serial_.NoteModemText(data);
    if (!asyncOn_) return;
    asyncBuffer_ += data;
    silence_->stop();
    if (!trx_->isActive()) trx_->start();
}

void ExchangeEngine::SilenceTimer() {
    // Nothing came within the input timeout: the answer is empty.
    if (!asyncOn_ || !asyncBuffer_.isEmpty() || trx_->isActive()) return;
    Q_EMIT AsyncReceiving(0);
    Q_EMIT AsyncReceived(asyncBuffer_);
}

void ExchangeEngine::TrxTimer() {
    const int n = static_cast<int>(asyncBuffer_.size());
    Q_EMIT AsyncReceiving(n);
    if (n > asyncSeen_) {
        asyncSeen_ = n;
        return;
    }
    trx_->stop();
    Q_EMIT AsyncReceived(asyncBuffer_);
}

}  // namespace omi
