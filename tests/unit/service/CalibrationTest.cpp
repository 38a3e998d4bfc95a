// Calibration (command 13): the request bytes of each form, the answers of
// each family judged from literal frames, and whole runs against a device
// played on a real pseudo-terminal (wake byte, timeouts, sequences).

#include <gtest/gtest.h>

#include <QByteArray>

#include "connection/Connection.h"
#include "families/Imitation.h"
#include "families/RandNorm.h"
#include "protocol/Exchange.h"
#include "service/Calibration.h"
#include "support/Format.h"
#include "support/HandFrame.h"
#include "support/PtyPair.h"
#include "transport/CommPortDriver.h"

using namespace omi;
using omi::test::HandFrame;
using omi::test::Patch;
using omi::test::PtyPair;

namespace {

constexpr int kSerial = 417;  // 0xA1, 0x01

class RecordingStatus : public StatusSink {
public:
    QList<QPair<StatusStyle, QString>> shown;
    void show(StatusStyle s, const QString& t) override { shown.append({s, t}); }
    QString last() const { return shown.isEmpty() ? QString() : shown.last().second; }
};

QByteArray bytes(const Frame& f) { return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size())); }

// Singles as the device sends them.
const std::vector<std::uint8_t> k33{0x00, 0x00, 0x04, 0x42}, k30{0x00, 0x00, 0xF0, 0x41}, k150{0x00, 0x00, 0x16, 0x43},
    k20{0x00, 0x00, 0xA0, 0x41}, k33_4{0x9A, 0x99, 0x05, 0x42}, k29_2{0x9A, 0x99, 0xE9, 0x41},
    k31_9{0x33, 0x33, 0xFF, 0x41}, k35_5{0x00, 0x00, 0x0E, 0x42}, k28_25{0x00, 0x00, 0xE2, 0x41},
    k33_75{0x00, 0x00, 0x07, 0x42}, k30_5{0x00, 0x00, 0xF4, 0x41}, k20_12345{0xD3, 0xFC, 0xA0, 0x41};

std::vector<std::uint8_t> cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace

TEST(CalibrationRequest, DataBytesOfEachForm) {
    struct Case {
        const char* what;
        CalibrationForm form;
        int code;
        CalibrationReferences refs;
        Frame data;
    };
    const Case cases[] = {
        {"229 lower point, defaults",
         CalibrationForm::PerSystem,
         0,
         {33, 30, 33, 30},
         cat({{0x00}, k33, k30, k33, k30})},
        {"234 upper point, system 2 differs",
         CalibrationForm::PerSystem,
         1,
         {150, 150, 20, 33},
         cat({{0x01}, k150, k150, k20, k33})},
        {"227 upper point: system 1 only", CalibrationForm::TwoPoints, 1, {150, 30, 33, 20}, cat({{0x01}, k150, k30})},
        {"230 pressure channel 3: its own current",
         CalibrationForm::PerSystem,
         3,
         {33, 20, 150, 30},
         cat({{0x03}, k20})},
        {"pressure channel 5", CalibrationForm::PerSystem, 5, {0, 0, 0, 20}, cat({{0x05}, k20})},
        {"225 has no pressure", CalibrationForm::TwoPoints, 2, {20, 20, 20, 20}, {}},
        {"no channel 6", CalibrationForm::PerSystem, 6, {20, 20, 20, 20}, {}},
        {"ЛОРС", CalibrationForm::None, 0, {33, 30, 33, 30}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalibrationRequestData(c.form, c.code, c.refs), c.data) << c.what;
        // The simulator reads the request back the same way.
        if (c.data.empty()) continue;
        Frame request = HandFrame(int(c.data.size()) + 6, 229, kSerial, 13, {{5, c.data}});
        const auto parsed = ParseCalibrationRequest(c.form, request);
        ASSERT_TRUE(parsed) << c.what;
        EXPECT_EQ(parsed->code, c.code) << c.what;
    }
}

TEST(CalibrationRequest, ParserRefusesOtherForms) {
    // A 17-byte point request is no request of the two-point form, a 9-byte
    // one none of the per-system form; another command is no request at all.
    const Frame perSystem = HandFrame(23, 229, kSerial, 13, {{5, cat({{0}, k33, k30, k33, k30})}});
    const Frame twoPoints = HandFrame(15, 227, kSerial, 13, {{5, cat({{0}, k33, k30})}});
    EXPECT_FALSE(ParseCalibrationRequest(CalibrationForm::TwoPoints, perSystem));
    EXPECT_FALSE(ParseCalibrationRequest(CalibrationForm::PerSystem, twoPoints));
    EXPECT_FALSE(ParseCalibrationRequest(CalibrationForm::PerSystem, HandFrame(23, 229, kSerial, 4)));
    const auto ok = ParseCalibrationRequest(CalibrationForm::PerSystem, perSystem);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->references, (CalibrationReferences{33, 30, 33, 30}));
}

TEST(CalibrationFacts, PerModel) {
    struct Case {
        int type;
        std::size_t choices;
        bool resultByte;
        int systems;
        int channels;
        const char* label1;  // SE1Td1, lower point
        const char* label3;  // SE2Td1, lower point
        const char* pressure2;
        const char* channel3;  // name of channel 3
    };
    const Case cases[] = {
        {225, 2, false, 1, 0, "t°C  подачи", "", "", ""},
        {227, 2, true, 1, 0, "t°C  подачи", "", "", ""},
        {228, 3, true, 2, 4, "t°C  подачи 1-й системы", "t°C  подачи 2-й системы", "ток Ма 2 датчик 1-й системы",
         "2 датчик 1-й системы "},
        {229, 3, true, 2, 4, "t°C  подачи 1-й системы", "t°C  подачи 2-й системы", "ток Ма 2 датчик 1-й системы",
         "2 датчик 1-й системы "},
        {230, 3, true, 1, 2, "t°C  подачи", "", "ток Ма 2 датчик", "2 датчик "},
        {235, 3, true, 1, 2, "t°C  подачи", "", "ток Ма 2 датчик", "2 датчик "},
        {236, 3, true, 2, 4, "t°C  подачи 1-й системы", "t°C  подачи 2-й системы", "ток Ма 2 датчик 1-й системы",
         "2 датчик 1-й системы "},
        {237, 3, true, 1, 2, "t°C  подачи", "", "ток Ма 2 датчик", "2 датчик "},
    };
    for (const Case& c : cases) {
        const CalibrationFacts f = CalibrationOf(c.type);
        EXPECT_EQ(f.choices.size(), c.choices) << c.type;
        EXPECT_EQ(f.resultByte, c.resultByte) << c.type;
        EXPECT_EQ(f.systems, c.systems) << c.type;
        EXPECT_EQ(f.pressureChannels, c.channels) << c.type;
        EXPECT_STREQ(f.temperatureLabels[0], c.label1) << c.type;
        EXPECT_STREQ(f.temperatureLabels[2], c.label3) << c.type;
        EXPECT_STREQ(f.pressureLabels[1], c.pressure2) << c.type;
        EXPECT_STREQ(f.channelNames[1], c.channel3) << c.type;
    }
    EXPECT_EQ(CalibrationOf(128).form, CalibrationForm::None);
    EXPECT_TRUE(CalibrationOf(128).choices.empty());
    EXPECT_EQ(CalibrationOf(77).form, CalibrationForm::None);
}

// The four box texts, "-" for a box left alone.
QStringList shown(const std::array<std::optional<QString>, 4>& boxes) {
    QStringList texts;
    for (const auto& b : boxes) texts << b.value_or(QStringLiteral("-"));
    return texts;
}

// Every answer judged: boxes, status style and text.
TEST(CalibrationAnswer, JudgedFromLiteralFrames) {
    using Boxes = QStringList;
    const QString norm = QStringLiteral("норма");
    struct Case {
        const char* what;
        int type;
        int code;
        CalibrationReferences refs;
        std::optional<Frame> answer;  // nothing: no answer
        Boxes boxes;
        StatusStyle style;
        QString status;
    };
    const CalibrationReferences lower{33, 30, 33, 30};
    const Frame fourValues = cat({k35_5, k28_25, k33_75, k30_5});  // offsets 6, 10, 14, 18
    auto t234 = [&](int result) {
        return HandFrame(23, 234, kSerial, 13, {{5, {std::uint8_t(result)}}, {6, fourValues}});
    };
    auto t235 = [&](int result) {
        return HandFrame(23, 235, kSerial, 13, {{5, {std::uint8_t(result)}}, {6, fourValues}});
    };
    auto t227 = [&](int result) {
        return HandFrame(15, 227, kSerial, 13, {{5, {std::uint8_t(result)}}, {6, cat({k35_5, k28_25})}});
    };
    auto p229 = [&](int result) {
        return HandFrame(11, 229, kSerial, 13, {{5, {std::uint8_t(result)}}, {6, k20_12345}});
    };
    const QString lowerOk = QStringLiteral("калибровка по МЕНЬШЕЙ температуре успешно завершена");
    const Case cases[] = {
        {"225 within 1 of both references",
         225,
         0,
         lower,
         HandFrame(14, 225, kSerial, 13, {{5, cat({k33_4, k29_2})}}),
         {norm, norm, "-", "-"},
         StatusStyle::Ok,
         lowerOk},
        {"225 supply 31.9 against 33",
         225,
         0,
         lower,
         HandFrame(14, 225, kSerial, 13, {{5, cat({k31_9, k30})}}),
         {"31,90", "30,00", "-", "-"},
         StatusStyle::Error,
         "измеренная температура отличается от заданной больше, чем на 1 градус"},
        {"225 silent",
         225,
         1,
         lower,
         {},
         {"", "", "-", "-"},
         StatusStyle::Error,
         "Нет связи или не замкнута перемычка"},
        {"227 calibrated",
         227,
         1,
         lower,
         t227(0),
         {"35,50", "28,25", "-", "-"},
         StatusStyle::Ok,
         "калибровка по БОЛЬШЕЙ температуре успешно завершена"},
        {"227 jumper", 227, 0, lower, t227(1), {"", "", "-", "-"}, StatusStyle::Error, "не замкнута перемычка"},
        {"227 supply",
         227,
         0,
         lower,
         t227(2),
         {"35,50", "28,25", "-", "-"},
         StatusStyle::Error,
         "t°C подачи=35,50 - отличается больше, чем на 1°C"},
        {"227 return",
         227,
         0,
         lower,
         t227(3),
         {"35,50", "28,25", "-", "-"},
         StatusStyle::Error,
         "t°C обратки=28,25 - отличается больше, чем на 1°C"},
        {"227 unknown code",
         227,
         0,
         lower,
         t227(9),
         {"35,50", "28,25", "-", "-"},
         StatusStyle::Error,
         "Код 9 не оопознан"},
        {"227 silent", 227, 0, lower, {}, {"-", "-", "-", "-"}, StatusStyle::Error, "НЕТ СВЯЗИ"},
        {"234 calibrated", 234, 0, lower, t234(0), {norm, norm, norm, norm}, StatusStyle::Ok, lowerOk},
        {"234 jumper", 234, 0, lower, t234(1), {"", "", "", ""}, StatusStyle::Error, "не замкнута перемычка"},
        {"234 code 3: return of system 1 at 10",
         234,
         0,
         lower,
         t234(3),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "t°C обратки 1-й системы=28,25 - отличается больше, чем на 1 °C"},
        {"234 code 4: supply of system 2 at 14",
         234,
         0,
         lower,
         t234(4),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "t°C подачи 2-й системы=33,75 - отличается больше, чем на 1 °C"},
        {"234 code 5: return of system 2 at 18",
         234,
         0,
         lower,
         t234(5),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "t°C обратки 2-й системы=30,50 - отличается больше, чем на 1 °C"},
        {"234 unknown code",
         234,
         0,
         lower,
         t234(6),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "Код 6 не оопознан"},
        {"235 code 2: one-system supply",
         235,
         0,
         lower,
         t235(2),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "t°C подачи=35,50 - отличается больше, чем на 1 °C"},
        {"235 code 3: one-system return",
         235,
         0,
         lower,
         t235(3),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "t°C обратки=28,25 - отличается больше, чем на 1 °C"},
        {"235 code 4: no system 2",
         235,
         0,
         lower,
         t235(4),
         {"35,50", "28,25", "33,75", "30,50"},
         StatusStyle::Error,
         "Код 4 не оопознан"},
        {"229 pressure channel 4 calibrated",
         229,
         4,
         {20, 20, 20, 20},
         p229(0),
         {"-", "-", "20,12345", "-"},
         StatusStyle::Ok,
         "калибровка по давлению успешно завершена"},
        {"229 pressure channel 2 deviates",
         229,
         2,
         {20, 20, 20, 20},
         p229(7),
         {"20,12345", "-", "-", "-"},
         StatusStyle::Error,
         "ток=20,12345 - отличается больше, чем на 1 мА"},
        {"229 pressure jumper",
         229,
         3,
         {20, 20, 20, 20},
         p229(1),
         {"-", "-", "-", "-"},
         StatusStyle::Error,
         "не замкнута перемычка"},
        {"229 pressure silent", 229, 3, {20, 20, 20, 20}, {}, {"-", "-", "-", "-"}, StatusStyle::Error, "НЕТ СВЯЗИ"},
    };
    for (const Case& c : cases) {
        const DeviceAddress from{kSerial, c.type};
        const CalibrationFacts facts = CalibrationOf(c.type);
        CalibrationReply answer;
        if (c.answer) {
            ASSERT_EQ(DecodeCalibrationAnswer(facts, from, c.code, *c.answer, answer), QString()) << c.what;
            EXPECT_EQ(answer.result.has_value(), c.type != 225) << c.what;
        }
        const CalibrationVerdict v = JudgeCalibration(facts, c.code, c.answer ? &answer : nullptr, c.refs);
        EXPECT_EQ(shown(v.boxes), c.boxes) << c.what;
        EXPECT_EQ(v.style, c.style) << c.what;
        EXPECT_EQ(v.status, c.status) << c.what;
        EXPECT_EQ(v.calibrated, c.style == StatusStyle::Ok) << c.what;
    }
}

TEST(CalibrationAnswer, FramesThatAreNoAnswer) {
    const DeviceAddress from{kSerial, 229};
    const CalibrationFacts facts = CalibrationOf(229);
    const Frame good = HandFrame(23, 229, kSerial, 13, {{6, cat({k33, k30, k33, k30})}});
    Frame badSum = good;
    ++badSum.back();
    struct Case {
        const char* what;
        int code;
        Frame frame;
        const char* finding;
    };
    const Case cases[] = {
        {"a pressure answer to a point request", 0, HandFrame(11, 229, kSerial, 13, {{6, k20}}),
         "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 13"},
        {"another command", 0, HandFrame(23, 229, kSerial, 5), "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА 13"},
        {"check byte", 0, badSum, "НЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ"},
        {"another device", 0, HandFrame(23, 229, kSerial + 1, 13), "НЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"},
        {"a code 2 without its values", 0, HandFrame(7, 229, kSerial, 13, {{5, {2}}}), "НЕСООТВЕТСТВИЕ ФОРМАТА"},
    };
    for (const Case& c : cases) {
        CalibrationReply answer;
        EXPECT_TRUE(
            DecodeCalibrationAnswer(facts, from, c.code, c.frame, answer).contains(QString::fromUtf8(c.finding)))
            << c.what;
        EXPECT_TRUE(answer.measured.empty()) << c.what;
    }
    // The jumper open may come without values.
    CalibrationReply answer;
    EXPECT_EQ(DecodeCalibrationAnswer(facts, from, 0, HandFrame(7, 229, kSerial, 13, {{5, {1}}}), answer), QString());
    EXPECT_EQ(answer.result, 1);
}

namespace {

// A calculator played on the far end of a pseudo-terminal: it collects the
// bytes the program sends and answers each complete request (zero bytes
// before a frame are the wake byte) with the next scripted answer.
class CalibrationLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        port.SetPortName(pty.SlavePath());
        port.SetInputTimeout(1000);
        status.SetDevice(&line.Address());
        pty.OnData([this](const QByteArray& chunk) {
            pending += chunk;
            while (!pending.isEmpty() && pending[0] == '\0') pending.remove(0, 1);
            if (pending.isEmpty() || pending.size() < quint8(pending[0])) return;
            pending.remove(0, quint8(pending[0]));
            timeoutsSeen.push_back(int(port.InputTimeout()));
            if (!answers.isEmpty()) pty.Write(answers.takeFirst());
        });
    }
    void TearDown() override { port.ClosePort(); }
    CalibrationOutcome run(const CalibrationJob& job) {
        CalibrationObserver observer;
        observer.memoLine = [this](const QString& l) { memo << l; };
        return RunCalibration(line, status, job, observer);
    }

    PtyPair pty;
    Connection line;
    TCommPortDriver& port = line.Port();
    RecordingStatus status;
    QStringList memo;
    QList<QByteArray> answers;
    QByteArray pending;
    std::vector<int> timeoutsSeen;
};

CalibrationJob job(CalibrationChoice choice, CalibrationReferences refs = {}) {
    CalibrationJob j;
    j.choice = choice;
    j.references = refs;
    return j;
}

}  // namespace

TEST_F(CalibrationLine, LowerPointOf229WakesTheDeviceFirst) {
    line.SetDevice(kSerial, 229);
    answers << bytes(HandFrame(23, 229, kSerial, 13, {{6, cat({k33, k30, k33, k30})}}));
    const CalibrationOutcome out = run(job(CalibrationChoice::Lower, DefaultReferences(CalibrationChoice::Lower)));
    const Frame request = HandFrame(23, 229, kSerial, 13, {{5, cat({{0x00}, k33, k30, k33, k30})}});
    EXPECT_EQ(pty.Received(), QByteArray(1, '\0') + bytes(request));
    ASSERT_EQ(out.runs.size(), 1u);
    EXPECT_TRUE(out.Calibrated());
    EXPECT_EQ(timeoutsSeen, std::vector<int>{10000}) << "a temperature point may take 10 s";
    EXPECT_EQ(port.InputTimeout(), 1000u);
    ASSERT_GE(status.shown.size(), 2);
    EXPECT_EQ(status.shown.first().first, StatusStyle::Busy);
    EXPECT_TRUE(status.shown.first().second.endsWith("При МЕНЬШЕЙ t°C  Идет калибровка. Ждите..."));
    EXPECT_TRUE(status.last().endsWith("калибровка по МЕНЬШЕЙ температуре успешно завершена"));
    // The memo lists the request byte by byte.
    ASSERT_EQ(memo.size(), 1 + 23);
    EXPECT_EQ(memo[0], "запрос");
    EXPECT_EQ(memo[1], "00.23=17");
    EXPECT_EQ(memo[5], "04.13=0D");
}

TEST_F(CalibrationLine, PressureOf230InTurnSendsTwoChannelsEachAfterAWakeByte) {
    line.SetDevice(kSerial, 230);
    answers << bytes(HandFrame(11, 230, kSerial, 13, {{6, k20}}))
            << bytes(HandFrame(11, 230, kSerial, 13, {{5, {4}}, {6, k20_12345}}));
    CalibrationJob j = job(CalibrationChoice::Pressure, {20, 19.5, 18, 20});
    j.allChannels = true;
    j.selectedChannel = 3;  // ignored in turn
    // The port had another input timeout before the run.
    port.SetInputTimeout(2345);
    const CalibrationOutcome out = run(j);
    const QByteArray wake(1, '\0');
    EXPECT_EQ(pty.Received(), wake + bytes(HandFrame(11, 230, kSerial, 13, {{5, cat({{2}, k20})}})) + wake +
                                  bytes(HandFrame(11, 230, kSerial, 13, {{5, cat({{3}, {0x00, 0x00, 0x9C, 0x41}})}})));
    ASSERT_EQ(out.runs.size(), 2u);
    EXPECT_TRUE(out.runs[0].verdict.calibrated);
    EXPECT_FALSE(out.runs[1].verdict.calibrated) << "the failed channel is still reported";
    EXPECT_FALSE(out.Calibrated());
    EXPECT_EQ(out.runs[1].verdict.boxes[1], "20,12345");
    EXPECT_EQ(timeoutsSeen, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(port.InputTimeout(), 2345u) << "the port's own timeout comes back";
    EXPECT_TRUE(status.last().endsWith("ток=20,12345 - отличается больше, чем на 1 мА"));
    QStringList busy;
    for (const auto& [style, text] : status.shown)
        if (style == StatusStyle::Busy) busy << text;
    ASSERT_EQ(busy.size(), 2);
    EXPECT_TRUE(busy[0].endsWith(": 1 датчик  Идет калибровка. Ждите..."));
    EXPECT_TRUE(busy[1].endsWith(": 2 датчик  Идет калибровка. Ждите..."));
    EXPECT_TRUE(memo.isEmpty());
}

TEST_F(CalibrationLine, SilentTwoTwentyFiveEmptiesItsBoxesAndGivesTheTimeoutBack) {
    line.SetDevice(kSerial, 225);
    CalibrationJob j = job(CalibrationChoice::Upper, DefaultReferences(CalibrationChoice::Upper));
    j.temperatureTimeoutMs = 100;  // the device's 10 s, shortened for the test
    const CalibrationOutcome out = run(j);
    const Frame request = HandFrame(15, 225, kSerial, 13, {{5, cat({{1}, k150, k150})}});
    // The device calibrates on every request it receives: sent once, its
    // answer awaited as long as the engine's four attempts would take.
    EXPECT_EQ(pty.Received(), bytes(request)) << "no wake byte for the 225; no repeat";
    ASSERT_EQ(out.runs.size(), 1u);
    EXPECT_FALSE(out.runs[0].answered);
    EXPECT_EQ(out.runs[0].verdict.boxes[0], QString());
    EXPECT_EQ(status.last(), "Нет связи или не замкнута перемычка");
    EXPECT_EQ(port.InputTimeout(), 1000u);
    EXPECT_EQ(memo.value(0), "запрос БОЛЬШЕЙ");
}

TEST_F(CalibrationLine, TwoTwentyFiveSuccessListsTheAnswer) {
    line.SetDevice(kSerial, 225);
    const Frame answer = HandFrame(14, 225, kSerial, 13, {{5, cat({k33_4, k29_2})}});
    answers << bytes(answer);
    const CalibrationOutcome out = run(job(CalibrationChoice::Lower, DefaultReferences(CalibrationChoice::Lower)));
    EXPECT_TRUE(out.Calibrated());
    EXPECT_FALSE(out.runs[0].answer.result.has_value());
    const qsizetype at = memo.indexOf("ответ МЕНЬШЕЙ");
    ASSERT_EQ(at, 1 + 15);
    EXPECT_EQ(memo.mid(at + 1), CalibrationByteLines(answer));
    EXPECT_EQ(memo.last(), Format("%.2d.%.2d=%S", {13, answer[13], Format("%.2x", {answer[13]})}));
}

TEST_F(CalibrationLine, RunsThatSendNothing) {
    struct Case {
        const char* what;
        int serial, type;
        CalibrationJob job;
        CalibrationStop stop;
        QString status;
    };
    CalibrationJob single = job(CalibrationChoice::Pressure, {20, 20, 20, 20});
    CalibrationJob channel4 = single;
    channel4.selectedChannel = 4;
    CalibrationJob allChannels99999 = job(CalibrationChoice::Pressure, {20, 20, 20, 99999});
    allChannels99999.allChannels = true;
    CalibrationJob channel4Low = channel4;
    channel4Low.references[2] = 3.9;
    const Case cases[] = {
        {"single mode, no channel", kSerial, 234, single, CalibrationStop::NoChannel,
         "Необходимо выбрать датчик для калибровки щелчком по нему"},
        {"channel 4 of a one-system device", kSerial, 235, channel4, CalibrationStop::NoChannel,
         "Необходимо выбрать датчик для калибровки щелчком по нему"},
        {"pressure of the 227", kSerial, 227, channel4, CalibrationStop::NoChoice, ""},
        {"the ЛОРС", kSerial, 128, job(CalibrationChoice::Lower), CalibrationStop::NoChoice, ""},
        {"an unknown type", kSerial, 77, job(CalibrationChoice::Lower), CalibrationStop::UnknownType,
         "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"},
        {"no serial number", -1, 229, job(CalibrationChoice::Lower), CalibrationStop::NoDevice, ""},
        // References no input can take: resistance thermometers 0..150 °C,
        // current loops 4..20 mA.
        {"supply of 99999 °C", kSerial, 229, job(CalibrationChoice::Upper, {99999, 150, 150, 150}),
         CalibrationStop::BadReference,
         "t°C подачи 1-й системы = 99999: задатчик может быть от 0 до 150 °C; калибровка не начата"},
        {"return of -0,5 °C on system 2", kSerial, 234, job(CalibrationChoice::Lower, {33, 30, 33, -0.5}),
         CalibrationStop::BadReference,
         "t°C обратки 2-й системы = -0,5: задатчик может быть от 0 до 150 °C; калибровка не начата"},
        {"the 225 at 150,5 °C", kSerial, 225, job(CalibrationChoice::Upper, {150, 150.5, 150, 150}),
         CalibrationStop::BadReference,
         "t°C обратки = 150,5: задатчик может быть от 0 до 150 °C; калибровка не начата"},
        {"99999 mA in turn", kSerial, 234, allChannels99999, CalibrationStop::BadReference,
         "ток Ма 2 датчик 2-й системы = 99999: задатчик может быть от 4 до 20 мА; калибровка не начата"},
        {"3,9 mA on the selected channel", kSerial, 229, channel4Low, CalibrationStop::BadReference,
         "ток Ма 1 датчик 2-й системы = 3,9: задатчик может быть от 4 до 20 мА; калибровка не начата"},
    };
    for (const Case& c : cases) {
        line.SetDevice(c.serial, c.type);
        status.shown.clear();
        port.SetInputTimeout(1000);
        const CalibrationOutcome out = run(c.job);
        EXPECT_EQ(out.stop, c.stop) << c.what;
        EXPECT_TRUE(out.runs.empty()) << c.what;
        EXPECT_FALSE(out.Calibrated()) << c.what;
        EXPECT_EQ(status.last(), c.status) << c.what;
        EXPECT_EQ(port.InputTimeout(), 1000u) << c.what;
    }
    EXPECT_TRUE(pty.Received().isEmpty());
}

// Without a device the imitation answers: every family's answer must read
// as a calibration answer of its request (nothing is sent on a line).
TEST(CalibrationImitation, AnswersReadForEveryFamily) {
    Connection line;
    line.Engine().SetImitation(true);
    InstallImitation(line.Engine(), [](int) {});
    ReseedImitation();
    struct Case {
        int type;
        CalibrationChoice choice;
        std::size_t values;
    };
    for (const Case c : {Case{225, CalibrationChoice::Lower, 2}, Case{227, CalibrationChoice::Upper, 2},
                         Case{228, CalibrationChoice::Lower, 4}, Case{229, CalibrationChoice::Pressure, 1},
                         Case{234, CalibrationChoice::Upper, 4}}) {
        line.SetDevice(kSerial, c.type);
        RecordingStatus status;
        CalibrationJob j;
        j.choice = c.choice;
        j.references = DefaultReferences(c.choice);
        j.selectedChannel = 2;
        const CalibrationOutcome out = RunCalibration(line, status, j);
        ASSERT_EQ(out.runs.size(), 1u) << c.type;
        EXPECT_TRUE(out.runs[0].answered) << c.type;
        // A jumper answer carries its values too.
        EXPECT_EQ(out.runs[0].answer.measured.size(), c.values) << c.type << ": " << status.last().toStdString();
    }
}
