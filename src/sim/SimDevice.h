#pragma once
// One simulated calculator: a device type code, a serial number and the
// behaviour of its family.
//
// Every device answers command 0 (number and type) itself. Whatever else it
// answers comes from its family: a SimFamily object made for each device by
// the factory registered for the device's family group. A family file in
// src/sim/ registers itself from a static initialiser (SimCalculator.cpp
// registers the heat calculators from their tables, Sim128.cpp the water
// meter):
//
//   namespace {
//   class SimWaterMeter : public omi::SimCommandTable {
//   public:
//       explicit SimWaterMeter(const omi::SimDevice&) {
//           On(omi::cmd::State, [this](omi::SimDevice& d, const omi::Frame& r) { return state(d, r); });
//       }
//       ...  // configuration, clock: the device's memory lives here
//   };
//   const bool registered = omi::RegisterSimFamily(omi::Family::Lors128,
//       [](const omi::SimDevice& d) { return std::make_unique<SimWaterMeter>(d); });
//   }
//
// (omi_sim_lib is an object library, so such a file is linked even though
// nothing refers to it by name.)

#include <QDateTime>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "protocol/Frame.h"
#include "protocol/Models.h"

namespace omi {

class SimDevice;

// What a device of one family answers beyond command 0, and the memory it
// needs for that. One object per simulated device.
class SimFamily {
public:
    virtual ~SimFamily() = default;
    // The answer to a request addressed to the device (check byte already
    // verified, command other than 0); nothing means the device stays silent.
    virtual std::optional<Frame> Answer(SimDevice& device, const Frame& request) = 0;
};

// A family whose answers are a table of handlers by command code; a command
// without a handler gets no answer.
class SimCommandTable : public SimFamily {
public:
    using Handler = std::function<std::optional<Frame>(SimDevice& device, const Frame& request)>;

    void On(int command, Handler handler);
    bool Handles(int command) const;
    std::optional<Frame> Answer(SimDevice& device, const Frame& request) override;

private:
    std::map<int, Handler> handlers_;
};

// What the simulated devices of one line share beyond their address: their
// clock and the starting state of their memory. Each family reads what it
// needs when a device is made.
struct SimSettings {
    // The devices' clock, read at every request that depends on the time;
    // null: the computer's local clock.
    std::function<QDateTime()> clock;
    // The 0-based ring positions written last in the daily and hourly
    // archives when the device is made (unset: the family's choice).
    std::optional<int> dailyCurrent;
    std::optional<int> hourlyCurrent;
    // The result byte of a configuration write; a device that answers other
    // than 0 keeps its configuration. Also the result code of a calibration
    // when it is not 0 (a 225, which sends no result code, then stays silent).
    int writeResult = 0;
    // Calibration (command 13): how far each measured value lies from its
    // reference, by input (system 1 supply, system 1 return, system 2 supply,
    // system 2 return); a pressure channel 2..5 uses the deviation at its
    // position. With writeResult 0 the result code is 0 when every input of
    // the device lies within 1 of its reference, else the code of the first
    // one that does not.
    std::array<double, 4> calibrationDeviation{};
};

using SimFamilyFactory = std::function<std::unique_ptr<SimFamily>(const SimDevice& device)>;

// Makes devices of every type of the group use the factory. Returns true so
// that it can initialise a namespace-scope constant; a second registration
// for the same group replaces the first.
bool RegisterSimFamily(Family family, SimFamilyFactory factory);

class SimDevice {
public:
    // A device whose family behaviour comes from the registered factory of
    // FamilyOf(type) (none registered: it answers command 0 only).
    SimDevice(int type, int serial, SimSettings settings = {});
    // A device with an explicitly given behaviour (null: command 0 only).
    SimDevice(int type, int serial, std::unique_ptr<SimFamily> family);

    SimDevice(SimDevice&&) noexcept = default;
    SimDevice& operator=(SimDevice&&) noexcept = default;

    int Type() const { return type_; }
    int Serial() const { return serial_; }
    // A device that takes a new network number answers by it from then on.
    void SetSerial(int serial) { serial_ = serial; }
    const SimSettings& Settings() const { return settings_; }
    SimFamily* Behaviour() const { return family_.get(); }

    // True when the request carries this device's type and serial number.
    bool IsAddressed(const Frame& request) const;

    // The answer to one request frame, or nothing (silence): a frame whose
    // length byte or check byte is wrong, a request for another device, a
    // command the device does not know. The broadcast number/type request
    // 6,0,0,0,0,250 is answered like command 0 addressed to the device.
    std::optional<Frame> Answer(const Frame& request);

    // A frame from this device: length, type, serial number, command, data,
    // check byte. Data longer than 249 bytes is cut.
    Frame MakeAnswer(int command, const Frame& data = {}) const;
    // The same from a frame of the answer's whole length that the caller
    // filled at frame offsets (as the family tables count them): its bytes 5
    // up to the check byte are the data.
    Frame AnswerOfLength(int command, const Frame& frame) const;

private:
    int type_;
    int serial_;
    SimSettings settings_;
    std::unique_ptr<SimFamily> family_;
};

// True for a complete frame: at least 6 bytes, length byte equal to the
// number of bytes, correct check byte.
bool IsWholeFrame(const Frame& frame);

}  // namespace omi
