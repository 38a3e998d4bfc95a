#include "debug/DescriptionTable.h"

#include "support/Format.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace omi::debug {

namespace {

const QString kNotRecognised = QStringLiteral("Значение не распознано");

// ------------------------------------------------------------------ numbers

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

int HexDigit(QChar c) {
    if (IsDigit(c)) return c.unicode() - '0';
    const char16_t u = c.toUpper().unicode();
    return u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
}

// A real in the Russian form: [sign] digits [, digits] [E [sign] digits],
// at least one digit before the exponent, blanks around it allowed.
std::optional<double> ReadReal(QStringView t) {
    t = t.trimmed();
    std::string c;
    c.reserve(static_cast<std::size_t>(t.size()));
    qsizetype p = 0;
    if (p < t.size() && (t[p] == QLatin1Char('+') || t[p] == QLatin1Char('-'))) c += static_cast<char>(t[p++].unicode());
    int digits = 0;
    for (; p < t.size() && IsDigit(t[p]); ++p, ++digits) c += static_cast<char>(t[p].unicode());
    if (p < t.size() && t[p] == QLatin1Char(',')) {
        c += '.';
        for (++p; p < t.size() && IsDigit(t[p]); ++p, ++digits) c += static_cast<char>(t[p].unicode());
    }
    if (digits == 0) return std::nullopt;
    if (p < t.size() && (t[p] == QLatin1Char('e') || t[p] == QLatin1Char('E'))) {
        c += 'e';
        ++p;
        if (p < t.size() && (t[p] == QLatin1Char('+') || t[p] == QLatin1Char('-')))
            c += static_cast<char>(t[p++].unicode());
        int exponentDigits = 0;
        for (; p < t.size() && IsDigit(t[p]); ++p, ++exponentDigits) c += static_cast<char>(t[p].unicode());
        if (exponentDigits == 0) return std::nullopt;
    }
    if (p != t.size()) return std::nullopt;
    const char* begin = c.data();
    if (*begin == '+') ++begin;  // from_chars takes no plus sign
    double v = 0;
    const auto [end, ec] = std::from_chars(begin, c.data() + c.size(), v);
    if (ec != std::errc() || end != c.data() + c.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// An integer literal that is not a real: hexadecimal as "$1F" or "0x1F",
// with an optional sign, up to 16 digits.
std::optional<double> ReadInteger(QStringView t) {
    t = t.trimmed();
    bool negative = false;
    if (!t.isEmpty() && (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))) {
        negative = t[0] == QLatin1Char('-');
        t = t.mid(1);
    }
    if (t.startsWith(QLatin1Char('$')))
        t = t.mid(1);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    else
        return std::nullopt;
    if (t.isEmpty() || t.size() > 16) return std::nullopt;
    std::uint64_t v = 0;
    for (const QChar ch : t) {
        const int d = HexDigit(ch);
        if (d < 0) return std::nullopt;
        v = v << 4 | static_cast<std::uint64_t>(d);
    }
    const double value = static_cast<double>(v);
    return negative ? -value : value;
}

std::optional<double> ReadNumber(QStringView t) {
    if (auto v = ReadReal(t)) return v;
    return ReadInteger(t);
}

bool IsOperator(QChar c) {
    return c == QLatin1Char('*') || c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('-');
}

// An operand of the evaluation: its text, or the value that replaced it.
struct Operand {
    QStringView text;
    std::optional<double> value;
    bool empty() const { return !value && text.isEmpty(); }
};

std::optional<double> ValueOf(const Operand& o) { return o.value ? o.value : ReadNumber(o.text); }

// Collapses every run of the operator `op` into the value of the run,
// leftmost first. False when an operand of a run is not a number.
bool Collapse(std::vector<Operand>& operands, std::vector<QChar>& ops, QChar op) {
    std::vector<Operand> keptOperands{operands.front()};
    std::vector<QChar> keptOps;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i] != op) {
            keptOps.push_back(ops[i]);
            keptOperands.push_back(operands[i + 1]);
            continue;
        }
        const auto left = ValueOf(keptOperands.back());
        const auto right = ValueOf(operands[i + 1]);
        if (!left || !right) return false;
        const double v = op == QLatin1Char('*') ? *left * *right : *left / *right;
        if (!std::isfinite(v)) return false;
        keptOperands.back() = Operand{{}, v};
    }
    operands = std::move(keptOperands);
    ops = std::move(keptOps);
    return true;
}

// Shortest decimal text of a value as the program shows it (15 significant
// digits at most, decimal comma).
QString ShortText(double v) { return Format(QStringLiteral("%g"), {v}); }

// The shortest text that reads back as the same single.
QString SingleText(float f) {
    if (!std::isfinite(f)) return ShortText(f);
    for (int digits = 1; digits < 9; ++digits) {
        const QString text = Format(QStringLiteral("%.*g"), {digits, static_cast<double>(f)});
        if (const auto back = ReadReal(text); back && static_cast<float>(*back) == f) return text;
    }
    return Format(QStringLiteral("%.9g"), {static_cast<double>(f)});
}

// A value's exact decimal text without an exponent, to go in front of an
// expression: an exponent's sign would read as an operator.
template <class Real>
QString PlainText(Real v) {
    std::array<char, 400> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed);
    if (ec != std::errc()) return ShortText(static_cast<double>(v));
    QString text = QString::fromLatin1(buffer.data(), end - buffer.data());
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

// ------------------------------------------------------------------ table rows

QString Cell(const Grid& grid, qsizetype row, qsizetype column) {
    return row < grid.size() && column < grid[row].size() ? grid[row][column] : QString();
}

QString WithoutBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace()) out += c;
    return out;
}

// The type letter whose first occurrence stands furthest right; 0 for none.
char TypeLetter(const QString& rule) {
    char letter = 0;
    qsizetype at = -1;
    for (const char c : {'B', 'W', 'L', 'S'}) {
        const qsizetype i = rule.indexOf(QLatin1Char(c));
        if (i > at) {
            at = i;
            letter = c;
        }
    }
    return letter;
}

int Width(char type) {
    switch (type) {
    case 'W': return 2;
    case 'L':
    case 'S': return 4;
    default: return 1;
    }
}

// The predefined index after "@": -1 when there is no "@" or no number after it.
int PredefinedIndex(const QString& rule) {
    const qsizetype at = rule.indexOf(QLatin1Char('@'));
    if (at < 0) return -1;
    qsizetype p = at + 1;
    long long index = 0;
    bool any = false;
    for (; p < rule.size() && IsDigit(rule[p]); ++p) {
        any = true;
        index = std::min<long long>(index * 10 + (rule[p].unicode() - '0'), std::numeric_limits<int>::max());
    }
    return any ? static_cast<int>(index) : -1;
}

char AutomaticType(double v) {
    if (v >= 0 && v < 256) return 'B';
    if (v >= 256 && v < 65536) return 'W';
    if (v >= 65536 && v < 4294967296.0) return 'L';
    return 'S';
}

struct TypeRange {
    double low, high;
    const char* text;
};

TypeRange RangeOf(char type) {
    switch (type) {
    case 'B': return {0, 255, "0..255"};
    case 'W': return {0, 65535, "0..65535"};
    case 'L': return {0, 4294967295.0, "0..4294967295"};
    default: {
        const double top = std::numeric_limits<float>::max();
        return {-top, top, "±3,4E38"};
    }
    }
}

bool IsTableNumber(const QString& cell) {
    const QString t = cell.trimmed();
    if (t.isEmpty()) return false;
    for (const QChar c : t)
        if (!IsDigit(c)) return false;
    return true;
}

bool HasControl(const QStringList& row) {
    for (const QString& cell : row)
        for (const QChar c : cell)
            if (c.category() == QChar::Other_Control) return true;
    return false;
}

constexpr qsizetype kColumns = 3;

void Pad(QStringList& row) {
    while (row.size() < kColumns) row.append(QString());
}

QString TwoDigits(int n) { return Format(QStringLiteral("%.2d"), {n}); }

}  // namespace

// ---------------------------------------------------------------- evaluator

bool EvalExpr(const QString& text, double& value) {
    if (const auto v = ReadNumber(text)) {
        value = *v;
        return true;
    }
    value = 0;
    // Operands and the operators between them; an empty operand stands where
    // two operators meet or an operator begins or ends the text.
    std::vector<Operand> operands;
    std::vector<QChar> ops;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsOperator(text[i])) continue;
        operands.push_back(Operand{QStringView(text).mid(start, i - start), std::nullopt});
        ops.push_back(text[i]);
        start = i + 1;
    }
    operands.push_back(Operand{QStringView(text).mid(start), std::nullopt});

    if (!Collapse(operands, ops, QLatin1Char('*'))) return false;
    if (!Collapse(operands, ops, QLatin1Char('/'))) return false;

    // The sum of the signed terms; a text that does not begin with a sign
    // gets "+" in front.
    std::size_t first = 0;
    QChar sign = QLatin1Char('+');
    if (!ops.empty() && operands.front().empty()) {
        sign = ops.front();
        first = 1;
    }
    double sum = 0;
    for (std::size_t i = first; i < operands.size(); ++i) {
        if (i > first) sign = ops[i - 1];
        const Operand& o = operands[i];
        std::optional<double> term;
        if (o.value)
            term = sign == QLatin1Char('-') ? -*o.value : *o.value;
        else
            term = ReadNumber(QString(sign) + o.text.toString());
        if (!term) return false;
        sum += *term;
    }
    if (!std::isfinite(sum)) return false;
    value = sum;
    return true;
}

// ---------------------------------------------------------------- coding

Encoded EncodeTable(const Grid& grid, int deviceType, int deviceNumber) {
    Encoded out;
    const qsizetype rows = grid.size();
    out.bytes.assign(static_cast<std::size_t>(std::max<qsizetype>(rows - 1, 0)), 0);
    out.lines.append(QStringLiteral("табл ф-т №зн зн итого"));
    const auto size = static_cast<qsizetype>(out.bytes.size());
    for (qsizetype r = 1; r < rows;) {
        const QString written = Cell(grid, r, 2);
        const QString rule = WithoutBlanks(written);
        const QString name = Cell(grid, r, 1);
        const int index = PredefinedIndex(rule);
        const std::size_t at = static_cast<std::size_t>(r - 1);

        double v = 0;
        bool recognised = true;
        switch (index) {
        case -1:
            if (!rule.isEmpty()) {
                const qsizetype eq = rule.indexOf(QLatin1Char('='));
                recognised = EvalExpr(eq < 0 ? rule : rule.mid(eq + 1), v);
                if (!recognised) v = 0;
            }
            break;
        case 0: v = 0; break;
        case 1: v = static_cast<double>(size); break;
        case 2: v = FrameCheckByte(out.bytes.data(), at); break;
        case 3: v = deviceType; break;
        case 4: v = deviceNumber; break;
        default: recognised = false; break;
        }

        const char explicitType = TypeLetter(rule);
        const char type = explicitType ? explicitType : AutomaticType(v);
        const int width = Width(type);
        const auto fail = [&](const QString& why) {
            out.error = QStringLiteral("строка ") + TwoDigits(static_cast<int>(r - 1)) + QStringLiteral(": ") + why +
                        QStringLiteral(": запрос не составлен");
            out.bytes.clear();
        };
        // A field that runs past the frame is refused as a whole: a part of
        // a number sent would be a wrong number.
        if (r - 1 + width > size) {
            fail(Format(QStringLiteral("поле типа %s (%d байта) выходит за конец таблицы"),
                        {QString(QLatin1Char(type)), width}));
            break;
        }
        const TypeRange range = RangeOf(type);
        double stored = type == 'S' ? v : std::round(v);
        if (stored < range.low || stored > range.high) {
            if (explicitType) {
                fail(Format(QStringLiteral("значение %s вне пределов типа %s (%s)"),
                            {ShortText(v), QString(QLatin1Char(type)), QString::fromUtf8(range.text)}));
                break;
            }
            stored = std::clamp(stored, range.low, range.high);  // a half below the next type's range
        }

        QString shown;
        switch (type) {
        case 'B':
            out.bytes[at] = static_cast<std::uint8_t>(stored);
            shown = QString::number(out.bytes[at]);
            break;
        case 'W':
            PutW(static_cast<std::uint16_t>(stored), out.bytes, static_cast<int>(at));
            shown = QString::number(GetW(out.bytes, static_cast<int>(at)));
            break;
        case 'L':
            PutL(static_cast<std::int32_t>(static_cast<std::uint32_t>(stored)), out.bytes, static_cast<int>(at));
            shown = QString::number(static_cast<std::uint32_t>(GetL(out.bytes, static_cast<int>(at))));
            break;
        default:
            PutS(stored, out.bytes, static_cast<int>(at));
            shown = SingleText(static_cast<float>(GetS(out.bytes, static_cast<int>(at))));
            break;
        }
        QString result = name + QLatin1Char('=') + shown;
        if (!recognised) {
            result += QLatin1Char(' ') + kNotRecognised;
            out.unrecognised.append(QStringLiteral("строка ") + TwoDigits(static_cast<int>(r - 1)) +
                                    (name.isEmpty() ? QString() : QStringLiteral(" (") + name + QLatin1Char(')')) +
                                    QStringLiteral(": ") + written);
        }
        out.lines.append(Format(QStringLiteral("%s %s %d %d %s"),
                                {written, QString(QLatin1Char(type)), index, static_cast<int>(out.bytes[at]), result}));
        r += width;
    }
    return out;
}

// ---------------------------------------------------------------- decoding

QStringList DecodeTable(const Grid& grid, const Frame& bytes) {
    QStringList lines;
    const qsizetype last = std::min<qsizetype>(grid.size(), static_cast<qsizetype>(bytes.size())) - 1;
    for (qsizetype r = 1; r <= last;) {
        const QString rule = WithoutBlanks(Cell(grid, r, 2));
        const QString name = Cell(grid, r, 1);
        const char letter = TypeLetter(rule);
        const char type = letter ? letter : 'B';
        const int width = Width(type);
        const int at = static_cast<int>(r - 1);
        if (static_cast<std::size_t>(at + width) > bytes.size()) {
            // Nothing after it is in the answer either.
            lines.append(name + QStringLiteral(": поле за концом ответа"));
            break;
        }
        QString line;
        QString raw;
        switch (type) {
        case 'B':
            line = Format(QStringLiteral("%s=%d"), {name, bytes[static_cast<std::size_t>(at)]});
            raw = QString::number(bytes[static_cast<std::size_t>(at)]);
            break;
        case 'W':
            line = Format(QStringLiteral("%s=%d"), {name, GetW(bytes, at)});
            raw = QString::number(GetW(bytes, at));
            break;
        case 'L':
            line = Format(QStringLiteral("%s=%d"), {name, GetL(bytes, at)});
            raw = QString::number(GetL(bytes, at));
            break;
        default: {
            const float f = static_cast<float>(GetS(bytes, at));
            line = Format(QStringLiteral("%s=%f"), {name, static_cast<double>(f)});
            raw = PlainText(f);
            break;
        }
        }
        const qsizetype eq = rule.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            double v = 0;
            if (EvalExpr(raw + rule.mid(eq + 1), v))
                line += QLatin1Char('(') + ShortText(v) + QLatin1Char(')');
            else
                line += QLatin1Char('(') + kNotRecognised + QLatin1Char(')');
        }
        lines.append(line);
        r += width;
    }
    return lines;
}

// ---------------------------------------------------------------- listings

QStringList CharListing(const Frame& bytes) {
    static const char* const kNames[33] = {"NUL(Null char.)",
                                           "SOH(Start of Header)",
                                           "STX(Start of Text)",
                                           "ETX(End of Text)",
                                           "EOT(End of Transmission)",
                                           "ENQ(Enquiry)",
                                           "ACK(Acknowledgment)",
                                           "BEL(Bell)",
                                           "BS(Backspace)",
                                           "HT(Horizontal Tab)",
                                           "LF(Line Feed)",
                                           "VT(Vertical Tab)",
                                           "FF(Form Feed)",
                                           "CR(Carriage Return)",
                                           "SO(Shift Out)",
                                           "SI(Shift In)",
                                           "DLE(Data Link Escape)",
                                           "DC1 (XON) (Device Control 1)",
                                           "DC2 (Device Control 2)",
                                           "DC3 (XOFF)(Device Control 3)",
                                           "DC4 (Device Control 4)",
                                           "NAK (Negative Acknowledgement)",
                                           "SYN (Synchronous Idle)",
                                           "ETB (End of Trans. Block)",
                                           "CAN (Cancel)",
                                           "EM (End of Medium)",
                                           "SUB (Substitute)",
                                           "ESC (Escape)",
                                           "FS (File Separator)",
                                           "GS (Group Separator)",
                                           "RS (Request to Send)(Record Separator)",
                                           "US (Unit Separator)",
                                           "SP (Space)"};
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int b = bytes[i];
        const QString shown = b <= 32 ? QString::fromLatin1(kNames[b])
                                      : FromCp1251(QByteArray(1, static_cast<char>(b)));
        lines.append(Format(QStringLiteral("%.3d=%.2d(%s) %s"),
                            {static_cast<int>(i + 1), b, Format(QStringLiteral("%.2x"), {b}), shown}));
    }
    return lines;
}

QStringList ByteLines(const Frame& bytes) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int b = bytes[i];
        lines.append(Format(QStringLiteral("%d.=%d (0x%s)"), {static_cast<int>(i), b, Format(QStringLiteral("%.2x"), {b})}));
    }
    return lines;
}

// ---------------------------------------------------------------- files

QStringList ListFiles(const QString& mask) {
    const QFileInfo info(mask);
    const QString pattern = info.fileName();
    if (pattern.isEmpty()) return {};
    const QDir folder(info.path());
    QStringList out;
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        out.append(folder.filePath(name));
    return out;
}

QString TableFolder(int deviceType) {
    return DataPath({kDataFolderName, QStringLiteral("ОТЛАДКА"), Format(QStringLiteral("%.3d"), {deviceType}),
                     QString(), QString()});
}

QString TableMask(int deviceType) { return TableFolder(deviceType) + QStringLiteral("/*.txt"); }

LoadedTable LoadTable(const QString& path) {
    LoadedTable out;
    Grid lines;
    out.error = LoadGridText(lines, path);
    if (!out.error.isEmpty()) return out;
    QList<qsizetype> skipped;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The first line is the heading row: any text, its control
        // characters shown as blanks.
        const bool heading = i == 0;
        if (!heading && (HasControl(lines[i]) || (!lines[i].isEmpty() && !lines[i][0].trimmed().isEmpty() &&
                                                  !IsTableNumber(lines[i][0])))) {
            skipped.append(i + 1);
            continue;
        }
        QStringList row = lines[i];
        if (heading && HasControl(row))
            for (QString& cell : row)
                for (QChar& c : cell)
                    if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
        Pad(row);
        out.grid.append(std::move(row));
    }
    if (!skipped.isEmpty()) {
        constexpr qsizetype kNamed = 20;
        QStringList numbers;
        for (qsizetype k = 0; k < skipped.size() && k < kNamed; ++k) numbers.append(QString::number(skipped[k]));
        QString list = numbers.join(QStringLiteral(", "));
        if (skipped.size() > kNamed) list += QStringLiteral(" и еще ") + QString::number(skipped.size() - kNamed);
        out.skipped = skipped.size() == 1 ? QStringLiteral("пропущена строка ") + list + QStringLiteral(": не строка таблицы")
                                          : QStringLiteral("пропущены строки ") + list + QStringLiteral(": не строки таблицы");
    }
    return out;
}

QString SaveTable(const Grid& grid, const QString& path) {
    Grid padded = grid;
    for (QStringList& row : padded) Pad(row);
    return SaveGridText(padded, path);
}

// ---------------------------------------------------------------- editing

void RenumberRows(Grid& grid) {
    for (qsizetype r = 1; r < grid.size(); ++r) {
        Pad(grid[r]);
        grid[r][0] = TwoDigits(static_cast<int>(r - 1));
    }
}

void InsertRowAfter(Grid& grid, int row) {
    if (row < 0 || row >= grid.size()) return;
    grid.insert(row + 1, QStringList(std::max(kColumns, grid[row].size())));
    RenumberRows(grid);
}

void DeleteRow(Grid& grid, int row) {
    if (grid.size() <= 2 || row < 1 || row >= grid.size()) return;
    grid.removeAt(row);
    RenumberRows(grid);
}

void DropFormat(Grid& grid, int row, int column, QChar format, int predefined) {
    int count = 0;
    switch (format.unicode()) {
    case 'B': count = 1; break;
    case 'W': count = 2; break;
    case 'L':
    case 'S': count = 4; break;
    default: count = std::clamp(column, 0, kMaxFrame - 1) + 1; break;
    }
    // Never the heading; a drop below the last row lands right after it.
    const qsizetype start = std::clamp<qsizetype>(row, 1, std::max<qsizetype>(grid.size(), 1));
    const QString text = QString(format) + QLatin1Char('@') + TwoDigits(predefined);
    for (qsizetype r = start; r < start + count; ++r) {
        while (r >= grid.size()) grid.append(QStringList(kColumns));
        Pad(grid[r]);
        grid[r][2] = text;
    }
    RenumberRows(grid);
}

}  // namespace omi::debug
