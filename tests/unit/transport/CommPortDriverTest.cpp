#include "transport/CommPortDriver.h"
#include "DevicePty.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace omi {
namespace {

using test::DevicePty;
using test::RunEvents;
using D = TCommPortDriver;

// --- properties without a device --------------------------------------------

TEST(CommPortDriverProperties, Defaults) {
    D port;
    EXPECT_EQ(port.Port(), D::pnCOM2);
#ifdef Q_OS_WIN
    EXPECT_EQ(port.PortName(), QStringLiteral("\\\\.\\COM2"));
#else
    EXPECT_EQ(port.PortName(), QStringLiteral("/dev/ttyS1"));
#endif
    EXPECT_EQ(port.BaudRate(), D::br9600);
    EXPECT_EQ(port.BaudRateValue(), 9600u);
    EXPECT_EQ(port.DataBits(), D::db8BITS);
    EXPECT_EQ(port.StopBits(), D::sb1BITS);
    EXPECT_EQ(port.Parity(), D::ptNONE);
    EXPECT_EQ(port.HwFlow(), D::hfNONERTSON);
    EXPECT_EQ(port.SwFlow(), D::sfNONE);
    EXPECT_EQ(port.InBufSize(), 2048u);
    EXPECT_EQ(port.OutBufSize(), 2048u);
    EXPECT_EQ(port.PollingDelay(), 50);
    EXPECT_TRUE(port.EnableDTROnOpen());
    EXPECT_EQ(port.OutputTimeout(), 500);
    EXPECT_EQ(port.InputTimeout(), 200u);
    EXPECT_FALSE(port.CheckLineStatus());
    EXPECT_FALSE(port.IsOpen());
}

TEST(CommPortDriverProperties, SymbolicSpeeds) {
    const std::vector<std::pair<D::TBaudRate, std::uint32_t>> table = {
        {D::br110, 110},       {D::br300, 300},       {D::br600, 600},       {D::br1200, 1200},
        {D::br2400, 2400},     {D::br4800, 4800},     {D::br9600, 9600},     {D::br14400, 14400},
        {D::br19200, 19200},   {D::br38400, 38400},   {D::br56000, 56000},   {D::br57600, 57600},
        {D::br115200, 115200}, {D::br128000, 128000}, {D::br256000, 256000},
    };
    D port;
    for (const auto& [rate, value] : table) {
        port.SetBaudRate(rate);
        EXPECT_EQ(port.BaudRate(), rate);
        EXPECT_EQ(port.BaudRateValue(), value) << "rate ordinal " << rate;
    }
    // A number outside the table switches to brCustom and is kept as given.
    port.SetBaudRateValue(250000);
    EXPECT_EQ(port.BaudRate(), D::brCustom);
    EXPECT_EQ(port.BaudRateValue(), 250000u);
    // brCustom keeps whatever value is there.
    port.SetBaudRate(D::brCustom);
    EXPECT_EQ(port.BaudRateValue(), 250000u);
}

TEST(CommPortDriverProperties, BufferSizesAreClampedAndSetTheXonXoffLimits) {
    struct Case {
        std::uint32_t asked, kept, xonXoff;
    };
    const Case table[] = {{100, 128, 32}, {20000, 8192, 2048}, {2048, 2048, 512}, {4000, 4000, 1000}};
    for (const Case& c : table) {
        D port;
        port.SetInBufSize(c.asked);
        port.SetOutBufSize(c.asked);
        EXPECT_EQ(port.InBufSize(), c.kept) << c.asked;
        EXPECT_EQ(port.OutBufSize(), c.kept) << c.asked;
        EXPECT_EQ(port.XonXoffLimit(), c.xonXoff) << c.asked;
    }
}

TEST(CommPortDriverProperties, PollingDelayHasAFloorOfFive) {
    const std::pair<std::uint16_t, std::uint16_t> table[] = {{0, 5}, {2, 5}, {5, 5}, {7, 7}, {50, 50}};
    for (const auto& [asked, kept] : table) {
        D port;
        port.SetPollingDelay(asked);
        EXPECT_EQ(port.PollingDelay(), kept) << asked;
    }
}

TEST(CommPortDriverProperties, PortNumberAndName) {
    D port;
    port.SetPort(D::pnCOM5);
    EXPECT_EQ(port.Port(), D::pnCOM5);
#ifdef Q_OS_WIN
    EXPECT_EQ(port.PortName(), QStringLiteral("\\\\.\\COM5"));
#else
    EXPECT_EQ(port.PortName(), QStringLiteral("/dev/ttyS4"));
#endif
    port.SetPortName(QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(port.Port(), D::pnCustom);
    EXPECT_EQ(port.PortName(), QStringLiteral("/dev/ttyUSB0"));
    // pnCustom leaves the name alone.
    port.SetPort(D::pnCustom);
    EXPECT_EQ(port.PortName(), QStringLiteral("/dev/ttyUSB0"));
}

TEST(CommPortDriverProperties, ClosedPortTransfersNothing) {
    D port;
    char buf[4] = {};
    EXPECT_EQ(port.ReadBytes(buf, 4), 0);
    EXPECT_EQ(port.WriteBytes("abc", 3), 0);
    EXPECT_FALSE(port.WriteByte(1));
    EXPECT_EQ(port.RxCount(), 65535u);
    EXPECT_EQ(port.TxFree(), -1);
    EXPECT_EQ(port.ModemLines(), 0);
    EXPECT_FALSE(port.PurgeBuffers(true, true));
    EXPECT_FALSE(port.ApplyLineSettings());
}

// --- on a pseudo-terminal ----------------------------------------------------

class CommPortDriverPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        port.SetPortName(pty.SlavePath());
        port.SetInputTimeout(1000);
        port.SetOutputTimeout(1000);
        ASSERT_TRUE(port.OpenPort()) << port.LastError().toStdString();
    }

    DevicePty pty;
    D port;
};

TEST_F(CommPortDriverPty, OpenTwiceKeepsItOpenAndCloseCloses) {
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.OpenPort());
    EXPECT_EQ(port.RxCount(), 0u);
    EXPECT_EQ(port.TxFree(), 2048);
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.RxCount(), 65535u);
}

TEST_F(CommPortDriverPty, NameAndBufferSizesIgnoredWhileOpenLineSettingsApplied) {
    const QString name = port.PortName();
    port.SetPortName(QStringLiteral("/dev/ttyS7"));
    port.SetPort(D::pnCOM3);
    port.SetInBufSize(4096);
    port.SetOutBufSize(4096);
    EXPECT_EQ(port.PortName(), name);
    EXPECT_EQ(port.Port(), D::pnCustom);
    EXPECT_EQ(port.InBufSize(), 2048u);
    EXPECT_EQ(port.OutBufSize(), 2048u);

    // Line settings change while open and the port keeps working.
    port.SetBaudRate(D::br115200);
    port.SetParity(D::ptEVEN);
    port.SetStopBits(D::sb2BITS);
    port.SetDataBits(D::db7BITS);
    port.SetSwFlow(D::sfXONXOFF);
    EXPECT_TRUE(port.ApplyLineSettings()) << port.LastError().toStdString();
    EXPECT_TRUE(port.IsOpen());
    port.SetSwFlow(D::sfNONE);
    port.SetDataBits(D::db8BITS);
    pty.Write("ok");
    char buf[2] = {};
    EXPECT_EQ(port.ReadBytes(buf, 2), 2);
    EXPECT_EQ(QByteArray(buf, 2), QByteArray("ok"));
}

TEST_F(CommPortDriverPty, OneAndAHalfStopBitsOnlyWithFiveDataBits) {
    port.ClosePort();
    port.SetStopBits(D::sb1HALFBITS);
    EXPECT_FALSE(port.OpenPort());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().isEmpty());
    port.SetDataBits(D::db5BITS);
    EXPECT_TRUE(port.OpenPort()) << port.LastError().toStdString();
}

TEST_F(CommPortDriverPty, ReadWaitsForALateSecondChunk) {
    pty.Write(QByteArray("\x01\x02\x03\x04", 4));
    pty.WriteLater(900, QByteArray("\x05\x06\x07\x08\x09\x0A", 6));
    char buf[10] = {};
    ASSERT_EQ(port.ReadBytes(buf, 10), 10);
    EXPECT_EQ(QByteArray(buf, 10), QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 10));
}

TEST_F(CommPortDriverPty, ReadTimeoutRestartsWithEveryChunk) {
    // Three chunks 250 ms apart with a 500 ms timeout: longer in total than
    // the timeout, but never silent for that long.
    port.SetInputTimeout(500);
    pty.WriteLater(250, "ab");
    pty.WriteLater(500, "cd");
    pty.WriteLater(750, "ef");
    char buf[6] = {};
    ASSERT_EQ(port.ReadBytes(buf, 6), 6);
    EXPECT_EQ(QByteArray(buf, 6), QByteArray("abcdef"));
}

TEST_F(CommPortDriverPty, ReadGivesUpAfterSilence) {
    port.SetInputTimeout(300);
    char buf[8] = {};
    EXPECT_EQ(port.ReadBytes(buf, 8), 0);
    pty.Write("xyz");
    EXPECT_EQ(port.ReadBytes(buf, 8), 3);
    EXPECT_EQ(QByteArray(buf, 3), QByteArray("xyz"));
    EXPECT_FALSE(port.PollingSuspended());
}

TEST_F(CommPortDriverPty, WrittenBytesReachTheDeviceWithoutAnEventLoopPass) {
    const QByteArray request("\x06\x00\x00\x00\x00\xFA", 6);
    EXPECT_EQ(port.WriteBytes(request.constData(), request.size()), 6);
    // The master is read without running the event loop: the driver must
    // have handed the bytes to the device already.
    EXPECT_EQ(pty.Read(6, 2000), request);
    EXPECT_TRUE(port.WriteByte(0xFF));
    EXPECT_TRUE(port.WriteText("AT\r"));
    EXPECT_EQ(pty.Read(4, 2000), QByteArray("\xFF" "AT\r", 4));
}

TEST_F(CommPortDriverPty, WriteToADeviceThatDoesNotReadStopsAfterTheTimeout) {
    // Nobody reads the master: the pseudo-terminal fills up, the write makes
    // no more progress and gives up; a full queue does not close the port.
    port.ClosePort();
    port.SetOutBufSize(8192);
    port.SetOutputTimeout(200);
    ASSERT_TRUE(port.OpenPort());
    const QByteArray lots(4 * 1024 * 1024, 'x');
    const std::int64_t written = port.WriteBytes(lots.constData(), lots.size());
    EXPECT_GT(written, 0);
    EXPECT_LT(written, lots.size());
    RunEvents(50);
    EXPECT_TRUE(port.IsOpen());
    // The device side gets what was written, in order.
    const QByteArray got = pty.Read(4096, 2000);
    EXPECT_FALSE(got.isEmpty());
    EXPECT_EQ(got, lots.left(got.size()));
}

TEST_F(CommPortDriverPty, PurgeDiscardsWaitingInput) {
    // Suspended, so the receive event leaves the bytes waiting.
    port.SuspendPolling();
    pty.Write("noise");
    RunEvents(100);
    EXPECT_EQ(port.RxCount(), 5u);
    EXPECT_TRUE(port.PurgeBuffers(true, false));
    EXPECT_EQ(port.RxCount(), 0u);
    port.SetInputTimeout(200);
    char buf[5] = {};
    EXPECT_EQ(port.ReadBytes(buf, 5), 0);
    port.ResumePolling();
}

// --- receive event -------------------------------------------------------------

class ReceiveRecorder {
public:
    explicit ReceiveRecorder(D& port) {
        QObject::connect(&port, &D::ReceiveData, &context_, [this](const QByteArray& data) {
            received += data;
            ++events;
        });
    }
    QByteArray received;
    int events = 0;

private:
    QObject context_;
};

TEST_F(CommPortDriverPty, ReceiveEventGathersArrivingBytes) {
    ReceiveRecorder rec(port);
    pty.Write("\x01\x02");
    pty.WriteLater(1, "\x03");
    RunEvents(300);
    EXPECT_EQ(rec.received, QByteArray("\x01\x02\x03"));
    EXPECT_GE(rec.events, 1);
    EXPECT_EQ(port.RxCount(), 0u);
}

TEST_F(CommPortDriverPty, ReceiveEventDeliversAtMostInBufSizePerEvent) {
    port.ClosePort();
    port.SetInBufSize(128);
    ASSERT_TRUE(port.OpenPort());
    ReceiveRecorder rec(port);
    QByteArray sent;
    for (int i = 0; i < 300; ++i) sent.append(static_cast<char>(i));
    pty.Write(sent);
    RunEvents(500);
    EXPECT_EQ(rec.received, sent);
    EXPECT_GE(rec.events, 3);
}

TEST_F(CommPortDriverPty, NoReceiveEventWhileSuspendedOrWhileAReadWaits) {
    ReceiveRecorder rec(port);
    port.SuspendPolling();
    pty.Write("abc");
    RunEvents(200);
    EXPECT_EQ(rec.events, 0);
    port.ResumePolling();

    // Bytes arriving during a blocking read belong to the read, which holds
    // the receive event off while it waits; what it leaves over goes to the
    // receive event once it returns.
    rec.received.clear();
    pty.Write("12");
    pty.WriteLater(200, "345");
    bool suspendedDuringRead = false;
    QTimer::singleShot(100, [&] { suspendedDuringRead = port.PollingSuspended(); });
    char buf[6] = {};
    ASSERT_EQ(port.ReadBytes(buf, 6), 6);
    EXPECT_EQ(QByteArray(buf, 6), QByteArray("abc123"));
    EXPECT_TRUE(suspendedDuringRead);
    EXPECT_FALSE(port.PollingSuspended());
    EXPECT_EQ(rec.events, 0);
    RunEvents(300);
    EXPECT_EQ(rec.received, QByteArray("45"));
}

// --- exclusive use, lost device -----------------------------------------------

TEST_F(CommPortDriverPty, SecondOpenOfAHeldPortFails) {
    D other;
    other.SetPortName(pty.SlavePath());
    EXPECT_FALSE(other.OpenPort());
    EXPECT_FALSE(other.IsOpen());
    port.ClosePort();
    EXPECT_TRUE(other.OpenPort()) << other.LastError().toStdString();
}

TEST_F(CommPortDriverPty, OtherEndGoneClosesThePortWithoutSpinning) {
    int lost = 0;
    QObject context;
    QObject::connect(&port, &D::PortLost, &context, [&] { ++lost; });
    pty.CloseMaster();
    {
        QEventLoop loop;
        QObject::connect(&port, &D::PortLost, &loop, &QEventLoop::quit);
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().isEmpty());
    char buf[1] = {};
    EXPECT_EQ(port.ReadBytes(buf, 1), 0);

    // A port whose device keeps failing wakes the event loop without pause;
    // a closed one lets it sleep. Count the wake-ups of one quiet second.
    int wakeups = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &context,
                     [&] { ++wakeups; });
    RunEvents(1000);
    EXPECT_LT(wakeups, 200);
    // (Whether the path opens again is not the port's business: the system
    // may already have given the pseudo-terminal's number to another one.)
    EXPECT_EQ(lost, 1);
}

TEST_F(CommPortDriverPty, ReadEndsWhenTheOtherEndGoesAway) {
    port.SetInputTimeout(20000);
    pty.WriteLater(50, "a");
    QTimer::singleShot(150, [this] { pty.CloseMaster(); });
    char buf[4] = {};
    EXPECT_EQ(port.ReadBytes(buf, 4), 1);
    EXPECT_EQ(buf[0], 'a');
    EXPECT_FALSE(port.IsOpen());
}

TEST(CommPortDriverLifetime, DestroyedDuringAReadReturnsCleanly) {
    DevicePty pty;
    ASSERT_TRUE(pty.Ok());
    auto* port = new D;
    port->SetPortName(pty.SlavePath());
    port->SetInputTimeout(20000);
    ASSERT_TRUE(port->OpenPort());
    pty.WriteLater(50, "z");
    QTimer::singleShot(150, [&port] {
        delete port;
        port = nullptr;
    });
    char buf[4] = {};
    const std::int64_t got = port->ReadBytes(buf, 4);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(port, nullptr);
}

}  // namespace
}  // namespace omi
