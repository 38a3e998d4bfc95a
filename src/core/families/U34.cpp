// Family 234/235: decoders, configuration writer, texts and defaults.

#include "families/U34.h"

namespace omi::u34 {

namespace {

// The checks of a family 234 response, in the order the device's answers are
// judged; every finding is appended. deviceTypeTest only for the state.
QString validate(const Frame& r, int length, int command, const char* formatText, bool deviceTypeTest) {
    QString message;
    const bool formatOk = !r.empty() && r[0] == length && static_cast<int>(r.size()) == length && r.size() > 4 &&
                          r[4] == command;
    if (!formatOk) message += QString::fromUtf8(formatText);
    if (!CheckFrameSum(r)) message += QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    if (deviceTypeTest && (r.size() < 2 || r[1] != CurrentType()))
        message += QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    if (r.size() < 4 || GetW(r, 2) != CurrentSerial()) message += QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    return message;
}

}  // namespace

QString DecState(const Frame& response, StatePair& pair) {
    QString m = validate(response, kStateLength, cmd::State, "unit U34:function DecState: erundec ", true);
    if (!m.isEmpty()) return m;
    DecodeFields(response, StateLayout(), pair);
    return {};
}

QString DecParam(const Frame& response, ConfigPair& pair) {
    QString m = validate(response, kConfigLength, cmd::ReadConfig, "unit Upo:function DecParam: erundec ", false);
    if (!m.isEmpty()) return m;
    DecodeFields(response, ConfigLayout(), pair);
    return {};
}

QString DecArh(const Frame& response, ArchiveEntry& entry) {
    QString m = validate(response, kArchiveLength, cmd::ArchiveRecord, "unit Upo:function DecArh: erundec ", false);
    if (!m.isEmpty()) return m;
    DecodeArchiveFields(response, ArchiveLayout(), kRecord, entry);
    return {};
}

}  // namespace omi::u34
