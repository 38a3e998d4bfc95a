#include "support/Format.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace omi {

const QString FormatMissing = QStringLiteral("?");
const QString FormatInvalid = QStringLiteral("%?");

namespace {

constexpr int kRealDigits = 15;  // significant digits a double reliably holds

// ---------------------------------------------------------------- reals

// A real as decimal digits: value = 0.<digits> x 10^exp, no trailing zeros in
// digits; empty digits mean zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exp = 0;
};

void TrimZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) {
        d.negative = false;
        d.exp = 0;
    }
}

// The finite value v rounded to 15 significant digits.
Decimal ToDecimal(double v) {
    Decimal d;
    d.negative = std::signbit(v);
    v = std::fabs(v);
    if (v == 0) {
        d.negative = false;
        return d;
    }
    // d.ddddde+XX, correctly rounded; to_chars gives the same text as
    // fmt's "{:.14e}" several times faster, which long archive tables feel.
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, kRealDigits - 1);
    const std::string_view s(buf, static_cast<std::size_t>(written.ptr - buf));
    const auto e = s.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (s[i] >= '0' && s[i] <= '9') d.digits.push_back(s[i]);
    int exponent = 0;
    bool minus = false;
    for (std::size_t i = e + 1; i < s.size(); ++i) {
        if (s[i] == '-') minus = true;
        else if (s[i] >= '0' && s[i] <= '9') exponent = exponent * 10 + (s[i] - '0');
    }
    d.exp = (minus ? -exponent : exponent) + 1;
    TrimZeros(d);
    return d;
}

// Keeps `keep` significant digits (may be zero or negative), halves away from zero.
void RoundTo(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        TrimZeros(d);
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    TrimZeros(d);
}

char DigitAt(const Decimal& d, int i) {
    return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits[static_cast<std::size_t>(i)] : '0';
}

std::string GroupThousands(const std::string& integer) {
    std::string out;
    const int n = static_cast<int>(integer.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(' ');
        out.push_back(integer[static_cast<std::size_t>(i)]);
    }
    return out;
}

const char* NonFinite(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    return nullptr;
}

std::string General(double v, int precision) {
    if (const char* s = NonFinite(v)) return s;
    Decimal d = ToDecimal(v);
    RoundTo(d, precision);
    if (d.digits.empty()) return "0";
    std::string out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exp > precision || d.exp < -4) {
        out.push_back(d.digits[0]);
        if (n > 1) out += "," + d.digits.substr(1);
        out += "E" + std::to_string(d.exp - 1);
        return out;
    }
    if (d.exp <= 0) {
        out += "0," + std::string(static_cast<std::size_t>(-d.exp), '0') + d.digits;
        return out;
    }
    for (int i = 0; i < d.exp; ++i) out.push_back(DigitAt(d, i));
    if (n > d.exp) out += "," + d.digits.substr(static_cast<std::size_t>(d.exp));
    return out;
}

std::string Fixed(double v, int decimals, bool grouped) {
    if (const char* s = NonFinite(v)) return s;
    Decimal d = ToDecimal(v);
    if (d.exp > kRealDigits) return General(v, kRealDigits);
    RoundTo(d, d.exp + decimals);
    std::string integer;
    if (d.exp <= 0) integer = "0";
    for (int i = 0; i < d.exp; ++i) integer.push_back(DigitAt(d, i));
    std::string out = d.negative ? "-" : "";
    out += grouped ? GroupThousands(integer) : integer;
    if (decimals > 0) {
        out.push_back(',');
        for (int j = 0; j < decimals; ++j) out.push_back(DigitAt(d, d.exp + j));
    }
    return out;
}

std::string Scientific(double v, int precision) {
    if (const char* s = NonFinite(v)) return s;
    Decimal d = ToDecimal(v);
    RoundTo(d, precision);
    std::string out = d.negative ? "-" : "";
    out.push_back(DigitAt(d, 0));
    if (precision > 1) {
        out.push_back(',');
        for (int i = 1; i < precision; ++i) out.push_back(DigitAt(d, i));
    }
    const int e = d.digits.empty() ? 0 : d.exp - 1;
    out += fmt::format("E{}{:03}", e < 0 ? '-' : '+', std::abs(e));
    return out;
}

// ---------------------------------------------------------------- integers

// An integral argument as sign and magnitude; false when there is none.
struct Integer {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

bool ToInteger(const FormatArg& a, Integer& out) {
    switch (a.kind()) {
    case FormatArg::Kind::Int: {
        const std::int64_t v = a.intValue();
        out.negative = v < 0;
        out.magnitude = out.negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        return true;
    }
    case FormatArg::Kind::UInt:
        out.negative = false;
        out.magnitude = a.uintValue();
        return true;
    case FormatArg::Kind::Real: {
        const double r = std::round(a.realValue());
        if (!std::isfinite(r) || std::fabs(r) >= 18446744073709551616.0) return false;
        out.negative = r < 0;
        out.magnitude = static_cast<std::uint64_t>(std::fabs(r));
        if (out.magnitude == 0) out.negative = false;
        return true;
    }
    case FormatArg::Kind::Text:
        return false;
    }
    return false;
}

// The bits of a negative integer read as unsigned: 32 bits while the value
// fits, 64 bits below that.
std::uint64_t AsUnsigned(const Integer& v) {
    if (!v.negative) return v.magnitude;
    if (v.magnitude <= 0x80000000ULL) return 0x100000000ULL - v.magnitude;
    return 0 - v.magnitude;
}

std::string ZeroPad(std::string digits, int precision) {
    if (precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    return digits;
}

bool ToReal(const FormatArg& a, double& out) {
    switch (a.kind()) {
    case FormatArg::Kind::Int: out = static_cast<double>(a.intValue()); return true;
    case FormatArg::Kind::UInt: out = static_cast<double>(a.uintValue()); return true;
    case FormatArg::Kind::Real: out = a.realValue(); return true;
    case FormatArg::Kind::Text: return false;
    }
    return false;
}

// ---------------------------------------------------------------- specifiers

struct Specifier {
    int index = -1;
    bool indexStar = false;
    bool left = false;
    int width = -1;
    bool widthStar = false;
    int precision = -1;
    bool precisionStar = false;
    char type = 0;  // lower case
    QString fault;  // empty when well formed
    qsizetype end = 0;
};

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

enum class Field { None, Number, Star };

// Reads a number (saturated just above the limit) or "*" at p.
Field ReadField(const QString& f, qsizetype& p, int& value) {
    if (p < f.size() && f[p] == QLatin1Char('*')) {
        ++p;
        return Field::Star;
    }
    if (p >= f.size() || !IsAsciiDigit(f[p])) return Field::None;
    value = 0;
    while (p < f.size() && IsAsciiDigit(f[p])) {
        value = std::min(value * 10 + (f[p].unicode() - '0'), kFormatMaxField + 1);
        ++p;
    }
    return Field::Number;
}

// Parses the specifier whose "%" is at start.
Specifier ParseSpecifier(const QString& f, qsizetype start) {
    Specifier s;
    qsizetype p = start + 1;
    bool tooBig = false;
    int value = 0;
    Field field = ReadField(f, p, value);
    if (field != Field::None && p < f.size() && f[p] == QLatin1Char(':')) {
        ++p;
        s.indexStar = field == Field::Star;
        if (field == Field::Number) {
            s.index = value;
            tooBig |= value > kFormatMaxField;
        }
        field = Field::None;
    }
    if (field == Field::None) {
        if (p < f.size() && f[p] == QLatin1Char('-')) {
            s.left = true;
            ++p;
        }
        field = ReadField(f, p, value);
    }
    s.widthStar = field == Field::Star;
    if (field == Field::Number) {
        s.width = value;
        tooBig |= value > kFormatMaxField;
    }
    if (p < f.size() && f[p] == QLatin1Char('.')) {
        ++p;
        field = ReadField(f, p, value);
        s.precisionStar = field == Field::Star;
        s.precision = field == Field::Number ? value : 0;
        tooBig |= field == Field::Number && value > kFormatMaxField;
    }
    if (p >= f.size()) {
        s.fault = QStringLiteral("нет типа после %");
        s.end = p;
        return s;
    }
    const QChar t = f[p].toLower();
    const bool known = t.unicode() < 128 && std::string_view("duxpefgnms").find(static_cast<char>(t.unicode())) != std::string_view::npos;
    if (!known) {
        s.fault = QStringLiteral("неизвестный тип «") + f[p] + QStringLiteral("»");
        // A letter is taken as the (bad) type; anything else stays in the text.
        s.end = f[p].isLetter() ? p + 1 : p;
        return s;
    }
    s.type = static_cast<char>(t.unicode());
    s.end = p + 1;
    if (tooBig) s.fault = QStringLiteral("число больше 99");
    return s;
}

QString Latin(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// The text of one argument for a well-formed specifier.
QString Render(const Specifier& s, const FormatArg* a) {
    if (!a) return FormatMissing;
    switch (s.type) {
    case 'd': {
        Integer v;
        if (!ToInteger(*a, v)) return FormatMissing;
        return Latin((v.negative ? "-" : "") + ZeroPad(fmt::format("{}", v.magnitude), s.precision));
    }
    case 'u': {
        Integer v;
        if (!ToInteger(*a, v)) return FormatMissing;
        return Latin(ZeroPad(fmt::format("{}", AsUnsigned(v)), s.precision));
    }
    case 'x':
    case 'p': {
        Integer v;
        if (!ToInteger(*a, v)) return FormatMissing;
        const std::uint64_t u = AsUnsigned(v);
        int precision = s.precision;
        if (s.type == 'p' && precision < 0) precision = u > 0xFFFFFFFFULL ? 16 : 8;
        return Latin(ZeroPad(fmt::format("{:X}", u), precision));
    }
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm': {
        double v = 0;
        if (!ToReal(*a, v)) return FormatMissing;
        if (s.type == 'e' || s.type == 'g') {
            const int precision = s.precision < 0 ? kRealDigits : std::clamp(s.precision, 1, kRealDigits);
            return Latin(s.type == 'e' ? Scientific(v, precision) : General(v, precision));
        }
        const int decimals = s.precision < 0 ? 2 : s.precision;
        QString out = Latin(Fixed(v, decimals, s.type != 'f'));
        if (s.type == 'm') out += QStringLiteral(" р.");
        return out;
    }
    case 's':
        switch (a->kind()) {
        case FormatArg::Kind::Text:
            return s.precision >= 0 ? a->text().left(s.precision) : a->text();
        case FormatArg::Kind::Int: return Latin(fmt::format("{}", a->intValue()));
        case FormatArg::Kind::UInt: return Latin(fmt::format("{}", a->uintValue()));
        case FormatArg::Kind::Real: return Latin(General(a->realValue(), kRealDigits));
        }
        return FormatMissing;
    }
    return FormatInvalid;
}

// Takes a "*" value from the argument list: an integer 0..99.
bool TakeStar(std::span<const FormatArg> args, std::size_t& next, int& value) {
    if (next >= args.size()) return false;
    const FormatArg& a = args[next++];
    if (a.kind() != FormatArg::Kind::Int || a.intValue() < 0 || a.intValue() > kFormatMaxField) return false;
    value = static_cast<int>(a.intValue());
    return true;
}

QString g_displayFormat = QStringLiteral("%f");

}  // namespace

QString Format(const QString& f, std::span<const FormatArg> args) {
    try {
        QString out;
        out.reserve(f.size() + 8 * static_cast<qsizetype>(args.size()));
        std::size_t next = 0;
        qsizetype i = 0;
        while (i < f.size()) {
            const QChar c = f[i];
            if (c != QLatin1Char('%')) {
                out += c;
                ++i;
                continue;
            }
            if (i + 1 < f.size() && f[i + 1] == QLatin1Char('%')) {
                out += c;
                i += 2;
                continue;
            }
            Specifier s = ParseSpecifier(f, i);
            i = s.end;
            if (!s.fault.isEmpty()) {
                out += FormatInvalid;
                continue;
            }
            if ((s.indexStar && !TakeStar(args, next, s.index)) || (s.widthStar && !TakeStar(args, next, s.width)) ||
                (s.precisionStar && !TakeStar(args, next, s.precision))) {
                out += FormatInvalid;
                continue;
            }
            if (s.index >= 0) next = static_cast<std::size_t>(s.index);
            const FormatArg* a = next < args.size() ? &args[next] : nullptr;
            ++next;
            QString text = Render(s, a);
            if (s.width > text.size()) {
                const QString blanks(s.width - text.size(), QLatin1Char(' '));
                text = s.left ? text + blanks : blanks + text;
            }
            out += text;
        }
        return out;
    } catch (...) {
        // Only an exhausted memory gets here; a short text is all we can give.
        return FormatInvalid;
    }
}

bool ValidFormatText(const QString& f, QString* why) {
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] != QLatin1Char('%')) continue;
        if (i + 1 < f.size() && f[i + 1] == QLatin1Char('%')) {
            ++i;
            continue;
        }
        const Specifier s = ParseSpecifier(f, i);
        if (!s.fault.isEmpty()) {
            if (why) *why = Format(QStringLiteral("ошибка формата в позиции %d: %s"), {i + 1, s.fault});
            return false;
        }
        i = s.end - 1;
    }
    if (why) why->clear();
    return true;
}

QString FormatFloat(double v, int decimals) {
    return Latin(Fixed(v, std::clamp(decimals, 0, kFormatMaxField), false));
}

QString DisplayFormat() { return g_displayFormat; }

void SetDisplayFormat(const QString& fmt) { g_displayFormat = fmt; }

void SetDisplayDecimals(int decimals) {
    g_displayFormat = decimals < 0 ? QStringLiteral("%f") : Format(QStringLiteral("%s.%df"), {"%", decimals});
}

QString DisplayReal(double v) { return Format(g_displayFormat, {v}); }

}  // namespace omi
