#include "SimPty.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace omi {

namespace {

// Answer bytes kept while the client does not read; beyond this they are lost,
// as on a real line nobody listens to.
constexpr qsizetype kMaxPending = 64 * 1024;

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

SimPty::SimPty(SimResponder& responder, QObject* parent)
    : QObject(parent), line_(responder, [this](const QByteArray& bytes) { write(bytes); }, this) {
    drain_ = new QTimer(this);
    drain_->setInterval(5);
    connect(drain_, &QTimer::timeout, this, &SimPty::drainThenHangup);
    connect(&line_, &SimLine::HangupDue, this, [this] {
        drainClock_.start();
        drain_->start();
    });
}

SimPty::~SimPty() { Close(); }

void SimPty::EnableModem(const SimModemSettings& settings) {
    delete modem_;
    modem_ = new SimModem(line_, settings, [this](const QByteArray& bytes) { write(bytes); }, this);
}

QString SimPty::Open() {
    Close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return QStringLiteral("не могу создать псевдотерминал: ") + errnoText("posix_openpt");
    auto fail = [&](const char* what) {
        const QString text = QStringLiteral("не могу создать псевдотерминал: ") + errnoText(what);
        if (slave_ >= 0) ::close(slave_);
        slave_ = -1;
        ::close(master);
        return text;
    };
    if (::grantpt(master) != 0) return fail("grantpt");
    if (::unlockpt(master) != 0) return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0) return fail("ptsname_r");
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) return fail("open");
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) return fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) return fail("tcsetattr");

    master_ = master;
    slavePath_ = QString::fromLocal8Bit(name);
    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &SimPty::readMaster);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &SimPty::flushPending);
    return {};
}

void SimPty::Close() {
    drain_->stop();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    pending_.clear();
}

// Runs only between the last answer and the hang-up, for at most a second.
void SimPty::drainThenHangup() {
    if (master_ >= 0 && (!pending_.isEmpty() || unreadBySlave() > 0) && drainClock_.elapsed() < 1000) return;
    drain_->stop();
    Q_EMIT HangupDue();
}

int SimPty::unreadBySlave() const {
    int count = 0;
    if (slave_ < 0 || ::ioctl(slave_, FIONREAD, &count) != 0) return 0;
    return count;
}

void SimPty::readMaster() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            const QByteArray bytes(buffer, static_cast<qsizetype>(n));
            if (modem_)
                modem_->Receive(bytes);
            else
                line_.Receive(bytes);
            if (master_ < 0) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // Not expected while our own slave descriptor is open; rest a moment
        // instead of spinning on a notifier that keeps firing.
        if (readNotifier_) {
            readNotifier_->setEnabled(false);
            QTimer::singleShot(100, readNotifier_, [n = readNotifier_] { n->setEnabled(true); });
        }
        return;
    }
}

void SimPty::write(const QByteArray& bytes) {
    if (master_ < 0) return;
    pending_ += bytes;
    if (pending_.size() > kMaxPending) pending_ = pending_.right(kMaxPending);
    flushPending();
}

void SimPty::flushPending() {
    while (master_ >= 0 && !pending_.isEmpty()) {
        const ssize_t n = ::write(master_, pending_.constData(), static_cast<std::size_t>(pending_.size()));
        if (n > 0) {
            pending_.remove(0, static_cast<qsizetype>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) pending_.clear();  // nobody to take them
        break;  // otherwise the terminal is full: wait until it can take more
    }
    if (writeNotifier_) writeNotifier_->setEnabled(!pending_.isEmpty());
}

}  // namespace omi
