#include <gtest/gtest.h>

#include "support/HexBytes.h"

namespace omi {
namespace {

// Whole pairs of hex digits, with or without separators, are bytes; any
// other character refuses the whole text. (QByteArray::fromHex skips what it
// cannot read: "e8 0g 03" would become E8 00 30, every byte after the damage
// shifted by a digit.)
TEST(HexBytes, StrictPairsOrNothing) {
    const struct {
        const char* text;
        std::optional<QByteArray> bytes;
    } cases[] = {
        {"", QByteArray()},
        {"e8 03", QByteArray("\xE8\x03", 2)},
        {"E803", QByteArray("\xE8\x03", 2)},
        {"e8:03,00", QByteArray("\xE8\x03\x00", 3)},
        {"e8 0g 03", std::nullopt},  // a digit changed to a letter
        {"e8 03 g", std::nullopt},   // a stray letter at the end
        {"e8 0 03", std::nullopt},   // a digit without its pair
        {"e8 03 0", std::nullopt},   // an odd digit at the end
        {"e8\n03", std::nullopt},    // a separator the file does not use
        {"e8 03 ё", std::nullopt},   // not Latin at all
        {"0x e8", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHexBytes(QString::fromUtf8(c.text)), c.bytes) << c.text;
}

}  // namespace
}  // namespace omi
