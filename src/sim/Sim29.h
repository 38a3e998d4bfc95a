#pragma once
// The simulated calculators of the families 229/230 (device types 229 and
// 230) and 228. Besides command 0 they answer the state (1), the
// configuration read (5) and write (4), the archive record (3) and the
// archive support commands 20, 21 and 254. Every answer is built with the
// family's frame tables (U29Layout, U28).
//
// State: 105 bytes with three flows per heat system for 229/230, 97 bytes
// with two for 228; pressures in bar.
//
// Configuration: the device starts with the factory configuration (pulse
// weights 1000, system type 1, cold water 0 and 0 °C, maximum flow 1500, ...;
// the program's default configuration). A write of 40 data bytes is kept when
// the write result (SimSettings::writeResult) is 0; with another result it is
// answered and forgotten. A write of another length gets no answer.
//
// Archives: a daily ring of 62 and an hourly ring of 960 positions, both
// full, dated as the rings of family 234/235 (SimMetering.h): the position
// written last holds today's record or the current hour's. Command 21
// answers the hourly last-written position plus 1 as a word (bytes 5-6) and
// the daily one plus 1 as a byte (byte 7); a value that does not fit is
// reported as 0 or as the largest value of its field. A record request for a
// position outside the ring is answered with a record of zeros; a record
// request without exactly 2 data bytes gets no answer.
//
// The values are the made-up metering of SimMetering.h (the same model as the
// 234/235 devices, pressures converted to bar). Type 230 serves one heat
// system: the system 2 values are 0.

namespace omi::sim29 {

inline constexpr int kDailyPositions = 62;
inline constexpr int kHourlyPositions = 960;
// The last-written positions when the options do not set them.
inline constexpr int kDefaultDailyCurrent = 40;
inline constexpr int kDefaultHourlyCurrent = 600;
// МПа of the model -> bar of these families.
inline constexpr double kBarPerMPa = 10.0;

}  // namespace omi::sim29
