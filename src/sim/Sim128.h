#pragma once
// The simulated ЛОРС device (device type 128): a 1-, 2- or 4-channel pulse
// counter of water meters.
//
// Command 1 answers the 31-byte state, which is also the configuration: the
// pulse counts of the channels up to the channel count (0 above it), the four
// weight numbers and the channel count. The counts rise with the device's
// clock, at a steady rate per channel of a few pulses an hour, from a start
// value; both are seeded from the serial number, so equal options give equal
// answers.
//
// Command 255 (two data bytes: channel count, weight numbers packed two bits
// each) writes the configuration and is answered with the state frame (with
// command code 255), which shows what the device now holds. The device keeps
// a channel count of 1, 2 or 4; another count, or a write result other than 0
// (SimSettings::writeResult), leaves the configuration as it was, so the
// program's comparison of the answer with what it sent fails.
//
// Command 2 (two data bytes: the new number, low byte first) sets the network
// number: the device takes a number 1..65535 and answers a six-byte frame
// carrying it, and from then on answers by it only. Number 0, or a write
// result other than 0, keeps the old number, and the answer carries the old
// one. Commands 2 and 255 with other than exactly two data bytes get no
// answer.
//
// Factory configuration: 4 channels, weight number 2 (10 litres per pulse)
// on each.

namespace omi::sim128 {

inline constexpr int kFactoryChannels = 4;
inline constexpr int kFactoryWeight = 2;

}  // namespace omi::sim128
