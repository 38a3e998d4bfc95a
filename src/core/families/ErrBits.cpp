#include "families/ErrBits.h"

#include "archives/ArchiveFamily.h"
#include "families/DeviceFamily.h"

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
    const DeviceFamily* family = FamilyFor(deviceType);
    if (!family || tag == ErrorTag::None) return nullptr;
    const auto texts = tag == ErrorTag::Device ? family->deviceErrors : family->systemErrors;
    return texts ? &texts() : nullptr;
}

ErrorTag ErrorColumnTag(int deviceType, const QString& heading2) {
    const ArchiveFamily* family = ArchiveFamilyOf(deviceType);
    if (!family) return ErrorTag::None;
    const QString wanted = heading2.trimmed();
    for (const ArchiveColumn& column : family->columns)
        if (column.error != ErrorTag::None && QString::fromUtf8(column.header2).trimmed() == wanted)
            return column.error;
    return ErrorTag::None;
}

}  // namespace omi
