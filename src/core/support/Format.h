#pragma once
// One formatter for every formatted text of the program, with the classic
// Pascal-style specifiers and Russian number conventions whatever the
// system locale says.
//
//   "%" [index ":"] ["-"] [width] ["." precision] type        "%%" is a "%"
//
// index, width and precision are numbers 0..99 or "*" (taken from the next
// argument, which must be an integer 0..99). Types (upper or lower case):
//   d  decimal integer; precision = minimum digits, zero padded ("%.2d" 7 -> "07")
//   u  unsigned decimal (a negative integer is shown as its 32-bit, or for
//      values below the 32-bit range 64-bit, two's complement)
//   x  hexadecimal, upper case; precision pads with zeros
//   p  hexadecimal with 8 digits (16 for values above 32 bits)
//   f  fixed point; precision = decimals, 2 when not given ("%f" 1.5 -> "1,50")
//   e  scientific; precision = significant digits, 15 when not given:
//      "%e" 1000 -> "1,00000000000000E+003"
//   g  shortest of fixed and scientific with up to 15 significant digits,
//      no trailing zeros: "%g" 0.5 -> "0,5", 1e-6 -> "1E-6"
//   n  as f with thousands grouped by a plain blank ("1 234 567,89"); a plain
//      blank rather than the non-breaking one keeps texts and grids readable
//      and survives every code page
//   m  as n followed by " р."
//   s  text; precision = maximum number of characters. "%S" is the same.
// width pads with blanks on the left, or on the right after "-".
// The decimal separator is always a comma.
//
// Reals are first rounded to 15 significant digits (what a double reliably
// holds), then to the requested digits, halves away from zero: 2.675 with
// "%.2f" gives "2,68". A fixed-point value with more than 15 integer digits
// is written as with "%g". NaN and infinities read "NAN", "INF", "-INF".
//
// Format texts may come from files and users, so nothing here can crash,
// throw, or build a huge string:
//   - a real for d, u, x, p is rounded to the nearest integer (report items
//     print real values with "%d");
//   - an integer for e, f, g, n, m is used as a real; a number for s is
//     written as by "%d" or "%g";
//   - a missing argument, a text where a number is expected, or a real that
//     has no integer value (NaN, infinity, beyond 64 bits) gives "?"
//     (FormatMissing);
//   - a malformed specifier (unknown type, nothing after "%", an index,
//     width or precision above 99, a "*" without a fitting argument) gives
//     "%?" (FormatInvalid) and the text goes on after it.

#include <QLatin1String>
#include <QList>
#include <QString>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace omi {

inline constexpr int kFormatMaxField = 99;
extern const QString FormatMissing;  // "?"
extern const QString FormatInvalid;  // "%?"

class FormatArg {
public:
    enum class Kind { Int, UInt, Real, Text };

    template <std::integral T>
    FormatArg(T v) {  // NOLINT(google-explicit-constructor): arguments convert implicitly
        if constexpr (std::is_signed_v<T>) {
            int_ = static_cast<std::int64_t>(v);
        } else if (static_cast<std::uint64_t>(v) > static_cast<std::uint64_t>(INT64_MAX)) {
            kind_ = Kind::UInt;
            uint_ = static_cast<std::uint64_t>(v);
        } else {
            int_ = static_cast<std::int64_t>(v);
        }
    }
    template <std::floating_point T>
    FormatArg(T v) : kind_(Kind::Real), real_(static_cast<double>(v)) {}  // NOLINT
    FormatArg(const QString& s) : kind_(Kind::Text), text_(s) {}          // NOLINT
    FormatArg(QLatin1String s) : kind_(Kind::Text), text_(s) {}           // NOLINT
    FormatArg(QChar c) : kind_(Kind::Text), text_(c) {}                    // NOLINT
    FormatArg(const char* utf8) : kind_(Kind::Text), text_(QString::fromUtf8(utf8)) {}  // NOLINT
    FormatArg(const std::string& utf8) : kind_(Kind::Text), text_(QString::fromStdString(utf8)) {}  // NOLINT

    Kind kind() const { return kind_; }
    std::int64_t intValue() const { return int_; }
    std::uint64_t uintValue() const { return uint_; }
    double realValue() const { return real_; }
    const QString& text() const { return text_; }

private:
    Kind kind_ = Kind::Int;
    std::int64_t int_ = 0;
    std::uint64_t uint_ = 0;
    double real_ = 0;
    QString text_;
};

QString Format(const QString& fmt, std::span<const FormatArg> args);
inline QString Format(const QString& fmt, std::initializer_list<FormatArg> args = {}) {
    return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()));
}
inline QString Format(const QString& fmt, const QList<FormatArg>& args) {
    return Format(fmt, std::span<const FormatArg>(args.constData(), static_cast<std::size_t>(args.size())));
}

// True when every specifier of fmt is well formed (whether the arguments
// will fit is not known here). Otherwise why (when given) gets a Russian text
// naming the position (from 1) and the fault.
bool ValidFormatText(const QString& fmt, QString* why = nullptr);

// The same as Format("%.<decimals>f", v); decimals is held to 0..99.
QString FormatFloat(double v, int decimals);

// The process-wide display format of reals: "%f" at start, "%.<N>f" once the
// user picks N decimals. State, configuration and archive texts use it.
QString DisplayFormat();
void SetDisplayFormat(const QString& fmt);
// "%f" for decimals < 0, "%.<decimals>f" otherwise.
void SetDisplayDecimals(int decimals);
// v formatted with the display format.
QString DisplayReal(double v);

}  // namespace omi
