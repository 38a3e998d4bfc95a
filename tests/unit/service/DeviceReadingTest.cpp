// State and configuration readings against a scripted device (the exchange
// engine's imitation handler answers each request), and the level-0 listings.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "connection/Connection.h"
#include "families/U34.h"
#include "protocol/Exchange.h"
#include "service/DeviceReading.h"
#include "support/HandFrame.h"
#include "support/TestFiles.h"
#include "support/TextCodec.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using omi::test::HandFrame;

namespace {

constexpr int kSerial = 0x1234;
const QString kPrefix = QStringLiteral("ОМИ-1 Б4М № 4660: ");  // device 234, serial 4660

// Requests of the device 234 № 4660 without data.
const Frame kStateRequest{6, 234, 0x34, 0x12, 1, 0xC9};
const Frame kConfigRequest{6, 234, 0x34, 0x12, 5, 0xC5};

class RecordingStatus : public StatusSink {
public:
    QList<QPair<StatusStyle, QString>> shown;
    void show(StatusStyle s, const QString& t) override { shown.append({s, t}); }
};

using Shown = QList<QPair<StatusStyle, QString>>;

Frame goodState() { return HandFrame(129, 234, kSerial, 1, {{5, {0x00, 0x00, 0xC0, 0x3F}}, {77, {0x05, 0x20, 0x11}}}); }

Frame goodConfig() { return HandFrame(100, 234, kSerial, 5, {{5, {0xD2, 0x84}}, {95, {20, 0, 1}}}); }

Frame badSum(Frame f) {
    ++f.back();
    return f;
}

// A device that answers the n-th request with answers[n] (the last one repeats).
class ScriptedDevice : public ::testing::Test {
protected:
    void SetUp() override {
        line.SetDevice(kSerial, 234);
        status.SetDevice(&line.Address());
        engine.SetImitation(true);
        engine.SetImitationHandler([this](const Frame& request, Frame& response) {
            requests.push_back(request);
            if (!answers.empty()) response = answers[std::min(requests.size(), answers.size()) - 1];
        });
    }

    Shown busyTexts(const QString& busy, int from, int to) const {
        Shown s;
        for (int n = from; n <= to; ++n) s.append({StatusStyle::Busy, kPrefix + busy + QString::number(n)});
        return s;
    }

    Connection line;
    ExchangeEngine& engine = line.Engine();
    u34::Records& records = line.Records().f234;
    std::vector<Frame> answers;
    std::vector<Frame> requests;
    RecordingStatus status;
    const QString stateBusy = QStringLiteral("Чтение состояния. Ждите... попытка № ");
    const QString configBusy = QStringLiteral("Чтение конфигурации. Ждите... попытка № ");
};

TEST_F(ScriptedDevice, StateReadAtTheFirstAttempt) {
    answers = {goodState()};
    const ReadResult r = ReadState(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::Ok);
    EXPECT_EQ(r.attempts, 1);
    EXPECT_EQ(r.response, goodState());
    EXPECT_EQ(requests, std::vector<Frame>{kStateRequest});
    EXPECT_EQ(status.shown, (busyTexts(stateBusy, 1, 1) +
                             Shown{{StatusStyle::Ok, kPrefix + QStringLiteral("Cостояние прочитано успешно")}}));
    EXPECT_EQ(records.state[0].heat, 1.5);
    EXPECT_EQ(records.state[1].systemError, 32);
    const QStringList texts = StateValueTexts(line, 0);
    ASSERT_EQ(texts.size(), 17);
    EXPECT_EQ(texts[0], QStringLiteral("1,50"));
    EXPECT_EQ(texts[13], QStringLiteral("17"));
    // Another model of the family shows the same records.
    line.SetType(236);
    EXPECT_EQ(StateValueTexts(line, 1)[12], QStringLiteral("32"));

    // The reading filled this connection's records only.
    Connection other;
    other.SetDevice(kSerial, 234);
    EXPECT_EQ(other.Records().f234.state[0].heat, 0.0);
    EXPECT_EQ(StateValueTexts(other, 0)[0], QStringLiteral("0,00"));
}

TEST_F(ScriptedDevice, StateAfterRefusedAnswers) {
    answers = {badSum(goodState()), HandFrame(129, 235, kSerial, 1), goodState()};
    const ReadResult r = ReadState(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::Ok);
    EXPECT_EQ(r.attempts, 3);
    EXPECT_EQ(status.shown, (busyTexts(stateBusy, 1, 3) +
                             Shown{{StatusStyle::Ok, kPrefix + QStringLiteral("Cостояние прочитано успешно")}}));
    EXPECT_EQ(records.state[0].deviceError, 17);
}

TEST_F(ScriptedDevice, TwentyBadCheckBytesEndTheReading) {
    records.state[0].heat = 42;
    answers = {badSum(goodState())};
    const ReadResult r = ReadState(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::BadAnswers);
    EXPECT_EQ(r.attempts, 20);
    EXPECT_EQ(requests, std::vector<Frame>(20, kStateRequest));
    EXPECT_EQ(status.shown,
              (busyTexts(stateBusy, 1, 20) + Shown{{StatusStyle::Error, QStringLiteral("Ошибка связи Повторите...")}}));
    EXPECT_EQ(r.decodeMessage, QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"));
    EXPECT_EQ(records.state[0].heat, 42.0);  // the last good values stay
}

TEST_F(ScriptedDevice, SilentAnswersAreRefusedToo) {
    // The imitation obtains a response even when the handler leaves it empty.
    const ReadResult r = ReadConfig(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::BadAnswers);
    EXPECT_EQ(requests.size(), 20u);
    EXPECT_TRUE(r.response.empty());
}

TEST(DeviceReading, NoAnswerEndsAtOnce) {
    Connection line;  // no port named: the exchange obtains nothing
    line.SetDevice(kSerial, 234);
    RecordingStatus status;
    status.SetDevice(&line.Address());
    const ReadResult state = ReadState(line, status);
    EXPECT_EQ(state.outcome, ReadOutcome::NoLink);
    EXPECT_EQ(state.attempts, 1);
    const ReadResult config = ReadConfig(line, status);
    EXPECT_EQ(config.outcome, ReadOutcome::NoLink);
    EXPECT_EQ(status.shown,
              (Shown{{StatusStyle::Busy, kPrefix + QStringLiteral("Чтение состояния. Ждите... попытка № 1")},
                     {StatusStyle::Error, QStringLiteral("НЕТ СВЯЗИ")},
                     {StatusStyle::Busy, kPrefix + QStringLiteral("Чтение конфигурации. Ждите... попытка № 1")},
                     {StatusStyle::Error, QStringLiteral("НЕТ СВЯЗИ")}}));
}

TEST_F(ScriptedDevice, ConfigurationRead) {
    answers = {HandFrame(100, 234, kSerial + 1, 5), goodConfig()};
    const ReadResult r = ReadConfig(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::Ok);
    EXPECT_EQ(requests, (std::vector<Frame>{kConfigRequest, kConfigRequest}));
    EXPECT_EQ(status.shown, (busyTexts(configBusy, 1, 2) +
                             Shown{{StatusStyle::Ok, kPrefix + QStringLiteral("Конфигурация успешно прочитана")}}));
    EXPECT_EQ(records.config[0].weight1, 34002.0);
    EXPECT_EQ(records.config[1].reportDay, 20);
    const QStringList texts = ConfigValueTexts(line);
    ASSERT_EQ(texts.size(), 44);
    EXPECT_EQ(texts[0], QStringLiteral("34002,00"));
    EXPECT_EQ(texts[22 + 19], QStringLiteral("20"));
}

TEST_F(ScriptedDevice, ConfigurationSuccessLeftToTheCaller) {
    answers = {goodConfig()};
    const ReadResult r = ReadConfig(line, status, false);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(status.shown, busyTexts(configBusy, 1, 1));
}

TEST_F(ScriptedDevice, UnknownDeviceTypeSendsNothing) {
    line.SetDevice(kSerial, 100);
    const ReadResult state = ReadState(line, status);
    EXPECT_EQ(state.outcome, ReadOutcome::UnknownType);
    EXPECT_EQ(state.message, QStringLiteral("TFomi.AreadstateExecute: Неправильный тип прибора"));
    const ReadResult config = ReadConfig(line, status);
    EXPECT_EQ(config.outcome, ReadOutcome::UnknownType);
    EXPECT_EQ(config.message, QStringLiteral("TFomi.AreadParamExecute: Неправильный тип прибора"));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(status.shown.isEmpty());
    EXPECT_TRUE(StateValueTexts(line, 0).isEmpty());
    EXPECT_EQ(StateTableOf(100), nullptr);
    EXPECT_EQ(StateTableOf(235), &u34::StateTable());
}

TEST_F(ScriptedDevice, NoRequestWithoutAnAddress) {
    line.ClearDevice();
    line.SetType(234);
    const ReadResult r = ReadState(line, status);
    EXPECT_EQ(r.outcome, ReadOutcome::NoAddress);
    EXPECT_TRUE(requests.empty());
}

TEST(DeviceReading, ByteListings) {
    const Frame state = goodState();
    const QStringList s = StateByteLines(state);
    ASSERT_EQ(s.size(), 130);
    EXPECT_EQ(s[0], QStringLiteral("000=129 hex=81"));
    EXPECT_EQ(s[1], QStringLiteral("001=234 hex=EA"));
    EXPECT_EQ(s[5], QStringLiteral("005=0 hex=00"));
    EXPECT_EQ(s[8], QStringLiteral("008=63 hex=3F"));
    EXPECT_EQ(s[77], QStringLiteral("077=5 hex=05"));
    EXPECT_EQ(s.back(), QStringLiteral("0"));

    const QStringList c = ConfigByteLines(badSum(goodConfig()));
    ASSERT_EQ(c.size(), 101);
    EXPECT_EQ(c[0], QStringLiteral("000=100(64)"));
    EXPECT_EQ(c[6], QStringLiteral("006=132(84)"));
    EXPECT_EQ(c.back(), QStringLiteral("255"));  // check byte one too high: the whole sum is 1
}

TEST(DeviceReading, DumpFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList lines{QStringLiteral("тепло"), QStringLiteral("000=6 hex=06"), QStringLiteral("0")};
    EXPECT_EQ(SaveDump(dir.path(), kStateDumpFile, lines), QString());
    EXPECT_EQ(SaveDump(dir.path(), kConfigDumpFile, lines), QString());
    const QByteArray expected = QByteArray("\xF2\xE5\xEF\xEB\xEE\r\n000=6 hex=06\r\n0\r\n");
    EXPECT_EQ(test::ReadAll(dir.filePath(QStringLiteral("байты состояния"))), expected);
    EXPECT_EQ(test::ReadAll(dir.filePath(QStringLiteral("конфигурация.txt"))), expected);
    // A second save replaces the first.
    EXPECT_EQ(SaveDump(dir.path(), kStateDumpFile, {QStringLiteral("1")}), QString());
    EXPECT_EQ(test::ReadAll(dir.filePath(kStateDumpFile)), QByteArray("1\r\n"));
    EXPECT_NE(SaveDump(dir.filePath(QStringLiteral("нет такой папки")), kStateDumpFile, lines), QString());
}

}  // namespace
