#include "CalibrateCommand.h"

#include "connection/Connection.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "families/DeviceFamily.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "support/Format.h"

namespace omi::cli {

namespace {

const QStringList kChoiceNames{"lower", "upper", "pressure"};

bool toInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return false;
    out = v;
    return true;
}

// "33,30" or "33.5,30,33,30": numbers with a decimal point, separated by commas.
bool toNumbers(const QString& text, std::vector<double>& out) {
    out.clear();
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const double v = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::fabs(v) > 1e6) return false;
        out.push_back(v);
    }
    return true;
}

// A single as it was sent: its shortest decimal form, so that 33.4 reads 33.4.
double asSent(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer - 1, static_cast<float>(value));
    if (ec != std::errc()) return value;
    *end = '\0';
    return std::strtod(buffer, nullptr);
}

// The measured values of the inputs the device has.
std::vector<double> shownValues(const CalibrationFacts& facts, const CalibrationRun& run) {
    std::vector<double> values = run.answer.measured;
    if (run.code < kFirstPressureChannel && facts.form == CalibrationForm::PerSystem)
        values.resize(std::min(values.size(), static_cast<std::size_t>(2 * facts.systems)));
    return values;
}

QString subject(const CalibrationFacts& facts, int code) {
    if (code < kFirstPressureChannel) return QStringLiteral("точка ") + PointName(code);
    const QString name =
        QString::fromUtf8(facts.channelNames[static_cast<std::size_t>(code - kFirstPressureChannel)]).trimmed();
    return QStringLiteral("канал %1 (%2)").arg(code).arg(name);
}

}  // namespace

std::optional<CalibrateArgs> ParseCalibrateArgs(const QStringList& args, QString* error) {
    auto fail = [&](const QString& text) -> std::optional<CalibrateArgs> {
        if (error) *error = text;
        return std::nullopt;
    };
    CalibrateArgs a;
    bool choiceGiven = false;
    bool channelGiven = false;
    bool refGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const QString value = args.value(i + 1);
        if (arg == "--ref") {
            if (i + 1 >= args.size() || !toNumbers(value, a.references))
                return fail("--ref needs numbers separated by commas, with a decimal point: --ref 33,30");
            refGiven = true;
            ++i;
        } else if (arg == "--channel") {
            if (i + 1 >= args.size() || !toInt(value, 2, 5, a.channel)) return fail("--channel must be 2..5");
            channelGiven = true;
            ++i;
        } else if (arg == "--all") {
            a.all = true;
        } else if (arg == "--wait") {
            if (i + 1 >= args.size() || !toInt(value, 1, 600000, a.waitMs)) return fail("--wait must be 1..600000 ms");
            ++i;
        } else if (!choiceGiven && kChoiceNames.contains(arg)) {
            a.choice = static_cast<CalibrationChoice>(kChoiceNames.indexOf(arg));
            choiceGiven = true;
        } else {
            return fail("calibrate: unexpected argument " + arg);
        }
    }
    if (!choiceGiven) return fail("calibrate needs lower, upper or pressure");
    if (a.choice == CalibrationChoice::Pressure) {
        if (channelGiven == a.all) return fail("calibrate pressure needs --channel 2..5 or --all");
        if (refGiven && a.references.size() != 1) return fail("calibrate pressure: --ref takes one current in mA");
    } else {
        if (channelGiven || a.all) return fail("--channel and --all are for calibrate pressure");
        if (refGiven && a.references.size() != 2 && a.references.size() != 4)
            return fail("calibrate " + kChoiceNames[int(a.choice)] + ": --ref takes S1,R1 or S1,R1,S2,R2");
    }
    return a;
}

int RunCalibrate(const CalibrateArgs& args, bool json, Connection& line, StatusSink& status,
                 const CalibrateOutput& output) {
    const int type = line.Type();
    const CalibrationFacts facts = CalibrationOf(type);
    const QString model = ModelName(type);
    // What the device cannot take is refused before anything is sent.
    if (!DescriptorOf(type)) {
        output.err(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return 1;
    }
    if (facts.choices.empty()) {
        output.err(QStringLiteral("у прибора %1 нет калибровки").arg(model));
        return 2;
    }
    if (static_cast<std::size_t>(args.choice) >= facts.choices.size()) {
        output.err(QStringLiteral("у прибора %1 нет калибровки по давлению").arg(model));
        return 2;
    }
    const bool pressure = args.choice == CalibrationChoice::Pressure;
    const int lastChannel = kFirstPressureChannel + facts.pressureChannels - 1;
    if (pressure && !args.all && args.channel > lastChannel) {
        output.err(QStringLiteral("у прибора %1 нет канала давления %2 (есть 2..%3)")
                       .arg(model)
                       .arg(args.channel)
                       .arg(lastChannel));
        return 2;
    }
    if (!pressure && args.references.size() == 4 && facts.systems < 2) {
        output.err(QStringLiteral("у прибора %1 одна система: --ref S1,R1").arg(model));
        return 2;
    }

    CalibrationJob job;
    job.choice = args.choice;
    job.references = DefaultReferences(args.choice);
    if (pressure) {
        if (!args.references.empty()) job.references.fill(args.references[0]);
    } else {
        for (std::size_t i = 0; i < args.references.size() && i < job.references.size(); ++i)
            job.references[i] = args.references[i];
    }
    job.allChannels = args.all;
    job.selectedChannel = args.channel;
    job.temperatureTimeoutMs = args.waitMs;

    const CalibrationOutcome outcome = RunCalibration(line, status, job);
    if (outcome.stop != CalibrationStop::Ran) {
        output.err(QStringLiteral("калибровка не выполнена"));
        return 1;
    }

    QJsonArray runs;
    QString text;
    for (const CalibrationRun& run : outcome.runs) {
        const std::vector<double> values = shownValues(facts, run);
        QJsonArray measured;
        QStringList shown;
        for (const double v : values) {
            measured.append(asSent(v));
            shown << Format(pressure ? QStringLiteral("%.5f") : QStringLiteral("%f"), {v});
        }
        runs.append(
            QJsonObject{{"code", run.code},
                        {"result", run.answer.result ? QJsonValue(*run.answer.result) : QJsonValue(QJsonValue::Null)},
                        {"measured", measured},
                        {"status", run.verdict.status}});
        text += subject(facts, run.code) + QStringLiteral("; измерено: ") +
                (shown.isEmpty() ? QStringLiteral("-") : shown.join(QLatin1Char(' '))) + QStringLiteral("; ") +
                run.verdict.status + QLatin1Char('\n');
    }
    if (json) {
        const QJsonObject obj{{"type", type},
                              {"serial", line.Serial()},
                              {"choice", kChoiceNames[static_cast<int>(args.choice)]},
                              {"runs", runs}};
        output.out(QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else {
        output.out(text);
    }
    return outcome.Calibrated() ? 0 : 1;
}

}  // namespace omi::cli
