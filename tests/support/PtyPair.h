#pragma once
// A pseudo-terminal for tests: the program under test opens the slave path as
// its serial port; the test plays the device on the master side.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace omi::test {

class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slavePath_ = QString::fromLocal8Bit(ptsname(master_));
        // Keep one slave descriptor so the master never sees a hang-up while
        // the program closes and reopens the port; raw mode for both sides.
        holder_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(holder_, &t);
        cfmakeraw(&t);
        tcsetattr(holder_, TCSANOW, &t);
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    }
    ~PtyPair() { CloseMaster(); }

    bool Ok() const { return master_ >= 0 && holder_ >= 0; }
    QString SlavePath() const { return slavePath_; }

    // Called with every chunk the program writes.
    void OnData(std::function<void(const QByteArray&)> handler) { handler_ = std::move(handler); }
    QByteArray Received() const { return received_; }
    void ClearReceived() { received_.clear(); }

    void Write(const QByteArray& bytes) {
        if (master_ >= 0 && !bytes.isEmpty()) (void)!::write(master_, bytes.constData(), bytes.size());
    }

    // The far end disappears (adapter unplugged).
    void CloseMaster() {
        notifier_.reset();
        if (master_ >= 0) ::close(master_);
        if (holder_ >= 0) ::close(holder_);
        master_ = holder_ = -1;
    }

private:
    void onReadable() {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            const QByteArray chunk(buf, static_cast<int>(n));
            received_ += chunk;
            if (handler_) handler_(chunk);
        }
    }

    int master_ = -1;
    int holder_ = -1;
    QString slavePath_;
    QByteArray received_;
    std::function<void(const QByteArray&)> handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Processes events until pred() holds or ms pass.
inline bool WaitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pred();
}

}  // namespace omi::test
