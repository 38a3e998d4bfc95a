#pragma once
// Request and response frames of the calculator protocol:
//   [length][device type][serial lo][serial hi][command][data...][check byte]
// Multi-byte fields are little-endian; the check byte is the negated 8-bit
// sum of every byte before it.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

namespace omi {

using Frame = std::vector<std::uint8_t>;

constexpr int kMinFrame = 6;
constexpr int kMaxFrame = 255;
constexpr int kMaxData = kMaxFrame - kMinFrame;  // 249

// Command codes used by the tool.
namespace cmd {
constexpr int NumberType = 0;
constexpr int State = 1;
constexpr int ClearArchives = 2;  // ЛОРС: network number
constexpr int ArchiveRecord = 3;
constexpr int WriteConfig = 4;
constexpr int ReadConfig = 5;
constexpr int StartWorkTime = 6;
constexpr int Init = 9;
constexpr int SetClock = 11;
constexpr int ChangeLog = 12;
constexpr int Calibration = 13;
constexpr int ArchiveBegin = 20;
constexpr int ArchivePointers = 21;
constexpr int NetworkNumber = 240;
constexpr int ArchiveEnd = 254;
constexpr int LorsWriteConfig = 255;
}  // namespace cmd

// Raised by the field codec on an access past the end of a frame. Decoders
// validate lengths first, so this only fires on a programming error; it never
// leaves the core.
class FrameAccessError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// The address of one device on a line: its serial (network) number and its
// device type; -1/-1 while no device is known.
struct DeviceAddress {
    int serial = -1;
    int type = -1;
    bool operator==(const DeviceAddress&) const = default;
};

bool ValidNoTu(long long serial, long long type);
// The device a request is addressed to (-1/-1 for a frame too short).
DeviceAddress AddressOf(const Frame& request);

std::uint8_t FrameCheckByte(const std::uint8_t* bytes, std::size_t count);
std::uint8_t FrameCheckByte(const Frame& bytes);
bool CheckFrameSum(const Frame& frame);

// Field codec. Offsets count from the length byte; any byte past the end is
// refused with FrameAccessError.
std::uint16_t GetW(const Frame& frame, int offset);
std::int32_t GetL(const Frame& frame, int offset);
double GetS(const Frame& frame, int offset);
void PutW(std::uint16_t value, Frame& frame, int offset);
void PutL(std::int32_t value, Frame& frame, int offset);
void PutS(double value, Frame& frame, int offset);

// Builds a request to a device. Empty optional (and *error set) when the data
// is too long or the address is out of byte/word range.
std::optional<Frame> BuildFrame(const DeviceAddress& to, int command, const Frame& data = {},
                                QString* error = nullptr);

// The number/type request: addressed to the device when both parts of the
// address are positive, otherwise the broadcast frame 6,0,0,0,0,250.
Frame NoTuRequest(const DeviceAddress& to);
extern const Frame kBroadcastNoTu;

struct NoTu {
    int serial = -1;
    int type = -1;
    QString message;  // empty on success
};
NoTu DecNoTu(const Frame& response);

// The checks of a response, in the order the device's answers are judged;
// every finding is appended: format (length byte, byte count, command code)
// -> formatText; check byte; device type (only when deviceTypeTest); serial
// number, both against the device asked. Empty: accepted.
QString ValidateAnswer(const Frame& response, const DeviceAddress& from, int length, int command,
                       const QString& formatText, bool deviceTypeTest = true);
// The same with the format text "НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА " and the
// command code, the device type tested.
QString ValidateFrame(const Frame& response, const DeviceAddress& from, int expectedLength, int command);

QByteArray FrameToString(const Frame& frame);
Frame StringToFrame(const QByteArray& bytes);
QString FrameToDecimal(const Frame& frame);

}  // namespace omi
