#include "debug/DescriptionTable.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

#include "support/Format.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace omi::debug {

namespace {

// Longest expression the evaluator takes: a table cell, not a document.
constexpr qsizetype kMaxExpression = 1024;

bool readNumber(QString text, double& value) {
    text = text.trimmed();
    if (text.isEmpty()) return false;
    // The decimal comma of the program's texts; a point is taken as well.
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// The shortest decimal text of a value, with the decimal comma.
QString shortest(double v) { return Format(QStringLiteral("%g"), {v}); }

// One pass of an operator: the leftmost occurrence with its operands
// replaced by the result, while the operator remains.
bool reduce(QString& text, QChar op, const QString& leftStops, const QString& rightStops) {
    for (int guard = 0; guard < kMaxExpression; ++guard) {
        const qsizetype at = text.indexOf(op);
        if (at < 0) return true;
        qsizetype begin = at;
        while (begin > 0 && !leftStops.contains(text[begin - 1])) --begin;
        qsizetype end = at + 1;
        while (end < text.size() && !rightStops.contains(text[end])) ++end;
        double a = 0;
        double b = 0;
        if (!readNumber(text.mid(begin, at - begin), a) || !readNumber(text.mid(at + 1, end - at - 1), b))
            return false;
        const double r = op == QLatin1Char('*') ? a * b : a / b;
        if (!std::isfinite(r)) return false;
        text = text.left(begin) + shortest(r) + text.mid(end);
    }
    return false;
}

// The type letter of a specification: the one of B, W, L, S whose first
// occurrence stands furthest right; 0 when none.
QChar typeLetter(const QString& spec) {
    QChar letter;
    qsizetype furthest = -1;
    for (const QChar c : {QLatin1Char('B'), QLatin1Char('W'), QLatin1Char('L'), QLatin1Char('S')}) {
        const qsizetype at = spec.indexOf(c);
        if (at > furthest) {
            furthest = at;
            letter = c;
        }
    }
    return letter;
}

int widthOf(QChar letter) {
    if (letter == QLatin1Char('W')) return 2;
    if (letter == QLatin1Char('L') || letter == QLatin1Char('S')) return 4;
    return 1;
}

QString cell(const Grid& grid, qsizetype row, qsizetype column) {
    return row < grid.size() && column < grid[row].size() ? grid[row][column] : QString();
}

// The predefined value index after "@": -1 when there is none or it is not
// a number.
int predefinedIndex(const QString& spec) {
    const qsizetype at = spec.indexOf(QLatin1Char('@'));
    if (at < 0) return -1;
    QString digits;
    for (qsizetype i = at + 1; i < spec.size() && spec[i].isDigit() && digits.size() < 9; ++i) digits += spec[i];
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok ? n : -1;
}

const char* const kCharNames[33] = {"NUL(Null char.)",
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

QString byteCharacter(std::uint8_t b) {
    if (b <= 32) return QString::fromLatin1(kCharNames[b]);
    return FromCp1251(QByteArray(1, static_cast<char>(b)));
}

}  // namespace

bool EvalExpr(const QString& input, double& value) {
    value = 0;
    if (input.size() > kMaxExpression) return false;
    double whole = 0;
    if (readNumber(input, whole)) {
        value = whole;
        return true;
    }
    QString text = input.trimmed();
    if (text.isEmpty()) return false;
    if (!reduce(text, QLatin1Char('*'), QStringLiteral("/-+"), QStringLiteral("*/-+"))) return false;
    if (!reduce(text, QLatin1Char('/'), QStringLiteral("-+"), QStringLiteral("/-+"))) return false;
    if (!text.startsWith(QLatin1Char('+')) && !text.startsWith(QLatin1Char('-'))) text.prepend(QLatin1Char('+'));
    double sum = 0;
    qsizetype begin = 0;
    while (begin < text.size()) {
        qsizetype end = begin + 1;
        while (end < text.size() && text[end] != QLatin1Char('+') && text[end] != QLatin1Char('-')) ++end;
        double term = 0;
        const QString sign = text.mid(begin, 1);
        const QString digits = text.mid(begin + 1, end - begin - 1);
        // An exponent's sign belongs to its number ("1E-6").
        if (end < text.size() && (digits.endsWith(QLatin1Char('E')) || digits.endsWith(QLatin1Char('e')))) {
            qsizetype next = end + 1;
            while (next < text.size() && text[next] != QLatin1Char('+') && text[next] != QLatin1Char('-')) ++next;
            if (!readNumber(sign + text.mid(begin + 1, next - begin - 1), term)) return false;
            sum += term;
            begin = next;
            continue;
        }
        if (!readNumber(digits, term)) return false;
        sum += sign == QStringLiteral("-") ? -term : term;
        begin = end;
    }
    if (!std::isfinite(sum)) return false;
    value = sum;
    return true;
}

Encoded EncodeTable(const Grid& grid, int deviceType, int deviceNumber) {
    Encoded out;
    const qsizetype rows = grid.size();
    if (rows < 2) {
        out.lines << QStringLiteral("табл ф-т №зн зн итого");
        return out;
    }
    out.bytes.assign(static_cast<std::size_t>(rows - 1), 0);
    out.lines << QStringLiteral("табл ф-т №зн зн итого");
    for (qsizetype r = 1; r < rows; ++r) {
        const QString written = cell(grid, r, 2);
        QString spec = written;
        spec.remove(QLatin1Char(' '));
        const QChar typed = typeLetter(spec);
        const int index = predefinedIndex(spec);
        const int offset = static_cast<int>(r - 1);
        double value = 0;
        bool recognised = true;
        switch (index) {
            case 0: value = 0; break;
            case 1: value = static_cast<double>(rows - 1); break;
            case 2: value = FrameCheckByte(out.bytes.data(), static_cast<std::size_t>(offset)); break;
            case 3: value = deviceType; break;
            case 4: value = deviceNumber; break;
            case -1:
                if (!spec.isEmpty()) {
                    const qsizetype eq = spec.indexOf(QLatin1Char('='));
                    recognised = EvalExpr(eq >= 0 ? spec.mid(eq + 1) : spec, value);
                    if (!recognised) value = 0;
                }
                break;
            default: recognised = false; break;
        }
        QChar letter = typed;
        if (letter.isNull()) {
            if (value >= 0 && value < 256) letter = QLatin1Char('B');
            else if (value >= 256 && value < 65536) letter = QLatin1Char('W');
            else if (value >= 65536 && value < 4294967296.0) letter = QLatin1Char('L');
            else letter = QLatin1Char('S');
        }
        const int width = widthOf(letter);
        const auto rowName = Format(QStringLiteral("%.2d"), {offset});
        if (offset + width > static_cast<int>(out.bytes.size())) {
            out.error = QStringLiteral("строка %1: значение типа %2 не помещается в %3 байт таблицы: запрос не составлен")
                            .arg(rowName, letter)
                            .arg(out.bytes.size());
            out.bytes.clear();
            return out;
        }
        const double rounded = std::round(value);
        const double top = letter == QLatin1Char('B') ? 255 : letter == QLatin1Char('W') ? 65535 : 4294967295.0;
        if (letter != QLatin1Char('S') && (rounded < 0 || rounded > top)) {
            out.error = QStringLiteral("строка %1: значение %2 вне пределов типа %3 (0..%4): запрос не составлен")
                            .arg(rowName, shortest(value), letter, shortest(top));
            out.bytes.clear();
            return out;
        }
        QString result = cell(grid, r, 1) + QLatin1Char('=');
        if (letter == QLatin1Char('B')) {
            out.bytes[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(rounded);
            result += QString::number(out.bytes[static_cast<std::size_t>(offset)]);
        } else if (letter == QLatin1Char('W')) {
            PutW(static_cast<std::uint16_t>(rounded), out.bytes, offset);
            result += QString::number(GetW(out.bytes, offset));
        } else if (letter == QLatin1Char('L')) {
            PutL(static_cast<std::int32_t>(static_cast<std::uint32_t>(rounded)), out.bytes, offset);
            result += QString::number(static_cast<std::uint32_t>(GetL(out.bytes, offset)));
        } else {
            PutS(value, out.bytes, offset);
            result += shortest(GetS(out.bytes, offset));
        }
        if (!recognised) result += QStringLiteral("Значение не распознано");
        out.lines << Format(QStringLiteral("%s %s %d %d %s"),
                            {written, QString(letter), index, out.bytes[static_cast<std::size_t>(offset)], result});
        r += width - 1;  // the rows the value covers
    }
    return out;
}

QStringList DecodeTable(const Grid& grid, const Frame& bytes) {
    QStringList lines;
    // Rows up to the one before the answer's last byte (its check byte).
    const qsizetype last = std::min<qsizetype>(grid.size(), static_cast<qsizetype>(bytes.size()));
    for (qsizetype r = 1; r < last; ++r) {
        const QString spec = cell(grid, r, 2);
        QChar letter = typeLetter(spec);
        if (letter.isNull()) letter = QLatin1Char('B');
        const int offset = static_cast<int>(r - 1);
        const int width = widthOf(letter);
        const QString name = cell(grid, r, 1);
        if (offset + width > static_cast<int>(bytes.size())) {
            lines << name + QStringLiteral("=(ответ кончился)");
            break;
        }
        QString raw;
        if (letter == QLatin1Char('B')) raw = QString::number(bytes[static_cast<std::size_t>(offset)]);
        else if (letter == QLatin1Char('W')) raw = QString::number(GetW(bytes, offset));
        else if (letter == QLatin1Char('L')) raw = QString::number(GetL(bytes, offset));
        QString line = letter == QLatin1Char('S') ? Format(QStringLiteral("%s=%f"), {name, GetS(bytes, offset)})
                                                  : name + QLatin1Char('=') + raw;
        const qsizetype eq = spec.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            if (letter == QLatin1Char('S')) raw = shortest(GetS(bytes, offset));
            double v = 0;
            if (EvalExpr(raw + spec.mid(eq + 1).remove(QLatin1Char(' ')), v))
                line += QLatin1Char('(') + shortest(v) + QLatin1Char(')');
            else
                line += QStringLiteral("(Значение не распознано)");
        }
        lines << line;
        r += width - 1;
    }
    return lines;
}

QStringList CharListing(const Frame& bytes) {
    QStringList lines;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        lines << Format(QStringLiteral("%.3d=%.2d(%s) %s"),
                        {static_cast<int>(i + 1), bytes[i], Format(QStringLiteral("%.2x"), {bytes[i]}),
                         byteCharacter(bytes[i])});
    return lines;
}

QStringList ByteLines(const Frame& bytes) {
    QStringList lines;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        lines << Format(QStringLiteral("%d.=%d (0x%s)"),
                        {static_cast<int>(i), bytes[i], Format(QStringLiteral("%.2x"), {bytes[i]})});
    return lines;
}

QStringList ListFiles(const QString& mask) {
    const QFileInfo info(mask);
    QDir dir(info.path());
    QStringList files;
    for (const QFileInfo& f : dir.entryInfoList({info.fileName()}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        files << f.absoluteFilePath();
    return files;
}

QString TableFolder(int deviceType) {
    return DataRoot() + QStringLiteral("/ОТЛАДКА/") + Format(QStringLiteral("%.3d"), {deviceType});
}

QString TableMask(int deviceType) { return TableFolder(deviceType) + QStringLiteral("/*.txt"); }

LoadedTable LoadTable(const QString& path) {
    LoadedTable out;
    Grid grid;
    out.error = LoadGridText(grid, path);
    if (!out.error.isEmpty()) return out;
    QStringList skipped;
    for (qsizetype r = 0; r < grid.size(); ++r) {
        const QStringList& row = grid[r];
        bool garbage = false;
        for (const QString& c : row)
            for (const QChar ch : c)
                if (ch.unicode() < 32 && ch != QLatin1Char('\t')) garbage = true;
        if (r > 0 && !garbage) {
            const QString number = row.value(0).trimmed();
            bool ok = true;
            if (!number.isEmpty()) number.toInt(&ok);
            garbage = !ok;
        }
        if (garbage && r > 0) {
            skipped << QString::number(r + 1);
            continue;
        }
        out.grid << row;
    }
    if (!skipped.isEmpty())
        out.skipped = QStringLiteral("пропущены строки %1: не строки таблицы").arg(skipped.join(QStringLiteral(", ")));
    return out;
}

QString SaveTable(const Grid& grid, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    return SaveGridText(grid, path);
}

void RenumberRows(Grid& grid) {
    for (qsizetype r = 1; r < grid.size(); ++r) {
        if (grid[r].isEmpty()) grid[r] << QString();
        grid[r][0] = Format(QStringLiteral("%.2d"), {static_cast<int>(r - 1)});
    }
}

namespace {

void padRow(QStringList& row, qsizetype columns) {
    while (row.size() < columns) row << QString();
}

qsizetype columnsOf(const Grid& grid) {
    qsizetype columns = 3;
    for (const QStringList& row : grid) columns = std::max(columns, row.size());
    return columns;
}

}  // namespace

void InsertRowAfter(Grid& grid, int row) {
    if (row < 0 || row >= grid.size()) return;
    QStringList empty;
    padRow(empty, columnsOf(grid));
    grid.insert(row + 1, empty);
    RenumberRows(grid);
}

void DeleteRow(Grid& grid, int row) {
    if (row < 1 || row >= grid.size() || grid.size() <= 2) return;
    grid.removeAt(row);
    RenumberRows(grid);
}

void DropFormat(Grid& grid, int row, int column, QChar format, int predefined) {
    if (grid.isEmpty()) grid << QStringList{};
    const qsizetype columns = columnsOf(grid);
    int count = column + 1;
    if (format == QLatin1Char('B')) count = 1;
    else if (format == QLatin1Char('W')) count = 2;
    else if (format == QLatin1Char('L') || format == QLatin1Char('S')) count = 4;
    count = std::clamp(count, 1, 4);
    const int first = std::max(row, 1);
    const QString spec = QString(format) + QLatin1Char('@') + Format(QStringLiteral("%.2d"), {predefined});
    for (int r = first; r < first + count; ++r) {
        while (grid.size() <= r) grid << QStringList{};
        padRow(grid[r], columns);
        grid[r][2] = spec;
    }
    RenumberRows(grid);
}

}  // namespace omi::debug
