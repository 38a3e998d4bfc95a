#pragma once
// A client of the simulator's pseudo-terminal, with plain POSIX calls.

#include "support/PtyPair.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace omi::simtest {

class SlaveClient {
public:
    static constexpr int kWaitMs = 5000;  // only a bound for a broken build, never a measure

    explicit SlaveClient(const QString& path) { Open(path); }
    ~SlaveClient() { Close(); }
    SlaveClient(const SlaveClient&) = delete;
    SlaveClient& operator=(const SlaveClient&) = delete;

    void Open(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return;
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Drops what has arrived and not been read, as a port driver does on opening.
    void Purge() { ::tcflush(fd_, TCIFLUSH); }
    bool Ok() const { return fd_ >= 0; }
    bool Write(const QByteArray& b) { return ::write(fd_, b.constData(), b.size()) == b.size(); }
    // Reads what is there; false once the line is gone (EIO or end of file).
    bool Poll(QByteArray& into) {
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n > 0) {
                into.append(buf, n);
                continue;
            }
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }
    // Waits, processing events, until count bytes are in.
    QByteArray ReadExactly(int count) {
        QByteArray got;
        test::WaitFor([&] { return !Poll(got) || got.size() >= count; }, kWaitMs);
        return got;
    }
    // Waits, processing events, until what has arrived ends with tail.
    QByteArray ReadUntil(const QByteArray& tail) {
        QByteArray got;
        test::WaitFor([&] { return !Poll(got) || got.endsWith(tail); }, kWaitMs);
        return got;
    }

private:
    int fd_ = -1;
};

}  // namespace omi::simtest
