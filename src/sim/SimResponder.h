#pragma once
// The calculators of one simulated line and the faults injected into their
// answers. Every transport (pseudo-terminal, UDP) hands it each complete
// request frame; it logs the request, finds the device that answers, and
// decides what goes back on the line.

#include "SimDevice.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QFile;

namespace omi {

struct SimFaults {
    int noiseBytes = 0;      // bytes of line noise before each answer on a serial line
    int badCheckEvery = 0;   // every Kth answer carries a wrong check byte (0: never)
    int silenceEvery = 0;    // every Kth request that would be answered is not (0: never)
    bool silent = false;     // never answer
    int delayMs = 0;         // fixed delay before an answer
    int baud = 0;            // line speed to emulate, bit/s (0: no pacing)
    int hangupAfter = 0;     // stop serving after this many answers (0: never)
    int muteAfter = 0;       // answer nothing after this many answers, the line stays up (0: never)
    int truncateEvery = 0;   // every Kth answer loses its second half (0: never)
    int wrongSerialEvery = 0;  // every Kth answer carries another serial number, check byte right (0: never)
    int wrongTypeEvery = 0;    // every Kth answer carries another type code, check byte right (0: never)
    int lateMs = 0;          // the first answer goes out this much later than the others would
    int byteGapMs = 0;       // serial line: answer bytes this far apart, the first at once (0: as the line speed)
    double corruptPercent = 0;  // chance per answer byte of a drop, an insert or a flip, in percent
    bool spoof = false;      // UDP: a forged answer from another port before each answer
    int calibrationMs = 0;   // a calibration answer goes out this much later (the device calibrates)
};

class SimResponder {
public:
    SimResponder(std::vector<SimDevice> devices, SimFaults faults);
    ~SimResponder();
    SimResponder(const SimResponder&) = delete;
    SimResponder& operator=(const SimResponder&) = delete;

    // Appends every request to the file, one line of decimal bytes each.
    // Empty text on success, else the reason.
    QString SetLogFile(const QString& path);
    // Appends one line of text to that file (what else happened on the line).
    void LogText(const QByteArray& line);

    // One complete request frame as received. The answer to send (spoiled as
    // the faults say), or nothing. The broadcast number/type request is
    // answered by the first device only; a request addressed to a device is
    // answered by that device.
    std::optional<Frame> Respond(const Frame& request);

    // How long after the request the answer Respond() just gave goes out.
    int AnswerDelayMs() const;

    // A forged answer in place of a real one: another device's serial
    // number, with a check byte that matches it.
    static Frame Forged(const Frame& answer);

    // The line noise to put before the next answer on a serial line. It never
    // holds the start of a frame a client could take for an answer. (A UDP
    // datagram has its own checksum: noise does not reach it.)
    Frame Noise();

    const SimFaults& Faults() const { return faults_; }
    std::vector<SimDevice>& Devices() { return devices_; }
    int Answers() const { return answers_; }
    // The hang-up count is reached: nothing more is answered.
    bool HangupReached() const { return faults_.hangupAfter > 0 && answers_ >= faults_.hangupAfter; }

private:
    std::optional<Frame> deviceAnswer(const Frame& request);
    void corrupt(Frame& answer);
    std::uint8_t nextRandom(int range);
    std::uint32_t nextCorruptRandom();
    void log(const Frame& request);

    std::vector<SimDevice> devices_;
    SimFaults faults_;
    std::unique_ptr<QFile> log_;
    int answerable_ = 0;
    int answers_ = 0;
    int lastCommand_ = -1;  // of the request answered last
    std::uint32_t noiseState_ = 0x2545F491u;
    std::uint32_t corruptState_ = 0x9E3779B9u;  // a fixed seed: the same damage on every run
};

}  // namespace omi
