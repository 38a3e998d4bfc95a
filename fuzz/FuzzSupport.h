#pragma once
// What the fuzz targets share: a reader that takes typed values off the fuzz
// input (running short gives zeros, never a read past the end), a
// QCoreApplication for the code that needs one, and a check that aborts with
// a message, so that a broken property is a crash libFuzzer keeps.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define OMI_FUZZ_CHECK(cond)                                                                       \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace omi::fuzz {

// A folder for the files a run writes and reads back, one per process; on
// /dev/shm where it exists, so that the runs stay off the disk.
inline const QTemporaryDir& ScratchFolder() {
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/omi-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/omi-fuzz-XXXXXX"));
    return dir;
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Left() const { return size_ - pos_; }
    bool Empty() const { return pos_ >= size_; }

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word() {
        const std::uint16_t lo = Byte();
        return static_cast<std::uint16_t>(lo | (Byte() << 8));
    }
    std::uint64_t Quad() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return v;
    }
    double Real() {
        const std::uint64_t bits = Quad();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // Up to n bytes (fewer when the input runs out).
    QByteArray Take(std::size_t n) {
        n = n < Left() ? n : Left();
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(n));
        pos_ += n;
        return out;
    }
    // The bytes up to the next zero byte (which is consumed), or the rest.
    QByteArray TakeUntilZero() {
        const void* zero = pos_ < size_ ? std::memchr(data_ + pos_, 0, size_ - pos_) : nullptr;
        const std::size_t n = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (data_ + pos_))
                                   : Left();
        QByteArray out = Take(n);
        if (zero) ++pos_;
        return out;
    }
    QByteArray Rest() { return Take(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// One application object for the whole run (event loops, timers, ports).
inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "omi-fuzz";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the run ends with exit() from libFuzzer.
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

}  // namespace omi::fuzz
