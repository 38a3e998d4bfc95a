#include "support/HexBytes.h"

namespace omi {

namespace {

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool isByteSeparator(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char(':') || c == QLatin1Char(','); }

}  // namespace

std::optional<QByteArray> ParseHexBytes(const QString& text) {
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (isByteSeparator(text[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

}  // namespace omi
