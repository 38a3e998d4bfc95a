#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <random>
#include <string>

#include "connection/Connection.h"
#include "protocol/Exchange.h"
#include "protocol/Identify.h"
#include "support/PtyPair.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using omi::test::PtyPair;

namespace {

Frame withCheck(Frame f) {
    f.push_back(FrameCheckByte(f));
    return f;
}

QByteArray bytes(const Frame& f) { return FrameToString(f); }

class RecordingTrace : public TraceSink {
public:
    bool visible = true;
    QString text;
    void Append(const QString& t) override { text += t; }
    bool Visible() const override { return visible; }
};

class RecordingStatus : public StatusSink {
public:
    QList<QPair<StatusStyle, QString>> shown;
    void show(StatusStyle s, const QString& t) override { shown.append({s, t}); }
};

// A connection on the slave side of a pty; the test answers on the master
// side.
class SerialExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        port.SetPortName(pty.SlavePath());
        port.SetInputTimeout(300);
        port.SetOutputTimeout(1000);
        engine.SetTrace(&trace);
        line.SetDevice(417, 234);
        status.SetDevice(&line.Address());
    }
    void TearDown() override { port.ClosePort(); }
    // Answers every complete request with the next scripted reply.
    void Script(QList<QByteArray> replies) {
        pty.OnData([this, replies](const QByteArray&) mutable {
            if (!replies.isEmpty()) pty.Write(replies.takeFirst());
        });
    }

    PtyPair pty;
    Connection line;
    TCommPortDriver& port = line.Port();
    ExchangeEngine& engine = line.Engine();
    RecordingTrace trace;
    RecordingStatus status;
};

}  // namespace

TEST_F(SerialExchange, AnswerReadByItsLengthByte) {
    const Frame answer = withCheck({8, 234, 417 & 0xFF, 417 >> 8, 1, 42, 43});
    Script({bytes(answer)});
    const Frame request = *line.BuildFrame(cmd::State);
    Frame response = request;  // the same variable may carry request and answer
    ASSERT_TRUE(engine.Exchange(response, response));
    EXPECT_EQ(response, answer);
    EXPECT_EQ(pty.Received(), bytes(request)) << "one attempt, nothing repeated";
    EXPECT_TRUE(trace.text.startsWith("ЗАПРОС=" + FrameToDecimal(request)));
    EXPECT_TRUE(trace.text.contains("length(r)=8; ОТВЕТ=008|234|161|001|001|042|043|"));
    EXPECT_TRUE(trace.text.endsWith("\r\n"));
}

TEST_F(SerialExchange, FrameFoundInNoise) {
    const Frame answer = withCheck({7, 234, 417 & 0xFF, 417 >> 8, 1, 9});
    // Noise whose first byte looks like a length: the length read takes 20
    // bytes, runs out, and the search finds the answer inside them.
    QByteArray noisy = QByteArray::fromHex("14ff01") + bytes(answer);
    Script({noisy});
    Frame response;
    ASSERT_TRUE(engine.Exchange(*line.BuildFrame(cmd::State), response));
    EXPECT_EQ(response, answer);
    EXPECT_TRUE(trace.text.contains("ЕСТЬ 007|234|161|001|001|009"));
}

TEST_F(SerialExchange, SilenceTakesFourAttempts) {
    trace.visible = false;
    Frame response{1, 2, 3};
    const Frame request = *line.BuildFrame(cmd::State);
    EXPECT_FALSE(engine.Exchange(request, response));
    EXPECT_EQ(response, (Frame{1, 2, 3})) << "no answer leaves the caller's bytes alone";
    EXPECT_EQ(pty.Received(), bytes(request).repeated(4));
    // The length line is written even while the memo is hidden, nothing else.
    EXPECT_EQ(trace.text, QString("length(r)=0;").repeated(4));
}

TEST_F(SerialExchange, BroadcastEchoIsNotAnAnswer) {
    line.ClearDevice();
    const Frame device = withCheck({6, 229, 16, 39, 0});
    // An echoing line returns the request, then the device answers.
    Script({bytes(kBroadcastNoTu) + bytes(device)});
    Frame response;
    ASSERT_TRUE(engine.Exchange(kBroadcastNoTu, response));
    EXPECT_EQ(response, device);
    EXPECT_EQ(pty.Received().size(), 6) << "answered in the first attempt";

    // Only the echo, whole or behind noise: never taken as an answer.
    pty.ClearReceived();
    Script(QList<QByteArray>{bytes(kBroadcastNoTu), QByteArray::fromHex("09") + bytes(kBroadcastNoTu),
                             bytes(kBroadcastNoTu), bytes(kBroadcastNoTu)});
    EXPECT_FALSE(engine.Exchange(kBroadcastNoTu, response));
    EXPECT_TRUE(trace.text.contains("НЕТ В мУСОРЕ"));
}

TEST_F(SerialExchange, LengthByteZeroWaitsFor255More) {
    QByteArray answer(1, '\0');
    answer += QByteArray(100, 7);
    Script({answer});
    port.SetInputTimeout(200);
    Frame response;
    EXPECT_FALSE(engine.Exchange(*line.BuildFrame(cmd::State), response));
    EXPECT_TRUE(trace.text.contains("length(r)=256;")) << trace.text.toStdString();
}

// An answer that lost a byte of value 0 keeps its sum: the zeros that stand
// in for the bytes that never came must not complete it.
TEST_F(SerialExchange, AnswerShortOfAZeroByteIsNotCompletedByPadding) {
    const Frame whole = withCheck({9, 234, 417 & 0xFF, 417 >> 8, 1, 0, 42, 43});
    Frame cut = whole;
    cut.erase(cut.begin() + 5);  // the 0 is lost on the line
    ASSERT_EQ(FrameCheckByte(cut), 0) << "the bytes that came still sum to zero";
    Script(QList<QByteArray>(4, bytes(cut)));
    port.SetInputTimeout(100);
    Frame response;
    EXPECT_FALSE(engine.Exchange(*line.BuildFrame(cmd::State), response));
    EXPECT_EQ(pty.Received().size(), 4 * 6) << "every attempt";
    // The trace still shows the answer at the length its first byte gives.
    EXPECT_TRUE(trace.text.contains("length(r)=9; ОТВЕТ=009|234|161|001|001|042|043|")) << trace.text.toStdString();
}

// The device answers after the timeout: its answer to the first attempt is
// read by the second, and its answer to the second follows. That one is
// stale when the next exchange starts and must not be taken for its answer.
TEST_F(SerialExchange, LateAnswerOfAnEarlierExchangeIsNotTheNextAnswer) {
    port.SetInputTimeout(100);
    const Frame state = withCheck({7, 234, 417 & 0xFF, 417 >> 8, 1, 5});
    const Frame config = withCheck({7, 234, 417 & 0xFF, 417 >> 8, 5, 6});
    int requests = 0;
    pty.OnData([&](const QByteArray&) {
        ++requests;
        if (requests == 1)  // both state answers, late, one after the other
            QTimer::singleShot(150, [&] { pty.Write(bytes(state) + bytes(state)); });
        if (requests == 3) pty.Write(bytes(config));
    });
    Frame response;
    ASSERT_TRUE(engine.Exchange(*line.BuildFrame(cmd::State), response));
    EXPECT_EQ(response, state);
    EXPECT_EQ(requests, 2);
    omi::test::WaitFor([] { return false; }, 50);  // the second state answer is in
    ASSERT_TRUE(engine.Exchange(*line.BuildFrame(cmd::ReadConfig), response));
    EXPECT_EQ(response, config);
}

// On a loaded machine the second late answer may come only after the next
// request went out: it answers another command and the real answer follows.
TEST_F(SerialExchange, LateAnswerAfterTheNextRequestIsSkipped) {
    const Frame state = withCheck({7, 234, 417 & 0xFF, 417 >> 8, 1, 5});
    const Frame config = withCheck({7, 234, 417 & 0xFF, 417 >> 8, 5, 6});
    Script({bytes(state) + bytes(config)});
    Frame response;
    ASSERT_TRUE(engine.Exchange(*line.BuildFrame(cmd::ReadConfig), response));
    EXPECT_EQ(response, config);
    EXPECT_EQ(pty.Received(), bytes(*line.BuildFrame(cmd::ReadConfig))) << "one attempt";
    EXPECT_TRUE(trace.text.contains("ЧУЖОЙ ОТВЕТ 007|234|161|001|001|005")) << trace.text.toStdString();

    // A stale answer alone is no answer: every attempt is made.
    pty.ClearReceived();
    Script(QList<QByteArray>(4, bytes(state)));
    port.SetInputTimeout(100);
    EXPECT_FALSE(engine.Exchange(*line.BuildFrame(cmd::ReadConfig), response));
    EXPECT_EQ(pty.Received(), bytes(*line.BuildFrame(cmd::ReadConfig)).repeated(4));
}

TEST_F(SerialExchange, NestedExchangeIsRefused) {
    const Frame answer = withCheck({6, 234, 417 & 0xFF, 417 >> 8, 1});
    // The device answers late; meanwhile another handler tries to exchange.
    pty.OnData([&](const QByteArray&) { QTimer::singleShot(100, [&] { pty.Write(bytes(answer)); }); });
    bool nestedResult = true;
    bool nestedRan = false;
    QTimer::singleShot(30, [&] {
        Frame r;
        nestedResult = engine.Exchange(*line.BuildFrame(cmd::ReadConfig), r);
        nestedRan = true;
    });
    Frame response;
    ASSERT_TRUE(engine.Exchange(*line.BuildFrame(cmd::State), response));
    EXPECT_EQ(response, answer);
    EXPECT_TRUE(nestedRan);
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(pty.Received().size(), 6) << "only the first request reached the line";
}

TEST_F(SerialExchange, IdentifyThroughTheConnection) {
    line.ClearDevice();
    int changes = 0;
    QObject::connect(&line, &Connection::DeviceChanged, [&] { ++changes; });
    Script({bytes(withCheck({6, 229, 16, 39, 0}))});
    const IdentifyResult r = Identify(line, {false, true, false}, status);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(pty.Received(), bytes(Frame{6, 0, 0, 0, 0, 250}));
    EXPECT_EQ(r.serial, 10000);
    EXPECT_EQ(r.model, "ОМИ-1 Б4");
    EXPECT_TRUE(r.changeLogEnabled);
    EXPECT_EQ(line.Address(), (DeviceAddress{10000, 229}));
    EXPECT_EQ(changes, 1) << "the new device is announced";
    ASSERT_EQ(status.shown.size(), 2);
    EXPECT_EQ(status.shown[0].first, StatusStyle::Busy);
    EXPECT_EQ(status.shown[0].second, "определение");
    EXPECT_EQ(status.shown[1].second, "ОМИ-1 Б4 № 10000: НА СВЯЗИ!");

    // Known now: the next identification asks the device itself.
    pty.ClearReceived();
    Script({bytes(withCheck({6, 229, 16, 39, 0}))});
    EXPECT_TRUE(Identify(line, {false, true, false}, status).ok);
    EXPECT_EQ(pty.Received(), bytes(withCheck({6, 229, 16, 39, 0})));
    EXPECT_EQ(changes, 1) << "the same device again is no change";
}

TEST_F(SerialExchange, IdentifyFailuresKeepTheAddress) {
    line.SetDevice(5, 228);
    int changes = 0;
    QObject::connect(&line, &Connection::DeviceChanged, [&] { ++changes; });
    // Port found busy by the last probe: no request at all.
    EXPECT_FALSE(Identify(line, {false, false, false}, status).ok);
    EXPECT_TRUE(pty.Received().isEmpty());
    EXPECT_EQ(status.shown.back().second, "НЕТ СВЯЗИ");
    // A 228 answer with a bad check byte.
    Script({bytes(Frame{6, 228, 5, 0, 0, 0})});
    EXPECT_FALSE(Identify(line, {false, true, false}, status).ok);
    EXPECT_EQ(line.Address(), (DeviceAddress{5, 228}));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(status.shown.back().first, StatusStyle::Error);
}

TEST(Identify, ImitationAndManualAddress) {
    Connection line;
    RecordingStatus status;
    status.SetDevice(&line.Address());
    EXPECT_EQ(line.ImitationType(), 128) << "the ЛОРС until a type is chosen";
    line.SetImitationType(235);
    IdentifyResult r = Identify(line, {true, false, false}, status);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.serial, 20560);
    EXPECT_EQ(r.type, 235);
    EXPECT_FALSE(r.changeLogDecided);
    EXPECT_EQ(line.Address(), (DeviceAddress{20560, 235}));

    ManualAddressResult m = SetManualAddress(line, 7, "ОМИ-1 Б5М new", status);
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(line.Serial(), 7);
    EXPECT_EQ(line.Type(), 237);
    EXPECT_EQ(line.ImitationType(), 237);
    EXPECT_EQ(status.shown.back().second, "ОМИ-1 Б5М new № 7: номер правильный");
    EXPECT_FALSE(m.changeLogEnabled);

    m = SetManualAddress(line, 0, "ОМИ-1 Б4", status);
    EXPECT_FALSE(m.valid);
    EXPECT_EQ(line.Serial(), -1);
    EXPECT_TRUE(m.changeLogEnabled);
    EXPECT_EQ(status.shown.back().second, "номер должен быть от 1 до 65535");

    // Each connection has its own imitation type.
    Connection other;
    EXPECT_EQ(other.ImitationType(), 128);
}

TEST(FindFrame, Cases) {
    const DeviceAddress from{417, 234};
    const QByteArray state = bytes(withCheck({7, 234, 161, 1, 1, 9}));
    const QByteArray other = bytes(withCheck({7, 234, 162, 1, 1, 9}));
    const QByteArray noTu = bytes(withCheck({6, 229, 16, 39, 0}));
    struct Case {
        const char* what;
        QByteArray in;
        int command;
        QByteArray out;
    } cases[] = {
        {"at the start", state, 1, state},
        {"after noise", QByteArray("\x01\xff\x07", 3) + state, 1, state},
        {"other serial skipped", other + state, 1, state},
        {"other command", state, 3, {}},
        {"cut short", state.left(6), 1, {}},
        {"too short for any frame", state.left(5), 1, {}},
        {"identification ignores the serial", QByteArray("\x00\x02", 2) + noTu, 0, noTu},
        {"identification needs a known type", bytes(withCheck({6, 200, 1, 0, 0})), 0, {}},
        {"the broadcast itself matches type 0", bytes(kBroadcastNoTu), 0, bytes(kBroadcastNoTu)},
        {"empty", {}, 1, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ExchangeEngine::FindFrame(c.in, from, c.command), c.out) << c.what;
    // The serial looked for is that of the device asked.
    EXPECT_EQ(ExchangeEngine::FindFrame(other + state, {418, 234}, 1), other);
}

TEST(FindFrame, RandomBytesNeverCrash) {
    const DeviceAddress from{417, 234};
    std::mt19937 rng(99);
    for (int len = 0; len <= 300; ++len) {
        QByteArray s(len, '\0');
        for (auto& c : s) c = static_cast<char>(rng());
        for (int command : {0, 1, 3}) {
            const QByteArray f = ExchangeEngine::FindFrame(s, from, command);
            if (!f.isEmpty()) {
                EXPECT_TRUE(s.contains(f));
                EXPECT_TRUE(CheckFrameSum(StringToFrame(f)));
            }
        }
    }
}

TEST(LoggerReplay, Answers) {
    LoggerReplayData d;
    d.type = 234;
    d.recordLength = 3;
    d.records = {"1,2,3", "4,5,6", "7,x,9", "1,300,2", "a", "b", "10,20,30"};
    d.pointer = 0x0102;
    const DeviceAddress to{417, 234};
    ExchangeEngine engine(nullptr);
    engine.SetLoggerReplay(&d);

    Frame response;
    Frame request = *BuildFrame(to, cmd::ArchiveRecord, {6, 0x80});  // record 6, top bit set
    ASSERT_TRUE(engine.Exchange(request, response));
    EXPECT_EQ(response, withCheck({9, 234, 161, 1, 3, 10, 20, 30}));

    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchiveRecord, {2, 0}), response));
    EXPECT_EQ(response, withCheck({9, 234, 161, 1, 3, 7, 255, 9})) << "text that is not a number gives 255";
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchiveRecord, {3, 0}), response));
    EXPECT_EQ(response, withCheck({9, 234, 161, 1, 3})) << "a value above 255 leaves the values out";
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchiveRecord, {7, 0}), response));
    EXPECT_EQ(response, withCheck({9, 234, 161, 1, 3})) << "beyond the records";

    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchivePointers), response));
    // The pointer is both current numbers, the daily one a word at 7 (a 234 file
    // read with a fixed high byte of 60 started past the end of its ring).
    EXPECT_EQ(response, (Frame{10, 234, 161, 1, 21, 2, 1, 2, 1, 255}));
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchiveEnd), response));
    EXPECT_EQ(response, (Frame{6, 234, 161, 1, 254, 255}));
    d.type = 225;
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::ArchivePointers), response));
    EXPECT_EQ(response, (Frame{9, 225, 161, 1, 21, 2, 1, 2, 255}));
}

// Each transaction goes to exactly one transport: the logger replay while a
// file is replayed, else the imitation while it is on, else the selected line
// (here UDP without an address, which reports the empty address).
TEST(ExchangeEngine, ReplayThenImitationThenTheLine) {
    enum class Answers { Replay, Imitation, Line };
    struct Case {
        bool replay;
        bool imitation;
        Answers expected;
    } cases[] = {
        {true, true, Answers::Replay},
        {true, false, Answers::Replay},
        {false, true, Answers::Imitation},
        {false, false, Answers::Line},
    };
    const DeviceAddress to{417, 234};
    LoggerReplayData d;
    d.type = 234;
    d.recordLength = 3;
    d.records = {"1,2,3"};
    const Frame replayed = withCheck({9, 234, 161, 1, 3, 1, 2, 3});
    const Frame imitated = withCheck({7, 234, 161, 1, 3, 77});
    for (const Case& c : cases) {
        ExchangeEngine engine(nullptr);
        engine.SetTransport(TransportKind::Network);
        int imitations = 0, emptyAddress = 0;
        engine.SetEmptyAddressHandler([&] { ++emptyAddress; });
        engine.SetImitationHandler([&](const Frame&, Frame& r) {
            ++imitations;
            r = imitated;
        });
        engine.SetImitation(c.imitation);
        engine.SetLoggerReplay(c.replay ? &d : nullptr);
        Frame response;
        const bool ok = engine.Exchange(*BuildFrame(to, cmd::ArchiveRecord, {0, 0}), response);
        const std::string what = "replay " + std::to_string(c.replay) + ", imitation " + std::to_string(c.imitation);
        EXPECT_EQ(ok, c.expected != Answers::Line) << what;
        EXPECT_EQ(response == replayed, c.expected == Answers::Replay) << what;
        EXPECT_EQ(imitations, c.expected == Answers::Imitation ? 1 : 0) << what;
        EXPECT_EQ(response == imitated, c.expected == Answers::Imitation) << what;
        EXPECT_EQ(emptyAddress, c.expected == Answers::Line ? 1 : 0) << what;
    }
}

namespace {
// A UDP peer on loopback that answers from the test.
struct UdpPeer {
    QUdpSocket socket;
    QList<QByteArray> got;
    std::function<void(const QNetworkDatagram&)> answer;
    UdpPeer() {
        socket.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams()) {
                auto d = socket.receiveDatagram();
                got << d.data();
                if (answer) answer(d);
            }
        });
    }
};
}  // namespace

TEST(NetworkExchange, AnswersOnlyFromTheConfiguredPeer) {
    const DeviceAddress to{417, 234};
    Connection line;
    line.Port().SetInputTimeout(1000);
    ExchangeEngine& engine = line.Engine();
    engine.SetTransport(TransportKind::Network);

    Frame response;
    EXPECT_FALSE(engine.Exchange(*BuildFrame(to, cmd::State), response)) << "empty address";

    UdpPeer device, spoofer;
    const Frame answer = withCheck({6, 234, 161, 1, 1});
    engine.SetNetworkTarget("127.0.0.1", device.socket.localPort());
    device.answer = [&](const QNetworkDatagram& d) {
        // Another sender on the network tries first, the device answers later.
        spoofer.socket.writeDatagram(bytes(Frame{7, 234, 161, 1, 1, 0, 0}), d.senderAddress(), d.senderPort());
        QTimer::singleShot(50,
                           [&, d] { device.socket.writeDatagram(bytes(answer), d.senderAddress(), d.senderPort()); });
    };
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::State), response));
    EXPECT_EQ(response, answer);
    EXPECT_EQ(device.got.size(), 1) << "the first attempt waits instead of sending twice";
}

TEST(NetworkExchange, StaleDatagramIsDiscarded) {
    const DeviceAddress to{417, 234};
    Connection line;
    line.Port().SetInputTimeout(1000);
    ExchangeEngine& engine = line.Engine();
    engine.SetTransport(TransportKind::Network);
    UdpPeer device;
    engine.SetNetworkTarget("127.0.0.1", device.socket.localPort());
    int n = 0;
    const Frame first = withCheck({6, 234, 161, 1, 1});
    const Frame second = withCheck({7, 234, 161, 1, 1, 2});
    device.answer = [&](const QNetworkDatagram& d) {
        // The first answer comes twice: the copy must not become the next answer.
        const Frame a = n++ == 0 ? first : second;
        device.socket.writeDatagram(bytes(a), d.senderAddress(), d.senderPort());
        if (a == first) device.socket.writeDatagram(bytes(a), d.senderAddress(), d.senderPort());
    };
    Frame response;
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::State), response));
    EXPECT_EQ(response, first);
    omi::test::WaitFor([] { return false; }, 50);
    ASSERT_TRUE(engine.Exchange(*BuildFrame(to, cmd::State), response));
    EXPECT_EQ(response, second);
}
