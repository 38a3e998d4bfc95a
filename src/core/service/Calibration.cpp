#include "service/Calibration.h"

#include "connection/Connection.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

#include "protocol/Exchange.h"
#include "support/Format.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {

constexpr std::size_t kCodeAt = 5;  // frame offset of the point code in a request

bool isPoint(int code) { return code == kLowerPoint || code == kUpperPoint; }
bool isChannel(int code) { return code >= kFirstPressureChannel && code < kFirstPressureChannel + 4; }

// The frame offset of the first measured value of an answer.
int firstValueAt(const CalibrationFacts& facts) { return facts.resultByte ? 6 : 5; }

QString real(double v) { return Format(QStringLiteral("%f"), {v}); }
QString current(double v) { return Format(QStringLiteral("%.5f"), {v}); }

QString unknownCode(int result) { return Format(QStringLiteral("Код %d не оопознан"), {result}); }

const QString kJumperOpen = QStringLiteral("не замкнута перемычка");
const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");

CalibrationVerdict verdict(StatusStyle style, const QString& status, bool calibrated = false) {
    CalibrationVerdict v;
    v.style = style;
    v.status = status;
    v.calibrated = calibrated;
    return v;
}

QString pointSuccess(int code) {
    return QStringLiteral("калибровка по ") + PointName(code) + QStringLiteral(" температуре успешно завершена");
}

// The 225: no result byte; the program judges the measured values itself.
CalibrationVerdict judgeWithoutResult(int code, const CalibrationReply* answer, const CalibrationReferences& refs) {
    if (!answer) {
        CalibrationVerdict v = verdict(StatusStyle::Error, QStringLiteral("Нет связи или не замкнута перемычка"));
        v.boxes[0] = v.boxes[1] = QString();
        return v;
    }
    const std::vector<double>& m = answer->measured;
    if (std::fabs(m[0] - refs[0]) < 1.0 && std::fabs(m[1] - refs[1]) < 1.0) {
        CalibrationVerdict v = verdict(StatusStyle::Ok, pointSuccess(code), true);
        v.boxes[0] = v.boxes[1] = QStringLiteral("норма");
        return v;
    }
    CalibrationVerdict v = verdict(
        StatusStyle::Error, QStringLiteral("измеренная температура отличается от заданной больше, чем на 1 градус"));
    v.boxes[0] = real(m[0]);
    v.boxes[1] = real(m[1]);
    return v;
}

// The 227: result code, supply and return.
CalibrationVerdict judgeTwoPoints(int code, const CalibrationReply* answer) {
    if (!answer) return verdict(StatusStyle::Error, kNoLink);
    const int result = answer->result.value_or(-1);
    const std::vector<double>& m = answer->measured;
    CalibrationVerdict v;
    if (result == 0) {
        v = verdict(StatusStyle::Ok, pointSuccess(code), true);
    } else if (result == 1) {
        v = verdict(StatusStyle::Error, kJumperOpen);
        v.boxes[0] = v.boxes[1] = QString();
        return v;
    } else if (result == 2) {
        v = verdict(StatusStyle::Error,
                    Format(QStringLiteral("t°C подачи=%f - отличается больше, чем на 1°C"), {m[0]}));
    } else if (result == 3) {
        v = verdict(StatusStyle::Error,
                    Format(QStringLiteral("t°C обратки=%f - отличается больше, чем на 1°C"), {m[1]}));
    } else {
        v = verdict(StatusStyle::Error, unknownCode(result));
    }
    v.boxes[0] = real(m[0]);
    v.boxes[1] = real(m[1]);
    return v;
}

// 228, 229/230, 234..237: result code and the four inputs; a deviation code
// is the channel code of the input (system = code / 2, supply for an even
// code), whose value stands at response offset code × 4 − 2.
CalibrationVerdict judgePerSystem(const CalibrationFacts& facts, int code, const CalibrationReply* answer) {
    if (!answer) return verdict(StatusStyle::Error, kNoLink);
    const int result = answer->result.value_or(-1);
    const std::vector<double>& m = answer->measured;
    CalibrationVerdict v;
    if (result == 1) {
        v = verdict(StatusStyle::Error, kJumperOpen);
        for (auto& box : v.boxes) box = QString();
        return v;
    }
    if (result == 0) {
        v = verdict(StatusStyle::Ok, pointSuccess(code), true);
    } else if (isChannel(result) && facts.systems == 2) {
        const QString text = result % 2 == 0
                                 ? QStringLiteral("t°C подачи %d-й системы=%f - отличается больше, чем на 1 °C")
                                 : QStringLiteral("t°C обратки %d-й системы=%f - отличается больше, чем на 1 °C");
        v = verdict(StatusStyle::Error, Format(text, {result / 2, m[static_cast<std::size_t>(result - 2)]}));
    } else if (result == 2) {
        v = verdict(StatusStyle::Error,
                    Format(QStringLiteral("t°C подачи=%f - отличается больше, чем на 1 °C"), {m[0]}));
    } else if (result == 3) {
        v = verdict(StatusStyle::Error,
                    Format(QStringLiteral("t°C обратки=%f - отличается больше, чем на 1 °C"), {m[1]}));
    } else {
        v = verdict(StatusStyle::Error, unknownCode(result));
    }
    for (std::size_t i = 0; i < v.boxes.size(); ++i) v.boxes[i] = result == 0 ? QStringLiteral("норма") : real(m[i]);
    return v;
}

CalibrationVerdict judgePressure(int code, const CalibrationReply* answer) {
    if (!answer) return verdict(StatusStyle::Error, kNoLink);
    const int result = answer->result.value_or(-1);
    if (result == 1) return verdict(StatusStyle::Error, kJumperOpen);
    const double measured = answer->measured[0];
    CalibrationVerdict v =
        result == 0 ? verdict(StatusStyle::Ok, QStringLiteral("калибровка по давлению успешно завершена"), true)
                    : verdict(StatusStyle::Error,
                              Format(QStringLiteral("ток=%.5f - отличается больше, чем на 1 мА"), {measured}));
    v.boxes[static_cast<std::size_t>(code - kFirstPressureChannel)] = current(measured);
    return v;
}

void show(StatusSink& status, const CalibrationVerdict& v) {
    switch (v.style) {
        case StatusStyle::Busy:
            status.busy(v.status);
            break;
        case StatusStyle::Ok:
            status.ok(v.status);
            break;
        case StatusStyle::Error:
            status.error(v.status);
            break;
    }
}

// The calculators of the per-system form sleep on the line: a zero byte
// wakes them, and what the line carried meanwhile is thrown away. Only a
// serial line has a device to wake.
void wake(ExchangeEngine& engine) {
    if (engine.Imitation() || engine.LoggerReplayActive() || engine.Transport() != TransportKind::Serial) return;
    TCommPortDriver* port = engine.Port();
    if (!port || !port->OpenPort()) return;
    port->WriteByte(0);
    engine.Pause(kWakeByteMs);
    if (engine.Port()) engine.Port()->PurgeBuffers(true, true);
}

// The input timeout of a run, given back at its end whatever happened.
class TimeoutScope {
public:
    explicit TimeoutScope(ExchangeEngine& engine) : port_(engine.Port()) {
        if (port_) before_ = port_->InputTimeout();
    }
    ~TimeoutScope() {
        if (port_) port_->SetInputTimeout(before_);
    }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;
    void Set(int ms) {
        if (port_) port_->SetInputTimeout(static_cast<std::uint32_t>(ms));
    }

private:
    QPointer<TCommPortDriver> port_;
    std::uint32_t before_ = 0;
};

}  // namespace

const QString kCalibrationDumpFile = QStringLiteral("байты калибровки.txt");

CalibrationReferences DefaultReferences(CalibrationChoice choice) {
    switch (choice) {
        case CalibrationChoice::Lower:
            return {33, 30, 33, 30};
        case CalibrationChoice::Upper:
            return {150, 150, 150, 150};
        case CalibrationChoice::Pressure:
            return {20, 20, 20, 20};
    }
    return {};
}

ReferenceRange ReferenceRangeOf(CalibrationChoice choice) {
    if (choice == CalibrationChoice::Pressure) return {4, 20, "мА"};
    return {0, 150, "°C"};
}

ReferenceCheck CheckReferences(const CalibrationFacts& facts, const CalibrationJob& job) {
    const bool pressure = job.choice == CalibrationChoice::Pressure;
    std::vector<int> edits;
    if (pressure) {
        for (const int code : PressureChannels(facts, job)) edits.push_back(code - kFirstPressureChannel);
    } else {
        // A device of one heat system still receives system 2's values, but
        // they are the page's defaults, not an entry of the user.
        for (int i = 0; i < 2 * std::max(1, facts.systems) && i < 4; ++i) edits.push_back(i);
    }
    const ReferenceRange range = ReferenceRangeOf(job.choice);
    const auto& labels = pressure ? facts.pressureLabels : facts.temperatureLabels;
    const auto number = [](double v) {
        return QString::number(v, 'g', 10).replace(QLatin1Char('.'), QLatin1Char(','));
    };
    for (const int i : edits) {
        const double value = job.references[static_cast<std::size_t>(i)];
        if (range.Holds(value)) continue;
        ReferenceCheck check;
        check.edit = i;
        check.message = QString::fromUtf8(labels[static_cast<std::size_t>(i)]).simplified() + QStringLiteral(" = ") +
                        number(value) + QStringLiteral(": задатчик может быть от ") + number(range.low) +
                        QStringLiteral(" до ") + number(range.high) + QLatin1Char(' ') + QString::fromUtf8(range.unit) +
                        QStringLiteral("; калибровка не начата");
        return check;
    }
    return {};
}

int AnswerWaitLimitMs(const ExchangeEngine& engine, int timeoutMs) {
    if (engine.Imitation() || engine.LoggerReplayActive()) return 0;
    if (engine.Transport() != TransportKind::Serial) {
        int total = 0;
        for (int k = 0; k < ExchangeEngine::kUdpAttempts; ++k) total += k * std::max(timeoutMs, 1000) + 1;
        return total;
    }
    return ExchangeEngine::kSerialAttempts * (SerialTransport::kPauseMs + timeoutMs);
}

QString PointName(int code) { return code == kUpperPoint ? QStringLiteral("БОЛЬШЕЙ") : QStringLiteral("МЕНЬШЕЙ"); }

Frame CalibrationRequestData(CalibrationForm form, int code, const CalibrationReferences& refs) {
    Frame data;
    if (form == CalibrationForm::TwoPoints && isPoint(code)) {
        data.assign(9, 0);
        PutS(refs[0], data, 1);
        PutS(refs[1], data, 5);
    } else if (form == CalibrationForm::PerSystem && isPoint(code)) {
        data.assign(17, 0);
        for (int i = 0; i < 4; ++i) PutS(refs[static_cast<std::size_t>(i)], data, 1 + 4 * i);
    } else if (form == CalibrationForm::PerSystem && isChannel(code)) {
        data.assign(5, 0);
        PutS(refs[static_cast<std::size_t>(code - kFirstPressureChannel)], data, 1);
    } else {
        return {};
    }
    data[0] = static_cast<std::uint8_t>(code);
    return data;
}

std::optional<ParsedCalibrationRequest> ParseCalibrationRequest(CalibrationForm form, const Frame& request) {
    if (request.size() < static_cast<std::size_t>(kMinFrame + 1) || request[4] != cmd::Calibration) return {};
    ParsedCalibrationRequest parsed;
    parsed.code = request[kCodeAt];
    const auto size = static_cast<int>(CalibrationRequestData(form, parsed.code, {}).size());
    if (size == 0 || static_cast<int>(request.size()) != kMinFrame + size) return {};
    if (isChannel(parsed.code)) {
        parsed.references[static_cast<std::size_t>(parsed.code - kFirstPressureChannel)] = GetS(request, 6);
    } else {
        for (int i = 0; i < (size - 1) / 4; ++i)
            parsed.references[static_cast<std::size_t>(i)] = GetS(request, 6 + 4 * i);
    }
    return parsed;
}

int MeasuredCount(CalibrationForm form, int code) {
    if (form == CalibrationForm::TwoPoints && isPoint(code)) return 2;
    if (form == CalibrationForm::PerSystem && isPoint(code)) return 4;
    if (form == CalibrationForm::PerSystem && isChannel(code)) return 1;
    return 0;
}

int CalibrationAnswerLength(const CalibrationFacts& facts, int code) {
    return kMinFrame + (facts.resultByte ? 1 : 0) + 4 * MeasuredCount(facts.form, code);
}

Frame CalibrationAnswerData(const CalibrationFacts& facts, int code, int result, const std::vector<double>& measured) {
    const int count = MeasuredCount(facts.form, code);
    const int first = facts.resultByte ? 1 : 0;
    Frame data(static_cast<std::size_t>(first + 4 * count), 0);
    if (facts.resultByte) data[0] = static_cast<std::uint8_t>(result);
    for (int i = 0; i < count && i < static_cast<int>(measured.size()); ++i)
        PutS(measured[static_cast<std::size_t>(i)], data, first + 4 * i);
    return data;
}

QString DecodeCalibrationAnswer(const CalibrationFacts& facts, const DeviceAddress& from, int code,
                                const Frame& response, CalibrationReply& answer) {
    answer = {};
    const int length = CalibrationAnswerLength(facts, code);
    const QString format = QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ") + QString::number(cmd::Calibration);
    // A device with its jumper open may say so without the values.
    const bool shortJumper = facts.resultByte && response.size() == static_cast<std::size_t>(kMinFrame + 1) &&
                             response[0] == response.size() && response[kCodeAt] == 1;
    QString why = ValidateAnswer(response, from, shortJumper ? kMinFrame + 1 : length, cmd::Calibration, format);
    if (!why.isEmpty()) return why.split(QLatin1Char('\r'), Qt::SkipEmptyParts).join(QStringLiteral("; "));
    if (facts.resultByte) answer.result = response[kCodeAt];
    if (shortJumper) return {};
    for (int i = 0; i < MeasuredCount(facts.form, code); ++i)
        answer.measured.push_back(GetS(response, firstValueAt(facts) + 4 * i));
    return {};
}

CalibrationVerdict JudgeCalibration(const CalibrationFacts& facts, int code, const CalibrationReply* answer,
                                    const CalibrationReferences& references) {
    if (isChannel(code)) return judgePressure(code, answer);
    if (!facts.resultByte) return judgeWithoutResult(code, answer, references);
    if (facts.form == CalibrationForm::TwoPoints) return judgeTwoPoints(code, answer);
    return judgePerSystem(facts, code, answer);
}

bool CalibrationOutcome::Calibrated() const {
    if (stop != CalibrationStop::Ran || runs.empty()) return false;
    for (const CalibrationRun& run : runs)
        if (!run.verdict.calibrated) return false;
    return true;
}

std::vector<int> PressureChannels(const CalibrationFacts& facts, const CalibrationJob& job) {
    std::vector<int> channels;
    const int last = kFirstPressureChannel + facts.pressureChannels - 1;
    if (job.allChannels) {
        for (int code = kFirstPressureChannel; code <= last; ++code) channels.push_back(code);
    } else if (job.selectedChannel >= kFirstPressureChannel && job.selectedChannel <= last) {
        channels.push_back(job.selectedChannel);
    }
    return channels;
}

QStringList CalibrationByteLines(const Frame& frame) {
    QStringList lines;
    for (std::size_t i = 0; i < frame.size(); ++i)
        lines << Format(QStringLiteral("%.2d.%.2d=%S"),
                        {static_cast<int>(i), frame[i], Format(QStringLiteral("%.2x"), {frame[i]})});
    return lines;
}

CalibrationOutcome RunCalibration(Connection& line, StatusSink& status, const CalibrationJob& job,
                                  const CalibrationObserver& observer) {
    ExchangeEngine& engine = line.Engine();
    CalibrationOutcome outcome;
    if (line.Serial() < 0) {
        outcome.stop = CalibrationStop::NoDevice;
        return outcome;
    }
    const CalibrationFacts facts = CalibrationOf(line.Type());
    if (facts.form == CalibrationForm::None) {
        // A known device without calibration offers no choice to run.
        if (line.Model()) {
            outcome.stop = CalibrationStop::NoChoice;
        } else {
            outcome.stop = CalibrationStop::UnknownType;
            status.error(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        }
        return outcome;
    }
    if (static_cast<std::size_t>(job.choice) >= facts.choices.size()) {
        outcome.stop = CalibrationStop::NoChoice;
        return outcome;
    }
    const bool pressure = job.choice == CalibrationChoice::Pressure;
    std::vector<int> codes{static_cast<int>(job.choice)};
    if (pressure) {
        codes = PressureChannels(facts, job);
        if (codes.empty()) {
            outcome.stop = CalibrationStop::NoChannel;
            status.error(QStringLiteral("Необходимо выбрать датчик для калибровки щелчком по нему"));
            return outcome;
        }
    }
    if (const ReferenceCheck check = CheckReferences(facts, job); !check.message.isEmpty()) {
        outcome.stop = CalibrationStop::BadReference;
        status.error(check.message);
        return outcome;
    }
    const auto memo = [&](const QString& line) {
        if (observer.memoLine) observer.memoLine(line);
    };
    const auto stopRequested = [&] { return job.stopRequested && job.stopRequested(); };
    const QString stopped = QStringLiteral("калибровка остановлена: ответ устройства не дождались");

    if (observer.started) observer.started();
    TimeoutScope timeout(engine);
    const int timeoutMs = pressure ? job.pressureTimeoutMs : job.temperatureTimeoutMs;
    timeout.Set(timeoutMs);
    for (const int code : codes) {
        if (stopRequested()) {
            outcome.stop = CalibrationStop::Stopped;
            status.error(stopped);
            return outcome;
        }
        const QString subject =
            pressure ? QString::fromUtf8(facts.channelNames[static_cast<std::size_t>(code - kFirstPressureChannel)])
                     : QStringLiteral("При ") + PointName(code) + QStringLiteral(" t°C ");
        status.busy(subject + QStringLiteral(" Идет калибровка. Ждите..."));
        QString error;
        const std::optional<Frame> request =
            line.BuildFrame(cmd::Calibration, CalibrationRequestData(facts.form, code, job.references), &error);
        if (!request) {
            status.error(error);
            outcome.stop = CalibrationStop::NoDevice;
            return outcome;
        }
        if (!pressure) {
            // The 225 names the point in its header line.
            memo(facts.resultByte ? QStringLiteral("запрос") : Format(QStringLiteral("запрос %s"), {PointName(code)}));
            for (const QString& line : CalibrationByteLines(*request)) memo(line);
        }
        if (facts.form == CalibrationForm::PerSystem) wake(engine);
        if (observer.requestSent) observer.requestSent(code, AnswerWaitLimitMs(engine, timeoutMs));

        CalibrationRun run;
        run.code = code;
        Frame response;
        // The device calibrates itself on every request it receives: the
        // request goes out once, and its answer is awaited as long as the
        // repeats would have taken. Only an answer that passes the checks is
        // its answer; the findings of the last one that did not are kept.
        QString refused;
        ExchangeOptions options;
        options.once = true;
        options.accept = [&](const Frame& answer) {
            CalibrationReply reply;
            refused = DecodeCalibrationAnswer(facts, line.Address(), code, answer, reply);
            return refused.isEmpty();
        };
        run.answered = engine.Exchange(*request, response, options);
        if (stopRequested()) {
            // The wait was cut short: whatever came is not judged.
            run.answered = false;
            run.verdict = verdict(StatusStyle::Error, stopped);
            status.error(stopped);
            if (observer.runDone) observer.runDone(run);
            outcome.runs.push_back(std::move(run));
            outcome.stop = CalibrationStop::Stopped;
            return outcome;
        }
        QString why;
        if (run.answered)
            why = DecodeCalibrationAnswer(facts, line.Address(), code, response, run.answer);
        else
            why = refused;
        if (!run.answered && why.isEmpty()) {
            run.verdict = JudgeCalibration(facts, code, nullptr, job.references);
        } else if (!why.isEmpty()) {
            // Something came, but not this answer: nothing of it is shown.
            run.answered = true;
            run.verdict = verdict(StatusStyle::Error, why);
        } else {
            run.verdict = JudgeCalibration(facts, code, &run.answer, job.references);
            if (!facts.resultByte && run.verdict.calibrated) {
                memo(Format(QStringLiteral("ответ %s"), {PointName(code)}));
                for (const QString& line : CalibrationByteLines(response)) memo(line);
            }
        }
        show(status, run.verdict);
        if (observer.runDone) observer.runDone(run);
        outcome.runs.push_back(std::move(run));
    }
    return outcome;
}

}  // namespace omi
