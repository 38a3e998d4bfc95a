// The echo check: the speed text, the round-trip time in the ping
// programs' replies, and a real echo of the loopback address through
// whichever path this system allows.

#include "transport/Ping.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace omi {
namespace {

TEST(Ping, SpeedText) {
    struct Case {
        int size;
        double ms;
        const char* text;
    };
    const Case cases[] = {
        {56, 8, "скорость ответа 7000 Kb/ceк"},
        {56, 3, "скорость ответа 18667 Kb/ceк"},   // rounded to the nearest
        {56, 1.4, "скорость ответа 56000 Kb/ceк"},  // whole milliseconds
        {56, 0.03, "скорость ответа более 56000 Kb/ceк"},
    };
    for (const Case& c : cases) EXPECT_EQ(PingSpeedText(c.size, c.ms), QString::fromUtf8(c.text)) << c.ms;
}

TEST(Ping, RoundTripOfTheProgramsReply) {
    struct Case {
        const char* output;
        double ms;
    };
    const Case cases[] = {
        {"64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms\n", 0.045},
        {"64 bytes from 10.0.0.7: icmp_seq=1 ttl=63 time=12 ms", 12},
        {"Ответ от 10.0.0.7: число байт=56 время=8мс TTL=64", 8},
        {"Reply from 127.0.0.1: bytes=56 time<1ms TTL=128", 0},
        {"Превышен интервал ожидания для запроса.", -1},
        {"1 packets transmitted, 0 received, 100% packet loss, time 0ms", -1},
        {"", -1},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParsePingTime(QString::fromUtf8(c.output)), c.ms) << c.output;
}

// Runs the check of one host to its end: the name first, then one echo.
struct Outcome {
    int lookupError = -1;
    int replies = -1;
    TPing::Echo echo;
};
Outcome check(const QString& host) {
    TPing ping;
    Outcome out;
    QEventLoop loop;
    QObject::connect(&ping, &TPing::DnsLookupDone, &loop, [&](int error) {
        out.lookupError = error;
        if (error != 0) loop.quit();
        else ping.SendEcho();
    });
    QObject::connect(&ping, &TPing::EchoReply, &loop, [&](int replies) {
        out.replies = replies;
        out.echo = ping.LastEcho();
        loop.quit();
    });
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    ping.LookupHost(host);
    loop.exec();
    return out;
}

TEST(Ping, LoopbackAnswers) {
    const Outcome out = check(QStringLiteral("127.0.0.1"));
    ASSERT_EQ(out.lookupError, 0);
    ASSERT_EQ(out.replies, 1) << out.echo.error << " " << out.echo.errorText.toStdString() << " via "
                              << TPing::EchoPath().toStdString();
    EXPECT_EQ(out.echo.replyAddress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(out.echo.dataSize, TPing::kDataSize);
    EXPECT_GE(out.echo.roundTripMs, 0);
}

TEST(Ping, NameThatDoesNotResolve) {
    const Outcome out = check(QStringLiteral("no-such-host.invalid"));
    EXPECT_NE(out.lookupError, 0);
    EXPECT_EQ(out.replies, -1);  // nothing sent
}

}  // namespace
}  // namespace omi
