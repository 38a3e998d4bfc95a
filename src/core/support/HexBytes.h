#pragma once
// Bytes written in hex, as a saved configuration and the command line carry
// them. The reading is strict: a text that is not wholly hex pairs is refused
// rather than read in part.

#include <QByteArray>
#include <QString>
#include <optional>

namespace omi {

// Pairs of hex digits, blanks, ':' or ',' allowed between bytes ("01 80",
// "0180", "01:80"); nothing for any other text (a digit without its pair, a
// character that is not a hex digit). An empty text is no bytes.
std::optional<QByteArray> ParseHexBytes(const QString& text);

}  // namespace omi
