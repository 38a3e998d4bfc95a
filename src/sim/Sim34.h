#pragma once
// The simulated calculators of the family 234/235 (device types 234..237).
// Besides command 0 they answer the state (1), the configuration read (5) and
// write (4), the archive record (3) and the archive support commands 20, 21
// and 254. Every answer is built with the family's frame tables (U34Layout).
//
// Configuration: the device starts with the factory configuration (pulse
// weights 1000, system type 1, cold water 5 and 15 °C, contract values
// 90/70/70 °C and 1.6 МПа, maximum flow 1500, ...). A write of 94 data bytes
// is kept when the write result (SimSettings::writeResult) is 0; with another
// result it is answered and forgotten. A write of another length gets no
// answer.
//
// Archives: a daily ring of 366 and an hourly ring of 1081 positions, both
// full. The position written last holds the record of today (written at
// 00:00) or of the current hour; each position before it one day or one hour
// earlier, wrapping round the ring, so the position right after the last
// written one holds the oldest record. Command 21 reports each last-written
// position plus 1. A last-written position outside its ring (-1 included) is
// reported as it is, and that ring is then laid out as a ring whose top
// position holds the newest record. A record request for a position outside
// the ring is answered with a record of zeros (a valid frame that carries no
// date); a record request without exactly 2 data bytes gets no answer.
//
// With the computer's clock the device keeps writing: each new hour and each
// new day moves the last-written positions on. A record is a function of the
// hour it was written at only, so records already in the ring never change.
//
// The archive and the state are made up but consistent: cumulative heat and
// volumes rise with time (faster in winter), period values are the rise of
// the cumulative values over the period, operating time counts the hours
// since the device was installed (800 days before it was switched on), and a
// few hours carry error codes and fatal-error minutes. Everything is seeded
// from the type and serial number, so equal options give equal answers.
// Types 235 and 237 serve one heat system: the system 2 values are 0.

namespace omi::sim34 {

inline constexpr int kDailyPositions = 366;
inline constexpr int kHourlyPositions = 1081;
// The last-written positions when the options do not set them.
inline constexpr int kDefaultDailyCurrent = 200;
inline constexpr int kDefaultHourlyCurrent = 700;

}  // namespace omi::sim34
