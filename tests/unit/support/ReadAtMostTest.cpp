// Bounded whole-file reads: at most limit + 1 bytes, and a buffer the size of
// the file rather than of the limit (a read of every small text file used to
// reserve 64 MB).

#include "support/TextCodec.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace omi {
namespace {

// A file that has grown since its size was taken: it announces fewer bytes
// than it gives.
class GrownBuffer : public QBuffer {
public:
    explicit GrownBuffer(qint64 announced) : announced_(announced) {}
    qint64 size() const override { return announced_; }

private:
    qint64 announced_;
};

TEST(ReadAtMost, ReadsToTheEndOrOneByteBeyondTheLimit) {
    struct Case {
        const char* what;
        qint64 announced;  // -1: the true size
        qint64 position;
        qint64 limit;
        QByteArray expected;
    };
    const QByteArray data("0123456789");
    const Case cases[] = {
        {"small file, large limit", -1, 0, kMaxTextFileBytes, data},
        {"exactly the limit", -1, 0, 10, data},
        {"beyond the limit: one byte more", -1, 0, 4, "01234"},
        {"from the position", -1, 3, 100, "3456789"},
        {"nothing left", -1, 10, 100, ""},
        {"grown file, large limit", 3, 0, 100, data},
        {"grown file beyond the limit", 3, 0, 6, "0123456"},
        {"announces more than it has", 50, 0, 100, data},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray backing = data;
        GrownBuffer file(c.announced < 0 ? data.size() : c.announced);
        file.setBuffer(&backing);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.seek(c.position));
        const QByteArray bytes = ReadAtMost(file, c.limit);
        EXPECT_EQ(bytes, c.expected);
        EXPECT_LT(bytes.capacity(), 4096) << "the buffer is sized by the limit, not the file";
    }
}

}  // namespace
}  // namespace omi
