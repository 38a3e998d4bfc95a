// The modem in front of the simulated line: command mode, dialling, data
// mode, the escape and hang-up, the carrier lost after a count of answers,
// on the line object and through a real pseudo-terminal.

#include "SimModem.h"
#include "SimOptions.h"
#include "SimPty.h"
#include "SimSlaveClient.h"
#include "SimTestSupport.h"

#include "support/PtyPair.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using omi::SimModemReply;
using omi::SimModemSettings;
using omi::simtest::SlaveClient;
using omi::test::WaitFor;

namespace {

const QByteArray kBroadcast("\x06\x00\x00\x00\x00\xFA", 6);
const QByteArray kAnswer234("\x06\xEA\xA1\x01\x00\x6E", 6);  // type 234, serial 417
const QByteArray kOk("\r\nOK\r\n");
const QByteArray kConnect("\r\nCONNECT 9600\r\n");
const QByteArray kNoCarrier("\r\nNO CARRIER\r\n");
constexpr int kWaitMs = 5000;  // only a bound for a broken build, never a measure

std::vector<omi::SimDevice> device234(const omi::SimSettings& settings = {}) {
    std::vector<omi::SimDevice> d;
    d.emplace_back(234, 417, settings);
    return d;
}

QByteArray text(const omi::Frame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

SimModemSettings modemWith(SimModemReply reply, int dropAfter = 0) {
    SimModemSettings s;
    s.enabled = true;
    s.reply = reply;
    s.dropAfter = dropAfter;
    return s;
}

// A modem with the device 234/417 behind it; everything the line carries
// back to the client is collected in out.
struct Rig {
    explicit Rig(SimModemSettings settings = modemWith(SimModemReply::Connect), omi::SimFaults faults = {},
                 const omi::SimSettings& device = {})
        : responder(device234(device), faults),
          line(responder, [this](const QByteArray& b) { out += b; }),
          modem(line, settings, [this](const QByteArray& b) { out += b; }) {}

    QByteArray Take() { return std::exchange(out, {}); }
    // Sends the bytes and returns what has come back once it ends with tail
    // (empty tail: what came back at once).
    QByteArray Send(const QByteArray& bytes, const QByteArray& tail = {}) {
        modem.Receive(bytes);
        if (!tail.isEmpty()) WaitFor([&] { return out.endsWith(tail); }, kWaitMs);
        return Take();
    }
    void Dial() {
        EXPECT_EQ(Send("ATDT5551234\r", kConnect), "ATDT5551234\r" + kConnect);
        EXPECT_TRUE(modem.InDataMode());
    }

    omi::SimResponder responder;
    QByteArray out;
    omi::SimLine line;
    omi::SimModem modem;
};

std::string show(const QByteArray& b) { return b.toHex(' ').toStdString() + " \"" + b.toStdString() + "\""; }

TEST(SimModem, CommandModeEchoesEachLineAndAnswersIt) {
    struct Case {
        const char* name;
        std::vector<QByteArray> chunks;
        QByteArray out;
    };
    const QByteArray tooLong = "AT" + QByteArray(300, '0');
    const Case cases[] = {
        {"AT", {"AT\r"}, "AT\r" + kOk},
        {"lower case", {"at\r"}, "at\r" + kOk},
        {"reset", {"ATZ\r"}, "ATZ\r" + kOk},
        {"echo off", {"ATE0\r"}, "ATE0\r" + kOk},
        {"factory settings", {"AT&F\r"}, "AT&F\r" + kOk},
        {"hang up while offline", {"ATH\r", "ATH0\r"}, "ATH\r" + kOk + "ATH0\r" + kOk},
        {"line feed after the return ignored", {"AT\r\n"}, "AT\r" + kOk},
        {"line feed alone", {"\n"}, ""},
        {"empty line: echo only", {"\r"}, "\r"},
        {"a command in pieces", {"A", "T", "Z\r"}, "ATZ\r" + kOk},
        {"two commands in one piece", {"AT\rATE0\r"}, "AT\r" + kOk + "ATE0\r" + kOk},
        {"not a command", {"HELLO\r"}, "HELLO\r\r\nERROR\r\n"},
        {"dial without a number", {"ATDT\r"}, "ATDT\r\r\nERROR\r\n"},
        {"dial with letters", {"ATDTABC\r"}, "ATDTABC\r\r\nERROR\r\n"},
        {"return to a connection there is none of", {"ATO\r"}, "ATO\r" + kNoCarrier},
        {"longer than the command buffer", {tooLong + "\r"}, tooLong.left(255) + "\r\r\nERROR\r\n"},
        // Frames without a connection: no echo (a client would read its own
        // request back), no answer.
        {"a request frame", {kBroadcast}, ""},
        {"a request frame and a return", {kBroadcast, "\r"}, ""},
        {"a request frame, then a command", {kBroadcast, "\r", "AT\r"}, "AT\r" + kOk},
        // A hang-up's escape with no connection is dropped, so the return
        // that opens the next dial stays an empty line.
        {"escape in command mode", {"+++", "\r"}, "\r"},
    };
    for (const auto& c : cases) {
        Rig rig;
        for (const auto& chunk : c.chunks) rig.modem.Receive(chunk);
        EXPECT_EQ(show(rig.out), show(c.out)) << c.name;
        EXPECT_FALSE(rig.modem.InDataMode()) << c.name;
        EXPECT_FALSE(rig.modem.Dialing()) << c.name;
    }
}

TEST(SimModem, DialIsAnsweredAsChosen) {
    struct Case {
        SimModemReply reply;
        QByteArray dial;
        QByteArray result;  // after the echo
    };
    const Case cases[] = {
        {SimModemReply::Connect, "ATDT5551234\r", kConnect},
        {SimModemReply::Busy, "atdp8w,,5551234\r", "\r\nBUSY\r\n"},
        {SimModemReply::NoCarrier, "ATD 8-495-555-12-34\r", kNoCarrier},
        {SimModemReply::NoDialtone, "ATDT9W5551234\r", "\r\nNO DIALTONE\r\n"},
        {SimModemReply::Silent, "ATDT5551234\r", ""},
    };
    for (const auto& c : cases) {
        const std::string name = c.dial.toStdString();
        Rig rig(modemWith(c.reply));
        rig.modem.Receive(c.dial);
        // The echo at once, the result after the dial.
        EXPECT_EQ(show(rig.Take()), show(c.dial)) << name;
        EXPECT_TRUE(rig.modem.Dialing()) << name;
        EXPECT_TRUE(WaitFor([&] { return !rig.modem.Dialing(); }, kWaitMs)) << name;
        EXPECT_EQ(show(rig.Take()), show(c.result)) << name;
        const bool connected = c.reply == SimModemReply::Connect;
        EXPECT_EQ(rig.modem.InDataMode(), connected) << name;
        // A request reaches the device only through a connection; without
        // one the modem still takes commands (the return ends the frame's
        // bytes as line noise, without an echo).
        EXPECT_EQ(show(rig.Send(kBroadcast)), show(connected ? kAnswer234 : QByteArray())) << name;
        if (!connected) {
            EXPECT_EQ(show(rig.Send("\rAT\r")), show("AT\r" + kOk)) << name;
        }
    }
}

TEST(SimModem, ByteDuringTheDialAbortsIt) {
    Rig rig;
    rig.modem.Receive("ATDT5551234\r\n");  // the line feed is not a key press
    EXPECT_TRUE(rig.modem.Dialing());
    EXPECT_EQ(show(rig.Send("x")), show("ATDT5551234\r" + kNoCarrier));
    EXPECT_FALSE(rig.modem.Dialing());
    EXPECT_FALSE(rig.modem.InDataMode());
}

TEST(SimModem, DataModeAnswersAsADirectLine) {
    // A state request, answered by a device with a fixed clock: through the
    // modem exactly as the responder answers it directly.
    const omi::SimSettings clock = omi::simtest::at(QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    omi::SimDevice reference(234, 417, clock);
    const omi::Frame request = omi::simtest::request(reference, omi::cmd::State);
    const auto direct = reference.Answer(request);
    ASSERT_TRUE(direct);
    omi::simtest::expectAnswer(direct, static_cast<int>(direct->size()), reference, omi::cmd::State, "state");

    Rig rig(modemWith(SimModemReply::Connect), {.baud = 9600}, clock);
    rig.Dial();
    // The request in two pieces, the answer paced at 9600 bit/s.
    rig.modem.Receive(text(request).left(3));
    EXPECT_EQ(show(rig.Send(text(request).mid(3), text(*direct))), show(text(*direct)));
}

TEST(SimModem, EscapeHoldsTheConnectionUntilHangUp) {
    struct Step {
        QByteArray in;
        QByteArray out;
        bool data;  // in data mode afterwards
    };
    const Step steps[] = {
        {"+++", kOk, false},
        {kBroadcast + "\r", "", false},  // no connection to the device now
        {"ATO\r", "ATO\r" + kConnect, true},
        {kBroadcast, kAnswer234, true},
        {"+++", kOk, false},
        {"ATH\r", "ATH\r" + kOk, false},
        {"ATO\r", "ATO\r" + kNoCarrier, false},
        {kBroadcast + "\r", "", false},
        {"\rATDT1\r", "\rATDT1\r" + kConnect, true},
        {kBroadcast, kAnswer234, true},
    };
    Rig rig;
    rig.Dial();
    for (const auto& s : steps) {
        const std::string name = show(s.in);
        EXPECT_EQ(show(rig.Send(s.in, s.out.endsWith(kConnect) ? kConnect : QByteArray())), show(s.out)) << name;
        EXPECT_EQ(rig.modem.InDataMode(), s.data) << name;
    }
}

TEST(SimModem, PlusBytesThatAreNotAnEscapeAreData) {
    // '+' is 43: as a length byte it starts a frame that waits for 43 bytes,
    // given up when the line goes quiet; the request after it is answered.
    const std::vector<QByteArray> cases[] = {
        {"+++" + kBroadcast},            // not a piece of its own
        {"++", "+"},                     // three, but not in one piece
        {"+++\r"},                       // more than the escape
        {kBroadcast.left(3), "+++"},     // a request in progress
    };
    for (const auto& chunks : cases) {
        Rig rig;
        rig.Dial();
        QByteArray in;
        for (const auto& chunk : chunks) {
            rig.modem.Receive(chunk);
            in += chunk;
        }
        const std::string name = show(in);
        EXPECT_TRUE(rig.modem.InDataMode()) << name;
        EXPECT_TRUE(WaitFor([&] { return !rig.line.ReceivingRequest(); }, kWaitMs)) << name;
        rig.modem.Receive(kBroadcast);
        EXPECT_TRUE(rig.out.endsWith(kAnswer234)) << name << ": " << show(rig.out);
        EXPECT_FALSE(rig.out.contains("OK")) << name;
        EXPECT_TRUE(rig.modem.InDataMode()) << name;
    }
}

TEST(SimModem, CarrierLostAfterTheDropCountCutsARead) {
    // Unpaced answers go out inside Receive(); paced ones later, byte by byte.
    const omi::SimFaults lines[] = {{}, {.delayMs = 1, .baud = 9600}};
    for (const auto& faults : lines) {
        const std::string name = faults.baud ? "paced" : "unpaced";
        Rig rig(modemWith(SimModemReply::Connect, 2), faults);
        for (int connection = 0; connection < 2; ++connection) {
            rig.Dial();
            EXPECT_EQ(show(rig.Send(kBroadcast, kAnswer234)), show(kAnswer234)) << name;
            // Two requests in one piece: the second answer never comes.
            EXPECT_EQ(show(rig.Send(kBroadcast + kBroadcast, kNoCarrier)), show(kAnswer234 + kNoCarrier)) << name;
            EXPECT_FALSE(rig.modem.InDataMode()) << name;
            EXPECT_FALSE(rig.modem.Connected()) << name;
            EXPECT_TRUE(rig.line.Idle()) << name;
            EXPECT_EQ(show(rig.Send(kBroadcast)), show(QByteArray())) << name;
            // The next dial opens with a return, which clears the frame bytes.
            EXPECT_EQ(show(rig.Send("\r")), show(QByteArray())) << name;
        }
    }
}

TEST(SimModem, ThroughThePseudoTerminalAcrossReopensWithTheLog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("requests.log"));
    omi::SimResponder responder(device234(), {});
    ASSERT_EQ(responder.SetLogFile(logPath), QString());
    omi::SimPty pty(responder);
    pty.EnableModem(modemWith(SimModemReply::Connect));
    ASSERT_EQ(pty.Open(), QString());

    SlaveClient client(pty.SlavePath());
    ASSERT_TRUE(client.Ok());
    ASSERT_TRUE(client.Write("\rATDT5551234\r"));
    EXPECT_EQ(show(client.ReadUntil(kConnect)), show("\rATDT5551234\r" + kConnect));
    ASSERT_TRUE(client.Write(kBroadcast));
    EXPECT_EQ(show(client.ReadExactly(6)), show(kAnswer234));

    // The window's hang-up: the escape, and the port closed without reading.
    ASSERT_TRUE(client.Write("+++"));
    ASSERT_TRUE(WaitFor([&] { return !pty.Modem()->InDataMode(); }, kWaitMs));
    client.Close();
    client.Open(pty.SlavePath());
    ASSERT_TRUE(client.Ok());
    client.Purge();
    ASSERT_TRUE(client.Write("\r"));
    ASSERT_TRUE(client.Write("ATDT5551234\r"));
    EXPECT_EQ(show(client.ReadUntil(kConnect)), show("\rATDT5551234\r" + kConnect));
    ASSERT_TRUE(client.Write(kBroadcast));
    EXPECT_EQ(show(client.ReadExactly(6)), show(kAnswer234));

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    const QList<QByteArray> expected = {"modem> ATDT5551234", "modem< CONNECT 9600", "6 0 0 0 0 250",
                                        "modem> +++",         "modem< OK",           "modem> ATDT5551234",
                                        "modem< CONNECT 9600", "6 0 0 0 0 250",      ""};
    EXPECT_EQ(lines, expected);
}

TEST(SimModem, Options) {
    struct Case {
        QStringList args;  // after the program name
        QString error;     // a part of the message; empty: accepted
        SimModemReply reply = SimModemReply::Connect;
        int dropAfter = 0;
    };
    const Case cases[] = {
        {{"--pty", "--modem"}, {}},
        {{"--pty", "--modem", "--modem-reply", "no-dialtone", "--modem-drop-after", "5"}, {},
         SimModemReply::NoDialtone, 5},
        {{"--pty", "--modem", "--modem-reply", "SILENT"}, {}, SimModemReply::Silent},
        {{"--pty", "--udp", "127.0.0.1:0", "--modem", "--modem-reply", "busy"}, {}, SimModemReply::Busy},
        {{"--udp", "127.0.0.1:0", "--modem"}, "--modem работает только с --pty"},
        {{"--pty", "--modem-reply", "busy"}, "--modem-reply действует только вместе с --modem"},
        {{"--pty", "--modem-drop-after", "3"}, "--modem-drop-after действует только вместе с --modem"},
        {{"--pty", "--modem", "--modem-reply", "maybe"}, "«maybe»"},
        {{"--pty", "--modem", "--modem-drop-after", "0"}, "--modem-drop-after: «0»"},
        {{"--pty", "--modem", "--modem-drop-after", "x"}, "--modem-drop-after: «x»"},
    };
    for (const auto& c : cases) {
        const std::string name = c.args.join(' ').toStdString();
        omi::SimOptions o;
        const QString error = omi::ParseSimOptions(QStringList{"omi-sim"} + c.args, o);
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(error.contains(c.error)) << name << ": " << error.toStdString();
            continue;
        }
        EXPECT_EQ(error, QString()) << name;
        EXPECT_TRUE(o.modem.enabled) << name;
        EXPECT_EQ(o.modem.reply, c.reply) << name;
        EXPECT_EQ(o.modem.dropAfter, c.dropAfter) << name;
    }
    omi::SimOptions direct;
    ASSERT_EQ(omi::ParseSimOptions({"omi-sim", "--pty"}, direct), QString());
    EXPECT_FALSE(direct.modem.enabled);
}

}  // namespace
