#pragma once
// The simulated calculators of the family 227 (device type 227). Besides
// command 0 they answer the state (1), the configuration read (5) and write
// (4), the archive record (3) and the current record numbers (21); commands
// 20 and 254, which the program does not send to this family, get an empty
// answer. Every answer is built with the family's frame tables (U27Layout).
//
// Configuration: the device starts with the program's default configuration
// (pulse weights 1, 2, 3, 4, system type 1, cold water 5 °C). A write of 10
// data bytes is kept when the write result (SimSettings::writeResult) is 0
// and answered with the result byte; with another result it is answered and
// forgotten. A write of another length gets no answer.
//
// Archives: a daily ring of 128 and an hourly ring of 1024 positions, both
// full, dated as the rings of family 234/235 (SimMetering.h): the position
// written last holds today's record (written at 00:00) or the current hour's.
// Command 21 answers 10 bytes: the hourly last-written position plus 1 as a
// word (bytes 5-6), the daily one plus 1 as a byte (byte 7), then 0; a value
// that does not fit is reported as 0 or as the largest value of its field. A
// record request for a position outside the ring is answered with a record of
// zeros; a record request without exactly 2 data bytes gets no answer.
//
// The values are the one-system metering of SimOneSystem.h; the duration with
// errors of a record is minutes in the hour (hourly) or hours in the day
// (daily).

namespace omi::sim27 {

inline constexpr int kDailyPositions = 128;
inline constexpr int kHourlyPositions = 1024;
// The last-written positions when the options do not set them.
inline constexpr int kDefaultDailyCurrent = 90;
inline constexpr int kDefaultHourlyCurrent = 700;

}  // namespace omi::sim27
