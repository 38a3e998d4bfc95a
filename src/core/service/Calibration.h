#pragma once
// Calibration of the temperature and pressure channels (command 13): the
// request and answer forms of each family, the judgement of an answer into
// the texts of the measured-value boxes and the status line, and the run of
// one temperature point or of one or more pressure channels through the
// exchange engine.
//
// The device calibrates itself between request and answer; the program only
// waits longer for the answer (the port's input timeout is raised for the
// run and restored afterwards, whatever happened). Families whose devices
// sleep on the line (every family with the per-system form) first get a
// wake byte 0x00, 200 ms to wake up, and both port buffers purged.

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "families/DeviceFamily.h"
#include "protocol/Frame.h"
#include "support/Status.h"

namespace omi {

class ExchangeEngine;
class Connection;

// Point codes: the lower and upper temperature points; 2..5 are the pressure
// channels (system 1 sensor 1, system 1 sensor 2, system 2 sensor 1, system 2
// sensor 2).
inline constexpr int kLowerPoint = 0;
inline constexpr int kUpperPoint = 1;
inline constexpr int kFirstPressureChannel = 2;
inline constexpr int kNoChannel = 255;  // no pressure channel selected

// The choices of "Калибровка по:", by their index in the family's list.
enum class CalibrationChoice { Lower = 0, Upper = 1, Pressure = 2 };

inline constexpr int kCalibrationTemperatureTimeoutMs = 10000;
inline constexpr int kCalibrationPressureTimeoutMs = 1000;
inline constexpr int kWakeByteMs = 200;

// The reference values of the four reference edits, in their order: system 1
// supply, system 1 return, system 2 supply, system 2 return (°C); for the
// pressure choice the currents of channels 2, 3, 4, 5 (mA).
using CalibrationReferences = std::array<double, 4>;

// The references the page starts a choice with: 33 supply and 30 return for
// the lower point, 150 for the upper point, 20 mA for pressure.
CalibrationReferences DefaultReferences(CalibrationChoice choice);

// "МЕНЬШЕЙ" (code 0), "БОЛЬШЕЙ" (code 1).
QString PointName(int code);

// What a reference source can stand for at an input: the resistance
// thermometers of the temperature inputs are measured from 0 to 150 °C (the
// device reports a temperature outside it as a sensor error), the pressure
// transducers are 4..20 mA current loops. A reference outside its range
// cannot calibrate anything and is never sent.
struct ReferenceRange {
    double low = 0;
    double high = 0;
    const char* unit = "";
    bool Holds(double value) const { return value >= low && value <= high; }
};
ReferenceRange ReferenceRangeOf(CalibrationChoice choice);
// Empty when every reference the job sends for the device is in its range;
// otherwise why not, naming the first edit (0..3) in error.
struct ReferenceCheck {
    int edit = -1;
    QString message;
};

// --- forms ---

// The data bytes of a request (after the command code): the point code and
// the references as little-endian singles. Two-point form: 9 bytes (supply,
// return of system 1); per-system form: 17 bytes for a point, 5 bytes for a
// pressure channel (its current). Empty for a form or code that has none.
Frame CalibrationRequestData(CalibrationForm form, int code, const CalibrationReferences& references);

// A request frame as the device reads it: the code and the references it
// carries (those the form does not carry stay 0). Nothing when the frame is
// not a calibration request of the form.
struct ParsedCalibrationRequest {
    int code = 0;
    CalibrationReferences references{};
};
std::optional<ParsedCalibrationRequest> ParseCalibrationRequest(CalibrationForm form, const Frame& request);

// The values an answer carries: 2 for the two-point form, 4 for a point of
// the per-system form (at response offsets 6, 10, 14, 18), 1 for a pressure
// channel; 0 for a form or code that has none.
int MeasuredCount(CalibrationForm form, int code);
// Frame length of a complete answer.
int CalibrationAnswerLength(const CalibrationFacts& facts, int code);

// The data bytes of an answer (after the command code): the result code
// where the family sends one, then the measured values.
Frame CalibrationAnswerData(const CalibrationFacts& facts, int code, int result, const std::vector<double>& measured);

struct CalibrationReply {
    std::optional<int> result;     // none for a family without a result byte
    std::vector<double> measured;  // empty when the answer carries none (a short jumper answer)
};
// Reads an answer of the current device. Empty text on success, else why the
// frame is no answer to the request (checked as every answer: length,
// command, check byte, device type, serial number). A short answer that
// carries only the result code 1 (jumper open) is accepted without values.
QString DecodeCalibrationAnswer(const CalibrationFacts& facts, const DeviceAddress& from, int code,
                                const Frame& response, CalibrationReply& answer);

// --- judgement ---

// What one answer (or its absence) means: the texts of the four
// measured-value boxes (nothing: the box is left as it is; "": emptied), the
// status text with its style, and whether the channel or point counts as
// calibrated.
struct CalibrationVerdict {
    std::array<std::optional<QString>, 4> boxes;
    StatusStyle style = StatusStyle::Error;
    QString status;
    bool calibrated = false;
};

// answer null: no answer came. references: those sent (the 225 compares its
// measured values with them).
CalibrationVerdict JudgeCalibration(const CalibrationFacts& facts, int code, const CalibrationReply* answer,
                                    const CalibrationReferences& references);

// --- the run ---

struct CalibrationJob {
    CalibrationChoice choice = CalibrationChoice::Lower;
    CalibrationReferences references{};
    bool allChannels = false;          // pressure: every channel of the device in turn ("ОЧЕРЕДЯМИ")
    int selectedChannel = kNoChannel;  // pressure, one channel ("ОДИНОЧНЫМИ"): 2..5
    int temperatureTimeoutMs = kCalibrationTemperatureTimeoutMs;
    int pressureTimeoutMs = kCalibrationPressureTimeoutMs;
    // Asked before every request and after every answer: true ends the run
    // there ("стоп"); the request waiting for its answer is abandoned by
    // closing the port.
    std::function<bool()> stopRequested;
};

ReferenceCheck CheckReferences(const CalibrationFacts& facts, const CalibrationJob& job);

// One request of a run and what came of it.
struct CalibrationRun {
    int code = 0;
    bool answered = false;
    CalibrationReply answer;
    CalibrationVerdict verdict;
};

enum class CalibrationStop {
    Ran,           // every request of the run was sent
    NoDevice,      // no serial number: nothing happens
    NoChoice,      // the device has no such choice: nothing is sent
    NoChannel,     // one pressure channel asked for, none selected
    UnknownType,   // the device type has no calibration
    BadReference,  // a reference outside what the input can take: nothing is sent
    Stopped,       // the user stopped the run ("стоп")
};

struct CalibrationOutcome {
    CalibrationStop stop = CalibrationStop::Ran;
    std::vector<CalibrationRun> runs;
    // Every request of the run was answered and calibrated.
    bool Calibrated() const;
};

// Where the run reports as it goes: its start once nothing stops it (the
// window puts up new measured-value boxes), the byte lines of the requests
// and answers for the terminal memo, and each request's outcome as soon as
// it is known (the window fills its boxes).
struct CalibrationObserver {
    std::function<void()> started;  // the checks passed, the first request follows
    // A request is about to go out; waitMs: the longest the answer may take.
    std::function<void(int code, int waitMs)> requestSent;
    std::function<void(const QString& line)> memoLine;
    std::function<void(const CalibrationRun& run)> runDone;
};

// The longest an answer to one request may take over the engine's line with
// the given input timeout (every attempt of the exchange waited out).
int AnswerWaitLimitMs(const ExchangeEngine& engine, int timeoutMs);

// The pressure channels a job calibrates: every channel of the device in
// turn, or the selected one (none when it is not a channel of the device).
std::vector<int> PressureChannels(const CalibrationFacts& facts, const CalibrationJob& job);

// Runs the calibration for the connection's device over its line
// and shows its progress and outcome on the status sink. The port's input
// timeout is set for the run and given back its former value at the end.
CalibrationOutcome RunCalibration(Connection& line, StatusSink& status, const CalibrationJob& job,
                                  const CalibrationObserver& observer = {});

// The memo lines of a frame: one per byte, "%.2d.%.2d=%S" with the byte
// index, its value and its two hexadecimal digits.
QStringList CalibrationByteLines(const Frame& frame);

extern const QString kCalibrationDumpFile;  // "байты калибровки.txt"

}  // namespace omi
