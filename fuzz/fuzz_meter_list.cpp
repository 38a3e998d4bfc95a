// Meter lists the operator edits: whatever the text, parsing never crashes,
// every meter it keeps is one that can be collected (a name, one line, a
// number in range, a known type or none, some archive), and every line it
// refuses is reported by its number.
//
// Input: the list file's bytes (UTF-8 text).

#include "FuzzSupport.h"

#include "families/DeviceFamily.h"
#include "store/MeterList.h"

#include <cstdlib>

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const MeterList list = ParseMeterList(text);
    if (!list.fatal.isEmpty() && !list.meters.empty()) std::abort();
    for (const Meter& m : list.meters) {
        if (m.name.isEmpty() || m.port.isEmpty() == m.udpHost.isEmpty()) std::abort();
        if (m.serial < 1 || m.serial > 65535) std::abort();
        if (m.type != -1 && !DescriptorOf(m.type)) std::abort();
        if (!m.daily && !m.hourly) std::abort();
        if (m.dataBits < 5 || m.dataBits > 8 || m.lineNumber < 1) std::abort();
        if (m.LineKey().isEmpty() || m.LinkText().isEmpty()) std::abort();
    }
    for (const QString& e : list.errors)
        if (!e.startsWith(QStringLiteral("строка "))) std::abort();
    return 0;
}
