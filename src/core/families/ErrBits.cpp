#include "families/ErrBits.h"

#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "protocol/Models.h"

namespace omi {

QString ErrBitsText(std::int32_t code, const QStringList& table) {
    // Walking the bits from the lowest is the same as reading the code's
    // hexadecimal digits as groups of four binary digits from the last one.
    const auto bits = static_cast<std::uint32_t>(code);
    QString text;
    for (int b = 0; b < 32; ++b) {
        if (!(bits & (std::uint32_t{1} << b))) continue;
        text += QStringLiteral("Код=") + QString::number(std::uint32_t{1} << b) + QStringLiteral(":\n\r");
        text += b + 1 < table.size() ? table[b + 1] : QStringLiteral("неизвестный");
        text += QStringLiteral("\n\r");
    }
    if (text.isEmpty() && !table.isEmpty()) return table.front();
    return text;
}

const QStringList* ErrorTextTable(int deviceType, ErrorTag tag) {
    if (tag == ErrorTag::None) return nullptr;
    switch (FamilyOf(deviceType)) {
        case Family::F234:
            return tag == ErrorTag::Device ? &u34::DeviceErrorTexts() : &u34::SystemErrorTexts();
        case Family::F229:
            return tag == ErrorTag::Device ? &u29::DeviceErrorTexts() : &u29::SystemErrorTexts();
        case Family::F228:
            return tag == ErrorTag::Device ? &u28::DeviceErrorTexts() : &u28::SystemErrorTexts();
        case Family::F227:
            return tag == ErrorTag::Device ? &u27::ErrorTexts() : nullptr;
        case Family::F225:
            return tag == ErrorTag::Device ? &u25::ErrorTexts() : nullptr;
        default:
            return nullptr;
    }
}

}  // namespace omi
