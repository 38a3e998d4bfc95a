#include "protocol/Frame.h"

#include <cstring>

namespace omi {

namespace {
void requireRange(const Frame& frame, int offset, int width, const char* what) {
    if (offset < 0 || static_cast<std::size_t>(offset) + width > frame.size())
        throw FrameAccessError(std::string(what) + ": offset past the end of the frame");
}
}  // namespace

const Frame kBroadcastNoTu{6, 0, 0, 0, 0, 250};

bool ValidNoTu(long long serial, long long type) {
    return serial >= 1 && serial <= 65535 && type >= 128 && type <= 237;
}

DeviceAddress AddressOf(const Frame& request) {
    if (request.size() < 4) return {};
    return {request[2] | (request[3] << 8), request[1]};
}

std::uint8_t FrameCheckByte(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(-sum);
}

std::uint8_t FrameCheckByte(const Frame& bytes) { return FrameCheckByte(bytes.data(), bytes.size()); }

bool CheckFrameSum(const Frame& frame) {
    if (frame.empty()) return false;
    return frame.back() == FrameCheckByte(frame.data(), frame.size() - 1);
}

std::uint16_t GetW(const Frame& frame, int offset) {
    requireRange(frame, offset, 2, "GetW");
    return static_cast<std::uint16_t>(frame[offset] | (frame[offset + 1] << 8));
}

std::int32_t GetL(const Frame& frame, int offset) {
    requireRange(frame, offset, 4, "GetL");
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | frame[offset + i];
    return static_cast<std::int32_t>(v);
}

double GetS(const Frame& frame, int offset) {
    requireRange(frame, offset, 4, "GetS");
    std::uint32_t bits = static_cast<std::uint32_t>(GetL(frame, offset));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void PutW(std::uint16_t value, Frame& frame, int offset) {
    requireRange(frame, offset, 2, "PutW");
    frame[offset] = value & 0xFF;
    frame[offset + 1] = value >> 8;
}

void PutL(std::int32_t value, Frame& frame, int offset) {
    requireRange(frame, offset, 4, "PutL");
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) frame[offset + i] = (v >> (8 * i)) & 0xFF;
}

void PutS(double value, Frame& frame, int offset) {
    requireRange(frame, offset, 4, "PutS");
    float f = static_cast<float>(value);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutL(static_cast<std::int32_t>(bits), frame, offset);
}

std::optional<Frame> BuildFrame(const DeviceAddress& to, int command, const Frame& data, QString* error) {
    auto refuse = [&](const char* text) -> std::optional<Frame> {
        if (error) *error = QString::fromUtf8(text);
        return std::nullopt;
    };
    if (data.size() > static_cast<std::size_t>(kMaxData)) return refuse("BuildFrame: данных больше 249 байт");
    if (to.type < 0 || to.type > 255) return refuse("BuildFrame: неправильный тип прибора");
    if (to.serial < 0 || to.serial > 65535) return refuse("BuildFrame: неправильный номер прибора");
    if (command < 0 || command > 255) return refuse("BuildFrame: неправильный код команды");
    Frame f;
    f.reserve(data.size() + kMinFrame);
    f.push_back(static_cast<std::uint8_t>(data.size() + kMinFrame));
    f.push_back(static_cast<std::uint8_t>(to.type));
    f.push_back(static_cast<std::uint8_t>(to.serial & 0xFF));
    f.push_back(static_cast<std::uint8_t>(to.serial >> 8));
    f.push_back(static_cast<std::uint8_t>(command));
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(FrameCheckByte(f));
    if (error) error->clear();
    return f;
}

Frame NoTuRequest(const DeviceAddress& to) {
    if (to.serial > 0 && to.type > 0) {
        if (auto f = BuildFrame(to, cmd::NumberType)) return *f;
    }
    return kBroadcastNoTu;
}

NoTu DecNoTu(const Frame& r) {
    NoTu out;
    if (r.empty() || r[0] != 6 || r.size() != r[0] || r[4] != 0)
        out.message = QStringLiteral("unit Upo:function DecNoTu: erundec ");
    if (!CheckFrameSum(r)) out.message += QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    if (out.message.isEmpty()) {
        out.type = r[1];
        out.serial = GetW(r, 2);
    }
    return out;
}

QString ValidateAnswer(const Frame& r, const DeviceAddress& from, int length, int command, const QString& formatText,
                       bool deviceTypeTest) {
    QString msg;
    const bool formatOk =
        !r.empty() && r[0] == length && static_cast<int>(r.size()) == length && r.size() > 4 && r[4] == command;
    if (!formatOk) msg = formatText;
    if (!CheckFrameSum(r)) msg += QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    if (deviceTypeTest && (r.size() < 2 || r[1] != from.type)) msg += QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    if (r.size() < 4 || GetW(r, 2) != from.serial) msg += QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    return msg;
}

QString ValidateFrame(const Frame& r, const DeviceAddress& from, int expectedLength, int command) {
    return ValidateAnswer(r, from, expectedLength, command,
                          QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ") + QString::number(command));
}

QByteArray FrameToString(const Frame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

Frame StringToFrame(const QByteArray& bytes) {
    return Frame(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                 reinterpret_cast<const std::uint8_t*>(bytes.constData()) + bytes.size());
}

QString FrameToDecimal(const Frame& frame) {
    QString s;
    for (auto b : frame) s += QString::number(b) + QLatin1Char('|');
    return s;
}

}  // namespace omi
