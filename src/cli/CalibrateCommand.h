#pragma once
// omi-cli calibrate: one temperature point, or one or every pressure channel
// of the device, with the references given or the page's defaults.
//
//   calibrate lower|upper [--ref S1,R1[,S2,R2]] [--wait MS] --yes
//   calibrate pressure (--channel 2..5 | --all) [--ref MA] --yes
//
// Prints one line per request (or JSON with --json); exit status 0 when
// every request calibrated, 1 otherwise, 2 for arguments the device cannot
// take (a choice or channel it does not have).

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "service/Calibration.h"

namespace omi {
class Connection;
class StatusSink;
}  // namespace omi

namespace omi::cli {

struct CalibrateArgs {
    CalibrationChoice choice = CalibrationChoice::Lower;
    std::vector<double> references;                 // as given; empty: the defaults of the choice
    int channel = kNoChannel;                       // pressure: one channel 2..5
    bool all = false;                               // pressure: every channel of the device
    int waitMs = kCalibrationTemperatureTimeoutMs;  // how long a temperature point may take
};

// The command's arguments (everything after "calibrate"); nothing and the
// usage error when they do not fit.
std::optional<CalibrateArgs> ParseCalibrateArgs(const QStringList& args, QString* error);

struct CalibrateOutput {
    std::function<void(const QString& text)> out;  // stdout
    std::function<void(const QString& line)> err;  // stderr, one line
};

// Runs the calibration for the current device (already addressed) and
// prints its outcome. Returns the exit status.
int RunCalibrate(const CalibrateArgs& args, bool json, Connection& line, StatusSink& status,
                 const CalibrateOutput& output);

}  // namespace omi::cli
