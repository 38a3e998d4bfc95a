#pragma once
// The response imitation: with the imitation mode on, the exchange engine
// answers without a device, as the device the request addresses would:
//   1    the state generator of the family (none: no answer);
//   2    the write acknowledgement (6 bytes; the serial number field is the
//        request's data bytes 5, 6, or, on half of the draws, the serial
//        number the request addresses);
//   13   the calibration answer, after a random pause of 0..1000 ms;
//   255  (type 128 only) the ЛОРС state generator;
//   3, 5, 12  random bytes at the family's length;
// any other command leaves the response as the caller passed it. The state,
// calibration and random answers take bytes 1..4 from the request; the last
// byte of every answer is the check byte.
// The family decoders reject what does not fit their layouts.

#include <functional>

#include "protocol/Frame.h"

namespace omi {

class ExchangeEngine;

// A family's state generator: the answer to a state request (an empty frame:
// no answer). Bytes 1..4 and the check byte are set afterwards.
using StateImitator = std::function<Frame(const Frame& request)>;
// Types 128, 225, 227, 228, 229 and 230 have their family's state generator;
// the family 234/235 has none.

// How the calibration answer waits (milliseconds). Null: the wait of the
// engine that asks, or Pause() when called outside an engine.
using ImitationPause = std::function<void(int ms)>;

// Fills response for request as the device it addresses would answer.
void ImitationAnswer(const Frame& request, Frame& response, const ImitationPause& pause = {});

// The parts, for tests and for whoever needs one answer alone.
Frame WriteAcknowledgement(const Frame& request);
// The calibration answer of a device type (without the pause).
Frame CalibrationAnswer(const Frame& request, int type);

// Makes the engine's imitation mode answer through ImitationAnswer, waiting
// with pause (null: the engine's own wait).
void InstallImitation(ExchangeEngine& engine, ImitationPause pause = {});

}  // namespace omi
