#include "protocol/Exchange.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace omi {

namespace {
ExchangeEngine* g_engine = nullptr;

// Clears a flag when the scope ends, even on an early return.
struct FlagGuard {
    bool& flag;
    explicit FlagGuard(bool& f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};
}  // namespace

ExchangeEngine* Engine() { return g_engine; }
void SetEngine(ExchangeEngine* engine) { g_engine = engine; }

bool Exchange(const Frame& request, Frame& response) {
    return g_engine && g_engine->Exchange(request, response);
}

void Pause(int ms) {
    if (g_engine) {
        g_engine->Pause(ms);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

ExchangeEngine::ExchangeEngine(TCommPortDriver* port, QObject* parent)
    : QObject(parent), serial_(port), udp_(port, [this](int ms) { Pause(ms); }), trx_(new QTimer(this)) {
    trx_->setInterval(kTrxIntervalMs);
    connect(trx_, &QTimer::timeout, this, &ExchangeEngine::TrxTimer);
    if (port) connect(port, &TCommPortDriver::ReceiveData, this, &ExchangeEngine::PortReceiveData);
}

ExchangeEngine::~ExchangeEngine() {
    if (g_engine == this) g_engine = nullptr;
}

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
    if (!on) trx_->stop();
}

void ExchangeEngine::StartAsyncReceive() {
    asyncBuffer_.clear();
    asyncSeen_ = 0;
    asyncOn_ = true;
    trx_->start();  // so that silence ends in "НЕТ ОТВЕТА" too
}

void ExchangeEngine::PortReceiveData(const QByteArray& data) {
    serial_.NoteModemText(data);
    if (!asyncOn_) return;
    asyncBuffer_ += data;
    if (!trx_->isActive()) trx_->start();
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
