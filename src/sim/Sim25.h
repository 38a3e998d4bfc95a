#pragma once
// The simulated calculators of the family 225 (device type 225). Besides
// command 0 they answer the state (1), the configuration read (5) and write
// (4), the archive record (3) and the current record numbers (21); commands
// 20 and 254, which the program does not send to this family, get an empty
// answer. Every answer is built with the family's frame tables (U25Layout).
//
// Configuration: the device starts with the program's default configuration
// (pulse weights 100, electricity meter 1000, one tariff, system type 1, cold
// water 5 °C, hot-water limit 45 °C not used). A write of 17 data bytes is
// answered with result byte 0 and kept when the write result
// (SimSettings::writeResult) is 0; with another result the device stays
// silent and keeps its configuration, as a device with its write-enable
// jumper open does (the program reads a missing answer as "jumper open or no
// link"). A write of another length gets no answer.
//
// Archives: a daily ring of 128 and an hourly ring of 1024 positions, both
// full, dated as the rings of family 234/235 (SimMetering.h). Command 21
// answers 9 bytes: the hourly last-written position plus 1 as a word (bytes
// 5-6) and the daily one plus 1 as a byte (byte 7); a value that does not fit
// is reported as 0 or as the largest value of its field. A record request for
// a position outside the ring is answered with a record of zeros; a record
// request without exactly 2 data bytes gets no answer.
//
// The values are the one-system metering of SimOneSystem.h: the hot-water
// meter is flow meter 3, the electric energy of tariff 1 is the day tariff.

namespace omi::sim25 {

inline constexpr int kDailyPositions = 128;
inline constexpr int kHourlyPositions = 1024;
// The last-written positions when the options do not set them.
inline constexpr int kDefaultDailyCurrent = 90;
inline constexpr int kDefaultHourlyCurrent = 700;

}  // namespace omi::sim25
