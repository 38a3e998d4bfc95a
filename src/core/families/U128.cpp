// ЛОРС (device type 128): decoder, write requests, texts and the state
// imitation.

#include "families/U128.h"

#include <cmath>

#include "families/RandNorm.h"
#include "support/Format.h"

namespace omi::u128 {

std::int32_t LitresPerPulse(int weight) {
    if (weight > 3) return 0;  // 0.1 l and less round to 0
    return static_cast<std::int32_t>(std::lround(std::pow(10.0, 3 - weight)));
}

void Derive(Record& rec) {
    for (int i = 0; i < kChannels; ++i) {
        rec.litresPerPulse[i] = LitresPerPulse(rec.weights[i]);
        const std::int64_t total = static_cast<std::int64_t>(rec.pulses[i]) * rec.litresPerPulse[i];
        rec.totals[i] = static_cast<double>(total);
    }
}

namespace {

// The 31-byte answer as a table: what it carries per channel and the
// channel count. Bytes 5-6 and 28-29 are not decoded.
const FrameField<Record> kAnswerFields[] = {
    {off::kPulses, kAbsent, Wire::Long, &Record::pulses, 0, 4},
    {off::kWeights, kAbsent, Wire::Byte, &Record::weights, 0, 1},
    {off::kChannelCount, kAbsent, Wire::Byte, &Record::channels},
};

}  // namespace

std::span<const FrameField<Record>> AnswerLayout() { return kAnswerFields; }

QString DecState(const Frame& response, const DeviceAddress& from, Record& rec) {
    QString m = ValidateFrame(response, from, kStateLength, cmd::State);
    if (!m.isEmpty()) return m;
    RecordPair<Record> pair{rec, rec};
    DecodeFields(response, AnswerLayout(), pair);
    Derive(pair[0]);
    rec = pair[0];
    return {};
}

QString DecParam(const Frame& response, const DeviceAddress& from, Record& rec) { return DecState(response, from, rec); }

// --- requests ---

std::optional<Frame> BuildLorsRequest(int serial, int command, int value, QString* error) {
    auto refuse = [&](const QString& text) -> std::optional<Frame> {
        if (error) *error = text;
        return std::nullopt;
    };
    if (command < 0 || command > 255) return refuse(QStringLiteral("BuildLorsRequest: неправильный код команды"));
    if (serial < 0 || serial > 65535) return refuse(QStringLiteral("BuildLorsRequest: неправильный номер прибора"));
    const bool carries = command == cmd::ClearArchives || command == cmd::LorsWriteConfig;
    if (carries && (value < 0 || value > 65535))
        return refuse(Format(QStringLiteral("BuildLorsRequest: значение %d вне пределов 0..65535"), {value}));
    const int data = carries ? value : 0;
    Frame f{static_cast<std::uint8_t>(kRequestLength), static_cast<std::uint8_t>(kType),
            static_cast<std::uint8_t>(serial & 0xFF),  static_cast<std::uint8_t>(serial >> 8),
            static_cast<std::uint8_t>(command),        static_cast<std::uint8_t>(data & 0xFF),
            static_cast<std::uint8_t>(data >> 8)};
    f.push_back(FrameCheckByte(f));
    if (error) error->clear();
    return f;
}

std::optional<Frame> ConfigWriteRequest(int serial, const Record& config, QString* error) {
    if (config.channels < 0 || config.channels > 255) {
        if (error) *error = Format(QStringLiteral("кол-во каналов %d вне пределов 0..255"), {config.channels});
        return std::nullopt;
    }
    int packed = 0;
    for (int i = kChannels - 1; i >= 0; --i) {
        const int w = config.weights[i];
        if (w > 3) {
            if (error) *error = Format(QStringLiteral("№ веса,%d кан = %d вне пределов 0..3"), {i + 1, w});
            return std::nullopt;
        }
        packed = packed * 4 + w;
    }
    return BuildLorsRequest(serial, cmd::LorsWriteConfig, config.channels | (packed << 8), error);
}

std::optional<Frame> NetworkNumberRequest(int serial, int number, QString* error) {
    if (number < 1 || number > 65535) {
        if (error) *error = QStringLiteral("новый номер должен быть от 1 до 65535");
        return std::nullopt;
    }
    return BuildLorsRequest(serial, cmd::ClearArchives, number, error);
}

Record WrittenConfig(const Frame& request, Record base) {
    if (request.size() < static_cast<std::size_t>(kRequestLength) - 1) return base;
    base.channels = request[5];
    for (int i = 0; i < kChannels; ++i) base.weights[i] = static_cast<std::uint8_t>((request[6] >> (2 * i)) & 3);
    return base;
}

Frame EncodeAnswer(const Record& rec, int word) {
    Frame f(kStateLength, 0);
    f[0] = kStateLength;
    PutW(static_cast<std::uint16_t>(word & 0xFFFF), f, off::kWord);
    EncodeFields(RecordPair<Record>{rec, rec}, AnswerLayout(), f);
    f[off::kSpare1] = 0;
    f[off::kSpare2] = 255;
    return f;
}

int ConfigWriteResult(const Frame& response, const Record& sent) {
    if (response.size() <= static_cast<std::size_t>(off::kChannelCount)) return 1;
    if (response[off::kChannelCount] != sent.channels) return 1;
    for (int i = 0; i < kChannels; ++i)
        if (response[static_cast<std::size_t>(off::kWeights + i)] != sent.weights[i]) return 1;
    return 0;
}

int NetworkNumberResult(const Frame& response, int number) {
    if (response.size() < 4) return 1;
    return GetW(response, 2) == number ? 0 : 1;
}

// --- texts ---

namespace {
QString code(std::int64_t v) { return Format(QStringLiteral("%d"), {v}); }
}  // namespace

QStringList StateToText(const Record& rec) {
    QStringList out{code(rec.channels)};
    for (auto v : rec.pulses) out << code(v);
    for (auto v : rec.weights) out << code(v);
    for (auto v : rec.litresPerPulse) out << code(v);
    for (auto v : rec.totals) out << DisplayReal(v);
    return out;
}

QStringList ParamToText(const Record& rec) {
    QStringList out{code(rec.channels)};
    for (auto v : rec.weights) out << code(v);
    return out;
}

// --- defaults and current records ---

Record DefaultConfig() { return Record{}; }



namespace {
// Lines in the order of StateToText: the channel count, then the pulse
// counts, weight numbers, litres per pulse and totals of channels 1..4.
const StateLine kLines[kStateLines] = {
    {"модификация ЛОРС (кол-во каналов) ", 300, 10, ErrorTag::None, 1, "модиф", "ЛОРС"},
    {"Импульсы,1 кан", 300, 40, ErrorTag::None, 1, "Импульс", "1 кан"},
    {"Импульсы,2 кан", 300, 70, ErrorTag::None, 1, "Импульс", "2 кан"},
    {"Импульсы,3 кан", 300, 100, ErrorTag::None, 1, "Импульс", "3 кан"},
    {"Импульсы,4 кан", 300, 130, ErrorTag::None, 1, "Импульс", "4 кан"},
    {"№ веса,1 кан", 500, 40, ErrorTag::None, 1, "№ веса", "1 кан"},
    {"№ веса,2 кан", 500, 70, ErrorTag::None, 1, "№ веса", "2 кан"},
    {"№ веса,3 кан", 500, 100, ErrorTag::None, 1, "№ веса", "3 кан"},
    {"№ веса,4 кан", 500, 130, ErrorTag::None, 1, "№ веса", "4 кан"},
    {"вес,1 кан", 700, 40, ErrorTag::None, 1, "вес", "1 кан"},
    {"вес,2 кан", 700, 70, ErrorTag::None, 1, "вес", "2 кан"},
    {"вес,3 кан", 700, 100, ErrorTag::None, 1, "вес", "3 кан"},
    {"вес,4 кан", 700, 130, ErrorTag::None, 1, "вес", "4 кан"},
    {"итого,1 кан", 900, 40, ErrorTag::None, 1, "итого", "1 кан"},
    {"итого,2 кан", 900, 70, ErrorTag::None, 1, "итого", "2 кан"},
    {"итого,3 кан", 900, 100, ErrorTag::None, 1, "итого", "3 кан"},
    {"итого,4 кан", 900, 130, ErrorTag::None, 1, "итого", "4 кан"},
};
}  // namespace

const StateLayoutTable& StateTable() {
    static const StateLayoutTable table{kLines, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, 0x0000FF};
    return table;
}

std::vector<bool> ShownStateLines(int channelCount) {
    std::vector<bool> shown(kStateLines, true);
    if (channelCount == kChannels) return shown;
    for (int k = 1; k < kStateLines; ++k) {
        const int channel = k % 4;
        shown[static_cast<std::size_t>(k)] = channel != 0 && channel <= channelCount;
    }
    return shown;
}

// --- imitation ---

Imitated ImitState(const Frame& request) {
    Imitated out;
    const int command = request.size() > 4 ? request[4] : -1;
    if (command != cmd::State && command != cmd::LorsWriteConfig) {
        out.message = QStringLiteral("unit U128:function ImitState: CMD erundec");
        return out;
    }
    Record rec = DefaultConfig();
    if (command == cmd::State) {
        rec.channels = 1 << RandInt(3);
        for (int i = 0; i < rec.channels; ++i) {
            rec.pulses[i] = static_cast<std::int32_t>(std::lround(100.0 * RandUniform()));
            rec.weights[i] = static_cast<std::uint8_t>(RandInt(4));
        }
    } else if (request.size() >= 7) {
        // The imitated device takes the configuration it was sent.
        rec.channels = request[5];
        for (int i = 0; i < kChannels; ++i) rec.weights[i] = static_cast<std::uint8_t>((request[6] >> (2 * i)) & 3);
    }

    Frame& f = out.frame;
    f.assign(kStateLength, 0);
    f[0] = kStateLength;
    for (int i = 1; i <= 4; ++i) f[i] = request[i];
    PutW(static_cast<std::uint16_t>(request[2] | (request[3] << 8)), f, off::kWord);
    EncodeFields(RecordPair<Record>{rec, rec}, AnswerLayout(), f);
    f[off::kSpare1] = 0;
    f[off::kSpare2] = 255;
    f.back() = FrameCheckByte(f.data(), f.size() - 1);
    return out;
}

}  // namespace omi::u128
