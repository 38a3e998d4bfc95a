#pragma once
// A real pseudo-terminal for the port tests: the driver opens the slave path,
// the test plays the device on the master side.

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace omi::test {

class DevicePty {
public:
    DevicePty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (!name) return;
        slavePath_ = QString::fromLocal8Bit(name);
        // Raw line discipline: no echo, no line editing, bytes pass unchanged.
        const int slave = ::open(name, O_RDWR | O_NOCTTY);
        if (slave < 0) return;
        termios tio{};
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
        ::close(slave);
    }
    ~DevicePty() { CloseMaster(); }
    DevicePty(const DevicePty&) = delete;
    DevicePty& operator=(const DevicePty&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.isEmpty(); }
    QString SlavePath() const { return slavePath_; }

    void Write(const QByteArray& bytes) {
        if (master_ >= 0) (void)!::write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    // Writes from the event loop after ms milliseconds.
    void WriteLater(int ms, const QByteArray& bytes) {
        QTimer::singleShot(ms, [this, bytes] { Write(bytes); });
    }
    // What the device side receives, waiting up to waitMs for count bytes
    // (without running the Qt event loop).
    QByteArray Read(int count, int waitMs) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (master_ >= 0 && got.size() < count) {
            const int left = waitMs - static_cast<int>(t.elapsed());
            if (left <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0) break;
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<qsizetype>(n));
        }
        return got;
    }
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slavePath_;
};

// Runs the event loop for ms milliseconds.
inline void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace omi::test
