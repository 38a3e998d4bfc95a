#pragma once
// Driver of the ЛОРС pulse-input water-metering unit (device type 128): 1, 2
// or 4 channels, each counting the pulses of a water meter; a weight number
// per channel says how many litres one pulse stands for (10^(3 - w)).
//
// One 31-byte answer to command 1 serves both the state and the configuration.
// Writes use the device's own eight-byte requests with two data bytes: the
// configuration (255) and the network number (2). A write is confirmed by the
// content of the answer, not by a result byte.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "families/Layout.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"

namespace omi::u128 {

inline constexpr int kType = 128;
inline constexpr int kChannels = 4;
inline constexpr int kStateLength = 31;   // answer to commands 1 and 255
inline constexpr int kRequestLength = 8;  // the device's write requests
inline constexpr int kStateLines = 17;    // StateToText strings

// Frame offsets of the 31-byte answer.
namespace off {
inline constexpr int kWord = 5;      // not decoded (the imitation puts the serial number here)
inline constexpr int kPulses = 7;    // 4 × 32-bit integer
inline constexpr int kWeights = 23;  // 4 × byte
inline constexpr int kChannelCount = 27;
inline constexpr int kSpare1 = 28, kSpare2 = 29;  // not decoded
}  // namespace off

// The driver's one record layout, used for the state and the configuration.
// litresPerPulse and totals follow from the pulses and weight numbers.
struct Record {
    std::int32_t channels = 4;
    std::array<std::int32_t, kChannels> pulses{};
    std::array<std::uint8_t, kChannels> weights{};
    std::array<std::int32_t, kChannels> litresPerPulse{};
    std::array<double, kChannels> totals{};  // litres, pulses × litres per pulse
};

// 10^(3 - w) rounded: 1000, 100, 10, 1 for 0..3; 0 for 4 and above.
std::int32_t LitresPerPulse(int weight);
// Sets litresPerPulse and totals from pulses and weights.
void Derive(Record& rec);

// The fields of the 31-byte answer (commands 1 and 255): pulse counts and
// weight numbers per channel, channel count.
std::span<const FrameField<Record>> AnswerLayout();

// Decoders of the 31-byte answer to command 1 (common validation, length 31,
// command 1). Empty message: the record was replaced; otherwise it is left
// unchanged. DecParam reads the configuration from the same answer.
QString DecState(const Frame& response, const DeviceAddress& from, Record& rec);
QString DecParam(const Frame& response, const DeviceAddress& from, Record& rec);

// The eight-byte request to the device of a serial number (type byte 128): length 8,
// 128, serial number, command, two data bytes, check byte. The data bytes are
// value's low and high byte for the network number (2) and the configuration
// write (255), zeros for any other command. Refused (empty, *error set) for a
// value outside 0..65535 or a serial number outside 0..65535.
std::optional<Frame> BuildLorsRequest(int serial, int command, int value = 0, QString* error = nullptr);

// The configuration write (255): channel count, then the weight numbers
// packed two bits each (w1 + 4·w2 + 16·w3 + 64·w4). Only weight numbers 0..3
// can be carried: any channel's weight number outside 0..3 (or a channel
// count outside 0..255) refuses the write, so nothing is sent and no other
// channel's weight is changed by an overflowing field.
std::optional<Frame> ConfigWriteRequest(int serial, const Record& config, QString* error = nullptr);

// The network number request (2): the new number, low byte then high byte.
// Numbers outside 1..65535 are refused.
std::optional<Frame> NetworkNumberRequest(int serial, int number, QString* error = nullptr);

// The 31-byte answer to commands 1 and 255 that carries rec: the word at
// bytes 5-6 (not decoded), the pulse counts and weight numbers of the four
// channels, the channel count, spare bytes 0 and 255. Bytes 1..4 and the
// check byte stay 0: the answering side addresses and finishes the frame.
Frame EncodeAnswer(const Record& rec, int word);

// The channel count and weight numbers that a configuration write (255)
// carries, put into base: the inverse of ConfigWriteRequest. A request
// without its two data bytes leaves base as it is.
Record WrittenConfig(const Frame& request, Record base);

// Results of the writes, judged from the answer's content: 0 when the answer
// carries the channel count (byte 27) and the four weight numbers (bytes
// 23..26) just sent, 1 otherwise (a short answer included).
int ConfigWriteResult(const Frame& response, const Record& sent);
// 0 when the answer's serial number field (bytes 2, 3) is the new number.
int NetworkNumberResult(const Frame& response, int number);

// Texts. State: channel count, pulse counts 1..4, weight numbers 1..4,
// litres per pulse 1..4 ("%d"), totals 1..4 (display format) — 17 strings.
QStringList StateToText(const Record& rec);
// Configuration page: channel count and the weight numbers 1..4 ("%d").
QStringList ParamToText(const Record& rec);

// The record until the first successful read: channel count 4, all else 0.
Record DefaultConfig();

// The records of one device as a connection holds them: the state view's and
// the configuration page's (kept apart so that polling the state does not
// undo the page's edits).
struct Records {
    Record state = DefaultConfig();
    Record config = DefaultConfig();
};

// The state view's table (17 lines, blue labels, grid columns 1..17).
const StateLayoutTable& StateTable();

// Which of the 17 state lines are shown for a channel count: line 0 always;
// line k ≥ 1 unless k mod 4 is 0 or above the count; all with count 4.
std::vector<bool> ShownStateLines(int channelCount);

// The imitated answer to a ЛОРС request. Command 1: random channel count
// (1, 2 or 4), pulse counts 0..100 and weight numbers 0..3 for the channels up
// to the count. Command 255: the configuration the request carries, pulse
// counts 0 (the imitated device accepts the write). Bytes 1..4 come from the
// request, the check byte is set. Any other command: no frame and the message
// "unit U128:function ImitState: CMD erundec".
struct Imitated {
    Frame frame;
    QString message;
};
Imitated ImitState(const Frame& request);

}  // namespace omi::u128
